#include "MScriptInterpreter.h"

#include "MFile.h"
#include "MSystemManager.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace
{
constexpr size_t kInitialSlots = 64;
constexpr size_t kMaxNameLength = 255;
constexpr size_t kMaxScriptFileBytes = size_t(16) << 20;
// Damaged input can hold an error every few bytes; the log shows the first
// ones and a count of the rest.
constexpr int kMaxLoggedErrors = 10;

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool IsNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.';
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Characters a bare word may hold: anything printable (and any byte of a
// UTF-8 sequence) except the ones that end or separate statements.
bool IsWordChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80)
        return true;
    return u > 0x20 && u != 0x7F && c != ';' && c != '"' && c != '=';
}

// A whole word in decimal number form: sign, digits with an optional point
// (or a point and digits), an optional exponent.
bool IsNumber(std::string_view w)
{
    size_t i = 0;
    if (i < w.size() && (w[i] == '+' || w[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < w.size() && IsDigit(w[i]))
        ++i, ++digits;
    if (i < w.size() && w[i] == '.')
    {
        ++i;
        while (i < w.size() && IsDigit(w[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < w.size() && (w[i] == 'e' || w[i] == 'E'))
    {
        ++i;
        if (i < w.size() && (w[i] == '+' || w[i] == '-'))
            ++i;
        size_t exp = 0;
        while (i < w.size() && IsDigit(w[i]))
            ++i, ++exp;
        if (exp == 0)
            return false;
    }
    return i == w.size();
}

int ClampToInt(double d)
{
    if (std::isnan(d))
        return 0;
    if (d >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (d <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(d);
}

int LeadingInt(const std::string& s)
{
    errno = 0;
    const long v = std::strtol(s.c_str(), nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

// Decides a variable's kind and integer value from its value text.
void Classify(MScriptVariable& v, bool quoted)
{
    const std::string& t = v.text.str();
    if (!quoted)
    {
        if (t == "0" || t == "1")
        {
            v.kind = SCRIPT_VAR_ONOFF;
            v.value = t == "1";
            return;
        }
        for (const char* word : {"on", "true", "yes"})
            if (EqualsNoCase(t, word))
            {
                v.kind = SCRIPT_VAR_ONOFF;
                v.value = 1;
                return;
            }
        for (const char* word : {"off", "false", "no"})
            if (EqualsNoCase(t, word))
            {
                v.kind = SCRIPT_VAR_ONOFF;
                v.value = 0;
                return;
            }
        if (IsNumber(t))
        {
            v.kind = SCRIPT_VAR_NUMBER;
            v.value = ClampToInt(std::strtod(t.c_str(), nullptr));
            return;
        }
    }
    v.kind = SCRIPT_VAR_TEXT;
    v.value = LeadingInt(t);
}
} // namespace

// Reads statements from the text and hands each sound one to the interpreter.
class MScriptInterpreter::Parser
{
  public:
    Parser(MScriptInterpreter& owner, std::string_view text, MStr origin)
        : m_Owner(owner), m_Text(text), m_Origin(std::move(origin))
    {
    }

    int Run()
    {
        while (SkipBlank(), m_Pos < m_Text.size())
        {
            const size_t start = m_Pos;
            m_NewlineSinceStart = false;
            if (!Statement())
                Recover(start);
        }
        if (m_Errors > kMaxLoggedErrors)
            Log(MStr::Printf("%s: %i further errors not shown.", Where().c_str(),
                             m_Errors - kMaxLoggedErrors));
        return m_Errors;
    }

  private:
    bool Statement()
    {
        const char c = m_Text[m_Pos];
        m_TokenLine = m_Line;
        if (!IsNameStart(c))
            return Error(Unexpected("a variable name"));
        const size_t nameStart = m_Pos;
        while (m_Pos < m_Text.size() && IsNameChar(m_Text[m_Pos]))
            ++m_Pos;
        const std::string_view name = m_Text.substr(nameStart, m_Pos - nameStart);
        if (name.size() > kMaxNameLength)
            return Error(
                MStr::Printf("a variable name longer than %zu characters", kMaxNameLength));
        const MStr shown(name);

        SkipBlank();
        if (m_Pos >= m_Text.size() || m_Text[m_Pos] != '=')
            return Error(MStr::Printf("missing '=' after '%s'", shown.c_str()));
        ++m_Pos;
        m_TokenLine = m_Line;

        SkipBlank();
        std::string value;
        bool quoted = false;
        if (m_Pos < m_Text.size() && m_Text[m_Pos] == '"')
        {
            quoted = true;
            m_TokenLine = m_Line;
            if (!QuotedString(value))
                return Error(
                    MStr::Printf("unterminated string in the value of '%s'", shown.c_str()));
        }
        else
        {
            const size_t valueStart = m_Pos;
            while (m_Pos < m_Text.size() && IsWordChar(m_Text[m_Pos]) && !AtComment())
                ++m_Pos;
            if (m_Pos == valueStart)
                return Error(MStr::Printf("missing value for '%s'", shown.c_str()));
            value.assign(m_Text.substr(valueStart, m_Pos - valueStart));
        }
        m_TokenLine = m_Line;

        SkipBlank();
        if (m_Pos >= m_Text.size() || m_Text[m_Pos] != ';')
            return Error(MStr::Printf("missing ';' after the value of '%s'", shown.c_str()));
        ++m_Pos;
        m_Owner.SetVariable(name, value, quoted);
        return true;
    }

    bool QuotedString(std::string& out)
    {
        ++m_Pos; // the opening quote
        while (m_Pos < m_Text.size())
        {
            const char c = m_Text[m_Pos];
            if (c == '"')
            {
                ++m_Pos;
                return true;
            }
            if (c == '\n')
                return false;
            if (c == '\\' && m_Pos + 1 < m_Text.size())
            {
                const char e = m_Text[m_Pos + 1];
                const char* known = nullptr;
                switch (e)
                {
                case '"':
                    known = "\"";
                    break;
                case '\\':
                    known = "\\";
                    break;
                case 'n':
                    known = "\n";
                    break;
                case 't':
                    known = "\t";
                    break;
                case 'r':
                    known = "\r";
                    break;
                default:
                    break;
                }
                if (known)
                {
                    out += known;
                    m_Pos += 2;
                    continue;
                }
            }
            out += c;
            ++m_Pos;
        }
        return false;
    }

    bool AtComment() const
    {
        return m_Pos + 1 < m_Text.size() && m_Text[m_Pos] == '/' &&
               (m_Text[m_Pos + 1] == '/' || m_Text[m_Pos + 1] == '*');
    }

    // Skips blanks and comments, counting lines. An unterminated block
    // comment runs to the end and is reported.
    void SkipBlank()
    {
        while (m_Pos < m_Text.size())
        {
            const char c = m_Text[m_Pos];
            if (c == '\n')
            {
                ++m_Line;
                m_NewlineSinceStart = true;
                ++m_Pos;
            }
            else if (IsSpace(c))
                ++m_Pos;
            else if (AtComment() && m_Text[m_Pos + 1] == '/')
            {
                while (m_Pos < m_Text.size() && m_Text[m_Pos] != '\n')
                    ++m_Pos;
            }
            else if (AtComment())
            {
                const int startLine = m_Line;
                const size_t end = m_Text.find("*/", m_Pos + 2);
                const size_t stop = end == std::string_view::npos ? m_Text.size() : end + 2;
                for (size_t i = m_Pos; i < stop; ++i)
                    if (m_Text[i] == '\n')
                    {
                        ++m_Line;
                        m_NewlineSinceStart = true;
                    }
                if (end == std::string_view::npos)
                {
                    m_TokenLine = startLine;
                    m_Pos = m_Text.size();
                    Error("unterminated comment");
                    return;
                }
                m_Pos = stop;
            }
            else
                return;
        }
    }

    // After a statement that was not sound: a statement that broke off at a
    // new line (a forgotten ';' at the end of the line before) goes on with
    // what stands there; otherwise the rest of the line, up to and including
    // a ';', is dropped.
    void Recover(size_t start)
    {
        if (m_NewlineSinceStart && m_Pos > start && m_Pos < m_Text.size() &&
            !IsSpace(m_Text[m_Pos]))
        {
            // Back up over nothing: m_Pos already stands at the new line's first word.
            return;
        }
        if (m_Pos < start)
            m_Pos = start;
        while (m_Pos < m_Text.size())
        {
            const char c = m_Text[m_Pos++];
            if (c == ';')
                return;
            if (c == '\n')
            {
                ++m_Line;
                return;
            }
        }
    }

    MStr Unexpected(const char* expected) const
    {
        const auto c = static_cast<unsigned char>(m_Text[m_Pos]);
        if (c > 0x20 && c < 0x7F)
            return MStr::Printf("expected %s, found '%c'", expected, c);
        return MStr::Printf("expected %s, found the byte 0x%02X", expected, c);
    }

    // Reports a statement that is not sound, at the line of its last sound
    // token (where a forgotten ';' or '=' belongs).
    bool Error(const MStr& what)
    {
        if (++m_Errors <= kMaxLoggedErrors)
            Log(MStr::Printf("%s line %i: %s.", Where().c_str(), m_TokenLine, what.c_str()));
        return false;
    }

    MStr Where() const
    {
        return m_Origin.IsEmpty() ? MStr("Script") : MStr("Script '" + m_Origin.str() + "'");
    }

    static void Log(const MStr& line)
    {
        if (MSystemManager* sys = GetSystemManager())
            sys->LogLine(line);
    }

    MScriptInterpreter& m_Owner;
    std::string_view m_Text;
    MStr m_Origin;
    size_t m_Pos = 0;
    int m_Line = 1;
    int m_TokenLine = 1; // line of the statement's last sound token
    int m_Errors = 0;
    bool m_NewlineSinceStart = false;
};

MScriptInterpreter::MScriptInterpreter() : m_Slots(kInitialSlots) {}

size_t MScriptInterpreter::HashName(std::string_view name)
{
    // FNV-1a over the lower-case name.
    size_t h = 1469598103934665603ull;
    for (char c : name)
    {
        h ^= static_cast<unsigned char>(Lower(c));
        h *= 1099511628211ull;
    }
    return h;
}

void MScriptInterpreter::Clear()
{
    m_Slots.assign(kInitialSlots, {});
    m_Count = 0;
    m_WalkSlot = -1;
    m_WalkIndex = 0;
}

void MScriptInterpreter::Grow()
{
    std::vector<std::vector<MScriptVariable>> slots(m_Slots.size() * 2);
    for (auto& slot : m_Slots)
        for (auto& v : slot)
            slots[HashName(v.name.str()) & (slots.size() - 1)].push_back(std::move(v));
    m_Slots.swap(slots);
}

void MScriptInterpreter::SetVariable(std::string_view name, std::string_view value, bool quoted)
{
    MScriptVariable v{MStr(name)};
    v.text = MStr(value);
    Classify(v, quoted);
    auto& slot = m_Slots[HashName(name) & (m_Slots.size() - 1)];
    for (MScriptVariable& existing : slot)
    {
        if (EqualsNoCase(existing.name.str(), name))
        {
            existing = std::move(v);
            return;
        }
    }
    slot.push_back(std::move(v));
    if (++m_Count > static_cast<int>(m_Slots.size()) * 2)
        Grow();
}

bool MScriptInterpreter::ExecuteScript(std::string_view script, bool reset)
{
    if (reset)
        Clear();
    m_WalkSlot = -1;
    m_Errors = Parser(*this, script, MStr()).Run();
    return m_Errors == 0;
}

bool MScriptInterpreter::ExecuteScriptFile(const MStr& path, bool reset)
{
    if (reset)
        Clear();
    m_WalkSlot = -1;
    std::string text;
    MFileResult read = MFile::ReadWhole(path, text, kMaxScriptFileBytes);
    if (!read)
    {
        m_Errors = 1;
        if (MSystemManager* sys = GetSystemManager())
            sys->LogOutput("Script '%s' could not be read: %s.", path.c_str(), read.reason.c_str());
        return false;
    }
    m_Errors = Parser(*this, text, path).Run();
    return m_Errors == 0;
}

const MScriptVariable* MScriptInterpreter::FindVariable(std::string_view name) const
{
    const auto& slot = m_Slots[HashName(name) & (m_Slots.size() - 1)];
    for (const MScriptVariable& v : slot)
        if (EqualsNoCase(v.name.str(), name))
            return &v;
    return nullptr;
}

bool MScriptInterpreter::GetVariable(const MStr& name, MStr& value) const
{
    const MScriptVariable* v = FindVariable(name.str());
    if (!v)
        return false;
    value = v->text;
    return true;
}

bool MScriptInterpreter::GetVariable(MScriptVariable& variable) const
{
    const MScriptVariable* v = FindVariable(variable.name.str());
    if (!v)
        return false;
    variable.kind = v->kind;
    variable.text = v->text;
    variable.value = v->value;
    return true;
}

const MScriptVariable* MScriptInterpreter::GetFirstVariable()
{
    m_WalkSlot = 0;
    m_WalkIndex = 0;
    return GetNextVariable();
}

const MScriptVariable* MScriptInterpreter::GetNextVariable()
{
    if (m_WalkSlot < 0)
        return nullptr;
    // m_WalkIndex is the index after the variable given last in m_WalkSlot.
    for (size_t s = static_cast<size_t>(m_WalkSlot); s < m_Slots.size(); ++s, m_WalkIndex = 0)
    {
        if (m_WalkIndex < m_Slots[s].size())
        {
            m_WalkSlot = static_cast<int>(s);
            return &m_Slots[s][m_WalkIndex++];
        }
    }
    m_WalkSlot = -1;
    m_WalkIndex = 0;
    return nullptr;
}
