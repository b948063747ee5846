#include "MRegistry.h"

#include "MFile.h"
#include "MSystemManager.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// A key file is a handful of short lines; anything far larger is not ours.
constexpr size_t kMaxKeyFileBytes = size_t(4) << 20;
// Longest file name most file systems take.
constexpr int kMaxFileNameLength = 255;

void Log(const MStr& line)
{
    if (MSystemManager* sys = GetSystemManager())
        sys->LogLine(line);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

char HexDigit(unsigned v)
{
    return "0123456789ABCDEF"[v & 15];
}

// Escapes text for one side of a "name=value" line. Blanks at either end
// are escaped too, since the reader trims unescaped ones.
std::string Escape(std::string_view text, bool isName)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool atEdge = i == 0 || i + 1 == text.size();
        switch (c)
        {
        case '\\':
            out += "\\\\";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        const bool escape = c < 0x20 || c == 0x7F || (c == ' ' && atEdge) ||
                            (isName && (c == '=' || (c == '#' && i == 0)));
        if (escape)
        {
            out += "\\x";
            out += HexDigit(c >> 4);
            out += HexDigit(c);
        }
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string Unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (c != '\\' || i + 1 == text.size())
        {
            out += c;
            continue;
        }
        const char e = text[i + 1];
        switch (e)
        {
        case '\\':
        case '=':
            out += e;
            ++i;
            continue;
        case 'n':
            out += '\n';
            ++i;
            continue;
        case 'r':
            out += '\r';
            ++i;
            continue;
        case 't':
            out += '\t';
            ++i;
            continue;
        case 'x':
            if (i + 3 < text.size() && HexDigitValue(text[i + 2]) >= 0 &&
                HexDigitValue(text[i + 3]) >= 0)
            {
                out +=
                    static_cast<char>(HexDigitValue(text[i + 2]) * 16 + HexDigitValue(text[i + 3]));
                i += 3;
                continue;
            }
            break;
        default:
            break;
        }
        // Not an escape we write: keep the backslash as it stands.
        out += c;
    }
    return out;
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    // A blank after a lone trailing backslash would be part of an escape we
    // never write, so plain trimming is enough.
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

MStr ConfigFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return MStr(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return MStr(home) + "/.config";
    struct passwd pw = {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return MStr(found->pw_dir) + "/.config";
    return MStr();
}
} // namespace

MStr MRegistry::GetRegistryFolder()
{
    MStr folder = ConfigFolder();
    if (folder.IsEmpty())
        return folder;
    if (folder.str().back() != '/')
        folder += "/";
    return folder + "glazen/registry/";
}

MStr MRegistry::KeyFileName(const MStr& keyPath)
{
    std::string name;
    std::string part;
    auto flush = [&]()
    {
        if (part.empty())
            return;
        if (!name.empty())
            name += '_';
        for (size_t i = 0; i < part.size(); ++i)
        {
            auto c = static_cast<unsigned char>(part[i]);
            if (c >= 'A' && c <= 'Z')
                c = static_cast<unsigned char>(c + 32);
            const bool plain =
                (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || (c == '.' && i > 0);
            if (plain)
                name += static_cast<char>(c);
            else
            {
                name += '%';
                name += HexDigit(c >> 4);
                name += HexDigit(c);
            }
        }
        part.clear();
    };
    for (char c : keyPath.str())
    {
        if (c == '\\' || c == '/')
            flush();
        else
            part += c;
    }
    flush();
    if (name.empty() || static_cast<int>(name.size()) > kMaxFileNameLength)
        return MStr();
    return MStr(std::move(name));
}

MStr MRegistry::FormatKeyFile(const MStr& keyPath, const ValueList& values)
{
    std::string text = "# Glazen registry key " + Escape(keyPath.str(), false) + "\n";
    for (const auto& [name, value] : values)
        text += Escape(name.str(), true) + "=" + Escape(value.str(), false) + "\n";
    return MStr(std::move(text));
}

MRegistry::ValueList MRegistry::ParseKeyFile(std::string_view text)
{
    ValueList values;
    while (!text.empty())
    {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = TrimBlanks(line);
        if (line.empty() || line.front() == '#')
            continue;
        // The first '=' not escaped by a backslash ends the name.
        size_t eq = std::string_view::npos;
        for (size_t i = 0; i < line.size(); ++i)
        {
            if (line[i] == '\\')
                ++i;
            else if (line[i] == '=')
            {
                eq = i;
                break;
            }
        }
        if (eq == std::string_view::npos)
            continue;
        MStr name(Unescape(TrimBlanks(line.substr(0, eq))));
        MStr value(Unescape(TrimBlanks(line.substr(eq + 1))));
        bool replaced = false;
        for (auto& [n, v] : values)
        {
            if (n.CompareNoCase(name) == 0)
            {
                v = value;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            values.emplace_back(std::move(name), std::move(value));
    }
    return values;
}

bool MRegistry::OpenKey(const MStr& keyPath, uint32_t access, bool create)
{
    CloseKey();
    m_Error = MStr();
    const MStr fileName = KeyFileName(keyPath);
    if (fileName.IsEmpty())
    {
        m_Error = "the key path is empty or too long";
        return false;
    }
    const MStr folder = GetRegistryFolder();
    if (folder.IsEmpty())
    {
        m_Error = "no configuration folder could be found";
        return false;
    }
    const MStr file = folder + fileName;
    std::error_code ec;
    const auto status = fs::status(file.str(), ec);
    if (fs::exists(status))
    {
        if (!fs::is_regular_file(status))
        {
            m_Error = "something other than a key file stands at '" + file.str() + "'";
            Log(MStr::Printf("Registry key '%s' could not be opened: %s", keyPath.c_str(),
                             m_Error.c_str()));
            return false;
        }
    }
    else
    {
        if (!create)
        {
            m_Error = "the key does not exist";
            return false;
        }
        fs::create_directories(folder.str(), ec);
        MFileResult made = ec ? MFileResult{MFILE_WRITE_ERROR, MStr(ec.message())}
                              : MFile::WriteWhole(file, FormatKeyFile(keyPath, {}).str());
        if (!made)
        {
            m_Error = "'" + file.str() + "' could not be made: " + made.reason.str();
            Log(MStr::Printf("Registry key '%s' could not be created: %s", keyPath.c_str(),
                             m_Error.c_str()));
            return false;
        }
    }
    m_File = file;
    m_KeyPath = keyPath;
    m_Access = access;
    return true;
}

void MRegistry::CloseKey()
{
    m_File = MStr();
    m_KeyPath = MStr();
    m_Access = 0;
}

bool MRegistry::LoadValues(ValueList& values) const
{
    std::string text;
    MFileResult read = MFile::ReadWhole(m_File, text, kMaxKeyFileBytes);
    if (!read)
    {
        m_Error = "'" + m_File.str() + "' could not be read: " + read.reason.str();
        return false;
    }
    values = ParseKeyFile(text);
    return true;
}

bool MRegistry::ReadString(const MStr& name, MStr& value) const
{
    if (!IsOpen() || !(m_Access & MREG_QUERY_VALUE))
        return false;
    ValueList values;
    if (!LoadValues(values))
        return false;
    for (const auto& [n, v] : values)
    {
        if (n.CompareNoCase(name) == 0)
        {
            value = v;
            return true;
        }
    }
    return false;
}

bool MRegistry::WriteString(const MStr& name, const MStr& value)
{
    if (!IsOpen())
    {
        m_Error = "no key is open";
        return false;
    }
    if (!(m_Access & MREG_SET_VALUE))
    {
        m_Error = "the key was opened without write access";
        return false;
    }
    // Start from what the file holds now, so values written through another
    // object since this key was opened are kept. A file that cannot be read
    // is left alone rather than replaced by this one value.
    ValueList values;
    if (!LoadValues(values))
    {
        Log(MStr::Printf("Registry value '%s' could not be saved: %s", name.c_str(),
                         m_Error.c_str()));
        return false;
    }
    bool replaced = false;
    for (auto& [n, v] : values)
    {
        if (n.CompareNoCase(name) == 0)
        {
            n = name;
            v = value;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        values.emplace_back(name, value);
    MFileResult written = MFile::WriteWhole(m_File, FormatKeyFile(m_KeyPath, values).str());
    if (!written)
    {
        m_Error = "'" + m_File.str() + "' could not be written: " + written.reason.str();
        Log(MStr::Printf("Registry value '%s' could not be saved: %s", name.c_str(),
                         m_Error.c_str()));
        return false;
    }
    return true;
}
