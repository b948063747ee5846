// Zoom and framing actions on the active view.
#include "CSceneViewWnd.h"
#include "KActions.h"
#include "MaterialViewTestSupport.h"

#include <gtest/gtest.h>

using ViewActions = MaterialViewTest;

TEST_F(ViewActions, ZoomInAndOutMultiplyTheMaterialViewsZoom)
{
    SetActiveView(view);
    ASSERT_FLOAT_EQ(view->GetZoom(), 1.0f);
    EXPECT_EQ(KViewportZoomIn(), 1);
    EXPECT_EQ(KViewportZoomIn(), 1);
    EXPECT_FLOAT_EQ(view->GetZoom(), 1.4f * 1.4f);
    EXPECT_EQ(KViewportZoomOut(), 1);
    EXPECT_EQ(KViewportZoomIn(), 1);
    EXPECT_NEAR(view->GetZoom(), 1.96f, 1e-5f);
}

TEST_F(ViewActions, FrameSelectedFramesTheMaterialViewsCells)
{
    SetActiveView(view);
    // An empty scene frames the origin: zoom 2 / 0.2.
    EXPECT_EQ(KViewportFrameSelected(), 1);
    EXPECT_FLOAT_EQ(view->GetZoom(), 10.0f);
    EXPECT_FLOAT_EQ(view->GetPan().x, 0.0f);

    for (const char* name : {"a", "b", "c"})
        AddMaterial(name);
    EXPECT_EQ(KViewportFrameSelected(), 1);
    // Three rows from the column start at x 0.2: the cells span 0..0.6 in x.
    EXPECT_FLOAT_EQ(view->GetPan().x, 0.3f);
    EXPECT_LT(view->GetZoom(), 10.0f);
}

TEST_F(ViewActions, ViewsOfOtherKindsAreLeftAlone)
{
    auto* outline = AddView<CSceneViewWnd>(QRect(0, 0, 200, 200), "Scene Outline");
    SetActiveView(outline);
    EXPECT_EQ(KViewportZoomIn(), 0);
    EXPECT_EQ(KViewportFrameSelected(), 0);
    EXPECT_FLOAT_EQ(view->GetZoom(), 1.0f);
    // Frame All frames every view, the material view too, and the outline
    // stays the active view.
    EXPECT_EQ(KViewportFrameAll(), 1);
    EXPECT_FLOAT_EQ(view->GetZoom(), 10.0f);
    EXPECT_EQ(g_ActiveView, outline);
}
