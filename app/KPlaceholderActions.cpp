// Handlers of actions whose commands are not built yet. Each logs that its
// command is not available and reports failure, so a key bound to it falls
// through to default handling. A command's real handler replaces its line.
#include "KActions.h"

#include "MSystemManager.h"

namespace
{
int NotAvailableYet(const char* name)
{
    if (MSystemManager* sys = GetSystemManager())
        sys->LogOutput("'%s' is not available yet.", name);
    return 0;
}
} // namespace

#define GLAZEN_PLACEHOLDER_ACTION(name)                                                            \
    int name()                                                                                     \
    {                                                                                              \
        return NotAvailableYet(#name);                                                             \
    }

GLAZEN_PLACEHOLDER_ACTION(KOptionsConfigure)
