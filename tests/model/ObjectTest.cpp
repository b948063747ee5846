#include "MBaseObject.h"
#include "MBaseObjectList.h"
#include "MBaseObjectTree.h"
#include "MParameterObject.h"
#include "TestSupport.h"

#include <climits>
#include <gtest/gtest.h>

namespace
{
// Takes any parameter name starting with "extra" on demand.
class OpenEnded : public MBaseObject
{
  public:
    OpenEnded() { AddFloatParam("Size", "1"); }
    M_DECLARE_CLASS(OpenEnded, MBaseObject)
  protected:
    MParameterObject* CreateMissingParameter(std::string_view name) override
    {
        return name.substr(0, 5) == "extra" ? AddStringParam(std::string(name).c_str(), "")
                                            : nullptr;
    }
};

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

TEST(Parameter, KindsChoicesAndTextParsedOnDemand)
{
    for (int kind : {1, 2, 5, 6, 7, 8, 9}) // the numbers scene files hold
    {
        auto param = MakeParameter(kind, "a", "1 2 3");
        EXPECT_EQ(param->Clone()->GetType(), kind);
        EXPECT_EQ(param->GetValue(), "1 2 3");
        EXPECT_EQ(param->IsKeyed(), kind == 2 || kind == 6) << kind;
    }
    MStringChoiceParameterObject choice("fn", "sin", {"sin", "square"});
    EXPECT_EQ(choice.GetChoice(1), "square");
    EXPECT_EQ(choice.GetChoice(2) + choice.GetChoice(-1), "");
    choice.SetValue("SawTooth"); // not among the choices, still kept
    auto clone = choice.Clone();
    EXPECT_EQ(static_cast<MStringChoiceParameterObject*>(clone.get())->GetChoiceCount(), 2);
    EXPECT_EQ(clone->GetValue(), "SawTooth");
    MFloatParameterObject f("Fr", "1.50");
    EXPECT_EQ(f.GetValue(), "1.50");
    EXPECT_FLOAT_EQ(f.GetFloat(), 1.5f);
    f.SetValue("3", 240, true); // an unkeyed kind ignores key and time
    EXPECT_EQ(f.GetKeyCount(), 0);
    EXPECT_EQ(f.GetValue(0), "3");
    MVectorParameterObject v("sV", "( 1 0.5 .25 )");
    EXPECT_EQ(v.GetVector(), (MVector{1, 0.5f, 0.25f}));
    EXPECT_EQ(ParseVectorText("7"), (MVector{7, 0, 0}));
    EXPECT_EQ(ParseVectorText("1,2,3 4"), (MVector{1, 2, 3}));
}

TEST(Parameter, KeyedKindsInterpolateBetweenKeysAndCopyThem)
{
    MKeyedFloatParameterObject f("Amp", "7");
    EXPECT_EQ(f.GetValue(500), "7"); // no keys: the plain value
    f.SetValue("0", 0, true);
    f.SetValue("10", 120, true);
    const std::pair<int, const char*> at[] = {
        {-50, "0"}, {0, "0"}, {30, "2.5"}, {60, "5"}, {9999, "10"}};
    for (auto [time, value] : at)
        EXPECT_EQ(f.GetValue(time), value) << time;
    // Without key set: the key at that time is replaced, elsewhere only the
    // plain value changes (and the keys still decide the value).
    f.SetValue("20", 120);
    f.SetValue("99", 60);
    EXPECT_EQ(f.GetKeyCount(), 2);
    EXPECT_EQ(f.GetValue(60), "10");
    MKeyedFloatParameterObject other("b", "0");
    other.SetFrom(f);
    EXPECT_EQ(other.GetName(), "b");
    EXPECT_EQ(other.GetValue(90), "15");
    MFloatParameterObject plain("c", "0");
    plain.SetFrom(f); // an unkeyed kind takes the plain value only
    EXPECT_EQ(plain.GetValue(), "99");
    auto clone = f.Clone();
    clone->SetValue("100", 0, true);
    EXPECT_EQ(f.GetValue(0), "0");
    f.RemoveKeys();
    EXPECT_EQ(f.GetValue(60), "99");
    EXPECT_EQ(clone->GetValue(60), "60");
    // Keys further apart than an int counts, and vectors.
    MKeyedVectorParameterObject vec("Col", "0 0 0");
    vec.SetValue("0 10 -4", INT_MIN + 1, true);
    vec.SetValue("2 20 4", INT_MAX, true);
    EXPECT_EQ(vec.GetVector(0), (MVector{1, 15, 0}));
}

TEST(BaseObject, ParametersByNameIgnoreCaseAndReadAsTypes)
{
    MRef<OpenEnded> o(new OpenEnded());
    EXPECT_EQ(o->GetParam(0)->GetName(), "Name");
    EXPECT_EQ(o->GetParam(o->GetParamCount()), nullptr);
    EXPECT_EQ(o->GetParam(-1), nullptr);
    EXPECT_TRUE(o->SetParamByName("name", "Crate"));
    EXPECT_EQ(o->GetName(), "Crate");
    EXPECT_EQ(o->FindParameter("SIZE"), o->GetParam(1));
    EXPECT_EQ(o->FindParameter("siz"), nullptr);
    o->AddVectorParam("Dir", "1 2 3");
    o->AddParameter(std::make_unique<MKeyedFloatParameterObject>("Amp", "0"));
    o->SetParamByName("Size", "2.9");
    EXPECT_EQ(o->GetParamInt("size"), 2);
    EXPECT_FLOAT_EQ(o->GetParamFloat("SIZE"), 2.9f);
    EXPECT_EQ(o->GetParamVec("dir"), (MVector{1, 2, 3}));
    // Values from files may be far outside an int; reading them stays defined.
    for (auto [text, value] : {std::pair{"1e20", INT_MAX}, {"-1e20", INT_MIN}, {"nan", 0}})
    {
        o->SetParamByName("Size", text);
        EXPECT_EQ(o->GetParamInt("Size"), value) << text;
    }
    // Absent parameters read as zero or empty, and are made on a set only
    // when the class makes them, once.
    const int count = o->GetParamCount();
    EXPECT_EQ(o->GetParamInt("nope") + o->GetParamFloat("nope"), 0);
    EXPECT_EQ(o->GetParamVec("nope"), MVector{});
    EXPECT_FALSE(o->SetParamByName("nope", "1"));
    EXPECT_TRUE(o->SetParamByName("extraWord", "On"));
    EXPECT_TRUE(o->SetParamByName("EXTRAWORD", "Off"));
    EXPECT_EQ(o->GetParamCount(), count + 1);
    EXPECT_EQ(o->GetParamByName("extraword"), "Off");
    // Sets and gets happen at the object's time; with key set a key is made.
    EXPECT_TRUE(o->SetParamByName("amp", "0", true));
    o->SetTime(120);
    EXPECT_TRUE(o->SetParamByName("amp", "8", true));
    o->SetTime(30);
    EXPECT_EQ(o->GetParamByName("Amp"), "2");
    // The name cannot be removed; other parameters can.
    EXPECT_FALSE(o->RemoveParameter("name"));
    EXPECT_TRUE(o->RemoveParameter("SIZE"));
    EXPECT_FALSE(o->RemoveParameter("SIZE"));
    EXPECT_EQ(o->FindParameter("Dir"), o->GetParam(1));
}

TEST(BaseObject, SetFromAndCreateNewCopyValuesButNotSelection)
{
    Counted::live = 0;
    MRef<OpenEnded> src(new OpenEnded());
    src->SetName("Source");
    src->SetParamByName("Size", "4");
    src->SetParamByName("extraA", "x");
    src->SetFlags(OBJ_VISIBLE | OBJ_SELECTED | OBJ_COLLAPSED);
    MRef<OpenEnded> dst(new OpenEnded());
    dst->SetFrom(src.Get());
    EXPECT_EQ(dst->GetName(), "Source");
    EXPECT_EQ(dst->GetParamByName("size"), "4");
    EXPECT_EQ(dst->GetParamByName("extraA"), "x"); // a parameter it lacked is added
    EXPECT_EQ(dst->GetFlags(), uint32_t(OBJ_VISIBLE | OBJ_COLLAPSED));
    MRef<OpenEnded> selected(new OpenEnded());
    selected->SetFlags(OBJ_SELECTED); // keeps its own selection state both ways
    selected->SetFrom(dst.Get());
    EXPECT_EQ(selected->GetFlags(), uint32_t(OBJ_VISIBLE | OBJ_COLLAPSED | OBJ_SELECTED));
    dst->SetFrom(nullptr);
    EXPECT_EQ(dst->GetParamByName("size"), "4");
    MRef<MBaseObject> copy(src->CreateNew());
    EXPECT_EQ(copy->GetRefCount(), 1);
    EXPECT_NE(dynamic_cast<OpenEnded*>(copy.Get()), nullptr);
    EXPECT_EQ(copy->GetParamByName("extraA"), "x");
    EXPECT_FALSE(copy->HasFlags(OBJ_SELECTED));
    copy->SetParamByName("Size", "5");
    EXPECT_EQ(src->GetParamByName("Size"), "4");
    MRef<MBaseObject> counted(MRef<Counted>(new Counted("A"))->CreateNew());
    EXPECT_EQ(counted->ClassName(), "Counted");
    EXPECT_EQ(counted->GetName(), "A");
    EXPECT_EQ(Counted::live, 1);
}

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
    EXPECT_EQ(TreeShape(s.tree), " a( b( d e) c) f");
    EXPECT_EQ(s.o("a")->GetRefCount(), 2); // the test's holder and the tree
    EXPECT_EQ(s.tree.FindObject(s.o("d")), s.nd);
    EXPECT_EQ(s.tree.Add(s.o("d")), nullptr);
    EXPECT_EQ(s.tree.Add(nullptr), nullptr);
    MBaseObjectTree other;
    MRef<Counted> x(new Counted("x")), y(new Counted("y"));
    EXPECT_EQ(s.tree.Add(y.Get(), other.Add(x.Get())), nullptr);
    EXPECT_EQ(s.tree.Add(y.Get(), other.GetRoot()), nullptr);
    EXPECT_EQ(y->GetRefCount(), 1);
    EXPECT_EQ(s.tree.FindObject(nullptr), nullptr);
    // AddBefore puts the object among the sibling's siblings.
    EXPECT_NE(s.tree.AddBefore(y.Get(), s.ne), nullptr);
    EXPECT_EQ(s.tree.AddBefore(y.Get(), s.na), nullptr);
    EXPECT_EQ(TreeShape(s.tree), " a( b( d y e) c) f");
    EXPECT_EQ(Walk(s.tree), "a b d y e c f ");
    EXPECT_EQ(Walk(s.tree, TRAVERSE_TOP_LEVEL), "a f ");
    MBaseObjectTree empty;
    EXPECT_EQ(Walk(empty), "");
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
    EXPECT_EQ(TreeShape(s.tree) + " |" + TreeShape(other), " a( b( d e) c) f | x");
    EXPECT_TRUE(s.tree.SetParent(s.nb, s.nf)); // b with d and e under f
    EXPECT_EQ(TreeShape(s.tree), " a( c) f( b( d e))");
    EXPECT_EQ(s.na->GetChildCount() * 10 + s.nf->GetChildCount(), 11);
    EXPECT_TRUE(s.tree.SetParent(s.ne, s.na, s.nc));    // before c
    EXPECT_TRUE(s.tree.SetParent(s.nf, nullptr, s.na)); // to the front of the top level
    EXPECT_EQ(TreeShape(s.tree), " f( b( d)) a( e c)");
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
