#pragma once

#include "MToolType.h"

// Turns the active viewport's camera about its target: horizontal moves turn
// the azimuth, vertical moves the elevation, half a degree a pixel.
class MPanOrbitToolType : public MToolType
{
  public:
    MPanOrbitToolType() { SetName("KToolPanOrbit"); }
    M_DECLARE_CLASS_NAMES(MPanOrbitToolType, MToolType)
    int OnDrag(float x, float y, const MKeyState& state) override;
    int WrapsCursor() override { return 1; }

    int m_StartX = 0, m_StartY = 0;
};
