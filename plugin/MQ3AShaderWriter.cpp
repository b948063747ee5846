#include "MQ3AShaderWriter.h"

#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"

#include <charconv>
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

bool HasLineBreak(const MStr& text)
{
    return text.str().find_first_of("\r\n") != std::string::npos;
}
} // namespace

MStr MQ3AShaderWriter::Num(float value, int decimals)
{
    // The fixed number of decimals keeps the usual form; a number it would
    // change is written in the shortest fixed form that reads back the same.
    const MStr fixed = MStr::Printf("%.*f", decimals, double(value));
    if (static_cast<float>(std::strtod(fixed.c_str(), nullptr)) == value)
        return fixed;
    char buf[128];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (r.ec != std::errc())
        return fixed;
    return MStr(std::string_view(buf, size_t(r.ptr - buf)));
}

MStr MQ3AShaderWriter::Word(const MStr& value)
{
    const std::string& v = value.str();
    if (HasLineBreak(value))
    {
        Refuse();
        return value;
    }
    // Written bare, a value with blanks or braces, or one that starts like a
    // quoted word or a comment, would read back as other words; the game
    // reads a word between double quotes whole.
    const bool quote = v.empty() || v.find_first_of(" \t\v\f{}") != std::string::npos ||
                       v[0] == '"' || v.compare(0, 2, "//") == 0 || v.compare(0, 2, "/*") == 0;
    if (!quote)
        return value;
    // A quoted word ends at the next quote: a value that needs quotes and
    // holds one cannot be written.
    if (v.find('"') != std::string::npos)
    {
        Refuse();
        return value;
    }
    return MStr("\"" + v + "\"");
}

MStr MQ3AShaderWriter::Text(const MStr& value)
{
    if (HasLineBreak(value))
        Refuse();
    return value;
}

void MQ3AShaderWriter::Refuse()
{
    if (m_Refused)
        return;
    m_Refused = true;
    if (MSystemManager* manager = GetSystemManager())
        manager->LogOutput("Q3AShader: Error - Shader '%s' holds a value that cannot be "
                           "written (a line break, or a quote in a value with blanks); "
                           "nothing was exported",
                           m_Shader.c_str());
}

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

bool MQ3AShaderWriter::WriteScene(MScene* scene)
{
    // Walk the tree without disturbing a walk the caller may have going.
    scene->ForEachNode(
        [this](MBaseObjectTreeNode* n)
        {
            const auto* material = dynamic_cast<const MMaterial*>(n->GetObject());
            if (material && material->HasFlags(OBJ_SELECTED) && !m_Refused)
                WriteMaterial(material, 0);
        });
    return !m_Refused;
}

void MQ3AShaderWriter::WriteMaterial(const MMaterial* material, int level)
{
    m_Shader = material->GetName();
    Line(level, "%s\n", Word(material->GetName()).c_str());
    Line(level, "{\n");
    // Front-side culling is the game's default, and the game knows no
    // "front" value: neither it nor an empty value writes a line.
    const MStr cull = material->GetParamByName("Cull");
    if (!cull.IsEmpty() && !cull.EqualsNoCase("front"))
        Line(level + 1, "cull %s\n", Word(cull).c_str());
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
        Line(level, "depthFunc %s\n", Word(depthFunc).c_str());
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
    // Numbers with three decimals (or as many as they need), words quoted
    // when they must be.
    auto f = [node](const char* name) { return Num(node->GetParamFloat(name)); };
    auto fv = [](float v) { return Num(v); };
    auto s = [node](const char* name) { return node->GetParamByName(name); };
    auto w = [this, node](const char* name) { return Word(node->GetParamByName(name)); };
    auto writeWave = [&](const char* lead)
    {
        Line(level, "%s %s %s %s %s %s\n", lead, w("fn").c_str(), f("Base").c_str(),
             f("Amp").c_str(), f("Phs").c_str(), f("Fr").c_str());
    };
    auto writeColourGen = [&](const char* keyword)
    {
        if (s("Ty").EqualsNoCase("wave"))
            writeWave((MStr(keyword) + " wave").c_str());
        else if (s("Args").IsEmpty())
            Line(level, "%s %s\n", keyword, w("Ty").c_str());
        else
            Line(level, "%s %s %s\n", keyword, w("Ty").c_str(), Text(s("Args")).c_str());
    };

    if (kind == NodeKind::File)
    {
        const bool repeat = s("RpU") == "On" || s("RpV") == "On";
        Line(level, "%s %s\n", repeat ? "map" : "clampmap", Word(ImageName(s("Fname"))).c_str());
    }
    else if (kind == NodeKind::Anim)
    {
        WriteIndent(level);
        m_Out += "animMap " + f("Fr").str();
        const int frames = node->GetParamInt("nF");
        for (int i = 0; i < frames; ++i)
            m_Out += " " + Word(ImageName(s(MStr::Printf("Fname%i", i).c_str()))).str();
        m_Out += "\n";
    }
    else if (kind == NodeKind::Scroll)
        Line(level, "tcMod scroll %s %s\n", f("Ds").c_str(), f("Dt").c_str());
    else if (kind == NodeKind::Rotate)
        Line(level, "tcMod rotate %s\n", f("Dr").c_str());
    else if (kind == NodeKind::Scale)
        Line(level, "tcMod scale %s %s\n", f("Ss").c_str(), f("St").c_str());
    else if (kind == NodeKind::Stretch)
        writeWave("tcMod stretch");
    else if (kind == NodeKind::Turb)
        Line(level, "tcMod turb %s %s %s %s\n", f("Base").c_str(), f("Amp").c_str(),
             f("Phase").c_str(), f("Freq").c_str());
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
            text = w("bSrc") + " " + w("bDst");
            text.ToLower();
        }
        Line(level, "blendfunc %s\n", text.c_str());
    }
    else if (kind == NodeKind::AlphaFunc)
    {
        if (!s("fn").EqualsNoCase("off"))
            Line(level, "alphaFunc %s\n", w("fn").c_str());
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
            Line(level, "tcGen vector ( %s %s %s ) ( %s %s %s )\n", fv(a.x).c_str(),
                 fv(a.y).c_str(), fv(a.z).c_str(), fv(b.x).c_str(), fv(b.y).c_str(),
                 fv(b.z).c_str());
        }
        else
            Line(level, "tcGen %s\n", w("Ty").c_str());
    }
    else if (kind == NodeKind::QER)
    {
        if (IsOn(s("q3map_globaltexture")))
            Line(level, "q3map_globaltexture\n");
        for (const char* key : {"qer_editorimage", "q3map_lightimage", "q3map_backshader"})
            if (!s(key).IsEmpty())
                Line(level, "%s %s\n", key, w(key).c_str());
        const float surfaceLight = node->GetParamFloat("q3map_surfacelight");
        if (surfaceLight != 0)
            Line(level, "q3map_surfacelight %s\n", Num(surfaceLight, 0).c_str());
        const float tessSize = node->GetParamFloat("tessSize");
        if (tessSize > 0)
            Line(level, "tessSize %s\n", Num(tessSize, 4).c_str());
        if (node->GetParamInt("q3map_lightsubdivide") != 120)
            Line(level, "q3map_lightsubdivide %i\n", node->GetParamInt("q3map_lightsubdivide"));
        if (node->GetParamFloat("qer_trans") != 1.0f)
            Line(level, "qer_trans %s\n", f("qer_trans").c_str());
        if (IsOn(s("qer_nocarve")))
            Line(level, "qer_nocarve\n");
        if (node->GetParamInt("light") > 0)
            Line(level, "light %i\n", node->GetParamInt("light"));
        for (const char* flag : {"nopicmip", "nomipmaps", "entityMergable", "polygonOffset"})
            if (IsOn(s(flag)))
                Line(level, "%s\n", flag);
        if (!s("sort").IsEmpty() && !s("sort").EqualsNoCase("default"))
            Line(level, "sort %s\n", w("sort").c_str());
        if (node->GetParamInt("FogDist") >= 0)
        {
            const MVector c = node->GetParamVec("FogCol");
            Line(level, "fogparms ( %s %s %s ) %i\n", fv(c.x).c_str(), fv(c.y).c_str(),
                 fv(c.z).c_str(), node->GetParamInt("FogDist"));
        }
    }
    else if (kind == NodeKind::Surface)
    {
        // Parameter 0 is the node's name, not a surface word.
        for (int i = 1; i < node->GetParamCount(); ++i)
        {
            const MParameterObject* p = node->GetParam(i);
            if (IsOn(p->GetValue(0)))
                Line(level, "surfaceparm %s\n", Word(p->GetName()).c_str());
        }
    }
    else if (kind == NodeKind::Sun)
    {
        const MVector c = node->GetParamVec("Col");
        Line(level, "q3map_sun %s %s %s %s %s %s\n", fv(c.x).c_str(), fv(c.y).c_str(),
             fv(c.z).c_str(), f("in").c_str(), f("deg").c_str(), f("ele").c_str());
    }
    else if (kind == NodeKind::Sky)
    {
        auto box = [&](const char* name)
        {
            const MStr v = s(name);
            return v.IsEmpty() ? MStr("-") : Word(v);
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
            Line(level, "DeformVertexes %s %s %s %s %s %s %s\n", type.c_str(), f("div").c_str(),
                 w("fn").c_str(), f("Base").c_str(), f("Amp").c_str(), f("Phs").c_str(),
                 f("Fr").c_str());
        else if (type.EqualsNoCase("bulge"))
            Line(level, "DeformVertexes bulge %s %s %s\n", f("bW").c_str(), f("bH").c_str(),
                 f("bS").c_str());
        else if (type.EqualsNoCase("move"))
            Line(level, "DeformVertexes %s %s %s %s %s %s %s %s %s\n", type.c_str(),
                 f("mX").c_str(), f("mY").c_str(), f("mZ").c_str(), w("fn").c_str(),
                 f("Base").c_str(), f("Amp").c_str(), f("Phs").c_str(), f("Fr").c_str());
        else if (type.EqualsNoCase("normal"))
            Line(level, "DeformVertexes normal %s %s\n", f("bW").c_str(), f("bH").c_str());
        else if (type.EqualsNoCase("autosprite") || type.EqualsNoCase("autosprite2") ||
                 type.EqualsNoCase("projectionShadow"))
            Line(level, "DeformVertexes %s\n", type.c_str());
    }
    else if (kind == NodeKind::Verbatim)
    {
        // Kept text is one line, written as it stood.
        const MStr text = Text(s("Text"));
        if (text.IsEmpty())
            Line(level, "%s\n", w("Keyword").c_str());
        else
            Line(level, "%s %s\n", w("Keyword").c_str(), text.c_str());
    }
}
