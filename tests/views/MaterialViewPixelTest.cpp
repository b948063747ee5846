#include "ViewTestSupport.h"

namespace
{
class CountingNode : public MBaseShaderNode
{
  public:
    M_DECLARE_SHADER_NODE(CountingNode, "CountingNode")
    int SetOpenGLParams() override { return ++calls, 0; }
    static inline int calls = 0;
};
class MaterialPixels : public MaterialViewTest
{
  protected:
    void SetUp() override
    {
        MaterialViewTest::SetUp();
        LoadPluginsAndImages();
        view->SetZoom(1.0f);
        view->SetPan(MVector3(1.4f, 0.8f, 0.0f));
    }
    QImage Grab() { return view->grabFramebuffer(); }
    template <class Test> int CountInCell(const QImage& image, float cx, float cy, Test test)
    {
        const QPoint a = Pixel(cx + 0.02f, cy + 0.02f), b = Pixel(cx + 0.38f, cy + 0.38f);
        int n = 0;
        for (int y = a.y(); y <= b.y(); ++y)
            for (int x = a.x(); x <= b.x(); ++x)
                n += test(image.pixel(x, y)) ? 1 : 0;
        return n;
    }
    bool ColourNear(const QImage& image, float x, float y, int r, int g, int b) const
    {
        const QPoint c = Pixel(x, y);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (const QPoint p = c + QPoint(dx, dy); image.rect().contains(p))
                {
                    const QRgb v = image.pixel(p);
                    if (std::abs(qRed(v) - r) <= 8 && std::abs(qGreen(v) - g) <= 8 &&
                        std::abs(qBlue(v) - b) <= 8)
                        return true;
                }
        return false;
    }
};
} // namespace
TEST_F(MaterialPixels, CellsShowTheirSwatchesBlendedLayersAndExpandMarkers)
{
    struct Probe
    {
        float x, y;
        int r, g, b, tol;
    };
    const float r = view->GetRowHeight();
    const std::pair<std::function<void()>, std::vector<Probe>> scenes[] = {
        {[&]
         {
             dir.Write("textures/red.tga", SolidTarga(200, 40, 40));
             AddNode<MFileShaderNode>(AddLayer(AddMaterial("Red", true), "L"), "F",
                                      "textures/red.tga");
         },
         {{0.4f, 0.2f, 200, 40, 40, 8}, // material, layer, node, nothing
          {0.9f, 0.2f, 200, 40, 40, 8},
          {1.4f, 0.2f, 200, 40, 40, 8},
          {1.9f, 0.2f, 102, 102, 102, 4}}},
        {[&]
         {
             ASSERT_TRUE(WriteArchive(dir.Path() / "pak0.pk3",
                                      {{"textures/arch/wall.tga", SolidTarga(200, 40, 40)}}));
             ASSERT_TRUE(WriteArchive(dir.Path() / "pak1.pk3",
                                      {{"Textures/Arch/Wall.TGA", SolidTarga(30, 60, 190)}}));
             AddNode<MFileShaderNode>(AddLayer(AddMaterial("Packed", true), "L"), "F",
                                      "textures/arch/wall.tga");
         },
         {{1.4f, 0.2f, 30, 60, 190, 8}, {0.4f, 0.2f, 30, 60, 190, 8}}},
        {[&]
         {
             dir.Write("base.tga", SolidTarga(160, 40, 20));
             dir.Write("glow.tga", SolidTarga(40, 100, 30));
             MMaterial* m = AddMaterial("Glow", true);
             AddNode<MFileShaderNode>(AddLayer(m, "Base"), "F1", "base.tga");
             MMaterialLayer* glow = AddLayer(m, "Glow");
             AddNode<MBlendFuncShaderNode>(glow, "Add")->SetParamByName("bmP", "add");
             AddNode<MFileShaderNode>(glow, "F2", "glow.tga");
         },
         {{0.9f, 0.2f, 160, 40, 20, 8}, // the base, both layers, the additive alone
          {0.4f, 0.2f, 200, 140, 50, 10},
          {0.9f, r + 0.2f, 142, 202, 132, 10}}},
        {[&]
         {
             MMaterial* open = AddMaterial("Open", true);
             AddNode(AddLayer(open, "Closed", false), "N");
             AddLayer(open, "Empty");
             AddLayer(AddMaterial("Shut"), "L");
         },
         {{1.11f, 0.38f, 25, 178, 25, 8}, // markers: collapsed layer and material
          {0.61f, 2 * r + 0.38f, 25, 178, 25, 8},
          {0.61f, 0.38f, 102, 102, 102, 4}, // expanded, and without children
          {1.11f, r + 0.38f, 102, 102, 102, 4}}}};
    for (const auto& [build, probes] : scenes)
    {
        SCOPED_TRACE(&build - &scenes[0].first);
        Scene()->ClearScene();
        build();
        const QImage image = Grab();
        for (const Probe& p : probes)
        {
            SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
            const QRgb c = image.pixel(Pixel(p.x, p.y));
            EXPECT_NEAR(qRed(c), p.r, p.tol);
            EXPECT_NEAR(qGreen(c), p.g, p.tol);
            EXPECT_NEAR(qBlue(c), p.b, p.tol);
        }
    }
    EXPECT_FALSE(sys.log.Contains("Texture 'textures/arch/wall.tga' not found."));
}
TEST_F(MaterialPixels, OutlinesMissingPatternsAndLabels)
{
    dir.Write("red.tga", SolidTarga(200, 40, 40));
    MMaterialLayer* l = AddLayer(AddMaterial("Red", true), "Stage");
    AddNode<MFileShaderNode>(l, "File", "red.tga");
    AddNode<MFileShaderNode>(AddLayer(AddMaterial("Missing", true), "L"), "F", "nowhere.tga");
    AddNode(AddLayer(AddMaterial("Surface", true), "L"), "Words");
    const float r = view->GetRowHeight();
    QImage image = Grab();
    EXPECT_TRUE(ColourNear(image, 1.2f, 0.2f, 25, 178, 25));
    EXPECT_FALSE(ColourNear(image, 0.7f, 0.2f, 204, 204, 25));
    const auto count = [&](float x, float y, auto test) { return CountInCell(image, x, y, test); };
    const int magenta =
        count(1.2f, r, [](QRgb p) { return qRed(p) > 240 && qGreen(p) < 16 && qBlue(p) > 240; });
    const int black =
        count(1.2f, r, [](QRgb p) { return qRed(p) < 16 && qGreen(p) < 16 && qBlue(p) < 16; });
    const int all = count(1.2f, r, [](QRgb) { return true; });
    EXPECT_GT(magenta, all / 4);
    EXPECT_GT(black, all / 4);
    EXPECT_TRUE(sys.log.Contains("Texture 'nowhere.tga' not found."));
    for (float x : {1.2f, 0.7f, 0.2f})
        EXPECT_EQ(count(x, 2 * r, [](QRgb p) { return !IsGrey(p); }), 0) << x;
    EXPECT_TRUE(ColourNear(image, 1.2f, 2 * r + 0.2f, 25, 178, 25));
    EXPECT_TRUE(ColourNear(image, 1.4f, 2 * r, 25, 178, 25));
    const QPoint a = Pixel(1.2f, 2 * r + 0.4f), b = Pixel(1.6f, 3 * r);
    int white = 0;
    for (int y = a.y() + 1; y < b.y(); ++y)
        for (int x = a.x(); x < b.x(); ++x)
            white += image.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(white, 10);
    EXPECT_EQ(count(1.2f, 2 * r, [](QRgb p) { return p == qRgb(255, 255, 255); }), 0);
    Scene()->SelectObject(l, false);
    image = Grab();
    EXPECT_TRUE(ColourNear(image, 0.7f, 0.2f, 204, 204, 25));
    EXPECT_FALSE(ColourNear(image, 1.2f, 0.2f, 204, 204, 25));
}
TEST_F(MaterialPixels, CellsOutOfViewAreNeverAskedToSetUpState)
{
    for (int i = 0; i < 200; ++i)
        AddNode<CountingNode>(AddLayer(AddMaterial(("M" + std::to_string(i)).c_str(), true), "L"),
                              "C");
    CountingNode::calls = 0;
    Grab();
    EXPECT_GT(CountingNode::calls, 0);
    EXPECT_LT(CountingNode::calls, 3 * 20);
    EXPECT_LT(view->GetExtentsMax().x, 10.0f);
    view->LayoutWalk();
    EXPECT_NEAR(view->GetExtentsMax().x, 0.2f + 24 * 1.6f + 1.4f, 1e-3);
    view->SetPan(MVector3(0.2f + 24 * 1.6f + 0.7f, 0.8f, 0.0f));
    CountingNode::calls = 0;
    Grab();
    EXPECT_GT(CountingNode::calls, 0);
    EXPECT_LT(CountingNode::calls, 3 * 20);
    view->SetPan(MVector3(-50, -50, 0));
    CountingNode::calls = 0;
    Grab();
    EXPECT_EQ(CountingNode::calls, 0);
}
TEST_F(MaterialPixels, ScreenshotOfCorpusShaders)
{
    namespace fs = std::filesystem;
    const fs::path images = CorpusDir() / "images";
    const std::pair<const char*, const char*> textures[] = {
        {"oa-beam_dusty2.jpg", "textures/nkoa-newsfx/beam_dusty2.jpg"},
        {"oa-fog-darkgreen.jpg", "textures/development/fog/fog-darkgreen.jpg"},
        {"oa-ice.jpg", "textures/common/terraindummies/ice.jpg"},
        {"oa-jumpcircneutral.jpg", "textures/effects/jumpcircneutral.jpg"},
        {"oa-holdable_medkit.tga", "textures/nkoa-newsfx/itemeditor/holdable_medkit.tga"},
        {"oa-multi.tga", "textures/nkoa-newsfx/itemeditor/multi.tga"},
        {"oa-ta_techspawn_blue-editor.tga", "textures/ctf_unified/ta_techspawn_blue-editor.tga"}};
    for (const auto& [from, to] : textures)
        if (fs::exists(images / from))
            dir.Write(to, ReadWholeFile(images / from));
    ImportCorpus({"nkoa-newsfx.shader", "ctf.shader", "ctf_unified.shader"});
    const std::string shown = " nkoa-newsfx/beam nkoa-newsfx/beam_blue nkoa-newsfx/armor-multi "
                              "nkoa-newsfx/health-multi nkoa-newsfx/powerup-multi "
                              "nkoa-newsfx/health-mega ctf/blue_telep ctf/red_telep "
                              "ctf_unified/ta_techspawn_blue ctf_unified/ta_techspawn_red ";
    const std::string open =
        " nkoa-newsfx/beam_dusty2 nkoa-newsfx/weapon-multi ctf/neutral_telep2 ";
    int visible = 0, expanded = 0;
    for (MBaseObjectTreeNode* n = Scene()->GetRoot()->GetFirstChild(); n; n = n->GetNextSibling())
        if (auto* m = dynamic_cast<MMaterial*>(n->GetObject()))
        {
            const std::string full = m->GetName().str();
            const std::string name = " " + full.substr(std::min<size_t>(9, full.size())) + " ";
            if ((shown + open).find(name) == std::string::npos)
                m->ClearFlags(OBJ_VISIBLE);
            else if (++visible && open.find(name) != std::string::npos)
            {
                ++expanded;
                m->AddFlags(OBJ_EXPANDED);
                for (MBaseObject* l : m->GetLayerList())
                    l->AddFlags(OBJ_EXPANDED);
            }
        }
    EXPECT_EQ(visible, 13);
    EXPECT_EQ(expanded, 3);
    Scene()->SelectObject(Scene()->GetRoot()->GetFirstChild()->GetObject(), false);
    main->resize(1100, 800);
    view->resize(1000, 700);
    QCoreApplication::processEvents();
    view->SetZoom(0.45f);
    view->SetPan(MVector3());
    const MVector3 corner = view->ScreenToWorld(0, 0);
    view->SetPan(MVector3(0.1f - corner.x, -0.2f - corner.y, 0.0f));
    SetActiveView(view);
    const QImage image = Grab();
    ASSERT_EQ(image.size(), QSize(1000, 700));
    Save(image, "material-view.png");
    int coloured = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            coloured += IsGrey(image.pixel(x, y)) ? 0 : 1;
    EXPECT_GT(coloured, 2000);
}
