// What the viewport shows, read back from its framebuffer: a textured
// material in perspective, a scrolling stage at two times, and pictures of
// real shaders for people to look at.
#include "ViewTestSupport.h"

#include "KActions.h"

#include <GL/glu.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace
{
class ViewportPixels : public ViewTest
{
  protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        g_ToolManager.Release();
        SetActiveView(ShowSceneView<COpenGLWnd>(QRect(0, 0, 400, 200), "Top"));
        LoadPluginsAndImages();
    }
    // The window pixel of a world point as the view's camera sees it.
    static QPoint Project(COpenGLWnd* v, const MVector3& p)
    {
        EXPECT_EQ(v->MakeCurrent(), 0);
        v->SetupProjection(0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        v->SetupViewTransform();
        GLdouble mv[16], pr[16], x = 0, y = 0, z = 0;
        GLint vp[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, pr);
        glGetIntegerv(GL_VIEWPORT, vp);
        gluProject(p.x, p.y, p.z, mv, pr, vp, &x, &y, &z);
        return QPoint(int(x), int(v->height() - y));
    }
    // A Perspective view replacing the top view, textured.
    COpenGLWnd* Perspective()
    {
        EXPECT_EQ(KViewportPerspective(), 1);
        auto* gl = static_cast<COpenGLWnd*>(g_ActiveView);
        gl->m_ShadingMode = 4;
        return gl;
    }
};

bool Reddish(QRgb c)
{
    return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80;
}
bool Bluish(QRgb c)
{
    return qBlue(c) > 180 && qRed(c) < 80 && qGreen(c) < 80;
}
} // namespace

TEST_F(ViewportPixels, TexturedMaterialInPerspectiveScrollsWithTime)
{
    // 64 by 64: the left half red, the right half blue.
    std::vector<RgbPixel> pixels;
    for (int i = 0; i < 64 * 64; ++i)
        pixels.push_back(i % 64 < 32 ? RgbPixel{255, 0, 0} : RgbPixel{0, 0, 255});
    dir.Write("textures/test/halves.tga", Targa(64, 64, pixels));
    MMaterial* m = AddMaterial("halves");
    AddLayer(m, "Options");
    MMaterialLayer* stage = AddLayer(m, "Stage");
    AddNode<MFileShaderNode>(stage, "File", "textures/test/halves.tga");
    AddNode<MTCScrollShaderNode>(stage, "Scroll")->SetParamByName("Ds", "0.5");
    COpenGLWnd* gl = Perspective();
    gl->m_Target = MVector3(32, -32, 0);
    QCoreApplication::processEvents();
    // A quarter across is red; scrolled half a texture a second later, blue.
    const QPoint quarter = Project(gl, MVector3(16, -32, 0));
    const QPoint threeQuarters = Project(gl, MVector3(48, -32, 0));
    QImage image = gl->grabFramebuffer();
    EXPECT_TRUE(Reddish(image.pixel(quarter))) << std::hex << image.pixel(quarter);
    EXPECT_TRUE(Bluish(image.pixel(threeQuarters))) << std::hex << image.pixel(threeQuarters);
    Scene()->SetTime(30 * TICKS_PER_FRAME);
    image = gl->grabFramebuffer();
    EXPECT_TRUE(Bluish(image.pixel(quarter))) << std::hex << image.pixel(quarter);
    EXPECT_TRUE(Reddish(image.pixel(threeQuarters))) << std::hex << image.pixel(threeQuarters);
    EXPECT_EQ(qRed(image.pixel(3, gl->height() - 40)), 102);
    // The view's texture filter does not stay on the shared texture.
    auto minFilter = [&]
    {
        EXPECT_EQ(gl->MakeCurrent(), 0);
        MTextureCache::Instance().BindImage("textures/test/halves.tga");
        GLint f = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &f);
        return f;
    };
    const GLint before = minFilter();
    gl->m_TextureFilter = GL_NEAREST;
    gl->grabFramebuffer();
    EXPECT_EQ(minFilter(), before);
}

// Pictures of twenty corpus shaders, each map of their stages given a real
// picture, in a Perspective view: textured and wireframe.
TEST_F(ViewportPixels, ScreenshotsOfCorpusShaders)
{
    const fs::path corpus = CorpusDir();
    ImportCorpus({"nkoa-newsfx.shader", "ctf.shader", "ctf_unified.shader"});
    const char* tga[] = {"oa-multi.tga", "oa-holdable_medkit.tga",
                         "oa-ta_techspawn_blue-editor.tga", "oa-am_galmevish.tga"};
    const char* jpg[] = {"oa-beam_dusty2.jpg", "oa-fog-darkgreen.jpg", "oa-ice.jpg",
                         "oa-jumpcircneutral.jpg"};
    const auto maps = [](MMaterial* m)
    {
        std::vector<std::string> out;
        for (int i = 1; i < m->GetLayerCount(); ++i)
            for (MBaseObject* n : m->GetLayer(i)->GetShaderList())
                if (auto* f = dynamic_cast<MFileShaderNode*>(n))
                {
                    const std::string map = f->GetParamByName("Fname").str();
                    const std::string ext = map.size() > 4 ? map.substr(map.size() - 4) : "";
                    if ((ext == ".tga" || ext == ".jpg") && map[0] != '$')
                        out.push_back(map);
                }
        return out;
    };
    std::vector<MBaseObject*> drop;
    int kept = 0;
    Scene()->InitPosition(TRAVERSE_TOP_LEVEL);
    while (MBaseObject* o = Scene()->GetNext())
        if (auto* m = dynamic_cast<MMaterial*>(o))
        {
            const std::vector<std::string> all = maps(m);
            if (kept >= 20 || all.empty())
            {
                drop.push_back(m);
                continue;
            }
            for (size_t i = 0; i < all.size(); ++i)
            {
                const bool isTga = all[i].substr(all[i].size() - 4) == ".tga";
                const char* from = isTga ? tga[(kept + i) % 4] : jpg[(kept + i) % 4];
                dir.Write(all[i], ReadWholeFile(corpus / "images" / from));
            }
            ++kept;
        }
    for (MBaseObject* o : drop)
        Scene()->DeleteObject(o);
    ASSERT_EQ(kept, 20);
    main->resize(1100, 800);
    COpenGLWnd* gl = Perspective();
    gl->resize(1000, 700);
    gl->m_Target = MVector3(750, -600, 0);
    gl->m_Distance = 1900;
    gl->m_Angles = MVector3(-55, 0, -15);
    QCoreApplication::processEvents();
    const QImage textured = gl->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    Save(textured, "viewport-textured.png");
    gl->m_ShadingMode = 0;
    const QImage wire = gl->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    Save(wire, "viewport-wireframe.png");
    // Textured: many pixels far from the grey; wireframe: few.
    auto coloured = [](const QImage& img)
    {
        int n = 0;
        for (int y = 0; y < img.height(); y += 3)
            for (int x = 0; x < img.width(); x += 3)
                n += !IsGrey(img.pixel(x, y), 102, 40);
        return n;
    };
    EXPECT_GT(coloured(textured), 3000);
    EXPECT_LT(coloured(wire), coloured(textured) / 2);
}
