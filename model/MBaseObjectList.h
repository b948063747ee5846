#pragma once

#include "MBaseObject.h"

#include <vector>

// An ordered list of model objects. The list holds one reference on each
// member. Walk it with InitPosition, then GetNext until it gives null, or with
// a range-for.
class MBaseObjectList : public MBaseObject
{
  public:
    MBaseObjectList() = default;
    ~MBaseObjectList() override;
    M_DECLARE_CLASS_COPY_MEMBERS(MBaseObjectList, MBaseObject)

    // Appends; returns false for null.
    bool Add(MBaseObject* obj);
    // Inserts before `before`, or appends when `before` is not in the list.
    bool AddBefore(MBaseObject* obj, MBaseObject* before);
    bool Insert(int index, MBaseObject* obj);
    // Removes the first occurrence; returns false when the object is absent.
    bool Remove(MBaseObject* obj);
    void RemoveAll();
    int Find(const MBaseObject* obj) const;
    bool Contains(const MBaseObject* obj) const { return Find(obj) >= 0; }
    int GetCount() const { return static_cast<int>(m_Items.size()); }
    MBaseObject* GetAt(int index) const;

    void InitPosition() { m_Pos = 0; }
    MBaseObject* GetNext();

    auto begin() const { return m_Items.begin(); }
    auto end() const { return m_Items.end(); }

  private:
    std::vector<MBaseObject*> m_Items;
    size_t m_Pos = 0;
};
