#pragma once

#include "MStr.h"

#include <string_view>
#include <vector>

class MActionRegistry;
class MKeyBindingTable;

// The readable table the shipped key file is made from: one binding a line,
// the shortcut as menus show it and then the action's name,
//
//     # comment
//     Ctrl+Shift+S    KFileSaveAs
//     Numpad 7        KViewportTop
//
// Modifiers are "Ctrl+", "Shift+" and "Alt+" in any order; key names are
// those of GetKeyName, matched without regard to case.
class MDefaultKeyTable
{
  public:
    // Adds a binding per line to the table, each under its action's list.
    // Lines that cannot be used are described in problems (with their line
    // number) and skipped. The number of bindings added.
    static int Apply(std::string_view text, const MActionRegistry& registry,
                     MKeyBindingTable& table, std::vector<MStr>& problems);
    // The virtual-key code of a key name, 0 when there is none.
    static unsigned ParseKeyName(std::string_view name);
};
