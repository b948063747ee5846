#include "MTGARLETranslator.h"

#include "MImageFile.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
constexpr size_t kHeaderSize = 18;
constexpr const char* kTag = "TGAImport";
constexpr int kGrey = 3, kMappedRLE = 9, kTrueColourRLE = 10, kGreyRLE = 11;

int U16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

struct TgaHeader
{
    int idLength, colourMapType, imageType, mapFirst, mapLength, mapEntryBits;
    int width, height, pixelBits, descriptor;
};

TgaHeader ParseHeader(const uint8_t* p)
{
    return {p[0],
            p[1],
            p[2],
            U16(p + 3),
            U16(p + 5),
            p[7],
            int16_t(uint16_t(U16(p + 12))),
            int16_t(uint16_t(U16(p + 14))),
            p[16],
            p[17]};
}

bool Handles(int type)
{
    return type == kGrey || type == kMappedRLE || type == kTrueColourRLE || type == kGreyRLE;
}

// Unpacks run-length packets into count pixels of `bytes` bytes each. False
// when the file ends first; packets running past the last pixel are cut there.
bool Unpack(const uint8_t* in, size_t size, size_t count, size_t bytes, std::vector<uint8_t>& out)
{
    out.resize(count * bytes);
    size_t pos = 0, done = 0;
    while (done < count)
    {
        if (pos >= size)
            return false;
        const uint8_t packet = in[pos++];
        const size_t n = std::min<size_t>((packet & 0x7F) + 1, count - done);
        if (packet & 0x80)
        {
            if (size - pos < bytes)
                return false;
            for (size_t i = 0; i < n; ++i)
                std::memcpy(&out[(done + i) * bytes], in + pos, bytes);
            pos += bytes;
        }
        else
        {
            const size_t raw = ((packet & 0x7F) + 1) * bytes;
            if (size - pos < raw)
                return false;
            std::memcpy(&out[done * bytes], in + pos, n * bytes);
            pos += raw;
        }
        done += n;
    }
    return true;
}

bool Decode(const std::vector<uint8_t>& file, MImage& out, const char*& reason)
{
    if (file.size() < kHeaderSize)
    {
        reason = "the file is shorter than the Targa header";
        return false;
    }
    const TgaHeader h = ParseHeader(file.data());
    if (!Handles(h.imageType))
    {
        reason = "only grey and run-length encoded images are read here";
        return false;
    }
    if (!MImage::IsValidSize(h.width, h.height))
    {
        reason = "the width or height is out of range";
        return false;
    }
    const bool grey = h.imageType == kGrey || h.imageType == kGreyRLE;
    const bool mapped = h.imageType == kMappedRLE;
    const size_t bytes = size_t(h.pixelBits) / 8;
    if (h.pixelBits % 8 != 0 || (grey && bytes != 1 && bytes != 2) ||
        (mapped && bytes != 1 && bytes != 2) || (!grey && !mapped && (bytes < 2 || bytes > 4)))
    {
        reason = "the pixel depth does not suit the image type";
        return false;
    }
    if (mapped && h.colourMapType == 0)
    {
        reason = "the colour-mapped image has no colour map";
        return false;
    }

    size_t pos = kHeaderSize + size_t(h.idLength);
    std::vector<std::array<uint8_t, 4>> palette; // red, green, blue, alpha
    if (h.colourMapType != 0)
    {
        if (h.mapEntryBits != 16 && h.mapEntryBits != 24 && h.mapEntryBits != 32)
        {
            reason = "colour map entries must be 16, 24 or 32 bits";
            return false;
        }
        const size_t entry = size_t(h.mapEntryBits) / 8;
        if (pos > file.size() || (file.size() - pos) / entry < size_t(h.mapLength))
        {
            reason = "the file ends inside the colour map";
            return false;
        }
        palette.resize(size_t(h.mapLength));
        for (auto& e : palette)
        {
            const uint8_t* m = file.data() + pos;
            if (entry == 2)
            {
                const int v = U16(m);
                e = {uint8_t(((v >> 10) & 0x1F) << 3), uint8_t(((v >> 5) & 0x1F) << 3),
                     uint8_t((v & 0x1F) << 3), 255};
            }
            else
                e = {m[2], m[1], m[0], entry == 4 ? m[3] : uint8_t(255)};
            pos += entry;
        }
    }
    if (pos > file.size())
    {
        reason = "the file holds fewer pixels than the header announces";
        return false;
    }

    const size_t count = size_t(h.width) * size_t(h.height);
    const uint8_t* data = file.data() + pos;
    const size_t left = file.size() - pos;
    std::vector<uint8_t> unpacked;
    const uint8_t* pixels = data;
    if (h.imageType == kGrey)
    {
        if (left / bytes < count)
        {
            reason = "the file holds fewer pixels than the header announces";
            return false;
        }
    }
    else
    {
        // A packet of 1 + bytes file bytes gives at most 128 pixels; a header
        // promising more cannot be met, and no memory is taken for it.
        if (left / (1 + bytes) * 128 + 128 < count || !Unpack(data, left, count, bytes, unpacked))
        {
            reason = "the file holds fewer pixels than the header announces";
            return false;
        }
        pixels = unpacked.data();
    }

    // Alpha: the grey image's second byte, the 32-bit pixel's fourth, the
    // 16-bit pixel's top bit when the descriptor counts an alpha bit, and
    // 32-bit colour map entries.
    const bool alphaBits = (h.descriptor & 0x0F) != 0;
    const bool hasAlpha = grey     ? bytes == 2
                          : mapped ? h.mapEntryBits == 32
                                   : (bytes == 4 || (bytes == 2 && alphaBits));
    if (mapped)
        for (size_t i = 0; i < count; ++i)
        {
            const int64_t index =
                int64_t(bytes == 1 ? pixels[i] : U16(pixels + i * 2)) - h.mapFirst;
            if (index < 0 || index >= int64_t(palette.size()))
            {
                reason = "a pixel value lies outside the colour map";
                return false;
            }
        }
    if (!out.SetSize(h.width, h.height, hasAlpha))
    {
        reason = "the size is out of range";
        return false;
    }
    const bool topFirst = (h.descriptor & 0x20) != 0;
    const size_t width = size_t(h.width), height = size_t(h.height);
    uint8_t* colour = out.GetColourBuffer();
    uint8_t* alpha = out.GetAlphaBuffer();
    for (size_t y = 0; y < height; ++y)
    {
        const size_t row = (topFirst ? y : height - 1 - y) * width;
        const uint8_t* src = pixels + y * width * bytes;
        for (size_t x = 0; x < width; ++x, src += bytes)
        {
            uint8_t* dst = colour + (row + x) * 3;
            uint8_t a = 255;
            if (grey)
            {
                dst[0] = dst[1] = dst[2] = src[0];
                a = bytes == 2 ? src[1] : 255;
            }
            else if (mapped)
            {
                const auto& e =
                    palette[size_t(int64_t(bytes == 1 ? src[0] : U16(src)) - h.mapFirst)];
                dst[0] = e[0];
                dst[1] = e[1];
                dst[2] = e[2];
                a = e[3];
            }
            else if (bytes == 2)
            {
                const int v = U16(src);
                dst[0] = uint8_t(((v >> 10) & 0x1F) << 3);
                dst[1] = uint8_t(((v >> 5) & 0x1F) << 3);
                dst[2] = uint8_t((v & 0x1F) << 3);
                a = (v & 0x8000) ? 255 : 0;
            }
            else
            {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
                a = bytes == 4 ? src[3] : 255;
            }
            if (alpha)
                alpha[row + x] = a;
        }
    }
    return true;
}
} // namespace

bool MTGARLETranslator::CanImportFile(MStr fileName)
{
    uint8_t header[kHeaderSize];
    return ReadImageFileHead(fileName, header, kHeaderSize) && Handles(header[2]);
}

bool MTGARLETranslator::ImportImage(MStr fileName, MImage* image)
{
    return ImportImageFile(kTag, fileName, image, Decode);
}

bool MTGARLETranslator::ImportImageData(const uint8_t* data, size_t size, const MStr& name,
                                        MImage* image)
{
    return DecodeImageData(kTag, name, data, size, image, Decode);
}
