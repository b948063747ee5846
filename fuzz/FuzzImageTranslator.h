#pragma once

// Feeds arbitrary bytes to an image translator's decoder straight from
// memory, so each input costs the decoding alone. A decoded image must be
// whole: both buffers can be read to their ends.

#include "MImage.h"

#include <cstdint>
#include <cstdlib>

namespace fuzzimage
{
// Keeps the reads of the decoded buffers from being optimised away.
inline volatile unsigned g_Checksum;

// Reads a decoded image's buffers to their ends; an empty one is a fault.
inline void Touch(const MImage& image)
{
    const size_t pixels = size_t(image.GetWidth()) * size_t(image.GetHeight());
    if (pixels == 0)
        std::abort();
    unsigned sum = 0;
    for (size_t i = 0; i < pixels * 3; ++i)
        sum += image.GetColourBuffer()[i];
    if (image.HasAlpha())
        for (size_t i = 0; i < pixels; ++i)
            sum += image.GetAlphaBuffer()[i];
    g_Checksum = sum;
}

template <class Translator> int Run(const uint8_t* data, size_t size)
{
    MImage image;
    if (Translator::ImportImageData(data, size, "fuzz input", &image))
        Touch(image);
    return 0;
}
} // namespace fuzzimage
