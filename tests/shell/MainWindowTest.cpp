// The main window driven as a user drives it: menus, keys, dialogs answered
// by script. Runs on a real display (Xvfb), since the views draw with OpenGL.
#include "CBottomDlg.h"
#include "CConsoleDlg.h"
#include "CKorvaDlg.h"
#include "CMaterialViewWnd.h"
#include "COpenGLWnd.h"
#include "CSceneViewWnd.h"
#include "Globals.h"
#include "KActions.h"
#include "KFileActions.h"
#include "MAction.h"
#include "MBaseViewWnd.h"
#include "MBaseViewWndList.h"
#include "MKeyBinding.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMenu.h"
#include "MScene.h"
#include "MSystemManager.h"
#include "MToolManager.h"
#include "MToolType.h"
#include "MUndoList.h"
#include "MainWindowFixture.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace
{
int g_TestActionRuns = 0;
int TestAction()
{
    ++g_TestActionRuns;
    return 1;
}

// A main window started as the program starts it, with its configuration,
// registry and log file in a temporary folder.
class MainWindowTest : public MainWindowFixture
{
  protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        for (MStr& name : g_RecentFiles)
            name = "";
        g_RecentFileCount = kRecentFileSlots;
        g_SystemManager.SetLogFileOutput(&logLines);
    }

    void Start() { OpenWindow(); }

    void TearDown() override
    {
        MainWindowFixture::TearDown();
        g_SystemManager.SetLogFileOutput(nullptr);
    }

    QAction* Item(int id) const { return MFindMenuItem(window->menuBar(), id); }
    void Choose(int id)
    {
        QAction* item = Item(id);
        ASSERT_NE(item, nullptr) << id;
        item->trigger();
    }
    int MaterialCount() const
    {
        int n = 0;
        g_CurrentScene->ForEachNode(
            [&](MBaseObjectTreeNode* node)
            { n += dynamic_cast<MMaterial*>(node->GetObject()) != nullptr; });
        return n;
    }
    std::vector<std::string> ConsoleLines() const
    {
        std::vector<std::string> lines;
        QString text = window->Console()->Output()->toPlainText();
        for (const QString& l : text.split('\n'))
            lines.push_back(l.toStdString());
        return lines;
    }
    // True when the lines hold each wanted line, in this order.
    static bool InOrder(const std::vector<std::string>& lines,
                        const std::vector<std::string>& wanted)
    {
        size_t at = 0;
        for (const std::string& l : lines)
            if (at < wanted.size() && l == wanted[at])
                ++at;
        return at == wanted.size();
    }
    std::string Shader(const char* name) const
    {
        return (TestDataDir() / "shaders" / name).string();
    }

    CaptureSink logLines;
    ScriptedDialogs dialogs;
};
} // namespace

TEST_F(MainWindowTest, StartsUpInOrderWithTitleMenusAndUndoItems)
{
    Start();
    EXPECT_EQ(window->windowTitle(), "Glazen - Untitled");
    const std::string folder = g_Config.m_ProgramFolder.c_str();
    EXPECT_TRUE(
        InOrder(ConsoleLines(),
                {"Initialising Views...", "Initialising Panels...", "Initialising Undo Lists...",
                 "Loading Registry Settings from Software\\Orrick\\Glazen\\1.0\\",
                 "Loading Configuration from " + folder + "Glazen.CFG",
                 "Initialising General Action List", "Initialising General Action List",
                 "Initialising View Action List", "Initialising Main Action List",
                 "Loading Keyboard Configuration from " + folder + "Glazen.KEY"}));
    // Lines from before the console existed still reach the log file.
    EXPECT_TRUE(std::any_of(logLines.lines.begin(), logLines.lines.end(),
                            [](const std::string& l) { return l.find("Pellow.dlf") != l.npos; }));
    // The bottom field shows the newest line.
    EXPECT_EQ(window->BottomPanel()->LogField()->text().toStdString(), ConsoleLines().back());

    QStringList titles;
    for (QAction* a : window->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Shaders", "&Display", "&Options", "&Window",
                                   "&Help"}));
    EXPECT_EQ(Item(32781)->text(), "E&xit");
    EXPECT_EQ(Item(57643)->text(), "Undo ");
    EXPECT_FALSE(Item(57643)->isEnabled());
    EXPECT_EQ(Item(57644)->text(), "Redo ");
    // Every item of an action with a menu id is there.
    int withMenu = 0;
    for (MAction* a = g_ActionRegistry.GetHead(); a; a = a->GetNext())
    {
        if (a->GetMenuItem().GetCommandId() == 0)
            continue;
        ++withMenu;
        EXPECT_NE(Item(a->GetMenuItem().GetCommandId()), nullptr) << a->GetName().c_str();
    }
    EXPECT_EQ(withMenu, 34);
}

TEST_F(MainWindowTest, ImportShadersThenUndoAndRedo)
{
    Start();
    dialogs.AnswerFile({Shader("sample_base.shader"), Shader("sample_effects.shader")}, 1);
    Choose(33066);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Import...");
    EXPECT_EQ(dialogs.fileRequests[0].kind, MFileDialogRequest::OpenMany);
    auto lines = ConsoleLines();
    EXPECT_TRUE(InOrder(
        lines, {"Translator imported '" + Shader("sample_base.shader") + "' successfully.",
                "Translator imported '" + Shader("sample_effects.shader") + "' successfully."}));
    const int imported = MaterialCount();
    EXPECT_GT(imported, 1);
    EXPECT_EQ(Item(57643)->text(), "Undo Import");
    EXPECT_TRUE(Item(57643)->isEnabled());

    Choose(57643);
    EXPECT_EQ(MaterialCount(), 0);
    EXPECT_EQ(Item(57644)->text(), "Redo Import");
    EXPECT_FALSE(Item(57643)->isEnabled());
    Choose(57644);
    EXPECT_EQ(MaterialCount(), imported);
    EXPECT_EQ(Item(57643)->text(), "Undo Import");
}

TEST_F(MainWindowTest, UnreadableShaderFileIsLoggedAndTheRestImported)
{
    Start();
    const std::string missing = (home.Path() / "nowhere.shader").string();
    dialogs.AnswerFile({missing, Shader("sample_base.shader")}, 1);
    Choose(33066);
    auto lines = ConsoleLines();
    EXPECT_TRUE(InOrder(
        lines, {"Translator Could not import file '" + missing + "'.",
                "Translator imported '" + Shader("sample_base.shader") + "' successfully."}));
    EXPECT_GT(MaterialCount(), 0);
}

TEST_F(MainWindowTest, SaveAsThenOpenRestoresTheSceneAndListsRecentFiles)
{
    Start();
    dialogs.AnswerFile({Shader("sample_base.shader")}, 1);
    Choose(33066);
    const int imported = MaterialCount();
    ASSERT_GT(imported, 0);

    const std::string scene = (home.Path() / "first.glazen").string();
    dialogs.AnswerFile({scene});
    Choose(32774);
    EXPECT_EQ(window->windowTitle().toStdString(), "Glazen - " + scene);
    EXPECT_TRUE(fs::exists(scene));

    // New asks first; No discards.
    dialogs.Answer(MSG_NO);
    Choose(57600);
    EXPECT_EQ(MaterialCount(), 0);
    EXPECT_EQ(window->windowTitle(), "Glazen - Untitled");

    dialogs.Answer(MSG_NO);
    dialogs.AnswerFile({scene});
    Choose(57601);
    EXPECT_EQ(MaterialCount(), imported);
    EXPECT_EQ(window->windowTitle().toStdString(), "Glazen - " + scene);
    EXPECT_TRUE(InOrder(ConsoleLines(), {"Reading of Scene to 0.00 seconds to complete."}) ||
                std::any_of(ConsoleLines().begin(), ConsoleLines().end(),
                            [](const std::string& l)
                            { return l.rfind("Reading of Scene to ", 0) == 0; }));

    QAction* recent = Item(57616);
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->text().toStdString(), "&1   " + scene);
    EXPECT_EQ(Item(57617), nullptr);
    // The entries stand just above the separator and Exit.
    QList<QAction*> items = window->FileMenu()->actions();
    ASSERT_GE(items.size(), 3);
    EXPECT_EQ(items[items.size() - 3], recent);
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());
}

TEST_F(MainWindowTest, FailedOpenLeavesTheSceneAsItWas)
{
    Start();
    dialogs.AnswerFile({Shader("sample_base.shader")}, 1);
    Choose(33066);
    const int imported = MaterialCount();
    const std::string broken = home.Write("broken.glazen", "{ not a scene");
    dialogs.Answer(MSG_NO);
    dialogs.AnswerFile({broken});
    Choose(57601);
    EXPECT_EQ(MaterialCount(), imported);
    EXPECT_EQ(window->windowTitle(), "Glazen - Untitled");
    auto lines = ConsoleLines();
    EXPECT_TRUE(InOrder(lines, {"Translator Could not load file " + broken + "."}));
    EXPECT_EQ(Item(57616), nullptr);
}

TEST_F(MainWindowTest, ExitPromptCancelKeepsRunningAndAsksAgain)
{
    Start();
    dialogs.Answer(MSG_CANCEL);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(g_Closing);
    EXPECT_EQ(dialogs.prompts.size(), 1u);
    dialogs.Answer(MSG_CANCEL);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(dialogs.prompts.size(), 2u);
    EXPECT_EQ(dialogs.prompts[0], "Save Changes: Do you wish to save your changes?");
}

TEST_F(MainWindowTest, ExitPromptNoClosesWithoutSavingAndShutsDownInOrder)
{
    Start();
    dialogs.Answer(MSG_NO);
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(dialogs.fileRequests.empty());
    EXPECT_TRUE(InOrder(logLines.lines, {"Set output to NULL", "config saved", "Shelves deleted",
                                         "Tab Control set to NULL", "Cleaning Up Globals...",
                                         "Deleting Undo and Redo Nodes...", "Globals Clean"}));
    // The configuration went to the program folder.
    EXPECT_TRUE(fs::exists(home.Path() / "program" / "Glazen.CFG"));
}

TEST_F(MainWindowTest, ExitPromptYesSavesFirstAndACancelledSaveKeepsRunning)
{
    Start();
    dialogs.Answer(MSG_YES);
    dialogs.CancelFile();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);

    const std::string scene = (home.Path() / "kept.glazen").string();
    dialogs.Answer(MSG_YES);
    dialogs.AnswerFile({scene});
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(fs::exists(scene));
}

TEST_F(MainWindowTest, SavePromptsGoOnOnlyWhenTheSaveHappened)
{
    // Each prompt is answered Yes, then the save is cancelled or fails: the
    // scene, its name and the program stay as they were.
    enum Save
    {
        Cancelled,
        Failed
    };
    const std::pair<int, Save> cases[] = {
        {57600, Cancelled}, {57600, Failed}, {57601, Cancelled}, {57601, Failed},
        {57616, Cancelled}, {57616, Failed}, {0, Cancelled},     {0, Failed},
    };
    Start();
    const std::string other = (home.Path() / "other.glazen").string();
    dialogs.AnswerFile({other});
    Choose(32774);
    g_RecentFiles[0] = other.c_str();
    dialogs.AnswerFile({Shader("sample_base.shader")}, 1);
    Choose(33066);
    const int imported = MaterialCount();
    ASSERT_GT(imported, 0);
    const std::string unwritable = (home.Path() / "no" / "such" / "x.glazen").string();
    for (const auto& [command, save] : cases)
    {
        dialogs.Answer(MSG_YES);
        if (save == Cancelled)
            dialogs.CancelFile();
        else
            dialogs.AnswerFile({unwritable});
        // Open and open recent would go on to ask for, or read, a scene.
        dialogs.AnswerFile({other});
        if (command == 0)
            EXPECT_FALSE(window->close());
        else
            Choose(command);
        dialogs.files.clear();
        EXPECT_TRUE(window->isVisible()) << command;
        EXPECT_EQ(MaterialCount(), imported) << command << " " << save;
        EXPECT_EQ(window->windowTitle().toStdString(), "Glazen - " + other) << command;
        EXPECT_EQ(g_RecentFiles[0], other.c_str());
        EXPECT_FALSE(fs::exists(unwritable));
    }
    EXPECT_EQ(KFileSaveAs(), 0); // no answer left: cancelled
}

TEST_F(MainWindowTest, OpenRecentAsksFirstAndEmptiesUndoAndRedo)
{
    Start();
    const std::string saved = (home.Path() / "first.glazen").string();
    dialogs.AnswerFile({saved});
    Choose(32774);
    dialogs.AnswerFile({Shader("sample_base.shader")}, 1);
    Choose(33066);
    ASSERT_EQ(g_UndoList.GetCount(), 1);
    const int prompts = int(dialogs.prompts.size());

    dialogs.Answer(MSG_CANCEL);
    Choose(57616);
    EXPECT_EQ(int(dialogs.prompts.size()), prompts + 1);
    EXPECT_GT(MaterialCount(), 0);
    EXPECT_EQ(g_UndoList.GetCount(), 1);

    dialogs.Answer(MSG_NO);
    Choose(57616);
    EXPECT_EQ(int(dialogs.prompts.size()), prompts + 2);
    EXPECT_EQ(MaterialCount(), 0);
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    EXPECT_EQ(g_RedoList.GetCount(), 0);
}

TEST_F(MainWindowTest, RecentFilesStandInSlotOrderAndSaveAsAddsTheExtension)
{
    Start();
    const std::string names[] = {(home.Path() / "c").string(), (home.Path() / "b.glazen").string(),
                                 (home.Path() / "a.glazen").string()};
    for (const std::string& n : names)
    {
        dialogs.AnswerFile({n});
        ASSERT_EQ(KFileSaveAs(), 1) << n;
    }
    EXPECT_EQ(dialogs.fileRequests.back().kind, MFileDialogRequest::Save);
    EXPECT_EQ(dialogs.fileRequests.back().defaultExtension, "glazen");
    EXPECT_TRUE(fs::exists(names[0] + ".glazen"));
    EXPECT_FALSE(fs::exists(names[0]));
    // The last saved is slot 1, and the menu lists the slots in order.
    const std::string expected[] = {"&1   " + names[2], "&2   " + names[1],
                                    "&3   " + names[0] + ".glazen"};
    QList<QAction*> items = window->FileMenu()->actions();
    ASSERT_GE(items.size(), 5);
    for (int i = 0; i < 3; ++i)
    {
        QAction* item = items[items.size() - 5 + i];
        EXPECT_EQ(item, Item(57616 + i));
        EXPECT_EQ(item->text().toStdString(), expected[i]);
    }
}

TEST_F(MainWindowTest, FilesNamedOnTheCommandLineAreOpenedOrImported)
{
    Start();
    const std::string scene = (home.Path() / "kept.glazen").string();
    dialogs.AnswerFile({Shader("sample_base.shader")}, 1);
    Choose(33066);
    const int imported = MaterialCount();
    dialogs.AnswerFile({scene});
    ASSERT_EQ(KFileSaveAs(), 1);
    dialogs.Answer(MSG_NO);
    Choose(57600);
    ASSERT_EQ(MaterialCount(), 0);

    struct Case
    {
        std::vector<MStr> files;
        int read, materials, undoSteps;
        std::string title;
    };
    const std::string missing = (home.Path() / "missing.shader").string();
    const Case cases[] = {
        {{scene.c_str()}, 1, imported, 0, "Glazen - " + scene},
        {{Shader("sample_base.shader").c_str(), missing.c_str()},
         1,
         imported,
         1,
         "Glazen - Untitled"},
        {{(home.Path() / "notes.txt").c_str()}, 0, 0, 0, "Glazen - Untitled"},
    };
    for (const Case& c : cases)
    {
        dialogs.Answer(MSG_NO);
        Choose(57600);
        EXPECT_EQ(OpenCommandLineFiles(c.files), c.read) << c.files[0].c_str();
        EXPECT_EQ(MaterialCount(), c.materials) << c.files[0].c_str();
        EXPECT_EQ(g_UndoList.GetCount(), c.undoSteps) << c.files[0].c_str();
        QCoreApplication::processEvents();
        EXPECT_EQ(window->windowTitle().toStdString(), c.title);
    }
}

TEST_F(MainWindowTest, TheWindowComesBackAtItsSizeAndPlace)
{
    Start();
    window->setGeometry(40, 50, 900, 640);
    QCoreApplication::processEvents();
    const QRect placed = window->geometry();
    dialogs.Answer(MSG_NO);
    ASSERT_TRUE(window->close());
    window.reset();
    g_SavePromptAnswered = false;
    g_Closing = false;
    g_ActionRegistry.Clear();
    g_KeyBindingTable.Clear();
    Start();
    EXPECT_EQ(window->size(), placed.size());
    EXPECT_EQ(window->geometry().topLeft(), placed.topLeft());
}

TEST_F(MainWindowTest, BoundKeyRunsOnReleaseAndNotInAnEditField)
{
    Start();
    g_ActionRegistry.RegisterAction("KTestAction", "Test", "Main", TestAction);
    g_KeyBindingTable.AddBinding("KTestAction", "Main", 'K', false, false, false);
    g_TestActionRuns = 0;
    QWidget* target = window->ClientArea();
    QTest::keyPress(target, Qt::Key_K);
    EXPECT_EQ(g_TestActionRuns, 0);
    QTest::keyRelease(target, Qt::Key_K);
    EXPECT_EQ(g_TestActionRuns, 1);
    // With Ctrl the binding does not match.
    QTest::keyClick(target, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(g_TestActionRuns, 1);

    QLineEdit* field = window->BottomPanel()->LogField();
    field->setReadOnly(false);
    field->clear();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_K);
    EXPECT_EQ(g_TestActionRuns, 1);
    EXPECT_EQ(field->text(), "k");
}

TEST_F(MainWindowTest, ViewportSeesModifierKeysWhileBoundKeysRunAndToolsComeAndGo)
{
    Start();
    // Start-up chose the select tool twice.
    EXPECT_EQ(g_ToolManager.GetCount(), 2);
    EXPECT_EQ(g_ToolManager.GetTool(0)->GetName(), "KToolSelect");
    ASSERT_EQ(KViewportPerspective(), 1);
    auto* viewport = dynamic_cast<COpenGLWnd*>(g_ActiveView);
    ASSERT_NE(viewport, nullptr);
    g_ActionRegistry.RegisterAction("KTestAction", "Test", "Main", TestAction);
    g_KeyBindingTable.AddBinding("KTestAction", "Main", 'K', false, false, false);
    g_TestActionRuns = 0;

    QTest::keyPress(viewport, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(viewport->GetInputState().shift, 1);
    QTest::keyRelease(viewport, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(viewport->GetInputState().shift, 0);
    QTest::keyPress(viewport, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(viewport->GetInputState().ctrl, 1);
    QTest::keyRelease(viewport, Qt::Key_Control, Qt::NoModifier);
    QTest::keyClick(viewport, Qt::Key_K);
    EXPECT_EQ(g_TestActionRuns, 1);

    g_SavePromptAnswered = true;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(g_ToolManager.GetCount(), 0);
}

TEST_F(MainWindowTest, KeysWithAltGoOnToQtForTheMenuMnemonics)
{
    // A widget of the main window that records the key presses that reach it.
    struct KeyWitness : QWidget
    {
        using QWidget::QWidget;
        void keyPressEvent(QKeyEvent* e) override { pressed.push_back(e->key()); }
        std::vector<int> pressed;
    };
    Start();
    g_ActionRegistry.RegisterAction("KTestAction", "Test", "Main", TestAction);
    g_KeyBindingTable.AddBinding("KTestAction", "Main", 'F', false, false, false);
    g_TestActionRuns = 0;
    auto* witness = new KeyWitness(window->ClientArea());
    witness->setFocusPolicy(Qt::StrongFocus);
    witness->show();
    QTest::keyClick(witness, Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(witness->pressed, (std::vector<int>{Qt::Key_Alt, Qt::Key_F}));
    EXPECT_EQ(g_TestActionRuns, 0);
    // A plain key is the key bindings' alone.
    QTest::keyClick(witness, Qt::Key_F);
    EXPECT_EQ(witness->pressed.size(), 2u);
    EXPECT_EQ(g_TestActionRuns, 1);
    delete witness;
}

TEST_F(MainWindowTest, CtrlWithAMenuCommandOpensToolPreferencesInstead)
{
    home.Write("program/Prefs/Tools/KFileNew.ascr", "Clear = 1;\n");
    Start();
    QTest::keyPress(window->ClientArea(), Qt::Key_Control, Qt::ControlModifier);
    Choose(57600);
    QTest::keyRelease(window->ClientArea(), Qt::Key_Control);
    // The action did not run: no save prompt.
    EXPECT_TRUE(dialogs.prompts.empty());
    auto lines = ConsoleLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l)
                            { return l.rfind("Variaible Found 'Clear' of Value '1'", 0) == 0; }));
}

TEST_F(MainWindowTest, HelpAboutAndConsoleWindow)
{
    Start();
    Choose(32868);
    ASSERT_EQ(dialogs.opened.size(), 0u) << "the manual is not in the test's program folder";
    g_Config.m_ProgramFolder = (BinDir().string() + "/").c_str();
    Choose(32868);
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0], BinDir().string() + "/Glazen.html");
    Choose(32871);
    ASSERT_EQ(dialogs.about.size(), 1u);
    EXPECT_NE(dialogs.about[0].find("Glazen " GLAZEN_VERSION), std::string::npos);
    EXPECT_NE(dialogs.about[0].find("Qt"), std::string::npos);
    Choose(32823);
    EXPECT_TRUE(window->Console()->isVisible());
    EXPECT_EQ(window->Console()->pos(), QPoint(50, 300));
}

TEST_F(MainWindowTest, FloatingOutlineAndShaderEditWindows)
{
    Start();
    const int views = g_ViewWndList.GetCount();
    Choose(32989);
    ASSERT_EQ(g_ViewWndList.GetCount(), views + 1);
    MBaseViewWnd* outline = g_ViewWndList.GetHead();
    EXPECT_EQ(outline->ClassName(), "CSceneViewWnd");
    EXPECT_TRUE(outline->isWindow());
    EXPECT_TRUE(outline->isVisible());
    EXPECT_EQ(outline->windowTitle(), "SceneView");
    Choose(33045);
    ASSERT_EQ(g_ViewWndList.GetCount(), views + 2);
    MBaseViewWnd* shaders = g_ViewWndList.GetHead();
    EXPECT_EQ(shaders->ClassName(), "CMaterialViewWnd");
    EXPECT_TRUE(shaders->isWindow());
    EXPECT_EQ(shaders->GetViewName(), "Material Edit");
    EXPECT_EQ(shaders->windowTitle(), "MaterialView");
    // Neither took a pane.
    for (MBaseViewWnd* pane : g_ViewPanes)
        EXPECT_TRUE(pane != outline && pane != shaders);
}

TEST_F(MainWindowTest, MouseWheelZoomsTheActiveMaterialView)
{
    Start();
    auto* view = dynamic_cast<CMaterialViewWnd*>(g_ActiveView);
    ASSERT_NE(view, nullptr);
    const float before = view->GetZoom();
    auto wheel = [&](int delta)
    {
        const QPointF at(10, 10);
        QWheelEvent event(at, window->ClientArea()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.get(), &event);
    };
    wheel(120);
    EXPECT_FLOAT_EQ(view->GetZoom(), before * 1.4f);
    wheel(-120);
    EXPECT_NEAR(view->GetZoom(), before, 1e-5f);
}

TEST_F(MainWindowTest, ColumnSplitDragClampsTheFraction)
{
    Start();
    QWidget* client = window->ClientArea();
    QRect area = window->ViewArea();
    const int splitX = area.left() + static_cast<int>((area.width() - 6) * 0.75f) + 3;
    const int y = area.top() + 20;
    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(splitX, y));
    QTest::mouseMove(client, QPoint(-50, y));
    EXPECT_FLOAT_EQ(window->GetColumnFraction(), 0.0f);
    QTest::mouseMove(client, QPoint(client->width() + 50, y));
    EXPECT_FLOAT_EQ(window->GetColumnFraction(), 1.0f);
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(client->width() + 50, y));
    QTest::mouseMove(client, QPoint(area.left() + 10, y));
    EXPECT_FLOAT_EQ(window->GetColumnFraction(), 1.0f);
}

TEST_F(MainWindowTest, FullViewHidesTheOtherPanesUntilCleared)
{
    Start();
    MBaseViewWnd* pane0 = g_ViewPanes[0];
    ASSERT_NE(pane0, nullptr);
    pane0->ToggleFullView();
    window->Layout();
    EXPECT_TRUE(pane0->isVisible());
    for (int i : {1, 2})
    {
        ASSERT_NE(g_ViewPanes[i], nullptr);
        EXPECT_FALSE(g_ViewPanes[i]->isVisible());
        EXPECT_EQ(g_ViewPanes[i]->geometry(), QRect(0, 0, 0, 0));
    }
    const QRect area = window->ViewArea();
    EXPECT_EQ(pane0->geometry().topLeft(), area.topLeft() + QPoint(3, 3));
    // Leaving full view paints the other panes again.
    struct PaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counters[3];
    QTest::qWait(50);
    for (int i : {1, 2})
        g_ViewPanes[i]->installEventFilter(&counters[i]);
    pane0->ToggleFullView();
    window->Layout();
    QTest::qWait(100);
    for (int i : {1, 2})
    {
        g_ViewPanes[i]->removeEventFilter(&counters[i]);
        EXPECT_TRUE(g_ViewPanes[i]->isVisible());
        // A pane of no height (the lower right one at this window size)
        // has nothing to paint.
        if (!g_ViewPanes[i]->size().isEmpty())
        {
            EXPECT_GT(counters[i].paints, 0) << i;
        }
    }
}

// Saves a picture of the window after importing the sample shaders, for a
// person to look at: build/<preset>/screenshots/main-window.png.
TEST_F(MainWindowTest, ScreenshotAfterImportingTheSampleShaders)
{
    Start();
    window->resize(1200, 800);
    dialogs.AnswerFile({Shader("sample_base.shader"), Shader("sample_effects.shader")}, 1);
    Choose(33066);
    QApplication::processEvents();
    QTest::qWait(100);
    QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const fs::path folder = BinDir().parent_path() / "screenshots";
    fs::create_directories(folder);
    const fs::path file = folder / "main-window.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(file.string())));
    // The views are drawn, not left blank: the material view's grey shows.
    const QPoint inView = g_ViewPanes[0]->mapTo(window.get(), QPoint(40, 40));
    EXPECT_EQ(QColor(shot.pixel(inView)), QColor(102, 102, 102));
}

// Import a corpus script, Create Shader, Duplicate, Delete and Undo from the
// menus, exporting the selected shaders after each step; the outline lists
// the shaders with their stages, and keys typed into it run the "General"
// actions or go on to the main window.
TEST_F(MainWindowTest, StructureEditsFromTheMenusExportAsExpectedAndShowInTheOutline)
{
    Start();
    const std::string script = (CorpusDir() / "shaders/openarena/oapowerups.shader").string();
    dialogs.AnswerFile({script}, 1);
    Choose(33066);
    const int imported = MaterialCount();
    ASSERT_GT(imported, 3);
    int exports = 0;
    auto exported = [&]
    {
        const fs::path out = home.Path() / ("export" + std::to_string(++exports) + ".shader");
        dialogs.AnswerFile({out.string()}, 1);
        Choose(33067);
        return fs::exists(out) ? ReadWholeFile(out) : std::string("(none)");
    };

    Choose(33008); // Create Shader
    const std::string created = exported();
    EXPECT_EQ(created.rfind("Material1\n{\n", 0), 0u) << created;
    Choose(33001); // Duplicate Selected
    const std::string duplicated = exported();
    EXPECT_EQ(duplicated, "Material11" + created.substr(9));
    EXPECT_EQ(MaterialCount(), imported + 2);
    Choose(32978); // Delete Selected
    EXPECT_EQ(MaterialCount(), imported + 1);
    EXPECT_EQ(Item(57643)->text(), "Undo Delete Selected");
    Choose(57643); // Undo
    EXPECT_EQ(MaterialCount(), imported + 2);
    EXPECT_EQ(exported(), duplicated);
    MStr problem;
    EXPECT_TRUE(g_CurrentScene->CheckStructure(&problem)) << problem.c_str();

    CSceneViewWnd* outline = nullptr;
    for (MBaseViewWnd* pane : g_ViewPanes)
        if (auto* o = dynamic_cast<CSceneViewWnd*>(pane))
            outline = o;
    ASSERT_NE(outline, nullptr);
    EXPECT_EQ(outline->GetRowCount(), g_CurrentScene->GetObjectCount());
    auto* quad = dynamic_cast<MMaterial*>(g_CurrentScene->FindObjectByName("quadDamage"));
    ASSERT_NE(quad, nullptr);
    const int quadY = outline->RowY(g_CurrentScene->FindObject(quad));
    EXPECT_EQ(outline->RowY(g_CurrentScene->FindObject(quad->GetLayer(0))),
              quadY + outline->GetRowHeight());

    g_KeyBindingTable.AddBinding("KObjectDeleteSelected", "General", 0x2E, false, false, false);
    g_ActionRegistry.RegisterAction("KTestAction", "Test", "Main", TestAction);
    g_KeyBindingTable.AddBinding("KTestAction", "Main", 'K', false, false, false);
    g_TestActionRuns = 0;
    outline->setFocus();
    QTest::keyClick(outline, Qt::Key_Delete);
    EXPECT_EQ(MaterialCount(), imported + 1);
    QTest::keyClick(outline, Qt::Key_K);
    EXPECT_EQ(g_TestActionRuns, 1);
}
