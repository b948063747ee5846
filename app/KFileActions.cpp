#include "KFileActions.h"

#include "CConsoleDlg.h"
#include "CKorvaDlg.h"
#include "CMaterialViewWnd.h"
#include "CSceneViewWnd.h"
#include "Globals.h"
#include "MBaseViewWndList.h"
#include "MCompleteTranslator.h"
#include "MDialogs.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MSystemManager.h"
#include "MTranslator.h"
#include "MUndoList.h"
#include "MUndoNodes.h"

#include <QApplication>
#include <QtGlobal>

#include <chrono>
#include <filesystem>

namespace
{
constexpr const char* kSaveText = "Do you wish to save your changes?";
constexpr const char* kSaveCaption = "Save Changes";

CKorvaDlg* MainWindow()
{
    return qobject_cast<CKorvaDlg*>(g_MainWnd);
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The prompt of New, Open and open recent: 0 when the user cancels, or says
// Yes and the save is cancelled or fails.
int SavePrompt()
{
    switch (MDialogs().AskYesNoCancel(nullptr, kSaveText, kSaveCaption))
    {
    case MSG_YES:
        return KFileSaveAs();
    case MSG_NO:
        return 1;
    default:
        return 0;
    }
}

MFileDialogResult AskSceneFile(MFileDialogRequest::Kind kind)
{
    MCompleteTranslator complete;
    MFileDialogRequest request;
    request.kind = kind;
    request.filter = complete.GetFileFilter() + "||";
    if (kind == MFileDialogRequest::Save)
        request.defaultExtension = "glazen";
    return MDialogs().AskFile(nullptr, request);
}

void PurgeUndoLists()
{
    g_UndoList.Purge();
    g_RedoList.Purge();
}

// Records the present scene tree as "Import" before files are read into it.
MSceneTreeUndoNode* MakeImportNode()
{
    auto* node = new MSceneTreeUndoNode(g_CurrentScene);
    node->SetName("Import");
    return node;
}

bool LogImport(MTranslator* translator, const MStr& path)
{
    bool ok = false;
    if (auto* material = dynamic_cast<MMaterialTranslator*>(translator))
        ok = material->ImportFile(path, g_CurrentScene);
    else if (auto* scene = dynamic_cast<MSceneTranslator*>(translator))
        ok = scene->ImportFile(path, g_CurrentScene);
    if (ok)
        g_SystemManager.LogOutput("Translator imported '%s' successfully.", path.c_str());
    else
        g_SystemManager.LogOutput("Translator Could not import file '%s'.", path.c_str());
    return ok;
}
} // namespace

void AddRecentFile(const MStr& name)
{
    int found = -1;
    for (int i = 0; i < kRecentFileSlots; ++i)
        if (g_RecentFiles[i] == name)
        {
            found = i;
            break;
        }
    const int last = found >= 0 ? found : kRecentFileSlots - 1;
    for (int i = last; i > 0; --i)
        g_RecentFiles[i] = g_RecentFiles[i - 1];
    g_RecentFiles[0] = name;
    if (CKorvaDlg* main = MainWindow())
        main->RebuildRecentFileMenu();
}

int KFileNew()
{
    if (!SavePrompt())
        return 0;
    if (g_CurrentScene)
    {
        g_CurrentScene->ClearScene();
        g_CurrentScene->SetTime(0);
    }
    PurgeUndoLists();
    g_CurrentFileName = "Untitled";
    MSendSceneChanged();
    MSendMessage(UM_UPDATE_TITLE);
    return 1;
}

int KFileOpen()
{
    if (!SavePrompt())
        return 0;
    MFileDialogResult chosen = AskSceneFile(MFileDialogRequest::Open);
    if (!chosen.accepted || chosen.paths.empty())
        return 0;
    const MStr& path = chosen.paths.front();
    PurgeUndoLists();
    auto start = std::chrono::steady_clock::now();
    MCompleteTranslator complete;
    if (g_CurrentScene && complete.ImportFile(path, g_CurrentScene))
    {
        g_CurrentFileName = path;
        MSendMessage(UM_UPDATE_TITLE);
        AddRecentFile(path);
    }
    else
        g_SystemManager.LogOutput("Translator Could not load file %s.", path.c_str());
    g_SystemManager.LogOutput("Reading of Scene to %.2f seconds to complete.", SecondsSince(start));
    MSendSceneChanged();
    return 1;
}

int KFileSave()
{
    return KFileSaveAs();
}

int KFileSaveAs()
{
    MFileDialogResult chosen = AskSceneFile(MFileDialogRequest::Save);
    if (!chosen.accepted || chosen.paths.empty())
        return 0;
    MStr path = chosen.paths.front();
    // A name typed without an extension gets the scene extension, so that
    // File > Open finds it again.
    if (std::filesystem::path(path.c_str()).extension().empty())
        path += ".glazen";
    MCompleteTranslator complete;
    // The library logs why a save failed; name, title and recent files stay.
    if (!g_CurrentScene || !complete.ExportFile(path, g_CurrentScene))
        return 0;
    g_CurrentFileName = path;
    MSendMessage(UM_UPDATE_TITLE);
    AddRecentFile(path);
    return 1;
}

int KFileMerge()
{
    // Registered and shown; merging scenes has no behaviour yet.
    return 1;
}

int OpenSceneFile(const MStr& name)
{
    auto start = std::chrono::steady_clock::now();
    MCompleteTranslator complete;
    if (name.IsEmpty() || !g_CurrentScene || !complete.ImportFile(name, g_CurrentScene))
    {
        g_SystemManager.LogOutput("Translator Could not load file %s.", name.c_str());
        return 0;
    }
    // The undo and redo nodes belong to the scene that was replaced.
    PurgeUndoLists();
    g_CurrentFileName = name;
    MSendMessage(UM_UPDATE_TITLE);
    AddRecentFile(name);
    g_SystemManager.LogOutput("Reading of Scene to %.2f seconds to complete.", SecondsSince(start));
    MSendSceneChanged();
    return 1;
}

int OpenRecentFile(int index)
{
    if (index < 0 || index >= kRecentFileSlots)
        return 0;
    const MStr name = g_RecentFiles[index];
    if (name.IsEmpty() || !SavePrompt())
        return 0;
    return OpenSceneFile(name);
}

int OpenCommandLineFiles(const std::vector<MStr>& paths)
{
    int opened = 0;
    MSceneTreeUndoNode* node = nullptr;
    MCompleteTranslator complete;
    for (const MStr& path : paths)
    {
        if (complete.CanImportFile(path))
        {
            // A scene replaces what was there, imports before it included.
            delete node;
            node = nullptr;
            opened += OpenSceneFile(path);
            continue;
        }
        MMaterialTranslator* translator = g_SystemManager.FindMaterialTranslatorThatImports(path);
        if (!translator)
        {
            g_SystemManager.LogOutput("No suitable Translator could be found for '%s'.",
                                      path.c_str());
            continue;
        }
        if (!node)
            node = MakeImportNode();
        opened += LogImport(translator, path) ? 1 : 0;
    }
    if (node)
    {
        g_UndoList.AddNode(node);
        MSendSceneChanged();
    }
    return opened;
}

int KFileImport()
{
    MFileDialogRequest request;
    request.kind = MFileDialogRequest::OpenMany;
    request.title = "Import";
    request.filter = g_SystemManager.CreateSceneAndMatTranslatorFilterString();
    MFileDialogResult chosen = MDialogs().AskFile(nullptr, request);
    if (!chosen.accepted || chosen.paths.empty())
        return 0;
    MSceneTreeUndoNode* node = MakeImportNode();
    int result = 0;
    MSceneTranslator* sceneTranslator = nullptr;
    for (const MStr& path : chosen.paths)
    {
        MMaterialTranslator* materialTranslator = nullptr;
        // A scene translator found for one file serves the rest of the import.
        if (!sceneTranslator)
        {
            sceneTranslator = g_SystemManager.FindSceneTranslatorThatImports(path);
            materialTranslator = g_SystemManager.FindMaterialTranslatorThatImports(path);
        }
        if (!sceneTranslator && !materialTranslator)
        {
            g_SystemManager.LogOutput("No suitable Translator could be found for '%s'.",
                                      path.c_str());
            continue;
        }
        MTranslator* translator =
            sceneTranslator ? static_cast<MTranslator*>(sceneTranslator) : materialTranslator;
        result = LogImport(translator, path) ? 1 : 0;
    }
    g_UndoList.AddNode(node);
    MSendSceneChanged();
    return result;
}

int KFileExport()
{
    MFileDialogRequest request;
    request.kind = MFileDialogRequest::Save;
    request.filter = g_SystemManager.CreateSceneTranslatorFilterString();
    MFileDialogResult chosen = MDialogs().AskFile(nullptr, request);
    if (!chosen.accepted || chosen.paths.empty())
        return 0;
    const MStr& path = chosen.paths.front();
    auto* translator = dynamic_cast<MSceneTranslator*>(
        g_SystemManager.GetTranslatorFromIndex(TRANSLATOR_SCENE, chosen.filterIndex));
    if (!translator)
    {
        g_SystemManager.LogOutput("Could not find appropriate export for file '%s'", path.c_str());
        return 0;
    }
    return translator->ExportFile(path, g_CurrentScene) ? 1 : 0;
}

int KFileImportShaders()
{
    MFileDialogRequest request;
    request.kind = MFileDialogRequest::OpenMany;
    request.title = "Import...";
    request.filter = g_SystemManager.CreateMaterialTranslatorFilterString();
    MFileDialogResult chosen = MDialogs().AskFile(nullptr, request);
    if (!chosen.accepted || chosen.paths.empty())
        return 0;
    MSceneTreeUndoNode* node = MakeImportNode();
    auto* chosenTranslator = dynamic_cast<MMaterialTranslator*>(
        g_SystemManager.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, chosen.filterIndex));
    int result = 0;
    for (const MStr& path : chosen.paths)
    {
        MMaterialTranslator* translator = chosenTranslator;
        if (!translator)
            translator = g_SystemManager.FindMaterialTranslatorThatImports(path);
        if (!translator)
        {
            g_SystemManager.LogOutput("No suitable Translator could be found for '%s'.",
                                      path.c_str());
            continue;
        }
        result = LogImport(translator, path) ? 1 : 0;
    }
    g_UndoList.AddNode(node);
    MSendSceneChanged();
    return result;
}

int KFileExportShaders()
{
    MFileDialogRequest request;
    request.kind = MFileDialogRequest::Save;
    request.title = "Export...";
    request.filter = g_SystemManager.CreateMaterialTranslatorFilterString();
    request.filterIndex = 2;
    MFileDialogResult chosen = MDialogs().AskFile(nullptr, request);
    if (!chosen.accepted || chosen.paths.empty())
        return 0;
    const MStr& path = chosen.paths.front();
    auto* translator = dynamic_cast<MMaterialTranslator*>(
        g_SystemManager.GetTranslatorFromIndex(TRANSLATOR_MATERIAL, chosen.filterIndex));
    if (!translator)
    {
        g_SystemManager.LogOutput("Could not find appropriate Translator for file '%s'",
                                  path.c_str());
        return 0;
    }
    if (!translator->ExportFile(path, g_CurrentScene))
    {
        g_SystemManager.LogOutput("Translator '%s' Could not export file '%s'",
                                  translator->ClassName().c_str(), path.c_str());
        return 0;
    }
    return 1;
}

int ExitPrompt()
{
    if (g_SavePromptAnswered)
        return 1;
    g_SavePromptAnswered = true;
    int answer = MDialogs().AskYesNoCancel(g_MainWnd, kSaveText, kSaveCaption);
    if (answer != MSG_YES && answer != MSG_NO)
    {
        g_SavePromptAnswered = false;
        return 0;
    }
    // Yes and then a cancelled save dialog keeps the program running, so the
    // changes are not lost.
    if (answer == MSG_YES && KFileSaveAs() == 0)
    {
        g_SavePromptAnswered = false;
        return 0;
    }
    if (g_Closing)
        return 1;
    if (g_MainWnd)
        QMetaObject::invokeMethod(g_MainWnd, "close", Qt::QueuedConnection);
    return 1;
}

int KFileExit()
{
    return ExitPrompt();
}

int KHelpContents()
{
    const MStr path = g_Config.m_ProgramFolder + kManualFileName;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path.c_str(), ec) || !MDialogs().OpenDocument(path))
        g_SystemManager.LogOutput("Could not open the manual '%s'.", path.c_str());
    return 1;
}

int KHelpKeyword()
{
    return KHelpContents();
}

int KHelpAbout()
{
    MStr text;
    text.Format("Glazen %s\n\nA visual editor for Quake 3 Arena shader scripts.\n\n"
                "Built on Qt %s, OpenGL and GLU (Mesa), libjpeg (IJG API, libjpeg-turbo) "
                "and nlohmann/json.",
                GLAZEN_VERSION, qVersion());
    MDialogs().ShowAbout(g_MainWnd, "About Glazen", text);
    return 1;
}

int KToolsConsoleWindow()
{
    CKorvaDlg* main = MainWindow();
    if (!main)
        return 1;
    CConsoleDlg* console = main->Console();
    console->move(50, 300);
    console->show();
    console->raise();
    return 1;
}

int KWindowSceneOutline()
{
    auto* view = new CSceneViewWnd(g_MainWnd);
    view->setWindowFlag(Qt::Window, true);
    view->setWindowTitle("SceneView");
    view->setGeometry(10, 10, 490, 490);
    view->InitView();
    g_ViewWndList.AddView(view);
    view->show();
    return 1;
}

int KWindowMaterialEdit()
{
    auto* view = new CMaterialViewWnd(g_MainWnd);
    view->setWindowFlag(Qt::Window, true);
    view->setWindowTitle("MaterialView");
    view->setGeometry(10, 10, 490, 490);
    view->InitView();
    view->SetViewName("Material Edit");
    g_ViewWndList.AddView(view);
    view->show();
    return 1;
}
