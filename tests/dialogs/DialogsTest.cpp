// The configuration dialog, picture button, tool tip, folder chooser, colour picker and BMP reader.
#include "CColorConfigPage.h"
#include "CColorPickerDlg.h"
#include "CColorbutton.h"
#include "CConfigSheet.h"
#include "CControlConfig.h"
#include "CDirPickerDlg.h"
#include "CImageButton.h"
#include "CKeyConfigPage.h"
#include "CPressKeyDlg.h"
#include "CUndoConfigPage.h"
#include "Globals.h"
#include "KActions.h"
#include "MAction.h"
#include "MDIBImage.h"
#include "MMenu.h"
#include "MPrivateEvent.h"
#include "MToolTipWnd.h"
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
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{
int g_Runs = 0;
int CountRun()
{
    ++g_Runs;
    return 1;
}

// In a temporary program folder: a menu, five actions, Ctrl+N bound to File New and a
// picture button for it. Dialogs are answered by script; scene-changed messages counted.
class DialogTest : public ::testing::Test, public QObject, public ScriptedDialogs
{
  protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", (home.Path() / "config").c_str(), 1);
        g_Config.m_ProgramFolder = home.Path().string() + "/";
        MSetMessageTarget(this);
        SetSystemManager(&g_SystemManager);
        QMenu* file = bar.addMenu("&File");
        MSetCommandId(file->addAction("&New"), 57600);
        MSetCommandId(file->addAction("&Open ..."), 57601);
        g_ActionRegistry.RegisterAction("KFileNew", "File New", "Main", CountRun,
                                        MMenuItemRef(&bar, 57600));
        g_ActionRegistry.RegisterAction("KFileOpen", "File Open", "Main", CountRun,
                                        MMenuItemRef(&bar, 57601));
        g_ActionRegistry.RegisterAction("KViewportTop", "Top View", "View", CountRun);
        g_ActionRegistry.RegisterAction("KViewportFront", "Front View", "View", CountRun);
        g_ActionRegistry.RegisterAction("KTestQuiet", "", "Tools", CountRun);
        g_KeyBindingTable.SetActionRegistry(&g_ActionRegistry);
        g_KeyBindingTable.AddBinding("KFileNew", "Main", 'N', true, false, false);
        g_UndoList.Purge();
        g_SystemManager.GetImageSearchPaths().AddString("/textures/");
        g_Runs = 0;
        button.SetActionName("KFileNew");
        button.resize(32, 32);
        button.show();
    }
    void TearDown() override
    {
        MSetMessageTarget(nullptr);
        g_KeyBindingTable.Clear();
        g_ActionRegistry.Clear();
        DestroyToolTip();
        g_UndoList.SetLimit(-1);
        ResetDisplayColours();
        MConfig::DefaultControls(g_Config.m_Controls);
        g_SystemManager.GetImageSearchPaths().RemoveAll();
    }
    bool AskColour(QWidget*, uint32_t& answer) override
    {
        const bool chosen = colour != 0;
        answer = chosen ? std::exchange(colour, 0u) : answer;
        return chosen;
    }
    bool event(QEvent* e) override
    {
        sceneChanged += e->type() == QEvent::Type(UM_SCENE_CHANGED);
        return true;
    }
    // Runs Options > Configure..., lets act edit the open sheet, then presses OK or Cancel.
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
    QMenuBar bar;
    CImageButton button;
    uint32_t colour = 0; // the next colour chosen, 0 to cancel
    int sceneChanged = 0;
};

TEST_F(DialogTest, OkCopiesEveryPageBackAndSavesCancelKeepsEverything)
{
    const fs::path cfg = home.Path() / g_Config.m_ConfigFileName.c_str();
    const uint32_t grey = MakeColourValue(9, 9, 9), chosen = MakeColourValue(1, 2, 3);
    for (bool ok : {false, true})
    {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        sceneChanged = 0;
        const long logged = g_SystemManager.GetLogLineCount();
        g_ColourValues[COLOUR_BACKGROUND] = grey;
        // An edit on every page: a key, a control, the undo limit, a path and the colours.
        Configure(
            [&](CConfigSheet& sheet)
            {
                CKeyConfigPage* keys = sheet.KeyPage();
                keys->Categories()->setCurrentText("View");
                keys->Commands()->setCurrentRow(0);
                keys->SetNewKey('T', false, false, false);
                keys->Assign();
                sheet.ControlPage()->Box(0)->setChecked(true);
                CUndoConfigPage* misc = sheet.UndoPage();
                misc->LimitBox()->setChecked(true);
                misc->MaximumField()->setValue(30);
                misc->AddPathText("/more");
                misc->AddPathText("/wrong/");
                misc->PathList()->setCurrentRow(2);
                misc->RemovePathButton()->click();
                // Reset All changes only the new colours; a cancelled chooser changes nothing.
                CColorConfigPage* colours = sheet.ColorPage();
                colours->List()->setCurrentRow(COLOUR_BACKGROUND);
                colours->ResetAllToDefault();
                EXPECT_EQ(
                    std::pair(colours->OldButton()->GetColor(), colours->NewButton()->GetColor()),
                    std::pair(grey, kDefaultColourValues[COLOUR_BACKGROUND]));
                EXPECT_EQ(colours->NewColours(), kDefaultColourValues);
                colours->List()->setCurrentRow(COLOUR_GRID);
                colour = chosen;
                colours->OtherColor();
                colours->OtherColor();
            },
            ok);
        EXPECT_EQ(std::pair(sceneChanged, g_SystemManager.GetLogLineCount()), std::pair(1, logged));
        MKeyBinding* front = g_KeyBindingTable.FindByAction("KViewportFront");
        const MStrList& paths = g_SystemManager.GetImageSearchPaths();
        EXPECT_EQ(front && front->m_KeyCode == 'T', ok);
        EXPECT_EQ(g_Config.m_Controls[0].shift + 2 * g_Config.m_Controls[0].alt, ok ? 3 : 2);
        EXPECT_EQ(g_UndoList.GetLimit(), ok ? 30 : -1);
        ASSERT_EQ(paths.GetCount(), ok ? 2 : 1);
        EXPECT_EQ(paths.GetString(paths.GetCount() - 1), MStr(ok ? "/more/" : "/textures/"));
        EXPECT_EQ(g_ColourValues[COLOUR_GRID], ok ? chosen : kDefaultColourValues[COLOUR_GRID]);
        EXPECT_EQ(g_ColourValues[COLOUR_BACKGROUND],
                  ok ? kDefaultColourValues[COLOUR_BACKGROUND] : grey);
        // OK saves at once: the configuration file holds the limit.
        const std::string bytes = fs::exists(cfg) ? ReadWholeFile(cfg) : "";
        EXPECT_EQ(bytes.find("UMaxNodes") != std::string::npos, ok);
        EXPECT_EQ(fs::exists(home.Path() / g_Config.m_KeyFileName.c_str()), ok);
    }
}

TEST_F(DialogTest, AssignTakesTheKeyAwayAndTheMenusShowExactlyTheBoundShortcuts)
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
            // The new key is cleared; the boxes show the command's binding, the only one
            // with the key. The real menus are left alone until OK.
            EXPECT_EQ(keys->CurrentShortcutField()->text(), "Ctrl+N");
            EXPECT_FALSE(keys->AssignButton()->isEnabled());
            EXPECT_TRUE(keys->NewShortcutField()->text().isEmpty());
            EXPECT_TRUE(keys->CtrlBox()->isChecked() && !keys->ShiftBox()->isChecked());
            EXPECT_EQ(keys->Table().FindByAction("KFileNew"), nullptr);
            EXPECT_EQ(std::pair(MenuText(57600), MenuText(57601)),
                      std::pair(QString("&New\tCtrl+N"), QString("&Open ...")));
        },
        true);
    EXPECT_EQ(g_KeyBindingTable.FindByAction("KFileNew"), nullptr);
    EXPECT_EQ(g_KeyBindingTable.FindByKey('N', "", true, false, false)->m_Action->GetName(),
              MStr("KFileOpen"));
    EXPECT_EQ(std::pair(MenuText(57600), MenuText(57601)),
              std::pair(QString("&New"), QString("&Open ...\tCtrl+N")));
}

TEST_F(DialogTest, KeyCaptureTakesModifiersIgnoresSystemKeysAndSavesAsPlainText)
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
    // The capture keeps the modifier keys, and keys pressed with Alt, to itself.
    CPressKeyDlg dlg;
    for (auto [key, mods] : {std::pair{Qt::Key_Shift, Qt::NoModifier},
                             {Qt::Key_Control, Qt::NoModifier},
                             {Qt::Key_Alt, Qt::NoModifier},
                             {Qt::Key_X, Qt::AltModifier}})
    {
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(&dlg, &press);
        EXPECT_TRUE(press.isAccepted()) << key;
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
    // Save Plain Text asks for a text file and writes the working table.
    const fs::path out = home.Path() / "keys.txt";
    CancelFile();
    AnswerFile({}); // accepted without a file
    AnswerFile({MStr(out.string().c_str())});
    for (int i = 0; i < 3; ++i)
    {
        page.SavePlainText();
        EXPECT_EQ(fs::exists(out), i == 2) << i;
    }
    ASSERT_EQ(fileRequests.size(), 3u);
    EXPECT_EQ(fileRequests[0].kind, MFileDialogRequest::Save);
    EXPECT_EQ(fileRequests[0].filter, MStr("Text Files (*.txt)|*.txt||"));
    EXPECT_EQ(ReadWholeFile(out), "\"KFileNew\" = Ctrl+N \"Main\"\r\n");
}

TEST_F(DialogTest, ControlsPageKeepsTheBoxesOfEachRecordAcrossSwitches)
{
    CControlConfig page;
    page.Load(g_Config.m_Controls);
    // Boxes Shift, Ctrl, Alt, left, middle, right: Orbit View (Alt + left) comes first, then
    // Pan View (Alt + middle).
    EXPECT_TRUE(page.Box(2)->isChecked() && page.Box(3)->isChecked());
    page.Box(0)->setChecked(true);
    page.List()->setCurrentRow(1);
    EXPECT_TRUE(!page.Box(0)->isChecked() && page.Box(4)->isChecked());
    page.Box(4)->setChecked(false);
    page.Box(5)->setChecked(true);
    page.List()->setCurrentRow(0);
    EXPECT_TRUE(page.Box(0)->isChecked());
    page.List()->setCurrentRow(1);
    EXPECT_TRUE(page.Box(5)->isChecked() && !page.Box(4)->isChecked());
    // The record shown last is stored on OK, not only on a switch; the rest keep theirs.
    page.Box(1)->setChecked(true);
    page.StoreShown();
    EXPECT_EQ(
        std::tuple(page.Controls()[1].ctrl, page.Controls()[0].shift, page.Controls()[4].left),
        std::tuple(1, 1, 1));
}

TEST_F(DialogTest, UndoLimitRoundTripNeverBelowOneNode)
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
    EXPECT_EQ(std::tuple(again.LimitBox()->isChecked(), again.MaximumField()->value(),
                         again.CurrentField()->text()),
              std::tuple(true, 7, QString("3")));
    again.LimitBox()->setChecked(false);
    ASSERT_TRUE(again.ApplyToUndoList(g_UndoList));
    EXPECT_EQ(g_UndoList.GetLimit(), -1);
}

TEST_F(DialogTest, EveryControlIsNamedByItsCaptionAndLaidOutBesideItsLabel)
{
    CConfigSheet sheet;
    sheet.show();
    QTabWidget* tabs = sheet.Tabs();
    ASSERT_EQ(tabs->count(), 4);
    for (int i = 0; i < 4; ++i)
    {
        const QString title = QStringList{"Keyboard", "Controls", "Misc", "Color"}[i];
        EXPECT_EQ(std::pair(tabs->widget(i)->accessibleName(), tabs->tabText(i)),
                  std::pair(title, title));
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        const auto parts = tabs->widget(i)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : parts)
            for (QWidget* b : parts)
                EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry())) << i;
    }
    // A label stands left of or above its control; a spin box's editor is part of the box.
    for (QWidget* w : sheet.findChildren<QWidget*>())
    {
        auto* b = qobject_cast<QAbstractButton*>(w);
        EXPECT_TRUE(!b || b->text().isEmpty() || b->accessibleName() == b->text().remove('&'))
            << w->accessibleName().toStdString();
        const auto* label = qobject_cast<QLabel*>(w);
        EXPECT_TRUE(!label || !label->buddy() ||
                    (label->x() <= label->buddy()->x() && label->y() <= label->buddy()->y()));
        const bool control = b || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QListWidget*>(w) || qobject_cast<QAbstractSpinBox*>(w);
        EXPECT_TRUE(!control || !w->accessibleName().isEmpty() ||
                    qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
            << w->metaObject()->className();
    }
}

TEST_F(DialogTest, PictureButtonRepeatsWhileHeldAndItsTipShowsOnlyUnderTheMouse)
{
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(std::pair(g_Runs, button.isDown()), std::pair(1, true));
    QTest::qWait(300);
    EXPECT_EQ(g_Runs, 1); // repeats after 800 ms, then every 200 ms
    EXPECT_TRUE(QTest::qWaitFor([] { return g_Runs >= 3; }, 5000));
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_FALSE(button.IsRepeating());
    const int runs = g_Runs;
    QTest::qWait(450);
    EXPECT_EQ(g_Runs, runs);
    // Pressed, the picture moves one pixel right and down.
    ASSERT_EQ(button.LoadPicture(MStr(GLAZEN_TEST_DATA "/images/button33x4.bmp"), false), 1);
    const QImage up = button.grab().toImage();
    EXPECT_EQ(QColor(up.pixel(31, 2)), QColor(Qt::black)); // the picture stays within the frame
    button.setDown(true);
    EXPECT_EQ(button.grab().toImage().copy(2, 2, 29, 4), up.copy(1, 1, 29, 4));
    button.setDown(false);
    // The tip names the shortcut when bound, and shows only for the window under the mouse.
    for (auto [action, tip] : {std::pair{"KFileNew", "File New (Ctrl+N)"},
                               {"KViewportTop", "Top View"},
                               {"KTestQuiet", "KTestQuiet"}})
    {
        button.SetActionName(action);
        EXPECT_EQ(button.TipText(), tip);
    }
    QWidget other;
    for (QWidget* under : {&other, static_cast<QWidget*>(&button)})
    {
        ToolTip().SetWindowUnderMouse(under);
        ToolTip().ShowTip(&button, 10, 10, 0, 2000, "Step Forward");
        ASSERT_EQ(ToolTip().GetTipWindow() != nullptr, under == &button);
    }
    EXPECT_TRUE(QTest::qWaitFor([] { return ToolTip().GetTipWindow()->isVisible(); }, 2000));
    // Framed in black; once hidden it stays hidden.
    const QImage framed = ToolTip().GetTipWindow()->grab().toImage();
    for (QPoint edge : {QPoint(0, framed.height() / 2), QPoint(framed.width() / 2, 0)})
        EXPECT_EQ(QColor(framed.pixel(edge)), QColor(Qt::black)) << edge.x();
    ToolTip().GetTipWindow()->hide();
    QTest::qWait(20);
    EXPECT_FALSE(ToolTip().GetTipWindow()->isVisible());
    // Another window under the mouse takes the tip away.
    ToolTip().SetWindowUnderMouse(&other);
    EXPECT_EQ(ToolTip().GetTipWindow(), nullptr);
    // Moving over the button starts its tip once and keeps it.
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(&button, &move);
    const QPointer<QWidget> tip = ToolTip().GetTipWindow();
    QApplication::sendEvent(&button, &move);
    EXPECT_TRUE(tip && tip == ToolTip().GetTipWindow());
}

TEST_F(DialogTest, FolderChooserFollowsTypingAndTheTreeAndGivesTheFolderAfterOk)
{
    fs::create_directories(home.Path() / "maps" / "textures");
    const QString maps = QString::fromStdString((home.Path() / "maps").string());
    CDirPickerDlg picker(nullptr, MStr(home.Path().string().c_str()));
    picker.show();
    // A folder that does not exist leaves the choice where it was.
    for (const char* typed : {"/maps/textures", "/no-such-folder"})
    {
        QTest::keyClicks(picker.PathField(), typed);
        EXPECT_EQ(QString::fromUtf8(picker.SelectedFolder().c_str()), maps + "/textures");
    }
    picker.Tree()->setCurrentIndex(picker.Tree()->currentIndex().parent());
    EXPECT_EQ(picker.PathField()->text(), maps);
    QTimer::singleShot(0, &picker, [&] { picker.findChild<QPushButton*>("OK")->click(); });
    EXPECT_TRUE(picker.DoModal());
    EXPECT_EQ(QString::fromUtf8(picker.GetPath().c_str()), maps);
}

TEST(ColourPickerTest, ShowsTheColourInItsFieldsAndSlidersAndFollowsASlider)
{
    CColorPickerDlg picker;
    picker.SetColor(1, 0.5f, 0.2f);
    EXPECT_EQ(std::tuple(picker.GetSlider(0)->value(), picker.GetSlider(2)->value(),
                         picker.findChildren<QLineEdit*>()[1]->text()),
              std::tuple(100, 20, QString("0.50")));
    picker.GetSlider(2)->setValue(60);
    EXPECT_FLOAT_EQ(picker.GetComponent(2), 0.6f);
    EXPECT_EQ(picker.GetColorValue() & 0xFFFF, 0x7FFFu); // red and green; blue is above
    EXPECT_NEAR(picker.GetColorValue() >> 16, 153, 1);
    picker.SetColor(1.5f, -0.5f, 0.0f); // out of range: clamped, not wrapped
    EXPECT_EQ(picker.GetColorValue(), 0xFFu);
}

// Pixel (x, y) from the top has blue x, green y, red x + y.
struct Picture
{
    int headerSize = 40, width = 2, height = 2, bits = 24, dropBytes = 0; // bytes cut off the end
    bool topDown = false;
    int compression = 0;
    char magic = 'B';
};

// Exactly as long as the file, so the sanitizers catch a read past its end.
std::vector<uint8_t> MakeBmp(const Picture& p)
{
    const int side = p.headerSize == 12 ? 2 : 4, w = std::max(p.width, 0),
              h = std::max(p.height, 0);
    std::vector<uint8_t> b = {uint8_t(p.magic), 'M'};
    // File header, header size, width, height, planes, bits, compression: value and bytes.
    const std::pair<int, int> fields[] = {{0, 12},
                                          {p.headerSize, 4},
                                          {p.width, side},
                                          {p.topDown ? -p.height : p.height, side},
                                          {1, 2},
                                          {p.bits, 2},
                                          {p.compression, side == 4 ? 4 : 0}};
    for (auto [value, bytes] : fields)
        for (int i = 0; i < bytes; ++i)
            b.push_back(i < 4 ? uint8_t(uint32_t(value) >> (8 * i)) : 0);
    b.resize(size_t(14 + p.headerSize), 0);
    for (int r = 0; r < h; ++r)
    {
        const int y = p.topDown ? r : h - 1 - r;
        for (int x = 0; x < w; ++x)
            b.insert(b.end(), {uint8_t(x), uint8_t(y), uint8_t(x + y)});
        b.resize(b.size() + size_t((4 - w * 3 % 4) % 4), 0xEE); // row padding
    }
    return {b.begin(), b.end() - p.dropBytes};
}

TEST(DIBImage, LoadsEveryHeaderKindUprightWithPaddedRows)
{
    const std::pair<const char*, Picture> cases[] = {
        {"information header", {40, 4, 3}},
        {"version-4 header", {108, 2, 5}},
        {"core header", {12, 5, 3}},
        {"33 pixels wide: rows padded from 99 to 100 bytes", {40, 33, 4}},
        {"rows stored top-down", {40, 7, 3, 24, 0, true}},
        {"the widest picture taken", {40, 16384, 1}},
    };
    for (const auto& [what, picture] : cases)
    {
        SCOPED_TRACE(what);
        const std::vector<uint8_t> bytes = MakeBmp(picture);
        MDIBImage image;
        ASSERT_EQ(image.LoadData(bytes.data(), bytes.size()), 1);
        ASSERT_EQ(std::tuple(image.GetWidth(), image.GetHeight(), image.GetStride()),
                  std::tuple(picture.width, picture.height, (picture.width * 3 + 3) / 4 * 4));
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                ASSERT_EQ(image.GetPixel(x, y), uint32_t((x + y) & 0xFF) << 16 |
                                                    uint32_t(y & 0xFF) << 8 | uint32_t(x & 0xFF))
                    << x << "," << y;
        // Outside the picture there is nothing, not the row padding.
        for (auto [x, y] : {std::pair{picture.width, 0}, {-1, 0}, {0, picture.height}, {0, -1}})
            EXPECT_EQ(image.GetPixel(x, y), 0u) << x << "," << y;
    }
    MDIBImage image;
    EXPECT_EQ(image.LoadFile(MStr(GLAZEN_TEST_DATA "/images/button33x4.bmp")), 1);
    EXPECT_EQ(image.GetWidth(), 33);
}

TEST(DIBImage, RefusesFilesItCannotHoldWithoutReadingPastThem)
{
    const std::pair<const char*, Picture> cases[] = {
        {"8 bits a pixel", {40, 2, 2, 8}},
        {"32 bits a pixel", {40, 2, 2, 32}},
        {"compressed", {40, 2, 2, 24, 0, false, 1}},
        {"unknown header size", {56, 2, 2}},
        {"zero width", {40, 0, 2}},
        {"zero height", {40, 2, 0}},
        {"negative width", {40, -3, 2}},
        {"wider than any picture taken", {40, 16385, 1}},
        {"rows cut short by one byte", {40, 33, 4, 24, 1}},
        {"shorter than its header", {40, 2, 2, 24, 30}},
        {"rows the file cannot hold", {40, 16000, 1, 24, 48000}},
        {"not a bitmap", {40, 2, 2, 24, 0, false, 0, 'X'}},
    };
    for (const auto& [what, picture] : cases)
    {
        SCOPED_TRACE(what);
        const std::vector<uint8_t> bytes = MakeBmp(picture);
        MDIBImage image;
        EXPECT_EQ(image.LoadData(bytes.data(), bytes.size()), 0);
        EXPECT_TRUE(image.IsEmpty());
    }
    EXPECT_EQ(MDIBImage().LoadFile(MStr(GLAZEN_TEST_DATA "/images/no-such.bmp")), 0);
}
} // namespace
