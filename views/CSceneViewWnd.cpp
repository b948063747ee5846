#include "CSceneViewWnd.h"

#include "Globals.h"
#include "MAction.h"
#include "MBaseViewWndList.h"
#include "MKeyBinding.h"
#include "MKeyCodes.h"
#include "MMenu.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MUndoList.h"
#include "MUndoNodes.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

namespace
{
constexpr int kIndent = 24;
constexpr int kFirstRowY = 20;
constexpr int kLineStep = 16;
constexpr int kDragThreshold = 9;
constexpr int kEdgeZone = 10;

// Colours as 0x00BBGGRR.
QColor Colour(uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// Bumped whenever an outline changes a collapse mark, so every outline
// derives its rows again.
uint64_t g_CollapseEpoch = 1;
// Paints under way (a paint may cause another through the scroll bars).
int g_RedrawDepth = 0;
} // namespace

CSceneViewWnd::CSceneViewWnd(QWidget* parent, Qt::WindowFlags flags) : MBaseViewWnd(parent, flags)
{
    // The desktop's sans-serif font at 12 pixels, normal weight.
    m_Font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    m_Font.setPixelSize(12);
    m_Font.setWeight(QFont::Normal);
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(QStringLiteral("Scene Outline"));
    m_VBar = new QScrollBar(Qt::Vertical, this);
    m_HBar = new QScrollBar(Qt::Horizontal, this);
    m_VBar->setAccessibleName(QStringLiteral("Scene outline vertical scroll bar"));
    m_HBar->setAccessibleName(QStringLiteral("Scene outline horizontal scroll bar"));
    for (QScrollBar* bar : {m_VBar, m_HBar})
    {
        bar->setSingleStep(kLineStep);
        bar->setRange(0, 0);
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, [this] { update(); });
    }
}

CSceneViewWnd::~CSceneViewWnd() = default;

MBaseObjectTreeNode* CSceneViewWnd::GetDropTarget() const
{
    return m_Dragging && g_CurrentScene ? g_CurrentScene->FindObject(m_DropObject.Get()) : nullptr;
}

MBaseObject* CSceneViewWnd::CreateNew() const
{
    auto* copy = new CSceneViewWnd();
    CopyViewSettingsTo(copy);
    copy->m_TypeFilter = m_TypeFilter;
    return copy;
}

void CSceneViewWnd::Redraw()
{
    update();
}

void CSceneViewWnd::SetTypeFilter(uint32_t filter)
{
    m_TypeFilter = filter;
    update();
}

int CSceneViewWnd::GetRowHeight() const
{
    return QFontMetrics(m_Font).height() + 4;
}

int CSceneViewWnd::FirstRowY() const
{
    return kFirstRowY - m_VBar->value();
}

int CSceneViewWnd::GetRowCount()
{
    EnsureRows();
    return static_cast<int>(m_Rows.size());
}

int CSceneViewWnd::RowY(const MBaseObjectTreeNode* node)
{
    EnsureRows();
    for (size_t i = 0; i < m_Rows.size(); ++i)
        if (m_Rows[i].node == node)
            return FirstRowY() + static_cast<int>(i) * GetRowHeight();
    return -1000000;
}

void CSceneViewWnd::EnsureRows()
{
    MScene* scene = g_CurrentScene;
    if (scene && scene == m_RowsScene && scene->GetShapeVersion() == m_RowsShape &&
        m_TypeFilter == m_RowsFilter && g_CollapseEpoch == m_RowsCollapseEpoch)
        return;
    m_Rows.clear();
    m_RowsScene = scene;
    m_RowsFilter = m_TypeFilter;
    m_RowsCollapseEpoch = g_CollapseEpoch;
    if (!scene)
        return;
    m_RowsShape = scene->GetShapeVersion();

    // Depth first; the children of a collapsed object are not walked. An
    // object outside the filter is not listed, but its children are, at
    // their own depth.
    MBaseObjectTreeNode* const root = scene->GetRoot();
    std::vector<int> listedAncestor; // per open level: the nearest listed row
    MBaseObjectTreeNode* n = root->GetFirstChild();
    int depth = 0;
    while (n)
    {
        const uint32_t f = n->GetObject()->GetFlags();
        const int parentRow = listedAncestor.empty() ? -1 : listedAncestor.back();
        int childSees = parentRow;
        // A light listed through another type bit with the light filter off
        // shows no text and takes no height: it is left out.
        const bool hiddenLight = !(m_TypeFilter & OBJ_TYPE_LIGHT) && (f & OBJ_TYPE_LIGHT);
        if ((f & m_TypeFilter & OBJ_TYPE_MASK) && !hiddenLight)
        {
            childSees = static_cast<int>(m_Rows.size());
            if (parentRow >= 0)
                m_Rows[size_t(parentRow)].lastChildRow = childSees;
            m_Rows.push_back({n, depth, parentRow, -1});
        }
        if (n->GetFirstChild() && !(f & OBJ_COLLAPSED))
        {
            listedAncestor.push_back(childSees);
            n = n->GetFirstChild();
            ++depth;
            continue;
        }
        while (n && !n->GetNextSibling())
        {
            n = n->GetParent();
            if (n == root || !n)
            {
                n = nullptr;
                break;
            }
            listedAncestor.pop_back();
            --depth;
        }
        if (n)
            n = n->GetNextSibling();
    }
}

void CSceneViewWnd::paintGL()
{
    if (width() == 0 || height() == 0)
        return;
    QPainter painter(this);
    Paint(painter);
}

void CSceneViewWnd::Paint(QPainter& p)
{
    if (++g_RedrawDepth > 2)
    {
        --g_RedrawDepth;
        return;
    }
    const int w = width();
    const int h = height();
    p.fillRect(rect(), palette().color(QPalette::Base));
    m_DrawnRows = 0;
    if (g_CurrentScene)
    {
        EnsureRows();
        p.setFont(m_Font);
        const QFontMetrics fm(m_Font);
        const int th = fm.height();
        const int rowH = th + 4;
        const int hs = m_HBar->value();
        const int y0 = FirstRowY();
        const int count = static_cast<int>(m_Rows.size());
        // Only the rows that reach into the window.
        const int first = std::max(0, (-y0 - rowH) / rowH);
        const int last = std::min(count - 1, (h - y0 + rowH) / rowH);
        QPen dotted(Qt::black);
        dotted.setStyle(Qt::DotLine);
        const QPen solid(Qt::black);
        const MBaseObject* dropObject = m_DropObject.Get();
        int widest = 0;
        for (int i = first; i <= last; ++i)
        {
            const Row& row = m_Rows[size_t(i)];
            const MBaseObject* obj = row.node->GetObject();
            const int y = y0 + i * rowH;
            const int x = row.depth * kIndent - hs + 10;
            const bool isDrop = m_Dragging && obj == dropObject;
            if (isDrop || MBaseObjectTree::IsChildOfFlagged(row.node, OBJ_SELECTED))
            {
                const uint32_t c =
                    isDrop ? 0x0FBF28 : (obj->HasFlags(OBJ_SELECTED) ? 0xFF5F33 : 0xFF9F88);
                p.fillRect(QRect(0, y - th / 2 - 3, w, (th / 2) * 2 + 6), Colour(c));
            }
            const int parentY = row.parentRow >= 0 ? y0 + row.parentRow * rowH : 0;
            p.setPen(dotted);
            p.drawLine(x, y, x - kIndent, y);
            p.drawLine(x - kIndent, y, x - kIndent, parentY);
            if (row.node->HasChildren())
            {
                p.setPen(solid);
                p.setBrush(Qt::white);
                p.drawEllipse(QRect(x - 5, y - 5, 11, 11));
                if (obj->HasFlags(OBJ_COLLAPSED))
                {
                    p.drawLine(x - 4, y, x + 4, y);
                    p.drawLine(x, y - 4, x, y + 4);
                }
            }
            const QString text = QString::fromUtf8(obj->GetName().c_str());
            const int tw = fm.horizontalAdvance(text);
            p.setPen(obj->HasFlags(OBJ_VISIBLE) ? Qt::black : Colour(0x7F7F7F));
            p.drawText(QPoint(x + 8, y - rowH / 2 + 4 + fm.ascent()), text);
            widest = std::max(widest, x + 8 + tw);
            ++m_DrawnRows;
        }
        // Connectors that run on below the window: from each listed
        // ancestor of the first row below to its last child down there.
        if (last + 1 < count)
        {
            p.setPen(dotted);
            for (int a = m_Rows[size_t(last + 1)].parentRow; a >= 0;
                 a = m_Rows[size_t(a)].parentRow)
            {
                const int lastChild = m_Rows[size_t(a)].lastChildRow;
                if (lastChild <= last)
                    continue;
                const int lx = m_Rows[size_t(lastChild)].depth * kIndent - hs + 10 - kIndent;
                p.drawLine(lx, std::max(0, y0 + a * rowH), lx, h);
            }
            if (m_Rows[size_t(last + 1)].parentRow < 0)
            {
                const int lx = m_Rows[size_t(last + 1)].depth * kIndent - hs + 10 - kIndent;
                p.drawLine(lx, 0, lx, h);
            }
        }
        // The scroll ranges follow once the paint is over.
        const int total = count * rowH + kFirstRowY;
        if (widest + hs != m_Widest || total != m_ScrollTotal)
        {
            m_Widest = widest + hs;
            QTimer::singleShot(0, this, [this] { UpdateScrollBars(); });
        }
    }

    if (g_ActiveView == this)
    {
        QPen pen(Colour(0x004C00));
        pen.setWidth(3);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(1, 1, w - 3, h - 3));
    }
    // The corner box: the left square toggles the full view.
    p.fillRect(QRect(w - 36, 0, 36, 18), QColor(0, 0, 0, 51));
    p.fillRect(QRect(w - 35, 1, 16, 16), QColor(0, 0, 0, 40));
    p.fillRect(QRect(w - 18, 1, 16, 16), QColor(0, 0, 0, 40));
    --g_RedrawDepth;
}

void CSceneViewWnd::UpdateScrollBars()
{
    EnsureRows();
    const int total = static_cast<int>(m_Rows.size()) * GetRowHeight() + kFirstRowY;
    m_ScrollTotal = total;
    const int thickness = m_VBar->sizeHint().width();
    // Each bar shows only when its range exceeds the page; a shown bar takes
    // room from the other's page.
    bool needV = total > height();
    bool needH = m_Widest > width() - (needV ? thickness : 0);
    needV = total > height() - (needH ? thickness : 0);
    const int pageH = height() - (needH ? thickness : 0);
    const int pageW = width() - (needV ? thickness : 0);
    m_VBar->setPageStep(std::max(1, pageH));
    m_VBar->setRange(0, std::max(0, total - pageH));
    m_HBar->setPageStep(std::max(1, pageW));
    m_HBar->setRange(0, std::max(0, m_Widest - pageW));
    m_VBar->setGeometry(width() - thickness, 0, thickness, pageH);
    m_HBar->setGeometry(0, height() - thickness, pageW, thickness);
    m_VBar->setVisible(needV);
    m_HBar->setVisible(needH);
}

void CSceneViewWnd::resizeEvent(QResizeEvent* event)
{
    MBaseViewWnd::resizeEvent(event);
    // A right click anywhere in the view opens its popup menu.
    m_LabelRect = {0, 0, event->size().width() - 1, event->size().height() - 1};
    UpdateScrollBars();
}

int CSceneViewWnd::RowIndexAt(int y)
{
    EnsureRows();
    const int rowH = GetRowHeight();
    const int y0 = FirstRowY();
    // Row r is hit strictly within half a row of its centre; of several,
    // the last wins.
    const int guess = (y - y0) / rowH;
    for (int i = guess + 1; i >= guess - 1; --i)
    {
        if (i < 0 || i >= static_cast<int>(m_Rows.size()))
            continue;
        const int r = y0 + i * rowH;
        if (r - rowH / 2 < y && y < r + rowH / 2)
            return i;
    }
    return -1;
}

MBaseObjectTreeNode* CSceneViewWnd::HitTest(int x, int y, int& hitFlags)
{
    hitFlags = 0;
    if (!g_CurrentScene)
        return nullptr;
    const int i = RowIndexAt(y);
    if (i < 0)
        return nullptr;
    const Row& row = m_Rows[size_t(i)];
    hitFlags |= OUTLINE_HIT_ROW;
    // The expand area, scrolled with the rows.
    const int rx = x + m_HBar->value();
    if (row.depth * kIndent - 14 < rx && rx < row.depth * kIndent + 15)
        hitFlags |= OUTLINE_HIT_EXPAND;
    return row.node;
}

void CSceneViewWnd::OnMouseDown(int x, int y, const MKeyState& state)
{
    MScene* scene = g_CurrentScene;
    if ((!state.left && !state.middle) || !scene)
        return;
    delete g_PendingUndoNode;
    g_PendingUndoNode = new MSelectUndoNode();
    int hit = 0;
    MBaseObjectTreeNode* node = HitTest(x, y, hit);
    m_DragObject.Reset(node ? node->GetObject() : nullptr);
    if (!state.ctrl)
        scene->SelectNone();
    if (node)
    {
        MBaseObject* obj = node->GetObject();
        if (!MBaseObjectTree::IsChildOfFlagged(node, OBJ_SELECTED))
            scene->SelectObject(obj, true);
        else
            scene->DeselectObject(obj);
        if (hit & OUTLINE_HIT_EXPAND)
        {
            obj->SetFlags(obj->GetFlags() ^ OBJ_COLLAPSED);
            ++g_CollapseEpoch;
        }
    }
    g_UndoList.AddNode(g_PendingUndoNode);
    g_PendingUndoNode = nullptr;
    MSendSceneChanged();
    update();
}

void CSceneViewWnd::ScrollBy(QScrollBar* bar, int delta)
{
    bar->setValue(bar->value() + delta);
}

void CSceneViewWnd::OnMouseMove(int x, int y, const MKeyState&)
{
    setCursor(Qt::ArrowCursor);
    MScene* scene = g_CurrentScene;
    // The object may have left the tree since the press (a key ran an action).
    if (!m_DragObject || !scene || !scene->FindObject(m_DragObject.Get()))
    {
        m_DragObject.Reset();
        m_Dragging = false;
        return;
    }
    if (!m_Dragging && (std::abs(x - m_DragStart.x()) >= kDragThreshold ||
                        std::abs(y - m_DragStart.y()) >= kDragThreshold))
        m_Dragging = true;
    if (!m_Dragging)
        return;
    int hit = 0;
    MBaseObjectTreeNode* target = HitTest(x, y, hit);
    m_DropObject.Reset(target ? target->GetObject() : nullptr);
    if (x < kEdgeZone)
        ScrollBy(m_HBar, -kLineStep);
    else if (x > width() - kEdgeZone)
        ScrollBy(m_HBar, kLineStep);
    if (y < kEdgeZone)
        ScrollBy(m_VBar, -kLineStep);
    else if (y > height() - kEdgeZone)
        ScrollBy(m_VBar, kLineStep);
    update();
}

void CSceneViewWnd::OnMouseUp(int x, int y, const MKeyState& state)
{
    MScene* scene = g_CurrentScene;
    MBaseObjectTreeNode* dragNode = scene ? scene->FindObject(m_DragObject.Get()) : nullptr;
    if (m_Dragging && dragNode && !state.left && !state.right && !state.middle)
    {
        int hit = 0;
        MBaseObjectTreeNode* target = HitTest(x, y, hit);
        // Dropped back on itself: the drag is called off.
        if (target != dragNode)
        {
            auto* undo = new MSceneTreeUndoNode(scene);
            undo->SetName("Parent/Child");
            // A refused move logs why and leaves no undo node.
            if (scene->ReparentObject(dragNode, target))
            {
                g_UndoList.AddNode(undo);
                MSendSceneChanged();
            }
            else
                delete undo;
        }
    }
    m_Dragging = false;
    m_DragObject.Reset();
    m_DropObject.Reset();
    update();
}

void CSceneViewWnd::ShowPopupMenu(int screenX, int screenY)
{
    QMenu menu(this);
    const auto add = [&menu](const char* text, int id)
    {
        QAction* item = menu.addAction(QString::fromLatin1(text));
        MSetCommandId(item, id);
        return item;
    };
    const struct
    {
        const char* text;
        int id;
        uint32_t bit;
    } filters[] = {
        {"Meshes", ID_OUTLINE_MESHES, OBJ_TYPE_MESH},
        {"Lights", ID_OUTLINE_LIGHTS, OBJ_TYPE_LIGHT},
        {"Cameras", ID_OUTLINE_CAMERAS, OBJ_TYPE_CAMERA},
        {"Materials", ID_OUTLINE_MATERIALS, OBJ_TYPE_MATERIAL},
        {"Modifiers", ID_OUTLINE_MODIFIERS, OBJ_TYPE_MODIFIER},
    };
    for (const auto& f : filters)
    {
        QAction* item = add(f.text, f.id);
        item->setCheckable(true);
        item->setChecked((m_TypeFilter & f.bit) != 0);
    }
    menu.addSeparator();
    add("Select Children", ID_OUTLINE_SELECT_CHILDREN);
    menu.addSeparator();
    add("Collapse All", ID_OUTLINE_COLLAPSE_ALL);
    add("Exapand All", ID_OUTLINE_EXPAND_ALL);
    add("Expand Selection", ID_OUTLINE_EXPAND_SELECTION);
    AppendViewMenu(&menu);
    RunPopupMenu(&menu, screenX, screenY);
}

void CSceneViewWnd::SetCollapsedAll(bool collapsed, bool selectedOnly)
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return;
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            MBaseObject* obj = n->GetObject();
            if (selectedOnly && !obj->HasFlags(OBJ_SELECTED))
                return;
            if (collapsed && n->HasChildren())
                obj->AddFlags(OBJ_COLLAPSED);
            else
                obj->ClearFlags(OBJ_COLLAPSED);
        });
    ++g_CollapseEpoch;
}

int CSceneViewWnd::OnViewCommand(int commandId)
{
    if (int r = MBaseViewWnd::OnViewCommand(commandId))
        return r;
    switch (commandId)
    {
    case ID_OUTLINE_MESHES:
        SetTypeFilter(m_TypeFilter ^ OBJ_TYPE_MESH);
        return 1;
    case ID_OUTLINE_LIGHTS:
        SetTypeFilter(m_TypeFilter ^ OBJ_TYPE_LIGHT);
        return 1;
    case ID_OUTLINE_CAMERAS:
        SetTypeFilter(m_TypeFilter ^ OBJ_TYPE_CAMERA);
        return 1;
    case ID_OUTLINE_MATERIALS:
        SetTypeFilter(m_TypeFilter ^ OBJ_TYPE_MATERIAL);
        return 1;
    case ID_OUTLINE_MODIFIERS:
        SetTypeFilter(m_TypeFilter ^ OBJ_TYPE_MODIFIER);
        return 1;
    case ID_OUTLINE_SELECT_CHILDREN:
        g_ActionRegistry.RunActionByName("KEditSelectChildren");
        return 1;
    case ID_OUTLINE_COLLAPSE_ALL:
        SetCollapsedAll(true, false);
        return 1;
    case ID_OUTLINE_EXPAND_ALL:
        SetCollapsedAll(false, false);
        return 1;
    case ID_OUTLINE_EXPAND_SELECTION:
        SetCollapsedAll(false, true);
        return 1;
    default:
        return 0;
    }
}

void CSceneViewWnd::keyPressEvent(QKeyEvent* event)
{
    // Keys in the outline run the "General" actions, then the "View" ones;
    // any other key goes on to the main window.
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;
    if (const unsigned vk = MVirtualKeyFromQt(event->key(), mods))
        if (g_KeyBindingTable.DispatchKey(vk, ctrl, alt, shift, "General") ||
            g_KeyBindingTable.DispatchKey(vk, ctrl, alt, shift, "View"))
        {
            m_KeyTaken = true;
            event->accept();
            return;
        }
    event->ignore();
}

void CSceneViewWnd::keyReleaseEvent(QKeyEvent* event)
{
    if (m_KeyTaken)
    {
        m_KeyTaken = event->isAutoRepeat();
        event->accept();
        return;
    }
    event->ignore();
}

void CSceneViewWnd::wheelEvent(QWheelEvent* event)
{
    ScrollBy(m_VBar, -event->angleDelta().y() / 120 * 3 * kLineStep);
    event->accept();
}
