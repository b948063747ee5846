#include "KUndoActions.h"

#include "Globals.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MUndoList.h"

namespace
{
// Steps a list, then has the scene re-evaluate at its time, tells every
// object to update and lets the views and the channel bar refresh.
int StepAndRefresh(MUndoList& list)
{
    if (list.GetCount() == 0)
        return 0;
    list.Step();
    if (MScene* scene = g_CurrentScene)
    {
        scene->SetTime(scene->GetTime());
        scene->UpdateObject(nullptr, true);
    }
    MSendSceneChanged();
    return 1;
}
} // namespace

int KEditUndo()
{
    return StepAndRefresh(g_UndoList);
}

int KEditRedo()
{
    return StepAndRefresh(g_RedoList);
}

int KEditPurgeUndoLists()
{
    g_UndoList.Purge();
    g_RedoList.Purge();
    return 1;
}
