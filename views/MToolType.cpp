#include "MToolType.h"

MToolType::MToolType() : m_ObjectList(new MBaseObjectList()) {}

int MToolType::Draw(bool, const MKeyState&, MBaseViewWnd*)
{
    return 1;
}

int MToolType::OnToolMouseDown(float x, float y, const MKeyState&)
{
    m_StartMouse = m_PrevMouse = MVector3(x, y, 0);
    return 0;
}

int MToolType::OnToolMouseUp(float x, float y, const MKeyState&)
{
    m_CurrentMouse = m_PrevMouse = MVector3(x, y, 0);
    return 0;
}

int MToolType::OnDrag(float x, float y, const MKeyState& state)
{
    m_Held = state.left || state.middle || state.right;
    m_PrevMouse = MVector3(x, y, 0);
    return 0;
}
