#include "MStr.h"
#include "MStrList.h"

#include <gtest/gtest.h>

TEST(MStr, CutsClampCountsOutsideTheText)
{
    const MStr s("abc");
    const struct
    {
        int n;
        const char *left, *right, *mid;
    } cases[] = {
        {-4, "", "", "abc"}, {0, "", "", "abc"}, {2, "ab", "bc", "c"}, {99, "abc", "abc", ""}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(s.Left(c.n), c.left);
        EXPECT_EQ(s.Right(c.n), c.right);
        EXPECT_EQ(s.Mid(c.n), c.mid);
    }
    EXPECT_EQ(s.Mid(1, 1), "b");
}

TEST(MStr, CaseFoldingCoversTheWholeAlphabetOnly)
{
    EXPECT_EQ(MStr("AZaz@[`{").Lowered(), "azaz@[`{");
    EXPECT_EQ(MStr("RgbGen").CompareNoCase("rGBgEN"), 0);
    EXPECT_LT(MStr("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(MStr("abcd").CompareNoCase("ABC"), 0);
    EXPECT_LT(MStr("ab").CompareNoCase("ABC"), 0);
    EXPECT_NE(MStr("@").CompareNoCase("`"), 0); // one apart from 'A' and 'a'
    EXPECT_TRUE(MStr("Zed").EqualsNoCase("zED"));
}

TEST(MStr, ReplaceSplitPathFormatAndToInt)
{
    MStr path("textures\\base\\a.tga");
    EXPECT_EQ(path.Replace("\\", "/"), 2);
    EXPECT_EQ(path, "textures/base/a.tga");
    MStr same("aaa");
    EXPECT_EQ(same.Replace("a", "aa"), 3);
    EXPECT_EQ(same, "aaaaaa");

    MStr drive, dir, title, ext;
    MStr("C:\\maps\\x.shader.bak").SplitPath(&drive, &dir, &title, &ext);
    EXPECT_EQ(drive + "|" + dir + "|" + title + "|" + ext, "C:|\\maps\\|x.shader|.bak");
    MStr("scripts/noext").SplitPath(nullptr, &dir, &title, &ext);
    EXPECT_EQ(dir + "|" + title + "|" + ext, "scripts/|noext|");

    const std::string big(1000, 'x');
    EXPECT_EQ(MStr::Printf("%s-%i", big.c_str(), 42).str(), big + "-42");
    EXPECT_EQ(MStr("12abc").ToInt(), 12);
    EXPECT_EQ(MStr("x").ToInt(), 0);
    MStrList list;
    list.AddString("a");
    EXPECT_EQ(list.GetString(5), "");
}
