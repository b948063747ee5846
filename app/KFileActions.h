#pragma once

#include "KActions.h"
#include "MStr.h"

#include <vector>

// The file, shader, window and help commands are declared with every other
// action in KActions.h; these are their helpers the main window calls too.

// Opens the recent file in slot index (0..4) after the save prompt, as Open
// does.
int OpenRecentFile(int index);
// Opens a scene file without asking first; 0 (logged) when it cannot be read.
int OpenSceneFile(const MStr& name);
// The files named on the command line: a scene file is opened, shader
// scripts are imported (one undo step). Returns how many were read.
int OpenCommandLineFiles(const std::vector<MStr>& paths);
// Moves or adds a name to the top of the recent files and rebuilds the menu.
void AddRecentFile(const MStr& name);
// The prompt that guards closing: 0 when the user cancels.
int ExitPrompt();

// The name of the manual in the program folder.
inline constexpr const char* kManualFileName = "Glazen.html";
