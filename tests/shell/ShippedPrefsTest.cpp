// A new user's first start with what the build puts in the program folder:
// the shipped shelves with their pictures, the time buttons, the default
// keys, and Ctrl+click on a shelf button opening its tool configuration.
// Saves build/<preset>/screenshots/first-start.png and tool-config.png.
#include "CAutoTabCtrl.h"
#include "CBottomDlg.h"
#include "CImageButton.h"
#include "CKorvaDlg.h"
#include "CShelfDlg.h"
#include "CToolConfigDlg.h"
#include "CTopToolDlg.h"
#include "Globals.h"
#include "MAction.h"
#include "MKeyBinding.h"
#include "MSystemManager.h"
#include "TestSupport.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace
{
class FirstStartTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", (home.Path() / "config").c_str(), 1);
        setenv("XDG_STATE_HOME", (home.Path() / "state").c_str(), 1);
        const fs::path program = home.Path() / "program";
        fs::create_directories(program);
        // The program folder as the build leaves it for a new user.
        fs::copy(BinDir() / "Prefs", program / "Prefs", fs::copy_options::recursive);
        fs::copy_file(BinDir().parent_path() / "prefs" / "Glazen.KEY", program / "Glazen.KEY");
        saved = g_Config.m_ProgramFolder;
        g_Config.m_ProgramFolder = program.string() + "/";
        g_SavePromptAnswered = false;
        g_Closing = false;
        g_SystemManager.SetLogFileOutput(&log);
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CToolConfigDlg*>(w))
                delete d;
        if (window)
        {
            g_SavePromptAnswered = true;
            window->close();
            window.reset();
        }
        g_SystemManager.SetLogFileOutput(nullptr);
        g_ActionRegistry.Clear();
        g_KeyBindingTable.Clear();
        g_Config.m_ProgramFolder = saved;
    }
    static void Save(QWidget* w, const char* name)
    {
        const fs::path folder = BinDir().parent_path() / "screenshots";
        fs::create_directories(folder);
        ASSERT_TRUE(w->grab().save(QString::fromStdString((folder / name).string())));
    }

    TempDir home;
    CaptureSink log;
    MStr saved;
    std::unique_ptr<CKorvaDlg> window;
};

TEST_F(FirstStartTest, ShelvesButtonsAndKeysAreThereAndCtrlClickConfigures)
{
    window = std::make_unique<CKorvaDlg>();
    window->Initialise();
    window->resize(1200, 800);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(50);

    CAutoTabCtrl* tabs = window->TopPanel()->TabControl();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Shaders");
    EXPECT_EQ(tabs->tabText(1), "View");
    for (int s = 0; s < window->ShelfManager().GetShelfCount(); ++s)
    {
        CShelfDlg* shelf = window->ShelfManager().GetShelf(s);
        EXPECT_GE(shelf->GetButtonCount(), 8);
        for (int b = 0; b < shelf->GetButtonCount(); ++b)
        {
            CImageButton* button = shelf->GetButton(b);
            EXPECT_FALSE(button->GetPicture().IsEmpty()) << button->GetActionName().c_str();
            // Every shelf button runs a registered action.
            EXPECT_TRUE(g_ActionRegistry.FindActionByName(button->GetActionName()))
                << button->GetActionName().c_str();
        }
    }
    EXPECT_FALSE(window->BottomPanel()->PlayButton()->GetPicture().IsEmpty());
    for (const auto& line : log.lines)
        EXPECT_EQ(line.find("Could not load image"), std::string::npos) << line;
    // The default keys came with the program.
    const MKeyBinding* undo = g_KeyBindingTable.FindByAction("KEditUndo");
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->GetShortcutText().str(), "Ctrl+Z");
    Save(window.get(), "first-start.png");
    tabs->setCurrentIndex(1);
    Save(window->TopPanel(), "shelf-view.png");
    tabs->setCurrentIndex(0);

    // Ctrl+click on Delete opens its preferences.
    CShelfDlg* shaders = window->ShelfManager().GetShelf(0);
    CImageButton* remove = nullptr;
    for (int b = 0; b < shaders->GetButtonCount(); ++b)
        if (shaders->GetButton(b)->GetActionName().EqualsNoCase("KObjectDeleteSelected"))
            remove = shaders->GetButton(b);
    ASSERT_TRUE(remove);
    QTest::mouseClick(remove, Qt::LeftButton, Qt::ControlModifier, QPoint(10, 10));
    // Let go of Ctrl: Qt remembers the modifiers of the last input.
    QTest::mouseClick(window->BottomPanel(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    CToolConfigDlg* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<CToolConfigDlg*>(w); d && d->isVisible())
            dialog = d;
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), "KObjectDeleteSelected");
    ASSERT_EQ(dialog->GetItemCount(), 1);
    EXPECT_EQ(dialog->GetItem(0)->GetVariable().name.str(), "DeleteChildren");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    Save(dialog, "tool-config.png");
}
} // namespace
