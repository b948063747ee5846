#pragma once

#include "KActions.h"
#include "MStr.h"

// The file, shader, window and help commands are declared with every other
// action in KActions.h; these are their helpers the main window calls too.

// Opens the recent file in slot index (0..4); no save prompt, undo kept.
int OpenRecentFile(int index);
// Moves or adds a name to the top of the recent files and rebuilds the menu.
void AddRecentFile(const MStr& name);
// The prompt that guards closing: 0 when the user cancels.
int ExitPrompt();

// The name of the manual in the program folder.
inline constexpr const char* kManualFileName = "Glazen.html";
