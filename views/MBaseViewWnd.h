#pragma once

#include "MBaseObject.h"
#include "MKeyState.h"
#include "MStr.h"

#include <QOpenGLWidget>
#include <QPoint>

class QAction;
class QMenu;
class QMouseEvent;

// View option bits of a view's own flag word.
enum : uint32_t
{
    VIEW_BACKFACE_CULL = 0x04,
    VIEW_PERSPECTIVE = 0x08,
    VIEW_FULL_VIEW = 0x20,
    VIEW_GRID_VISIBLE = 0x40,
};

// Command ids of the View submenu that every view's popup menu carries.
enum : int
{
    ID_VIEW_SCENE_OUTLINE = 33000,
    ID_VIEW_MAKE_COPY = 33013,
    ID_VIEW_MATERIAL_VIEW = 33046,
};

// The top-right corner box: two squares, the left one toggles the full view.
inline constexpr int kCornerBoxWidth = 35;
inline constexpr int kCornerBoxHeight = 18;
inline constexpr int kCornerSplit = 18;

// An inclusive pixel rectangle (left, top, right, bottom).
struct MPixelRect
{
    int left = 0, top = 0, right = -1, bottom = -1;
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// A view window: a panel of the main window (or a floating window) that shows
// the scene one way, and a model object with a class name, a flag word for
// view options and a reference count.
//
// Every view is a QOpenGLWidget. The 3D viewport and the material view draw
// with OpenGL; the scene outline draws with QPainter, which works on an
// OpenGL widget as well. One widget class for all kinds keeps one event path
// (mouse routing below) and lets the view list, the panes and the actions
// treat every view alike.
//
// Lifetime. The window's life is Qt's; the reference count must never end a
// widget Qt still owns, nor end one from inside its own event handler:
//  - A view holds one reference on itself from construction for as long as
//    its window lives (so a new view counts 1, not 0). Balanced AddRef and
//    Delete pairs of other holders (the view list) therefore never bring the
//    count to 0 and never delete the widget.
//  - A view is ended only by DestroyWindow: the window is hidden, taken out of
//    the panes and the active view, and deleted with deleteLater, so removal
//    from inside the view's own mouse handler (a popup command that replaces
//    the view) is safe: the object lives until control is back in the event
//    loop.
//  - When the widget is deleted (deleteLater, or by Qt with its parent), its
//    destructor takes it out of the view list, the panes and the active view,
//    so no global pointer outlives it. Other code that keeps a view pointer
//    across events holds a QPointer, not a reference.
//  - A view made but never shown (CreateNew, a failed replacement) may be
//    ended with plain delete or with Delete().
class MBaseViewWnd : public QOpenGLWidget, public MBaseObject
{
    Q_OBJECT

  public:
    explicit MBaseViewWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~MBaseViewWnd() override;

    M_DECLARE_CLASS_NAMES(MBaseViewWnd, MBaseObject)
    MBaseObject* CreateNew() const override { return nullptr; }

    // Virtual operations of every view, in slot order.
    // 1. Called once after the window exists.
    virtual int InitView();
    // 2. Releases what the view holds of the drawing system.
    virtual void ReleaseView() {}
    // 3. Draws the whole view.
    virtual void Redraw() = 0;
    // 4. The caption drawn in the view's top-left corner.
    virtual void SetViewName(const MStr& name) { m_ViewName = name; }
    // 5.-7. Mouse input in window pixels (y downwards) with the input state.
    virtual void OnMouseUp(int x, int y, const MKeyState& state);
    virtual void OnMouseDown(int x, int y, const MKeyState& state);
    virtual void OnMouseMove(int x, int y, const MKeyState& state);
    // 8. The view's popup menu at a screen position.
    virtual void ShowPopupMenu(int screenX, int screenY) = 0;
    // 9. The View submenu's commands. Returns -1 when this view was replaced
    // (it is gone once control is back in the event loop; touch nothing of
    // it), 1 when the command was handled and the view stays, 0 for an id
    // that is not one of them.
    virtual int OnViewCommand(int commandId);
    // 10. Appends a separator and the View submenu; 0 for a null menu, else 1.
    virtual int AppendViewMenu(QMenu* menu);

    const MStr& GetViewName() const { return m_ViewName; }

    // Toggles the full-view flag, makes the view active and asks the main
    // window to lay out its panes again (the left corner square, and the
    // Toggle Fullscreen action).
    void ToggleFullView();
    bool IsFullView() const { return HasFlags(VIEW_FULL_VIEW); }

    // Ends the window (see Lifetime above). Safe to call more than once.
    void DestroyWindow();
    bool IsWindowDestroyed() const { return m_WindowDestroyed; }

    // Where the first button of the current press went down.
    QPoint GetDragStart() const { return m_DragStart; }
    void SetDragStart(QPoint p) { m_DragStart = p; }
    QPoint GetDragCurrent() const { return m_DragCurrent; }
    void SetDragCurrent(QPoint p) { m_DragCurrent = p; }
    const MPixelRect& GetLabelRect() const { return m_LabelRect; }
    void SetLabelRect(const MPixelRect& r) { m_LabelRect = r; }
    const MKeyState& GetInputState() const { return m_InputState; }

  protected:
    // Runs a popup menu at a screen position and returns the chosen item, or
    // null. Views call this rather than QMenu::exec so tests can choose. The
    // chosen command runs only after the menu's own event loop has ended, so
    // a command that replaces the view never deletes it under that loop.
    virtual QAction* TrackPopupMenu(QMenu* menu, int screenX, int screenY);
    // Runs the popup menu and hands the chosen command to OnViewCommand;
    // redraws on result 1. What the concrete views' ShowPopupMenu does after
    // building its menu.
    void RunPopupMenu(QMenu* menu, int screenX, int screenY);
    // Copies the settings a copy of the view carries: the view name and the
    // flag word (a copy starts out of full view).
    void CopyViewSettingsTo(MBaseViewWnd* copy) const;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    QPoint m_DragStart;
    QPoint m_DragCurrent;
    MPixelRect m_LabelRect;
    MKeyState m_InputState;
    MStr m_ViewName;

  private:
    bool InCornerBox(int x, int y) const;
    // Clears the flags of buttons that Qt reports up: a release that never
    // reached the view (a modal loop took it) must not leave a button held.
    void SyncButtons(Qt::MouseButtons down);
    bool m_WindowDestroyed = false;
};
