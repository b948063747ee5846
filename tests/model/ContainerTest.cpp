#include "MBaseObjectList.h"
#include "MBaseObjectTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::string Names(MBaseObjectList& list)
{
    std::string out;
    list.InitPosition();
    while (MBaseObject* o = list.GetNext())
        out += o->GetName().str() + " ";
    return out;
}

std::string Walk(MBaseObjectTree& tree, int traverse = TRAVERSE_DEPTH_FIRST)
{
    std::string out;
    tree.InitPosition(traverse);
    while (MBaseObject* o = tree.GetNext())
    {
        EXPECT_EQ(tree.GetCurrentNode()->GetObject(), o);
        out += o->GetName().str() + " ";
    }
    return out;
}

// A tree of named objects:  a(b(d e) c)  f
struct Shape
{
    Shape()
    {
        for (const char* n : {"a", "b", "c", "d", "e", "f"})
            obj.push_back(MRef<MBaseObject>(new Counted(n)));
        na = tree.Add(o("a"));
        nb = tree.Add(o("b"), na);
        nc = tree.Add(o("c"), na);
        nd = tree.Add(o("d"), nb);
        ne = tree.Add(o("e"), nb);
        nf = tree.Add(o("f"));
    }
    MBaseObject* o(const char* n)
    {
        for (auto& r : obj)
            if (r->GetName() == n)
                return r.Get();
        return nullptr;
    }
    std::vector<MRef<MBaseObject>> obj;
    MBaseObjectTree tree;
    MBaseObjectTreeNode *na, *nb, *nc, *nd, *ne, *nf;
};
} // namespace

TEST(ObjectList, HoldsReferencesAndKeepsOrder)
{
    Counted::live = 0;
    {
        MBaseObjectList list;
        auto* a = new Counted("a");
        auto* b = new Counted("b");
        auto* c = new Counted("c");
        EXPECT_FALSE(list.Add(nullptr));
        EXPECT_TRUE(list.Add(a));
        EXPECT_TRUE(list.Add(c));
        EXPECT_TRUE(list.AddBefore(b, c));
        EXPECT_EQ(a->GetRefCount(), 1);
        EXPECT_EQ(Names(list), "a b c ");
        EXPECT_EQ(list.Find(c), 2);
        EXPECT_EQ(list.GetAt(3), nullptr);
        EXPECT_EQ(list.GetAt(-1), nullptr);

        // AddBefore an absent object appends; Insert clamps its index.
        MRef<Counted> outsider(new Counted("x"));
        auto* d = new Counted("d");
        EXPECT_TRUE(list.AddBefore(d, outsider.Get()));
        auto* z = new Counted("z");
        EXPECT_TRUE(list.Insert(-5, z));
        EXPECT_EQ(Names(list), "z a b c d ");

        EXPECT_TRUE(list.Remove(z)); // its only reference: destroyed
        EXPECT_EQ(Counted::live, 5);
        EXPECT_FALSE(list.Remove(outsider.Get()));
        EXPECT_FALSE(list.Remove(nullptr));
        EXPECT_EQ(list.GetCount(), 4);
        list.RemoveAll();
        EXPECT_EQ(Counted::live, 1);

        list.Add(outsider.Get());
        EXPECT_EQ(outsider->GetRefCount(), 2);
    } // the list's destructor releases what it still holds
    EXPECT_EQ(Counted::live, 0);
}

TEST(ObjectList, WalkSurvivesRemovalAndInsertion)
{
    MBaseObjectList list;
    std::vector<MRef<Counted>> objs;
    for (const char* n : {"a", "b", "c", "d"})
    {
        objs.emplace_back(new Counted(n));
        list.Add(objs.back().Get());
    }
    std::string seen;
    list.InitPosition();
    while (MBaseObject* o = list.GetNext())
    {
        seen += o->GetName().str();
        if (o->GetName() == "b")
        {
            list.Remove(o);                          // the one just given
            list.Insert(0, objs[3].Get());           // before the walk position
            EXPECT_TRUE(list.Remove(objs[3].Get())); // first occurrence: the inserted one
        }
    }
    EXPECT_EQ(seen, "abcd");
    EXPECT_EQ(Names(list), "a c d ");
}

TEST(ObjectList, CreateNewHoldsTheSameMembers)
{
    Counted::live = 0;
    MBaseObjectList list;
    list.SetName("Sel");
    auto* a = new Counted("a");
    list.Add(a);
    list.Add(new Counted("b"));
    MRef<MBaseObject> copy(list.CreateNew());
    auto* other = dynamic_cast<MBaseObjectList*>(copy.Get());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->GetName(), "Sel");
    EXPECT_EQ(Names(*other), "a b ");
    EXPECT_EQ(other->GetAt(0), a); // the same object, not a copy
    EXPECT_EQ(a->GetRefCount(), 2);
    other->RemoveAll();
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(a->GetRefCount(), 1);
    EXPECT_EQ(Counted::live, 2);
}

TEST(ObjectTree, AddRefusesDuplicatesNullAndForeignParents)
{
    Shape s;
    EXPECT_EQ(s.tree.GetCount(), 6);
    EXPECT_EQ(s.o("a")->GetRefCount(), 2); // the test's holder and the tree
    EXPECT_EQ(s.tree.FindObject(s.o("d")), s.nd);
    EXPECT_EQ(s.nd->GetParent(), s.nb);
    EXPECT_EQ(s.na->GetParent(), s.tree.GetRoot());
    EXPECT_EQ(s.na->GetChildCount(), 2);
    EXPECT_EQ(s.na->GetFirstChild(), s.nb);
    EXPECT_EQ(s.na->GetLastChild(), s.nc);

    EXPECT_EQ(s.tree.Add(s.o("d")), nullptr);
    EXPECT_EQ(s.tree.Add(nullptr), nullptr);
    MBaseObjectTree other;
    MRef<Counted> x(new Counted("x"));
    MRef<Counted> y(new Counted("y"));
    MBaseObjectTreeNode* foreign = other.Add(x.Get());
    EXPECT_EQ(s.tree.Add(y.Get(), foreign), nullptr);
    EXPECT_EQ(s.tree.Add(y.Get(), other.GetRoot()), nullptr);
    EXPECT_EQ(y->GetRefCount(), 1);
    EXPECT_FALSE(s.tree.Contains(y.Get()));
    EXPECT_EQ(s.tree.FindObject(nullptr), nullptr);

    // AddBefore puts the object among the sibling's siblings.
    MBaseObjectTreeNode* ny = s.tree.AddBefore(y.Get(), s.ne);
    ASSERT_NE(ny, nullptr);
    EXPECT_EQ(ny->GetParent(), s.nb);
    EXPECT_EQ(Walk(s.tree), "a b d y e c f ");
    EXPECT_EQ(s.tree.AddBefore(y.Get(), s.na), nullptr);
}

TEST(ObjectTree, WalksDepthFirstOrTopLevel)
{
    Shape s;
    EXPECT_EQ(Walk(s.tree), "a b d e c f ");
    EXPECT_EQ(Walk(s.tree, TRAVERSE_TOP_LEVEL), "a f ");
    std::string visited;
    s.tree.ForEachNode([&](MBaseObjectTreeNode* n) { visited += n->GetObject()->GetName().str(); });
    EXPECT_EQ(visited, "abdecf");
    MBaseObjectTree empty;
    empty.InitPosition();
    EXPECT_EQ(empty.GetNext(), nullptr);
    EXPECT_EQ(empty.GetCurrentNode(), nullptr);
}

TEST(ObjectTree, RemoveTakesWholeSubtreeAndReleasesReferences)
{
    Counted::live = 0;
    {
        MBaseObjectTree tree;
        auto* p = new Counted("p");
        MBaseObjectTreeNode* np = tree.Add(p);
        MBaseObjectTreeNode* nq = tree.Add(new Counted("q"), np);
        tree.Add(new Counted("r"), nq);
        MRef<Counted> kept(new Counted("k"));
        tree.Add(kept.Get(), nq);
        tree.Add(new Counted("s"));
        EXPECT_EQ(Counted::live, 5);

        EXPECT_TRUE(tree.Remove(p));
        EXPECT_FALSE(tree.Contains(kept.Get()));
        EXPECT_EQ(tree.GetCount(), 1);
        EXPECT_EQ(Counted::live, 2); // "k" lives on through its holder
        EXPECT_EQ(kept->GetRefCount(), 1);
        EXPECT_FALSE(tree.Remove(kept.Get()));
        EXPECT_EQ(Walk(tree), "s ");
    }
    EXPECT_EQ(Counted::live, 0);
}

TEST(ObjectTree, RemovingDuringAWalkContinuesAfterTheRemovedSubtree)
{
    {
        Shape s;
        std::string seen;
        s.tree.InitPosition();
        while (MBaseObject* o = s.tree.GetNext())
        {
            seen += o->GetName().str();
            if (o->GetName() == "b")
            {
                EXPECT_TRUE(s.tree.Remove(o)); // its children are not visited
            }
        }
        EXPECT_EQ(seen, "abcf");
    }
    {
        Shape s;
        std::string seen;
        s.tree.InitPosition();
        while (MBaseObject* o = s.tree.GetNext())
        {
            seen += o->GetName().str();
            if (o->GetName() == "d")
                s.tree.Remove(s.o("a")); // an ancestor of the current node
            if (o->GetName() == "f")
            {
                EXPECT_EQ(s.tree.GetCurrentNode()->GetObject(), o);
            }
        }
        EXPECT_EQ(seen, "abdf");
        EXPECT_EQ(s.tree.GetCount(), 1);
    }
    {
        Shape s;
        std::string seen;
        s.tree.InitPosition(TRAVERSE_TOP_LEVEL);
        while (MBaseObject* o = s.tree.GetNext())
        {
            seen += o->GetName().str();
            s.tree.Remove(o);
            EXPECT_EQ(s.tree.GetCurrentNode(), nullptr);
        }
        EXPECT_EQ(seen, "af");
        EXPECT_EQ(s.tree.GetCount(), 0);
    }
}

TEST(ObjectTree, SetParentMovesSubtreesAndRefusesCycles)
{
    Shape s;
    EXPECT_FALSE(s.tree.SetParent(s.na, s.nd)); // under its own descendant
    EXPECT_FALSE(s.tree.SetParent(s.nb, s.nb));
    EXPECT_FALSE(s.tree.SetParent(nullptr, s.na));
    EXPECT_FALSE(s.tree.SetParent(s.tree.GetRoot(), s.na));
    EXPECT_EQ(Walk(s.tree), "a b d e c f ");

    EXPECT_TRUE(s.tree.SetParent(s.nb, s.nf)); // b with d and e under f
    EXPECT_EQ(Walk(s.tree), "a c f b d e ");
    EXPECT_EQ(s.na->GetChildCount(), 1);
    EXPECT_EQ(s.nf->GetChildCount(), 1);
    EXPECT_TRUE(s.tree.SetParent(s.ne, s.na, s.nc)); // before c
    EXPECT_EQ(Walk(s.tree), "a e c f b d ");
    EXPECT_TRUE(s.tree.SetParent(s.nf, nullptr, s.na)); // to the front of the top level
    EXPECT_EQ(Walk(s.tree, TRAVERSE_TOP_LEVEL), "f a ");
    EXPECT_TRUE(MBaseObjectTree::IsChildOf(s.nd, s.nf));
    EXPECT_FALSE(MBaseObjectTree::IsChildOf(s.nd, s.na));
    EXPECT_FALSE(MBaseObjectTree::IsChildOf(s.nd, s.nd));

    // Nodes of another tree are not linked into this one.
    MBaseObjectTree other;
    MRef<Counted> x(new Counted("x"));
    MBaseObjectTreeNode* nx = other.Add(x.Get());
    EXPECT_FALSE(s.tree.SetParent(s.nc, nx));
    EXPECT_FALSE(s.tree.SetParent(s.nc, other.GetRoot()));
    EXPECT_FALSE(s.tree.SetParent(nx, s.na));
    EXPECT_EQ(Walk(other), "x ");
    EXPECT_EQ(Walk(s.tree), "f b d a e c ");
}

TEST(ObjectTree, IsChildOfFlaggedLooksAtNodeAndAncestors)
{
    Shape s;
    s.o("b")->AddFlags(OBJ_COLLAPSED);
    EXPECT_TRUE(MBaseObjectTree::IsChildOfFlagged(s.nb, OBJ_COLLAPSED));
    EXPECT_TRUE(MBaseObjectTree::IsChildOfFlagged(s.ne, OBJ_COLLAPSED));
    EXPECT_FALSE(MBaseObjectTree::IsChildOfFlagged(s.na, OBJ_COLLAPSED));
    EXPECT_FALSE(MBaseObjectTree::IsChildOfFlagged(s.nc, OBJ_COLLAPSED));
    EXPECT_TRUE(MBaseObjectTree::IsChildOfFlagged(s.ne, OBJ_COLLAPSED | OBJ_SELECTED));
    EXPECT_FALSE(MBaseObjectTree::IsChildOfFlagged(nullptr, OBJ_COLLAPSED));
}

TEST(ObjectTree, CreateNewCopiesShapeAndNodeFlagsWithSharedMembers)
{
    Shape s;
    s.tree.SetName("T");
    s.nb->SetFlags(0x1234);
    s.nf->SetFlags(0x8);
    MRef<MBaseObject> copy(s.tree.CreateNew());
    auto* t = dynamic_cast<MBaseObjectTree*>(copy.Get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetName(), "T");
    EXPECT_EQ(Walk(*t), "a b d e c f ");
    MBaseObjectTreeNode* nb = t->FindObject(s.o("b"));
    ASSERT_NE(nb, nullptr);
    EXPECT_NE(nb, s.nb);
    EXPECT_EQ(nb->GetFlags(), 0x1234u);
    EXPECT_EQ(nb->GetParent()->GetObject(), s.o("a"));
    EXPECT_EQ(t->FindObject(s.o("f"))->GetFlags(), 0x8u);
    EXPECT_EQ(t->FindObject(s.o("e"))->GetParent(), nb);
    EXPECT_EQ(s.o("d")->GetRefCount(), 3);
    t->Remove(s.o("a"));
    EXPECT_EQ(s.tree.GetCount(), 6);
    EXPECT_EQ(s.o("d")->GetRefCount(), 2);
}

TEST(ObjectTree, VeryDeepTreeIsWalkedAndFreedWithoutRecursion)
{
    Counted::live = 0;
    {
        MBaseObjectTree tree;
        MBaseObjectTreeNode* parent = nullptr;
        for (int i = 0; i < 100000; ++i)
            parent = tree.Add(new Counted(), parent);
        int n = 0;
        tree.InitPosition();
        while (tree.GetNext())
            ++n;
        EXPECT_EQ(n, 100000);
        MBaseObject* second = tree.GetRoot()->GetFirstChild()->GetFirstChild()->GetObject();
        EXPECT_TRUE(tree.Remove(second));
        EXPECT_EQ(tree.GetCount(), 1);
        tree.Add(new Counted(), tree.GetRoot()->GetFirstChild());
    }
    EXPECT_EQ(Counted::live, 0);
}
