#include "ViewTestSupport.h"

using ViewList = ViewTest;
TEST_F(ViewList, ListingHoldsAReferenceAndRemovalOrDeletionLeavesNoPointerBehind)
{
    auto* view = new CSceneViewWnd(main.get());
    QPointer<CSceneViewWnd> alive(view);
    EXPECT_EQ(view->GetRefCount(), 1); // the window's own
    g_ViewWndList.AddView(view);
    g_ViewWndList.AddView(view);
    g_ViewWndList.AddView(nullptr);
    EXPECT_EQ(view->GetRefCount(), 2);
    EXPECT_EQ(g_ViewWndList.GetCount(), 1);
    EXPECT_EQ(g_ViewWndList.FindByWidget(view), view);
    EXPECT_EQ(g_ViewWndList.FindByWidget(main.get()), nullptr);
    EXPECT_EQ(g_ViewWndList.RemoveView(view), nullptr);
    EXPECT_EQ(g_ViewWndList.GetCount(), 0);
    EXPECT_TRUE(view->IsWindowDestroyed());
    EXPECT_FALSE(view->isVisible());
    ASSERT_FALSE(alive.isNull());
    EXPECT_EQ(view->GetRefCount(), 1);
    FlushDeletes();
    EXPECT_TRUE(alive.isNull());
    auto* a = AddView<CSceneViewWnd>(QRect(0, 0, 100, 100), "A", 0);
    auto* b = AddView<CSceneViewWnd>(QRect(100, 0, 100, 100), "B", 1);
    auto* floating = new CSceneViewWnd(main.get(), Qt::Window);
    alive = floating;
    floating->InitView();
    g_ViewWndList.AddView(floating);
    floating->show();
    SetActiveView(floating);
    floating->close();
    EXPECT_FALSE(g_ViewWndList.Contains(floating));
    EXPECT_EQ(g_ActiveView, b);
    FlushDeletes();
    EXPECT_TRUE(alive.isNull());
    SetActiveView(a);
    delete a;
    EXPECT_EQ(g_ViewWndList.GetCount(), 1);
    EXPECT_EQ(g_ActiveView, nullptr);
    EXPECT_EQ(g_ViewPanes[0], nullptr);
    EXPECT_EQ(g_ViewPanes[1], b);
    main.reset();
    EXPECT_EQ(g_ViewWndList.GetCount(), 0);
    EXPECT_EQ(g_ViewPanes[1], nullptr);
}
TEST_F(ViewList, TheActiveViewRedrawsWhenItChangesAndFallsToTheNewestOnRemoval)
{
    auto* a = AddView<RecordingView>(QRect(0, 0, 100, 100), "A");
    auto* b = AddView<RecordingView>(QRect(100, 0, 100, 100), "B");
    auto* c = AddView<RecordingView>(QRect(200, 0, 100, 100), "C");
    EXPECT_EQ(g_ViewWndList.GetAt(0), c);
    EXPECT_EQ(g_ViewWndList.GetAt(2), a);
    EXPECT_EQ(g_ViewWndList.GetAt(3), nullptr);
    SetActiveView(a);
    a->redraws = b->redraws = c->redraws = 0;
    SetActiveView(a);
    EXPECT_EQ(a->redraws, 0);
    SetActiveView(b);
    EXPECT_EQ(a->redraws, 1);
    EXPECT_EQ(b->redraws, 1);
    SetActiveView(nullptr);
    EXPECT_EQ(b->redraws, 2);
    g_ViewWndList.RedrawAll();
    EXPECT_EQ(a->redraws, 2);
    EXPECT_EQ(b->redraws, 3);
    SetActiveView(a);
    const int redrawsOfC = c->redraws;
    EXPECT_EQ(g_ViewWndList.RemoveView(b), c);
    EXPECT_EQ(g_ActiveView, c);
    EXPECT_EQ(c->redraws, redrawsOfC); // made active without a redraw
    EXPECT_EQ(g_ViewWndList.RemoveView(c), a);
    EXPECT_EQ(g_ActiveView, a);
    EXPECT_EQ(g_ViewWndList.RemoveView(c), a);
    EXPECT_EQ(g_ViewWndList.RemoveView(a), nullptr);
    EXPECT_EQ(g_ActiveView, nullptr);
}
TEST_F(ViewList, PaneReplacementKeepsThePlaceOfTheActiveView)
{
    AddView<CSceneViewWnd>(QRect(3, 3, 300, 400), "Left", 0);
    AddView<CSceneViewWnd>(QRect(309, 303, 200, 100), "Lower", 1);
    auto* upper = AddView<CSceneViewWnd>(QRect(309, 3, 200, 294), "Upper", 2);
    ShowMain();
    g_ActiveView = nullptr;
    EXPECT_EQ(KViewportMaterialEdit(), 0);
    EXPECT_EQ(KViewportSceneOutline(), 0);
    EXPECT_EQ(g_ViewPanes[2], upper);
    QPointer<CSceneViewWnd> old(upper);
    SetActiveView(upper);
    ASSERT_EQ(KViewportMaterialEdit(), 1);
    auto* view = dynamic_cast<CMaterialViewWnd*>(g_ViewPanes[2]);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->parentWidget(), main.get());
    EXPECT_FALSE(view->isWindow());
    EXPECT_EQ(view->geometry(), QRect(309, 3, 200, 294));
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->GetViewName(), "Material View");
    EXPECT_EQ(view->windowTitle(), "MaterialEditView");
    EXPECT_EQ(g_ActiveView, view);
    EXPECT_EQ(g_ViewWndList.GetHead(), view);
    EXPECT_EQ(g_ViewWndList.GetCount(), 3);
    FlushDeletes();
    EXPECT_TRUE(old.isNull());
    ASSERT_EQ(KViewportSceneOutline(), 1);
    auto* outline = dynamic_cast<CSceneViewWnd*>(g_ViewPanes[2]);
    ASSERT_NE(outline, nullptr);
    EXPECT_EQ(outline->geometry(), QRect(309, 3, 200, 294));
    EXPECT_EQ(outline->GetViewName(), "Scene Outline");
}
TEST_F(ViewList, AReplacementOutsideThePanesTakesTheOldScreenPlace)
{
    ShowMain();
    const auto replace = [](MBaseViewWnd* old)
    {
        SetActiveView(old);
        EXPECT_EQ(KViewportMaterialEdit(), 1);
        EXPECT_NE(dynamic_cast<CMaterialViewWnd*>(g_ActiveView), nullptr);
        return g_ActiveView;
    };
    auto* floating = new CSceneViewWnd(main.get(), Qt::Window);
    floating->setGeometry(120, 140, 320, 240);
    floating->InitView();
    g_ViewWndList.AddView(floating);
    floating->show();
    const QRect place = floating->geometry();
    MBaseViewWnd* view = replace(floating);
    EXPECT_TRUE(view->isWindow());
    EXPECT_EQ(view->parentWidget(), main.get());
    EXPECT_EQ(view->geometry(), place);
    for (MBaseViewWnd* pane : g_ViewPanes)
        EXPECT_EQ(pane, nullptr);
    EXPECT_EQ(g_ViewWndList.GetCount(), 1);
    auto* loose = new CSceneViewWnd();
    loose->InitView();
    g_ViewWndList.AddView(loose);
    g_ViewPanes[1] = loose;
    loose->setGeometry(QRect(main->mapToGlobal(QPoint(40, 50)), QSize(200, 100)));
    loose->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(loose));
    view = replace(loose);
    EXPECT_EQ(g_ViewPanes[1], view);
    EXPECT_EQ(view->parentWidget(), main.get());
    EXPECT_EQ(view->geometry(), QRect(40, 50, 200, 100));
    view = replace(AddView<CSceneViewWnd>(QRect(60, 70, 120, 90), "Child"));
    EXPECT_TRUE(view->isWindow());
    EXPECT_EQ(view->geometry(), QRect(main->mapToGlobal(QPoint(60, 70)), QSize(120, 90)));
}
