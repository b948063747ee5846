#include "MShaderNodes.h"

#include <cctype>
#include <charconv>

namespace
{
const MChoiceList& WaveFunctions()
{
    static const MChoiceList k =
        MakeChoiceList({"sin", "triangle", "square", "sawtooth", "inversesawtooth", "noise"});
    return k;
}

// A schema of the given entries with the five of a wave form between them.
MParamSchema WithWave(std::initializer_list<MParamEntry> before,
                      std::initializer_list<MParamEntry> after = {})
{
    std::vector<MParamEntry> entries(before);
    entries.insert(entries.end(), {{"fn", PARAM_STRING, "sin", WaveFunctions()},
                                   {"Base", PARAM_FLOAT, "0"},
                                   {"Amp", PARAM_FLOAT, "1"},
                                   {"Phs", PARAM_FLOAT, "0"},
                                   {"Fr", PARAM_FLOAT, "1"}});
    entries.insert(entries.end(), after);
    return MParamSchema(std::move(entries));
}

void AppendWave(const MBaseObject* o, MStr& text)
{
    text +=
        MStr::Printf(" %s %g %g %g %g", o->GetParamByName("fn").c_str(), o->GetParamFloat("Base"),
                     o->GetParamFloat("Amp"), o->GetParamFloat("Phs"), o->GetParamFloat("Fr"));
}

// The file part of a path, for short labels.
MStr FileTitle(const MStr& path)
{
    MStr title, ext;
    path.SplitPath(nullptr, nullptr, &title, &ext);
    return title + ext;
}
} // namespace

void MBaseShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetBaseName();
}

MFileShaderNode::MFileShaderNode()
{
    static const MParamSchema kSchema{
        {"Fname", PARAM_FILENAME, ""},
        {"RpU", PARAM_STRING, "On", OnOffChoices()},
        {"RpV", PARAM_STRING, "On", OnOffChoices()},
    };
    SetSchema(&kSchema);
}

void MFileShaderNode::AppendDisplayText(MStr& text) const
{
    const MStr name = GetParamByName("Fname");
    text += name.IsEmpty() ? MStr("(no texture)") : FileTitle(name);
    if (!Repeats())
        text += " clamp";
}

bool MFileShaderNode::Repeats() const
{
    return GetParamByName("RpU") == "On" || GetParamByName("RpV") == "On";
}

MAnimFileShaderNode::MAnimFileShaderNode()
{
    static const MParamSchema kSchema{
        {"nF", PARAM_FLOAT, "0"},
        {"Fr", PARAM_FLOAT, "1"},
    };
    SetSchema(&kSchema);
}

void MAnimFileShaderNode::SetNumberOfImages(int n)
{
    for (; m_Images < n; ++m_Images)
        AddFileParam(MStr::Printf("Fname%i", m_Images).c_str(), "");
}

void MAnimFileShaderNode::SetFrom(const MBaseObject* other)
{
    MBaseShaderNode::SetFrom(other);
    // Frames copied in must not be made a second time when the node grows.
    while (FindParameter(MStr::Printf("Fname%i", m_Images).str()))
        ++m_Images;
}

MParameterObject* MAnimFileShaderNode::CreateMissingParameter(std::string_view name)
{
    // "Fname<i>" beyond the frames made so far grows the frame list.
    if (name.size() <= 5 || !EqualsNoCase(name.substr(0, 5), "Fname"))
        return nullptr;
    int index = -1;
    const auto digits = name.substr(5);
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (ec != std::errc() || end != digits.data() + digits.size() || index < 0 || index > 100000)
        return nullptr;
    SetNumberOfImages(index + 1);
    return FindParameter(name);
}

void MAnimFileShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("%i frames @ %g", GetParamInt("nF"), GetParamFloat("Fr"));
}

namespace
{
// rgbGen and alphaGen: a type, a wave form for "wave", and the rest of the
// line for types that take values ("const ( 1 0 0 )", "portal 256").
MParamSchema ColourGenSchema(const MChoiceList& types)
{
    return WithWave({{"Ty", PARAM_STRING, "identity", types}}, {{"Args", PARAM_STRING, ""}});
}

void AppendColourGen(const MBaseObject* node, MStr& text)
{
    const MStr type = node->GetParamByName("Ty");
    text += type;
    if (type.EqualsNoCase("wave"))
        AppendWave(node, text);
    else
    {
        // The values of "const ( 1 0 0 )" or "portal 256".
        MStr args = node->GetParamByName("Args");
        args.Trim();
        if (!args.IsEmpty())
            text += " " + args.str();
    }
}
} // namespace

MRGBGenShaderNode::MRGBGenShaderNode()
{
    static const MParamSchema kSchema = ColourGenSchema(
        MakeChoiceList({"identity", "identityLighting", "wave", "vertex", "exactVertex",
                        "oneMinusVertex", "entity", "oneMinusEntity", "lightingDiffuse", "const"}));
    SetSchema(&kSchema);
}

void MRGBGenShaderNode::AppendDisplayText(MStr& text) const
{
    AppendColourGen(this, text);
}

MAlphaGenShaderNode::MAlphaGenShaderNode()
{
    static const MParamSchema kSchema =
        ColourGenSchema(MakeChoiceList({"identity", "wave", "vertex", "oneMinusVertex", "entity",
                                        "oneMinusEntity", "lightingSpecular", "portal", "const"}));
    SetSchema(&kSchema);
}

void MAlphaGenShaderNode::AppendDisplayText(MStr& text) const
{
    AppendColourGen(this, text);
}

MBlendFuncShaderNode::MBlendFuncShaderNode()
{
    static const MChoiceList kModes = MakeChoiceList({"blend", "add", "filter", "custom"});
    static const MChoiceList kFactors = MakeChoiceList(
        {"GL_ONE", "GL_ZERO", "GL_DST_COLOR", "GL_ONE_MINUS_DST_COLOR", "GL_SRC_ALPHA",
         "GL_ONE_MINUS_SRC_ALPHA", "GL_SRC_COLOR", "GL_ONE_MINUS_SRC_COLOR", "GL_DST_ALPHA",
         "GL_ONE_MINUS_DST_ALPHA", "GL_SRC_ALPHA_SATURATE"});
    static const MParamSchema kSchema{
        {"bmP", PARAM_STRING, "blend", kModes},
        {"bSrc", PARAM_STRING, "GL_ONE", kFactors},
        {"bDst", PARAM_STRING, "GL_ZERO", kFactors},
    };
    SetSchema(&kSchema);
}

void MBlendFuncShaderNode::AppendDisplayText(MStr& text) const
{
    const MStr mode = GetParamByName("bmP");
    if (mode.EqualsNoCase("custom"))
        text += GetParamByName("bSrc") + " " + GetParamByName("bDst");
    else
        text += mode;
}

MAlphaFuncShaderNode::MAlphaFuncShaderNode()
{
    static const MChoiceList kFunctions = MakeChoiceList({"off", "GT0", "LT128", "GE128"});
    static const MParamSchema kSchema{
        {"fn", PARAM_STRING, "off", kFunctions},
    };
    SetSchema(&kSchema);
}

void MAlphaFuncShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetParamByName("fn");
}

MTCScrollShaderNode::MTCScrollShaderNode()
{
    static const MParamSchema kSchema{
        {"Ds", PARAM_FLOAT, "0"},
        {"Dt", PARAM_FLOAT, "0"},
    };
    SetSchema(&kSchema);
}

void MTCScrollShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("scroll %g %g", GetParamFloat("Ds"), GetParamFloat("Dt"));
}

MTCRotateShaderNode::MTCRotateShaderNode()
{
    static const MParamSchema kSchema{
        {"Dr", PARAM_FLOAT, "0"},
    };
    SetSchema(&kSchema);
}

void MTCRotateShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("rotate %g", GetParamFloat("Dr"));
}

MTCScaleShaderNode::MTCScaleShaderNode()
{
    static const MParamSchema kSchema{
        {"Ss", PARAM_FLOAT, "1"},
        {"St", PARAM_FLOAT, "1"},
    };
    SetSchema(&kSchema);
}

void MTCScaleShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("scale %g %g", GetParamFloat("Ss"), GetParamFloat("St"));
}

MTCStretchShaderNode::MTCStretchShaderNode()
{
    static const MParamSchema kSchema = WithWave({});
    SetSchema(&kSchema);
}

void MTCStretchShaderNode::AppendDisplayText(MStr& text) const
{
    text += "stretch";
    AppendWave(this, text);
}

MTCTurbShaderNode::MTCTurbShaderNode()
{
    static const MParamSchema kSchema{
        {"Base", PARAM_FLOAT, "0"},
        {"Amp", PARAM_FLOAT, "0"},
        {"Phase", PARAM_FLOAT, "0"},
        {"Freq", PARAM_FLOAT, "0"},
    };
    SetSchema(&kSchema);
}

void MTCTurbShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("turb %g %g %g %g", GetParamFloat("Base"), GetParamFloat("Amp"),
                         GetParamFloat("Phase"), GetParamFloat("Freq"));
}

MTCGenShaderNode::MTCGenShaderNode()
{
    static const MChoiceList kTypes = MakeChoiceList({"base", "lightmap", "environment", "vector"});
    static const MParamSchema kSchema{
        {"Ty", PARAM_STRING, "base", kTypes},
        {"sV", PARAM_VECTOR, "0 0 0"},
        {"tV", PARAM_VECTOR, "0 0 0"},
    };
    SetSchema(&kSchema);
}

void MTCGenShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetParamByName("Ty");
}

MQERadiantShaderNode::MQERadiantShaderNode()
{
    static const MChoiceList kSortValues =
        MakeChoiceList({"portal", "sky", "opaque", "banner", "underwater", "additive", "nearest"});
    static const MParamSchema kSchema{
        {"q3map_globaltexture", PARAM_STRING, "Off", OnOffChoices()},
        {"qer_editorimage", PARAM_FILENAME, ""},
        {"q3map_lightimage", PARAM_FILENAME, ""},
        {"q3map_backshader", PARAM_STRING, ""},
        {"q3map_surfacelight", PARAM_FLOAT, "0"},
        {"tessSize", PARAM_FLOAT, "0"},
        {"q3map_lightsubdivide", PARAM_FLOAT, "120"},
        {"qer_trans", PARAM_FLOAT, "1"},
        {"qer_nocarve", PARAM_STRING, "Off", OnOffChoices()},
        {"light", PARAM_FLOAT, "0"},
        {"nopicmip", PARAM_STRING, "Off", OnOffChoices()},
        {"nomipmaps", PARAM_STRING, "Off", OnOffChoices()},
        {"entityMergable", PARAM_STRING, "Off", OnOffChoices()},
        {"polygonOffset", PARAM_STRING, "Off", OnOffChoices()},
        {"sort", PARAM_STRING, "", kSortValues},
        {"FogDist", PARAM_FLOAT, "-1"},
        {"FogCol", PARAM_COLOUR, "0 0 0"},
    };
    SetSchema(&kSchema);
}

void MQERadiantShaderNode::AppendDisplayText(MStr& text) const
{
    const MStr image = GetParamByName("qer_editorimage");
    text += image.IsEmpty() ? MStr("editor") : FileTitle(image);
}

namespace
{
const char* const kSurfaceWords[] = {
    "alphashadow", "areaportal", "clusterportal", "donotenter", "flesh",  "fog",        "lava",
    "lightfilter", "metalsteps", "nodamage",      "nodlight",   "nodraw", "nodrop",     "noimpact",
    "nomarks",     "nolightmap", "nosteps",       "nonsolid",   "origin", "playerclip", "slick",
    "slime",       "structural", "trans",         "water",      "sky",    "hint",       "botclip",
    "dust",        "pointlight", "lightgrid",     "antiportal", "skip",   "ladder",
};
}

// Surface words are made when a script or the user sets them, so a node holds
// only the words its shader uses, in the order they were set.
MQ3MapSurfaceShaderNode::MQ3MapSurfaceShaderNode() = default;

const std::vector<const char*>& MQ3MapSurfaceShaderNode::GetKnownWords()
{
    static const std::vector<const char*> words(std::begin(kSurfaceWords), std::end(kSurfaceWords));
    return words;
}

MParameterObject* MQ3MapSurfaceShaderNode::CreateMissingParameter(std::string_view name)
{
    // Any word a script uses is kept as a new on/off parameter, provided it is
    // a plain word that can be written back as one.
    if (name.empty() || name.size() > 255)
        return nullptr;
    for (char c : name)
        if (std::isspace(static_cast<unsigned char>(c)) || c == '{' || c == '}')
            return nullptr;
    return AddOnOffParam(std::string(name).c_str(), "Off");
}

void MQ3MapSurfaceShaderNode::SetWord(std::string_view word, const MStr& value)
{
    for (int i = 1; i < GetParamCount(); ++i)
    {
        MParameterObject* p = GetParam(i);
        if (EqualsNoCase(p->GetName().str(), word))
        {
            p->SetValue(value);
            return;
        }
    }
    if (MParameterObject* p = CreateMissingParameter(word))
        p->SetValue(value);
}

void MQ3MapSurfaceShaderNode::AppendDisplayText(MStr& text) const
{
    int on = 0;
    for (int i = 1; i < GetParamCount(); ++i)
    {
        const MParameterObject* p = GetParam(i);
        if (p->GetValue().EqualsNoCase("On"))
        {
            if (on++ < 2)
                text += (on > 1 ? " " : "") + p->GetName().str();
        }
    }
    if (on > 2)
        text += MStr::Printf(" +%i", on - 2);
    if (on == 0)
        text += "surface";
}

MQ3SkyParmsShaderNode::MQ3SkyParmsShaderNode()
{
    static const MParamSchema kSchema{
        {"farBox", PARAM_STRING, "-"},
        {"clHt", PARAM_FLOAT, "512"},
        {"nearBox", PARAM_STRING, "-"},
    };
    SetSchema(&kSchema);
}

void MQ3SkyParmsShaderNode::AppendDisplayText(MStr& text) const
{
    text += "sky ";
    text += FileTitle(GetParamByName("farBox"));
}

MQ3SunShaderNode::MQ3SunShaderNode()
{
    static const MParamSchema kSchema{
        {"Col", PARAM_COLOUR, "1 1 1"},
        {"in", PARAM_FLOAT, "100"},
        {"deg", PARAM_FLOAT, "0"},
        {"ele", PARAM_FLOAT, "90"},
    };
    SetSchema(&kSchema);
}

void MQ3SunShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("sun %g", GetParamFloat("in"));
}

MDeformVertsShaderNode::MDeformVertsShaderNode()
{
    static const MChoiceList kTypes = MakeChoiceList(
        {"wave", "bulge", "normal", "move", "autosprite", "autosprite2", "projectionShadow"});
    static const MParamSchema kSchema =
        WithWave({{"Ty", PARAM_STRING, "wave", kTypes}, {"div", PARAM_FLOAT, "0"}},
                 {
                     {"bW", PARAM_FLOAT, "0"},
                     {"bH", PARAM_FLOAT, "0"},
                     {"bS", PARAM_FLOAT, "0"},
                     {"mX", PARAM_FLOAT, "0"},
                     {"mY", PARAM_FLOAT, "0"},
                     {"mZ", PARAM_FLOAT, "0"},
                 });
    SetSchema(&kSchema);
}

void MDeformVertsShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetParamByName("Ty");
}

MVerbatimShaderNode::MVerbatimShaderNode()
{
    static const MParamSchema kSchema{
        {"Keyword", PARAM_STRING, ""},
        {"Text", PARAM_STRING, ""},
    };
    SetSchema(&kSchema);
}

void MVerbatimShaderNode::AppendDisplayText(MStr& text) const
{
    // The keyword and the start of its line, short enough for a label.
    MStr line = GetParamByName("Keyword");
    const MStr rest = GetParamByName("Text");
    if (!rest.IsEmpty())
        line += " " + rest.str();
    text += line.GetLength() > 32 ? line.Left(29) + "..." : line;
}
