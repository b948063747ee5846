#include "MNameIndex.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
struct Indexed
{
    explicit Indexed(std::initializer_list<std::string> names)
    {
        for (const std::string& n : names)
        {
            objects.emplace_back(new Counted(n.c_str()));
            index.Add(objects.back().Get());
        }
    }
    MNameIndex index;
    std::vector<MRef<MBaseObject>> objects;
};
} // namespace

TEST(NameIndex, FindsNamesOfEveryShapeAndOnlyThem)
{
    Indexed t{"Layer1",          "Layer01",      "Layer",    "7",
              "Layer4000000000", "Layer999999",  "x/y_12",   "Layer123456789",
              "Shader5000000",   "Shader3",      "Shader70", "Shader1",
              "Shader100000",    "Shader5000001"};
    EXPECT_EQ(t.index.GetCount(), t.objects.size());
    for (const auto& o : t.objects)
        EXPECT_EQ(t.index.Find(o->GetName().str()), o.Get()) << o->GetName().c_str();
    for (const char* absent : {"Layer001", "Layer2", "x/y_", "Layer999998", "Shader2", "Shader0"})
        EXPECT_EQ(t.index.Find(absent), nullptr) << absent;

    t.index.Remove(t.objects[8].Get());
    EXPECT_EQ(t.index.Find("Shader5000000"), nullptr);
    EXPECT_EQ(t.index.Find("Shader5000001"), t.objects.back().Get());
    for (const auto& o : t.objects)
        t.index.Remove(o.Get());
    EXPECT_EQ(t.index.GetCount(), 0u);
    for (const auto& o : t.objects)
        EXPECT_EQ(t.index.Find(o->GetName().str()), nullptr);
}

TEST(NameIndex, ASharedNameStaysFoundUntilItsLastBearerLeaves)
{
    Indexed t{"Node5", "Node5", "Node5"};
    MBaseObject *a = t.objects[0].Get(), *b = t.objects[1].Get(), *c = t.objects[2].Get();
    t.index.Remove(a);
    EXPECT_NE(t.index.Find("Node5"), nullptr);
    EXPECT_NE(t.index.Find("Node5"), a);
    t.index.Remove(c);
    EXPECT_EQ(t.index.Find("Node5"), b);
    t.index.Remove(c); // not there any more: nothing happens
    EXPECT_EQ(t.index.GetCount(), 1u);
    t.index.Remove(b);
    EXPECT_EQ(t.index.Find("Node5"), nullptr);
    EXPECT_EQ(t.index.GetCount(), 0u);
}
