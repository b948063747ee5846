#include "MImage.h"
#include "MJPGTranslator.h"
#include "MTGATranslator.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// A decoded netpbm picture (P5 or P6), widened to three bytes a pixel.
struct Pnm
{
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

bool ParsePnm(const std::string& bytes, Pnm& out)
{
    int maxval = 0, consumed = 0;
    char magic[3] = {};
    if (std::sscanf(bytes.c_str(), "%2s %d %d %d%n", magic, &out.width, &out.height, &maxval,
                    &consumed) != 4 ||
        maxval != 255)
        return false;
    const bool grey = std::string(magic) == "P5";
    if (!grey && std::string(magic) != "P6")
        return false;
    const size_t start = size_t(consumed) + 1; // one white-space byte ends the header
    const size_t pixels = size_t(out.width) * size_t(out.height);
    if (bytes.size() != start + pixels * (grey ? 1 : 3))
        return false;
    out.rgb.clear();
    for (size_t i = 0; i < pixels; ++i)
        for (int c = 0; c < 3; ++c)
            out.rgb.push_back(uint8_t(bytes[start + (grey ? i : i * 3 + size_t(c))]));
    return true;
}

bool HaveDjpeg()
{
    return std::system("djpeg -version </dev/null >/dev/null 2>&1") == 0;
}

// What `djpeg -ppm` makes of a file, with its default settings.
bool DecodeWithDjpeg(const fs::path& jpeg, const TempDir& dir, Pnm& out)
{
    const fs::path ppm = dir.Path() / (jpeg.filename().string() + ".ppm");
    const std::string command =
        "djpeg -ppm -outfile '" + ppm.string() + "' '" + jpeg.string() + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && ParsePnm(ReadWholeFile(ppm), out);
}

void ExpectSamePixels(const MImage& image, const Pnm& reference)
{
    ASSERT_EQ(image.GetWidth(), reference.width);
    ASSERT_EQ(image.GetHeight(), reference.height);
    ASSERT_NE(image.GetColourBuffer(), nullptr);
    size_t differing = 0;
    for (size_t i = 0; i < reference.rgb.size(); ++i)
        differing += image.GetColourBuffer()[i] != reference.rgb[i];
    EXPECT_EQ(differing, 0u) << "bytes that differ from the reference decoder";
}

MImage MarkedImage()
{
    MImage image;
    EXPECT_TRUE(image.SetSize(2, 1, true));
    for (int i = 0; i < 6; ++i)
        image.GetColourBuffer()[i] = uint8_t(40 + i);
    image.GetAlphaBuffer()[1] = 9;
    return image;
}

void ExpectStillMarked(const MImage& image)
{
    ASSERT_EQ(image.GetWidth(), 2);
    ASSERT_EQ(image.GetHeight(), 1);
    ASSERT_TRUE(image.HasAlpha());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image.GetColourBuffer()[i], 40 + i);
    EXPECT_EQ(image.GetAlphaBuffer()[1], 9);
}

fs::path Corpus(const char* name)
{
    return CorpusDir() / "images" / name;
}
fs::path Fixture(const char* name)
{
    return TestDataDir() / "images" / name;
}

class JpgTranslator : public ::testing::Test
{
  protected:
    void ExpectRefused(const std::string& bytes, const std::string& what)
    {
        SCOPED_TRACE(what);
        MImage image = MarkedImage();
        EXPECT_FALSE(jpg.ImportImage(dir.Write("bad.jpg", bytes), &image));
        ExpectStillMarked(image);
    }

    TestSystem sys;
    TempDir dir;
    MJPGTranslator jpg;
};
} // namespace

TEST_F(JpgTranslator, FixturesDecodeToTheReferenceDecodersPixels)
{
    // Fixtures made with cjpeg and decoded with `djpeg -ppm`: colour with full
    // chroma, grey (widened to RGB), progressive.
    for (auto [jpeg, reference] : {std::pair{"rgb4x2.jpg", "rgb4x2.ppm"},
                                   {"grey8.jpg", "grey8.pgm"},
                                   {"progressive16.jpg", "progressive16.ppm"}})
    {
        SCOPED_TRACE(jpeg);
        Pnm expected;
        ASSERT_TRUE(ParsePnm(ReadWholeFile(Fixture(reference)), expected));
        MImage image;
        image.SetSize(1, 1, true);
        ASSERT_TRUE(jpg.CanImportFile(Fixture(jpeg).string()));
        ASSERT_TRUE(jpg.ImportImage(Fixture(jpeg).string(), &image));
        EXPECT_FALSE(image.HasAlpha());
        ExpectSamePixels(image, expected);
    }
}

TEST_F(JpgTranslator, FourByTwoColourPictureKeepsItsFirstRowFirst)
{
    MImage image;
    ASSERT_TRUE(jpg.ImportImage(Fixture("rgb4x2.jpg").string(), &image));
    ASSERT_EQ(image.GetWidth(), 4);
    ASSERT_EQ(image.GetHeight(), 2);
    // Top row red, green, blue, white; bottom row black, yellow, cyan, magenta
    // (within the loss of the encoding).
    const int expected[8][3] = {{255, 0, 0}, {0, 255, 0},   {0, 0, 255},   {255, 255, 255},
                                {0, 0, 0},   {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
    for (int p = 0; p < 8; ++p)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(image.GetColourBuffer()[p * 3 + c], expected[p][c], 4) << "pixel " << p;
}

TEST_F(JpgTranslator, CorpusPicturesDecodeExactlyAsDjpegDoes)
{
    if (!HaveDjpeg())
        GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
    for (const char* name :
         {"oa-beam_dusty2.jpg", "oa-fog-darkgreen.jpg", "oa-ice.jpg", "oa-jumpcircneutral.jpg",
          "exifsamples-fujifilm-finepix40i.jpg", "jpegdecoder-jpg-gray.jpg"})
    {
        SCOPED_TRACE(name);
        Pnm expected;
        ASSERT_TRUE(DecodeWithDjpeg(Corpus(name), dir, expected));
        MImage image;
        ASSERT_TRUE(jpg.ImportImage(Corpus(name).string(), &image));
        ExpectSamePixels(image, expected);
    }
}

TEST_F(JpgTranslator, RecognisesJfifAndExifFilesButNotTargasOrShortFiles)
{
    EXPECT_TRUE(jpg.CanImportFile(Corpus("oa-fog-darkgreen.jpg").string()));
    EXPECT_TRUE(jpg.CanImportFile(Corpus("exifsamples-fujifilm-finepix40i.jpg").string()))
        << "Exif segment first, no JFIF";
    // Adobe segment first: start-of-image, then an APP14 marker.
    std::string adobe = "\xFF\xD8\xFF\xEE";
    adobe += std::string("\x00\x0E", 2) + "Adobe" + std::string(7, '\0');
    EXPECT_TRUE(jpg.CanImportFile(dir.Write("adobe.jpg", adobe)));
    std::string jfifOnly(10, '\0');
    jfifOnly.replace(6, 4, "JFIF");
    EXPECT_TRUE(jpg.CanImportFile(dir.Write("jfif.bin", jfifOnly)));

    // A Targa named .jpg is not a JPEG, whatever its name.
    fs::copy_file(Corpus("tga-conformance/utc24.tga"), dir.Path() / "utc24.jpg");
    EXPECT_FALSE(jpg.CanImportFile((dir.Path() / "utc24.jpg").string()));
    EXPECT_FALSE(jpg.CanImportFile(dir.Write("short.jpg", "\xFF\xD8\xFF\xE0\x00\x10JFI")));
    EXPECT_FALSE(jpg.CanImportFile(
        dir.Write("two.jpg", std::string("\xFF\xD8\xFE\x00\x10JFIF\x00\x01", 12))))
        << "no marker after the start of image";
    EXPECT_FALSE(jpg.CanImportFile(""));
    EXPECT_FALSE(jpg.CanImportFile((dir.Path() / "missing.jpg").string()));
    EXPECT_FALSE(jpg.CanImportFile(dir.Path().string()));

    // The Targa translator does not take JPEGs either, so the manager finds the right one.
    MTGATranslator tga;
    EXPECT_FALSE(tga.CanImportFile(Corpus("exifsamples-fujifilm-finepix40i.jpg").string()));
    EXPECT_FALSE(tga.CanImportFile(Corpus("oa-ice.jpg").string()));
}

TEST_F(JpgTranslator, BackslashesInTheNameBecomeSlashes)
{
    fs::create_directories(dir.Path() / "textures" / "base");
    fs::copy_file(Fixture("rgb4x2.jpg"), dir.Path() / "textures" / "base" / "a.jpg");
    const std::string name = (dir.Path() / "textures\\base\\a.jpg").string();
    EXPECT_TRUE(jpg.CanImportFile(name));
    MImage image;
    EXPECT_TRUE(jpg.ImportImage(name, &image));
    EXPECT_EQ(image.GetWidth(), 4);
}

TEST_F(JpgTranslator, CmykAndYcckPicturesAreRefused)
{
    const std::string cmyk = ReadWholeFile(Corpus("jpegdecoder-jpg-cmyk-1.jpg"));
    ExpectRefused(cmyk, "CMYK");
    // The Adobe segment's transform byte turns the same data into YCCK.
    const size_t adobe = cmyk.find("Adobe");
    ASSERT_NE(adobe, std::string::npos);
    std::string ycck = cmyk;
    ASSERT_EQ(ycck[adobe + 11], '\0');
    ycck[adobe + 11] = 2;
    ExpectRefused(ycck, "YCCK");
}

TEST_F(JpgTranslator, TruncatedFilesAreRefusedAndTheProgramGoesOn)
{
    for (const char* name : {"rgb4x2.jpg", "progressive16.jpg", "grey8.jpg"})
    {
        const std::string whole = ReadWholeFile(Fixture(name));
        for (size_t keep : {size_t(0), size_t(2), size_t(20), whole.size() / 3, whole.size() / 2,
                            whole.size() - 40, whole.size() - 2})
            ExpectRefused(whole.substr(0, keep),
                          std::string(name) + " cut at " + std::to_string(keep));
    }
    const std::string big = ReadWholeFile(Corpus("oa-jumpcircneutral.jpg"));
    ExpectRefused(big.substr(0, big.size() * 3 / 4), "large picture cut short");
    EXPECT_FALSE(sys.log.lines.empty()) << "the reason is logged";
}

TEST_F(JpgTranslator, CorruptHeadersAreRefused)
{
    const std::string whole = ReadWholeFile(Fixture("rgb4x2.jpg"));
    const size_t sof = whole.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);

    std::string precision = whole;
    precision[sof + 4] = 12; // 12-bit samples
    ExpectRefused(precision, "12-bit precision");

    std::string noComponents = whole;
    noComponents[sof + 9] = 0;
    ExpectRefused(noComponents, "no components");

    std::string zeroWidth = whole;
    zeroWidth[sof + 7] = 0;
    zeroWidth[sof + 8] = 0;
    ExpectRefused(zeroWidth, "zero width");

    const size_t dht = whole.find("\xFF\xC4");
    ASSERT_NE(dht, std::string::npos);
    std::string badTable = whole;
    for (size_t i = dht + 5; i < dht + 21; ++i)
        badTable[i] = char(0xFF); // code counts that overflow the code space
    ExpectRefused(badTable, "bad Huffman table");

    ExpectRefused("\xFF\xD8\xFF\xD9", "no image between start and end");
    ExpectRefused(std::string(64, 'x'), "not a JPEG at all");
}

TEST_F(JpgTranslator, DataShortOfTheClaimedPictureIsRefusedAsDamaged)
{
    // Each case ends in a proper end-of-image marker, so the library would
    // otherwise make up the missing rows; the read stops where the data does.
    const std::string small = ReadWholeFile(Fixture("rgb4x2.jpg"));
    const size_t sof = small.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    auto withSize = [&](int width, int height)
    {
        std::string bytes = small;
        bytes[sof + 5] = char(height >> 8);
        bytes[sof + 6] = char(height & 0xFF);
        bytes[sof + 7] = char(width >> 8);
        bytes[sof + 8] = char(width & 0xFF);
        return bytes;
    };
    const std::string big = ReadWholeFile(Corpus("oa-jumpcircneutral.jpg"));
    const std::string cut = big.substr(0, big.size() / 2) + "\xFF\xD9";
    const std::string damaged = "the data ends before the last scan line";
    const std::string huge = "out of all proportion to the file's size";
    const struct
    {
        std::string bytes, what, reason;
    } cases[] = {
        {cut, "scan data cut in half", damaged},
        {withSize(256, 256), "a few rows of data for 256 x 256", damaged},
        {withSize(32768, 32768), "32768 x 32768 claimed by a small file", huge},
        {withSize(2000, 1000), "two million pixels from under a kilobyte", huge},
    };
    for (const auto& c : cases)
    {
        sys.log.lines.clear();
        ExpectRefused(c.bytes, c.what);
        bool logged = false;
        for (const std::string& line : sys.log.lines)
            logged = logged || (line.find("not read") != std::string::npos &&
                                line.find(c.reason) != std::string::npos);
        EXPECT_TRUE(logged) << c.what;
        // The same holds for data read from memory.
        MImage image;
        EXPECT_FALSE(MJPGTranslator::ImportImageData(
            reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), c.what, &image))
            << c.what;
    }
}

TEST_F(JpgTranslator, WarningsAloneDoNotRefuseThePicture)
{
    // Stray bytes before a marker: the library warns and reads on.
    std::string whole = ReadWholeFile(Fixture("rgb4x2.jpg"));
    const size_t sof = whole.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    whole.insert(sof, "\x01\x02\x03");
    MImage image;
    ASSERT_TRUE(jpg.ImportImage(dir.Write("stray.jpg", whole), &image));
    Pnm expected;
    ASSERT_TRUE(ParsePnm(ReadWholeFile(Fixture("rgb4x2.ppm")), expected));
    ExpectSamePixels(image, expected);
}

TEST_F(JpgTranslator, NullImageEmptyNameAndMissingFileAreRefused)
{
    EXPECT_FALSE(jpg.ImportImage(Fixture("rgb4x2.jpg").string(), nullptr));
    MImage image = MarkedImage();
    EXPECT_FALSE(jpg.ImportImage("", &image));
    EXPECT_FALSE(jpg.ImportImage((dir.Path() / "missing.jpg").string(), &image));
    EXPECT_FALSE(jpg.ImportImage(dir.Path().string(), &image));
    const std::string fifo = (dir.Path() / "pipe.jpg").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(jpg.CanImportFile(fifo)) << "a pipe is neither read nor waited on";
    EXPECT_FALSE(jpg.ImportImage(fifo, &image));
    ExpectStillMarked(image);
}
