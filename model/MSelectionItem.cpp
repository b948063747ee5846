#include "MSelectionItem.h"

#include <new>

uint32_t ComponentFlagOfKind(int kind)
{
    switch (kind)
    {
    case COMPONENT_VERTEX:
        return COMPONENT_FLAG_VERTEX;
    case COMPONENT_EDGE:
        return COMPONENT_FLAG_EDGE;
    case COMPONENT_TRIANGLE:
        return COMPONENT_FLAG_TRIANGLE;
    default:
        return 0;
    }
}

MBaseObject* MSelectionItem::CreateNew() const
{
    auto* copy = new (std::nothrow) MSelectionItem(m_Object.Get());
    if (copy)
        copy->m_Components = m_Components;
    return copy;
}

bool MSelectionItem::GetComponent(int i, int& kind, int& index) const
{
    if (i < 0 || i >= GetComponentCount())
        return false;
    kind = m_Components[size_t(i)].kind;
    index = m_Components[size_t(i)].index;
    return true;
}
