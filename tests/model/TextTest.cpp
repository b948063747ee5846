#include "MImage.h"
#include "MImageFile.h"
#include "MNameIndex.h"
#include "MStr.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

TEST(MStr, CutsFoldsSplitsFormatsAndNameIndexFindsEachNameUntilItsLastBearerLeaves)
{
    const MStr s("abc");
    for (auto [n, cut] : {std::pair{-4, "||abc"}, {0, "||abc"}, {2, "ab|bc|c"}, {99, "abc|abc|"}})
        EXPECT_EQ(s.Left(n) + "|" + s.Right(n) + "|" + s.Mid(n), cut) << n;
    EXPECT_EQ(s.Mid(1, 1), "b");
    EXPECT_EQ(MStr("AZaz@[`{").Lowered(), "azaz@[`{");
    EXPECT_EQ(MStr("RgbGen").CompareNoCase("rGBgEN"), 0);
    EXPECT_LT(MStr("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(MStr("abcd").CompareNoCase("ABC"), 0);
    EXPECT_LT(MStr("ab").CompareNoCase("ABC"), 0);
    MStr path("textures\\base\\a.tga"), same("aaa");
    EXPECT_EQ(path.Replace("\\", "/"), 2);
    EXPECT_EQ(path, "textures/base/a.tga");
    EXPECT_EQ(same.Replace("a", "aa"), 3);
    EXPECT_EQ(same, "aaaaaa");
    MStr drive, dir, title, ext;
    MStr("C:\\maps\\x.shader.bak").SplitPath(&drive, &dir, &title, &ext);
    EXPECT_EQ(drive + "|" + dir + "|" + title + "|" + ext, "C:|\\maps\\|x.shader|.bak");
    MStr("scripts/noext").SplitPath(nullptr, &dir, &title, &ext);
    EXPECT_EQ(dir + "|" + title + "|" + ext, "scripts/|noext|");
    const std::string big(1000, 'x');
    EXPECT_EQ(MStr::Printf("%s-%i", big.c_str(), 42).str(), big + "-42");
    EXPECT_EQ(MStr("12abc").ToInt() + MStr("x").ToInt(), 12);
    MNameIndex index;
    std::vector<MRef<MBaseObject>> o;
    for (const char* n : {"Layer1", "Layer01", "Layer", "7", "Layer4000000000", "Layer999999",
                          "x/y_12", "Layer123456789", "Shader5000000", "Shader3", "Shader70",
                          "Shader1", "Shader100000", "Shader5000001", "Node5", "Node5", "Node5"})
    {
        o.emplace_back(new Counted(n));
        index.Add(o.back().Get());
    }
    EXPECT_EQ(index.GetCount(), o.size());
    for (size_t i = 0; i < 14; ++i)
        EXPECT_EQ(index.Find(o[i]->GetName().str()), o[i].Get()) << o[i]->GetName().c_str();
    for (const char* absent : {"Layer001", "Layer2", "x/y_", "Layer999998", "Shader2", "Shader0"})
        EXPECT_EQ(index.Find(absent), nullptr) << absent;
    index.Remove(o[8].Get());
    EXPECT_EQ(index.Find("Shader5000000"), nullptr);
    EXPECT_EQ(index.Find("Shader5000001"), o[13].Get());
    // A shared name stays found until its last bearer leaves.
    index.Remove(o[14].Get());
    EXPECT_NE(index.Find("Node5"), nullptr);
    EXPECT_NE(index.Find("Node5"), o[14].Get());
    index.Remove(o[16].Get());
    EXPECT_EQ(index.Find("Node5"), o[15].Get());
    index.Remove(o[16].Get()); // not there any more: nothing happens
    EXPECT_EQ(index.GetCount(), 14u);
    for (const auto& obj : o)
        index.Remove(obj.Get());
    EXPECT_EQ(index.GetCount(), 0u);
    for (const auto& obj : o)
        EXPECT_EQ(index.Find(obj->GetName().str()), nullptr);
}
TEST(MImage, BadSizesBuffersAndDecodesChangeNothingAndAreLogged)
{
    MImage image;
    ASSERT_TRUE(image.SetSize(3, 2, true));
    EXPECT_EQ(image.GetColourBuffer()[0] + image.GetAlphaBuffer()[5], 255);
    image.GetColourBuffer()[17] = 42;
    for (auto [w, h] : {std::pair{0, 2}, {3, 0}, {-1, 2}, {3, -5}, {MImage::kMaxSide + 1, 1}})
        EXPECT_FALSE(image.SetSize(w, h)) << w << " x " << h;
    EXPECT_FALSE(image.SetColourBuffer(4, 2, std::vector<uint8_t>(4 * 2 * 3 - 1, 7)));
    EXPECT_FALSE(image.SetColourBuffer(0, 2, std::vector<uint8_t>(4 * 2 * 3, 7)));
    EXPECT_EQ(std::pair(image.GetWidth(), image.GetHeight()), std::pair(3, 2));
    EXPECT_EQ(std::pair(int(image.GetColourBuffer()[17]), image.HasAlpha()), std::pair(42, true));
    // Rows are swapped whole, colour and alpha alike.
    for (int i = 0; i < 6; ++i)
        image.GetColourBuffer()[i * 3] = image.GetAlphaBuffer()[i] = uint8_t(i / 3);
    image.FlipVertical();
    EXPECT_EQ(std::pair(image.GetColourBuffer()[3 * 3], image.GetAlphaBuffer()[0]),
              std::pair(uint8_t(0), uint8_t(1))); // rows 0 and 1 changed places
    ASSERT_TRUE(image.SetColourBuffer(4, 1, std::vector<uint8_t>(12, 9)));
    EXPECT_EQ(image.GetAlphaBuffer(), nullptr);
    image.SetHasAlpha(true);
    EXPECT_EQ(image.GetAlphaBuffer()[3], 255);
    image.Clear();
    EXPECT_EQ(image.GetColourBuffer(), nullptr);
    image.FlipVertical(); // nothing to do, nothing touched
    EXPECT_EQ(image.GetHeight(), 0);
    TestSystem sys;
    TempDir dir;
    const MImageDecoder decode = [](const std::vector<uint8_t>& file, MImage& out, const char*& why)
    {
        why = "too short";
        return file.size() >= 2 && out.SetSize(int(file.size()), 1);
    };
    const uint8_t bytes[] = {1, 2, 3};
    MImage img;
    EXPECT_FALSE(DecodeImageData("T", "mem", bytes, 1, &img, decode) ||
                 DecodeImageData("T", "mem", nullptr, 3, &img, decode) ||
                 DecodeImageData("T", "mem", bytes, 3, nullptr, decode));
    EXPECT_EQ(img.GetWidth(), 0);
    EXPECT_EQ(sys.log.lines, std::vector<std::string>{"T: 'mem' not read: too short."});
    ASSERT_TRUE(DecodeImageData("T", "mem", bytes, 3, &img, decode));
    EXPECT_EQ(img.GetWidth(), 3);
    const std::string path = dir.Write("a.bin", "xy");
    ASSERT_TRUE(ImportImageFile("T", path, &img, decode));
    EXPECT_EQ(img.GetWidth(), 2);
    EXPECT_FALSE(ImportImageFile("T", path + "x", &img, decode));
    EXPECT_EQ(sys.log.lines.size(), 2u);
    uint8_t head[3] = {};
    EXPECT_TRUE(ReadImageFileHead(path, head, 2));
    EXPECT_EQ(head[1], 'y');
    EXPECT_FALSE(ReadImageFileHead(path, head, 3));
}
