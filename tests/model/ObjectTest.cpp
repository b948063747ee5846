#include "MBaseObject.h"
#include "MBaseObjectList.h"
#include "MBaseObjectTree.h"
#include "MParameterObject.h"
#include "TestSupport.h"
#include <climits>
#include <cstring>
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
        out += o->GetName().str();
    return out;
}
// A tree of named objects:  a(b(d e) c)  f
struct Shape
{
    Shape()
    {
        for (const char* n : {"a", "b", "c", "d", "e", "f"})
            obj.push_back(MRef<MBaseObject>(new Counted(n)));
        for (auto [child, parent] : {std::pair{0, -1}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, -1}})
            node.push_back(tree.Add(obj[child].Get(), parent < 0 ? nullptr : node[parent]));
    }
    MBaseObject* o(char n) { return obj[size_t(n - 'a')].Get(); }
    MBaseObjectTreeNode* n(char c) { return node[size_t(c - 'a')]; }
    std::vector<MRef<MBaseObject>> obj;
    std::vector<MBaseObjectTreeNode*> node;
    MBaseObjectTree tree;
};
} // namespace

TEST(Parameter, KindsKeysAndObjectsParametersByNameAndCopiesButNotSelection)
{
    for (int kind : {1, 2, 5, 6, 7, 8, 9}) // the numbers scene files hold
    {
        auto param = MakeParameter(kind, "a", "1 2 3");
        EXPECT_EQ(param->Clone()->GetType(), kind);
        EXPECT_EQ(param->IsKeyed(), kind == 2 || kind == 6) << kind;
    }
    MStringChoiceParameterObject choice("fn", "sin", {"sin", "square"});
    EXPECT_EQ(choice.GetChoice(1), "square");
    choice.SetValue("SawTooth"); // not among the choices, still kept
    auto clone = choice.Clone();
    EXPECT_EQ(static_cast<MStringChoiceParameterObject*>(clone.get())->GetChoiceCount(), 2);
    EXPECT_EQ(clone->GetValue(), "SawTooth");
    MFloatParameterObject f("Fr", "1.50");
    EXPECT_FLOAT_EQ(f.GetFloat(), 1.5f);
    f.SetValue("3", 240, true); // an unkeyed kind ignores key and time
    EXPECT_EQ(std::pair(f.GetValue(0).str(), f.GetKeyCount()), std::pair(std::string("3"), 0));
    EXPECT_EQ(MVectorParameterObject("sV", "( 1 0.5 .25 )").GetVector(), (MVector{1, 0.5f, 0.25f}));
    EXPECT_EQ(ParseVectorText("1,2,3 4"), (MVector{1, 2, 3}));
    // Keyed kinds interpolate between keys and copy them.
    MKeyedFloatParameterObject amp("Amp", "7");
    amp.SetValue("0", 0, true);
    amp.SetValue("10", 120, true);
    const std::pair<int, const char*> at[] = {
        {-50, "0"}, {0, "0"}, {30, "2.5"}, {60, "5"}, {9999, "10"}};
    for (auto [time, value] : at)
        EXPECT_EQ(amp.GetValue(time), value) << time;
    // Without a key: a key at that time is replaced, else only the plain value.
    amp.SetValue("20", 120);
    amp.SetValue("99", 60);
    EXPECT_EQ(amp.GetKeyCount(), 2);
    EXPECT_EQ(amp.GetValue(60), "10");
    MKeyedFloatParameterObject other("b", "0");
    MFloatParameterObject plain("c", "0");
    other.SetFrom(amp);
    plain.SetFrom(amp); // an unkeyed kind takes the plain value only
    EXPECT_EQ(other.GetValue(90) + "|" + plain.GetValue(), "15|99");
    auto copy = amp.Clone();
    copy->SetValue("100", 0, true);
    EXPECT_EQ(amp.GetValue(0), "0");
    amp.RemoveKeys();
    EXPECT_EQ(amp.GetValue(60), "99");
    EXPECT_EQ(copy->GetValue(60), "60");
    // Keys further apart than an int counts, and vectors.
    MKeyedVectorParameterObject vec("Col", "0 0 0");
    vec.SetValue("0 10 -4", INT_MIN + 1, true);
    vec.SetValue("2 20 4", INT_MAX, true);
    EXPECT_EQ(vec.GetVector(0), (MVector{1, 15, 0}));
    // Objects find parameters by name in any case; copies take values, not selection.
    MRef<OpenEnded> o(new OpenEnded());
    EXPECT_EQ(o->GetParam(0)->GetName(), "Name");
    EXPECT_EQ(o->GetParam(o->GetParamCount()), nullptr);
    EXPECT_TRUE(o->SetParamByName("name", "Crate"));
    EXPECT_EQ(o->GetName(), "Crate");
    EXPECT_EQ(o->FindParameter("SIZE"), o->GetParam(1));
    o->AddVectorParam("Dir", "1 2 3");
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
    // Absent ones read as zero; a set makes one only if the class does, once.
    const int count = o->GetParamCount();
    EXPECT_EQ(o->GetParamInt("nope") + o->GetParamFloat("nope") + o->GetParamVec("x").x, 0);
    EXPECT_FALSE(o->SetParamByName("nope", "1"));
    EXPECT_TRUE(o->SetParamByName("extraWord", "On") && o->SetParamByName("EXTRAWORD", "Off"));
    EXPECT_EQ(o->GetParamCount(), count + 1);
    EXPECT_EQ(o->GetParamByName("extraword"), "Off");
    // The name cannot be removed; other parameters can.
    EXPECT_FALSE(o->RemoveParameter("name"));
    EXPECT_TRUE(o->RemoveParameter("SIZE"));
    EXPECT_EQ(o->FindParameter("Dir"), o->GetParam(1));
    Counted::live = 0;
    MRef<OpenEnded> src(new OpenEnded());
    src->SetName("Source");
    src->SetParamByName("Size", "4");
    src->SetParamByName("extraA", "x");
    src->SetFlags(OBJ_VISIBLE | OBJ_SELECTED | OBJ_COLLAPSED);
    MRef<OpenEnded> dst(new OpenEnded());
    dst->SetFrom(src.Get());
    EXPECT_EQ(dst->GetParamByName("size") + dst->GetParamByName("extraA"), "4x"); // one it lacked
    EXPECT_EQ(dst->GetFlags(), uint32_t(OBJ_VISIBLE | OBJ_COLLAPSED));
    MRef<OpenEnded> selected(new OpenEnded());
    selected->SetFlags(OBJ_SELECTED); // keeps its own selection state both ways
    selected->SetFrom(dst.Get());
    EXPECT_EQ(selected->GetFlags(), uint32_t(OBJ_VISIBLE | OBJ_COLLAPSED | OBJ_SELECTED));
    dst->SetFrom(nullptr); // nothing to copy from changes nothing
    EXPECT_EQ(dst->GetParamByName("size"), "4");
    MRef<MBaseObject> made(src->CreateNew());
    EXPECT_NE(dynamic_cast<OpenEnded*>(made.Get()), nullptr);
    EXPECT_EQ(made->GetParamByName("extraA"), "x");
    EXPECT_EQ(made->GetFlags(), uint32_t(OBJ_VISIBLE | OBJ_COLLAPSED));
    made->SetParamByName("Size", "5");
    EXPECT_EQ(src->GetParamByName("Size"), "4");
    MRef<MBaseObject> counted(MRef<Counted>(new Counted("A"))->CreateNew());
    EXPECT_EQ(std::pair(counted->ClassName(), counted->GetName()),
              std::pair(MStr("Counted"), MStr("A")));
    EXPECT_EQ(Counted::live, 1);
}
TEST(ObjectList, HoldsReferencesKeepsOrderSharesMembersWithCopiesAndWalksThroughChanges)
{
    Counted::live = 0;
    {
        MBaseObjectList list;
        auto *a = new Counted("a"), *c = new Counted("c");
        MRef<Counted> outsider(new Counted("x"));
        EXPECT_FALSE(list.Add(nullptr));
        EXPECT_TRUE(list.Add(a) && list.Add(c) && list.AddBefore(new Counted("b"), c));
        EXPECT_EQ(list.Find(c), 2);
        EXPECT_EQ(list.GetAt(3), nullptr);
        // AddBefore an absent object appends; Insert clamps its index.
        EXPECT_TRUE(list.AddBefore(new Counted("d"), outsider.Get()));
        EXPECT_TRUE(list.Insert(-5, new Counted("z")) && list.Insert(99, new Counted("y")));
        EXPECT_EQ(Names(list), "zabcdy");
        EXPECT_TRUE(list.Remove(list.GetAt(0))); // its only reference: destroyed
        EXPECT_EQ(Counted::live, 6);
        EXPECT_FALSE(list.Remove(outsider.Get()));
        MRef<MBaseObject> copy(list.CreateNew());
        EXPECT_EQ(Names(*static_cast<MBaseObjectList*>(copy.Get())), "abcdy");
        EXPECT_EQ(a->GetRefCount(), 2); // the same objects, not copies
        copy.Reset();
        list.RemoveAll();
        EXPECT_EQ(Counted::live, 1);
        list.Add(outsider.Get());
    } // the list's destructor releases what it still holds
    EXPECT_EQ(Counted::live, 0);
    Shape s; // its objects, not its tree
    MBaseObjectList list;
    for (const auto& o : s.obj)
        list.Add(o.Get());
    std::string seen;
    list.InitPosition();
    while (MBaseObject* o = list.GetNext())
    {
        seen += o->GetName().str();
        if (o == s.o('b')) // the one just given goes, and one before it comes and goes
        {
            EXPECT_TRUE(list.Remove(o) && list.Insert(0, s.o('d')) && list.Remove(s.o('d')));
        }
        if (o == s.o('d')) // what is added next is walked next
        {
            list.RemoveAll();
            list.Add(s.o('a'));
        }
    }
    EXPECT_EQ(seen, "abcda");
}
TEST(ObjectTree, AddRefusesDuplicatesNullAndForeignParents)
{
    Shape s;
    EXPECT_EQ(TreeShape(s.tree), " a( b( d e) c) f");
    EXPECT_EQ(s.o('a')->GetRefCount(), 2); // the test's holder and the tree
    EXPECT_EQ(s.tree.Add(s.o('d')), nullptr);
    EXPECT_EQ(s.tree.Add(nullptr), nullptr);
    MBaseObjectTree other;
    MRef<Counted> x(new Counted("x")), y(new Counted("y"));
    EXPECT_EQ(s.tree.Add(y.Get(), other.Add(x.Get())), nullptr);
    EXPECT_EQ(s.tree.Add(y.Get(), other.GetRoot()), nullptr);
    EXPECT_EQ(y->GetRefCount(), 1);
    EXPECT_NE(s.tree.AddBefore(y.Get(), s.n('e')), nullptr); // among the sibling's siblings
    EXPECT_EQ(s.tree.AddBefore(y.Get(), s.n('a')), nullptr);
    EXPECT_EQ(TreeShape(s.tree), " a( b( d y e) c) f");
    std::string top;
    s.tree.InitPosition(TRAVERSE_TOP_LEVEL);
    while (MBaseObject* o = s.tree.GetNext())
        top += o->GetName().str() + s.tree.GetCurrentNode()->GetObject()->GetName().str();
    EXPECT_EQ(top, "aaff");
}
TEST(ObjectTree, RemoveTakesWholeSubtreesAlsoDuringAWalk)
{
    // Walk order, where to remove what, what the walk saw, what is left.
    for (auto [traverse, at, remove, seen, left] :
         {std::tuple{TRAVERSE_DEPTH_FIRST, 'b', 'b', "abcf", " a( c) f"}, // children not visited
          {TRAVERSE_DEPTH_FIRST, 'd', 'a', "abdf", " f"},                 // an ancestor
          {TRAVERSE_TOP_LEVEL, 'a', 'a', "af", " f"}})
    {
        SCOPED_TRACE(remove);
        Counted::live = 0;
        Shape s;
        std::string walked;
        s.tree.InitPosition(traverse);
        while (MBaseObject* o = s.tree.GetNext())
        {
            walked += o->GetName().str();
            if (o == s.o(at))
            {
                EXPECT_TRUE(s.tree.Remove(s.o(remove)));
                EXPECT_EQ(s.tree.GetCurrentNode(), nullptr);
            }
        }
        EXPECT_EQ(walked, seen);
        EXPECT_EQ(TreeShape(s.tree), left);
        EXPECT_FALSE(s.tree.Remove(s.o(remove)));
        s.obj.clear(); // what was removed is released
        EXPECT_EQ(Counted::live, int(std::count(left, left + strlen(left), ' ')));
    }
}
TEST(ObjectTree, SetParentMovesSubtreesRefusesCyclesAndForeignNodesAndFlagsReachDown)
{
    Shape s;
    MBaseObjectTree other;
    MRef<Counted> x(new Counted("x"));
    MBaseObjectTreeNode* nx = other.Add(x.Get());
    for (auto [node, parent] : {std::pair{s.n('a'), s.n('d')},
                                {s.n('b'), s.n('b')},
                                {nullptr, s.n('a')},
                                {s.tree.GetRoot(), s.n('a')},
                                {s.n('c'), nx},
                                {s.n('c'), other.GetRoot()},
                                {nx, s.n('a')}})
        EXPECT_FALSE(s.tree.SetParent(node, parent));
    EXPECT_EQ(TreeShape(s.tree) + " |" + TreeShape(other), " a( b( d e) c) f | x");
    EXPECT_TRUE(s.tree.SetParent(s.n('b'), s.n('f'))); // b with d and e under f
    EXPECT_EQ(TreeShape(s.tree), " a( c) f( b( d e))");
    EXPECT_EQ(std::pair(s.n('a')->GetChildCount(), s.n('f')->GetChildCount()), std::pair(1, 1));
    EXPECT_TRUE(s.tree.SetParent(s.n('e'), s.n('a'), s.n('c'))); // before c
    EXPECT_TRUE(s.tree.SetParent(s.n('f'), nullptr, s.n('a')));  // to the front of the top level
    EXPECT_EQ(TreeShape(s.tree), " f( b( d)) a( e c)");
    EXPECT_TRUE(MBaseObjectTree::IsChildOf(s.n('d'), s.n('f')));
    EXPECT_FALSE(MBaseObjectTree::IsChildOf(s.n('d'), s.n('a')));
    EXPECT_FALSE(MBaseObjectTree::IsChildOf(s.n('d'), s.n('d')));
    s.o('b')->AddFlags(OBJ_COLLAPSED);
    for (auto [node, flagged] : {std::pair{'b', true}, {'d', true}, {'a', false}, {'e', false}})
        EXPECT_EQ(MBaseObjectTree::IsChildOfFlagged(s.n(node), OBJ_COLLAPSED | OBJ_SELECTED),
                  flagged);
    EXPECT_FALSE(MBaseObjectTree::IsChildOfFlagged(nullptr, OBJ_COLLAPSED));
}
