#include "MActionList.h"

#include "CBottomDlg.h"
#include "Globals.h"
#include "KActions.h"
#include "MAction.h"
#include "MSystemManager.h"

namespace
{
// One action as it is registered: name, description, list name, handler and
// the command id of its main-menu item (0: no menu item).
struct ActionDef
{
    const char* name;
    const char* description;
    const char* listName;
    ActionHandler handler;
    int commandId;
};

constexpr ActionDef kGeneralActions[] = {
    // Edit > Duplicate
    {"KObjectDuplicateSelected", "Duplicate Selected", "General", KObjectDuplicateSelected, 33001},
    // Edit > Delete > Selected
    {"KObjectDeleteSelected", "Delete Selected", "General", KObjectDeleteSelected, 32978},
    // Shaders > Create Shader
    {"KPrimitiveCreateMaterial", "Create Shader", "General", KPrimitiveCreateMaterial, 33008},
    {"KSelectParent", "Select Parent", "General", KSelectParent, 0},
    {"KSelectChild", "Select Child", "General", KSelectChild, 0},
    {"KSelectPrevSibling", "Select Previous Sibling", "General", KSelectPrevSibling, 0},
    {"KSelectNextSibling", "Select Next Sibling", "General", KSelectNextSibling, 0},
    // Shaders > Add Layer
    {"KMaterialAddLayer", "Add Layer to Shader", "General", KMaterialAddLayer, 33064},
};
constexpr ActionDef kSelectToolAction[] = {
    {"KToolSelect", "Select Tool", "General", KToolSelect, 0},
};
constexpr ActionDef kViewActions[] = {
    {"KViewportTop", "Top View", "View", KViewportTop, 0},
    {"KViewportFront", "Front View", "View", KViewportFront, 0},
    {"KViewportRight", "Right View", "View", KViewportRight, 0},
    {"KViewportBottom", "Bottom View", "View", KViewportBottom, 0},
    {"KViewportBack", "Back View", "View", KViewportBack, 0},
    {"KViewportLeft", "Left View", "View", KViewportLeft, 0},
    {"KViewportPerspective", "Perspective View", "View", KViewportPerspective, 0},
    {"KViewportSceneOutline", "Scene Outline View", "View", KViewportSceneOutline, 0},
    {"KViewportMaterialEdit", "Material Edit View", "View", KViewportMaterialEdit, 0},
    {"KViewportMakeCopy", "Make Copy of View", "View", KViewportMakeCopy, 0},
    {"KViewportFrameAll", "Frame All", "View", KViewportFrameAll, 0},
    {"KViewportFrameSelected", "Frame Selected", "View", KViewportFrameSelected, 0},
    {"KViewportZoomIn", "Zoom In", "View", KViewportZoomIn, 0},
    {"KViewportZoomOut", "Zoom Out", "View", KViewportZoomOut, 0},
    {"KViewportIncreaseIconSize", "Increase Icon Size", "View", KViewportIncreaseIconSize, 0},
    {"KViewportDecreaseIconSize", "Decrease Icon Size", "View", KViewportDecreaseIconSize, 0},
    {"KViewportRedrawAll", "Redraw All Viewports", "View", KViewportRedrawAll, 0},
    {"KViewportFullScreen", "Toggle Fullscreen", "View", KViewportFullScreen, 0},
    {"KViewportToggleGrid", "Toggle Grid Visibiliy", "View", KViewportToggleGrid, 0},
};
constexpr ActionDef kMainActions[] = {
    // File > New
    {"KFileNew", "File New", "Main", KFileNew, 57600},
    // File > Open ...
    {"KFileOpen", "File Open", "Main", KFileOpen, 57601},
    // File > Save
    {"KFileSave", "File Save", "Main", KFileSave, 57603},
    // File > Save As ...
    {"KFileSaveAs", "File Save As", "Main", KFileSaveAs, 32774},
    // File > Merge ...
    {"KFileMerge", "File Merge", "Main", KFileMerge, 32775},
    // File > Import...
    {"KFileImport", "File Import", "Main", KFileImport, 32961},
    // File > Export...
    {"KFileExport", "File Export", "Main", KFileExport, 32962},
    // File > Exit
    {"KFileExit", "File Exit", "Main", KFileExit, 32781},
    // Edit > Undo
    {"KEditUndo", "Undo", "Main", KEditUndo, 57643},
    // Edit > Redo
    {"KEditRedo", "Redo", "Main", KEditRedo, 57644},
    // Shaders > Import Shaders...
    {"KFileImportShaders", "Import Shaders", "Main", KFileImportShaders, 33066},
    // Shaders > Export Shaders...
    {"KFileExportShaders", "Export Shaders", "Main", KFileExportShaders, 33067},
    // Edit > Select > Select All
    {"KEditSelectAll", "Select All", "Main", KEditSelectAll, 32796},
    // Edit > Select > Select None
    {"KEditSelectNone", "Select None", "Main", KEditSelectNone, 32797},
    // Edit > Select > Select Inverse
    {"KEditSelectInverse", "Select Inverse", "Main", KEditSelectInverse, 32798},
    // Edit > Select > Children
    {"KEditSelectChildren", "Select Children", "Main", KEditSelectChildren, 33018},
    // Options > Configure...
    {"KOptionsConfigure", "Configure", "Main", KOptionsConfigure, 32821},
    // Help > Contents
    {"KHelpContents", "Help Contents", "Main", KHelpContents, 32868},
    // Help > Keyword Search
    {"KHelpKeyword", "Help Keyword Search", "Main", KHelpKeyword, 32869},
    // Help > About
    {"KHelpAbout", "Help About", "Main", KHelpAbout, 32871},
    {"KToolCycle", "Cycle Tools", "Main", KToolCycle, 0},
    // Edit > Purge > Undo Lists
    {"KEditPurgeUndoLists", "Purge Undo Lists", "Main", KEditPurgeUndoLists, 33005},
    {"KControlNextFrame", "Next Frame", "Main", KControlNextFrame, 0},
    {"KControlPrevFrame", "Previous Frame", "Main", KControlPrevFrame, 0},
    {"KControlPlayCamera", "Play Camera", "Main", KControlPlayCamera, 0},
    // Display > Hide > Selected
    {"KControlHideSelected", "Hide Selected", "Display", KControlHideSelected, 32968},
    // Display > Hide > Unselected
    {"KControlHideUnSelected", "Hide Unselected", "Display", KControlHideUnSelected, 32969},
    // Display > Hide > All
    {"KControlHideAll", "Hide All", "Display", KControlHideAll, 32970},
    // Display > Show > Selected
    {"KControlShowSelected", "Show Selected", "Display", KControlShowSelected, 32971},
    // Display > Show > Unselected
    {"KControlShowUnSelected", "Show Unselected", "Display", KControlShowUnSelected, 32972},
    // Display > Show > All
    {"KControlShowAll", "Show All", "Display", KControlShowAll, 32973},
    // Window > Console Window
    {"KToolsConsoleWindow", "Show Console Window", "Window", KToolsConsoleWindow, 32823},
    // Window > Scene Outline
    {"KWindowSceneOutline", "Show Scene Outline", "Window", KWindowSceneOutline, 32989},
    // Window > Material Window
    {"KWindowMaterialEdit", "Shader Edit Window", "Window", KWindowMaterialEdit, 33045},
};

void Log(const char* line)
{
    if (MSystemManager* sys = GetSystemManager())
        sys->LogOutput("%s", line);
}

template <size_t N>
void RegisterGroup(MActionRegistry& registry, QWidget* window, const char* logLine,
                   const ActionDef (&defs)[N])
{
    Log(logLine);
    for (const ActionDef& d : defs)
    {
        if (d.commandId)
            registry.RegisterAction(d.name, d.description, d.listName, d.handler, window,
                                    d.commandId);
        else
            registry.RegisterAction(d.name, d.description, d.listName, d.handler);
    }
}

constexpr const char* kGeneralLine = "Initialising General Action List";
} // namespace

// Play Camera starts the scene time running, or stops it.
int KControlPlayCamera()
{
    if (CBottomDlg* bottom = g_MainWnd ? g_MainWnd->findChild<CBottomDlg*>() : nullptr)
    {
        if (bottom->IsPlaying())
            bottom->StopPlay();
        else
            bottom->StartPlay();
    }
    return 1;
}

void RegisterGeneralActions(MActionRegistry& registry, QWidget* window)
{
    RegisterGroup(registry, window, kGeneralLine, kGeneralActions);
}

void RegisterSelectToolAction(MActionRegistry& registry, QWidget* window)
{
    RegisterGroup(registry, window, kGeneralLine, kSelectToolAction);
}

void RegisterViewActions(MActionRegistry& registry, QWidget* window)
{
    RegisterGroup(registry, window, "Initialising View Action List", kViewActions);
}

void RegisterMainActions(MActionRegistry& registry, QWidget* window)
{
    RegisterGroup(registry, window, "Initialising Main Action List", kMainActions);
}

void RegisterAllActions(MActionRegistry& registry, QWidget* window)
{
    RegisterGeneralActions(registry, window);
    RegisterSelectToolAction(registry, window);
    RegisterViewActions(registry, window);
    RegisterMainActions(registry, window);
}

void RegisterGeneralActions(QWidget* window)
{
    RegisterGeneralActions(g_ActionRegistry, window);
}

void RegisterSelectToolAction(QWidget* window)
{
    RegisterSelectToolAction(g_ActionRegistry, window);
}

void RegisterViewActions(QWidget* window)
{
    RegisterViewActions(g_ActionRegistry, window);
}

void RegisterMainActions(QWidget* window)
{
    RegisterMainActions(g_ActionRegistry, window);
}

void RegisterAllActions(QWidget* window)
{
    RegisterAllActions(g_ActionRegistry, window);
}
