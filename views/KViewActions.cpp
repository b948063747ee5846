#include "KViewActions.h"

#include "CMaterialViewWnd.h"
#include "CSceneViewWnd.h"
#include "Globals.h"
#include "MBaseViewWndList.h"

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
// that has no framing yet.
bool FrameView(MBaseViewWnd* view)
{
    if (auto* material = dynamic_cast<CMaterialViewWnd*>(view))
    {
        material->FrameAll();
        return true;
    }
    return false;
}

int ZoomActiveView(float factor)
{
    auto* material = dynamic_cast<CMaterialViewWnd*>(g_ActiveView);
    if (!material)
        return 0;
    material->ZoomBy(factor);
    material->Redraw();
    return 1;
}
} // namespace

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
    return ZoomActiveView(1.4f);
}

int KViewportZoomOut()
{
    return ZoomActiveView(0.71428573f);
}
