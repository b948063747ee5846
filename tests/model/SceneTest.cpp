#include "MParameterObject.h"
#include "MScene.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

TEST(Scene, AddObjectAtTopLevelOrAfterSiblingsAndDeleteObject)
{
    Counted::live = 0;
    {
        MScene scene;
        auto* m = new Counted("m");
        MBaseObjectTreeNode* nm = scene.AddObject(m);
        ASSERT_NE(nm, nullptr);
        scene.AddObject(new Counted("l1"), nm);
        MBaseObjectTreeNode* nl2 = scene.AddObject(new Counted("l2"), nm);
        scene.AddObject(new Counted("n"), nl2);
        scene.AddObject(new Counted("top"));
        EXPECT_EQ(scene.GetObjectCount(), 5);
        EXPECT_EQ(m->GetOwnerScene(), &scene);
        EXPECT_EQ(m->GetRefCount(), 1);
        EXPECT_EQ(nm->GetLastChild(), nl2);
        EXPECT_EQ(scene.AddObject(m), nullptr); // already in the scene

        std::string order;
        scene.InitPosition();
        while (MBaseObject* o = scene.GetNext())
            order += o->GetName().str() + " ";
        EXPECT_EQ(order, "m l1 l2 n top ");

        MRef<MBaseObject> keep(scene.FindObjectByName("l2"));
        EXPECT_TRUE(scene.DeleteObject(keep.Get()));
        EXPECT_FALSE(scene.DeleteObject(keep.Get()));
        EXPECT_EQ(keep->GetOwnerScene(), nullptr);
        EXPECT_EQ(scene.FindObjectByName("n"), nullptr);
        EXPECT_EQ(scene.GetObjectCount(), 3);
        EXPECT_EQ(Counted::live, 4); // "n" is gone, "l2" is held here

        scene.ClearScene();
        EXPECT_EQ(scene.GetObjectCount(), 0);
        EXPECT_EQ(scene.FindObjectByName("m"), nullptr);
        EXPECT_EQ(Counted::live, 1);
        scene.AddObject(new Counted("again"));
    }
    EXPECT_EQ(Counted::live, 0);
}

TEST(Scene, SelectionListStaysInStepWithSelectedFlag)
{
    MScene scene;
    std::vector<MBaseObject*> o;
    for (const char* n : {"a", "b", "c", "d"})
    {
        o.push_back(new Counted(n));
        scene.AddObject(o.back());
    }
    scene.SelectObject(o[0]);
    scene.SelectObject(o[1]);
    scene.SelectObject(o[1]); // no second entry
    EXPECT_EQ(Selection(scene), "a b ");
    scene.SelectObject(o[2], false); // replaces
    EXPECT_EQ(Selection(scene), "c ");
    scene.SelectObject(nullptr, false);
    EXPECT_EQ(Selection(scene), "");
    scene.SelectObject(nullptr);

    scene.SelectObject(o[0]);
    scene.SelectObject(o[3]);
    scene.DeselectObject(o[0]);
    scene.DeselectObject(o[1]); // not selected: nothing happens
    EXPECT_EQ(Selection(scene), "d ");
    scene.SelectNone();
    EXPECT_EQ(Selection(scene), "");

    // Deleting a selected object takes it out of the selection; adding an
    // object that carries the flag puts it in.
    scene.SelectObject(o[1]);
    scene.SelectObject(o[2]);
    MRef<MBaseObject> b(o[1]);
    scene.DeleteObject(o[1]);
    EXPECT_EQ(Selection(scene), "c ");
    scene.AddObject(b.Get());
    EXPECT_EQ(Selection(scene), "c b ");

    // Copying values onto a selected object keeps it selected, and it can
    // still be deselected and deleted cleanly afterwards.
    MRef<Counted> plain(new Counted("plain"));
    b->SetFrom(plain.Get());
    EXPECT_EQ(Selection(scene), "c plain ");
    scene.DeselectObject(b.Get());
    EXPECT_EQ(Selection(scene), "c ");
    o[2]->SetFrom(plain.Get());
    scene.DeleteObject(o[2]);
    EXPECT_EQ(Selection(scene), "");
    EXPECT_EQ(scene.GetSelectedList().GetCount(), 0);
}

TEST(Scene, GeneratedNamesAreNeverInUseNorHandedOutTwice)
{
    MScene scene;
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box1");
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box2"); // Box1 was handed out, though unused

    // Names objects carry, however they came by them, are skipped.
    auto* a = new Counted("Box3");
    scene.AddObject(a);
    auto* b = new Counted("x");
    scene.AddObject(b);
    b->SetName("Box4");
    auto* c = new Counted("y");
    scene.AddObject(c);
    c->SetParamByName("name", "Box5");
    MRef<Counted> model(new Counted("Box6"));
    auto* d = new Counted("z");
    scene.AddObject(d);
    d->SetFrom(model.Get());
    EXPECT_EQ(scene.FindObjectByName("Box6"), d);
    EXPECT_EQ(scene.FindObjectByName("z"), nullptr);
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box7");

    // Renaming an object away frees its name only for names never handed out.
    a->SetName("Crate");
    EXPECT_EQ(scene.FindObjectByName("Box3"), nullptr);
    EXPECT_EQ(scene.FindObjectByName("Crate"), a);
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box8");

    // A base that ends in a digit cannot give a name another base gave.
    std::unordered_set<std::string> given;
    for (const char* base : {"Box1", "Box", "Box", "Box", "Box"})
        EXPECT_TRUE(given.insert(scene.GenerateUniqueName(base).str()).second);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(given.insert(scene.GenerateUniqueName("Box").str()).second);

    // Look-ups are exact; ClearScene starts the counters again.
    EXPECT_EQ(scene.FindObjectByName("box4"), nullptr);
    EXPECT_EQ(scene.FindObjectByName("Box4"), b);
    scene.ClearScene();
    EXPECT_EQ(scene.FindObjectByName("Box4"), nullptr);
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box1");
}

TEST(Scene, FiftyThousandObjectsOfOneBaseGetDistinctNames)
{
    constexpr int kCount = 50000;
    MScene scene;
    std::unordered_set<std::string> names;
    std::vector<MBaseObject*> objs;
    for (int i = 0; i < kCount; ++i)
    {
        auto* o = new MBaseObject();
        o->SetName(scene.GenerateUniqueName("FileShader"));
        ASSERT_TRUE(names.insert(o->GetName().str()).second) << o->GetName().str();
        scene.AddObject(o, i % 2 && !objs.empty() ? scene.FindObject(objs.back()) : nullptr);
        objs.push_back(o);
    }
    EXPECT_EQ(scene.GetObjectCount(), kCount);
    for (int i = 0; i < kCount; i += 997)
        EXPECT_EQ(scene.FindObjectByName(objs[static_cast<size_t>(i)]->GetName()),
                  objs[static_cast<size_t>(i)]);
    EXPECT_EQ(scene.FindObjectByName("FileShader0"), nullptr);
    EXPECT_FALSE(names.count(scene.GenerateUniqueName("FileShader").str()));
}

TEST(Scene, SetTimeReachesEveryObjectAndObjectsAddedLater)
{
    MScene scene;
    auto* m = new MBaseObject();
    MBaseObjectTreeNode* nm = scene.AddObject(m);
    auto* n = new MBaseObject();
    n->AddParameter(std::make_unique<MKeyedFloatParameterObject>("Amp", "0"));
    scene.AddObject(n, nm);
    n->SetParamByName("Amp", "0", true);
    scene.SetTime(2 * TICKS_PER_FRAME);
    n->SetParamByName("Amp", "10", true);

    EXPECT_EQ(scene.GetTime(), 240);
    EXPECT_EQ(static_cast<MBaseObject&>(scene).GetTime(), 240);
    EXPECT_EQ(m->GetTime(), 240);
    scene.SetTime(120);
    EXPECT_EQ(n->GetParamByName("amp"), "5");

    auto* late = new MBaseObject();
    scene.AddObject(late);
    EXPECT_EQ(late->GetTime(), 120);

    // Restoring values from a copy made at another time keeps the object at
    // the scene's time, so a key set next lands where the scene stands.
    MRef<MBaseObject> snapshot(n->CreateNew());
    snapshot->SetTime(0);
    n->SetFrom(snapshot.Get());
    EXPECT_EQ(n->GetTime(), 120);
    EXPECT_EQ(n->GetParamByName("Amp"), "5");
    n->SetParamByName("Amp", "7", true);
    EXPECT_EQ(n->FindParameter("Amp")->GetKeys().count(120), 1u);
    EXPECT_EQ(snapshot->GetTime(), 0);
    EXPECT_EQ(scene.CreateNew(), nullptr);
}

namespace
{
// An object that counts its UpdateObject calls.
class Updating : public MBaseObject
{
  public:
    explicit Updating(const char* name) { SetName(name); }
    void UpdateObject() override { ++updates; }
    int updates = 0;
};
} // namespace

TEST(Scene, SetObjectListTakesTheTreesShapeAndDropsWhatItLacks)
{
    Counted::live = 0;
    {
        MScene scene;
        auto* a = new Counted("a");
        auto* b = new Counted("b");
        auto* c = new Counted("c");
        auto* d = new Counted("d");
        MBaseObjectTreeNode* na = scene.AddObject(a);
        scene.AddObject(b, na);
        MBaseObjectTreeNode* nc = scene.AddObject(c, na);
        scene.AddObject(d);
        scene.SelectObject(b);
        scene.FindObject(c)->SetFlags(0x77);
        MRef<MBaseObject> saved(scene.MBaseObjectTree::CreateNew());
        auto* tree = static_cast<MBaseObjectTree*>(saved.Get());
        EXPECT_EQ(b->GetRefCount(), 3); // the scene, its selection and the copy

        // Edit: b goes, d moves under c, a new selected object e arrives, the
        // selection gains d (ahead of the later e).
        scene.DeleteObject(b);
        scene.SetParent(scene.FindObject(d), nc);
        scene.SelectObject(d);
        auto* e = new Counted("e");
        scene.AddObject(e);
        scene.SelectObject(e);
        EXPECT_EQ(TreeShape(scene), " a( c( d)) e");
        EXPECT_EQ(Selection(scene), "d e ");

        ASSERT_TRUE(scene.SetObjectList(tree));
        EXPECT_EQ(TreeShape(scene), " a( b c) d");
        EXPECT_EQ(TreeShape(*tree), " a( b c) d"); // the given tree is untouched
        EXPECT_EQ(scene.FindObject(c)->GetFlags(), 0x77u);
        EXPECT_EQ(scene.GetObjectCount(), 4);
        // e left the scene, its index and the selection and was released.
        EXPECT_EQ(Counted::live, 4);
        EXPECT_EQ(scene.FindObjectByName("e"), nullptr);
        EXPECT_EQ(scene.FindObjectByName("b"), b);
        EXPECT_EQ(b->GetOwnerScene(), &scene);
        // d stays selected; b still carries its flag, so it is selected again.
        EXPECT_EQ(Selection(scene), "d b ");
        EXPECT_EQ(a->GetRefCount(), 2); // the scene's tree and the copy
        EXPECT_EQ(b->GetRefCount(), 3);

        // The scene's tree is its own: editing it leaves the copy alone, and
        // releasing the copy leaves the scene whole.
        scene.DeleteObject(d);
        EXPECT_EQ(TreeShape(*tree), " a( b c) d");
        saved.Reset();
        EXPECT_EQ(Counted::live, 3);
        EXPECT_EQ(a->GetRefCount(), 1);
        EXPECT_EQ(TreeShape(scene), " a( b c)");

        // A null tree changes nothing; the scene's own tree is already itself.
        EXPECT_FALSE(scene.SetObjectList(nullptr));
        EXPECT_TRUE(scene.SetObjectList(&scene));
        EXPECT_EQ(TreeShape(scene), " a( b c)");
        EXPECT_EQ(Selection(scene), "b ");

        // An empty tree empties the scene; names handed out stay handed out.
        EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box1");
        MBaseObjectTree empty;
        EXPECT_TRUE(scene.SetObjectList(&empty));
        EXPECT_EQ(scene.GetObjectCount(), 0);
        EXPECT_EQ(scene.GetSelectedList().GetCount(), 0);
        EXPECT_EQ(Counted::live, 0);
        EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box2");
    }
    EXPECT_EQ(Counted::live, 0);
}

TEST(Scene, UpdateSelectedObjectListFollowsTheFlagsInTreeOrder)
{
    MScene scene;
    auto* a = new Counted("a");
    auto* b = new Counted("b");
    auto* c = new Counted("c");
    MBaseObjectTreeNode* na = scene.AddObject(a);
    scene.AddObject(c);
    scene.AddObject(b, na);
    scene.SelectObject(c);
    scene.SelectObject(a);
    EXPECT_EQ(Selection(scene), "c a ");

    // Flags set directly, as flag restores and Select All do.
    c->ClearFlags(OBJ_SELECTED);
    b->AddFlags(OBJ_SELECTED);
    scene.UpdateSelectedObjectList();
    EXPECT_EQ(Selection(scene), "a b ");
    EXPECT_EQ(c->GetRefCount(), 1); // the selection let it go

    // An object outside the scene keeps its flag but is not selected.
    MRef<Counted> outside(new Counted("x"));
    scene.SelectObject(outside.Get());
    scene.UpdateSelectedObjectList();
    EXPECT_EQ(Selection(scene), "a b ");
    EXPECT_TRUE(outside->HasFlags(OBJ_SELECTED));
    EXPECT_EQ(outside->GetRefCount(), 1);
}

TEST(Scene, UpdateObjectReachesOneObjectOrAll)
{
    MScene scene;
    auto* a = new Updating("a");
    auto* b = new Updating("b");
    scene.AddObject(a);
    scene.AddObject(b, scene.FindObject(a));
    scene.UpdateObject(b, false);
    EXPECT_EQ(a->updates, 0);
    EXPECT_EQ(b->updates, 1);
    scene.UpdateObject(nullptr, true);
    EXPECT_EQ(a->updates, 1);
    EXPECT_EQ(b->updates, 2);
    scene.UpdateObject(nullptr, false); // nothing to update
    EXPECT_EQ(a->updates + b->updates, 3);
}
