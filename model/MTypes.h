#pragma once

#include <cstdint>

// Bits of the flag word every model object carries.
enum : uint32_t
{
    OBJ_VISIBLE = 0x01,
    OBJ_SELECTED = 0x02,
    OBJ_CHANNELS_OPEN = 0x10,
    OBJ_COLLAPSED = 0x20,
    OBJ_EXPANDED = 0x40,
    OBJ_TEMP_MASK = 0xFF00,

    OBJ_TYPE_MESH = 0x10000,
    OBJ_TYPE_LIGHT = 0x20000,
    OBJ_TYPE_MATERIAL = 0x40000,
    OBJ_TYPE_MODIFIER = 0x80000,
    OBJ_TYPE_CAMERA = 0x200000,
    OBJ_TYPE_MASK = 0xFFFF0000,
};

// Scene time is counted in ticks; one frame is 120 ticks.
constexpr int TICKS_PER_FRAME = 120;

// Parameter kinds as GetType reports them.
enum MParamType : int
{
    PARAM_FLOAT = 1,
    PARAM_FLOAT_KEYED = 2,
    PARAM_VECTOR = 5,
    PARAM_VECTOR_KEYED = 6,
    PARAM_STRING = 7,
    PARAM_FILENAME = 8,
    PARAM_COLOUR = 9,
};

struct MVector
{
    float x = 0, y = 0, z = 0;
    bool operator==(const MVector&) const = default;
};
