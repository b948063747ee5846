#include "Globals.h"
#include "MBaseUndoNode.h"
#include "MUndoList.h"

#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{
constexpr int kUndoId = 57643;
constexpr int kRedoId = 57644;

// A base node that counts the live nodes of its kind and their restores.
class LiveNode : public MBaseUndoNode
{
  public:
    explicit LiveNode(const MStr& name)
    {
        SetName(name);
        ++live;
    }
    ~LiveNode() override { --live; }
    int Restore() override
    {
        ++restores;
        return 0;
    }
    MBaseUndoNode* Clone() const override { return new LiveNode(GetName()); }
    static inline int live = 0;
    static inline int restores = 0;
};

// The names on a list from the newest, checking the links both ways and
// that the count agrees.
std::string Names(const MUndoList& list)
{
    std::string out;
    const MBaseUndoNode* newer = nullptr;
    for (const MBaseUndoNode* n = list.GetHead(); n; n = n->GetOlder())
    {
        EXPECT_EQ(n->GetNewer(), newer);
        newer = n;
        out += n->GetName().str() + " ";
    }
    EXPECT_EQ(list.CountNodes(), list.GetCount());
    return out;
}

// An Edit menu with the two items, the undo item carrying its shortcut, and
// an undo and a redo list bound to them as at start-up.
class UndoListTest : public ::testing::Test
{
  protected:
    UndoListTest()
    {
        LiveNode::live = 0;
        LiveNode::restores = 0;
        QMenu* edit = bar.addMenu("&Edit");
        MSetCommandId(edit->addAction("Undo \tCtrl+Z"), kUndoId);
        MSetCommandId(edit->addAction("Redo"), kRedoId);
        undo.SetOpposite(&redo);
        undo.SetClearsOpposite(true);
        undo.SetPrefix("Undo ");
        undo.SetMenuItem(&bar, kUndoId);
        redo.SetOpposite(&undo);
        redo.SetPrefix("Redo ");
        redo.SetMenuItem(&bar, kRedoId);
        undo.UpdateMenu();
        redo.UpdateMenu();
    }
    void Push(MUndoList& list, int from, int to)
    {
        for (int i = from; i <= to; ++i)
            list.AddNode(new LiveNode(MStr::Printf("n%d", i)));
    }

    QMenuBar bar;
    MUndoList undo;
    MUndoList redo;
};
} // namespace

TEST_F(UndoListTest, MenuItemsShowPrefixAndNewestNameAndKeepTheShortcut)
{
    // Empty lists: the prefix alone, greyed; only the undo item has a tab.
    EXPECT_EQ(undo.GetText(), "Undo \tCtrl+Z");
    EXPECT_EQ(redo.GetText(), "Redo ");
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, kUndoId));
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, kRedoId));

    undo.AddNode(new LiveNode("Select"));
    EXPECT_EQ(undo.GetText(), "Undo Select\tCtrl+Z");
    EXPECT_TRUE(MIsMenuItemEnabled(&bar, kUndoId));

    undo.Step();
    EXPECT_EQ(LiveNode::restores, 1);
    EXPECT_EQ(undo.GetText(), "Undo \tCtrl+Z");
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, kUndoId));
    EXPECT_EQ(redo.GetText(), "Redo Select");
    EXPECT_TRUE(MIsMenuItemEnabled(&bar, kRedoId));
    EXPECT_EQ(Names(redo), "Select ");

    redo.Step();
    EXPECT_EQ(undo.GetText(), "Undo Select\tCtrl+Z");
    EXPECT_EQ(redo.GetText(), "Redo ");
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, kRedoId));
    EXPECT_EQ(LiveNode::live, 1);
}

TEST_F(UndoListTest, NewEditPurgesRedoListButRedoDoesNot)
{
    Push(undo, 1, 3);
    undo.Step();
    undo.Step();
    EXPECT_EQ(Names(undo), "n1 ");
    EXPECT_EQ(Names(redo), "n2 n3 ");

    redo.Step(); // pushes onto the undo list without purging the redo list
    EXPECT_EQ(Names(undo), "n2 n1 ");
    EXPECT_EQ(Names(redo), "n3 ");
    EXPECT_TRUE(undo.GetClearsOpposite());
    EXPECT_FALSE(redo.GetClearsOpposite());

    Push(undo, 4, 4);
    EXPECT_EQ(Names(undo), "n4 n2 n1 ");
    EXPECT_EQ(redo.GetCount(), 0);
    EXPECT_EQ(redo.GetText(), "Redo ");
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, kRedoId));
    EXPECT_EQ(LiveNode::live, 3);
}

TEST_F(UndoListTest, LimitTrimsTheOldestAndALoweredLimitShedsTwoPerPush)
{
    ASSERT_TRUE(undo.SetLimit(3));
    Push(undo, 1, 4);
    EXPECT_EQ(Names(undo), "n4 n3 n2 ");
    EXPECT_EQ(LiveNode::live, 3);

    ASSERT_TRUE(undo.SetLimit(10));
    Push(undo, 5, 11);
    EXPECT_EQ(undo.GetCount(), 10);
    ASSERT_TRUE(undo.SetLimit(5)); // nothing goes until the next push
    EXPECT_EQ(undo.GetCount(), 10);
    int expected[] = {9, 8, 7, 6, 5, 5};
    for (int i = 0; i < 6; ++i)
    {
        Push(undo, 12 + i, 12 + i);
        EXPECT_EQ(undo.GetCount(), expected[i]) << "push " << i;
    }
    EXPECT_EQ(Names(undo), "n17 n16 n15 n14 n13 ");
    EXPECT_EQ(LiveNode::live, 5);
    EXPECT_EQ(undo.GetText(), "Undo n17\tCtrl+Z");
}

TEST_F(UndoListTest, LimitBelowOneOtherThanUnlimitedIsRefused)
{
    EXPECT_EQ(undo.GetLimit(), -1);
    ASSERT_TRUE(undo.SetLimit(4));
    EXPECT_FALSE(undo.SetLimit(0));
    EXPECT_FALSE(undo.SetLimit(-2));
    EXPECT_EQ(undo.GetLimit(), 4);
    ASSERT_TRUE(undo.SetLimit(1));
    Push(undo, 1, 3);
    EXPECT_EQ(Names(undo), "n3 ");
    ASSERT_TRUE(undo.SetLimit(-1));
    Push(undo, 4, 40);
    EXPECT_EQ(undo.GetCount(), 38);
}

TEST_F(UndoListTest, PurgeEmptiesTheListAndTrimmingStartsAgain)
{
    ASSERT_TRUE(undo.SetLimit(2));
    Push(undo, 1, 3);
    Push(redo, 7, 8);
    undo.Purge();
    EXPECT_EQ(undo.GetCount(), 0);
    EXPECT_EQ(undo.GetHead(), nullptr);
    EXPECT_EQ(undo.HeadName(), "");
    EXPECT_EQ(undo.GetText(), "Undo \tCtrl+Z");
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, kUndoId));
    EXPECT_EQ(redo.GetCount(), 2); // purging one list leaves the other alone
    EXPECT_EQ(LiveNode::live, 2);

    Push(undo, 4, 6);
    EXPECT_EQ(Names(undo), "n6 n5 ");
    EXPECT_EQ(redo.GetCount(), 0); // the first push purged the redo list
}

TEST_F(UndoListTest, RemoveNewestAndOldestRelinkTheNeighbours)
{
    Push(undo, 1, 4);
    undo.RemoveOldest();
    EXPECT_EQ(Names(undo), "n4 n3 n2 ");
    undo.RemoveNewest();
    EXPECT_EQ(Names(undo), "n3 n2 ");
    EXPECT_EQ(undo.GetHead()->GetNewer(), nullptr);
    undo.RemoveOldest();
    undo.RemoveOldest(); // the only node: the list is empty
    EXPECT_EQ(undo.GetHead(), nullptr);
    EXPECT_EQ(undo.GetCount(), 0);
    undo.RemoveOldest();
    undo.RemoveNewest();
    EXPECT_EQ(undo.GetCount(), 0);
    EXPECT_EQ(LiveNode::live, 0);
}

TEST_F(UndoListTest, StepOnEmptyListAndNullNodesDoNothing)
{
    undo.Step();
    redo.Step();
    undo.AddNode(nullptr);
    EXPECT_EQ(undo.GetCount(), 0);
    EXPECT_EQ(redo.GetCount(), 0);
    EXPECT_FALSE(MIsMenuItemEnabled(&bar, kUndoId));

    // Pushing the head again would link it to itself; it is ignored.
    auto* node = new LiveNode("once");
    undo.AddNode(node);
    undo.AddNode(node);
    EXPECT_EQ(Names(undo), "once ");

    // A list that is its own opposite would restore the copy it just made.
    MUndoList lone;
    lone.SetOpposite(&lone);
    EXPECT_EQ(lone.GetOpposite(), nullptr);
}

TEST_F(UndoListTest, StepRestoresTheNodeThatWasNewestEvenIfItsRestorePurgesTheList)
{
    // A node whose restore sets off a new edit: pushing that edit purges the
    // redo list the node is being stepped from.
    struct PushingNode : public LiveNode
    {
        PushingNode(MUndoList* target) : LiveNode("pushing"), target(target) {}
        int Restore() override
        {
            LiveNode::Restore();
            if (target)
                target->AddNode(new LiveNode("pushed"));
            return 0;
        }
        MBaseUndoNode* Clone() const override { return new PushingNode(nullptr); }
        MUndoList* target;
    };
    redo.AddNode(new PushingNode(&undo));
    redo.AddNode(new LiveNode("other"));
    redo.RemoveNewest();
    redo.Step();
    EXPECT_EQ(LiveNode::restores, 1);
    EXPECT_EQ(redo.GetCount(), 0);
    EXPECT_EQ(Names(undo), "pushed pushing ");
}

TEST_F(UndoListTest, DestroyedMenuLeavesTheListWorking)
{
    auto menuBar = std::make_unique<QMenuBar>();
    MSetCommandId(menuBar->addMenu("Edit")->addAction("Undo "), kUndoId);
    MUndoList list;
    list.SetPrefix("Undo ");
    list.SetMenuItem(menuBar.get(), kUndoId);
    list.AddNode(new LiveNode("a"));
    EXPECT_EQ(list.GetText(), "Undo a");
    menuBar.reset();
    EXPECT_FALSE(list.IsSet());
    list.AddNode(new LiveNode("b"));
    list.Step();
    list.Purge();
    list.AddNode(new LiveNode("c"));
    EXPECT_EQ(list.GetText(), "");
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(UndoList, DestructorDestroysTheNodesAndCloneKeepsTheName)
{
    LiveNode::live = 0;
    {
        MUndoList list;
        list.AddNode(new LiveNode("a"));
        list.AddNode(new LiveNode("b"));
        EXPECT_EQ(LiveNode::live, 2);
    }
    EXPECT_EQ(LiveNode::live, 0);

    MBaseUndoNode base;
    base.SetName("Import");
    std::unique_ptr<MBaseUndoNode> copy(base.Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "Import");
    EXPECT_EQ(copy->Restore(), 0);
    EXPECT_TRUE(copy->Capture());
}
