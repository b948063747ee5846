// The undo and redo lists and the undo node kinds on a test scene, stepped
// through the editor's global lists and the Undo, Redo and Purge actions.
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
#include <QMenuBar>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

namespace
{
// A node that counts the live nodes of its kind; its restore may set off a
// new edit pushed onto another list.
class LiveNode : public MBaseUndoNode
{
  public:
    explicit LiveNode(const MStr& name, MUndoList* pushTo = nullptr) : pushTo(pushTo)
    {
        SetName(name);
        ++live;
    }
    ~LiveNode() override { --live; }
    int Restore() override
    {
        if (pushTo)
            pushTo->AddNode(new LiveNode("pushed"));
        return 0;
    }
    MBaseUndoNode* Clone() const override { return new LiveNode(GetName()); }
    MUndoList* pushTo;
    static inline int live = 0;
};

// The names from the newest, checking the links both ways and the count.
std::string Names(const MUndoList& list)
{
    std::string out;
    const MBaseUndoNode* newer = nullptr;
    for (const MBaseUndoNode* n = list.GetHead(); n; newer = n, n = n->GetOlder())
    {
        EXPECT_EQ(n->GetNewer(), newer);
        out += n->GetName().str() + " ";
    }
    EXPECT_EQ(list.CountNodes(), list.GetCount());
    return out;
}

// Counts the private messages it receives.
struct MessageCounter : QObject
{
    bool event(QEvent* e) override
    {
        ++counts[static_cast<int>(e->type())];
        return true;
    }
    std::map<int, int> counts;
};

// The global lists bound to an Edit menu as at start-up, on a test scene.
class UndoTest : public ::testing::Test
{
  protected:
    UndoTest()
    {
        Counted::live = LiveNode::live = 0;
        QMenu* edit = bar.addMenu("&Edit");
        MSetCommandId(edit->addAction("Undo \tCtrl+Z"), 57643);
        MSetCommandId(edit->addAction("Redo"), 57644);
        g_UndoList.SetOpposite(&g_RedoList);
        g_UndoList.SetClearsOpposite(true);
        g_UndoList.SetPrefix("Undo ");
        g_UndoList.SetMenuItem(&bar, 57643);
        g_RedoList.SetOpposite(&g_UndoList);
        g_RedoList.SetPrefix("Redo ");
        g_RedoList.SetMenuItem(&bar, 57644);
        g_CurrentScene = scene;
        MSetMessageTarget(&messages);
    }
    ~UndoTest() override
    {
        KEditPurgeUndoLists();
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
    // The undo item's text, and whether each item is enabled.
    std::string Menu()
    {
        return g_UndoList.GetText().str() + (MIsMenuItemEnabled(&bar, 57643) ? "+" : "-") +
               (MIsMenuItemEnabled(&bar, 57644) ? "+" : "-");
    }

    TestSystem sys;
    QMenuBar bar;
    MessageCounter messages;
    MScene* scene = sys.Scene();
};
} // namespace

TEST_F(UndoTest, ListsFollowTheirScriptStepBeforeRestoringAndRefuseBadPushes)
{
    // +x pushes x onto the undo list, r+x onto the redo list; U and R step;
    // Ln sets the undo limit; P purges, O and N remove the oldest and newest.
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"", "", "", "Undo \tCtrl+Z--"},
        {"+a +b +c U U", "a ", "b c ", "Undo a\tCtrl+Z++"},
        {"+a +b +c U U R", "b a ", "c ", "Undo b\tCtrl+Z++"},
        {"+a +b U U R +d", "d a ", "", "Undo d\tCtrl+Z+-"}, // a new edit purges redo
        {"+a U R", "a ", "", "Undo a\tCtrl+Z+-"},
        {"L3 +a +b +c +d", "d c b ", "", "Undo d\tCtrl+Z+-"},
        {"L3 +a L0 L-2 +b +c +d", "d c b ", "", "Undo d\tCtrl+Z+-"}, // refused limits
        {"L1 +a +b L-1 +c +d", "d c b ", "", "Undo d\tCtrl+Z+-"},
        // A lowered limit sheds up to two nodes per push.
        {"+a +b +c +d +e +f L3 +g", "g f e d c ", "", "Undo g\tCtrl+Z+-"},
        {"+a +b +c +d +e +f L3 +g +h", "h g f e ", "", "Undo h\tCtrl+Z+-"},
        {"+a +b +c +d +e +f L3 +g +h +i", "i h g ", "", "Undo i\tCtrl+Z+-"},
        {"L2 +a +b +c r+x P", "", "x ", "Undo \tCtrl+Z-+"},
        {"r+x r+y P +a", "a ", "", "Undo a\tCtrl+Z+-"},
        {"r+x +a U P", "", "a ", "Undo \tCtrl+Z-+"}, // purge leaves the other list
        {"L2 +a +b P +c +d +e", "e d ", "", "Undo e\tCtrl+Z+-"},
        {"+a +b +c O", "c b ", "", nullptr},
        {"+a +b +c O N", "b ", "", nullptr},
        {"+a +b O O O N U R", "", "", nullptr},
    };
    for (const auto& [script, undo, redo, menu] : cases)
    {
        SCOPED_TRACE(script);
        KEditPurgeUndoLists();
        g_UndoList.SetLimit(-1);
        std::istringstream in(script);
        for (std::string op; in >> op;)
            if (op[0] == '+' || op[0] == 'r')
                (op[0] == 'r' ? g_RedoList : g_UndoList)
                    .AddNode(new LiveNode(op.substr(op.find('+') + 1)));
            else if (op[0] == 'L') // refused limits say so
                EXPECT_EQ(g_UndoList.SetLimit(std::stoi(op.substr(1))), op != "L0" && op != "L-2");
            else if (op == "U" || op == "R")
                (op == "U" ? g_UndoList : g_RedoList).Step();
            else if (op == "P")
                g_UndoList.Purge();
            else
                op == "O" ? g_UndoList.RemoveOldest() : g_UndoList.RemoveNewest();
        EXPECT_EQ(Names(g_UndoList), undo);
        EXPECT_EQ(Names(g_RedoList), redo);
        EXPECT_EQ(Menu(), menu ? menu : Menu());
        EXPECT_EQ(LiveNode::live, g_UndoList.GetCount() + g_RedoList.GetCount());
    }
    // A step takes the head off before its restore; bad pushes are refused.
    g_UndoList.Step();
    g_UndoList.AddNode(nullptr);
    EXPECT_EQ(g_UndoList.GetCount() + g_RedoList.GetCount(), 0);
    auto* node = new LiveNode("once");
    g_UndoList.AddNode(node);
    g_UndoList.AddNode(node);
    EXPECT_EQ(Names(g_UndoList), "once ");
    // A list that is its own opposite would restore the copy it just made.
    MUndoList lone;
    lone.SetOpposite(&lone);
    EXPECT_EQ(lone.GetOpposite(), nullptr);
    // A restore that pushes onto the undo list purges the list it steps.
    g_RedoList.AddNode(new LiveNode("pushing", &g_UndoList));
    EXPECT_EQ(KEditRedo(), 1);
    EXPECT_EQ(g_RedoList.GetCount(), 0);
    EXPECT_EQ(Names(g_UndoList), "pushed pushing once ");
    // Without a scene the actions still step; a base node's copy keeps its name.
    g_CurrentScene = nullptr;
    auto* base = new MBaseUndoNode();
    base->SetName("Import");
    g_UndoList.AddNode(base);
    EXPECT_EQ(KEditUndo(), 1);
    EXPECT_EQ(Names(g_RedoList), "Import ");
    EXPECT_EQ(KEditPurgeUndoLists(), 1);
    EXPECT_EQ(KEditUndo(), 0);
    EXPECT_EQ(LiveNode::live, 0);
}

TEST_F(UndoTest, SelectionUndoRestoresTheRecordedOrderAndSkipsDepartedObjects)
{
    Counted* a = Add("a");
    Counted* b = Add("b");
    scene->SelectObject(Add("c"));
    scene->SelectObject(a);
    g_UndoList.AddNode(new MSelectUndoNode());
    scene->SelectObject(b, false);
    EXPECT_EQ(KEditUndo(), 1);
    EXPECT_EQ(Selection(*scene), "c a "); // in the recorded order
    EXPECT_EQ(g_RedoList.GetText(), "Redo Select");
    EXPECT_EQ(messages.counts[UM_SCENE_CHANGED], 1);
    EXPECT_EQ(messages.counts[UM_REFRESH_CHANNELS], 1);
    EXPECT_EQ(KEditRedo(), 1);
    EXPECT_EQ(Selection(*scene), "b ");
    EXPECT_EQ(KEditRedo(), 0); // nothing left to redo
    EXPECT_EQ(messages.counts[UM_SCENE_CHANGED], 2);
    // An object that left the scene by an edit that recorded nothing is not
    // selected again; a copy holds a list of its own.
    auto* head = static_cast<MSelectUndoNode*>(g_UndoList.GetHead());
    std::unique_ptr<MBaseUndoNode> copy(head->Clone());
    const MBaseObjectList* copied = static_cast<MSelectUndoNode*>(copy.get())->GetList();
    EXPECT_NE(copied, head->GetList());
    EXPECT_EQ(copied->GetCount(), 2);
    MRef<Counted> keep(a);
    scene->DeleteObject(a);
    EXPECT_EQ(copy->Restore(), 0);
    EXPECT_EQ(Selection(*scene), "c ");
    g_CurrentScene = nullptr; // nothing to record or restore
    MSelectUndoNode none;
    EXPECT_EQ(none.GetList(), nullptr);
    EXPECT_EQ(none.Restore(), 0);
}

TEST_F(UndoTest, EveryKindRecordsAgainOnCaptureAndSubItemsHoldTheirOwner)
{
    Counted* a = Add("a");
    a->AddFloatParam("Amp", "1");
    MSelectUndoNode select;
    MTimeUndoNode time;
    MParameterUndoNode params;
    ASSERT_TRUE(params.AddParameter(a, MStr("Amp")));
    MSceneTreeUndoNode tree;
    scene->SelectObject(a);
    scene->SetTime(240);
    for (MBaseUndoNode* node :
         std::initializer_list<MBaseUndoNode*>{&select, &time, &params, &tree})
        EXPECT_TRUE(node->Capture()) << node->GetName().c_str();
    EXPECT_EQ(select.GetList()->GetCount(), 1);
    // A time node's copy keeps its time; without a scene it restores nothing.
    std::unique_ptr<MBaseUndoNode> copy(time.Clone());
    scene->SetTime(0);
    EXPECT_EQ(copy->Restore(), 1);
    EXPECT_EQ(scene->GetTime(), 240);
    g_CurrentScene = nullptr;
    EXPECT_EQ(copy->Restore(), 0);
    // A sub-item holds its owner, and its copies keep their own value.
    Counted* obj = Add("obj");
    obj->AddVectorParam("Pos", "1 2 3");
    MRef<MKeyListUndoSubItem> item(new MKeyListUndoSubItem());
    ASSERT_TRUE(item->SetParameter(obj, obj->FindParameter("Pos")));
    EXPECT_EQ(obj->GetRefCount(), 2);
    obj->SetParamByName("Pos", "4 5 6");
    MRef<MBaseObject> made(item->CreateNew());
    auto* sub = dynamic_cast<MKeyListUndoSubItem*>(made.Get());
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(item->Capture());
    EXPECT_EQ(sub->GetStoredCopy()->GetValue(), "1 2 3");
    EXPECT_TRUE(sub->Restore());
    EXPECT_EQ(obj->GetParamByName("Pos"), "1 2 3");
    EXPECT_FALSE(item->SetParameter(nullptr, nullptr)); // lets go of what was held
    EXPECT_FALSE(item->Restore() || item->Capture());
    made.Reset();
    EXPECT_EQ(obj->GetRefCount(), 1);
}

TEST_F(UndoTest, ParameterNodeRestoresEverySubItemKeysAndLooksUpByNameOnEachUse)
{
    Counted* obj = Add("obj");
    obj->AddFloatParam("Amp", "1");
    obj->AddColourParam("Tint", "1 0 0");
    MParameterUndoNode node;
    EXPECT_TRUE(node.AddParameter(obj, MStr("amp")));
    EXPECT_TRUE(node.AddParameter(obj, obj->FindParameter("Tint")));
    auto first = [&]
    { return static_cast<MKeyListUndoSubItem*>(node.GetSubItems().GetAt(0))->GetLiveParameter(); };
    EXPECT_EQ(first(), obj->FindParameter("Tint")); // each one goes in at the head
    obj->SetParamByName("Amp", "5");
    obj->SetParamByName("Tint", "0 1 0");
    EXPECT_EQ(node.Restore(), 2);
    EXPECT_EQ(obj->GetParamByName("Amp"), "1");
    EXPECT_EQ(obj->GetParamByName("Tint"), "1 0 0");
    obj->SetParamByName("Amp", "7");
    node.Capture();
    EXPECT_EQ(first(), obj->FindParameter("Amp"));
    obj->SetParamByName("Amp", "9");
    node.Restore();
    EXPECT_EQ(obj->GetParamByName("Amp"), "7");
    std::unique_ptr<MBaseUndoNode> copy(node.Clone()); // the same recorded values
    node.Capture();
    obj->SetParamByName("Amp", "2");
    EXPECT_EQ(copy->Restore(), 2);
    EXPECT_EQ(obj->GetParamByName("Amp"), "7");
    // What is not a parameter of the owner is not recorded.
    MRef<Counted> other(new Counted("other"));
    other->AddFloatParam("Amp", "0");
    EXPECT_FALSE(node.AddParameter(obj, other->FindParameter("Amp")));
    EXPECT_FALSE(node.AddParameter(obj, nullptr));
    EXPECT_FALSE(node.AddParameter(nullptr, MStr("Amp")));
    EXPECT_FALSE(node.AddParameter(obj, MStr("Missing")));
    EXPECT_EQ(node.GetSubItems().GetCount(), 2);
    // Through the lists a keyed parameter keeps its keys.
    Counted* keyed = Add("keyed");
    keyed->AddParameter(std::make_unique<MKeyedFloatParameterObject>("Amp", "0"));
    keyed->SetParamByName("Amp", "0", true);
    scene->SetTime(240);
    keyed->SetParamByName("Amp", "10", true);
    scene->SetTime(120);
    auto* listed = new MParameterUndoNode();
    listed->AddParameter(keyed, MStr("Amp"));
    listed->SetName("Edit Amp");
    keyed->FindParameter("Amp")->RemoveKeys();
    keyed->SetParamByName("Amp", "3");
    g_UndoList.AddNode(listed);
    KEditUndo();
    EXPECT_EQ(keyed->FindParameter("Amp")->GetKeyCount(), 2);
    EXPECT_EQ(keyed->GetParamByName("Amp"), "5"); // evaluated at the scene's time
    EXPECT_EQ(g_RedoList.GetText(), "Redo Edit Amp");
    KEditRedo();
    EXPECT_EQ(keyed->FindParameter("Amp")->GetKeyCount(), 0);
    EXPECT_EQ(keyed->GetParamByName("Amp"), "3");
    // The parameter is looked up by name on each use: values copied from a
    // fresh object of the class drop it, and the object remakes it.
    auto* scroll = new MTCScrollShaderNode();
    scene->AddObject(scroll);
    scroll->SetParamByName("Ds", "1");
    MParameterUndoNode undo;
    ASSERT_TRUE(undo.AddParameter(scroll, scroll->FindParameter("Ds")));
    MRef<MBaseObject> fresh(new MTCScrollShaderNode());
    scroll->SetFrom(fresh.Get());
    scroll->SetParamByName("Ds", "5");
    EXPECT_EQ(undo.Restore(), 1);
    EXPECT_EQ(scroll->GetParamByName("Ds"), "1");
    // A parameter made again as another kind is left alone; the name goes
    // back through the scene.
    Counted* box = Add("Box1");
    box->AddFloatParam("Size", "2");
    MParameterUndoNode sized;
    sized.AddParameter(box, MStr("Size"));
    ASSERT_TRUE(sized.AddParameter(box, MStr("Name")));
    box->RemoveParameter("Size");
    box->AddStringParam("Size", "big");
    box->SetName("Crate");
    EXPECT_EQ(sized.Restore(), 2);
    EXPECT_EQ(box->GetParamByName("Size"), "big");
    EXPECT_EQ(box->GetName(), "Box1");
    EXPECT_EQ(scene->FindObjectByName("Box1"), box);
}

TEST_F(UndoTest, SceneTreeUndoBringsBackHierarchyFlagsAndSelection)
{
    Counted* a = Add("a");
    Counted* b = Add("b", a);
    Counted* c = Add("c", a);
    Counted* d = Add("d");
    c->ClearFlags(OBJ_VISIBLE);
    scene->SelectObject(d);
    scene->SelectObject(b);
    auto* node = new MSceneTreeUndoNode();
    node->SetName("Delete Selected");
    scene->DeleteObject(b);
    scene->DeleteObject(d);
    c->AddFlags(OBJ_VISIBLE | OBJ_CHANNELS_OPEN);
    g_UndoList.AddNode(node);
    std::unique_ptr<MBaseUndoNode> copy(node->Clone());
    EXPECT_EQ(Counted::live, 4); // the node holds b and d
    KEditUndo();
    EXPECT_EQ(TreeShape(*scene), " a( b c) d");
    EXPECT_FALSE(c->HasFlags(OBJ_VISIBLE) || c->HasFlags(OBJ_CHANNELS_OPEN));
    EXPECT_EQ(Selection(*scene), "b d "); // tree order
    EXPECT_EQ(scene->FindObjectByName("d"), d);
    EXPECT_EQ(b->GetOwnerScene(), scene);
    KEditRedo();
    EXPECT_EQ(TreeShape(*scene), " a( c)");
    EXPECT_TRUE(c->HasFlags(OBJ_CHANNELS_OPEN));
    EXPECT_EQ(Selection(*scene), "");
    EXPECT_EQ(b->GetOwnerScene(), nullptr);
    scene->SetParent(scene->FindObject(c), nullptr);
    g_UndoList.AddNode(new MSceneTreeUndoNode(scene));
    scene->SetParent(scene->FindObject(a), scene->FindObject(c));
    KEditUndo();
    EXPECT_EQ(TreeShape(*scene), " a c");
    EXPECT_EQ(copy->Restore(), 1); // the copy shares the first recording
    EXPECT_EQ(TreeShape(*scene), " a( b c) d");
    copy.reset();
    scene->ClearScene();
    KEditPurgeUndoLists(); // once nothing records them, they go
    EXPECT_EQ(Counted::live, 0);
    g_CurrentScene = nullptr; // made without a scene: restores nothing
    MSceneTreeUndoNode none;
    EXPECT_EQ(none.GetTree(), nullptr);
    EXPECT_EQ(std::unique_ptr<MBaseUndoNode>(none.Clone())->Restore(), 0);
}
