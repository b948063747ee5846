#pragma once

#include "MStr.h"

#include <vector>

// An ordered list of texts (image search paths, recent files, choices).
class MStrList
{
  public:
    int AddString(const MStr& s)
    {
        m_items.push_back(s);
        return static_cast<int>(m_items.size()) - 1;
    }
    // The text at index i, or an empty text when i is out of range.
    MStr GetString(int i) const
    {
        return (i >= 0 && i < GetCount()) ? m_items[static_cast<size_t>(i)] : MStr();
    }
    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool RemoveAt(int i)
    {
        if (i < 0 || i >= GetCount())
            return false;
        m_items.erase(m_items.begin() + i);
        return true;
    }
    void RemoveAll() { m_items.clear(); }
    bool operator==(const MStrList& o) const { return m_items == o.m_items; }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

  private:
    std::vector<MStr> m_items;
};
