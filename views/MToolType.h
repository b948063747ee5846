#pragma once

#include "MBaseObject.h"
#include "MBaseObjectList.h"
#include "MKeyState.h"
#include "MRay.h"

class MBaseViewWnd;

// A mouse tool of the 3D viewports. The viewport keeps the tool's positions
// up to date and calls its operations; the tool's object name is its action
// key ("KToolSelect").
class MToolType : public MBaseObject
{
  public:
    MToolType();
    M_DECLARE_CLASS_NAMES(MToolType, MBaseObject)
    MBaseObject* CreateNew() const override { return nullptr; }

    // Draws the tool's graphics (with pick names when picking). Returns 1.
    virtual int Draw(bool pick, const MKeyState& state, MBaseViewWnd* view);
    // Start and previous positions become (x, y). Returns 0.
    virtual int OnToolMouseDown(float x, float y, const MKeyState& state);
    // Current and previous positions become (x, y). Returns 0.
    virtual int OnToolMouseUp(float x, float y, const MKeyState& state);
    // A move: held = a button is down; previous position = (x, y). Non-zero
    // asks the viewport to redraw. Returns 0.
    virtual int OnDrag(float x, float y, const MKeyState& state);
    // The handle used with the "Grab Manipulator" control; -1 for none.
    virtual int GetDefaultHandle() { return -1; }
    // Non-zero when the cursor wraps at the screen edge while a button is held.
    virtual int WrapsCursor() { return 0; }

    // A click on empty space may switch to a temporary select tool.
    bool m_SelectFlag = false;
    // A mouse button is held during the current drag.
    bool m_Held = false;
    // Window pixels (x, y, 0).
    MVector3 m_StartMouse, m_CurrentMouse, m_PrevMouse;
    // Points on the construction plane.
    MVector3 m_StartPoint, m_CurrentPoint, m_EndPoint;
    MRay m_StartRay, m_CurrentRay;
    MPlane m_Plane;
    // The manipulator handle picked at the last press (0: none).
    int m_Handle = 0;
    // Filled with selection hits while the select tool picks.
    MRef<MBaseObjectList> m_ObjectList;
};
