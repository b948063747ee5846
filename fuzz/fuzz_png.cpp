// The PNG translator under arbitrary bytes.
#include "FuzzImageTranslator.h"
#include "FuzzScratchFile.h"
#include "MPNGTranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzscratch::RunImage<MPNGTranslator>(data, size);
}
