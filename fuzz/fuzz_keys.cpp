// Key file reader: arbitrary bytes are loaded into a binding table linked to
// a registry of a few actions. Every binding must name its key without
// fault; the bytes the table formats must load back to a table that formats
// to the same bytes.

#include "MAction.h"
#include "MKeyBinding.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
int Done()
{
    return 1;
}
int Refused()
{
    return 0;
}

struct Fixture
{
    MActionRegistry registry;

    Fixture()
    {
        registry.RegisterAction("KFileNew", "File New", "Main", Done);
        registry.RegisterAction("KEditUndo", "Undo", "Main", Refused);
        registry.RegisterAction("KViewportTop", "Top View", "View", Done);
        registry.RegisterAction("KSelectParent", "Select Parent", "General", Refused);
        registry.RegisterAction("KControlHideAll", "Hide All", "Display", Done);
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fixture fixture;
    MKeyBindingTable table;
    table.SetActionRegistry(&fixture.registry);
    table.LoadKeyData(reinterpret_cast<const char*>(data), size);

    for (MKeyBinding* b = table.GetHead(); b; b = b->GetNext())
    {
        if (b->GetShortcutText().IsEmpty() && b->m_KeyCode != 0)
            std::abort();
        table.DispatchKeyInListOrder(b->m_KeyCode, b->m_Ctrl, b->m_Alt, b->m_Shift);
    }

    const std::string first = table.FormatKeyData();
    MKeyBindingTable again;
    again.SetActionRegistry(&fixture.registry);
    again.LoadKeyData(first.data(), first.size());
    if (again.FormatKeyData() != first)
        std::abort();
    return 0;
}
