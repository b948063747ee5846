#pragma once

#include "MMenu.h"
#include "MStr.h"

class QWidget;

// An action's handler: carries out the command; non-zero when it did.
using ActionHandler = int (*)();

// One registered command.
class MAction
{
  public:
    MAction(const MStr& name, const MStr& description, const MStr& listName, ActionHandler handler,
            const MMenuItemRef& menuItem)
        : m_Description(description), m_Name(name), m_ListName(listName), m_Handler(handler),
          m_MenuItem(menuItem)
    {
    }

    const MStr& GetDescription() const { return m_Description; }
    const MStr& GetName() const { return m_Name; }
    const MStr& GetListName() const { return m_ListName; }
    ActionHandler GetHandler() const { return m_Handler; }
    void SetHandler(ActionHandler handler) { m_Handler = handler; }
    const MMenuItemRef& GetMenuItem() const { return m_MenuItem; }
    // Runs the handler; 0 when there is none.
    int Run() const { return m_Handler ? m_Handler() : 0; }

    MAction* GetNext() const { return m_Next; }
    MAction* GetPrev() const { return m_Prev; }

  private:
    friend class MActionRegistry;
    MStr m_Description;
    MStr m_Name;
    MStr m_ListName;
    ActionHandler m_Handler;
    MMenuItemRef m_MenuItem;
    MAction* m_Next = nullptr;
    MAction* m_Prev = nullptr;
};

// Every action, newest first: a new action goes to the head, so of two
// actions with one name or command id the newer is found.
class MActionRegistry
{
  public:
    MActionRegistry() = default;
    MActionRegistry(const MActionRegistry&) = delete;
    MActionRegistry& operator=(const MActionRegistry&) = delete;
    ~MActionRegistry() { Clear(); }

    // Registers an action tied to the item commandId of the window's menu.
    MAction* RegisterAction(const MStr& name, const MStr& description, const MStr& listName,
                            ActionHandler handler, QWidget* window, int commandId);
    MAction* RegisterAction(const MStr& name, const MStr& description, const MStr& listName,
                            ActionHandler handler, const MMenuItemRef& menuItem = MMenuItemRef());

    // Name and list name match without regard to case; an empty list name
    // matches every list.
    MAction* FindActionByName(const MStr& name, const MStr& listName = MStr()) const;
    MAction* FindActionByCommandId(int commandId, const MStr& listName = MStr()) const;
    // Runs the action found; 0 when none is found.
    int RunActionByCommandId(int commandId, const MStr& listName = MStr()) const;
    int RunActionByName(const MStr& name) const;
    // The action at a 0-based index from the head, or null.
    MAction* GetActionAt(int index) const;
    // Calls callback with each action from the head until one call gives 0;
    // 1 when every call gave non-zero.
    int ForEachAction(int (*callback)(MAction* action, void* context), void* context) const;

    MAction* GetHead() const { return m_Head; }
    int GetCount() const { return m_Count; }
    void Clear();

  private:
    MAction* m_Head = nullptr;
    int m_Count = 0;
};
