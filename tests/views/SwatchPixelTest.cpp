#include "ViewTestSupport.h"

#include "MShaderMath.h"

namespace
{
constexpr int kSize = 64;
using Rgb = RgbPixel;
constexpr int kSecond = TICKS_PER_FRAME * FRAMES_PER_SECOND;
class SwatchPixels : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        LoadPluginsAndImages();
        const Rgb R{255, 0, 0}, G{0, 255, 0};
        dir.Write("halves.tga", Targa(8, 1, {R, R, R, R, G, G, G, G}));
        const std::pair<const char*, Rgb> solid[] = {{"textures/red.tga", {200, 40, 40}},
                                                     {"textures/green.tga", {30, 180, 60}},
                                                     {"base.tga", {160, 40, 20}},
                                                     {"glow.tga", {40, 100, 30}},
                                                     {"grey.tga", {128, 128, 128}},
                                                     {"white.tga", {255, 255, 255}},
                                                     {"f0.tga", {250, 0, 0}},
                                                     {"f1.tga", {0, 250, 0}},
                                                     {"f2.tga", {0, 0, 250}},
                                                     {"editor.tga", {10, 20, 230}}};
        for (const auto& [file, c] : solid)
            dir.Write(file, SolidTarga(c.r, c.g, c.b));
        auto* view = ShowSceneView<CMaterialViewWnd>(QRect(0, 0, kSize, kSize), "Cell");
        ASSERT_EQ(view->MakeCurrent(), 0);
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 1, 1, 0, -1, 1); // y grows downwards, as in the material view
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHTING);
        Clear();
    }
    void TearDown() override
    {
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        ViewTest::TearDown();
    }
    static void Clear()
    {
        glClearColor(0.4f, 0.4f, 0.4f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    std::vector<MBaseShaderNode*> Nodes(const std::string& text)
    {
        std::vector<MBaseShaderNode*> out;
        for (const QString& spec : QString::fromStdString(text).split(';'))
        {
            const QStringList parts = spec.trimmed().split(',');
            for (MBaseObject* p : sys.Manager().GetPrototypes())
                if (p->ClassName().str() == "M" + parts[0].toStdString() + "ShaderNode")
                    out.push_back(static_cast<MBaseShaderNode*>(p->CreateNew()));
            EXPECT_FALSE(out.empty()) << text;
            held.emplace_back(out.back());
            for (const QString& param : parts.mid(1))
                out.back()->SetParamByName(param.section('=', 0, 0).toStdString(),
                                           param.section('=', 1).toStdString().c_str());
        }
        return out;
    }
    static int DrawCell(const std::vector<MBaseShaderNode*>& nodes)
    {
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glPushAttrib(GL_CURRENT_BIT | GL_POLYGON_BIT | GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT |
                     GL_COLOR_BUFFER_BIT | GL_TEXTURE_BIT);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glAlphaFunc(GL_ALWAYS, 0);
        glColor4f(1, 1, 1, 1);
        int result = 0;
        for (MBaseShaderNode* n : nodes)
            result |= n->SetOpenGLParams();
        if (result)
        {
            glBegin(GL_QUADS);
            for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}})
            {
                glTexCoord2f(float(x), float(y));
                glVertex2f(float(x), float(y));
            }
            glEnd();
        }
        glPopAttrib();
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        return result;
    }
    static Rgb PixelAt(float x, float y)
    {
        std::array<unsigned char, 4> p{};
        const int px = std::min(kSize - 1, int(x * kSize));
        const int py = std::min(kSize - 1, int(y * kSize));
        glReadPixels(px, kSize - 1 - py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
        return {p[0], p[1], p[2]};
    }
    template <class Test> static int Count(Test test)
    {
        std::vector<unsigned char> raw(size_t(kSize) * kSize * 4);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
        int n = 0;
        for (size_t i = 0; i < raw.size(); i += 4)
            n += test(Rgb{raw[i], raw[i + 1], raw[i + 2]}) ? 1 : 0;
        return n;
    }
    std::vector<MRef<MBaseShaderNode>> held;
};

void ExpectRgb(Rgb a, int r, int g, int b)
{
    EXPECT_TRUE(std::abs(a.r - r) <= 3 && std::abs(a.g - g) <= 3 && std::abs(a.b - b) <= 3)
        << a.r << ", " << a.g << ", " << a.b << " wanted " << r << ", " << g << ", " << b;
}
const char* const kFile = "File,Fname=";
const char* const kAnim = "AnimFile,Fr=2,Fname0=f0.tga,Fname1=f1.tga,Fname2=f2.tga,nF=3";
} // namespace
TEST_F(SwatchPixels, NodesDrawTheirSwatchesAndLayersBlendOverEachOther)
{
    struct Case
    {
        const char* cells;
        float seconds, x, y;
        int r, g, b;
    };
    const Case cases[] = {
        {"File,Fname=textures/red.tga", 0, .5f, .5f, 200, 40, 40},
        {"File,Fname=textures/red.tga", 0, .02f, .98f, 200, 40, 40},
        {"File,Fname=Textures\\GREEN.jpg", 0, .5f, .5f, 30, 180, 60},
        {"File,Fname=base.tga|BlendFunc,bmP=add;File,Fname=glow.tga", 0, .5f, .5f, 200, 140, 50},
        {"File,Fname=base.tga|File,Fname=grey.tga;BlendFunc,bmP=filter", 0, .5f, .5f, 80, 20, 10},
        {"BlendFunc,bmP=add", 0, .5f, .5f, 255, 255, 255},
        {"RGBGen,Ty=const,Args=( 1 0.5 0 );File,Fname=white.tga", 0, .5f, .5f, 255, 128, 0},
        {"File,Fname=white.tga;RGBGen,Ty=wave,fn=sawtooth", .25f, .5f, .5f, 64, 64, 64},
        {"File,Fname=white.tga;AlphaGen,Ty=const,Args=0;BlendFunc", 0, .5f, .5f, 102, 102, 102},
        {"File,Fname=white.tga;AlphaGen,Ty=const,Args=0.5;BlendFunc", 0, .5f, .5f, 179, 179, 179},
        {"File,Fname=white.tga;AlphaGen,Ty=const,Args=0.4;AlphaFunc,fn=GE128", 0, .5f, .5f, 102,
         102, 102},
        {kAnim, 0, .5f, .5f, 250, 0, 0},
        {kAnim, .5f, .5f, .5f, 0, 250, 0},
        {kAnim, 1, .5f, .5f, 0, 0, 250},
        {kAnim, 1.5f, .5f, .5f, 250, 0, 0},
        {"File,Fname=halves.tga;TCScale,Ss=2", 0, .1f, .5f, 255, 0, 0},
        {"File,Fname=halves.tga;TCScale,Ss=2", 0, .6f, .5f, 255, 0, 0},
        {"File,Fname=halves.tga;TCScale,Ss=2", 0, .9f, .5f, 0, 255, 0},
        {"TCScale,Ss=2;File,Fname=halves.tga,RpU=off,RpV=off", 0, .1f, .5f, 255, 0, 0},
        {"TCScale,Ss=2;File,Fname=halves.tga,RpU=off,RpV=off", 0, .6f, .5f, 0, 255, 0},
        {"File,Fname=halves.tga;TCScroll,Ds=0.5", 1, .1f, .5f, 0, 255, 0},
        {"File,Fname=halves.tga;TCScroll,Ds=0.5", 1, .9f, .5f, 255, 0, 0},
        {"File,Fname=halves.tga;TCScroll,Ds=0.25;TCScale,Ss=2", 1, .3f, .5f, 255, 0, 0},
        {"File,Fname=halves.tga;TCScale,Ss=2;TCScroll,Ds=0.25", 1, .3f, .5f, 0, 255, 0},
        {"QERadiant,qer_editorimage=editor.tga", 0, .5f, .5f, 10, 20, 230}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.cells << " at " << c.x << ", " << c.y);
        sys.Scene()->SetTime(int(c.seconds * kSecond));
        Clear();
        for (const QString& cell : QString(c.cells).split('|'))
            EXPECT_NE(DrawCell(Nodes(cell.toStdString())), 0);
        ExpectRgb(PixelAt(c.x, c.y), c.r, c.g, c.b);
    }
}
TEST_F(SwatchPixels, NodesWithoutASwatchLeaveTheStateAndScrollOrMissingTexturesDrawThePattern)
{
    EXPECT_EQ(DrawCell(Nodes("QERadiant")), 0);
    ExpectRgb(PixelAt(0.5f, 0.5f), 102, 102, 102);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    for (MBaseShaderNode* n : Nodes("QERadiant;Q3MapSurface,nodraw=On;TCGen,Ty=environment"))
        EXPECT_EQ(n->SetOpenGLParams(), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<float, 4>{1, 1, 1, 1}));
    glPopAttrib();
    sys.Scene()->SetTime(kSecond);
    EXPECT_NE(DrawCell(Nodes("TCScroll,Ds=0.25")), 0);
    EXPECT_GT(Count([](Rgb p) { return p.r > 240; }), 0);
    EXPECT_GT(Count([](Rgb p) { return p.r > 140 && p.r < 180; }), 0);
    const std::vector<MBaseShaderNode*> node = Nodes(kFile + std::string("textures/nowhere.tga"));
    EXPECT_NE(DrawCell(node), 0);
    EXPECT_NE(DrawCell(node), 0);
    const int magenta = Count([](Rgb p) { return p.r > 250 && p.g < 5 && p.b > 250; });
    const int black = Count([](Rgb p) { return p.r < 5 && p.g < 5 && p.b < 5; });
    EXPECT_GT(magenta, kSize * kSize / 4);
    EXPECT_GT(black, kSize * kSize / 4);
    EXPECT_EQ(magenta + black, kSize * kSize); // the whole cell, sharp
    EXPECT_EQ(std::count(sys.log.lines.begin(), sys.log.lines.end(),
                         "Texture 'textures/nowhere.tga' not found."),
              1);
    dir.Write("broken.tga", std::string(18, '\0') + "xx");
    node[0]->SetParamByName("Fname", "broken.tga");
    Clear();
    EXPECT_NE(DrawCell(node), 0);
    ExpectRgb(PixelAt(1.0f / 16, 1.0f / 16), 255, 0, 255);
}
TEST_F(SwatchPixels, FilesAreDecodedOnceUploadAtAnySizeAndTheirNamesAreReleased)
{
    const std::vector<MBaseShaderNode*> node = Nodes(kFile + std::string("textures/red.tga"));
    DrawCell(node);
    ExpectRgb(PixelAt(0.5f, 0.5f), 200, 40, 40);
    node[0]->SetParamByName("Fname", "textures/green.tga");
    DrawCell(node);
    ExpectRgb(PixelAt(0.5f, 0.5f), 30, 180, 60);
    DrawCell(Nodes(kFile + std::string("textures/red.tga")));
    DrawCell(node);
    MTextureCache& cache = MTextureCache::Instance();
    EXPECT_EQ(cache.GetDecodeCount(), 2);
    dir.Write("odd.tga", Targa(3, 5, std::vector<Rgb>(15, {20, 220, 120})));
    dir.Write("odd2.tga", Targa(3, 5, std::vector<Rgb>(15, {20, 220, 120})));
    const auto boundSize = []
    {
        std::array<GLint, 2> s{};
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &s[0]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &s[1]);
        return s;
    };
    ASSERT_TRUE(cache.BindImage("odd.tga"));
    const std::array<GLint, 2> natural = boundSize();
    EXPECT_TRUE(natural == (std::array<GLint, 2>{3, 5}) || natural == (std::array<GLint, 2>{4, 4}));
    cache.SetPowerOfTwoOnly(true);
    ASSERT_TRUE(cache.BindImage("odd2.tga"));
    EXPECT_EQ(boundSize(), (std::array<GLint, 2>{4, 4}));
    node[0]->SetParamByName("Fname", "odd2.tga");
    DrawCell(node);
    ExpectRgb(PixelAt(0.5f, 0.5f), 20, 220, 120);
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    ASSERT_NE(name, 0);
    ASSERT_TRUE(glIsTexture(GLuint(name)));
    glBindTexture(GL_TEXTURE_2D, 0);
    cache.ReleaseGLTextures();
    EXPECT_FALSE(glIsTexture(GLuint(name)));
    Clear();
    DrawCell(node);
    ExpectRgb(PixelAt(0.5f, 0.5f), 20, 220, 120);
    EXPECT_EQ(cache.GetDecodeCount(), 4); // the pictures stay decoded
}
