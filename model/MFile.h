#pragma once

#include "MStr.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// What a whole-file read or write came to.
enum MFileError : int
{
    MFILE_OK = 0,
    MFILE_NOT_FOUND,     // no such file, or a folder on the way is missing
    MFILE_ACCESS_DENIED, // the file or its folder may not be read or written
    MFILE_NOT_A_FILE,    // a folder or a device stands at the path
    MFILE_TOO_LARGE,     // the file is larger than the caller allows
    MFILE_READ_ERROR,    // the system failed while reading
    MFILE_WRITE_ERROR,   // the system failed while writing or replacing
};

// The outcome of an MFile call: a code and, on failure, a short reason in
// words ("No such file or directory") for the caller's log line.
struct MFileResult
{
    MFileError code = MFILE_OK;
    MStr reason;

    bool Ok() const { return code == MFILE_OK; }
    explicit operator bool() const { return Ok(); }
};

// Whole-file reading and writing.
//
// Reading also reaches into pk3 archives: a path whose folder part runs
// through an archive file ("baseq3/pak0.pk3/textures/a.tga") names the
// member of that archive, which is read as a file would be (MArchiveCache).
//
// Reads take the whole file into memory at once, refusing files larger than
// a cap, so a reader can check everything before it changes anything.
//
// Writes go to a temporary file in the target's folder, which is flushed to
// disk and then renamed over the target: the target is either the old file
// or the complete new one, never a torn mixture. A failed write removes the
// temporary file and leaves the old file as it was. A new file gets the
// usual permissions (0666 less the umask), a replaced one keeps its own; a
// symbolic link at the target is followed, so the file it names is replaced.
class MFile
{
  public:
    // The cap used when the caller names none.
    static constexpr size_t kDefaultMaxBytes = size_t(256) << 20;

    // Reads the whole file into data. On failure data is left as it was.
    static MFileResult ReadWhole(const MStr& path, std::vector<uint8_t>& data,
                                 size_t maxBytes = kDefaultMaxBytes);
    static MFileResult ReadWhole(const MStr& path, std::string& data,
                                 size_t maxBytes = kDefaultMaxBytes);

    // Writes data as the whole new content of the file at path.
    static MFileResult WriteWhole(const MStr& path, const void* data, size_t size);
    static MFileResult WriteWhole(const MStr& path, std::string_view data)
    {
        return WriteWhole(path, data.data(), data.size());
    }

    // True when a regular file (or an archive member) stands at the path.
    static bool Exists(const MStr& path);

    // Opens a regular file (or an archive member, read into memory) for
    // reading in binary mode; null for anything else, so a folder, a pipe or
    // a device is never read (or waited on).
    static std::FILE* OpenRegular(const MStr& path);

    // A name as this platform spells it: names written on other systems may
    // separate folders with '\'.
    static MStr NativePath(MStr name);

    // The path of an existing file (a folder, when folder is set) named rel
    // below base, each '/'-separated part of rel matched without regard to
    // case, the exact spelling first; empty when there is none. A ".." part
    // is followed only when parentAllowed is set.
    static std::string FindNoCase(const std::string& base, const std::string& rel, bool folder,
                                  bool parentAllowed);
};

// Matches a file name against a pattern with '*' and '?', without regard to case.
bool MatchFilePattern(std::string_view pattern, std::string_view name);
