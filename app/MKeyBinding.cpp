#include "MKeyBinding.h"

#include "MAction.h"
#include "MFile.h"
#include "MSystemManager.h"

#include <cstring>

namespace
{
struct KeyName
{
    unsigned code;
    const char* name;
};

constexpr KeyName kKeyNames[] = {
    {8, "Backspace"},    {9, "Tab"},           {13, "Return"},     {20, "CapsLock"},
    {27, "Escape"},      {32, "Space"},        {33, "Page Up"},    {34, "Page Down"},
    {35, "End"},         {36, "Home"},         {37, "Left Arrow"}, {38, "Up Arrow"},
    {39, "Right Arrow"}, {40, "Down Arrow"},   {45, "Insert"},     {46, "Delete"},
    {96, "Numpad 0"},    {97, "Numpad 1"},     {98, "Numpad 2"},   {99, "Numpad 3"},
    {100, "Numpad 4"},   {101, "Numpad 5"},    {102, "Numpad 6"},  {103, "Numpad 7"},
    {104, "Numpad 8"},   {105, "Numpad 9"},    {106, "Numpad *"},  {107, "Numpad +"},
    {108, "Separator"},  {109, "Numpad -"},    {110, "Numpad ."},  {111, "Numpad /"},
    {144, "Numlock"},    {145, "Scroll Lock"}, {186, ";"},         {187, "="},
    {188, ","},          {189, "-"},           {190, "."},         {191, "/"},
    {192, "`"},          {219, "["},           {220, "\\"},        {221, "]"},
    {222, "'"},
};

// The lists the main window tries a key in, before any list.
constexpr const char* kDispatchOrder[] = {"General", "Main", "Display", "Window", "View"};

// A key file of this size is far beyond any real one; larger is refused.
constexpr size_t kMaxKeyFileBytes = size_t(16) << 20;

void LogLine(const char* fmt, const char* a, const char* b)
{
    if (MSystemManager* sys = GetSystemManager())
        sys->LogOutput(fmt, a, b);
}

bool HasRecord(const MKeyBinding* b)
{
    return b->m_Action && b->m_KeyCode != 0;
}

size_t FindQuote(const char* data, size_t size, size_t from)
{
    if (from >= size)
        return size;
    const void* q = std::memchr(data + from, '"', size - from);
    return q ? size_t(static_cast<const char*>(q) - data) : size;
}

void AppendQuoted(std::string& out, const MStr& text)
{
    out += '"';
    out += text.str();
    out += '"';
}

int WriteFile(const MStr& path, const std::string& bytes)
{
    MFileResult r = MFile::WriteWhole(path, bytes);
    if (!r)
    {
        LogLine("Could not write key file '%s': %s", path.c_str(), r.reason.c_str());
        return 0;
    }
    return 1;
}
} // namespace

MStr GetKeyName(unsigned keyCode)
{
    if (keyCode >= 112 && keyCode <= 135)
        return MStr::Printf("F%u", keyCode - 111);
    for (const KeyName& k : kKeyNames)
        if (k.code == keyCode)
            return k.name;
    if (keyCode == 0)
        return MStr();
    // Otherwise the key is named by the character of its code. Codes that
    // give no visible character (control codes, codes past Latin-1) are
    // named by number, so a menu never shows a line break or a stray byte.
    if (keyCode >= 32 && keyCode <= 126)
        return MStr(std::string(1, char(keyCode)));
    if (keyCode >= 160 && keyCode <= 255)
    {
        // The Latin-1 character, spelled in UTF-8.
        std::string s;
        s += char(0xC0 | (keyCode >> 6));
        s += char(0x80 | (keyCode & 0x3F));
        return MStr(s);
    }
    return MStr::Printf("Key %u", keyCode);
}

MStr MKeyBinding::GetShortcutText() const
{
    MStr text;
    if (m_Alt)
        text += "Alt+";
    if (m_Shift)
        text += "Shift+";
    if (m_Ctrl)
        text += "Ctrl+";
    text += GetKeyName(m_KeyCode);
    return text;
}

void MKeyBinding::WriteMenuShortcut() const
{
    if (m_Action && m_Action->GetMenuItem().IsSet())
        m_Action->GetMenuItem().SetShortcutText(GetShortcutText());
}

MKeyBinding* MKeyBindingTable::Append(unsigned keyCode, bool ctrl, bool alt, bool shift,
                                      MAction* action)
{
    auto* b = new MKeyBinding;
    b->m_KeyCode = uint16_t(keyCode);
    b->m_Ctrl = ctrl ? 1 : 0;
    b->m_Alt = alt ? 1 : 0;
    b->m_Shift = shift ? 1 : 0;
    b->m_Action = action;
    b->m_Prev = m_Tail;
    if (m_Tail)
        m_Tail->m_Next = b;
    else
        m_Head = b;
    m_Tail = b;
    ++m_Count;
    return b;
}

int MKeyBindingTable::AddBinding(const MStr& actionName, const MStr& listName, unsigned keyCode,
                                 bool ctrl, bool alt, bool shift)
{
    MAction* action = m_Registry ? m_Registry->FindActionByName(actionName, listName) : nullptr;
    MKeyBinding* b = Append(keyCode, ctrl, alt, shift, action);
    if (m_WritesMenus)
        b->WriteMenuShortcut();
    return 1;
}

MKeyBinding* MKeyBindingTable::FindByKey(unsigned keyCode, const MStr& listName, bool ctrl,
                                         bool alt, bool shift) const
{
    for (MKeyBinding* b = m_Head; b; b = b->m_Next)
    {
        if (b->m_KeyCode != keyCode || b->m_Ctrl != (ctrl ? 1 : 0) || b->m_Alt != (alt ? 1 : 0) ||
            b->m_Shift != (shift ? 1 : 0) || !b->m_Action)
            continue;
        if (listName.IsEmpty() || b->m_Action->GetListName().EqualsNoCase(listName))
            return b;
    }
    return nullptr;
}

MKeyBinding* MKeyBindingTable::FindByAction(const MStr& actionName, const MStr& listName) const
{
    for (MKeyBinding* b = m_Head; b; b = b->m_Next)
    {
        if (!b->m_Action || !b->m_Action->GetName().EqualsNoCase(actionName))
            continue;
        if (listName.IsEmpty() || b->m_Action->GetListName().EqualsNoCase(listName))
            return b;
    }
    return nullptr;
}

int MKeyBindingTable::DispatchKey(unsigned keyCode, bool ctrl, bool alt, bool shift,
                                  const MStr& listName) const
{
    MKeyBinding* b = FindByKey(keyCode, listName, ctrl, alt, shift);
    return b ? b->m_Action->Run() : 0;
}

int MKeyBindingTable::DispatchKeyInListOrder(unsigned keyCode, bool ctrl, bool alt,
                                             bool shift) const
{
    for (const char* list : kDispatchOrder)
        if (int r = DispatchKey(keyCode, ctrl, alt, shift, list))
            return r;
    // Any list: a binding whose handler gave 0 above runs once more here.
    return DispatchKey(keyCode, ctrl, alt, shift, MStr());
}

void MKeyBindingTable::RefreshMenus() const
{
    if (!m_WritesMenus)
        return;
    // Cut every action's menu text at its tab first: a shortcut that is no
    // longer bound must not stay behind in the menu.
    for (MAction* a = m_Registry ? m_Registry->GetHead() : nullptr; a; a = a->GetNext())
    {
        const MMenuItemRef& item = a->GetMenuItem();
        if (!item.IsSet())
            continue;
        MStr text;
        if (!MGetMenuItemText(item.GetMenu(), item.GetCommandId(), text, 4096))
            continue;
        const size_t tab = text.str().find('\t');
        if (tab != std::string::npos)
            MSetMenuItemText(item.GetMenu(), item.GetCommandId(), MStr(text.str().substr(0, tab)));
    }
    for (MKeyBinding* b = m_Head; b; b = b->m_Next)
        b->WriteMenuShortcut();
}

void MKeyBindingTable::CopyFrom(const MKeyBindingTable& other)
{
    if (&other == this)
        return;
    Clear();
    for (MKeyBinding* b = other.m_Head; b; b = b->m_Next)
        Append(b->m_KeyCode, b->m_Ctrl, b->m_Alt, b->m_Shift, b->m_Action);
    m_Registry = other.m_Registry;
}

void MKeyBindingTable::Clear()
{
    MKeyBinding* b = m_Head;
    while (b)
    {
        MKeyBinding* next = b->m_Next;
        delete b;
        b = next;
    }
    m_Head = m_Tail = nullptr;
    m_Count = 0;
}

int MKeyBindingTable::LoadKeyFile(const MStr& path)
{
    std::string data;
    MFileResult r = MFile::ReadWhole(path, data, kMaxKeyFileBytes);
    if (!r)
    {
        // A missing key file is the usual case before the first save.
        if (r.code != MFILE_NOT_FOUND)
            LogLine("Could not read key file '%s': %s", path.c_str(), r.reason.c_str());
        return 0;
    }
    LoadKeyData(data.data(), data.size());
    return 1;
}

void MKeyBindingTable::LoadKeyData(const char* data, size_t size)
{
    Clear();
    if (!data)
        return;
    // Each record: "name" = kkSCA "list" CR LF, where kk is the key code,
    // two bytes little-endian, and S, C, A the flags (any other byte: clear).
    // The key code and flags stand at fixed places behind the name's closing
    // quote and may hold any byte, quotes included; the list name is sought
    // from the last flag on. A record cut short ends the reading.
    size_t pos = 0;
    while (pos < size)
    {
        const size_t nameOpen = FindQuote(data, size, pos);
        const size_t nameClose = FindQuote(data, size, nameOpen + 1);
        if (nameClose >= size)
            break;
        const size_t keyAt = nameClose + 4;
        const size_t altAt = keyAt + 4;
        if (altAt >= size)
            break;
        const auto* u = reinterpret_cast<const unsigned char*>(data);
        const unsigned keyCode = unsigned(u[keyAt]) | (unsigned(u[keyAt + 1]) << 8);
        const bool shift = data[keyAt + 2] == 'S';
        const bool ctrl = data[keyAt + 3] == 'C';
        const bool alt = data[altAt] == 'A';
        const size_t listOpen = FindQuote(data, size, altAt);
        const size_t listClose = FindQuote(data, size, listOpen + 1);
        if (listClose >= size)
            break;
        const MStr name(data + nameOpen + 1, nameClose - nameOpen - 1);
        const MStr list(data + listOpen + 1, listClose - listOpen - 1);
        MAction* action = m_Registry ? m_Registry->FindActionByName(name, list) : nullptr;
        Append(keyCode, ctrl, alt, shift, action);
        pos = listClose + 1;
    }
}

namespace
{
// One line per binding worth keeping: the quoted action name, " = ", what
// keyText writes for the key, a blank, the quoted list name, CR LF.
template <class KeyText> std::string FormatRecords(const MKeyBinding* head, KeyText keyText)
{
    std::string out;
    for (const MKeyBinding* b = head; b; b = b->GetNext())
    {
        if (!HasRecord(b))
            continue;
        AppendQuoted(out, b->m_Action->GetName());
        out += " = ";
        keyText(out, *b);
        out += ' ';
        AppendQuoted(out, b->m_Action->GetListName());
        out += "\r\n";
    }
    return out;
}
} // namespace

std::string MKeyBindingTable::FormatKeyData() const
{
    return FormatRecords(m_Head,
                         [](std::string& out, const MKeyBinding& b)
                         {
                             out += char(b.m_KeyCode & 0xFF);
                             out += char(b.m_KeyCode >> 8);
                             out += b.m_Shift ? 'S' : 's';
                             out += b.m_Ctrl ? 'C' : 'c';
                             out += b.m_Alt ? 'A' : 'a';
                         });
}

int MKeyBindingTable::SaveKeyFile(const MStr& path) const
{
    return WriteFile(path, FormatKeyData());
}

int MKeyBindingTable::SavePlainText(const MStr& path) const
{
    return WriteFile(path, FormatRecords(m_Head, [](std::string& out, const MKeyBinding& b)
                                         { out += b.GetShortcutText().str(); }));
}
