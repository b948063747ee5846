#include "MQ3AShaderWriter.h"

#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"

#include <cstdarg>
#include <cstdlib>
#include <typeinfo>

namespace
{
bool IsOn(const MStr& value)
{
    return value.EqualsNoCase("on");
}

bool IsNumber(const MStr& text)
{
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return !text.IsEmpty() && end != text.c_str();
}
} // namespace

void MQ3AShaderWriter::WriteIndent(int count)
{
    m_Out.append(static_cast<size_t>(count), '\t');
}

void MQ3AShaderWriter::Line(int level, const char* fmt, ...)
{
    WriteIndent(level);
    MStr text;
    va_list args;
    va_start(args, fmt);
    text.FormatV(fmt, args);
    va_end(args);
    m_Out += text.str();
}

MStr MQ3AShaderWriter::ImageName(const MStr& fname) const
{
    MSystemManager* manager = GetSystemManager();
    MStr name = manager ? manager->GetRelativeImageFilename(fname) : MStr();
    if (name.IsEmpty())
        name = fname;
    name.Replace('\\', '/');
    return name;
}

void MQ3AShaderWriter::WriteScene(MScene* scene)
{
    // Walk the tree without disturbing a walk the caller may have going.
    scene->ForEachNode(
        [this](MBaseObjectTreeNode* n)
        {
            const auto* material = dynamic_cast<const MMaterial*>(n->GetObject());
            if (material && material->HasFlags(OBJ_SELECTED))
                WriteMaterial(material, 0);
        });
}

void MQ3AShaderWriter::WriteMaterial(const MMaterial* material, int level)
{
    Line(level, "%s\n", material->GetName().c_str());
    Line(level, "{\n");
    Line(level + 1, "cull %s\n", material->GetParamByName("Cull").c_str());
    bool first = true;
    for (const MBaseObject* o : material->GetLayerList())
    {
        const auto* layer = dynamic_cast<const MMaterialLayer*>(o);
        if (first)
        {
            first = false;
            if (layer)
                WriteLayerBody(layer, level + 1);
            continue;
        }
        if (!layer)
            continue;
        Line(level + 1, "{\n");
        WriteLayerBody(layer, level + 2);
        Line(level + 1, "}\n\n");
    }
    Line(level, "}\n\n");
}

void MQ3AShaderWriter::WriteLayerBody(const MMaterialLayer* layer, int level)
{
    for (const MBaseObject* o : layer->GetShaderList())
        if (const auto* node = dynamic_cast<const MBaseShaderNode*>(o))
            WriteNode(node, level);
    const MStr depthFunc = layer->GetParamByName("dFn");
    if (!depthFunc.EqualsNoCase("lequal"))
        Line(level, "depthFunc %s\n", depthFunc.c_str());
    if (!layer->GetParamByName("dWr").EqualsNoCase("auto"))
        Line(level, "depthWrite\n");
}

MQ3AShaderWriter::NodeKind MQ3AShaderWriter::KindOf(const MBaseShaderNode* node)
{
    // Every node of a class shares its type's record, so the class tests run
    // once per class, not once per node.
    const std::type_info* type = &typeid(*node);
    auto it = m_Kinds.find(type);
    if (it != m_Kinds.end())
        return it->second;
    NodeKind kind = NodeKind::Other;
    if (dynamic_cast<const MFileShaderNode*>(node))
        kind = NodeKind::File;
    else if (dynamic_cast<const MAnimFileShaderNode*>(node))
        kind = NodeKind::Anim;
    else if (dynamic_cast<const MTCScrollShaderNode*>(node))
        kind = NodeKind::Scroll;
    else if (dynamic_cast<const MTCRotateShaderNode*>(node))
        kind = NodeKind::Rotate;
    else if (dynamic_cast<const MTCScaleShaderNode*>(node))
        kind = NodeKind::Scale;
    else if (dynamic_cast<const MTCStretchShaderNode*>(node))
        kind = NodeKind::Stretch;
    else if (dynamic_cast<const MTCTurbShaderNode*>(node))
        kind = NodeKind::Turb;
    else if (dynamic_cast<const MBlendFuncShaderNode*>(node))
        kind = NodeKind::Blend;
    else if (dynamic_cast<const MAlphaFuncShaderNode*>(node))
        kind = NodeKind::AlphaFunc;
    else if (dynamic_cast<const MRGBGenShaderNode*>(node))
        kind = NodeKind::RGBGen;
    else if (dynamic_cast<const MAlphaGenShaderNode*>(node))
        kind = NodeKind::AlphaGen;
    else if (dynamic_cast<const MTCGenShaderNode*>(node))
        kind = NodeKind::TCGen;
    else if (dynamic_cast<const MQERadiantShaderNode*>(node))
        kind = NodeKind::QER;
    else if (dynamic_cast<const MQ3MapSurfaceShaderNode*>(node))
        kind = NodeKind::Surface;
    else if (dynamic_cast<const MQ3SunShaderNode*>(node))
        kind = NodeKind::Sun;
    else if (dynamic_cast<const MQ3SkyParmsShaderNode*>(node))
        kind = NodeKind::Sky;
    else if (dynamic_cast<const MDeformVertsShaderNode*>(node))
        kind = NodeKind::Deform;
    else if (dynamic_cast<const MVerbatimShaderNode*>(node))
        kind = NodeKind::Verbatim;
    m_Kinds.emplace(type, kind);
    return kind;
}

void MQ3AShaderWriter::WriteNode(const MBaseShaderNode* node, int level)
{
    const NodeKind kind = KindOf(node);
    auto f = [node](const char* name) { return double(node->GetParamFloat(name)); };
    auto s = [node](const char* name) { return node->GetParamByName(name); };
    auto writeWave = [&](const char* lead)
    {
        Line(level, "%s %s %.3f %.3f %.3f %.3f\n", lead, s("fn").c_str(), f("Base"), f("Amp"),
             f("Phs"), f("Fr"));
    };
    auto writeColourGen = [&](const char* keyword)
    {
        if (s("Ty").EqualsNoCase("wave"))
            writeWave((MStr(keyword) + " wave").c_str());
        else if (s("Args").IsEmpty())
            Line(level, "%s %s\n", keyword, s("Ty").c_str());
        else
            Line(level, "%s %s %s\n", keyword, s("Ty").c_str(), s("Args").c_str());
    };

    if (kind == NodeKind::File)
    {
        const bool repeat = s("RpU") == "On" || s("RpV") == "On";
        Line(level, "%s %s\n", repeat ? "map" : "clampmap", ImageName(s("Fname")).c_str());
    }
    else if (kind == NodeKind::Anim)
    {
        WriteIndent(level);
        m_Out += MStr::Printf("animMap %.3f", f("Fr")).str();
        const int frames = node->GetParamInt("nF");
        for (int i = 0; i < frames; ++i)
            m_Out += " " + ImageName(s(MStr::Printf("Fname%i", i).c_str())).str();
        m_Out += "\n";
    }
    else if (kind == NodeKind::Scroll)
        Line(level, "tcMod scroll %.3f %.3f\n", f("Ds"), f("Dt"));
    else if (kind == NodeKind::Rotate)
        Line(level, "tcMod rotate %.3f\n", f("Dr"));
    else if (kind == NodeKind::Scale)
        Line(level, "tcMod scale %.3f %.3f\n", f("Ss"), f("St"));
    else if (kind == NodeKind::Stretch)
        writeWave("tcMod stretch");
    else if (kind == NodeKind::Turb)
        Line(level, "tcMod turb %.3f %.3f %.3f %.3f\n", f("Base"), f("Amp"), f("Phase"), f("Freq"));
    else if (kind == NodeKind::Blend)
    {
        const MStr mode = s("bmP");
        MStr text;
        if (mode.EqualsNoCase("blend"))
            text = "gl_src_alpha gl_one_minus_src_alpha";
        else if (mode.EqualsNoCase("add"))
            text = "gl_one gl_one";
        else if (mode.EqualsNoCase("filter"))
            text = "gl_dst_color gl_zero";
        else if (mode.EqualsNoCase("custom"))
        {
            text = s("bSrc") + " " + s("bDst");
            text.ToLower();
        }
        Line(level, "blendfunc %s\n", text.c_str());
    }
    else if (kind == NodeKind::AlphaFunc)
    {
        if (!s("fn").EqualsNoCase("off"))
            Line(level, "alphaFunc %s\n", s("fn").c_str());
    }
    else if (kind == NodeKind::RGBGen)
        writeColourGen("rgbGen");
    else if (kind == NodeKind::AlphaGen)
        writeColourGen("alphaGen");
    else if (kind == NodeKind::TCGen)
    {
        if (s("Ty").EqualsNoCase("vector"))
        {
            const MVector a = node->GetParamVec("sV"), b = node->GetParamVec("tV");
            Line(level, "tcGen vector ( %.3f %.3f %.3f ) ( %.3f %.3f %.3f )\n", double(a.x),
                 double(a.y), double(a.z), double(b.x), double(b.y), double(b.z));
        }
        else
            Line(level, "tcGen %s\n", s("Ty").c_str());
    }
    else if (kind == NodeKind::QER)
    {
        if (IsOn(s("q3map_globaltexture")))
            Line(level, "q3map_globaltexture\n");
        for (const char* key : {"qer_editorimage", "q3map_lightimage", "q3map_backshader"})
            if (!s(key).IsEmpty())
                Line(level, "%s %s\n", key, s(key).c_str());
        if (f("q3map_surfacelight") != 0)
            Line(level, "q3map_surfacelight %.0f\n", f("q3map_surfacelight"));
        if (f("tessSize") > 0)
            Line(level, "tessSize %.4f\n", f("tessSize"));
        if (node->GetParamInt("q3map_lightsubdivide") != 120)
            Line(level, "q3map_lightsubdivide %i\n", node->GetParamInt("q3map_lightsubdivide"));
        if (f("qer_trans") != 1.0)
            Line(level, "qer_trans %.3f\n", f("qer_trans"));
        if (IsOn(s("qer_nocarve")))
            Line(level, "qer_nocarve\n");
        if (node->GetParamInt("light") > 0)
            Line(level, "light %i\n", node->GetParamInt("light"));
        for (const char* flag : {"nopicmip", "nomipmaps", "entityMergable", "polygonOffset"})
            if (IsOn(s(flag)))
                Line(level, "%s\n", flag);
        if (!s("sort").IsEmpty() && !s("sort").EqualsNoCase("default"))
            Line(level, "sort %s\n", s("sort").c_str());
        if (node->GetParamInt("FogDist") >= 0)
        {
            const MVector c = node->GetParamVec("FogCol");
            Line(level, "fogparms ( %.3f %.3f %.3f ) %i\n", double(c.x), double(c.y), double(c.z),
                 node->GetParamInt("FogDist"));
        }
    }
    else if (kind == NodeKind::Surface)
    {
        // Parameter 0 is the node's name, not a surface word.
        for (int i = 1; i < node->GetParamCount(); ++i)
        {
            const MParameterObject* p = node->GetParam(i);
            if (IsOn(p->GetValue(0)))
                Line(level, "surfaceparm %s\n", p->GetName().c_str());
        }
    }
    else if (kind == NodeKind::Sun)
    {
        const MVector c = node->GetParamVec("Col");
        Line(level, "q3map_sun %.3f %.3f %.3f %.3f %.3f %.3f\n", double(c.x), double(c.y),
             double(c.z), f("in"), f("deg"), f("ele"));
    }
    else if (kind == NodeKind::Sky)
    {
        auto box = [&](const char* name)
        {
            const MStr v = s(name);
            return v.IsEmpty() ? MStr("-") : v;
        };
        // A cloud height written as "-" (the game's default) stays "-".
        const MStr height = s("clHt");
        const MStr heightText =
            IsNumber(height) ? MStr::Printf("%i", node->GetParamInt("clHt")) : MStr("-");
        Line(level, "skyParms %s %s %s\n", box("farBox").c_str(), heightText.c_str(),
             box("nearBox").c_str());
    }
    else if (kind == NodeKind::Deform)
    {
        const MStr type = s("Ty");
        if (type.EqualsNoCase("wave"))
            Line(level, "DeformVertexes %s %.3f %s %.3f %.3f %.3f %.3f\n", type.c_str(), f("div"),
                 s("fn").c_str(), f("Base"), f("Amp"), f("Phs"), f("Fr"));
        else if (type.EqualsNoCase("bulge"))
            Line(level, "DeformVertexes bulge %.3f %.3f %.3f\n", f("bW"), f("bH"), f("bS"));
        else if (type.EqualsNoCase("move"))
            Line(level, "DeformVertexes %s %.3f %.3f %.3f %s %.3f %.3f %.3f %.3f\n", type.c_str(),
                 f("mX"), f("mY"), f("mZ"), s("fn").c_str(), f("Base"), f("Amp"), f("Phs"),
                 f("Fr"));
        else if (type.EqualsNoCase("normal"))
            Line(level, "DeformVertexes normal %.3f %.3f\n", f("bW"), f("bH"));
        else if (type.EqualsNoCase("autosprite") || type.EqualsNoCase("autosprite2") ||
                 type.EqualsNoCase("projectionShadow"))
            Line(level, "DeformVertexes %s\n", type.c_str());
    }
    else if (kind == NodeKind::Verbatim)
    {
        // Kept text is one line; an edit must not split it.
        MStr text = s("Text");
        text.Replace('\n', ' ');
        text.Replace('\r', ' ');
        if (text.IsEmpty())
            Line(level, "%s\n", s("Keyword").c_str());
        else
            Line(level, "%s %s\n", s("Keyword").c_str(), text.c_str());
    }
}
