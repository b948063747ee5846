#include "MImageFile.h"

#include "MFile.h"
#include "MSystemManager.h"

#include <cstdio>
#include <new>
#include <utility>

void RefuseImageFile(const char* tag, const MStr& fileName, const char* reason)
{
    if (MSystemManager* manager = GetSystemManager())
        manager->LogOutput("%s: '%s' not read: %s.", tag, fileName.c_str(), reason);
}

bool ReadImageFileHead(const MStr& fileName, uint8_t* head, size_t size)
{
    std::FILE* file = MFile::OpenRegular(MFile::NativePath(fileName));
    if (!file)
        return false;
    const size_t got = std::fread(head, 1, size, file);
    std::fclose(file);
    return got == size;
}

bool DecodeImageFile(const char* tag, const MStr& fileName, const std::vector<uint8_t>& file,
                     MImage* image, const MImageDecoder& decode)
{
    MImage decoded;
    const char* reason = "";
    if (!decode(file, decoded, reason))
    {
        RefuseImageFile(tag, fileName, reason);
        return false;
    }
    *image = std::move(decoded);
    return true;
}

bool DecodeImageData(const char* tag, const MStr& name, const uint8_t* data, size_t size,
                     MImage* image, const MImageDecoder& decode)
{
    if (!image || (!data && size))
        return false;
    try
    {
        return DecodeImageFile(tag, name, std::vector<uint8_t>(data, data + size), image, decode);
    }
    catch (const std::bad_alloc&)
    {
        RefuseImageFile(tag, name, "out of memory");
        return false;
    }
}

bool ImportImageFile(const char* tag, const MStr& fileName, MImage* image,
                     const MImageDecoder& decode)
{
    if (!image)
        return false;
    const MStr path = MFile::NativePath(fileName);
    try
    {
        std::vector<uint8_t> file;
        const MFileResult read = MFile::ReadWhole(path, file);
        if (!read)
        {
            RefuseImageFile(tag, path, read.reason.c_str());
            return false;
        }
        return DecodeImageFile(tag, path, file, image, decode);
    }
    catch (const std::bad_alloc&)
    {
        RefuseImageFile(tag, path, "out of memory");
        return false;
    }
}
