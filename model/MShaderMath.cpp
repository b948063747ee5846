#include "MShaderMath.h"

#include "MBaseObject.h"
#include "MTypes.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace
{
double Finite(double x, double fallback = 0)
{
    return std::isfinite(x) ? x : fallback;
}

float Clamp01(double x)
{
    return static_cast<float>(std::clamp(Finite(x), 0.0, 1.0));
}

// The fractional part, in [0, 1).
double Frac(double x)
{
    const double f = x - std::floor(x);
    return f >= 1.0 ? 0.0 : f;
}

// A repeatable pseudo-random value in [-1, 1] for an integer lattice point.
double LatticeValue(int64_t i)
{
    uint64_t x = static_cast<uint64_t>(i) * 0x9E3779B97F4A7C15ull;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return double(x >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

// Smooth value noise: random values at whole numbers, eased in between.
double Noise(double x)
{
    const double cell = std::floor(x);
    if (std::fabs(cell) > 1e15)
        return 0;
    const double f = x - cell;
    const double u = f * f * (3 - 2 * f);
    const auto i = static_cast<int64_t>(cell);
    const double a = LatticeValue(i), b = LatticeValue(i + 1);
    return a + (b - a) * u;
}

struct FactorName
{
    const char* name;
    unsigned factor;
};

constexpr FactorName kSourceFactors[] = {
    {"GL_ONE", GL_ONE},
    {"GL_ZERO", GL_ZERO},
    {"GL_DST_COLOR", GL_DST_COLOR},
    {"GL_ONE_MINUS_DST_COLOR", GL_ONE_MINUS_DST_COLOR},
    {"GL_SRC_ALPHA", GL_SRC_ALPHA},
    {"GL_ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA},
    {"GL_DST_ALPHA", GL_DST_ALPHA},
    {"GL_ONE_MINUS_DST_ALPHA", GL_ONE_MINUS_DST_ALPHA},
    {"GL_SRC_ALPHA_SATURATE", GL_SRC_ALPHA_SATURATE},
};

constexpr FactorName kDestFactors[] = {
    {"GL_ONE", GL_ONE},
    {"GL_ZERO", GL_ZERO},
    {"GL_SRC_COLOR", GL_SRC_COLOR},
    {"GL_ONE_MINUS_SRC_COLOR", GL_ONE_MINUS_SRC_COLOR},
    {"GL_SRC_ALPHA", GL_SRC_ALPHA},
    {"GL_ONE_MINUS_SRC_ALPHA", GL_ONE_MINUS_SRC_ALPHA},
    {"GL_DST_ALPHA", GL_DST_ALPHA},
    {"GL_ONE_MINUS_DST_ALPHA", GL_ONE_MINUS_DST_ALPHA},
};

template <size_t N>
bool FindFactor(const FactorName (&table)[N], const MStr& name, unsigned* factor)
{
    for (const FactorName& f : table)
    {
        if (name.EqualsNoCase(f.name))
        {
            *factor = f.factor;
            return true;
        }
    }
    return false;
}

bool IsAnyOf(const MStr& type, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (type.EqualsNoCase(n))
            return true;
    return false;
}

MTexMatrix Affine(double m0, double m1, double m4, double m5, double tx, double ty)
{
    MTexMatrix m = IdentityTexMatrix();
    m[0] = static_cast<float>(m0);
    m[1] = static_cast<float>(m1);
    m[4] = static_cast<float>(m4);
    m[5] = static_cast<float>(m5);
    m[12] = static_cast<float>(tx);
    m[13] = static_cast<float>(ty);
    return m;
}
} // namespace

double SceneSeconds(int ticks)
{
    return double(ticks) / (double(TICKS_PER_FRAME) * FRAMES_PER_SECOND);
}

MWaveFunc WaveFuncFromName(const MStr& name)
{
    if (name.EqualsNoCase("triangle"))
        return MWaveFunc::Triangle;
    if (name.EqualsNoCase("square"))
        return MWaveFunc::Square;
    if (name.EqualsNoCase("sawtooth"))
        return MWaveFunc::Sawtooth;
    if (name.EqualsNoCase("inversesawtooth"))
        return MWaveFunc::InverseSawtooth;
    if (name.EqualsNoCase("noise"))
        return MWaveFunc::Noise;
    return MWaveFunc::Sin;
}

MWave ReadWave(const MBaseObject* node, const char* base, const char* amp, const char* phase,
               const char* freq)
{
    MWave w;
    if (!node)
        return w;
    w.fn = WaveFuncFromName(node->GetParamByName("fn"));
    w.base = Finite(node->GetParamFloat(base));
    w.amp = Finite(node->GetParamFloat(amp));
    w.phase = Finite(node->GetParamFloat(phase));
    w.freq = Finite(node->GetParamFloat(freq));
    return w;
}

double WaveTable(MWaveFunc fn, double x)
{
    if (!std::isfinite(x))
        return 0;
    if (fn == MWaveFunc::Noise)
        return Noise(x);
    const double f = Frac(x);
    switch (fn)
    {
    case MWaveFunc::Triangle:
        // 0 up to 1 at a quarter, down through 0 to -1 at three quarters, back to 0.
        if (f < 0.25)
            return 4 * f;
        if (f < 0.75)
            return 2 - 4 * f;
        return 4 * f - 4;
    case MWaveFunc::Square:
        return f < 0.5 ? 1.0 : -1.0;
    case MWaveFunc::Sawtooth:
        return f;
    case MWaveFunc::InverseSawtooth:
        return 1.0 - f;
    default:
        return std::sin(2 * std::numbers::pi * f);
    }
}

double EvaluateWave(const MWave& wave, double seconds)
{
    const double x = wave.phase + Finite(seconds) * wave.freq;
    return Finite(wave.base + wave.amp * WaveTable(wave.fn, x));
}

int AnimFrameIndex(double seconds, double framesPerSecond, int count)
{
    if (count <= 0)
        return 0;
    const double frame = std::floor(seconds * framesPerSecond);
    if (!std::isfinite(frame))
        return 0;
    double index = std::fmod(frame, double(count));
    if (index < 0)
        index += count;
    return std::clamp(static_cast<int>(index), 0, count - 1);
}

bool SourceBlendFactor(const MStr& name, unsigned* factor)
{
    return FindFactor(kSourceFactors, name, factor);
}

bool DestBlendFactor(const MStr& name, unsigned* factor)
{
    return FindFactor(kDestFactors, name, factor);
}

bool BlendFactorsFor(const MStr& mode, const MStr& srcName, const MStr& dstName, MBlendFactors* out)
{
    if (mode.EqualsNoCase("add"))
        *out = {GL_ONE, GL_ONE};
    else if (mode.EqualsNoCase("filter"))
        *out = {GL_DST_COLOR, GL_ZERO};
    else if (mode.EqualsNoCase("blend"))
        *out = {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    else if (mode.EqualsNoCase("custom"))
    {
        if (!SourceBlendFactor(srcName, &out->src))
            out->src = GL_ONE;
        if (!DestBlendFactor(dstName, &out->dst))
            out->dst = GL_ONE;
    }
    else
        return false;
    return true;
}

bool AlphaTestFor(const MStr& fn, unsigned* func, float* ref)
{
    if (fn.EqualsNoCase("GT0"))
    {
        *func = GL_GREATER;
        *ref = 0.0f;
    }
    else if (fn.EqualsNoCase("LT128"))
    {
        *func = GL_LESS;
        *ref = 0.5f;
    }
    else if (fn.EqualsNoCase("GE128"))
    {
        *func = GL_GEQUAL;
        *ref = 0.5f;
    }
    else
        return false;
    return true;
}

bool RGBGenColour(const MStr& type, const MStr& args, const MWave& wave, double seconds,
                  float rgb[3])
{
    float v[3];
    if (IsAnyOf(type, {"identity", "identityLighting", "vertex", "exactVertex", "entity",
                       "lightingDiffuse"}))
        v[0] = v[1] = v[2] = 1.0f;
    else if (IsAnyOf(type, {"oneMinusVertex", "oneMinusEntity"}))
        v[0] = v[1] = v[2] = 0.0f;
    else if (type.EqualsNoCase("wave"))
        v[0] = v[1] = v[2] = Clamp01(EvaluateWave(wave, seconds));
    else if (type.EqualsNoCase("const"))
    {
        const MVector c = ParseVectorText(args);
        v[0] = Clamp01(c.x);
        v[1] = Clamp01(c.y);
        v[2] = Clamp01(c.z);
    }
    else
        return false;
    std::copy(v, v + 3, rgb);
    return true;
}

bool AlphaGenValue(const MStr& type, const MStr& args, const MWave& wave, double seconds,
                   float* alpha)
{
    if (IsAnyOf(type, {"identity", "vertex", "entity", "lightingSpecular", "portal"}))
        *alpha = 1.0f;
    else if (IsAnyOf(type, {"oneMinusVertex", "oneMinusEntity"}))
        *alpha = 0.0f;
    else if (type.EqualsNoCase("wave"))
        *alpha = Clamp01(EvaluateWave(wave, seconds));
    else if (type.EqualsNoCase("const"))
        *alpha = Clamp01(ParseVectorText(args).x);
    else
        return false;
    return true;
}

MTexMatrix IdentityTexMatrix()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

MTexMatrix MultiplyTexMatrix(const MTexMatrix& a, const MTexMatrix& b)
{
    MTexMatrix r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
        {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[size_t(k * 4 + row)] * b[size_t(col * 4 + k)];
            r[size_t(col * 4 + row)] = sum;
        }
    return r;
}

void TransformTexCoord(const MTexMatrix& m, float s, float t, float* outS, float* outT)
{
    *outS = m[0] * s + m[4] * t + m[12];
    *outT = m[1] * s + m[5] * t + m[13];
}

MTexMatrix ScrollTexMatrix(double ds, double dt, double seconds)
{
    seconds = Finite(seconds);
    return Affine(1, 0, 0, 1, Frac(Finite(ds * seconds)), Frac(Finite(dt * seconds)));
}

MTexMatrix ScaleTexMatrix(double ss, double st)
{
    return Affine(Finite(ss, 1), 0, 0, Finite(st, 1), 0, 0);
}

MTexMatrix RotateTexMatrix(double degreesPerSecond, double seconds)
{
    // Whole turns are dropped before the angle becomes radians, so long
    // times keep their precision.
    const double degrees = -std::fmod(Finite(degreesPerSecond * Finite(seconds)), 360.0);
    const double r = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(r), s = std::sin(r);
    return Affine(c, s, -s, c, 0.5 - 0.5 * c + 0.5 * s, 0.5 - 0.5 * s - 0.5 * c);
}

MTexMatrix StretchTexMatrix(const MWave& wave, double seconds)
{
    double value = EvaluateWave(wave, seconds);
    // A wave passing through 0 would ask for an infinite scale.
    if (std::fabs(value) < 1e-4)
        value = std::copysign(1e-4, value);
    const double p = 1.0 / value;
    return Affine(p, 0, 0, p, 0.5 - 0.5 * p, 0.5 - 0.5 * p);
}

MTexMatrix TurbTexMatrix(double amp, double phase, double freq, double seconds)
{
    const double x = Finite(phase) + Finite(seconds) * Finite(freq);
    const double offset = Finite(amp) * std::sin(2 * std::numbers::pi * Frac(Finite(x)));
    return Affine(1, 0, 0, 1, offset, offset);
}
