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
    MVector3 operator-() const { return {-x, -y, -z}; }

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
