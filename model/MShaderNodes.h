#pragma once

// The shader node classes: one per keyword group of a shader script.
// Parameter defaults are chosen so that a node left at its defaults writes no
// optional line.

#include "MBaseShaderNode.h"

#include <vector>

// map / clampmap: a texture.
class MFileShaderNode : public MBaseShaderNode
{
  public:
    MFileShaderNode();
    M_DECLARE_SHADER_NODE(MFileShaderNode, "FileShader")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
    // A map repeats unless both axes are off; the writer then writes a
    // clampmap. "On" is matched exactly, as the writer matches it, so the
    // view shows what the file will say.
    bool Repeats() const;
};

// animMap: a frequency and up to any number of frames "Fname0", "Fname1", ...
class MAnimFileShaderNode : public MBaseShaderNode
{
  public:
    MAnimFileShaderNode();
    M_DECLARE_SHADER_NODE(MAnimFileShaderNode, "AnimFileShader")
    void AppendDisplayText(MStr& text) const override;
    // Shows the frame of the scene's time: "Fr" frames a second, cycling
    // through the first "nF" frames.
    int SetOpenGLParams() override;
    // The frame shown at a scene time in ticks.
    int GetFrameIndex(int ticks) const;
    // Makes sure parameters "Fname0" to "Fname<n-1>" exist.
    void SetNumberOfImages(int n);
    int GetNumberOfImages() const { return m_Images; }
    // Also counts the frame parameters that come along with the values.
    void SetFrom(const MBaseObject* other) override;

  protected:
    MParameterObject* CreateMissingParameter(std::string_view name) override;

  private:
    int m_Images = 0;
};

class MRGBGenShaderNode : public MBaseShaderNode
{
  public:
    MRGBGenShaderNode();
    M_DECLARE_SHADER_NODE(MRGBGenShaderNode, "RGBGenNode")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

class MAlphaGenShaderNode : public MBaseShaderNode
{
  public:
    MAlphaGenShaderNode();
    M_DECLARE_SHADER_NODE(MAlphaGenShaderNode, "AlphaGenNode")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

class MBlendFuncShaderNode : public MBaseShaderNode
{
  public:
    MBlendFuncShaderNode();
    M_DECLARE_SHADER_NODE(MBlendFuncShaderNode, "BlendFuncNode")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

class MAlphaFuncShaderNode : public MBaseShaderNode
{
  public:
    MAlphaFuncShaderNode();
    M_DECLARE_SHADER_NODE(MAlphaFuncShaderNode, "AlphaFuncNode")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

class MTCScrollShaderNode : public MBaseShaderNode
{
  public:
    MTCScrollShaderNode();
    M_DECLARE_SHADER_NODE(MTCScrollShaderNode, "TCModScroll")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

class MTCRotateShaderNode : public MBaseShaderNode
{
  public:
    MTCRotateShaderNode();
    M_DECLARE_SHADER_NODE(MTCRotateShaderNode, "TCModRotate")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

class MTCScaleShaderNode : public MBaseShaderNode
{
  public:
    MTCScaleShaderNode();
    M_DECLARE_SHADER_NODE(MTCScaleShaderNode, "TCModScale")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

class MTCStretchShaderNode : public MBaseShaderNode
{
  public:
    MTCStretchShaderNode();
    M_DECLARE_SHADER_NODE(MTCStretchShaderNode, "TCModStretch")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

class MTCTurbShaderNode : public MBaseShaderNode
{
  public:
    MTCTurbShaderNode();
    M_DECLARE_SHADER_NODE(MTCTurbShaderNode, "TCModTurb")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

// No swatch (SetOpenGLParams returns 0): on a flat swatch facing the viewer
// generated coordinates show a single texel or a smear.
class MTCGenShaderNode : public MBaseShaderNode
{
  public:
    MTCGenShaderNode();
    M_DECLARE_SHADER_NODE(MTCGenShaderNode, "TCGenNode")
    void AppendDisplayText(MStr& text) const override;
};

// Editor and map-compiler keywords of a shader (qer_*, q3map_*, sort, fog...).
class MQERadiantShaderNode : public MBaseShaderNode
{
  public:
    MQERadiantShaderNode();
    M_DECLARE_SHADER_NODE(MQERadiantShaderNode, "QERNode")
    void AppendDisplayText(MStr& text) const override;
    int SetOpenGLParams() override;
};

// surfaceparm words: one on/off parameter per word set, standard or not, so
// no word is lost. GetKnownWords lists the standard words for pickers.
class MQ3MapSurfaceShaderNode : public MBaseShaderNode
{
  public:
    MQ3MapSurfaceShaderNode();
    M_DECLARE_SHADER_NODE(MQ3MapSurfaceShaderNode, "SurfaceNode")
    void AppendDisplayText(MStr& text) const override;
    static const std::vector<const char*>& GetKnownWords();
    // Sets a surface word. Unlike SetParamByName, a word that reads like the
    // node's "Name" is a word too.
    void SetWord(std::string_view word, const MStr& value);

  protected:
    MParameterObject* CreateMissingParameter(std::string_view name) override;
};

class MQ3SkyParmsShaderNode : public MBaseShaderNode
{
  public:
    MQ3SkyParmsShaderNode();
    M_DECLARE_SHADER_NODE(MQ3SkyParmsShaderNode, "Q3SkyNode")
    void AppendDisplayText(MStr& text) const override;
};

class MQ3SunShaderNode : public MBaseShaderNode
{
  public:
    MQ3SunShaderNode();
    M_DECLARE_SHADER_NODE(MQ3SunShaderNode, "Q3SunNode")
    void AppendDisplayText(MStr& text) const override;
};

class MDeformVertsShaderNode : public MBaseShaderNode
{
  public:
    MDeformVertsShaderNode();
    M_DECLARE_SHADER_NODE(MDeformVertsShaderNode, "DeformNode")
    void AppendDisplayText(MStr& text) const override;
};

// A line kept as it stood: a keyword no table knows, with the rest of its
// line, written back unchanged.
class MVerbatimShaderNode : public MBaseShaderNode
{
  public:
    MVerbatimShaderNode();
    M_DECLARE_SHADER_NODE(MVerbatimShaderNode, "Keyword")
    void AppendDisplayText(MStr& text) const override;
};
