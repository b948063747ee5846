// The three camera tools of the viewports: orbit, track and zoom.

#include "COpenGLWnd.h"
#include "MBaseViewWndList.h"
#include "MPanOrbitToolType.h"
#include "MPanTrackToolType.h"
#include "MPanZoomToolType.h"

#include <algorithm>
#include <cmath>

namespace
{
// The active view when it is a viewport and the tool holds a button; a tool
// without a held button takes the position as its new start.
COpenGLWnd* DragView(MToolType& tool, int& startX, int& startY, float x, float y)
{
    if (!tool.m_Held)
    {
        startX = int(x);
        startY = int(y);
        return nullptr;
    }
    return dynamic_cast<COpenGLWnd*>(g_ActiveView);
}
} // namespace

int MPanOrbitToolType::OnDrag(float x, float y, const MKeyState& state)
{
    MToolType::OnDrag(x, y, state);
    COpenGLWnd* view = DragView(*this, m_StartX, m_StartY, x, y);
    if (!view)
        return 0;
    const float dx = float(m_StartX) - x;
    const float dy = float(m_StartY) - y;
    float& elevation = view->m_Angles.x;
    float& azimuth = view->m_Angles.z;
    const int k = (int(elevation) + 360) % 360;
    if (k > 180)
        azimuth -= 0.5f * dx;
    else
        azimuth += 0.5f * dx;
    elevation -= 0.5f * dy;
    if (elevation < 0)
        elevation += 360;
    if (azimuth < 0)
        azimuth += 360;
    if (elevation > 360)
        elevation -= 360;
    if (azimuth > 360)
        azimuth -= 360;
    if (!view->IsPerspective())
        view->SetViewName("User");
    view->UpdateCameraMatrices();
    m_StartX = int(x);
    m_StartY = int(y);
    return 1;
}

int MPanTrackToolType::OnDrag(float x, float y, const MKeyState& state)
{
    MToolType::OnDrag(x, y, state);
    COpenGLWnd* view = DragView(*this, m_StartX, m_StartY, x, y);
    if (!view)
        return 0;
    const MVector3 v =
        view->m_InverseCameraMatrix * MVector3(float(m_StartX) - x, float(m_StartY) - y, 0.0f);
    const int w = view->width();
    const int h = view->height();
    const float extent =
        w > h ? view->m_ProjRight - view->m_ProjLeft : view->m_ProjTop - view->m_ProjBottom;
    float s = 0;
    if (view->IsPerspective())
        s = extent * (view->m_Distance / view->GetAspect()) * (1.0f / 1024.0f);
    else
        s = extent * (1.0f / view->m_Zoom) / float(std::max(1, std::max(w, h)));
    // The stored target keeps z negated, so a move along world z is taken
    // off it.
    view->m_Target += MVector3(v.x * s, v.y * s, -v.z * s);
    m_StartX = int(x);
    m_StartY = int(y);
    return 1;
}

int MPanZoomToolType::OnDrag(float x, float y, const MKeyState& state)
{
    MToolType::OnDrag(x, y, state);
    COpenGLWnd* view = DragView(*this, m_StartX, m_StartY, x, y);
    if (!view)
        return 0;
    const float dx = float(m_StartX) - x;
    if (view->IsPerspective())
        view->m_Distance += dx;
    else
    {
        view->m_Zoom /= std::max(kMinDivisor, dx * 0.02f + 1.0f);
        view->SetupProjection(0);
    }
    m_StartX = int(x);
    m_StartY = int(y);
    return 1;
}
