#include "MBaseViewWnd.h"

#include "Globals.h"
#include "MAction.h"
#include "MBaseViewWndList.h"
#include "MMenu.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>

#include <cmath>

namespace
{
// The flag of the input state that stands for a button, or null for buttons
// views do not route.
uint8_t* ButtonFlag(MKeyState& state, Qt::MouseButton button)
{
    switch (button)
    {
    case Qt::LeftButton:
        return &state.left;
    case Qt::RightButton:
        return &state.right;
    case Qt::MiddleButton:
        return &state.middle;
    default:
        return nullptr;
    }
}

// Shift, Ctrl and Alt as they stood when the event happened.
void ReadModifiers(MKeyState& state, const QMouseEvent* event)
{
    const Qt::KeyboardModifiers m = event->modifiers();
    state.shift = (m & Qt::ShiftModifier) ? 1 : 0;
    state.ctrl = (m & Qt::ControlModifier) ? 1 : 0;
    state.alt = (m & Qt::AltModifier) ? 1 : 0;
}

QPoint PixelOf(const QMouseEvent* event)
{
    const QPointF p = event->position();
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}
} // namespace

MBaseViewWnd::MBaseViewWnd(QWidget* parent, Qt::WindowFlags flags) : QOpenGLWidget(parent, flags)
{
    // The window's own reference (see Lifetime in the header).
    AddRef();
    // Tools follow the mouse without a button held.
    setMouseTracking(true);
    // A right click is the view's own popup; it must not travel up to the
    // main window as a context menu request.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setFocusPolicy(Qt::ClickFocus);
}

MBaseViewWnd::~MBaseViewWnd()
{
    // The object is going whatever its count says. One more reference keeps
    // the list's release below from reaching zero and deleting it again.
    AddRef();
    g_ViewWndList.Forget(this);
    if (g_ActiveView == this)
        g_ActiveView = nullptr;
    for (MBaseViewWnd*& pane : g_ViewPanes)
        if (pane == this)
            pane = nullptr;
}

int MBaseViewWnd::InitView()
{
    // The window menu item "Child to Main Window" has no behaviour, and the
    // window icon is the application's, which Qt applies itself.
    return 1;
}

void MBaseViewWnd::OnMouseUp(int, int, const MKeyState&) {}

void MBaseViewWnd::OnMouseDown(int, int, const MKeyState&) {}

void MBaseViewWnd::OnMouseMove(int, int, const MKeyState&) {}

int MBaseViewWnd::OnViewCommand(int commandId)
{
    const char* action = nullptr;
    switch (commandId)
    {
    case ID_VIEW_SCENE_OUTLINE:
        action = "KViewportSceneOutline";
        break;
    case ID_VIEW_MAKE_COPY:
        action = "KViewportMakeCopy";
        break;
    case ID_VIEW_MATERIAL_VIEW:
        action = "KViewportMaterialEdit";
        break;
    default:
        return 0;
    }
    g_ActionRegistry.RunActionByName(action);
    // The replacing actions end this view; when they could not (no such
    // action, or it failed) the view is still there to redraw.
    return IsWindowDestroyed() ? -1 : 1;
}

int MBaseViewWnd::AppendViewMenu(QMenu* menu)
{
    if (!menu)
        return 0;
    menu->addSeparator();
    QMenu* views = menu->addMenu(QStringLiteral("View"));
    MSetCommandId(views->addAction(QStringLiteral("Make Copy")), ID_VIEW_MAKE_COPY);
    views->addSeparator();
    MSetCommandId(views->addAction(QStringLiteral("Scene Outline")), ID_VIEW_SCENE_OUTLINE);
    MSetCommandId(views->addAction(QStringLiteral("Material View")), ID_VIEW_MATERIAL_VIEW);
    return 1;
}

void MBaseViewWnd::ToggleFullView()
{
    SetFlags(GetFlags() ^ VIEW_FULL_VIEW);
    SetActiveView(this);
    // The main window lays its panes out again when it handles the request.
    QObject* layoutOwner = parentWidget() ? static_cast<QObject*>(parentWidget()) : g_MainWnd;
    if (layoutOwner)
        QCoreApplication::postEvent(layoutOwner, new QEvent(QEvent::LayoutRequest));
}

void MBaseViewWnd::DestroyWindow()
{
    if (m_WindowDestroyed)
        return;
    m_WindowDestroyed = true;
    if (g_ActiveView == this)
        g_ActiveView = nullptr;
    for (MBaseViewWnd*& pane : g_ViewPanes)
        if (pane == this)
            pane = nullptr;
    ReleaseView();
    hide();
    deleteLater();
}

QAction* MBaseViewWnd::TrackPopupMenu(QMenu* menu, int screenX, int screenY)
{
    return menu ? menu->exec(QPoint(screenX, screenY)) : nullptr;
}

void MBaseViewWnd::RunPopupMenu(QMenu* menu, int screenX, int screenY)
{
    QAction* chosen = TrackPopupMenu(menu, screenX, screenY);
    if (!chosen)
        return;
    // -1: the view was replaced; nothing more of it may be touched.
    if (OnViewCommand(MGetCommandId(chosen)) == 1)
        Redraw();
}

void MBaseViewWnd::CopyViewSettingsTo(MBaseViewWnd* copy) const
{
    if (!copy)
        return;
    copy->SetName(GetName());
    copy->SetViewName(m_ViewName);
    // A copy floats; it does not start maximised.
    copy->SetFlags(GetFlags() & ~uint32_t(VIEW_FULL_VIEW));
}

bool MBaseViewWnd::InCornerBox(int x, int y) const
{
    return x >= width() - kCornerBoxWidth && x <= width() - 1 && y >= 0 && y < kCornerBoxHeight;
}

void MBaseViewWnd::SyncButtons(Qt::MouseButtons down)
{
    if (!(down & Qt::LeftButton))
        m_InputState.left = 0;
    if (!(down & Qt::RightButton))
        m_InputState.right = 0;
    if (!(down & Qt::MiddleButton))
        m_InputState.middle = 0;
}

// Mouse routing. While a button is held Qt sends every mouse event to the
// widget that took the first press, until the last button is released: that
// implicit grab is the view's capture, so no explicit grab is needed. The
// second press of a double click arrives as a double-click event, which
// QWidget hands to mousePressEvent.
void MBaseViewWnd::mousePressEvent(QMouseEvent* event)
{
    uint8_t* flag = ButtonFlag(m_InputState, event->button());
    if (!flag)
    {
        event->ignore();
        return;
    }
    event->accept();
    SyncButtons(event->buttons());
    const QPoint p = PixelOf(event);
    const bool othersDown = (event->buttons() & ~event->button()) != Qt::NoButton;

    SetActiveView(this);
    if (!othersDown)
        m_DragStart = p;

    if (event->button() == Qt::LeftButton && InCornerBox(p.x(), p.y()))
    {
        if (p.x() < width() - kCornerSplit)
            ToggleFullView();
        return;
    }
    if (event->button() == Qt::RightButton && !othersDown && m_LabelRect.Contains(p.x(), p.y()))
    {
        const QPoint screen = mapToGlobal(p);
        // The popup may replace this view: nothing of it is touched after.
        ShowPopupMenu(screen.x(), screen.y());
        return;
    }

    ReadModifiers(m_InputState, event);
    *flag = 1;
    OnMouseDown(p.x(), p.y(), m_InputState);
}

void MBaseViewWnd::mouseReleaseEvent(QMouseEvent* event)
{
    uint8_t* flag = ButtonFlag(m_InputState, event->button());
    if (!flag)
    {
        event->ignore();
        return;
    }
    event->accept();
    // A press taken by the corner box or the label popup set no flag; its
    // release is not passed on either, so OnMouseUp always follows an
    // OnMouseDown of the same button.
    if (!*flag)
        return;
    *flag = 0;
    const QPoint p = PixelOf(event);
    OnMouseUp(p.x(), p.y(), m_InputState);
}

void MBaseViewWnd::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    SyncButtons(event->buttons());
    ReadModifiers(m_InputState, event);
    const QPoint p = PixelOf(event);
    OnMouseMove(p.x(), p.y(), m_InputState);
}

void MBaseViewWnd::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (g_ViewWndList.Contains(this))
        g_ViewWndList.RemoveView(this);
    else
        DestroyWindow();
}
