#pragma once

#include <cmath>

// A point or direction in world space.
struct MVector3
{
    float x = 0, y = 0, z = 0;

    constexpr MVector3() = default;
    constexpr MVector3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    bool operator==(const MVector3&) const = default;
    MVector3 operator+(const MVector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    MVector3 operator-(const MVector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    MVector3 operator*(float s) const { return {x * s, y * s, z * s}; }
    MVector3& operator+=(const MVector3& o) { return *this = *this + o; }

    float Dot(const MVector3& o) const { return x * o.x + y * o.y + z * o.z; }
    MVector3 Cross(const MVector3& o) const
    {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    float Length() const { return std::sqrt(Dot(*this)); }
    // The vector scaled to length 1; the zero vector stays zero.
    MVector3 Normalised() const
    {
        const float len = Length();
        return len > 0.0f ? *this * (1.0f / len) : MVector3();
    }
};

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
