// The grey and run-length Targa translator under arbitrary bytes.
#include "FuzzImageTranslator.h"
#include "MTGARLETranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzimage::Run<MTGARLETranslator>(data, size);
}
