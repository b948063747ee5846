#include "MTransformObject.h"

#include <cmath>

namespace
{
MVector3 ToVector3(const MVector& v)
{
    auto finite = [](float f) { return std::isfinite(f) ? f : 0.0f; };
    return {finite(v.x), finite(v.y), finite(v.z)};
}

MStr VectorText(const MVector3& v)
{
    return MStr::Printf("%g %g %g", double(v.x), double(v.y), double(v.z));
}

void SetVector(MBaseObject* obj, const char* name, const MVector3& v, int time, bool key)
{
    if (MParameterObject* p = obj->FindParameter(name))
        p->SetValue(VectorText(v), time, key);
}

constexpr float kDegrees = 0.017453292519943292f;
} // namespace

MTransformObject::MTransformObject()
{
    static const MParamSchema kSchema{
        {"Translate", PARAM_VECTOR_KEYED, "0 0 0"},
        {"Rotate", PARAM_VECTOR_KEYED, "0 0 0"},
        {"Scale", PARAM_VECTOR_KEYED, "1 1 1"},
    };
    SetSchema(&kSchema);
}

MVector3 MTransformObject::GetTranslateKey(int time) const
{
    const MParameterObject* p = FindParameter("Translate");
    return p ? ToVector3(p->GetVector(time)) : MVector3();
}

MVector3 MTransformObject::GetRotateKey(int time) const
{
    const MParameterObject* p = FindParameter("Rotate");
    return p ? ToVector3(p->GetVector(time)) : MVector3();
}

MVector3 MTransformObject::GetScaleKey(int time) const
{
    const MParameterObject* p = FindParameter("Scale");
    return p ? ToVector3(p->GetVector(time)) : MVector3(1, 1, 1);
}

void MTransformObject::SetTranslate(const MVector3& v, int time, bool key)
{
    SetVector(this, "Translate", v, time, key);
}

void MTransformObject::SetRotate(const MVector3& v, int time, bool key)
{
    SetVector(this, "Rotate", v, time, key);
}

void MTransformObject::SetScale(const MVector3& v, int time, bool key)
{
    SetVector(this, "Scale", v, time, key);
}

void MTransformObject::GetMatrix(int time, float out[16]) const
{
    const MVector3 t = GetTranslateKey(time);
    const MVector3 r = GetRotateKey(time) * kDegrees;
    const MVector3 s = GetScaleKey(time);
    // Scale, then turn about X, Y, Z, then move: M = T * Rz * Ry * Rx * S.
    const float cx = std::cos(r.x), sx = std::sin(r.x);
    const float cy = std::cos(r.y), sy = std::sin(r.y);
    const float cz = std::cos(r.z), sz = std::sin(r.z);
    const float m[3][3] = {
        {cz * cy, cz * sy * sx - sz * cx, cz * sy * cx + sz * sx},
        {sz * cy, sz * sy * sx + cz * cx, sz * sy * cx - cz * sx},
        {-sy, cy * sx, cy * cx},
    };
    const float scale[3] = {s.x, s.y, s.z};
    for (int col = 0; col < 3; ++col)
    {
        for (int row = 0; row < 3; ++row)
            out[col * 4 + row] = m[row][col] * scale[col];
        out[col * 4 + 3] = 0.0f;
    }
    out[12] = t.x;
    out[13] = t.y;
    out[14] = t.z;
    out[15] = 1.0f;
}

MVector3 MTransformObject::Apply(const MVector3& p, int time) const
{
    float m[16];
    GetMatrix(time, m);
    return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
            m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
            m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}
