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

GLAZEN_PLACEHOLDER_ACTION(KObjectDuplicateSelected)
GLAZEN_PLACEHOLDER_ACTION(KObjectDeleteSelected)
GLAZEN_PLACEHOLDER_ACTION(KSelectParent)
GLAZEN_PLACEHOLDER_ACTION(KSelectChild)
GLAZEN_PLACEHOLDER_ACTION(KSelectPrevSibling)
GLAZEN_PLACEHOLDER_ACTION(KSelectNextSibling)
GLAZEN_PLACEHOLDER_ACTION(KToolSelect)
GLAZEN_PLACEHOLDER_ACTION(KViewportTop)
GLAZEN_PLACEHOLDER_ACTION(KViewportFront)
GLAZEN_PLACEHOLDER_ACTION(KViewportRight)
GLAZEN_PLACEHOLDER_ACTION(KViewportBottom)
GLAZEN_PLACEHOLDER_ACTION(KViewportBack)
GLAZEN_PLACEHOLDER_ACTION(KViewportLeft)
GLAZEN_PLACEHOLDER_ACTION(KViewportPerspective)
GLAZEN_PLACEHOLDER_ACTION(KViewportMakeCopy)
GLAZEN_PLACEHOLDER_ACTION(KViewportIncreaseIconSize)
GLAZEN_PLACEHOLDER_ACTION(KViewportDecreaseIconSize)
GLAZEN_PLACEHOLDER_ACTION(KViewportRedrawAll)
GLAZEN_PLACEHOLDER_ACTION(KViewportFullScreen)
GLAZEN_PLACEHOLDER_ACTION(KViewportToggleGrid)
GLAZEN_PLACEHOLDER_ACTION(KEditSelectAll)
GLAZEN_PLACEHOLDER_ACTION(KEditSelectNone)
GLAZEN_PLACEHOLDER_ACTION(KEditSelectInverse)
GLAZEN_PLACEHOLDER_ACTION(KEditSelectChildren)
GLAZEN_PLACEHOLDER_ACTION(KToolCycle)
GLAZEN_PLACEHOLDER_ACTION(KControlNextFrame)
GLAZEN_PLACEHOLDER_ACTION(KControlPrevFrame)
GLAZEN_PLACEHOLDER_ACTION(KControlHideSelected)
GLAZEN_PLACEHOLDER_ACTION(KControlHideUnSelected)
GLAZEN_PLACEHOLDER_ACTION(KControlHideAll)
GLAZEN_PLACEHOLDER_ACTION(KControlShowSelected)
GLAZEN_PLACEHOLDER_ACTION(KControlShowUnSelected)
GLAZEN_PLACEHOLDER_ACTION(KControlShowAll)
