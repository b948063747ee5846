// The selection and editing actions on an imported corpus scene: after each
// action, and after its undo and redo, the scene's lists and tree agree, and
// undo gives back the export from before the action byte for byte.

#include "Globals.h"
#include "KActions.h"
#include "KUndoActions.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MQ3AShaderTranslator.h"
#include "MQ3AShaderWriter.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MUndoList.h"
#include "TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace
{
class EditActions : public ::testing::Test
{
  public: // the cases' lambdas reach the members
    void SetUp() override
    {
        m_OldFolder = g_Config.m_ProgramFolder;
        g_Config.m_ProgramFolder = (dir.Path().string() + "/").c_str();
        scene = sys.Scene();
        g_CurrentScene = scene;
        // As the main window sets them up.
        g_UndoList.SetOpposite(&g_RedoList);
        g_UndoList.SetClearsOpposite(true);
        g_RedoList.SetOpposite(&g_UndoList);
        g_UndoList.Purge();
        g_RedoList.Purge();
        MQ3AShaderTranslator translator;
        ASSERT_TRUE(translator.ImportFile(
            (CorpusDir() / "shaders/openarena/oapowerups.shader").string().c_str(), scene));
        ASSERT_TRUE(Check());
    }
    void TearDown() override
    {
        g_UndoList.Purge();
        g_RedoList.Purge();
        g_UndoList.SetOpposite(nullptr);
        g_UndoList.SetClearsOpposite(false);
        g_RedoList.SetOpposite(nullptr);
        g_CurrentScene = nullptr;
        g_Config.m_ProgramFolder = m_OldFolder;
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
    // The selected names in name order: a restored tree rebuilds the
    // selection in tree order.
    std::multiset<std::string> SelectedNames()
    {
        Selection(*scene); // checks that list and flags agree
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

    TestSystem sys;
    TempDir dir;
    MStr m_OldFolder;
    MScene* scene = nullptr;
};
} // namespace

TEST_F(EditActions, EveryActionKeepsTheStructureAndUndoRestoresTheExport)
{
    struct Case
    {
        const char* name;
        const char* prefs; // the action's tool preferences, if any
        std::function<void(EditActions&)> select;
        int (*action)();
        const char* undoLabel; // null: the action records no undo node
    };
    auto quad = [](EditActions& t) { return t.Material("quadDamage"); };
    const Case cases[] = {
        {"duplicate shader", nullptr, [&](EditActions& t) { t.SelectOnly({quad(t)}); },
         KObjectDuplicateSelected, "Duplicate Selected"},
        {"duplicate two stages", nullptr,
         [&](EditActions& t) {
             t.SelectOnly({quad(t)->GetLayer(1), quad(t)->GetLayer(2)});
         },
         KObjectDuplicateSelected, "Duplicate Selected"},
        {"duplicate node into a parent copy", "Dup_ParentGroup = 1;",
         [&](EditActions& t) { t.SelectOnly({quad(t)->GetLayer(2)->GetShader(0)}); },
         KObjectDuplicateSelected, "Duplicate Selected"},
        {"duplicate stage into a parent copy", "Dup_ParentGroup = 1;",
         [&](EditActions& t) { t.SelectOnly({quad(t)->GetLayer(1)}); }, KObjectDuplicateSelected,
         "Duplicate Selected"},
        {"delete shader and a stage of another", nullptr,
         [&](EditActions& t) {
             t.SelectOnly({quad(t), t.Material("quadAura")->GetLayer(1)});
         },
         KObjectDeleteSelected, "Delete Selected"},
        {"delete a node and its layer", "DeleteChildren = 0;",
         [&](EditActions& t) {
             t.SelectOnly({quad(t)->GetLayer(1)->GetShader(0), quad(t)->GetLayer(1)});
         },
         KObjectDeleteSelected, "Delete Selected"},
        {"delete all", "DeleteChildren = 1;",
         [](EditActions& t) { t.scene->SelectAllOf<MBaseObject>(); }, KObjectDeleteSelected,
         "Delete Selected"},
        {"select none", nullptr, [&](EditActions& t) { t.SelectOnly({quad(t)}); }, KEditSelectNone,
         "Select None"},
        {"select inverse", nullptr, [&](EditActions& t) { t.SelectOnly({quad(t)}); },
         KEditSelectInverse, "Select Inverse"},
        {"create shader", nullptr, [](EditActions&) {}, KPrimitiveCreateMaterial, nullptr},
        {"add layer", nullptr, [&](EditActions& t) { t.SelectOnly({quad(t)}); }, KMaterialAddLayer,
         nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TearDown();
        sys.Scene()->ClearScene();
        std::filesystem::remove_all(dir.Path() / "Prefs");
        if (c.prefs)
            for (const char* tool : {"KObjectDuplicateSelected", "KObjectDeleteSelected"})
                dir.Write(std::string("Prefs/Tools/") + tool + ".ascr", c.prefs);
        SetUp();
        c.select(*this);
        const std::string before = ExportAll();
        const std::string beforeShape = TreeShape(*scene);
        const std::multiset<std::string> beforeSelection = SelectedNames();
        ASSERT_EQ(c.action(), 1);
        Check();
        const std::string after = ExportAll();
        const std::string afterShape = TreeShape(*scene);
        if (!c.undoLabel)
        {
            EXPECT_EQ(g_UndoList.GetCount(), 0);
            continue;
        }
        ASSERT_EQ(g_UndoList.GetCount(), 1);
        EXPECT_EQ(g_UndoList.HeadName(), c.undoLabel);
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

TEST_F(EditActions, DuplicateNamesEveryPartAfreshAndSelectsTheCopiesAlone)
{
    MMaterial* quad = Material("quadDamage");
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
    // Two stages of one shader: both copies go to that shader, newest first
    // in the selection.
    MMaterialLayer* a = quad->GetLayer(1);
    MMaterialLayer* b = quad->GetLayer(2);
    SelectOnly({a, b});
    KObjectDuplicateSelected();
    ASSERT_EQ(quad->GetLayerCount(), 5);
    EXPECT_EQ(Selection(*scene),
              quad->GetLayer(4)->GetName().str() + " " + quad->GetLayer(3)->GetName().str() + " ");
}

TEST_F(EditActions, DuplicateWithParentGroupPutsTheCopyInANewCopyOfItsLayer)
{
    dir.Write("Prefs/Tools/KObjectDuplicateSelected.ascr", "Dup_ParentGroup = 1;\n");
    MMaterial* quad = Material("quadDamage");
    MMaterialLayer* stage = quad->GetLayer(1);
    MBaseObject* node = stage->GetShader(0);
    const int nodes = stage->GetShaderCount();
    SelectOnly({node});
    KObjectDuplicateSelected();
    ASSERT_EQ(quad->GetLayerCount(), 4);
    MMaterialLayer* group = quad->GetLayer(3);
    EXPECT_NE(group->GetName(), stage->GetName());
    ASSERT_EQ(group->GetShaderCount(), 1);
    EXPECT_EQ(group->GetShader(0), scene->GetSelectedList().GetAt(0));
    EXPECT_EQ(scene->FindObject(group->GetShader(0))->GetParent(), scene->FindObject(group));
    EXPECT_EQ(stage->GetShaderCount(), nodes);
}

TEST_F(EditActions, TreeWalksWrapAmongSiblingsAndStayAtTheEnds)
{
    MMaterial* quad = Material("quadDamage");
    MBaseObjectTreeNode* qn = scene->FindObject(quad);
    MBaseObject* first = qn->GetFirstChild()->GetObject();
    MBaseObject* last = qn->GetLastChild()->GetObject();
    MBaseObject* stage = quad->GetLayer(1);
    MBaseObject* leaf = scene->FindObject(stage)->GetFirstChild()->GetObject();
    struct Case
    {
        int (*walk)();
        MBaseObject* from;
        MBaseObject* to;
    };
    const Case cases[] = {
        {KSelectPrevSibling, first, last}, {KSelectNextSibling, last, first},
        {KSelectParent, quad, quad},       {KSelectChild, leaf, leaf},
        {KSelectChild, quad, first},       {KSelectParent, leaf, stage},
    };
    for (const Case& c : cases)
    {
        SelectOnly({c.from});
        EXPECT_EQ(c.walk(), 1);
        EXPECT_EQ(Selection(*scene), c.to->GetName().str() + " ");
    }
    scene->SelectNone();
    const int before = g_UndoList.GetCount();
    EXPECT_EQ(KSelectParent(), 0);
    EXPECT_EQ(g_UndoList.GetCount(), before);
}

TEST_F(EditActions, SelectAllAndChildrenKeepTheListAndPurgeBothUndoLists)
{
    MMaterial* quad = Material("quadDamage");
    SelectOnly({quad});
    KEditSelectNone();
    KEditUndo();
    ASSERT_EQ(g_RedoList.GetCount(), 1);
    KEditSelectChildren();
    EXPECT_EQ(g_UndoList.GetCount() + g_RedoList.GetCount(), 0);
    // The children come ahead of the old selection, last in tree order first.
    MBaseObjectTreeNode* last = scene->FindObject(quad);
    while (last->GetLastChild())
        last = last->GetLastChild();
    EXPECT_EQ(scene->GetSelectedList().GetAt(0), last->GetObject());
    EXPECT_EQ(scene->GetSelectedList().GetAt(scene->GetSelectedList().GetCount() - 1), quad);
    Selection(*scene); // checks flags and list agree

    KEditSelectNone();
    KEditSelectAll();
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    EXPECT_EQ(scene->GetSelectedList().GetCount(), scene->GetObjectCount());
    KEditSelectInverse();
    EXPECT_EQ(scene->GetSelectedList().GetCount(), 0);
    KEditUndo();
    EXPECT_EQ(scene->GetSelectedList().GetCount(), scene->GetObjectCount());
}

TEST_F(EditActions, FrameStepsHaveNoBoundsAndUndo)
{
    EXPECT_EQ(KControlPrevFrame(), 1);
    EXPECT_EQ(scene->GetTime(), -TICKS_PER_FRAME);
    KControlNextFrame();
    KControlNextFrame();
    EXPECT_EQ(scene->GetTime(), TICKS_PER_FRAME);
    EXPECT_EQ(g_UndoList.HeadName(), "Next Frame");
    KEditUndo();
    EXPECT_EQ(scene->GetTime(), 0);
    EXPECT_EQ(g_PendingUndoNode, nullptr);
}

TEST_F(EditActions, HideAndShowChangeTheVisibleFlagOfTheirObjects)
{
    MMaterial* quad = Material("quadDamage");
    MMaterial* aura = Material("quadAura");
    struct Case
    {
        int (*action)();
        bool quadVisible, auraVisible;
    };
    // Quad is selected throughout; each step starts from the last.
    const Case cases[] = {
        {KControlHideSelected, false, true},   {KControlShowAll, true, true},
        {KControlHideUnSelected, true, false}, {KControlShowSelected, true, false},
        {KControlHideAll, false, false},       {KControlShowUnSelected, false, true},
    };
    SelectOnly({quad});
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.action(), 1);
        EXPECT_EQ(quad->HasFlags(OBJ_VISIBLE), c.quadVisible);
        EXPECT_EQ(aura->HasFlags(OBJ_VISIBLE), c.auraVisible);
    }
    EXPECT_EQ(g_UndoList.GetCount(), 0);
}

TEST_F(EditActions, ComponentModeDeletesNoShaderPartAndRecordsNoUndo)
{
    MRef<Counted> mesh(new Counted("Mesh"));
    scene->AddObject(mesh.Get());
    SelectOnly({Material("quadDamage"), mesh.Get()});
    scene->SetSelectionMode(0);
    const std::string before = ExportAll();
    sys.log.lines.clear();
    EXPECT_EQ(KObjectDeleteSelected(), 1);
    EXPECT_EQ(sys.log.lines,
              std::vector<std::string>{"Warning: Nothing Deleted. Cannot Delete Component"});
    EXPECT_EQ(ExportAll(), before);
    EXPECT_EQ(g_UndoList.GetCount(), 0);
}
