#include "MKeyListUndoSubItem.h"

#include "Globals.h"
#include "MScene.h"

#include <new>

MBaseObject* MKeyListUndoSubItem::CreateNew() const
{
    auto* copy = new (std::nothrow) MKeyListUndoSubItem();
    if (!copy)
        return nullptr;
    copy->SetName(GetName());
    copy->m_Owner = m_Owner;
    copy->m_ParamName = m_ParamName;
    copy->m_ParamType = m_ParamType;
    if (m_Stored)
        copy->m_Stored = m_Stored->Clone();
    return copy;
}

bool MKeyListUndoSubItem::SetParameter(MBaseObject* owner, MParameterObject* param)
{
    m_Owner.Reset();
    m_ParamName = MStr();
    m_ParamType = 0;
    m_Stored.reset();
    if (!owner || !param || owner->FindParameter(param->GetName().str()) != param)
        return false;
    m_Owner.Reset(owner);
    m_ParamName = param->GetName();
    m_ParamType = param->GetType();
    // Other kinds are recorded without a copy and are left as they are.
    if (IsParameterKind(m_ParamType))
        m_Stored = param->Clone();
    return true;
}

MParameterObject* MKeyListUndoSubItem::GetLiveParameter() const
{
    return m_Owner ? m_Owner->FindParameter(m_ParamName.str()) : nullptr;
}

bool MKeyListUndoSubItem::RestoreValue()
{
    if (!m_Stored)
        return false;
    MParameterObject* live = GetLiveParameter();
    // A parameter remade as another kind under the same name is not ours.
    if (!live || live->GetType() != m_ParamType)
        return false;
    live->SetFrom(*m_Stored);
    return true;
}

bool MKeyListUndoSubItem::Restore()
{
    const bool restored = RestoreValue();
    if (g_CurrentScene)
        g_CurrentScene->SetTime(g_CurrentScene->GetTime());
    return restored;
}

bool MKeyListUndoSubItem::Capture()
{
    if (!m_Stored)
        return false;
    MParameterObject* live = GetLiveParameter();
    if (!live || live->GetType() != m_ParamType)
        return false;
    m_Stored->SetFrom(*live);
    return true;
}
