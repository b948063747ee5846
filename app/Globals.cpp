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
std::array<uint32_t, kDisplayColourCount> g_ColourValues = kDefaultColourValues;
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
