// The JPEG translator under arbitrary bytes.
#include "FuzzImageTranslator.h"
#include "MJPGTranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzimage::Run<MJPGTranslator>(data, size);
}
