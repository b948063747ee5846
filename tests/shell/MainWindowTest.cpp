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
class MainWindowTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", (home.Path() / "config").c_str(), 1);
        setenv("XDG_STATE_HOME", (home.Path() / "state").c_str(), 1);
        fs::create_directories(home.Path() / "program");
        g_Config.m_ProgramFolder = (home.Path() / "program").string() + "/";
        for (MStr& name : g_RecentFiles)
            name = "";
        g_RecentFileCount = kRecentFileSlots;
        g_SavePromptAnswered = false;
        g_Closing = false;
        g_SystemManager.SetLogFileOutput(&logLines);
    }

    void Start()
    {
        window = std::make_unique<CKorvaDlg>();
        window->Initialise();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        if (window)
        {
            // Whatever the test left, the window goes without asking.
            g_SavePromptAnswered = true;
            window.reset();
        }
        g_SystemManager.SetLogFileOutput(nullptr);
        g_ActionRegistry.Clear();
        g_KeyBindingTable.Clear();
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

    TempDir home;
    CaptureSink logLines;
    ScriptedDialogs dialogs;
    std::unique_ptr<CKorvaDlg> window;
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
    pane0->ToggleFullView();
    window->Layout();
    EXPECT_TRUE(g_ViewPanes[2]->isVisible());
    EXPECT_GT(g_ViewPanes[2]->width(), 0);
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
