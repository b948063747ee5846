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
        if (name.substr(0, 5) != "extra")
            return nullptr;
        return AddStringParam(std::string(name).c_str(), "");
    }
};
} // namespace

TEST(Parameter, KindsAndChoices)
{
    // The kind numbers are what callers switch on; a clone keeps the kind.
    const std::pair<std::unique_ptr<MParameterObject>, int> kinds[] = {
        {std::make_unique<MFloatParameterObject>("a", "1"), 1},
        {std::make_unique<MKeyedFloatParameterObject>("a", "1"), 2},
        {std::make_unique<MVectorParameterObject>("a", "1 2 3"), 5},
        {std::make_unique<MKeyedVectorParameterObject>("a", "1 2 3"), 6},
        {std::make_unique<MStringParameterObject>("a", "x"), 7},
        {std::make_unique<MFileNameParameterObject>("a", "x.tga"), 8},
        {std::make_unique<MColourParameterObject>("a", "1 1 1"), 9},
    };
    for (const auto& [param, kind] : kinds)
    {
        EXPECT_EQ(param->GetType(), kind);
        EXPECT_EQ(param->Clone()->GetType(), kind);
        EXPECT_EQ(param->IsKeyed(), kind == 2 || kind == 6) << kind;
    }

    MStringChoiceParameterObject choice("fn", "sin", {"sin", "square"});
    EXPECT_EQ(choice.GetType(), PARAM_STRING);
    EXPECT_EQ(choice.GetChoiceCount(), 2);
    EXPECT_EQ(choice.GetChoice(1), "square");
    EXPECT_EQ(choice.GetChoice(2), "");
    EXPECT_EQ(choice.GetChoice(-1), "");
    // A spelling that is not among the choices is still kept.
    choice.SetValue("SawTooth");
    EXPECT_EQ(choice.GetValue(), "SawTooth");
    auto clone = choice.Clone();
    auto* clonedChoice = dynamic_cast<MStringChoiceParameterObject*>(clone.get());
    ASSERT_NE(clonedChoice, nullptr);
    EXPECT_EQ(clonedChoice->GetChoiceCount(), 2);
    EXPECT_EQ(clonedChoice->GetValue(), "SawTooth");
}

TEST(Parameter, TextIsKeptExactlyAndParsedOnDemand)
{
    MFloatParameterObject f("Fr", "1.50");
    EXPECT_EQ(f.GetValue(), "1.50");
    EXPECT_FLOAT_EQ(f.GetFloat(), 1.5f);
    f.SetValue("junk");
    EXPECT_EQ(f.GetValue(), "junk");
    EXPECT_FLOAT_EQ(f.GetFloat(), 0.0f);

    MVectorParameterObject v("sV", "( 1 0.5 .25 )");
    EXPECT_EQ(v.GetVector(), (MVector{1, 0.5f, 0.25f}));
    v.SetValue("7");
    EXPECT_EQ(v.GetVector(), (MVector{7, 0, 0}));
    EXPECT_EQ(ParseVectorText("1,2,3 4"), (MVector{1, 2, 3}));
    EXPECT_EQ(ParseVectorText(""), (MVector{}));

    // An unkeyed kind ignores the key request and the time.
    f.SetValue("3", 240, true);
    EXPECT_EQ(f.GetKeyCount(), 0);
    EXPECT_EQ(f.GetValue(0), "3");
}

TEST(Parameter, KeyedKindsInterpolateBetweenKeys)
{
    MKeyedFloatParameterObject f("Amp", "7");
    EXPECT_EQ(f.GetValue(500), "7"); // no keys: the plain value
    f.SetValue("0", 0, true);
    f.SetValue("10", 120, true);
    EXPECT_EQ(f.GetKeyCount(), 2);
    EXPECT_EQ(f.GetValue(0), "0");
    EXPECT_EQ(f.GetValue(60), "5");
    EXPECT_FLOAT_EQ(f.GetFloat(30), 2.5f);
    EXPECT_EQ(f.GetValue(-50), "0");   // before the first key
    EXPECT_EQ(f.GetValue(9999), "10"); // after the last key

    // Without key set: the key at that time is replaced, elsewhere only the
    // plain value changes (and the keys still decide the value).
    f.SetValue("20", 120);
    EXPECT_EQ(f.GetValue(120), "20");
    f.SetValue("99", 60);
    EXPECT_EQ(f.GetKeyCount(), 2);
    EXPECT_EQ(f.GetValue(60), "10");
    f.RemoveKeys();
    EXPECT_EQ(f.GetValue(60), "99");

    MKeyedVectorParameterObject v("Col", "0 0 0");
    v.SetValue("0 10 -4", 0, true);
    v.SetValue("2 20 4", 240, true);
    EXPECT_EQ(v.GetVector(120), (MVector{1, 15, 0}));
    EXPECT_EQ(v.GetValue(240), "2 20 4");
}

TEST(Parameter, SetFromAndCloneCopyValuesAndKeys)
{
    MKeyedFloatParameterObject keyed("a", "1");
    keyed.SetValue("2", 0, true);
    keyed.SetValue("4", 120, true);

    MKeyedFloatParameterObject other("b", "0");
    other.SetFrom(keyed);
    EXPECT_EQ(other.GetName(), "b");
    EXPECT_EQ(other.GetKeyCount(), 2);
    EXPECT_EQ(other.GetValue(60), "3");

    // An unkeyed kind takes the plain value only.
    MFloatParameterObject plain("c", "0");
    plain.SetFrom(keyed);
    EXPECT_EQ(plain.GetKeyCount(), 0);
    EXPECT_EQ(plain.GetValue(), "1");

    // A clone is independent of its source.
    auto clone = keyed.Clone();
    clone->SetValue("100", 0, true);
    EXPECT_EQ(keyed.GetValue(0), "2");
    EXPECT_EQ(clone->GetValue(0), "100");
    EXPECT_TRUE(clone->IsKeyed());
}

TEST(BaseObject, ReferenceCountingDestroysAtZero)
{
    Counted::live = 0;
    auto* o = new Counted();
    EXPECT_EQ(o->GetRefCount(), 0);
    EXPECT_EQ(o->AddRef(), 1);
    EXPECT_EQ(o->AddRef(), 2);
    EXPECT_EQ(o->Delete(), 1);
    EXPECT_EQ(Counted::live, 1);
    EXPECT_EQ(o->Delete(), 0);
    EXPECT_EQ(Counted::live, 0);

    // Delete on an object nobody referenced destroys it at once.
    (new Counted())->Delete();
    EXPECT_EQ(Counted::live, 0);
}

TEST(BaseObject, RefHolderKeepsObjectAliveAsLongAsAnyHolder)
{
    Counted::live = 0;
    {
        MRef<Counted> a(new Counted());
        EXPECT_EQ(a->GetRefCount(), 1);
        MRef<Counted> b = a;
        EXPECT_EQ(a->GetRefCount(), 2);
        MRef<Counted> c(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(c->GetRefCount(), 2);
        b.Reset();
        EXPECT_FALSE(b);
        EXPECT_EQ(c->GetRefCount(), 1);
        EXPECT_EQ(Counted::live, 1);
        MRef<Counted>& alias = c;
        c = alias; // assigning a holder to itself keeps the reference
        EXPECT_EQ(c->GetRefCount(), 1);
        c.Reset(new Counted()); // the first one goes, the second is held
        EXPECT_EQ(Counted::live, 1);
        EXPECT_EQ(c->GetRefCount(), 1);
    }
    EXPECT_EQ(Counted::live, 0);
}

TEST(BaseObject, NameIsFirstParameterAndLookupIgnoresCase)
{
    MRef<OpenEnded> o(new OpenEnded());
    ASSERT_GE(o->GetParamCount(), 2);
    EXPECT_EQ(o->GetParam(0)->GetName(), "Name");
    EXPECT_EQ(o->GetParam(99), nullptr);
    EXPECT_EQ(o->GetParam(-1), nullptr);

    o->SetName("Box");
    EXPECT_EQ(o->GetName(), "Box");
    EXPECT_EQ(o->GetParamByName("NAME"), "Box");
    EXPECT_TRUE(o->SetParamByName("name", "Crate"));
    EXPECT_EQ(o->GetName(), "Crate");

    EXPECT_EQ(o->FindParameter("SIZE"), o->FindParameter("size"));
    EXPECT_NE(o->FindParameter("size"), nullptr);
    EXPECT_EQ(o->FindParameter("siz"), nullptr);

    // The name cannot be removed; other parameters can.
    EXPECT_FALSE(o->RemoveParameter("name"));
    EXPECT_TRUE(o->RemoveParameter("SIZE"));
    EXPECT_EQ(o->FindParameter("Size"), nullptr);
    EXPECT_EQ(o->GetName(), "Crate");
}

TEST(BaseObject, TypedGettersAndSettersByName)
{
    MRef<MBaseObject> o(new MBaseObject());
    o->AddFloatParam("Fr", "2.9");
    o->AddVectorParam("Dir", "1 2 3");
    o->AddParameter(std::make_unique<MKeyedFloatParameterObject>("Amp", "0"));

    EXPECT_EQ(o->GetParamInt("fr"), 2);
    EXPECT_FLOAT_EQ(o->GetParamFloat("FR"), 2.9f);
    EXPECT_EQ(o->GetParamVec("dir"), (MVector{1, 2, 3}));
    // Absent parameters read as zero or empty, and are not made on a set.
    EXPECT_EQ(o->GetParamInt("nope"), 0);
    EXPECT_FLOAT_EQ(o->GetParamFloat("nope"), 0.0f);
    EXPECT_EQ(o->GetParamVec("nope"), MVector{});
    EXPECT_EQ(o->GetParamByName("nope"), "");
    const int count = o->GetParamCount();
    EXPECT_FALSE(o->SetParamByName("nope", "1"));
    EXPECT_EQ(o->GetParamCount(), count);

    // Values from files may be far outside an int; reading them stays defined.
    o->SetParamByName("Fr", "1e20");
    EXPECT_EQ(o->GetParamInt("Fr"), INT_MAX);
    o->SetParamByName("Fr", "-1e20");
    EXPECT_EQ(o->GetParamInt("Fr"), INT_MIN);
    o->SetParamByName("Fr", "nan");
    EXPECT_EQ(o->GetParamInt("Fr"), 0);

    // Sets and gets happen at the object's time; with key set a key is made.
    o->SetTime(0);
    EXPECT_TRUE(o->SetParamByName("amp", "0", true));
    o->SetTime(120);
    EXPECT_TRUE(o->SetParamByName("amp", "8", true));
    o->SetTime(30);
    EXPECT_EQ(o->GetParamByName("Amp"), "2");
    EXPECT_EQ(o->FindParameter("amp")->GetKeyCount(), 2);
}

TEST(BaseObject, MissingParameterHookMakesOpenEndedParameters)
{
    MRef<OpenEnded> o(new OpenEnded());
    const int count = o->GetParamCount();
    EXPECT_TRUE(o->SetParamByName("extraWord", "On"));
    EXPECT_EQ(o->GetParamCount(), count + 1);
    EXPECT_EQ(o->GetParamByName("EXTRAWORD"), "On");
    // A second set reuses the parameter the first one made.
    EXPECT_TRUE(o->SetParamByName("extraword", "Off"));
    EXPECT_EQ(o->GetParamCount(), count + 1);
    EXPECT_EQ(o->GetParamByName("extraWord"), "Off");
    EXPECT_FALSE(o->SetParamByName("other", "x"));
    EXPECT_EQ(o->GetParamCount(), count + 1);
}

TEST(BaseObject, SetFromCopiesValuesAndFlagsButNotSelection)
{
    MRef<OpenEnded> src(new OpenEnded());
    src->SetName("Source");
    src->SetParamByName("Size", "4");
    src->SetParamByName("extraA", "x");
    src->SetFlags(OBJ_VISIBLE | OBJ_SELECTED | OBJ_COLLAPSED);

    MRef<OpenEnded> dst(new OpenEnded());
    dst->SetFlags(OBJ_VISIBLE);
    dst->SetFrom(src.Get());
    EXPECT_EQ(dst->GetName(), "Source");
    EXPECT_EQ(dst->GetParamByName("size"), "4");
    EXPECT_EQ(dst->GetParamByName("extraA"), "x"); // a parameter it lacked is added
    EXPECT_EQ(dst->GetFlags(), uint32_t(OBJ_VISIBLE | OBJ_COLLAPSED));

    // The target keeps its own selection state both ways.
    MRef<OpenEnded> selected(new OpenEnded());
    selected->SetFlags(OBJ_SELECTED);
    selected->SetFrom(dst.Get());
    EXPECT_TRUE(selected->HasFlags(OBJ_SELECTED));
    EXPECT_TRUE(selected->HasFlags(OBJ_COLLAPSED));

    // SetFrom from itself or from null changes nothing.
    dst->SetFrom(dst.Get());
    dst->SetFrom(nullptr);
    EXPECT_EQ(dst->GetParamByName("size"), "4");
}

TEST(BaseObject, CreateNewGivesIndependentUnreferencedCopyOfSameClass)
{
    Counted::live = 0;
    {
        MRef<Counted> src(new Counted());
        src->SetName("A");
        src->AddFloatParam("Fr", "1");
        src->AddFlags(OBJ_SELECTED);
        MBaseObject* raw = src->CreateNew();
        ASSERT_NE(raw, nullptr);
        EXPECT_EQ(raw->GetRefCount(), 0);
        MRef<MBaseObject> copy(raw);
        EXPECT_EQ(copy->ClassName(), "Counted");
        EXPECT_EQ(copy->ParentClassName(), "MBaseObject");
        EXPECT_NE(dynamic_cast<Counted*>(copy.Get()), nullptr);
        EXPECT_EQ(copy->GetName(), "A");
        EXPECT_EQ(copy->GetParamByName("Fr"), "1");
        EXPECT_FALSE(copy->HasFlags(OBJ_SELECTED));
        copy->SetParamByName("Fr", "5");
        EXPECT_EQ(src->GetParamByName("Fr"), "1");
        EXPECT_EQ(Counted::live, 2);
    }
    EXPECT_EQ(Counted::live, 0);

    MRef<MBaseObject> base(new MBaseObject());
    base->SetName("plain");
    MRef<MBaseObject> baseCopy(base->CreateNew());
    EXPECT_EQ(baseCopy->ClassName(), "MBaseObject");
    EXPECT_EQ(baseCopy->GetName(), "plain");
}
