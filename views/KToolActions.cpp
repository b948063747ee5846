#include "KActions.h"
#include "MPrivateEvent.h"
#include "MSelectToolType.h"
#include "MToolManager.h"

int KToolSelect()
{
    g_ToolManager.PushTool(new MSelectToolType());
    MPostMessage(UM_SCENE_CHANGED, 65535);
    return 1;
}

int KToolCycle()
{
    return KToolSelect();
}
