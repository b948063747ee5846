// The channel bar driven as a user drives it: rows for each parameter kind,
// committing and walking with the keys, undo of an edit, rebuilding as the
// selection changes, drag scrolling, the file chooser and the colour picker.
#include "CChannelBar.h"
#include "CChannelParamWnd.h"
#include "CColorPickerDlg.h"
#include "CurrentSceneFixture.h"
#include "Globals.h"
#include "KUndoActions.h"
#include "MMesh.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MUndoList.h"
#include "ScriptedDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace
{
// Stands in for the main window: rebuilds the bar on UM_REFRESH_CHANNELS.
class Receiver : public QObject
{
  public:
    CChannelBar* bar = nullptr;
    int sceneChanged = 0;
    bool event(QEvent* e) override
    {
        if (static_cast<int>(e->type()) == UM_REFRESH_CHANNELS && bar)
            bar->RebuildChannels();
        if (static_cast<int>(e->type()) == UM_SCENE_CHANGED)
            ++sceneChanged;
        return true;
    }
};

class ChannelBarTest : public CurrentSceneFixture
{
  protected:
    void SetUp() override
    {
        CurrentSceneFixture::SetUp();
        g_UndoList.SetClearsOpposite(true);
        receiver.bar = &bar;
        MSetMessageTarget(&receiver);
        bar.resize(250, 400);
        bar.show();
    }
    void TearDown() override
    {
        MSetMessageTarget(nullptr);
        scene->SelectNone();
        bar.RebuildChannels();
        CurrentSceneFixture::TearDown();
    }
    template <class T> T* Add(const char* name, bool open = true)
    {
        auto* o = new T;
        o->SetName(name);
        if (open)
            o->AddFlags(OBJ_CHANNELS_OPEN);
        scene->AddObject(o);
        scene->SelectObject(o);
        return o;
    }
    CChannelParamWnd* Block(int i) { return bar.ShowBlock(i); }
    QLineEdit* Edit(int block, const char* label)
    {
        return Block(block)->findChild<QLineEdit*>(label);
    }

    Receiver receiver;
    CChannelBar bar;
};

TEST_F(ChannelBarTest, EveryParameterKindGetsItsRowWithAccessibleNames)
{
    auto* blend = Add<MBlendFuncShaderNode>("blend1");
    auto* file = Add<MFileShaderNode>("map1");
    Add<MFileShaderNode>("closed", false);
    auto* plain = Add<MBaseObject>("plain");
    bar.RebuildChannels();
    ASSERT_EQ(bar.GetBlockCount(), 4);

    CChannelParamWnd* b0 = Block(0);
    EXPECT_EQ(b0->accessibleName(), "blend1");
    ASSERT_EQ(b0->GetRowCount(), blend->GetParamCount());
    EXPECT_EQ(b0->GetRow(0).Editor()->accessibleName(), "Name");
    EXPECT_EQ(b0->GetRow(0).edit->text(), "blend1");
    // Choice lists come sorted, with the value's item chosen.
    QComboBox* src = b0->GetRow(2).choice;
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(src->accessibleName(), "bSrc");
    QStringList items;
    for (int i = 0; i < src->count(); ++i)
        items << src->itemText(i);
    QStringList sorted = items;
    sorted.sort(Qt::CaseInsensitive);
    EXPECT_EQ(items, sorted);
    EXPECT_EQ(items.first(), "GL_DST_ALPHA");
    EXPECT_EQ(src->currentText(), "GL_ONE");

    CChannelParamWnd* b1 = Block(1);
    EXPECT_EQ(b1->GetRow(1).kind, PARAM_FILENAME);
    EXPECT_NE(b1->GetRow(1).edit, nullptr);
    EXPECT_EQ(b1->GetRow(1).edit->accessibleName(), "Fname");
    EXPECT_EQ(b1->GetRowCount(), file->GetParamCount());
    // A closed block and an object with only its name show the name row alone.
    EXPECT_EQ(Block(2)->GetRowCount(), 1);
    EXPECT_EQ(Block(3)->GetRowCount(), plain->GetParamCount());
    EXPECT_EQ(Block(3)->GetRowCount(), 1);
}

TEST_F(ChannelBarTest, EnterCommitsWithAnUndoNodeAndEscapeRestores)
{
    auto* file = Add<MFileShaderNode>("map1");
    bar.RebuildChannels();
    QLineEdit* edit = Edit(0, "Fname");
    ASSERT_NE(edit, nullptr);

    edit->setText("textures/a.tga");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(file->GetParamByName("Fname"), "");
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(g_UndoList.GetCount(), 0);

    edit->setText("textures/a.tga");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(file->GetParamByName("Fname"), "textures/a.tga");
    ASSERT_EQ(g_UndoList.GetCount(), 1);
    EXPECT_EQ(g_UndoList.HeadName(), "Edit Fname");
    EXPECT_GE(receiver.sceneChanged, 1);

    // Undo and redo bring the values back, and the field shows them.
    edit = Edit(0, "Fname");
    ASSERT_EQ(KEditUndo(), 1);
    EXPECT_EQ(file->GetParamByName("Fname"), "");
    EXPECT_EQ(Edit(0, "Fname")->text(), "");
    ASSERT_EQ(KEditRedo(), 1);
    EXPECT_EQ(file->GetParamByName("Fname"), "textures/a.tga");
    EXPECT_EQ(Edit(0, "Fname")->text(), "textures/a.tga");
}

TEST_F(ChannelBarTest, ChoiceCommitsAtOnce)
{
    auto* blend = Add<MBlendFuncShaderNode>("blend1");
    bar.RebuildChannels();
    QComboBox* mode = Block(0)->findChild<QComboBox*>("bmP");
    ASSERT_NE(mode, nullptr);
    const int before = mode->currentIndex();
    QTest::keyClick(mode, Qt::Key_Down);
    EXPECT_EQ(blend->GetParamByName("bmP"), mode->itemText(before + 1).toStdString().c_str());
    EXPECT_EQ(g_UndoList.HeadName(), "Edit bmP");
}

TEST_F(ChannelBarTest, TabAndShiftTabWalkRowsAcrossBlocksWithWrapAround)
{
    Add<MFileShaderNode>("a");
    Add<MFileShaderNode>("b", false);
    bar.RebuildChannels();
    QWidget* window = bar.window();
    struct Step
    {
        int block, row;
        Qt::Key key;
        int toBlock, toRow;
    } steps[] = {
        {0, 0, Qt::Key_Tab, 0, 1},     {0, 3, Qt::Key_Tab, 1, 0},     {1, 0, Qt::Key_Tab, 0, 0},
        {0, 0, Qt::Key_Backtab, 1, 0}, {1, 0, Qt::Key_Backtab, 0, 3}, {0, 2, Qt::Key_Backtab, 0, 1},
    };
    for (const Step& s : steps)
    {
        SCOPED_TRACE(testing::Message() << s.block << "/" << s.row << " key " << s.key);
        QWidget* from = Block(s.block)->GetRow(s.row).Editor();
        QTest::keyClick(from, s.key);
        EXPECT_EQ(window->focusWidget(), bar.GetBlockWindow(s.toBlock)->GetRow(s.toRow).Editor());
    }
}

TEST_F(ChannelBarTest, RebuildKeepsBlocksStillSelectedAndDropsTheRest)
{
    auto* a = Add<MFileShaderNode>("a");
    auto* b = Add<MFileShaderNode>("b");
    bar.RebuildChannels();
    CChannelParamWnd* bWindow = Block(1);
    scene->DeselectObject(a);
    Add<MBlendFuncShaderNode>("c");
    bar.RebuildChannels();
    ASSERT_EQ(bar.GetBlockCount(), 2);
    EXPECT_EQ(bar.GetBlockObject(0), b);
    EXPECT_EQ(bar.GetBlockWindow(0), bWindow);
    EXPECT_EQ(bar.GetBlockObject(1)->GetName(), "c");
    // A scene object brings a block for its transform, kept and dropped
    // with it.
    auto* mesh = Add<MMesh>("mesh");
    bar.RebuildChannels();
    ASSERT_EQ(bar.GetBlockCount(), 4);
    EXPECT_EQ(bar.GetBlockObject(2), mesh);
    EXPECT_EQ(bar.GetBlockObject(3), mesh->GetTransform());
    scene->SelectNone();
    bar.RebuildChannels();
    EXPECT_EQ(bar.GetBlockCount(), 0);
}

TEST_F(ChannelBarTest, DragScrollingIsClamped)
{
    struct Case
    {
        int offset, d, client, content, expected;
    } cases[] = {
        {0, -50, 400, 300, 0},       // content fits: stays at 0
        {-20, -50, 400, 300, 20},    // content fits: snaps back to 0
        {0, 30, 400, 1000, 0},       // never above the top
        {-100, 30, 400, 1000, 30},   // back down within range
        {-550, -100, 400, 1000, -50} // stops at the content's end
    };
    for (const Case& c : cases)
        EXPECT_EQ(MDragScroller::ClampAxis(c.offset, c.d, c.client, c.content), c.expected)
            << c.offset << " " << c.d;

    // On the bar: the middle button drags over a block; the left button on
    // the background, and blocks are made as they come into view.
    for (int i = 0; i < 60; ++i)
        Add<MFileShaderNode>(("n" + std::to_string(i)).c_str());
    bar.RebuildChannels();
    EXPECT_EQ(bar.GetBlockWindow(59), nullptr);
    QWidget* block = bar.GetBlockWindow(0);
    QTest::mousePress(block, Qt::MiddleButton, {}, QPoint(5, 5));
    QTest::mouseMove(block, QPoint(5, -300));
    QTest::mouseRelease(block, Qt::MiddleButton, {}, QPoint(5, -300));
    EXPECT_EQ(bar.GetScrollY(), -305);
    bar.ScrollBy(-1000000);
    EXPECT_EQ(bar.GetScrollY(), bar.height() - bar.ContentSize().height());
    EXPECT_NE(bar.GetBlockWindow(59), nullptr);
    EXPECT_EQ(bar.GetBlockWindow(0), nullptr);
    bar.ScrollBy(1000000);
    EXPECT_EQ(bar.GetScrollY(), 0);
}

TEST_F(ChannelBarTest, ChooseFileStoresTheFullPathOutsideTheSearchPaths)
{
    auto* file = Add<MFileShaderNode>("map1");
    bar.RebuildChannels();
    ScriptedDialogs dialogs;
    dialogs.AnswerFile({"/elsewhere/rock.tga"});
    dialogs.CancelFile();
    // A double-click on the image name opens the chooser.
    QTest::mouseDClick(Block(0), Qt::LeftButton, {}, Block(0)->GetRow(1).label.rect.center());
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Choose Image...");
    EXPECT_EQ(file->GetParamByName("Fname"), "/elsewhere/rock.tga");
    // Cancelled: nothing changes.
    Block(0)->DoCommand(ID_CHANNEL_CHOOSE_FILE, 1);
    EXPECT_EQ(file->GetParamByName("Fname"), "/elsewhere/rock.tga");
}

TEST_F(ChannelBarTest, PopupMenuOffersTheRowsCommandsAndCollapsesTheBlock)
{
    Add<MFileShaderNode>("map1");
    Add<MFileShaderNode>("map2");
    bar.RebuildChannels();
    const auto saved = CChannelBar::PopupRunner();
    QStringList offered;
    QString choose = "Collapse";
    CChannelBar::PopupRunner() = [&](QMenu* menu, QPoint) -> QAction*
    {
        QAction* chosen = nullptr;
        offered.clear();
        for (QAction* a : menu->actions())
        {
            if (!a->isSeparator())
                offered << a->text();
            if (a->text() == choose)
                chosen = a;
        }
        return chosen;
    };
    CChannelParamWnd* block = Block(0);
    const QPoint onFname = block->GetRow(1).label.rect.center();
    QTest::mousePress(block, Qt::RightButton, {}, onFname);
    EXPECT_EQ(offered, QStringList({"Set Key", "Unset Key", "Copy Key", "Cut Key", "Paste Key",
                                    "Expand", "Collapse", "Collapse All Objects",
                                    "Expand All Objects", "Choose File..."}));
    QApplication::processEvents(); // the queued rebuild
    EXPECT_EQ(Block(0)->GetRowCount(), 1);
    EXPECT_EQ(Block(1)->GetRowCount(), 4);
    choose = "Expand All Objects";
    QTest::mousePress(Block(1), Qt::RightButton, {}, QPoint(5, 5));
    QApplication::processEvents();
    EXPECT_EQ(Block(0)->GetRowCount(), 4);
    CChannelBar::PopupRunner() = saved;
}

TEST_F(ChannelBarTest, ColourPickerWritesTwoDecimalsWithoutAnUndoNode)
{
    auto* o = Add<MBaseObject>("lamp");
    o->AddColourParam("Colour", "1 0.5 .2");
    bar.RebuildChannels();
    CColorPickerDlg picker;
    CChannelParamWnd* block = Block(0);
    picker.AttachRow(block, &block->GetRow(1));
    EXPECT_EQ(picker.windowTitle(), "lamp.Colour");
    EXPECT_EQ(o->GetParamByName("Colour"), "1 0.5 .2"); // opening changes nothing
    picker.GetSlider(0)->setValue(50);
    EXPECT_EQ(o->GetParamByName("Colour"), "0.50 0.50 0.20");
    EXPECT_EQ(block->GetRow(1).edit->text(), "0.50 0.50 0.20");
    EXPECT_EQ(picker.GetColorValue() & 0xFF, 127u);
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    // A rename shows in the block's accessible name.
    block->GetRow(0).edit->setText("lamp2");
    QTest::keyClick(block->GetRow(0).edit, Qt::Key_Return);
    EXPECT_EQ(Block(0)->accessibleName(), "lamp2");
    // The picker lets go of the row when its block goes with the selection.
    g_ColorPicker = &picker;
    scene->SelectNone();
    bar.RebuildChannels();
    g_ColorPicker = nullptr;
    EXPECT_EQ(picker.windowTitle(), "Colour Picker");
}
} // namespace
