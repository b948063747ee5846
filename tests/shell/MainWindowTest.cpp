// The main window driven as a user drives it, with dialogs answered by script.
// Runs on Xvfb, since the views draw with OpenGL; saves pictures for a person
// to look at in build/<preset>/screenshots.
#include "CAutoTabCtrl.h"
#include "CBottomDlg.h"
#include "CChannelBar.h"
#include "CChannelParamWnd.h"
#include "CColorConfigPage.h"
#include "CConfigSheet.h"
#include "CConsoleDlg.h"
#include "CDirPickerDlg.h"
#include "CImageButton.h"
#include "CMaterialViewWnd.h"
#include "COpenGLWnd.h"
#include "CSceneViewWnd.h"
#include "CShelfDlg.h"
#include "CToolConfigDlg.h"
#include "CTopToolDlg.h"
#include "CUndoConfigPage.h"
#include "KActions.h"
#include "KFileActions.h"
#include "MBaseViewWnd.h"
#include "MBaseViewWndList.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MToolManager.h"
#include "MToolType.h"
#include "MUndoList.h"
#include "MainWindowFixture.h"
#include "ScriptedDialogs.h"
#include "WorkModal.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace fs = std::filesystem;

namespace
{
// Scripted dialogs whose colour chooser gives the colour set, if any.
class ShellDialogs : public ScriptedDialogs
{
  public:
    bool AskColour(QWidget*, uint32_t& c) override { return (c = colour) != 0; }
    uint32_t colour = 0;
};

class ShellTest : public MainWindowFixture
{
  protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        std::fill(std::begin(g_RecentFiles), std::end(g_RecentFiles), MStr());
        g_RecentFileCount = kRecentFileSlots;
        g_SystemManager.SetLogFileOutput(&logLines);
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        g_SystemManager.SetLogFileOutput(nullptr);
        g_SystemManager.GetImageSearchPaths().RemoveAll();
        ResetDisplayColours();
    }

    QAction* Item(int id) const { return MFindMenuItem(window->menuBar(), id); }
    void Choose(int id)
    {
        QAction* item = Item(id);
        ASSERT_NE(item, nullptr) << id;
        item->trigger();
    }
    // Shaders > Import Shaders of the files; the number of materials after.
    int Import(std::vector<MStr> files)
    {
        dialogs.AnswerFile(std::move(files), 1);
        Choose(33066);
        return MaterialCount();
    }
    // Shaders > Export Shaders into a new file of the home folder; its text.
    std::string Export()
    {
        const auto out = home.Path() / ("export" + std::to_string(++exports) + ".shader");
        dialogs.AnswerFile({out.string()}, 1);
        Choose(33067);
        return std::filesystem::exists(out) ? ReadWholeFile(out) : "(none)";
    }
    // A test action, KTestAction in the Main list, bound to the plain key.
    void BindTestAction(unsigned key)
    {
        g_ActionRegistry.RegisterAction("KTestAction", "Test", "Main", [] { return ++runs, 1; });
        g_KeyBindingTable.AddBinding("KTestAction", "Main", key, false, false, false);
        runs = 0;
    }
    static int MaterialCount()
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
        for (const QString& l : window->Console()->Output()->toPlainText().split('\n'))
            lines.push_back(l.toStdString());
        return lines;
    }
    // True when the lines hold each wanted line, in this order.
    static bool InOrder(const std::vector<std::string>& lines,
                        const std::vector<std::string>& wanted)
    {
        size_t at = 0;
        for (const std::string& l : lines)
            at += at < wanted.size() && l == wanted[at];
        return at == wanted.size();
    }
    static std::string Shader(const char* name)
    {
        return (TestDataDir() / "shaders" / name).string();
    }
    // Saves a picture for a person to look at: build/<preset>/screenshots/name.
    static void Screenshot(QWidget* w, const char* name)
    {
        const auto folder = BinDir().parent_path() / "screenshots";
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(w->grab().save(QString::fromStdString((folder / name).string())));
    }

    static inline int runs = 0; // of the test action
    int exports = 0;
    CaptureSink logLines;
    ShellDialogs dialogs;
};

using MainWindowTest = ShellTest;
using ConfigureWindowTest = ShellTest;

// Pixels of the material view close to a texture's red.
int RedPixels()
{
    QTest::qWait(50);
    const QImage shot = g_ViewPanes[0]->grab().toImage();
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            n += (QColor(shot.pixel(x, y)).rgb() & 0xF0F0F0) == 0xC02020;
    return n;
}

class ChannelBarEditTest : public ShellTest
{
  protected:
    // Imports a corpus script; selects a shader and its first stage's map.
    MFileShaderNode* ImportAndSelectStage()
    {
        OpenWindow(1200, 800);
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window.get());
        Import({GLAZEN_CORPUS_DIR "/shaders/openarena/acc_dm3.shader"});
        auto* material = dynamic_cast<MMaterial*>(
            g_CurrentScene->FindObjectByName("textures/acc_dm3/brwnwater"));
        if (!material || material->GetLayerCount() < 2)
            return nullptr;
        auto* map = dynamic_cast<MFileShaderNode*>(material->GetLayer(1)->GetShader(0));
        g_CurrentScene->SelectObject(material, false);
        g_CurrentScene->SelectObject(map, true);
        MSendMessage(UM_REFRESH_CHANNELS);
        block = window->ChannelBar()->ShowBlock(1);
        QTest::mouseClick(block, Qt::LeftButton, {}, QPoint(block->width() - 8, 8));
        QApplication::processEvents();
        return map;
    }
    CChannelParamWnd* block = nullptr;
};
} // namespace

TEST_F(MainWindowTest, StartsUpInOrderWithMenusHelpConsoleAndFloatingWindows)
{
    OpenWindow();
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
    EXPECT_EQ(window->BottomPanel()->LogField()->text().toStdString(), ConsoleLines().back());
    QStringList titles;
    for (QAction* a : window->menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&Shaders", "&Display", "&Options", "&Window",
                                   "&Help"}));
    EXPECT_EQ(Item(57643)->text(), "Undo ");
    EXPECT_FALSE(Item(57643)->isEnabled());
    // Every item of an action with a menu id is there.
    int withMenu = 0;
    for (MAction* a = g_ActionRegistry.GetHead(); a; a = a->GetNext())
        if (const int id = a->GetMenuItem().GetCommandId())
            withMenu += Item(id) != nullptr;
    EXPECT_EQ(withMenu, 34);
    // Help, About, the console and the floating windows.
    Choose(32868);
    ASSERT_EQ(dialogs.opened.size(), 0u) << "the manual is not in the test's program folder";
    g_Config.m_ProgramFolder = (BinDir().string() + "/").c_str();
    Choose(32868);
    EXPECT_EQ(dialogs.opened, std::vector<std::string>{BinDir().string() + "/Glazen.html"});
    Choose(32871);
    ASSERT_EQ(dialogs.about.size(), 1u);
    EXPECT_NE(dialogs.about[0].find("Glazen " GLAZEN_VERSION), std::string::npos);
    EXPECT_NE(dialogs.about[0].find("Qt"), std::string::npos);
    Choose(32823);
    EXPECT_TRUE(window->Console()->isVisible());
    EXPECT_EQ(window->Console()->pos(), QPoint(50, 300));
    // The floating outline and shader edit windows take no pane.
    const int views = g_ViewWndList.GetCount();
    const std::tuple<int, const char*, const char*> floats[] = {
        {32989, "CSceneViewWnd", "SceneView"}, {33045, "CMaterialViewWnd", "MaterialView"}};
    for (const auto& [id, className, title] : floats)
    {
        Choose(id);
        MBaseViewWnd* view = g_ViewWndList.GetHead();
        EXPECT_EQ(view->ClassName(), className);
        EXPECT_TRUE(view->isWindow() && view->isVisible());
        EXPECT_EQ(view->windowTitle(), title);
        for (MBaseViewWnd* pane : g_ViewPanes)
            EXPECT_NE(pane, view);
    }
    EXPECT_EQ(g_ViewWndList.GetCount(), views + 2);
    EXPECT_EQ(g_ViewWndList.GetHead()->GetViewName(), "Material Edit");
}

TEST_F(MainWindowTest, ImportShadersThenUndoAndRedoAndAScreenshot)
{
    OpenWindow();
    const int imported = Import({Shader("sample_base.shader"), Shader("sample_effects.shader")});
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Import...");
    EXPECT_EQ(dialogs.fileRequests[0].kind, MFileDialogRequest::OpenMany);
    EXPECT_TRUE(
        InOrder(ConsoleLines(),
                {"Translator imported '" + Shader("sample_base.shader") + "' successfully.",
                 "Translator imported '" + Shader("sample_effects.shader") + "' successfully."}));
    EXPECT_GT(imported, 1);
    EXPECT_EQ(Item(57643)->text(), "Undo Import");
    EXPECT_TRUE(Item(57643)->isEnabled());
    Choose(57643);
    EXPECT_EQ(MaterialCount(), 0);
    EXPECT_EQ(Item(57644)->text(), "Redo Import");
    EXPECT_FALSE(Item(57643)->isEnabled());
    Choose(57644);
    EXPECT_EQ(MaterialCount(), imported);
    // An unreadable file is logged and the rest imported.
    const std::string missing = (home.Path() / "nowhere.shader").string();
    Import({missing, Shader("sample_base.shader")});
    EXPECT_TRUE(InOrder(ConsoleLines(), {"Translator Could not import file '" + missing + "'.",
                                         "Translator imported '" + Shader("sample_base.shader") +
                                             "' successfully."}));
    // A picture for a person to look at: the views are drawn, not left blank.
    window->resize(1200, 800);
    QTest::qWait(100);
    Screenshot(window.get(), "main-window.png");
    const QPoint inView = g_ViewPanes[0]->mapTo(window.get(), QPoint(40, 40));
    EXPECT_EQ(QColor(window->grab().toImage().pixel(inView)), QColor(102, 102, 102));
}

TEST_F(MainWindowTest, SaveAsOpenRecentFilesAndTheCommandLineKeepTheScene)
{
    OpenWindow();
    const int imported = Import({Shader("sample_base.shader")});
    ASSERT_GT(imported, 0);
    const std::string scene = (home.Path() / "first.glazen").string();
    dialogs.AnswerFile({scene});
    Choose(32774);
    EXPECT_EQ(window->windowTitle().toStdString(), "Glazen - " + scene);
    EXPECT_TRUE(fs::exists(scene));
    dialogs.Answer(MSG_NO); // New asks first; No discards
    Choose(57600);
    EXPECT_EQ(MaterialCount(), 0);
    EXPECT_EQ(window->windowTitle(), "Glazen - Untitled");
    dialogs.Answer(MSG_NO);
    dialogs.AnswerFile({scene});
    Choose(57601);
    EXPECT_EQ(MaterialCount(), imported);
    EXPECT_EQ(window->windowTitle().toStdString(), "Glazen - " + scene);
    EXPECT_TRUE(window->Console()->Output()->toPlainText().contains("\nReading of Scene to "));
    // The entry stands just above the separator and Exit.
    QAction* recent = Item(57616);
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(recent->text().toStdString(), "&1   " + scene);
    EXPECT_EQ(Item(57617), nullptr);
    QList<QAction*> items = window->FileMenu()->actions();
    EXPECT_EQ(items[items.size() - 3], recent);
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());
    // A failed open leaves the scene, its name and the recent files.
    const std::string broken = home.Write("broken.glazen", "{ not a scene");
    dialogs.Answer(MSG_NO);
    dialogs.AnswerFile({broken});
    Choose(57601);
    EXPECT_EQ(MaterialCount(), imported);
    EXPECT_EQ(window->windowTitle().toStdString(), "Glazen - " + scene);
    EXPECT_TRUE(InOrder(ConsoleLines(), {"Translator Could not load file " + broken + "."}));
    EXPECT_EQ(Item(57617), nullptr);
    // Open recent asks first, and empties the undo and redo lists.
    Import({Shader("sample_effects.shader")});
    const size_t asked = dialogs.prompts.size();
    dialogs.Answer(MSG_CANCEL);
    Choose(57616);
    EXPECT_GT(MaterialCount(), imported);
    EXPECT_EQ(g_UndoList.GetCount(), 1);
    dialogs.Answer(MSG_NO);
    Choose(57616);
    EXPECT_EQ(dialogs.prompts.size(), asked + 2);
    EXPECT_EQ(MaterialCount(), imported);
    EXPECT_EQ(g_UndoList.GetCount() + g_RedoList.GetCount(), 0);
    // Save As adds the extension; the menu lists the slots, newest first.
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
    const std::string expected[] = {"&1   " + names[2], "&2   " + names[1],
                                    "&3   " + names[0] + ".glazen"};
    items = window->FileMenu()->actions();
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(items[items.size() - 6 + i], Item(57616 + i)); // then slot 4
        EXPECT_EQ(Item(57616 + i)->text().toStdString(), expected[i]);
    }
    // Files named on the command line are opened or imported.
    const MStr base = Shader("sample_base.shader").c_str(), missing = (home.Path() / "x").c_str();
    const std::tuple<std::vector<MStr>, int, int, int, std::string> cases[] = {
        {{scene.c_str()}, 1, imported, 0, "Glazen - " + scene},
        {{base, missing}, 1, imported, 1, "Glazen - Untitled"},
        {{(home.Path() / "notes.txt").c_str()}, 0, 0, 0, "Glazen - Untitled"}};
    for (const auto& [files, read, materials, undoSteps, title] : cases)
    {
        SCOPED_TRACE(files[0].c_str());
        dialogs.Answer(MSG_NO);
        Choose(57600);
        EXPECT_EQ(OpenCommandLineFiles(files), read);
        EXPECT_EQ(MaterialCount(), materials);
        EXPECT_EQ(g_UndoList.GetCount(), undoSteps);
        QCoreApplication::processEvents();
        EXPECT_EQ(window->windowTitle().toStdString(), title);
    }
}

TEST_F(MainWindowTest, SavePromptsGoOnOnlyWhenTheSaveHappened)
{
    // A prompt answered Cancel, or Yes with a save cancelled or failed, keeps
    // the scene, its name and the program. Yes with a save lets it close.
    const int Cancelled = 0, Failed = 1, Asked = 2;
    const std::pair<int, int> cases[] = {{57600, Cancelled}, {57600, Failed},    {57601, Cancelled},
                                         {57601, Failed},    {57616, Cancelled}, {57616, Failed},
                                         {57616, Asked},     {0, Asked},         {0, Asked},
                                         {0, Cancelled},     {0, Failed}};
    OpenWindow();
    const std::string other = (home.Path() / "other.glazen").string();
    dialogs.AnswerFile({other});
    Choose(32774);
    g_RecentFiles[0] = other.c_str();
    const int imported = Import({Shader("sample_base.shader")});
    const std::string unwritable = (home.Path() / "no" / "such" / "x.glazen").string();
    for (const auto& [command, save] : cases)
    {
        SCOPED_TRACE(command * 10 + save);
        const size_t prompts = dialogs.prompts.size();
        dialogs.Answer(save == Asked ? MSG_CANCEL : MSG_YES);
        if (save != Asked)
            save == Cancelled ? dialogs.CancelFile() : dialogs.AnswerFile({unwritable});
        dialogs.AnswerFile({other}); // Open and open recent would go on with it
        if (command == 0)
            EXPECT_FALSE(window->close());
        else
            Choose(command);
        dialogs.files.clear();
        EXPECT_EQ(dialogs.prompts.size(), prompts + 1);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(MaterialCount(), imported);
        EXPECT_EQ(window->windowTitle().toStdString(), "Glazen - " + other);
        EXPECT_EQ(g_RecentFiles[0], other.c_str());
        EXPECT_FALSE(fs::exists(unwritable));
    }
    EXPECT_EQ(dialogs.prompts[0], "Save Changes: Do you wish to save your changes?");
    EXPECT_EQ(KFileSaveAs(), 0); // no answer left: cancelled
    const std::string kept = (home.Path() / "kept.glazen").string();
    dialogs.Answer(MSG_YES);
    dialogs.AnswerFile({kept});
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(fs::exists(kept));
}

TEST_F(MainWindowTest, ExitNoShutsDownInOrderAndTheWindowComesBackAtItsPlace)
{
    OpenWindow();
    window->setGeometry(40, 50, 900, 640);
    QCoreApplication::processEvents();
    const QRect placed = window->geometry();
    dialogs.Answer(MSG_NO);
    ASSERT_TRUE(window->close());
    EXPECT_TRUE(dialogs.fileRequests.empty()); // closed without saving
    EXPECT_TRUE(InOrder(logLines.lines, {"Set output to NULL", "config saved", "Shelves deleted",
                                         "Tab Control set to NULL", "Cleaning Up Globals...",
                                         "Deleting Undo and Redo Nodes...", "Globals Clean"}));
    EXPECT_TRUE(fs::exists(home.Path() / "program" / "Glazen.CFG"));
    window.reset();
    g_SavePromptAnswered = g_Closing = false;
    g_ActionRegistry.Clear();
    g_KeyBindingTable.Clear();
    OpenWindow();
    EXPECT_EQ(window->geometry(), placed);
}

TEST_F(MainWindowTest, BoundKeysRunOnReleaseAloneWhileAltEditAndViewportKeysGoOnToQt)
{
    // A widget of the main window that records the key presses that reach it.
    struct KeyWitness : QWidget
    {
        using QWidget::QWidget;
        void keyPressEvent(QKeyEvent* e) override { pressed.push_back(e->key()); }
        std::vector<int> pressed;
    };
    home.Write("program/Prefs/Tools/KFileNew.ascr", "Clear = 1;\n");
    OpenWindow();
    BindTestAction('K');
    auto* witness = new KeyWitness(window->ClientArea());
    witness->setFocusPolicy(Qt::StrongFocus);
    witness->show();
    QTest::keyPress(witness, Qt::Key_K);
    EXPECT_EQ(runs, 0);
    QTest::keyRelease(witness, Qt::Key_K);
    EXPECT_EQ(runs, 1);
    QTest::keyClick(witness, Qt::Key_K, Qt::ControlModifier); // the binding does not match
    EXPECT_TRUE(witness->pressed.empty());
    QTest::keyClick(witness, Qt::Key_K, Qt::AltModifier); // menu mnemonics
    EXPECT_EQ(witness->pressed, (std::vector<int>{Qt::Key_Alt, Qt::Key_K}));
    EXPECT_EQ(runs, 1);
    QLineEdit* field = window->BottomPanel()->LogField();
    field->setReadOnly(false);
    field->clear();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_K);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(field->text(), "k");
    delete witness;
    // Ctrl with a menu command opens the tool preferences instead of running it.
    QTest::keyPress(window->ClientArea(), Qt::Key_Control, Qt::ControlModifier);
    Choose(57600);
    QTest::keyRelease(window->ClientArea(), Qt::Key_Control);
    EXPECT_TRUE(dialogs.prompts.empty());
    EXPECT_TRUE(window->Console()->Output()->toPlainText().contains(
        "Variaible Found 'Clear' of Value '1'"));
    // A viewport follows Shift and Ctrl; start-up's two tools go at shutdown.
    EXPECT_EQ(g_ToolManager.GetCount(), 2);
    EXPECT_EQ(g_ToolManager.GetTool(0)->GetName(), "KToolSelect");
    ASSERT_EQ(KViewportPerspective(), 1);
    auto* viewport = dynamic_cast<COpenGLWnd*>(g_ActiveView);
    ASSERT_NE(viewport, nullptr);
    QTest::keyPress(viewport, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(viewport->GetInputState().shift, 1);
    QTest::keyRelease(viewport, Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(viewport->GetInputState().shift, 0);
    QTest::keyPress(viewport, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(viewport->GetInputState().ctrl, 1);
    QTest::keyRelease(viewport, Qt::Key_Control, Qt::NoModifier);
    QTest::keyClick(viewport, Qt::Key_K);
    EXPECT_EQ(runs, 2);
    g_SavePromptAnswered = true;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(g_ToolManager.GetCount(), 0);
}

TEST_F(MainWindowTest, FullViewHidesTheOtherPanesWheelZoomsAndTheSplitDragIsClamped)
{
    OpenWindow();
    MBaseViewWnd* pane0 = g_ViewPanes[0];
    pane0->ToggleFullView();
    window->Layout();
    EXPECT_TRUE(pane0->isVisible());
    for (int i : {1, 2})
    {
        EXPECT_FALSE(g_ViewPanes[i]->isVisible());
        EXPECT_EQ(g_ViewPanes[i]->geometry(), QRect(0, 0, 0, 0));
    }
    EXPECT_EQ(pane0->geometry().topLeft(), window->ViewArea().topLeft() + QPoint(3, 3));
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
        // A pane of no height (the lower right one here) has nothing to paint.
        EXPECT_TRUE(g_ViewPanes[i]->size().isEmpty() || counters[i].paints > 0) << i;
    }
    auto* view = dynamic_cast<CMaterialViewWnd*>(g_ActiveView);
    ASSERT_NE(view, nullptr);
    const float before = view->GetZoom();
    for (int delta : {120, -120})
    {
        const QPointF at(10, 10);
        QWheelEvent event(at, window->ClientArea()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.get(), &event);
        EXPECT_FLOAT_EQ(view->GetZoom(), delta > 0 ? before * 1.4f : before);
    }
    QWidget* client = window->ClientArea();
    const QRect area = window->ViewArea();
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

TEST_F(MainWindowTest, StructureEditsFromTheMenusExportAsExpectedAndShowInTheOutline)
{
    OpenWindow();
    const int imported = Import({(CorpusDir() / "shaders/openarena/oapowerups.shader").c_str()});
    ASSERT_GT(imported, 3);
    Choose(33008); // Create Shader
    const std::string created = Export();
    EXPECT_EQ(created.rfind("Material1\n{\n", 0), 0u) << created;
    Choose(33001); // Duplicate Selected
    const std::string duplicated = Export();
    EXPECT_EQ(duplicated, "Material11" + created.substr(9));
    EXPECT_EQ(MaterialCount(), imported + 2);
    Choose(32978); // Delete Selected
    EXPECT_EQ(MaterialCount(), imported + 1);
    EXPECT_EQ(Item(57643)->text(), "Undo Delete Selected");
    Choose(57643);
    EXPECT_EQ(MaterialCount(), imported + 2);
    EXPECT_EQ(Export(), duplicated);
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
    EXPECT_EQ(outline->RowY(g_CurrentScene->FindObject(quad->GetLayer(0))),
              outline->RowY(g_CurrentScene->FindObject(quad)) + outline->GetRowHeight());
    g_KeyBindingTable.AddBinding("KObjectDeleteSelected", "General", 0x2E, false, false, false);
    BindTestAction('K');
    outline->setFocus();
    QTest::keyClick(outline, Qt::Key_Delete);
    EXPECT_EQ(MaterialCount(), imported + 1);
    QTest::keyClick(outline, Qt::Key_K);
    EXPECT_EQ(runs, 1);
}

TEST_F(ConfigureWindowTest, AFolderAddedOnTheMiscPageIsSavedAndShowsTheTexture)
{
    OpenWindow(1000, 700);
    home.Write("maps/textures/e2e/red.tga", Targa(4, 4, std::vector<RgbPixel>(16, {200, 40, 40})));
    Import({home.Write("e2e.shader", "textures/e2e/redwall\n{\n\t{\n\t\tmap "
                                     "textures/e2e/red.tga\n\t}\n}\n")
                .c_str()});
    EXPECT_EQ(RedPixels(), 0); // without the folder the texture is not found
    const QString folder = QString::fromStdString((home.Path() / "maps").string());
    dialogs.colour = MakeColourValue(10, 60, 90);
    auto configure = [&](CConfigSheet& sheet)
    {
        const char* names[] = {"configure-keyboard.png", "configure-controls.png",
                               "configure-misc.png", "configure-color.png"};
        for (int i : {0, 1, 3, 2})
        {
            sheet.Tabs()->setCurrentIndex(i);
            QApplication::processEvents();
            Screenshot(&sheet, names[i]);
        }
        QTimer::singleShot(50,
                           [&]
                           {
                               auto* picker =
                                   qobject_cast<CDirPickerDlg*>(QApplication::activeModalWidget());
                               ASSERT_NE(picker, nullptr);
                               picker->PathField()->clear();
                               QTest::keyClicks(picker->PathField(), folder);
                               picker->findChild<QPushButton*>("OK")->click();
                           });
        sheet.UndoPage()->AddPathButton()->click();
        EXPECT_EQ(sheet.UndoPage()->PathList()->count(), 1);
        Screenshot(&sheet, "configure-misc-added.png");
        sheet.ColorPage()->List()->setCurrentRow(COLOUR_BACKGROUND);
        sheet.ColorPage()->OtherColor(); // a background colour of the user's own
        sheet.OkButton()->click();
    };
    EXPECT_TRUE(WorkModal<CConfigSheet>(50, configure, [&] { Choose(32821); }));
    // Saved at once: the configuration file holds the folder.
    const std::string bytes =
        ReadWholeFile(home.Path() / "program" / g_Config.m_ConfigFileName.c_str());
    EXPECT_NE(bytes.find(folder.toStdString() + "/"), std::string::npos);
    EXPECT_GT(RedPixels(), 100);
    // The material view clears to the configured background.
    const QImage view = g_ViewPanes[0]->grab().toImage();
    EXPECT_EQ(QColor(view.pixel(5, view.height() - 5)), QColor(10, 60, 90));
}

TEST_F(ChannelBarEditTest, MapEditedInTheBarIsExportedAndUndoneWithAScreenshot)
{
    MFileShaderNode* map = ImportAndSelectStage();
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(window->ChannelBar()->GetBlockCount(), 2);
    EXPECT_GE(block->GetRowCount(), 4); // the open block, under its name row
    QTest::qWait(100);
    Screenshot(window.get(), "channel-bar.png");
    auto* field = block->findChild<QLineEdit*>("Fname");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), "textures/acc_dm3/brwnwater.tga");
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "textures/acc_dm3/chrome.jpg");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(map->GetParamByName("Fname"), "textures/acc_dm3/chrome.jpg");
    EXPECT_EQ(Item(57643)->text(), "Undo Edit Fname");
    std::string exported = Export();
    EXPECT_NE(exported.find("map textures/acc_dm3/chrome.jpg"), std::string::npos) << exported;
    // The second stage keeps its own map.
    EXPECT_EQ(exported.find("brwnwater.tga"), exported.rfind("brwnwater.tga"));
    Choose(57643);
    field = window->ChannelBar()->ShowBlock(1)->findChild<QLineEdit*>("Fname");
    EXPECT_EQ(field->text(), "textures/acc_dm3/brwnwater.tga");
    exported = Export();
    EXPECT_NE(exported.find("map textures/acc_dm3/brwnwater.tga"), std::string::npos) << exported;
}

TEST_F(ChannelBarEditTest, KeysReachTheBarsChoiceBoxesThroughTheMainWindow)
{
    MFileShaderNode* map = ImportAndSelectStage();
    ASSERT_NE(map, nullptr);
    auto* field = block->findChild<QLineEdit*>("Fname");
    auto* repeatU = block->findChild<QComboBox*>("RpU");
    auto* repeatV = block->findChild<QComboBox*>("RpV");
    ASSERT_TRUE(field && repeatU && repeatV);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), repeatU);
    QTest::keyClick(repeatU, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), repeatV);
    QTest::keyClick(repeatV, Qt::Key_Up); // the other item, committed at once
    EXPECT_EQ(map->GetParamByName("RpV"), "Off");
    EXPECT_EQ(Item(57643)->text(), "Undo Edit RpV");
    repeatU->setFocus();
    QTest::keyClick(repeatU, Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), window.get());
    EXPECT_EQ(map->GetParamByName("RpU"), "On");
    // A bound key runs from the bar and its blocks, never from a choice box.
    BindTestAction('K');
    QTest::keyClick(window->ChannelBar(), Qt::Key_K);
    QTest::keyClick(block, Qt::Key_K);
    QTest::keyClick(repeatU, Qt::Key_K);
    EXPECT_EQ(runs, 2);
}

TEST_F(ShellTest, FirstStartShowsShelvesButtonsAndKeysAndCtrlClickConfigures)
{
    const fs::path program = home.Path() / "program";
    fs::copy(BinDir() / "Prefs", program / "Prefs", fs::copy_options::recursive);
    fs::copy_file(BinDir().parent_path() / "prefs" / "Glazen.KEY", program / "Glazen.KEY");
    OpenWindow(1200, 800);
    QTest::qWait(50);
    CAutoTabCtrl* tabs = window->TopPanel()->TabControl();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0) + " " + tabs->tabText(1), "Shaders View");
    CImageButton* remove = nullptr;
    for (int s = 0; s < window->ShelfManager().GetShelfCount(); ++s)
    {
        CShelfDlg* shelf = window->ShelfManager().GetShelf(s);
        EXPECT_GE(shelf->GetButtonCount(), 8);
        for (int b = 0; b < shelf->GetButtonCount(); ++b)
        {
            // Every shelf button has its picture and runs a registered action.
            CImageButton* button = shelf->GetButton(b);
            EXPECT_FALSE(button->GetPicture().IsEmpty()) << button->GetActionName().c_str();
            EXPECT_TRUE(g_ActionRegistry.FindActionByName(button->GetActionName()))
                << button->GetActionName().c_str();
            if (s == 0 && button->GetActionName().EqualsNoCase("KObjectDeleteSelected"))
                remove = button;
        }
    }
    EXPECT_FALSE(window->BottomPanel()->PlayButton()->GetPicture().IsEmpty());
    for (const auto& line : logLines.lines)
        EXPECT_EQ(line.find("Could not load image"), std::string::npos) << line;
    const MKeyBinding* undo = g_KeyBindingTable.FindByAction("KEditUndo"); // a default key
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->GetShortcutText().str(), "Ctrl+Z");
    Screenshot(window.get(), "first-start.png");
    tabs->setCurrentIndex(1);
    Screenshot(window->TopPanel(), "shelf-view.png");
    tabs->setCurrentIndex(0);
    // Ctrl+click on Delete opens its preferences (then Ctrl is let go).
    ASSERT_TRUE(remove);
    QTest::mouseClick(remove, Qt::LeftButton, Qt::ControlModifier, QPoint(10, 10));
    QTest::mouseClick(window->BottomPanel(), Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    std::unique_ptr<CToolConfigDlg> dialog;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<CToolConfigDlg*>(w); d && d->isVisible())
            dialog.reset(d);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), "KObjectDeleteSelected");
    ASSERT_EQ(dialog->GetItemCount(), 1);
    EXPECT_EQ(dialog->GetItem(0)->GetVariable().name.str(), "DeleteChildren");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    Screenshot(dialog.get(), "tool-config.png");
}
