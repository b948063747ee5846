#include "MCompleteTranslator.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMesh.h"
#include "MScene.h"
#include "MSelectionItem.h"
#include "MShaderNodes.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <sstream>
#include <unordered_map>

namespace fs = std::filesystem;
namespace
{
// Everything a scene holds, as text: the tree, then each object reached with
// its class, flags, parameters with keys, and the parts it holds by number.
std::string Describe(MScene* scene)
{
    std::ostringstream out;
    std::unordered_map<const MBaseObject*, int> number;
    std::vector<const MBaseObject*> order;
    auto num = [&](const MBaseObject* o)
    {
        auto [it, added] = number.emplace(o, int(order.size()));
        if (added)
            order.push_back(o);
        return it->second;
    };
    out << scene->GetTime() << " " << scene->GetPickMode() << " " << scene->GetSelectionMode();
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            const MBaseObject* parent = n->GetParent()->GetObject();
            out << "\n#" << num(n->GetObject()) << " under " << (parent ? num(parent) : -1)
                << " nodeflags " << n->GetFlags();
        });
    for (size_t i = 0; i < order.size(); ++i)
    {
        const MBaseObject* o = order[i];
        out << "\n#" << i << " " << o->ClassName().str() << " " << o->GetFlags();
        for (int p = 0; p < o->GetParamCount(); ++p)
        {
            const MParameterObject* param = o->GetParam(p);
            out << " [" << param->GetName().str() << " " << param->GetType() << " "
                << param->MParameterObject::GetValue().str();
            for (const auto& [t, v] : param->GetKeys())
                out << " " << t << ":" << v.str();
            out << "]";
        }
        if (auto* m = dynamic_cast<const MMaterial*>(o))
            for (MBaseObject* l : m->GetLayerList())
                out << " layer " << num(l);
        if (auto* l = dynamic_cast<const MMaterialLayer*>(o))
            for (MBaseObject* n : l->GetShaderList())
                out << " node " << num(n);
        if (auto* so = dynamic_cast<const MSceneObject*>(o))
            for (const MBaseObject* part :
                 {(MBaseObject*)so->GetTransform(), (MBaseObject*)so->GetGeometry(),
                  (MBaseObject*)so->GetMaterial()})
                out << " part " << (part ? num(part) : -1);
        if (auto* mesh = dynamic_cast<const MMesh*>(o)) // the rich scene's one triangle
            for (size_t i = 0; i < 3; ++i)
                out << " " << mesh->GetVertices()[i].x << "," << mesh->GetVertices()[i].y << ","
                    << mesh->GetVertices()[i].z << " " << mesh->GetTriangles()[0][i] << " "
                    << mesh->GetEdgeFlags()[i];
    }
    return out.str();
}
template <class T> T* Put(MScene* scene, const char* name, MBaseObject* parent = nullptr)
{
    auto* o = new T();
    o->SetName(name);
    scene->AddObject(o, parent ? scene->FindObject(parent) : nullptr);
    return o;
}
// A scene with something of every kind the file has to keep.
void BuildRichScene(MScene* s)
{
    auto* wall = Put<MMaterial>(s, "textures/base_wall/metal");
    wall->SetParamByName("cull", "none");
    auto* option = Put<MMaterialLayer>(s, "OptionLayer1", wall);
    Put<MQERadiantShaderNode>(s, "QERNode1", option)->SetParamByName("FogCol", "0.5 0.25 1");
    auto* surface = Put<MQ3MapSurfaceShaderNode>(s, "SurfaceNode1", option);
    surface->SetParamByName("myownword", "On"); // unknown to the class
    // Every kind, some of another kind than the class would make for the name.
    surface->AddFloatParam("strength", "0.75");
    surface->AddParameter(std::make_unique<MKeyedVectorParameterObject>("kv", "1 2 3"));
    surface->FindParameter("kv")->SetValue("4 5 6", -120, true);
    surface->AddVectorParam("v", "0 1 0");
    surface->AddFileParam("file", "a/b.tga");
    surface->AddColourParam("colour", "1 1 0");
    surface->AddStringParam("text", "");
    auto* stage = Put<MMaterialLayer>(s, "Layer1", wall);
    stage->SetParamByName("dWr", "On");
    Put<MFileShaderNode>(s, "FileShader1", stage)->SetParamByName("Fname", "a.tga");
    Put<MBlendFuncShaderNode>(s, "BlendFuncNode1", stage)->SetParamByName("bmP", "custom");
    auto keyed = std::make_unique<MKeyedFloatParameterObject>("Speed", "0.25");
    keyed->SetValue("1", 0, true);
    keyed->SetValue("-2.5", 240, true);
    Put<MTCScrollShaderNode>(s, "TCModScroll1", stage)->AddParameter(std::move(keyed));
    auto* anim = Put<MAnimFileShaderNode>(s, "AnimFile1", Put<MMaterialLayer>(s, "Layer2", wall));
    anim->SetParamByName("nF", "13");
    anim->SetParamByName("Fname12", "textures/anim/frame12.tga");
    // A layer the material holds outside the tree, with a node outside it too.
    auto* hidden = new MMaterialLayer();
    wall->AddLayer(hidden);
    hidden->AddShader(new MTCRotateShaderNode());
    hidden->GetShader(0)->SetName("DetachedRotate");
    // Texts that JSON cannot carry as they are, and some it can.
    auto* odd = Put<MMaterial>(s, "textures/caf\xe9/\xff\xfe odd");
    odd->SetFlags(OBJ_TYPE_MATERIAL | OBJ_COLLAPSED);
    auto* text = Put<MVerbatimShaderNode>(s, "Keyword1", Put<MMaterialLayer>(s, "Options", odd));
    text->SetParamByName("Keyword", "q3map_\"quoted\"\\back");
    static const char kOddText[] = "tab\there\nnewline\0nul \xe2\x82\xac";
    text->SetParamByName("Text", std::string(kOddText, sizeof kOddText - 1));
    // A material in the tree below another object, and tree node flags.
    s->FindObject(Put<MMaterial>(s, "textures/child", odd))->SetFlags(0x300);
    // A scene object with keyed placement and a mesh with component flags.
    auto* floor = Put<MSceneObject>(s, "Floor");
    auto* mesh = new MMesh();
    for (MVector3 v : {MVector3(0, 0, 0), MVector3(1, 0, 0), MVector3(1, 1, 0.5f)})
        mesh->AddVertex(v);
    mesh->AddTriangle(0, 1, 2);
    mesh->SetComponentFlag(COMPONENT_FLAG_EDGE, 1, true);
    floor->SetGeometry(mesh);
    floor->SetMaterial(wall);
    floor->GetTransform()->SetTranslate({1, 2, 3}, 0, true);
    floor->GetTransform()->SetTranslate({4, 5, 6}, 120, true);
    s->SelectObject(s->FindObjectByName("BlendFuncNode1"));
    s->SelectObject(odd);
    s->SetTime(360);
    s->SetPickMode(1);
    s->SetSelectionMode(2);
}
class SceneFileTest : public ::testing::Test
{
  protected:
    TestSystem sys;
    TempDir dir;
    MCompleteTranslator translator;
    std::string PathOf(const char* name) const { return (dir.Path() / name).string(); }
    bool Logged(const std::string& a, const std::string& b) const
    {
        for (const std::string& line : sys.log.lines)
            if (line.find(a) != std::string::npos && line.find(b) != std::string::npos)
                return true;
        return false;
    }
    // Opening fails, the log names file and reason, and the scene stays as it was.
    void ExpectRefused(const std::string& path, const std::string& reason)
    {
        MScene* scene = sys.Scene();
        const std::string before = Describe(scene);
        MBaseObject* first = scene->GetRoot()->GetFirstChild()->GetObject();
        sys.log.lines.clear();
        EXPECT_FALSE(translator.ImportFile(path, scene)) << path;
        EXPECT_TRUE(Logged("'" + path + "'", reason))
            << "wanted '" << reason << "'; got "
            << (sys.log.lines.empty() ? std::string("nothing") : sys.log.lines.back());
        EXPECT_EQ(Describe(scene), before);
        EXPECT_EQ(scene->GetRoot()->GetFirstChild()->GetObject(), first);
    }
};
std::string Minimal(const std::string& objects, int version = 1)
{
    return "{\"format\": \"Glazen scene\", \"version\": " + std::to_string(version) +
           ", \"objects\": [" + objects + "]}";
}
} // namespace

TEST_F(SceneFileTest, SavedScenesOpenEqualAndHandWrittenOnesMayOmitAndReorderMembers)
{
    BuildRichScene(sys.Scene());
    const std::string saved = Describe(sys.Scene());
    const std::string path = PathOf("rich.glazen");
    ASSERT_TRUE(translator.ExportFile(path, sys.Scene()));
    // The manager's own translator opens it, in place of what a scene held.
    MTranslator* registered = sys.manager.FindSceneTranslatorThatImports(path);
    MScene other;
    Put<MMaterial>(&other, "will be replaced");
    ASSERT_TRUE(static_cast<MSceneTranslator*>(registered)->ImportFile(path, &other));
    EXPECT_EQ(Describe(&other), saved);
    // The objects behave as their classes made them.
    MBaseObject* surface = other.FindObjectByName("SurfaceNode1");
    EXPECT_NE(dynamic_cast<MStringChoiceParameterObject*>(surface->FindParameter("myownword")),
              nullptr);
    EXPECT_FLOAT_EQ(other.FindObjectByName("TCModScroll1")->GetParamFloat("Speed"), -2.5f);
    // What was opened saves to the same file; an empty scene empties one.
    const std::string again = PathOf("again.glazen");
    ASSERT_TRUE(translator.ExportFile(again, &other));
    EXPECT_EQ(ReadWholeFile(again), ReadWholeFile(path));
    MScene empty;
    ASSERT_TRUE(translator.ExportFile(again, &empty));
    ASSERT_TRUE(translator.ImportFile(again, &other));
    EXPECT_EQ(other.GetObjectCount(), 0);
    MScene* scene = sys.Scene();
    ASSERT_TRUE(translator.ImportFile(
        dir.Write("hand.glazen",
                  "\xEF\xBB\xBF" +
                      Minimal("{\"id\": 7, \"class\": \"MMaterial\", \"parent\": null, \"layers\": "
                              "[3], \"x\": 1},"
                              "{\"id\": 3, \"class\": \"MMaterialLayer\", \"parent\": 7,"
                              " \"params\": [[\"name\", 7, {\"hex\": \"e9\"}]]}")),
        scene));
    EXPECT_EQ(TreeShape(*scene), " ( \xe9)");
    auto* material = static_cast<MMaterial*>(scene->GetRoot()->GetFirstChild()->GetObject());
    EXPECT_EQ(material->GetFlags(), MMaterial().GetFlags()) << "the class's flags by default";
    ASSERT_TRUE(translator.ImportFile(
        dir.Write("reordered.glazen",
                  "{\"objects\": [{\"id\": 1, \"class\": \"MFileShaderNode\", \"parent\": null,"
                  " \"params\": [[\"Fname\", 8, \"a.tga\"]]}],"
                  " \"time\": 240, \"version\": 1, \"format\": \"Glazen scene\"}"),
        scene));
    EXPECT_EQ(scene->GetTime(), 240);
    EXPECT_EQ(scene->GetRoot()->GetFirstChild()->GetObject()->GetParamByName("Fname"), "a.tga");
}
TEST_F(SceneFileTest, UnsoundFilesAreRefusedAndSeedScenesSaveToTheSameTextInTheCurrentFormat)
{
    BuildRichScene(sys.Scene());
    std::string text;
    MStr why;
    ASSERT_TRUE(MCompleteTranslator::WriteSceneText(sys.Scene(), text, why));
    std::string damaged = text;
    damaged[damaged.find("\"params\"")] = '@';
    const std::string m = "{\"id\": 1, \"class\": \"MMaterial\"";
    const std::string foreign = "not a Glazen scene file";
    auto refused = [&](const std::string& content, const std::string& reason)
    {
        SCOPED_TRACE(reason);
        ExpectRefused(dir.Write("case.glazen", content), reason);
    };
    refused("", "the file is empty");
    refused(" \n\t", "nothing but blanks");
    refused(text.substr(0, text.size() - 3), "cut short");
    refused(damaged, "damaged");
    refused("textures/x\n{\n  surfaceparm nolightmap\n}\n", foreign);
    // A foreign format is told apart from a damaged record before it.
    refused("{\"objects\": [{\"id\": 1, \"class\": \"MTeapot\"}], \"format\": \"Other\"}", foreign);
    refused(Minimal("", 3), "written by a newer version of Glazen (format version 3");
    refused(Minimal("", 0), "format version 0 is not valid");
    refused("{\"format\": \"Glazen scene\", \"objects\": []}", "no format version");
    refused("{\"format\": \"Glazen scene\", \"version\": 1}", "no object list");
    refused("{\"format\": \"Glazen scene\", \"version\": 1, \"objects\": {}}",
            "it has no object list");
    refused(Minimal("], \"objects\": ["), "it holds two object lists");
    refused(Minimal("{\"id\": 1, \"class\": \"MTeapot\"}"),
            "object 1 (id 1): the class 'MTeapot' is not known to this program");
    refused(Minimal("{\"id\": 1}"), "object 1 (id 1) has no class");
    refused(Minimal("{\"class\": \"MMaterial\"}"), "object 1 has no id");
    refused(Minimal("{\"id\": 0, \"class\": \"MMaterial\"}"), "object 1: the id is out of range");
    refused(Minimal(m + "}," + m + "}"), "another object has the same id");
    refused(Minimal("42"), "object 1 is not an object record");
    refused(Minimal("{\"id\": 2, \"class\": \"MMaterial\", \"parent\": 1}," + m + "}"),
            "its parent is not an earlier object of the scene tree");
    refused(Minimal(m + ", \"parent\": null, \"layers\": [9]}"),
            "names the id 9, which no object has");
    refused(Minimal(m + ", \"layers\": [1]}"), "a layer entry names an object that is not a layer");
    refused(Minimal(m + ", \"nodes\": []}"), "lists nodes but is not a layer");
    refused(Minimal("{\"id\": 1, \"class\": \"MFileShaderNode\", \"layers\": []}"),
            "lists layers but is not a material");
    refused(Minimal("{\"id\": 1, \"class\": \"MMaterialLayer\", \"nodes\": [1]}"),
            "a node entry names an object that is not a shader node");
    refused(Minimal(m + ", \"flags\": 4294967296}"), "the flag word is out of range");
    refused(Minimal(m + ", \"flags\": 1.5}"), "the flag word is not a whole number");
    refused(Minimal(m + ", \"params\": [[\"Cull\", 3, \"none\"]]}"), "the kind 3 is not known");
    refused(Minimal(m + ", \"params\": [[\"Cull\", 7]]}"),
            "parameter 1 is not a [name, kind, value] record");
    refused(Minimal(m + ", \"params\": [[\"Cull\", 7, 5]]}"),
            "parameter 1: the value is not a text");
    refused(Minimal(m + ", \"params\": [[\"Cull\", 7, \"a\", [[0, \"b\"]]]]}"),
            "only keyed kinds (2 and 6) carry a key list");
    refused(Minimal(m + ", \"params\": [[\"Speed\", 2, \"1\", [[0]]]]}"),
            "a key is not a [time, value] pair");
    refused(Minimal(m + ", \"params\": [[\"Name\", 7, {\"hex\": \"abc\"}]]}"),
            "the value is not a text");
    refused(Minimal(m + "}], \"time\": 3000000000, \"x\": ["), "the scene time is out of range");
    // One frame name may not make a hundred thousand parameters.
    refused(Minimal("{\"id\": 1, \"class\": \"MAnimFileShaderNode\", \"params\": [[\"Fname99999\", "
                    "8, \"x\"]]}"),
            "the file asks for more parameters than it holds");
    const std::string mesh = "{\"id\": 1, \"class\": \"MMesh\", \"vertices\": [0, 0";
    refused(Minimal(mesh + "]}", 2), "not a list of x, y, z triples");
    refused(Minimal(mesh + ", 0], \"triangles\": [0, 0, 1]}", 2), "triangle corner");
    refused(Minimal(mesh + ", 0], \"vertexFlags\": [1, 2]}", 2), "does not match");
    refused(Minimal(m + ", \"transform\": 1}", 2), "not a scene object");
    refused(Minimal("{\"id\": 1, \"class\": \"MSceneObject\", \"geometry\": 1}", 2), "geometry");
    refused(Minimal("{\"id\": 1, \"class\": \"MSceneObject\", \"transform\": 7}", 2),
            "no object has");
    ExpectRefused(PathOf("missing.glazen"), "could not be read");
    fs::create_directory(dir.Path() / "folder.glazen");
    ExpectRefused(PathOf("folder.glazen"), "could not be read: it is a folder");
    // Seed scenes open and save to the same text in the current format.
    int opened = 0;
    for (const auto& e : fs::directory_iterator(TestDataDir() / "scenes"))
    {
        SCOPED_TRACE(e.path().string());
        ASSERT_TRUE(translator.ImportFile(e.path().string(), sys.Scene()));
        std::string written, seed = ReadWholeFile(e.path());
        MStr reason;
        ASSERT_TRUE(MCompleteTranslator::WriteSceneText(sys.Scene(), written, reason));
        if (const size_t at = seed.find("\"version\": 1,"); at != std::string::npos)
            seed[at + 11] = '2';
        EXPECT_EQ(written, seed);
        ++opened;
    }
    EXPECT_GE(opened, 2);
}
TEST_F(SceneFileTest, ExportObjectSavesWhatItHoldsAndFailedSavesKeepTheOldFile)
{
    BuildRichScene(sys.Scene());
    MScene* scene = sys.Scene();
    const std::string path = PathOf("wall.glazen");
    ASSERT_TRUE(translator.ExportObject(path, scene->FindObjectByName("textures/base_wall/metal")));
    MScene opened;
    ASSERT_TRUE(translator.ImportFile(path, &opened));
    // The material with all it holds and nothing else; selection stays.
    EXPECT_EQ(opened.GetObjectCount(), 1 + 3 + 2 + 3 + 1);
    auto* copy = static_cast<MMaterial*>(opened.GetRoot()->GetFirstChild()->GetObject());
    EXPECT_EQ(copy->GetLayer(3)->GetShader(0)->GetName(), "DetachedRotate");
    EXPECT_EQ(Selection(opened), "BlendFuncNode1 ");
    // An object outside any scene is saved alone; a scene is saved whole.
    MRef<MTCRotateShaderNode> loose(new MTCRotateShaderNode());
    loose->SetName("loose");
    ASSERT_TRUE(translator.ExportObject(path, loose.Get()));
    ASSERT_TRUE(translator.ImportFile(path, &opened));
    EXPECT_EQ(TreeShape(opened), " loose");
    ASSERT_TRUE(translator.ExportObject(path, scene));
    ASSERT_TRUE(translator.ImportFile(path, &opened));
    EXPECT_EQ(Describe(&opened), Describe(scene));
    const std::string kept = dir.Write("keep.glazen", "old content");
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(translator.ExportFile(kept, sys.Scene()));
    }
    EXPECT_TRUE(Logged("Scene file '" + kept + "' could not be saved", "could not be written"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2)
        << "no temporary file is left behind";
    const std::string nowhere = PathOf("no/such/folder/x.glazen");
    EXPECT_FALSE(translator.ExportFile(nowhere, sys.Scene()));
    EXPECT_TRUE(Logged(nowhere, "could not be saved"));
    // An object no prototype can make again would be lost on opening: refuse.
    sys.Scene()->AddObject(new Counted("plain thing"));
    EXPECT_FALSE(translator.ExportFile(kept, sys.Scene()));
    EXPECT_TRUE(Logged("'plain thing' is of class 'Counted'", "no prototype"));
    EXPECT_EQ(ReadWholeFile(kept), "old content");
    EXPECT_FALSE(translator.ExportFile(PathOf("null.glazen"), nullptr));
    EXPECT_FALSE(fs::exists(PathOf("null.glazen")));
}
