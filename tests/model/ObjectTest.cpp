#include "MBaseObject.h"
#include "MParameterObject.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <climits>

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

TEST(BaseObject, ReferencesDestroyAtZeroAndHoldersShareThem)
{
    Counted::live = 0;
    auto* o = new Counted();
    EXPECT_EQ(o->AddRef(), 1);
    EXPECT_EQ(o->AddRef(), 2);
    EXPECT_EQ(o->Delete(), 1);
    EXPECT_EQ(Counted::live, 1);
    EXPECT_EQ(o->Delete(), 0);
    (new Counted())->Delete(); // nobody referenced it: destroyed at once
    EXPECT_EQ(Counted::live, 0);
    {
        MRef<Counted> a(new Counted());
        MRef<Counted> b = a;
        MRef<Counted> c(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(c->GetRefCount(), 2);
        b.Reset();
        EXPECT_EQ(c->GetRefCount(), 1);
        MRef<Counted>& alias = c;
        c = alias; // assigning a holder to itself keeps the reference
        EXPECT_EQ(c->GetRefCount(), 1);
        c.Reset(new Counted()); // the first one goes, the second is held
        EXPECT_EQ(Counted::live, 1);
    }
    EXPECT_EQ(Counted::live, 0);
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
