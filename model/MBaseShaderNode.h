#pragma once

#include "MBaseObject.h"

class MMaterialLayer;

// A shader node: one keyword group of a shader with named text parameters.
class MBaseShaderNode : public MBaseObject
{
  public:
    MBaseShaderNode() { AddFlags(OBJ_TYPE_MATERIAL); }
    MStr ClassName() const override { return "MBaseShaderNode"; }
    MStr ParentClassName() const override { return "MBaseObject"; }

    // The base name new nodes of this class are named from ("FileShader").
    virtual MStr GetBaseName() const { return "ShaderNode"; }
    // Appends a short summary of the node's values (a blend mode, a file name).
    virtual void AppendDisplayText(MStr& text) const;
    // Sets up the fixed-function OpenGL state that shows what the node does
    // (a texture, a blend mode, a colour, a texture matrix) for a swatch
    // quad; non-zero when it set up a swatch. Needs a current context; the
    // caller saves and restores the state around it.
    virtual int SetOpenGLParams() { return 0; }

    MMaterialLayer* GetLayer() const { return m_Layer; }
    void SetLayer(MMaterialLayer* layer) { m_Layer = layer; }

  private:
    MMaterialLayer* m_Layer = nullptr;
};

#define M_DECLARE_SHADER_NODE(Class, BaseName)                                                     \
    M_DECLARE_CLASS(Class, MBaseShaderNode)                                                        \
    MStr GetBaseName() const override                                                              \
    {                                                                                              \
        return BaseName;                                                                           \
    }
