#include "ViewTestSupport.h"

namespace
{
using MaterialLayout = MaterialViewTest;
int DrawnWidth(const std::string& s)
{
    QFont font = MDefaultGuiFont();
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics fm(font);
    int w = 0;
    for (unsigned char c : s)
        w += fm.horizontalAdvance(QChar(char16_t(c)));
    return w;
}
struct Hit
{
    float x, y; // y in rows, plus a fraction of a world unit
    MBaseObject* expected;
};
} // namespace
TEST_F(MaterialLayout, ScreenAndWorldPositionsAreInverse)
{
    EXPECT_EQ(view->ScreenToWorld(400, 300), MVector3());
    EXPECT_LT((view->ScreenToWorld(0, 0) - MVector3(-4.0f / 3.0f, -1, 0)).Length(), 1e-5);
    EXPECT_NEAR(view->ScreenToWorld(400, 600).y, 1.0f, 1e-5);
    view->SetZoom(2.0f);
    view->SetPan(MVector3(3, -1, 0.5f));
    const MVector3 p = view->ScreenToWorld(100, 500);
    EXPECT_LT((p - MVector3(3.0f - 300 / 600.0f, -1.0f + 200 / 600.0f, 0.5f)).Length(), 1e-5);
    const QPointF back = view->WorldToScreen(p);
    EXPECT_LT(QLineF(back, QPointF(100, 500)).length(), 1e-3);
    EXPECT_NEAR(view->GetRowHeight(), 0.4f + (view->GetTextExtent().height() + 10) / 600.0f, 1e-5);
}
TEST_F(MaterialLayout, CollapsedMaterialsFillColumnsOfEightAndHiddenOnesTakeNoRow)
{
    std::vector<MMaterial*> m;
    for (int i = 0; i < 10; ++i)
    {
        m.push_back(AddMaterial(("m" + std::to_string(i)).c_str()));
        AddNode(AddLayer(m.back(), "L"), "N"); // collapsed: never placed
    }
    m[9]->ClearFlags(OBJ_VISIBLE);
    const float r = view->GetRowHeight();
    for (int i = 0; i < 8; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(view->HitTest(MVector3(0.25f, i * r + 0.05f, 0)), m[size_t(i)]);
        EXPECT_EQ(view->HitTest(MVector3(0.55f, i * r + 0.35f, 0)), m[size_t(i)]);
        EXPECT_EQ(view->HitTest(MVector3(0.75f, i * r + 0.2f, 0)), nullptr);
    }
    const Hit hits[] = {{0.85f, 0.05f, m[8]},  {0.75f, 0.2f, nullptr}, {0.85f, r + 0.05f, nullptr},
                        {0.2f, 0.2f, nullptr}, {0.3f, 0.0f, nullptr},  {0.6f, 0.2f, nullptr},
                        {0.3f, 0.4f, nullptr}};
    for (const Hit& h : hits)
        EXPECT_EQ(view->HitTest(MVector3(h.x, h.y, 0)), h.expected) << h.x << ", " << h.y;
    EXPECT_EQ(view->GetExtentsMin(), MVector3());
    EXPECT_LT((view->GetExtentsMax() - MVector3(1.2f, 7 * r + 0.4f, 0)).Length(), 1e-5);
    view->FrameAll();
    EXPECT_NEAR(view->GetZoom(), std::min(2.0f / (7 * r + 0.6f), 4.0f / 1.4f), 1e-5);
    EXPECT_LT((view->GetPan() - MVector3(0.6f, (7 * r + 0.4f) / 2, 0)).Length(), 1e-5);
    view->SetZoom(1.0f);
    m[9]->AddFlags(OBJ_VISIBLE);
    m[2]->ClearFlags(OBJ_VISIBLE);
    const Hit hidden[] = {{0.3f, r + 0.2f, m[1]},
                          {0.3f, 2 * r + 0.2f, m[3]},
                          {0.3f, 7 * r + 0.2f, m[8]},
                          {0.9f, 0.2f, m[9]},
                          {0.9f, r + 0.2f, nullptr}};
    for (const Hit& h : hidden)
        EXPECT_EQ(view->HitTest(MVector3(h.x, h.y, 0)), h.expected) << h.x << ", " << h.y;
    auto* group = Named<MBaseObject>("group");
    auto* nested = Named<MMaterial>("nested", false);
    Scene()->AddObject(nested, Scene()->AddObject(group));
    EXPECT_EQ(view->HitTest(MVector3(0.9f, r + 0.2f, 0)), nested);
}
TEST_F(MaterialLayout, ExpandedMaterialsTakeARowPerLayerAndOfferDropPlacesAroundThem)
{
    MMaterial* a = AddMaterial("A", true);
    MMaterialLayer* l1 = AddLayer(a, "L1");
    MQ3MapSurfaceShaderNode* n1 = AddNode(l1, "N1");
    MQ3MapSurfaceShaderNode* n2 = AddNode(l1, "N2");
    MMaterialLayer* l2 = AddLayer(a, "L2", false);
    AddNode(l2, "hidden");
    MMaterialLayer* l3 = AddLayer(a, "L3");
    MMaterial* b = AddMaterial("B");
    MMaterial* c = AddMaterial("C", true); // expanded without layers: one row
    MMaterial* d = AddMaterial("D");
    const float r = view->GetRowHeight();
    const Hit hits[] = {
        {0.4f, 0.2f, a},           {0.9f, 0.2f, l1},         {1.4f, 0.2f, n1},
        {1.9f, 0.2f, n2},          {2.4f, 0.2f, nullptr},    {0.9f, r + 0.2f, l2},
        {1.4f, r + 0.2f, nullptr}, {0.9f, 2 * r + 0.2f, l3}, {0.4f, r + 0.2f, nullptr},
        {0.4f, 3 * r + 0.2f, b},   {0.4f, 4 * r + 0.2f, c},  {0.4f, 5 * r + 0.2f, d}};
    for (const Hit& h : hits)
        EXPECT_EQ(view->HitTest(MVector3(h.x, h.y, 0)), h.expected) << h.x << ", " << h.y;
    EXPECT_NEAR(view->GetExtentsMax().x, 2.1f, 1e-6);
    const std::tuple<float, float, MBaseObject*, MBaseObject*, MBaseObject*> cases[] = {
        {1.4f, 0.2f, n1, l1, a},
        {0.9f, r + 0.2f, nullptr, l2, a},
        {2.15f, 0.3f, nullptr, l1, a},
        {2.3f, 0.01f, nullptr, l1, a},
        {2.39f, 0.39f, nullptr, l1, a},
        {1.25f, r + 0.2f, nullptr, l2, a},
        {0.4f, r + 0.2f, nullptr, nullptr, a},
        {0.4f, 3 * r + 0.1f, nullptr, nullptr, a},
        {0.4f, 3 * r + 0.3f, nullptr, nullptr, b}};
    for (const auto& [x, y, node, layer, material] : cases)
    {
        SCOPED_TRACE(testing::Message() << x << ", " << y);
        MDragShaderInfo record;
        ASSERT_EQ(view->FindDropTarget(MVector3(x, y, 0), record), &record);
        EXPECT_EQ(record.GetShaderNode(), node);
        EXPECT_EQ(record.GetLayer(), layer);
        EXPECT_EQ(record.GetMaterial(), material);
    }
    MDragShaderInfo record;
    record.Set(n1, nullptr, nullptr);
    const float n2Edge = ((0.2f + 0.5f) + 0.5f) + 0.5f; // as the walk places it
    for (MVector3 p : {MVector3(2.5f, 0.2f, 0), MVector3(-1.0f, 0.2f, 0), MVector3(0.4f, 7 * r, 0),
                       MVector3(2.4f, 0.3f, 0), MVector3(0.2f, r + 0.2f, 0),
                       MVector3(n2Edge, 0.2f, 0), MVector3(2.3f, 0.0f, 0), MVector3(2.3f, 0.4f, 0)})
        EXPECT_EQ(view->FindDropTarget(p, record), nullptr) << p.x << ", " << p.y;
    EXPECT_EQ(record.GetShaderNode(), n1);
    EXPECT_EQ(record.GetMaterial(), a);
    a->ClearFlags(OBJ_EXPANDED);
    EXPECT_EQ(view->HitTest(MVector3(0.9f, 0.2f, 0)), nullptr);
    EXPECT_EQ(view->HitTest(MVector3(0.4f, r + 0.2f, 0)), b);
}
TEST_F(MaterialLayout, ZoomAndFrameActionsKeepTheZoomWithinItsBounds)
{
    auto* outline = AddView<CSceneViewWnd>(QRect(0, 0, 200, 200), "Scene Outline");
    SetActiveView(outline);
    EXPECT_EQ(KViewportZoomIn(), 0);
    EXPECT_EQ(KViewportFrameSelected(), 0);
    EXPECT_FLOAT_EQ(view->GetZoom(), 1.0f);
    view->SetPan(MVector3(5, 5, 5));
    EXPECT_EQ(KViewportFrameAll(), 1);
    EXPECT_FLOAT_EQ(view->GetZoom(), 10.0f);
    EXPECT_EQ(view->GetPan(), MVector3());
    EXPECT_EQ(g_ActiveView, outline);
    SetActiveView(view);
    view->SetZoom(1.0f);
    for (int (*action)() : {KViewportZoomIn, KViewportZoomIn, KViewportZoomOut, KViewportZoomIn})
        EXPECT_EQ(action(), 1);
    EXPECT_NEAR(view->GetZoom(), 1.4f * 1.4f, 1e-5f);
    for (float f : {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN(),
                    std::numeric_limits<float>::infinity()})
        view->ZoomBy(f);
    EXPECT_NEAR(view->GetZoom(), 1.96f, 1e-5);
    for (int i = 0; i < 100; ++i)
        view->ZoomBy(10.0f);
    EXPECT_FLOAT_EQ(view->GetZoom(), CMaterialViewWnd::kMaxZoom);
    for (int i = 0; i < 100; ++i)
        view->ZoomBy(0.01f);
    EXPECT_FLOAT_EQ(view->GetZoom(), CMaterialViewWnd::kMinZoom);
    view->SetZoom(0.0f);
    EXPECT_FLOAT_EQ(view->GetZoom(), CMaterialViewWnd::kMinZoom);
    EXPECT_TRUE(std::isfinite(view->GetRowHeight()));
    for (const char* name : {"a", "b", "c"})
        AddMaterial(name);
    EXPECT_EQ(KViewportFrameSelected(), 1);
    EXPECT_FLOAT_EQ(view->GetPan().x, 0.3f);
    EXPECT_LT(view->GetZoom(), 10.0f);
    g_CurrentScene = nullptr;
    EXPECT_EQ(view->HitTest(MVector3(0.4f, 0.2f, 0)), nullptr);
    MDragShaderInfo record;
    EXPECT_EQ(view->FindDropTarget(MVector3(0.4f, 0.2f, 0), record), nullptr);
    const QImage image = view->grabFramebuffer();
    EXPECT_EQ(image.pixel(400, 300) & 0xFFFFFF, qRgb(102, 102, 102) & 0xFFFFFF);
    view->FrameAll();
    EXPECT_FLOAT_EQ(view->GetZoom(), 10.0f);
}
TEST_F(MaterialLayout, LabelsAreShortenedWithDotsOrLeftEmpty)
{
    const int h = view->GetTextExtent().height();
    EXPECT_EQ(view->FitLabel("Box", 1000, h + 5), "Box");
    EXPECT_EQ(view->FitLabel("Box", 1000, h), "Box");
    EXPECT_EQ(view->FitLabel("Box", 1000, h - 1), ""); // taller than the limit
    const std::string name = "textures/base_wall/metalfloor_wall_10";
    const int limit = DrawnWidth(name) / 2;
    const std::string f = view->FitLabel(name, limit, h + 5).str();
    ASSERT_GT(f.size(), 3u);
    EXPECT_EQ(f.substr(f.size() - 3), "...");
    const std::string kept = f.substr(0, f.size() - 3);
    EXPECT_EQ(name.substr(0, kept.size()), kept);
    EXPECT_LE(DrawnWidth(f), limit);
    EXPECT_GT(DrawnWidth(name.substr(0, kept.size() + 1) + "..."), limit);
    EXPECT_EQ(view->FitLabel(name, DrawnWidth(name), h + 5), name);
    EXPECT_EQ(view->FitLabel("W", DrawnWidth("W"), h + 5), "W");
    EXPECT_EQ(view->FitLabel("Wide", DrawnWidth("W.."), h + 5), "");
    EXPECT_EQ(view->FitLabel("", 0, h + 5), "");
    MMaterial* m = AddMaterial("Mat");
    MFileShaderNode* node =
        AddNode<MFileShaderNode>(AddLayer(m, "L"), "FileShader1", "textures/a/rock.tga");
    EXPECT_EQ(CMaterialViewWnd::LabelText(m), "Mat");
    MStr summary;
    node->AppendDisplayText(summary);
    EXPECT_EQ(CMaterialViewWnd::LabelText(node), "FileShader1 " + summary.str());
}
TEST(DragShaderInfo, SetFillsTheOwnersAndHoldsReferences)
{
    MRef<MMaterial> material(new MMaterial());
    auto* layer = new MMaterialLayer();
    material->AddLayer(layer);
    auto* node = new MQ3MapSurfaceShaderNode();
    layer->AddShader(node);
    EXPECT_EQ(layer->GetRefCount(), 1);
    {
        MDragShaderInfo info;
        info.Set(node, nullptr, nullptr);
        EXPECT_EQ(info.GetShaderNode(), node);
        EXPECT_EQ(info.GetLayer(), layer);
        EXPECT_EQ(info.GetMaterial(), material.Get());
        EXPECT_EQ(node->GetRefCount(), 2);
        EXPECT_EQ(layer->GetRefCount(), 2);
        EXPECT_EQ(material->GetRefCount(), 2);
        material->RemoveLayer(layer);
        EXPECT_EQ(layer->GetRefCount(), 1);
        info.Set(node, layer, material.Get());
        EXPECT_EQ(layer->GetRefCount(), 1);
        EXPECT_EQ(layer->GetShaderCount(), 1);
        material->AddLayer(layer);
        info.SetObject(material.Get());
        EXPECT_EQ(info.GetLayer(), nullptr);
        EXPECT_EQ(info.GetShaderNode(), nullptr);
        EXPECT_EQ(node->GetRefCount(), 1);
        info.SetObject(nullptr);
        EXPECT_TRUE(info.IsEmpty());
        info.SetObject(layer);
        EXPECT_EQ(info.GetMaterial(), material.Get());
    }
    EXPECT_EQ(material->GetRefCount(), 1);
    EXPECT_EQ(layer->GetRefCount(), 1);
}
