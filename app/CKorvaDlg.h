#pragma once

#include "MKeyState.h"
#include "MLogFile.h"
#include "MShelfManager.h"
#include "MStr.h"

#include <QIcon>
#include <QMainWindow>

class CBottomDlg;
class CChannelBar;
class CConsoleDlg;
class CTopToolDlg;
class QAction;
class QMenu;
class QMenuBar;

// The main window: menus, the top and bottom panels, the channel bar, the
// three view panes with their split, the console, key and command dispatch
// into the actions, and the ordered start-up and shutdown.
class CKorvaDlg : public QMainWindow
{
    Q_OBJECT
  public:
    CKorvaDlg();
    ~CKorvaDlg() override;

    // The start-up sequence: plug-ins, scene, console, views, panels, undo
    // lists, configuration, actions and key bindings.
    bool Initialise();
    bool IsInitialised() const { return m_Initialised; }

    // Runs the action bound to a released key, trying the lists in order.
    // Returns the handler's result (0 when nothing ran).
    int KeyDispatch(unsigned keyCode, const MKeyState& keys);
    // A menu command: with ctrl, the action's tool preferences open instead
    // of the action. True when the command was handled.
    bool CommandDispatch(int commandId, bool ctrl);
    // Places the panels and the panes for the present size and split.
    void Layout();
    void RebuildRecentFileMenu();

    float GetColumnFraction() const { return m_ColumnFraction; }
    float GetRowFraction() const { return m_RowFraction; }
    void SetColumnFraction(float f);

    QWidget* ClientArea() const { return m_Client; }
    QMenu* FileMenu() const { return m_FileMenu; }
    CConsoleDlg* Console() const { return m_Console; }
    CBottomDlg* BottomPanel() const { return m_Bottom; }
    CTopToolDlg* TopPanel() const { return m_Top; }
    CChannelBar* ChannelBar() const { return m_ChannelBar; }
    MShelfManager& ShelfManager() { return m_ShelfManager; }
    const MKeyState& MouseState() const { return m_MouseState; }
    // The rectangle the views share, in client coordinates.
    QRect ViewArea() const;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void BuildMenus();
    QAction* AddItem(QMenu* menu, const char* text, int id);
    void OnPrivateMessage(int message);
    bool PreTranslateKey(QObject* watched, QEvent* event);
    bool ClientMouse(QEvent* event);
    void Shutdown();
    // The window's size and place, kept in the registry between runs.
    void RestoreWindowPlacement();
    void SaveWindowPlacement();
    void ComputeSizes();

    QIcon m_AppIcon;
    QMenuBar* m_MenuBar = nullptr;
    QMenu* m_FileMenu = nullptr;
    QWidget* m_Client = nullptr;
    CBottomDlg* m_Bottom = nullptr;
    CTopToolDlg* m_Top = nullptr;
    CChannelBar* m_ChannelBar = nullptr;
    CConsoleDlg* m_Console = nullptr;
    MShelfManager m_ShelfManager;

    float m_ColumnFraction = 0.75f;
    float m_RowFraction = 1.0f;
    // Derived view sizes.
    int m_Left = 0, m_ViewTop = 0, m_Right = 0, m_BottomEdge = 0; // the view area
    int m_LeftWidth = 0, m_RightWidth = 0, m_UpperHeight = 0, m_LowerHeight = 0;

    MKeyState m_MouseState;
    MKeyState m_KeyState;
    bool m_Initialised = false;
    bool m_DraggingColumn = false;
    bool m_DraggingRow = false;
    bool m_ChannelBarOnLeft = true;
    bool m_ShutDown = false;
};
