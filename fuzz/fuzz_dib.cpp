// Button picture reader: arbitrary bytes either load into a picture whose
// rows all lie inside what was read, or are refused leaving it empty.

#include "MDIBImage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MDIBImage image;
    if (image.LoadData(data, size))
    {
        if (image.IsEmpty() || size_t(image.GetStride()) * size_t(image.GetHeight()) > size)
            std::abort();
        // Touch the corners: every stored byte must be readable.
        image.GetPixel(0, 0);
        image.GetPixel(image.GetWidth() - 1, image.GetHeight() - 1);
    }
    else if (!image.IsEmpty())
        std::abort();
    return 0;
}
