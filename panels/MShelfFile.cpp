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
    // Parts are looked up from the root or the working folder; a relative
    // name may climb out of it with "..".
    const bool absolute = path.front() == '/';
    return MStr(
        MFile::FindNoCase(absolute ? "/" : ".", absolute ? path.substr(1) : path, folder, true));
}
