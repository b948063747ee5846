#pragma once

#include "MBaseOpenGLWnd.h"
#include "MDragShaderInfo.h"

#include <QFontMetrics>
#include <QPointF>

#include <array>
#include <memory>

class MBaseShaderNode;
class MMaterial;
class MMaterialLayer;
class MScene;
class QMouseEvent;

// The material edit view: every visible material of the scene as a small tree
// of square cells (the material, its layers, each layer's shader nodes), each
// with a live swatch drawn with the OpenGL state the nodes set up and the
// object's name under it. Clicks select, double-clicks expand and collapse,
// drags move layers and nodes, the popup menu expands, adds and imports.
//
// World units: a cell is 0.4 square, y grows downwards as pixel y does. The
// layout is never stored: drawing, hit testing and the drop-target search
// each walk the scene afresh with the same rules (Walk), so they always
// agree. Cells out of view cost no OpenGL work and no SetOpenGLParams call,
// and drawing ends its walk at the first column right of the view. Only the
// extents of the last walk outlive it.
//
// Edits made here act on the model directly and record no undo; each tells
// the main window that the scene changed.
class CMaterialViewWnd : public MBaseOpenGLWnd
{
    Q_OBJECT

  public:
    // What the drop target names while a drag is under way.
    enum DragMode : int
    {
        DRAG_NONE = 0,
        DRAG_LAYER = 1,    // the drop target has a layer
        DRAG_NODE = 2,     // the drop target has a shader node
        DRAG_MATERIAL = 3, // the drop target names a material alone
    };
    // DrawItem flags.
    enum : int
    {
        DRAW_DESCEND = 1,
        DRAW_ADVANCE = 2,
        DRAW_OUTLINE = 4,
        DRAW_LABEL = 8,
        DRAW_ALL = 15,
    };
    // Popup menu command ids.
    enum : int
    {
        ID_MATVIEW_COLLAPSE_ALL = 32990,
        ID_MATVIEW_EXPAND_ALL = 32991,
        ID_MATVIEW_EXPAND_SELECTION = 32992,
        ID_MATVIEW_COLLAPSE_SELECTION = 33058,
        ID_MATVIEW_ADD_LAYER = 33060,
        ID_MATVIEW_IMPORT = 33062,
        ID_MATVIEW_EXPORT = 33063,
        // "Add Shader Node" items: one per node class, numbered from here.
        ID_MATVIEW_FIRST_NODE_CLASS = 10,
        ID_MATVIEW_LAST_NODE_CLASS = 110,
    };

    static constexpr int MaterialsPerColumn = 8;
    static constexpr float kCellSize = 0.4f;
    static constexpr float kChildStep = 0.5f;
    static constexpr float kColumnGap = 0.2f;
    // The zoom stays within these bounds whatever the input: far enough out
    // to frame a few hundred thousand materials, far enough in that a cell
    // fills many screens.
    static constexpr float kMinZoom = 1.0e-4f;
    static constexpr float kMaxZoom = 1.0e3f;
    // The most one mouse-move event may zoom out or in with the zoom control.
    static constexpr float kMinDragZoomFactor = 0.1f;
    static constexpr float kMaxDragZoomFactor = 10.0f;

    explicit CMaterialViewWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~CMaterialViewWnd() override;

    M_DECLARE_CLASS_NAMES(CMaterialViewWnd, MBaseViewWnd)
    // A new material view, not yet shown, with this view's name and options.
    MBaseObject* CreateNew() const override;

    int InitView() override;
    void ShowPopupMenu(int screenX, int screenY) override;
    int OnViewCommand(int commandId) override;
    void OnMouseDown(int x, int y, const MKeyState& state) override;
    void OnMouseUp(int x, int y, const MKeyState& state) override;
    void OnMouseMove(int x, int y, const MKeyState& state) override;
    void SetupProjection(int pickMode) override;
    void SetupViewTransform() override;
    float GetViewScale() override;
    void DrawOverlay() override;

    // Draws one frame into the current context's framebuffer (paintGL calls
    // it; a benchmark may call it after making the view current).
    void DrawView();

    // A window pixel (y downwards) as a world position.
    MVector3 ScreenToWorld(int px, int py) const;
    // The window pixel of a world position (the inverse of ScreenToWorld).
    QPointF WorldToScreen(const MVector3& p) const;

    // Sets zoom and pan so that every visible material fits the view: the
    // layout is walked afresh and its extents framed. The caller redraws.
    void FrameAll();
    // Multiplies the zoom (Zoom In 1.4, Zoom Out 0.7142857); the result is
    // held within kMinZoom..kMaxZoom, and a factor that is not a positive
    // number is ignored. The caller redraws.
    void ZoomBy(float factor);
    float GetZoom() const { return m_Zoom; }
    void SetZoom(float zoom);
    const MVector3& GetPan() const { return m_Pan; }
    void SetPan(const MVector3& pan) { m_Pan = pan; }

    // The material, layer or shader node whose cell holds the world point,
    // or null.
    MBaseObject* HitTest(const MVector3& point);
    // Sets the record to the drop place under the world point and returns
    // it; returns null, leaving the record alone, where there is none.
    MDragShaderInfo* FindDropTarget(const MVector3& point, MDragShaderInfo& record);
    // Walks the whole layout without drawing: refreshes the extents.
    void LayoutWalk();
    const MVector3& GetExtentsMin() const { return m_ExtentsMin; }
    const MVector3& GetExtentsMax() const { return m_ExtentsMax; }
    // The height of one row of cells, in world units, at the present zoom.
    float GetRowHeight();

    // The text shortened to fit the limits, in pixels of the font the labels
    // are drawn with: the text itself when it fits, else its longest start
    // that fits followed by "...", else empty (also when the font is taller
    // than the height limit).
    MStr FitLabel(const MStr& text, int widthLimit, int heightLimit) const;
    // The label of an object before fitting: its name, and for a shader node
    // the node's summary after it.
    static MStr LabelText(const MBaseObject* object);

    int GetDragMode() const { return m_DragMode; }
    const MDragShaderInfo& GetDragSource() const { return m_DragSource; }
    const MDragShaderInfo& GetDropTarget() const { return m_DropTarget; }
    const MVector3& GetInsertionStart() const { return m_InsertionLine[0]; }
    const MVector3& GetInsertionEnd() const { return m_InsertionLine[1]; }
    // True when the last draw showed the insertion line: exactly then a
    // release drops.
    bool IsInsertionLineShown() const { return m_InsertionShown; }
    const MVector3& GetPressPoint() const { return m_PressPoint; }

  protected:
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    struct WalkItem;
    class DrawVisitor;
    class HitVisitor;
    class DropVisitor;
    friend class DrawVisitor;

    // The layout walk over the scene's visible materials, calling the
    // visitor's Begin at each placed item and End when the item's children
    // are placed; either may stop the walk by returning true. Before each
    // new column the visitor's DoneBefore(column x) may end the walk too.
    template <class Visitor> void Walk(Visitor& visitor);
    template <class Visitor> bool PlaceMaterial(Visitor& visitor, MMaterial* material);
    template <class Visitor> bool PlaceLayer(Visitor& visitor, MMaterialLayer* layer);

    // Pixel size, text height and row height from the present size and zoom.
    void UpdateScale();
    // The font's text height in pixels.
    int TextHeightPixels() const;
    void GrowExtents(float x, float y, float z);
    bool IsCellVisible(float x, float y) const;
    // Aspect factor and the larger side, from the present size.
    float AspectFactor() const;
    float LargerSide() const;

    // Moves the dragged layer or node to the drop target.
    void PerformDrop();
    // The right press: selects before the popup opens.
    void SelectForPopup(int x, int y, bool ctrl);
    // Sets or clears OBJ_EXPANDED on every selected object.
    void SetSelectionExpanded(bool expanded);
    // Adds a node of the prototype numbered commandId to the first selected
    // layer.
    void AddShaderNode(int commandId);
    // The shader-node prototype a popup id stands for, or null.
    static MBaseObject* NodePrototypeForCommand(int commandId);
    void SceneChanged();

    MVector3 m_Pan;
    float m_Zoom = 1.0f;
    // Visible area relative to the pan centre (top negative, bottom positive).
    float m_AreaLeft = 0, m_AreaTop = 0, m_AreaBottom = 0, m_AreaRight = 0;
    MVector3 m_PixelSize;
    float m_TextHeight = 0;
    MVector3 m_ExtentsMin;
    MVector3 m_ExtentsMax;
    // The cursor of the walk under way.
    MVector3 m_Cursor;
    float m_RowHeight = kCellSize;

    MVector3 m_PressPoint;
    int m_LastX = 0, m_LastY = 0;
    int m_DragMode = DRAG_NONE;
    MDragShaderInfo m_DragSource;
    MDragShaderInfo m_DropTarget;
    MVector3 m_InsertionLine[2];
    bool m_InsertionShown = false;

    // Metrics of the font the label lists are built from.
    std::unique_ptr<QFontMetrics> m_LabelMetrics;
    // Pixel advance of each byte as its glyph list draws it.
    std::array<int, 256> m_GlyphAdvance{};
};
