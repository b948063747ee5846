#pragma once

#include "MToolType.h"

// Moves the active viewport's camera target across the view, so the scene
// follows the cursor.
class MPanTrackToolType : public MToolType
{
  public:
    MPanTrackToolType() { SetName("KToolPanTrack"); }
    M_DECLARE_CLASS_NAMES(MPanTrackToolType, MToolType)
    int OnDrag(float x, float y, const MKeyState& state) override;
    int WrapsCursor() override { return 1; }

    int m_StartX = 0, m_StartY = 0;
};
