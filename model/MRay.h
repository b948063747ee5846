#pragma once

#include "MPlane.h"
#include "MVector3.h"

#include <cmath>

// A line through the view: an origin and a direction.
struct MRay
{
    MVector3 origin;
    MVector3 direction;

    // The ray from `from` towards `to`, its direction scaled to `length`.
    void Set(const MVector3& from, const MVector3& to, float length)
    {
        origin = from;
        direction = (to - from).Normalised() * length;
    }
    // False for a ray without direction (as made when unprojecting failed).
    bool IsValid() const { return direction.Dot(direction) > 0.0f; }
    MVector3 PointAt(float t) const { return origin + direction * t; }

    // Where the line of the ray meets the plane (in front of or behind the
    // origin). False when the ray runs parallel to the plane or has no
    // direction; `hit` is then left unchanged.
    bool IntersectWithPlane(const MPlane& plane, MVector3& hit) const
    {
        const float denom = plane.normal.Dot(direction);
        if (std::fabs(denom) < 1e-12f)
            return false;
        const float t = (plane.distance - plane.normal.Dot(origin)) / denom;
        if (!std::isfinite(t))
            return false;
        hit = PointAt(t);
        return true;
    }
};
