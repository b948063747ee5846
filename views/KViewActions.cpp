#include "KViewActions.h"

#include "CMaterialViewWnd.h"
#include "CSceneViewWnd.h"
#include "Globals.h"
#include "MBaseViewWndList.h"

int KViewportSceneOutline()
{
    if (!g_ActiveView)
        return 0;
    return ReplaceViewInPane(new CSceneViewWnd(), "Scene Outline", "SceneView", g_MainWnd) ? 1 : 0;
}

int KViewportMaterialEdit()
{
    if (!g_ActiveView)
        return 0;
    return ReplaceViewInPane(new CMaterialViewWnd(), "Material View", "MaterialEditView", g_MainWnd)
               ? 1
               : 0;
}
