#pragma once

#include "MBaseViewWnd.h"
#include "MRay.h"

#include <QPointF>
#include <QRect>
#include <QSize>

// The pick region of the last SetupProjection with a pick mode: its centre
// and size in window pixels (y downwards).
struct MPickRegion
{
    int centreX = 0, centreY = 0, width = 0, height = 0;
    bool operator==(const MPickRegion&) const = default;
};

// Axis gizmo flags.
enum : int
{
    GIZMO_X = 0x01,
    GIZMO_Y = 0x02,
    GIZMO_Z = 0x04,
    GIZMO_VIEW_PLANE = 0x08,
    GIZMO_HILIGHT_X = 0x10,
    GIZMO_HILIGHT_Y = 0x20,
    GIZMO_HILIGHT_Z = 0x40,
    GIZMO_HILIGHT_VIEW_PLANE = 0x80,
    GIZMO_LABELS = 0x100,
    GIZMO_CONES = 0x200,
};

// A view drawn with OpenGL (the 3D viewport, the material view).
//
// The context is the QOpenGLWidget's own, a compatibility-profile context so
// the fixed-function calls work. Qt makes it when the widget is first shown;
// initializeGL then sets the initial state and makes sure the bitmap font
// lists exist. With Qt::AA_ShareOpenGLContexts all views share one list
// namespace and the lists are built once; without it every context builds its
// own. Either way MEnsureFontLists asks the context whether the lists are
// already there, so every context that draws text has them. The lists are
// never deleted by a view, since other views may share them; they go with
// the last context of the share group.
class MBaseOpenGLWnd : public MBaseViewWnd
{
    Q_OBJECT

  public:
    explicit MBaseOpenGLWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~MBaseOpenGLWnd() override;

    M_DECLARE_CLASS_NAMES(MBaseViewWnd, MBaseObject)
    MBaseObject* CreateNew() const override { return nullptr; }

    void ReleaseView() override;
    // Schedules a repaint; paintGL draws.
    void Redraw() override;

    // Virtual operations added by OpenGL views, in slot order.
    // 11. Viewport, projection matrix and aspect factor; with a pick mode,
    // the pick matrix of the tool's drag positions. Views call this first,
    // then load their projection.
    virtual void SetupProjection(int pickMode);
    // 12. Multiplies the camera transform onto the modelview matrix.
    virtual void SetupViewTransform() {}
    // 13. Recomputes the camera rotation matrices.
    virtual void UpdateCameraMatrices() {}
    // 14. Scales the modelview so that gizmos keep their size on screen.
    virtual void ApplyScreenScale() {}
    // 15. World units per pixel relative to the base projection.
    virtual float GetViewScale() { return 1.0f; }
    // 16. The 2D overlay, drawn after the scene.
    virtual void DrawOverlay() {}

    // Asks for a context with the given bits (colour, depth, alpha), logs
    // the pixel format line and measures the font. The context itself is made
    // when the window is first shown; a failure there is logged. Returns 0.
    int InitOpenGL(int colourBits, int depthBits, int alphaBits);
    // 0 when the view's context is current (already or now), 2 when there is
    // no usable context.
    int MakeCurrent();
    // Lets go of the context.
    void ReleaseContexts();

    // The ray under a window pixel, from the near plane into the scene.
    MRay ScreenToRay(int x, int y);
    // Where the ray under a window pixel meets the plane. When the ray runs
    // along the plane (or there is no context) the ray's origin is returned
    // and `hit`, when given, is set false.
    MVector3 ScreenToPlane(int x, int y, const MPlane& plane, bool* hit = nullptr);

    // An axis tripod at the origin of the current modelview (GIZMO_* flags).
    void DrawAxisGizmo(float size, float alpha, float lineWidth, bool pickNames, int flags);

    // The tool's drag start and current mouse positions, read by
    // SetupProjection when picking.
    void SetToolDragPositions(QPointF start, QPointF current)
    {
        m_ToolDragStart = start;
        m_ToolDragCurrent = current;
    }
    const MPickRegion& GetPickRegion() const { return m_PickRegion; }

    float GetAspect() const { return m_Aspect; }
    QSize GetTextExtent() const { return m_TextExtent; }
    const QRect& GetClientRect() const { return m_ClientRect; }
    // Drag points on the construction plane, kept by the concrete views.
    MVector3 m_DragStartPlane;
    MVector3 m_DragCurrentPlane;
    // Projection extents, set by the concrete projection.
    float m_ProjLeft = 0, m_ProjTop = 0, m_ProjBottom = 0, m_ProjRight = 0;

  protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    // The overlay pieces every OpenGL view draws, in pixel coordinates
    // (y upwards) with the matrices saved and restored around them: the view
    // name at the top left, the corner box at the top right, and, for the
    // active view, the active frame.
    void DrawStandardOverlay();
    // Loads a pixel projection (0..w, 0..h, -20..20) and an identity modelview.
    void LoadPixelProjection();
    void DrawViewName();
    void DrawCornerBox();
    void DrawActiveFrame();

    // Viewport size in device pixels.
    int ViewportWidth() const;
    int ViewportHeight() const;

    QRect m_ClientRect;
    float m_Aspect = 1.0f;
    QSize m_TextExtent;
    QPointF m_ToolDragStart;
    QPointF m_ToolDragCurrent;
    MPickRegion m_PickRegion;

  private:
    bool m_ContextFailureLogged = false;
};
