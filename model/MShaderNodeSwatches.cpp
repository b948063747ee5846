// The OpenGL state each shader node sets up for its swatch: what the node
// alone does, drawn on a quad whose texture coordinates run from (0, 0) at
// the top-left to (1, 1) at the bottom-right. The caller brackets every call
// with saved state, starts from white, texturing and blending off, and draws
// the quad when the result is non-zero.
//
// Which nodes show a swatch: the texture nodes (file, animated file, the
// editor image), and every node that changes how a texture or colour is
// drawn (blend, alpha test, rgbGen, alphaGen, tcMod), so their effect shows
// on a neutral quad and adds to the texture in a layer's swatch. tcGen
// returns 0: on a flat swatch facing the viewer an environment map shows a
// single texel and a vector projection a smear, which would mislead more
// than it tells. Shader-wide keywords (surface words, sky, sun, vertex
// deformation, kept lines) have no swatch.

#include "MScene.h"
#include "MShaderMath.h"
#include "MShaderNodes.h"
#include "MSystemManager.h"
#include "MTextureCache.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace
{
// The time of the scene the node is in, else of the system's scene, in ticks.
int SceneTicks(const MBaseShaderNode* node)
{
    const MScene* scene = node->GetOwnerScene();
    if (!scene)
        if (MSystemManager* sys = GetSystemManager())
            scene = sys->GetScene();
    return scene ? scene->GetTime() : 0;
}

double NodeSeconds(const MBaseShaderNode* node)
{
    return SceneSeconds(SceneTicks(node));
}

double FiniteParam(const MBaseObject* node, const char* name, double fallback = 0)
{
    const double v = node->GetParamFloat(name);
    return std::isfinite(v) ? v : fallback;
}

// Textures modulate the current colour; wrapped or clamped on both axes.
void UseBoundTexture(bool repeat)
{
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const GLint wrap = repeat ? GL_REPEAT : GLint(MTextureCache::ClampWrapMode());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

// Binds an image (or the missing-texture pattern) and draws with it.
int ShowImage(const MStr& name, bool repeat)
{
    MTextureCache::Instance().BindImage(name);
    UseBoundTexture(repeat);
    return 1;
}

// Applies a modifier after those already on the texture matrix: the
// coordinates go through the earlier nodes' modifiers first, as in the game.
// Without a texture the neutral pattern shows the movement.
int ApplyTexCoordModifier(const MTexMatrix& m)
{
    if (!glIsEnabled(GL_TEXTURE_2D))
    {
        MTextureCache::Instance().BindNeutralPattern();
        UseBoundTexture(true);
    }
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    MTexMatrix current;
    glGetFloatv(GL_TEXTURE_MATRIX, current.data());
    const MTexMatrix result = MultiplyTexMatrix(m, current);
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(result.data());
    glMatrixMode(GLenum(mode));
    return 1;
}
} // namespace

int MFileShaderNode::SetOpenGLParams()
{
    return ShowImage(GetParamByName("Fname"), Repeats());
}

int MAnimFileShaderNode::GetFrameIndex(int ticks) const
{
    const int count = std::clamp(GetParamInt("nF"), 0, m_Images);
    return AnimFrameIndex(SceneSeconds(ticks), FiniteParam(this, "Fr"), count);
}

int MAnimFileShaderNode::SetOpenGLParams()
{
    // With no frames the name is empty and the missing pattern shows.
    MStr name;
    if (std::clamp(GetParamInt("nF"), 0, m_Images) > 0)
        name = GetParamByName(MStr::Printf("Fname%i", GetFrameIndex(SceneTicks(this))).str());
    return ShowImage(name, true);
}

int MRGBGenShaderNode::SetOpenGLParams()
{
    float rgb[3];
    if (!RGBGenColour(GetParamByName("Ty"), GetParamByName("Args"), ReadWave(this),
                      NodeSeconds(this), rgb))
        return 0;
    GLfloat current[4] = {1, 1, 1, 1};
    glGetFloatv(GL_CURRENT_COLOR, current);
    glColor4f(rgb[0], rgb[1], rgb[2], current[3]);
    return 1;
}

int MAlphaGenShaderNode::SetOpenGLParams()
{
    float alpha = 1;
    if (!AlphaGenValue(GetParamByName("Ty"), GetParamByName("Args"), ReadWave(this),
                       NodeSeconds(this), &alpha))
        return 0;
    GLfloat current[4] = {1, 1, 1, 1};
    glGetFloatv(GL_CURRENT_COLOR, current);
    glColor4f(current[0], current[1], current[2], alpha);
    return 1;
}

int MBlendFuncShaderNode::SetOpenGLParams()
{
    MBlendFactors f;
    if (!BlendFactorsFor(GetParamByName("bmP"), GetParamByName("bSrc"), GetParamByName("bDst"), &f))
        return 0;
    glEnable(GL_BLEND);
    glBlendFunc(f.src, f.dst);
    return 1;
}

int MAlphaFuncShaderNode::SetOpenGLParams()
{
    unsigned func = 0;
    float ref = 0;
    if (!AlphaTestFor(GetParamByName("fn"), &func, &ref))
        return 0;
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(func, ref);
    return 1;
}

int MTCScrollShaderNode::SetOpenGLParams()
{
    return ApplyTexCoordModifier(
        ScrollTexMatrix(FiniteParam(this, "Ds"), FiniteParam(this, "Dt"), NodeSeconds(this)));
}

int MTCRotateShaderNode::SetOpenGLParams()
{
    return ApplyTexCoordModifier(RotateTexMatrix(FiniteParam(this, "Dr"), NodeSeconds(this)));
}

int MTCScaleShaderNode::SetOpenGLParams()
{
    return ApplyTexCoordModifier(
        ScaleTexMatrix(FiniteParam(this, "Ss", 1), FiniteParam(this, "St", 1)));
}

int MTCStretchShaderNode::SetOpenGLParams()
{
    return ApplyTexCoordModifier(StretchTexMatrix(ReadWave(this), NodeSeconds(this)));
}

int MTCTurbShaderNode::SetOpenGLParams()
{
    return ApplyTexCoordModifier(TurbTexMatrix(FiniteParam(this, "Amp"), FiniteParam(this, "Phase"),
                                               FiniteParam(this, "Freq"), NodeSeconds(this)));
}

int MQERadiantShaderNode::SetOpenGLParams()
{
    const MStr image = GetParamByName("qer_editorimage");
    return image.IsEmpty() ? 0 : ShowImage(image, true);
}
