#include "MJPGTranslator.h"

#include "MFile.h"
#include "MSystemManager.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace
{
void Refuse(const MStr& fileName, const char* reason)
{
    if (MSystemManager* manager = GetSystemManager())
        manager->LogOutput("JPGImport: '%s' not read: %s.", fileName.c_str(), reason);
}

// The library's standard error manager, with its fatal exit and its
// premature-end warnings (the file ends, or a marker cuts a scan's data
// short) turned into a jump back to the decoder instead of ending the process
// or making up the missing rows: a damaged file is refused, and a small file
// whose header claims a huge picture costs no more than the data it holds.
struct ErrorManager
{
    jpeg_error_mgr pub;
    void (*standardEmit)(j_common_ptr, int);
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool prematureEnd;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level < 0 && (err->pub.msg_code == JWRN_JPEG_EOF || err->pub.msg_code == JWRN_HIT_MARKER))
    {
        err->prematureEnd = true;
        ErrorExit(cinfo);
    }
    err->standardEmit(cinfo, level);
}

// Warnings and traces go to the log rather than to stderr.
void OutputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    if (MSystemManager* manager = GetSystemManager())
        manager->LogOutput("JPGImport: %s", text);
}

// Everything one decode needs, kept outside the frame that calls setjmp so a
// jump back leaves nothing in an undefined state and skips no destructor.
struct Decoder
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;
    bool headerComplete = false;
    const char* refusal = nullptr;
};

// Up to this much of the output block is reserved before any row is decoded;
// beyond it the block grows with the rows, so a small file whose header
// promises a huge picture costs no more than the data it actually holds.
constexpr size_t kReserveUpFront = size_t(64) << 20;
// Most pixels a picture may claim for each byte of its file. The densest
// Huffman-coded data takes at least a bit an 8 x 8 block, some 500 pixels a
// byte; a header claiming more is damaged, and decoding it would cost memory
// and time out of all proportion to the file.
constexpr uint64_t kMaxPixelsPerByte = 1024;
// Working memory the library may take (coefficient buffers of progressive images).
constexpr long kLibraryMemoryLimit = 1L << 30;

// Reserves room for `bytes` of output. A large block is backed by huge pages
// where the system offers them on request: faulting in tens of megabytes a
// small page at a time otherwise adds close to half the decoding time.
void ReserveOutput(std::vector<uint8_t>& pixels, size_t bytes)
{
    pixels.reserve(bytes);
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    const uintptr_t start = reinterpret_cast<uintptr_t>(pixels.data());
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (start + pixels.capacity()) & ~(kHugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

bool Decode(Decoder& d, std::FILE* file, uint64_t fileSize)
{
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    d.cinfo.mem->max_memory_to_use = kLibraryMemoryLimit;
    jpeg_stdio_src(&d.cinfo, file);
    d.headerComplete = jpeg_read_header(&d.cinfo, TRUE) == JPEG_HEADER_OK;

    switch (d.cinfo.jpeg_color_space)
    {
    case JCS_CMYK:
    case JCS_YCCK:
        d.refusal = "CMYK and YCCK images are not read";
        return false;
    case JCS_GRAYSCALE:
        // Grey pictures are widened to the three bytes a pixel of the image.
        d.cinfo.out_color_space = JCS_RGB;
        break;
    default:
        break;
    }
    if (d.cinfo.image_width > JDIMENSION(MImage::kMaxSide) ||
        d.cinfo.image_height > JDIMENSION(MImage::kMaxSide))
    {
        d.refusal = "the picture is larger than an image can be";
        return false;
    }
    if (uint64_t(d.cinfo.image_width) * d.cinfo.image_height > fileSize * kMaxPixelsPerByte)
    {
        d.refusal = "the picture it claims is out of all proportion to the file's size";
        return false;
    }

    jpeg_start_decompress(&d.cinfo);
    if (d.cinfo.output_components != 3 ||
        !MImage::IsValidSize(int(d.cinfo.output_width), int(d.cinfo.output_height)))
    {
        d.refusal = "the picture does not decode to three components a pixel";
        return false;
    }
    d.width = int(d.cinfo.output_width);
    d.height = int(d.cinfo.output_height);
    const size_t stride = size_t(d.width) * 3;
    const size_t total = stride * size_t(d.height);
    ReserveOutput(d.pixels, std::min(total, kReserveUpFront));
    while (d.cinfo.output_scanline < d.cinfo.output_height)
    {
        const size_t offset = size_t(d.cinfo.output_scanline) * stride;
        if (d.pixels.capacity() < offset + stride)
            ReserveOutput(d.pixels,
                          std::min(total, std::max(offset + stride, d.pixels.capacity() * 2)));
        d.pixels.resize(offset + stride);
        JSAMPROW row = d.pixels.data() + offset;
        if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1)
        {
            d.refusal = "the decoder stopped before the last row";
            return false;
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}
} // namespace

bool MJPGTranslator::CanImportFile(MStr fileName)
{
    if (fileName.IsEmpty())
        return false;
    std::FILE* file = MFile::OpenRegular(MFile::NativePath(fileName));
    if (!file)
        return false;
    unsigned char head[10];
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    if (got != sizeof head)
        return false;
    // A JFIF file names itself at bytes 6 to 9; a file that starts with an
    // Exif or Adobe segment has no such name but still starts with the
    // start-of-image marker and the next marker's 0xFF.
    const bool jfif = std::memcmp(head + 6, "JFIF", 4) == 0;
    const bool startOfImage = head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
    return jfif || startOfImage;
}

bool MJPGTranslator::ImportImage(MStr fileName, MImage* image)
{
    if (!image || fileName.IsEmpty())
        return false;
    const MStr path = MFile::NativePath(fileName);
    std::FILE* file = MFile::OpenRegular(path);
    if (!file)
    {
        Refuse(path, "the file cannot be opened");
        return false;
    }
    struct stat info;
    const uint64_t size =
        fstat(fileno(file), &info) == 0 ? uint64_t(info.st_size) : UINT64_MAX / kMaxPixelsPerByte;
    return ReadOpened(file, size, path, image);
}

bool MJPGTranslator::ImportImageData(const uint8_t* data, size_t size, const MStr& name,
                                     MImage* image)
{
    if (!image || !data || size == 0)
        return false;
    // Read only: the buffer is never written through the stream.
    std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
    {
        Refuse(name, "the data cannot be read");
        return false;
    }
    return ReadOpened(file, size, name, image);
}

bool MJPGTranslator::ReadOpened(std::FILE* file, uint64_t size, const MStr& path, MImage* image)
{
    Decoder d;
    std::memset(&d.cinfo, 0, sizeof d.cinfo);
    std::memset(d.err.message, 0, sizeof d.err.message);
    d.cinfo.err = jpeg_std_error(&d.err.pub);
    d.err.standardEmit = d.err.pub.emit_message;
    d.err.prematureEnd = false;
    d.err.pub.error_exit = ErrorExit;
    d.err.pub.emit_message = EmitMessage;
    d.err.pub.output_message = OutputMessage;

    bool decoded = false;
    try
    {
        decoded = Decode(d, file, size);
    }
    catch (const std::bad_alloc&)
    {
        d.refusal = "out of memory";
    }
    jpeg_destroy_decompress(&d.cinfo);
    std::fclose(file);

    if (!decoded)
    {
        if (d.err.prematureEnd)
            d.refusal = "the data ends before the last scan line, the file is damaged";
        Refuse(path, d.refusal ? d.refusal : d.err.message);
        return false;
    }
    if (!image->SetColourBuffer(d.width, d.height, std::move(d.pixels)))
    {
        Refuse(path, "the decoded rows do not fill the picture");
        return false;
    }
    return d.headerComplete;
}
