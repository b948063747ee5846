#include "ViewTestSupport.h"

namespace
{
struct LayoutRequestCounter : QObject
{
    bool eventFilter(QObject*, QEvent* e) override
    {
        return count += e->type() == QEvent::LayoutRequest, false;
    }
    int count = 0;
};
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
    RecordingView* view = nullptr;
    RecordingView* other = nullptr;
    LayoutRequestCounter layouts;
};
} // namespace
TEST_F(MouseRouting, TheCornerBoxTogglesFullViewAndSwallowsItsPresses)
{
    const std::tuple<Qt::MouseButton, int, int, bool, int> cases[] = {
        {Qt::LeftButton, 35, 0, true, 0},  {Qt::LeftButton, 19, 17, false, 0},
        {Qt::LeftButton, 18, 5, false, 0}, {Qt::LeftButton, 1, 17, false, 0},
        {Qt::LeftButton, 30, 5, true, 0},  {Qt::LeftButton, 36, 5, true, 1},
        {Qt::LeftButton, 30, 18, true, 2}, {Qt::MiddleButton, 30, 5, true, 3},
        {Qt::LeftButton, 25, 10, false, 3}};
    for (const auto& [button, fromRight, y, fullAfter, downsAfter] : cases)
    {
        SCOPED_TRACE(testing::Message() << fromRight << ", " << y);
        QTest::mouseClick(view, button, {}, QPoint(view->width() - fromRight, y));
        EXPECT_EQ(view->IsFullView(), fullAfter);
        EXPECT_EQ(g_ActiveView, view);
        EXPECT_EQ(std::pair(view->Count('d'), view->Count('u')), std::pair(downsAfter, downsAfter));
    }
    QCoreApplication::sendPostedEvents(main.get(), QEvent::LayoutRequest);
    EXPECT_GE(layouts.count, 1);
    view->SetFlags(VIEW_GRID_VISIBLE);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(view->width() - 19, 0));
    EXPECT_EQ(view->GetFlags(), uint32_t(VIEW_GRID_VISIBLE | VIEW_FULL_VIEW));
}
TEST_F(MouseRouting, CaptureAndDragStartLastUntilTheLastButtonIsUp)
{
    SetActiveView(other);
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 10));
    EXPECT_EQ(g_ActiveView, view);
    ASSERT_EQ(view->Count('d'), 1);
    EXPECT_EQ(view->Last('d').state, (MKeyState{1, 0, 0, 1, 0, 0}));
    EXPECT_EQ(view->GetDragStart(), QPoint(10, 10));
    QTest::mouseMove(view, QPoint(40, 30));
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(40, 30));
    EXPECT_EQ(view->Last('d').state, (MKeyState{0, 0, 0, 1, 1, 0}));
    EXPECT_EQ(view->GetDragStart(), QPoint(10, 10));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(view->Last('u').state, (MKeyState{0, 0, 0, 0, 1, 0}));
    const int before = view->Count('m');
    QTest::mouseMove(view, QPoint(400, 50));
    EXPECT_EQ(view->Count('m'), before + 1);
    EXPECT_EQ(view->Last('m').x, 400);
    EXPECT_EQ(other->Count('m'), 0);
    QTest::mouseRelease(view, Qt::RightButton, {}, QPoint(400, 50));
    EXPECT_EQ(view->Last('u').state, MKeyState());
    QTest::mouseMove(view, QPoint(420, 60));
    EXPECT_EQ(other->Count('m'), 1);
    EXPECT_EQ(view->Count('m'), before + 1);
    EXPECT_EQ(std::pair(view->Count('d'), view->Count('u')), std::pair(2, 2));
    QTest::mousePress(view, Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier, QPoint(5, 6));
    EXPECT_EQ(QPoint(view->Last('d').x, view->Last('d').y), QPoint(5, 6));
    EXPECT_EQ(view->Last('d').state, (MKeyState{0, 1, 1, 0, 0, 1}));
    QTest::mouseRelease(view, Qt::MiddleButton, {}, QPoint(7, 8));
    EXPECT_EQ(view->Last('u').state.middle, 0);
    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_EQ(std::pair(view->Count('d'), view->Count('u')), std::pair(5, 5));
    EXPECT_EQ(view->GetInputState(), MKeyState());
}
TEST_F(MouseRouting, RightPressInTheLabelRectangleOpensThePopupOnly)
{
    view->SetLabelRect({0, 0, 50, 16});
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(50, 16));
    QTest::mouseRelease(view, Qt::RightButton, {}, QPoint(50, 16));
    ASSERT_EQ(view->popupAt.size(), 1u);
    EXPECT_EQ(view->popupAt[0], view->mapToGlobal(QPoint(50, 16)));
    EXPECT_EQ(view->Count('d') + view->Count('u'), 0);
    EXPECT_EQ(g_ActiveView, view);
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(51, 10));
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(60, 30));
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(view, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(view->popupAt.size(), 1u);
    EXPECT_EQ(std::pair(view->Count('d'), view->Count('u')), std::pair(3, 3));
}
TEST_F(MouseRouting, PopupViewCommandsReplaceThePaneViewOrLeaveItStanding)
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
    g_ActionRegistry.RegisterAction("KViewportSceneOutline", "Scene Outline View", "View",
                                    KViewportSceneOutline);
    QPointer<RecordingView> old(view);
    view->chooseCommand = ID_VIEW_SCENE_OUTLINE;
    const QRect geometry = view->geometry();
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(150, 150));
    QTest::mouseRelease(g_ViewPanes[0], Qt::RightButton, {}, QPoint(150, 150));
    auto* outline = dynamic_cast<CSceneViewWnd*>(g_ViewPanes[0]);
    ASSERT_NE(outline, nullptr);
    EXPECT_EQ(outline->geometry(), geometry);
    EXPECT_EQ(g_ActiveView, outline);
    EXPECT_EQ(g_ViewWndList.GetCount(), 2);
    EXPECT_TRUE(g_ViewWndList.Contains(other));
    FlushDeletes();
    EXPECT_TRUE(old.isNull());
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
    EXPECT_EQ(items[2]->text(), "View");
    ASSERT_NE(items[2]->menu(), nullptr);
    std::vector<std::pair<QString, int>> sub;
    for (QAction* a : items[2]->menu()->actions())
        sub.emplace_back(a->isSeparator() ? "-" : a->text(), MGetCommandId(a));
    EXPECT_EQ(
        sub,
        (std::vector<std::pair<QString, int>>{
            {"Make Copy", 33013}, {"-", 0}, {"Scene Outline", 33000}, {"Material View", 33046}}));
}
