#include "Globals.h"
#include "KUndoActions.h"
#include "MKeyListUndoSubItem.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MUndoList.h"
#include "MUndoNodes.h"
#include "TestSupport.h"

#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr int kUndoId = 57643;
constexpr int kRedoId = 57644;

// Counts the private messages it receives.
class MessageCounter : public QObject
{
  public:
    bool event(QEvent* e) override
    {
        ++counts[static_cast<int>(e->type())];
        return true;
    }
    std::map<int, int> counts;
};

// The editor's undo set-up on a test system's scene: the global lists bound
// to an Edit menu as at start-up, and a counter as the message target.
class UndoNodeTest : public ::testing::Test
{
  protected:
    UndoNodeTest()
    {
        Counted::live = 0;
        QMenu* edit = bar.addMenu("&Edit");
        MSetCommandId(edit->addAction("Undo \tCtrl+Z"), kUndoId);
        MSetCommandId(edit->addAction("Redo \tCtrl+Y"), kRedoId);
        g_UndoList.SetOpposite(&g_RedoList);
        g_UndoList.SetClearsOpposite(true);
        g_UndoList.SetPrefix("Undo ");
        g_UndoList.SetMenuItem(&bar, kUndoId);
        g_RedoList.SetOpposite(&g_UndoList);
        g_RedoList.SetClearsOpposite(false);
        g_RedoList.SetPrefix("Redo ");
        g_RedoList.SetMenuItem(&bar, kRedoId);
        g_UndoList.UpdateMenu();
        g_RedoList.UpdateMenu();
        scene = sys.Scene();
        g_CurrentScene = scene;
        MSetMessageTarget(&messages);
    }
    ~UndoNodeTest() override
    {
        g_UndoList.Purge();
        g_RedoList.Purge();
        g_UndoList.SetLimit(-1);
        g_UndoList.SetMenuItem(nullptr, 0);
        g_RedoList.SetMenuItem(nullptr, 0);
        g_CurrentScene = nullptr;
        MSetMessageTarget(nullptr);
        scene->ClearScene();
    }
    Counted* Add(const char* name, Counted* parent = nullptr)
    {
        auto* o = new Counted(name);
        scene->AddObject(o, parent ? scene->FindObject(parent) : nullptr);
        return o;
    }

    TestSystem sys;
    QMenuBar bar;
    MessageCounter messages;
    MScene* scene = nullptr;
};
} // namespace

TEST_F(UndoNodeTest, UndoOfASelectionChangeAndItsRedo)
{
    Counted* a = Add("a");
    Counted* b = Add("b");
    Counted* c = Add("c");
    scene->SelectObject(c);
    scene->SelectObject(a);

    auto* node = new MSelectUndoNode();
    EXPECT_EQ(node->GetName(), "Select");
    scene->SelectObject(b, false);
    g_UndoList.AddNode(node);
    EXPECT_EQ(g_UndoList.GetText(), "Undo Select\tCtrl+Z");

    EXPECT_EQ(KEditUndo(), 1);
    EXPECT_EQ(Selection(*scene), "c a "); // in the recorded order
    EXPECT_EQ(g_UndoList.GetText(), "Undo \tCtrl+Z");
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, kUndoId));
    EXPECT_EQ(g_RedoList.GetText(), "Redo Select\tCtrl+Y");
    EXPECT_TRUE(MIsMenuItemEnabled(&bar, kRedoId));
    EXPECT_EQ(messages.counts[UM_SCENE_CHANGED], 1);
    EXPECT_EQ(messages.counts[UM_REFRESH_CHANNELS], 1);

    EXPECT_EQ(KEditRedo(), 1);
    EXPECT_EQ(Selection(*scene), "b ");
    EXPECT_EQ(g_UndoList.GetText(), "Undo Select\tCtrl+Z");
    EXPECT_EQ(messages.counts[UM_SCENE_CHANGED], 2);

    // Nothing left to redo: the action reports it did nothing.
    EXPECT_EQ(KEditRedo(), 0);
    EXPECT_EQ(messages.counts[UM_SCENE_CHANGED], 2);
}

TEST_F(UndoNodeTest, SelectionNodeSkipsObjectsThatLeftTheSceneAndClonesItsList)
{
    Counted* a = Add("a");
    Counted* b = Add("b");
    scene->SelectObject(a);
    scene->SelectObject(b);
    MSelectUndoNode node;
    node.SetName("Select None");
    scene->SelectNone();

    std::unique_ptr<MBaseUndoNode> copy(node.Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "Select None");

    // b leaves the scene by an edit that recorded nothing.
    MRef<Counted> keep(b);
    scene->DeleteObject(b);
    EXPECT_EQ(node.Restore(), 0);
    EXPECT_EQ(Selection(*scene), "a ");
    EXPECT_EQ(scene->GetSelectedList().GetCount(), 1);

    scene->SelectNone();
    copy->Restore();
    EXPECT_EQ(Selection(*scene), "a ");
    ASSERT_NE(static_cast<MSelectUndoNode*>(copy.get())->GetList(), nullptr);
    EXPECT_NE(static_cast<MSelectUndoNode*>(copy.get())->GetList(), node.GetList());
    EXPECT_EQ(static_cast<MSelectUndoNode*>(copy.get())->GetList()->GetCount(), 2);

    // Without a scene there is nothing to record or restore.
    g_CurrentScene = nullptr;
    MSelectUndoNode none;
    EXPECT_EQ(none.GetList(), nullptr);
    EXPECT_EQ(none.Restore(), 0);
}

TEST_F(UndoNodeTest, TimeUndoAndRedo)
{
    scene->SetTime(120);
    auto* node = new MTimeUndoNode();
    node->SetName("Next Frame");
    scene->SetTime(240);
    g_UndoList.AddNode(node);

    KEditUndo();
    EXPECT_EQ(scene->GetTime(), 120);
    auto* redoNode = dynamic_cast<MTimeUndoNode*>(g_RedoList.GetHead());
    ASSERT_NE(redoNode, nullptr);
    EXPECT_EQ(redoNode->GetTime(), 240); // the time when Undo ran
    EXPECT_EQ(redoNode->GetName(), "Next Frame");

    KEditRedo();
    EXPECT_EQ(scene->GetTime(), 240);
    EXPECT_EQ(dynamic_cast<MTimeUndoNode*>(g_UndoList.GetHead())->GetTime(), 120);

    std::unique_ptr<MBaseUndoNode> copy(g_UndoList.GetHead()->Clone());
    EXPECT_EQ(copy->Restore(), 1);
    EXPECT_EQ(scene->GetTime(), 120);
}

TEST_F(UndoNodeTest, ParameterNodeRestoresEverySubItemAndReversesOnCapture)
{
    auto* obj = new Counted("obj");
    obj->AddFloatParam("Amp", "1");
    obj->AddColourParam("Tint", "1 0 0");
    scene->AddObject(obj);

    MParameterUndoNode node;
    EXPECT_TRUE(node.AddParameter(obj, MStr("amp")));
    EXPECT_TRUE(node.AddParameter(obj, obj->FindParameter("Tint")));
    auto order = [&]
    {
        std::string out;
        for (MBaseObject* item : node.GetSubItems())
            out +=
                static_cast<MKeyListUndoSubItem*>(item)->GetLiveParameter()->GetName().str() + " ";
        return out;
    };
    EXPECT_EQ(order(), "Tint Amp "); // each one goes in at the head

    obj->SetParamByName("Amp", "5");
    obj->SetParamByName("Tint", "0 1 0");
    EXPECT_EQ(node.Restore(), 2);
    EXPECT_EQ(obj->GetParamByName("Amp"), "1");
    EXPECT_EQ(obj->GetParamByName("Tint"), "1 0 0");

    obj->SetParamByName("Amp", "7");
    EXPECT_TRUE(node.Capture());
    EXPECT_EQ(order(), "Amp Tint ");
    node.Capture();
    EXPECT_EQ(order(), "Tint Amp ");
    obj->SetParamByName("Amp", "9");
    node.Restore();
    EXPECT_EQ(obj->GetParamByName("Amp"), "7");

    // A clone holds the same recorded values, in the same order.
    std::unique_ptr<MBaseUndoNode> copy(node.Clone());
    node.Capture();
    obj->SetParamByName("Amp", "2");
    EXPECT_EQ(copy->Restore(), 2);
    EXPECT_EQ(obj->GetParamByName("Amp"), "7");
    EXPECT_EQ(static_cast<MParameterUndoNode*>(copy.get())->GetSubItems().GetCount(), 2);

    // What is not a parameter of the owner is not recorded.
    MRef<Counted> other(new Counted("other"));
    other->AddFloatParam("Amp", "0");
    EXPECT_FALSE(node.AddParameter(obj, other->FindParameter("Amp")));
    EXPECT_FALSE(node.AddParameter(obj, nullptr));
    EXPECT_FALSE(node.AddParameter(nullptr, MStr("Amp")));
    EXPECT_FALSE(node.AddParameter(obj, MStr("Missing")));
    EXPECT_EQ(node.GetSubItems().GetCount(), 2);
}

TEST_F(UndoNodeTest, ParameterUndoThroughTheListKeepsKeysAndSetsTheTime)
{
    auto* obj = new Counted("obj");
    obj->AddParameter(std::make_unique<MKeyedFloatParameterObject>("Amp", "0"));
    scene->AddObject(obj);
    obj->SetParamByName("Amp", "0", true);
    scene->SetTime(240);
    obj->SetParamByName("Amp", "10", true);
    scene->SetTime(120);
    EXPECT_EQ(obj->GetParamByName("Amp"), "5");

    auto* node = new MParameterUndoNode();
    node->AddParameter(obj, MStr("Amp"));
    node->SetName("Edit Amp");
    obj->FindParameter("Amp")->RemoveKeys();
    obj->SetParamByName("Amp", "3");
    g_UndoList.AddNode(node);
    EXPECT_EQ(obj->GetParamByName("Amp"), "3");

    KEditUndo();
    EXPECT_EQ(obj->FindParameter("Amp")->GetKeyCount(), 2);
    EXPECT_EQ(obj->GetParamByName("Amp"), "5"); // evaluated at the scene's time
    EXPECT_EQ(g_RedoList.GetText(), "Redo Edit Amp\tCtrl+Y");

    KEditRedo();
    EXPECT_EQ(obj->FindParameter("Amp")->GetKeyCount(), 0);
    EXPECT_EQ(obj->GetParamByName("Amp"), "3");
}

TEST_F(UndoNodeTest, ParameterRemadeByItsObjectIsFoundAgain)
{
    // Copying values from an object of the same class that never made a
    // parameter drops the parameter and remakes it on the next use.
    auto* node = new MTCScrollShaderNode();
    scene->AddObject(node);
    node->SetParamByName("Ds", "1");
    MParameterUndoNode undo;
    ASSERT_TRUE(undo.AddParameter(node, node->FindParameter("Ds")));

    MRef<MBaseObject> fresh(new MTCScrollShaderNode());
    node->SetFrom(fresh.Get());
    node->SetParamByName("Ds", "5");
    EXPECT_EQ(undo.Restore(), 1);
    EXPECT_EQ(node->GetParamByName("Ds"), "1");

    // A parameter removed, then made again as another kind, is left alone.
    auto* obj = new Counted("obj");
    obj->AddFloatParam("Size", "2");
    scene->AddObject(obj);
    MParameterUndoNode sized;
    sized.AddParameter(obj, MStr("Size"));
    obj->RemoveParameter("Size");
    EXPECT_EQ(sized.Restore(), 1); // counted, though nothing could be put back
    obj->AddStringParam("Size", "big");
    sized.Restore();
    EXPECT_EQ(obj->GetParamByName("Size"), "big");
}

TEST_F(UndoNodeTest, NameParameterRenamesThroughTheScene)
{
    Counted* a = Add("Box1");
    MParameterUndoNode node;
    ASSERT_TRUE(node.AddParameter(a, MStr("Name")));
    a->SetName("Crate");
    node.Restore();
    EXPECT_EQ(a->GetName(), "Box1");
    EXPECT_EQ(scene->FindObjectByName("Box1"), a);
    EXPECT_EQ(scene->FindObjectByName("Crate"), nullptr);
}

TEST_F(UndoNodeTest, SceneTreeUndoOfDeleteBringsBackHierarchyFlagsAndSelection)
{
    Counted* a = Add("a");
    Counted* b = Add("b", a);
    Counted* c = Add("c", a);
    Counted* d = Add("d");
    c->ClearFlags(OBJ_VISIBLE); // hidden
    scene->SelectObject(d);
    scene->SelectObject(b);

    auto* node = new MSceneTreeUndoNode();
    node->SetName("Delete Selected");
    EXPECT_EQ(node->GetScene(), scene);
    for (MBaseObject* o : std::vector<MBaseObject*>(scene->GetSelectedList().begin(),
                                                    scene->GetSelectedList().end()))
        scene->DeleteObject(o);
    c->AddFlags(OBJ_VISIBLE | OBJ_CHANNELS_OPEN);
    g_UndoList.AddNode(node);
    EXPECT_EQ(TreeShape(*scene), " a( c)");
    EXPECT_EQ(Counted::live, 4); // the node holds b and d

    KEditUndo();
    EXPECT_EQ(TreeShape(*scene), " a( b c) d");
    EXPECT_FALSE(c->HasFlags(OBJ_VISIBLE));
    EXPECT_FALSE(c->HasFlags(OBJ_CHANNELS_OPEN));
    EXPECT_EQ(Selection(*scene), "b d "); // tree order
    EXPECT_EQ(scene->FindObjectByName("d"), d);
    EXPECT_EQ(b->GetOwnerScene(), scene);

    KEditRedo();
    EXPECT_EQ(TreeShape(*scene), " a( c)");
    EXPECT_TRUE(c->HasFlags(OBJ_CHANNELS_OPEN));
    EXPECT_EQ(Selection(*scene), "");
    EXPECT_EQ(scene->FindObjectByName("b"), nullptr);
    EXPECT_EQ(b->GetOwnerScene(), nullptr);

    // Once nothing records them, the deleted objects go.
    KEditPurgeUndoLists();
    EXPECT_EQ(Counted::live, 2);
    EXPECT_EQ(g_UndoList.GetCount(), 0);
    EXPECT_EQ(g_UndoList.GetText(), "Undo \tCtrl+Z");
}

TEST_F(UndoNodeTest, SceneTreeUndoOfReparentingAndItsClone)
{
    Counted* a = Add("a");
    Counted* b = Add("b");
    Add("c", b);
    auto* node = new MSceneTreeUndoNode(scene);
    node->SetName("Parent/Child");
    scene->SetParent(scene->FindObject(b), scene->FindObject(a));
    g_UndoList.AddNode(node);
    EXPECT_EQ(TreeShape(*scene), " a( b( c))");

    std::unique_ptr<MBaseUndoNode> copy(node->Clone());
    EXPECT_EQ(copy->GetName(), "Parent/Child");
    KEditUndo();
    EXPECT_EQ(TreeShape(*scene), " a b( c)");
    KEditRedo();
    EXPECT_EQ(TreeShape(*scene), " a( b( c))");
    EXPECT_EQ(copy->Restore(), 1);
    EXPECT_EQ(TreeShape(*scene), " a b( c)");

    // A node made without a scene restores nothing.
    g_CurrentScene = nullptr;
    MSceneTreeUndoNode none;
    EXPECT_EQ(none.GetTree(), nullptr);
    EXPECT_EQ(none.Restore(), 0);
    std::unique_ptr<MBaseUndoNode> noneCopy(none.Clone());
    EXPECT_EQ(noneCopy->Restore(), 0);
}

TEST_F(UndoNodeTest, PurgingReleasesEveryRecordedObject)
{
    {
        Counted* a = Add("a");
        Counted* b = Add("b", a);
        b->AddFloatParam("Amp", "1");
        scene->SelectObject(b);
        g_UndoList.AddNode(new MSelectUndoNode());
        auto* params = new MParameterUndoNode();
        params->AddParameter(b, MStr("Amp"));
        g_UndoList.AddNode(params);
        g_UndoList.AddNode(new MSceneTreeUndoNode());
        g_UndoList.AddNode(new MTimeUndoNode());
        KEditUndo(); // a copy goes to the redo list
        KEditUndo();
        EXPECT_EQ(g_RedoList.GetCount(), 2);
        scene->ClearScene();
        EXPECT_EQ(Counted::live, 2); // held by the nodes
        EXPECT_GT(scene->GetRefCount(), 1);
    }
    KEditPurgeUndoLists();
    EXPECT_EQ(g_RedoList.GetCount(), 0);
    EXPECT_EQ(g_RedoList.GetText(), "Redo \tCtrl+Y");
    EXPECT_EQ(Counted::live, 0);
    EXPECT_EQ(scene->GetRefCount(), 1); // the system manager's own
}

TEST_F(UndoNodeTest, ActionsWithoutASceneStillStepTheLists)
{
    g_UndoList.AddNode(new MBaseUndoNode());
    g_CurrentScene = nullptr;
    EXPECT_EQ(KEditUndo(), 1);
    EXPECT_EQ(g_RedoList.GetCount(), 1);
    EXPECT_EQ(KEditRedo(), 1);
    EXPECT_EQ(KEditUndo(), 1);
    EXPECT_EQ(KEditUndo(), 0);
    EXPECT_EQ(KEditPurgeUndoLists(), 1);
    EXPECT_EQ(g_RedoList.GetCount(), 0);
}

TEST_F(UndoNodeTest, SubItemCopiesKeepTheirOwnStoredValue)
{
    auto* obj = new Counted("obj");
    obj->AddVectorParam("Pos", "1 2 3");
    scene->AddObject(obj);
    MRef<MKeyListUndoSubItem> item(new MKeyListUndoSubItem());
    EXPECT_EQ(item->ClassName(), "MKeyListUndoSubItem");
    EXPECT_EQ(item->ParentClassName(), "MBaseObject");
    item->SetName("sub");
    ASSERT_TRUE(item->SetParameter(obj, obj->FindParameter("Pos")));
    EXPECT_EQ(obj->GetRefCount(), 2);

    obj->SetParamByName("Pos", "4 5 6");
    MRef<MBaseObject> copy(item->CreateNew());
    auto* sub = dynamic_cast<MKeyListUndoSubItem*>(copy.Get());
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->GetName(), "sub");
    EXPECT_EQ(sub->GetOwner(), obj);
    EXPECT_EQ(sub->GetStoredCopy()->GetValue(), "1 2 3");
    EXPECT_TRUE(item->Capture());
    EXPECT_EQ(item->GetStoredCopy()->GetValue(), "4 5 6");
    EXPECT_EQ(sub->GetStoredCopy()->GetValue(), "1 2 3");
    EXPECT_TRUE(sub->Restore());
    EXPECT_EQ(obj->GetParamByName("Pos"), "1 2 3");

    // Setting nothing lets go of what was held.
    EXPECT_FALSE(item->SetParameter(nullptr, nullptr));
    EXPECT_EQ(item->GetOwner(), nullptr);
    EXPECT_FALSE(item->Restore());
    EXPECT_FALSE(item->Capture());
    copy.Reset();
    EXPECT_EQ(obj->GetRefCount(), 1);
}
