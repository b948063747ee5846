#include "MStr.h"
#include "MStrList.h"

#include <gtest/gtest.h>

TEST(MStr, LeftClampsCountsOutsideTheText)
{
    const MStr s("abc");
    EXPECT_EQ(s.Left(-4), "");
    EXPECT_EQ(s.Left(0), "");
    EXPECT_EQ(s.Left(2), "ab");
    EXPECT_EQ(s.Left(99), "abc");
    EXPECT_EQ(MStr().Left(3), "");
}

TEST(MStr, CompareNoCaseAndReplace)
{
    EXPECT_EQ(MStr("RgbGen").CompareNoCase("rgbgen"), 0);
    EXPECT_LT(MStr("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(MStr("abcd").CompareNoCase("ABC"), 0);
    MStr path("textures\\base\\a.tga");
    EXPECT_EQ(path.Replace("\\", "/"), 2);
    EXPECT_EQ(path, "textures/base/a.tga");
    MStr same("aaa");
    EXPECT_EQ(same.Replace("a", "aa"), 3);
    EXPECT_EQ(same, "aaaaaa");
}

TEST(MStr, SplitPathGivesFolderTitleAndExtensionWithDot)
{
    MStr drive, dir, title, ext;
    MStr("C:\\maps\\x.shader.bak").SplitPath(&drive, &dir, &title, &ext);
    EXPECT_EQ(drive, "C:");
    EXPECT_EQ(dir, "\\maps\\");
    EXPECT_EQ(title, "x.shader");
    EXPECT_EQ(ext, ".bak");
    MStr("scripts/noext").SplitPath(nullptr, &dir, &title, &ext);
    EXPECT_EQ(dir, "scripts/");
    EXPECT_EQ(title, "noext");
    EXPECT_EQ(ext, "");
}

TEST(MStr, FormatHandlesLongOutputAndToInt)
{
    MStr s;
    const std::string big(1000, 'x');
    s.Format("%s-%i", big.c_str(), 42);
    EXPECT_EQ(s.GetLength(), 1003);
    EXPECT_EQ(s.Right(3), "-42");
    EXPECT_EQ(MStr("12abc").ToInt(), 12);
    EXPECT_EQ(MStr("x").ToInt(), 0);
    MStrList list;
    list.AddString("a");
    EXPECT_EQ(list.GetString(0), "a");
    EXPECT_EQ(list.GetString(5), "");
}
