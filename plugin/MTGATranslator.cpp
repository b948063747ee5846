#include "MTGATranslator.h"

#include "MImageFile.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr size_t kHeaderSize = 18;

// The fixed Targa header, little-endian fields.
struct TgaHeader
{
    int idLength;
    int colourMapType;
    int imageType;
    int mapFirst;
    int mapLength;
    int mapEntryBits;
    int width;  // signed 16-bit in the file
    int height; // signed 16-bit in the file
    int pixelBits;
    int descriptor; // bit 5 set: the first row in the file is the top one
};

int U16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}
int S16(const uint8_t* p)
{
    return int16_t(uint16_t(U16(p)));
}

TgaHeader ParseHeader(const uint8_t* p)
{
    return {p[0], p[1], p[2], U16(p + 3), U16(p + 5), p[7], S16(p + 12), S16(p + 14), p[16], p[17]};
}

constexpr const char* kTag = "TGAImport";

// (blue, green, red, alpha) per colour map entry.
using Palette = std::vector<std::array<uint8_t, 4>>;

void BuildPalette(const uint8_t* map, int length, int entryBits, Palette& palette)
{
    palette.resize(size_t(length));
    const int entryBytes = entryBits / 8;
    for (int i = 0; i < length; ++i, map += entryBytes)
    {
        auto& e = palette[size_t(i)];
        if (entryBits == 16)
        {
            const int v = U16(map);
            e = {uint8_t((v & 0x1F) << 3), uint8_t(((v >> 5) & 0x1F) << 3),
                 uint8_t(((v >> 10) & 0x1F) << 3), uint8_t((v >> 15) & 1)};
        }
        else
            e = {map[0], map[1], map[2], entryBits == 32 ? map[3] : uint8_t(0)};
    }
}

uint32_t ReadPixelValue(const uint8_t* p, int bytes)
{
    switch (bytes)
    {
    case 1:
        return p[0];
    case 2:
        return uint32_t(U16(p));
    default:
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
}

// The image's rows start with the top. The file's start with the bottom row
// unless bit 5 of the image descriptor says they start with the top.
size_t ImageRowOf(const TgaHeader& h, size_t fileRow, size_t height)
{
    return (h.descriptor & 0x20) ? fileRow : height - 1 - fileRow;
}

bool DecodeColourMapped(const TgaHeader& h, const uint8_t* pixels, const Palette& palette,
                        bool keepAlphaFlag, MImage& out, const char*& reason)
{
    const int bytes = h.pixelBits / 8;
    const size_t width = size_t(h.width), height = size_t(h.height);
    // Check every index first: a value outside the map refuses the whole image.
    const size_t count = width * height;
    for (size_t i = 0; i < count; ++i)
    {
        const int64_t index =
            int64_t(ReadPixelValue(pixels + i * size_t(bytes), bytes)) - h.mapFirst;
        if (index < 0 || index >= int64_t(palette.size()))
        {
            reason = "a pixel value lies outside the colour map";
            return false;
        }
    }
    if (!out.SetSize(h.width, h.height, keepAlphaFlag))
    {
        reason = "the size is out of range";
        return false;
    }
    uint8_t* colour = out.GetColourBuffer();
    for (size_t y = 0; y < height; ++y)
    {
        uint8_t* dst = colour + ImageRowOf(h, y, height) * width * 3;
        const uint8_t* src = pixels + y * width * size_t(bytes);
        for (size_t x = 0; x < width; ++x, src += bytes, dst += 3)
        {
            const auto& e = palette[size_t(int64_t(ReadPixelValue(src, bytes)) - h.mapFirst)];
            dst[0] = e[2];
            dst[1] = e[1];
            dst[2] = e[0];
        }
    }
    return true;
}

bool DecodeTrueColour(const TgaHeader& h, const uint8_t* pixels, MImage& out, const char*& reason)
{
    const int bytes = h.pixelBits / 8;
    if (!out.SetSize(h.width, h.height, bytes != 3))
    {
        reason = "the size is out of range";
        return false;
    }
    const size_t width = size_t(h.width), height = size_t(h.height);
    uint8_t* colour = out.GetColourBuffer();
    uint8_t* alpha = out.GetAlphaBuffer();
    for (size_t y = 0; y < height; ++y)
    {
        const size_t row = ImageRowOf(h, y, height) * width;
        uint8_t* dst = colour + row * 3;
        uint8_t* a = alpha ? alpha + row : nullptr;
        const uint8_t* src = pixels + y * width * size_t(bytes);
        switch (bytes)
        {
        case 2:
            for (size_t x = 0; x < width; ++x, src += 2, dst += 3)
            {
                const int v = U16(src);
                dst[0] = uint8_t(((v >> 10) & 0x1F) << 3);
                dst[1] = uint8_t(((v >> 5) & 0x1F) << 3);
                dst[2] = uint8_t((v & 0x1F) << 3);
                a[x] = (v & 0x8000) ? 255 : 0;
            }
            break;
        case 3:
            for (size_t x = 0; x < width; ++x, src += 3, dst += 3)
            {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
            break;
        default: // 4
            for (size_t x = 0; x < width; ++x, src += 4, dst += 3)
            {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
                a[x] = src[3];
            }
            break;
        }
    }
    return true;
}

// Decodes a whole Targa file held in memory into `out`; on failure `reason`
// says why and `out` may be half made.
bool Decode(const std::vector<uint8_t>& file, bool keepAlphaFlag, MImage& out, const char*& reason)
{
    if (file.size() < kHeaderSize)
    {
        reason = "the file is shorter than the Targa header";
        return false;
    }
    const TgaHeader h = ParseHeader(file.data());
    if (h.imageType != 1 && h.imageType != 2)
    {
        reason = (h.imageType & 8) ? "run-length encoded images are not read"
                                   : "only colour-mapped and true-colour images are read";
        return false;
    }
    if (h.width < 1 || h.height < 1)
    {
        reason = "the width or height is below 1";
        return false;
    }
    const int bytes = h.pixelBits / 8;
    if (h.imageType == 1 && h.colourMapType == 0)
    {
        reason = "the colour-mapped image has no colour map";
        return false;
    }
    if (h.imageType == 1 && bytes != 1 && bytes != 2 && bytes != 4)
    {
        reason = "colour-mapped pixels must be 1, 2 or 4 bytes";
        return false;
    }
    if (h.imageType == 2 && bytes != 2 && bytes != 3 && bytes != 4)
    {
        reason = "true-colour pixels must be 16, 24 or 32 bits";
        return false;
    }

    size_t pos = kHeaderSize + size_t(h.idLength);
    Palette palette;
    if (h.colourMapType != 0)
    {
        if (h.mapEntryBits != 16 && h.mapEntryBits != 24 && h.mapEntryBits != 32)
        {
            reason = "colour map entries must be 16, 24 or 32 bits";
            return false;
        }
        const size_t mapBytes = size_t(h.mapLength) * size_t(h.mapEntryBits / 8);
        if (pos > file.size() || file.size() - pos < mapBytes)
        {
            reason = "the file ends inside the colour map";
            return false;
        }
        BuildPalette(file.data() + pos, h.mapLength, h.mapEntryBits, palette);
        pos += mapBytes;
    }
    const size_t pixelBytes = size_t(h.width) * size_t(h.height) * size_t(bytes);
    if (pos > file.size() || file.size() - pos < pixelBytes)
    {
        reason = "the file holds fewer pixels than the header announces";
        return false;
    }
    const uint8_t* pixels = file.data() + pos;
    if (h.imageType == 1)
        return DecodeColourMapped(h, pixels, palette, keepAlphaFlag, out, reason);
    return DecodeTrueColour(h, pixels, out, reason);
}
// Decodes as the picture being replaced asks: keeping its alpha flag.
MImageDecoder DecoderFor(const MImage* image)
{
    const bool keepAlpha = image->HasAlpha();
    return [keepAlpha](const std::vector<uint8_t>& file, MImage& out, const char*& reason)
    { return Decode(file, keepAlpha, out, reason); };
}
} // namespace

bool MTGATranslator::CanImportFile(MStr fileName)
{
    uint8_t header[kHeaderSize];
    return ReadImageFileHead(fileName, header, kHeaderSize) && (header[2] == 1 || header[2] == 2);
}

bool MTGATranslator::ImportImage(MStr fileName, MImage* image)
{
    if (!image)
        return false;
    return ImportImageFile(kTag, fileName, image, DecoderFor(image));
}

bool MTGATranslator::ImportImageData(const uint8_t* data, size_t size, const MStr& name,
                                     MImage* image)
{
    if (!image)
        return false;
    return DecodeImageData(kTag, name, data, size, image, DecoderFor(image));
}
