#include "MShaderMath.h"
#include "MShaderNodes.h"
#include "TestSupport.h"
#include <GL/gl.h>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <set>

constexpr double kEps = 1e-5;
const double kNan = std::nan("");
using W = MWaveFunc;

TEST(ShaderMath, WavesFramesBlendsAlphaTestsAndColoursFollowTheirRules)
{
    const struct
    {
        MWaveFunc fn;
        double x, expected;
    } cases[] = {
        {W::Sin, 0.25, 1},          {W::Sin, 0.75, -1},        {W::Triangle, 0.125, 0.5},
        {W::Triangle, 0.25, 1},     {W::Triangle, 0.5, 0},     {W::Triangle, 0.75, -1},
        {W::Triangle, 0.875, -0.5}, {W::Square, 0.1, 1},       {W::Square, 0.6, -1},
        {W::Sawtooth, 0.25, 0.25},  {W::Sawtooth, 1.25, 0.25}, {W::InverseSawtooth, 0.25, 0.75},
        {W::Sawtooth, -0.25, 0.75},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(WaveTable(c.fn, c.x), c.expected, kEps) << int(c.fn) << " at " << c.x;
    // base + amp * f(phase + t * freq); a time that is not a number reads as 0.
    EXPECT_NEAR(EvaluateWave({W::Sin, 0.5, 0.25, 0, 2}, 0.125), 0.75, kEps);
    EXPECT_NEAR(EvaluateWave({W::Sin, 0.5, 0.25, 0.25, 2}, 0), 0.75, kEps);
    EXPECT_NEAR(EvaluateWave({W::Square, 0.3, 1, 0.75, 1}, kNan), -0.7, kEps);
    EXPECT_TRUE(std::isfinite(EvaluateWave({W::Sin, 0, 1, 0, 1e300}, 1e300)));
    EXPECT_EQ(WaveFuncFromName("TRIANGLE"), W::Triangle);
    EXPECT_EQ(WaveFuncFromName("wobble"), W::Sin);
    // Noise stays in range, repeats for the same input and does move.
    std::set<double> seen;
    for (int i = 0; i < 50; ++i)
    {
        const double v = WaveTable(W::Noise, i * 0.37);
        EXPECT_LE(std::abs(v), 1.0);
        EXPECT_EQ(v, WaveTable(W::Noise, i * 0.37));
        seen.insert(std::round(v * 100));
    }
    EXPECT_GT(seen.size(), 10u);
    MTCStretchShaderNode stretch;
    for (auto [name, value] :
         {std::pair{"fn", "square"}, {"Base", "1.5"}, {"Amp", "nan"}, {"Phs", "0.25"}, {"Fr", "3"}})
        stretch.SetParamByName(name, value);
    const MWave w = ReadWave(&stretch); // an amplitude that is not finite: 0
    EXPECT_EQ(std::vector<double>({double(w.fn), w.base, w.amp, w.phase, w.freq}),
              std::vector<double>({double(W::Square), 1.5, 0, 0.25, 3}));
    EXPECT_DOUBLE_EQ(SceneSeconds(-TICKS_PER_FRAME * FRAMES_PER_SECOND / 2), -0.5);
    const double inf = std::numeric_limits<double>::infinity();
    // Two frames a second through three images, also before time 0; bad input: 0.
    const struct
    {
        double seconds, rate;
        int count, frame;
    } frames[] = {{0.0, 2, 3, 0},  {0.49, 2, 3, 0}, {0.5, 2, 3, 1},  {1.0, 2, 3, 2},
                  {1.5, 2, 3, 0},  {-0.1, 2, 3, 2}, {-1.4, 2, 3, 0}, {5, 2, 0, 0},
                  {5, kNan, 3, 0}, {5, inf, 3, 0}};
    for (const auto& f : frames)
        EXPECT_EQ(AnimFrameIndex(f.seconds, f.rate, f.count), f.frame)
            << f.seconds << " " << f.rate;
    const int far = AnimFrameIndex(1e300, 7, 5);
    EXPECT_TRUE(far >= 0 && far < 5) << far;
    MRef<MAnimFileShaderNode> anim(new MAnimFileShaderNode());
    for (auto [name, value] : {std::pair{"Fname0", "a.tga"},
                               {"Fname1", "b.tga"},
                               {"Fname2", "c.tga"},
                               {"nF", "3"},
                               {"Fr", "2"}})
        anim->SetParamByName(name, value);
    const int half = TICKS_PER_FRAME * FRAMES_PER_SECOND / 2;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(anim->GetFrameIndex(i * half), i % 3);
    // "nF" counts the frames cycled through, but never beyond the names present.
    anim->SetParamByName("nF", "10");
    EXPECT_EQ(anim->GetFrameIndex(3 * half), 0);
    using Factors = std::pair<unsigned, unsigned>;
    auto blend = [](const char* mode, const char* src, const char* dst)
    {
        MBlendFactors f;
        return BlendFactorsFor(mode, src, dst, &f) ? Factors(f.src, f.dst) : Factors(0, 0);
    };
    EXPECT_EQ(blend("add", "", ""), Factors(GL_ONE, GL_ONE));
    EXPECT_EQ(blend("Filter", "", ""), Factors(GL_DST_COLOR, GL_ZERO));
    EXPECT_EQ(blend("blend", "GL_ONE", "GL_ONE"), Factors(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_EQ(blend("custom", "gl_one_minus_dst_color", "GL_SRC_COLOR"),
              Factors(GL_ONE_MINUS_DST_COLOR, GL_SRC_COLOR));
    // Factors OpenGL 1.1 refuses on a side, and unknown names, become GL_ONE.
    EXPECT_EQ(blend("custom", "GL_SRC_COLOR", "GL_DST_COLOR"), Factors(GL_ONE, GL_ONE));
    EXPECT_EQ(blend("custom", "GL_ZERO", "GL_SRC_ALPHA_SATURATE"), Factors(GL_ZERO, GL_ONE));
    EXPECT_EQ(blend("", "GL_ONE", "GL_ONE"), blend("multiply", "", "")); // refused
    EXPECT_EQ(blend("multiply", "", ""), Factors(0, 0));
    auto test = [](const char* fn)
    {
        unsigned func = 0;
        float ref = -1;
        return AlphaTestFor(fn, &func, &ref) ? std::pair(func, ref) : std::pair(0u, -1.0f);
    };
    EXPECT_EQ(test("GT0"), std::pair(unsigned(GL_GREATER), 0.0f));
    EXPECT_EQ(test("lt128"), std::pair(unsigned(GL_LESS), 0.5f));
    EXPECT_EQ(test("GE128"), std::pair(unsigned(GL_GEQUAL), 0.5f));
    EXPECT_TRUE(test("off") == test("GT128") && test("off") == std::pair(0u, -1.0f));
    const MWave none;
    auto colour = [](const char* type, const char* args, MWave wave, double seconds)
    {
        float c[3] = {-1, -1, -1};
        return RGBGenColour(type, args, wave, seconds, c)
                   ? MStr::Printf("%g %g %g", c[0], c[1], c[2]).str()
                   : "refused";
    };
    EXPECT_EQ(colour("const", "( 1 0.5 2 )", none, 0), "1 0.5 1");
    EXPECT_EQ(colour("identityLighting", "", none, 0), "1 1 1");
    EXPECT_EQ(colour("oneMinusVertex", "", none, 0), "0 0 0");
    EXPECT_EQ(colour("wave", "", {W::Sawtooth, 0.1, 0.8, 0, 1}, 0.5), "0.5 0.5 0.5");
    EXPECT_EQ(colour("WAVE", "", {W::Sin, 1, 1, 0, 1}, 0.25), "1 1 1");
    EXPECT_EQ(colour("glow", "", none, 0), "refused");
    auto alpha = [](const char* type, const char* args, MWave wave, double seconds)
    {
        float a = -1;
        return AlphaGenValue(type, args, wave, seconds, &a) ? a : -99.0f;
    };
    EXPECT_FLOAT_EQ(alpha("const", "0.25", none, 0), 0.25f);
    EXPECT_FLOAT_EQ(alpha("oneMinusEntity", "", none, 0), 0);
    EXPECT_FLOAT_EQ(alpha("portal", "256", none, 0), 1);
    EXPECT_FLOAT_EQ(alpha("wave", "", {W::Square, 0, 1, 0, 1}, 0.75), 0); // -1 clamped
    EXPECT_FLOAT_EQ(alpha("", "", none, 0), -99.0f);
}
