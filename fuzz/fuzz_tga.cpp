// The Targa translator under arbitrary bytes.
#include "FuzzImageTranslator.h"
#include "MTGATranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzimage::Run<MTGATranslator>(data, size);
}
