#pragma once

#include "MStr.h"

#include <QPointer>
#include <QWidget>

class QAction;

// A small menu model over Qt menus. A menu is a QMenuBar or a QMenu; each
// item that stands for a command carries its command id. An item's text
// holds the label, and after a tab the shortcut text, which Qt shows in the
// shortcut column.

// Gives an item its command id.
void MSetCommandId(QAction* item, int commandId);
// The item's command id, or 0 when it has none.
int MGetCommandId(const QAction* item);
// The item with the command id in the menu or any of its submenus, or null.
QAction* MFindMenuItem(const QWidget* menu, int commandId);
// The menu of a window: its menu bar, or null when it has none.
QWidget* MGetWindowMenu(const QWidget* window);

// Reads an item's text, up to maxLength characters. False when no such item.
bool MGetMenuItemText(const QWidget* menu, int commandId, MStr& text, int maxLength = 127);
bool MSetMenuItemText(const QWidget* menu, int commandId, const MStr& text);
// Enables the item, or greys it.
bool MEnableMenuItem(const QWidget* menu, int commandId, bool enable);
bool MIsMenuItemEnabled(const QWidget* menu, int commandId);

// One item of a menu, by the menu and a command id. It is set when both are
// given; the empty reference names no item. The menu is watched: once it is
// destroyed the reference reads as unset and its operations do nothing, so a
// reference may outlive the window that owned the menu.
class MMenuItemRef
{
  public:
    MMenuItemRef() = default;
    MMenuItemRef(QWidget* menu, int commandId) : m_Menu(menu), m_CommandId(commandId) {}

    void SetMenuItem(QWidget* menu, int commandId)
    {
        m_Menu = menu;
        m_CommandId = commandId;
    }
    bool IsSet() const { return !m_Menu.isNull() && m_CommandId != 0; }
    QWidget* GetMenu() const { return m_Menu.data(); }
    int GetCommandId() const { return m_CommandId; }

    // The item's text cut at its first tab, then a tab and the shortcut text.
    // An empty text leaves the item ending in a bare tab.
    void SetShortcutText(const MStr& shortcut) const;
    // A new label: when the item's text holds a tab, the label, a tab and
    // what followed the old tab; otherwise the label alone.
    void SetLabelKeepingShortcut(const MStr& label) const;
    void Enable(bool enable) const;
    MStr GetText() const;

  private:
    QPointer<QWidget> m_Menu;
    int m_CommandId = 0;
};
