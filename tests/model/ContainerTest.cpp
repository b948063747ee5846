#include "MBaseObjectList.h"
#include "MBaseObjectTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

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
    MBaseObject* o(const char* n) { return obj[size_t(n[0] - 'a')].Get(); }
    std::vector<MRef<MBaseObject>> obj;
    MBaseObjectTree tree;
    MBaseObjectTreeNode *na, *nb, *nc, *nd, *ne, *nf;
};
} // namespace

TEST(ObjectList, HoldsReferencesKeepsOrderAndCopiesShareMembers)
{
    Counted::live = 0;
    {
        MBaseObjectList list;
        auto *a = new Counted("a"), *b = new Counted("b"), *c = new Counted("c");
        EXPECT_FALSE(list.Add(nullptr));
        EXPECT_TRUE(list.Add(a));
        EXPECT_TRUE(list.Add(c));
        EXPECT_TRUE(list.AddBefore(b, c));
        EXPECT_EQ(a->GetRefCount(), 1);
        EXPECT_EQ(list.Find(c), 2);
        EXPECT_EQ(list.GetAt(3), nullptr);
        EXPECT_EQ(list.GetAt(-1), nullptr);
        // AddBefore an absent object appends; Insert clamps its index.
        MRef<Counted> outsider(new Counted("x"));
        EXPECT_TRUE(list.AddBefore(new Counted("d"), outsider.Get()));
        EXPECT_TRUE(list.Insert(-5, new Counted("z")));
        EXPECT_TRUE(list.Insert(99, new Counted("y")));
        EXPECT_EQ(Names(list), "z a b c d y ");
        EXPECT_TRUE(list.Remove(list.GetAt(0))); // its only reference: destroyed
        EXPECT_EQ(Counted::live, 6);
        EXPECT_FALSE(list.Remove(outsider.Get()));
        EXPECT_FALSE(list.Remove(nullptr));

        list.SetName("Sel");
        MRef<MBaseObject> copy(list.CreateNew());
        auto* other = static_cast<MBaseObjectList*>(copy.Get());
        EXPECT_EQ(other->GetName(), "Sel");
        EXPECT_EQ(Names(*other), "a b c d y ");
        EXPECT_EQ(a->GetRefCount(), 2); // the same objects, not copies
        copy.Reset();
        EXPECT_EQ(a->GetRefCount(), 1);
        list.RemoveAll();
        EXPECT_EQ(Counted::live, 1);
        list.Add(outsider.Get());
        EXPECT_EQ(outsider->GetRefCount(), 2);
    } // the list's destructor releases what it still holds
    EXPECT_EQ(Counted::live, 0);
}

TEST(ObjectList, WalkSurvivesRemovalInsertionAndEmptying)
{
    MBaseObjectList list;
    std::vector<MRef<Counted>> objs;
    for (const char* n : {"a", "b", "c", "d", "e"})
    {
        objs.emplace_back(new Counted(n));
        list.Add(objs.back().Get());
    }
    std::string seen;
    list.InitPosition();
    while (MBaseObject* o = list.GetNext())
    {
        seen += o->GetName().str();
        if (o == objs[1].Get())
        {
            list.Remove(o);                          // the one just given
            list.Insert(0, objs[3].Get());           // before the walk position
            EXPECT_TRUE(list.Remove(objs[3].Get())); // first occurrence: the inserted one
        }
        if (o == objs[3].Get())
        {
            list.RemoveAll(); // what is added next is walked next
            list.Add(objs[0].Get());
            list.Add(objs[4].Get());
        }
    }
    EXPECT_EQ(seen, "abcdae");
}

TEST(ObjectTree, AddRefusesDuplicatesNullAndForeignParents)
{
    Shape s;
    EXPECT_EQ(s.tree.GetCount(), 6);
    EXPECT_EQ(s.o("a")->GetRefCount(), 2); // the test's holder and the tree
    EXPECT_EQ(s.tree.FindObject(s.o("d")), s.nd);
    EXPECT_EQ(s.nd->GetParent(), s.nb);
    EXPECT_EQ(s.na->GetParent(), s.tree.GetRoot());
    EXPECT_EQ(s.na->GetLastChild(), s.nc);
    EXPECT_EQ(s.tree.Add(s.o("d")), nullptr);
    EXPECT_EQ(s.tree.Add(nullptr), nullptr);
    MBaseObjectTree other;
    MRef<Counted> x(new Counted("x")), y(new Counted("y"));
    EXPECT_EQ(s.tree.Add(y.Get(), other.Add(x.Get())), nullptr);
    EXPECT_EQ(s.tree.Add(y.Get(), other.GetRoot()), nullptr);
    EXPECT_EQ(y->GetRefCount(), 1);
    EXPECT_EQ(s.tree.FindObject(nullptr), nullptr);
    // AddBefore puts the object among the sibling's siblings.
    EXPECT_EQ(s.tree.AddBefore(y.Get(), s.ne)->GetParent(), s.nb);
    EXPECT_EQ(s.tree.AddBefore(y.Get(), s.na), nullptr);
    EXPECT_EQ(Walk(s.tree), "a b d y e c f ");
    EXPECT_EQ(Walk(s.tree, TRAVERSE_TOP_LEVEL), "a f ");
    MBaseObjectTree empty;
    EXPECT_EQ(Walk(empty), "");
    EXPECT_EQ(empty.GetCurrentNode(), nullptr);
}

TEST(ObjectTree, RemoveTakesWholeSubtreesAlsoDuringAWalk)
{
    const struct
    {
        int traverse;
        const char *removeAt, *remove, *seen, *left;
    } cases[] = {{TRAVERSE_DEPTH_FIRST, "b", "b", "abcf", "a c f "}, // children not visited
                 {TRAVERSE_DEPTH_FIRST, "d", "a", "abdf", "f "},     // an ancestor of the current
                 {TRAVERSE_TOP_LEVEL, "a", "a", "af", "f "}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.remove);
        Counted::live = 0;
        Shape s;
        MBaseObject* current = nullptr;
        std::string seen;
        s.tree.InitPosition(c.traverse);
        while ((current = s.tree.GetNext()))
        {
            seen += current->GetName().str();
            if (current->GetName() == c.removeAt)
            {
                EXPECT_TRUE(s.tree.Remove(s.o(c.remove)));
                EXPECT_EQ(s.tree.GetCurrentNode(), nullptr);
            }
        }
        EXPECT_EQ(seen, c.seen);
        EXPECT_EQ(Walk(s.tree), c.left);
        EXPECT_FALSE(s.tree.Remove(s.o(c.remove)));
        s.obj.clear(); // what was removed is released
        EXPECT_EQ(Counted::live, int(std::string(c.left).size() / 2));
    }
}

TEST(ObjectTree, SetParentMovesSubtreesAndRefusesCyclesAndForeignNodes)
{
    Shape s;
    MBaseObjectTree other;
    MRef<Counted> x(new Counted("x"));
    MBaseObjectTreeNode* nx = other.Add(x.Get());
    const std::pair<MBaseObjectTreeNode*, MBaseObjectTreeNode*> refused[] = {
        {s.na, s.nd},    {s.nb, s.nb},
        {nullptr, s.na}, {s.tree.GetRoot(), s.na},
        {s.nc, nx},      {s.nc, other.GetRoot()},
        {nx, s.na}};
    for (auto [node, parent] : refused)
        EXPECT_FALSE(s.tree.SetParent(node, parent));
    EXPECT_EQ(Walk(s.tree), "a b d e c f ");
    EXPECT_EQ(Walk(other), "x ");

    EXPECT_TRUE(s.tree.SetParent(s.nb, s.nf)); // b with d and e under f
    EXPECT_EQ(Walk(s.tree), "a c f b d e ");
    EXPECT_EQ(s.na->GetChildCount() * 10 + s.nf->GetChildCount(), 11);
    EXPECT_TRUE(s.tree.SetParent(s.ne, s.na, s.nc));    // before c
    EXPECT_TRUE(s.tree.SetParent(s.nf, nullptr, s.na)); // to the front of the top level
    EXPECT_EQ(Walk(s.tree), "f b d a e c ");
    EXPECT_TRUE(MBaseObjectTree::IsChildOf(s.nd, s.nf));
    EXPECT_FALSE(MBaseObjectTree::IsChildOf(s.nd, s.na));
    EXPECT_FALSE(MBaseObjectTree::IsChildOf(s.nd, s.nd));
}

TEST(ObjectTree, FlagsOfAncestorsAndCopiesWithSharedMembers)
{
    Shape s;
    s.o("b")->AddFlags(OBJ_COLLAPSED);
    EXPECT_TRUE(MBaseObjectTree::IsChildOfFlagged(s.nb, OBJ_COLLAPSED));
    EXPECT_TRUE(MBaseObjectTree::IsChildOfFlagged(s.ne, OBJ_COLLAPSED | OBJ_SELECTED));
    EXPECT_FALSE(MBaseObjectTree::IsChildOfFlagged(s.na, OBJ_COLLAPSED));
    EXPECT_FALSE(MBaseObjectTree::IsChildOfFlagged(s.nc, OBJ_COLLAPSED));
    EXPECT_FALSE(MBaseObjectTree::IsChildOfFlagged(nullptr, OBJ_COLLAPSED));

    s.nb->SetFlags(0x1234);
    MRef<MBaseObject> copy(s.tree.CreateNew());
    auto* t = static_cast<MBaseObjectTree*>(copy.Get());
    EXPECT_EQ(Walk(*t), "a b d e c f ");
    MBaseObjectTreeNode* nb = t->FindObject(s.o("b"));
    EXPECT_NE(nb, s.nb);
    EXPECT_EQ(nb->GetFlags(), 0x1234u);
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
        EXPECT_TRUE(tree.Remove(tree.GetRoot()->GetFirstChild()->GetFirstChild()->GetObject()));
        EXPECT_EQ(tree.GetCount(), 1);
    }
    EXPECT_EQ(Counted::live, 0);
}
