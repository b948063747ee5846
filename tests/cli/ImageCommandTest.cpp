#include "ImageCommand.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
class ImageCommand : public ::testing::Test
{
  protected:
    void SetUp() override { ASSERT_EQ(sys.LoadPlugins(), 2); } // Pellow and PellowImages

    int Run(const std::vector<std::string>& args)
    {
        testing::internal::CaptureStderr();
        const int code = RunImageCommand(sys.manager, args);
        errors = testing::internal::GetCapturedStderr();
        return code;
    }
    std::string Out(const std::string& name) const { return (dir.Path() / name).string(); }
    std::vector<std::string> FilesInDir() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TestSystem sys;
    TempDir dir;
    std::string errors;
};

std::string Tga32(int width, int height, const std::string& bgraBottomUp)
{
    std::string h(18, '\0');
    h[2] = 2;
    h[12] = char(width);
    h[14] = char(height);
    h[16] = 32;
    return h + bgraBottomUp;
}
} // namespace

TEST(ImageCommandNames, AlphaPictureSitsBesideThePpm)
{
    EXPECT_EQ(AlphaFileNameFor("out/a.ppm"), "out/a.alpha.pgm");
    EXPECT_EQ(AlphaFileNameFor("A.PPM"), "A.alpha.pgm");
    EXPECT_EQ(AlphaFileNameFor("picture"), "picture.alpha.pgm");
    EXPECT_EQ(AlphaFileNameFor(".ppm"), ".ppm.alpha.pgm");
}

TEST_F(ImageCommand, JpegBecomesTheSamePpmDjpegWrites)
{
    const std::string jpeg = (TestDataDir() / "images" / "rgb4x2.jpg").string();
    ASSERT_EQ(Run({jpeg, "-o", Out("a.ppm")}), 0) << errors;
    EXPECT_EQ(ReadWholeFile(Out("a.ppm")), ReadWholeFile(TestDataDir() / "images" / "rgb4x2.ppm"));
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"a.ppm"}) << "no alpha picture, no leftovers";
}

TEST_F(ImageCommand, TargaWithAlphaWritesColourAndAlphaTopRowFirst)
{
    // 2 x 2: bottom row (file first) blue a=1, green a=2; top row red a=3, white a=4.
    const std::string pixels =
        std::string("\xFF\x00\x00\x01", 4) + std::string("\x00\xFF\x00\x02", 4) +
        std::string("\x00\x00\xFF\x03", 4) + std::string("\xFF\xFF\xFF\x04", 4);
    const std::string tga = dir.Write("in/t.tga", Tga32(2, 2, pixels));
    ASSERT_EQ(Run({"-o", Out("t.ppm"), tga}), 0) << errors;
    EXPECT_EQ(ReadWholeFile(Out("t.ppm")),
              std::string("P6\n2 2\n255\n\xFF\x00\x00\xFF\xFF\xFF\x00\x00\xFF\x00\xFF\x00", 23));
    EXPECT_EQ(ReadWholeFile(Out("t.alpha.pgm")), std::string("P5\n2 2\n255\n\x03\x04\x01\x02", 15));
}

TEST_F(ImageCommand, ReplacesAnOldOutputWhole)
{
    const std::string jpeg = (TestDataDir() / "images" / "grey8.jpg").string();
    dir.Write("g.ppm", "old contents that are longer than nothing");
    ASSERT_EQ(Run({jpeg, "-o", Out("g.ppm")}), 0) << errors;
    const std::string written = ReadWholeFile(Out("g.ppm"));
    EXPECT_EQ(written.rfind("P6\n8 8\n255\n", 0), 0u);
    EXPECT_EQ(written.size(), 11u + 8 * 8 * 3);
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"g.ppm"});
}

TEST_F(ImageCommand, FailuresExitWithOneAndAMessageAndWriteNothing)
{
    const std::string text = dir.Write("notes.txt", "neither a Targa nor a JPEG, really");
    EXPECT_EQ(Run({text, "-o", Out("x.ppm")}), 1);
    EXPECT_NE(errors.find("no image translator"), std::string::npos) << errors;

    // Taken by the Targa translator (type 2 header) but cut short.
    const std::string cut = dir.Write("cut.tga", Tga32(4, 4, std::string(10, '\0')));
    EXPECT_EQ(Run({cut, "-o", Out("x.ppm")}), 1);
    EXPECT_NE(errors.find("could not read"), std::string::npos) << errors;

    EXPECT_EQ(Run({Out("missing.jpg"), "-o", Out("x.ppm")}), 1);
    EXPECT_FALSE(errors.empty());

    const std::string jpeg = (TestDataDir() / "images" / "rgb4x2.jpg").string();
    EXPECT_EQ(Run({jpeg, "-o", Out("no/such/folder/x.ppm")}), 1);
    EXPECT_NE(errors.find("cannot write"), std::string::npos) << errors;
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"cut.tga", "notes.txt"}));
}

TEST_F(ImageCommand, UsageErrorsExitWithTwo)
{
    const std::string jpeg = (TestDataDir() / "images" / "rgb4x2.jpg").string();
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {jpeg},
             {"-o", Out("a.ppm")},
             {jpeg, "-o"},
             {jpeg, jpeg, "-o", Out("a.ppm")},
             {jpeg, "-o", Out("a.ppm"), "-o", Out("b.ppm")},
         })
    {
        EXPECT_EQ(Run(args), 2) << testing::PrintToString(args);
        EXPECT_NE(errors.find("usage"), std::string::npos);
    }
    EXPECT_TRUE(FilesInDir().empty());
}
