// The structure rule: a material's layer list, each layer's node list and the
// scene tree change together, and the scene's check finds where they differ.

#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
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
        MRef<T> obj(new T());
        obj->SetName(name);
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
    std::string Layers(MMaterial* m)
    {
        std::string s;
        for (MBaseObject* o : m->GetLayerList())
            s += o->GetName().str() + " ";
        return s;
    }

    TestSystem sys;
    MScene* scene = nullptr;
    MMaterial *m1 = nullptr, *m2 = nullptr;
    MMaterialLayer *l1 = nullptr, *l2 = nullptr, *l3 = nullptr;
    MFileShaderNode *f1 = nullptr, *f2 = nullptr;
    Counted* p = nullptr;
};
} // namespace

TEST_F(Structure, ReparentMovesBetweenListsOrIsRefusedWithALogLine)
{
    // Added through the tree alone, the parts are in their lists.
    EXPECT_EQ(Layers(m1), "L1 L2 ");
    EXPECT_FALSE(m1->AddLayer(l1));
    // A layer moves to another shader, a node to another layer.
    EXPECT_TRUE(scene->ReparentObject(scene->FindObject(l2), scene->FindObject(m2)));
    EXPECT_TRUE(scene->ReparentObject(scene->FindObject(f1), scene->FindObject(l3)));
    EXPECT_EQ(Layers(m1), "L1 ");
    EXPECT_EQ(Layers(m2), "L3 L2 ");
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
    EXPECT_EQ(Layers(m1), "L1 ");
    // A plain object may go under another plain one and back to the top.
    MRef<Counted> q(new Counted("Q"));
    scene->AddObject(q.Get());
    EXPECT_TRUE(scene->ReparentObject(scene->FindObject(q.Get()), scene->FindObject(p)));
    EXPECT_TRUE(scene->ReparentObject(scene->FindObject(q.Get()), nullptr));
}

TEST_F(Structure, DeleteLeavesTheListsAndKeepsPartsWhole)
{
    // The test keeps the deleted nodes alive to ask about them afterwards.
    MRef<MBaseObject> keepF1(f1), keepF2(f2);
    EXPECT_TRUE(scene->DeleteObject(l1, false));
    EXPECT_EQ(Layers(m1), "L2 ");
    EXPECT_FALSE(scene->Contains(f1)); // a layer's nodes go with it
    EXPECT_TRUE(scene->DeleteObject(f2));
    EXPECT_EQ(l2->GetShaderCount(), 0);
    EXPECT_TRUE(Check());
    EXPECT_FALSE(scene->DeleteObject(f2));

    // Without children a plain object's children move up in its place.
    MRef<Counted> a(new Counted("A")), b(new Counted("B"));
    scene->ReparentObject(scene->FindObject(m2), nullptr);
    scene->AddObject(a.Get(), scene->FindObject(p));
    scene->AddObject(b.Get(), scene->FindObject(p));
    EXPECT_TRUE(scene->DeleteObject(p, false));
    EXPECT_EQ(TreeShape(*scene), " M1( L2) A B M2( L3)");
    EXPECT_TRUE(Check());
}

TEST_F(Structure, CheckFindsEveryKindOfDisagreement)
{
    MRef<MMaterialLayer> stray(new MMaterialLayer());
    stray->SetName("Stray");
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
        {"'M2' has 1 children in the scene tree but 0 in its list",
         [](Structure& t, MMaterialLayer*) { t.m2->GetLayerList().Remove(t.l3); },
         [](Structure& t, MMaterialLayer*) { t.m2->AddLayer(t.l3); }},
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
}
