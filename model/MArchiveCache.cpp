#include "MArchiveCache.h"

#include "MStr.h"
#include "MSystemManager.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{
bool EndsWithNoCase(std::string_view name, std::string_view ending)
{
    return name.size() > ending.size() &&
           EqualsNoCase(name.substr(name.size() - ending.size()), ending);
}

// Name order without regard to case, as the game loads archives; names that
// differ only in case keep byte order between them.
bool NameOrder(const std::string& a, const std::string& b)
{
    const std::string fa = MArchive::FoldName(a), fb = MArchive::FoldName(b);
    return fa != fb ? fa < fb : a < b;
}
} // namespace

MArchiveCache& MArchiveCache::Instance()
{
    static MArchiveCache cache;
    return cache;
}

bool MArchiveCache::IsArchiveName(std::string_view name)
{
    return EndsWithNoCase(name, ".pk3");
}

bool MArchiveCache::IsArchiveFolderName(std::string_view name)
{
    return EndsWithNoCase(name, ".pk3dir");
}

MArchiveCache::Stamp MArchiveCache::StampOf(const std::string& path)
{
    struct stat st = {};
    Stamp s;
    if (::stat(path.c_str(), &st) != 0)
        return s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = S_ISREG(st.st_mode) ? (unsigned long long)st.st_size : 0;
    s.mtimeNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    return s;
}

MArchive* MArchiveCache::Get(const std::string& path)
{
    const auto now = std::chrono::steady_clock::now();
    auto [it, inserted] = m_Archives.try_emplace(path);
    ArchiveEntry& entry = it->second;
    if (!inserted && now - entry.checked < kRecheck)
        return entry.archive.get();
    entry.checked = now;
    const Stamp stamp = StampOf(path);
    if (!inserted && stamp == entry.stamp)
        return entry.archive.get();
    entry.stamp = stamp;
    entry.archive.reset();
    if (!stamp.exists)
        return nullptr;
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    std::string reason;
    entry.archive = MArchive::Open(path, reason);
    if (!entry.archive)
    {
        if (MSystemManager* sys = GetSystemManager())
            sys->LogOutput("Archive '%s' skipped: %s.", path.c_str(), reason.c_str());
    }
    return entry.archive.get();
}

const MArchiveCache::FolderContents& MArchiveCache::GetFolder(const std::string& folder)
{
    const auto now = std::chrono::steady_clock::now();
    auto [it, inserted] = m_Folders.try_emplace(folder);
    FolderEntry& entry = it->second;
    if (!inserted && now - entry.checked < kRecheck)
        return entry.contents;
    entry.checked = now;
    const Stamp stamp = StampOf(folder);
    if (!inserted && stamp == entry.stamp)
        return entry.contents;
    entry.stamp = stamp;
    entry.contents = FolderContents();
    std::error_code ec;
    for (fs::directory_iterator d(folder, ec), end; !ec && d != end; d.increment(ec))
    {
        const std::string name = d->path().filename().string();
        std::error_code kind;
        if (IsArchiveName(name) && d->is_regular_file(kind))
            entry.contents.archives.push_back(d->path().string());
        else if (IsArchiveFolderName(name) && d->is_directory(kind))
            entry.contents.folders.push_back(d->path().string());
    }
    std::sort(entry.contents.archives.begin(), entry.contents.archives.end(), NameOrder);
    std::sort(entry.contents.folders.begin(), entry.contents.folders.end(), NameOrder);
    return entry.contents;
}

bool MArchiveCache::SplitMemberPath(const std::string& path, std::string& archive,
                                    std::string& member)
{
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1))
    {
        const std::string_view prefix(path.data(), slash);
        if (!IsArchiveName(prefix))
            continue;
        struct stat st = {};
        const std::string candidate(prefix);
        if (::stat(candidate.c_str(), &st) != 0)
            return false;
        if (!S_ISREG(st.st_mode))
            continue;
        archive = candidate;
        member = path.substr(slash + 1);
        return !member.empty();
    }
    return false;
}

bool MArchiveCache::FindMember(const std::string& path, MArchive*& archive, int64_t& member)
{
    std::string archivePath, name;
    if (!SplitMemberPath(path, archivePath, name))
        return false;
    archive = Get(archivePath);
    member = archive ? archive->Find(name) : -1;
    return member >= 0;
}

void MArchiveCache::Clear()
{
    m_Archives.clear();
    m_Folders.clear();
}
