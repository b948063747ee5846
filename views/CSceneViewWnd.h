#pragma once

#include "MBaseViewWnd.h"

#include <QFont>
#include <cstdint>
#include <vector>

class MBaseObjectTreeNode;
class MScene;
class QScrollBar;

// Commands of the outline's popup menu.
enum : int
{
    ID_OUTLINE_COLLAPSE_ALL = 32990,
    ID_OUTLINE_EXPAND_ALL = 32991,
    ID_OUTLINE_EXPAND_SELECTION = 32992,
    ID_OUTLINE_MESHES = 32994,
    ID_OUTLINE_LIGHTS = 32995,
    ID_OUTLINE_CAMERAS = 32997,
    ID_OUTLINE_MATERIALS = 33007,
    ID_OUTLINE_SELECT_CHILDREN = 33020,
    ID_OUTLINE_MODIFIERS = 33025,
};

// Hit flags of HitTest.
enum : int
{
    OUTLINE_HIT_ROW = 1,
    OUTLINE_HIT_EXPAND = 2,
};

// The scene outline: the scene's object tree as an indented list drawn with
// QPainter, one row per listed object, with dotted connectors to the parent,
// an expand circle on objects with children, selection highlighting and a
// filter by object type. A click selects (Ctrl+click toggles), a click on the
// circle collapses or expands, and dragging a row onto another makes the
// dragged object its child, with undo.
//
// The rows are derived from the tree once and kept until the tree's shape,
// the filter, a collapse mark or the scene changes; a redraw then walks and
// draws only the rows on screen.
class CSceneViewWnd : public MBaseViewWnd
{
    Q_OBJECT

  public:
    explicit CSceneViewWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~CSceneViewWnd() override;

    M_DECLARE_CLASS_NAMES(CSceneViewWnd, MBaseViewWnd)
    // A new scene outline, not yet shown, with this view's name, options and filter.
    MBaseObject* CreateNew() const override;

    void Redraw() override;
    void OnMouseDown(int x, int y, const MKeyState& state) override;
    void OnMouseUp(int x, int y, const MKeyState& state) override;
    void OnMouseMove(int x, int y, const MKeyState& state) override;
    void ShowPopupMenu(int screenX, int screenY) override;
    int OnViewCommand(int commandId) override;

    // The node of the row at (x, y), or null; hitFlags gets OUTLINE_HIT_ROW,
    // and OUTLINE_HIT_EXPAND when x lies on the row's expand circle.
    MBaseObjectTreeNode* HitTest(int x, int y, int& hitFlags);

    uint32_t GetTypeFilter() const { return m_TypeFilter; }
    void SetTypeFilter(uint32_t filter);
    bool IsDragging() const { return m_Dragging; }
    MBaseObjectTreeNode* GetDropTarget() const;
    QScrollBar* GetVerticalBar() const { return m_VBar; }
    QScrollBar* GetHorizontalBar() const { return m_HBar; }
    // The number of listed rows, and the height of one.
    int GetRowCount();
    int GetRowHeight() const;
    // The row's vertical centre in window pixels, or a large negative value
    // when the node is not listed.
    int RowY(const MBaseObjectTreeNode* node);
    // How many rows the last paint drew.
    int GetDrawnRowCount() const { return m_DrawnRows; }
    // Paints the view into a painter of the view's size (the paint event
    // does this; benchmarks call it directly).
    void Paint(QPainter& painter);

  protected:
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    struct Row
    {
        MBaseObjectTreeNode* node;
        int depth;
        int parentRow;    // the nearest listed ancestor's row, or -1
        int lastChildRow; // the last row whose parentRow is this one, or -1
    };
    // Rebuilds the rows when what they were derived from has changed.
    void EnsureRows();
    int FirstRowY() const;
    void UpdateScrollBars();
    void ScrollBy(QScrollBar* bar, int delta);
    void SetCollapsedAll(bool collapsed, bool selectedOnly);
    int RowIndexAt(int y);

    uint32_t m_TypeFilter = 0x270000;
    QFont m_Font;
    QScrollBar* m_VBar = nullptr;
    QScrollBar* m_HBar = nullptr;
    // The objects pressed on and under the mouse while dragging; held by
    // object, since an action may change the tree during a drag.
    MRef<MBaseObject> m_DragObject;
    MRef<MBaseObject> m_DropObject;
    bool m_Dragging = false;
    bool m_KeyTaken = false;

    std::vector<Row> m_Rows;
    const MScene* m_RowsScene = nullptr;
    uint64_t m_RowsShape = ~uint64_t(0);
    uint32_t m_RowsFilter = 0;
    uint64_t m_RowsCollapseEpoch = 0;
    int m_Widest = 0;      // the widest row drawn last, unscrolled
    int m_ScrollTotal = 0; // the content height the scroll bars were set for
    int m_DrawnRows = 0;
};
