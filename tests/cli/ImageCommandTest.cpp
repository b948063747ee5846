#include "ImageCommand.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

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
    long FilesInDir() const
    {
        return std::distance(std::filesystem::directory_iterator(dir.Path()), {});
    }
    TestSystem sys;
    TempDir dir;
    std::string errors;
    const std::string jpeg = (TestDataDir() / "images" / "rgb4x2.jpg").string();
};

// A square 32-bit Targa, pixels in BGRA from the bottom row up.
std::string Tga32(char size, const std::string& bgra)
{
    return std::string("\0\0\2\0\0\0\0\0\0\0\0\0", 12) + size + '\0' + size +
           std::string("\0\x20\0", 3) + bgra;
}
} // namespace

TEST_F(ImageCommand, FailuresWriteNothingAndThePpmGoesOverAnOldOutputWithAlphaBesideIt)
{
    const std::string text = dir.Write("notes.txt", "neither a Targa nor a JPEG, really");
    // Taken by the Targa translator (type 2 header) but cut short.
    const std::string cut = dir.Write("cut.tga", Tga32(4, std::string(10, '\0')));
    const std::string a = Out("a.ppm");
    const struct
    {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{text, "-o", a}, 1, "no image translator"},
        {{cut, "-o", a}, 1, "could not read"},
        {{Out("missing.jpg"), "-o", a}, 1, "cannot open '" + Out("missing.jpg") + "'"},
        {{jpeg, "-o", Out("no/such/folder/x.ppm")}, 1, "cannot write"},
        {{}, 2, "usage"},
        {{jpeg}, 2, "usage"},
        {{"-o", a}, 2, "usage"},
        {{jpeg, "-o"}, 2, "usage"},
        {{jpeg, jpeg, "-o", a}, 2, "usage"},
        {{jpeg, "-o", a, "-o", Out("b.ppm")}, 2, "usage"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(Run(c.args), c.code);
        EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
        // A file that cannot be opened is not blamed on the translators.
        EXPECT_EQ(errors.find("no image translator") != std::string::npos,
                  c.message == "no image translator")
            << errors;
    }
    EXPECT_EQ(FilesInDir(), 2) << "only the inputs";

    dir.Write("a.ppm", "old contents that are longer than the new picture");
    ASSERT_EQ(Run({jpeg, "-o", Out("a.ppm")}), 0) << errors;
    EXPECT_EQ(ReadWholeFile(Out("a.ppm")), ReadWholeFile(TestDataDir() / "images" / "rgb4x2.ppm"));
    EXPECT_EQ(FilesInDir(), 3) << "no alpha picture, no leftovers";

    // 2 x 2: bottom row (file first) blue a=1, green a=2; top row red a=3, white a=4.
    const std::string tga =
        dir.Write("in/t.tga", Tga32(2, {"\xFF\0\0\1\0\xFF\0\2\0\0\xFF\3\xFF\xFF\xFF\4", 16}));
    ASSERT_EQ(Run({"-o", Out("t.ppm"), tga}), 0) << errors;
    EXPECT_EQ(ReadWholeFile(Out("t.ppm")),
              std::string("P6\n2 2\n255\n\xFF\x00\x00\xFF\xFF\xFF\x00\x00\xFF\x00\xFF\x00", 23));
    EXPECT_EQ(ReadWholeFile(Out("t.alpha.pgm")), std::string("P5\n2 2\n255\n\x03\x04\x01\x02", 15));
    for (auto [ppm, pgm] : {std::pair{"A.PPM", "A.alpha.pgm"},
                            {"picture", "picture.alpha.pgm"},
                            {".ppm", ".ppm.alpha.pgm"}})
        EXPECT_EQ(AlphaFileNameFor(ppm), pgm);
}
