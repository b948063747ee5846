#pragma once

#include "MBaseOpenGLWnd.h"
#include "MVector3.h"
#include "Matrix3.h"

class MBaseObjectList;
class MToolType;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

// The 3D viewport: the scene seen through a camera orbiting a target,
// orthographic (the axis views) or perspective, with a ground grid, the
// scene drawn by the library, an overlay (name, axis tripod, corner box,
// active frame) and mouse input passed to the current tool.
class COpenGLWnd : public MBaseOpenGLWnd
{
    Q_OBJECT

  public:
    // Popup menu command ids.
    enum : int
    {
        ID_BACKFACE_CULL = 32950,
        ID_SHADE_LIT_TEXTURED = 32951,
        ID_SHADE_TEXTURED = 32952,
        ID_SHADE_SMOOTH = 32953,
        ID_SHADE_FLAT = 32954,
        ID_SHADE_WIREFRAME = 32955,
        ID_GRID_XY = 32958,
        ID_GRID_XZ = 32959,
        ID_GRID_YZ = 32960,
        ID_GRID_VISIBLE = 32976,
        ID_FILTER_NEAREST = 33002,
        ID_FILTER_LINEAR = 33003,
    };

    explicit COpenGLWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~COpenGLWnd() override;

    M_DECLARE_CLASS_NAMES(COpenGLWnd, MBaseViewWnd)
    // A new viewport, not yet a window, with this one's name, camera, grid,
    // shading, texture filter and flag word.
    MBaseObject* CreateNew() const override;

    int InitView() override;
    // Schedules a repaint; while the scene picks, draws at once so the hits
    // are there when this returns.
    void Redraw() override;
    void OnMouseUp(int x, int y, const MKeyState& state) override;
    void OnMouseDown(int x, int y, const MKeyState& state) override;
    void OnMouseMove(int x, int y, const MKeyState& state) override;
    void ShowPopupMenu(int screenX, int screenY) override;
    int OnViewCommand(int commandId) override;
    void SetupProjection(int pickMode) override;
    void SetupViewTransform() override;
    void UpdateCameraMatrices() override;
    void ApplyScreenScale() override;
    void DrawOverlay() override;
    // How much a gizmo drawn at a point must be scaled to keep its size on
    // screen.
    virtual float GetScreenScaleAt(const MVector3& point);

    void SetGrid(const MVector3& u, const MVector3& v)
    {
        m_GridU = u;
        m_GridV = v;
    }
    bool IsPerspective() const { return HasFlags(VIEW_PERSPECTIVE); }

    // Draws the whole view into the current framebuffer now (paintGL's work).
    void DrawNow();
    // Draws the scene in its current pick mode with the pick region between
    // two window points, filling the list with the hits.
    void PickScene(const MVector3& start, const MVector3& current, MBaseObjectList* hits);
    // The handle of the current tool (and of the tool below a temporary
    // one) under the pick region: the name after the marker in the last hit
    // record that has one; 0 when nothing was hit.
    int PickAt(bool pick);

    // The camera: it looks at (x, y, -z) of the stored target.
    MVector3 m_Target;
    // Elevation (about X), roll (about Y), azimuth (about Z), in degrees.
    MVector3 m_Angles;
    float m_Zoom = 1.0f;
    float m_Distance = 100.0f;
    MVector3 m_GridU{1, 0, 0};
    MVector3 m_GridV{0, 1, 0};
    int m_ShadingMode = 0;
    int m_TextureFilter = 0x2601; // GL_LINEAR
    Matrix3 m_CameraMatrix;
    Matrix3 m_InverseCameraMatrix;

    // Shift, Ctrl and Alt of a key event into the input state (the main
    // window hands on the keys it takes for its bindings).
    void ReadKeyModifiers(const QKeyEvent* event);

    // The last mouse position any viewport saw, for the camera tools.
    static MVector3 s_PrevMouse;

  protected:
    void paintGL() override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // A double click is one click for the tools: the second press is not
    // passed on as another mouse-down.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void DrawGrid();
    void WrapCursor(MToolType* tool, int& x, int& y);
    MBaseObjectList* m_PickList = nullptr;
};
