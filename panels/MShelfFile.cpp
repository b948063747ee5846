#include "MShelfFile.h"

#include "MFile.h"

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{
bool IsSeparator(char c)
{
    return c == '\r' || c == '\n' || c == ',' || c == '\0';
}

// Tries every spelling of parts[i..] under dir, the exact one first.
std::string FindParts(const fs::path& dir, const std::vector<std::string>& parts, size_t i,
                      bool folder)
{
    std::error_code ec;
    if (i == parts.size())
        return (folder ? fs::is_directory(dir, ec) : fs::is_regular_file(dir, ec)) ? dir.string()
                                                                                   : std::string();
    const std::string& part = parts[i];
    if (part == "." || part == "..")
        return FindParts(dir / part, parts, i + 1, folder);
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
        std::string found = FindParts(c, parts, i + 1, folder);
        if (!found.empty())
            return found;
    }
    return {};
}
} // namespace

void MShelfFile::Parse(std::string_view text)
{
    m_Title = MStr();
    m_Entries.clear();
    size_t p = 0;
    auto token = [&]
    {
        const size_t start = p;
        while (p < text.size() && !IsSeparator(text[p]))
            ++p;
        return MStr(std::string(text.substr(start, p - start)));
    };
    auto skip = [&]
    {
        while (p < text.size() && (IsSeparator(text[p]) || text[p] == ' '))
            ++p;
        return p < text.size();
    };
    m_Title = token();
    for (;;)
    {
        if (!skip())
            break;
        MStr action = token();
        if (!skip())
            break;
        MStr picture = token();
        m_Entries.push_back({std::move(action), std::move(picture)});
    }
}

int MShelfFile::Load(const MStr& path)
{
    std::string data;
    if (!MFile::ReadWhole(path, data, kMaxBytes))
    {
        Parse({});
        return 0;
    }
    Parse(data);
    return 1;
}

MStr FindFileNoCase(const MStr& name)
{
    return FindPathNoCase(name, false);
}

MStr FindPathNoCase(const MStr& name, bool folder)
{
    const std::string path = MFile::NativePath(name).str();
    if (path.empty())
        return MStr();
    std::error_code ec;
    if (folder ? fs::is_directory(path, ec) : fs::is_regular_file(path, ec))
        return MStr(path);
    std::vector<std::string> parts;
    for (size_t start = 0; start <= path.size();)
    {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    if (parts.empty())
        return MStr();
    return MStr(FindParts(path.front() == '/' ? fs::path("/") : fs::path("."), parts, 0, folder));
}
