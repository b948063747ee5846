#include "MStageState.h"

#include "MBaseShaderNode.h"
#include "MMaterialLayer.h"

#include <GL/gl.h>

void OpenStageBracket(unsigned int attribs, bool resetTexture)
{
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    if (resetTexture)
        glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glPushAttrib(attribs);
}

void CloseStageBracket()
{
    glPopAttrib();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void StageBaseState()
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

int ApplyLayerState(MMaterialLayer* layer)
{
    int result = 0;
    for (MBaseObject* o : layer->GetShaderList())
        if (auto* node = dynamic_cast<MBaseShaderNode*>(o))
            result |= node->SetOpenGLParams();
    return result;
}
