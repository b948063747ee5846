// The configuration dialog: its pages edit working copies, OK copies them
// back and saves, Cancel keeps everything. Dialogs are answered by script.
#include "CColorConfigPage.h"
#include "CColorbutton.h"
#include "CConfigSheet.h"
#include "CControlConfig.h"
#include "CKeyConfigPage.h"
#include "CPressKeyDlg.h"
#include "CUndoConfigPage.h"
#include "Globals.h"
#include "KActions.h"
#include "MAction.h"
#include "MFile.h"
#include "MKeyBinding.h"
#include "MMenu.h"
#include "MPrivateEvent.h"
#include "MSystemManager.h"
#include "MUndoList.h"
#include "MUndoNodes.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "WorkModal.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace fs = std::filesystem;

namespace
{
int Done()
{
    return 1;
}

// Scripted dialogs that also answer the colour chooser.
class ColourDialogs : public ScriptedDialogs
{
  public:
    bool AskColour(QWidget*, uint32_t& colour) override
    {
        if (colours.empty())
            return false;
        colour = colours.front();
        colours.pop_front();
        return true;
    }
    std::deque<uint32_t> colours;
};

// Counts the scene-changed messages the main window would get.
class MessageCounter : public QObject
{
  public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::Type(UM_SCENE_CHANGED))
            ++sceneChanged;
        return true;
    }
    int sceneChanged = 0;
};

// The globals the dialog edits, with a menu, a registry of four actions
// and one binding, all in a temporary program folder.
class ConfigureTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", (home.Path() / "config").c_str(), 1);
        g_Config.m_ProgramFolder = home.Path().string() + "/";
        MSetMessageTarget(&counter);
        previousManager = GetSystemManager();
        SetSystemManager(&g_SystemManager);
        QMenu* file = bar.addMenu("&File");
        MSetCommandId(file->addAction("&New"), 57600);
        MSetCommandId(file->addAction("&Open ..."), 57601);
        g_ActionRegistry.RegisterAction("KFileNew", "File New", "Main", Done,
                                        MMenuItemRef(&bar, 57600));
        g_ActionRegistry.RegisterAction("KFileOpen", "File Open", "Main", Done,
                                        MMenuItemRef(&bar, 57601));
        g_ActionRegistry.RegisterAction("KViewportTop", "Top View", "View", Done);
        g_ActionRegistry.RegisterAction("KViewportFront", "Front View", "View", Done);
        g_KeyBindingTable.SetActionRegistry(&g_ActionRegistry);
        g_KeyBindingTable.AddBinding("KFileNew", "Main", 'N', true, false, false);
        g_UndoList.Purge();
        g_UndoList.SetLimit(-1);
        ResetDisplayColours();
        MConfig::DefaultControls(g_Config.m_Controls);
        g_SystemManager.GetImageSearchPaths().RemoveAll();
        g_SystemManager.GetImageSearchPaths().AddString("/textures/");
    }
    void TearDown() override
    {
        MSetMessageTarget(nullptr);
        SetSystemManager(previousManager);
        g_KeyBindingTable.Clear();
        g_ActionRegistry.Clear();
        g_UndoList.SetLimit(-1);
        ResetDisplayColours();
        MConfig::DefaultControls(g_Config.m_Controls);
        g_SystemManager.GetImageSearchPaths().RemoveAll();
    }

    // Runs Options > Configure..., lets act edit the open sheet, then
    // presses OK or Cancel.
    void Configure(const std::function<void(CConfigSheet&)>& act, bool ok)
    {
        EXPECT_TRUE(WorkModal<CConfigSheet>(
            0,
            [&](CConfigSheet& sheet)
            {
                act(sheet);
                (ok ? sheet.OkButton() : sheet.CancelButton())->click();
            },
            [] { EXPECT_EQ(KOptionsConfigure(), 1); }));
    }

    // An edit on every page: a key, a control, the undo limit, a path and
    // two colours.
    void EditEveryPage(CConfigSheet& sheet)
    {
        CKeyConfigPage* keys = sheet.KeyPage();
        keys->Categories()->setCurrentText("View");
        keys->Commands()->setCurrentRow(0);
        keys->SetNewKey('T', false, false, false);
        keys->Assign();
        sheet.ControlPage()->Box(0)->setChecked(true);
        sheet.UndoPage()->LimitBox()->setChecked(true);
        sheet.UndoPage()->MaximumField()->setValue(30);
        sheet.UndoPage()->AddPathText("/more");
        sheet.UndoPage()->AddPathText("/wrong/");
        sheet.UndoPage()->PathList()->setCurrentRow(2);
        sheet.UndoPage()->RemovePathButton()->click();
        dialogs.colours.push_back(MakeColourValue(1, 2, 3));
        sheet.ColorPage()->List()->setCurrentRow(COLOUR_GRID);
        sheet.ColorPage()->OtherColor();
    }

    TempDir home;
    MSystemManager* previousManager = nullptr;
    QMenuBar bar;
    MessageCounter counter;
    ColourDialogs dialogs;
};

QString MenuText(const QMenuBar& bar, int id)
{
    return MFindMenuItem(&bar, id)->text();
}
} // namespace

TEST_F(ConfigureTest, OkCopiesEveryPageBackAndSavesCancelKeepsEverything)
{
    const fs::path cfg = home.Path() / g_Config.m_ConfigFileName.c_str();
    for (bool ok : {false, true})
    {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        counter.sceneChanged = 0;
        Configure([&](CConfigSheet& sheet) { EditEveryPage(sheet); }, ok);
        EXPECT_EQ(counter.sceneChanged, 1);
        MKeyBinding* top = g_KeyBindingTable.FindByAction("KViewportFront");
        const MStrList& paths = g_SystemManager.GetImageSearchPaths();
        if (!ok)
        {
            EXPECT_EQ(top, nullptr);
            EXPECT_EQ(g_Config.m_Controls[0].shift, 0);
            EXPECT_EQ(g_UndoList.GetLimit(), -1);
            EXPECT_EQ(paths.GetCount(), 1);
            EXPECT_EQ(g_ColourValues, kDefaultColourValues);
            EXPECT_FALSE(fs::exists(cfg));
            continue;
        }
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->m_KeyCode, 'T');
        EXPECT_EQ(g_Config.m_Controls[0].shift, 1);
        EXPECT_EQ(g_Config.m_Controls[0].alt, 1);
        EXPECT_EQ(g_UndoList.GetLimit(), 30);
        ASSERT_EQ(paths.GetCount(), 2);
        EXPECT_EQ(paths.GetString(1), MStr("/more/"));
        EXPECT_EQ(g_ColourValues[COLOUR_GRID], MakeColourValue(1, 2, 3));
        EXPECT_EQ(g_ColourValues[COLOUR_BACKGROUND], kDefaultColourValues[COLOUR_BACKGROUND]);
        // Saved at once: the configuration file holds the path and the limit.
        std::string bytes;
        ASSERT_TRUE(MFile::ReadWhole(MStr(cfg.string().c_str()), bytes));
        EXPECT_NE(bytes.find("/more/"), std::string::npos);
        EXPECT_NE(bytes.find("UMaxNodes"), std::string::npos);
        EXPECT_TRUE(fs::exists(home.Path() / g_Config.m_KeyFileName.c_str()));
    }
}

TEST_F(ConfigureTest, AssignTakesTheKeyAwayAndTheMenusShowExactlyTheBoundShortcuts)
{
    EXPECT_EQ(MenuText(bar, 57600), "&New\tCtrl+N");
    Configure(
        [&](CConfigSheet& sheet)
        {
            CKeyConfigPage* keys = sheet.KeyPage();
            keys->Categories()->setCurrentText("Main");
            // The commands of the category, newest first, by description.
            ASSERT_EQ(keys->Commands()->count(), 2);
            EXPECT_EQ(keys->Commands()->item(0)->text(), "File Open");
            keys->Commands()->setCurrentRow(0);
            EXPECT_EQ(keys->CurrentShortcutField()->text(), "< undefined >");
            EXPECT_FALSE(keys->AssignButton()->isEnabled());
            keys->SetNewKey('N', false, true, false);
            EXPECT_EQ(keys->UsedByField()->text(), "Main - File New");
            EXPECT_TRUE(keys->AssignButton()->isEnabled());
            keys->Assign();
            EXPECT_EQ(keys->CurrentShortcutField()->text(), "Ctrl+N");
            EXPECT_FALSE(keys->AssignButton()->isEnabled());
            EXPECT_TRUE(keys->NewShortcutField()->text().isEmpty());
            // Only the newly assigned command has the key now.
            EXPECT_EQ(keys->Table().FindByAction("KFileNew"), nullptr);
            keys->SetNewKey('Q', false, false, false);
            EXPECT_EQ(keys->UsedByField()->text(), "<None>");
            // The real menus are left alone until OK.
            EXPECT_EQ(MenuText(bar, 57600), "&New\tCtrl+N");
            EXPECT_EQ(MenuText(bar, 57601), "&Open ...");
        },
        true);
    EXPECT_EQ(g_KeyBindingTable.FindByAction("KFileNew"), nullptr);
    EXPECT_EQ(g_KeyBindingTable.FindByKey('N', "", true, false, false)->m_Action->GetName(),
              MStr("KFileOpen"));
    EXPECT_EQ(MenuText(bar, 57600), "&New");
    EXPECT_EQ(MenuText(bar, 57601), "&Open ...\tCtrl+N");
}

// A capture: the keys pressed (a negative key is released) and what it gives.
TEST_F(ConfigureTest, PressAKeyCapturesModifiersAndIgnoresSystemKeys)
{
    struct Case
    {
        std::vector<int> keys;
        unsigned key; // 0: the capture goes on
        bool shift, ctrl;
    } cases[] = {
        {{Qt::Key_Control, Qt::Key_Shift, Qt::Key_D}, 'D', true, true},
        // A modifier let go before the key no longer counts.
        {{Qt::Key_Shift, -Qt::Key_Shift, Qt::Key_F5}, 116, false, false},
        // With Alt held the key is a system key and the capture goes on.
        {{Qt::Key_Alt, Qt::Key_X}, 0, false, false},
        {{Qt::Key_Space}, 32, false, false},
    };
    for (const Case& c : cases)
    {
        CPressKeyDlg dlg;
        dlg.show();
        for (int key : c.keys)
            key > 0 ? QTest::keyPress(&dlg, Qt::Key(key)) : QTest::keyRelease(&dlg, Qt::Key(-key));
        EXPECT_EQ(dlg.result() == QDialog::Accepted, c.key != 0) << c.key;
        EXPECT_EQ(dlg.GetKey(), c.key);
        EXPECT_EQ(dlg.GetShift() && c.key, c.shift);
        EXPECT_EQ(dlg.GetCtrl() && c.key, c.ctrl);
    }
    // The page's button runs the capture; the text reads Alt, Shift, Ctrl, key.
    CKeyConfigPage page;
    page.Load(g_KeyBindingTable);
    QTimer::singleShot(0,
                       []
                       {
                           QWidget* capture = QApplication::activeModalWidget();
                           QTest::keyPress(capture, Qt::Key_Control);
                           QTest::keyPress(capture, Qt::Key_Shift);
                           QTest::keyPress(capture, Qt::Key_Delete);
                       });
    page.PressKeyButton()->click();
    EXPECT_EQ(page.NewShortcutField()->text(), "Shift+Ctrl+Delete");
    EXPECT_TRUE(page.ShiftBox()->isChecked() && page.CtrlBox()->isChecked());
    page.AltBox()->setChecked(true);
    EXPECT_EQ(page.NewShortcutField()->text(), "Alt+Shift+Ctrl+Delete");
}

TEST_F(ConfigureTest, SavePlainTextAsksForATextFileAndWritesTheWorkingTable)
{
    CKeyConfigPage page;
    page.Load(g_KeyBindingTable);
    const fs::path out = home.Path() / "keys.txt";
    dialogs.CancelFile();
    dialogs.AnswerFile({MStr(out.string().c_str())});
    page.SavePlainText();
    EXPECT_FALSE(fs::exists(out));
    page.SavePlainText();
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[0].kind, MFileDialogRequest::Save);
    EXPECT_EQ(dialogs.fileRequests[0].defaultExtension, MStr("TXT"));
    EXPECT_EQ(dialogs.fileRequests[0].filter, MStr("Text Files (*.txt)|*.txt||"));
    std::string text;
    ASSERT_TRUE(MFile::ReadWhole(MStr(out.string().c_str()), text));
    EXPECT_EQ(text, "\"KFileNew\" = Ctrl+N \"Main\"\r\n");
}

TEST_F(ConfigureTest, ControlsPageKeepsTheBoxesOfEachRecordAcrossSwitches)
{
    CControlConfig page;
    page.Load(g_Config.m_Controls);
    // Orbit View (Alt + left) is shown first.
    EXPECT_TRUE(page.Box(2)->isChecked());
    EXPECT_TRUE(page.Box(3)->isChecked());
    page.Box(0)->setChecked(true); // Shift on Orbit View
    page.List()->setCurrentRow(1); // Pan View: Alt + middle
    EXPECT_FALSE(page.Box(0)->isChecked());
    EXPECT_TRUE(page.Box(4)->isChecked());
    page.Box(4)->setChecked(false);
    page.Box(5)->setChecked(true); // right instead of middle
    page.List()->setCurrentRow(0);
    EXPECT_TRUE(page.Box(0)->isChecked());
    page.List()->setCurrentRow(1);
    EXPECT_TRUE(page.Box(5)->isChecked());
    EXPECT_FALSE(page.Box(4)->isChecked());
    // The record shown last is stored on OK, not only on a switch.
    page.Box(1)->setChecked(true);
    page.StoreShown();
    EXPECT_EQ(page.Controls()[1].ctrl, 1);
    EXPECT_EQ(page.Controls()[0].shift, 1);
    // Records the page does not list keep their values.
    EXPECT_EQ(page.Controls()[4].left, 1);
}

TEST_F(ConfigureTest, UndoLimitRoundTrip)
{
    CUndoConfigPage page;
    // An unlimited list opens unchecked and shows 15 once checked.
    page.LoadFromUndoList(g_UndoList);
    EXPECT_FALSE(page.LimitBox()->isChecked());
    page.LimitBox()->setChecked(true);
    EXPECT_EQ(page.MaximumField()->text(), "15");
    // The platform's negative change raises the maximum.
    page.Spin(-1);
    EXPECT_EQ(page.MaximumField()->value(), 16);
    // It never goes below one node, which the undo list would refuse.
    page.MaximumField()->setValue(0);
    EXPECT_EQ(page.Settings().maximum, 1);
    page.MaximumField()->setValue(7);
    ASSERT_TRUE(page.ApplyToUndoList(g_UndoList));
    EXPECT_EQ(g_UndoList.GetLimit(), 7);

    // A limited list opens checked with its limit; unchecking gives no limit.
    for (int i = 0; i < 3; ++i)
        g_UndoList.AddNode(new MSelectUndoNode());
    CUndoConfigPage again;
    again.LoadFromUndoList(g_UndoList);
    EXPECT_TRUE(again.LimitBox()->isChecked());
    EXPECT_EQ(again.MaximumField()->value(), 7);
    EXPECT_EQ(again.CurrentField()->text(), "3");
    again.LimitBox()->setChecked(false);
    ASSERT_TRUE(again.ApplyToUndoList(g_UndoList));
    EXPECT_EQ(g_UndoList.GetLimit(), -1);
}

TEST_F(ConfigureTest, ResetAllToDefaultChangesOnlyTheNewColoursAndCancelKeepsThem)
{
    g_ColourValues[COLOUR_BACKGROUND] = MakeColourValue(9, 9, 9);
    const auto before = g_ColourValues;
    Configure(
        [&](CConfigSheet& sheet)
        {
            CColorConfigPage* page = sheet.ColorPage();
            EXPECT_EQ(page->List()->count(), kDisplayColourCount);
            EXPECT_EQ(page->List()->item(COLOUR_Z_AXIS)->text(), "Z Axis");
            page->List()->setCurrentRow(COLOUR_BACKGROUND);
            page->ResetAllToDefault();
            EXPECT_EQ(page->OldButton()->GetColor(), MakeColourValue(9, 9, 9));
            EXPECT_EQ(page->NewButton()->GetColor(), kDefaultColourValues[COLOUR_BACKGROUND]);
            EXPECT_EQ(page->OldColours(), before);
            // A cancelled chooser changes nothing.
            page->OtherColor();
            EXPECT_EQ(page->NewColours(), kDefaultColourValues);
        },
        false);
    EXPECT_EQ(g_ColourValues, before);
    EXPECT_EQ(GetDisplayColour(COLOUR_BACKGROUND), MakeColourValue(9, 9, 9));
}

TEST_F(ConfigureTest, EveryControlIsNamedByItsCaptionOrLabel)
{
    CConfigSheet sheet;
    QTabWidget* tabs = sheet.Tabs();
    ASSERT_EQ(tabs->count(), 4);
    const char* titles[] = {"Keyboard", "Controls", "Misc", "Color"};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(tabs->tabText(i), titles[i]);
        EXPECT_EQ(tabs->widget(i)->accessibleName(), titles[i]);
    }
    EXPECT_EQ(sheet.windowTitle(), "Configuration");
    for (QWidget* w : sheet.findChildren<QWidget*>())
    {
        auto* b = qobject_cast<QAbstractButton*>(w);
        if (b && !b->text().isEmpty())
        {
            EXPECT_EQ(b->accessibleName(), b->text().remove('&'));
        }
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
            qobject_cast<QComboBox*>(w) || qobject_cast<QListWidget*>(w) ||
            qobject_cast<QAbstractSpinBox*>(w))
        {
            // The spin box's own editor is part of the spin box.
            if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
                continue;
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        }
    }
}
