// Editing a stage's map in the channel bar of the running main window: the
// keys reach the bar's fields through the window's key handling, the export
// holds the new value, and Undo brings the old one back.
#include "CChannelBar.h"
#include "CChannelParamWnd.h"
#include "CKorvaDlg.h"
#include "Globals.h"
#include "MAction.h"
#include "MKeyBinding.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMenu.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"
#include "MainWindowFixture.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace
{
int g_BoundRuns = 0;
int BoundAction()
{
    ++g_BoundRuns;
    return 1;
}

const char* kCorpusScript = GLAZEN_CORPUS_DIR "/shaders/openarena/acc_dm3.shader";

class ChannelBarEditTest : public MainWindowFixture
{
  protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        OpenWindow(1200, 800);
        if (HasFatalFailure())
            return;
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window.get());
    }
    void Choose(int id)
    {
        QAction* item = MFindMenuItem(window->menuBar(), id);
        ASSERT_NE(item, nullptr) << id;
        item->trigger();
    }
    std::string Export(const char* name)
    {
        const fs::path out = home.Path() / name;
        dialogs.AnswerFile({out.string()}, 1);
        Choose(33067);
        return ReadWholeFile(out);
    }
    // Imports the corpus script and selects its first shader and the map
    // node of its first stage, with the node's rows open in the bar.
    MFileShaderNode* ImportAndSelectStage()
    {
        dialogs.AnswerFile({kCorpusScript}, 1);
        Choose(33066);
        auto* material = dynamic_cast<MMaterial*>(
            g_CurrentScene->FindObjectByName("textures/acc_dm3/brwnwater"));
        if (!material || material->GetLayerCount() < 2)
            return nullptr;
        auto* map = dynamic_cast<MFileShaderNode*>(material->GetLayer(1)->GetShader(0));
        if (!map)
            return nullptr;
        g_CurrentScene->SelectObject(material, false);
        g_CurrentScene->SelectObject(map, true);
        MSendMessage(UM_REFRESH_CHANNELS);
        // The user opens the node's block with its corner triangle.
        CChannelParamWnd* block = window->ChannelBar()->ShowBlock(1);
        QTest::mouseClick(block, Qt::LeftButton, {}, QPoint(block->width() - 8, 8));
        QApplication::processEvents();
        return map;
    }

    ScriptedDialogs dialogs;
};

TEST_F(ChannelBarEditTest, MapEditedInTheBarIsExportedAndUndone)
{
    MFileShaderNode* map = ImportAndSelectStage();
    ASSERT_NE(map, nullptr);
    CChannelBar* bar = window->ChannelBar();
    ASSERT_EQ(bar->GetBlockCount(), 2);
    auto* field = bar->ShowBlock(1)->findChild<QLineEdit*>("Fname");
    ASSERT_NE(field, nullptr);
    const QString old = field->text();
    EXPECT_EQ(old, "textures/acc_dm3/brwnwater.tga");

    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "textures/acc_dm3/chrome.jpg");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(map->GetParamByName("Fname"), "textures/acc_dm3/chrome.jpg");
    EXPECT_EQ(MFindMenuItem(window->menuBar(), 57643)->text(), "Undo Edit Fname");
    std::string exported = Export("edited.shader");
    EXPECT_NE(exported.find("map textures/acc_dm3/chrome.jpg"), std::string::npos) << exported;
    // The second stage keeps its own map.
    EXPECT_EQ(exported.find("brwnwater.tga"), exported.rfind("brwnwater.tga"));

    Choose(57643);
    EXPECT_EQ(bar->ShowBlock(1)->findChild<QLineEdit*>("Fname")->text(), old);
    exported = Export("undone.shader");
    EXPECT_NE(exported.find("map textures/acc_dm3/brwnwater.tga"), std::string::npos) << exported;
}

TEST_F(ChannelBarEditTest, KeysReachTheBarsChoiceBoxesThroughTheMainWindow)
{
    MFileShaderNode* map = ImportAndSelectStage();
    ASSERT_NE(map, nullptr);
    CChannelParamWnd* block = window->ChannelBar()->ShowBlock(1);
    auto* field = block->findChild<QLineEdit*>("Fname");
    auto* repeatU = block->findChild<QComboBox*>("RpU");
    auto* repeatV = block->findChild<QComboBox*>("RpV");
    ASSERT_TRUE(field && repeatU && repeatV);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), repeatU);
    QTest::keyClick(repeatU, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), repeatV);
    // An arrow key chooses the other item, which commits at once.
    QTest::keyClick(repeatV, Qt::Key_Up);
    EXPECT_EQ(map->GetParamByName("RpV"), "Off");
    EXPECT_EQ(MFindMenuItem(window->menuBar(), 57643)->text(), "Undo Edit RpV");
    repeatU->setFocus();
    QTest::keyClick(repeatU, Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), window.get());
    EXPECT_EQ(map->GetParamByName("RpU"), "On");

    // A bound key runs its action from the bar's background and its blocks,
    // never from a choice box.
    g_ActionRegistry.RegisterAction("KTestAction", "Test", "Main", BoundAction);
    g_KeyBindingTable.AddBinding("KTestAction", "Main", 'K', false, false, false);
    g_BoundRuns = 0;
    QTest::keyClick(window->ChannelBar(), Qt::Key_K);
    QTest::keyClick(block, Qt::Key_K);
    EXPECT_EQ(g_BoundRuns, 2);
    QTest::keyClick(repeatU, Qt::Key_K);
    EXPECT_EQ(g_BoundRuns, 2);
}

// A picture of the window with a stage's rows in the bar, for a person to
// look at: build/<preset>/screenshots/channel-bar.png.
TEST_F(ChannelBarEditTest, ScreenshotWithAStagesRowsInTheBar)
{
    ASSERT_NE(ImportAndSelectStage(), nullptr);
    QTest::qWait(100);
    QImage shot = window->grab().toImage();
    const fs::path folder = BinDir().parent_path() / "screenshots";
    fs::create_directories(folder);
    ASSERT_TRUE(shot.save(QString::fromStdString((folder / "channel-bar.png").string())));
    // The open block is drawn in the bar, under its name row.
    CChannelParamWnd* block = window->ChannelBar()->ShowBlock(1);
    EXPECT_GE(block->GetRowCount(), 4);
    EXPECT_TRUE(block->isVisible());
}
} // namespace
