// Options > Configure... in the running editor: a search folder added on the
// Misc page is saved at once and lets the material view find a texture, and
// the view takes the configured background colour.
// Also saves pictures of the four pages for a person to look at:
// build/<preset>/screenshots/configure-<page>.png.
#include "CColorConfigPage.h"
#include "CConfigSheet.h"
#include "CDirPickerDlg.h"
#include "CKorvaDlg.h"
#include "CUndoConfigPage.h"
#include "Globals.h"
#include "MAction.h"
#include "MBaseViewWnd.h"
#include "MBaseViewWndList.h"
#include "MKeyBinding.h"
#include "MMenu.h"
#include "MSystemManager.h"
#include "MainWindowFixture.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "WorkModal.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace
{
// Scripted dialogs whose colour chooser gives one colour.
class ColourDialogs : public ScriptedDialogs
{
  public:
    bool AskColour(QWidget*, uint32_t& colour) override
    {
        colour = MakeColourValue(10, 60, 90);
        return true;
    }
};

class ConfigureWindowTest : public MainWindowFixture
{
  protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        OpenWindow(1000, 700);
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        g_SystemManager.GetImageSearchPaths().RemoveAll();
        ResetDisplayColours();
    }

    // Chooses Options > Configure... and lets act work the open sheet.
    void Configure(const std::function<void(CConfigSheet&)>& act)
    {
        EXPECT_TRUE(WorkModal<CConfigSheet>(
            50, act, [&] { MFindMenuItem(window->menuBar(), 32821)->trigger(); }));
    }

    // Pixels of the material view close to the texture's red.
    int RedPixels()
    {
        QApplication::processEvents();
        QTest::qWait(50);
        const QImage shot = g_ViewPanes[0]->grab().toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
            {
                const QRgb p = shot.pixel(x, y);
                n += std::abs(qRed(p) - 200) < 10 && std::abs(qGreen(p) - 40) < 10 &&
                     std::abs(qBlue(p) - 40) < 10;
            }
        return n;
    }

    ColourDialogs dialogs;
};
} // namespace

TEST_F(ConfigureWindowTest, AFolderAddedOnTheMiscPageIsSavedAndShowsTheTexture)
{
    home.Write("maps/textures/e2e/red.tga", Targa(4, 4, std::vector<RgbPixel>(16, {200, 40, 40})));
    const std::string shader = home.Write("e2e.shader", "textures/e2e/redwall\n{\n\t{\n\t\tmap "
                                                        "textures/e2e/red.tga\n\t}\n}\n");
    dialogs.AnswerFile({MStr(shader.c_str())}, 1);
    MFindMenuItem(window->menuBar(), 33066)->trigger();
    // Without the folder the texture is not found.
    EXPECT_EQ(RedPixels(), 0);

    const QString folder = QString::fromStdString((home.Path() / "maps").string());
    Configure(
        [&](CConfigSheet& sheet)
        {
            // Pictures of the pages for a person to look at.
            const fs::path shots = BinDir().parent_path() / "screenshots";
            fs::create_directories(shots);
            const char* names[] = {"keyboard", "controls", "misc", "color"};
            for (int i : {0, 1, 3, 2})
            {
                sheet.Tabs()->setCurrentIndex(i);
                QApplication::processEvents();
                const fs::path file = shots / (std::string("configure-") + names[i] + ".png");
                EXPECT_TRUE(sheet.grab().toImage().save(QString::fromStdString(file.string())));
            }
            QTimer::singleShot(50,
                               [&]
                               {
                                   auto* picker = qobject_cast<CDirPickerDlg*>(
                                       QApplication::activeModalWidget());
                                   ASSERT_NE(picker, nullptr);
                                   QLineEdit* path = picker->PathField();
                                   path->clear();
                                   QTest::keyClicks(path, folder);
                                   picker->findChild<QPushButton*>("OK")->click();
                               });
            sheet.UndoPage()->AddPathButton()->click();
            EXPECT_EQ(sheet.UndoPage()->PathList()->count(), 1);
            sheet.grab().toImage().save(
                QString::fromStdString((shots / "configure-misc-added.png").string()));
            // And a background colour of the user's own.
            sheet.ColorPage()->List()->setCurrentRow(COLOUR_BACKGROUND);
            sheet.ColorPage()->OtherColor();
            sheet.OkButton()->click();
        });

    // Saved at once: the configuration file holds the folder.
    const std::string bytes =
        ReadWholeFile(home.Path() / "program" / g_Config.m_ConfigFileName.c_str());
    EXPECT_NE(bytes.find(folder.toStdString() + "/"), std::string::npos);
    EXPECT_GT(RedPixels(), 100);
    // The material view clears to the configured background.
    const QImage view = g_ViewPanes[0]->grab().toImage();
    EXPECT_EQ(QColor(view.pixel(5, view.height() - 5)), QColor(10, 60, 90));
}
