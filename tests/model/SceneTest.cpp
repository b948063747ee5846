#include "MMaterial.h"
#include "MMesh.h"
#include "MScene.h"
#include "MSceneViewFlags.h"
#include "MSelectionItem.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <unordered_set>

static std::vector<MBaseObject*> AddAll(MScene& scene, std::initializer_list<const char*> names)
{
    std::vector<MBaseObject*> added;
    for (const char* n : names)
    {
        added.push_back(new Counted(n));
        scene.AddObject(added.back());
    }
    return added;
}
static void ExpectNear(const MVector3& a, const MVector3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-4f);
    EXPECT_NEAR(a.y, b.y, 1e-4f);
    EXPECT_NEAR(a.z, b.z, 1e-4f);
}
// A mesh of two triangles sharing an edge: a unit square at the origin.
static MMesh* Square()
{
    auto* mesh = new MMesh();
    for (MVector3 v : {MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(1, 1, 0), MVector3(0, 1, 0)})
        mesh->AddVertex(v);
    mesh->AddTriangle(0, 1, 2);
    mesh->AddTriangle(0, 2, 3);
    return mesh;
}

TEST(Scene, AddDeleteClearAndSetObjectListHoldTheTreeTheTimeAndTheReferences)
{
    Counted::live = 0;
    {
        MScene scene;
        scene.SetTime(120);
        auto* m = new Counted("m");
        MBaseObjectTreeNode* nm = scene.AddObject(m);
        scene.AddObject(new Counted("l1"), nm);
        MBaseObjectTreeNode* nl2 = scene.AddObject(new Counted("l2"), nm);
        scene.AddObject(new Counted("n"), nl2);
        scene.AddObject(new Counted("top"));
        EXPECT_EQ(TreeShape(scene), " m( l1 l2( n)) top");
        EXPECT_EQ(m->GetOwnerScene(), &scene);
        EXPECT_EQ(m->GetTime(), 120); // objects take the scene's time, also later ones
        EXPECT_EQ(scene.AddObject(m), nullptr);
        MRef<MBaseObject> keep(scene.FindObjectByName("l2"));
        EXPECT_TRUE(scene.DeleteObject(keep.Get()));
        EXPECT_FALSE(scene.DeleteObject(keep.Get()));
        EXPECT_EQ(keep->GetOwnerScene(), nullptr);
        EXPECT_EQ(Counted::live, 4); // "n" is gone, "l2" is held here
        scene.SetTime(240);
        EXPECT_EQ(m->GetTime(), 240);
        // Values copied from an object of another time keep the scene's time.
        MRef<MBaseObject> snapshot(m->CreateNew());
        snapshot->SetTime(0);
        m->SetFrom(snapshot.Get());
        EXPECT_EQ(m->GetTime(), 240);
        snapshot.Reset();
        scene.ClearScene();
        EXPECT_EQ(scene.GetObjectCount(), 0);
        EXPECT_EQ(Counted::live, 1);
    }
    EXPECT_EQ(Counted::live, 0);
    // SetObjectList takes the tree's shape and drops what it lacks.
    Counted::live = 0;
    {
        MScene scene;
        const std::vector<MBaseObject*> o = AddAll(scene, {"a", "d"});
        MBaseObject *b = new Counted("b"), *c = new Counted("c");
        scene.AddObject(b, scene.FindObject(o[0]));
        MBaseObjectTreeNode* nc = scene.AddObject(c, scene.FindObject(o[0]));
        scene.SelectObject(b);
        nc->SetFlags(0x77);
        MRef<MBaseObject> saved(scene.MBaseObjectTree::CreateNew());
        auto* tree = static_cast<MBaseObjectTree*>(saved.Get());
        // Edit: b goes, d moves under c, a new selected object e arrives.
        scene.DeleteObject(b);
        scene.SetParent(scene.FindObject(o[1]), nc);
        scene.SelectObject(o[1]);
        AddAll(scene, {"e"});
        scene.SelectObject(scene.FindObjectByName("e"));
        ASSERT_TRUE(scene.SetObjectList(tree));
        EXPECT_EQ(TreeShape(scene), " a( b c) d");
        EXPECT_EQ(TreeShape(*tree), " a( b c) d"); // the given tree is untouched
        EXPECT_EQ(scene.FindObject(c)->GetFlags(), 0x77u);
        // e left and was released; b still carries its flag, so it is selected.
        EXPECT_EQ(Counted::live, 4);
        EXPECT_EQ(Selection(scene), "d b ");
        // The scene's tree and the copy are separate.
        scene.DeleteObject(o[1]);
        EXPECT_EQ(TreeShape(*tree), " a( b c) d");
        saved.Reset();
        EXPECT_EQ(Counted::live, 3);
        EXPECT_EQ(TreeShape(scene), " a( b c)");
        EXPECT_FALSE(scene.SetObjectList(nullptr));
        // An empty tree empties the scene; names handed out stay handed out.
        EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box1");
        MBaseObjectTree empty;
        EXPECT_TRUE(scene.SetObjectList(&empty));
        EXPECT_EQ(scene.GetObjectCount() + scene.GetSelectedList().GetCount(), 0);
        EXPECT_EQ(Counted::live, 0);
        EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box2");
    }
}
TEST(Scene, SelectionListStaysInStepWithSelectedFlag)
{
    MScene scene;
    const std::vector<MBaseObject*> o = AddAll(scene, {"a", "b", "c", "d"});
    scene.SelectObject(o[0]);
    scene.SelectObject(o[1]);
    scene.SelectObject(o[1]); // no second entry
    EXPECT_EQ(Selection(scene), "a b ");
    scene.SelectObject(o[2], false); // replaces
    EXPECT_EQ(Selection(scene), "c ");
    scene.SelectObject(o[0]);
    scene.SelectObject(o[3]);
    scene.DeselectObject(o[0]);
    EXPECT_EQ(Selection(scene), "c d ");
    scene.SelectNone();
    EXPECT_EQ(Selection(scene), "");
    // Deleting takes an object out of the selection; adding a flagged one puts it in.
    scene.SelectObject(o[1]);
    scene.SelectObject(o[2]);
    MRef<MBaseObject> b(o[1]);
    scene.DeleteObject(o[1]);
    EXPECT_EQ(Selection(scene), "c ");
    scene.AddObject(b.Get());
    EXPECT_EQ(Selection(scene), "c b ");
    // Copying values onto a selected object keeps it selected and indexed.
    MRef<Counted> plain(new Counted("plain"));
    b->SetFrom(plain.Get());
    EXPECT_EQ(Selection(scene), "c plain ");
    scene.DeselectObject(b.Get());
    o[2]->SetFrom(plain.Get());
    scene.DeleteObject(o[2]);
    EXPECT_EQ(Selection(scene), "");
    // Flags set directly (Select All, restores) are taken up in tree order.
    o[0]->AddFlags(OBJ_SELECTED);
    o[3]->AddFlags(OBJ_SELECTED);
    MRef<Counted> outside(new Counted("x"));
    scene.SelectObject(outside.Get());
    scene.UpdateSelectedObjectList();
    EXPECT_EQ(Selection(scene), "a d ");
    EXPECT_TRUE(outside->HasFlags(OBJ_SELECTED));
    EXPECT_EQ(outside->GetRefCount(), 1);
    o[0]->ClearFlags(OBJ_SELECTED);
    scene.UpdateSelectedObjectList();
    EXPECT_EQ(Selection(scene), "d ");
    EXPECT_EQ(o[0]->GetRefCount(), 1); // the selection let it go
}
TEST(Scene, GeneratedNamesAreNeverInUseNorHandedOutTwice)
{
    MScene scene;
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box1");
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box2"); // Box1 was handed out, though unused
    // Names objects carry, however they came by them, are skipped.
    const std::vector<MBaseObject*> o = AddAll(scene, {"Box3", "x", "y", "z"});
    o[1]->SetName("Box4");
    o[2]->SetParamByName("name", "Box5");
    o[3]->SetFrom(MRef<Counted>(new Counted("Box6")).Get());
    EXPECT_EQ(scene.FindObjectByName("Box6"), o[3]);
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box7");
    // Renaming an object away frees its name only for names never handed out.
    o[0]->SetName("Crate");
    EXPECT_EQ(scene.FindObjectByName("Box3"), nullptr);
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box8");
    // A base that ends in a digit cannot give a name another base gave.
    std::unordered_set<std::string> given;
    for (const char* base : {"Box1", "Box", "Box", "Box", "Box"})
        EXPECT_TRUE(given.insert(scene.GenerateUniqueName(base).str()).second);
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(given.insert(scene.GenerateUniqueName("Box").str()).second);
    scene.ClearScene();
    EXPECT_EQ(scene.FindObjectByName("Box4"), nullptr);
    EXPECT_EQ(scene.GenerateUniqueName("Box"), "Box1");
}
TEST(SceneGeometry, TransformsMeshFlagsSelectionCentreAndDrawing)
{
    MRef<MTransformObject> t(new MTransformObject());
    t->SetTranslate({0, 0, 0}, 0, true);
    t->SetTranslate({10, 20, 30}, 240, true);
    ExpectNear(t->GetTranslateKey(120), {5, 10, 15});
    t->SetRotate({0, 0, 90});
    t->SetScale({2, 2, 2});
    ExpectNear(t->Apply({1, 0, 0}, 240), {10, 22, 30}); // scaled, turned, then moved
    MRef<MMesh> mesh(Square());
    EXPECT_FALSE(mesh->SetComponentFlag(COMPONENT_FLAG_VERTEX, 4, true) ||
                 mesh->SetComponentFlag(COMPONENT_FLAG_TRIANGLE, -1, true) ||
                 mesh->SetComponentFlag(0x800, 0, true) || mesh->AddTriangle(0, 1, 9));
    // Deleting vertex 1 takes its triangle and renumbers; edge flags follow.
    ASSERT_TRUE(mesh->SetComponentFlag(COMPONENT_FLAG_VERTEX, 1, true));
    ASSERT_TRUE(mesh->SetComponentFlag(COMPONENT_FLAG_EDGE, 5, true));
    EXPECT_EQ(mesh->DeleteVertexFlag(COMPONENT_FLAG_VERTEX), 1);
    ASSERT_EQ(mesh->GetVertexCount(), 3);
    EXPECT_EQ(mesh->GetTriangles(), std::vector<MMesh::Triangle>{(MMesh::Triangle{0, 1, 2})});
    ExpectNear(mesh->GetVertices()[1], {1, 1, 0});
    EXPECT_EQ(mesh->GetEdgeFlags()[2], COMPONENT_FLAG_EDGE);
    ASSERT_TRUE(mesh->SetComponentFlag(COMPONENT_FLAG_TRIANGLE, 0, true));
    EXPECT_EQ(mesh->DeleteTriangleFlag(COMPONENT_FLAG_TRIANGLE), 1);
    EXPECT_EQ(mesh->GetTriangleCount() + mesh->GetEdgeFlags().size(), 0u);
    TestSystem sys;
    MScene* scene = sys.Scene();
    auto* material = new MMaterial();
    scene->AddObject(material);
    MVector3 lo, hi;
    ASSERT_TRUE(scene->GetMaterialSurface(material, lo, hi));
    // Without a texture: 128 units square, the top-left corner at the origin.
    ExpectNear(lo, {0, -128, 0});
    ExpectNear(hi, {128, 0, 0});
    scene->SelectObject(material);
    ExpectNear(scene->GetSelectionCentre(), {64, -64, 0});
    auto* object = new MSceneObject();
    object->SetGeometry(Square());
    object->GetTransform()->SetTranslate({100, 100, 10});
    scene->AddObject(object);
    scene->SelectObject(object, false);
    ExpectNear(scene->GetSelectionCentre(), {100.5f, 100.5f, 10});
    auto* shown = static_cast<MMesh*>(object->GetGeometry());
    shown->SetComponentFlag(COMPONENT_FLAG_VERTEX, 2, true);
    ExpectNear(scene->GetSelectionCentre(COMPONENT_VERTEX), {101, 101, 10});
    shown->SetComponentFlag(COMPONENT_FLAG_TRIANGLE, 1, true);
    ExpectNear(scene->GetSelectionCentre(COMPONENT_TRIANGLE), {100.5f, 100.5f, 10});
    // Without OpenGL nothing shows, but hidden objects are not even counted.
    MSceneViewFlags flags;
    scene->DrawScene(flags, nullptr);
    EXPECT_EQ(scene->GetLastDrawnCount(), 2);
    material->ClearFlags(OBJ_VISIBLE);
    object->ClearFlags(OBJ_VISIBLE);
    scene->DrawScene(flags, nullptr);
    EXPECT_EQ(scene->GetLastDrawnCount(), 0);
}
