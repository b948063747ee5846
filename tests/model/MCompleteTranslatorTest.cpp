#include "MCompleteTranslator.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "TestSupport.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <unordered_map>

namespace fs = std::filesystem;

namespace
{
// A full account of a scene: the tree with node flags, every object reached
// from it (tree objects in depth-first order, then held layers and nodes)
// with class, flags, parameters (name, kind, plain value, keys), each
// material's layers and each layer's nodes by their number in this account,
// the selection, the time and the modes. Two scenes with equal accounts hold
// the same things.
std::string Describe(MScene* scene)
{
    std::ostringstream out;
    std::unordered_map<const MBaseObject*, int> number;
    std::vector<const MBaseObject*> order;
    auto num = [&](const MBaseObject* o)
    {
        auto [it, added] = number.emplace(o, static_cast<int>(order.size()));
        if (added)
            order.push_back(o);
        return it->second;
    };
    out << "time " << scene->GetTime() << " pick " << scene->GetPickMode() << " selection "
        << scene->GetSelectionMode() << "\n";
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            int depth = 0;
            for (MBaseObjectTreeNode* p = n->GetParent(); p && p->GetObject(); p = p->GetParent())
                ++depth;
            out << std::string(static_cast<size_t>(depth) * 2, ' ') << "#" << num(n->GetObject())
                << " nodeflags " << n->GetFlags() << "\n";
        });
    for (size_t i = 0; i < order.size(); ++i)
    {
        const MBaseObject* o = order[i];
        out << "#" << i << " " << o->ClassName().str() << " flags " << o->GetFlags() << "\n";
        for (int p = 0; p < o->GetParamCount(); ++p)
        {
            const MParameterObject* param = o->GetParam(p);
            out << "  [" << param->GetName().str() << "] kind " << param->GetType() << " = ["
                << param->MParameterObject::GetValue().str() << "]";
            for (const auto& [t, v] : param->GetKeys())
                out << " key " << t << ":[" << v.str() << "]";
            out << "\n";
        }
        if (auto* m = dynamic_cast<const MMaterial*>(o))
        {
            out << "  layers";
            for (MBaseObject* l : m->GetLayerList())
                out << " #" << num(l);
            out << "\n";
        }
        if (auto* l = dynamic_cast<const MMaterialLayer*>(o))
        {
            out << "  nodes";
            for (MBaseObject* n : l->GetShaderList())
                out << " #" << num(n);
            out << " material " << (l->GetMaterial() ? num(l->GetMaterial()) : -1) << "\n";
        }
    }
    std::set<int> selected;
    for (MBaseObject* o : scene->GetSelectedList())
        selected.insert(num(o));
    out << "selected";
    for (int s : selected)
        out << " #" << s;
    out << "\n";
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
    auto* qer = b.Add<MQERadiantShaderNode>(option);
    qer->SetParamByName("QER_EditorImage", "textures/base_wall/metal.tga");
    qer->SetParamByName("FogCol", "0.5 0.25 1");
    auto* surface = b.Add<MQ3MapSurfaceShaderNode>(option);
    surface->SetParamByName("nolightmap", "On");
    surface->SetParamByName("myownword", "On"); // unknown to the class
    // A parameter of another kind than the class would make for that name.
    surface->AddFloatParam("strength", "0.75");

    MMaterialLayer* stage = b.Layer(wall, "Layer");
    stage->SetParamByName("dWr", "On");
    b.Add<MFileShaderNode>(stage)->SetParamByName("Fname", "textures/base_wall/metal.tga");
    auto* blend = b.Add<MBlendFuncShaderNode>(stage);
    blend->SetParamByName("bmP", "custom");
    blend->SetParamByName("bSrc", "GL_DST_COLOR");
    auto* rgb = b.Add<MRGBGenShaderNode>(stage);
    rgb->SetParamByName("Ty", "wave");
    rgb->SetParamByName("Fr", "0.5");
    auto* scroll = b.Add<MTCScrollShaderNode>(stage);
    // A keyed parameter, with keys, that the class does not have.
    auto keyed = std::make_unique<MKeyedFloatParameterObject>("Speed", "0.25");
    keyed->SetValue("1", 0, true);
    keyed->SetValue("-2.5", 240, true);
    scroll->AddParameter(std::move(keyed));
    scroll->AddColourParam("Tint", "1 0 0");

    MMaterialLayer* anim = b.Layer(wall, "Layer");
    auto* frames = b.Add<MAnimFileShaderNode>(anim);
    frames->SetParamByName("nF", "13");
    frames->SetParamByName("Fname12", "textures/anim/frame12.tga");
    frames->SetParamByName("Fname0", "textures/anim/frame0.tga");

    // A layer the material holds that is not in the tree, with a node that
    // is not in the tree either.
    auto* hidden = new MMaterialLayer();
    hidden->SetName("Detached");
    wall->AddLayer(hidden);
    auto* hiddenNode = new MTCRotateShaderNode();
    hiddenNode->SetName("DetachedRotate");
    hiddenNode->SetParamByName("Dr", "45");
    hidden->AddShader(hiddenNode);

    // Texts that JSON cannot carry as they are, and some it can.
    MMaterial* odd = b.Material("textures/caf\xe9/\xff\xfe odd");
    odd->AddFlags(OBJ_COLLAPSED);
    odd->ClearFlags(OBJ_VISIBLE);
    MMaterialLayer* oddOption = b.Layer(odd, "OptionLayer");
    auto* verbatim = b.Add<MVerbatimShaderNode>(oddOption);
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

// Holds the scene's objects so a test can see that none was replaced.
std::vector<MBaseObject*> TreeObjects(MScene* scene)
{
    std::vector<MBaseObject*> objects;
    scene->ForEachNode([&](MBaseObjectTreeNode* n) { objects.push_back(n->GetObject()); });
    return objects;
}

bool LogHas(const TestSystem& sys, const std::string& a, const std::string& b)
{
    return std::any_of(sys.log.lines.begin(), sys.log.lines.end(),
                       [&](const std::string& line) {
                           return line.find(a) != std::string::npos &&
                                  line.find(b) != std::string::npos;
                       });
}

class SceneFileTest : public ::testing::Test
{
  protected:
    TestSystem sys;
    TempDir dir;
    MCompleteTranslator translator;

    std::string PathOf(const char* name) const { return (dir.Path() / name).string(); }

    // Opening the file must fail, name the file and the reason in the log,
    // and leave the scene exactly as it was.
    void ExpectRefused(const std::string& path, const std::string& reason)
    {
        MScene* scene = sys.Scene();
        const std::string before = Describe(scene);
        const std::vector<MBaseObject*> objects = TreeObjects(scene);
        sys.log.lines.clear();
        EXPECT_FALSE(translator.ImportFile(path, scene)) << path;
        EXPECT_TRUE(LogHas(sys, "'" + path + "'", reason))
            << "expected a log line naming " << path << " and saying '" << reason << "'; got "
            << (sys.log.lines.empty() ? std::string("nothing") : sys.log.lines.back());
        EXPECT_EQ(Describe(scene), before);
        EXPECT_EQ(TreeObjects(scene), objects);
    }

    std::string Minimal(const std::string& objects, int version = 1) const
    {
        return "{\"format\": \"Glazen scene\", \"version\": " + std::to_string(version) +
               ", \"objects\": [" + objects + "]}";
    }
};
} // namespace

TEST_F(SceneFileTest, SaveThenOpenGivesBackAnEqualScene)
{
    BuildRichScene(sys.Scene());
    const std::string saved = Describe(sys.Scene());
    const std::string path = PathOf("rich.glazen");
    ASSERT_TRUE(translator.ExportFile(path, sys.Scene()));

    MScene other;
    SceneBuilder{&other}.Material("will be replaced");
    ASSERT_TRUE(translator.ImportFile(path, &other)) << sys.log.lines.back();
    EXPECT_EQ(Describe(&other), saved);

    // The objects behave as the classes made them: the surface word is an
    // on/off parameter with choices, the animation node counts its frames.
    auto* surface = dynamic_cast<MQ3MapSurfaceShaderNode*>(other.FindObjectByName("SurfaceNode1"));
    ASSERT_NE(surface, nullptr);
    auto* word = dynamic_cast<MStringChoiceParameterObject*>(surface->FindParameter("myownword"));
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->GetChoice(0), "On");
    auto* frames = dynamic_cast<MAnimFileShaderNode*>(other.FindObjectByName("AnimFileShader1"));
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(frames->GetNumberOfImages(), 13);
    // Keys evaluate at the restored scene time.
    auto* scroll = other.FindObjectByName("TCModScroll1");
    ASSERT_NE(scroll, nullptr);
    EXPECT_FLOAT_EQ(scroll->GetParamFloat("Speed"), -2.5f);

    // Saving what was opened writes the same file again.
    const std::string again = PathOf("again.glazen");
    ASSERT_TRUE(translator.ExportFile(again, &other));
    EXPECT_EQ(ReadWholeFile(again), ReadWholeFile(path));
    other.ClearScene();
}

TEST_F(SceneFileTest, EmptySceneRoundTrips)
{
    MScene scene;
    const std::string path = PathOf("empty.glazen");
    ASSERT_TRUE(translator.ExportFile(path, &scene));
    SceneBuilder{sys.Scene()}.Material("old");
    ASSERT_TRUE(translator.ImportFile(path, sys.Scene()));
    EXPECT_EQ(sys.Scene()->GetObjectCount(), 0);
}

TEST_F(SceneFileTest, HandWrittenFilesMayLeaveOutOptionalMembers)
{
    const std::string path = dir.Write(
        "hand.glazen",
        "\xEF\xBB\xBF" +
            Minimal("{\"id\": 7, \"class\": \"MMaterial\", \"parent\": null, \"layers\": [3],"
                    " \"comment\": \"ignored\"},"
                    "{\"id\": 3, \"class\": \"MMaterialLayer\", \"parent\": 7,"
                    " \"params\": [[\"name\", 7, {\"hex\": \"e9\"}]]}"));
    ASSERT_TRUE(translator.ImportFile(path, sys.Scene()));
    MScene* scene = sys.Scene();
    ASSERT_EQ(scene->GetObjectCount(), 2);
    auto* material = dynamic_cast<MMaterial*>(scene->GetRoot()->GetFirstChild()->GetObject());
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->GetFlags(), MMaterial().GetFlags()) << "the class's flags by default";
    ASSERT_EQ(material->GetLayerCount(), 1);
    EXPECT_EQ(material->GetLayer(0)->GetName(), "\xe9");
    EXPECT_EQ(scene->FindObject(material->GetLayer(0))->GetParent(), scene->FindObject(material));

    // Members may stand in any order: the object list before the header.
    const std::string reordered =
        dir.Write("reordered.glazen",
                  "{\"objects\": [{\"id\": 1, \"class\": \"MFileShaderNode\", \"parent\": null,"
                  " \"params\": [[\"Fname\", 8, \"a.tga\"]]}],"
                  " \"time\": 240, \"version\": 1, \"format\": \"Glazen scene\"}");
    ASSERT_TRUE(translator.ImportFile(reordered, scene));
    ASSERT_EQ(scene->GetObjectCount(), 1);
    EXPECT_EQ(scene->GetTime(), 240);
    EXPECT_EQ(scene->GetRoot()->GetFirstChild()->GetObject()->GetParamByName("Fname"), "a.tga");
    // ... and then a foreign format is still told apart from a damaged record.
    ExpectRefused(dir.Write("late.glazen", "{\"objects\": [{\"id\": 1, \"class\": \"MTeapot\"}],"
                                           " \"format\": \"Other\", \"version\": 1}"),
                  "not a Glazen scene file");
    ExpectRefused(dir.Write("twice.glazen", "{\"format\": \"Glazen scene\", \"version\": 1,"
                                            " \"objects\": [], \"objects\": []}"),
                  "it holds two object lists");
    ExpectRefused(dir.Write("notlist.glazen", "{\"format\": \"Glazen scene\", \"version\": 1,"
                                              " \"objects\": {}}"),
                  "it has no object list");
}

TEST_F(SceneFileTest, UnsoundFilesAreRefusedAndTheSceneStaysAsItWas)
{
    BuildRichScene(sys.Scene());
    const std::string good = PathOf("good.glazen");
    ASSERT_TRUE(translator.ExportFile(good, sys.Scene()));
    const std::string text = ReadWholeFile(good);

    ExpectRefused(PathOf("missing.glazen"), "could not be read");
    ExpectRefused(dir.Write("empty.glazen", ""), "the file is empty");
    ExpectRefused(dir.Write("blank.glazen", " \n\t"), "nothing but blanks");
    ExpectRefused(dir.Write("cut.glazen", text.substr(0, text.size() / 2)), "cut short");
    ExpectRefused(dir.Write("cut2.glazen", text.substr(0, text.size() - 3)), "cut short");
    std::string damaged = text;
    damaged[damaged.find("\"params\"")] = '@';
    ExpectRefused(dir.Write("damaged.glazen", damaged), "damaged");
    ExpectRefused(dir.Write("shader.glazen", "textures/x\n{\n  surfaceparm nolightmap\n}\n"),
                  "not a Glazen scene file");
    ExpectRefused(dir.Write("png.glazen", "\x89PNG\r\n\x1a\n"), "not a Glazen scene file");
    ExpectRefused(dir.Write("other.glazen", "{\"format\": \"Something else\", \"version\": 1}"),
                  "not a Glazen scene file");
    ExpectRefused(dir.Write("array.glazen", "[1, 2]"), "not a Glazen scene file");
    ExpectRefused(dir.Write("newer.glazen", Minimal("", 3)),
                  "written by a newer version of Glazen (format version 3");
    ExpectRefused(dir.Write("version0.glazen", Minimal("", 0)), "format version 0 is not valid");
    ExpectRefused(dir.Write("noversion.glazen", "{\"format\": \"Glazen scene\", \"objects\": []}"),
                  "no format version");
    ExpectRefused(dir.Write("noobjects.glazen", "{\"format\": \"Glazen scene\", \"version\": 1}"),
                  "no object list");
    fs::create_directory(dir.Path() / "folder.glazen");
    ExpectRefused(PathOf("folder.glazen"), "could not be read: it is a folder");
}

TEST_F(SceneFileTest, FilesThatBreakTheStructureAreRefused)
{
    BuildRichScene(sys.Scene());
    const std::string material = "{\"id\": 1, \"class\": \"MMaterial\", \"parent\": null";
    const struct
    {
        const char* name;
        std::string objects;
        const char* reason;
    } cases[] = {
        {"unknown class", "{\"id\": 1, \"class\": \"MTeapot\"}",
         "object 1 (id 1): the class 'MTeapot' is not known to this program"},
        {"no class", "{\"id\": 1}", "object 1 (id 1) has no class"},
        {"no id", "{\"class\": \"MMaterial\"}", "object 1 has no id"},
        {"id zero", "{\"id\": 0, \"class\": \"MMaterial\"}", "object 1: the id is out of range"},
        {"duplicate id", material + "}," + material + "}", "another object has the same id"},
        {"not a record", "42", "object 1 is not an object record"},
        {"parent later", "{\"id\": 2, \"class\": \"MMaterial\", \"parent\": 1}," + material + "}",
         "its parent is not an earlier object of the scene tree"},
        {"parent outside the tree",
         "{\"id\": 1, \"class\": \"MMaterial\"}, {\"id\": 2, \"class\": \"MMaterial\", "
         "\"parent\": 1}",
         "its parent is not an earlier object of the scene tree"},
        {"dangling layer", material + ", \"layers\": [9]}", "names the id 9, which no object has"},
        {"layer of wrong class", material + ", \"layers\": [1]}",
         "a layer entry names an object that is not a layer"},
        {"nodes on a material", material + ", \"nodes\": []}", "lists nodes but is not a layer"},
        {"layers on a node", "{\"id\": 1, \"class\": \"MFileShaderNode\", \"layers\": []}",
         "lists layers but is not a material"},
        {"node of wrong class",
         "{\"id\": 1, \"class\": \"MMaterialLayer\", \"nodes\": [2]}, {\"id\": 2, "
         "\"class\": \"MMaterial\"}",
         "a node entry names an object that is not a shader node"},
        {"flags too big", material + ", \"flags\": 4294967296}", "the flag word is out of range"},
        {"flags negative", material + ", \"flags\": -1}", "the flag word is out of range"},
        {"flags fraction", material + ", \"flags\": 1.5}", "the flag word is not a whole number"},
        {"bad kind", material + ", \"params\": [[\"Cull\", 3, \"none\"]]}",
         "the kind 3 is not known"},
        {"short parameter", material + ", \"params\": [[\"Cull\", 7]]}",
         "parameter 1 is not a [name, kind, value] record"},
        {"number as value", material + ", \"params\": [[\"Cull\", 7, 5]]}",
         "parameter 1: the value is not a text"},
        {"keys on a plain kind", material + ", \"params\": [[\"Cull\", 7, \"a\", [[0, \"b\"]]]]}",
         "only keyed kinds (2 and 6) carry a key list"},
        {"bad key", material + ", \"params\": [[\"Speed\", 2, \"1\", [[0]]]]}",
         "a key is not a [time, value] pair"},
        {"bad hex", material + ", \"params\": [[\"Name\", 7, {\"hex\": \"zz\"}]]}",
         "the value is not a text"},
        {"odd hex", material + ", \"params\": [[\"Name\", 7, {\"hex\": \"abc\"}]]}",
         "the value is not a text"},
        {"time too big", material + "}], \"time\": 3000000000, \"x\": [",
         "the scene time is out of range"},
        // One frame name may not make a hundred thousand parameters.
        {"parameter flood",
         "{\"id\": 1, \"class\": \"MAnimFileShaderNode\", \"params\": [[\"Fname99999\", 8, "
         "\"x\"]]}",
         "the file asks for more parameters than it holds"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ExpectRefused(dir.Write("case.glazen", Minimal(c.objects)), c.reason);
    }
}

TEST_F(SceneFileTest, EveryParameterKindRoundTripsOnAnyClass)
{
    SceneBuilder b{sys.Scene()};
    MMaterial* m = b.Material("kinds");
    // A surface node would make an unknown word an on/off text parameter; the
    // file's kind must win.
    auto* surface = b.Add<MQ3MapSurfaceShaderNode>(b.Layer(m, "OptionLayer"));
    surface->AddFloatParam("f", "1.5");
    surface->AddParameter(std::make_unique<MKeyedVectorParameterObject>("kv", "1 2 3"));
    surface->FindParameter("kv")->SetValue("4 5 6", -120, true);
    surface->AddVectorParam("v", "0 1 0");
    surface->AddFileParam("file", "a/b.tga");
    surface->AddColourParam("colour", "1 1 0");
    surface->AddStringParam("text", "");
    const std::string saved = Describe(sys.Scene());
    const std::string path = PathOf("kinds.glazen");
    ASSERT_TRUE(translator.ExportFile(path, sys.Scene()));
    sys.Scene()->ClearScene();
    ASSERT_TRUE(translator.ImportFile(path, sys.Scene()));
    EXPECT_EQ(Describe(sys.Scene()), saved);
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
    EXPECT_TRUE(
        LogHas(sys, "Scene file '" + path + "' could not be saved", "could not be written"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
        << "no temporary file is left behind";

    const std::string nowhere = PathOf("no/such/folder/x.glazen");
    EXPECT_FALSE(translator.ExportFile(nowhere, sys.Scene()));
    EXPECT_TRUE(LogHas(sys, nowhere, "could not be saved"));

    // An object no prototype can make again would be lost on opening: refuse.
    auto* plain = new MBaseObject();
    plain->SetName("plain thing");
    sys.Scene()->AddObject(plain);
    EXPECT_FALSE(translator.ExportFile(path, sys.Scene()));
    EXPECT_TRUE(LogHas(sys, "'plain thing' is of class 'MBaseObject'", "no prototype"));
    EXPECT_EQ(ReadWholeFile(path), "old content");

    EXPECT_FALSE(translator.ExportFile(PathOf("null.glazen"), nullptr));
    EXPECT_FALSE(fs::exists(PathOf("null.glazen")));
}

TEST_F(SceneFileTest, ExportObjectSavesTheObjectWithWhatItHolds)
{
    BuildRichScene(sys.Scene());
    MScene* scene = sys.Scene();
    auto* wall = dynamic_cast<MMaterial*>(scene->FindObjectByName("textures/base_wall/metal"));
    ASSERT_NE(wall, nullptr);
    const std::string path = PathOf("wall.glazen");
    ASSERT_TRUE(translator.ExportObject(path, wall));

    MScene opened;
    ASSERT_TRUE(translator.ImportFile(path, &opened));
    ASSERT_EQ(opened.GetRoot()->GetChildCount(), 1);
    auto* copy = dynamic_cast<MMaterial*>(opened.GetRoot()->GetFirstChild()->GetObject());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "textures/base_wall/metal");
    ASSERT_EQ(copy->GetLayerCount(), wall->GetLayerCount());
    for (int i = 0; i < wall->GetLayerCount(); ++i)
    {
        EXPECT_EQ(copy->GetLayer(i)->GetName(), wall->GetLayer(i)->GetName());
        EXPECT_EQ(copy->GetLayer(i)->GetShaderCount(), wall->GetLayer(i)->GetShaderCount());
    }
    // Its subtree came along, the other material did not.
    EXPECT_EQ(opened.GetObjectCount(), 1 + 3 + (2 + 4 + 1)); // material, layers, nodes
    EXPECT_EQ(opened.FindObjectByName("textures/child"), nullptr);
    // The selected blend node stays selected.
    EXPECT_EQ(opened.GetSelectedList().GetCount(), 1);

    // An object outside any scene is saved alone; a scene is saved whole.
    MRef<MTCRotateShaderNode> loose(new MTCRotateShaderNode());
    loose->SetName("loose");
    ASSERT_TRUE(translator.ExportObject(path, loose.Get()));
    ASSERT_TRUE(translator.ImportFile(path, &opened));
    ASSERT_EQ(opened.GetObjectCount(), 1);
    EXPECT_EQ(opened.GetRoot()->GetFirstChild()->GetObject()->GetName(), "loose");

    const std::string saved = Describe(scene);
    ASSERT_TRUE(translator.ExportObject(path, scene));
    ASSERT_TRUE(translator.ImportFile(path, &opened));
    EXPECT_EQ(Describe(&opened), saved);
    EXPECT_FALSE(translator.ExportObject(path, nullptr));
    opened.ClearScene();
}

TEST_F(SceneFileTest, RegistersAsTheSceneTranslator)
{
    // The manager registers the library's scene translator itself.
    ASSERT_EQ(sys.manager.GetTranslatorCount(TRANSLATOR_SCENE), 1);
    MTranslator* t = sys.manager.GetTranslatorFromIndex(TRANSLATOR_SCENE, 1);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(t, &translator) << "the manager keeps an object of its own";
    EXPECT_EQ(t->ClassName(), "MCompleteTranslator");
    EXPECT_EQ(t->ParentClassName(), "MSceneTranslator");
    EXPECT_EQ(sys.manager.CreateSceneTranslatorFilterString(),
              "Glazen Scene Files (*.glazen)|*.glazen");
    EXPECT_TRUE(t->CanImport());
    EXPECT_TRUE(t->CanExport());
    EXPECT_EQ(sys.manager.FindSceneTranslatorThatImports("/maps/Level.GLAZEN"), t);
    EXPECT_EQ(sys.manager.FindSceneTranslatorThatImports("/maps/level.shader"), nullptr);
    EXPECT_EQ(sys.manager.FindSceneTranslatorThatImports("/maps/level.glazen.bak"), nullptr);
    EXPECT_EQ(sys.manager.FindSceneTranslatorThatImports("/maps/glazen"), nullptr);

    // The registered object does the work.
    BuildRichScene(sys.Scene());
    const std::string saved = Describe(sys.Scene());
    auto* registered = static_cast<MSceneTranslator*>(t);
    ASSERT_TRUE(registered->ExportFile(PathOf("via.glazen"), sys.Scene()));
    sys.Scene()->ClearScene();
    ASSERT_TRUE(registered->ImportFile(PathOf("via.glazen"), sys.Scene()));
    EXPECT_EQ(Describe(sys.Scene()), saved);
}

TEST_F(SceneFileTest, SeedScenesOpen)
{
    int opened = 0;
    for (const auto& e : fs::directory_iterator(TestDataDir() / "scenes"))
    {
        if (e.path().extension() != ".glazen")
            continue;
        SCOPED_TRACE(e.path().string());
        ASSERT_TRUE(translator.ImportFile(e.path().string(), sys.Scene()));
        EXPECT_GT(sys.Scene()->GetObjectCount(), 0);
        // What was opened saves to the same text, in the current format.
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
