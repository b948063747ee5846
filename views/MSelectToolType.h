#pragma once

#include "MToolType.h"

// Selects objects and mesh components with a click or a box, recording one
// "Select" undo node a selection. Shift deselects, Ctrl toggles, a plain
// click or box replaces the selection.
class MSelectToolType : public MToolType
{
  public:
    MSelectToolType();
    M_DECLARE_CLASS_NAMES(MSelectToolType, MToolType)

    int Draw(bool pick, const MKeyState& state, MBaseViewWnd* view) override;
    int OnToolMouseDown(float x, float y, const MKeyState& state) override;
    int OnToolMouseUp(float x, float y, const MKeyState& state) override;
    int OnDrag(float x, float y, const MKeyState& state) override;

    // A press without Shift, a press with Shift, and a press that moved
    // with the left button held (a box).
    bool m_Replace = false;
    bool m_Shift = false;
    bool m_Box = false;
};
