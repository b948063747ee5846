// What the material view draws, read back from its framebuffer: swatches,
// outlines, expand markers and labels, and the picture of a real scene.
#include "ViewTestSupport.h"

#include <algorithm>
#include <filesystem>

namespace
{
// A shader node that counts how often it is asked to set up its swatch.
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
        ASSERT_GT(sys.LoadPlugins(), 0);
        sys.Manager().GetImageSearchPaths().AddString(dir.Path().string().c_str());
        // Cells of 120 pixels, the first column's first rows in view.
        view->SetZoom(1.0f);
        view->SetPan(MVector3(1.4f, 0.8f, 0.0f));
    }
    QImage Grab() { return view->grabFramebuffer(); }
    // The colour at a world position.
    QRgb At(const QImage& image, float x, float y) const
    {
        const QPoint p = Pixel(x, y);
        return image.pixel(p);
    }
    // Pixels of a cell's inner part matching a test.
    template <class Test> int CountInCell(const QImage& image, float cx, float cy, Test test)
    {
        const QPoint a = Pixel(cx + 0.02f, cy + 0.02f);
        const QPoint b = Pixel(cx + 0.38f, cy + 0.38f);
        int n = 0;
        for (int y = a.y(); y <= b.y(); ++y)
            for (int x = a.x(); x <= b.x(); ++x)
                n += test(image.pixel(x, y)) ? 1 : 0;
        return n;
    }
    // True when a pixel within two of the position has the colour: lines on
    // pixel boundaries may land on either side.
    bool ColourNear(const QImage& image, float x, float y, int r, int g, int b, int tol = 8) const
    {
        const QPoint c = Pixel(x, y);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
            {
                const QPoint p = c + QPoint(dx, dy);
                if (!image.rect().contains(p))
                    continue;
                const QRgb v = image.pixel(p);
                if (std::abs(qRed(v) - r) <= tol && std::abs(qGreen(v) - g) <= tol &&
                    std::abs(qBlue(v) - b) <= tol)
                    return true;
            }
        return false;
    }
    TempDir dir;
};

} // namespace

TEST_F(MaterialPixels, AFileNodesTextureFillsItsCellItsLayersAndItsMaterials)
{
    dir.Write("textures/red.tga", SolidTarga(200, 40, 40));
    MMaterial* m = AddMaterial("Red", true);
    MMaterialLayer* l = AddLayer(m, "Stage");
    AddFileNode(l, "File", "textures/red.tga");
    const QImage image = Grab();
    EXPECT_RGB_NEAR(At(image, 0.4f, 0.2f), 200, 40, 40, 8);   // material
    EXPECT_RGB_NEAR(At(image, 0.9f, 0.2f), 200, 40, 40, 8);   // layer
    EXPECT_RGB_NEAR(At(image, 1.4f, 0.2f), 200, 40, 40, 8);   // node
    EXPECT_RGB_NEAR(At(image, 1.9f, 0.2f), 102, 102, 102, 4); // nothing there
    // The outline: unselected cells in green.
    EXPECT_TRUE(ColourNear(image, 1.2f, 0.2f, 25, 178, 25));
    EXPECT_FALSE(ColourNear(image, 0.7f, 0.2f, 204, 204, 25));
    // Selected: a thicker yellow outline.
    Scene()->SelectObject(l, false);
    const QImage selected = Grab();
    EXPECT_TRUE(ColourNear(selected, 0.7f, 0.2f, 204, 204, 25));
    EXPECT_FALSE(ColourNear(selected, 1.2f, 0.2f, 204, 204, 25));
}

TEST_F(MaterialPixels, ATextureFoundOnlyInAnArchiveFillsItsCell)
{
    // pak1 overrides pak0, as in the game; nothing lies loose.
    ASSERT_TRUE(WriteArchive(dir.Path() / "pak0.pk3",
                             {{"textures/arch/wall.tga", SolidTarga(200, 40, 40)}}));
    ASSERT_TRUE(WriteArchive(dir.Path() / "pak1.pk3",
                             {{"Textures/Arch/Wall.TGA", SolidTarga(30, 60, 190)}}));
    MMaterial* m = AddMaterial("Packed", true);
    AddFileNode(AddLayer(m, "Stage"), "File", "textures/arch/wall.tga");
    const QImage image = Grab();
    EXPECT_RGB_NEAR(At(image, 1.4f, 0.2f), 30, 60, 190, 8); // node
    EXPECT_RGB_NEAR(At(image, 0.4f, 0.2f), 30, 60, 190, 8); // material
    EXPECT_FALSE(sys.log.Contains("Texture 'textures/arch/wall.tga' not found."));
}

TEST_F(MaterialPixels, AnAdditiveStageBrightensTheMaterialCell)
{
    dir.Write("red.tga", SolidTarga(160, 40, 20));
    dir.Write("green.tga", SolidTarga(40, 100, 30));
    MMaterial* m = AddMaterial("Glow", true);
    AddFileNode(AddLayer(m, "Base"), "F1", "red.tga");
    MMaterialLayer* glow = AddLayer(m, "Glow");
    AddNode<MBlendFuncShaderNode>(glow, "Add")->SetParamByName("bmP", "add");
    AddFileNode(glow, "F2", "green.tga");
    const float r = view->GetRowHeight();
    const QImage image = Grab();
    // The base layer alone, then both layers over each other on the material.
    EXPECT_RGB_NEAR(At(image, 0.9f, 0.2f), 160, 40, 20, 8);
    EXPECT_RGB_NEAR(At(image, 0.4f, 0.2f), 200, 140, 50, 10);
    // The additive layer's own cell adds to the background.
    EXPECT_RGB_NEAR(At(image, 0.9f, r + 0.2f), 142, 202, 132, 10);
}

TEST_F(MaterialPixels, AMissingTextureDrawsTheMissingPattern)
{
    MMaterial* m = AddMaterial("Missing", true);
    AddFileNode(AddLayer(m, "L"), "F", "textures/nowhere.tga");
    const QImage image = Grab();
    const int magenta =
        CountInCell(image, 1.2f, 0.0f,
                    [](QRgb p) { return qRed(p) > 240 && qGreen(p) < 16 && qBlue(p) > 240; });
    const int black = CountInCell(
        image, 1.2f, 0.0f, [](QRgb p) { return qRed(p) < 16 && qGreen(p) < 16 && qBlue(p) < 16; });
    const int all = CountInCell(image, 1.2f, 0.0f, [](QRgb) { return true; });
    EXPECT_GT(magenta, all / 4);
    EXPECT_GT(black, all / 4);
    EXPECT_TRUE(sys.log.Contains("Texture 'textures/nowhere.tga' not found."));
}

TEST_F(MaterialPixels, ANodeWithoutASwatchShowsOnlyItsOutlineAndLabel)
{
    MMaterial* m = AddMaterial("Surface", true);
    MMaterialLayer* l = AddLayer(m, "L");
    AddNode(l, "Words");
    const QImage image = Grab();
    // Node, layer and material: no node sets up a swatch.
    EXPECT_EQ(CountInCell(image, 1.2f, 0.0f, [](QRgb p) { return !IsGrey(p); }), 0);
    EXPECT_EQ(CountInCell(image, 0.7f, 0.0f, [](QRgb p) { return !IsGrey(p); }), 0);
    EXPECT_EQ(CountInCell(image, 0.2f, 0.0f, [](QRgb p) { return !IsGrey(p); }), 0);
    EXPECT_TRUE(ColourNear(image, 1.2f, 0.2f, 25, 178, 25));
    EXPECT_TRUE(ColourNear(image, 1.4f, 0.0f, 25, 178, 25));
    // The label stands under the cell, in white.
    const QPoint a = Pixel(1.2f, 0.4f);
    const QPoint b = Pixel(1.6f, 0.4f + view->GetRowHeight() - 0.4f);
    int white = 0;
    for (int y = a.y() + 1; y < b.y(); ++y)
        for (int x = a.x(); x < b.x(); ++x)
            white += image.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(white, 10);
    // Nothing of the label inside the cell.
    EXPECT_EQ(CountInCell(image, 1.2f, 0.0f, [](QRgb p) { return p == qRgb(255, 255, 255); }), 0);
}

TEST_F(MaterialPixels, CollapsedItemsWithChildrenShowTheExpandMarker)
{
    MMaterial* open = AddMaterial("Open", true);
    MMaterialLayer* closed = AddLayer(open, "Closed", false);
    AddNode(closed, "N");
    AddLayer(open, "Empty");
    MMaterial* shut = AddMaterial("Shut");
    AddLayer(shut, "L");
    const float r = view->GetRowHeight();
    const QImage image = Grab();
    const auto marker = [&](float x, float y) { return At(image, x + 0.41f, y + 0.38f); };
    EXPECT_RGB_NEAR(marker(0.7f, 0.0f), 25, 178, 25, 8);   // collapsed layer with a node
    EXPECT_RGB_NEAR(marker(0.2f, 2 * r), 25, 178, 25, 8);  // collapsed material
    EXPECT_RGB_NEAR(marker(0.2f, 0.0f), 102, 102, 102, 4); // expanded material
    EXPECT_RGB_NEAR(marker(0.7f, r), 102, 102, 102, 4);    // layer without nodes
}

TEST_F(MaterialPixels, CellsOutOfViewAreNeverAskedToSetUpState)
{
    std::vector<MMaterial*> materials;
    for (int i = 0; i < 200; ++i)
    {
        MMaterial* m = AddMaterial(("M" + std::to_string(i)).c_str(), true);
        AddNode<CountingNode>(AddLayer(m, "L"), "C");
        materials.push_back(m);
    }
    CountingNode::calls = 0;
    Grab();
    // Each visible material asks its node three times: for its own swatch,
    // the layer's and the node's. Only the first columns are in view.
    EXPECT_GT(CountingNode::calls, 0);
    EXPECT_LT(CountingNode::calls, 3 * 20);
    // Drawing stops at the first column right of the view; a walk of the
    // whole layout places everything: 25 columns 1.6 apart.
    EXPECT_LT(view->GetExtentsMax().x, 10.0f);
    view->LayoutWalk();
    EXPECT_NEAR(view->GetExtentsMax().x, 0.2f + 24 * 1.6f + 1.4f, 1e-3);
    // The last column in view: everything before it is placed, nothing of
    // it or before it that is off screen is asked.
    view->SetPan(MVector3(0.2f + 24 * 1.6f + 0.7f, 0.8f, 0.0f));
    CountingNode::calls = 0;
    Grab();
    EXPECT_GT(CountingNode::calls, 0);
    EXPECT_LT(CountingNode::calls, 3 * 20);
    // Far away from everything: nothing is asked.
    view->SetPan(MVector3(-50, -50, 0));
    CountingNode::calls = 0;
    Grab();
    EXPECT_EQ(CountingNode::calls, 0);
}

// A picture of a real scene for people to look at: shaders of the corpus,
// with the corpus's few textures laid out where the shaders look for them.
TEST_F(MaterialPixels, ScreenshotOfCorpusShaders)
{
    namespace fs = std::filesystem;
    const fs::path corpus = CorpusDir();
    const std::pair<const char*, const char*> textures[] = {
        {"oa-beam_dusty2.jpg", "textures/nkoa-newsfx/beam_dusty2.jpg"},
        {"oa-fog-darkgreen.jpg", "textures/development/fog/fog-darkgreen.jpg"},
        {"oa-ice.jpg", "textures/common/terraindummies/ice.jpg"},
        {"oa-jumpcircneutral.jpg", "textures/effects/jumpcircneutral.jpg"},
        {"oa-holdable_medkit.tga", "textures/nkoa-newsfx/itemeditor/holdable_medkit.tga"},
        {"oa-multi.tga", "textures/nkoa-newsfx/itemeditor/multi.tga"},
        {"oa-ta_techspawn_blue-editor.tga", "textures/ctf_unified/ta_techspawn_blue-editor.tga"},
    };
    for (const auto& [from, to] : textures)
        if (fs::exists(corpus / "images" / from))
            dir.Write(to, ReadWholeFile(corpus / "images" / from));
    ImportCorpus({"nkoa-newsfx.shader", "ctf.shader", "ctf_unified.shader"});
    // Shown: the first beams, the items that use the corpus's pictures and a
    // few others (the Display Hide action hides the rest); the open ones
    // expanded with all their layers.
    const std::string shown = " nkoa-newsfx/beam nkoa-newsfx/beam_blue nkoa-newsfx/armor-multi "
                              "nkoa-newsfx/health-multi nkoa-newsfx/powerup-multi "
                              "nkoa-newsfx/health-mega ctf/blue_telep ctf/red_telep "
                              "ctf_unified/ta_techspawn_blue ctf_unified/ta_techspawn_red ";
    const std::string open =
        " nkoa-newsfx/beam_dusty2 nkoa-newsfx/weapon-multi ctf/neutral_telep2 ";
    int materials = 0, visible = 0, expanded = 0;
    for (MBaseObjectTreeNode* n = Scene()->GetRoot()->GetFirstChild(); n; n = n->GetNextSibling())
    {
        auto* m = dynamic_cast<MMaterial*>(n->GetObject());
        if (!m)
            continue;
        ++materials;
        const std::string full = m->GetName().str(),
                          name = " " + full.substr(std::min<size_t>(9, full.size())) + " ";
        if ((shown + open).find(name) == std::string::npos)
        {
            m->ClearFlags(OBJ_VISIBLE);
            continue;
        }
        ++visible;
        if (open.find(name) != std::string::npos)
        {
            ++expanded;
            m->AddFlags(OBJ_EXPANDED);
            for (MBaseObject* l : m->GetLayerList())
                l->AddFlags(OBJ_EXPANDED);
        }
    }
    ASSERT_GT(materials, 20);
    EXPECT_EQ(visible, 13);
    EXPECT_EQ(expanded, 3);
    // The first material selected.
    Scene()->SelectObject(Scene()->GetRoot()->GetFirstChild()->GetObject(), false);
    main->resize(1100, 800);
    view->resize(1000, 700);
    QCoreApplication::processEvents();
    // The first columns from the top-left corner on.
    view->SetZoom(0.45f);
    view->SetPan(MVector3());
    const MVector3 corner = view->ScreenToWorld(0, 0);
    view->SetPan(MVector3(0.1f - corner.x, -0.2f - corner.y, 0.0f));
    SetActiveView(view);
    const QImage image = Grab();
    ASSERT_EQ(image.size(), QSize(1000, 700));
    Save(image, "material-view.png");
    // Something textured is in the picture: pixels far from the grey, the
    // greens of the outlines and white of the labels.
    int coloured = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            coloured += IsGrey(image.pixel(x, y)) ? 0 : 1;
    EXPECT_GT(coloured, 2000);
}
