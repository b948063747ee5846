#include "CKorvaDlg.h"

#include "CBottomDlg.h"
#include "CChannelBar.h"
#include "CColorPickerDlg.h"
#include "CConsoleDlg.h"
#include "COpenGLWnd.h"
#include "CSceneViewWnd.h"
#include "CTopToolDlg.h"
#include "Globals.h"
#include "KActions.h"
#include "KFileActions.h"
#include "KViewActions.h"
#include "MAction.h"
#include "MBaseUndoNode.h"
#include "MBaseViewWndList.h"
#include "MConfig.h"
#include "MKeyBinding.h"
#include "MKeyCodes.h"
#include "MMenu.h"
#include "MPrivateEvent.h"
#include "MRegistry.h"
#include "MScene.h"
#include "MSelectToolType.h"
#include "MSystemManager.h"
#include "MToolTipWnd.h"
#include "MToolManager.h"
#include "MUndoList.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>

namespace
{
// Width of the channel bar.
constexpr int kChannelBarWidth = 250;
// Registry access: read and write.
constexpr uint32_t kWindowRegistryAccess = 0x2001F;

// Command ids of the main menu.
enum : int
{
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 32774,
    ID_FILE_MERGE = 32775,
    ID_FILE_IMPORT = 32961,
    ID_FILE_EXPORT = 32962,
    ID_FILE_EXIT = 32781,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_EDIT_DUPLICATE = 33001,
    ID_EDIT_DELETE_SELECTED = 32978,
    ID_EDIT_SELECT_ALL = 32796,
    ID_EDIT_SELECT_NONE = 32797,
    ID_EDIT_SELECT_INVERSE = 32798,
    ID_EDIT_SELECT_CHILDREN = 33018,
    ID_EDIT_PURGE_UNDO = 33005,
    ID_SHADERS_CREATE = 33008,
    ID_SHADERS_ADD_LAYER = 33064,
    ID_SHADERS_IMPORT = 33066,
    ID_SHADERS_EXPORT = 33067,
    ID_HIDE_SELECTED = 32968,
    ID_HIDE_UNSELECTED = 32969,
    ID_HIDE_ALL = 32970,
    ID_SHOW_SELECTED = 32971,
    ID_SHOW_UNSELECTED = 32972,
    ID_SHOW_ALL = 32973,
    ID_OPTIONS_CONFIGURE = 32821,
    ID_WINDOW_CONSOLE = 32823,
    ID_WINDOW_SCENE_OUTLINE = 32989,
    ID_WINDOW_MATERIAL = 33045,
    ID_HELP_CONTENTS = 32868,
    ID_HELP_KEYWORD = 32869,
    ID_HELP_ABOUT = 32871,
};

bool CtrlHeld()
{
    return QGuiApplication::keyboardModifiers() & Qt::ControlModifier;
}

void Log(const char* line)
{
    g_SystemManager.LogOutput("%s", line);
}

// Widgets that take typed keys themselves; keys typed into them never reach
// the actions. (The menu bar, when Alt gave it the keyboard, keeps its keys
// too.)
bool IsEditField(const QObject* o)
{
    return qobject_cast<const QLineEdit*>(o) || qobject_cast<const QTextEdit*>(o) ||
           qobject_cast<const QPlainTextEdit*>(o) || qobject_cast<const QAbstractSpinBox*>(o);
}

// The application's icon: a small swatch of stacked stages.
QIcon MakeAppIcon()
{
    QIcon icon;
    for (int size : {16, 32})
    {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 90, 160));
        p.drawRect(0, 0, size, size);
        p.setBrush(QColor(230, 160, 40, 200));
        p.drawRect(size / 4, size / 4, size / 2, size / 2);
        icon.addPixmap(pm);
    }
    return icon;
}

// The client area: the panels and panes are placed in it by hand, and the
// column split is dragged on its free strips.
class CClientArea : public QWidget
{
  public:
    explicit CClientArea(QWidget* parent) : QWidget(parent)
    {
        setObjectName("ClientArea");
        setMouseTracking(true);
    }
};
} // namespace

CKorvaDlg::CKorvaDlg()
{
    setObjectName("MainWindow");
    setWindowTitle("Glazen");
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_Client = new CClientArea(this);
    setCentralWidget(m_Client);
    m_Client->installEventFilter(this);
    m_Console = new CConsoleDlg(this);
    m_Console->setWindowFlag(Qt::Window, true);
    m_Console->hide();
    m_AppIcon = MakeAppIcon();
    BuildMenus();
    resize(1024, 768);
}

CKorvaDlg::~CKorvaDlg()
{
    if (!m_ShutDown)
        Shutdown();
    if (qApp)
        qApp->removeEventFilter(this);
    if (g_MainWnd == this)
        g_MainWnd = nullptr;
    if (MGetMessageTarget() == this)
        MSetMessageTarget(nullptr);
}

QAction* CKorvaDlg::AddItem(QMenu* menu, const char* text, int id)
{
    QAction* item = menu->addAction(QString::fromUtf8(text));
    MSetCommandId(item, id);
    // Each item reports its own command, however it was chosen.
    connect(item, &QAction::triggered, this, [this, id] { CommandDispatch(id, CtrlHeld()); });
    return item;
}

void CKorvaDlg::BuildMenus()
{
    m_MenuBar = menuBar();
    m_FileMenu = m_MenuBar->addMenu("&File");
    AddItem(m_FileMenu, "&New", ID_FILE_NEW);
    AddItem(m_FileMenu, "&Open ...", ID_FILE_OPEN);
    AddItem(m_FileMenu, "&Save", ID_FILE_SAVE);
    AddItem(m_FileMenu, "Save &As ...", ID_FILE_SAVE_AS);
    AddItem(m_FileMenu, "&Merge ...", ID_FILE_MERGE);
    m_FileMenu->addSeparator();
    AddItem(m_FileMenu, "&Import...", ID_FILE_IMPORT);
    AddItem(m_FileMenu, "&Export...", ID_FILE_EXPORT);
    m_FileMenu->addSeparator();
    AddItem(m_FileMenu, "E&xit", ID_FILE_EXIT);

    QMenu* edit = m_MenuBar->addMenu("&Edit");
    AddItem(edit, "Undo ", ID_EDIT_UNDO);
    AddItem(edit, "Redo ", ID_EDIT_REDO);
    edit->addSeparator();
    AddItem(edit, "D&uplicate", ID_EDIT_DUPLICATE);
    QMenu* del = edit->addMenu("&Delete");
    AddItem(del, "&Selected", ID_EDIT_DELETE_SELECTED);
    QMenu* select = edit->addMenu("&Select");
    AddItem(select, "Select &All", ID_EDIT_SELECT_ALL);
    AddItem(select, "Select &None", ID_EDIT_SELECT_NONE);
    AddItem(select, "Select &Inverse", ID_EDIT_SELECT_INVERSE);
    AddItem(select, "&Children", ID_EDIT_SELECT_CHILDREN);
    edit->addSeparator();
    QMenu* purge = edit->addMenu("&Purge");
    AddItem(purge, "&Undo Lists", ID_EDIT_PURGE_UNDO);

    QMenu* shaders = m_MenuBar->addMenu("&Shaders");
    AddItem(shaders, "&Create Shader", ID_SHADERS_CREATE);
    AddItem(shaders, "&Add Layer", ID_SHADERS_ADD_LAYER);
    shaders->addSeparator();
    AddItem(shaders, "&Import Shaders...", ID_SHADERS_IMPORT);
    AddItem(shaders, "&Export Shaders...", ID_SHADERS_EXPORT);

    QMenu* display = m_MenuBar->addMenu("&Display");
    QMenu* hide = display->addMenu("&Hide");
    AddItem(hide, "&Selected", ID_HIDE_SELECTED);
    AddItem(hide, "&Unselected", ID_HIDE_UNSELECTED);
    AddItem(hide, "&All", ID_HIDE_ALL);
    QMenu* show = display->addMenu("&Show");
    AddItem(show, "&Selected", ID_SHOW_SELECTED);
    AddItem(show, "&Unselected", ID_SHOW_UNSELECTED);
    AddItem(show, "&All", ID_SHOW_ALL);

    QMenu* options = m_MenuBar->addMenu("&Options");
    AddItem(options, "&Configure...", ID_OPTIONS_CONFIGURE);

    QMenu* window = m_MenuBar->addMenu("&Window");
    AddItem(window, "&Console Window", ID_WINDOW_CONSOLE);
    AddItem(window, "&Scene Outline", ID_WINDOW_SCENE_OUTLINE);
    AddItem(window, "&Material Window", ID_WINDOW_MATERIAL);

    QMenu* help = m_MenuBar->addMenu("&Help");
    AddItem(help, "&Contents", ID_HELP_CONTENTS);
    AddItem(help, "&Keyword Search", ID_HELP_KEYWORD);
    help->addSeparator();
    AddItem(help, "&About", ID_HELP_ABOUT);
}

bool CKorvaDlg::Initialise()
{
    m_Initialised = false;
    m_DraggingColumn = m_DraggingRow = false;
    m_ChannelBarOnLeft = true;
    g_MainWnd = this;
    MSetMessageTarget(this);

    // Plug-ins: modules first, then translator plug-ins.
    SetSystemManager(&g_SystemManager);
    g_SystemManager.FindAndLoadDLLs("*.DLM", true, true);
    g_SystemManager.FindAndLoadDLLs("*.DLF", true, true);

    g_CurrentScene = g_SystemManager.GetScene();
    if (g_CurrentScene)
        g_CurrentScene->AddRef();
    // The default tool.
    g_ToolManager.PushTool(new MSelectToolType());
    MPostMessage(UM_SCENE_CHANGED, 0xFFFF);

    g_SystemManager.SetConsoleOutput(m_Console->OutputSink());

    Log("Initialising Views...");
    for (int pane = 0; pane < 3; ++pane)
    {
        auto* view = new CSceneViewWnd(m_Client);
        view->setWindowTitle("SceneView");
        view->setGeometry(10, 10, 490, 490);
        view->InitView();
        view->show();
        g_ViewWndList.AddView(view);
        g_ViewPanes[pane] = view;
    }
    SetActiveView(g_ViewPanes[0]);
    KViewportMaterialEdit();
    SetActiveView(g_ViewPanes[1]);
    KViewportMaterialEdit();
    SetActiveView(g_ViewPanes[2]);
    KViewportSceneOutline();
    SetActiveView(g_ViewPanes[0]);

    Log("Initialising Panels...");
    m_Bottom = new CBottomDlg(m_Client);
    m_Bottom->show();
    m_Top = new CTopToolDlg(m_Client);
    m_Top->show();
    m_ChannelBar = new CChannelBar(m_Client);
    m_ChannelBar->setGeometry(0, 0, 10, 10);
    m_ChannelBar->show();

    g_SystemManager.SetConsoleOutput(m_Console->OutputSink(), m_Bottom->LogSink());
    m_ShelfManager.SetTabControl(m_Top->TabControl());
    m_ShelfManager.LoadShelves(g_Config.m_ProgramFolder + "Prefs\\*.shelf");

    g_CurrentFileName = "Untitled";
    MSendMessage(UM_UPDATE_TITLE);

    m_ColumnFraction = 0.75f;
    m_RowFraction = 1.0f;
    if (g_CurrentScene)
        g_CurrentScene->SetTime(0);

    Log("Initialising Undo Lists...");
    g_UndoList.SetPrefix("Undo ");
    g_UndoList.SetOpposite(&g_RedoList);
    g_UndoList.SetClearsOpposite(true);
    g_UndoList.SetMenuItem(m_MenuBar, ID_EDIT_UNDO);
    g_UndoList.UpdateMenu();
    g_RedoList.SetPrefix("Redo ");
    g_RedoList.SetOpposite(&g_UndoList);
    g_RedoList.SetClearsOpposite(false);
    g_RedoList.SetMenuItem(m_MenuBar, ID_EDIT_REDO);
    g_RedoList.UpdateMenu();

    setWindowIcon(m_AppIcon);

    // The colour picker: modeless, without owner, hidden until asked for.
    if (!g_ColorPicker)
        g_ColorPicker = new CColorPickerDlg(nullptr);
    g_ColorPicker->hide();
    ToolTip();

    LoadConfiguration();
    // The default tool again, now that the actions are registered.
    g_ToolManager.PushTool(new MSelectToolType());
    MPostMessage(UM_SCENE_CHANGED, 0xFFFF);
    RestoreWindowPlacement();
    RebuildRecentFileMenu();
    Layout();
    return true;
}

void CKorvaDlg::RestoreWindowPlacement()
{
    MRegistry reg;
    MStr text;
    if (!reg.OpenKey(kRegistryKeyPath, kWindowRegistryAccess, false) ||
        !reg.ReadString("WindowPlacement", text))
        return;
    int x = 0, y = 0, w = 0, h = 0, maximised = 0;
    if (std::sscanf(text.c_str(), "%d %d %d %d %d", &x, &y, &w, &h, &maximised) != 5 || w < 200 ||
        h < 150)
        return;
    // A place on no screen (one unplugged since) is not taken.
    const QRect placed(x, y, w, h);
    bool onScreen = QGuiApplication::screens().isEmpty();
    for (QScreen* screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersects(placed);
    if (!onScreen)
        return;
    setGeometry(placed);
    if (maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CKorvaDlg::SaveWindowPlacement()
{
    // The size and place the window has when not maximised, and whether it is.
    const QRect r = isMaximized() ? normalGeometry() : geometry();
    MRegistry reg;
    if (!reg.OpenKey(kRegistryKeyPath, kWindowRegistryAccess, true) ||
        !reg.WriteString("WindowPlacement", MStr::Printf("%d %d %d %d %d", r.x(), r.y(), r.width(),
                                                         r.height(), isMaximized() ? 1 : 0)))
        g_SystemManager.LogOutput("Could not keep the window's place: %s",
                                  reg.GetLastError().c_str());
}

QRect CKorvaDlg::ViewArea() const
{
    return QRect(QPoint(m_Left, m_ViewTop), QPoint(m_Right - 1, m_BottomEdge - 1));
}

void CKorvaDlg::ComputeSizes()
{
    const int W = m_Client->width();
    const int H = m_Client->height();
    const int T = m_Top ? m_Top->height() : 0;
    const int B = m_Bottom ? m_Bottom->height() : 0;
    const int barWidth = m_ChannelBar ? kChannelBarWidth : 0;
    m_Left = (m_ChannelBarOnLeft ? barWidth : 0) + 2;
    m_ViewTop = T;
    m_Right = W - 5 - (m_ChannelBarOnLeft ? 0 : barWidth);
    m_BottomEdge = H - B;
    const int w = std::max(0, m_Right - m_Left - 6);
    m_LeftWidth = static_cast<int>(w * m_ColumnFraction);
    m_RightWidth = w - m_LeftWidth;
    const int h = std::max(0, m_BottomEdge - m_ViewTop - 6);
    m_UpperHeight = static_cast<int>(h * m_RowFraction);
    m_LowerHeight = h - m_UpperHeight;
}

void CKorvaDlg::Layout()
{
    const int W = m_Client->width();
    const int H = m_Client->height();
    if (m_Top)
        m_Top->setGeometry(0, 0, W, m_Top->height());
    const int T = m_Top ? m_Top->height() : 0;
    const int B = m_Bottom ? m_Bottom->height() : 0;
    if (m_ChannelBar)
    {
        int x = m_ChannelBarOnLeft ? 0 : W - 252;
        int y = T + 2;
        m_ChannelBar->setGeometry(x, y, kChannelBarWidth, std::max(0, H - B - 2 - y));
    }
    if (m_Bottom)
        m_Bottom->setGeometry(0, H - B, std::max(0, W - 2), B);
    ComputeSizes();
    if (!m_Initialised)
        return;

    int full = -1;
    for (int i = 0; i < 3; ++i)
        if (g_ViewPanes[i] && (g_ViewPanes[i]->GetFlags() & VIEW_FULL_VIEW))
        {
            full = i;
            break;
        }
    if (full >= 0)
    {
        for (int i = 0; i < 3; ++i)
        {
            if (i == full || !g_ViewPanes[i])
                continue;
            g_ViewPanes[i]->hide();
            g_ViewPanes[i]->setGeometry(0, 0, 0, 0);
        }
        g_ViewPanes[full]->setGeometry(m_Left + 3, m_ViewTop + 3, m_LeftWidth + m_RightWidth,
                                       m_UpperHeight + m_LowerHeight);
        g_ViewPanes[full]->show();
        return;
    }
    const QRect rects[3] = {
        QRect(m_Left + 3, m_ViewTop + 3, m_LeftWidth, m_BottomEdge - m_ViewTop),
        QRect(m_Left + m_LeftWidth + 6, m_ViewTop + m_UpperHeight + 6, m_RightWidth, m_LowerHeight),
        QRect(m_Left + m_LeftWidth + 6, m_ViewTop + 3, m_RightWidth, m_UpperHeight),
    };
    for (int i = 0; i < 3; ++i)
        if (g_ViewPanes[i])
        {
            // A pane hidden by full view keeps no picture: it is painted
            // afresh once shown.
            const bool wasHidden = g_ViewPanes[i]->isHidden();
            g_ViewPanes[i]->setGeometry(rects[i]);
            g_ViewPanes[i]->show();
            if (wasHidden)
                g_ViewPanes[i]->update();
        }
}

void CKorvaDlg::SetColumnFraction(float f)
{
    m_ColumnFraction = std::clamp(f, 0.0f, 1.0f);
    Layout();
}

void CKorvaDlg::RebuildRecentFileMenu()
{
    // Items 57616..57620 go, then the names in use come back just above the
    // menu's last two items (a separator and Exit), in slot order.
    for (QAction* a : m_FileMenu->actions())
    {
        int id = MGetCommandId(a);
        if (id >= kRecentFileFirstId && id < kRecentFileFirstId + kRecentFileSlots)
        {
            m_FileMenu->removeAction(a);
            delete a;
        }
    }
    const int count = std::clamp(g_RecentFileCount, 0, kRecentFileSlots);
    for (int i = 0; i < count; ++i)
    {
        if (g_RecentFiles[i].IsEmpty())
            continue;
        QList<QAction*> items = m_FileMenu->actions();
        int position = std::max(0, static_cast<int>(items.size()) - 2);
        QString text =
            QString("&%1   %2").arg(i + 1).arg(QString::fromUtf8(g_RecentFiles[i].c_str()));
        auto* item = new QAction(text, m_FileMenu);
        const int id = kRecentFileFirstId + i;
        MSetCommandId(item, id);
        connect(item, &QAction::triggered, this, [this, id] { CommandDispatch(id, CtrlHeld()); });
        m_FileMenu->insertAction(position < items.size() ? items[position] : nullptr, item);
    }
}

int CKorvaDlg::KeyDispatch(unsigned keyCode, const MKeyState& keys)
{
    setFocus();
    m_KeyState.shift = keys.shift;
    m_KeyState.ctrl = keys.ctrl;
    m_KeyState.alt = keys.alt;
    return g_KeyBindingTable.DispatchKeyInListOrder(keyCode, keys.ctrl, keys.alt, keys.shift);
}

bool CKorvaDlg::CommandDispatch(int commandId, bool ctrl)
{
    if (ctrl)
    {
        if (MAction* action = g_ActionRegistry.FindActionByCommandId(commandId))
        {
            OpenToolConfiguration(action->GetName());
            return true;
        }
    }
    else if (g_ActionRegistry.RunActionByCommandId(commandId) != 0)
        return true;
    if (commandId >= kRecentFileFirstId && commandId < kRecentFileFirstId + kRecentFileSlots)
        return OpenRecentFile(commandId - kRecentFileFirstId) != 0;
    return false;
}

bool CKorvaDlg::event(QEvent* event)
{
    const int type = static_cast<int>(event->type());
    if (type == UM_UPDATE_TITLE || type == UM_SCENE_CHANGED || type == UM_REFRESH_CHANNELS)
    {
        OnPrivateMessage(type);
        return true;
    }
    if (event->type() == QEvent::LayoutRequest)
        Layout();
    return QMainWindow::event(event);
}

void CKorvaDlg::OnPrivateMessage(int message)
{
    switch (message)
    {
    case UM_UPDATE_TITLE:
        setWindowTitle(QString("Glazen - ") + QString::fromUtf8(g_CurrentFileName.c_str()));
        break;
    case UM_SCENE_CHANGED:
        if (!m_Initialised)
            break;
        if (m_Bottom)
        {
            m_Bottom->Scroller()->SetRange(0, 200);
            m_Bottom->RefreshTime();
        }
        g_ViewWndList.RedrawAll();
        break;
    case UM_REFRESH_CHANNELS:
        if (m_Initialised && m_ChannelBar)
            m_ChannelBar->RebuildChannels();
        break;
    default:
        break;
    }
}

void CKorvaDlg::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_Initialised)
    {
        m_Initialised = true;
        qApp->installEventFilter(this);
        RebuildRecentFileMenu();
        Layout();
    }
}

bool CKorvaDlg::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type())
    {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (PreTranslateKey(watched, event))
            return true;
        break;
    case QEvent::Resize:
    case QEvent::LayoutRequest:
        // A view entering or leaving full view asks for a new layout.
        if (watched == m_Client)
            Layout();
        break;
    case QEvent::MouseMove:
        // The tool tip follows the window under the mouse: a move over
        // another window hides the tip and hands it to that window.
        if (auto* w = qobject_cast<QWidget*>(watched))
            if (w != ToolTip().GetWindowUnderMouse() &&
                w == QApplication::widgetAt(
                         static_cast<QMouseEvent*>(event)->globalPosition().toPoint()))
                ToolTip().SetWindowUnderMouse(w);
        [[fallthrough]];
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        if (watched == m_Client && ClientMouse(event))
            return true;
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CKorvaDlg::PreTranslateKey(QObject* watched, QEvent* event)
{
    // Only keys aimed at this window: dialogs, message boxes, menus and the
    // console get their keys as usual.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || IsEditField(widget) ||
        qobject_cast<QMenuBar*>(widget))
        return false;
    // The channel bar's choice boxes take their keys (Enter, Tab, Escape and
    // the arrows) like its edit fields do.
    if (qobject_cast<QComboBox*>(widget) && m_ChannelBar && m_ChannelBar->isAncestorOf(widget))
        return false;
    // The scene outline runs its keys itself and passes on what it leaves.
    if (qobject_cast<CSceneViewWnd*>(widget))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // A 3D viewport follows Shift, Ctrl and Alt for its mouse controls.
    if (auto* viewport = qobject_cast<COpenGLWnd*>(widget))
        viewport->ReadKeyModifiers(key);
    // With Alt the key goes to Qt, so menu mnemonics work.
    if (key->modifiers() & Qt::AltModifier)
        return false;
    if (event->type() == QEvent::KeyPress)
        return true;
    if (key->isAutoRepeat())
        return true;
    if (key->key() == Qt::Key_Control)
        m_KeyState.ctrl = 0;
    if (key->key() == Qt::Key_Shift)
        m_KeyState.shift = 0;
    MKeyState keys = m_KeyState;
    keys.ctrl = (key->modifiers() & Qt::ControlModifier) ? 1 : 0;
    keys.shift = (key->modifiers() & Qt::ShiftModifier) ? 1 : 0;
    keys.alt = 0;
    if (unsigned vk = MVirtualKeyFromQt(key->key(), key->modifiers()))
        KeyDispatch(vk, keys);
    return true;
}

bool CKorvaDlg::ClientMouse(QEvent* event)
{
    auto* me = static_cast<QMouseEvent*>(event);
    const QPoint p = me->position().toPoint();
    ComputeSizes();
    const bool columnHit = std::abs(p.x() - m_LeftWidth - m_Left - 3) < 6;
    const bool rowHit = std::abs(p.y() - (m_ViewTop + m_UpperHeight + 3)) < 6;
    switch (event->type())
    {
    case QEvent::MouseButtonPress:
        m_MouseState.UpdateFromButtonEvent(event);
        m_MouseState.ReadMouseFlags(MMouseFlagsFromEvent(event));
        if (me->button() == Qt::LeftButton && columnHit)
            m_DraggingColumn = true;
        return true;
    case QEvent::MouseButtonRelease:
        m_MouseState.UpdateFromButtonEvent(event);
        m_MouseState.ReadMouseFlags(MMouseFlagsFromEvent(event));
        if (me->button() == Qt::LeftButton || me->button() == Qt::MiddleButton)
        {
            if (!(me->buttons() & Qt::LeftButton))
                m_DraggingColumn = m_DraggingRow = false;
        }
        return true;
    case QEvent::MouseMove:
        if (m_DraggingColumn)
        {
            m_Client->setCursor(Qt::SizeHorCursor);
            const int span = m_Right - m_Left;
            if (span > 0)
                SetColumnFraction(static_cast<float>(p.x() - m_Left) / span);
            return true;
        }
        if (columnHit && rowHit)
            m_Client->setCursor(Qt::SizeAllCursor);
        else if (columnHit)
            m_Client->setCursor(Qt::SizeHorCursor);
        else if (rowHit)
            m_Client->setCursor(Qt::SizeVerCursor);
        else
            m_Client->setCursor(Qt::ArrowCursor);
        return false;
    default:
        return false;
    }
}

void CKorvaDlg::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta > 0)
        g_ActionRegistry.RunActionByName("KViewportZoomIn");
    else if (delta < 0)
        g_ActionRegistry.RunActionByName("KViewportZoomOut");
    event->accept();
}

void CKorvaDlg::closeEvent(QCloseEvent* event)
{
    if (m_ShutDown)
    {
        event->accept();
        return;
    }
    g_Closing = true;
    if (ExitPrompt() == 0)
    {
        g_Closing = false;
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
}

void CKorvaDlg::Shutdown()
{
    m_ShutDown = true;
    // Playback ends before the scene goes.
    if (m_Bottom)
        m_Bottom->StopPlay();
    g_SystemManager.SetConsoleOutput(nullptr, nullptr);
    Log("Set output to NULL");
    SaveConfiguration();
    SaveWindowPlacement();
    Log("config saved");
    m_ShelfManager.RemoveAllShelves();
    Log("Shelves deleted");
    m_ShelfManager.SetTabControl(nullptr);
    Log("Tab Control set to NULL");
    Log("Cleaning Up Globals...");
    Log("Deleting Undo and Redo Nodes...");
    g_UndoList.Purge();
    g_RedoList.Purge();
    delete g_PendingUndoNode;
    g_PendingUndoNode = nullptr;
    delete g_ColorPicker;
    g_ColorPicker = nullptr;
    DestroyToolTip();
    g_ToolManager.Release();
    if (g_CurrentScene)
    {
        g_CurrentScene->ClearScene();
        g_CurrentScene->Delete();
        g_CurrentScene = nullptr;
    }
    Log("Globals Clean");
    // The views go with the window (their destructors leave the view list);
    // each lets go of its drawing context first.
    for (int i = 0; i < g_ViewWndList.GetCount(); ++i)
        g_ViewWndList.GetAt(i)->ReleaseView();
    qApp->removeEventFilter(this);
    g_UndoList.SetMenuItem(nullptr, 0);
    g_RedoList.SetMenuItem(nullptr, 0);
}
