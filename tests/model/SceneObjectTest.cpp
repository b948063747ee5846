#include "MCompleteTranslator.h"
#include "MMaterial.h"
#include "MMesh.h"
#include "MRay.h"
#include "MScene.h"
#include "MSelectionItem.h"
#include "Matrix3.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
constexpr float kDeg = 0.017453292519943292f;

void ExpectNear(const MVector3& a, const MVector3& b, float eps = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// A mesh of two triangles sharing an edge: a unit square at the origin.
MMesh* Square()
{
    auto* mesh = new MMesh();
    mesh->AddVertex({0, 0, 0});
    mesh->AddVertex({1, 0, 0});
    mesh->AddVertex({1, 1, 0});
    mesh->AddVertex({0, 1, 0});
    mesh->AddTriangle(0, 1, 2);
    mesh->AddTriangle(0, 2, 3);
    return mesh;
}
} // namespace

// The camera matrices: the inverse maps a drag on screen (x right, y down)
// into the world the way the camera sees it.
TEST(Matrix3Test, CameraRotationMapsScreenMovesIntoTheWorld)
{
    struct Case
    {
        float elevation, azimuth;
        MVector3 screen, world;
    };
    const Case cases[] = {
        // Top view: screen right is +X, screen down is -Y.
        {0, 0, {1, 0, 0}, {1, 0, 0}},
        {0, 0, {0, 1, 0}, {0, -1, 0}},
        // Front view (elevation -90): screen down is -Z.
        {-90, 0, {0, 1, 0}, {0, 0, -1}},
        {-90, 0, {1, 0, 0}, {1, 0, 0}},
        // Turned by 90 degrees about Z: screen right is -Y.
        {0, 90, {1, 0, 0}, {0, -1, 0}},
    };
    for (const Case& c : cases)
    {
        const Matrix3 r =
            Matrix3::MakeRotationMatrix(-c.azimuth * kDeg, (-c.elevation - 180) * kDeg, 0);
        const Matrix3 inv = r.Inverse();
        ExpectNear(inv * c.screen, c.world);
        ExpectNear(r * (inv * c.screen), c.screen);
    }
    // A singular matrix inverts to the identity rather than to infinities.
    Matrix3 zero;
    zero.m = {};
    ExpectNear(zero.Inverse() * MVector3(1, 2, 3), MVector3(1, 2, 3));
}

TEST(MRayTest, MeetsPlanesAndRefusesParallelOnes)
{
    MRay ray;
    ray.Set({0, 0, 10}, {0, 0, 5}, 1.0f);
    MVector3 hit(7, 7, 7);
    EXPECT_TRUE(ray.IntersectWithPlane(MPlane({0, 0, 1}, 2), hit));
    ExpectNear(hit, {0, 0, 2});
    MRay flat;
    flat.Set({0, 0, 1}, {1, 0, 1}, 1.0f);
    EXPECT_FALSE(flat.IntersectWithPlane(MPlane({0, 0, 1}, 0), hit));
    ExpectNear(hit, {0, 0, 2});
}

TEST(MMeshTest, ComponentFlagsAndDeletion)
{
    MRef<MMesh> mesh(Square());
    EXPECT_TRUE(mesh->HasFlags(OBJ_TYPE_MESH));
    // Out of range and unknown flags are refused.
    EXPECT_FALSE(mesh->SetComponentFlag(COMPONENT_FLAG_VERTEX, 4, true));
    EXPECT_FALSE(mesh->SetComponentFlag(COMPONENT_FLAG_TRIANGLE, -1, true));
    EXPECT_FALSE(mesh->SetComponentFlag(0x800, 0, true));
    EXPECT_FALSE(mesh->AddTriangle(0, 1, 9));

    // Deleting vertex 1 takes the triangle that uses it and renumbers.
    ASSERT_TRUE(mesh->SetComponentFlag(COMPONENT_FLAG_VERTEX, 1, true));
    ASSERT_TRUE(mesh->SetComponentFlag(COMPONENT_FLAG_EDGE, 5, true));
    EXPECT_EQ(mesh->DeleteVertexFlag(COMPONENT_FLAG_VERTEX), 1);
    ASSERT_EQ(mesh->GetVertexCount(), 3);
    ASSERT_EQ(mesh->GetTriangleCount(), 1);
    EXPECT_EQ(mesh->GetTriangles()[0], (MMesh::Triangle{0, 1, 2}));
    ExpectNear(mesh->GetVertices()[1], {1, 1, 0});
    // The surviving triangle's edge flags went with it.
    EXPECT_EQ(mesh->GetEdgeFlags()[2], COMPONENT_FLAG_EDGE);

    ASSERT_TRUE(mesh->SetComponentFlag(COMPONENT_FLAG_TRIANGLE, 0, true));
    EXPECT_EQ(mesh->DeleteTriangleFlag(COMPONENT_FLAG_TRIANGLE), 1);
    EXPECT_EQ(mesh->GetTriangleCount(), 0);
    EXPECT_EQ(mesh->GetVertexCount(), 3);
    EXPECT_EQ(mesh->GetEdgeFlags().size(), 0u);
}

TEST(MTransformObjectTest, KeysInterpolateAndPlaceThePoint)
{
    MRef<MTransformObject> t(new MTransformObject());
    t->SetTranslate({0, 0, 0}, 0, true);
    t->SetTranslate({10, 20, 30}, 240, true);
    ExpectNear(t->GetTranslateKey(120), {5, 10, 15});
    t->SetRotate({0, 0, 90});
    t->SetScale({2, 2, 2});
    // Scaled, turned a quarter about Z, then moved.
    ExpectNear(t->Apply({1, 0, 0}, 240), {10, 22, 30});
}

TEST(SceneObjectTest, SelectionCentreOfMaterialsMeshesAndComponents)
{
    TestSystem sys;
    MScene* scene = sys.Scene();
    EXPECT_EQ(scene->GetSelectionCentre(), MVector3());

    auto* material = new MMaterial();
    scene->AddObject(material);
    MVector3 lo, hi;
    ASSERT_TRUE(scene->GetMaterialSurface(material, lo, hi));
    // A material without a texture is 128 units square, its top-left corner
    // at the origin.
    ExpectNear(lo, {0, -128, 0});
    ExpectNear(hi, {128, 0, 0});
    scene->SelectObject(material);
    ExpectNear(scene->GetSelectionCentre(), {64, -64, 0});

    auto* object = new MSceneObject();
    object->SetGeometry(Square());
    object->GetTransform()->SetTranslate({100, 100, 10});
    scene->AddObject(object);
    EXPECT_TRUE(object->HasFlags(OBJ_TYPE_MESH));
    EXPECT_EQ(scene->GetTransform(object), object->GetTransform());
    EXPECT_EQ(scene->GetTransform(material), nullptr);
    scene->SelectObject(object, false);
    ExpectNear(scene->GetSelectionCentre(), {100.5f, 100.5f, 10});

    auto* mesh = static_cast<MMesh*>(object->GetGeometry());
    mesh->SetComponentFlag(COMPONENT_FLAG_VERTEX, 2, true);
    ExpectNear(scene->GetSelectionCentre(COMPONENT_VERTEX), {101, 101, 10});
    mesh->SetComponentFlag(COMPONENT_FLAG_TRIANGLE, 1, true);
    ExpectNear(scene->GetSelectionCentre(COMPONENT_TRIANGLE), {100.5f, 100.5f, 10});
}

// Scene objects survive a save and an open: transform keys, the mesh with
// its component flags, the material it shows; a file of the first format
// still opens.
TEST(SceneObjectTest, SceneFileKeepsSceneObjects)
{
    TestSystem sys;
    MScene* scene = sys.Scene();
    auto* material = new MMaterial();
    material->SetName("textures/base/wall");
    scene->AddObject(material);
    auto* object = new MSceneObject();
    object->SetName("Floor");
    MMesh* mesh = Square();
    mesh->SetComponentFlag(COMPONENT_FLAG_EDGE, 4, true);
    object->SetGeometry(mesh);
    object->SetMaterial(material);
    object->GetTransform()->SetTranslate({1, 2, 3}, 0, true);
    object->GetTransform()->SetTranslate({4, 5, 6}, 120, true);
    scene->AddObject(object);

    std::string text;
    MStr reason;
    ASSERT_TRUE(MCompleteTranslator::WriteSceneText(scene, text, reason)) << reason.str();
    EXPECT_NE(text.find("\"version\": 2"), std::string::npos);

    MScene copy;
    ASSERT_TRUE(MCompleteTranslator::ReadSceneText(text, &copy, reason)) << reason.str();
    auto* read = dynamic_cast<MSceneObject*>(copy.FindObjectByName("Floor"));
    ASSERT_NE(read, nullptr);
    auto* readMesh = dynamic_cast<MMesh*>(read->GetGeometry());
    ASSERT_NE(readMesh, nullptr);
    EXPECT_EQ(readMesh->GetVertices(), mesh->GetVertices());
    EXPECT_EQ(readMesh->GetTriangles(), mesh->GetTriangles());
    EXPECT_EQ(readMesh->GetEdgeFlags(), mesh->GetEdgeFlags());
    EXPECT_EQ(read->GetMaterial(), copy.FindObjectByName("textures/base/wall"));
    ExpectNear(read->GetTransform()->GetTranslateKey(60), {2.5f, 3.5f, 4.5f});

    // Unsound mesh data is refused with a reason; the scene stays as it was.
    struct Bad
    {
        const char* object;
        const char* reason;
    };
    const Bad bad[] = {
        {R"({"id": 1, "class": "MMesh", "vertices": [0, 0], "triangles": []})",
         "not a list of x, y, z triples"},
        {R"({"id": 1, "class": "MMesh", "vertices": [0, 0, 0], "triangles": [0, 0, 1]})",
         "triangle corner"},
        {R"({"id": 1, "class": "MMesh", "vertices": [0, 0, 0], "vertexFlags": [1, 2]})",
         "does not match"},
        {R"({"id": 1, "class": "MMaterial", "transform": 1})", "not a scene object"},
        {R"({"id": 1, "class": "MSceneObject", "geometry": 1})", "geometry"},
        {R"({"id": 1, "class": "MSceneObject", "transform": 7})", "no object has"},
    };
    for (const Bad& b : bad)
    {
        const std::string file =
            std::string(R"({"format": "Glazen scene", "version": 2, "objects": [)") + b.object +
            "]}";
        MStr why;
        EXPECT_FALSE(MCompleteTranslator::ReadSceneText(file, &copy, why)) << b.object;
        EXPECT_NE(why.str().find(b.reason), std::string::npos) << why.str();
        EXPECT_NE(copy.FindObjectByName("Floor"), nullptr);
    }

    const std::string v1 = ReadWholeFile(TestDataDir() / "scenes" / "tree.glazen");
    MScene old;
    EXPECT_TRUE(MCompleteTranslator::ReadSceneText(v1, &old, reason)) << reason.str();
    EXPECT_GT(old.GetObjectCount(), 0);
}
