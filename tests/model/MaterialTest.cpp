#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <set>

namespace
{
template <class T> T* Named(const char* name)
{
    auto* o = new T();
    o->SetName(name);
    return o;
}
std::string Names(const MBaseObjectList& list)
{
    std::string s;
    for (MBaseObject* o : list)
        s += o->GetName().str() + " ";
    return s;
}
MStr Display(const MBaseShaderNode& n)
{
    MStr text("[");
    n.AppendDisplayText(text);
    return text;
}
// Two shaders: M1 [L1 (F1), L2 (F2)], M2 [L3], and a plain object P on top.
class Structure : public ::testing::Test
{
  public: // the cases' lambdas reach the members
    void SetUp() override
    {
        scene = sys.Scene();
        m1 = Add<MMaterial>("M1", nullptr);
        l1 = Add<MMaterialLayer>("L1", m1);
        f1 = Add<MFileShaderNode>("F1", l1);
        l2 = Add<MMaterialLayer>("L2", m1);
        f2 = Add<MFileShaderNode>("F2", l2);
        m2 = Add<MMaterial>("M2", nullptr);
        l3 = Add<MMaterialLayer>("L3", m2);
        p = Add<Counted>("P", nullptr);
        ASSERT_TRUE(Check());
    }
    // Adds through the tree alone: the lists must follow.
    template <class T> T* Add(const char* name, MBaseObject* parent)
    {
        MRef<T> obj(Named<T>(name));
        scene->AddObject(obj.Get(), parent ? scene->FindObject(parent) : nullptr);
        return obj.Get();
    }
    bool Check()
    {
        MStr problem;
        const bool ok = scene->CheckStructure(&problem);
        EXPECT_TRUE(ok) << problem.c_str();
        return ok;
    }
    TestSystem sys;
    MScene* scene = nullptr;
    MMaterial *m1 = nullptr, *m2 = nullptr;
    MMaterialLayer *l1 = nullptr, *l2 = nullptr, *l3 = nullptr;
    MFileShaderNode *f1 = nullptr, *f2 = nullptr;
    Counted* p = nullptr;
};
} // namespace

TEST(Material, LayersAndNodesKeepOrderBackPointersAndReferencesAndCopyDeeply)
{
    MRef<MMaterial> m(new MMaterial());
    MRef<MMaterialLayer> opt(Named<MMaterialLayer>("opt")), s1(Named<MMaterialLayer>("s1"));
    MRef<MMaterialLayer> s2(Named<MMaterialLayer>("s2")), stray(Named<MMaterialLayer>("x"));
    EXPECT_FALSE(m->AddLayer(nullptr));
    EXPECT_TRUE(m->AddLayer(opt.Get()) && m->AddLayer(s2.Get()));
    EXPECT_FALSE(m->AddLayer(opt.Get()));
    EXPECT_TRUE(m->AddLayerBefore(s1.Get(), s2.Get()));
    EXPECT_TRUE(m->AddLayerBefore(Named<MMaterialLayer>("s3"), stray.Get())); // appended
    EXPECT_EQ(Names(m->GetLayerList()), "opt s1 s2 s3 ");
    EXPECT_FALSE(m->RemoveLayer(stray.Get()));
    EXPECT_TRUE(m->RemoveLayer(s1.Get()));
    EXPECT_EQ(s1->GetMaterial(), nullptr);
    EXPECT_EQ(s1->GetRefCount(), 1);
    MRef<MBaseShaderNode> file(new MFileShaderNode()), rgb(new MRGBGenShaderNode());
    MRef<MBaseShaderNode> other(new MAlphaFuncShaderNode());
    EXPECT_TRUE(s2->AddShader(file.Get()) && s2->AddShaderBefore(rgb.Get(), file.Get()));
    EXPECT_FALSE(s2->AddShader(nullptr));
    EXPECT_EQ(s2->GetShader(0), rgb.Get());
    EXPECT_EQ(rgb->GetLayer(), s2.Get());
    EXPECT_FALSE(s2->RemoveShader(other.Get()));
    EXPECT_TRUE(s2->RemoveShader(rgb.Get()));
    EXPECT_EQ(rgb->GetLayer(), nullptr);
    // Parts that outlive their holder no longer point at it.
    m.Reset();
    EXPECT_EQ(opt->GetMaterial(), nullptr);
    s2.Reset();
    EXPECT_EQ(file->GetLayer(), nullptr);
    EXPECT_EQ(file->GetRefCount(), 1);
    // CreateNew copies layers and nodes deeply.
    MRef<MMaterial> wall(Named<MMaterial>("textures/base/wall"));
    wall->SetParamByName("Cull", "none");
    auto* stage = Named<MMaterialLayer>("stage");
    wall->AddLayer(Named<MMaterialLayer>("opt"));
    wall->AddLayer(stage);
    auto* map = new MFileShaderNode();
    map->SetParamByName("Fname", "wall.tga");
    stage->AddShader(map);
    stage->AddShader(new MAnimFileShaderNode());
    stage->GetShader(1)->SetParamByName("Fname2", "c.tga");
    MRef<MBaseObject> raw(wall->CreateNew());
    auto* copy = static_cast<MMaterial*>(raw.Get());
    EXPECT_EQ(copy->GetName() + copy->GetParamByName("Cull"), "textures/base/wallnone");
    EXPECT_EQ(Names(copy->GetLayerList()), "opt stage ");
    MMaterialLayer* copiedStage = copy->GetLayer(1);
    EXPECT_EQ(copiedStage->GetMaterial(), copy);
    EXPECT_EQ(copiedStage->GetRefCount(), 1);
    MBaseShaderNode* copiedFile = copiedStage->GetShader(0);
    EXPECT_EQ(copiedFile->GetLayer(), copiedStage);
    EXPECT_EQ(copiedStage->GetShader(1)->GetParamByName("Fname2"), "c.tga");
    // Edits of the copy leave the source alone.
    copiedFile->SetParamByName("Fname", "other.tga");
    copiedStage->RemoveShader(copiedFile);
    EXPECT_EQ(map->GetParamByName("Fname"), "wall.tga");
    EXPECT_EQ(map->GetLayer(), stage);
    MRef<MBaseObject> layerCopy(stage->CreateNew());
    auto* lc = static_cast<MMaterialLayer*>(layerCopy.Get());
    EXPECT_EQ(lc->GetMaterial(), nullptr);
    EXPECT_EQ(lc->GetShader(1)->GetLayer(), lc);
}
TEST(ShaderNodes, SummariesWordsAndFramesOfTheNodes)
{
    MFileShaderNode file;
    MBlendFuncShaderNode blend;
    MRGBGenShaderNode rgb;
    MAlphaGenShaderNode alpha;
    MQ3SkyParmsShaderNode sky;
    MVerbatimShaderNode verbatim;
    const struct
    {
        MBaseShaderNode* node;
        std::vector<std::pair<const char*, const char*>> set;
        const char* shown;
    } cases[] = {
        {&file, {}, "[(no texture)"},
        {&file, {{"Fname", "textures\\base\\wall.tga"}, {"RpU", "Off"}}, "[wall.tga"},
        {&file, {{"rpv", "off"}}, "[wall.tga clamp"},
        // Only "On" as the writer reads it repeats: "on" is written as a clampmap.
        {&file, {{"RpU", "on"}}, "[wall.tga clamp"},
        {&blend, {}, "[blend"},
        {&blend, {{"bmP", "custom"}, {"bSrc", "GL_DST_COLOR"}}, "[GL_DST_COLOR GL_ZERO"},
        {&rgb, {}, "[identity"},
        {&rgb, {{"Ty", "wave"}, {"fn", "square"}, {"Amp", "0.5"}}, "[wave square 0 0.5 0 1"},
        {&rgb, {{"Ty", "const"}, {"Args", "( 1 0 0 ) "}}, "[const ( 1 0 0 )"},
        {&alpha, {{"Ty", "portal"}, {"Args", "256"}}, "[portal 256"},
        {&alpha, {{"Ty", "wave"}}, "[wave sin 0 1 0 1"}, // its numbers, not the leftover text
        {&sky, {{"farBox", "env/space1"}}, "[sky space1"},
        {&verbatim, {{"Keyword", "q3map_tracelight"}}, "[q3map_tracelight"},
        {&verbatim, {{"Text", "one two three four five six"}}, "[q3map_tracelight one two thre..."},
    };
    for (const auto& c : cases)
    {
        for (auto [name, value] : c.set)
            c.node->SetParamByName(name, value);
        EXPECT_EQ(Display(*c.node), c.shown);
    }
    EXPECT_FALSE(file.Repeats());
    file.SetParamByName("RpU", "On");
    EXPECT_TRUE(file.Repeats());
    MQ3MapSurfaceShaderNode s;
    EXPECT_EQ(Display(s), "[surface");
    const int count = s.GetParamCount();
    EXPECT_TRUE(s.SetParamByName("nodraw", "On"));
    EXPECT_TRUE(s.SetParamByName("NoDraw", "On")); // the same word again
    EXPECT_TRUE(s.SetParamByName("nomarks", "On"));
    EXPECT_TRUE(s.SetParamByName("q3map_shinyWord", "On"));
    auto* word = dynamic_cast<MStringChoiceParameterObject*>(s.FindParameter("Q3MAP_SHINYWORD"));
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->GetName() + word->GetChoice(0) + word->GetChoice(1), "q3map_shinyWordOnOff");
    EXPECT_EQ(Display(s), "[nodraw nomarks +1");
    s.SetParamByName("NOMARKS", "Off");
    EXPECT_EQ(Display(s), "[nodraw q3map_shinyWord");
    // Words that could not be written back as one word are refused.
    const std::string tooLong(300, 'w');
    for (const char* bad : {"", "two words", "tab\tword", "{", "x}", tooLong.c_str()})
        EXPECT_FALSE(s.SetParamByName(bad, "On")) << bad;
    EXPECT_EQ(s.GetParamCount(), count + 3);
    EXPECT_EQ(MRef<MBaseObject>(s.CreateNew())->GetParamByName("q3map_shinyWord"), "On");
    MRef<MAnimFileShaderNode> a(new MAnimFileShaderNode());
    const int base = a->GetParamCount();
    EXPECT_TRUE(a->SetParamByName("Fname2", "c.tga"));
    EXPECT_EQ(a->GetNumberOfImages(), 3);
    EXPECT_EQ(a->FindParameter("Fname1")->GetType(), PARAM_FILENAME);
    EXPECT_TRUE(a->SetParamByName("fname1", "b.tga"));
    a->SetNumberOfImages(2); // never shrinks
    a->SetNumberOfImages(5);
    for (const char* bad : {"Fname", "Fnamex", "Fname-1", "Fname1x", "Fname100001", "Frame3"})
        EXPECT_FALSE(a->SetParamByName(bad, "z.tga")) << bad;
    EXPECT_EQ(a->GetParamCount(), base + 5);
    a->SetParamByName("nF", "3");
    a->SetParamByName("Fr", "2");
    EXPECT_EQ(Display(*a), "[3 frames @ 2");
    // A copy grows from where the source stood, never repeating a frame.
    MRef<MBaseObject> raw(a->CreateNew());
    auto* copy = static_cast<MAnimFileShaderNode*>(raw.Get());
    EXPECT_EQ(copy->GetParamByName("Fname1"), "b.tga");
    copy->SetNumberOfImages(6);
    EXPECT_TRUE(copy->SetParamByName("Fname7", "h.tga"));
    std::set<std::string> names;
    for (int p = 0; p < copy->GetParamCount(); ++p)
        names.insert(copy->GetParam(p)->GetName().Lowered().str());
    EXPECT_EQ(names.size(), size_t(copy->GetParamCount()));
    EXPECT_EQ(copy->GetParamCount(), base + 8);
}
TEST_F(Structure, DeleteLeavesTheListsAndKeepsPartsWhole)
{
    MRef<MBaseObject> keepF1(f1), keepF2(f2);
    EXPECT_TRUE(scene->DeleteObject(l1, false));
    EXPECT_EQ(Names(m1->GetLayerList()), "L2 ");
    EXPECT_FALSE(scene->Contains(f1)); // a layer's nodes go with it
    EXPECT_TRUE(scene->DeleteObject(f2));
    EXPECT_EQ(l2->GetShaderCount(), 0);
    EXPECT_TRUE(Check());
    EXPECT_FALSE(scene->DeleteObject(f2));
    // Without children a plain object's children move up in its place.
    scene->ReparentObject(scene->FindObject(m2), nullptr);
    Add<Counted>("A", p);
    Add<Counted>("B", p);
    EXPECT_TRUE(scene->DeleteObject(p, false));
    EXPECT_EQ(TreeShape(*scene), " M1( L2) A B M2( L3)");
    EXPECT_TRUE(Check());
}
TEST_F(Structure, CheckFindsDisagreementsAndReparentMovesBetweenListsOrIsRefused)
{
    MRef<MMaterialLayer> stray(Named<MMaterialLayer>("Stray"));
    struct Case
    {
        const char* expected;
        void (*breakIt)(Structure&, MMaterialLayer*);
        void (*mend)(Structure&, MMaterialLayer*);
    };
    const Case cases[] = {
        {"'Stray' is in the list of 'M1' but not under it",
         [](Structure& t, MMaterialLayer* s) { t.m1->AddLayer(s); },
         [](Structure& t, MMaterialLayer* s) { t.m1->RemoveLayer(s); }},
        {"'F1' and the layer it stands under do not list each other",
         [](Structure& t, MMaterialLayer*) { t.f1->SetLayer(t.l2); },
         [](Structure& t, MMaterialLayer*) { t.f1->SetLayer(t.l1); }},
        {"'Stray' stands under the top level: a layer belongs to a shader",
         [](Structure& t, MMaterialLayer* s) { t.scene->GetObjectTree().Add(s); },
         [](Structure& t, MMaterialLayer* s) { t.scene->DeleteObject(s); }},
    };
    for (const Case& c : cases)
    {
        c.breakIt(*this, stray.Get());
        MStr problem;
        EXPECT_FALSE(scene->CheckStructure(&problem)) << c.expected;
        EXPECT_NE(problem.str().find(c.expected), std::string::npos) << problem.c_str();
        c.mend(*this, stray.Get());
        EXPECT_TRUE(Check()) << c.expected;
    }
    EXPECT_EQ(Names(m1->GetLayerList()), "L1 L2 "); // added through the tree alone
    EXPECT_TRUE(scene->ReparentObject(scene->FindObject(l2), scene->FindObject(m2)));
    EXPECT_TRUE(scene->ReparentObject(scene->FindObject(f1), scene->FindObject(l3)));
    EXPECT_EQ(Names(m1->GetLayerList()) + "| " + Names(m2->GetLayerList()), "L1 | L3 L2 ");
    EXPECT_EQ(f1->GetLayer(), l3);
    EXPECT_EQ(l1->GetShaderCount(), 0);
    EXPECT_TRUE(Check());
    const std::pair<MBaseObject*, MBaseObject*> refused[] = {
        {l1, nullptr}, {l1, l3}, {l1, p}, {f2, m1}, {f2, nullptr},
        {m1, l1},      {m2, m1}, {p, f2}, {p, m1},  {m1, m1},
    };
    for (auto [obj, parent] : refused)
    {
        sys.log.lines.clear();
        EXPECT_FALSE(scene->ReparentObject(scene->FindObject(obj),
                                           parent ? scene->FindObject(parent) : nullptr))
            << obj->GetName().c_str();
        ASSERT_EQ(sys.log.lines.size(), 1u) << obj->GetName().c_str();
        EXPECT_EQ(sys.log.lines[0].rfind("Warning: '" + obj->GetName().str() + "' cannot", 0), 0u)
            << sys.log.lines[0];
        EXPECT_TRUE(Check());
    }
    // A plain object may go under another plain one and back to the top.
    MRef<Counted> q(new Counted("Q"));
    scene->AddObject(q.Get());
    EXPECT_TRUE(scene->ReparentObject(scene->FindObject(q.Get()), scene->FindObject(p)));
    EXPECT_TRUE(scene->ReparentObject(scene->FindObject(q.Get()), nullptr));
}
