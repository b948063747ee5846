#include "PluginTestSupport.h"

#include <sys/stat.h>

namespace
{
// "m.l.n a;b=x|y": parameters a and b of node n of layer l of material m hold x and y. Without
// n it is the layer, without l the material.
void ExpectValues(MScene* scene, const std::string& want)
{
    int m = -1, l = -1, n = -1;
    std::sscanf(want.c_str(), "%d.%d.%d", &m, &l, &n);
    const auto ms = ShaderFixture::MaterialsOf(scene);
    ASSERT_LT(size_t(m), ms.size()) << want;
    const MBaseObject* o = ms[size_t(m)];
    ASSERT_LT(l, ms[size_t(m)]->GetLayerCount()) << want;
    if (l >= 0)
        o = ms[size_t(m)]->GetLayer(l);
    ASSERT_LT(n, l < 0 ? 0 : ms[size_t(m)]->GetLayer(l)->GetShaderCount()) << want;
    if (n >= 0)
        o = ms[size_t(m)]->GetLayer(l)->GetShader(n);
    const size_t space = want.find(' '), eq = want.find('=');
    std::string values;
    for (const std::string& name : Split(want.substr(space + 1, eq - space - 1)))
        values += "|" + o->GetParamByName(name).str();
    EXPECT_EQ(values.substr(1), want.substr(eq + 1)) << want;
}

// Every material comes with its option layer first, is logged by name, and the scene
// tree holds each layer's nodes under the layer in the layer's order.
void ExpectWellFormed(ShaderFixture& f)
{
    for (MMaterial* m : f.MaterialsOf(f.Scene()))
    {
        EXPECT_TRUE(f.sys.log.Contains("ShaderImport: Name: " + m->GetName().str()));
        for (int l = 0; l < m->GetLayerCount(); ++l)
        {
            MMaterialLayer* layer = m->GetLayer(l);
            EXPECT_EQ(layer->GetName().Left(l ? 5 : 11), l ? "Layer" : "OptionLayer");
            MBaseObjectTreeNode* layerNode = f.Scene()->FindObject(layer);
            ASSERT_NE(layerNode, nullptr);
            EXPECT_EQ(layerNode->GetParent(), f.Scene()->FindObject(m));
            int i = 0;
            for (auto* c = layerNode->GetFirstChild(); c; c = c->GetNextSibling(), ++i)
                EXPECT_EQ(c->GetObject(), layer->GetShader(i));
            EXPECT_EQ(i, layer->GetShaderCount());
        }
    }
}
} // namespace

// A row per script: the shape it reads to (see ShaderFixture::Shape), values of its objects and
// the log lines besides the name lines.
TEST(ShaderReader, ScriptsBecomeMaterialsLayersNodesAndLogLines)
{
    struct Case
    {
        std::string text;
        Strings shape, values, messages;
    };
    std::vector<Case> cases = {
        {std::string("MZ\x90\0\x03\0\0\0{ }", 12), {}, {}, {"it holds NUL bytes"}},
        {"\xEF\xBB\xBFtextures/a\n{\n}\n", {"textures/a: []"}},
        {"", {}, {}, {"holds no shaders"}},
        {"  \n\t// only a comment\n/* and a\nblock */\n", {}, {}, {"holds no shaders"}},
        {"// header\ntextures/a\n// before brace\n{\n}\n\n// between\ntextures/b {\n"
         "// inside\nsurfaceparm nodraw\n}",
         {"textures/a: []", "textures/b: [Q3MapSurface]"}},
        // A missing opening brace ends the import; a brace glued to a word is no brace.
        {"textures/ok\n{\n}\ntextures/bad\nsurfaceparm nodraw\n}\ntextures/never\n{\n}\n",
         {"textures/ok: []", "textures/bad: []"},
         {},
         {"Q3AShader Import: Expecting '{', Found 'surfaceparm'"}},
        {"textures/glued\n{surfaceparm nodraw\n}\n",
         {"textures/glued: []"},
         {},
         {"Q3AShader Import: Expecting '{', Found '{surfaceparm'"}},
        // The end of the file ends the stage and the shader.
        {"a\n{\n}\n\ntextures/open\n{\n\tsurfaceparm trans\n\t{\n\t\tmap x.tga\n",
         {"a: []", "textures/open: [Q3MapSurface] [File]"},
         {"1.1.0 Fname=x.tga"},
         {"Q3AShaderImport: Warning - shader 'textures/open' begun on line 5 has no closing '}'"}},
        {"t\n{\nfogparms ( 1 1 1 ) 256 1\nsurfaceparm fog\n}\nu\n{\nfogparms 1 1 1 256\n"
         "surfaceparm fog\n}\n",
         {"t: [QERadiant Q3MapSurface]", "u: [QERadiant Q3MapSurface]"},
         {"0.0.0 FogCol;FogDist=1 1 1|256"},
         {"Q3AShaderImport: Warning - fogparams keyword has an extra parameter '1'. Ignoring"}},
        // Deforms and kept lines stand first, in file order, then QER, surface, sky, sun.
        {"t\n{\nq3map_sun 1 1 1 100 45 60\nskyParms env/sky 512 -\nsurfaceparm sky\n"
         "qer_editorimage e.tga\ndeformVertexes wave 100 sin 0 1 0 0.5\n"
         "q3map_flare flareShader\nDeformVertexes bulge 1 2 3\n}\n",
         {"t: [DeformVerts Verbatim DeformVerts QERadiant Q3MapSurface Q3SkyParms Q3Sun]"},
         {"0.0.0 Name;div;Fr=DeformNode1|100|0.5", "0.0.2 Name;bS=DeformNode2|3",
          "0.0.5 farBox;clHt=env/sky|512", "0.0.6 Col;ele=1 1 1|60"},
         {"Q3AShaderImport: Keyword not found q3map_flare"}},
        // Unknown lines are kept whole; their arguments are not reported as keywords.
        {"t\n{\nq3map_tcGen ivector ( 128 0 0 ) ( 0 128 0 ) // trailing comment\n"
         "deformVertexes text0\nportal\ndeformVertexes autosprite\n}\n",
         {"t: [Verbatim Verbatim Verbatim DeformVerts]"},
         {"0.0.0 Keyword;Text=q3map_tcGen|ivector ( 128 0 0 ) ( 0 128 0 )",
          "0.0.1 Keyword;Text=deformVertexes|text0", "0.0.2 Keyword;Text=portal|",
          "0.0.3 Ty=autosprite"},
         {"Q3AShaderImport: Keyword not found q3map_tcGen",
          "Q3AShaderImport: Unkown DeformVertexes Type text0",
          "Q3AShaderImport: Keyword not found deformVertexes",
          "Q3AShaderImport: Keyword not found portal"}},
        {"t\n{\nQER_EditorImage textures/e.tga\nqer_trans 0.5\nq3map_surfacelight 300\n"
         "nopicmip\nEntityMergable\nsurfaceparm NoMarks\nsurfaceparm madeupword\n"
         "surfaceparm name\ncull none\ncloudparms 512 full\nsky env/x\n}\n",
         {"t: [Verbatim Verbatim QERadiant Q3MapSurface]"},
         {"0 Cull=none", "0.0.0 Text=512 full", "0.0.3 Name;nomarks;madeupword=SurfaceNode1|On|On",
          "0.0.2 qer_editorimage;qer_trans;q3map_surfacelight;nopicmip;entityMergable;"
          "polygonOffset=textures/e.tga|0.5|300|On|On|Off"},
         {"Q3AShaderImport: Warning - 'CloudParms' Not supported ( 512 full )",
          "Q3AShaderImport: Warning - 'Sky' Not supported ( env/x )"}},
        // A repeated shader-wide line keeps the earlier one as a kept line where it stood.
        {"t\n{\nq3map_sun 1 1 1 100 10 20\nq3map_nonplanar\nq3map_sun 1 0 0 50 30 40\n"
         "cull none\ncull twosided\nqer_trans 0.5\nqer_trans 0.25\n"
         "q3map_surfacelight textures/not/a/number.tga\n}\n"
         "u\n{\nqer_trans 0.5\ntessSize 64\ntessSize 128\nqer_trans 0.25\n}\n",
         {"t: [Verbatim Verbatim Verbatim Verbatim Verbatim QERadiant Q3Sun]",
          "u: [Verbatim Verbatim QERadiant]"},
         {"0.0.0 Keyword;Text=q3map_sun|1 1 1 100 10 20", "0.0.1 Keyword;Text=q3map_nonplanar|",
          "0.0.2 Keyword;Text=cull|twosided", "0.0.3 Keyword;Text=qer_trans|0.5",
          "0.0.4 Keyword;Text=q3map_surfacelight|textures/not/a/number.tga", "0.0.6 in=50",
          "0.0.5 qer_trans=0.25", "0 Cull=none", "1.0.0 Keyword;Text=qer_trans|0.5",
          "1.0.1 Keyword;Text=tessSize|64", "1.0.2 qer_trans;tessSize=0.25|128"},
         {"Q3AShaderImport: Keyword not found q3map_nonplanar"}},
        {"t\n{\n{\nmap textures/a.tga\nblendFunc GL_ONE GL_ONE\nrgbGen wave sin 0 1 0.5 2\n"
         "alphaFunc GE128\ntcMod scroll 0.1 -.5\ntcMod rotate 30\ntcMod scale 2 3\n"
         "tcMod stretch sin 1 0.1 0 1\ntcMod turb 0 0.25 0.5 1\ntcGen environment\n"
         "alphaGen lightingSpecular\ndepthFunc equal\ndepthWrite\n}\n{\nclampmap textures/b.tga\n"
         "blendfunc add\n}\n}\n",
         {"t: [] [File BlendFunc RGBGen AlphaFunc TCScroll TCRotate TCScale TCStretch TCTurb "
          "TCGen AlphaGen] [File BlendFunc]"},
         {"0.1.1 bmP;bSrc;bDst=custom|GL_ONE|GL_ONE", "0.1.4 Dt=-.5",
          "0.1.8 Base;Amp;Phase;Freq=0|0.25|0.5|1", "0.1 dFn;dWr=equal|On", "0.2.0 RpU;RpV=off|off",
          "0.2.1 bmP=add"}},
        // animMap frames end with the line, a comment or a free-standing brace.
        {"t\n{\n{\nanimmap 5 a.tga b.tga c.tga // no d.tga\nmap after.tga\n}\n"
         "{\nanimMap 10\nmap x.tga\n}\n{\nanimMap 8 f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 f10 f11 f12 f13\n"
         "}\n{ animmap 2 a b }\n{\nanimMap 1 a /* note\nover lines */ b\n}\n}\n",
         {"t: [] [AnimFile File] [AnimFile File] [AnimFile] [AnimFile] [AnimFile Verbatim]"},
         {"0.1.0 Fr;nF;Fname0;Fname2=5|3|a.tga|c.tga", "0.1.1 Fname=after.tga", "0.2.0 nF=0",
          "0.2.1 Fname=x.tga", "0.3.0 nF;Fname13=14|f13", "0.4.0 nF=2", "0.5.0 nF=1",
          "0.5.1 Keyword;Text=b|"}},
        // Unknown stage lines are kept; map names stay as written, whatever lies on disk.
        {"t\n{\n{ detail }\n{\nmap textures/base/a.tga\nvideoMap v.roq\n"
         "tcMod transform 1 0 0 1 0 0\nrgbGen const ( 1 0.5 0 )\nalphaGen const 0.3\n"
         "alphaGen portal 256\ntcGen vector ( 1 0 0 ) ( 0 1 0 )\ntextures/bare/path.tga\n"
         "animMap 1 textures\\base\\a.tga\n}\n}\n",
         {"t: [] [Verbatim] [File Verbatim Verbatim RGBGen AlphaGen AlphaGen TCGen Verbatim "
          "AnimFile]"},
         {"0.1.0 Keyword;Text=detail|", "0.2.0 Fname=textures/base/a.tga",
          "0.2.1 Keyword;Text=videoMap|v.roq", "0.2.2 Keyword;Text=tcMod|transform 1 0 0 1 0 0",
          "0.2.3 Ty;Args=const|( 1 0.5 0 )", "0.2.4 Args=0.3", "0.2.5 Args=256",
          "0.2.6 sV;tV=1 0 0|0 1 0", "0.2.7 Keyword;Text=textures/bare/path.tga|",
          "0.2.8 Fname0=textures\\base\\a.tga"}},
        {"/*\nold/shader\n{\n{\nmap old.tga\n}\n}\n*/\nt // the name\n{ // the brace\n{\n"
         "// map commented.tga\nmap live.tga // map other.tga\n/* clampmap x.tga */ blendfunc add\n"
         "}\n}\n",
         {"t: [] [File BlendFunc]"},
         {"0.1.0 Fname=live.tga"}},
        {"\"textures/with blank\"\n{\n\"{\"\n{\nmap \"a b.tga\" \"}\"\n}\n}\n\"}\"\n{\n}\n"
         "odd\"quote\n{\n}\n",
         {"textures/with blank: [Verbatim] [File Verbatim]", "}: []", "odd\"quote: []"},
         {"0.1.0 Fname=a b.tga"},
         {"Q3AShaderImport: Keyword not found {"}},
    };
    for (const char* line : {"fogparms ( 0.5 0.3 0.2 ) 512", "fogparms 0.5 0.3 0.2 512",
                             "fogparms (0.5 0.3 0.2 ) 512", "fogparms ( 0.5 0.3 0.2) 512"})
        cases.push_back({std::string("t\n{\n") + line + "\n}\n",
                         {"t: [QERadiant]"},
                         {"0.0.0 FogCol;FogDist=0.5 0.3 0.2|512"}});
    // A keyword last on its line leaves the stage after it a stage.
    const Strings words = Split("cull;surfaceparm;qer_editorimage;sort;tessSize;skyParms;q3map_sun;"
                                "deformVertexes;fogparms"),
                  options = Split(";Q3MapSurface;;;Verbatim;Q3SkyParms;Q3Sun;Verbatim;QERadiant");
    for (size_t i = 0; i < words.size(); ++i)
        cases.push_back({"a\n{\n" + words[i] + "\n{\nmap x.tga\nalphaFunc\n}\n}\nb\n{\n}\n",
                         {"a: [" + options[i] + "] [File AlphaFunc]", "b: []"},
                         {"0.1.1 fn="},
                         {"?"}}); // their log lines differ: not compared
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        ShaderFixture f;
        f.tmp.Write("game/textures/base/a.jpg", "x");
        f.sys.manager.GetImageSearchPaths().AddString((f.tmp.Path() / "game").string());
        EXPECT_EQ(f.translator.ImportFile(f.tmp.Write("in.shader", c.text), f.Scene()),
                  c.text.find('\0') == std::string::npos);
        EXPECT_EQ(f.Shape(), c.shape);
        for (const std::string& want : c.values)
            ExpectValues(f.Scene(), want);
        const Strings messages = f.Messages();
        ExpectWellFormed(f);
        for (MMaterial* m : f.MaterialsOf(f.Scene()))
            EXPECT_TRUE(!m->HasFlags(OBJ_EXPANDED) || !messages.empty());
        if (c.messages == Strings{"?"})
            continue;
        ASSERT_EQ(messages.size(), c.messages.size()) << testing::PrintToString(messages);
        for (size_t i = 0; i < messages.size(); ++i)
            EXPECT_NE(messages[i].find(c.messages[i]), std::string::npos) << messages[i];
    }
}

TEST(ShaderReader, NoScriptsAreRefusedNeverWaitedOnAndLongWordsOrGarbageAreRead)
{
    ShaderFixture f;
    const std::string pipe = (f.tmp.Path() / "pipe.shader").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path :
         {(f.tmp.Path() / "missing.shader").string(), f.tmp.Path().string(), pipe})
        EXPECT_FALSE(f.translator.ImportFile(path, f.Scene())) << path;
    EXPECT_EQ(f.Scene()->GetObjectCount(), 0);

    const std::string longName(200000, 'n');
    auto ms =
        f.Import("textures/" + longName + "\n{\n{\nmap " + longName + ".tga\n}\n}\n}\n}\n{\n");
    ASSERT_GE(ms.size(), 1u);
    EXPECT_EQ(ms[0]->GetName().GetLength(), 9 + 200000);
    EXPECT_EQ(ms[0]->GetLayer(1)->GetShader(0)->GetParamByName("Fname").GetLength(), 200004);
    ShaderFixture g;
    g.Import(std::string("t\n{\n\x02\x01\xff surfaceparm\n{ tcMod\n}\nrgbGen\n}\n", 38));
    EXPECT_GE(g.MaterialsOf(g.Scene()).size(), 1u);
}
