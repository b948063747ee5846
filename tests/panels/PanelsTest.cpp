// The channel bar, time controls, shelves and tool dialog, driven as a user drives them.
#include "CBottomDlg.h"
#include "CChannelBar.h"
#include "CChannelParamWnd.h"
#include "CColorPickerDlg.h"
#include "CImageButton.h"
#include "CShelfDlg.h"
#include "CToolConfigDlg.h"
#include "CTopToolDlg.h"
#include "CurrentSceneFixture.h"
#include "KActions.h"
#include "MAction.h"
#include "MMesh.h"
#include "MPrivateEvent.h"
#include "MShaderNodes.h"
#include "MShelfFile.h"
#include "MShelfManager.h"
#include "MUndoNodes.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <set>

namespace
{
int g_Runs = 0;
MStr g_SeenLabel;
int KTestTool()
{
    ++g_Runs;
    ReadToolPrefString("KTestTool", "Label", g_SeenLabel);
    return 1;
}

// Stands in for the main window: rebuilds the bar on UM_REFRESH_CHANNELS and counts the
// UM_SCENE_CHANGED messages that redraw the views. The program folder is a temporary one.
class PanelTest : public CurrentSceneFixture, public QObject
{
  protected:
    void SetUp() override
    {
        CurrentSceneFixture::SetUp();
        g_UndoList.SetClearsOpposite(true);
        MSetMessageTarget(this);
        bar.resize(250, 400);
        bar.show();
        panel->setGeometry(0, 0, 1000, CBottomDlg::kHeight);
        panel->Scroller()->SetRange(0, 200);
        window.show();
        savedFolder = g_Config.m_ProgramFolder;
        g_Config.m_ProgramFolder = dir.Path().string() + "/";
        top.resize(600, CTopToolDlg::kHeight);
        manager.SetTabControl(top.TabControl());
        top.show();
        g_ActionRegistry.RegisterAction("KTestTool", "Test Tool", "General", KTestTool);
        g_Runs = 0;
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            delete qobject_cast<CToolConfigDlg*>(w);
        g_ActionRegistry.Clear();
        manager.RemoveAllShelves();
        g_Config.m_ProgramFolder = savedFolder;
        MSetMessageTarget(nullptr);
        g_MainWnd = nullptr;
        scene->SelectNone();
        bar.RebuildChannels();
        CurrentSceneFixture::TearDown();
    }
    bool event(QEvent* e) override
    {
        if (static_cast<int>(e->type()) == UM_REFRESH_CHANNELS)
            bar.RebuildChannels();
        redraws += static_cast<int>(e->type()) == UM_SCENE_CHANGED;
        return true;
    }
    template <class T> T* Add(T* o, const char* name, bool open = true)
    {
        o->SetName(name);
        if (open)
            o->AddFlags(OBJ_CHANNELS_OPEN);
        scene->AddObject(o);
        scene->SelectObject(o);
        bar.RebuildChannels();
        return o;
    }
    CChannelParamWnd* Block(int i) { return bar.ShowBlock(i); }
    QLineEdit* Edit(int block, int row) { return Block(block)->GetRow(row).edit; }
    QPoint Label(int block, int row) { return Block(block)->GetRow(row).label.rect.center(); }
    // Presses, moves and releases a button; true when w took all three.
    static bool Drag(QWidget* w, Qt::MouseButton button, QPoint from, QPoint to)
    {
        bool taken = true;
        for (auto [type, at] : {std::pair{QEvent::MouseButtonPress, from},
                                {QEvent::MouseMove, to},
                                {QEvent::MouseButtonRelease, to}})
        {
            QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button, {});
            QApplication::sendEvent(w, &e);
            taken = taken && e.isAccepted();
        }
        return taken;
    }
    QString Field() const { return panel->FrameField()->text(); }
    CShelfDlg* AddShelf(const std::string& name, const std::string& text)
    {
        EXPECT_EQ(manager.AddShelf(MStr(dir.Write(name, text))), 1);
        return manager.GetShelf(manager.GetShelfCount() - 1);
    }
    CToolConfigDlg* OpenTool()
    {
        EXPECT_EQ(OpenToolConfiguration("KTestTool"), 1);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<CToolConfigDlg*>(w); d && d->isVisible())
                return d;
        return nullptr;
    }
    static CToolConfigItem* Item(CToolConfigDlg* d, const char* name)
    {
        for (int i = 0; i < d->GetItemCount(); ++i)
            if (d->GetItem(i)->GetVariable().name.EqualsNoCase(name))
                return d->GetItem(i);
        return nullptr;
    }
    static std::string Pref(const char* name)
    {
        MStr value;
        ReadToolPrefString("KTestTool", name, value);
        return value.str();
    }
    CChannelBar bar;
    QWidget window;
    CBottomDlg* panel = new CBottomDlg(&window);
    int redraws = 0;
    TempDir dir;
    TestSystem system;
    CTopToolDlg top;
    MShelfManager manager;
    MStr savedFolder;
};

TEST_F(PanelTest, BlocksFollowTheSelectionWithARowPerParameterAndAccessibleNames)
{
    auto* blend = Add(new MBlendFuncShaderNode, "blend1");
    auto* file = Add(new MFileShaderNode, "map1");
    Add(new MFileShaderNode, "closed", false);
    ASSERT_EQ(bar.GetBlockCount(), 3);
    EXPECT_EQ(Block(0)->accessibleName(), "blend1");
    ASSERT_EQ(Block(0)->GetRowCount(), blend->GetParamCount());
    EXPECT_EQ(std::pair(Edit(0, 0)->accessibleName(), Edit(1, 1)->accessibleName()),
              std::pair(QString("Name"), QString("Fname")));
    EXPECT_EQ(Block(2)->GetRowCount(), 1); // a closed block shows its name alone
    // Choice lists come sorted, with the value's item chosen.
    QComboBox* src = Block(0)->GetRow(2).choice;
    ASSERT_NE(src, nullptr);
    for (int i = 1; i < src->count(); ++i)
        EXPECT_LT(src->itemText(i - 1).compare(src->itemText(i), Qt::CaseInsensitive), 0);
    EXPECT_EQ(src->currentText(), "GL_ONE");
    // A rebuild keeps the blocks still selected; a scene object brings one for its transform.
    CChannelParamWnd* kept = Block(1);
    scene->DeselectObject(blend);
    auto* mesh = Add(new MMesh, "mesh");
    ASSERT_EQ(bar.GetBlockCount(), 4);
    EXPECT_EQ(std::tuple(bar.GetBlockObject(0), bar.GetBlockWindow(0), bar.GetBlockObject(2)),
              std::tuple(file, kept, mesh));
    EXPECT_EQ(bar.GetBlockObject(3), mesh->GetTransform());
    scene->SelectNone();
    bar.RebuildChannels();
    EXPECT_EQ(bar.GetBlockCount(), 0);
}

TEST_F(PanelTest, TypedAndChosenFilesCommitWithAnUndoNodeAndEscapeRestores)
{
    auto* file = Add(new MFileShaderNode, "map1");
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return})
    {
        Edit(0, 1)->setText("textures/a.tga");
        QTest::keyClick(Edit(0, 1), key);
    }
    EXPECT_EQ(file->GetParamByName("Fname"), "textures/a.tga");
    ASSERT_EQ(g_UndoList.GetCount(), 1); // Escape restored the field, committing nothing
    EXPECT_EQ(g_UndoList.HeadName(), "Edit Fname");
    EXPECT_GE(redraws, 1);
    // A double-click on the image name opens the chooser; a file outside the
    // search paths is stored with its full path, and a cancel changes nothing.
    ScriptedDialogs dialogs;
    dialogs.AnswerFile({"/elsewhere/rock.tga"});
    dialogs.CancelFile();
    QTest::mouseDClick(Block(0), Qt::LeftButton, {}, Label(0, 1));
    Block(0)->DoCommand(ID_CHANNEL_CHOOSE_FILE, 1);
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Choose Image...");
    EXPECT_EQ(Edit(0, 1)->text(), "/elsewhere/rock.tga");
    ASSERT_EQ(g_UndoList.GetCount(), 2);
    for (const char* value : {"textures/a.tga", ""})
    {
        ASSERT_EQ(KEditUndo(), 1);
        EXPECT_EQ(file->GetParamByName("Fname"), value);
        EXPECT_EQ(Edit(0, 1)->text(), value);
    }
}

TEST_F(PanelTest, TabAndShiftTabWalkRowsAcrossBlocksWithWrapAround)
{
    Add(new MFileShaderNode, "a");
    Add(new MFileShaderNode, "b", false);
    // From block and row, a key, to block and row.
    const int steps[][5] = {{0, 0, Qt::Key_Tab, 0, 1},     {0, 3, Qt::Key_Tab, 1, 0},
                            {1, 0, Qt::Key_Tab, 0, 0},     {0, 0, Qt::Key_Backtab, 1, 0},
                            {1, 0, Qt::Key_Backtab, 0, 3}, {0, 2, Qt::Key_Backtab, 0, 1},
                            {0, 1, Qt::Key_Backtab, 0, 0}};
    for (const auto& s : steps)
    {
        SCOPED_TRACE(testing::Message() << s[0] << "/" << s[1] << " key " << s[2]);
        QTest::keyClick(Block(s[0])->GetRow(s[1]).Editor(), Qt::Key(s[2]));
        EXPECT_EQ(bar.window()->focusWidget(), bar.GetBlockWindow(s[3])->GetRow(s[4]).Editor());
    }
}

TEST_F(PanelTest, DragScrollingIsClamped)
{
    EXPECT_EQ(MDragScroller::ClampAxis(-20, -50, 400, 300), 20); // content that fits snaps back
    // The middle button drags over a block; blocks are made as they come into view.
    for (int i = 0; i < 60; ++i)
        Add(new MFileShaderNode, ("n" + std::to_string(i)).c_str());
    EXPECT_EQ(bar.GetBlockWindow(59), nullptr);
    Drag(bar.GetBlockWindow(0), Qt::MiddleButton, QPoint(5, 5), QPoint(5, -300));
    EXPECT_EQ(bar.GetScrollY(), -305);
    // The left button drags on the background, and the bar keeps the events.
    EXPECT_TRUE(Drag(&bar, Qt::LeftButton, QPoint(248, 300), QPoint(248, 200)));
    EXPECT_EQ(bar.GetScrollY(), -405);
    bar.ScrollBy(-1000000);
    EXPECT_EQ(bar.GetScrollY(), bar.height() - bar.ContentSize().height());
    EXPECT_NE(bar.GetBlockWindow(59), nullptr);
    EXPECT_EQ(bar.GetBlockWindow(0), nullptr);
    bar.ScrollBy(1000000);
    EXPECT_EQ(bar.GetScrollY(), 0);
}

TEST_F(PanelTest, PopupMenuOffersTheRowsCommandsAndCollapsesTheBlock)
{
    Add(new MFileShaderNode, "map1");
    Add(new MFileShaderNode, "map2");
    const auto saved = CChannelBar::PopupRunner();
    QStringList offered;
    QString choose = "Collapse";
    CChannelBar::PopupRunner() = [&](QMenu* menu, QPoint) -> QAction*
    {
        offered.clear();
        for (QAction* a : menu->actions())
            offered << a->text();
        return menu->actions().value(offered.indexOf(choose));
    };
    QTest::mousePress(Block(0), Qt::RightButton, {}, Label(0, 1));
    EXPECT_EQ(offered, QStringList({"Set Key", "Unset Key", "Copy Key", "Cut Key", "Paste Key",
                                    "Expand", "Collapse", "Collapse All Objects",
                                    "Expand All Objects", "", "Choose File..."}));
    QApplication::processEvents(); // the queued rebuild
    EXPECT_EQ(std::pair(Block(0)->GetRowCount(), Block(1)->GetRowCount()), std::pair(1, 4));
    Add(new MMesh, "mesh", false); // and its transform, both closed
    choose = "Expand All Objects";
    QTest::mousePress(Block(1), Qt::RightButton, {}, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_EQ(Block(0)->GetRowCount(), 4);
    // Set Key keys the row under the pointer.
    choose = "Set Key";
    const ChannelRow& row = Block(3)->GetRow(1);
    MParameterObject* keyed = row.object->FindParameter(row.paramName.str());
    QTest::mousePress(Block(3), Qt::RightButton, {}, row.label.rect.center());
    EXPECT_EQ(keyed->GetKeyCount(), 1);
    CChannelBar::PopupRunner() = saved;
}

TEST_F(PanelTest, ColourPickerShowsTheRowAndWritesTwoDecimalsWithoutAnUndoNode)
{
    auto* o = new MBaseObject;
    o->AddColourParam("Colour", "1 0.5 .2");
    Add(o, "lamp");
    CColorPickerDlg picker;
    picker.AttachRow(Block(0), &Block(0)->GetRow(1));
    EXPECT_EQ(picker.windowTitle(), "lamp.Colour");
    EXPECT_EQ(o->GetParamByName("Colour"), "1 0.5 .2"); // attaching rewrites nothing
    EXPECT_EQ(picker.GetSlider(1)->value(), 50);
    picker.GetSlider(0)->setValue(50);
    EXPECT_EQ(o->GetParamByName("Colour"), "0.50 0.50 0.20");
    EXPECT_EQ(Edit(0, 1)->text(), "0.50 0.50 0.20");
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    // The picker lets go of the row when its block leaves the bar.
    g_ColorPicker = &picker;
    scene->SelectNone();
    bar.RebuildChannels();
    g_ColorPicker = nullptr;
    EXPECT_EQ(picker.windowTitle(), "Colour Picker");
    picker.GetSlider(2)->setValue(90);
    EXPECT_EQ(o->GetParamByName("Colour"), "0.50 0.50 0.20");
}

TEST(TimeScrollerTest, FramesPositionsMarkerAndLabelSteps)
{
    CTimeScroller ruler;
    ruler.resize(1000, 24);
    ruler.SetRange(0, 200);
    for (auto [x, frame] : {std::pair{0, 0}, {2, 0}, {3, 1}, {500, 100}, {999, 200}, {-50, -9}})
        EXPECT_EQ(ruler.FrameAtX(x), frame) << "x " << x;
    for (auto [set, position] : {std::pair{-5, 0}, {200, 200}, {500, 200}, {100, 100}})
    {
        ruler.SetPosition(set);
        EXPECT_EQ(ruler.GetPosition(), position) << "set " << set;
    }
    // The current frame is drawn as one frame-wide marker within the border.
    const QImage image = ruler.grab().toImage();
    std::vector<int> marked;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, 20) == QColor(0, 170, 255))
            marked.push_back(x);
    ASSERT_GE(marked.size(), 3u);
    EXPECT_LE(marked.size(), 5u);
    EXPECT_NEAR(ruler.FrameAtX(marked[marked.size() / 2]), 100, 1);
    EXPECT_EQ(image.pixelColor(marked[0], 0), QColor(Qt::black));
    ruler.SetRange(10, 20); // a narrower range pulls the position in
    EXPECT_EQ(ruler.GetPosition(), 20);
    const CTimeScroller::KeyTimes keys = {{0, MStr("0")}, {120, MStr("1")}};
    ruler.AddKeyList(&keys);
    ruler.AddKeyList(&keys);
    EXPECT_EQ(ruler.GetKeyListCount(), 1);
    // Labels go at the smallest step of 5 that fits and divides 200.
    auto width = [](int i) { return 6 * int(std::to_string(i).size()); };
    for (auto [innerWidth, step] : {std::pair{1200, 5}, {600, 10}, {100, 50}, {10, 205}})
        EXPECT_EQ(CTimeScroller::LabelStep(201, innerWidth, width), step) << innerWidth;
}

TEST_F(PanelTest, TimeControlsLieApartAndScrollCodesAndTheFrameFieldMoveTheTime)
{
    const QList<QWidget*> parts = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_GE(parts.size(), 6);
    for (QWidget* a : parts)
        for (QWidget* b : parts)
            EXPECT_TRUE(panel->rect().contains(a->geometry()) &&
                        (a == b || !a->geometry().intersects(b->geometry())));
    // Code, frame, the time it gives; the ruler follows once the main window refreshes.
    using B = CBottomDlg;
    const int cases[][3] = {
        {B::SB_PAGERIGHT, 0, 1200}, {B::SB_LINERIGHT, 0, 1320},   {B::SB_LINELEFT, 0, 1200},
        {B::SB_PAGELEFT, 0, 0},     {B::SB_THUMBTRACK, 57, 6840},
    };
    for (const auto& c : cases)
    {
        panel->HorizontalScroll(c[0], c[1]);
        panel->RefreshTime();
        EXPECT_EQ(scene->GetTime(), c[2]) << "code " << c[0];
        EXPECT_EQ(std::pair(Field().toInt(), panel->Scroller()->GetPosition()),
                  std::pair(c[2] / 120, c[2] / 120));
    }
    EXPECT_EQ(redraws, 5);
    // The field reads a number as atof does, held to the integer range.
    const std::pair<const char*, int> texts[] = {
        {"2.5", 300}, {"abc", 0},         {"  3", 360},        {"-1.5", -180},
        {"7x", 840},  {"1e300", INT_MAX}, {"-1e300", INT_MIN}, {"nan", 0}};
    for (auto [text, ticks] : texts)
        EXPECT_EQ(FrameTextToTicks(text), ticks) << text;
    panel->FrameField()->setFocus();
    panel->FrameField()->setText("2.5");
    QTest::keyClick(panel->FrameField(), Qt::Key_Return);
    EXPECT_EQ(scene->GetTime(), 300);
    EXPECT_EQ(std::pair(Field(), panel->Scroller()->GetPosition()), std::pair(QString("2"), 2));
    EXPECT_EQ(redraws, 6); // Enter redraws the views
}

TEST_F(PanelTest, TheRulerMarksKeysAndADragIsOneTimeChangeAndAClickInPlaceNone)
{
    auto* mesh = Add(new MMesh, "mesh", false);
    mesh->GetTransform()->SetTranslate({0, 0, 0}, 0, true);
    mesh->GetTransform()->SetRotate({0, 0, 90}, 240, true);
    panel->RefreshTime();
    EXPECT_EQ(panel->Scroller()->GetKeyListCount(), 2); // translate and rotate; scale has none
    scene->SelectNone();
    panel->RefreshTime();
    EXPECT_EQ(panel->Scroller()->GetKeyListCount(), 0);
    CTimeScroller* ruler = panel->Scroller();
    auto at = [&](int frame) { return QPoint(int(frame * double(ruler->width()) / 200), 10); };
    // Each press, release and the time after: a drag, the current frame, another frame.
    const int cases[][3] = {{50, 100, 100}, {0, 0, 0}, {20, 20, 20}};
    for (const auto& c : cases)
    {
        panel->RefreshTime();
        Drag(ruler, Qt::LeftButton, at(c[0]), at(c[1]));
        EXPECT_EQ(scene->GetTime(), c[2] * 120) << c[0];
        ASSERT_EQ(g_UndoList.GetCount(), c[2] ? 1 : 0) << c[0];
        EXPECT_EQ(g_PendingUndoNode, nullptr);
        if (c[2])
        {
            EXPECT_EQ(g_UndoList.HeadName().str(), "Time Change");
            g_UndoList.Step();
            EXPECT_EQ(scene->GetTime(), 0);
        }
    }
}

TEST_F(PanelTest, PlayAdvancesLoopsAndStopsWhenTheTimeIsMoved)
{
    g_MainWnd = &window;
    EXPECT_EQ(KControlPlayCamera(), 1);
    EXPECT_TRUE(panel->IsPlaying() && panel->PlayButton()->isChecked());
    panel->PlayStep();
    panel->PlayStep();
    EXPECT_EQ(std::tuple(scene->GetTime(), redraws, panel->Scroller()->GetPosition()),
              std::tuple(240, 2, 2));
    // From the last frame it starts again at the first, and runs by itself.
    KControlPlayCamera();
    EXPECT_FALSE(panel->IsPlaying());
    scene->SetTime(200 * 120);
    panel->StartPlay();
    panel->PlayStep();
    EXPECT_EQ(scene->GetTime(), 0);
    QTest::qWait(200);
    EXPECT_GE(scene->GetTime(), 2 * 120);
    // Held down, the play button does not toggle again.
    g_ActionRegistry.RegisterAction("KControlPlayCamera", "", "Main", KControlPlayCamera);
    QTest::mousePress(panel->PlayButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(panel->IsPlaying());
    QTest::qWait(CImageButton::kFirstRepeatMs + 100);
    QTest::mouseRelease(panel->PlayButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(panel->IsPlaying());
    g_ActionRegistry.Clear();
    // Someone else moving the time stops it, as an edit does.
    for (bool edit : {false, true})
    {
        panel->StartPlay();
        edit ? g_UndoList.AddNode(new MTimeUndoNode()) : scene->SetTime(5000);
        panel->PlayStep();
        EXPECT_FALSE(panel->IsPlaying() || panel->PlayButton()->isChecked());
        EXPECT_EQ(scene->GetTime(), 5000);
    }
}

TEST(ShelfFileTest, ReadsTitleAndPairsAsWritten)
{
    // The text, its title and its entries as "action|picture;" each.
    const std::tuple<std::string, const char*, const char*> cases[] = {
        {"Shaders\r\n", "Shaders", ""},
        {"T,KEditUndo", "T", ""}, // a trailing action without a picture
        {"T\nKA,a.bmp\nKB\n", "T", "KA|a.bmp;"},
        {"T\r\n\r\n\r\n  KA,   a.bmp\n\n, KB ,b.bmp", "T", "KA|a.bmp;KB |b.bmp;"},
        {"My Shelf \nK A ,p q.bmp ", "My Shelf ", "K A |p q.bmp ;"},
        {",KA,a.bmp", "", "KA|a.bmp;"},
        {"  T", "  T", ""},
        {std::string("T\0KA\0a.bmp", 10), "T", "KA|a.bmp;"},
        {",,\r\n,", "", ""},
    };
    for (const auto& [text, title, entries] : cases)
    {
        SCOPED_TRACE(text);
        MShelfFile file;
        file.Parse(text);
        std::string read = file.m_Title.str() + ":";
        for (const auto& e : file.m_Entries)
            read += e.action.str() + "|" + e.picture.str() + ";";
        EXPECT_EQ(read, std::string(title) + ":" + entries);
    }
}

TEST_F(PanelTest, ButtonsStand34PixelsApartWithPicturesFoundWithoutRegardToCase)
{
    const std::string picture = ReadWholeFile(std::filesystem::path(GLAZEN_TEST_DATA) /
                                              "../../prefs/Buttons/KEditUndo.bmp");
    dir.Write("Prefs/Buttons/KA.bmp", picture);
    dir.Write("Prefs/Buttons/KC.bmp", picture);
    CShelfDlg* shelf = AddShelf("Prefs/Tools.shelf", "Tools\r\nKA,Prefs\\Buttons\\KA.bmp\r\n"
                                                     "KB,Prefs\\Buttons\\Missing.bmp\r\n"
                                                     "KC,prefs\\buttons\\kc.BMP\r\n");
    ASSERT_EQ(shelf->GetButtonCount(), 3);
    EXPECT_EQ(top.TabControl()->tabText(0), "Tools");
    EXPECT_EQ(shelf->GetButton(0)->GetActionName().str(), "KA");
    // Without a picture a button keeps 33 pixels, and the miss is logged.
    for (int i : {0, 1, 2})
        EXPECT_EQ(
            std::pair(shelf->GetButton(i)->GetPicture().IsEmpty(), shelf->GetButton(i)->geometry()),
            std::pair(i == 1, QRect(34 * i, 1, i == 1 ? 33 : 32, 32)))
            << i;
    EXPECT_TRUE(system.log.Contains(
        "Warning: Could not load image 'Prefs\\Buttons\\Missing.bmp' for button 'KB'"));
}

TEST_F(PanelTest, ShelvesComeInNameOrderAndAMissingFileGivesAnEmptyPage)
{
    dir.Write("Prefs/b.SHELF", "Second");
    dir.Write("Prefs/A.shelf", "First\nKA,x.bmp");
    dir.Write("Prefs/c.txt", "Not a shelf");
    EXPECT_EQ(manager.LoadShelves(g_Config.m_ProgramFolder + "prefs\\*.shelf"), 2);
    EXPECT_EQ(manager.AddShelf(MStr(dir.Path().string() + "/nothing.shelf")), 1);
    ASSERT_EQ(top.TabControl()->count(), 3);
    for (auto [tab, text] : {std::pair{0, "First"}, {1, "Second"}, {2, "."}})
        EXPECT_EQ(top.TabControl()->tabText(tab), text);
    EXPECT_EQ(manager.GetShelf(2)->GetButtonCount(), 0);
    // Only the page of the current tab is shown.
    QApplication::processEvents();
    top.TabControl()->setCurrentIndex(1);
    EXPECT_EQ(std::pair(manager.GetShelf(0)->isVisible(), manager.GetShelf(1)->isVisible()),
              std::pair(false, true));
    manager.RemoveAllShelves();
    EXPECT_EQ(top.TabControl()->count(), 0);
}

TEST_F(PanelTest, AShelfScrollsSidewaysOnlyAndStaysWithinItsButtons)
{
    std::string text = "Wide";
    for (int i = 0; i < 30; ++i)
        text += "\nK" + std::to_string(i) + ",none.bmp";
    CShelfDlg* shelf = AddShelf("w.shelf", text);
    QApplication::processEvents();
    // Middle-drag over a button, left and up: only the sideways part moves.
    const QPoint start = shelf->GetButton(1)->rect().center();
    Drag(shelf->GetButton(1), Qt::MiddleButton, start, start - QPoint(100, 50));
    EXPECT_EQ(shelf->GetButton(0)->pos(), QPoint(-100, 1));
    // A far left-drag on the background stops with the last button and the margin in view.
    Drag(shelf, Qt::LeftButton, QPoint(5, 5), QPoint(-5000, 400));
    EXPECT_EQ(shelf->GetButton(29)->geometry().right() + 1 + CDragScrollDlg::kMargin,
              shelf->width());
}

TEST_F(PanelTest, ToolConfigurationStoresBeforeDoActionRunsOkStoresAndCancelDoesNot)
{
    // The preference file is found whatever the case of its name.
    dir.Write("prefs/tools/ktesttool.ASCR", "Flag = 1;\nLabel = abc;\nScale = 2.5;\n");
    CToolConfigDlg* d = OpenTool();
    ASSERT_TRUE(d);
    EXPECT_EQ(std::pair(d->windowTitle(), d->width()), std::pair(QString("KTestTool"), 300));
    // Rows 25 pixels apart from y 8: a check box, or a value right of its name.
    ASSERT_EQ(d->GetItemCount(), 3);
    QCheckBox* flag = Item(d, "Flag")->CheckBox();
    QLineEdit *label = Item(d, "Label")->ValueField(), *scale = Item(d, "Scale")->ValueField();
    EXPECT_EQ((std::set<int>{flag->y(), label->y(), scale->y()}), (std::set<int>{8, 33, 58}));
    EXPECT_EQ(
        std::tuple(flag->isChecked(), label->x(), Item(d, "Label")->NameField()->isReadOnly()),
        std::tuple(true, 116, true));
    // The four buttons share the bottom edge.
    d->resize(400, 300);
    const int q = (400 - 8) / 4, h = d->OkButton()->height();
    QPushButton* buttons[] = {d->DoActionButton(), d->ApplyButton(), d->OkButton(),
                              d->CancelButton()};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(buttons[i]->geometry(), QRect(i * q + 4, 300 - h - 8, q - 8, h)) << i;
    flag->setChecked(false);
    label->setText("two words");
    d->DoActionButton()->click();
    EXPECT_EQ(g_Runs, 1);
    EXPECT_EQ(g_SeenLabel.str(), "two words"); // stored before the action ran
    EXPECT_EQ(Pref("Flag"), "0");
    EXPECT_TRUE(d->isVisible());
    // Cancel closes without storing, OK stores without running; both delete the dialog.
    for (bool ok : {false, true})
    {
        Item(d, "Scale")->ValueField()->setText(ok ? "4" : "9");
        QPointer<CToolConfigDlg> watch(d);
        (ok ? d->OkButton() : d->CancelButton())->click();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watch.isNull());
        EXPECT_EQ(Pref("Scale"), ok ? "4" : "2.5");
        d = ok ? d : OpenTool();
        ASSERT_TRUE(d);
    }
    EXPECT_EQ(g_Runs, 1);
}
} // namespace
