#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MShaderNodes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
std::string LayerNames(const MMaterial& m)
{
    std::string out;
    for (int i = 0; i < m.GetLayerCount(); ++i)
        out += m.GetLayer(i)->GetName().str() + " ";
    return out;
}

MStr Display(const MBaseShaderNode& n)
{
    MStr text("[");
    n.AppendDisplayText(text);
    return text;
}

MMaterialLayer* NewLayer(const char* name)
{
    auto* l = new MMaterialLayer();
    l->SetName(name);
    return l;
}
} // namespace

TEST(Material, LayersKeepOrderBackPointersAndReferences)
{
    MRef<MMaterial> m(new MMaterial());
    EXPECT_TRUE(m->HasFlags(OBJ_TYPE_MATERIAL));
    EXPECT_EQ(m->GetParamByName("cull"), "front");

    MRef<MMaterialLayer> opt(NewLayer("opt"));
    MRef<MMaterialLayer> s2(NewLayer("s2"));
    MRef<MMaterialLayer> s1(NewLayer("s1"));
    MRef<MMaterialLayer> stray(NewLayer("stray"));
    EXPECT_FALSE(m->AddLayer(nullptr));
    EXPECT_TRUE(m->AddLayer(opt.Get()));
    EXPECT_TRUE(m->AddLayer(s2.Get()));
    EXPECT_TRUE(m->AddLayerBefore(s1.Get(), s2.Get()));
    EXPECT_EQ(LayerNames(*m), "opt s1 s2 ");
    EXPECT_EQ(s1->GetMaterial(), m.Get());
    EXPECT_EQ(s1->GetRefCount(), 2);
    EXPECT_EQ(m->GetLayer(3), nullptr);
    EXPECT_EQ(m->GetLayerList().Find(s2.Get()), 2);

    // Before a layer of another material: appended.
    MRef<MMaterialLayer> s3(NewLayer("s3"));
    EXPECT_TRUE(m->AddLayerBefore(s3.Get(), stray.Get()));
    EXPECT_EQ(LayerNames(*m), "opt s1 s2 s3 ");

    EXPECT_FALSE(m->RemoveLayer(stray.Get()));
    EXPECT_FALSE(m->RemoveLayer(nullptr));
    EXPECT_TRUE(m->RemoveLayer(s1.Get()));
    EXPECT_EQ(s1->GetMaterial(), nullptr);
    EXPECT_EQ(s1->GetRefCount(), 1);
    EXPECT_EQ(LayerNames(*m), "opt s2 s3 ");

    // A layer that outlives its material no longer points at it.
    m.Reset();
    EXPECT_EQ(opt->GetMaterial(), nullptr);
    EXPECT_EQ(opt->GetRefCount(), 1);
}

TEST(MaterialLayer, NodesKeepOrderBackPointersAndReferences)
{
    MRef<MMaterialLayer> layer(new MMaterialLayer());
    EXPECT_EQ(layer->GetParamByName("dFn"), "lequal");
    EXPECT_EQ(layer->GetParamByName("dWr"), "auto");

    MRef<MBaseShaderNode> file(new MFileShaderNode());
    MRef<MBaseShaderNode> blend(new MBlendFuncShaderNode());
    MRef<MBaseShaderNode> rgb(new MRGBGenShaderNode());
    EXPECT_TRUE(layer->AddShader(file.Get()));
    EXPECT_TRUE(layer->AddShader(blend.Get()));
    EXPECT_TRUE(layer->AddShaderBefore(rgb.Get(), blend.Get()));
    EXPECT_FALSE(layer->AddShader(nullptr));
    EXPECT_EQ(layer->GetShaderCount(), 3);
    EXPECT_EQ(layer->GetShader(1), rgb.Get());
    EXPECT_EQ(layer->GetShader(-1), nullptr);
    EXPECT_EQ(rgb->GetLayer(), layer.Get());
    EXPECT_EQ(rgb->GetRefCount(), 2);

    MRef<MBaseShaderNode> other(new MAlphaFuncShaderNode());
    EXPECT_FALSE(layer->RemoveShader(other.Get()));
    EXPECT_TRUE(layer->RemoveShader(rgb.Get()));
    EXPECT_EQ(rgb->GetLayer(), nullptr);
    EXPECT_EQ(rgb->GetRefCount(), 1);
    EXPECT_EQ(layer->GetShader(1), blend.Get());

    layer.Reset();
    EXPECT_EQ(file->GetLayer(), nullptr);
    EXPECT_EQ(file->GetRefCount(), 1);
}

TEST(Material, CreateNewCopiesLayersAndNodesDeeply)
{
    MRef<MMaterial> m(new MMaterial());
    m->SetName("textures/base/wall");
    m->SetParamByName("Cull", "none");
    auto* stage = NewLayer("stage");
    m->AddLayer(NewLayer("opt"));
    m->AddLayer(stage);
    auto* file = new MFileShaderNode();
    file->SetParamByName("Fname", "textures/base/wall.tga");
    stage->AddShader(file);
    auto* anim = new MAnimFileShaderNode();
    anim->SetParamByName("Fname2", "c.tga");
    stage->AddShader(anim);

    MRef<MBaseObject> raw(m->CreateNew());
    auto* copy = dynamic_cast<MMaterial*>(raw.Get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "textures/base/wall");
    EXPECT_EQ(copy->GetParamByName("Cull"), "none");
    ASSERT_EQ(copy->GetLayerCount(), 2);
    MMaterialLayer* copiedStage = copy->GetLayer(1);
    EXPECT_NE(copiedStage, stage);
    EXPECT_EQ(copiedStage->GetName(), "stage");
    EXPECT_EQ(copiedStage->GetMaterial(), copy);
    EXPECT_EQ(copiedStage->GetRefCount(), 1);
    ASSERT_EQ(copiedStage->GetShaderCount(), 2);
    MBaseShaderNode* copiedFile = copiedStage->GetShader(0);
    EXPECT_NE(copiedFile, file);
    EXPECT_EQ(copiedFile->ClassName(), "MFileShaderNode");
    EXPECT_EQ(copiedFile->GetLayer(), copiedStage);
    EXPECT_EQ(copiedFile->GetParamByName("fname"), "textures/base/wall.tga");
    EXPECT_EQ(copiedStage->GetShader(1)->GetParamByName("Fname2"), "c.tga");

    // Edits of the copy leave the source alone.
    copiedFile->SetParamByName("Fname", "other.tga");
    copiedStage->RemoveShader(copiedFile);
    EXPECT_EQ(file->GetParamByName("Fname"), "textures/base/wall.tga");
    EXPECT_EQ(stage->GetShaderCount(), 2);
    EXPECT_EQ(stage->GetRefCount(), 1);
    EXPECT_EQ(file->GetLayer(), stage);

    MRef<MBaseObject> layerCopy(stage->CreateNew());
    auto* lc = dynamic_cast<MMaterialLayer*>(layerCopy.Get());
    ASSERT_NE(lc, nullptr);
    EXPECT_EQ(lc->GetMaterial(), nullptr);
    EXPECT_EQ(lc->GetShaderCount(), 2);
    EXPECT_EQ(lc->GetShader(0)->GetLayer(), lc);
}

TEST(ShaderNodes, EveryClassNamesItselfAndCopiesToItsOwnClass)
{
    const std::vector<std::pair<std::function<MBaseShaderNode*()>, std::string>> classes = {
        {[] { return new MFileShaderNode(); }, "FileShader"},
        {[] { return new MAnimFileShaderNode(); }, "AnimFileShader"},
        {[] { return new MRGBGenShaderNode(); }, "RGBGenNode"},
        {[] { return new MAlphaGenShaderNode(); }, "AlphaGenNode"},
        {[] { return new MBlendFuncShaderNode(); }, "BlendFuncNode"},
        {[] { return new MAlphaFuncShaderNode(); }, "AlphaFuncNode"},
        {[] { return new MTCScrollShaderNode(); }, "TCModScroll"},
        {[] { return new MTCRotateShaderNode(); }, "TCModRotate"},
        {[] { return new MTCScaleShaderNode(); }, "TCModScale"},
        {[] { return new MTCStretchShaderNode(); }, "TCModStretch"},
        {[] { return new MTCTurbShaderNode(); }, "TCModTurb"},
        {[] { return new MTCGenShaderNode(); }, "TCGenNode"},
        {[] { return new MQERadiantShaderNode(); }, "QERNode"},
        {[] { return new MQ3MapSurfaceShaderNode(); }, "SurfaceNode"},
        {[] { return new MQ3SkyParmsShaderNode(); }, "Q3SkyNode"},
        {[] { return new MQ3SunShaderNode(); }, "Q3SunNode"},
        {[] { return new MDeformVertsShaderNode(); }, "DeformNode"},
        {[] { return new MVerbatimShaderNode(); }, "Keyword"},
    };
    for (const auto& [make, base] : classes)
    {
        MRef<MBaseShaderNode> node(make());
        SCOPED_TRACE(node->ClassName().str());
        EXPECT_EQ(node->GetBaseName(), base);
        EXPECT_EQ(node->ParentClassName(), "MBaseShaderNode");
        EXPECT_EQ(node->GetParam(0)->GetName(), "Name");
        node->SetName("n1");
        MRef<MBaseObject> copy(node->CreateNew());
        ASSERT_NE(copy.Get(), nullptr);
        EXPECT_EQ(copy->ClassName(), node->ClassName());
        EXPECT_EQ(copy->GetName(), "n1");
        EXPECT_EQ(copy->GetParamCount(), node->GetParamCount());
        for (int i = 0; i < node->GetParamCount(); ++i)
            EXPECT_EQ(copy->GetParam(i)->GetName(), node->GetParam(i)->GetName());
    }
}

TEST(ShaderNodes, DefaultsAndShortSummaries)
{
    MFileShaderNode file;
    EXPECT_EQ(Display(file), "[(no texture)");
    file.SetParamByName("Fname", "textures\\base\\wall.tga");
    EXPECT_EQ(Display(file), "[wall.tga");
    file.SetParamByName("RpU", "Off");
    EXPECT_EQ(Display(file), "[wall.tga");
    file.SetParamByName("rpv", "off");
    EXPECT_EQ(Display(file), "[wall.tga clamp");
    // Only "On" as the writer reads it repeats: "on" is written as a clampmap,
    // so it shows as one.
    file.SetParamByName("RpU", "on");
    EXPECT_FALSE(file.Repeats());
    EXPECT_EQ(Display(file), "[wall.tga clamp");
    file.SetParamByName("RpU", "On");
    EXPECT_TRUE(file.Repeats());

    MBlendFuncShaderNode blend;
    EXPECT_EQ(Display(blend), "[blend");
    blend.SetParamByName("bmP", "custom");
    blend.SetParamByName("bSrc", "GL_DST_COLOR");
    EXPECT_EQ(Display(blend), "[GL_DST_COLOR GL_ZERO");

    MRGBGenShaderNode rgb;
    EXPECT_EQ(Display(rgb), "[identity");
    rgb.SetParamByName("Ty", "wave");
    rgb.SetParamByName("fn", "square");
    rgb.SetParamByName("Amp", "0.5");
    EXPECT_EQ(Display(rgb), "[wave square 0 0.5 0 1");

    MTCScaleShaderNode scale;
    EXPECT_EQ(Display(scale), "[scale 1 1");
    MQ3SunShaderNode sun;
    EXPECT_EQ(sun.GetParamVec("Col"), (MVector{1, 1, 1}));
    EXPECT_EQ(Display(sun), "[sun 100");
    MQ3SkyParmsShaderNode sky;
    sky.SetParamByName("farBox", "env/space1");
    EXPECT_EQ(Display(sky), "[sky space1");
    MQERadiantShaderNode qer;
    EXPECT_EQ(Display(qer), "[editor");
    EXPECT_EQ(qer.GetParamByName("q3map_lightsubdivide"), "120");
    MTCGenShaderNode tcgen;
    EXPECT_EQ(tcgen.GetParamVec("sV"), MVector{});

    MVerbatimShaderNode verbatim;
    verbatim.SetParamByName("Keyword", "q3map_tracelight");
    EXPECT_EQ(Display(verbatim), "[q3map_tracelight");
    verbatim.SetParamByName("Text", "one two three four five six");
    const MStr long_ = Display(verbatim);
    EXPECT_EQ(long_, "[q3map_tracelight one two thre...");
}

TEST(ShaderNodes, SurfaceNodeKeepsEveryWordAsAnOnOffParameter)
{
    MQ3MapSurfaceShaderNode s;
    EXPECT_EQ(Display(s), "[surface");
    const int count = s.GetParamCount();
    EXPECT_TRUE(s.SetParamByName("nodraw", "On"));
    EXPECT_TRUE(s.SetParamByName("NoDraw", "On")); // the same word again
    EXPECT_EQ(s.GetParamCount(), count + 1);
    EXPECT_EQ(Display(s), "[nodraw");

    EXPECT_TRUE(s.SetParamByName("nomarks", "On"));
    EXPECT_TRUE(s.SetParamByName("q3map_shinyWord", "On"));
    EXPECT_EQ(s.GetParamCount(), count + 3);
    const auto* word =
        dynamic_cast<const MStringChoiceParameterObject*>(s.FindParameter("Q3MAP_SHINYWORD"));
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->GetName(), "q3map_shinyWord");
    EXPECT_EQ(word->GetValue(), "On");
    EXPECT_EQ(word->GetChoice(0), "On");
    EXPECT_EQ(word->GetChoice(1), "Off");
    EXPECT_EQ(Display(s), "[nodraw nomarks +1");
    s.SetParamByName("NOMARKS", "Off");
    EXPECT_EQ(Display(s), "[nodraw q3map_shinyWord");

    // Words that could not be written back as one word are refused.
    const std::string tooLong(300, 'w');
    for (const char* bad : {"", "two words", "tab\tword", "{", "x}", tooLong.c_str()})
        EXPECT_FALSE(s.SetParamByName(bad, "On")) << bad;
    EXPECT_EQ(s.GetParamCount(), count + 3);

    MRef<MBaseObject> copy(s.CreateNew());
    EXPECT_EQ(copy->GetParamByName("q3map_shinyWord"), "On");
    EXPECT_EQ(copy->GetParamCount(), s.GetParamCount());
}

TEST(ShaderNodes, AnimNodeGrowsFrameParametersOnDemand)
{
    MRef<MAnimFileShaderNode> a(new MAnimFileShaderNode());
    EXPECT_EQ(a->GetNumberOfImages(), 0);
    const int base = a->GetParamCount();
    EXPECT_TRUE(a->SetParamByName("Fname2", "c.tga"));
    EXPECT_EQ(a->GetNumberOfImages(), 3);
    EXPECT_EQ(a->GetParamCount(), base + 3);
    EXPECT_EQ(a->GetParamByName("fname0"), "");
    EXPECT_EQ(a->FindParameter("Fname1")->GetType(), PARAM_FILENAME);
    EXPECT_TRUE(a->SetParamByName("fname1", "b.tga"));
    a->SetNumberOfImages(2); // never shrinks
    EXPECT_EQ(a->GetNumberOfImages(), 3);
    a->SetNumberOfImages(5);
    EXPECT_EQ(a->GetParamCount(), base + 5);
    EXPECT_EQ(a->GetParamByName("Fname4"), "");

    for (const char* bad : {"Fname", "Fnamex", "Fname-1", "Fname1x", "Fname100001", "Frame3"})
        EXPECT_FALSE(a->SetParamByName(bad, "z.tga")) << bad;
    EXPECT_EQ(a->GetParamCount(), base + 5);

    a->SetParamByName("nF", "3");
    a->SetParamByName("Fr", "2");
    EXPECT_EQ(Display(*a), "[3 frames @ 2");

    // A copy has the same frames and grows from where the source stood,
    // never repeating a frame parameter.
    MRef<MBaseObject> raw(a->CreateNew());
    auto* copy = dynamic_cast<MAnimFileShaderNode*>(raw.Get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetNumberOfImages(), 5);
    EXPECT_EQ(copy->GetParamByName("Fname1"), "b.tga");
    copy->SetNumberOfImages(6);
    EXPECT_TRUE(copy->SetParamByName("Fname7", "h.tga"));
    EXPECT_EQ(copy->GetParamCount(), base + 8);
    for (int i = 0; i < 8; ++i)
    {
        int seen = 0;
        for (int p = 0; p < copy->GetParamCount(); ++p)
            seen += copy->GetParam(p)->GetName().EqualsNoCase(MStr::Printf("Fname%i", i).c_str());
        EXPECT_EQ(seen, 1) << "Fname" << i;
    }
}
