#pragma once

// Feeds arbitrary bytes to an image translator through a file, as the system
// manager would: the content check, then the import. A decoded image must be
// whole: both buffers can be read to their ends.

#include "MImage.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzimage
{
// Keeps the reads of the decoded buffers from being optimised away.
inline volatile unsigned g_Checksum;

// One scratch file per process, removed at exit.
inline const std::string& ScratchFile()
{
    static const std::string path = []
    {
        std::string name =
            (std::filesystem::temp_directory_path() / "glazen-fuzz-image-XXXXXX").string();
        const int fd = mkstemp(name.data());
        if (fd < 0)
            std::abort();
        close(fd);
        std::atexit([] { unlink(ScratchFile().c_str()); });
        return name;
    }();
    return path;
}

inline bool WriteScratch(const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(ScratchFile().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

template <class Translator> int Run(const uint8_t* data, size_t size)
{
    if (!WriteScratch(data, size))
        return 0;
    Translator translator;
    translator.CanImportFile(ScratchFile());
    MImage image;
    if (translator.ImportImage(ScratchFile(), &image))
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
    return 0;
}
} // namespace fuzzimage
