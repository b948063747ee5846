#include "MToolManager.h"

#include "MSelectToolType.h"

MToolManager g_ToolManager;

MToolManager::MToolManager() : m_Stack(new MBaseObjectList()) {}

MToolManager::~MToolManager() = default;

void MToolManager::DropExcess()
{
    while (m_Stack->GetCount() > kMaxTools)
        m_Stack->Remove(m_Stack->GetAt(m_Stack->GetCount() - 1));
}

void MToolManager::SetTool(MToolType* tool)
{
    if (!tool)
        tool = new MSelectToolType();
    // The list's own reference keeps the tool while the head goes.
    MRef<MToolType> hold(tool);
    if (m_Stack->GetCount() > 0)
        m_Stack->Remove(m_Stack->GetAt(0));
    m_Stack->Insert(0, tool);
    DropExcess();
}

void MToolManager::PushTool(MToolType* tool)
{
    if (!tool)
        tool = new MSelectToolType();
    m_Stack->Insert(0, tool);
    DropExcess();
}

void MToolManager::PopTool()
{
    if (m_Stack->GetCount() > 0)
        m_Stack->Remove(m_Stack->GetAt(0));
}

MToolType* MToolManager::GetCurrentTool()
{
    if (m_Stack->GetCount() == 0)
        SetTool(nullptr);
    return static_cast<MToolType*>(m_Stack->GetAt(0));
}

MToolType* MToolManager::GetTool(int index) const
{
    return static_cast<MToolType*>(m_Stack->GetAt(index));
}

void MToolManager::SetTemporaryTool(MToolType* tool)
{
    if (m_Temporary)
    {
        SetTool(tool);
        return;
    }
    m_Temporary = true;
    PushTool(tool);
}

void MToolManager::EndTemporaryTool()
{
    if (!m_Temporary)
        return;
    PopTool();
    m_Temporary = false;
}

void MToolManager::Release()
{
    m_Stack->RemoveAll();
    m_Temporary = false;
}
