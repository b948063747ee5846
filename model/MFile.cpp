#include "MFile.h"

#include "MArchiveCache.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits.h>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace
{
MFileResult Failure(MFileError code, MStr reason)
{
    return MFileResult{code, std::move(reason)};
}

MFileError CodeForErrno(int err, MFileError otherwise)
{
    switch (err)
    {
    case ENOENT:
    case ENOTDIR:
        return MFILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return MFILE_ACCESS_DENIED;
    case EISDIR:
        return MFILE_NOT_A_FILE;
    default:
        return otherwise;
    }
}

MFileResult FromErrno(int err, MFileError otherwise)
{
    return Failure(CodeForErrno(err, otherwise), std::strerror(err));
}

// Closes a descriptor when it goes out of scope.
struct Fd
{
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int Release()
    {
        const int f = fd;
        fd = -1;
        return f;
    }
};

// Reads a member of a pk3 archive named by the archive's path and the
// member's name. False when the path names no archive member.
template <class Buffer>
bool ReadMember(const MStr& path, Buffer& data, size_t maxBytes, MFileResult& result)
{
    MArchive* archive = nullptr;
    int64_t member = -1;
    if (!MArchiveCache::Instance().FindMember(path.str(), archive, member))
        return false;
    std::vector<uint8_t> bytes;
    result = archive->Read(member, bytes, maxBytes);
    if (!result)
        return true;
    if constexpr (std::is_same_v<Buffer, std::vector<uint8_t>>)
        data.swap(bytes);
    else
        data.assign(bytes.begin(), bytes.end());
    return true;
}

template <class Buffer> MFileResult ReadInto(const MStr& path, Buffer& data, size_t maxBytes)
{
    if (path.IsEmpty())
        return Failure(MFILE_NOT_FOUND, "no file name was given");
    // One byte beyond the cap must be countable.
    maxBytes = std::min(maxBytes, std::numeric_limits<size_t>::max() - 1);
    Fd file;
    do
        file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
    {
        // A file standing where a folder should be may be an archive.
        const int err = errno;
        MFileResult member;
        if (err == ENOTDIR && ReadMember(path, data, maxBytes, member))
            return member;
        return FromErrno(err, MFILE_READ_ERROR);
    }
    struct stat st = {};
    if (::fstat(file.fd, &st) != 0)
        return FromErrno(errno, MFILE_READ_ERROR);
    if (S_ISDIR(st.st_mode))
        return Failure(MFILE_NOT_A_FILE, "it is a folder, not a file");
    if (!S_ISREG(st.st_mode))
        return Failure(MFILE_NOT_A_FILE, "it is not a regular file");
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxBytes)
        return Failure(MFILE_TOO_LARGE,
                       MStr::Printf("it is larger than the %zu bytes allowed", maxBytes));

    // The size is only a hint: the file may change while it is read, and some
    // files report no size at all. Read until the end, never beyond the cap.
    Buffer buffer;
    buffer.resize(static_cast<size_t>(st.st_size) + 1);
    size_t used = 0;
    for (;;)
    {
        if (used == buffer.size())
        {
            if (used > maxBytes)
                break;
            buffer.resize(std::min(maxBytes + 1, used < 4096 ? 4096 : used * 2));
        }
        const ssize_t n = ::read(file.fd, buffer.data() + used, buffer.size() - used);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return FromErrno(errno, MFILE_READ_ERROR);
        }
        if (n == 0)
            break;
        used += static_cast<size_t>(n);
    }
    if (used > maxBytes)
        return Failure(MFILE_TOO_LARGE,
                       MStr::Printf("it is larger than the %zu bytes allowed", maxBytes));
    buffer.resize(used);
    data.swap(buffer);
    return {};
}

// The file a write replaces: the target itself, or what a symbolic link at
// the target finally names, so a link is not replaced by a plain file.
std::string ResolveTarget(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat st = {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string link(static_cast<size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size())
            return current;
        link.resize(static_cast<size_t>(n));
        if (link.front() != '/')
        {
            const size_t slash = current.rfind('/');
            if (slash != std::string::npos)
                link = current.substr(0, slash + 1) + link;
        }
        current = link;
    }
    return current;
}
} // namespace

MFileResult MFile::ReadWhole(const MStr& path, std::vector<uint8_t>& data, size_t maxBytes)
{
    return ReadInto(path, data, maxBytes);
}

MFileResult MFile::ReadWhole(const MStr& path, std::string& data, size_t maxBytes)
{
    return ReadInto(path, data, maxBytes);
}

bool MFile::Exists(const MStr& path)
{
    if (path.IsEmpty())
        return false;
    struct stat st = {};
    if (::stat(path.c_str(), &st) == 0)
        return S_ISREG(st.st_mode);
    MArchive* archive = nullptr;
    int64_t member = -1;
    return errno == ENOTDIR && MArchiveCache::Instance().FindMember(path.str(), archive, member);
}

namespace
{
// An archive member's bytes behind a stdio stream, for readers that want one.
struct MemoryStream
{
    std::vector<uint8_t> data;
    size_t pos = 0;

    static ssize_t Read(void* cookie, char* buffer, size_t size)
    {
        auto* s = static_cast<MemoryStream*>(cookie);
        const size_t n = std::min(size, s->data.size() - s->pos);
        std::memcpy(buffer, s->data.data() + s->pos, n);
        s->pos += n;
        return ssize_t(n);
    }
    static int Seek(void* cookie, off64_t* offset, int whence)
    {
        auto* s = static_cast<MemoryStream*>(cookie);
        const long long base = whence == SEEK_SET   ? 0
                               : whence == SEEK_CUR ? (long long)s->pos
                                                    : (long long)s->data.size();
        const long long to = base + *offset;
        if (whence < SEEK_SET || whence > SEEK_END || to < 0 || to > (long long)s->data.size())
            return -1;
        s->pos = size_t(to);
        *offset = to;
        return 0;
    }
    static int Close(void* cookie)
    {
        delete static_cast<MemoryStream*>(cookie);
        return 0;
    }
};

std::FILE* OpenMember(const MStr& path)
{
    auto stream = std::make_unique<MemoryStream>();
    MFileResult result;
    if (!ReadMember(path, stream->data, MFile::kDefaultMaxBytes, result) || !result)
        return nullptr;
    cookie_io_functions_t io = {&MemoryStream::Read, nullptr, &MemoryStream::Seek,
                                &MemoryStream::Close};
    std::FILE* file = ::fopencookie(stream.get(), "rb", io);
    if (file)
        stream.release();
    return file;
}
} // namespace

MFileResult MFile::WriteWhole(const MStr& path, const void* data, size_t size)
{
    if (path.IsEmpty())
        return Failure(MFILE_NOT_FOUND, "no file name was given");
    if (size > 0 && !data)
        return Failure(MFILE_WRITE_ERROR, "there is no data to write");
    const std::string target = ResolveTarget(path.str());

    struct stat old = {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return Failure(MFILE_NOT_A_FILE, "a folder stands at that name");
    if (replacing && !S_ISREG(old.st_mode))
        return Failure(MFILE_NOT_A_FILE, "it is not a regular file");

    // A name beside the target that no one else uses.
    static std::atomic<unsigned> counter{0};
    std::string temp;
    Fd file;
    for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt)
    {
        temp = target + MStr::Printf(".tmp-%ld-%u", static_cast<long>(::getpid()), counter++).str();
        file.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (file.fd < 0 && errno != EEXIST && errno != EINTR)
            return FromErrno(errno, MFILE_WRITE_ERROR);
    }
    if (file.fd < 0)
        return Failure(MFILE_WRITE_ERROR, "no temporary file could be made beside it");

    auto fail = [&](int err)
    {
        ::close(file.Release());
        ::unlink(temp.c_str());
        return FromErrno(err, MFILE_WRITE_ERROR);
    };

    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size)
    {
        const ssize_t n = ::write(file.fd, bytes + done, size - done);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            return fail(EIO);
        done += static_cast<size_t>(n);
    }
    if (replacing && ::fchmod(file.fd, old.st_mode & 07777) != 0)
        return fail(errno);
    if (::fsync(file.fd) != 0)
        return fail(errno);
    // close can report a deferred write error (on network file systems).
    if (::close(file.Release()) != 0)
    {
        const int err = errno;
        ::unlink(temp.c_str());
        return FromErrno(err, MFILE_WRITE_ERROR);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0)
    {
        const int err = errno;
        ::unlink(temp.c_str());
        return FromErrno(err, MFILE_WRITE_ERROR);
    }
    return {};
}

std::FILE* MFile::OpenRegular(const MStr& path)
{
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == ENOTDIR ? OpenMember(path) : nullptr;
    struct stat st = {};
    std::FILE* file = nullptr;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

MStr MFile::NativePath(MStr name)
{
    name.Replace('\\', '/');
    return name;
}

bool MatchFilePattern(std::string_view pattern, std::string_view name)
{
    // Iterative wildcard match with one backtrack point for the last '*'.
    size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
    while (n < name.size())
    {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n])))
        {
            ++p;
            ++n;
        }
        else if (p < pattern.size() && pattern[p] == '*')
        {
            star = p++;
            mark = n;
        }
        else if (star != std::string_view::npos)
        {
            p = star + 1;
            n = ++mark;
        }
        else
            return false;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

namespace
{
// Finds parts[i..] below dir, each matched without regard to case. A folder
// may hold several names that differ only in case ("Textures" and
// "textures"), so every match is tried, the exact one first.
std::string FindPartsNoCase(const std::filesystem::path& dir, const std::vector<std::string>& parts,
                            size_t i, bool folder, bool parentAllowed)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (i == parts.size())
        return (folder ? fs::is_directory(dir, ec) : fs::is_regular_file(dir, ec)) ? dir.string()
                                                                                   : std::string();
    const std::string& part = parts[i];
    if (part == ".")
        return FindPartsNoCase(dir, parts, i + 1, folder, parentAllowed);
    if (part == "..")
        return parentAllowed ? FindPartsNoCase(dir / part, parts, i + 1, folder, parentAllowed)
                             : std::string();
    std::vector<fs::path> candidates;
    if (fs::exists(dir / part, ec))
        candidates.push_back(dir / part);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    {
        const std::string name = it->path().filename().string();
        if (name != part && EqualsNoCase(name, part))
            candidates.push_back(it->path());
    }
    for (const fs::path& c : candidates)
    {
        std::string found = FindPartsNoCase(c, parts, i + 1, folder, parentAllowed);
        if (!found.empty())
            return found;
    }
    return {};
}
} // namespace

std::string MFile::FindNoCase(const std::string& base, const std::string& rel, bool folder,
                              bool parentAllowed)
{
    std::error_code ec;
    const std::filesystem::path exact = std::filesystem::path(base) / rel;
    if (folder ? std::filesystem::is_directory(exact, ec)
               : std::filesystem::is_regular_file(exact, ec))
        return exact.string();
    std::vector<std::string> parts;
    for (size_t start = 0; start <= rel.size();)
    {
        size_t slash = rel.find('/', start);
        if (slash == std::string::npos)
            slash = rel.size();
        if (slash > start)
            parts.push_back(rel.substr(start, slash - start));
        start = slash + 1;
    }
    return parts.empty() ? std::string() : FindPartsNoCase(base, parts, 0, folder, parentAllowed);
}
