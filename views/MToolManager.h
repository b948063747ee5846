#pragma once

#include "MBaseObjectList.h"

class MToolType;

// The stack of tools of the 3D viewports: the head is the current tool. At
// most kMaxTools are kept; pushing more drops the oldest. A camera tool held
// by a mouse control sits on top as the temporary tool.
class MToolManager
{
  public:
    static constexpr int kMaxTools = 10;

    MToolManager();
    MToolManager(const MToolManager&) = delete;
    MToolManager& operator=(const MToolManager&) = delete;
    virtual ~MToolManager();

    // Replaces the current tool (null: a new select tool).
    void SetTool(MToolType* tool);
    // Puts a tool on top (null: a new select tool).
    void PushTool(MToolType* tool);
    void PopTool();
    // The head; an empty stack gets a new select tool first.
    MToolType* GetCurrentTool();
    // The tool at a stack position (0 = head), or null.
    MToolType* GetTool(int index) const;
    int GetCount() const { return m_Stack ? m_Stack->GetCount() : 0; }

    // A temporary tool replaces the previous temporary tool, or is pushed.
    void SetTemporaryTool(MToolType* tool);
    void EndTemporaryTool();
    bool IsTemporary() const { return m_Temporary; }

    // Lets go of every tool (at shutdown).
    void Release();

  private:
    void DropExcess();
    MRef<MBaseObjectList> m_Stack;
    bool m_Temporary = false;
};

extern MToolManager g_ToolManager;
