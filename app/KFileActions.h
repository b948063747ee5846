#pragma once

#include "MStr.h"

// File, shader, window and help commands. Each returns non-zero when it
// carried the command out.
int KFileNew();
int KFileOpen();
int KFileSave();
int KFileSaveAs();
int KFileMerge();
int KFileImport();
int KFileExport();
int KFileExit();
int KFileImportShaders();
int KFileExportShaders();
int KHelpContents();
int KHelpKeyword();
int KHelpAbout();
int KToolsConsoleWindow();
int KWindowSceneOutline();
int KWindowMaterialEdit();

// Opens the recent file in slot index (0..4); no save prompt, undo kept.
int OpenRecentFile(int index);
// Moves or adds a name to the top of the recent files and rebuilds the menu.
void AddRecentFile(const MStr& name);
// The prompt that guards closing: 0 when the user cancels.
int ExitPrompt();

// The name of the manual in the program folder.
inline constexpr const char* kManualFileName = "Glazen.html";
