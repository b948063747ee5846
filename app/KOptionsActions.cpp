// The configuration dialog's command: it fills the dialog's pages with
// copies of the settings and, after OK, copies them back and saves them.
#include "CColorConfigPage.h"
#include "CConfigSheet.h"
#include "CControlConfig.h"
#include "CKeyConfigPage.h"
#include "CUndoConfigPage.h"
#include "Globals.h"
#include "KActions.h"
#include "MKeyBinding.h"
#include "MPrivateEvent.h"
#include "MSystemManager.h"
#include "MUndoList.h"

#include <algorithm>

int KOptionsConfigure()
{
    CConfigSheet sheet(g_MainWnd);
    sheet.KeyPage()->Load(g_KeyBindingTable);
    sheet.ControlPage()->Load(g_Config.m_Controls);
    sheet.UndoPage()->LoadFromUndoList(g_UndoList);
    MSystemManager* sys = GetSystemManager();
    if (sys)
        sheet.UndoPage()->LoadPaths(sys->GetImageSearchPaths());
    sheet.ColorPage()->Load(g_ColourValues);

    if (sheet.exec() == QDialog::Accepted)
    {
        g_KeyBindingTable.CopyFrom(sheet.KeyPage()->Table());
        g_KeyBindingTable.RefreshMenus();
        g_ColourValues = sheet.ColorPage()->NewColours();
        if (!sheet.UndoPage()->ApplyToUndoList(g_UndoList) && sys)
            sys->LogOutput("The undo limit %i was refused; the old limit stays.",
                           sheet.UndoPage()->Settings().maximum);
        std::copy_n(sheet.ControlPage()->Controls(), kMouseControlCount, g_Config.m_Controls);
        if (sys)
            sys->GetImageSearchPaths() = sheet.UndoPage()->Paths();
        SaveConfiguration();
    }
    MSendMessage(UM_SCENE_CHANGED, 0xFFFF);
    return 1;
}
