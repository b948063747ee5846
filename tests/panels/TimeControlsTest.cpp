// The ruler and the bottom panel: frames, labels, scrolling, the frame field,
// the "Time Change" undo of a drag, and play.
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
TEST(TimeScrollerTest, FramesPositionsMarkerAndLabelSteps)
{
    CTimeScroller ruler;
    ruler.resize(1000, 24);
    ruler.SetRange(0, 200);
    for (auto [x, frame] : {std::pair{0, 0}, {2, 0}, {3, 1}, {500, 100}, {999, 200}, {-50, -9}})
        EXPECT_EQ(ruler.FrameAtX(x), frame) << "x " << x;
    for (auto [set, position] : {std::pair{-5, 0}, {120, 120}, {200, 200}, {500, 200}})
    {
        ruler.SetPosition(set);
        EXPECT_EQ(ruler.GetPosition(), position) << "set " << set;
    }
    // The current frame is drawn as one frame-wide marker.
    ruler.SetPosition(100);
    const QImage image = ruler.grab().toImage();
    std::vector<int> marked;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, 20) == QColor(0, 170, 255))
            marked.push_back(x);
    ASSERT_GE(marked.size(), 3u);
    EXPECT_LE(marked.size(), 5u);
    EXPECT_NEAR(ruler.FrameAtX(marked[marked.size() / 2]), 100, 1);
    EXPECT_EQ(image.pixelColor(marked[0], 0), QColor(Qt::black)); // within the border
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

// The fixture counts the scene-changed messages that make the views redraw.
class BottomPanelTest : public CurrentSceneFixture, public QObject
{
  protected:
    void SetUp() override
    {
        CurrentSceneFixture::SetUp();
        MSetMessageTarget(this);
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
        MSetMessageTarget(nullptr);
        CurrentSceneFixture::TearDown();
    }
    bool event(QEvent* e) override
    {
        redraws += e->type() == QEvent::Type(UM_SCENE_CHANGED);
        return true;
    }
    QString Field() const { return panel->FrameField()->text(); }
    QWidget window;
    CBottomDlg* panel = nullptr;
    int redraws = 0;
};

TEST_F(BottomPanelTest, ControlsLieWithinThePanelWithoutOverlapping)
{
    const QList<QWidget*> parts = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_GE(parts.size(), 6);
    for (QWidget* a : parts)
        for (QWidget* b : parts)
            EXPECT_TRUE(panel->rect().contains(a->geometry()) &&
                        (a == b || !a->geometry().intersects(b->geometry())));
}

TEST_F(BottomPanelTest, ScrollCodesMoveTheTime)
{
    // Code, frame, the time it gives.
    using B = CBottomDlg;
    const int cases[][3] = {
        {B::SB_PAGERIGHT, 0, 1200}, {B::SB_LINERIGHT, 0, 1320},   {B::SB_LINELEFT, 0, 1200},
        {B::SB_PAGELEFT, 0, 0},     {B::SB_THUMBTRACK, 57, 6840},
    };
    for (const auto& c : cases)
    {
        panel->HorizontalScroll(c[0], c[1]);
        panel->RefreshTime(); // the ruler follows once the main window refreshes
        EXPECT_EQ(scene->GetTime(), c[2]) << "code " << c[0];
        EXPECT_EQ(std::pair(Field().toInt(), panel->Scroller()->GetPosition()),
                  std::pair(c[2] / 120, c[2] / 120));
    }
    EXPECT_EQ(redraws, 5);
}

TEST_F(BottomPanelTest, FrameFieldReadsANumberAsAtofDoes)
{
    const std::pair<const char*, int> cases[] = {
        {"2.5", 300}, {"abc", 0},         {"  3", 360},        {"-1.5", -180},
        {"7x", 840},  {"1e300", INT_MAX}, {"-1e300", INT_MIN}, {"nan", 0}};
    for (auto [text, ticks] : cases)
        EXPECT_EQ(FrameTextToTicks(text), ticks) << text;
    panel->FrameField()->setFocus();
    panel->FrameField()->setText("2.5");
    QTest::keyClick(panel->FrameField(), Qt::Key_Return);
    EXPECT_EQ(scene->GetTime(), 300);
    EXPECT_EQ(std::pair(Field(), panel->Scroller()->GetPosition()), std::pair(QString("2"), 2));
    EXPECT_EQ(redraws, 1); // Enter redraws the views
}

TEST_F(BottomPanelTest, ADragIsOneTimeChangeAndAClickInPlaceIsNone)
{
    CTimeScroller* ruler = panel->Scroller();
    auto at = [&](int frame) { return QPoint(int(frame * double(ruler->width()) / 200), 10); };
    QTest::mousePress(ruler, Qt::LeftButton, {}, at(50));
    QMouseEvent move(QEvent::MouseMove, QPointF(at(100)), QPointF(ruler->mapToGlobal(at(100))),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(ruler, &move);
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, at(100));
    EXPECT_EQ(scene->GetTime(), 100 * 120);
    ASSERT_EQ(g_UndoList.GetCount(), 1);
    EXPECT_EQ(g_UndoList.HeadName().str(), "Time Change");
    EXPECT_EQ(g_PendingUndoNode, nullptr);
    g_UndoList.Step();
    EXPECT_EQ(scene->GetTime(), 0);
    // A click on the current frame records nothing; a click elsewhere does.
    panel->RefreshTime();
    QTest::mouseClick(ruler, Qt::LeftButton, {}, at(0));
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    QTest::mouseClick(ruler, Qt::LeftButton, {}, at(20));
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
    // Translate and rotate carry keys; scale has none.
    for (bool selected : {false, true, false})
    {
        selected ? scene->SelectObject(mesh) : scene->SelectNone();
        panel->RefreshTime();
        EXPECT_EQ(panel->Scroller()->GetKeyListCount(), selected ? 2 : 0);
    }
}

TEST_F(BottomPanelTest, PlayAdvancesLoopsAndStopsWhenTheTimeIsMoved)
{
    EXPECT_EQ(KControlPlayCamera(), 1);
    EXPECT_TRUE(panel->IsPlaying() && panel->PlayButton()->isChecked());
    panel->PlayStep();
    panel->PlayStep();
    EXPECT_EQ(scene->GetTime(), 240);
    EXPECT_EQ(redraws, 2);
    EXPECT_EQ(panel->Scroller()->GetPosition(), 2);
    // From the last frame it starts again at the first.
    KControlPlayCamera();
    EXPECT_FALSE(panel->IsPlaying());
    scene->SetTime(200 * 120);
    panel->StartPlay();
    panel->PlayStep();
    EXPECT_EQ(scene->GetTime(), 0);
    QTest::qWait(200); // it runs by itself at 30 frames a second
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
    // Someone else moving the time stops it, as an edit does.
    panel->StartPlay();
    scene->SetTime(5000);
    panel->PlayStep();
    EXPECT_FALSE(panel->IsPlaying() || panel->PlayButton()->isChecked());
    EXPECT_EQ(scene->GetTime(), 5000);
    panel->StartPlay();
    g_UndoList.AddNode(new MTimeUndoNode());
    panel->PlayStep();
    EXPECT_FALSE(panel->IsPlaying());
}
} // namespace
