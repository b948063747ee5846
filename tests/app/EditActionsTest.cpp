// The editing actions on an imported corpus scene: after each, its undo and
// its redo, lists and tree agree and undo gives back the export byte for byte.
// Also the main window's client area before its panes exist.
#include "AppTest.h"
#include "CConsoleDlg.h"
#include "CKorvaDlg.h"
#include "KActions.h"
#include "KFileActions.h"
#include "KUndoActions.h"
#include "MCompleteTranslator.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMesh.h"
#include "MQ3AShaderTranslator.h"
#include "MQ3AShaderWriter.h"
#include "MScene.h"
#include "MSelectionItem.h"
#include "MShaderNodes.h"
#include "MUndoList.h"
#include "ScriptedDialogs.h"
#include "TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace
{
class EditActions : public AppTest
{
  public: // the cases' lambdas reach the members
    void SetUp() override
    {
        AppTest::SetUp();
        scene = sys.Scene();
        g_CurrentScene = scene;
        g_UndoList.SetOpposite(&g_RedoList);
        g_UndoList.SetClearsOpposite(true);
        g_RedoList.SetOpposite(&g_UndoList);
        MQ3AShaderTranslator translator;
        ASSERT_TRUE(translator.ImportFile(
            (CorpusDir() / "shaders/openarena/oapowerups.shader").string().c_str(), scene));
        ASSERT_TRUE(Check());
        quad = Material("quadDamage");
    }
    void TearDown() override
    {
        g_UndoList.Purge();
        g_RedoList.Purge();
        g_UndoList.SetOpposite(nullptr);
        g_UndoList.SetClearsOpposite(false);
        g_RedoList.SetOpposite(nullptr);
        g_CurrentScene = nullptr;
        AppTest::TearDown();
    }
    bool Check()
    {
        MStr problem;
        const bool ok = scene->CheckStructure(&problem);
        EXPECT_TRUE(ok) << problem.c_str();
        return ok;
    }
    // Every material in tree order, as the shader writer writes it.
    std::string ExportAll()
    {
        MQ3AShaderWriter writer;
        scene->ForEachNode(
            [&](MBaseObjectTreeNode* n)
            {
                if (auto* m = dynamic_cast<MMaterial*>(n->GetObject()))
                    writer.WriteMaterial(m, 0);
            });
        return writer.GetText();
    }
    MMaterial* Material(const char* name)
    {
        return dynamic_cast<MMaterial*>(scene->FindObjectByName(name));
    }
    // The selected names in name order; checks that list and flags agree.
    std::multiset<std::string> SelectedNames()
    {
        Selection(*scene);
        std::multiset<std::string> names;
        for (MBaseObject* o : scene->GetSelectedList())
            names.insert(o->GetName().str());
        return names;
    }
    void SelectOnly(std::initializer_list<MBaseObject*> objects)
    {
        scene->SelectNone();
        for (MBaseObject* o : objects)
            scene->SelectObject(o, true);
    }

    MScene* scene = nullptr;
    MMaterial* quad = nullptr;
};

class MainWindowLayout : public AppTest
{
  protected:
    void SetUp() override
    {
        AppTest::SetUp();
        window = std::make_unique<CKorvaDlg>();
    }
    void TearDown() override
    {
        window.reset(); // saves the configuration into the temporary folder
        AppTest::TearDown();
    }
    // The mouse to each point on a w x h client, pressed from the first.
    void Drag(int w, int h, std::initializer_list<QPoint> points, bool press)
    {
        QWidget* client = window->ClientArea();
        client->resize(w, h);
        window->Layout();
        QEvent::Type type = press ? QEvent::MouseButtonPress : QEvent::MouseMove;
        for (QPoint p : points)
        {
            QMouseEvent e(type, p, client->mapToGlobal(p), press ? Qt::LeftButton : Qt::NoButton,
                          press ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(client, &e);
            type = QEvent::MouseMove;
        }
    }

    std::unique_ptr<CKorvaDlg> window;
};
} // namespace

TEST_F(EditActions, EveryActionKeepsTheStructureAndUndoRestoresTheExport)
{
    // Name, tool preferences if any, selection, action, undo label (null: none recorded).
    using Case = std::tuple<const char*, const char*, std::function<void(EditActions&)>, int (*)(),
                            const char*>;
    auto quadOnly = [](EditActions& t) { t.SelectOnly({t.quad}); };
    const Case cases[] = {
        {"duplicate shader", nullptr, quadOnly, KObjectDuplicateSelected, "Duplicate Selected"},
        {"duplicate two stages", nullptr,
         [](EditActions& t) {
             t.SelectOnly({t.quad->GetLayer(1), t.quad->GetLayer(2)});
         },
         KObjectDuplicateSelected, "Duplicate Selected"},
        {"duplicate node into a parent copy", "Dup_ParentGroup = 1;",
         [](EditActions& t) { t.SelectOnly({t.quad->GetLayer(2)->GetShader(0)}); },
         KObjectDuplicateSelected, "Duplicate Selected"},
        {"duplicate stage into a parent copy", "Dup_ParentGroup = 1;",
         [](EditActions& t) { t.SelectOnly({t.quad->GetLayer(1)}); }, KObjectDuplicateSelected,
         "Duplicate Selected"},
        {"delete shader and a stage of another", nullptr,
         [](EditActions& t) {
             t.SelectOnly({t.quad, t.Material("quadAura")->GetLayer(1)});
         },
         KObjectDeleteSelected, "Delete Selected"},
        {"delete a node and its layer", "DeleteChildren = 0;",
         [](EditActions& t) {
             t.SelectOnly({t.quad->GetLayer(1)->GetShader(0), t.quad->GetLayer(1)});
         },
         KObjectDeleteSelected, "Delete Selected"},
        {"delete all", "DeleteChildren = 1;",
         [](EditActions& t) { t.scene->SelectAllOf<MBaseObject>(); }, KObjectDeleteSelected,
         "Delete Selected"},
        {"select none", nullptr, quadOnly, KEditSelectNone, "Select None"},
        {"select inverse", nullptr, quadOnly, KEditSelectInverse, "Select Inverse"},
        {"create shader", nullptr, [](EditActions&) {}, KPrimitiveCreateMaterial, nullptr},
        // Select All and Children record nothing; Children purges both lists.
        {"select all", nullptr, quadOnly, KEditSelectAll, nullptr},
        {"select children", nullptr, quadOnly, KEditSelectChildren, nullptr},
        {"add layer", nullptr, quadOnly, KMaterialAddLayer, nullptr}};
    for (const auto& [name, prefs, select, action, undoLabel] : cases)
    {
        SCOPED_TRACE(name);
        TearDown();
        sys.Scene()->ClearScene();
        std::filesystem::remove_all(dir.Path() / "Prefs");
        if (prefs)
            for (const char* tool : {"KObjectDuplicateSelected", "KObjectDeleteSelected"})
                dir.Write(std::string("Prefs/Tools/") + tool + ".ascr", prefs);
        SetUp();
        select(*this);
        const std::string before = ExportAll(), beforeShape = TreeShape(*scene);
        const std::multiset<std::string> beforeSelection = SelectedNames();
        ASSERT_EQ(action(), 1);
        Check();
        Selection(*scene); // list and flags agree
        const std::string after = ExportAll(), afterShape = TreeShape(*scene);
        if (!undoLabel)
        {
            EXPECT_EQ(g_UndoList.GetCount(), 0);
            continue;
        }
        ASSERT_EQ(g_UndoList.GetCount(), 1);
        EXPECT_EQ(g_UndoList.HeadName(), undoLabel);
        ASSERT_EQ(KEditUndo(), 1);
        Check();
        EXPECT_EQ(ExportAll(), before);
        EXPECT_EQ(TreeShape(*scene), beforeShape);
        EXPECT_EQ(SelectedNames(), beforeSelection);
        ASSERT_EQ(KEditRedo(), 1);
        Check();
        EXPECT_EQ(ExportAll(), after);
        EXPECT_EQ(TreeShape(*scene), afterShape);
    }
}

TEST_F(EditActions, DuplicateCreateAndAddLayerNameTheirPartsAndOpenGoesOnAfterThePrompt)
{
    SelectOnly({quad});
    ASSERT_EQ(KObjectDuplicateSelected(), 1);
    ASSERT_EQ(scene->GetSelectedList().GetCount(), 1);
    auto* copy = dynamic_cast<MMaterial*>(scene->GetSelectedList().GetAt(0));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "quadDamage1");
    ASSERT_EQ(copy->GetLayerCount(), quad->GetLayerCount());
    for (int i = 0; i < copy->GetLayerCount(); ++i)
    {
        EXPECT_NE(copy->GetLayer(i), quad->GetLayer(i));
        EXPECT_EQ(scene->FindObjectByName(copy->GetLayer(i)->GetName()), copy->GetLayer(i));
        for (MBaseObject* node : copy->GetLayer(i)->GetShaderList())
            EXPECT_EQ(scene->FindObjectByName(node->GetName()), node);
    }
    // With "Dup_ParentGroup" a node's copy goes into a new copy of its layer.
    dir.Write("Prefs/Tools/KObjectDuplicateSelected.ascr", "Dup_ParentGroup = 1;\n");
    MMaterialLayer* stage = quad->GetLayer(1);
    const int nodes = stage->GetShaderCount();
    SelectOnly({stage->GetShader(0)});
    KObjectDuplicateSelected();
    ASSERT_EQ(quad->GetLayerCount(), 4);
    MMaterialLayer* group = quad->GetLayer(3);
    EXPECT_NE(group->GetName(), stage->GetName());
    ASSERT_EQ(group->GetShaderCount(), 1);
    EXPECT_EQ(group->GetShader(0), scene->GetSelectedList().GetAt(0));
    EXPECT_EQ(scene->FindObject(group->GetShader(0))->GetParent(), scene->FindObject(group));
    EXPECT_EQ(stage->GetShaderCount(), nodes);
    // Create Shader makes a starter stage; Add Layer follows the tree.
    scene->ClearScene();
    EXPECT_EQ(KPrimitiveCreateMaterial(), 1);
    auto* material = dynamic_cast<MMaterial*>(scene->GetSelectedList().GetAt(0));
    ASSERT_EQ(Selection(*scene), "Material1 ");
    // In the tree the stage stands before the option layer.
    EXPECT_EQ(TreeShape(*scene), " Material1( Layer1( FileShader1) OptionLayer1)");
    EXPECT_NE(dynamic_cast<MFileShaderNode*>(material->GetLayer(1)->GetShader(0)), nullptr);
    EXPECT_EQ(material->GetLayer(1)->GetMaterial(), material);
    // Add Layer goes to the first selected material in tree order.
    KPrimitiveCreateMaterial();
    scene->SelectObject(material, true);
    EXPECT_EQ(KMaterialAddLayer(), 1);
    ASSERT_EQ(material->GetLayerCount(), 3);
    EXPECT_EQ(Selection(*scene), material->GetLayer(2)->GetName().str() + " ");
    const std::string shape = TreeShape(*scene);
    EXPECT_EQ(shape.substr(0, shape.find(" Material2")),
              " Material1( Layer1( FileShader1) OptionLayer1 " +
                  material->GetLayer(2)->GetName().str() + "( " +
                  material->GetLayer(2)->GetShader(0)->GetName().str() + "))");
    scene->SelectNone(); // nothing selected: nothing added, yet it succeeds
    EXPECT_EQ(KMaterialAddLayer(), 1);
    EXPECT_EQ(TreeShape(*scene), shape);
    // Open and Open Recent go on after the prompt, and only for slots there are.
    const std::string saved = (dir.Path() / "kept.glazen").string();
    ASSERT_TRUE(MCompleteTranslator().ExportFile(saved.c_str(), scene));
    std::fill(std::begin(g_RecentFiles), std::end(g_RecentFiles), MStr(saved.c_str()));
    ScriptedDialogs dialogs;
    for (int slot : {-1, kRecentFileSlots, 0, kRecentFileSlots - 1})
    {
        dialogs.Answer(MSG_NO);
        EXPECT_EQ(OpenRecentFile(slot), slot >= 0 && slot < kRecentFileSlots) << slot;
    }
    dialogs.Answer(MSG_CANCEL); // Open goes on only after the prompt
    EXPECT_EQ(KFileOpen(), 0);
    dialogs.Answer(MSG_NO);
    dialogs.AnswerFile({saved.c_str()});
    EXPECT_EQ(KFileOpen(), 1);
    std::fill(std::begin(g_RecentFiles), std::end(g_RecentFiles), MStr());
}

TEST_F(EditActions, ComponentDeletesFrameStepsHideAndShowAndNothingWithoutAScene)
{
    // Vertex 1 and triangle 1 are flagged; triangle 0 uses vertex 1.
    const std::tuple<int, int, int, bool> modes[] = {{COMPONENT_VERTEX, 3, 1, false},
                                                     {COMPONENT_TRIANGLE, 4, 1, false},
                                                     {COMPONENT_EDGE, 4, 2, true},
                                                     {0, 4, 2, true}};
    const std::string before = ExportAll();
    for (const auto& [mode, vertices, triangles, warned] : modes)
    {
        SCOPED_TRACE(mode);
        MRef<MMesh> mesh(new MMesh());
        ASSERT_TRUE(mesh->SetData({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                  {{0, 1, 2}, {0, 2, 3}}, {0, COMPONENT_FLAG_VERTEX, 0, 0}, {},
                                  {0, COMPONENT_FLAG_TRIANGLE}));
        scene->AddObject(mesh.Get());
        SelectOnly({mesh.Get(), quad});
        scene->SetSelectionMode(mode);
        sys.log.lines.clear();
        EXPECT_EQ(KObjectDeleteSelected(), 1);
        EXPECT_EQ(mesh->GetVertexCount(), vertices);
        EXPECT_EQ(mesh->GetTriangleCount(), triangles);
        EXPECT_EQ(sys.log.Contains("Warning: Nothing Deleted. Cannot Delete Component"), warned);
        EXPECT_EQ(ExportAll(), before);
        EXPECT_EQ(g_UndoList.GetCount(), 0);
    }
    // Frame steps have no bounds and are undone.
    EXPECT_EQ(KControlPrevFrame(), 1);
    EXPECT_EQ(scene->GetTime(), -TICKS_PER_FRAME); // no bounds
    KControlNextFrame();
    KControlNextFrame();
    EXPECT_EQ(scene->GetTime(), TICKS_PER_FRAME);
    EXPECT_EQ(g_UndoList.HeadName(), "Next Frame");
    KEditUndo();
    EXPECT_EQ(scene->GetTime(), 0);
    EXPECT_EQ(g_PendingUndoNode, nullptr);
    // Quad is selected throughout; each step starts from the last.
    MMaterial* aura = Material("quadAura");
    const std::tuple<int (*)(), bool, bool> cases[] = {
        {KControlHideSelected, false, true},   {KControlShowAll, true, true},
        {KControlHideUnSelected, true, false}, {KControlShowSelected, true, false},
        {KControlHideAll, false, false},       {KControlShowUnSelected, false, true}};
    SelectOnly({quad});
    g_UndoList.Purge();
    for (const auto& [action, quadVisible, auraVisible] : cases)
    {
        EXPECT_EQ(action(), 1);
        EXPECT_EQ(quad->HasFlags(OBJ_VISIBLE), quadVisible);
        EXPECT_EQ(aura->HasFlags(OBJ_VISIBLE), auraVisible);
    }
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    g_CurrentScene = nullptr; // without a scene the actions do nothing
    for (auto action : {KEditSelectAll, KEditSelectChildren, KEditSelectInverse, KControlShowAll})
        EXPECT_EQ(action(), 0);
}

TEST_F(MainWindowLayout, SplitLinesStandWhereTheViewAreaPutsThemAndConsoleFieldsFillIt)
{
    Drag(400, 300, {}, false);
    // Without panels: 2 pixels spare on the left, 5 on the right.
    EXPECT_EQ(window->ViewArea(), QRect(QPoint(2, 0), QPoint(394, 299)));
    // The splits: three quarters across, and at the foot, less 6-pixel gaps.
    const int splitX = 2 + int((395 - 2 - 6) * 0.75f) + 3, splitY = 300 - 6 + 3;
    const std::pair<QPoint, Qt::CursorShape> cases[] = {{{splitX - 5, 100}, Qt::SizeHorCursor},
                                                        {{splitX + 6, 100}, Qt::ArrowCursor},
                                                        {{100, splitY}, Qt::SizeVerCursor},
                                                        {{100, splitY - 6}, Qt::ArrowCursor},
                                                        {{splitX, splitY}, Qt::SizeAllCursor}};
    for (const auto& [at, shape] : cases)
    {
        Drag(400, 300, {at}, false);
        EXPECT_EQ(window->ClientArea()->cursor().shape(), shape) << at.x() << "," << at.y();
    }
    // A drag on the column split moves it.
    Drag(400, 300, {{splitX, 100}, {200, 100}}, true);
    const float fraction = (200 - 2) / 393.0f;
    EXPECT_FLOAT_EQ(window->GetColumnFraction(), fraction);
    // A client too narrow for any pane leaves the split alone.
    Drag(7, 100, {{5, 50}, {6, 50}}, true);
    EXPECT_FLOAT_EQ(window->GetColumnFraction(), fraction);
    // The console's fields fill it within a one-pixel border.
    CConsoleDlg* console = window->Console();
    console->resize(600, 300);
    console->show();
    QApplication::processEvents();
    const QRect output = console->Output()->geometry();
    const QRect input = console->findChild<QLineEdit*>("ConsoleInput")->geometry();
    EXPECT_EQ(output, QRect(QPoint(1, 1), QPoint(598, input.top() - 2)));
    EXPECT_EQ(input, QRect(QPoint(1, input.top()), QPoint(598, 299)));
    console->hide();
}
