// The channel bar driven as a user drives it, with the file chooser, the
// popup menu and the colour picker.
#include "CChannelBar.h"
#include "CChannelParamWnd.h"
#include "CColorPickerDlg.h"
#include "CurrentSceneFixture.h"
#include "Globals.h"
#include "KUndoActions.h"
#include "MMesh.h"
#include "MParameterObject.h"
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
// The bar stands alone; the fixture stands in for the main window and
// rebuilds the bar on UM_REFRESH_CHANNELS.
class ChannelBarTest : public CurrentSceneFixture, public QObject
{
  protected:
    void SetUp() override
    {
        CurrentSceneFixture::SetUp();
        g_UndoList.SetClearsOpposite(true);
        MSetMessageTarget(this);
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
    bool event(QEvent* e) override
    {
        if (static_cast<int>(e->type()) == UM_REFRESH_CHANNELS)
            bar.RebuildChannels();
        sceneChanged += static_cast<int>(e->type()) == UM_SCENE_CHANGED;
        return true;
    }
    template <class T> T* Add(const char* name, bool open = true)
    {
        auto* o = new T;
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

    CChannelBar bar;
    int sceneChanged = 0;
};

TEST_F(ChannelBarTest, EveryParameterKindGetsItsRowWithAccessibleNames)
{
    auto* blend = Add<MBlendFuncShaderNode>("blend1");
    Add<MFileShaderNode>("map1");
    Add<MFileShaderNode>("closed", false);
    ASSERT_EQ(bar.GetBlockCount(), 3);
    CChannelParamWnd* b0 = Block(0);
    EXPECT_EQ(b0->accessibleName(), "blend1");
    ASSERT_EQ(b0->GetRowCount(), blend->GetParamCount());
    EXPECT_EQ(Edit(0, 0)->accessibleName(), "Name");
    // Choice lists come sorted, with the value's item chosen.
    QComboBox* src = b0->GetRow(2).choice;
    ASSERT_NE(src, nullptr);
    for (int i = 1; i < src->count(); ++i)
        EXPECT_LT(src->itemText(i - 1).compare(src->itemText(i), Qt::CaseInsensitive), 0);
    EXPECT_EQ(src->currentText(), "GL_ONE");
    EXPECT_EQ(Edit(1, 1)->accessibleName(), "Fname");
    EXPECT_EQ(Block(2)->GetRowCount(), 1); // a closed block shows its name alone
}

TEST_F(ChannelBarTest, TypedAndChosenFilesCommitWithAnUndoNodeAndEscapeRestores)
{
    auto* file = Add<MFileShaderNode>("map1");
    Edit(0, 1)->setText("textures/a.tga");
    QTest::keyClick(Edit(0, 1), Qt::Key_Escape);
    EXPECT_EQ(Edit(0, 1)->text(), "");
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    Edit(0, 1)->setText("textures/a.tga");
    QTest::keyClick(Edit(0, 1), Qt::Key_Return);
    EXPECT_EQ(file->GetParamByName("Fname"), "textures/a.tga");
    EXPECT_EQ(g_UndoList.HeadName(), "Edit Fname");
    EXPECT_GE(sceneChanged, 1);
    // A double-click on the image name opens the chooser; a file outside the
    // search paths is stored with its full path, and a cancel changes nothing.
    ScriptedDialogs dialogs;
    dialogs.AnswerFile({"/elsewhere/rock.tga"});
    dialogs.CancelFile();
    QTest::mouseDClick(Block(0), Qt::LeftButton, {}, Block(0)->GetRow(1).label.rect.center());
    Block(0)->DoCommand(ID_CHANNEL_CHOOSE_FILE, 1);
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Choose Image...");
    EXPECT_EQ(Edit(0, 1)->text(), "/elsewhere/rock.tga");
    ASSERT_EQ(g_UndoList.GetCount(), 2);
    // Undo and redo bring the values back, and the field shows them.
    for (const char* value : {"textures/a.tga", ""})
    {
        ASSERT_EQ(KEditUndo(), 1);
        EXPECT_EQ(file->GetParamByName("Fname"), value);
        EXPECT_EQ(Edit(0, 1)->text(), value);
    }
    ASSERT_EQ(KEditRedo(), 1);
    EXPECT_EQ(Edit(0, 1)->text(), "textures/a.tga");
}

TEST_F(ChannelBarTest, TabAndShiftTabWalkRowsAcrossBlocksWithWrapAround)
{
    Add<MFileShaderNode>("a");
    Add<MFileShaderNode>("b", false);
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

TEST_F(ChannelBarTest, RebuildKeepsBlocksStillSelectedAndDropsTheRest)
{
    auto* a = Add<MFileShaderNode>("a");
    auto* b = Add<MFileShaderNode>("b");
    CChannelParamWnd* bWindow = Block(1);
    scene->DeselectObject(a);
    Add<MBlendFuncShaderNode>("c");
    ASSERT_EQ(bar.GetBlockCount(), 2);
    EXPECT_EQ(bar.GetBlockObject(0), b);
    EXPECT_EQ(bar.GetBlockWindow(0), bWindow);
    EXPECT_EQ(bar.GetBlockObject(1)->GetName(), "c");
    // A scene object brings a block for its transform, kept and dropped with it.
    auto* mesh = Add<MMesh>("mesh");
    ASSERT_EQ(bar.GetBlockCount(), 4);
    EXPECT_EQ(bar.GetBlockObject(2), mesh);
    EXPECT_EQ(bar.GetBlockObject(3), mesh->GetTransform());
    scene->SelectNone();
    bar.RebuildChannels();
    EXPECT_EQ(bar.GetBlockCount(), 0);
}

TEST_F(ChannelBarTest, DragScrollingIsClamped)
{
    EXPECT_EQ(MDragScroller::ClampAxis(-20, -50, 400, 300), 20); // content that fits snaps back
    // The middle button drags over a block; blocks are made as they come into view.
    for (int i = 0; i < 60; ++i)
        Add<MFileShaderNode>(("n" + std::to_string(i)).c_str());
    EXPECT_EQ(bar.GetBlockWindow(59), nullptr);
    QWidget* block = bar.GetBlockWindow(0);
    QTest::mousePress(block, Qt::MiddleButton, {}, QPoint(5, 5));
    QTest::mouseMove(block, QPoint(5, -300));
    QTest::mouseRelease(block, Qt::MiddleButton, {}, QPoint(5, -300));
    EXPECT_EQ(bar.GetScrollY(), -305);
    // The left button drags on the background, and the bar keeps the events.
    auto send = [&](QEvent::Type type, int y)
    {
        QMouseEvent e(type, QPointF(248, y), bar.mapToGlobal(QPointF(248, y)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
        QApplication::sendEvent(&bar, &e);
        return e.isAccepted();
    };
    EXPECT_TRUE(send(QEvent::MouseButtonPress, 300));
    EXPECT_TRUE(send(QEvent::MouseMove, 200));
    EXPECT_TRUE(send(QEvent::MouseButtonRelease, 200));
    EXPECT_EQ(bar.GetScrollY(), -405);
    bar.ScrollBy(-1000000);
    EXPECT_EQ(bar.GetScrollY(), bar.height() - bar.ContentSize().height());
    EXPECT_NE(bar.GetBlockWindow(59), nullptr);
    EXPECT_EQ(bar.GetBlockWindow(0), nullptr);
    bar.ScrollBy(1000000);
    EXPECT_EQ(bar.GetScrollY(), 0);
}

TEST_F(ChannelBarTest, PopupMenuOffersTheRowsCommandsAndCollapsesTheBlock)
{
    Add<MFileShaderNode>("map1");
    Add<MFileShaderNode>("map2");
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
    QTest::mousePress(Block(0), Qt::RightButton, {}, Block(0)->GetRow(1).label.rect.center());
    EXPECT_EQ(offered, QStringList({"Set Key", "Unset Key", "Copy Key", "Cut Key", "Paste Key",
                                    "Expand", "Collapse", "Collapse All Objects",
                                    "Expand All Objects", "", "Choose File..."}));
    QApplication::processEvents(); // the queued rebuild
    EXPECT_EQ(Block(0)->GetRowCount(), 1);
    EXPECT_EQ(Block(1)->GetRowCount(), 4);
    Add<MMesh>("mesh", false); // and its transform, both closed
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

TEST_F(ChannelBarTest, ColourPickerShowsTheRowAndWritesTwoDecimalsWithoutAnUndoNode)
{
    auto* o = new MBaseObject;
    o->SetName("lamp");
    o->AddColourParam("Colour", "1 0.5 .2");
    o->AddFlags(OBJ_CHANNELS_OPEN);
    scene->AddObject(o);
    scene->SelectObject(o);
    bar.RebuildChannels();
    CColorPickerDlg picker;
    CChannelParamWnd* block = Block(0);
    picker.AttachRow(block, &block->GetRow(1));
    EXPECT_EQ(picker.windowTitle(), "lamp.Colour");
    EXPECT_EQ(o->GetParamByName("Colour"), "1 0.5 .2"); // attaching rewrites nothing
    EXPECT_EQ(picker.GetSlider(1)->value(), 50);
    picker.GetSlider(0)->setValue(50);
    EXPECT_EQ(o->GetParamByName("Colour"), "0.50 0.50 0.20");
    EXPECT_EQ(block->GetRow(1).edit->text(), "0.50 0.50 0.20");
    EXPECT_EQ(picker.GetColorValue() & 0xFFFF, 0x7F7Fu);
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
} // namespace
