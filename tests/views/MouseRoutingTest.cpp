#include "ViewTestSupport.h"

#include "KViewActions.h"

#include <QMenu>

namespace
{
class MouseRouting : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        view = AddView<RecordingView>(QRect(0, 0, 300, 200), "Material View", 0);
        other = AddView<RecordingView>(QRect(310, 0, 300, 200), "Other", 1);
        ShowMain();
        main->installEventFilter(&layouts);
    }
    void TearDown() override
    {
        main->removeEventFilter(&layouts);
        ViewTest::TearDown();
    }

    RecordingView* view = nullptr;
    RecordingView* other = nullptr;
    LayoutRequestCounter layouts;
};
} // namespace

TEST_F(MouseRouting, LeftCornerSquareTogglesFullViewWithoutReachingTheView)
{
    const int w = view->width();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(w - 30, 5));
    EXPECT_TRUE(view->IsFullView());
    EXPECT_EQ(g_ActiveView, view);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(w - 30, 5));
    EXPECT_EQ(view->Count('d'), 0);
    EXPECT_EQ(view->Count('u'), 0);
    QCoreApplication::sendPostedEvents(main.get(), QEvent::LayoutRequest);
    EXPECT_GE(layouts.count, 1);

    // The right square does nothing, the left one toggles back.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(w - 10, 5));
    EXPECT_TRUE(view->IsFullView());
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(w - 35, 17));
    EXPECT_FALSE(view->IsFullView());
    EXPECT_EQ(view->Count('d'), 0);
    EXPECT_EQ(view->Count('u'), 0);
    // Only the full-view bit changes.
    view->SetFlags(VIEW_GRID_VISIBLE);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(w - 19, 0));
    EXPECT_EQ(view->GetFlags(), uint32_t(VIEW_GRID_VISIBLE | VIEW_FULL_VIEW));
}

TEST_F(MouseRouting, PressesJustOutsideTheCornerBoxReachTheView)
{
    const int w = view->width();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(w - 36, 5));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(w - 30, 18));
    EXPECT_FALSE(view->IsFullView());
    ASSERT_EQ(view->Count('d'), 2);
    EXPECT_EQ(view->Count('u'), 2);
    // The right and middle buttons in the box are ordinary presses.
    QTest::mouseClick(view, Qt::MiddleButton, {}, QPoint(w - 30, 5));
    EXPECT_FALSE(view->IsFullView());
    EXPECT_EQ(view->Count('d'), 3);
}

TEST_F(MouseRouting, CaptureAndDragStartLastUntilTheLastButtonIsUp)
{
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 10));
    ASSERT_NE(view->Last('d'), nullptr);
    EXPECT_EQ(view->Last('d')->state, (MKeyState{1, 0, 0, 1, 0, 0}));
    EXPECT_EQ(view->GetDragStart(), QPoint(10, 10));

    QTest::mouseMove(view, QPoint(40, 30));
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(40, 30));
    EXPECT_EQ(view->Last('d')->state, (MKeyState{0, 0, 0, 1, 1, 0}));
    EXPECT_EQ(view->GetDragStart(), QPoint(10, 10));

    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(40, 30));
    ASSERT_NE(view->Last('u'), nullptr);
    EXPECT_EQ(view->Last('u')->state, (MKeyState{0, 0, 0, 0, 1, 0}));

    // Still captured: a move over the other view goes to this one.
    const int before = view->Count('m');
    QTest::mouseMove(view, QPoint(400, 50));
    EXPECT_EQ(view->Count('m'), before + 1);
    EXPECT_EQ(view->Last('m')->x, 400);
    EXPECT_EQ(other->Count('m'), 0);

    QTest::mouseRelease(view, Qt::RightButton, {}, QPoint(400, 50));
    EXPECT_EQ(view->Last('u')->state, MKeyState());
    EXPECT_EQ(view->GetDragStart(), QPoint(10, 10));

    // Released: the next move over the other view is the other view's.
    QTest::mouseMove(view, QPoint(420, 60));
    EXPECT_EQ(other->Count('m'), 1);
    EXPECT_EQ(view->Count('m'), before + 1);
    EXPECT_EQ(view->Count('d'), 2);
    EXPECT_EQ(view->Count('u'), 2);
}

TEST_F(MouseRouting, PressesMakeTheViewActiveAndCarryTheModifiers)
{
    SetActiveView(other);
    QTest::mousePress(view, Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier, QPoint(5, 6));
    EXPECT_EQ(g_ActiveView, view);
    ASSERT_NE(view->Last('d'), nullptr);
    EXPECT_EQ(view->Last('d')->x, 5);
    EXPECT_EQ(view->Last('d')->y, 6);
    EXPECT_EQ(view->Last('d')->state, (MKeyState{0, 1, 1, 0, 0, 1}));
    QTest::mouseMove(view, QPoint(7, 8));
    EXPECT_EQ(view->Last('m')->state.middle, 1);
    QTest::mouseRelease(view, Qt::MiddleButton, {}, QPoint(7, 8));
    EXPECT_EQ(view->Last('u')->state.middle, 0);
}

TEST_F(MouseRouting, RightPressInTheLabelRectangleOpensThePopupOnly)
{
    view->SetLabelRect({0, 0, 50, 16});
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(50, 16));
    QTest::mouseRelease(view, Qt::RightButton, {}, QPoint(50, 16));
    ASSERT_EQ(view->popups.size(), 1u);
    EXPECT_EQ(view->popups[0], view->mapToGlobal(QPoint(50, 16)));
    EXPECT_EQ(view->Count('d'), 0);
    EXPECT_EQ(view->Count('u'), 0);
    EXPECT_EQ(g_ActiveView, view);

    // Outside the rectangle, or with another button held, it is a press.
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(51, 10));
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(60, 30));
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(view, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(view->popups.size(), 1u);
    EXPECT_EQ(view->Count('d'), 3);
    EXPECT_EQ(view->Count('u'), 3);
}

TEST_F(MouseRouting, PopupViewCommandReplacesThePaneView)
{
    g_ActionRegistry.RegisterAction("KViewportSceneOutline", "Scene Outline View", "View",
                                    KViewportSceneOutline);
    QPointer<RecordingView> old(view);
    std::vector<QString> texts;
    view->menuTexts = &texts;
    view->realPopup = true;
    view->chooseCommand = ID_VIEW_SCENE_OUTLINE;
    const QRect geometry = view->geometry();
    // The material view's popup area is the whole view.
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(150, 150));
    QTest::mouseRelease(g_ViewPanes[0], Qt::RightButton, {}, QPoint(150, 150));

    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "View");
    auto* outline = dynamic_cast<CSceneViewWnd*>(g_ViewPanes[0]);
    ASSERT_NE(outline, nullptr);
    EXPECT_EQ(outline->GetViewName(), "Scene Outline");
    EXPECT_EQ(outline->geometry(), geometry);
    EXPECT_EQ(g_ActiveView, outline);
    EXPECT_EQ(g_ViewWndList.GetCount(), 2);
    EXPECT_TRUE(g_ViewWndList.Contains(other));
    FlushDeletes();
    EXPECT_TRUE(old.isNull());
}

TEST_F(MouseRouting, ViewCommandsWithoutTheirActionLeaveTheViewStanding)
{
    view->realPopup = true;
    view->chooseCommand = ID_VIEW_MAKE_COPY;
    SetActiveView(view);
    const int redraws = view->redraws;
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(view->redraws, redraws + 1);
    EXPECT_EQ(view->OnViewCommand(ID_VIEW_MATERIAL_VIEW), 1);
    EXPECT_EQ(view->OnViewCommand(12345), 0);
    EXPECT_FALSE(view->IsWindowDestroyed());
    EXPECT_EQ(g_ViewPanes[0], view);
}

TEST(ViewMenu, AppendsTheViewSubmenu)
{
    CSceneViewWnd view;
    QMenu menu;
    menu.addAction("Wireframe");
    EXPECT_EQ(view.AppendViewMenu(nullptr), 0);
    ASSERT_EQ(view.AppendViewMenu(&menu), 1);
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items[1]->isSeparator());
    QMenu* sub = items[2]->menu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(items[2]->text(), "View");
    const QList<QAction*> subItems = sub->actions();
    ASSERT_EQ(subItems.size(), 4);
    EXPECT_EQ(subItems[0]->text(), "Make Copy");
    EXPECT_EQ(MGetCommandId(subItems[0]), 33013);
    EXPECT_TRUE(subItems[1]->isSeparator());
    EXPECT_EQ(subItems[2]->text(), "Scene Outline");
    EXPECT_EQ(MGetCommandId(subItems[2]), 33000);
    EXPECT_EQ(subItems[3]->text(), "Material View");
    EXPECT_EQ(MGetCommandId(subItems[3]), 33046);
}

TEST_F(MouseRouting, ADoubleClickIsTwoPressesAndTwoReleases)
{
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_EQ(view->Count('d'), 2);
    EXPECT_EQ(view->Count('u'), 2);
    EXPECT_EQ(view->GetInputState(), MKeyState());
}
