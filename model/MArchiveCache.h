#pragma once

#include "MArchive.h"

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The pk3 archives and .pk3dir folders of the image search places, as the
// file service and the image search see them. Each archive is opened and
// indexed once and kept open; a folder's list of archives is read once. Both
// are looked at again on disk at most once a second, so an archive that is
// replaced, added or removed is noticed without a file system call on every
// look-up.
//
// A member of an archive is named by the archive's path followed by the
// member's name: "baseq3/pak0.pk3/textures/base_wall/a.tga". MFile reads
// such names as it reads files.
//
// Used from one thread only.
class MArchiveCache
{
  public:
    static MArchiveCache& Instance();

    // The archive at a path, or null when it cannot be read (logged once
    // until the file changes).
    MArchive* Get(const std::string& path);

    // What a folder holds for the image search: its .pk3 files and .pk3dir
    // folders (full paths), each in name order without regard to case.
    struct FolderContents
    {
        std::vector<std::string> archives;
        std::vector<std::string> folders;
    };
    const FolderContents& GetFolder(const std::string& folder);

    // Splits an archive member's path into the archive's path and the name
    // inside it; false when no folder on the way is an archive file.
    static bool SplitMemberPath(const std::string& path, std::string& archive, std::string& member);
    // The archive and member a member's path names; false when it names none.
    bool FindMember(const std::string& path, MArchive*& archive, int64_t& member);

    // True for a name ending in ".pk3" or ".pk3dir" (without regard to case).
    static bool IsArchiveName(std::string_view name);
    static bool IsArchiveFolderName(std::string_view name);

    // Forgets every archive and folder (closing the archives).
    void Clear();

    static constexpr std::chrono::milliseconds kRecheck{1000};

  private:
    // What the file looked like when it was opened.
    struct Stamp
    {
        unsigned long long device = 0, inode = 0, size = 0;
        long long mtimeNs = 0;
        bool exists = false;
        bool operator==(const Stamp&) const = default;
    };
    struct ArchiveEntry
    {
        Stamp stamp;
        std::chrono::steady_clock::time_point checked;
        std::unique_ptr<MArchive> archive; // null when it could not be read
    };
    struct FolderEntry
    {
        Stamp stamp;
        std::chrono::steady_clock::time_point checked;
        FolderContents contents;
    };
    static Stamp StampOf(const std::string& path);

    std::unordered_map<std::string, ArchiveEntry> m_Archives;
    std::unordered_map<std::string, FolderEntry> m_Folders;
};
