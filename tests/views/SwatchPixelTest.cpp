// Shader-node swatches drawn into a real OpenGL context and read back: each
// cell is drawn as the material view draws it, inside saved state, starting
// from white with texturing and blending off, with a quad whose texture
// coordinates run from (0, 0) at the top-left to (1, 1) at the bottom-right.
#include "MShaderMath.h"
#include "ViewTestSupport.h"

#include <GL/gl.h>

#include <array>

namespace
{
constexpr int kSize = 64;
using Rgb = RgbPixel;

class SwatchPixels : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        ASSERT_GT(sys.LoadPlugins(), 0);
        sys.Manager().GetImageSearchPaths().AddString(dir.Path().string().c_str());
        // A view of one cell, drawn into directly.
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
    // One cell: the nodes' state applied together, the quad drawn when any
    // of them set up a swatch. Returns the OR of their results.
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
            glTexCoord2f(0, 0);
            glVertex2f(0, 0);
            glTexCoord2f(1, 0);
            glVertex2f(1, 0);
            glTexCoord2f(1, 1);
            glVertex2f(1, 1);
            glTexCoord2f(0, 1);
            glVertex2f(0, 1);
            glEnd();
        }
        glPopAttrib();
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        return result;
    }
    // The pixel at a position in the cell, (0, 0) top-left, (1, 1) bottom-right.
    static Rgb PixelAt(float x, float y)
    {
        std::array<unsigned char, 4> p{};
        const int px = std::min(kSize - 1, int(x * kSize));
        const int py = std::min(kSize - 1, int(y * kSize));
        glReadPixels(px, kSize - 1 - py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
        return {p[0], p[1], p[2]};
    }
    static std::vector<Rgb> AllPixels()
    {
        std::vector<unsigned char> raw(size_t(kSize) * kSize * 4);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
        std::vector<Rgb> out;
        for (size_t i = 0; i < raw.size(); i += 4)
            out.push_back({raw[i], raw[i + 1], raw[i + 2]});
        return out;
    }
    static MFileShaderNode* FileNode(const char* name)
    {
        return Make<MFileShaderNode>({{"Fname", name}});
    }
    // A node of the class with the parameters set.
    template <class Node>
    static Node* Make(std::initializer_list<std::pair<const char*, const char*>> params = {})
    {
        auto* node = new Node();
        for (const auto& [name, value] : params)
            node->SetParamByName(name, value);
        return node;
    }
    // The colour at the cell's centre after drawing the nodes on a clear cell.
    static Rgb Drawn(const std::vector<MBaseShaderNode*>& nodes)
    {
        Clear();
        DrawCell(nodes);
        return PixelAt(0.5f, 0.5f);
    }
    TempDir dir;
};

#define EXPECT_RGB(actual, er, eg, eb)                                                             \
    do                                                                                             \
    {                                                                                              \
        const Rgb a_ = (actual);                                                                   \
        EXPECT_NEAR(a_.r, er, 3);                                                                  \
        EXPECT_NEAR(a_.g, eg, 3);                                                                  \
        EXPECT_NEAR(a_.b, eb, 3);                                                                  \
    } while (0)
} // namespace

TEST_F(SwatchPixels, FileNodeDrawsItsTextureAndFollowsItsName)
{
    dir.Write("textures/red.tga", SolidTarga(200, 40, 40));
    dir.Write("textures/green.tga", SolidTarga(30, 180, 60));
    MRef<MFileShaderNode> node(FileNode("textures/red.tga"));
    EXPECT_NE(DrawCell({node.Get()}), 0);
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 200, 40, 40);
    EXPECT_RGB(PixelAt(0.02f, 0.98f), 200, 40, 40);
    // A new name shows at the next draw; a .jpg name finds the .tga.
    node->SetParamByName("Fname", "Textures\\GREEN.jpg");
    Clear();
    EXPECT_NE(DrawCell({node.Get()}), 0);
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 30, 180, 60);
    // Each file is decoded once, whichever node asks.
    MRef<MFileShaderNode> again(FileNode("textures/red.tga"));
    DrawCell({again.Get()});
    DrawCell({node.Get()});
    EXPECT_EQ(MTextureCache::Instance().GetDecodeCount(), 2);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SwatchPixels, LayersDrawOverEachOtherWithTheirBlendModes)
{
    dir.Write("red.tga", SolidTarga(160, 40, 20));
    dir.Write("green.tga", SolidTarga(40, 100, 30));
    dir.Write("grey.tga", SolidTarga(128, 128, 128));
    MRef<MFileShaderNode> base(FileNode("red.tga"));
    MRef<MFileShaderNode> glow(FileNode("green.tga"));
    MRef<MBlendFuncShaderNode> add(Make<MBlendFuncShaderNode>({{"bmP", "add"}}));
    // A material cell: the first layer, then an additive one over it, brighter.
    DrawCell({base.Get()});
    EXPECT_NE(DrawCell({add.Get(), glow.Get()}), 0);
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 200, 140, 50);
    // A filter layer multiplies what is there: grey halves it.
    MRef<MFileShaderNode> grey(FileNode("grey.tga"));
    MRef<MBlendFuncShaderNode> filter(Make<MBlendFuncShaderNode>({{"bmP", "filter"}}));
    Drawn({base.Get()});
    DrawCell({grey.Get(), filter.Get()});
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 80, 20, 10);
    // The blend node's cell on its own: a white quad added to the background.
    EXPECT_RGB(Drawn({add.Get()}), 255, 255, 255);
}

TEST_F(SwatchPixels, ColourGenerationTintsTheTexture)
{
    dir.Write("white.tga", SolidTarga(255, 255, 255));
    MRef<MFileShaderNode> file(FileNode("white.tga"));
    MRef<MRGBGenShaderNode> rgb(
        Make<MRGBGenShaderNode>({{"Ty", "const"}, {"Args", "( 1 0.5 0 )"}}));
    EXPECT_RGB(Drawn({rgb.Get(), file.Get()}), 255, 128, 0);
    // A wave follows the scene's time: a sawtooth of one cycle a second is at
    // a quarter a quarter of a second in.
    rgb->SetParamByName("Ty", "wave");
    rgb->SetParamByName("fn", "sawtooth");
    sys.Scene()->SetTime(TICKS_PER_FRAME * FRAMES_PER_SECOND / 4);
    EXPECT_RGB(Drawn({file.Get(), rgb.Get()}), 64, 64, 64);
    // alphaGen with blending: half of the quad over the grey background.
    MRef<MAlphaGenShaderNode> alpha(Make<MAlphaGenShaderNode>({{"Ty", "const"}, {"Args", "0"}}));
    MRef<MBlendFuncShaderNode> blend(Make<MBlendFuncShaderNode>()); // "blend"
    MRef<MAlphaFuncShaderNode> test(Make<MAlphaFuncShaderNode>({{"fn", "GE128"}}));
    EXPECT_RGB(Drawn({file.Get(), alpha.Get(), blend.Get()}), 102, 102, 102); // transparent
    alpha->SetParamByName("Args", "0.5");
    DrawCell({file.Get(), alpha.Get(), blend.Get()});
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 179, 179, 179);
    // An alpha test that half-transparent pixels fail draws nothing.
    alpha->SetParamByName("Args", "0.4");
    EXPECT_RGB(Drawn({file.Get(), alpha.Get(), test.Get()}), 102, 102, 102);
}

TEST_F(SwatchPixels, AnimatedMapShowsTheFrameOfTheSceneTime)
{
    dir.Write("f0.tga", SolidTarga(250, 0, 0));
    dir.Write("f1.tga", SolidTarga(0, 250, 0));
    dir.Write("f2.tga", SolidTarga(0, 0, 250));
    MRef<MAnimFileShaderNode> anim(Make<MAnimFileShaderNode>({{"Fr", "2"},
                                                              {"Fname0", "f0.tga"},
                                                              {"Fname1", "f1.tga"},
                                                              {"Fname2", "f2.tga"},
                                                              {"nF", "3"}}));
    const int halfSecond = TICKS_PER_FRAME * FRAMES_PER_SECOND / 2;
    const Rgb expected[] = {{250, 0, 0}, {0, 250, 0}, {0, 0, 250}, {250, 0, 0}};
    for (int step = 0; step < 4; ++step)
    {
        sys.Scene()->SetTime(step * halfSecond);
        EXPECT_NE(DrawCell({anim.Get()}), 0);
        EXPECT_RGB(PixelAt(0.5f, 0.5f), expected[step].r, expected[step].g, expected[step].b);
    }
}

TEST_F(SwatchPixels, TexCoordModifiersRepeatOrClampTheTexture)
{
    // Left half red, right half green.
    const Rgb R{255, 0, 0}, G{0, 255, 0};
    dir.Write("halves.tga", Targa(8, 1, {R, R, R, R, G, G, G, G}));
    MRef<MFileShaderNode> file(FileNode("halves.tga"));
    MRef<MTCScaleShaderNode> scale(Make<MTCScaleShaderNode>({{"Ss", "2"}}));
    // Repeated twice across: the texture's red half comes again at 0.6.
    DrawCell({file.Get(), scale.Get()});
    EXPECT_RGB(PixelAt(0.1f, 0.5f), 255, 0, 0);
    EXPECT_RGB(PixelAt(0.6f, 0.5f), 255, 0, 0);
    EXPECT_RGB(PixelAt(0.9f, 0.5f), 0, 255, 0);
    // Clamped: the right half of the swatch holds the edge, green.
    file->SetParamByName("RpU", "off");
    file->SetParamByName("RpV", "off");
    Clear();
    DrawCell({scale.Get(), file.Get()});
    EXPECT_RGB(PixelAt(0.1f, 0.5f), 255, 0, 0);
    EXPECT_RGB(PixelAt(0.6f, 0.5f), 0, 255, 0);
    // Scrolling half a turn swaps the halves; a scroll alone moves the
    // neutral pattern, so its cell is not blank.
    MRef<MTCScrollShaderNode> scroll(Make<MTCScrollShaderNode>({{"Ds", "0.5"}}));
    sys.Scene()->SetTime(TICKS_PER_FRAME * FRAMES_PER_SECOND);
    file->SetParamByName("RpU", "On");
    Clear();
    DrawCell({file.Get(), scroll.Get()});
    EXPECT_RGB(PixelAt(0.1f, 0.5f), 0, 255, 0);
    EXPECT_RGB(PixelAt(0.9f, 0.5f), 255, 0, 0);
    // Modifiers act in node order: scroll then scale is s' = 2 (s + 0.25),
    // scale then scroll is s' = 2 s + 0.25.
    scroll->SetParamByName("Ds", "0.25");
    Clear();
    DrawCell({file.Get(), scroll.Get(), scale.Get()});
    EXPECT_RGB(PixelAt(0.3f, 0.5f), 255, 0, 0);
    Clear();
    DrawCell({file.Get(), scale.Get(), scroll.Get()});
    EXPECT_RGB(PixelAt(0.3f, 0.5f), 0, 255, 0);
    Clear();
    EXPECT_NE(DrawCell({scroll.Get()}), 0);
    int light = 0, grey = 0;
    for (const Rgb& p : AllPixels())
    {
        light += p.r > 240;
        grey += p.r > 140 && p.r < 180;
    }
    EXPECT_GT(light, 0);
    EXPECT_GT(grey, 0);
}

TEST_F(SwatchPixels, MissingTextureDrawsThePatternAndIsLoggedOnce)
{
    MRef<MFileShaderNode> node(FileNode("textures/nowhere.tga"));
    EXPECT_NE(DrawCell({node.Get()}), 0);
    EXPECT_NE(DrawCell({node.Get()}), 0);
    int magenta = 0, black = 0, other = 0;
    for (const Rgb& p : AllPixels())
    {
        if (p.r > 250 && p.g < 5 && p.b > 250)
            ++magenta;
        else if (p.r < 5 && p.g < 5 && p.b < 5)
            ++black;
        else
            ++other;
    }
    EXPECT_GT(magenta, kSize * kSize / 4);
    EXPECT_GT(black, kSize * kSize / 4);
    EXPECT_EQ(other, 0); // the whole cell, sharp
    EXPECT_EQ(std::count(sys.log.lines.begin(), sys.log.lines.end(),
                         "Texture 'textures/nowhere.tga' not found."),
              1);
    // A file that is there but cannot be read shows the same pattern.
    dir.Write("broken.tga", std::string(18, '\0') + "xx");
    node->SetParamByName("Fname", "broken.tga");
    Clear();
    EXPECT_NE(DrawCell({node.Get()}), 0);
    EXPECT_RGB(PixelAt(1.0f / 16, 1.0f / 16), 255, 0, 255);
}

TEST_F(SwatchPixels, EditorImageShowsAndNodesWithoutASwatchLeaveTheCell)
{
    dir.Write("editor.tga", SolidTarga(10, 20, 230));
    MRef<MQERadiantShaderNode> qer(new MQERadiantShaderNode());
    EXPECT_EQ(DrawCell({qer.Get()}), 0);
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 102, 102, 102);
    qer->SetParamByName("qer_editorimage", "editor.tga");
    EXPECT_NE(DrawCell({qer.Get()}), 0);
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 10, 20, 230);
    // A surface node sets nothing up: the state is as the cell left it.
    MRef<MQ3MapSurfaceShaderNode> surface(Make<MQ3MapSurfaceShaderNode>({{"nodraw", "On"}}));
    MRef<MTCGenShaderNode> tcgen(Make<MTCGenShaderNode>({{"Ty", "environment"}}));
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    EXPECT_EQ(surface->SetOpenGLParams(), 0);
    EXPECT_EQ(tcgen->SetOpenGLParams(), 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<float, 4>{1, 1, 1, 1}));
    glPopAttrib();
}

TEST_F(SwatchPixels, PicturesOfAnySizeUploadAndTheirNamesAreReleased)
{
    // A 3 x 5 picture may stay as it is where the context takes such sizes,
    // and is scaled to 4 x 4 where only powers of two are taken.
    dir.Write("odd.tga", Targa(3, 5, std::vector<Rgb>(15, {20, 220, 120})));
    dir.Write("odd2.tga", Targa(3, 5, std::vector<Rgb>(15, {20, 220, 120})));
    MTextureCache& cache = MTextureCache::Instance();
    const auto boundSize = []
    {
        GLint w = 0, h = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        return std::array<GLint, 2>{w, h};
    };
    ASSERT_TRUE(cache.BindImage("odd.tga"));
    const std::array<GLint, 2> natural = boundSize();
    EXPECT_TRUE(natural == (std::array<GLint, 2>{3, 5}) || natural == (std::array<GLint, 2>{4, 4}));
    cache.SetPowerOfTwoOnly(true);
    ASSERT_TRUE(cache.BindImage("odd2.tga"));
    EXPECT_EQ(boundSize(), (std::array<GLint, 2>{4, 4}));
    MRef<MFileShaderNode> node(FileNode("odd2.tga"));
    DrawCell({node.Get()});
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 20, 220, 120);
    // Released names are gone from the context; the next bind uploads anew.
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    ASSERT_NE(name, 0);
    ASSERT_TRUE(glIsTexture(GLuint(name)));
    glBindTexture(GL_TEXTURE_2D, 0);
    cache.ReleaseGLTextures();
    EXPECT_FALSE(glIsTexture(GLuint(name)));
    Clear();
    DrawCell({node.Get()});
    EXPECT_RGB(PixelAt(0.5f, 0.5f), 20, 220, 120);
    EXPECT_EQ(cache.GetDecodeCount(), 2); // the pictures stay decoded
}
