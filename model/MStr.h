#pragma once

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

// The model's text type: a thin value wrapper over std::string with the
// operations the editor and the translators are written against.
class MStr
{
  public:
    MStr() = default;
    MStr(const char* s) : m_s(s ? s : "") {}
    MStr(std::string s) : m_s(std::move(s)) {}
    MStr(std::string_view s) : m_s(s) {}
    MStr(const char* s, size_t n) : m_s(s, n) {}

    MStr& operator=(const char* s)
    {
        m_s = s ? s : "";
        return *this;
    }
    MStr operator+(const MStr& o) const { return MStr(m_s + o.m_s); }
    MStr operator+(const char* o) const { return MStr(m_s + (o ? o : "")); }
    MStr& operator+=(const MStr& o)
    {
        m_s += o.m_s;
        return *this;
    }
    MStr& operator+=(const char* o)
    {
        if (o)
            m_s += o;
        return *this;
    }
    MStr& operator+=(char c)
    {
        m_s += c;
        return *this;
    }
    bool operator==(const MStr& o) const { return m_s == o.m_s; }
    bool operator==(const char* o) const { return m_s == (o ? o : ""); }
    bool operator<(const MStr& o) const { return m_s < o.m_s; }

    // 0 when both texts are equal without regard to (ASCII) case; otherwise
    // negative or positive like strcmp.
    int CompareNoCase(const MStr& o) const;
    int CompareNoCase(const char* o) const;
    bool EqualsNoCase(std::string_view o) const;

    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    // The first n characters; n is clamped to [0, length].
    MStr Left(int n) const;
    MStr Right(int n) const;
    MStr Mid(int start, int n = -1) const;
    // Replaces every occurrence of `from` (non-empty) by `to`; returns the count.
    int Replace(const char* from, const char* to);
    int Replace(char from, char to);
    // Splits a path into drive, folder (with its trailing separator), file
    // title and extension (with its dot). Both '/' and '\' separate folders.
    // Any output may be null.
    void SplitPath(MStr* drive, MStr* dir, MStr* fname, MStr* ext) const;
    void ToLower();
    void ToUpper();
    MStr Lowered() const;
    // The leading decimal integer (strtol rules), 0 when there is none.
    int ToInt() const;
    double ToDouble() const;
    void Trim();

    // printf-style formatting into this text; returns the length.
    int Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    int FormatV(const char* fmt, va_list args);
    static MStr Printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

    const char* c_str() const { return m_s.c_str(); }
    const std::string& str() const { return m_s; }
    std::string& str() { return m_s; }
    operator std::string_view() const { return m_s; }

  private:
    std::string m_s;
};

struct MStrHashNoCase
{
    size_t operator()(std::string_view s) const;
};
struct MStrEqualNoCase
{
    bool operator()(std::string_view a, std::string_view b) const;
};

// True when both texts are equal without regard to (ASCII) case. Inline and
// length-first: readers test every word against keyword tables with it.
inline bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
    {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y)
        {
            x = (x >= 'A' && x <= 'Z') ? static_cast<unsigned char>(x + 32) : x;
            y = (y >= 'A' && y <= 'Z') ? static_cast<unsigned char>(y + 32) : y;
            if (x != y)
                return false;
        }
    }
    return true;
}

inline bool MStr::EqualsNoCase(std::string_view o) const
{
    return ::EqualsNoCase(m_s, o);
}

// The value of a hexadecimal digit, or -1 for any other character.
inline int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
