#pragma once

#include "MVector3.h"

// The plane of the points p with Dot(normal, p) == distance.
struct MPlane
{
    MVector3 normal{0, 0, 1};
    float distance = 0;

    constexpr MPlane() = default;
    MPlane(const MVector3& n, float d) : normal(n), distance(d) {}
    // The plane through a point, facing along a normal.
    static MPlane FromPointNormal(const MVector3& point, const MVector3& n)
    {
        const MVector3 unit = n.Normalised();
        return {unit, unit.Dot(point)};
    }
};
