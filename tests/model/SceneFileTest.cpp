#include "MCompleteTranslator.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sstream>
#include <unordered_map>

namespace fs = std::filesystem;

namespace
{
// Everything a scene holds, as text: the tree with node flags, then every
// object reached (tree order, then held layers and nodes) with class, flags,
// selection, parameters with keys, and layers and nodes by number.
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
        out << "\n#" << i << " " << o->ClassName().str() << " " << o->GetFlags()
            << (scene->GetSelectedList().Contains(o) ? " selected" : "");
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
    }
    return out.str();
}

// Adds objects the way the shader reader does: material at the top, layers
// under it, nodes under their layer.
struct SceneBuilder
{
    MScene* scene;

    MMaterial* Material(const char* name)
    {
        auto* m = new MMaterial();
        m->SetName(name);
        scene->AddObject(m);
        return m;
    }
    MMaterialLayer* Layer(MMaterial* m, const char* base)
    {
        auto* l = new MMaterialLayer();
        l->SetName(scene->GenerateUniqueName(base));
        m->AddLayer(l);
        scene->AddObject(l, scene->FindObject(m));
        return l;
    }
    template <class Node> Node* Add(MMaterialLayer* l)
    {
        auto* n = new Node();
        n->SetName(scene->GenerateUniqueName(n->GetBaseName()));
        l->AddShader(n);
        scene->AddObject(n, scene->FindObject(l));
        return n;
    }
};

// A scene with something of every kind the file has to keep.
void BuildRichScene(MScene* scene)
{
    SceneBuilder b{scene};
    MMaterial* wall = b.Material("textures/base_wall/metal");
    wall->SetParamByName("cull", "none");
    MMaterialLayer* option = b.Layer(wall, "OptionLayer");
    b.Add<MQERadiantShaderNode>(option)->SetParamByName("FogCol", "0.5 0.25 1");
    auto* surface = b.Add<MQ3MapSurfaceShaderNode>(option);
    surface->SetParamByName("myownword", "On"); // unknown to the class
    // Every kind, some of another kind than the class would make for the name.
    surface->AddFloatParam("strength", "0.75");
    surface->AddParameter(std::make_unique<MKeyedVectorParameterObject>("kv", "1 2 3"));
    surface->FindParameter("kv")->SetValue("4 5 6", -120, true);
    surface->AddVectorParam("v", "0 1 0");
    surface->AddFileParam("file", "a/b.tga");
    surface->AddColourParam("colour", "1 1 0");
    surface->AddStringParam("text", "");

    MMaterialLayer* stage = b.Layer(wall, "Layer");
    stage->SetParamByName("dWr", "On");
    b.Add<MFileShaderNode>(stage)->SetParamByName("Fname", "textures/base_wall/metal.tga");
    auto* blend = b.Add<MBlendFuncShaderNode>(stage);
    blend->SetParamByName("bmP", "custom");
    auto* scroll = b.Add<MTCScrollShaderNode>(stage);
    auto keyed = std::make_unique<MKeyedFloatParameterObject>("Speed", "0.25");
    keyed->SetValue("1", 0, true);
    keyed->SetValue("-2.5", 240, true);
    scroll->AddParameter(std::move(keyed));
    auto* frames = b.Add<MAnimFileShaderNode>(b.Layer(wall, "Layer"));
    frames->SetParamByName("nF", "13");
    frames->SetParamByName("Fname12", "textures/anim/frame12.tga");

    // A layer the material holds outside the tree, with a node outside it too.
    auto* hidden = new MMaterialLayer();
    hidden->SetName("Detached");
    wall->AddLayer(hidden);
    auto* hiddenNode = new MTCRotateShaderNode();
    hiddenNode->SetName("DetachedRotate");
    hidden->AddShader(hiddenNode);

    // Texts that JSON cannot carry as they are, and some it can.
    MMaterial* odd = b.Material("textures/caf\xe9/\xff\xfe odd");
    odd->AddFlags(OBJ_COLLAPSED);
    odd->ClearFlags(OBJ_VISIBLE);
    auto* verbatim = b.Add<MVerbatimShaderNode>(b.Layer(odd, "OptionLayer"));
    verbatim->SetParamByName("Keyword", "q3map_\"quoted\"\\back");
    static const char kOddText[] = "tab\there\nnewline\0nul \xe2\x82\xac";
    verbatim->SetParamByName("Text", std::string(kOddText, sizeof kOddText - 1));

    // A material in the tree below another object, and tree node flags.
    MMaterial* child = new MMaterial();
    child->SetName("textures/child");
    scene->AddObject(child, scene->FindObject(odd));
    scene->FindObject(child)->SetFlags(0x300);

    scene->SelectObject(blend);
    scene->SelectObject(odd);
    scene->SetTime(360);
    scene->SetPickMode(1);
    scene->SetSelectionMode(2);
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
    // Opening must fail, name the file and the reason in the log, and leave
    // the scene exactly as it was, with the same objects.
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

TEST_F(SceneFileTest, SaveThenOpenGivesBackAnEqualScene)
{
    BuildRichScene(sys.Scene());
    const std::string saved = Describe(sys.Scene());
    const std::string path = PathOf("rich.glazen");
    ASSERT_TRUE(translator.ExportFile(path, sys.Scene()));

    // The manager's own translator opens it, in place of what a scene held.
    MTranslator* registered = sys.manager.FindSceneTranslatorThatImports(path);
    ASSERT_NE(registered, nullptr);
    MScene other;
    SceneBuilder{&other}.Material("will be replaced");
    ASSERT_TRUE(static_cast<MSceneTranslator*>(registered)->ImportFile(path, &other));
    EXPECT_EQ(Describe(&other), saved);

    // The objects behave as their classes made them.
    auto* surface = other.FindObjectByName("SurfaceNode1");
    auto* word = dynamic_cast<MStringChoiceParameterObject*>(surface->FindParameter("myownword"));
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->GetChoice(0), "On");
    auto* frames = dynamic_cast<MAnimFileShaderNode*>(other.FindObjectByName("AnimFileShader1"));
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(frames->GetNumberOfImages(), 13);
    EXPECT_FLOAT_EQ(other.FindObjectByName("TCModScroll1")->GetParamFloat("Speed"), -2.5f);

    // Saving what was opened writes the same file again; an empty scene
    // empties the scene it is opened into.
    const std::string again = PathOf("again.glazen");
    ASSERT_TRUE(translator.ExportFile(again, &other));
    EXPECT_EQ(ReadWholeFile(again), ReadWholeFile(path));
    MScene empty;
    ASSERT_TRUE(translator.ExportFile(again, &empty));
    ASSERT_TRUE(translator.ImportFile(again, &other));
    EXPECT_EQ(other.GetObjectCount(), 0);
}

TEST_F(SceneFileTest, HandWrittenFilesMayLeaveOutOptionalMembersAndReorderThem)
{
    const std::string path = dir.Write(
        "hand.glazen",
        "\xEF\xBB\xBF" +
            Minimal("{\"id\": 7, \"class\": \"MMaterial\", \"parent\": null, \"layers\": [3],"
                    " \"comment\": \"ignored\"},"
                    "{\"id\": 3, \"class\": \"MMaterialLayer\", \"parent\": 7,"
                    " \"params\": [[\"name\", 7, {\"hex\": \"e9\"}]]}"));
    MScene* scene = sys.Scene();
    ASSERT_TRUE(translator.ImportFile(path, scene));
    ASSERT_EQ(scene->GetObjectCount(), 2);
    auto* material = dynamic_cast<MMaterial*>(scene->GetRoot()->GetFirstChild()->GetObject());
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->GetFlags(), MMaterial().GetFlags()) << "the class's flags by default";
    ASSERT_EQ(material->GetLayerCount(), 1);
    EXPECT_EQ(material->GetLayer(0)->GetName(), "\xe9");
    EXPECT_EQ(scene->FindObject(material->GetLayer(0))->GetParent(), scene->FindObject(material));

    const std::string reordered =
        dir.Write("reordered.glazen",
                  "{\"objects\": [{\"id\": 1, \"class\": \"MFileShaderNode\", \"parent\": null,"
                  " \"params\": [[\"Fname\", 8, \"a.tga\"]]}],"
                  " \"time\": 240, \"version\": 1, \"format\": \"Glazen scene\"}");
    ASSERT_TRUE(translator.ImportFile(reordered, scene));
    ASSERT_EQ(scene->GetObjectCount(), 1);
    EXPECT_EQ(scene->GetTime(), 240);
    EXPECT_EQ(scene->GetRoot()->GetFirstChild()->GetObject()->GetParamByName("Fname"), "a.tga");
}

TEST_F(SceneFileTest, UnsoundFilesAreRefusedAndTheSceneStaysAsItWas)
{
    BuildRichScene(sys.Scene());
    const std::string good = PathOf("good.glazen");
    ASSERT_TRUE(translator.ExportFile(good, sys.Scene()));
    const std::string text = ReadWholeFile(good);
    std::string damaged = text;
    damaged[damaged.find("\"params\"")] = '@';
    const std::string material = "{\"id\": 1, \"class\": \"MMaterial\", \"parent\": null";
    const std::string foreign = "not a Glazen scene file";
    const std::pair<std::string, std::string> cases[] = {
        {"", "the file is empty"},
        {" \n\t", "nothing but blanks"},
        {text.substr(0, text.size() / 2), "cut short"},
        {text.substr(0, text.size() - 3), "cut short"},
        {damaged, "damaged"},
        {"textures/x\n{\n  surfaceparm nolightmap\n}\n", foreign},
        {"\x89PNG\r\n\x1a\n", foreign},
        {"[1, 2]", foreign},
        {"{\"format\": \"Something else\", \"version\": 1}", foreign},
        // A foreign format is told apart from a damaged record before it.
        {"{\"objects\": [{\"id\": 1, \"class\": \"MTeapot\"}], \"format\": \"Other\"}", foreign},
        {Minimal("", 3), "written by a newer version of Glazen (format version 3"},
        {Minimal("", 0), "format version 0 is not valid"},
        {"{\"format\": \"Glazen scene\", \"objects\": []}", "no format version"},
        {"{\"format\": \"Glazen scene\", \"version\": 1}", "no object list"},
        {"{\"format\": \"Glazen scene\", \"version\": 1, \"objects\": {}}",
         "it has no object list"},
        {"{\"format\": \"Glazen scene\", \"version\": 1, \"objects\": [], \"objects\": []}",
         "it holds two object lists"},
        {Minimal("{\"id\": 1, \"class\": \"MTeapot\"}"),
         "object 1 (id 1): the class 'MTeapot' is not known to this program"},
        {Minimal("{\"id\": 1}"), "object 1 (id 1) has no class"},
        {Minimal("{\"class\": \"MMaterial\"}"), "object 1 has no id"},
        {Minimal("{\"id\": 0, \"class\": \"MMaterial\"}"), "object 1: the id is out of range"},
        {Minimal(material + "}," + material + "}"), "another object has the same id"},
        {Minimal("42"), "object 1 is not an object record"},
        {Minimal("{\"id\": 2, \"class\": \"MMaterial\", \"parent\": 1}," + material + "}"),
         "its parent is not an earlier object of the scene tree"},
        {Minimal("{\"id\": 1, \"class\": \"MMaterial\"}, {\"id\": 2, \"class\": \"MMaterial\", "
                 "\"parent\": 1}"),
         "its parent is not an earlier object of the scene tree"},
        {Minimal(material + ", \"layers\": [9]}"), "names the id 9, which no object has"},
        {Minimal(material + ", \"layers\": [1]}"),
         "a layer entry names an object that is not a layer"},
        {Minimal(material + ", \"nodes\": []}"), "lists nodes but is not a layer"},
        {Minimal("{\"id\": 1, \"class\": \"MFileShaderNode\", \"layers\": []}"),
         "lists layers but is not a material"},
        {Minimal("{\"id\": 1, \"class\": \"MMaterialLayer\", \"nodes\": [2]}, {\"id\": 2, "
                 "\"class\": \"MMaterial\"}"),
         "a node entry names an object that is not a shader node"},
        {Minimal(material + ", \"flags\": 4294967296}"), "the flag word is out of range"},
        {Minimal(material + ", \"flags\": -1}"), "the flag word is out of range"},
        {Minimal(material + ", \"flags\": 1.5}"), "the flag word is not a whole number"},
        {Minimal(material + ", \"params\": [[\"Cull\", 3, \"none\"]]}"), "the kind 3 is not known"},
        {Minimal(material + ", \"params\": [[\"Cull\", 7]]}"),
         "parameter 1 is not a [name, kind, value] record"},
        {Minimal(material + ", \"params\": [[\"Cull\", 7, 5]]}"),
         "parameter 1: the value is not a text"},
        {Minimal(material + ", \"params\": [[\"Cull\", 7, \"a\", [[0, \"b\"]]]]}"),
         "only keyed kinds (2 and 6) carry a key list"},
        {Minimal(material + ", \"params\": [[\"Speed\", 2, \"1\", [[0]]]]}"),
         "a key is not a [time, value] pair"},
        {Minimal(material + ", \"params\": [[\"Name\", 7, {\"hex\": \"zz\"}]]}"),
         "the value is not a text"},
        {Minimal(material + ", \"params\": [[\"Name\", 7, {\"hex\": \"abc\"}]]}"),
         "the value is not a text"},
        {Minimal(material + "}], \"time\": 3000000000, \"x\": ["),
         "the scene time is out of range"},
        // One frame name may not make a hundred thousand parameters.
        {Minimal("{\"id\": 1, \"class\": \"MAnimFileShaderNode\", \"params\": [[\"Fname99999\", "
                 "8, \"x\"]]}"),
         "the file asks for more parameters than it holds"},
    };
    for (const auto& [content, reason] : cases)
    {
        SCOPED_TRACE(reason);
        ExpectRefused(dir.Write("case.glazen", content), reason);
    }
    ExpectRefused(PathOf("missing.glazen"), "could not be read");
    fs::create_directory(dir.Path() / "folder.glazen");
    ExpectRefused(PathOf("folder.glazen"), "could not be read: it is a folder");
}

TEST_F(SceneFileTest, FailedSavesKeepTheOldFile)
{
    BuildRichScene(sys.Scene());
    const std::string path = dir.Write("keep.glazen", "old content");
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(translator.ExportFile(path, sys.Scene()));
    }
    EXPECT_EQ(ReadWholeFile(path), "old content");
    EXPECT_TRUE(Logged("Scene file '" + path + "' could not be saved", "could not be written"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
    const std::string nowhere = PathOf("no/such/folder/x.glazen");
    EXPECT_FALSE(translator.ExportFile(nowhere, sys.Scene()));
    EXPECT_TRUE(Logged(nowhere, "could not be saved"));

    // An object no prototype can make again would be lost on opening: refuse.
    auto* plain = new MBaseObject();
    plain->SetName("plain thing");
    sys.Scene()->AddObject(plain);
    EXPECT_FALSE(translator.ExportFile(path, sys.Scene()));
    EXPECT_TRUE(Logged("'plain thing' is of class 'MBaseObject'", "no prototype"));
    EXPECT_EQ(ReadWholeFile(path), "old content");
    EXPECT_FALSE(translator.ExportFile(PathOf("null.glazen"), nullptr));
    EXPECT_FALSE(translator.ExportObject(PathOf("null.glazen"), nullptr));
    EXPECT_FALSE(fs::exists(PathOf("null.glazen")));
}

TEST_F(SceneFileTest, ExportObjectSavesTheObjectWithWhatItHolds)
{
    BuildRichScene(sys.Scene());
    MScene* scene = sys.Scene();
    const std::string path = PathOf("wall.glazen");
    ASSERT_TRUE(translator.ExportObject(path, scene->FindObjectByName("textures/base_wall/metal")));
    MScene opened;
    ASSERT_TRUE(translator.ImportFile(path, &opened));
    ASSERT_EQ(opened.GetRoot()->GetChildCount(), 1);
    // The material, its layers and nodes, the held ones too; the other
    // material did not come along. The selected blend node stays selected.
    EXPECT_EQ(TreeShape(opened), TreeShape(*scene).substr(0, TreeShape(opened).size()));
    EXPECT_EQ(opened.GetObjectCount(), 1 + 3 + (2 + 3 + 1));
    auto* copy = static_cast<MMaterial*>(opened.GetRoot()->GetFirstChild()->GetObject());
    ASSERT_EQ(copy->GetLayerCount(), 4);
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
    opened.ClearScene();
}

TEST_F(SceneFileTest, SeedScenesOpenAndSaveToTheSameTextInTheCurrentFormat)
{
    int opened = 0;
    for (const auto& e : fs::directory_iterator(TestDataDir() / "scenes"))
    {
        SCOPED_TRACE(e.path().string());
        ASSERT_TRUE(translator.ImportFile(e.path().string(), sys.Scene()));
        EXPECT_GT(sys.Scene()->GetObjectCount(), 0);
        const std::string again = PathOf("again.glazen");
        ASSERT_TRUE(translator.ExportFile(again, sys.Scene()));
        std::string seed = ReadWholeFile(e.path());
        const std::string oldVersion = "\"version\": 1,";
        if (const size_t at = seed.find(oldVersion); at != std::string::npos)
            seed.replace(at, oldVersion.size(), "\"version\": 2,");
        EXPECT_EQ(ReadWholeFile(again), seed);
        ++opened;
    }
    EXPECT_GE(opened, 2);
}
