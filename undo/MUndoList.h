#pragma once

#include "MMenu.h"
#include "MStr.h"

class MBaseUndoNode;

// One history list (undo or redo), a stack whose newest node is stepped
// first, bound to the menu item that shows the prefix and the newest name.
class MUndoList : public MMenuItemRef
{
  public:
    MUndoList() = default;
    MUndoList(const MUndoList&) = delete;
    MUndoList& operator=(const MUndoList&) = delete;
    ~MUndoList();

    // Pushes a node as the newest; the list owns it. Null is ignored.
    void AddNode(MBaseUndoNode* node);
    // Undoes the newest node into the opposite list.
    void Step();
    void Purge();
    void RemoveNewest();
    void RemoveOldest();
    int CountNodes() const;
    MStr HeadName() const;
    void UpdateMenu() const;

    int GetCount() const { return m_Count; }
    MBaseUndoNode* GetHead() const { return m_Head; }
    // -1 keeps every node. Any other limit below 1 is refused (returns false
    // and keeps the old limit), since trimming needs room for one node.
    bool SetLimit(int limit);
    int GetLimit() const { return m_Limit; }
    void SetClearsOpposite(bool clears) { m_ClearsOpposite = clears; }
    bool GetClearsOpposite() const { return m_ClearsOpposite; }
    // The other list; the list itself is refused (no opposite then).
    void SetOpposite(MUndoList* opposite);
    MUndoList* GetOpposite() const { return m_Opposite; }
    void SetPrefix(const MStr& prefix) { m_Prefix = prefix; }
    const MStr& GetPrefix() const { return m_Prefix; }

  private:
    // Destroys every node without touching the menu.
    void DestroyAll();

    int m_Count = 0;
    int m_Limit = -1;
    bool m_ClearsOpposite = false;
    MBaseUndoNode* m_Head = nullptr;
    MUndoList* m_Opposite = nullptr;
    MStr m_Prefix;
};
