// Feeds arbitrary bytes to the JPEG translator through a file, as the
// system manager would: the content check, then the import.
#include "MImage.h"
#include "MJPGTranslator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{
// Keeps the reads of the decoded buffers from being optimised away.
volatile unsigned g_Checksum;

// One scratch file per process, removed at exit.
const std::string& ScratchFile()
{
    static const std::string path = []
    {
        std::string name =
            (std::filesystem::temp_directory_path() / "glazen-fuzz-jpeg-XXXXXX").string();
        const int fd = mkstemp(name.data());
        if (fd < 0)
            std::abort();
        close(fd);
        std::atexit([] { unlink(ScratchFile().c_str()); });
        return name;
    }();
    return path;
}

bool WriteScratch(const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(ScratchFile().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!WriteScratch(data, size))
        return 0;
    MJPGTranslator jpg;
    jpg.CanImportFile(ScratchFile());
    MImage image;
    if (jpg.ImportImage(ScratchFile(), &image))
    {
        // A decoded image is whole: both buffers can be read to their ends.
        const size_t pixels = size_t(image.GetWidth()) * size_t(image.GetHeight());
        unsigned sum = 0;
        for (size_t i = 0; i < pixels * 3; ++i)
            sum += image.GetColourBuffer()[i];
        if (image.HasAlpha())
            for (size_t i = 0; i < pixels; ++i)
                sum += image.GetAlphaBuffer()[i];
        if (pixels == 0)
            std::abort();
        g_Checksum = sum;
    }
    return 0;
}
