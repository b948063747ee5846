#include "MQ3AShaderWriter.h"
#include "PluginTestSupport.h"

#include <sys/stat.h>

namespace
{
void Set(MBaseObject& object, const std::string& values)
{
    for (const std::string& kv : Split(values))
        EXPECT_TRUE(kv.empty() ||
                    object.SetParamByName(kv.substr(0, kv.find('=')), kv.substr(kv.find('=') + 1)))
            << kv;
}

// A material in the scene with an empty option layer, selected.
MMaterial* AddMaterial(MScene* scene, const char* name)
{
    auto* m = new MMaterial();
    m->SetName(name);
    m->AddLayer(new MMaterialLayer());
    scene->AddObject(m->GetLayer(0), scene->AddObject(m));
    scene->SelectObject(m);
    return m;
}

MMaterialLayer* AddStage(MMaterial* m)
{
    auto* layer = new MMaterialLayer();
    m->AddLayer(layer);
    return layer;
}

template <class T> T* AddNode(MMaterialLayer* layer, const std::string& values)
{
    auto* node = new T();
    Set(*node, values);
    layer->AddShader(node);
    return node;
}

template <class T> std::string NodeText(const std::string& values)
{
    T node;
    node.AddRef();
    Set(node, values);
    MQ3AShaderWriter w;
    w.WriteNode(&node, 1);
    return w.GetText();
}
using Text = std::string (*)(const std::string&);
template <class T> constexpr Text N = NodeText<T>;
} // namespace

TEST(ShaderWriter, LaysOutSelectedMaterialsThenBracedStagesAndEachNodeWritesItsLine)
{
    ShaderFixture f;
    f.sys.manager.GetImageSearchPaths().AddString("/games/baseq3");
    MMaterial* m = AddMaterial(f.Scene(), "textures/m");
    m->SetParamByName("Cull", "none");
    AddNode<MVerbatimShaderNode>(m->GetLayer(0), "Keyword=q3map_flare;Text=flareShader");
    AddNode<MQ3MapSurfaceShaderNode>(m->GetLayer(0), "trans=On;nodraw=on;custom=On");
    MMaterialLayer* stage = AddStage(m);
    AddNode<MFileShaderNode>(stage, "Fname=textures\\m\\a.tga");
    AddNode<MBlendFuncShaderNode>(stage, "bmP=custom;bSrc=GL_ONE;bDst=GL_ZERO");
    Set(*stage, "dFn=equal;dWr=On");
    MMaterialLayer* second = AddStage(m);
    AddNode<MFileShaderNode>(second, "Fname=$lightmap;RpU=off;RpV=off");
    // Names below the image search place are written relative to it.
    AddNode<MFileShaderNode>(second, "Fname=/games/baseq3/textures/x.tga");
    AddNode<MFileShaderNode>(second, "Fname=/elsewhere/y.tga");
    // An entry that is not a layer is skipped.
    m->GetLayerList().Add(new MFileShaderNode());
    // Only selected materials are written; none selected, an empty file.
    AddMaterial(f.Scene(), "textures/b");
    const std::string file = (f.tmp.Path() / "out.shader").string();
    f.Scene()->SelectNone();
    ASSERT_TRUE(f.translator.ExportFile(file, f.Scene()));
    EXPECT_EQ(ReadWholeFile(file), "");
    f.Scene()->SelectObject(m);
    ASSERT_TRUE(f.translator.ExportFile(file, f.Scene()));
    EXPECT_EQ(ReadWholeFile(file),
              "textures/m\n{\n\tcull none\n\tq3map_flare flareShader\n"
              "\tsurfaceparm trans\n\tsurfaceparm nodraw\n\tsurfaceparm custom\n"
              "\t{\n\t\tmap textures/m/a.tga\n\t\tblendfunc gl_one gl_zero\n"
              "\t\tdepthFunc equal\n\t\tdepthWrite\n\t}\n\n"
              "\t{\n\t\tclampmap $lightmap\n\t\tmap textures/x.tga\n"
              "\t\tmap /elsewhere/y.tga\n\t}\n\n}\n\n");

    // Each node writes its line, tab-indented, or nothing.
    const struct
    {
        Text text;
        const char* values;
        std::string line;
    } cases[] = {
        {N<MQERadiantShaderNode>, "", ""},
        {N<MQERadiantShaderNode>,
         "q3map_lightsubdivide=120;qer_trans=1.0;tessSize=0;FogDist=-5;sort=default", ""},
        {N<MQERadiantShaderNode>,
         "q3map_globaltexture=On;qer_editorimage=e.tga;q3map_lightimage=l.tga;"
         "q3map_backshader=textures/back;q3map_surfacelight=299.6;tessSize=64;"
         "q3map_lightsubdivide=64;qer_trans=0.5;qer_nocarve=On;light=1;nopicmip=On;nomipmaps=On;"
         "entityMergable=On;polygonOffset=On;sort=additive;FogDist=512;FogCol=0.5 0.25 1",
         "q3map_globaltexture\n\tqer_editorimage e.tga\n\tq3map_lightimage l.tga\n"
         "\tq3map_backshader textures/back\n\tq3map_surfacelight 299.6\n\ttessSize 64.0000\n"
         "\tq3map_lightsubdivide 64\n\tqer_trans 0.500\n\tqer_nocarve\n\tlight 1\n\tnopicmip\n"
         "\tnomipmaps\n\tentityMergable\n\tpolygonOffset\n\tsort additive\n"
         "\tfogparms ( 0.500 0.250 1.000 ) 512"},
        {N<MQERadiantShaderNode>, "qer_trans=2", "qer_trans 2.000"},
        {N<MFileShaderNode>, "Fname=a.tga;RpU=off;RpV=On", "map a.tga"},
        {N<MFileShaderNode>, "Fname=a.tga;RpU=on;RpV=off", "clampmap a.tga"},
        {N<MAnimFileShaderNode>, "Fr=5;nF=3;Fname0=a.tga;Fname1=b\\c.tga;Fname2=d.tga",
         "animMap 5.000 a.tga b/c.tga d.tga"},
        {N<MTCScrollShaderNode>, "Ds=.5;Dt=-1", "tcMod scroll 0.500 -1.000"},
        {N<MTCRotateShaderNode>, "Dr=30", "tcMod rotate 30.000"},
        {N<MTCTurbShaderNode>, "Base=0;Amp=0.25;Phase=0.5;Freq=1",
         "tcMod turb 0.000 0.250 0.500 1.000"},
        {N<MBlendFuncShaderNode>, "bmP=Blend", "blendfunc gl_src_alpha gl_one_minus_src_alpha"},
        {N<MBlendFuncShaderNode>, "bmP=add", "blendfunc gl_one gl_one"},
        {N<MBlendFuncShaderNode>, "bmP=other", "blendfunc "},
        {N<MAlphaFuncShaderNode>, "fn=OFF", ""},
        {N<MRGBGenShaderNode>, "Ty=Wave;fn=sin;Base=0;Amp=1;Phs=0;Fr=0.5",
         "rgbGen wave sin 0.000 1.000 0.000 0.500"},
        {N<MRGBGenShaderNode>, "Ty=const;Args=( 1 0 0 )", "rgbGen const ( 1 0 0 )"},
        {N<MAlphaGenShaderNode>, "Ty=wave;fn=square",
         "alphaGen wave square 0.000 1.000 0.000 1.000"},
        {N<MAlphaGenShaderNode>, "Ty=portal;Args=256", "alphaGen portal 256"},
        {N<MTCGenShaderNode>, "Ty=vector;sV=1 0 0;tV=0 .5 0",
         "tcGen vector ( 1.000 0.000 0.000 ) ( 0.000 0.500 0.000 )"},
        {N<MTCGenShaderNode>, "Ty=environment", "tcGen environment"},
        {N<MQ3SunShaderNode>, "Col=1 .5 0;in=100;deg=45;ele=60",
         "q3map_sun 1.000 0.500 0.000 100.000 45.000 60.000"},
        {N<MQ3SkyParmsShaderNode>, "farBox=env/sky;clHt=512;nearBox=", "skyParms env/sky 512 -"},
        {N<MQ3SkyParmsShaderNode>, "farBox=-;clHt=-;nearBox=-", "skyParms - - -"},
        {N<MDeformVertsShaderNode>, "Ty=wave;div=100;fn=sin;Base=0;Amp=2;Phs=0;Fr=1",
         "DeformVertexes wave 100.000 sin 0.000 2.000 0.000 1.000"},
        {N<MDeformVertsShaderNode>, "Ty=normal;bW=0.5;bH=2", "DeformVertexes normal 0.500 2.000"},
        {N<MDeformVertsShaderNode>, "Ty=autosprite2", "DeformVertexes autosprite2"},
        {N<MDeformVertsShaderNode>, "Ty=text0", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text(c.values), c.line.empty() ? "" : "\t" + c.line + "\n") << c.values;
    // Numbers have three decimals unless that changes them.
    const std::pair<const char*, const char*> numbers[] = {
        {"0.5", "0.500"},           {"1", "1.000"},         {"-0.125", "-0.125"},
        {"0.005", "0.005"},         {"0.99826", "0.99826"}, {"0.545098", "0.545098"},
        {"-0.0125", "-0.0125"},     {"0.0001", "0.0001"},   {"1e-7", "0.0000001"},
        {"123456.5", "123456.500"},
    };
    for (const auto& [stored, written] : numbers)
        EXPECT_EQ(NodeText<MTCRotateShaderNode>(std::string("Dr=") + stored),
                  std::string("\ttcMod rotate ") + written + "\n");
}

TEST(ShaderWriter, AFailedExportKeepsTheOldFileAndReadScriptsAreWrittenBackAsMeant)
{
    ShaderFixture f;
    AddMaterial(f.Scene(), "t");
    const std::string missingDir = (f.tmp.Path() / "no" / "such" / "x.shader").string();
    EXPECT_FALSE(f.translator.ExportFile(missingDir, f.Scene()));
    EXPECT_TRUE(f.sys.log.Contains("Q3AShader: Error - Could not open file '" + missingDir +
                                   "' for writing"));

    // A folder cannot be replaced, and the temporary file is not left behind.
    const std::string dirTarget = (f.tmp.Path() / "target").string();
    std::filesystem::create_directories(dirTarget + "/inside");
    EXPECT_FALSE(f.translator.ExportFile(dirTarget, f.Scene()));
    EXPECT_TRUE(std::filesystem::is_directory(dirTarget + "/inside"));
    for (auto& e : std::filesystem::directory_iterator(f.tmp.Path()))
        EXPECT_NE(e.path().filename().string().rfind("target.", 0), 0u) << e.path();

    // A good export replaces the old file whole and keeps its permissions.
    const std::string file = f.tmp.Write("keep.shader", std::string(5000, 'x'));
    chmod(file.c_str(), 0640);
    ASSERT_TRUE(f.translator.ExportFile(file, f.Scene()));
    EXPECT_EQ(ReadWholeFile(file), "t\n{\n}\n\n");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));

    // A value with a line break, or a quote in one that needs quotes, cannot be written: the old
    // file is kept and the shader named.
    for (const char* bad : {"two\nlines", "cr\r", "a \"b", "kept line"})
    {
        ShaderFixture g;
        AddMaterial(g.Scene(), "good");
        MMaterial* m = AddMaterial(g.Scene(), "textures/bad");
        AddNode<MVerbatimShaderNode>(m->GetLayer(0), "Keyword=q3map_x")
            ->SetParamByName("Text", bad == std::string("kept line") ? "a\nb" : "ok");
        AddNode<MFileShaderNode>(AddStage(m), "")->SetParamByName("Fname", bad);
        const std::string old = g.tmp.Write("old.shader", "old");
        g.Scene()->SelectAllOf<MMaterial>();
        EXPECT_FALSE(g.translator.ExportFile(old, g.Scene())) << bad;
        EXPECT_EQ(ReadWholeFile(old), "old");
        EXPECT_TRUE(g.sys.log.Contains(
            "Q3AShader: Error - Shader 'textures/bad' holds a value that cannot be written (a "
            "line break, or a quote in a value with blanks); nothing was exported"))
            << bad;
    }
    // Each script is read and written back: the text given, or the script itself when none is.
    std::vector<std::pair<std::string, std::string>> scripts = {
        {"textures/x\n{\n\tqer_editorimage e.tga\n\tsurfaceparm nolightmap\n"
         "\tdeformVertexes normal 0.5 2\n\t{\n\t\tmap a.tga\n\t\trgbGen identity\n\t}\n"
         "\t{\n\t\tanimMap 2 b.tga c.tga\n\t\tblendFunc blend\n\t\ttcMod rotate 10\n\t}\n}\n",
         "textures/x\n{\n\tDeformVertexes normal 0.500 2.000\n"
         "\tqer_editorimage e.tga\n\tsurfaceparm nolightmap\n"
         "\t{\n\t\tmap a.tga\n\t\trgbGen identity\n\t}\n\n"
         "\t{\n\t\tanimMap 2.000 b.tga c.tga\n"
         "\t\tblendfunc gl_src_alpha gl_one_minus_src_alpha\n\t\ttcMod rotate 10.000\n\t}\n\n"
         "}\n\n"},
        // Surface words in file order, a word spelled like the node's name among them.
        {"t\n{\n\tsurfaceparm nomarks\n\tsurfaceparm name\n\tsurfaceparm madeupword\n}\n\n", ""},
        // No cull line for the game's default; the others as read.
        {"t\n{\ncull front\n}\n", "t\n{\n}\n\n"},
        {"t\n{\ncull FRONT\n}\n", "t\n{\n}\n\n"},
        {"t\n{\n\tcull none\n}\n\n", ""},
        {"t\n{\n\tcull twosided\n}\n\n", ""},
        {"t\n{\n\tcull back\n}\n\n", ""},
    };
    // Words that would read back differently are quoted.
    for (std::string word : {"\"a b.tga\"", "\"}\"", "\"{x\"", "\"//c.tga\"", "x\"y.tga", "plain"})
        scripts.push_back({word + "\n{\n\t{\n\t\tmap " + word + "\n\t}\n\n}\n\n", ""});
    for (const auto& [in, out] : scripts)
    {
        ShaderFixture g;
        g.Import(in);
        EXPECT_EQ(g.ExportAll(), out.empty() ? in : out) << in;
    }
}
