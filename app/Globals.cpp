#include "Globals.h"

#include "MAction.h"
#include "MBaseUndoNode.h"
#include "MBaseViewWndList.h"
#include "MKeyBinding.h"
#include "MSystemManager.h"
#include "MUndoList.h"

// Built in this order, destroyed in reverse.
MStr g_ColourNames[kDisplayColourCount] = {
    "Background",       "Grid",           "Object",
    "Object Selection", "Component",      "Component Selection",
    "Normal Hilight",   "Normal Lolight", "Select Box",
    "X Axis",           "Y Axis",         "Z Axis",
};
uint32_t g_ColourValues[kDisplayColourCount] = {
    MakeColourValue(102, 102, 102), MakeColourValue(76, 76, 76),  MakeColourValue(255, 255, 255),
    MakeColourValue(32, 255, 32),   MakeColourValue(32, 224, 32), MakeColourValue(230, 230, 32),
    MakeColourValue(255, 255, 0),   MakeColourValue(255, 127, 0), MakeColourValue(0, 255, 255),
    MakeColourValue(255, 0, 0),     MakeColourValue(0, 255, 0),   MakeColourValue(0, 0, 255),
};
MBaseViewWndList g_ViewWndList;
MUndoList g_UndoList;
MUndoList g_RedoList;
MStr g_CurrentFileName;
MStr g_RecentFiles[kRecentFileSlots];
int g_RecentFileCount = kRecentFileSlots;
MConfig g_Config;
MActionRegistry g_ActionRegistry;
MKeyBindingTable g_KeyBindingTable;
MSystemManager g_SystemManager;

QWidget* g_MainWnd = nullptr;
MBaseViewWnd* g_ActiveView = nullptr;
MBaseViewWnd* g_ViewPanes[3] = {nullptr, nullptr, nullptr};
MScene* g_CurrentScene = nullptr;
MBaseUndoNode* g_PendingUndoNode = nullptr;
bool g_SavePromptAnswered = false;
bool g_Closing = false;
