// The time controls: the ruler's mapping, clamps and labels, scrolling, the
// frame field, the "Time Change" undo of a drag, and play.
#include "CBottomDlg.h"
#include "CImageButton.h"
#include "CTimeScroller.h"
#include "CurrentSceneFixture.h"
#include "Globals.h"
#include "KActions.h"
#include "MAction.h"
#include "MMesh.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MTransformObject.h"
#include "MUndoList.h"
#include "MUndoNodes.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>

namespace
{
TEST(TimeScrollerTest, ClicksMapToFramesAndPositionsStayInRange)
{
    CTimeScroller ruler;
    ruler.resize(1000, 24);
    ruler.SetRange(0, 200);
    struct Case
    {
        int x, frame;
    } clicks[] = {{0, 0}, {2, 0}, {3, 1}, {500, 100}, {999, 200}, {-50, -9}};
    for (const Case& c : clicks)
        EXPECT_EQ(ruler.FrameAtX(c.x), c.frame) << "x " << c.x;
    struct Clamp
    {
        int set, position;
    } clamps[] = {{-5, 0}, {0, 0}, {120, 120}, {200, 200}, {500, 200}};
    for (const Clamp& c : clamps)
    {
        ruler.SetPosition(c.set);
        EXPECT_EQ(ruler.GetPosition(), c.position) << "set " << c.set;
    }
    ruler.SetRange(10, 20); // a narrower range pulls the position in
    EXPECT_EQ(ruler.GetPosition(), 20);
    const CTimeScroller::KeyTimes keys = {{0, MStr("0")}, {120, MStr("1")}};
    ruler.AddKeyList(&keys);
    ruler.AddKeyList(&keys);
    EXPECT_EQ(ruler.GetKeyListCount(), 1);
}

TEST(TimeScrollerTest, LabelStepIsTheSmallestThatFitsAndDivides200)

{
    // Labels 6 pixels a digit.
    auto width = [](int i) { return 6 * int(std::to_string(i).size()); };
    struct Case
    {
        int innerWidth, step;
    } cases[] = {{1200, 5}, {600, 10}, {100, 50}, {10, 205}};
    for (const Case& c : cases)
    {
        const int step = CTimeScroller::LabelStep(201, c.innerWidth, width);
        EXPECT_EQ(step, c.step) << "width " << c.innerWidth;
        // Past the frame count only the first frame is labelled.
        if (step < 201)
        {
            EXPECT_EQ(200 % step, 0);
        }
    }
}

class BottomPanelTest : public CurrentSceneFixture
{
  protected:
    void SetUp() override
    {
        CurrentSceneFixture::SetUp();
        panel = new CBottomDlg(&window);
        window.resize(1000, 100);
        panel->setGeometry(0, 0, 1000, CBottomDlg::kHeight);
        panel->Scroller()->SetRange(0, 200);
        window.show();
        g_MainWnd = &window;
    }
    void TearDown() override
    {
        g_MainWnd = nullptr;
        CurrentSceneFixture::TearDown();
    }
    QString Field() const { return panel->FrameField()->text(); }
    QWidget window;
    CBottomDlg* panel = nullptr;
};

TEST_F(BottomPanelTest, ScrollCodesMoveTheTime)
{
    struct Case
    {
        int code, frame, time;
    } cases[] = {
        {CBottomDlg::SB_PAGERIGHT, 0, 1200},   {CBottomDlg::SB_LINERIGHT, 0, 1320},
        {CBottomDlg::SB_LINELEFT, 0, 1200},    {CBottomDlg::SB_PAGELEFT, 0, 0},
        {CBottomDlg::SB_THUMBTRACK, 57, 6840},
    };
    for (const Case& c : cases)
    {
        panel->HorizontalScroll(c.code, c.frame);
        // The ruler follows once the main window refreshes the time.
        panel->RefreshTime();
        EXPECT_EQ(scene->GetTime(), c.time) << "code " << c.code;
        EXPECT_EQ(Field().toInt(), c.time / 120);
        EXPECT_EQ(panel->Scroller()->GetPosition(), c.time / 120);
    }
}

TEST_F(BottomPanelTest, FrameFieldReadsANumberAsAtofDoes)
{
    struct Case
    {
        const char* text;
        int ticks;
    } cases[] = {{"2.5", 300}, {"abc", 0},         {"  3", 360},        {"-1.5", -180},
                 {"7x", 840},  {"1e300", INT_MAX}, {"-1e300", INT_MIN}, {"nan", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(FrameTextToTicks(c.text), c.ticks) << c.text;

    panel->FrameField()->setFocus();
    panel->FrameField()->setText("2.5");
    QTest::keyClick(panel->FrameField(), Qt::Key_Return);
    EXPECT_EQ(scene->GetTime(), 300);
    EXPECT_EQ(Field(), "2");
    EXPECT_EQ(panel->Scroller()->GetPosition(), 2);
}

TEST_F(BottomPanelTest, ADragIsOneTimeChangeAndAClickInPlaceIsNone)
{
    CTimeScroller* ruler = panel->Scroller();
    const int w = ruler->width();
    auto xOf = [&](int frame) { return int(frame * double(w) / 200); };
    QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(xOf(50), 10));
    QTest::mouseMove(ruler, QPoint(xOf(80), 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(xOf(100), 10),
                     QPointF(ruler->mapToGlobal(QPoint(xOf(100), 10))), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(ruler, &move);
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(xOf(100), 10));
    EXPECT_EQ(scene->GetTime(), 100 * 120);
    ASSERT_EQ(g_UndoList.GetCount(), 1);
    EXPECT_EQ(g_UndoList.HeadName().str(), "Time Change");
    EXPECT_EQ(g_PendingUndoNode, nullptr);
    g_UndoList.Step();
    EXPECT_EQ(scene->GetTime(), 0);

    // A click on the current frame records nothing; a click elsewhere does.
    panel->RefreshTime();
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(xOf(0), 10));
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(xOf(20), 10));
    EXPECT_EQ(scene->GetTime(), 20 * 120);
    ASSERT_EQ(g_UndoList.GetCount(), 1);
    g_UndoList.Step();
    EXPECT_EQ(scene->GetTime(), 0);
}

TEST_F(BottomPanelTest, KeysOfTheSelectedObjectsAreMarked)
{
    auto* mesh = new MMesh();
    scene->AddObject(mesh);
    mesh->GetTransform()->SetTranslate({0, 0, 0}, 0, true);
    mesh->GetTransform()->SetRotate({0, 0, 90}, 240, true);
    panel->RefreshTime();
    EXPECT_EQ(panel->Scroller()->GetKeyListCount(), 0);
    scene->SelectObject(mesh);
    panel->RefreshTime();
    // Translate and rotate carry keys; scale has none.
    EXPECT_EQ(panel->Scroller()->GetKeyListCount(), 2);
    scene->SelectNone();
    panel->RefreshTime();
    EXPECT_EQ(panel->Scroller()->GetKeyListCount(), 0);
}

TEST_F(BottomPanelTest, PlayAdvancesLoopsAndStopsWhenTheTimeIsMoved)
{
    EXPECT_EQ(KControlPlayCamera(), 1);
    EXPECT_TRUE(panel->IsPlaying());
    EXPECT_TRUE(panel->PlayButton()->isChecked());
    panel->PlayStep();
    panel->PlayStep();
    EXPECT_EQ(scene->GetTime(), 240);
    EXPECT_EQ(panel->Scroller()->GetPosition(), 2);
    // From the last frame it starts again at the first.
    KControlPlayCamera();
    EXPECT_FALSE(panel->IsPlaying());
    scene->SetTime(200 * 120);
    panel->StartPlay();
    panel->PlayStep();
    EXPECT_EQ(scene->GetTime(), 0);
    // It runs by itself at 30 frames a second.
    QTest::qWait(200);
    EXPECT_GE(scene->GetTime(), 2 * 120);
    // Held down, the play button does not toggle again.
    g_ActionRegistry.RegisterAction("KControlPlayCamera", "Play Camera", "Main",
                                    KControlPlayCamera);
    QTest::mousePress(panel->PlayButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(panel->IsPlaying());
    QTest::qWait(CImageButton::kFirstRepeatMs + 100);
    QTest::mouseRelease(panel->PlayButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(panel->IsPlaying());
    g_ActionRegistry.Clear();
    panel->StartPlay();
    // Someone else moving the time stops it, as an edit does.
    scene->SetTime(5000);
    panel->PlayStep();
    EXPECT_FALSE(panel->IsPlaying());
    EXPECT_FALSE(panel->PlayButton()->isChecked());
    EXPECT_EQ(scene->GetTime(), 5000);
    panel->StartPlay();
    g_UndoList.AddNode(new MTimeUndoNode());
    panel->PlayStep();
    EXPECT_FALSE(panel->IsPlaying());
}
} // namespace
