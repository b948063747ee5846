#include "PluginTestSupport.h"

#include <sys/stat.h>

namespace
{
// The values of a node's parameters, named in "a;b;c", joined by '|'.
std::string Values(const MBaseObject* node, const std::string& names)
{
    std::string out;
    for (const std::string& name : Split(names))
        out += "|" + node->GetParamByName(name).str();
    return out.substr(1);
}

MBaseShaderNode* Node(MMaterial* m, int layer, int index)
{
    return m->GetLayer(layer)->GetShader(index);
}

// Each node of the layer as "keyword text", for kept lines.
std::string KeptLine(const MBaseObject* node)
{
    return Values(node, "Keyword") + " " + Values(node, "Text");
}

// The scene tree holds the layer's nodes under the layer, in the same order.
void ExpectTreeFollowsLayer(MScene* scene, MMaterial* m, MMaterialLayer* layer)
{
    MBaseObjectTreeNode* layerNode = scene->FindObject(layer);
    ASSERT_NE(layerNode, nullptr);
    EXPECT_EQ(layerNode->GetParent(), scene->FindObject(m));
    int i = 0;
    for (MBaseObjectTreeNode* c = layerNode->GetFirstChild(); c; c = c->GetNextSibling(), ++i)
        EXPECT_EQ(c->GetObject(), layer->GetShader(i));
    EXPECT_EQ(i, layer->GetShaderCount());
}
} // namespace

TEST(ShaderReader, ShadersBecomeCollapsedMaterialsWithAnOptionLayerFirst)
{
    ShaderFixture f;
    auto ms = f.Import("// header\ntextures/a\n// before brace\n{\n}\n\n// between\ntextures/b {\n"
                       "// inside\nsurfaceparm nodraw\n}");
    ASSERT_EQ(ms.size(), 2u);
    EXPECT_EQ(ms[0]->GetName(), "textures/a");
    EXPECT_EQ(ms[1]->GetName(), "textures/b");
    for (MMaterial* m : ms)
    {
        EXPECT_FALSE(m->HasFlags(OBJ_EXPANDED));
        ASSERT_EQ(m->GetLayerCount(), 1);
        EXPECT_EQ(m->GetLayer(0)->GetName().Left(11), "OptionLayer");
    }
    EXPECT_EQ(ms[0]->GetLayer(0)->GetShaderCount(), 0);
    EXPECT_EQ(f.Classes(ms[1]->GetLayer(0)), "Q3MapSurface");
    EXPECT_EQ(f.sys.log.lines,
              (Strings{"ShaderImport: Name: textures/a", "ShaderImport: Name: textures/b"}));
}

TEST(ShaderReader, BraceFaultsEndTheShaderOrTheImportAndAreReported)
{
    // Missing opening brace: the empty material stays and the import ends.
    ShaderFixture f;
    auto ms =
        f.Import("textures/ok\n{\n}\ntextures/bad\nsurfaceparm nodraw\n}\ntextures/never\n{\n}\n");
    ASSERT_EQ(ms.size(), 2u);
    EXPECT_EQ(ms[1]->GetName(), "textures/bad");
    EXPECT_EQ(ms[1]->GetLayerCount(), 1);
    EXPECT_TRUE(f.sys.log.Contains("Q3AShader Import: Expecting '{', Found 'surfaceparm'"));

    // A brace glued to the keyword after it is not a brace.
    ShaderFixture g;
    g.Import("textures/glued\n{surfaceparm nodraw\n}\n");
    EXPECT_TRUE(g.sys.log.Contains("Q3AShader Import: Expecting '{', Found '{surfaceparm'"));

    // End of file inside a stage ends the stage and the shader.
    ShaderFixture h;
    ms = h.Import("textures/a\n{\n\tsurfaceparm trans\n\t{\n\t\tmap x.tga");
    ASSERT_EQ(ms.size(), 1u);
    ASSERT_EQ(ms[0]->GetLayerCount(), 2);
    EXPECT_EQ(Values(Node(ms[0], 1, 0), "Fname"), "x.tga");
    EXPECT_EQ(h.Classes(ms[0]->GetLayer(0)), "Q3MapSurface");
}

TEST(ShaderReader, FogparmsTakesBareOrBracketedColourAndAnExtraNumber)
{
    for (const char* line : {"fogparms ( 0.5 0.3 0.2 ) 512", "fogparms 0.5 0.3 0.2 512",
                             "fogparms (0.5 0.3 0.2 ) 512", "fogparms ( 0.5 0.3 0.2) 512"})
    {
        ShaderFixture f;
        auto ms = f.Import(std::string("t\n{\n") + line + "\n}\n");
        ASSERT_EQ(ms.size(), 1u) << line;
        EXPECT_EQ(Values(Node(ms[0], 0, 0), "FogCol;FogDist"), "0.5 0.3 0.2|512") << line;
    }
    ShaderFixture f;
    auto ms = f.Import("t\n{\nfogparms ( 1 1 1 ) 256 1\nsurfaceparm fog\n}\n"
                       "u\n{\nfogparms 1 1 1 256\nsurfaceparm fog\n}\n");
    // The keyword after a fog line is read as a keyword.
    EXPECT_EQ(f.Classes(ms[1]->GetLayer(0)), "QERadiant Q3MapSurface");
    EXPECT_EQ(f.Messages(), Strings{"Q3AShaderImport: Warning - fogparams keyword has an extra "
                                    "parameter '1'. Ignoring"});
}

TEST(ShaderReader, OptionLayerOrdersDeformsAndKeptLinesFirstThenQerSurfaceSkySun)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\nq3map_sun 1 1 1 100 45 60\nskyParms env/sky 512 -\nsurfaceparm sky\n"
                       "qer_editorimage e.tga\ndeformVertexes wave 100 sin 0 1 0 0.5\n"
                       "q3map_flare flareShader\nDeformVertexes bulge 1 2 3\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    MMaterialLayer* option = ms[0]->GetLayer(0);
    EXPECT_EQ(f.Classes(option),
              "DeformVerts Verbatim DeformVerts QERadiant Q3MapSurface Q3SkyParms Q3Sun");
    EXPECT_EQ(option->GetShader(0)->GetName().Left(10), "DeformNode");
    EXPECT_NE(option->GetShader(0)->GetName(), option->GetShader(2)->GetName());
    EXPECT_EQ(Values(option->GetShader(0), "div;Fr"), "100|0.5");
    EXPECT_EQ(Values(option->GetShader(2), "bS"), "3");
    EXPECT_EQ(Values(option->GetShader(5), "farBox;clHt"), "env/sky|512");
    EXPECT_EQ(Values(option->GetShader(6), "Col;ele"), "1 1 1|60");
    ExpectTreeFollowsLayer(f.Scene(), ms[0], option);
}

TEST(ShaderReader, UnknownKeywordsAreLoggedAndKeptWholeLineInFileOrder)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\nq3map_tcGen ivector ( 128 0 0 ) ( 0 128 0 ) // trailing comment\n"
                       "deformVertexes text0\nportal\ndeformVertexes autosprite\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    MMaterialLayer* option = ms[0]->GetLayer(0);
    ASSERT_EQ(f.Classes(option), "Verbatim Verbatim Verbatim DeformVerts");
    EXPECT_EQ(KeptLine(option->GetShader(0)), "q3map_tcGen ivector ( 128 0 0 ) ( 0 128 0 )");
    EXPECT_EQ(KeptLine(option->GetShader(1)), "deformVertexes text0");
    EXPECT_EQ(KeptLine(option->GetShader(2)), "portal ");
    EXPECT_EQ(Values(option->GetShader(3), "Ty"), "autosprite");
    // Arguments of a kept line are not reported as keywords of their own.
    EXPECT_EQ(f.Messages(), (Strings{"Q3AShaderImport: Keyword not found q3map_tcGen",
                                     "Q3AShaderImport: Unkown DeformVertexes Type text0",
                                     "Q3AShaderImport: Keyword not found deformVertexes",
                                     "Q3AShaderImport: Keyword not found portal"}));
}

TEST(ShaderReader, ShaderWideKeywordsFillTheirNodes)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\nQER_EditorImage textures/e.tga\nqer_trans 0.5\n"
                       "q3map_surfacelight 300\nnopicmip\nEntityMergable\nsurfaceparm NoMarks\n"
                       "surfaceparm madeupword\nsurfaceparm name\ncull none\ncloudparms 512 full\n"
                       "sky env/x\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    EXPECT_EQ(ms[0]->GetParamByName("Cull"), "none");
    MMaterialLayer* option = ms[0]->GetLayer(0);
    ASSERT_EQ(f.Classes(option), "Verbatim Verbatim QERadiant Q3MapSurface");
    EXPECT_EQ(Values(option->GetShader(2), "qer_editorimage;qer_trans;q3map_surfacelight;nopicmip;"
                                           "entityMergable;polygonOffset"),
              "textures/e.tga|0.5|300|On|On|Off");
    MBaseShaderNode* surface = option->GetShader(3);
    EXPECT_EQ(Values(surface, "nomarks;madeupword"), "On|On");
    // A surface word spelled like the node's name is still a word.
    EXPECT_EQ(surface->GetName().Left(11), "SurfaceNode");
    EXPECT_EQ(surface->GetParam(surface->GetParamCount() - 1)->GetName(), "name");
    EXPECT_EQ(surface->FindParameter("nodraw"), nullptr) << "only the words a shader sets are held";
    EXPECT_EQ(Values(option->GetShader(0), "Text"), "512 full");
    EXPECT_EQ(f.Messages(),
              (Strings{"Q3AShaderImport: Warning - 'CloudParms' Not supported ( 512 full )",
                       "Q3AShaderImport: Warning - 'Sky' Not supported ( env/x )"}));
}

TEST(ShaderReader, RepeatedShaderWideLinesKeepTheEarlierOneWhereItStood)
{
    ShaderFixture f;
    auto ms =
        f.Import("t\n{\nq3map_sun 1 1 1 100 10 20\nq3map_nonplanar\nq3map_sun 1 0 0 50 30 40\n"
                 "cull none\ncull twosided\nqer_trans 0.5\nqer_trans 0.25\n"
                 "q3map_surfacelight textures/not/a/number.tga\n}\n"
                 "u\n{\nqer_trans 0.5\ntessSize 64\ntessSize 128\nqer_trans 0.25\n}\n");
    ASSERT_EQ(ms.size(), 2u);
    MMaterialLayer* option = ms[0]->GetLayer(0);
    ASSERT_EQ(f.Classes(option), "Verbatim Verbatim Verbatim Verbatim Verbatim QERadiant Q3Sun");
    const char* kept[] = {"q3map_sun 1 1 1 100 10 20", "q3map_nonplanar ", "cull twosided",
                          "qer_trans 0.5", "q3map_surfacelight textures/not/a/number.tga"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(KeptLine(option->GetShader(i)), kept[i]);
    EXPECT_EQ(Values(option->GetShader(6), "in"), "50");
    EXPECT_EQ(Values(option->GetShader(5), "qer_trans"), "0.25");
    EXPECT_EQ(ms[0]->GetParamByName("Cull"), "none");
    // Kept lines stay in file order, whichever repeats first.
    option = ms[1]->GetLayer(0);
    ASSERT_EQ(option->GetShaderCount(), 3);
    EXPECT_EQ(KeptLine(option->GetShader(0)), "qer_trans 0.5");
    EXPECT_EQ(KeptLine(option->GetShader(1)), "tessSize 64");
    EXPECT_EQ(Values(option->GetShader(2), "qer_trans;tessSize"), "0.25|128");
}

TEST(ShaderReader, StageKeywordsBecomeNodesInLineOrder)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\n{\nmap textures/a.tga\nblendFunc GL_ONE GL_ONE\n"
                       "rgbGen wave sin 0 1 0.5 2\nalphaFunc GE128\ntcMod scroll 0.1 -.5\n"
                       "tcMod rotate 30\ntcMod scale 2 3\ntcMod stretch sin 1 0.1 0 1\n"
                       "tcMod turb 0 0.25 0.5 1\ntcGen environment\nalphaGen lightingSpecular\n"
                       "depthFunc equal\ndepthWrite\n}\n{\nclampmap textures/b.tga\nblendfunc add\n"
                       "}\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    ASSERT_EQ(ms[0]->GetLayerCount(), 3);
    MMaterialLayer* stage = ms[0]->GetLayer(1);
    EXPECT_EQ(stage->GetName().Left(5), "Layer");
    EXPECT_EQ(f.Classes(stage), "File BlendFunc RGBGen AlphaFunc TCScroll TCRotate TCScale "
                                "TCStretch TCTurb TCGen AlphaGen");
    // Values are kept as written; the corpus round trip checks the rest of them.
    EXPECT_EQ(Values(stage->GetShader(1), "bmP;bSrc;bDst"), "custom|GL_ONE|GL_ONE");
    EXPECT_EQ(Values(stage->GetShader(4), "Dt"), "-.5");
    EXPECT_EQ(Values(stage->GetShader(8), "Base;Amp;Phase;Freq"), "0|0.25|0.5|1");
    EXPECT_EQ(Values(stage, "dFn"), "equal");
    EXPECT_NE(Values(stage, "dWr"), "auto");
    EXPECT_EQ(Values(Node(ms[0], 2, 0), "RpU;RpV"), "off|off");
    EXPECT_EQ(Values(Node(ms[0], 2, 1), "bmP"), "add");
    ExpectTreeFollowsLayer(f.Scene(), ms[0], stage);
    EXPECT_TRUE(f.Messages().empty());
}

TEST(ShaderReader, AnimMapTakesTheNamesOnItsLineOnly)
{
    ShaderFixture f;
    std::string many = "animMap 8";
    for (int i = 0; i < 14; ++i)
        many += " f" + std::to_string(i) + ".tga";
    auto ms =
        f.Import("t\n{\n{\nanimmap 5 a.tga b.tga c.tga // no d.tga\nmap after.tga\n}\n"
                 "{\nanimMap 10\nmap x.tga\n}\n{\n" +
                 many + "\n}\n{ animmap 2 a b }\n{\nanimMap 1 a /* note\nover lines */ b\n}\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    ASSERT_EQ(ms[0]->GetLayerCount(), 6);
    EXPECT_EQ(Node(ms[0], 1, 0)->ClassName(), "MAnimFileShaderNode");
    EXPECT_EQ(Values(Node(ms[0], 1, 0), "Fr;nF;Fname0;Fname2"), "5|3|a.tga|c.tga");
    EXPECT_EQ(Values(Node(ms[0], 1, 1), "Fname"), "after.tga");
    EXPECT_EQ(Values(Node(ms[0], 2, 0), "nF"), "0");
    EXPECT_EQ(Values(Node(ms[0], 2, 1), "Fname"), "x.tga");
    EXPECT_EQ(Values(Node(ms[0], 3, 0), "nF;Fname13"), "14|f13.tga");
    // On a one-line stage the closing brace is not a frame.
    EXPECT_EQ(Values(Node(ms[0], 4, 0), "nF"), "2");
    // A block comment running onto the next line ends the frames there.
    EXPECT_EQ(Values(Node(ms[0], 5, 0), "nF"), "1");
    EXPECT_EQ(KeptLine(Node(ms[0], 5, 1)), "b ");
}

TEST(ShaderReader, UnknownStageLinesAndValuesAreKept)
{
    ShaderFixture f;
    auto ms =
        f.Import("t\n{\n{ detail }\n{\nmap a.tga\nvideoMap v.roq\ntcMod transform 1 0 0 1 0 0\n"
                 "rgbGen const ( 1 0.5 0 )\nalphaGen const 0.3\nalphaGen portal 256\n"
                 "tcGen vector ( 1 0 0 ) ( 0 1 0 )\ntextures/bare/path.tga\n}\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    ASSERT_EQ(ms[0]->GetLayerCount(), 3);
    ASSERT_EQ(f.Classes(ms[0]->GetLayer(1)), "Verbatim");
    EXPECT_EQ(KeptLine(Node(ms[0], 1, 0)), "detail ");
    MMaterialLayer* stage = ms[0]->GetLayer(2);
    EXPECT_EQ(f.Classes(stage), "File Verbatim Verbatim RGBGen AlphaGen AlphaGen TCGen Verbatim");
    EXPECT_EQ(KeptLine(stage->GetShader(1)), "videoMap v.roq");
    EXPECT_EQ(KeptLine(stage->GetShader(2)), "tcMod transform 1 0 0 1 0 0");
    EXPECT_EQ(Values(stage->GetShader(3), "Ty;Args"), "const|( 1 0.5 0 )");
    EXPECT_EQ(Values(stage->GetShader(4), "Args"), "0.3");
    EXPECT_EQ(Values(stage->GetShader(5), "Args"), "256");
    EXPECT_EQ(Values(stage->GetShader(6), "sV;tV"), "1 0 0|0 1 0");
    EXPECT_EQ(KeptLine(stage->GetShader(7)), "textures/bare/path.tga ");

    // Map names are kept as written, whatever lies on disk.
    ShaderFixture g;
    g.tmp.Write("game/textures/base/a.jpg", "x");
    g.sys.manager.GetImageSearchPaths().AddString((g.tmp.Path() / "game").string());
    ms = g.Import("t\n{\n{\nmap textures/base/a.tga\nanimMap 1 textures\\base\\a.tga\n}\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    EXPECT_EQ(Values(Node(ms[0], 1, 0), "Fname"), "textures/base/a.tga");
    EXPECT_EQ(Values(Node(ms[0], 1, 1), "Fname0"), "textures\\base\\a.tga");
}

TEST(ShaderReader, CommentsAreSkippedEverywhereIncludingInsideStages)
{
    ShaderFixture f;
    auto ms = f.Import("/*\nold/shader\n{\n{\nmap old.tga\n}\n}\n*/\n"
                       "t // the name\n{ // the brace\n{\n// map commented.tga\n"
                       "map live.tga // map other.tga\n/* clampmap x.tga */ blendfunc add\n}\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    EXPECT_EQ(ms[0]->GetName(), "t");
    ASSERT_EQ(ms[0]->GetLayerCount(), 2);
    EXPECT_EQ(f.Classes(ms[0]->GetLayer(1)), "File BlendFunc");
    EXPECT_EQ(Values(Node(ms[0], 1, 0), "Fname"), "live.tga");
    EXPECT_TRUE(f.Messages().empty());
}

TEST(ShaderReader, AKeywordWithoutItsValueLeavesTheBraceAfterIt)
{
    // The keyword stands last on its line and a stage follows: the stage is still a stage,
    // the shader still ends at its own brace.
    for (const char* line : {"cull", "surfaceparm", "qer_editorimage", "sort", "tessSize",
                             "skyParms", "q3map_sun", "deformVertexes", "fogparms"})
    {
        ShaderFixture f;
        auto ms = f.Import(std::string("a\n{\n") + line +
                           "\n{\nmap x.tga\nalphaFunc\n}\nsurfaceparm nodraw\n}\nb\n{\n}\n");
        ASSERT_EQ(ms.size(), 2u) << line;
        EXPECT_EQ(ms[1]->GetName(), "b") << line;
        ASSERT_EQ(ms[0]->GetLayerCount(), 2) << line;
        EXPECT_EQ(Values(Node(ms[0], 1, 0), "Fname"), "x.tga") << line;
        EXPECT_EQ(Values(Node(ms[0], 1, 1), "fn"), "") << line;
    }
}

TEST(ShaderReader, BadInputIsReportedAndNothingBinaryIsAdded)
{
    const struct
    {
        std::string text;
        bool ok;
        std::string names, message; // the message must be the only one, or there is none
    } cases[] = {
        {std::string("MZ\x90\0\x03\0\0\0{ }", 12), false, "", "it holds NUL bytes"},
        {"\xEF\xBB\xBFtextures/a\n{\n}\n", true, "textures/a", ""},
        {"", true, "", "holds no shaders"},
        {"  \n\t// only a comment\n/* and a\nblock */\n", true, "", "holds no shaders"},
        {"a\n{\n}\n\ntextures/open\n{\n\t{\n\t\tmap x.tga\n", true, "a textures/open",
         "shader 'textures/open' begun on line 5 has no closing '}'"},
    };
    for (const auto& c : cases)
    {
        ShaderFixture f;
        EXPECT_EQ(f.translator.ImportFile(f.tmp.Write("in.shader", c.text), f.Scene()), c.ok)
            << c.text;
        std::string names;
        for (MMaterial* m : f.Materials())
            names += (names.empty() ? "" : " ") + m->GetName().str();
        EXPECT_EQ(names, c.names) << c.text;
        const Strings messages = f.Messages();
        EXPECT_EQ(messages.size(), c.message.empty() ? 0u : 1u) << c.text;
        EXPECT_TRUE(c.message.empty() || messages.at(0).find(c.message) != std::string::npos);
    }
    // A missing file, a folder or a pipe named like a script is refused, never waited on.
    ShaderFixture f;
    const std::string pipe = (f.tmp.Path() / "pipe.shader").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path :
         {(f.tmp.Path() / "missing.shader").string(), f.tmp.Path().string(), pipe})
        EXPECT_FALSE(f.translator.ImportFile(path, f.Scene())) << path;
    EXPECT_EQ(f.Scene()->GetObjectCount(), 0);
}

TEST(ShaderReader, QuotedAndVeryLongWordsAreReadWholeAndGarbageNeverBreaksReading)
{
    ShaderFixture q;

    auto quoted = q.Import("\"textures/with blank\"\n{\n\"{\"\n{\nmap \"a b.tga\" \"}\"\n}\n}\n"
                           "\"}\"\n{\n}\nodd\"quote\n{\n}\n");
    ASSERT_EQ(quoted.size(), 3u);
    EXPECT_EQ(quoted[0]->GetName(), "textures/with blank");
    ASSERT_EQ(quoted[0]->GetLayerCount(), 2);
    EXPECT_EQ(Values(Node(quoted[0], 1, 0), "Fname"), "a b.tga");
    EXPECT_EQ(quoted[1]->GetName(), "}");
    EXPECT_EQ(quoted[2]->GetName(), "odd\"quote");

    ShaderFixture f;
    const std::string longName(200000, 'n');
    auto ms =
        f.Import("textures/" + longName + "\n{\n{\nmap " + longName + ".tga\n}\n}\n}\n}\n{\n");
    ASSERT_GE(ms.size(), 1u);
    EXPECT_EQ(ms[0]->GetName().GetLength(), 9 + 200000);
    EXPECT_EQ(Node(ms[0], 1, 0)->GetParamByName("Fname").GetLength(), 200004);

    ShaderFixture g;
    g.Import(std::string("t\n{\n\x02\x01\xff surfaceparm\n{ tcMod\n}\nrgbGen\n}\n", 38));
    EXPECT_GE(g.Materials().size(), 1u);
}
