#include "MAction.h"

namespace
{
// An empty list name stands for every list.
bool ListMatches(const MAction* action, const MStr& listName)
{
    return listName.IsEmpty() || action->GetListName().EqualsNoCase(listName);
}
} // namespace

MAction* MActionRegistry::RegisterAction(const MStr& name, const MStr& description,
                                         const MStr& listName, ActionHandler handler,
                                         QWidget* window, int commandId)
{
    // Without a window there is no menu to name an item of.
    MMenuItemRef menuItem;
    if (window)
        menuItem.SetMenuItem(MGetWindowMenu(window), commandId);
    return RegisterAction(name, description, listName, handler, menuItem);
}

MAction* MActionRegistry::RegisterAction(const MStr& name, const MStr& description,
                                         const MStr& listName, ActionHandler handler,
                                         const MMenuItemRef& menuItem)
{
    auto* action = new MAction(name, description, listName, handler, menuItem);
    action->m_Next = m_Head;
    if (m_Head)
        m_Head->m_Prev = action;
    m_Head = action;
    ++m_Count;
    return action;
}

MAction* MActionRegistry::FindActionByName(const MStr& name, const MStr& listName) const
{
    for (MAction* a = m_Head; a; a = a->m_Next)
        if (a->GetName().EqualsNoCase(name) && ListMatches(a, listName))
            return a;
    return nullptr;
}

MAction* MActionRegistry::FindActionByCommandId(int commandId, const MStr& listName) const
{
    // Actions without a menu item carry command id 0; no command has it.
    if (commandId == 0)
        return nullptr;
    for (MAction* a = m_Head; a; a = a->m_Next)
        if (a->GetMenuItem().GetCommandId() == commandId && ListMatches(a, listName))
            return a;
    return nullptr;
}

int MActionRegistry::RunActionByCommandId(int commandId, const MStr& listName) const
{
    MAction* action = FindActionByCommandId(commandId, listName);
    return action ? action->Run() : 0;
}

int MActionRegistry::RunActionByName(const MStr& name) const
{
    MAction* action = FindActionByName(name);
    return action ? action->Run() : 0;
}

MAction* MActionRegistry::GetActionAt(int index) const
{
    if (index < 0)
        return nullptr;
    MAction* a = m_Head;
    for (; a && index > 0; --index)
        a = a->m_Next;
    return a;
}

int MActionRegistry::ForEachAction(int (*callback)(MAction* action, void* context),
                                   void* context) const
{
    if (!callback)
        return 0;
    for (MAction* a = m_Head; a; a = a->m_Next)
        if (!callback(a, context))
            return 0;
    return 1;
}

void MActionRegistry::Clear()
{
    MAction* a = m_Head;
    while (a)
    {
        MAction* next = a->m_Next;
        delete a;
        a = next;
    }
    m_Head = nullptr;
    m_Count = 0;
}
