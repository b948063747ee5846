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
#include "MKeyBinding.h"
#include "MMenu.h"
#include "MPrivateEvent.h"
#include "MSystemManager.h"
#include "MUndoList.h"
#include "MUndoNodes.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "WorkModal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{
int Done()
{
    return 1;
}

// The globals the dialog edits, with a menu, a registry of four actions and
// one binding, in a temporary program folder. The fixture answers dialogs by
// script and counts the scene-changed messages the main window would get.
class ConfigureTest : public ::testing::Test, public QObject, public ScriptedDialogs
{
  protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", (home.Path() / "config").c_str(), 1);
        g_Config.m_ProgramFolder = home.Path().string() + "/";
        MSetMessageTarget(this);
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
        Reset();
        g_SystemManager.GetImageSearchPaths().AddString("/textures/");
    }
    void TearDown() override
    {
        MSetMessageTarget(nullptr);
        SetSystemManager(previousManager);
        g_KeyBindingTable.Clear();
        g_ActionRegistry.Clear();
        Reset();
    }
    static void Reset()
    {
        g_UndoList.SetLimit(-1);
        ResetDisplayColours();
        MConfig::DefaultControls(g_Config.m_Controls);
        g_SystemManager.GetImageSearchPaths().RemoveAll();
    }
    bool AskColour(QWidget*, uint32_t& colour) override
    {
        if (colours.empty())
            return false;
        colour = colours.front();
        colours.pop_front();
        return true;
    }
    bool event(QEvent* e) override
    {
        sceneChanged += e->type() == QEvent::Type(UM_SCENE_CHANGED);
        return true;
    }
    // Runs Options > Configure..., lets act edit the open sheet, then presses
    // OK or Cancel.
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
    QString MenuText(int id) const { return MFindMenuItem(&bar, id)->text(); }

    TempDir home;
    MSystemManager* previousManager = nullptr;
    QMenuBar bar;
    std::deque<uint32_t> colours;
    int sceneChanged = 0;
};

TEST_F(ConfigureTest, OkCopiesEveryPageBackAndSavesCancelKeepsEverything)
{
    const fs::path cfg = home.Path() / g_Config.m_ConfigFileName.c_str();
    for (bool ok : {false, true})
    {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        sceneChanged = 0;
        // An edit on every page: a key, a control, the undo limit, a path and
        // a colour.
        Configure(
            [&](CConfigSheet& sheet)
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
                colours.push_back(MakeColourValue(1, 2, 3));
                sheet.ColorPage()->List()->setCurrentRow(COLOUR_GRID);
                sheet.ColorPage()->OtherColor();
            },
            ok);
        EXPECT_EQ(sceneChanged, 1);
        MKeyBinding* front = g_KeyBindingTable.FindByAction("KViewportFront");
        const MStrList& paths = g_SystemManager.GetImageSearchPaths();
        EXPECT_EQ(front && front->m_KeyCode == 'T', ok);
        EXPECT_EQ(g_Config.m_Controls[0].shift, ok ? 1 : 0);
        EXPECT_EQ(g_Config.m_Controls[0].alt, 1);
        EXPECT_EQ(g_UndoList.GetLimit(), ok ? 30 : -1);
        ASSERT_EQ(paths.GetCount(), ok ? 2 : 1);
        EXPECT_EQ(paths.GetString(paths.GetCount() - 1), MStr(ok ? "/more/" : "/textures/"));
        EXPECT_EQ(g_ColourValues[COLOUR_GRID],
                  ok ? MakeColourValue(1, 2, 3) : kDefaultColourValues[COLOUR_GRID]);
        EXPECT_EQ(g_ColourValues[COLOUR_BACKGROUND], kDefaultColourValues[COLOUR_BACKGROUND]);
        // OK saves at once: the configuration file holds the path and the limit.
        const std::string bytes = fs::exists(cfg) ? ReadWholeFile(cfg) : "";
        EXPECT_EQ(bytes.find("/more/") != std::string::npos, ok);
        EXPECT_EQ(bytes.find("UMaxNodes") != std::string::npos, ok);
        EXPECT_EQ(fs::exists(home.Path() / g_Config.m_KeyFileName.c_str()), ok);
    }
}

TEST_F(ConfigureTest, AssignTakesTheKeyAwayAndTheMenusShowExactlyTheBoundShortcuts)
{
    EXPECT_EQ(MenuText(57600), "&New\tCtrl+N");
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
            keys->SetNewKey('N', true, true, false);
            EXPECT_EQ(keys->UsedByField()->text(), "<None>");
            keys->ShiftBox()->setChecked(false);
            EXPECT_EQ(keys->UsedByField()->text(), "Main - File New");
            EXPECT_TRUE(keys->AssignButton()->isEnabled());
            keys->Assign();
            EXPECT_EQ(keys->CurrentShortcutField()->text(), "Ctrl+N");
            // Assigning clears the new key; the boxes show the command's binding.
            EXPECT_FALSE(keys->AssignButton()->isEnabled());
            EXPECT_TRUE(keys->NewShortcutField()->text().isEmpty());
            EXPECT_TRUE(keys->CtrlBox()->isChecked() && !keys->ShiftBox()->isChecked());
            // Only the newly assigned command has the key now.
            EXPECT_EQ(keys->Table().FindByAction("KFileNew"), nullptr);
            // The real menus are left alone until OK.
            EXPECT_EQ(MenuText(57600), "&New\tCtrl+N");
            EXPECT_EQ(MenuText(57601), "&Open ...");
        },
        true);
    EXPECT_EQ(g_KeyBindingTable.FindByAction("KFileNew"), nullptr);
    EXPECT_EQ(g_KeyBindingTable.FindByKey('N', "", true, false, false)->m_Action->GetName(),
              MStr("KFileOpen"));
    EXPECT_EQ(MenuText(57600), "&New");
    EXPECT_EQ(MenuText(57601), "&Open ...\tCtrl+N");
}

TEST_F(ConfigureTest, PressAKeyCapturesModifiersAndIgnoresSystemKeys)
{
    // The keys pressed (a negative key is released), and the capture they
    // give as key, Shift, Ctrl; key 0: the capture goes on.
    const std::pair<std::vector<int>, std::array<int, 3>> cases[] = {
        {{Qt::Key_Control, Qt::Key_Shift, Qt::Key_D}, {'D', 1, 1}},
        {{Qt::Key_Shift, -Qt::Key_Shift, Qt::Key_F5}, {116, 0, 0}}, // Shift let go first
        {{Qt::Key_Alt, Qt::Key_X}, {0, 0, 0}},                      // a system key
        {{Qt::Key_Space}, {32, 0, 0}},
    };
    for (const auto& [keys, capture] : cases)
    {
        CPressKeyDlg dlg;
        dlg.show();
        for (int key : keys)
            key > 0 ? QTest::keyPress(&dlg, Qt::Key(key)) : QTest::keyRelease(&dlg, Qt::Key(-key));
        EXPECT_EQ(dlg.result() == QDialog::Accepted, capture[0] != 0) << capture[0];
        EXPECT_EQ((std::array<int, 3>{int(dlg.GetKey()), dlg.GetShift() && capture[0],
                                      dlg.GetCtrl() && capture[0]}),
                  capture);
    }
    // The page's button runs the capture; the text reads Alt, Shift, Ctrl, key.
    CKeyConfigPage page;
    page.Load(g_KeyBindingTable);
    QTimer::singleShot(0,
                       []
                       {
                           for (Qt::Key key : {Qt::Key_Control, Qt::Key_Shift, Qt::Key_Delete})
                               QTest::keyPress(QApplication::activeModalWidget(), key);
                       });
    page.PressKeyButton()->click();
    EXPECT_EQ(page.NewShortcutField()->text(), "Shift+Ctrl+Delete");
}

TEST_F(ConfigureTest, SavePlainTextAsksForATextFileAndWritesTheWorkingTable)
{
    CKeyConfigPage page;
    page.Load(g_KeyBindingTable);
    const fs::path out = home.Path() / "keys.txt";
    CancelFile();
    AnswerFile({MStr(out.string().c_str())});
    page.SavePlainText();
    EXPECT_FALSE(fs::exists(out));
    page.SavePlainText();
    ASSERT_EQ(fileRequests.size(), 2u);
    EXPECT_EQ(fileRequests[0].kind, MFileDialogRequest::Save);
    EXPECT_EQ(fileRequests[0].filter, MStr("Text Files (*.txt)|*.txt||"));
    EXPECT_EQ(ReadWholeFile(out), "\"KFileNew\" = Ctrl+N \"Main\"\r\n");
}

TEST_F(ConfigureTest, ControlsPageKeepsTheBoxesOfEachRecordAcrossSwitches)
{
    CControlConfig page;
    page.Load(g_Config.m_Controls);
    // Orbit View (Alt + left) is shown first, then Pan View (Alt + middle).
    EXPECT_TRUE(page.Box(2)->isChecked() && page.Box(3)->isChecked());
    page.Box(0)->setChecked(true); // Shift on Orbit View
    page.List()->setCurrentRow(1);
    EXPECT_TRUE(!page.Box(0)->isChecked() && page.Box(4)->isChecked());
    page.Box(4)->setChecked(false);
    page.Box(5)->setChecked(true); // right instead of middle
    page.List()->setCurrentRow(0);
    EXPECT_TRUE(page.Box(0)->isChecked());
    page.List()->setCurrentRow(1);
    EXPECT_TRUE(page.Box(5)->isChecked() && !page.Box(4)->isChecked());
    // The record shown last is stored on OK, not only on a switch.
    page.Box(1)->setChecked(true);
    page.StoreShown();
    // Records not listed keep their values.
    EXPECT_EQ(
        std::tuple(page.Controls()[1].ctrl, page.Controls()[0].shift, page.Controls()[4].left),
        std::tuple(1, 1, 1));
}

TEST_F(ConfigureTest, UndoLimitRoundTripNeverBelowOneNode)
{
    CUndoConfigPage page;
    // An unlimited list opens unchecked and shows 15 once checked.
    page.LoadFromUndoList(g_UndoList);
    EXPECT_FALSE(page.LimitBox()->isChecked());
    page.MaximumField()->setValue(40); // ignored while there is no limit
    page.LimitBox()->setChecked(true);
    EXPECT_EQ(page.MaximumField()->value(), 15);
    page.Spin(-1); // the platform's negative change raises the maximum
    EXPECT_EQ(page.MaximumField()->value(), 16);
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
    EXPECT_EQ(std::pair(again.MaximumField()->value(), again.CurrentField()->text()),
              std::pair(7, QString("3")));
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
            EXPECT_EQ(page->List()->item(COLOUR_Z_AXIS)->text(), "Z Axis");
            page->List()->setCurrentRow(COLOUR_BACKGROUND);
            page->ResetAllToDefault();
            EXPECT_EQ(page->OldButton()->GetColor(), MakeColourValue(9, 9, 9));
            EXPECT_EQ(page->NewButton()->GetColor(), kDefaultColourValues[COLOUR_BACKGROUND]);
            EXPECT_EQ(page->OldColours(), before);
            page->OtherColor(); // a cancelled chooser changes nothing
            EXPECT_EQ(page->NewColours(), kDefaultColourValues);
        },
        false);
    EXPECT_EQ(g_ColourValues, before);
}

TEST_F(ConfigureTest, EveryControlIsNamedByItsCaptionAndLaidOutBesideItsLabel)
{
    CConfigSheet sheet;
    sheet.show();
    QTabWidget* tabs = sheet.Tabs();
    EXPECT_EQ(sheet.windowTitle(), "Configuration");
    const char* titles[] = {"Keyboard", "Controls", "Misc", "Color"};
    ASSERT_EQ(tabs->count(), 4);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(tabs->widget(i)->accessibleName(), titles[i]);
        EXPECT_EQ(tabs->tabText(i), titles[i]);
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const auto parts = tabs->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : parts)
            for (QWidget* b : parts)
                EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry())) << titles[i];
    }
    for (QWidget* w : sheet.findChildren<QWidget*>())
    {
        auto* b = qobject_cast<QAbstractButton*>(w);
        EXPECT_TRUE(!b || b->text().isEmpty() || b->accessibleName() == b->text().remove('&'))
            << w->accessibleName().toStdString();
        // A label stands left of or above the control it names.
        const auto* label = qobject_cast<QLabel*>(w);
        EXPECT_TRUE(!label || !label->buddy() ||
                    (label->x() <= label->buddy()->x() && label->y() <= label->buddy()->y()));
        // A spin box's own editor is part of the spin box.
        const bool control = b || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QListWidget*>(w) || qobject_cast<QAbstractSpinBox*>(w);
        EXPECT_TRUE(!control || !w->accessibleName().isEmpty() ||
                    qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
            << w->metaObject()->className();
    }
}
} // namespace
