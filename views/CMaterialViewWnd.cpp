#include "CMaterialViewWnd.h"

#include "Globals.h"
#include "MAction.h"
#include "MBaseShaderNode.h"
#include "MGLFont.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMenu.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MStageState.h"
#include "MSystemManager.h"

#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <typeinfo>

namespace
{
// The walk meets thousands of materials and layers it never draws; an exact
// type match is a pointer compare, so the cast costs next to nothing for the
// classes themselves and stays correct for classes derived from them.
MMaterial* AsMaterial(MBaseObject* obj)
{
    if (typeid(*obj) == typeid(MMaterial))
        return static_cast<MMaterial*>(obj);
    return dynamic_cast<MMaterial*>(obj);
}

MMaterialLayer* AsLayer(MBaseObject* obj)
{
    if (typeid(*obj) == typeid(MMaterialLayer))
        return static_cast<MMaterialLayer*>(obj);
    return dynamic_cast<MMaterialLayer*>(obj);
}

// Saved-state bracket: the modelview and texture matrices, and the colour,
// polygon, enable, depth-buffer, colour-buffer, texture and line state. A
// node's SetOpenGLParams may bind textures, change blending and colour and
// load a texture matrix; the brackets keep that from leaking into the next
// cell.
void OpenBracket()
{
    OpenStageBracket(GL_CURRENT_BIT | GL_POLYGON_BIT | GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT |
                         GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT | GL_LINE_BIT,
                     false);
}

// The state every cell starts from: filled polygons, white, no texture, no
// blending, every fragment passing the alpha test.
void CellBaseState()
{
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1.0f);
    StageBaseState();
}

// The swatch quad over a cell, texture (0, 0) at the top-left corner.
void SwatchQuad(const MVector3& q)
{
    const float s = CMaterialViewWnd::kCellSize;
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(q.x, q.y, q.z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(q.x + s, q.y, q.z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(q.x + s, q.y + s, q.z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(q.x, q.y + s, q.z);
    glEnd();
}

// A layer's swatch: all its nodes' state applied together.
void DrawLayerSwatch(MMaterialLayer* layer, const MVector3& q)
{
    OpenBracket();
    CellBaseState();
    if (ApplyLayerState(layer))
        SwatchQuad(q);
    CloseStageBracket();
}

void DrawNodeSwatch(MBaseShaderNode* node, const MVector3& q)
{
    OpenBracket();
    CellBaseState();
    if (node->SetOpenGLParams())
        SwatchQuad(q);
    CloseStageBracket();
}

void Line(const MVector3& a, const MVector3& b)
{
    glBegin(GL_LINES);
    glVertex3f(a.x, a.y, a.z);
    glVertex3f(b.x, b.y, b.z);
    glEnd();
}

// Takes a moved object to its new parent in the scene's tree too, before the
// tree node of the object that now follows it in the parent's list, so the
// outline and scene files show what the material view shows.
void KeepTreeInStep(MBaseObject* moved, MBaseObject* parent, const MBaseObjectList& siblings)
{
    MScene* scene = moved->GetOwnerScene();
    if (!scene)
        scene = g_CurrentScene;
    if (!scene)
        return;
    MBaseObjectTreeNode* node = scene->FindObject(moved);
    MBaseObjectTreeNode* parentNode = scene->FindObject(parent);
    if (!node || !parentNode)
        return;
    MBaseObjectTreeNode* before = nullptr;
    for (int i = siblings.Find(moved) + 1; i > 0 && i < siblings.GetCount(); ++i)
    {
        MBaseObjectTreeNode* n = scene->FindObject(siblings.GetAt(i));
        if (n && n->GetParent() == parentNode)
        {
            before = n;
            break;
        }
    }
    scene->SetParent(node, parentNode, before);
}

void LogWarning(const char* text)
{
    if (MSystemManager* sys = GetSystemManager())
        sys->LogOutput("%s", text);
}
} // namespace

// One placed item of the walk: its cell and, for layers and nodes, the
// material and layer it was reached through.
struct CMaterialViewWnd::WalkItem
{
    enum Kind
    {
        MATERIAL,
        LAYER,
        NODE
    };
    Kind kind;
    MBaseObject* object;
    MMaterial* material;
    MMaterialLayer* layer;
    MVector3 cell;
    bool visible = false;
};

// ---------------------------------------------------------------------------
// The layout walk.

template <class Visitor> void CMaterialViewWnd::Walk(Visitor& visitor)
{
    UpdateScale();
    m_Cursor = MVector3();
    m_ExtentsMin = MVector3();
    m_ExtentsMax = MVector3();
    MScene* scene = g_CurrentScene;
    if (!scene)
        return;
    // Every material of the scene's tree, in tree order; a material's own
    // subtree (its layers and nodes) is reached through its lists, so the
    // walk steps over it.
    MBaseObjectTreeNode* const root = scene->GetRoot();
    MBaseObjectTreeNode* n = root ? root->GetFirstChild() : nullptr;
    int counted = 0;
    while (n)
    {
        // Most materials are off screen and cost two memory reads: their tree
        // node and their flag word. Fetching the next node early lets the two
        // overlap.
        if (MBaseObjectTreeNode* next = n->GetNextSibling())
            __builtin_prefetch(next);
        MBaseObject* obj = n->GetObject();
        MMaterial* material = obj ? AsMaterial(obj) : nullptr;
        if (material && material->HasFlags(OBJ_VISIBLE))
        {
            // A new column starts right of everything placed so far.
            if (counted % MaterialsPerColumn == 0)
            {
                m_Cursor = MVector3(m_ExtentsMax.x + kColumnGap, 0.0f, m_Cursor.z);
                // Columns only move right: a visitor that needs nothing past
                // a point may end the walk there.
                if (visitor.DoneBefore(m_Cursor.x))
                    return;
            }
            ++counted;
            if (PlaceMaterial(visitor, material))
                return;
        }
        if (!material && n->GetFirstChild())
        {
            n = n->GetFirstChild();
            continue;
        }
        while (n != root && !n->GetNextSibling())
            n = n->GetParent();
        n = n == root ? nullptr : n->GetNextSibling();
    }
}

template <class Visitor> bool CMaterialViewWnd::PlaceMaterial(Visitor& visitor, MMaterial* material)
{
    WalkItem item{WalkItem::MATERIAL, material, material, nullptr, m_Cursor};
    GrowExtents(m_Cursor.x + kCellSize, m_Cursor.y + kCellSize, m_Cursor.z);
    if (visitor.Begin(item))
        return true;
    const MVector3 start = m_Cursor;
    m_Cursor.x += kChildStep;
    if (material->HasFlags(OBJ_EXPANDED))
        for (MBaseObject* o : material->GetLayerList())
            if (MMaterialLayer* layer = AsLayer(o))
                if (PlaceLayer(visitor, layer))
                    return true;
    // The cursor stands where a further layer would go.
    if (visitor.End(item, start))
        return true;
    m_Cursor.x = start.x;
    if (m_Cursor.y == start.y)
        m_Cursor.y += m_RowHeight;
    return false;
}

template <class Visitor> bool CMaterialViewWnd::PlaceLayer(Visitor& visitor, MMaterialLayer* layer)
{
    MMaterial* material = layer->GetMaterial();
    WalkItem item{WalkItem::LAYER, layer, material, layer, m_Cursor};
    GrowExtents(m_Cursor.x + kCellSize, m_Cursor.y + kCellSize, m_Cursor.z);
    if (visitor.Begin(item))
        return true;
    const MVector3 start = m_Cursor;
    m_Cursor.x += kChildStep;
    if (layer->HasFlags(OBJ_EXPANDED))
    {
        for (MBaseObject* o : layer->GetShaderList())
        {
            auto* node = dynamic_cast<MBaseShaderNode*>(o);
            if (!node)
                continue;
            WalkItem nodeItem{WalkItem::NODE, node, material, layer, m_Cursor};
            GrowExtents(m_Cursor.x + kCellSize, m_Cursor.y + kCellSize, m_Cursor.z);
            if (visitor.Begin(nodeItem) || visitor.End(nodeItem, nodeItem.cell))
                return true;
            m_Cursor.x += kChildStep;
        }
    }
    // The cursor stands where a further node would go.
    if (visitor.End(item, start))
        return true;
    m_Cursor.x = start.x;
    m_Cursor.y += m_RowHeight;
    return false;
}

// HitTest: the first item whose open cell holds the point.
class CMaterialViewWnd::HitVisitor
{
  public:
    explicit HitVisitor(const MVector3& p) : m_Point(p) {}
    bool Begin(const WalkItem& item)
    {
        if (!InCell(m_Point, item.cell))
            return false;
        result = item.object;
        return true;
    }
    bool End(const WalkItem&, const MVector3&) { return false; }
    bool DoneBefore(float) const { return false; }

    static bool InCell(const MVector3& p, const MVector3& c)
    {
        return p.x > c.x && p.x < c.x + kCellSize && p.y > c.y && p.y < c.y + kCellSize;
    }

    MBaseObject* result = nullptr;

  private:
    MVector3 m_Point;
};

// FindDropTarget: cells, then the gap after a layer's last node, then the
// strip left of a material's layers.
class CMaterialViewWnd::DropVisitor
{
  public:
    DropVisitor(CMaterialViewWnd& view, const MVector3& p, MDragShaderInfo& record)
        : m_View(view), m_Point(p), m_Record(record)
    {
    }
    bool Begin(const WalkItem& item)
    {
        if (!HitVisitor::InCell(m_Point, item.cell))
            return false;
        switch (item.kind)
        {
        case WalkItem::NODE:
            m_Record.Set(static_cast<MBaseShaderNode*>(item.object), item.layer, item.material);
            break;
        case WalkItem::LAYER:
            m_Record.Set(nullptr, item.layer, item.material);
            break;
        case WalkItem::MATERIAL:
            m_Record.Set(nullptr, nullptr, item.material);
            break;
        }
        found = true;
        return true;
    }
    bool End(const WalkItem& item, const MVector3& start)
    {
        const MVector3& p = m_View.m_Cursor;
        if (item.kind == WalkItem::LAYER)
        {
            if (m_Point.x > p.x - kChildStep && m_Point.x < p.x + 0.2f && m_Point.y > start.y &&
                m_Point.y < start.y + kCellSize)
            {
                m_Record.Set(nullptr, item.layer, item.material);
                found = true;
                return true;
            }
        }
        else if (item.kind == WalkItem::MATERIAL)
        {
            if (m_Point.x > start.x && m_Point.x < p.x + 0.2f && m_Point.y > start.y &&
                m_Point.y < p.y + 0.2f)
            {
                m_Record.Set(nullptr, nullptr, item.material);
                found = true;
                return true;
            }
        }
        return false;
    }
    bool DoneBefore(float) const { return false; }

    bool found = false;

  private:
    CMaterialViewWnd& m_View;
    MVector3 m_Point;
    MDragShaderInfo& m_Record;
};

// Drawing: swatches when an item is placed, then, once its children are
// placed, the separator, outline, expand marker, insertion line and label.
// Cells outside the visible area cost no OpenGL work at all.
class CMaterialViewWnd::DrawVisitor
{
  public:
    explicit DrawVisitor(CMaterialViewWnd& view) : m_View(view)
    {
        const float pixelX = view.m_PixelSize.x;
        const float limit = pixelX > 0.0f ? kCellSize / pixelX : 0.0f;
        m_WidthLimit = limit < 1.0e6f ? int(limit) : 1000000;
        m_HeightLimit = view.TextHeightPixels() + 5;
    }

    // Nothing of a column that starts right of the visible area is drawn,
    // nor of any column after it.
    bool DoneBefore(float columnX) const { return columnX - m_View.m_Pan.x > m_View.m_AreaRight; }

    bool Begin(WalkItem& item)
    {
        item.visible = m_View.IsCellVisible(item.cell.x, item.cell.y);
        if (!item.visible)
            return false;
        switch (item.kind)
        {
        case WalkItem::MATERIAL:
            // The material's swatch: its layers drawn over each other on its
            // own cell, in layer order.
            for (MBaseObject* o : static_cast<MMaterial*>(item.object)->GetLayerList())
                if (MMaterialLayer* layer = AsLayer(o))
                    DrawLayerSwatch(layer, item.cell);
            break;
        case WalkItem::LAYER:
            DrawLayerSwatch(item.layer, item.cell);
            break;
        case WalkItem::NODE:
            DrawNodeSwatch(static_cast<MBaseShaderNode*>(item.object), item.cell);
            break;
        }
        return false;
    }

    bool End(const WalkItem& item, const MVector3& start)
    {
        const MDragShaderInfo& source = m_View.m_DragSource;
        const MDragShaderInfo& target = m_View.m_DropTarget;
        const MVector3& p = m_View.m_Cursor;
        MVector3* line = m_View.m_InsertionLine;
        const float pixelY = m_View.m_PixelSize.y;

        if (item.kind == WalkItem::MATERIAL)
        {
            // The slot where a further layer would go: below the last layer
            // shown, or, when none is shown, beside the material's own cell
            // (a line above it would mark the end of the material before).
            if (LineOwner(source, target) == item.object)
            {
                if (p.y == start.y)
                {
                    line[0] = MVector3(p.x - 0.05f, p.y, p.z);
                    line[1] = MVector3(p.x - 0.05f, p.y + kCellSize, p.z);
                }
                else
                {
                    line[0] = MVector3(p.x, p.y - 0.05f, p.z);
                    line[1] = MVector3(p.x + kCellSize, p.y - 0.05f, p.z);
                }
            }
            if (item.visible)
            {
                // A separator 5 pixels above the row that follows.
                const float nextY = p.y == start.y ? p.y + m_View.m_RowHeight : p.y;
                OpenBracket();
                glDisable(GL_TEXTURE_2D);
                glLineWidth(2.0f);
                glColor3f(0.0f, 0.0f, 0.0f);
                Line(MVector3(start.x, nextY - 5.0f * pixelY, p.z),
                     MVector3(m_View.m_ExtentsMax.x, nextY - 5.0f * pixelY, p.z));
                CloseStageBracket();
            }
        }
        else if (item.kind == WalkItem::LAYER)
        {
            if (LineOwner(source, target) == item.object)
            {
                if (source.GetShaderNode())
                {
                    // After the layer's last node.
                    line[0] = MVector3(p.x - 0.05f, start.y, p.z);
                    line[1] = MVector3(p.x - 0.05f, start.y + kCellSize, p.z);
                }
                else
                {
                    // Above the layer's row.
                    line[0] = MVector3(start.x, start.y - 0.05f, p.z);
                    line[1] = MVector3(p.x, start.y - 0.05f, p.z);
                }
            }
        }
        if (!item.visible)
            return false;
        DrawOutline(item);
        DrawLabel(item);
        return false;
    }

  private:
    // The item whose place the insertion line marks, as the drop will use
    // it: a dragged layer goes before the target's layer (also when a node of
    // that layer is the target), or after a material's layers; a dragged
    // node goes before the target node or after a layer's nodes. Null where
    // a release drops nothing (a dragged material, a node over a material).
    static const MBaseObject* LineOwner(const MDragShaderInfo& source,
                                        const MDragShaderInfo& target)
    {
        if (source.GetShaderNode())
        {
            if (target.GetShaderNode())
                return target.GetShaderNode();
            return target.GetLayer();
        }
        if (source.GetLayer())
        {
            if (target.GetLayer())
                return target.GetLayer();
            return target.GetMaterial();
        }
        return nullptr;
    }

    void DrawOutline(const WalkItem& item)
    {
        const MVector3& q = item.cell;
        OpenBracket();
        glDisable(GL_TEXTURE_2D);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        if (item.object->HasFlags(OBJ_SELECTED))
        {
            glLineWidth(2.0f);
            glColor3f(0.8f, 0.8f, 0.1f);
        }
        else
        {
            glLineWidth(1.0f);
            glColor3f(0.1f, 0.7f, 0.1f);
        }
        glBegin(GL_LINE_LOOP);
        glVertex3f(q.x, q.y, q.z);
        glVertex3f(q.x + kCellSize, q.y, q.z);
        glVertex3f(q.x + kCellSize, q.y + kCellSize, q.z);
        glVertex3f(q.x, q.y + kCellSize, q.z);
        glEnd();

        // The expand marker: children there, but not shown.
        bool hasChildren = false;
        if (item.kind == WalkItem::MATERIAL)
            hasChildren = static_cast<MMaterial*>(item.object)->GetLayerCount() > 0;
        else if (item.kind == WalkItem::LAYER)
            hasChildren = item.layer->GetShaderCount() > 0;
        if (hasChildren && !item.object->HasFlags(OBJ_EXPANDED))
        {
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            glBegin(GL_TRIANGLES);
            glVertex3f(q.x + kCellSize, q.y + kCellSize, q.z);
            glVertex3f(q.x + 0.45f, q.y + 0.38f, q.z);
            glVertex3f(q.x + kCellSize, q.y + 0.36f, q.z);
            glEnd();
        }

        const MDragShaderInfo& source = m_View.m_DragSource;
        const MDragShaderInfo& target = m_View.m_DropTarget;
        MVector3* line = m_View.m_InsertionLine;
        if (item.kind == WalkItem::NODE && target.GetShaderNode() == item.object)
        {
            // In front of the node.
            line[0] = MVector3(q.x - 0.05f, q.y, q.z);
            line[1] = MVector3(q.x - 0.05f, q.y + kCellSize, q.z);
        }
        if (m_View.m_DragMode != DRAG_NONE && LineOwner(source, target) == item.object)
        {
            glColor3f(1.0f, 1.0f, 0.0f);
            glLineWidth(3.0f);
            Line(line[0], line[1]);
            m_View.m_InsertionShown = true;
        }
        CloseStageBracket();
    }

    void DrawLabel(const WalkItem& item)
    {
        const MStr label = m_View.FitLabel(LabelText(item.object), m_WidthLimit, m_HeightLimit);
        if (label.IsEmpty())
            return;
        const MVector3& q = item.cell;
        OpenBracket();
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        glColor3f(1.0f, 1.0f, 1.0f);
        glRasterPos3f(q.x + 0.025f, q.y + kCellSize + m_View.m_TextHeight, q.z);
        MDrawGLText(label.str());
        CloseStageBracket();
    }

    CMaterialViewWnd& m_View;
    int m_WidthLimit = 0;
    int m_HeightLimit = 0;
};

// ---------------------------------------------------------------------------

CMaterialViewWnd::CMaterialViewWnd(QWidget* parent, Qt::WindowFlags flags)
    : MBaseOpenGLWnd(parent, flags)
{
    // The labels are measured with the font the glyph lists are built from.
    QFont font = MDefaultGuiFont();
    font.setStyleStrategy(QFont::NoAntialias);
    m_LabelMetrics = std::make_unique<QFontMetrics>(font);
    // Control codes and byte 255 have no glyph list and draw nothing.
    for (int code = 0; code < 256; ++code)
    {
        const bool control = code < 32 || (code >= 127 && code < 160) || code >= kFontListCount;
        m_GlyphAdvance[size_t(code)] =
            control ? 0 : m_LabelMetrics->horizontalAdvance(QChar(char16_t(code)));
    }
}

CMaterialViewWnd::~CMaterialViewWnd() = default;

MBaseObject* CMaterialViewWnd::CreateNew() const
{
    auto* copy = new CMaterialViewWnd();
    CopyViewSettingsTo(copy);
    return copy;
}

int CMaterialViewWnd::InitView()
{
    MBaseOpenGLWnd::InitView();
    m_Zoom = 1.0f;
    m_Pan = MVector3();
    // Swatches need neither depth nor destination alpha.
    return InitOpenGL(16, 0, 0) == 0 ? 1 : 0;
}

void CMaterialViewWnd::resizeEvent(QResizeEvent* event)
{
    MBaseOpenGLWnd::resizeEvent(event);
    // A right click anywhere in the view opens its popup menu.
    m_LabelRect = {0, 0, event->size().width() - 1, event->size().height() - 1};
}

// ---------------------------------------------------------------------------
// Geometry.

float CMaterialViewWnd::LargerSide() const
{
    return float(std::max({width(), height(), 1}));
}

float CMaterialViewWnd::AspectFactor() const
{
    const int smaller = std::min(width(), height());
    return smaller > 0 ? std::max(1.0f, LargerSide() / float(smaller)) : 1.0f;
}

MVector3 CMaterialViewWnd::ScreenToWorld(int px, int py) const
{
    const float m = LargerSide();
    const float a = AspectFactor();
    const int halfW = width() / 2;
    const int halfH = height() / 2;
    return MVector3((2.0f * float(px - halfW) / m_Zoom) / m * a + m_Pan.x,
                    (2.0f * float(py - halfH) / m_Zoom) / m * a + m_Pan.y, m_Pan.z);
}

QPointF CMaterialViewWnd::WorldToScreen(const MVector3& p) const
{
    const float m = LargerSide();
    const float a = AspectFactor();
    const float scale = m_Zoom * m / (2.0f * a);
    return QPointF(double((p.x - m_Pan.x) * scale + float(width() / 2)),
                   double((p.y - m_Pan.y) * scale + float(height() / 2)));
}

int CMaterialViewWnd::TextHeightPixels() const
{
    return m_TextExtent.height() > 0 ? m_TextExtent.height() : m_LabelMetrics->height();
}

void CMaterialViewWnd::UpdateScale()
{
    const MVector3 a = ScreenToWorld(0, 0);
    const MVector3 b = ScreenToWorld(1, 1);
    m_PixelSize = MVector3(b.x - a.x, b.y - a.y, 0.0f);
    m_TextHeight = float(TextHeightPixels()) * m_PixelSize.y;
    m_RowHeight = kCellSize + m_TextHeight + 10.0f * m_PixelSize.y;
}

float CMaterialViewWnd::GetRowHeight()
{
    UpdateScale();
    return m_RowHeight;
}

void CMaterialViewWnd::GrowExtents(float x, float y, float z)
{
    m_ExtentsMax.x = std::max(m_ExtentsMax.x, x);
    m_ExtentsMax.y = std::max(m_ExtentsMax.y, y);
    m_ExtentsMax.z = std::max(m_ExtentsMax.z, z);
    m_ExtentsMin.x = std::min(m_ExtentsMin.x, x);
    m_ExtentsMin.y = std::min(m_ExtentsMin.y, y);
    m_ExtentsMin.z = std::min(m_ExtentsMin.z, z);
}

bool CMaterialViewWnd::IsCellVisible(float x, float y) const
{
    const float dx = x - m_Pan.x;
    const float dy = y - m_Pan.y;
    // Half a unit down: the cell and the label under it.
    return dx <= m_AreaRight && dx + kCellSize >= m_AreaLeft && dy + 0.5f >= m_AreaTop &&
           dy <= m_AreaBottom;
}

void CMaterialViewWnd::SetupProjection(int pickMode)
{
    MBaseOpenGLWnd::SetupProjection(pickMode);
    const float m = LargerSide();
    const float a = AspectFactor();
    const float halfW = (float(width()) / m) * a / m_Zoom;
    const float halfH = (float(height()) / m) * a / m_Zoom;
    m_AreaLeft = -halfW;
    m_AreaRight = halfW;
    m_AreaTop = -halfH;
    m_AreaBottom = halfH;
    if (MakeCurrent() != 0)
        return;
    glMatrixMode(GL_PROJECTION);
    // Bottom and top swapped: world y grows downwards.
    glOrtho(-halfW, halfW, halfH, -halfH, -512.0 * m_Zoom, 512.0 * m_Zoom);
    glMatrixMode(GL_MODELVIEW);
}

void CMaterialViewWnd::SetupViewTransform()
{
    glTranslatef(-m_Pan.x, -m_Pan.y, -m_Pan.z);
}

float CMaterialViewWnd::GetViewScale()
{
    return 1.0f / m_Zoom;
}

void CMaterialViewWnd::SetZoom(float zoom)
{
    if (!std::isfinite(zoom) || zoom <= 0.0f)
        return;
    m_Zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
}

void CMaterialViewWnd::ZoomBy(float factor)
{
    if (!std::isfinite(factor) || factor <= 0.0f)
        return;
    SetZoom(m_Zoom * factor);
}

void CMaterialViewWnd::FrameAll()
{
    // Drawing ends its walk at the right edge of the view and hit tests at
    // the hit: walk everything for the extents.
    LayoutWalk();
    const float dx = m_ExtentsMax.x - m_ExtentsMin.x;
    const float dy = m_ExtentsMax.y - m_ExtentsMin.y;
    float zoom = 2.0f / (dy + 0.2f);
    zoom = std::min(zoom, 4.0f / (dx + 0.2f));
    SetZoom(zoom);
    m_Pan = (m_ExtentsMin + m_ExtentsMax) * 0.5f;
}

// ---------------------------------------------------------------------------
// Walks.

void CMaterialViewWnd::LayoutWalk()
{
    struct NoVisitor
    {
        bool Begin(const WalkItem&) { return false; }
        bool End(const WalkItem&, const MVector3&) { return false; }
        bool DoneBefore(float) const { return false; }
    } visitor;
    Walk(visitor);
}

MBaseObject* CMaterialViewWnd::HitTest(const MVector3& point)
{
    HitVisitor visitor(point);
    Walk(visitor);
    return visitor.result;
}

MDragShaderInfo* CMaterialViewWnd::FindDropTarget(const MVector3& point, MDragShaderInfo& record)
{
    DropVisitor visitor(*this, point, record);
    Walk(visitor);
    return visitor.found ? &record : nullptr;
}

// ---------------------------------------------------------------------------
// Labels.

MStr CMaterialViewWnd::LabelText(const MBaseObject* object)
{
    MStr text = object->GetName();
    if (auto* node = dynamic_cast<const MBaseShaderNode*>(object))
    {
        MStr summary;
        node->AppendDisplayText(summary);
        if (!summary.IsEmpty())
        {
            if (!text.IsEmpty())
                text += ' ';
            text += summary;
        }
    }
    return text;
}

MStr CMaterialViewWnd::FitLabel(const MStr& text, int widthLimit, int heightLimit) const
{
    if (m_LabelMetrics->height() > heightLimit)
        return MStr();
    // Text is drawn one glyph list per byte, each advancing by its glyph's
    // width, so the drawn width is the sum of the bytes' advances.
    const std::string& s = text.str();
    std::vector<int> prefix(s.size() + 1, 0);
    for (size_t i = 0; i < s.size(); ++i)
        prefix[i + 1] = prefix[i] + m_GlyphAdvance[static_cast<unsigned char>(s[i])];
    if (prefix[s.size()] <= widthLimit)
        return text;
    const int dots = 3 * m_GlyphAdvance[static_cast<unsigned char>('.')];
    for (size_t n = s.size(); n-- > 1;)
        if (prefix[n] + dots <= widthLimit)
            return MStr(s.substr(0, n) + "...");
    return MStr();
}

// ---------------------------------------------------------------------------
// Drawing.

void CMaterialViewWnd::paintGL()
{
    DrawView();
}

void CMaterialViewWnd::DrawView()
{
    if (width() == 0 || height() == 0)
        return;
    if (MakeCurrent() != 0)
        return;
    glDisable(GL_POINT_SMOOTH);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPointSize(4.0f);
    glLineWidth(1.0f);

    UpdateScale();
    // The material view never draws for picking: it hit-tests by walking
    // its layout.
    SetupProjection(0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetupViewTransform();

    // Opaque: the widget's framebuffer is composed over the window, and a
    // clear alpha of 0 would let the window's own background show through.
    // The background is the configured "Background" colour.
    float background[3];
    GetDisplayColourRGB(COLOUR_BACKGROUND, background);
    glClearColor(background[0], background[1], background[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    // The insertion line is worked out afresh by every draw.
    m_InsertionLine[0] = m_InsertionLine[1] = MVector3();
    m_InsertionShown = false;
    OpenBracket();
    DrawVisitor visitor(*this);
    Walk(visitor);
    CloseStageBracket();

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawOverlay();
    // The widget presents its framebuffer itself.
    glFlush();
}

void CMaterialViewWnd::DrawOverlay()
{
    DrawStandardOverlay();
}

// ---------------------------------------------------------------------------
// Mouse input.

void CMaterialViewWnd::SceneChanged()
{
    MSendSceneChanged();
    Redraw();
}

void CMaterialViewWnd::OnMouseDown(int x, int y, const MKeyState& state)
{
    m_PressPoint = ScreenToWorld(m_DragStart.x(), m_DragStart.y());
    m_LastX = x;
    m_LastY = y;
    if (!state.left || state.alt)
        return;
    MBaseObject* hit = HitTest(ScreenToWorld(x, y));
    if (MScene* scene = g_CurrentScene)
    {
        if (hit)
        {
            if (!state.ctrl)
                scene->SelectNone();
            hit->SetFlags(hit->GetFlags() ^ OBJ_SELECTED);
            scene->UpdateSelectedObjectList();
        }
        else
        {
            scene->SelectNone();
        }
    }
    SceneChanged();
    if (hit && state == g_Config.m_Controls[4])
        m_DragSource.SetObject(hit);
    else
        m_DragSource.Clear();
}

void CMaterialViewWnd::OnMouseMove(int x, int y, const MKeyState& state)
{
    if (cursor().shape() != Qt::ArrowCursor)
        setCursor(Qt::ArrowCursor);
    const int dx = x - m_LastX;
    const int dy = y - m_LastY;
    const float m = LargerSide();
    const float a = AspectFactor();

    if (state == g_Config.m_Controls[1])
    {
        m_Pan.x -= 2.0f * float(dx) / m_Zoom / m * a;
        m_Pan.y -= 2.0f * float(dy) / m_Zoom / m * a;
        Redraw();
    }
    if (state == g_Config.m_Controls[2])
    {
        // One event never zooms by more than a factor of ten either way, and
        // never reaches zero or turns the view over; the zoom stays within
        // its bounds. The point under the press stays in place.
        const float f =
            std::clamp(float(dx) * 0.01f + 1.0f, kMinDragZoomFactor, kMaxDragZoomFactor);
        const float old = m_Zoom;
        SetZoom(old * f);
        const float applied = m_Zoom / old;
        m_Pan = m_PressPoint + (m_Pan - m_PressPoint) * (1.0f / applied);
        Redraw();
    }
    if (state == g_Config.m_Controls[4])
    {
        if (!FindDropTarget(ScreenToWorld(x, y), m_DropTarget))
        {
            // Over no place a drop could use: no line, and a release here
            // changes nothing.
            m_DropTarget.Clear();
            m_DragMode = DRAG_NONE;
        }
        else if (std::abs(x - m_DragStart.x()) > 10 || std::abs(y - m_DragStart.y()) > 10)
        {
            if (m_DropTarget.GetShaderNode())
                m_DragMode = DRAG_NODE;
            else if (m_DropTarget.GetLayer())
                m_DragMode = DRAG_LAYER;
            else
                m_DragMode = DRAG_MATERIAL;
        }
        Redraw();
    }
    m_LastX = x;
    m_LastY = y;
}

void CMaterialViewWnd::OnMouseUp(int, int, const MKeyState&)
{
    if (m_DragMode != DRAG_NONE)
    {
        PerformDrop();
        m_DragMode = DRAG_NONE;
    }
    m_DragSource.Clear();
    m_DropTarget.Clear();
    Redraw();
}

void CMaterialViewWnd::PerformDrop()
{
    MMaterialLayer* layer = m_DragSource.GetLayer();
    MBaseShaderNode* node = m_DragSource.GetShaderNode();
    bool changed = false;
    if (!node && layer)
    {
        MMaterial* to = m_DropTarget.GetMaterial();
        if (!to)
        {
            LogWarning("Warning: No valid drag destination for layer");
        }
        else if (layer != m_DropTarget.GetLayer())
        {
            MMaterial* from = m_DragSource.GetMaterial();
            // The record's reference keeps the layer alive between the two.
            if (from && from->RemoveLayer(layer))
            {
                to->AddLayerBefore(layer, m_DropTarget.GetLayer());
                KeepTreeInStep(layer, to, to->GetLayerList());
                changed = true;
            }
        }
    }
    else if (node)
    {
        MMaterialLayer* to = m_DropTarget.GetLayer();
        if (!to)
        {
            LogWarning("Warning: No valid drag destination for shader");
        }
        else if (node != m_DropTarget.GetShaderNode())
        {
            if (layer && layer->RemoveShader(node))
            {
                to->AddShaderBefore(node, m_DropTarget.GetShaderNode());
                KeepTreeInStep(node, to, to->GetShaderList());
                changed = true;
            }
        }
    }
    if (changed)
        MSendSceneChanged();
}

void CMaterialViewWnd::SelectForPopup(int x, int y, bool ctrl)
{
    m_PressPoint = ScreenToWorld(x, y);
    MBaseObject* hit = HitTest(m_PressPoint);
    MScene* scene = g_CurrentScene;
    if (!hit || !scene)
        return;
    const bool wasSelected = hit->HasFlags(OBJ_SELECTED);
    if (!ctrl)
        scene->SelectNone();
    if (wasSelected)
        scene->DeselectObject(hit);
    else
        scene->SelectObject(hit, true);
    SceneChanged();
}

void CMaterialViewWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
    {
        const QPointF p = event->position();
        SelectForPopup(int(std::floor(p.x())), int(std::floor(p.y())),
                       event->modifiers() & Qt::ControlModifier);
    }
    // The framework opens the popup menu, or passes the press on.
    MBaseOpenGLWnd::mousePressEvent(event);
}

void CMaterialViewWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
    {
        const QPointF p = event->position();
        m_PressPoint = ScreenToWorld(int(std::floor(p.x())), int(std::floor(p.y())));
        if (MBaseObject* hit = HitTest(m_PressPoint))
        {
            hit->SetFlags(hit->GetFlags() ^ OBJ_EXPANDED);
            SceneChanged();
        }
    }
    // The second press of the double click goes on as a press.
    MBaseOpenGLWnd::mouseDoubleClickEvent(event);
}

// ---------------------------------------------------------------------------
// Popup menu and commands.

MBaseObject* CMaterialViewWnd::NodePrototypeForCommand(int commandId)
{
    MSystemManager* sys = GetSystemManager();
    if (!sys)
        return nullptr;
    int counter = ID_MATVIEW_FIRST_NODE_CLASS;
    for (MBaseObject* proto : sys->GetPrototypes())
    {
        if (!dynamic_cast<MBaseShaderNode*>(proto) || proto->ClassName() == "MBaseShaderNode")
            continue;
        if (counter == commandId)
            return proto;
        ++counter;
    }
    return nullptr;
}

void CMaterialViewWnd::ShowPopupMenu(int screenX, int screenY)
{
    QMenu menu(this);
    const auto add = [&menu](const char* text, int id)
    { MSetCommandId(menu.addAction(QString::fromLatin1(text)), id); };
    add("Collapse All", ID_MATVIEW_COLLAPSE_ALL);
    add("Exapand All", ID_MATVIEW_EXPAND_ALL);
    add("Expand Selection", ID_MATVIEW_EXPAND_SELECTION);
    add("Collapse Selection", ID_MATVIEW_COLLAPSE_SELECTION);
    menu.addSeparator();
    add("Import Materials...", ID_MATVIEW_IMPORT);
    add("Export Materials...", ID_MATVIEW_EXPORT);
    menu.addSeparator();
    add("Add Layer", ID_MATVIEW_ADD_LAYER);

    // One item per shader-node class, the newest registered at the top; the
    // ids follow the registration order.
    QMenu* nodes = new QMenu(QStringLiteral("Add Shader Node"), &menu);
    if (MSystemManager* sys = GetSystemManager())
    {
        int counter = ID_MATVIEW_FIRST_NODE_CLASS;
        for (MBaseObject* proto : sys->GetPrototypes())
        {
            if (counter > ID_MATVIEW_LAST_NODE_CLASS)
                break;
            if (!dynamic_cast<MBaseShaderNode*>(proto) || proto->ClassName() == "MBaseShaderNode")
                continue;
            auto* item = new QAction(QString::fromUtf8(proto->ClassName().c_str()), nodes);
            MSetCommandId(item, counter++);
            const QList<QAction*> existing = nodes->actions();
            nodes->insertAction(existing.isEmpty() ? nullptr : existing.first(), item);
        }
    }
    menu.addMenu(nodes);
    AppendViewMenu(&menu);
    RunPopupMenu(&menu, screenX, screenY);
}

void CMaterialViewWnd::SetSelectionExpanded(bool expanded)
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return;
    scene->ForEachNode(
        [expanded](MBaseObjectTreeNode* n)
        {
            MBaseObject* obj = n->GetObject();
            if (!obj->HasFlags(OBJ_SELECTED))
                return;
            if (expanded)
                obj->AddFlags(OBJ_EXPANDED);
            else
                obj->ClearFlags(OBJ_EXPANDED);
        });
}

void CMaterialViewWnd::AddShaderNode(int commandId)
{
    MBaseObject* proto = NodePrototypeForCommand(commandId);
    MScene* scene = g_CurrentScene;
    if (proto && scene)
    {
        // The first selected layer, or layer of a selected node, in tree order.
        MMaterialLayer* layer = nullptr;
        for (MBaseObjectTreeNode* n = MBaseObjectTree::NextDepthFirst(scene->GetRoot());
             n && !layer; n = MBaseObjectTree::NextDepthFirst(n))
        {
            MBaseObject* obj = n->GetObject();
            if (!obj || !obj->HasFlags(OBJ_SELECTED))
                continue;
            if (MMaterialLayer* l = AsLayer(obj))
                layer = l;
            else if (auto* selectedNode = dynamic_cast<MBaseShaderNode*>(obj))
                layer = selectedNode->GetLayer();
        }
        MBaseObject* made = layer ? proto->CreateNew() : nullptr;
        if (auto* node = dynamic_cast<MBaseShaderNode*>(made))
        {
            node->AddRef();
            node->SetName(scene->GenerateUniqueName(node->ClassName()));
            MBaseObjectTreeNode* layerNode = scene->FindObject(layer);
            layer->AddShader(node);
            if (layerNode)
                scene->AddObject(node, layerNode);
            scene->SelectNone();
            scene->SelectObject(node, true);
            node->Delete();
        }
        else if (made)
        {
            made->Delete();
        }
    }
    SceneChanged();
}

int CMaterialViewWnd::OnViewCommand(int commandId)
{
    if (const int r = MBaseOpenGLWnd::OnViewCommand(commandId))
        return r;
    switch (commandId)
    {
    case ID_MATVIEW_EXPAND_SELECTION:
        SetSelectionExpanded(true);
        return 1;
    case ID_MATVIEW_COLLAPSE_SELECTION:
        SetSelectionExpanded(false);
        return 1;
    case ID_MATVIEW_EXPAND_ALL:
    case ID_MATVIEW_COLLAPSE_ALL:
        if (MScene* scene = g_CurrentScene)
        {
            const bool expand = commandId == ID_MATVIEW_EXPAND_ALL;
            scene->ForEachNode(
                [expand](MBaseObjectTreeNode* n)
                {
                    MBaseObject* obj = n->GetObject();
                    if (!AsMaterial(obj) && !AsLayer(obj))
                        return;
                    if (expand)
                        obj->AddFlags(OBJ_EXPANDED);
                    else
                        obj->ClearFlags(OBJ_EXPANDED);
                });
        }
        return 1;
    case ID_MATVIEW_ADD_LAYER:
        g_ActionRegistry.RunActionByName("KMaterialAddLayer");
        return 0;
    case ID_MATVIEW_IMPORT:
        g_ActionRegistry.RunActionByName("KFileImportShaders");
        return 0;
    case ID_MATVIEW_EXPORT:
        g_ActionRegistry.RunActionByName("KFileExportShaders");
        return 0;
    default:
        break;
    }
    if (commandId >= ID_MATVIEW_FIRST_NODE_CLASS && commandId <= ID_MATVIEW_LAST_NODE_CLASS)
        AddShaderNode(commandId);
    return 0;
}
