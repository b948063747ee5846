#include "MConfig.h"

#include "CToolConfigDlg.h"
#include "Globals.h"
#include "MActionList.h"
#include "MFile.h"
#include "MKeyBinding.h"
#include "MRegistry.h"
#include "MScriptInterpreter.h"
#include "MShelfFile.h"
#include "MSystemManager.h"
#include "MUndoList.h"

#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace
{
// Registry access: read and write.
constexpr uint32_t kRegistryAccess = 0x2001F;

// Configuration file chunks.
constexpr uint32_t kTagHeader = 0x63666732; // "2gfc" in file order
constexpr uint32_t kTagRecentFiles = 34;
constexpr uint32_t kTagColours = 35;
constexpr uint32_t kTagColourValue = 36;
constexpr uint32_t kTagNamedInt = 162;
constexpr uint32_t kTagNamedString = 163;
constexpr int32_t kConfigVersion = 16;

// Sizes beyond which a file is not what it claims to be.
constexpr size_t kMaxConfigFileBytes = size_t(4) << 20;
constexpr size_t kMaxToolPrefsBytes = size_t(1) << 20;

void Log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* fmt, ...)
{
    MSystemManager* sys = GetSystemManager();
    if (!sys)
        return;
    va_list args;
    va_start(args, fmt);
    sys->LogOutputV(fmt, args);
    va_end(args);
}

// ---- Writing ----------------------------------------------------------------

void PutU32(std::string& out, uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
    out += char((v >> 16) & 0xFF);
    out += char((v >> 24) & 0xFF);
}

void PutLengthAt(std::string& out, size_t at, size_t length)
{
    const uint32_t v = uint32_t(length);
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// A text up to its first zero, with its terminating zero.
void PutString(std::string& out, const MStr& s)
{
    out += std::string_view(s.c_str());
    out += '\0';
}

// Starts a chunk whose length is filled in by EndChunk; returns where the
// length field stands.
size_t BeginChunk(std::string& out, uint32_t tag)
{
    PutU32(out, tag);
    const size_t at = out.size();
    PutU32(out, 0);
    return at;
}

void EndChunk(std::string& out, size_t lengthAt)
{
    PutLengthAt(out, lengthAt, out.size() - lengthAt - 4);
}

// ---- Reading ----------------------------------------------------------------

// A bounded view of bytes; every read checks what is left first.
class ByteReader
{
  public:
    ByteReader(const char* data, size_t size) : m_Data(data), m_Size(size) {}

    size_t Left() const { return m_Size - m_Pos; }
    size_t Pos() const { return m_Pos; }

    bool U32(uint32_t& v)
    {
        if (Left() < 4)
            return false;
        const auto* p = reinterpret_cast<const unsigned char*>(m_Data + m_Pos);
        v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
            (uint32_t(p[3]) << 24);
        m_Pos += 4;
        return true;
    }
    bool I32(int32_t& v)
    {
        uint32_t u = 0;
        if (!U32(u))
            return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    // A zero-terminated text; false when no zero ends it before the end.
    bool String(std::string_view& s)
    {
        if (Left() == 0)
            return false;
        const void* zero = std::memchr(m_Data + m_Pos, 0, Left());
        if (!zero)
            return false;
        const size_t n = size_t(static_cast<const char*>(zero) - (m_Data + m_Pos));
        s = std::string_view(m_Data + m_Pos, n);
        m_Pos += n + 1;
        return true;
    }
    // A sub-range of n bytes, consumed; false when fewer are left.
    bool Sub(size_t n, ByteReader& sub)
    {
        if (n > Left())
            return false;
        sub = ByteReader(m_Data + m_Pos, n);
        m_Pos += n;
        return true;
    }

  private:
    const char* m_Data;
    size_t m_Size;
    size_t m_Pos = 0;
};

// Tag 34: a count, then that many texts. A count beyond the slots is cut to
// them, a negative one counts as 0; when the chunk holds fewer texts than it
// claims, only those present count. Slots past the count are emptied.
bool ApplyRecentFiles(ByteReader chunk)
{
    int32_t count = 0;
    if (!chunk.I32(count))
        return false;
    if (count < 0)
        count = 0;
    if (count > kRecentFileSlots)
        count = kRecentFileSlots;
    MStr names[kRecentFileSlots];
    int read = 0;
    bool sound = true;
    for (; read < count; ++read)
    {
        std::string_view name;
        if (!chunk.String(name))
        {
            sound = false;
            break;
        }
        names[read] = MStr(name);
    }
    for (int i = 0; i < kRecentFileSlots; ++i)
        g_RecentFiles[i] = names[i];
    g_RecentFileCount = read;
    return sound;
}

// Tag 35: colour entries matched against the table in table order. Each
// table name equal to the next unread entry's name takes that entry; an
// entry out of line stops the matching of all after it.
bool ApplyColours(ByteReader chunk)
{
    int32_t count = 0;
    if (!chunk.I32(count))
        return false;
    int32_t read = 0;
    for (int i = 0; i < kDisplayColourCount && read < count; ++i)
    {
        ByteReader entry = chunk;
        std::string_view name;
        uint32_t tag = 0, length = 0;
        ByteReader data(nullptr, 0);
        if (!entry.String(name) || !entry.U32(tag) || !entry.U32(length) ||
            !entry.Sub(length, data))
            return false;
        if (!g_ColourNames[i].EqualsNoCase(name))
            continue;
        uint32_t value = 0;
        if (tag == kTagColourValue && length == 4 && data.U32(value))
            g_ColourValues[i] = value;
        // Sub-chunk 37 (one byte) and any other sub-chunk are consumed without effect.
        chunk = entry;
        ++read;
    }
    return true;
}

// Tag 162: a key and a 32-bit value.
bool ApplyNamedInt(ByteReader chunk)
{
    std::string_view key;
    int32_t value = 0;
    if (!chunk.String(key) || !chunk.I32(value))
        return false;
    if (!EqualsNoCase(key, "UMaxNodes"))
        return true;
    if (!g_UndoList.SetLimit(value))
        Log("Configuration: undo limit %d is not valid; the limit stays %d.", int(value),
            g_UndoList.GetLimit());
    return true;
}

// Tag 163: a key and a text; every key but "MapName" names an image search path.
bool ApplyNamedString(ByteReader chunk)
{
    std::string_view key, value;
    if (!chunk.String(key) || !chunk.String(value))
        return false;
    if (EqualsNoCase(key, "MapName"))
        return true;
    if (MSystemManager* sys = GetSystemManager())
        sys->GetImageSearchPaths().AddString(MStr(value));
    return true;
}

// ---- Tool preferences -------------------------------------------------------

// Reads a tool preference file into text, up to its first zero byte (the
// file is a text). False when it cannot be read.
bool ReadToolPrefsText(const MStr& path, std::string& text)
{
    std::string data;
    if (!MFile::ReadWhole(path, data, kMaxToolPrefsBytes))
        return false;
    const size_t zero = data.find('\0');
    if (zero != std::string::npos)
        data.resize(zero);
    text = std::move(data);
    return true;
}

bool IsScriptName(std::string_view name)
{
    if (name.empty() || name.size() > 255)
        return false;
    auto letter = [](char c)
    { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!letter(name[0]))
        return false;
    for (char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '.')
            return false;
    return true;
}

// A value as the interpreter reads it back unchanged: a bare word when it
// can stand as one, otherwise a quoted string with escapes.
std::string ScriptValue(std::string_view value)
{
    bool bare = !value.empty() && value.find("//") == std::string_view::npos &&
                value.find("/*") == std::string_view::npos;
    for (char c : value)
    {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80 && (u <= ' ' || u == 0x7F || c == ';' || c == '"' || c == '='))
            bare = false;
    }
    if (bare)
        return std::string(value);
    std::string out = "\"";
    for (char c : value)
    {
        switch (c)
        {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    out += '"';
    return out;
}
} // namespace

// ---- MConfig ----------------------------------------------------------------

MConfig::MConfig()
    : m_ProgramFolder(FindProgramFolder()), m_ConfigFileName("Glazen.CFG"),
      m_KeyFileName("Glazen.KEY")
{
    DefaultControls(m_Controls);
}

MStr MConfig::FindProgramFolder()
{
    return MSystemManager::ExecutableFolder();
}

void MConfig::DefaultControls(MKeyState controls[kMouseControlCount])
{
    for (int i = 0; i < kMouseControlCount; ++i)
        controls[i].Clear();
    controls[0].alt = 1; // Orbit View
    controls[0].left = 1;
    controls[1].alt = 1; // Pan View
    controls[1].middle = 1;
    controls[2].alt = 1; // Zoom View
    controls[2].left = 1;
    controls[2].middle = 1;
    controls[3].middle = 1; // Grab Manipulator
    controls[4].left = 1;   // material view drag
    controls[5].right = 1;
}

uint32_t DefaultColourValue(int index)
{
    if (index < 0 || index >= kDisplayColourCount)
        return 0;
    return kDefaultColourValues[static_cast<size_t>(index)];
}

uint32_t GetDisplayColour(int index)
{
    if (index < 0 || index >= kDisplayColourCount)
        return 0;
    return g_ColourValues[static_cast<size_t>(index)];
}

void GetDisplayColourRGB(int index, float rgb[3])
{
    const uint32_t c = GetDisplayColour(index);
    for (int i = 0; i < 3; ++i)
        rgb[i] = float((c >> (8 * i)) & 0xFF) / 255.0f;
}

void ResetDisplayColours()
{
    for (int i = 0; i < kDisplayColourCount; ++i)
        g_ColourValues[i] = DefaultColourValue(i);
}

// ---- Registry ---------------------------------------------------------------

int ReadRegistryNames(const MStr& keyPath)
{
    MRegistry reg;
    if (!reg.OpenKey(keyPath, kRegistryAccess, true))
        return 0;
    // An empty value names no file; the name in use stays.
    MStr name;
    if (reg.ReadString("CFGFile", name) && !name.IsEmpty())
        g_Config.m_ConfigFileName = name;
    name = MStr();
    if (reg.ReadString("KeyFile", name) && !name.IsEmpty())
        g_Config.m_KeyFileName = name;
    reg.CloseKey();
    return 1;
}

int WriteRegistryNames(const MStr& keyPath)
{
    MRegistry reg;
    if (!reg.OpenKey(keyPath, kRegistryAccess, true))
        return 0;
    const bool written = reg.WriteString("CFGFile", g_Config.m_ConfigFileName) &&
                         reg.WriteString("KeyFile", g_Config.m_KeyFileName);
    if (!written)
        Log("Could not write registry key '%s': %s", keyPath.c_str(), reg.GetLastError().c_str());
    reg.CloseKey();
    return written ? 1 : 0;
}

// ---- Configuration file -----------------------------------------------------

std::string FormatConfigData()
{
    std::string out;

    PutU32(out, kTagHeader);
    PutU32(out, 4);
    PutU32(out, uint32_t(kConfigVersion));

    int recent = g_RecentFileCount;
    if (recent < 0)
        recent = 0;
    if (recent > kRecentFileSlots)
        recent = kRecentFileSlots;
    size_t at = BeginChunk(out, kTagRecentFiles);
    PutU32(out, uint32_t(recent));
    for (int i = 0; i < recent; ++i)
        PutString(out, g_RecentFiles[i]);
    EndChunk(out, at);

    at = BeginChunk(out, kTagColours);
    PutU32(out, kDisplayColourCount);
    for (int i = 0; i < kDisplayColourCount; ++i)
    {
        PutString(out, g_ColourNames[i]);
        PutU32(out, kTagColourValue);
        PutU32(out, 4);
        PutU32(out, g_ColourValues[i]);
    }
    EndChunk(out, at);

    at = BeginChunk(out, kTagNamedInt);
    PutString(out, "UMaxNodes");
    PutU32(out, uint32_t(g_UndoList.GetLimit()));
    EndChunk(out, at);

    if (MSystemManager* sys = GetSystemManager())
    {
        for (const MStr& path : sys->GetImageSearchPaths())
        {
            at = BeginChunk(out, kTagNamedString);
            PutString(out, "Name");
            PutString(out, path);
            EndChunk(out, at);
        }
    }
    return out;
}

int WriteConfigFile(const MStr& path)
{
    const std::string data = FormatConfigData();
    const MFileResult result = MFile::WriteWhole(path, data);
    if (!result)
    {
        Log("Could not write configuration file '%s': %s", path.c_str(), result.reason.c_str());
        return 0;
    }
    return 1;
}

void ApplyConfigData(const char* data, size_t size)
{
    if (!data)
        size = 0;
    ByteReader file(data, size);
    while (file.Left() > 0)
    {
        const size_t offset = file.Pos();
        uint32_t tag = 0, length = 0;
        ByteReader chunk(nullptr, 0);
        if (!file.U32(tag) || !file.U32(length) || !file.Sub(length, chunk))
        {
            Log("Configuration data ends inside the chunk at byte %zu; the rest is ignored.",
                offset);
            return;
        }
        bool sound = true;
        switch (tag)
        {
        case kTagHeader:
        {
            int32_t version = 0;
            if (!chunk.I32(version))
                sound = false;
            else if (version != kConfigVersion)
            {
                Log("Configuration version %d is not %d; the rest is ignored.", int(version),
                    int(kConfigVersion));
                return;
            }
            break;
        }
        case kTagRecentFiles:
            sound = ApplyRecentFiles(chunk);
            break;
        case kTagColours:
            sound = ApplyColours(chunk);
            break;
        case kTagNamedInt:
            sound = ApplyNamedInt(chunk);
            break;
        case kTagNamedString:
            sound = ApplyNamedString(chunk);
            break;
        default: // 33, 160, 161, 164, 165 and unknown tags carry nothing we use
            break;
        }
        if (!sound)
        {
            Log("Configuration chunk %u at byte %zu is damaged; the rest is ignored.", tag, offset);
            return;
        }
    }
}

int ReadConfigFile(const MStr& path)
{
    std::vector<uint8_t> data;
    const MFileResult result = MFile::ReadWhole(path, data, kMaxConfigFileBytes);
    if (!result)
    {
        // A missing file is the first run's normal case: the defaults stay.
        if (result.code != MFILE_NOT_FOUND)
            Log("Could not read configuration file '%s': %s", path.c_str(), result.reason.c_str());
        return 0;
    }
    ApplyConfigData(reinterpret_cast<const char*>(data.data()), data.size());
    return 1;
}

// ---- Start-up and shutdown --------------------------------------------------

void LoadConfiguration()
{
    Log("Loading Registry Settings from %s", kRegistryKeyPath);
    ReadRegistryNames(kRegistryKeyPath);

    const MStr configPath = g_Config.m_ProgramFolder + g_Config.m_ConfigFileName;
    Log("Loading Configuration from %s", configPath.c_str());
    ReadConfigFile(configPath);

    RegisterAllActions(g_MainWnd);
    g_KeyBindingTable.SetActionRegistry(&g_ActionRegistry);

    const MStr keyPath = g_Config.m_ProgramFolder + g_Config.m_KeyFileName;
    Log("Loading Keyboard Configuration from %s", keyPath.c_str());
    g_KeyBindingTable.LoadKeyFile(keyPath);
    g_KeyBindingTable.RefreshMenus();
}

void SaveConfiguration()
{
    WriteRegistryNames(kRegistryKeyPath);
    // The program folder was worked out from the executable at start; it is
    // used as it stands (tests point it elsewhere).
    WriteConfigFile(g_Config.m_ProgramFolder + g_Config.m_ConfigFileName);
    g_KeyBindingTable.SaveKeyFile(g_Config.m_ProgramFolder + g_Config.m_KeyFileName);
}

// ---- Tool preference files --------------------------------------------------

MStr GetToolPrefsPath(const MStr& toolName)
{
    const MStr path = g_Config.m_ProgramFolder + "Prefs/Tools/" + toolName + ".ascr";
    // A file copied from another system may be spelt in another case.
    if (!MFile::Exists(path))
    {
        const MStr found = FindFileNoCase(path);
        if (!found.IsEmpty())
            return found;
    }
    return path;
}

int ReadToolPrefStrings(const MStr& toolName, const MStr* names, MStr* results, int count)
{
    std::string text;
    if (!names || !results || count <= 0 || !ReadToolPrefsText(GetToolPrefsPath(toolName), text))
        return 0;
    MScriptInterpreter interpreter;
    interpreter.ExecuteScript(text, true);
    int found = 0;
    for (int i = 0; i < count; ++i)
        if (interpreter.GetVariable(names[i], results[i]))
            ++found;
    return found;
}

int ReadToolPrefString(const MStr& toolName, const MStr& name, MStr& result)
{
    return ReadToolPrefStrings(toolName, &name, &result, 1);
}

int ReadToolPrefVariables(const MStr& toolName, MScriptVariable* variables, int count)
{
    const MStr path = GetToolPrefsPath(toolName);
    Log("Opening file '%s'", path.c_str());
    std::string text;
    if (!ReadToolPrefsText(path, text))
    {
        Log("Could not open file '%s'.", path.c_str());
        return 0;
    }
    Log("Length of file %i bytes.", int(text.size()));
    if (!variables || count <= 0)
        return 0;
    MScriptInterpreter interpreter;
    interpreter.ExecuteScript(text, true);
    int found = 0;
    for (int i = 0; i < count; ++i)
        if (interpreter.GetVariable(variables[i]))
            ++found;
    return found;
}

int ReadToolPrefVariable(const MStr& toolName, MScriptVariable& variable)
{
    return ReadToolPrefVariables(toolName, &variable, 1);
}

int AppendToolPrefs(const MStr& toolName, const MStr* names, const MStr* values, int count)
{
    const MStr path = GetToolPrefsPath(toolName);
    // Only an existing file is appended to; a tool without one gets none.
    std::string data;
    if (!names || !values || count <= 0 || !MFile::ReadWhole(path, data, kMaxToolPrefsBytes))
        return 0;
    // The new lines start on a line of their own, so a last line without its
    // line break (or ending in a comment) cannot swallow them.
    if (!data.empty() && data.back() != '\n')
        data += '\n';
    for (int i = 0; i < count; ++i)
    {
        if (!IsScriptName(names[i].str()))
        {
            Log("Tool preference '%s' of '%s' is not a valid name; not stored.", names[i].c_str(),
                toolName.c_str());
            continue;
        }
        data += MStr::Printf("%s = %s;\n", names[i].c_str(),
                             ScriptValue(std::string_view(values[i].c_str())).c_str())
                    .str();
    }
    const MFileResult result = MFile::WriteWhole(path, data);
    if (!result)
        Log("Could not write tool preferences '%s': %s", path.c_str(), result.reason.c_str());
    return 0;
}

int AppendToolPref(const MStr& toolName, const MStr& name, const MStr& value)
{
    return AppendToolPrefs(toolName, &name, &value, 1);
}

int OpenToolConfiguration(const MStr& toolName)
{
    const MStr path = GetToolPrefsPath(toolName);
    std::string text;
    if (!ReadToolPrefsText(path, text))
    {
        Log("Error, could not open config file '%s' for reading.", path.c_str());
        return 0;
    }
    MScriptInterpreter interpreter;
    interpreter.ExecuteScript(text, true);
    // Modeless and without owner; it deletes itself when closed. Wide enough
    // for a name and a value field side by side.
    auto* dialog = new CToolConfigDlg(nullptr);
    dialog->setGeometry(10, 100, 300, 300);
    dialog->show();
    dialog->SetActionName(toolName);
    for (const MScriptVariable* v = interpreter.GetFirstVariable(); v;
         v = interpreter.GetNextVariable())
    {
        Log("Variaible Found '%s' of Value '%s' at KeyHash of %i", v->name.c_str(), v->text.c_str(),
            interpreter.GetCurrentHashSlot());
        dialog->AddItem(*v);
    }
    return 1;
}
