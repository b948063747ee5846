#include "MTGATranslator.h"

// Targa reading comes with the image work; until then nothing is recognised.
bool MTGATranslator::CanImportFile(MStr) { return false; }

bool MTGATranslator::ImportImage(MStr, MImage*) { return false; }
