#pragma once

#include "MStr.h"

// One recorded state that an undo or a redo puts back. A node's constructor
// captures the present state, so a node made just before an edit holds the
// state to return to.
class MBaseUndoNode
{
  public:
    MBaseUndoNode() = default;
    MBaseUndoNode(const MBaseUndoNode&) = delete;
    MBaseUndoNode& operator=(const MBaseUndoNode&) = delete;
    virtual ~MBaseUndoNode() = default;

    // Puts the recorded state back into the scene.
    virtual int Restore() { return 0; }
    // A new node of the same kind with the same name and a copy of the state.
    virtual MBaseUndoNode* Clone() const;
    // Replaces the recorded state by the present one.
    virtual bool Capture() { return true; }

    const MStr& GetName() const { return m_Name; }
    void SetName(const MStr& name) { m_Name = name; }
    MBaseUndoNode* GetNewer() const { return m_Newer; }
    MBaseUndoNode* GetOlder() const { return m_Older; }

  private:
    friend class MUndoList;
    MBaseUndoNode* m_Newer = nullptr;
    MBaseUndoNode* m_Older = nullptr;
    MStr m_Name;
};
