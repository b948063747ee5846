#include "MNameIndex.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
MRef<MBaseObject> Named(const char* name)
{
    MRef<MBaseObject> o(new Counted(name));
    return o;
}
} // namespace

TEST(NameIndex, FindsNamesWithAndWithoutNumbersOfEveryShape)
{
    MNameIndex index;
    std::vector<MRef<MBaseObject>> objects;
    for (const char* name : {"Layer1", "Layer01", "Layer", "7", "Layer4000000000", "Layer999999",
                             "x/y_12", "Layer123456789"})
    {
        objects.push_back(Named(name));
        index.Add(objects.back().Get());
    }
    EXPECT_EQ(index.GetCount(), objects.size());
    for (const auto& o : objects)
        EXPECT_EQ(index.Find(o->GetName().str()), o.Get()) << o->GetName().c_str();
    // Same number, other spelling: different names.
    EXPECT_EQ(index.Find("Layer001"), nullptr);
    EXPECT_EQ(index.Find("Layer2"), nullptr);
    EXPECT_EQ(index.Find("x/y_"), nullptr);
    EXPECT_EQ(index.Find("Layer999998"), nullptr);

    for (const auto& o : objects)
        index.Remove(o.Get());
    EXPECT_EQ(index.GetCount(), 0u);
    for (const auto& o : objects)
        EXPECT_EQ(index.Find(o->GetName().str()), nullptr);
}

TEST(NameIndex, ASharedNameStaysFoundUntilItsLastBearerLeaves)
{
    MNameIndex index;
    auto a = Named("Node5"), b = Named("Node5"), c = Named("Node5");
    index.Add(a.Get());
    index.Add(b.Get());
    index.Add(c.Get());
    index.Remove(a.Get());
    EXPECT_NE(index.Find("Node5"), nullptr);
    EXPECT_NE(index.Find("Node5"), a.Get());
    index.Remove(c.Get());
    EXPECT_EQ(index.Find("Node5"), b.Get());
    index.Remove(c.Get()); // not there any more: nothing happens
    EXPECT_EQ(index.GetCount(), 1u);
    index.Remove(b.Get());
    EXPECT_EQ(index.Find("Node5"), nullptr);
    EXPECT_EQ(index.GetCount(), 0u);
}

TEST(NameIndex, NumbersAddedOutOfOrderAndFarApartAreAllFound)
{
    MNameIndex index;
    std::vector<MRef<MBaseObject>> objects;
    for (unsigned n : {5000000u, 3u, 70u, 1u, 100000u, 2u, 5000001u, 150u})
    {
        objects.push_back(Named(("Shader" + std::to_string(n)).c_str()));
        index.Add(objects.back().Get());
    }
    for (const auto& o : objects)
        EXPECT_EQ(index.Find(o->GetName().str()), o.Get()) << o->GetName().c_str();
    index.Remove(objects[0].Get());
    EXPECT_EQ(index.Find("Shader5000000"), nullptr);
    EXPECT_EQ(index.Find("Shader5000001"), objects[6].Get());
}
