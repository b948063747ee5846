#pragma once

#include "MImage.h"
#include "MStr.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Shared steps of the image file readers.

// Decodes a whole file into a new picture; false with a reason when it refuses.
using MImageDecoder =
    std::function<bool(const std::vector<uint8_t>& file, MImage& out, const char*& reason)>;

// Logs why an image was not read: "<tag>: '<file>' not read: <reason>."
void RefuseImageFile(const char* tag, const MStr& fileName, const char* reason);

// Reads the first size bytes of the regular file at fileName (or archive
// member) into head; false when it cannot be opened or is shorter.
bool ReadImageFileHead(const MStr& fileName, uint8_t* head, size_t size);

// Decodes file into a picture made aside and hands it over only when it is
// whole, so a refused file leaves *image as it was; a refusal is logged.
bool DecodeImageFile(const char* tag, const MStr& fileName, const std::vector<uint8_t>& file,
                     MImage* image, const MImageDecoder& decode);

// Decodes an image held in memory as DecodeImageFile does; `name` stands for
// it in messages. Running out of memory is logged and refused.
bool DecodeImageData(const char* tag, const MStr& name, const uint8_t* data, size_t size,
                     MImage* image, const MImageDecoder& decode);

// Reads the whole file at fileName and decodes it as DecodeImageFile does; an
// unreadable file or running out of memory is logged and refused as well.
bool ImportImageFile(const char* tag, const MStr& fileName, MImage* image,
                     const MImageDecoder& decode);
