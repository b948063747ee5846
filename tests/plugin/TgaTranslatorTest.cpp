#include "MImage.h"
#include "MTGATranslator.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{
using Rgb = std::array<uint8_t, 3>;

// Builds a Targa file byte by byte.
struct Tga
{
    uint8_t colourMapType = 0;
    uint8_t imageType = 2;
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
    int16_t width = 1;
    int16_t height = 1;
    uint8_t pixelBits = 24;
    uint8_t descriptor = 0;
    std::string id;
    std::string map;
    std::string pixels;

    std::string Bytes() const
    {
        std::string b;
        auto u8 = [&](int v) { b += char(uint8_t(v)); };
        auto u16 = [&](int v) { u8(v & 0xFF), u8((v >> 8) & 0xFF); };
        u8(int(id.size()));
        u8(colourMapType);
        u8(imageType);
        u16(mapFirst);
        u16(mapLength);
        u8(mapEntryBits);
        u16(0);
        u16(0);
        u16(uint16_t(width));
        u16(uint16_t(height));
        u8(pixelBits);
        u8(descriptor);
        return b + id + map + pixels;
    }
};

std::string Le16(int v)
{
    return {char(v & 0xFF), char((v >> 8) & 0xFF)};
}
std::string Bgr(int r, int g, int b)
{
    return {char(b), char(g), char(r)};
}

Rgb PixelAt(const MImage& image, int x, int y)
{
    const uint8_t* p =
        image.GetColourBuffer() + (size_t(y) * size_t(image.GetWidth()) + size_t(x)) * 3;
    return {p[0], p[1], p[2]};
}

// An image with a recognisable state, to see that a refused file leaves it alone.
MImage MarkedImage()
{
    MImage image;
    EXPECT_TRUE(image.SetSize(3, 1, true));
    for (int i = 0; i < 9; ++i)
        image.GetColourBuffer()[i] = uint8_t(11 * i + 1);
    image.GetAlphaBuffer()[1] = 77;
    return image;
}

void ExpectStillMarked(const MImage& image)
{
    const MImage marked = MarkedImage();
    ASSERT_EQ(image.GetWidth(), 3);
    ASSERT_EQ(image.GetHeight(), 1);
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_TRUE(
        std::equal(image.GetColourBuffer(), image.GetColourBuffer() + 9, marked.GetColourBuffer()));
    EXPECT_EQ(image.GetAlphaBuffer()[1], 77);
}

class TgaTranslator : public ::testing::Test
{
  protected:
    std::string Write(const std::string& bytes, const std::string& name = "t.tga")
    {
        return dir.Write(name, bytes);
    }
    // Imports a file that must be refused, and checks the image was left alone.
    void ExpectRefused(const std::string& bytes, const std::string& what)
    {
        SCOPED_TRACE(what);
        MImage image = MarkedImage();
        EXPECT_FALSE(tga.ImportImage(Write(bytes), &image));
        ExpectStillMarked(image);
    }

    TestSystem sys;
    TempDir dir;
    MTGATranslator tga;
};

// Loads a corpus image that must decode.
MImage LoadCorpus(const std::string& relative)
{
    MTGATranslator tga;
    MImage image;
    const std::string path = (CorpusDir() / "images" / relative).string();
    EXPECT_TRUE(tga.CanImportFile(path)) << path;
    EXPECT_TRUE(tga.ImportImage(path, &image)) << path;
    return image;
}

bool SameColours(const MImage& a, const MImage& b)
{
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() && a.GetColourBuffer() &&
           std::equal(a.GetColourBuffer(),
                      a.GetColourBuffer() + size_t(a.GetWidth()) * a.GetHeight() * 3,
                      b.GetColourBuffer());
}
} // namespace

TEST(TgaConformance, TrueColourAndColourMappedVersionsDecodeToTheSameBars)
{
    const MImage tc24 = LoadCorpus("tga-conformance/utc24.tga");
    const MImage tc32 = LoadCorpus("tga-conformance/utc32.tga");
    const MImage tc16 = LoadCorpus("tga-conformance/utc16.tga");
    const MImage cm8 = LoadCorpus("tga-conformance/ucm8.tga");
    ASSERT_EQ(tc24.GetWidth(), 128);
    ASSERT_EQ(tc24.GetHeight(), 128);

    // The picture is vertical bars 8 pixels wide: red, green, blue, then black
    // in the first 32 columns of each 64 and white in the second.
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, black{0, 0, 0},
        white{255, 255, 255};
    for (int y : {0, 63, 127})
    {
        EXPECT_EQ(PixelAt(tc24, 0, y), red);
        EXPECT_EQ(PixelAt(tc24, 12, y), green);
        EXPECT_EQ(PixelAt(tc24, 23, y), blue);
        EXPECT_EQ(PixelAt(tc24, 24, y), black);
        EXPECT_EQ(PixelAt(tc24, 63, y), white);
        EXPECT_EQ(PixelAt(tc24, 127, y), white);
    }
    EXPECT_FALSE(tc24.HasAlpha());

    // 32 bits: the same colours, and the file's fourth bytes (all 0) as alpha.
    EXPECT_TRUE(SameColours(tc32, tc24));
    ASSERT_TRUE(tc32.HasAlpha());
    EXPECT_EQ(std::count(tc32.GetAlphaBuffer(), tc32.GetAlphaBuffer() + 128 * 128, 0), 128 * 128);

    // 16 bits: five bits a channel, so the 24-bit colours with the low three bits cleared.
    ASSERT_EQ(tc16.GetWidth(), 128);
    ASSERT_TRUE(tc16.HasAlpha());
    for (size_t i = 0; i < 128 * 128 * 3; ++i)
        ASSERT_EQ(tc16.GetColourBuffer()[i], tc24.GetColourBuffer()[i] & 0xF8) << "byte " << i;
    EXPECT_EQ(std::count(tc16.GetAlphaBuffer(), tc16.GetAlphaBuffer() + 128 * 128, 0), 128 * 128)
        << "the attribute bit is clear in every pixel";

    // Colour-mapped through a 16-bit map: exactly the 16-bit true-colour picture.
    EXPECT_TRUE(SameColours(cm8, tc16));
    EXPECT_FALSE(cm8.HasAlpha());
}

TEST(TgaConformance, ColourMappedWith24BitMapMatchesTrueColourStoredTopRowFirst)
{
    // Same picture twice: a colour-mapped file stored bottom row first and a
    // true-colour file stored top row first (origin bit set). Both come out
    // upright.
    const MImage cm = LoadCorpus("gotga-rgb24_top_left_colormap.tga");
    const MImage tc = LoadCorpus("gotga-rgb24_top_left.tga");
    ASSERT_EQ(cm.GetWidth(), 64);
    ASSERT_EQ(tc.GetHeight(), 64);
    int sameFlipped = 0, sameUpright = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
        {
            sameFlipped += PixelAt(tc, x, y) == PixelAt(cm, x, 63 - y);
            sameUpright += PixelAt(tc, x, y) == PixelAt(cm, x, y);
        }
    // The map holds 29 colours for the picture's 29, a few of them rounded.
    EXPECT_GE(sameUpright, 64 * 64 - 5);
    EXPECT_LT(sameFlipped, 64 * 64 - 50);
}

TEST(TgaConformance, RunLengthGreyAndOtherTypesAreRefused)
{
    MTGATranslator tga;
    for (const char* name :
         {"tga-conformance/cbw8.tga", "tga-conformance/ccm8.tga", "tga-conformance/ctc16.tga",
          "tga-conformance/ctc24.tga", "tga-conformance/ctc32.tga", "tga-conformance/ubw8.tga",
          "oa-holdable_medkit.tga", "gotga-monochrome8_bottom_left.tga"})
    {
        SCOPED_TRACE(name);
        const std::string path = (CorpusDir() / "images" / name).string();
        EXPECT_FALSE(tga.CanImportFile(path));
        MImage image = MarkedImage();
        EXPECT_FALSE(tga.ImportImage(path, &image));
        ExpectStillMarked(image);
    }
}

TEST(TgaConformance, GameTexturesDecodeWithTheirAlpha)
{
    const MImage multi = LoadCorpus("oa-multi.tga");
    ASSERT_EQ(multi.GetWidth(), 64);
    ASSERT_TRUE(multi.HasAlpha());
    // A texture with real transparency: both clear and opaque pixels.
    const uint8_t* a = multi.GetAlphaBuffer();
    EXPECT_GT(std::count(a, a + 64 * 64, 0), 0);
    EXPECT_GT(std::count(a, a + 64 * 64, 255), 0);

    const MImage level = LoadCorpus("oa-am_galmevish.tga");
    EXPECT_EQ(level.GetWidth(), 128);
    EXPECT_FALSE(level.HasAlpha());
}

TEST_F(TgaTranslator, TrueColour24PutsTheTopRowFirst)
{
    Tga t;
    t.width = 2;
    t.height = 2;
    t.pixels = Bgr(0, 0, 255) + Bgr(0, 255, 0) + Bgr(255, 0, 0) + Bgr(255, 255, 255);
    MImage image;
    image.SetSize(1, 1, true); // a 24-bit picture has no alpha, whatever came before
    ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &image));
    ASSERT_EQ(image.GetWidth(), 2);
    ASSERT_EQ(image.GetHeight(), 2);
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(PixelAt(image, 0, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgb{0, 255, 0}));
}

TEST_F(TgaTranslator, OriginBitSaysWhetherTheFileStartsWithTheTopRow)
{
    // Two rows, one pixel each: red stored first, blue second.
    struct Case
    {
        uint8_t imageType, pixelBits, descriptor;
        bool redOnTop;
    };
    const Case cases[] = {
        {2, 24, 0x00, false}, {2, 24, 0x20, true}, {2, 32, 0x08, false},
        {2, 32, 0x28, true},  {1, 8, 0x00, false}, {1, 8, 0x20, true},
    };
    for (const Case& c : cases)
    {
        Tga t;
        t.imageType = c.imageType;
        t.pixelBits = c.pixelBits;
        t.descriptor = c.descriptor;
        t.height = 2;
        if (c.imageType == 1)
        {
            t.colourMapType = 1;
            t.mapLength = 2;
            t.mapEntryBits = 24;
            t.map = Bgr(255, 0, 0) + Bgr(0, 0, 255);
            t.pixels = std::string{char(0), char(1)};
        }
        else if (c.pixelBits == 32)
            t.pixels = Bgr(255, 0, 0) + char(9) + Bgr(0, 0, 255) + char(7);
        else
            t.pixels = Bgr(255, 0, 0) + Bgr(0, 0, 255);
        MImage image;
        ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &image)) << int(c.descriptor);
        const Rgb red{255, 0, 0}, blue{0, 0, 255};
        EXPECT_EQ(PixelAt(image, 0, 0), c.redOnTop ? red : blue) << int(c.descriptor);
        EXPECT_EQ(PixelAt(image, 0, 1), c.redOnTop ? blue : red) << int(c.descriptor);
        if (c.pixelBits == 32)
        {
            EXPECT_EQ(image.GetAlphaBuffer()[0], c.redOnTop ? 9 : 7);
        }
    }
}

TEST_F(TgaTranslator, TrueColour32CopiesTheFourthByteToAlpha)
{
    Tga t;
    t.width = 1;
    t.height = 2;
    t.pixelBits = 32;
    t.pixels = Bgr(1, 2, 3) + char(0x40) + Bgr(4, 5, 6) + char(0xC0);
    MImage image;
    ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &image));
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{4, 5, 6}));
    EXPECT_EQ(image.GetAlphaBuffer()[0], 0xC0);
    EXPECT_EQ(PixelAt(image, 0, 1), (Rgb{1, 2, 3}));
    EXPECT_EQ(image.GetAlphaBuffer()[1], 0x40);
}

TEST_F(TgaTranslator, TrueColour16SpreadsFiveBitChannelsAndTakesBit15AsAlpha)
{
    Tga t;
    t.width = 3;
    t.height = 1;
    t.pixelBits = 16;
    t.pixels = Le16(0x7FFF) + Le16(0x8000) + Le16((1 << 10) | (2 << 5) | 3);
    MImage image;
    ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &image));
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{248, 248, 248}));
    EXPECT_EQ(image.GetAlphaBuffer()[0], 0);
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(image.GetAlphaBuffer()[1], 255);
    EXPECT_EQ(PixelAt(image, 2, 0), (Rgb{8, 16, 24}));
}

TEST_F(TgaTranslator, ColourMappedSubtractsTheFirstEntryIndexAtEveryPixelAndEntrySize)
{
    // Two entries starting at index 16; pixel value 16 is the first entry.
    struct Case
    {
        int entryBits;
        std::string map;
        Rgb first, second;
    };
    const Case cases[] = {
        {24, Bgr(10, 20, 30) + Bgr(40, 50, 60), {10, 20, 30}, {40, 50, 60}},
        {32, Bgr(10, 20, 30) + char(9) + Bgr(40, 50, 60) + char(9), {10, 20, 30}, {40, 50, 60}},
        {16, Le16((31 << 10) | 1) + Le16(0x8000 | (4 << 5)), {248, 0, 8}, {0, 32, 0}},
    };
    for (const Case& c : cases)
        for (int pixelBytes : {1, 2, 4})
        {
            SCOPED_TRACE(testing::Message()
                         << c.entryBits << "-bit map, " << pixelBytes << "-byte pixels");
            Tga t;
            t.imageType = 1;
            t.colourMapType = 1;
            t.mapFirst = 16;
            t.mapLength = 2;
            t.mapEntryBits = uint8_t(c.entryBits);
            t.map = c.map;
            t.pixelBits = uint8_t(pixelBytes * 8);
            t.width = 2;
            t.height = 1;
            for (int v : {17, 16})
                t.pixels += std::string(1, char(v)) + std::string(size_t(pixelBytes - 1), '\0');
            MImage image;
            ASSERT_TRUE(tga.CanImportFile(Write(t.Bytes())));
            ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &image));
            EXPECT_EQ(PixelAt(image, 0, 0), c.second);
            EXPECT_EQ(PixelAt(image, 1, 0), c.first);
            EXPECT_FALSE(image.HasAlpha()) << "the map's alpha is not used";
        }
}

TEST_F(TgaTranslator, ColourMappedKeepsTheAlphaFlagButNoStaleAlpha)
{
    Tga t;
    t.imageType = 1;
    t.colourMapType = 1;
    t.mapLength = 1;
    t.mapEntryBits = 32;
    t.map = Bgr(7, 8, 9) + char(0); // the map's alpha is not used
    t.pixelBits = 8;
    t.width = 2;
    t.height = 2;
    t.pixels = std::string(4, '\0');

    MImage image;
    ASSERT_TRUE(image.SetSize(3, 1, true));
    image.GetAlphaBuffer()[0] = 5;
    ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &image));
    ASSERT_EQ(image.GetWidth(), 2);
    ASSERT_TRUE(image.HasAlpha()) << "the flag is left as it was";
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(image.GetAlphaBuffer()[i], 255) << "sized for the new picture and opaque";
        EXPECT_EQ(PixelAt(image, i % 2, i / 2), (Rgb{7, 8, 9}));
    }

    MImage plain;
    ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &plain));
    EXPECT_FALSE(plain.HasAlpha());
}

TEST_F(TgaTranslator, ImageIdIsSkippedAndBackslashesBecomeSlashes)
{
    Tga t;
    t.width = 2;
    t.pixels = Bgr(1, 2, 3) + Bgr(4, 5, 6);
    MImage plain, withId;
    ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &plain));
    t.id = "0123456789";
    const std::string path = dir.Write("textures/base/id.tga", t.Bytes());
    const std::string backslashed = (dir.Path() / "textures\\base\\id.tga").string();
    EXPECT_TRUE(tga.CanImportFile(backslashed));
    ASSERT_TRUE(tga.ImportImage(backslashed, &withId));
    EXPECT_TRUE(SameColours(plain, withId));
    EXPECT_EQ(PixelAt(withId, 1, 0), (Rgb{4, 5, 6}));
}

TEST_F(TgaTranslator, CanImportFileLooksAtTheImageTypeOfAWholeHeader)
{
    Tga t;
    for (int type : {1, 2})
    {
        t.imageType = uint8_t(type);
        // The header alone decides; the missing pixels are ImportImage's concern.
        EXPECT_TRUE(tga.CanImportFile(Write(t.Bytes()))) << type;
    }
    for (int type : {0, 3, 9, 10, 11, 32})
    {
        t.imageType = uint8_t(type);
        EXPECT_FALSE(tga.CanImportFile(Write(t.Bytes()))) << type;
    }
    t.imageType = 2;
    EXPECT_FALSE(tga.CanImportFile(Write(t.Bytes().substr(0, 17)))) << "shorter than a header";
    EXPECT_FALSE(tga.CanImportFile((dir.Path() / "missing.tga").string()));
    EXPECT_FALSE(tga.CanImportFile(dir.Path().string())) << "a folder";
    const std::string fifo = (dir.Path() / "pipe.tga").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(tga.CanImportFile(fifo)) << "a pipe is neither read nor waited on";
    MImage image;
    EXPECT_FALSE(tga.ImportImage(fifo, &image));
    EXPECT_FALSE(tga.CanImportFile(""));
}

TEST_F(TgaTranslator, NullImageMissingFileAndUnsupportedTypesAreRefused)
{
    Tga t;
    t.pixels = Bgr(1, 2, 3);
    EXPECT_FALSE(tga.ImportImage(Write(t.Bytes()), nullptr));
    MImage image = MarkedImage();
    EXPECT_FALSE(tga.ImportImage((dir.Path() / "missing.tga").string(), &image));
    ExpectStillMarked(image);

    // Refused types leave the image as it was (not even flipped).
    for (int type : {0, 3, 9, 10, 11})
    {
        t.imageType = uint8_t(type);
        ExpectRefused(t.Bytes(), "type " + std::to_string(type));
    }
    t.imageType = 1;
    ExpectRefused(t.Bytes(), "colour-mapped without a map");
    EXPECT_TRUE(sys.log.lines.size() > 0) << "refusals are logged";
}

TEST_F(TgaTranslator, HeadersPromisingMoreThanTheFileHoldsAreRefused)
{
    Tga t;
    t.width = 4;
    t.height = 3;
    t.pixels = std::string(4 * 3 * 3, '\x7F');
    MImage image;
    ASSERT_TRUE(tga.ImportImage(Write(t.Bytes()), &image)) << "the whole file is fine";

    ExpectRefused(t.Bytes().substr(0, t.Bytes().size() - 1), "one pixel byte short");
    ExpectRefused(t.Bytes().substr(0, 17), "shorter than the header");
    ExpectRefused(t.Bytes().substr(0, 18), "header only");
    t.width = 0x7FFF;
    t.height = 0x7FFF;
    ExpectRefused(t.Bytes(), "a huge picture in a tiny file");

    Tga id;
    id.id = std::string(200, 'i');
    ExpectRefused(id.Bytes().substr(0, 100), "ends inside the image ID");

    Tga cm;
    cm.imageType = 1;
    cm.colourMapType = 1;
    cm.mapLength = 256;
    cm.mapEntryBits = 24;
    cm.map = std::string(3 * 10, '\x10');
    cm.pixelBits = 8;
    ExpectRefused(cm.Bytes(), "map of 256 entries with 10 in the file");
    cm.mapLength = 0xFFFF;
    cm.mapEntryBits = 32;
    ExpectRefused(cm.Bytes(), "map of 65535 entries");

    Tga tc;
    tc.colourMapType = 1; // a true-colour file may carry a map; it must still fit
    tc.mapLength = 4;
    tc.mapEntryBits = 24;
    tc.map = std::string(3 * 4, '\0');
    tc.pixels = Bgr(9, 8, 7);
    MImage good;
    ASSERT_TRUE(tga.ImportImage(Write(tc.Bytes()), &good));
    EXPECT_EQ(PixelAt(good, 0, 0), (Rgb{9, 8, 7}));
    tc.map.resize(3 * 3);
    tc.pixels.clear();
    ExpectRefused(tc.Bytes(), "true colour whose map runs past the end");
}

TEST_F(TgaTranslator, SizesBelowOneAreRefused)
{
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-1, 1}, {1, -2}, {-32768, -32768}})
    {
        Tga t;
        t.width = int16_t(w);
        t.height = int16_t(h);
        t.pixels = std::string(64, '\x01');
        ExpectRefused(t.Bytes(), std::to_string(w) + " x " + std::to_string(h));
    }
}

TEST_F(TgaTranslator, ColourMappedPixelsOutsideTheMapAndOddFormatsAreRefused)
{
    Tga cm;
    cm.imageType = 1;
    cm.colourMapType = 1;
    cm.mapFirst = 4;
    cm.mapLength = 2;
    cm.mapEntryBits = 24;
    cm.map = Bgr(1, 1, 1) + Bgr(2, 2, 2);
    cm.pixelBits = 8;
    cm.width = 3;
    cm.pixels = {4, 5, 5};
    MImage image;
    ASSERT_TRUE(tga.ImportImage(Write(cm.Bytes()), &image)) << "values 4 and 5 lie in the map";

    cm.pixels = {4, 6, 5};
    ExpectRefused(cm.Bytes(), "value past the end of the map");
    cm.pixels = {4, 3, 5};
    ExpectRefused(cm.Bytes(), "value below the first entry index");
    cm.pixels = {5, 5, 4};

    Tga odd = cm;
    for (int bits : {8, 15, 0, 33})
    {
        odd.mapEntryBits = uint8_t(bits);
        odd.map = std::string(size_t(2 * ((bits + 7) / 8)), '\x20');
        ExpectRefused(odd.Bytes(), "map entry of " + std::to_string(bits) + " bits");
    }
    odd = cm;
    for (int bits : {24, 0, 7, 64})
    {
        odd.pixelBits = uint8_t(bits);
        odd.pixels = std::string(size_t(3 * std::max(1, bits / 8)), '\x04');
        ExpectRefused(odd.Bytes(), "colour-mapped pixel of " + std::to_string(bits) + " bits");
    }
}

TEST_F(TgaTranslator, TrueColourDepthsOtherThan16_24_32AreRefused)
{
    for (int bits : {8, 15, 0, 40})
    {
        Tga t;
        t.pixelBits = uint8_t(bits);
        t.pixels = std::string(8, '\x55');
        ExpectRefused(t.Bytes(), std::to_string(bits) + " bits");
    }
}
