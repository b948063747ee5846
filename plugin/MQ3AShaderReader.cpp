#include "MQ3AShaderReader.h"

#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MQ3AShaderWriter.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"

#include <cstdarg>
#include <cstdlib>

namespace
{
bool IsNumber(const MStr& text)
{
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return !text.IsEmpty() && end == text.c_str() + text.GetLength();
}
} // namespace

MQ3AShaderReader::MQ3AShaderReader(std::string text, MScene* scene)
    : m_Lexer(std::move(text)), m_Scene(scene), m_Manager(GetSystemManager())
{
}

void MQ3AShaderReader::Log(const char* fmt, ...)
{
    if (!m_Manager)
        return;
    va_list args;
    va_start(args, fmt);
    m_Manager->LogOutputV(fmt, args);
    va_end(args);
}

int MQ3AShaderReader::ReadAll()
{
    int count = 0;
    while (!m_Lexer.AtEnd())
    {
        MMaterial* material = ReadShader();
        if (!material)
            break;
        // Imported materials show collapsed.
        material->ClearFlags(OBJ_EXPANDED);
        ++count;
    }
    return count;
}

MStr MQ3AShaderReader::ReadArg()
{
    if (m_Lexer.NextIsBrace())
        return MStr();
    MStr w;
    m_Lexer.ReadWord(w);
    return w;
}

MMaterial* MQ3AShaderReader::ReadShader()
{
    auto* material = new MMaterial();
    auto* option = new MMaterialLayer();
    option->SetName(m_Scene->GenerateUniqueName("OptionLayer"));
    LazyNode<MQERadiantShaderNode> qer(m_Scene->GenerateUniqueName("QERNode"));
    LazyNode<MQ3MapSurfaceShaderNode> surface(m_Scene->GenerateUniqueName("SurfaceNode"));
    LazyNode<MQ3SunShaderNode> sun(m_Scene->GenerateUniqueName("Q3SunNode"));
    LazyNode<MQ3SkyParmsShaderNode> sky(m_Scene->GenerateUniqueName("Q3SkyNode"));
    LazyNode<MDeformVertsShaderNode> deform(m_Scene->GenerateUniqueName("DeformNode"));
    material->AddLayer(option);
    bool qerUsed = false, surfaceUsed = false, skyUsed = false, sunUsed = false;

    MStr name;
    if (!m_Lexer.ReadWord(name))
    {
        material->AddRef();
        material->Delete();
        return nullptr;
    }
    MBaseObjectTreeNode* materialNode = m_Scene->AddObject(material);
    MBaseObjectTreeNode* optionNode = m_Scene->AddObject(option, materialNode);
    Log("ShaderImport: Name: %s", name.c_str());
    material->SetName(name);

    ++m_MaterialsAdded;
    const size_t nameStart = m_Lexer.GetLastWordStart();
    MStr word;
    m_Lexer.ReadWord(word);
    if (!m_Lexer.LastIsBrace('{'))
    {
        Log("Q3AShader Import: Expecting '{', Found '%s'", word.c_str());
        return nullptr;
    }

    m_Option = option;
    m_OptionNode = optionNode;
    m_Seen.clear();
    bool cullSeen = false;

    bool closed = false;
    while (m_Lexer.ReadWord(word))
    {
        if (m_Lexer.LastIsBrace('}'))
        {
            closed = true;
            break;
        }
        const size_t lineStart = m_Lexer.GetLastWordStart();
        if (m_Lexer.LastIsBrace('{'))
        {
            if (MMaterialLayer* layer = ReadStage(materialNode))
                material->AddLayer(layer);
        }
        else if (ReadQerKeyword(word, qer, qerUsed))
        {
            // read into the QER node, or kept as written
        }
        else if (ReadDeformVertexes(word, deform))
        {
            AddToOption(deform.Get());
            deform.Reset(m_Scene->GenerateUniqueName("DeformNode"));
        }
        else if (word.EqualsNoCase("surfaceparm"))
        {
            const MStr s = ReadArg();
            if (!s.IsEmpty())
                surface.Get()->SetWord(s.str(), "On");
            surfaceUsed = true;
            NoteShaderWideLine("surfaceparm " + s.Lowered().str(), lineStart);
        }
        else if (word.EqualsNoCase("q3map_sun"))
        {
            MStr v[6];
            for (MStr& x : v)
                x = ReadArg();
            MQ3SunShaderNode* node = sun.Get();
            node->SetParamByName("Col", v[0] + " " + v[1] + " " + v[2]);
            node->SetParamByName("in", v[3]);
            node->SetParamByName("deg", v[4]);
            node->SetParamByName("ele", v[5]);
            sunUsed = true;
            NoteShaderWideLine("q3map_sun", lineStart);
        }
        else if (word.EqualsNoCase("skyParms"))
        {
            MQ3SkyParmsShaderNode* node = sky.Get();
            node->SetParamByName("farBox", ReadArg());
            node->SetParamByName("clHt", ReadArg());
            node->SetParamByName("nearBox", ReadArg());
            skyUsed = true;
            NoteShaderWideLine("skyparms", lineStart);
        }
        else if (word.EqualsNoCase("cull"))
        {
            // The writer puts the cull line first; a second one stays where
            // it stood.
            if (cullSeen)
                AddToOption(KeepLine(word, MStr()));
            else
                material->SetParamByName("cull", ReadArg());
            cullSeen = true;
        }
        else if (word.EqualsNoCase("cloudparms"))
        {
            // Not a keyword this editor models; the line is still kept.
            const MStr rest = m_Lexer.RestOfLine();
            MShaderLexer words(rest.str());
            MStr a, b;
            words.ReadWord(a);
            words.ReadWord(b);
            Log("Q3AShaderImport: Warning - 'CloudParms' Not supported ( %s %s )", a.c_str(),
                b.c_str());
            AddToOption(KeepLine(word, rest));
        }
        else if (word.EqualsNoCase("sky"))
        {
            const MStr rest = m_Lexer.RestOfLine();
            MShaderLexer words(rest.str());
            MStr a;
            words.ReadWord(a);
            Log("Q3AShaderImport: Warning - 'Sky' Not supported ( %s )", a.c_str());
            AddToOption(KeepLine(word, rest));
        }
        else
        {
            Log("Q3AShaderImport: Keyword not found %s", word.c_str());
            MStr lead = m_DeformType;
            m_DeformType = MStr();
            AddToOption(KeepLine(word, lead));
        }
    }

    if (!closed)
        Log("Q3AShaderImport: Warning - shader '%s' begun on line %i has no closing '}'",
            name.c_str(), m_Lexer.LineOf(nameStart));

    // The shader-wide nodes that were used join the option layer last.
    // A QER node whose values are all defaults writes nothing; it is left
    // out, so reading the written script back gives the same nodes.
    if (qerUsed)
    {
        m_Probe.ClearText();
        m_Probe.WriteNode(qer.Get(), 0);
        if (!m_Probe.GetText().empty())
            AddToOption(qer.Get());
    }
    if (surfaceUsed)
        AddToOption(surface.Get());
    if (skyUsed)
        AddToOption(sky.Get());
    if (sunUsed)
        AddToOption(sun.Get());
    m_Option = nullptr;
    m_OptionNode = nullptr;
    return material;
}

void MQ3AShaderReader::AddToOption(MBaseShaderNode* node)
{
    if (node->GetName().IsEmpty())
        node->SetName(m_Scene->GenerateUniqueName(node->GetBaseName()));
    m_Option->AddShader(node);
    m_Scene->AddObject(node, m_OptionNode);
}

void MQ3AShaderReader::NoteShaderWideLine(const MStr& key, size_t lineStart)
{
    auto it = m_Seen.find(key.str());
    if (it != m_Seen.end())
    {
        const SeenLine earlier = it->second;
        MShaderLexer words(m_Lexer.TextBetween(earlier.start, earlier.end).str());
        MStr keyword;
        words.ReadWord(keyword);
        auto* node = new MVerbatimShaderNode();
        node->SetName(m_Scene->GenerateUniqueName(node->GetBaseName()));
        node->SetParamByName("Keyword", keyword);
        node->SetParamByName("Text", words.RestOfLine());
        MBaseShaderNode* before = m_Option->GetShader(earlier.index);
        m_Option->AddShaderBefore(node, before);
        if (before)
            m_Scene->AddBefore(node, m_Scene->FindObject(before));
        else
            m_Scene->AddObject(node, m_OptionNode);
        // Lines noted after the earlier one, at or past its place, move on.
        for (auto& [k, seen] : m_Seen)
            if (seen.index > earlier.index ||
                (seen.index == earlier.index && seen.order > earlier.order))
                ++seen.index;
    }
    m_Seen[key.str()] =
        SeenLine{lineStart, m_Lexer.GetPosition(), m_Option->GetShaderCount(), ++m_LineOrder};
}

bool MQ3AShaderReader::ReadQerKeyword(const MStr& word, LazyNode<MQERadiantShaderNode>& qer,
                                      bool& used)
{
    static constexpr std::string_view kValued[] = {"tessSize",
                                                   "qer_editorimage",
                                                   "q3map_lightimage",
                                                   "q3map_backshader",
                                                   "q3map_surfaceLight",
                                                   "q3map_lightsubdivide",
                                                   "qer_trans",
                                                   "sort",
                                                   "light"};
    static constexpr std::string_view kFlags[] = {"qer_nocarve",   "q3map_globaltexture",
                                                  "nopicmip",      "nomipmaps",
                                                  "polygonOffset", "entityMergable"};
    static constexpr std::string_view kNumeric[] = {"tessSize", "q3map_surfaceLight",
                                                    "q3map_lightsubdivide", "qer_trans", "light"};
    const size_t lineStart = m_Lexer.GetLastWordStart();
    const MStr key = word.Lowered();
    for (std::string_view k : kValued)
    {
        if (!word.EqualsNoCase(k))
            continue;
        const MStr value = ReadArg();
        bool numeric = true;
        for (std::string_view n : kNumeric)
            if (word.EqualsNoCase(n))
                numeric = IsNumber(value);
        if (!numeric)
        {
            // A value the node cannot hold is kept as written.
            AddToOption(KeepLine(word, value));
            return true;
        }
        qer.Get()->SetParamByName(word.str(), value);
        NoteShaderWideLine(key, lineStart);
        used = true;
        return true;
    }
    for (std::string_view k : kFlags)
    {
        if (word.EqualsNoCase(k))
        {
            qer.Get()->SetParamByName(word.str(), "On");
            NoteShaderWideLine(key, lineStart);
            used = true;
            return true;
        }
    }
    if (!word.EqualsNoCase("fogparms"))
        return false;

    const MStr colour = ReadVector();
    qer.Get()->SetParamByName("FogDist", ReadArg());
    qer.Get()->SetParamByName("FogCol", colour);
    const size_t q = m_Lexer.GetPosition();
    MStr extra;
    m_Lexer.ReadWord(extra);
    const char c = extra.IsEmpty() ? 0 : extra.c_str()[0];
    if ((c >= '0' && c <= '9') || c == '.')
        Log("Q3AShaderImport: Warning - fogparams keyword has an extra parameter '%s'. Ignoring",
            extra.c_str());
    else
        m_Lexer.SetPosition(q);
    NoteShaderWideLine(key, lineStart);
    used = true;
    return true;
}

MStr MQ3AShaderReader::ReadVector()
{
    const bool parenthesised = m_Lexer.ReadChar('(');
    MStr v[3];
    for (MStr& x : v)
        x = ReadArg();
    if (parenthesised)
    {
        // ")" normally stands alone; a closing bracket glued to the last
        // number is taken off it.
        if (v[2].GetLength() > 1 && v[2].str().back() == ')')
            v[2] = v[2].Left(v[2].GetLength() - 1);
        else
            m_Lexer.ReadChar(')');
    }
    return v[0] + " " + v[1] + " " + v[2];
}

bool MQ3AShaderReader::ReadDeformVertexes(const MStr& word,
                                          LazyNode<MDeformVertsShaderNode>& deform)
{
    if (!word.EqualsNoCase("deformVertexes"))
        return false;
    MDeformVertsShaderNode* node = deform.Get();
    const MStr type = ReadArg();
    node->SetParamByName("Ty", type);
    if (type.EqualsNoCase("bulge"))
    {
        node->SetParamByName("bW", ReadArg());
        node->SetParamByName("bH", ReadArg());
        node->SetParamByName("bS", ReadArg());
    }
    else if (type.EqualsNoCase("wave"))
    {
        node->SetParamByName("div", ReadArg());
        ReadWave(node);
    }
    else if (type.EqualsNoCase("normal"))
    {
        node->SetParamByName("bW", ReadArg());
        node->SetParamByName("bH", ReadArg());
    }
    else if (type.EqualsNoCase("move"))
    {
        node->SetParamByName("mX", ReadArg());
        node->SetParamByName("mY", ReadArg());
        node->SetParamByName("mZ", ReadArg());
        ReadWave(node);
    }
    else if (!type.EqualsNoCase("autosprite") && !type.EqualsNoCase("autosprite2") &&
             !type.EqualsNoCase("projectionShadow"))
    {
        Log("Q3AShaderImport: Unkown DeformVertexes Type %s", type.c_str());
        m_DeformType = type;
        return false;
    }
    return true;
}

void MQ3AShaderReader::ReadWave(MBaseShaderNode* node)
{
    for (const char* p : {"fn", "Base", "Amp", "Phs", "Fr"})
        node->SetParamByName(p, ReadArg());
}

MBaseShaderNode* MQ3AShaderReader::KeepLine(const MStr& keyword, const MStr& lead)
{
    MStr text = lead;
    const MStr rest = m_Lexer.RestOfLine();
    if (!rest.IsEmpty())
    {
        if (!text.IsEmpty())
            text += " ";
        text += rest;
    }
    auto* node = new MVerbatimShaderNode();
    node->SetParamByName("Keyword", keyword);
    node->SetParamByName("Text", text);
    return node;
}

MBaseShaderNode* MQ3AShaderReader::Attach(MBaseShaderNode* node, MMaterialLayer* layer)
{
    node->SetName(m_Scene->GenerateUniqueName(node->GetBaseName()));
    layer->AddShader(node);
    return node;
}

MMaterialLayer* MQ3AShaderReader::ReadStage(MBaseObjectTreeNode* materialNode)
{
    auto* layer = new MMaterialLayer();
    layer->SetName(m_Scene->GenerateUniqueName("Layer"));
    MBaseObjectTreeNode* layerNode = m_Scene->AddObject(layer, materialNode);

    MStr word;
    while (m_Lexer.ReadWord(word) && !m_Lexer.LastIsBrace('}'))
    {
        MBaseShaderNode* node = nullptr;
        bool clamp = false;
        if (word.EqualsNoCase("map"))
            node = ReadMap(layer);
        else if (word.EqualsNoCase("animmap"))
            node = ReadAnimMap(layer);
        else if (word.EqualsNoCase("clampmap"))
        {
            node = ReadMap(layer);
            clamp = true;
        }
        else if (word.EqualsNoCase("rgbGen"))
            node = ReadColourGen(layer, false);
        else if (word.EqualsNoCase("blendfunc"))
            node = ReadBlendFunc(layer);
        else if (word.EqualsNoCase("alphaFunc"))
            node = ReadAlphaFunc(layer);
        else if (word.EqualsNoCase("tcMod"))
            node = ReadTCMod(layer);
        else if (word.EqualsNoCase("tcGen"))
            node = ReadTCGen(layer);
        else if (word.EqualsNoCase("alphaGen"))
            node = ReadColourGen(layer, true);
        else if (word.EqualsNoCase("depthFunc"))
            layer->SetParamByName("dFn", ReadArg());
        else if (word.EqualsNoCase("depthWrite"))
            layer->SetParamByName("dWr", "On");
        else
            node = Attach(KeepLine(word, MStr()), layer);

        if (node)
        {
            m_Scene->AddObject(node, layerNode);
            if (clamp)
            {
                node->SetParamByName("RpU", "off");
                node->SetParamByName("RpV", "off");
            }
        }
    }
    return layer;
}

MBaseShaderNode* MQ3AShaderReader::ReadMap(MMaterialLayer* layer)
{
    auto* node = new MFileShaderNode();
    node->SetParamByName("Fname", ReadArg());
    return Attach(node, layer);
}

MBaseShaderNode* MQ3AShaderReader::ReadAnimMap(MMaterialLayer* layer)
{
    auto* node = new MAnimFileShaderNode();
    node->SetParamByName("Fr", ReadArg());
    // The frames are the words on the frequency's line; each makes its
    // "Fname<i>" parameter as it comes, so the node holds exactly its frames.
    int count = 0;
    while (m_Lexer.NextWordOnSameLine() && !m_Lexer.NextIsBrace())
    {
        MStr name;
        m_Lexer.ReadWord(name);
        node->SetParamByName(MStr::Printf("Fname%i", count).str(), name);
        ++count;
    }
    node->SetParamByName("nF", MStr::Printf("%i", count));
    return Attach(node, layer);
}

MBaseShaderNode* MQ3AShaderReader::ReadColourGen(MMaterialLayer* layer, bool alpha)
{
    MBaseShaderNode* node = alpha ? static_cast<MBaseShaderNode*>(new MAlphaGenShaderNode())
                                  : static_cast<MBaseShaderNode*>(new MRGBGenShaderNode());
    const MStr type = ReadArg();
    node->SetParamByName("Ty", type);
    if (type.EqualsNoCase("wave"))
        ReadWave(node);
    else
        node->SetParamByName("Args", m_Lexer.RestOfLine()); // "const ( r g b )", "portal 256"
    return Attach(node, layer);
}

MBaseShaderNode* MQ3AShaderReader::ReadBlendFunc(MMaterialLayer* layer)
{
    auto* node = new MBlendFuncShaderNode();
    const MStr w = ReadArg();
    if (w.EqualsNoCase("add"))
        node->SetParamByName("bmP", "add");
    else if (w.EqualsNoCase("filter"))
        node->SetParamByName("bmP", "filter");
    else if (w.EqualsNoCase("blend"))
        node->SetParamByName("bmP", "blend");
    else
    {
        node->SetParamByName("bmP", "custom");
        node->SetParamByName("bSrc", w);
        node->SetParamByName("bDst", ReadArg());
    }
    return Attach(node, layer);
}

MBaseShaderNode* MQ3AShaderReader::ReadAlphaFunc(MMaterialLayer* layer)
{
    auto* node = new MAlphaFuncShaderNode();
    node->SetParamByName("fn", ReadArg());
    return Attach(node, layer);
}

MBaseShaderNode* MQ3AShaderReader::ReadTCMod(MMaterialLayer* layer)
{
    const MStr type = ReadArg();
    MBaseShaderNode* node = nullptr;
    if (type.EqualsNoCase("scroll"))
    {
        node = new MTCScrollShaderNode();
        node->SetParamByName("Ds", ReadArg());
        node->SetParamByName("Dt", ReadArg());
    }
    else if (type.EqualsNoCase("rotate"))
    {
        node = new MTCRotateShaderNode();
        node->SetParamByName("Dr", ReadArg());
    }
    else if (type.EqualsNoCase("scale"))
    {
        node = new MTCScaleShaderNode();
        node->SetParamByName("Ss", ReadArg());
        node->SetParamByName("St", ReadArg());
    }
    else if (type.EqualsNoCase("stretch"))
    {
        node = new MTCStretchShaderNode();
        ReadWave(node);
    }
    else if (type.EqualsNoCase("turb"))
    {
        node = new MTCTurbShaderNode();
        for (const char* p : {"Base", "Amp", "Phase", "Freq"})
            node->SetParamByName(p, ReadArg());
    }
    else
        node = KeepLine("tcMod", type); // transform, entityTranslate, ...
    return Attach(node, layer);
}

MBaseShaderNode* MQ3AShaderReader::ReadTCGen(MMaterialLayer* layer)
{
    auto* node = new MTCGenShaderNode();
    const MStr type = ReadArg();
    node->SetParamByName("Ty", type);
    if (type.EqualsNoCase("vector"))
    {
        node->SetParamByName("sV", ReadVector());
        node->SetParamByName("tV", ReadVector());
    }
    return Attach(node, layer);
}
