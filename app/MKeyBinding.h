#pragma once

#include "MStr.h"

#include <cstdint>

class MAction;
class MActionRegistry;

// One shortcut: a virtual-key code with Ctrl, Alt and Shift, and the action it
// runs (null when the key file named an action that does not exist).
class MKeyBinding
{
  public:
    uint16_t m_KeyCode = 0;
    uint8_t m_Ctrl = 0;
    uint8_t m_Alt = 0;
    uint8_t m_Shift = 0;
    MAction* m_Action = nullptr;

    // "Alt+", "Shift+", "Ctrl+" as set, then the key's name.
    MStr GetShortcutText() const;
    // Writes the shortcut text into the action's menu item, when it has one.
    void WriteMenuShortcut() const;

    MKeyBinding* GetNext() const { return m_Next; }
    MKeyBinding* GetPrev() const { return m_Prev; }

  private:
    friend class MKeyBindingTable;
    MKeyBinding* m_Prev = nullptr;
    MKeyBinding* m_Next = nullptr;
};

// The name of a virtual-key code: "F1".."F24", fixed names such as
// "Page Up" or "Numpad 4", otherwise the character of the code.
MStr GetKeyName(unsigned keyCode);

// Every key binding, in the order they were added.
class MKeyBindingTable
{
  public:
    MKeyBindingTable() = default;
    MKeyBindingTable(const MKeyBindingTable&) = delete;
    MKeyBindingTable& operator=(const MKeyBindingTable&) = delete;
    ~MKeyBindingTable() { Clear(); }

    void SetActionRegistry(MActionRegistry* registry) { m_Registry = registry; }
    MActionRegistry* GetActionRegistry() const { return m_Registry; }

    // Binds a key to the action found by name and list name (none when
    // absent), appends it and writes its shortcut into the menu. Returns 1.
    int AddBinding(const MStr& actionName, const MStr& listName, unsigned keyCode, bool ctrl,
                   bool alt, bool shift);
    MKeyBinding* FindByKey(unsigned keyCode, const MStr& listName, bool ctrl, bool alt,
                           bool shift) const;
    MKeyBinding* FindByAction(const MStr& actionName, const MStr& listName = MStr()) const;
    // Runs the bound action's handler; 0 when no binding matches.
    int DispatchKey(unsigned keyCode, bool ctrl, bool alt, bool shift, const MStr& listName) const;
    // The main window's dispatch: "General", "Main", "Display", "Window",
    // "View", then any list, until one gives non-zero.
    int DispatchKeyInListOrder(unsigned keyCode, bool ctrl, bool alt, bool shift) const;
    // Writes every binding's shortcut into the menus. The shortcut texts of
    // the registry's menu items are cleared first, so an item whose action
    // lost its binding shows none.
    void RefreshMenus() const;
    // A working copy (the configuration dialog's) leaves the menus alone:
    // adding a binding to it writes nothing into them.
    void SetWritesMenus(bool writes) { m_WritesMenus = writes; }
    void CopyFrom(const MKeyBindingTable& other);
    void Clear();

    // The key file: 1 on success, 0 when the file cannot be opened (a failed
    // load leaves the table as it was).
    int LoadKeyFile(const MStr& path);
    int SaveKeyFile(const MStr& path) const;
    int SavePlainText(const MStr& path) const;
    // Replaces the bindings by the records of a key file's bytes.
    void LoadKeyData(const char* data, size_t size);
    // The key file's bytes for the present bindings.
    std::string FormatKeyData() const;

    MKeyBinding* GetHead() const { return m_Head; }
    int GetCount() const { return m_Count; }

  private:
    MKeyBinding* Append(unsigned keyCode, bool ctrl, bool alt, bool shift, MAction* action);

    MKeyBinding* m_Head = nullptr;
    MKeyBinding* m_Tail = nullptr;
    int m_Count = 0;
    MActionRegistry* m_Registry = nullptr;
    bool m_WritesMenus = true;
};
