#include "KViewActions.h"

#include "CMaterialViewWnd.h"
#include "COpenGLWnd.h"
#include "CSceneViewWnd.h"
#include "Globals.h"
#include "KActions.h"
#include "MBaseViewWndList.h"
#include "MPrivateEvent.h"
#include "MScene.h"

#include <QApplication>
#include <QCursor>

float g_IconSize = 20.0f;

int KViewportSceneOutline()
{
    if (!g_ActiveView)
        return 0;
    return ReplaceViewInPane(new CSceneViewWnd(), "Scene Outline", "SceneView", g_MainWnd) ? 1 : 0;
}

int KViewportMaterialEdit()
{
    if (!g_ActiveView)
        return 0;
    return ReplaceViewInPane(new CMaterialViewWnd(), "Material View", "MaterialEditView", g_MainWnd)
               ? 1
               : 0;
}

namespace
{
// Frames the view the way Frame Selected does; false for a view of a kind
// that has no framing.
bool FrameView(MBaseViewWnd* view)
{
    if (auto* gl = dynamic_cast<COpenGLWnd*>(view))
    {
        const MVector3 centre =
            g_CurrentScene ? g_CurrentScene->GetSelectionCentre(-1) : MVector3();
        gl->m_Target = MVector3(centre.x, centre.y, -centre.z);
        return true;
    }
    if (auto* material = dynamic_cast<CMaterialViewWnd*>(view))
    {
        material->FrameAll();
        return true;
    }
    return false;
}

// Zoom In (in) or Zoom Out on the active view.
int ZoomActiveView(bool in)
{
    const float factor = in ? 1.4f : 0.71428573f;
    if (auto* gl = dynamic_cast<COpenGLWnd*>(g_ActiveView))
    {
        if (gl->IsPerspective())
            gl->m_Distance += in ? -30.0f : 30.0f;
        else
            gl->m_Zoom *= factor;
        gl->Redraw();
        return 1;
    }
    auto* material = dynamic_cast<CMaterialViewWnd*>(g_ActiveView);
    if (!material)
        return 0;
    material->ZoomBy(factor);
    material->Redraw();
    return 1;
}

struct CameraPreset
{
    bool perspective;
    MVector3 angles; // elevation, roll, azimuth
    const char* name;
    MVector3 gridU, gridV;
};

// A new viewport with the preset's camera in place of the active view.
int ShowCameraPreset(const CameraPreset& p)
{
    if (!g_ActiveView)
        return 0;
    auto* view = new COpenGLWnd();
    if (p.perspective)
        view->AddFlags(VIEW_PERSPECTIVE);
    view->m_Angles = p.angles;
    view->SetGrid(p.gridU, p.gridV);
    view->UpdateCameraMatrices();
    return ReplaceViewInPane(view, p.name, "GLView", g_MainWnd) ? 1 : 0;
}

constexpr MVector3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};
} // namespace

int KViewportTop()
{
    return ShowCameraPreset({false, {0, 0, 0}, "Top", kX, kY});
}

int KViewportFront()
{
    return ShowCameraPreset({false, {-90, 0, 0}, "Front", kX, kZ});
}

int KViewportRight()
{
    return ShowCameraPreset({false, {-90, 0, -90}, "Right", kY, kZ});
}

int KViewportBottom()
{
    return ShowCameraPreset({false, {180, 0, 0}, "Bottom", kX, kY});
}

int KViewportBack()
{
    return ShowCameraPreset({false, {90, 0, 0}, "Back", kX, kZ});
}

int KViewportLeft()
{
    return ShowCameraPreset({false, {-90, 0, 90}, "Left", kY, kZ});
}

int KViewportPerspective()
{
    return ShowCameraPreset({true, {-70, 0, -120}, "Perspective", kX, kY});
}

int KViewportMakeCopy()
{
    if (!g_ActiveView)
        return 0;
    auto* copy = dynamic_cast<MBaseViewWnd*>(g_ActiveView->CreateNew());
    if (!copy)
        return 0;
    copy->setParent(g_MainWnd, Qt::Window);
    copy->setWindowTitle(QStringLiteral("View"));
    copy->setGeometry(10, 10, 490, 490);
    copy->InitView();
    g_ViewWndList.AddView(copy);
    SetActiveView(copy);
    copy->show();
    return 1;
}

int KViewportIncreaseIconSize()
{
    g_IconSize *= 1.5f;
    MPostMessage(UM_SCENE_CHANGED, 65535);
    return 1;
}

int KViewportDecreaseIconSize()
{
    g_IconSize *= 0.6666667f;
    MPostMessage(UM_SCENE_CHANGED, 65535);
    return 1;
}

int KViewportRedrawAll()
{
    MSendMessage(UM_SCENE_CHANGED, 65535);
    return 1;
}

int KViewportFullScreen()
{
    // The view under the mouse, else the active view.
    MBaseViewWnd* view = nullptr;
    for (QWidget* w = QApplication::widgetAt(QCursor::pos()); w && !view; w = w->parentWidget())
        view = g_ViewWndList.FindByWidget(w);
    if (!view)
        view = g_ActiveView;
    if (!view)
        return 0;
    view->ToggleFullView();
    return 1;
}

int KViewportToggleGrid()
{
    auto* gl = dynamic_cast<COpenGLWnd*>(g_ActiveView);
    if (!gl)
        return 0;
    gl->SetFlags(gl->GetFlags() ^ VIEW_GRID_VISIBLE);
    gl->Redraw();
    return 1;
}

int KViewportFrameSelected()
{
    if (!FrameView(g_ActiveView))
        return 0;
    g_ActiveView->Redraw();
    return 1;
}

int KViewportFrameAll()
{
    MBaseViewWnd* start = g_ActiveView;
    if (!start)
        return 0;
    // Each view in turn becomes the active view, quietly, and is framed.
    MBaseViewWnd* last = nullptr;
    for (int i = 0; i < g_ViewWndList.GetCount(); ++i)
    {
        MBaseViewWnd* view = g_ViewWndList.GetAt(i);
        g_ActiveView = view;
        FrameView(view);
        last = view;
    }
    g_ActiveView = start;
    start->Redraw();
    if (last && last != start)
        last->Redraw();
    return 1;
}

int KViewportZoomIn()
{
    return ZoomActiveView(true);
}

int KViewportZoomOut()
{
    return ZoomActiveView(false);
}
