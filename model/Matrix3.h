#pragma once

#include "MVector3.h"

#include <array>
#include <cmath>

// A 3 by 3 matrix of rows, applied to column vectors (m * v).
struct Matrix3
{
    std::array<std::array<float, 3>, 3> m{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

    static Matrix3 Identity() { return {}; }

    // The camera rotation of angles in radians: turning by az about Z, then
    // by ax about X, then by ay about Y. The matrix maps world directions to
    // the camera's axes with y pointing down the screen and z into it, so
    // its Inverse maps a movement on screen (x right, y down) back into the
    // world.
    static Matrix3 MakeRotationMatrix(float az, float ax, float ay)
    {
        // Rz(az) * Rx(ax) * Ry(ay) is the camera-to-world turn; the rotation
        // is its transpose.
        const Matrix3 r = RotZ(az) * RotX(ax) * RotY(ay);
        return r.Transposed();
    }

    // The inverse; a matrix that cannot be inverted gives the identity.
    Matrix3 Inverse() const
    {
        const auto& a = m;
        const float c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
        const float c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
        const float c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
        const float det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
        if (!std::isfinite(det) || std::fabs(det) < 1e-20f)
            return Identity();
        const float k = 1.0f / det;
        Matrix3 r;
        r.m[0] = {c00 * k, (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * k,
                  (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * k};
        r.m[1] = {c01 * k, (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * k,
                  (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * k};
        r.m[2] = {c02 * k, (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * k,
                  (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * k};
        return r;
    }

    Matrix3 Transposed() const
    {
        Matrix3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r.m[i][j] = m[j][i];
        return r;
    }

    Matrix3 operator*(const Matrix3& o) const
    {
        Matrix3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j];
        return r;
    }

    MVector3 operator*(const MVector3& v) const
    {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
                m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }

    static Matrix3 RotX(float a)
    {
        const float c = std::cos(a), s = std::sin(a);
        Matrix3 r;
        r.m = {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
        return r;
    }
    static Matrix3 RotY(float a)
    {
        const float c = std::cos(a), s = std::sin(a);
        Matrix3 r;
        r.m = {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
        return r;
    }
    static Matrix3 RotZ(float a)
    {
        const float c = std::cos(a), s = std::sin(a);
        Matrix3 r;
        r.m = {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
        return r;
    }
};
