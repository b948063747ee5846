#pragma once

#include "MFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct zip;
struct libdeflate_decompressor;

// One pk3 archive (a zip file) opened for reading. Its table of contents is
// read once and indexed by name folded to lower case with '/' separators, so
// a look-up costs the same however many members the archive holds.
//
// Members that claim to be larger than the bound, and members found damaged
// when read (a failed checksum, data cut short), are left out of the index;
// each is logged once, naming the archive and the member.
class MArchive
{
  public:
    // The largest member read.
    static constexpr uint64_t kMaxMemberBytes = MFile::kDefaultMaxBytes;

    // Opens and indexes the archive; null, with the reason, when the file
    // cannot be read as an archive (missing, not a zip file, damaged).
    static std::unique_ptr<MArchive> Open(const std::string& path, std::string& reason);
    // Opens an archive held in memory; `name` stands for it in messages. The
    // bytes are not copied and must outlive the archive.
    static std::unique_ptr<MArchive> OpenMemory(const uint8_t* data, size_t size,
                                                const std::string& name, std::string& reason);
    ~MArchive();
    MArchive(const MArchive&) = delete;
    MArchive& operator=(const MArchive&) = delete;

    // The member bearing a name (without regard to case, '\' or '/' between
    // folders), or -1.
    int64_t Find(std::string_view name) const;
    // The member's name as the archive spells it.
    const std::string& GetMemberName(int64_t member) const;
    size_t GetMemberCount() const { return m_Index.size(); }
    const std::string& GetPath() const { return m_Path; }

    // Reads a whole member; on failure data is left as it was. A damaged
    // member is logged and leaves the index. The last member read is kept,
    // so the content checks of the image translators and the import that
    // follows them unpack it once.
    MFileResult Read(int64_t member, std::vector<uint8_t>& data, size_t maxBytes = kMaxMemberBytes);

    // A name folded as the index keeps it.
    static std::string FoldName(std::string_view name);

  private:
    struct Member
    {
        std::string name;
        uint64_t zipIndex;
        uint64_t size;
        uint64_t packedSize;
        uint32_t crc;
        bool plainDeflate; // deflated, not encrypted, sizes and checksum known
    };
    MArchive() = default;
    // Indexes an opened zip, which the archive then owns.
    static std::unique_ptr<MArchive> Index(zip* z, const std::string& path, std::string& reason);
    void Skip(int64_t member, const char* why);
    // Reads a plainly deflated member whole and unpacks it in one step; the
    // reason on failure, empty on success.
    std::string ReadDeflated(const Member& m, std::vector<uint8_t>& out);
    // Keeps a copy of the member just read.
    void Keep(int64_t member, const std::vector<uint8_t>& data);
    // Ends a read: a reason skips the member, otherwise the bytes read are
    // kept as the last member and handed over.
    MFileResult Finish(int64_t member, const std::string& why, std::vector<uint8_t>& buffer,
                       std::vector<uint8_t>& data);

    std::string m_Path;
    zip* m_Zip = nullptr;
    libdeflate_decompressor* m_Inflater = nullptr;
    std::vector<Member> m_Members;
    std::unordered_map<std::string, int64_t> m_Index;
    int64_t m_LastMember = -1;
    std::vector<uint8_t> m_LastData;
    static constexpr size_t kMaxKeptBytes = size_t(16) << 20;
};
