#pragma once

#include "MConfig.h"
#include "MStr.h"

#include <cstdint>

class MActionRegistry;
class MBaseUndoNode;
class MKeyBindingTable;
class MScene;
class MSystemManager;
class MUndoList;
class QWidget;

// The editor's global objects. They are defined in one place, in the order
// they are built, and live for the whole run.
extern MStr g_ColourNames[kDisplayColourCount];
extern std::array<uint32_t, kDisplayColourCount> g_ColourValues;
extern MUndoList g_UndoList;
extern MUndoList g_RedoList;
extern MStr g_CurrentFileName;
extern MStr g_RecentFiles[kRecentFileSlots];
extern int g_RecentFileCount;
extern MConfig g_Config;
extern MActionRegistry g_ActionRegistry;
extern MKeyBindingTable g_KeyBindingTable;
extern MSystemManager g_SystemManager;

// Set at run time.
extern QWidget* g_MainWnd;
extern MScene* g_CurrentScene;
// A node between its making and its push, owned here until then.
extern MBaseUndoNode* g_PendingUndoNode;
// The exit prompt has been answered Yes or No; it is not shown again.
extern bool g_SavePromptAnswered;
// A close request is under way.
extern bool g_Closing;
