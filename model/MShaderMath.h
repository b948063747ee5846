#pragma once

// The arithmetic behind the shader nodes' swatches: wave forms, animation
// frames, blend and alpha-test modes, colour generation and texture-matrix
// modifiers. Pure functions, no OpenGL calls, so they can be tested alone.
// OpenGL enumerants are returned as plain unsigned numbers.

#include "MStr.h"

#include <array>

class MBaseObject;

// The model has no frame rate of its own; animation in swatches plays at
// this many frames a second of scene time.
constexpr int FRAMES_PER_SECOND = 30;

// Scene time in ticks to seconds (TICKS_PER_FRAME ticks a frame).
double SceneSeconds(int ticks);

enum class MWaveFunc
{
    Sin,
    Triangle,
    Square,
    Sawtooth,
    InverseSawtooth,
    Noise,
};

// A wave form: value(t) = base + amp * f(phase + t * freq), f periodic over 1.
struct MWave
{
    MWaveFunc fn = MWaveFunc::Sin;
    double base = 0;
    double amp = 1;
    double phase = 0;
    double freq = 1;
};

// The function named (without regard to case); sin for a name it does not
// know, as the game does.
MWaveFunc WaveFuncFromName(const MStr& name);
// The wave of a node: function "fn" and the four numbers under the given
// parameter names. Numbers that are not finite read as 0.
MWave ReadWave(const MBaseObject* node, const char* base = "Base", const char* amp = "Amp",
               const char* phase = "Phs", const char* freq = "Fr");
// The unscaled function value at x (one period per unit), in [-1, 1]
// (sawtooths in [0, 1]).
double WaveTable(MWaveFunc fn, double x);
double EvaluateWave(const MWave& wave, double seconds);

// The frame an animated map shows: floor(seconds * framesPerSecond) modulo
// the count, counted on forwards for negative times. 0 when the count or the
// rate is not usable.
int AnimFrameIndex(double seconds, double framesPerSecond, int count);

// OpenGL blend factors for a blend node's mode ("blend", "add", "filter",
// "custom") and, for custom, its factor names. A factor name that is not
// allowed on its side reads as GL_ONE, as the game substitutes it. False for
// an unknown mode.
struct MBlendFactors
{
    unsigned src = 0;
    unsigned dst = 0;
};
bool BlendFactorsFor(const MStr& mode, const MStr& srcName, const MStr& dstName,
                     MBlendFactors* out);
// One factor by name ("GL_ONE", "gl_one_minus_src_alpha"); false when the
// name is not a factor OpenGL 1.1 accepts on that side.
bool SourceBlendFactor(const MStr& name, unsigned* factor);
bool DestBlendFactor(const MStr& name, unsigned* factor);

// Alpha test for an alphaFunc value: GT0, LT128, GE128. False for "off" and
// anything else.
bool AlphaTestFor(const MStr& fn, unsigned* func, float* ref);

// rgbGen colour and alphaGen alpha for a type, its argument text ("( 1 0 0 )"
// for const) and wave at a time, each component in [0, 1]. Lighting and
// vertex or entity colours are taken as white, so "vertex" is white and
// "oneMinusVertex" black. False for a type not known.
bool RGBGenColour(const MStr& type, const MStr& args, const MWave& wave, double seconds,
                  float rgb[3]);
bool AlphaGenValue(const MStr& type, const MStr& args, const MWave& wave, double seconds,
                   float* alpha);

// A 4x4 matrix, column-major as glLoadMatrixf takes it. Only the 2D part
// (s, t and translation) is used by the modifiers.
using MTexMatrix = std::array<float, 16>;
MTexMatrix IdentityTexMatrix();
// a * b: applied to a coordinate, b acts first.
MTexMatrix MultiplyTexMatrix(const MTexMatrix& a, const MTexMatrix& b);
void TransformTexCoord(const MTexMatrix& m, float s, float t, float* outS, float* outT);

// The texture-coordinate modifiers at a time in seconds.
// scroll: s += ds * t, t += dt * t, wrapped to [0, 1) to keep precision.
MTexMatrix ScrollTexMatrix(double ds, double dt, double seconds);
MTexMatrix ScaleTexMatrix(double ss, double st);
// rotate: turns the coordinates by -degreesPerSecond * t degrees about
// (0.5, 0.5), as the game does.
MTexMatrix RotateTexMatrix(double degreesPerSecond, double seconds);
// stretch: scales about (0.5, 0.5) by 1 / value of the wave.
MTexMatrix StretchTexMatrix(const MWave& wave, double seconds);
// turb: the game moves each vertex by a sine of its position and time; on a
// flat swatch that is an offset of amp * sin(2 pi (phase + freq * t)) on both
// axes.
MTexMatrix TurbTexMatrix(double amp, double phase, double freq, double seconds);
