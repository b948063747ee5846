#include "MJPGTranslator.h"
#include "MTGATranslator.h"
#include "PluginTestSupport.h"

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{
// The image as the reference decoder writes it: P6, or P5 when the reference is grey (and then
// every pixel must be grey).
void ExpectSamePixels(const MImage& image, const std::string& reference)
{
    const bool grey = reference.rfind("P5", 0) == 0;
    std::string out = (grey ? "P5\n" : "P6\n") + std::to_string(image.GetWidth()) + " " +
                      std::to_string(image.GetHeight()) + "\n255\n";
    const uint8_t* c = image.GetColourBuffer();
    for (size_t i = 0; i < size_t(image.GetWidth()) * image.GetHeight() * 3; i += 3)
    {
        ASSERT_TRUE(!grey || (c[i] == c[i + 1] && c[i] == c[i + 2])) << "pixel " << i / 3;
        out.append(reinterpret_cast<const char*>(c + i), grey ? 1 : 3);
    }
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_TRUE(out == reference) << "the reference decoder's pixels";
}

fs::path Corpus(const char* name)
{
    return CorpusDir() / "images" / name;
}
std::string Fixture(const char* name)
{
    return (TestDataDir() / "images" / name).string();
}

class JpgTranslator : public ::testing::Test
{
  protected:
    TestSystem sys;
    TempDir dir;
    MJPGTranslator jpg;
};
} // namespace

// The fixtures come with djpeg's output: colour with full chroma, grey (widened to RGB),
// progressive, and colour with stray bytes before a marker (the library warns and reads on).
// The corpus pictures are given to djpeg here, when it is installed.
TEST_F(JpgTranslator, PicturesDecodeAsDjpegDoesAndOnlyJpegsAreTakenAndDamagedOnesRefused)
{
    std::string stray = ReadWholeFile(Fixture("rgb4x2.jpg"));
    stray.insert(stray.find("\xFF\xC0"), "\x01\x02\x03");
    std::vector<std::pair<std::string, std::string>> pictures = {
        {Fixture("rgb4x2.jpg"), Fixture("rgb4x2.ppm")},
        {Fixture("grey8.jpg"), Fixture("grey8.pgm")},
        {Fixture("progressive16.jpg"), Fixture("progressive16.ppm")},
        {dir.Write("stray.jpg", stray), Fixture("rgb4x2.ppm")}};
    const bool djpeg = std::system("djpeg -version </dev/null >/dev/null 2>&1") == 0;
    for (const char* name :
         {"oa-beam_dusty2.jpg", "oa-fog-darkgreen.jpg", "oa-ice.jpg", "oa-jumpcircneutral.jpg",
          "exifsamples-fujifilm-finepix40i.jpg", "jpegdecoder-jpg-gray.jpg"})
        if (djpeg)
            pictures.push_back({Corpus(name).string(), ""});
    for (auto [path, reference] : pictures)
    {
        SCOPED_TRACE(path);
        if (reference.empty())
        {
            reference = (dir.Path() / "djpeg.ppm").string();
            ASSERT_EQ(
                std::system(("djpeg -ppm -outfile '" + reference + "' '" + path + "'").c_str()), 0);
        }
        const std::string expected = ReadWholeFile(reference), bytes = ReadWholeFile(path);
        MImage image, fromMemory;
        image.SetSize(1, 1, true);
        ASSERT_TRUE(jpg.CanImportFile(path));
        ASSERT_TRUE(jpg.ImportImage(path, &image));
        ExpectSamePixels(image, expected);
        ASSERT_TRUE(jpg.ImportImageData(reinterpret_cast<const uint8_t*>(bytes.data()),
                                        bytes.size(), "memory", &fromMemory));
        ExpectSamePixels(fromMemory, expected);
    }

    fs::copy_file(Corpus("tga-conformance/utc24.tga"), dir.Path() / "utc24.jpg");
    fs::create_directories(dir.Path() / "textures" / "base");
    fs::copy_file(Fixture("rgb4x2.jpg"), dir.Path() / "textures" / "base" / "a.jpg");
    const std::string fifo = (dir.Path() / "pipe.jpg").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, bool> named[] = {
        {(dir.Path() / "textures\\base\\a.jpg").string(), true}, // backslashes become slashes
        {Corpus("exifsamples-fujifilm-finepix40i.jpg").string(), true}, // Exif first, no JFIF
        {Corpus("oa-fog-darkgreen.jpg").string(), true},
        // Adobe segment first: start-of-image, then an APP14 marker.
        {dir.Write("adobe.jpg", std::string("\xFF\xD8\xFF\xEE\x00\x0E", 6) + "Adobe1234567"), true},
        {dir.Write("jfif.bin", std::string(6, '\0') + "JFIF"), true},
        {(dir.Path() / "utc24.jpg").string(), false}, // a Targa, whatever its name
        {dir.Write("short.jpg", "\xFF\xD8\xFF\xE0\x00\x10JFI"), false},
        // No marker after the start of image.
        {dir.Write("two.jpg", std::string("\xFF\xD8\xFE\x00\x10JFIF\x00\x01", 12)), false},
        {"", false},
        {(dir.Path() / "missing.jpg").string(), false},
        {dir.Path().string(), false},
        {fifo, false}, // neither read nor waited on
    };
    for (const auto& [path, ok] : named)
        EXPECT_EQ(jpg.CanImportFile(path), ok) << path;
    MImage image;
    EXPECT_TRUE(jpg.ImportImage(named[0].first, &image));
    EXPECT_EQ(image.GetWidth(), 4);
    // The Targa translator does not take JPEGs either, so the manager finds the right one.
    MTGATranslator tga;
    EXPECT_FALSE(tga.CanImportFile(named[1].first));
    EXPECT_FALSE(tga.CanImportFile(Corpus("oa-ice.jpg").string()));

    const std::string small = ReadWholeFile(Fixture("rgb4x2.jpg"));
    const size_t sof = small.find("\xFF\xC0"), dht = small.find("\xFF\xC4");
    ASSERT_TRUE(sof != std::string::npos && dht != std::string::npos);
    auto changed = [&](size_t at, const std::string& bytes)
    { return std::string(small).replace(at, bytes.size(), bytes); };
    auto withSize = [&](int w, int h) {
        return changed(sof + 5, {char(h >> 8), char(h), char(w >> 8), char(w)});
    };
    std::string badTable = small; // code counts that overflow the code space
    badTable.replace(dht + 5, 16, std::string(16, '\xFF'));
    // The Adobe segment's transform byte turns the same data into YCCK.
    const std::string cmyk = ReadWholeFile(Corpus("jpegdecoder-jpg-cmyk-1.jpg"));
    std::string ycck = cmyk;
    ASSERT_EQ(ycck.at(cmyk.find("Adobe") + 11), '\0');
    ycck[cmyk.find("Adobe") + 11] = 2;
    // Cases ending in a proper end-of-image marker would otherwise have the library make up
    // the missing rows; the read stops where the data does.
    const std::string big = ReadWholeFile(Corpus("oa-jumpcircneutral.jpg"));
    const std::string damaged = "the data ends before the last scan line";
    const std::string huge = "out of all proportion to the file's size";
    std::vector<std::pair<std::string, std::string>> cases = {
        {cmyk, ""},
        {ycck, ""},
        {changed(sof + 4, {12}), ""}, // 12-bit precision
        {changed(sof + 9, {0}), ""},  // no components
        {withSize(0, 2), ""},
        {badTable, ""},
        {"\xFF\xD8\xFF\xD9", ""}, // no image between start and end
        {std::string(64, 'x'), ""},
        {big.substr(0, big.size() * 3 / 4), ""},
        {big.substr(0, big.size() / 2) + "\xFF\xD9", damaged},
        {withSize(256, 256), damaged},
        {withSize(32768, 32768), huge},
        {withSize(2000, 1000), huge}, // two million pixels from under a kilobyte
    };
    for (const char* name : {"rgb4x2.jpg", "progressive16.jpg", "grey8.jpg"})
    {
        const std::string whole = ReadWholeFile(Fixture(name));
        for (size_t keep : {size_t(0), size_t(2), size_t(20), whole.size() / 3, whole.size() / 2,
                            whole.size() - 40, whole.size() - 2})
            cases.push_back({whole.substr(0, keep), ""});
    }
    for (size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(i);
        ExpectRefused(jpg, sys.log, dir.Write("bad.jpg", cases[i].first),
                      cases[i].second.empty() ? "not read" : cases[i].second);
    }
    EXPECT_FALSE(jpg.ImportImage(Fixture("rgb4x2.jpg"), nullptr));
    EXPECT_FALSE(jpg.ImportImage("", &image));
    for (const std::string& path :
         {(dir.Path() / "missing.jpg").string(), dir.Path().string(), fifo})
        ExpectRefused(jpg, sys.log, path, "cannot be opened");
    if (!djpeg)
        GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed: corpus pictures skipped";
}
