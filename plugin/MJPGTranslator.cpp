#include "MJPGTranslator.h"

// JPEG reading comes with the image work; until then nothing is recognised.
bool MJPGTranslator::CanImportFile(MStr) { return false; }

bool MJPGTranslator::ImportImage(MStr, MImage*) { return false; }
