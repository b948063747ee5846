#include "MLogFile.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace
{
// Keeps the newer half of a file that has grown past its limit, cut at a line
// start so no line is left half.
void Trim(const fs::path& path, long limit)
{
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    if (ec || static_cast<long>(size) <= limit)
        return;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return;
    in.seekg(static_cast<std::streamoff>(size) - limit / 2);
    std::string tail((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    size_t start = tail.find('\n');
    tail.erase(0, start == std::string::npos ? tail.size() : start + 1);
    fs::path temp = path;
    temp += ".trim";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return;
        out << tail;
        if (!out.flush())
        {
            out.close();
            fs::remove(temp, ec);
            return;
        }
    }
    fs::rename(temp, path, ec);
    if (ec)
        fs::remove(temp, ec);
}
} // namespace

bool MLogFile::Open(const std::string& path, long limitBytes)
{
    Close();
    if (path.empty())
        return false;
    fs::path p(path);
    std::error_code ec;
    if (p.has_parent_path())
        fs::create_directories(p.parent_path(), ec);
    Trim(p, limitBytes);
    m_File = std::fopen(path.c_str(), "a");
    if (!m_File)
        return false;
    m_Path = path;
    m_Limit = limitBytes;
    std::time_t now = std::time(nullptr);
    char stamp[64] = "";
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    std::fprintf(m_File, "---- Glazen started %s ----\n", stamp);
    std::fflush(m_File);
    return true;
}

void MLogFile::Close()
{
    if (m_File)
    {
        std::fclose(m_File);
        m_File = nullptr;
    }
}

void MLogFile::WriteLine(const char* line)
{
    if (!m_File)
        return;
    std::fputs(line, m_File);
    std::fputc('\n', m_File);
    // Each line goes out at once, so a crash keeps what led up to it.
    std::fflush(m_File);
    if (std::ftell(m_File) > m_Limit)
    {
        std::fclose(m_File);
        Trim(m_Path, m_Limit);
        m_File = std::fopen(m_Path.c_str(), "a");
    }
}

std::string MLogFile::DefaultPath()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base;
    if (state && *state)
        base = state;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".local" / "state";
    else
        return {};
    return (base / "glazen" / "glazen.log").string();
}
