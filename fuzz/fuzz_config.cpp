// Configuration file: any bytes applied as configuration data. The settings
// must stay within their bounds, and writing what was applied and applying
// that again from the start must give the same settings.

#include "Globals.h"
#include "MConfig.h"
#include "MSystemManager.h"
#include "MUndoList.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
void Check(bool condition, const char* what)
{
    if (!condition)
    {
        std::fprintf(stderr, "fuzz_config: %s\n", what);
        std::abort();
    }
}

void ResetSettings(MSystemManager& sys)
{
    for (MStr& name : g_RecentFiles)
        name = MStr();
    g_RecentFileCount = kRecentFileSlots;
    ResetDisplayColours();
    g_UndoList.SetLimit(-1);
    sys.GetImageSearchPaths().RemoveAll();
}

struct Snapshot
{
    std::vector<MStr> recent;
    int recentCount = 0;
    std::vector<uint32_t> colours;
    int undoLimit = 0;
    MStrList paths;

    explicit Snapshot(const MSystemManager& sys)
        : recent(std::begin(g_RecentFiles), std::end(g_RecentFiles)),
          recentCount(g_RecentFileCount),
          colours(std::begin(g_ColourValues), std::end(g_ColourValues)),
          undoLimit(g_UndoList.GetLimit()), paths(sys.GetImageSearchPaths())
    {
    }
    bool operator==(const Snapshot&) const = default;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A manager without log sinks, so the log code runs too.
    static MSystemManager sys;
    SetSystemManager(&sys);

    ResetSettings(sys);
    ApplyConfigData(reinterpret_cast<const char*>(data), size);
    Check(g_RecentFileCount >= 0 && g_RecentFileCount <= kRecentFileSlots,
          "the recent-file count left its slots");
    Check(g_UndoList.GetLimit() == -1 || g_UndoList.GetLimit() > 0, "an invalid undo limit");
    const Snapshot applied(sys);

    const std::string written = FormatConfigData();
    ResetSettings(sys);
    ApplyConfigData(written.data(), written.size());
    Check(Snapshot(sys) == applied, "writing and reading back changed the settings");
    return 0;
}
