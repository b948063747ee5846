#include "MBaseObjectList.h"

#include <algorithm>

MBaseObjectList::~MBaseObjectList()
{
    RemoveAll();
}

MBaseObject* MBaseObjectList::CreateNew() const
{
    auto* copy = new (std::nothrow) MBaseObjectList();
    if (!copy)
        return nullptr;
    copy->MBaseObject::SetFrom(this);
    for (MBaseObject* o : m_Items)
        copy->Add(o);
    return copy;
}

bool MBaseObjectList::Add(MBaseObject* obj)
{
    if (!obj)
        return false;
    obj->AddRef();
    // Layers hold a handful of nodes and materials a handful of layers:
    // room for a few at once saves growing one at a time.
    if (m_Items.capacity() == 0)
        m_Items.reserve(4);
    m_Items.push_back(obj);
    return true;
}

bool MBaseObjectList::AddBefore(MBaseObject* obj, MBaseObject* before)
{
    const int at = Find(before);
    return at < 0 ? Add(obj) : Insert(at, obj);
}

bool MBaseObjectList::Insert(int index, MBaseObject* obj)
{
    if (!obj)
        return false;
    index = std::clamp(index, 0, GetCount());
    obj->AddRef();
    m_Items.insert(m_Items.begin() + index, obj);
    if (static_cast<size_t>(index) < m_Pos)
        ++m_Pos;
    return true;
}

bool MBaseObjectList::Remove(MBaseObject* obj)
{
    const int at = Find(obj);
    if (at < 0)
        return false;
    m_Items.erase(m_Items.begin() + at);
    if (static_cast<size_t>(at) < m_Pos)
        --m_Pos;
    obj->Delete();
    return true;
}

void MBaseObjectList::RemoveAll()
{
    std::vector<MBaseObject*> items;
    items.swap(m_Items);
    m_Pos = 0;
    for (MBaseObject* o : items)
        o->Delete();
}

int MBaseObjectList::Find(const MBaseObject* obj) const
{
    if (!obj)
        return -1;
    auto it = std::find(m_Items.begin(), m_Items.end(), obj);
    return it == m_Items.end() ? -1 : static_cast<int>(it - m_Items.begin());
}

MBaseObject* MBaseObjectList::GetAt(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_Items[static_cast<size_t>(index)];
}

MBaseObject* MBaseObjectList::GetNext()
{
    if (m_Pos >= m_Items.size())
        return nullptr;
    return m_Items[m_Pos++];
}
