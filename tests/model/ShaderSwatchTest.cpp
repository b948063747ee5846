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

MWave Wave(MWaveFunc fn, double base, double amp, double phase, double freq)
{
    MWave w;
    w.fn = fn;
    w.base = base;
    w.amp = amp;
    w.phase = phase;
    w.freq = freq;
    return w;
}

void ExpectMaps(const MTexMatrix& m, float s, float t, float es, float et)
{
    float os = 0, ot = 0;
    TransformTexCoord(m, s, t, &os, &ot);
    EXPECT_NEAR(os, es, 1e-4) << "s of (" << s << ", " << t << ")";
    EXPECT_NEAR(ot, et, 1e-4) << "t of (" << s << ", " << t << ")";
}

MStr Display(const MBaseShaderNode& n)
{
    MStr text;
    n.AppendDisplayText(text);
    return text;
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
        if (fileName.str().find("bad") != std::string::npos)
            return false;
        return image->SetSize(2, 2);
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

    TestSystem sys;
    TempDir dir;
};
} // namespace

TEST(ShaderMath, WaveFormsFollowTheirShapesOverOnePeriod)
{
    struct Case
    {
        MWaveFunc fn;
        double x, expected;
    };
    const Case cases[] = {
        {MWaveFunc::Sin, 0.25, 1},          {MWaveFunc::Sin, 0.75, -1},
        {MWaveFunc::Triangle, 0.125, 0.5},  {MWaveFunc::Triangle, 0.25, 1},
        {MWaveFunc::Triangle, 0.5, 0},      {MWaveFunc::Triangle, 0.75, -1},
        {MWaveFunc::Triangle, 0.875, -0.5}, {MWaveFunc::Square, 0.1, 1},
        {MWaveFunc::Square, 0.6, -1},       {MWaveFunc::Sawtooth, 0.25, 0.25},
        {MWaveFunc::Sawtooth, 1.25, 0.25},  {MWaveFunc::InverseSawtooth, 0.25, 0.75},
        {MWaveFunc::Sawtooth, -0.25, 0.75},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(WaveTable(c.fn, c.x), c.expected, kEps) << int(c.fn) << " at " << c.x;

    // base + amp * f(phase + t * freq): at t = 0.125 with freq 2 the sine is at its peak.
    EXPECT_NEAR(EvaluateWave(Wave(MWaveFunc::Sin, 0.5, 0.25, 0, 2), 0.125), 0.75, kEps);
    // The phase shifts the same peak to t = 0.
    EXPECT_NEAR(EvaluateWave(Wave(MWaveFunc::Sin, 0.5, 0.25, 0.25, 2), 0), 0.75, kEps);
    // A time that is not a number reads as time 0.
    EXPECT_NEAR(EvaluateWave(Wave(MWaveFunc::Square, 0.3, 1, 0.75, 1), std::nan("")), -0.7, kEps);
    EXPECT_TRUE(std::isfinite(EvaluateWave(Wave(MWaveFunc::Sin, 0, 1, 0, 1e300), 1e300)));

    EXPECT_EQ(WaveFuncFromName("InverseSawtooth"), MWaveFunc::InverseSawtooth);
    EXPECT_EQ(WaveFuncFromName("TRIANGLE"), MWaveFunc::Triangle);
    EXPECT_EQ(WaveFuncFromName("wobble"), MWaveFunc::Sin);

    // Noise stays in range, repeats for the same input and does move.
    std::set<double> seen;
    for (int i = 0; i < 50; ++i)
    {
        const double v = WaveTable(MWaveFunc::Noise, i * 0.37);
        EXPECT_GE(v, -1.0);
        EXPECT_LE(v, 1.0);
        EXPECT_EQ(v, WaveTable(MWaveFunc::Noise, i * 0.37));
        seen.insert(std::round(v * 100));
    }
    EXPECT_GT(seen.size(), 10u);
}

TEST(ShaderMath, NodesReadTheirWaveParameters)
{
    MTCStretchShaderNode stretch;
    stretch.SetParamByName("fn", "square");
    stretch.SetParamByName("Base", "1.5");
    stretch.SetParamByName("Amp", "nan");
    stretch.SetParamByName("Phs", "0.25");
    stretch.SetParamByName("Fr", "3");
    const MWave w = ReadWave(&stretch);
    EXPECT_EQ(w.fn, MWaveFunc::Square);
    EXPECT_DOUBLE_EQ(w.base, 1.5);
    EXPECT_DOUBLE_EQ(w.amp, 0); // not finite
    EXPECT_DOUBLE_EQ(w.phase, 0.25);
    EXPECT_DOUBLE_EQ(w.freq, 3);
}

TEST(ShaderMath, AnimatedMapFrameFollowsSceneTime)
{
    EXPECT_DOUBLE_EQ(SceneSeconds(TICKS_PER_FRAME * FRAMES_PER_SECOND), 1.0);
    EXPECT_DOUBLE_EQ(SceneSeconds(-TICKS_PER_FRAME * FRAMES_PER_SECOND / 2), -0.5);

    // Two frames a second through three images.
    EXPECT_EQ(AnimFrameIndex(0.0, 2, 3), 0);
    EXPECT_EQ(AnimFrameIndex(0.49, 2, 3), 0);
    EXPECT_EQ(AnimFrameIndex(0.5, 2, 3), 1);
    EXPECT_EQ(AnimFrameIndex(1.0, 2, 3), 2);
    EXPECT_EQ(AnimFrameIndex(1.5, 2, 3), 0);
    // Before time 0 the cycle runs on backwards, never below 0.
    EXPECT_EQ(AnimFrameIndex(-0.1, 2, 3), 2);
    EXPECT_EQ(AnimFrameIndex(-1.4, 2, 3), 0);
    // Unusable counts and rates.
    EXPECT_EQ(AnimFrameIndex(5, 2, 0), 0);
    EXPECT_EQ(AnimFrameIndex(5, std::nan(""), 3), 0);
    EXPECT_EQ(AnimFrameIndex(5, std::numeric_limits<double>::infinity(), 3), 0);
    const int far = AnimFrameIndex(1e300, 7, 5);
    EXPECT_GE(far, 0);
    EXPECT_LT(far, 5);

    MRef<MAnimFileShaderNode> anim(new MAnimFileShaderNode());
    anim->SetParamByName("Fname0", "a.tga");
    anim->SetParamByName("Fname1", "b.tga");
    anim->SetParamByName("Fname2", "c.tga");
    anim->SetParamByName("nF", "3");
    anim->SetParamByName("Fr", "2");
    const int halfSecond = TICKS_PER_FRAME * FRAMES_PER_SECOND / 2;
    EXPECT_EQ(anim->GetFrameIndex(0), 0);
    EXPECT_EQ(anim->GetFrameIndex(halfSecond), 1);
    EXPECT_EQ(anim->GetFrameIndex(2 * halfSecond), 2);
    EXPECT_EQ(anim->GetFrameIndex(3 * halfSecond), 0);
    // "nF" counts the frames cycled through, but never beyond the names present.
    anim->SetParamByName("nF", "2");
    EXPECT_EQ(anim->GetFrameIndex(2 * halfSecond), 0);
    anim->SetParamByName("nF", "10");
    EXPECT_EQ(anim->GetFrameIndex(3 * halfSecond), 0);
}

TEST(ShaderMath, BlendModesMapToOpenGLFactors)
{
    MBlendFactors f;
    ASSERT_TRUE(BlendFactorsFor("add", "", "", &f));
    EXPECT_EQ(f.src, unsigned(GL_ONE));
    EXPECT_EQ(f.dst, unsigned(GL_ONE));
    ASSERT_TRUE(BlendFactorsFor("Filter", "", "", &f));
    EXPECT_EQ(f.src, unsigned(GL_DST_COLOR));
    EXPECT_EQ(f.dst, unsigned(GL_ZERO));
    ASSERT_TRUE(BlendFactorsFor("blend", "GL_ONE", "GL_ONE", &f)); // a preset ignores the pair
    EXPECT_EQ(f.src, unsigned(GL_SRC_ALPHA));
    EXPECT_EQ(f.dst, unsigned(GL_ONE_MINUS_SRC_ALPHA));

    ASSERT_TRUE(BlendFactorsFor("custom", "gl_one_minus_dst_color", "GL_SRC_COLOR", &f));
    EXPECT_EQ(f.src, unsigned(GL_ONE_MINUS_DST_COLOR));
    EXPECT_EQ(f.dst, unsigned(GL_SRC_COLOR));
    // Factors OpenGL 1.1 refuses on a side, and unknown names, become GL_ONE.
    ASSERT_TRUE(BlendFactorsFor("custom", "GL_SRC_COLOR", "GL_DST_COLOR", &f));
    EXPECT_EQ(f.src, unsigned(GL_ONE));
    EXPECT_EQ(f.dst, unsigned(GL_ONE));
    ASSERT_TRUE(BlendFactorsFor("custom", "GL_ZERO", "GL_SRC_ALPHA_SATURATE", &f));
    EXPECT_EQ(f.src, unsigned(GL_ZERO));
    EXPECT_EQ(f.dst, unsigned(GL_ONE));

    EXPECT_FALSE(BlendFactorsFor("", "GL_ONE", "GL_ONE", &f));
    EXPECT_FALSE(BlendFactorsFor("multiply", "", "", &f));
}

TEST(ShaderMath, AlphaFunctionsMapToAlphaTests)
{
    unsigned func = 0;
    float ref = -1;
    ASSERT_TRUE(AlphaTestFor("GT0", &func, &ref));
    EXPECT_EQ(func, unsigned(GL_GREATER));
    EXPECT_EQ(ref, 0.0f);
    ASSERT_TRUE(AlphaTestFor("lt128", &func, &ref));
    EXPECT_EQ(func, unsigned(GL_LESS));
    EXPECT_EQ(ref, 0.5f);
    ASSERT_TRUE(AlphaTestFor("GE128", &func, &ref));
    EXPECT_EQ(func, unsigned(GL_GEQUAL));
    EXPECT_EQ(ref, 0.5f);
    EXPECT_FALSE(AlphaTestFor("off", &func, &ref));
    EXPECT_FALSE(AlphaTestFor("GT128", &func, &ref));
}

TEST(ShaderMath, ColourAndAlphaGeneration)
{
    const MWave none;
    float rgb[3] = {-1, -1, -1};
    ASSERT_TRUE(RGBGenColour("const", "( 1 0.5 2 )", none, 0, rgb));
    EXPECT_FLOAT_EQ(rgb[0], 1);
    EXPECT_FLOAT_EQ(rgb[1], 0.5f);
    EXPECT_FLOAT_EQ(rgb[2], 1); // clamped
    ASSERT_TRUE(RGBGenColour("identityLighting", "", none, 0, rgb));
    EXPECT_FLOAT_EQ(rgb[1], 1);
    ASSERT_TRUE(RGBGenColour("oneMinusVertex", "", none, 0, rgb));
    EXPECT_FLOAT_EQ(rgb[2], 0);
    // A wave's value at the time, grey, clamped to [0, 1].
    ASSERT_TRUE(RGBGenColour("wave", "", Wave(MWaveFunc::Sawtooth, 0.1, 0.8, 0, 1), 0.5, rgb));
    EXPECT_NEAR(rgb[0], 0.5, kEps);
    EXPECT_NEAR(rgb[2], 0.5, kEps);
    ASSERT_TRUE(RGBGenColour("WAVE", "", Wave(MWaveFunc::Sin, 1, 1, 0, 1), 0.25, rgb));
    EXPECT_FLOAT_EQ(rgb[0], 1);
    EXPECT_FALSE(RGBGenColour("glow", "", none, 0, rgb));

    float a = -1;
    ASSERT_TRUE(AlphaGenValue("const", "0.25", none, 0, &a));
    EXPECT_FLOAT_EQ(a, 0.25f);
    ASSERT_TRUE(AlphaGenValue("oneMinusEntity", "", none, 0, &a));
    EXPECT_FLOAT_EQ(a, 0);
    ASSERT_TRUE(AlphaGenValue("portal", "256", none, 0, &a));
    EXPECT_FLOAT_EQ(a, 1);
    ASSERT_TRUE(AlphaGenValue("wave", "", Wave(MWaveFunc::Square, 0, 1, 0, 1), 0.75, &a));
    EXPECT_FLOAT_EQ(a, 0); // -1 clamped
    EXPECT_FALSE(AlphaGenValue("", "", none, 0, &a));
}

TEST(ShaderMath, TexCoordModifiersMoveCoordinates)
{
    // Scroll by speed times seconds, whole turns dropped.
    ExpectMaps(ScrollTexMatrix(0.5, -0.25, 2.5), 0, 0, 0.25f, 0.375f);
    ExpectMaps(ScrollTexMatrix(3, 0, 1e6), 0.5f, 0.5f, 0.5f, 0.5f);
    ExpectMaps(ScaleTexMatrix(2, 0.5), 0.5f, 1, 1, 0.5f);

    // A quarter turn a second, after one second: the centre stays, the
    // corners go round.
    const MTexMatrix r = RotateTexMatrix(90, 1);
    ExpectMaps(r, 0.5f, 0.5f, 0.5f, 0.5f);
    ExpectMaps(r, 0, 0, 0, 1);
    ExpectMaps(r, 1, 0, 0, 0);
    // Long times keep their precision.
    ExpectMaps(RotateTexMatrix(90, 4e6 + 1), 1, 0, 0, 0);

    // Stretch by 1 / wave about the centre: a wave of 2 halves the coordinates' spread.
    const MTexMatrix st = StretchTexMatrix(Wave(MWaveFunc::Sin, 2, 0, 0, 1), 0);
    ExpectMaps(st, 0, 0, 0.25f, 0.25f);
    ExpectMaps(st, 0.5f, 0.5f, 0.5f, 0.5f);
    // A wave through 0 still gives finite numbers.
    const MTexMatrix zero = StretchTexMatrix(Wave(MWaveFunc::Sin, 0, 0, 0, 1), 0);
    for (float v : zero)
        EXPECT_TRUE(std::isfinite(v));

    // Turb: amp * sin(2 pi (phase + freq t)) on both axes.
    ExpectMaps(TurbTexMatrix(0.1, 0.25, 0, 7), 0.2f, 0.3f, 0.3f, 0.4f);
    ExpectMaps(TurbTexMatrix(0.1, 0, 0.5, 1.5), 0, 0, -0.1f, -0.1f);

    // Composition: MultiplyTexMatrix(second, first) runs first on the coordinate.
    const MTexMatrix scrollThenScale =
        MultiplyTexMatrix(ScaleTexMatrix(2, 2), ScrollTexMatrix(0.25, 0, 1));
    ExpectMaps(scrollThenScale, 0, 0, 0.5f, 0);
    const MTexMatrix scaleThenScroll =
        MultiplyTexMatrix(ScrollTexMatrix(0.25, 0, 1), ScaleTexMatrix(2, 2));
    ExpectMaps(scaleThenScroll, 0, 0, 0.25f, 0);
    ExpectMaps(MultiplyTexMatrix(IdentityTexMatrix(), r), 1, 0, 0, 0);
}

TEST(ShaderSwatch, NodesWithoutASwatchReturnZero)
{
    // None of these reaches OpenGL: they have nothing to show.
    MQ3MapSurfaceShaderNode surface;
    MQ3SkyParmsShaderNode sky;
    MQ3SunShaderNode sun;
    MDeformVertsShaderNode deform;
    MVerbatimShaderNode verbatim;
    MTCGenShaderNode tcgen;
    tcgen.SetParamByName("Ty", "environment");
    MQERadiantShaderNode qer; // no editor image
    MBlendFuncShaderNode blend;
    blend.SetParamByName("bmP", "sideways");
    MAlphaFuncShaderNode alphaFunc; // "off"
    MRGBGenShaderNode rgb;
    rgb.SetParamByName("Ty", "sparkle");
    MAlphaGenShaderNode alphaGen;
    alphaGen.SetParamByName("Ty", "");
    for (MBaseShaderNode* n :
         std::initializer_list<MBaseShaderNode*>{&surface, &sky, &sun, &deform, &verbatim, &tcgen,
                                                 &qer, &blend, &alphaFunc, &rgb, &alphaGen})
        EXPECT_EQ(n->SetOpenGLParams(), 0) << n->ClassName().str();
}

TEST(ShaderSwatch, ColourGeneratorsSummariseTheirValues)
{
    MRGBGenShaderNode rgb;
    rgb.SetParamByName("Ty", "const");
    rgb.SetParamByName("Args", "( 1 0 0 ) ");
    EXPECT_EQ(Display(rgb), "const ( 1 0 0 )");
    MAlphaGenShaderNode alpha;
    alpha.SetParamByName("Ty", "portal");
    alpha.SetParamByName("Args", "256");
    EXPECT_EQ(Display(alpha), "portal 256");
    // A wave shows its numbers, not the leftover text.
    alpha.SetParamByName("Ty", "wave");
    EXPECT_EQ(Display(alpha), "wave sin 0 1 0 1");
}

TEST_F(TextureCacheFiles, NamesResolveWithOtherImageExtensionsAndAnyCase)
{
    dir.Write("textures/base/Wall.JPG", "x");
    dir.Write("textures/base/floor.tga", "x");
    dir.Write("textures/base/Sky.png", "x");
    MTextureCache& cache = MTextureCache::Instance();
    // A .tga name finds the .jpg of the same title, whatever the case.
    const MStr wall = cache.ResolveImageName("textures\\BASE\\wall.tga");
    EXPECT_EQ(wall, (dir.Path() / "textures/base/Wall.JPG").string());
    EXPECT_EQ(cache.ResolveImageName("textures/base/floor.jpg"),
              (dir.Path() / "textures/base/floor.tga").string());
    EXPECT_EQ(cache.ResolveImageName("textures/base/floor.TGA"),
              (dir.Path() / "textures/base/floor.tga").string());
    EXPECT_TRUE(cache.ResolveImageName("textures/base/none.tga").IsEmpty());
    // PNG takes part as well; other extensions are looked up as named only.
    EXPECT_EQ(cache.ResolveImageName("textures/base/floor.png"),
              (dir.Path() / "textures/base/floor.tga").string());
    EXPECT_EQ(cache.ResolveImageName("textures/base/sky.tga"),
              (dir.Path() / "textures/base/Sky.png").string());
    EXPECT_TRUE(cache.ResolveImageName("textures/base/floor.bmp").IsEmpty());
    EXPECT_TRUE(cache.ResolveImageName("").IsEmpty());

    // Other search places give other answers for the same name.
    TempDir other;
    other.Write("textures/base/none.tga", "x");
    sys.Manager().GetImageSearchPaths().AddString(other.Path().string().c_str());
    EXPECT_EQ(cache.ResolveImageName("textures/base/none.tga"),
              (other.Path() / "textures/base/none.tga").string());
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
    EXPECT_EQ(FakeImageTranslator::imports, 1);

    EXPECT_EQ(cache.GetImage(bad), nullptr);
    EXPECT_EQ(cache.GetImage(bad), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 2);
    EXPECT_EQ(cache.GetDecodeCount(), 2);
    const std::string message = "Texture '" + bad.str() + "' could not be read.";
    int logged = 0;
    for (const std::string& line : sys.log.lines)
        logged += line == message;
    EXPECT_EQ(logged, 1);

    // A file no translator takes cannot be read either.
    EXPECT_EQ(cache.GetImage(dir.Write("picture.png", "x")), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 2);

    // Clear forgets the pictures: the next request reads the file again.
    cache.Clear();
    EXPECT_NE(cache.GetImage(good), nullptr);
    EXPECT_EQ(FakeImageTranslator::imports, 3);
}
