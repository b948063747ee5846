#include "MShaderLexer.h"

#include <algorithm>

namespace
{
inline bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
} // namespace

MShaderLexer::MShaderLexer(std::string text) : m_Text(std::move(text))
{
    if (m_Text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        m_Pos = 3;
}

void MShaderLexer::SkipSpaceAndComments()
{
    const size_t n = m_Text.size();
    while (m_Pos < n)
    {
        const char c = m_Text[m_Pos];
        if (IsSpace(c))
        {
            ++m_Pos;
            continue;
        }
        if (c == '/' && m_Pos + 1 < n && m_Text[m_Pos + 1] == '/')
        {
            const size_t eol = m_Text.find('\n', m_Pos);
            m_Pos = eol == std::string::npos ? n : eol + 1;
            continue;
        }
        if (c == '/' && m_Pos + 1 < n && m_Text[m_Pos + 1] == '*')
        {
            const size_t close = m_Text.find("*/", m_Pos + 2);
            m_Pos = close == std::string::npos ? n : close + 2;
            continue;
        }
        break;
    }
}

size_t MShaderLexer::WordEnd(size_t start) const
{
    if (start < m_Text.size() && m_Text[start] == '"')
    {
        // A quoted word runs to the closing quote on its line; without one
        // the quote is an ordinary character.
        const size_t close = m_Text.find_first_of("\"\n", start + 1);
        if (close != std::string::npos && m_Text[close] == '"')
            return close + 1;
    }
    size_t e = start;
    while (e < m_Text.size() && !IsSpace(m_Text[e]))
        ++e;
    return e;
}

bool MShaderLexer::ReadWord(MStr& word)
{
    SkipSpaceAndComments();
    if (m_Pos >= m_Text.size())
    {
        word = "";
        return false;
    }
    const size_t end = WordEnd(m_Pos);
    m_LastQuoted = m_Text[m_Pos] == '"' && end - m_Pos >= 2 && m_Text[end - 1] == '"';
    if (m_LastQuoted)
        word.str().assign(m_Text, m_Pos + 1, end - m_Pos - 2);
    else
        word.str().assign(m_Text, m_Pos, end - m_Pos);
    m_LastWordStart = m_Pos;
    m_Pos = end;
    m_LastWordEnd = end;
    return true;
}

bool MShaderLexer::AtEnd()
{
    SkipSpaceAndComments();
    return m_Pos >= m_Text.size();
}

bool MShaderLexer::LastIsBrace(char c) const
{
    return !m_LastQuoted && m_LastWordEnd == m_LastWordStart + 1 &&
           m_LastWordStart < m_Text.size() && m_Text[m_LastWordStart] == c;
}

bool MShaderLexer::NextIsCloseBrace()
{
    SkipSpaceAndComments();
    return m_Pos < m_Text.size() && m_Text[m_Pos] == '}' && WordEnd(m_Pos) == m_Pos + 1;
}

bool MShaderLexer::NextIsBrace()
{
    SkipSpaceAndComments();
    return m_Pos < m_Text.size() && (m_Text[m_Pos] == '}' || m_Text[m_Pos] == '{') &&
           WordEnd(m_Pos) == m_Pos + 1;
}

bool MShaderLexer::ReadChar(char c)
{
    SkipSpaceAndComments();
    if (m_Pos < m_Text.size() && m_Text[m_Pos] == c)
    {
        ++m_Pos;
        m_LastWordEnd = m_Pos;
        return true;
    }
    return false;
}

size_t MShaderLexer::NextWordStartOnLine(size_t pos) const
{
    const size_t n = m_Text.size();
    while (pos < n)
    {
        const char c = m_Text[pos];
        if (c == '\n')
            return std::string::npos;
        if (IsSpace(c))
        {
            ++pos;
            continue;
        }
        if (c == '/' && pos + 1 < n && m_Text[pos + 1] == '/')
            return std::string::npos;
        if (c == '/' && pos + 1 < n && m_Text[pos + 1] == '*')
        {
            const size_t close = m_Text.find("*/", pos + 2);
            if (close == std::string::npos || m_Text.find('\n', pos) < close)
                return std::string::npos;
            pos = close + 2;
            continue;
        }
        return pos;
    }
    return std::string::npos;
}

bool MShaderLexer::NextWordOnSameLine()
{
    // Only meaningful right after a word: the reader has not moved past the
    // white space that follows it.
    return m_Pos == m_LastWordEnd && NextWordStartOnLine(m_Pos) != std::string::npos;
}

MStr MShaderLexer::RestOfLine()
{
    if (m_Pos != m_LastWordEnd)
        return MStr();
    size_t first = std::string::npos, last = m_Pos;
    for (size_t start = NextWordStartOnLine(m_Pos); start != std::string::npos;
         start = NextWordStartOnLine(last))
    {
        const size_t end = WordEnd(start);
        if (end - start == 1 && (m_Text[start] == '}' || m_Text[start] == '{'))
            break;
        if (first == std::string::npos)
            first = start;
        last = end;
    }
    if (first == std::string::npos)
        return MStr();
    m_Pos = last;
    m_LastWordEnd = last;
    return MStr(std::string_view(m_Text).substr(first, last - first));
}

int MShaderLexer::LineOf(size_t pos) const
{
    pos = std::min(pos, m_Text.size());
    return 1 + static_cast<int>(
                   std::count(m_Text.begin(), m_Text.begin() + static_cast<long>(pos), '\n'));
}

MStr MShaderLexer::TextBetween(size_t from, size_t to) const
{
    to = std::min(to, m_Text.size());
    std::string out;
    bool blank = false;
    for (size_t i = from; i < to; ++i)
    {
        if (IsSpace(m_Text[i]))
            blank = !out.empty();
        else
        {
            if (blank)
                out += ' ';
            blank = false;
            out += m_Text[i];
        }
    }
    return MStr(std::move(out));
}
