#pragma once

// The editor's actions: each carries out one command and returns non-zero
// when it did. They are registered by name in MActionList.cpp.

// General list.
int KObjectDuplicateSelected();
int KObjectDeleteSelected();
int KPrimitiveCreateMaterial();
int KSelectParent();
int KSelectChild();
int KSelectPrevSibling();
int KSelectNextSibling();
int KMaterialAddLayer();
int KToolSelect();

// View list.
int KViewportTop();
int KViewportFront();
int KViewportRight();
int KViewportBottom();
int KViewportBack();
int KViewportLeft();
int KViewportPerspective();
int KViewportSceneOutline();
int KViewportMaterialEdit();
int KViewportMakeCopy();
int KViewportFrameAll();
int KViewportFrameSelected();
int KViewportZoomIn();
int KViewportZoomOut();
int KViewportIncreaseIconSize();
int KViewportDecreaseIconSize();
int KViewportRedrawAll();
int KViewportFullScreen();
int KViewportToggleGrid();

// Main list, with the Display and Window actions.
int KFileNew();
int KFileOpen();
int KFileSave();
int KFileSaveAs();
int KFileMerge();
int KFileImport();
int KFileExport();
int KFileExit();
int KEditUndo();
int KEditRedo();
int KFileImportShaders();
int KFileExportShaders();
int KEditSelectAll();
int KEditSelectNone();
int KEditSelectInverse();
int KEditSelectChildren();
int KOptionsConfigure();
int KHelpContents();
int KHelpKeyword();
int KHelpAbout();
int KToolCycle();
int KEditPurgeUndoLists();
int KControlNextFrame();
int KControlPrevFrame();
int KControlPlayCamera();
int KControlHideSelected();
int KControlHideUnSelected();
int KControlHideAll();
int KControlShowSelected();
int KControlShowUnSelected();
int KControlShowAll();
int KToolsConsoleWindow();
int KWindowSceneOutline();
int KWindowMaterialEdit();
