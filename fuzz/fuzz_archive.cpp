// The pk3 archive reader under arbitrary bytes: the table of contents is
// indexed, every member is looked up by its own name and read.
#include "FuzzImageTranslator.h"
#include "MArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string reason;
    std::unique_ptr<MArchive> archive = MArchive::OpenMemory(data, size, "fuzz input", reason);
    if (!archive)
        return 0;
    unsigned sum = 0;
    for (int64_t i = 0; i < int64_t(archive->GetMemberCount()) + 2; ++i)
    {
        const int64_t member = archive->Find(archive->GetMemberName(i));
        std::vector<uint8_t> bytes;
        if (archive->Read(member, bytes, size_t(1) << 24))
            for (uint8_t b : bytes)
                sum += b;
    }
    fuzzimage::g_Checksum = sum;
    return 0;
}
