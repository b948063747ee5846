#include "MStr.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace
{
inline unsigned char Lower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

int CompareNoCaseView(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i)
    {
        const int d =
            Lower(static_cast<unsigned char>(a[i])) - Lower(static_cast<unsigned char>(b[i]));
        if (d != 0)
            return d;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}
} // namespace

size_t MStrHashNoCase::operator()(std::string_view s) const
{
    // FNV-1a over the lowered bytes.
    size_t h = 1469598103934665603ull;
    for (char c : s)
    {
        h ^= Lower(static_cast<unsigned char>(c));
        h *= 1099511628211ull;
    }
    return h;
}

bool MStrEqualNoCase::operator()(std::string_view a, std::string_view b) const
{
    return EqualsNoCase(a, b);
}

int MStr::CompareNoCase(const MStr& o) const
{
    return CompareNoCaseView(m_s, o.m_s);
}

int MStr::CompareNoCase(const char* o) const
{
    return CompareNoCaseView(m_s, o ? o : "");
}

MStr MStr::Left(int n) const
{
    if (n <= 0)
        return MStr();
    if (n >= GetLength())
        return *this;
    return MStr(m_s.substr(0, static_cast<size_t>(n)));
}

MStr MStr::Right(int n) const
{
    if (n <= 0)
        return MStr();
    if (n >= GetLength())
        return *this;
    return MStr(m_s.substr(m_s.size() - static_cast<size_t>(n)));
}

MStr MStr::Mid(int start, int n) const
{
    if (start < 0)
        start = 0;
    if (start >= GetLength())
        return MStr();
    const size_t avail = m_s.size() - static_cast<size_t>(start);
    const size_t count = (n < 0 || static_cast<size_t>(n) > avail) ? avail : static_cast<size_t>(n);
    return MStr(m_s.substr(static_cast<size_t>(start), count));
}

int MStr::Replace(const char* from, const char* to)
{
    if (!from || !*from)
        return 0;
    const std::string f(from), t(to ? to : "");
    int count = 0;
    size_t pos = 0;
    while ((pos = m_s.find(f, pos)) != std::string::npos)
    {
        m_s.replace(pos, f.size(), t);
        pos += t.size();
        ++count;
    }
    return count;
}

int MStr::Replace(char from, char to)
{
    int count = 0;
    for (char& c : m_s)
    {
        if (c == from)
        {
            c = to;
            ++count;
        }
    }
    return count;
}

void MStr::SplitPath(MStr* drive, MStr* dir, MStr* fname, MStr* ext) const
{
    std::string_view rest(m_s);
    std::string_view drv;
    if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0])))
    {
        drv = rest.substr(0, 2);
        rest.remove_prefix(2);
    }
    const size_t slash = rest.find_last_of("/\\");
    std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : rest.substr(0, slash + 1);
    std::string_view file = slash == std::string_view::npos ? rest : rest.substr(slash + 1);
    const size_t dot = file.find_last_of('.');
    std::string_view title = dot == std::string_view::npos ? file : file.substr(0, dot);
    std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : file.substr(dot);
    if (drive)
        *drive = MStr(drv);
    if (dir)
        *dir = MStr(folder);
    if (fname)
        *fname = MStr(title);
    if (ext)
        *ext = MStr(extension);
}

void MStr::ToLower()
{
    for (char& c : m_s)
        c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
}

void MStr::ToUpper()
{
    for (char& c : m_s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

MStr MStr::Lowered() const
{
    MStr copy(*this);
    copy.ToLower();
    return copy;
}

int MStr::ToInt() const
{
    return static_cast<int>(std::strtol(m_s.c_str(), nullptr, 10));
}

double MStr::ToDouble() const
{
    return std::strtod(m_s.c_str(), nullptr);
}

void MStr::Trim()
{
    const char* ws = " \t\r\n\v\f";
    const size_t b = m_s.find_first_not_of(ws);
    if (b == std::string::npos)
    {
        m_s.clear();
        return;
    }
    const size_t e = m_s.find_last_not_of(ws);
    m_s = m_s.substr(b, e - b + 1);
}

int MStr::FormatV(const char* fmt, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0)
    {
        m_s.clear();
        return 0;
    }
    if (static_cast<size_t>(n) < sizeof small)
    {
        m_s.assign(small, static_cast<size_t>(n));
        return n;
    }
    m_s.resize(static_cast<size_t>(n));
    std::vsnprintf(m_s.data(), static_cast<size_t>(n) + 1, fmt, args);
    return n;
}

int MStr::Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    const int n = FormatV(fmt, args);
    va_end(args);
    return n;
}

MStr MStr::Printf(const char* fmt, ...)
{
    MStr s;
    va_list args;
    va_start(args, fmt);
    s.FormatV(fmt, args);
    va_end(args);
    return s;
}
