// The PNG translator under arbitrary bytes.
#include "FuzzImageTranslator.h"
#include "MPNGTranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzimage::Run<MPNGTranslator>(data, size);
}
