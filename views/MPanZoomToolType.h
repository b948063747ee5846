#pragma once

#include "MToolType.h"

// Zooms the active viewport with horizontal moves: leftwards zooms out an
// orthographic view and moves a perspective camera away.
class MPanZoomToolType : public MToolType
{
  public:
    MPanZoomToolType() { SetName("KToolPanZoom"); }
    M_DECLARE_CLASS_NAMES(MPanZoomToolType, MToolType)
    int OnDrag(float x, float y, const MKeyState& state) override;
    int WrapsCursor() override { return 1; }

    // The smallest divisor one move may apply to the zoom: a move of 50
    // pixels or more to the right would otherwise make it zero or negative.
    static constexpr float kMinDivisor = 0.1f;
    int m_StartX = 0, m_StartY = 0;
};
