#pragma once

class MMaterialLayer;

// OpenGL state shared by the drawers of material stages and swatches.

// Saves what one stage or swatch changes: the texture matrix (reset to the
// identity when resetTexture is set), the modelview matrix and the attribute
// groups in attribs (GL_*_BIT).
void OpenStageBracket(unsigned int attribs, bool resetTexture);
// Puts back what OpenStageBracket saved.
void CloseStageBracket();

// The state every stage starts from: white, no texture, no blending, every
// fragment passing the alpha test.
void StageBaseState();

// Applies all of a layer's nodes' state together; nonzero when any of them
// set something up to draw.
int ApplyLayerState(MMaterialLayer* layer);
