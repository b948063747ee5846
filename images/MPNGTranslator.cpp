#include "MPNGTranslator.h"

#include "MImageFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace
{
constexpr size_t kSignatureSize = 8;
constexpr const char* kTag = "PNGImport";

// The file in memory, as libpng reads it, and libpng's first error.
struct Source
{
    const uint8_t* data;
    size_t size;
    size_t pos;
    char error[160];
};

void ReadData(png_structp png, png_bytep out, png_size_t length)
{
    auto* src = static_cast<Source*>(png_get_io_ptr(png));
    if (src->size - src->pos < length)
        png_error(png, "the file ends early");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

void OnError(png_structp png, png_const_charp message)
{
    auto* src = static_cast<Source*>(png_get_error_ptr(png));
    std::snprintf(src->error, sizeof src->error, "%s", message ? message : "libpng failed");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Frees libpng's reading objects however the decode ends.
struct ReadStruct
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadStruct() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Decodes into rows of 3 (RGB) or 4 (RGBA) bytes a pixel. libpng leaves
// this frame by longjmp on an error, so everything that outlives a call into
// libpng belongs to the caller.
struct Decoded
{
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    int width = 0, height = 0, channels = 0;
};

bool DecodePng(ReadStruct& rs, Source& src, Decoded& out)
{
    rs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, OnError, OnWarning);
    if (!rs.png)
        return false;
    rs.info = png_create_info_struct(rs.png);
    if (!rs.info)
        return false;
    if (setjmp(png_jmpbuf(rs.png)))
        return false;
    png_set_read_fn(rs.png, &src, ReadData);
    png_set_user_limits(rs.png, MImage::kMaxSide, MImage::kMaxSide);
    png_read_info(rs.png, rs.info);
    png_set_expand(rs.png); // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(rs.png);
    png_set_gray_to_rgb(rs.png);
    png_set_interlace_handling(rs.png);
    png_read_update_info(rs.png, rs.info);
    out.width = int(png_get_image_width(rs.png, rs.info));
    out.height = int(png_get_image_height(rs.png, rs.info));
    out.channels = png_get_channels(rs.png, rs.info);
    const size_t rowBytes = size_t(out.width) * size_t(out.channels);
    if (!MImage::IsValidSize(out.width, out.height) || (out.channels != 3 && out.channels != 4) ||
        png_get_rowbytes(rs.png, rs.info) != rowBytes)
        png_error(rs.png, "an unexpected pixel layout");
    bool allocated = true;
    try
    {
        out.pixels.resize(rowBytes * size_t(out.height));
        out.rows.resize(size_t(out.height));
    }
    catch (const std::bad_alloc&)
    {
        allocated = false;
    }
    if (!allocated)
        png_error(rs.png, "out of memory");
    for (size_t y = 0; y < out.rows.size(); ++y)
        out.rows[y] = out.pixels.data() + y * rowBytes;
    png_read_image(rs.png, out.rows.data());
    return true;
}
// Decodes a whole PNG file; libpng's error text is kept in src, so the
// reason outlives the decoder.
bool DecodePngFile(Source& src, const std::vector<uint8_t>& file, MImage& decoded,
                   const char*& reason)
{
    if (file.size() < kSignatureSize || png_sig_cmp(file.data(), 0, kSignatureSize) != 0)
    {
        reason = "it is not a PNG file";
        return false;
    }
    src = Source{file.data(), file.size(), 0, "libpng failed"};
    Decoded d;
    {
        ReadStruct rs;
        if (!DecodePng(rs, src, d))
        {
            reason = src.error;
            return false;
        }
    }
    const int width = d.width, height = d.height, channels = d.channels;
    if (!decoded.SetSize(width, height, channels == 4))
    {
        reason = "the size is out of range";
        return false;
    }
    uint8_t* colour = decoded.GetColourBuffer();
    uint8_t* alpha = decoded.GetAlphaBuffer();
    const size_t count = size_t(width) * size_t(height);
    const uint8_t* p = d.pixels.data();
    for (size_t i = 0; i < count; ++i, p += channels)
    {
        std::memcpy(colour + i * 3, p, 3);
        if (alpha)
            alpha[i] = p[3];
    }
    return true;
}
} // namespace

bool MPNGTranslator::CanImportFile(MStr fileName)
{
    uint8_t signature[kSignatureSize];
    return ReadImageFileHead(fileName, signature, kSignatureSize) &&
           png_sig_cmp(signature, 0, kSignatureSize) == 0;
}

bool MPNGTranslator::ImportImage(MStr fileName, MImage* image)
{
    Source src{};
    return ImportImageFile(kTag, fileName, image,
                           [&src](const std::vector<uint8_t>& file, MImage& out, const char*& reason)
                           { return DecodePngFile(src, file, out, reason); });
}

bool MPNGTranslator::ImportImageData(const uint8_t* data, size_t size, const MStr& name,
                                     MImage* image)
{
    Source src{};
    return DecodeImageData(kTag, name, data, size, image,
                           [&src](const std::vector<uint8_t>& file, MImage& out, const char*& reason)
                           { return DecodePngFile(src, file, out, reason); });
}
