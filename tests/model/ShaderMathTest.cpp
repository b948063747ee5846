// The arithmetic behind shader-node swatches and the texture cache's file
// side; none of it needs an OpenGL context.
#include "MImage.h"
#include "MScene.h"
#include "MShaderMath.h"
#include "MShaderNodes.h"
#include "MTextureCache.h"
#include "MTranslator.h"
#include "TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

namespace
{
constexpr double kEps = 1e-5;
const double kNan = std::nan("");
using W = MWaveFunc;
void ExpectMaps(const MTexMatrix& m, float s, float t, float es, float et)
{
    float os = 0, ot = 0;
    TransformTexCoord(m, s, t, &os, &ot);
    EXPECT_NEAR(os, es, 1e-4) << "s of (" << s << ", " << t << ")";
    EXPECT_NEAR(ot, et, 1e-4) << "t of (" << s << ", " << t << ")";
}
// Reads any ".tga" as a 2x2 picture, except files whose name holds "bad".
class FakeImageTranslator : public MImageTranslator
{
  public:
    M_DECLARE_CLASS(FakeImageTranslator, MImageTranslator)
    MStr GetFileFilter() const override { return "Fake|*.tga"; }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return false; }
    bool CanImportFile(MStr fileName) override { return fileName.Right(4).EqualsNoCase(".tga"); }
    bool ImportImage(MStr fileName, MImage* image) override
    {
        ++imports;
        return fileName.str().find("bad") == std::string::npos && image->SetSize(2, 2);
    }
    bool ExportImage(MStr, MImage*) override { return false; }
    static inline int imports = 0;
};
class TextureCacheFiles : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        MTextureCache::Instance().Clear();
        FakeImageTranslator::imports = 0;
        FakeImageTranslator proto;
        sys.Manager().RegisterImageTranslator(&proto);
        sys.Manager().GetImageSearchPaths().AddString(dir.Path().string().c_str());
    }
    void TearDown() override { MTextureCache::Instance().Clear(); }
    std::string In(const TempDir& d, const char* name) const { return (d.Path() / name).string(); }
    TestSystem sys;
    TempDir dir;
};
} // namespace

TEST(ShaderMath, WaveFormsFollowTheirShapesOverOnePeriod)
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
    EXPECT_EQ(WaveFuncFromName("InverseSawtooth"), W::InverseSawtooth);
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
    const MWave w = ReadWave(&stretch);
    EXPECT_EQ(w.fn, W::Square);
    EXPECT_EQ(std::vector<double>({w.base, w.amp, w.phase, w.freq}),
              std::vector<double>({1.5, 0, 0.25, 3})); // amplitude not finite: 0
}

TEST(ShaderMath, AnimatedMapFrameFollowsSceneTime)
{
    EXPECT_DOUBLE_EQ(SceneSeconds(TICKS_PER_FRAME * FRAMES_PER_SECOND), 1.0);
    EXPECT_DOUBLE_EQ(SceneSeconds(-TICKS_PER_FRAME * FRAMES_PER_SECOND / 2), -0.5);
    const double inf = std::numeric_limits<double>::infinity();
    // Two frames a second through three images; before time 0 the cycle runs
    // on backwards; unusable counts and rates give frame 0.
    const struct
    {
        double seconds, rate;
        int count, frame;
    } cases[] = {{0.0, 2, 3, 0},  {0.49, 2, 3, 0}, {0.5, 2, 3, 1}, {1.0, 2, 3, 2},  {1.5, 2, 3, 0},
                 {-0.1, 2, 3, 2}, {-1.4, 2, 3, 0}, {5, 2, 0, 0},   {5, kNan, 3, 0}, {5, inf, 3, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(AnimFrameIndex(c.seconds, c.rate, c.count), c.frame)
            << c.seconds << " " << c.rate;
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
    anim->SetParamByName("nF", "2");
    EXPECT_EQ(anim->GetFrameIndex(2 * half), 0);
    anim->SetParamByName("nF", "10");
    EXPECT_EQ(anim->GetFrameIndex(3 * half), 0);
}

TEST(ShaderMath, BlendModesAndAlphaFunctionsMapToOpenGL)
{
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
    EXPECT_EQ(blend("", "GL_ONE", "GL_ONE"), Factors(0, 0));
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
    EXPECT_EQ(test("off"), std::pair(0u, -1.0f));
    EXPECT_EQ(test("GT128"), std::pair(0u, -1.0f));
}

TEST(ShaderMath, ColourAndAlphaGenerationClampToTheUnitRange)
{
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

TEST(ShaderMath, TexCoordModifiersMoveCoordinates)
{
    // Scroll by speed times seconds, whole turns dropped.
    ExpectMaps(ScrollTexMatrix(0.5, -0.25, 2.5), 0, 0, 0.25f, 0.375f);
    ExpectMaps(ScrollTexMatrix(3, 0, 1e6), 0.5f, 0.5f, 0.5f, 0.5f);
    ExpectMaps(ScaleTexMatrix(2, 0.5), 0.5f, 1, 1, 0.5f);
    // A quarter turn a second about the centre; long times keep their precision.
    const MTexMatrix r = RotateTexMatrix(90, 1);
    ExpectMaps(r, 0.5f, 0.5f, 0.5f, 0.5f);
    ExpectMaps(r, 0, 0, 0, 1);
    ExpectMaps(RotateTexMatrix(90, 4e6 + 1), 1, 0, 0, 0);
    // Stretch by 1 / wave about the centre; a wave through 0 stays finite.
    ExpectMaps(StretchTexMatrix({W::Sin, 2, 0, 0, 1}, 0), 0, 0, 0.25f, 0.25f);
    for (float v : StretchTexMatrix({W::Sin, 0, 0, 0, 1}, 0))
        EXPECT_TRUE(std::isfinite(v));
    // Turb: amp * sin(2 pi (phase + freq t)) on both axes.
    ExpectMaps(TurbTexMatrix(0.1, 0.25, 0, 7), 0.2f, 0.3f, 0.3f, 0.4f);
    ExpectMaps(TurbTexMatrix(0.1, 0, 0.5, 1.5), 0, 0, -0.1f, -0.1f);
    // MultiplyTexMatrix(second, first) runs first on the coordinate.
    ExpectMaps(MultiplyTexMatrix(ScaleTexMatrix(2, 2), ScrollTexMatrix(0.25, 0, 1)), 0, 0, 0.5f, 0);
    ExpectMaps(MultiplyTexMatrix(IdentityTexMatrix(), r), 1, 0, 0, 0);
}

TEST(ShaderSwatch, NodesWithNothingToShowReturnZero)
{
    MTCGenShaderNode tcgen;
    tcgen.SetParamByName("Ty", "environment");
    MQERadiantShaderNode qer; // no editor image
    MBlendFuncShaderNode blend;
    blend.SetParamByName("bmP", "sideways");
    MAlphaFuncShaderNode alphaFunc; // "off"
    MRGBGenShaderNode rgb;
    rgb.SetParamByName("Ty", "sparkle");
    MAlphaGenShaderNode alpha;
    alpha.SetParamByName("Ty", "");
    for (MBaseShaderNode* n :
         std::initializer_list<MBaseShaderNode*>{&tcgen, &qer, &blend, &alphaFunc, &rgb, &alpha})
        EXPECT_EQ(n->SetOpenGLParams(), 0) << n->ClassName().str();
}

TEST_F(TextureCacheFiles, NamesResolveWithOtherImageExtensionsAndAnyCase)
{
    for (const char* name :
         {"textures/base/Wall.JPG", "textures/base/floor.tga", "textures/base/Sky.png"})
        dir.Write(name, "x");
    MTextureCache& cache = MTextureCache::Instance();
    auto resolve = [&](const char* name) { return cache.ResolveImageName(name).str(); };
    EXPECT_EQ(resolve("textures\\BASE\\wall.tga"), In(dir, "textures/base/Wall.JPG"));
    EXPECT_EQ(resolve("textures/base/floor.jpg"), In(dir, "textures/base/floor.tga"));
    EXPECT_EQ(resolve("textures/base/floor.TGA"), In(dir, "textures/base/floor.tga"));
    EXPECT_EQ(resolve("textures/base/floor.png"), In(dir, "textures/base/floor.tga"));
    EXPECT_EQ(resolve("textures/base/sky.tga"), In(dir, "textures/base/Sky.png"));
    // Other extensions are looked up only as named.
    for (const char* none : {"textures/base/none.tga", "textures/base/floor.bmp", ""})
        EXPECT_EQ(resolve(none), "") << none;
    // Other search places give other answers for the same name.
    TempDir other;
    other.Write("textures/base/none.tga", "x");
    sys.Manager().GetImageSearchPaths().AddString(other.Path().string().c_str());
    EXPECT_EQ(resolve("textures/base/none.tga"), In(other, "textures/base/none.tga"));
}

TEST_F(TextureCacheFiles, EachFileIsDecodedOnceAndFailuresAreLoggedOnce)
{
    const MStr good = dir.Write("good.tga", "x");
    const MStr bad = dir.Write("bad.tga", "x");
    MTextureCache& cache = MTextureCache::Instance();
    const MImage* first = cache.GetImage(good);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetWidth(), 2);
    EXPECT_EQ(cache.GetImage(good), first);
    EXPECT_EQ(cache.GetImage(bad), nullptr);
    EXPECT_EQ(cache.GetImage(bad), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 2);
    EXPECT_EQ(cache.GetDecodeCount(), 2);
    EXPECT_EQ(std::count(sys.log.lines.begin(), sys.log.lines.end(),
                         "Texture '" + bad.str() + "' could not be read."),
              1);
    // A file no translator takes cannot be read either.
    EXPECT_EQ(cache.GetImage(dir.Write("picture.png", "x")), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 2);
    // Clear forgets the pictures and the count: the next request reads the file again.
    cache.Clear();
    EXPECT_EQ(cache.GetDecodeCount(), 0);
    EXPECT_NE(cache.GetImage(good), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 3);
}
