#include "MNameIndex.h"

#include "MBaseObject.h"

MNameIndex::Key MNameIndex::Split(std::string_view name)
{
    size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        --digits;
    const size_t length = name.size() - digits;
    // No number, a number with a leading zero ("Layer01" is not "Layer1") or
    // one too long for 32 bits: the whole name is the key.
    if (length == 0 || length > 9 || (length > 1 && name[digits] == '0'))
        return {name, 0, false};
    uint32_t number = 0;
    for (size_t i = digits; i < name.size(); ++i)
        number = number * 10 + uint32_t(name[i] - '0');
    return {name.substr(0, digits), number, true};
}

MBaseObject** MNameIndex::Slot(const Key& key, bool create)
{
    auto it = m_Bases.find(key.base);
    if (it == m_Bases.end())
    {
        if (!create)
            return nullptr;
        it = m_Bases.emplace(std::string(key.base), Base()).first;
    }
    Base& base = it->second;
    if (!key.numbered)
        return &base.plain;
    const size_t n = key.number;
    if (n < base.dense.size() && base.dense[n])
        return &base.dense[n];
    if (!base.sparse.empty())
    {
        auto s = base.sparse.find(key.number);
        if (s != base.sparse.end())
            return &s->second;
    }
    if (n < base.dense.size())
        return &base.dense[n];
    if (!create)
        return nullptr;
    // Numbers handed out in sequence grow the dense table; a stray large one
    // goes to the sparse map instead of stretching it.
    if (n < 2 * base.dense.size() + 64)
    {
        base.dense.resize(n + 1);
        return &base.dense[n];
    }
    return &base.sparse[key.number];
}

void MNameIndex::Add(MBaseObject* obj)
{
    const std::string_view name = obj->GetName().str();
    const Key key = Split(name);
    MBaseObject** slot = Slot(key, true);
    if (*slot)
        m_More.emplace(name, obj);
    else
        *slot = obj;
    ++m_Bases.find(key.base)->second.count;
    ++m_Count;
}

void MNameIndex::Remove(MBaseObject* obj)
{
    const std::string_view name = obj->GetName().str();
    const Key key = Split(name);
    MBaseObject** slot = Slot(key, false);
    if (!slot || !*slot)
        return;
    if (*slot == obj)
    {
        // Another bearer of the name, if any, takes the slot.
        auto more = m_More.find(name);
        if (more != m_More.end())
        {
            *slot = more->second;
            m_More.erase(more);
        }
        else
            *slot = nullptr;
    }
    else
    {
        auto [first, last] = m_More.equal_range(name);
        auto it = first;
        while (it != last && it->second != obj)
            ++it;
        if (it == last)
            return;
        m_More.erase(it);
    }
    --m_Count;
    auto base = m_Bases.find(key.base);
    if (--base->second.count == 0)
        m_Bases.erase(base);
    else if (key.numbered && !*slot)
        base->second.sparse.erase(key.number);
}

MBaseObject* MNameIndex::Find(std::string_view name) const
{
    MBaseObject** slot = const_cast<MNameIndex*>(this)->Slot(Split(name), false);
    return slot ? *slot : nullptr;
}

void MNameIndex::Clear()
{
    m_Bases.clear();
    m_More.clear();
    m_Count = 0;
}
