#include "PluginTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using Strings = std::vector<std::string>;

namespace
{
MBaseShaderNode* Node(MMaterial* m, int layer, int index)
{
    return m->GetLayer(layer)->GetShader(index);
}
} // namespace

TEST(ShaderReader, EmptyOrCommentOnlyFilesAddNothingAndMissingFilesFail)
{
    ShaderFixture f;
    EXPECT_TRUE(f.Import("").empty());
    EXPECT_TRUE(f.Import("  \n\t// only a comment\n/* and a\nblock */\n").empty());
    EXPECT_EQ(f.Scene()->GetObjectCount(), 0);
    EXPECT_FALSE(f.translator.ImportFile((f.tmp.Path() / "missing.shader").string(), f.Scene()));
    // A folder or a pipe named like a script is refused, never waited on.
    EXPECT_FALSE(f.translator.ImportFile(f.tmp.Path().string(), f.Scene()));
    const std::string pipe = (f.tmp.Path() / "pipe.shader").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(f.translator.ImportFile(pipe, f.Scene()));
    EXPECT_EQ(f.Scene()->GetObjectCount(), 0);
}

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
    EXPECT_EQ(f.Classes(ms[1]->GetLayer(0)), Strings{"MQ3MapSurfaceShaderNode"});
    EXPECT_EQ(f.sys.log.lines,
              (Strings{"ShaderImport: Name: textures/a", "ShaderImport: Name: textures/b"}));
}

TEST(ShaderReader, MissingOpeningBraceLeavesTheEmptyMaterialAndEndsTheImport)
{
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
}

TEST(ShaderReader, EndOfFileInsideAShaderOrStageEndsThem)
{
    ShaderFixture f;
    auto ms = f.Import("textures/a\n{\n\tsurfaceparm trans\n\t{\n\t\tmap x.tga");
    ASSERT_EQ(ms.size(), 1u);
    ASSERT_EQ(ms[0]->GetLayerCount(), 2);
    EXPECT_EQ(Node(ms[0], 1, 0)->GetParamByName("Fname"), "x.tga");
    EXPECT_EQ(f.Classes(ms[0]->GetLayer(0)), Strings{"MQ3MapSurfaceShaderNode"});
}

TEST(ShaderReader, FogparmsTakesBareOrBracketedColourAndAnExtraNumber)
{
    for (const char* line : {"fogparms ( 0.5 0.3 0.2 ) 512", "fogparms 0.5 0.3 0.2 512",
                             "fogparms (0.5 0.3 0.2 ) 512", "fogparms ( 0.5 0.3 0.2) 512"})
    {
        ShaderFixture f;
        auto ms = f.Import(std::string("t\n{\n") + line + "\n}\n");
        ASSERT_EQ(ms.size(), 1u) << line;
        MBaseShaderNode* qer = Node(ms[0], 0, 0);
        EXPECT_EQ(qer->GetParamByName("FogCol"), "0.5 0.3 0.2") << line;
        EXPECT_EQ(qer->GetParamByName("FogDist"), "512") << line;
    }
    ShaderFixture f;
    auto ms = f.Import("t\n{\nfogparms ( 1 1 1 ) 256 1\nsurfaceparm fog\n}\n"
                       "u\n{\nfogparms 1 1 1 256\nsurfaceparm fog\n}\n");
    EXPECT_TRUE(f.sys.log.Contains(
        "Q3AShaderImport: Warning - fogparams keyword has an extra parameter '1'. Ignoring"));
    // The keyword after a fog line is read as a keyword.
    EXPECT_EQ(f.Classes(ms[1]->GetLayer(0)),
              (Strings{"MQERadiantShaderNode", "MQ3MapSurfaceShaderNode"}));
    EXPECT_EQ(f.Messages().size(), 1u);
}

TEST(ShaderReader, OptionLayerOrdersDeformsAndKeptLinesFirstThenQerSurfaceSkySun)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\n"
                       "q3map_sun 1 1 1 100 45 60\n"
                       "skyParms env/sky 512 -\n"
                       "surfaceparm sky\n"
                       "qer_editorimage e.tga\n"
                       "deformVertexes wave 100 sin 0 1 0 0.5\n"
                       "q3map_flare flareShader\n"
                       "DeformVertexes bulge 1 2 3\n"
                       "}\n");
    ASSERT_EQ(ms.size(), 1u);
    MMaterialLayer* option = ms[0]->GetLayer(0);
    EXPECT_EQ(f.Classes(option),
              (Strings{"MDeformVertsShaderNode", "MVerbatimShaderNode", "MDeformVertsShaderNode",
                       "MQERadiantShaderNode", "MQ3MapSurfaceShaderNode", "MQ3SkyParmsShaderNode",
                       "MQ3SunShaderNode"}));
    EXPECT_EQ(option->GetShader(0)->GetName().Left(10), "DeformNode");
    EXPECT_NE(option->GetShader(0)->GetName(), option->GetShader(2)->GetName());
    EXPECT_EQ(option->GetShader(0)->GetParamByName("div"), "100");
    EXPECT_EQ(option->GetShader(0)->GetParamByName("Fr"), "0.5");
    EXPECT_EQ(option->GetShader(2)->GetParamByName("bS"), "3");
    EXPECT_EQ(option->GetShader(6)->GetParamByName("Col"), "1 1 1");
    EXPECT_EQ(option->GetShader(6)->GetParamByName("ele"), "60");
    EXPECT_EQ(option->GetShader(5)->GetParamByName("farBox"), "env/sky");
    EXPECT_EQ(option->GetShader(5)->GetParamByName("clHt"), "512");

    // The scene tree holds the option nodes under the option layer in the same order.
    MBaseObjectTreeNode* optionNode = f.Scene()->FindObject(option);
    ASSERT_NE(optionNode, nullptr);
    EXPECT_EQ(optionNode->GetParent(), f.Scene()->FindObject(ms[0]));
    int i = 0;
    for (MBaseObjectTreeNode* c = optionNode->GetFirstChild(); c; c = c->GetNextSibling(), ++i)
        EXPECT_EQ(c->GetObject(), option->GetShader(i));
    EXPECT_EQ(i, option->GetShaderCount());
}

TEST(ShaderReader, UnknownKeywordsAreLoggedAndKeptWholeLineInFileOrder)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\n"
                       "q3map_tcGen ivector ( 128 0 0 ) ( 0 128 0 ) // trailing comment\n"
                       "deformVertexes text0\n"
                       "portal\n"
                       "deformVertexes autosprite\n"
                       "}\n");
    ASSERT_EQ(ms.size(), 1u);
    MMaterialLayer* option = ms[0]->GetLayer(0);
    ASSERT_EQ(f.Classes(option), (Strings{"MVerbatimShaderNode", "MVerbatimShaderNode",
                                          "MVerbatimShaderNode", "MDeformVertsShaderNode"}));
    EXPECT_EQ(option->GetShader(0)->GetParamByName("Keyword"), "q3map_tcGen");
    EXPECT_EQ(option->GetShader(0)->GetParamByName("Text"), "ivector ( 128 0 0 ) ( 0 128 0 )");
    EXPECT_EQ(option->GetShader(1)->GetParamByName("Keyword"), "deformVertexes");
    EXPECT_EQ(option->GetShader(1)->GetParamByName("Text"), "text0");
    EXPECT_EQ(option->GetShader(2)->GetParamByName("Text"), "");
    EXPECT_EQ(option->GetShader(3)->GetParamByName("Ty"), "autosprite");
    // Arguments of a kept line are not reported as keywords of their own.
    EXPECT_EQ(f.Messages(), (Strings{"Q3AShaderImport: Keyword not found q3map_tcGen",
                                     "Q3AShaderImport: Unkown DeformVertexes Type text0",
                                     "Q3AShaderImport: Keyword not found deformVertexes",
                                     "Q3AShaderImport: Keyword not found portal"}));
}

TEST(ShaderReader, ShaderWideKeywordsFillTheirNodes)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\n"
                       "QER_EditorImage textures/e.tga\n"
                       "qer_trans 0.5\n"
                       "q3map_surfacelight 300\n"
                       "nopicmip\n"
                       "EntityMergable\n"
                       "surfaceparm NoMarks\n"
                       "surfaceparm madeupword\n"
                       "surfaceparm name\n"
                       "cull none\n"
                       "cloudparms 512 full\n"
                       "sky env/x\n"
                       "}\n");
    ASSERT_EQ(ms.size(), 1u);
    MMaterial* m = ms[0];
    EXPECT_EQ(m->GetParamByName("Cull"), "none");
    MMaterialLayer* option = m->GetLayer(0);
    ASSERT_EQ(f.Classes(option), (Strings{"MVerbatimShaderNode", "MVerbatimShaderNode",
                                          "MQERadiantShaderNode", "MQ3MapSurfaceShaderNode"}));
    MBaseShaderNode* qer = option->GetShader(2);
    EXPECT_EQ(qer->GetParamByName("qer_editorimage"), "textures/e.tga");
    EXPECT_EQ(qer->GetParamByName("qer_trans"), "0.5");
    EXPECT_EQ(qer->GetParamByName("q3map_surfacelight"), "300");
    EXPECT_EQ(qer->GetParamByName("nopicmip"), "On");
    EXPECT_EQ(qer->GetParamByName("entityMergable"), "On");
    EXPECT_EQ(qer->GetParamByName("polygonOffset"), "Off");
    MBaseShaderNode* surface = option->GetShader(3);
    EXPECT_EQ(surface->GetParamByName("nomarks"), "On");
    EXPECT_EQ(surface->GetParamByName("madeupword"), "On");
    // A surface word spelled like the node's name is still a word.
    EXPECT_EQ(surface->GetName().Left(11), "SurfaceNode");
    EXPECT_EQ(surface->GetParam(surface->GetParamCount() - 1)->GetName(), "name");
    EXPECT_EQ(surface->FindParameter("nodraw"), nullptr) << "only the words a shader sets are held";
    EXPECT_EQ(option->GetShader(0)->GetParamByName("Text"), "512 full");
    EXPECT_EQ(f.Messages(),
              (Strings{"Q3AShaderImport: Warning - 'CloudParms' Not supported ( 512 full )",
                       "Q3AShaderImport: Warning - 'Sky' Not supported ( env/x )"}));
}

TEST(ShaderReader, RepeatedShaderWideLinesKeepTheEarlierOneWhereItStood)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\n"
                       "q3map_sun 1 1 1 100 10 20\n"
                       "q3map_nonplanar\n"
                       "q3map_sun 1 0 0 50 30 40\n"
                       "cull none\n"
                       "cull twosided\n"
                       "qer_trans 0.5\n"
                       "qer_trans 0.25\n"
                       "q3map_surfacelight textures/not/a/number.tga\n"
                       "}\n");
    ASSERT_EQ(ms.size(), 1u);
    MMaterialLayer* option = ms[0]->GetLayer(0);
    ASSERT_EQ(f.Classes(option),
              (Strings{"MVerbatimShaderNode", "MVerbatimShaderNode", "MVerbatimShaderNode",
                       "MVerbatimShaderNode", "MVerbatimShaderNode", "MQERadiantShaderNode",
                       "MQ3SunShaderNode"}));
    auto line = [&](int i)
    {
        return option->GetShader(i)->GetParamByName("Keyword").str() + " " +
               option->GetShader(i)->GetParamByName("Text").str();
    };
    EXPECT_EQ(line(0), "q3map_sun 1 1 1 100 10 20");
    EXPECT_EQ(line(1), "q3map_nonplanar ");
    EXPECT_EQ(line(2), "cull twosided");
    EXPECT_EQ(line(3), "qer_trans 0.5");
    EXPECT_EQ(line(4), "q3map_surfacelight textures/not/a/number.tga");
    EXPECT_EQ(option->GetShader(6)->GetParamByName("in"), "50");
    EXPECT_EQ(option->GetShader(5)->GetParamByName("qer_trans"), "0.25");
    EXPECT_EQ(ms[0]->GetParamByName("Cull"), "none");
}

TEST(ShaderReader, StageKeywordsBecomeNodesInLineOrder)
{
    ShaderFixture f;
    auto ms = f.Import("t\n{\n{\n"
                       "map textures/a.tga\n"
                       "blendFunc GL_ONE GL_ONE\n"
                       "rgbGen wave sin 0 1 0.5 2\n"
                       "alphaFunc GE128\n"
                       "tcMod scroll 0.1 -.5\n"
                       "tcMod rotate 30\n"
                       "tcMod scale 2 3\n"
                       "tcMod stretch sin 1 0.1 0 1\n"
                       "tcMod turb 0 0.25 0.5 1\n"
                       "tcGen environment\n"
                       "alphaGen lightingSpecular\n"
                       "depthFunc equal\n"
                       "depthWrite\n"
                       "}\n{\nclampmap textures/b.tga\nblendfunc add\n}\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    ASSERT_EQ(ms[0]->GetLayerCount(), 3);
    MMaterialLayer* stage = ms[0]->GetLayer(1);
    EXPECT_EQ(stage->GetName().Left(5), "Layer");
    EXPECT_EQ(f.Classes(stage),
              (Strings{"MFileShaderNode", "MBlendFuncShaderNode", "MRGBGenShaderNode",
                       "MAlphaFuncShaderNode", "MTCScrollShaderNode", "MTCRotateShaderNode",
                       "MTCScaleShaderNode", "MTCStretchShaderNode", "MTCTurbShaderNode",
                       "MTCGenShaderNode", "MAlphaGenShaderNode"}));
    EXPECT_EQ(stage->GetShader(0)->GetParamByName("Fname"), "textures/a.tga");
    EXPECT_EQ(stage->GetShader(0)->GetParamByName("RpU"), "On");
    EXPECT_EQ(stage->GetShader(1)->GetParamByName("bmP"), "custom");
    EXPECT_EQ(stage->GetShader(1)->GetParamByName("bSrc"), "GL_ONE");
    EXPECT_EQ(stage->GetShader(1)->GetParamByName("bDst"), "GL_ONE");
    EXPECT_EQ(stage->GetShader(2)->GetParamByName("Ty"), "wave");
    EXPECT_EQ(stage->GetShader(2)->GetParamByName("Phs"), "0.5");
    EXPECT_EQ(stage->GetShader(2)->GetParamByName("Fr"), "2");
    EXPECT_EQ(stage->GetShader(3)->GetParamByName("fn"), "GE128");
    EXPECT_EQ(stage->GetShader(4)->GetParamByName("Dt"), "-.5");
    EXPECT_EQ(stage->GetShader(5)->GetParamByName("Dr"), "30");
    EXPECT_EQ(stage->GetShader(6)->GetParamByName("St"), "3");
    EXPECT_EQ(stage->GetShader(7)->GetParamByName("Amp"), "0.1");
    EXPECT_EQ(stage->GetShader(8)->GetParamByName("Base"), "0");
    EXPECT_EQ(stage->GetShader(8)->GetParamByName("Amp"), "0.25");
    EXPECT_EQ(stage->GetShader(8)->GetParamByName("Phase"), "0.5");
    EXPECT_EQ(stage->GetShader(8)->GetParamByName("Freq"), "1");
    EXPECT_EQ(stage->GetShader(9)->GetParamByName("Ty"), "environment");
    EXPECT_EQ(stage->GetShader(10)->GetParamByName("Ty"), "lightingSpecular");
    EXPECT_EQ(stage->GetParamByName("dFn"), "equal");
    EXPECT_NE(stage->GetParamByName("dWr"), "auto");

    MMaterialLayer* clamped = ms[0]->GetLayer(2);
    EXPECT_EQ(clamped->GetShader(0)->GetParamByName("RpU"), "off");
    EXPECT_EQ(clamped->GetShader(0)->GetParamByName("RpV"), "off");
    EXPECT_EQ(clamped->GetShader(1)->GetParamByName("bmP"), "add");

    // Scene tree: stage layers under the material, nodes under their layer, in order.
    MBaseObjectTreeNode* layerNode = f.Scene()->FindObject(stage);
    EXPECT_EQ(layerNode->GetParent()->GetObject(), ms[0]);
    int i = 0;
    for (MBaseObjectTreeNode* c = layerNode->GetFirstChild(); c; c = c->GetNextSibling())
        EXPECT_EQ(c->GetObject(), stage->GetShader(i++));
    EXPECT_EQ(i, 11);
    EXPECT_TRUE(f.Messages().empty());
}

TEST(ShaderReader, AnimMapTakesTheNamesOnItsLineOnly)
{
    ShaderFixture f;
    std::string many = "animMap 8";
    for (int i = 0; i < 14; ++i)
        many += " f" + std::to_string(i) + ".tga";
    auto ms = f.Import("t\n{\n{\nanimmap 5 a.tga b.tga c.tga // no d.tga\nmap after.tga\n}\n"
                       "{\nanimMap 10\nmap x.tga\n}\n{\n" +
                       many + "\n}\n{ animmap 2 a b }\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    ASSERT_EQ(ms[0]->GetLayerCount(), 5);
    MBaseShaderNode* anim = Node(ms[0], 1, 0);
    EXPECT_EQ(anim->ClassName(), "MAnimFileShaderNode");
    EXPECT_EQ(anim->GetParamByName("Fr"), "5");
    EXPECT_EQ(anim->GetParamByName("nF"), "3");
    EXPECT_EQ(anim->GetParamByName("Fname0"), "a.tga");
    EXPECT_EQ(anim->GetParamByName("Fname2"), "c.tga");
    EXPECT_EQ(Node(ms[0], 1, 1)->GetParamByName("Fname"), "after.tga");
    EXPECT_EQ(Node(ms[0], 2, 0)->GetParamByName("nF"), "0");
    EXPECT_EQ(Node(ms[0], 2, 1)->GetParamByName("Fname"), "x.tga");
    EXPECT_EQ(Node(ms[0], 3, 0)->GetParamByName("nF"), "14");
    EXPECT_EQ(Node(ms[0], 3, 0)->GetParamByName("Fname13"), "f13.tga");
    // On a one-line stage the closing brace is not a frame.
    EXPECT_EQ(Node(ms[0], 4, 0)->GetParamByName("nF"), "2");
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
    MMaterialLayer* oneLine = ms[0]->GetLayer(1);
    ASSERT_EQ(f.Classes(oneLine), Strings{"MVerbatimShaderNode"});
    EXPECT_EQ(oneLine->GetShader(0)->GetParamByName("Keyword"), "detail");
    EXPECT_EQ(oneLine->GetShader(0)->GetParamByName("Text"), "");

    MMaterialLayer* stage = ms[0]->GetLayer(2);
    EXPECT_EQ(f.Classes(stage),
              (Strings{"MFileShaderNode", "MVerbatimShaderNode", "MVerbatimShaderNode",
                       "MRGBGenShaderNode", "MAlphaGenShaderNode", "MAlphaGenShaderNode",
                       "MTCGenShaderNode", "MVerbatimShaderNode"}));
    EXPECT_EQ(stage->GetShader(1)->GetParamByName("Text"), "v.roq");
    EXPECT_EQ(stage->GetShader(2)->GetParamByName("Keyword"), "tcMod");
    EXPECT_EQ(stage->GetShader(2)->GetParamByName("Text"), "transform 1 0 0 1 0 0");
    EXPECT_EQ(stage->GetShader(3)->GetParamByName("Ty"), "const");
    EXPECT_EQ(stage->GetShader(3)->GetParamByName("Args"), "( 1 0.5 0 )");
    EXPECT_EQ(stage->GetShader(4)->GetParamByName("Args"), "0.3");
    EXPECT_EQ(stage->GetShader(5)->GetParamByName("Args"), "256");
    EXPECT_EQ(stage->GetShader(6)->GetParamByName("sV"), "1 0 0");
    EXPECT_EQ(stage->GetShader(6)->GetParamByName("tV"), "0 1 0");
    EXPECT_EQ(stage->GetShader(7)->GetParamByName("Keyword"), "textures/bare/path.tga");
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
    EXPECT_EQ(f.Classes(ms[0]->GetLayer(1)), (Strings{"MFileShaderNode", "MBlendFuncShaderNode"}));
    EXPECT_EQ(Node(ms[0], 1, 0)->GetParamByName("Fname"), "live.tga");
    EXPECT_TRUE(f.Messages().empty());
}

TEST(ShaderReader, MapNamesAreKeptAsWrittenWhateverLiesOnDisk)
{
    ShaderFixture f;
    f.tmp.Write("game/textures/base/a.jpg", "x");
    f.sys.manager.GetImageSearchPaths().AddString((f.tmp.Path() / "game").string());
    auto ms = f.Import("t\n{\n{\nmap textures/base/a.tga\nanimMap 1 textures\\base\\a.tga\n}\n}\n");
    ASSERT_EQ(ms.size(), 1u);
    EXPECT_EQ(Node(ms[0], 1, 0)->GetParamByName("Fname"), "textures/base/a.tga");
    EXPECT_EQ(Node(ms[0], 1, 1)->GetParamByName("Fname0"), "textures\\base\\a.tga");
}

TEST(ShaderReader, AKeywordWithoutItsValueLeavesTheBraceAfterIt)
{
    // The keyword stands last on its line and a stage follows: the stage is
    // still a stage, the shader still ends at its own brace.
    for (const char* line : {"cull", "surfaceparm", "qer_editorimage", "sort", "tessSize",
                             "skyParms", "q3map_sun", "deformVertexes", "fogparms"})
    {
        ShaderFixture f;
        auto ms = f.Import(std::string("a\n{\n") + line +
                           "\n{\nmap x.tga\nalphaFunc\n}\nsurfaceparm nodraw\n}\nb\n{\n}\n");
        ASSERT_EQ(ms.size(), 2u) << line;
        EXPECT_EQ(ms[1]->GetName(), "b") << line;
        ASSERT_EQ(ms[0]->GetLayerCount(), 2) << line;
        EXPECT_EQ(Node(ms[0], 1, 0)->GetParamByName("Fname"), "x.tga") << line;
        EXPECT_EQ(Node(ms[0], 1, 1)->GetParamByName("fn"), "") << line;
    }
}

TEST(ShaderReader, QuotedWordsAreReadWhole)
{
    ShaderFixture f;
    auto ms = f.Import("\"textures/with blank\"\n{\n\"{\"\n{\nmap \"a b.tga\" \"}\"\n}\n}\n"
                       "\"}\"\n{\n}\nodd\"quote\n{\n}\n");
    ASSERT_EQ(ms.size(), 3u);
    EXPECT_EQ(ms[0]->GetName(), "textures/with blank");
    ASSERT_EQ(ms[0]->GetLayerCount(), 2);
    EXPECT_EQ(Node(ms[0], 1, 0)->GetParamByName("Fname"), "a b.tga");
    EXPECT_EQ(ms[1]->GetName(), "}");
    EXPECT_EQ(ms[2]->GetName(), "odd\"quote");
}

TEST(ShaderReader, BadInputIsReportedAndNothingBinaryIsAdded)
{
    struct Case
    {
        std::string text;
        bool ok;
        Strings names;
        std::string message; // a log line that must be there, or ""
    };
    const Case cases[] = {
        {std::string("MZ\x90\0\x03\0\0\0{ }", 12),
         false,
         {},
         "is not a shader script: it holds NUL bytes"},
        {"\xEF\xBB\xBFtextures/a\n{\n}\n", true, {"textures/a"}, ""},
        {"", true, {}, "holds no shaders"},
        {"// nothing but a comment\n", true, {}, "holds no shaders"},
        {"a\n{\n}\n\ntextures/open\n{\n\t{\n\t\tmap x.tga\n",
         true,
         {"a", "textures/open"},
         "shader 'textures/open' begun on line 5 has no closing '}'"},
    };
    for (const Case& c : cases)
    {
        ShaderFixture f;
        const std::string file = f.tmp.Write("in.shader", c.text);
        EXPECT_EQ(f.translator.ImportFile(file, f.Scene()), c.ok) << c.text;
        Strings names;
        for (MMaterial* m : f.Materials())
            names.push_back(m->GetName().str());
        EXPECT_EQ(names, c.names) << c.text;
        if (c.message.empty())
            EXPECT_TRUE(f.Messages().empty()) << c.text;
        else
        {
            ASSERT_EQ(f.Messages().size(), 1u) << c.text;
            EXPECT_NE(f.Messages()[0].find(c.message), std::string::npos) << f.Messages()[0];
        }
    }
}

TEST(ShaderReader, VeryLongWordsAndGarbageNeverBreakReading)
{
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
