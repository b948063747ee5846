#pragma once

// For readers that take a file name: the input is written to one scratch
// file per process, removed at exit.

#include "FuzzImageTranslator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzscratch
{
inline const std::string& ScratchFile()
{
    static const std::string path = []
    {
        std::string name = (std::filesystem::temp_directory_path() / "glazen-fuzz-XXXXXX").string();
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

// Runs a translator's content check and import on the scratch file, as the
// system manager would; a decoded image must be whole.
template <class Translator> int RunImage(const uint8_t* data, size_t size)
{
    if (!WriteScratch(data, size))
        return 0;
    Translator translator;
    translator.CanImportFile(ScratchFile().c_str());
    MImage image;
    if (translator.ImportImage(ScratchFile().c_str(), &image))
        fuzzimage::Touch(image);
    return 0;
}
} // namespace fuzzscratch
