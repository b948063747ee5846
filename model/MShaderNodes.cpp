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

void AddWaveParams(MBaseObject* o)
{
    o->AddChoiceParam("fn", "sin", WaveFunctions());
    o->AddFloatParam("Base", "0");
    o->AddFloatParam("Amp", "1");
    o->AddFloatParam("Phs", "0");
    o->AddFloatParam("Fr", "1");
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
    AddFileParam("Fname", "");
    AddOnOffParam("RpU", "On");
    AddOnOffParam("RpV", "On");
}

void MFileShaderNode::AppendDisplayText(MStr& text) const
{
    const MStr name = GetParamByName("Fname");
    text += name.IsEmpty() ? MStr("(no texture)") : FileTitle(name);
    if (!GetParamByName("RpU").EqualsNoCase("On") && !GetParamByName("RpV").EqualsNoCase("On"))
        text += " clamp";
}

MAnimFileShaderNode::MAnimFileShaderNode()
{
    AddFloatParam("nF", "0");
    AddFloatParam("Fr", "1");
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

MRGBGenShaderNode::MRGBGenShaderNode()
{
    static const MChoiceList kTypes =
        MakeChoiceList({"identity", "identityLighting", "wave", "vertex", "exactVertex",
                        "oneMinusVertex", "entity", "oneMinusEntity", "lightingDiffuse", "const"});
    AddChoiceParam("Ty", "identity", kTypes);
    AddWaveParams(this);
    AddStringParam("Args", "");
}

void MRGBGenShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetParamByName("Ty");
    if (GetParamByName("Ty").EqualsNoCase("wave"))
        AppendWave(this, text);
}

MAlphaGenShaderNode::MAlphaGenShaderNode()
{
    static const MChoiceList kTypes =
        MakeChoiceList({"identity", "wave", "vertex", "oneMinusVertex", "entity", "oneMinusEntity",
                        "lightingSpecular", "portal", "const"});
    AddChoiceParam("Ty", "identity", kTypes);
    AddWaveParams(this);
    AddStringParam("Args", "");
}

void MAlphaGenShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetParamByName("Ty");
    if (GetParamByName("Ty").EqualsNoCase("wave"))
        AppendWave(this, text);
}

MBlendFuncShaderNode::MBlendFuncShaderNode()
{
    static const MChoiceList kModes = MakeChoiceList({"blend", "add", "filter", "custom"});
    AddChoiceParam("bmP", "blend", kModes);
    static const MChoiceList kFactors = MakeChoiceList(
        {"GL_ONE", "GL_ZERO", "GL_DST_COLOR", "GL_ONE_MINUS_DST_COLOR", "GL_SRC_ALPHA",
         "GL_ONE_MINUS_SRC_ALPHA", "GL_SRC_COLOR", "GL_ONE_MINUS_SRC_COLOR", "GL_DST_ALPHA",
         "GL_ONE_MINUS_DST_ALPHA", "GL_SRC_ALPHA_SATURATE"});
    AddChoiceParam("bSrc", "GL_ONE", kFactors);
    AddChoiceParam("bDst", "GL_ZERO", kFactors);
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
    AddChoiceParam("fn", "off", kFunctions);
}

void MAlphaFuncShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetParamByName("fn");
}

MTCScrollShaderNode::MTCScrollShaderNode()
{
    AddFloatParam("Ds", "0");
    AddFloatParam("Dt", "0");
}

void MTCScrollShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("scroll %g %g", GetParamFloat("Ds"), GetParamFloat("Dt"));
}

MTCRotateShaderNode::MTCRotateShaderNode()
{
    AddFloatParam("Dr", "0");
}

void MTCRotateShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("rotate %g", GetParamFloat("Dr"));
}

MTCScaleShaderNode::MTCScaleShaderNode()
{
    AddFloatParam("Ss", "1");
    AddFloatParam("St", "1");
}

void MTCScaleShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("scale %g %g", GetParamFloat("Ss"), GetParamFloat("St"));
}

MTCStretchShaderNode::MTCStretchShaderNode()
{
    AddWaveParams(this);
}

void MTCStretchShaderNode::AppendDisplayText(MStr& text) const
{
    text += "stretch";
    AppendWave(this, text);
}

MTCTurbShaderNode::MTCTurbShaderNode()
{
    AddFloatParam("Base", "0");
    AddFloatParam("Amp", "0");
    AddFloatParam("Phase", "0");
    AddFloatParam("Freq", "0");
}

void MTCTurbShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("turb %g %g %g %g", GetParamFloat("Base"), GetParamFloat("Amp"),
                         GetParamFloat("Phase"), GetParamFloat("Freq"));
}

MTCGenShaderNode::MTCGenShaderNode()
{
    static const MChoiceList kTypes = MakeChoiceList({"base", "lightmap", "environment", "vector"});
    AddChoiceParam("Ty", "base", kTypes);
    AddVectorParam("sV", "0 0 0");
    AddVectorParam("tV", "0 0 0");
}

void MTCGenShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetParamByName("Ty");
}

MQERadiantShaderNode::MQERadiantShaderNode()
{
    AddOnOffParam("q3map_globaltexture", "Off");
    AddFileParam("qer_editorimage", "");
    AddFileParam("q3map_lightimage", "");
    AddStringParam("q3map_backshader", "");
    AddFloatParam("q3map_surfacelight", "0");
    AddFloatParam("tessSize", "0");
    AddFloatParam("q3map_lightsubdivide", "120");
    AddFloatParam("qer_trans", "1");
    AddOnOffParam("qer_nocarve", "Off");
    AddFloatParam("light", "0");
    AddOnOffParam("nopicmip", "Off");
    AddOnOffParam("nomipmaps", "Off");
    AddOnOffParam("entityMergable", "Off");
    AddOnOffParam("polygonOffset", "Off");
    static const MChoiceList kSortValues =
        MakeChoiceList({"portal", "sky", "opaque", "banner", "underwater", "additive", "nearest"});
    AddChoiceParam("sort", "", kSortValues);
    AddFloatParam("FogDist", "-1");
    AddColourParam("FogCol", "0 0 0");
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
    AddStringParam("farBox", "-");
    AddFloatParam("clHt", "512");
    AddStringParam("nearBox", "-");
}

void MQ3SkyParmsShaderNode::AppendDisplayText(MStr& text) const
{
    text += "sky ";
    text += FileTitle(GetParamByName("farBox"));
}

MQ3SunShaderNode::MQ3SunShaderNode()
{
    AddColourParam("Col", "1 1 1");
    AddFloatParam("in", "100");
    AddFloatParam("deg", "0");
    AddFloatParam("ele", "90");
}

void MQ3SunShaderNode::AppendDisplayText(MStr& text) const
{
    text += MStr::Printf("sun %g", GetParamFloat("in"));
}

MDeformVertsShaderNode::MDeformVertsShaderNode()
{
    static const MChoiceList kTypes = MakeChoiceList(
        {"wave", "bulge", "normal", "move", "autosprite", "autosprite2", "projectionShadow"});
    AddChoiceParam("Ty", "wave", kTypes);
    AddFloatParam("div", "0");
    AddWaveParams(this);
    AddFloatParam("bW", "0");
    AddFloatParam("bH", "0");
    AddFloatParam("bS", "0");
    AddFloatParam("mX", "0");
    AddFloatParam("mY", "0");
    AddFloatParam("mZ", "0");
}

void MDeformVertsShaderNode::AppendDisplayText(MStr& text) const
{
    text += GetParamByName("Ty");
}

MVerbatimShaderNode::MVerbatimShaderNode()
{
    AddStringParam("Keyword", "");
    AddStringParam("Text", "");
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
