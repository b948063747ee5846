#include "MDefaultKeyTable.h"

#include "MAction.h"
#include "MKeyBinding.h"

#include <string>

namespace
{
std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool TakePrefix(std::string_view& s, std::string_view prefix)
{
    if (s.size() <= prefix.size() || !EqualsNoCase(s.substr(0, prefix.size()), prefix))
        return false;
    s.remove_prefix(prefix.size());
    return true;
}
} // namespace

unsigned MDefaultKeyTable::ParseKeyName(std::string_view name)
{
    if (name.empty())
        return 0;
    for (unsigned code = 1; code < 256; ++code)
        if (EqualsNoCase(GetKeyName(code).str(), name))
            return code;
    return 0;
}

int MDefaultKeyTable::Apply(std::string_view text, const MActionRegistry& registry,
                            MKeyBindingTable& table, std::vector<MStr>& problems)
{
    int added = 0, lineNumber = 0;
    while (!text.empty())
    {
        const size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        const size_t gap = line.find_last_of(" \t");
        if (gap == std::string_view::npos)
        {
            problems.push_back(
                MStr::Printf("line %i: a shortcut and an action are needed", lineNumber));
            continue;
        }
        const std::string action(line.substr(gap + 1));
        std::string_view shortcut = Trim(line.substr(0, gap));
        bool ctrl = false, shift = false, alt = false;
        for (bool more = true; more;)
        {
            more = false;
            if (TakePrefix(shortcut, "Ctrl+"))
                more = ctrl = true;
            else if (TakePrefix(shortcut, "Shift+"))
                more = shift = true;
            else if (TakePrefix(shortcut, "Alt+"))
                more = alt = true;
        }
        const unsigned code = ParseKeyName(shortcut);
        const MAction* found = registry.FindActionByName(MStr(action));
        if (!code || !found)
        {
            problems.push_back(MStr::Printf("line %i: %s '%s'", lineNumber,
                                            code ? "no action" : "no key",
                                            code ? action.c_str() : std::string(shortcut).c_str()));
            continue;
        }
        if (table.FindByKey(code, found->GetListName(), ctrl, alt, shift))
        {
            problems.push_back(MStr::Printf("line %i: the key is bound twice", lineNumber));
            continue;
        }
        table.AddBinding(found->GetName(), found->GetListName(), code, ctrl, alt, shift);
        ++added;
    }
    return added;
}
