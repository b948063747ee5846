#include "MTGATranslator.h"
#include "PluginTestSupport.h"

#include <sys/stat.h>

namespace
{
std::string Le16(int v)
{
    return {char(v & 0xFF), char((v >> 8) & 0xFF)};
}
std::string Bgr(int r, int g, int b)
{
    return {char(b), char(g), char(r)};
}

struct Tga
{
    uint8_t mapType = 0, type = 2;
    uint16_t mapFirst = 0, mapLength = 0;
    uint8_t mapBits = 0;
    int16_t width = 1, height = 1;
    uint8_t bits = 24, descriptor = 0;
    std::string id = {}, map = {}, pixels = {};

    std::string Bytes() const
    {
        return std::string{char(id.size()), char(mapType), char(type)} + Le16(mapFirst) +
               Le16(mapLength) + char(mapBits) + std::string(4, '\0') + Le16(width) + Le16(height) +
               char(bits) + char(descriptor) + id + map + pixels;
    }
};

// `length` entries of `entryBits` bits from index `first`.
Tga Mapped(int entryBits, const std::string& map, int length, int first = 0)
{
    Tga t{.mapType = 1, .type = 1, .bits = 8, .map = map};
    t.mapFirst = uint16_t(first), t.mapLength = uint16_t(length), t.mapBits = uint8_t(entryBits);
    return t;
}

std::vector<Rgb> Pixels(const MImage& image)
{
    std::vector<Rgb> out;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            out.push_back(PixelAt(image, x, y));
    return out;
}

size_t CountAlpha(const MImage& image, uint8_t value)
{
    const uint8_t* a = image.GetAlphaBuffer();
    return size_t(std::count(a, a + image.GetWidth() * image.GetHeight(), value));
}

class TgaTranslator : public ::testing::Test
{
  protected:
    std::string Write(const Tga& t) { return dir.Write("t.tga", t.Bytes()); }
    MImage LoadCorpus(const std::string& relative)
    {
        MImage image;
        const std::string path = (CorpusDir() / "images" / relative).string();
        EXPECT_TRUE(tga.CanImportFile(path)) << path;
        EXPECT_TRUE(tga.ImportImage(path, &image)) << path;
        return image;
    }
    MImage Import(const Tga& t)
    {
        MImage image;
        EXPECT_TRUE(tga.CanImportFile(Write(t)));
        EXPECT_TRUE(tga.ImportImage(Write(t), &image));
        return image;
    }

    TestSystem sys;
    TempDir dir;
    MTGATranslator tga;
};
} // namespace

TEST_F(TgaTranslator, DecodesEveryDepthAndMapEntrySizeAndRefusesOtherOrDamagedFiles)
{
    const MImage tc24 = LoadCorpus("tga-conformance/utc24.tga");
    const MImage tc32 = LoadCorpus("tga-conformance/utc32.tga");
    const MImage tc16 = LoadCorpus("tga-conformance/utc16.tga");
    const MImage cm8 = LoadCorpus("tga-conformance/ucm8.tga");
    ASSERT_EQ(tc24.GetWidth(), 128);
    ASSERT_EQ(tc24.GetHeight(), 128);

    // Vertical bars 8 pixels wide: red, green, blue, then black in the first 32 columns of
    // each 64 and white in the second.
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, black{}, white{255, 255, 255};
    for (int y : {0, 63, 127})
        for (auto [x, colour] :
             {std::pair{0, red}, {12, green}, {23, blue}, {24, black}, {63, white}, {127, white}})
            EXPECT_EQ(PixelAt(tc24, x, y), colour) << x << "," << y;
    EXPECT_FALSE(tc24.HasAlpha());

    // 32 bits: the same colours, and the file's fourth bytes (all 0) as alpha.
    EXPECT_TRUE(Pixels(tc32) == Pixels(tc24));
    ASSERT_TRUE(tc32.HasAlpha());
    EXPECT_EQ(CountAlpha(tc32, 0), 128u * 128);

    // 16 bits: five bits a channel, so the 24-bit colours with the low three bits cleared.
    ASSERT_EQ(tc16.GetWidth(), 128);
    ASSERT_TRUE(tc16.HasAlpha());
    for (size_t i = 0; i < 128 * 128 * 3; ++i)
        ASSERT_EQ(tc16.GetColourBuffer()[i], tc24.GetColourBuffer()[i] & 0xF8) << "byte " << i;
    EXPECT_EQ(CountAlpha(tc16, 0), 128u * 128) << "the attribute bit is clear in every pixel";

    // Colour-mapped through a 16-bit map: exactly the 16-bit true-colour picture.
    EXPECT_TRUE(Pixels(cm8) == Pixels(tc16));
    EXPECT_FALSE(cm8.HasAlpha());

    // The same picture as a colour-mapped file stored bottom row first and a true-colour file
    // stored top row first (origin bit set): both come out upright.
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

    // Game textures: one with real transparency (clear and opaque pixels), one without alpha.
    const MImage multi = LoadCorpus("oa-multi.tga");
    ASSERT_EQ(multi.GetWidth(), 64);
    ASSERT_TRUE(multi.HasAlpha());
    EXPECT_GT(CountAlpha(multi, 0), 0u);
    EXPECT_GT(CountAlpha(multi, 255), 0u);
    const MImage level = LoadCorpus("oa-am_galmevish.tga");
    EXPECT_EQ(level.GetWidth(), 128);
    EXPECT_FALSE(level.HasAlpha());

    // Pixels as read, top row first, and the alpha ({} when the picture has none). The image read
    // into had alpha: true-colour pictures set the flag by their depth, colour-mapped ones keep it,
    // sized anew and opaque (the map's alpha is not used).
    struct Case
    {
        Tga tga;
        std::vector<Rgb> pixels;
        std::vector<uint8_t> alpha;
    };
    std::vector<Case> cases = {
        {{.width = 2,
          .height = 2,
          .pixels = Bgr(0, 0, 255) + Bgr(0, 255, 0) + Bgr(255, 0, 0) + Bgr(255, 255, 255)},
         {{255, 0, 0}, {255, 255, 255}, {0, 0, 255}, {0, 255, 0}}},
        // 16 bits: five-bit channels spread to eight, bit 15 as alpha.
        {{.width = 3,
          .bits = 16,
          .pixels = Le16(0x7FFF) + Le16(0x8000) + Le16(1 << 10 | 2 << 5 | 3)},
         {{248, 248, 248}, {0, 0, 0}, {8, 16, 24}},
         {0, 255, 0}},
        {Mapped(32, Bgr(7, 8, 9) + char(0), 1),
         std::vector<Rgb>(4, Rgb{7, 8, 9}),
         {255, 255, 255, 255}},
    };
    cases.back().tga.width = cases.back().tga.height = 2;
    cases.back().tga.pixels = std::string(4, '\0');
    // Two rows: red stored first, blue second. The file's first row is the bottom one unless bit
    // 5 of the descriptor says top.
    for (uint8_t top : {0, 0x20})
    {
        const std::vector<Rgb> order = top ? std::vector{red, blue} : std::vector{blue, red};
        const std::string bgr = Bgr(255, 0, 0) + Bgr(0, 0, 255);
        cases.push_back({{.height = 2, .descriptor = top, .pixels = bgr}, order, {}});
        cases.push_back({{.height = 2,
                          .bits = 32,
                          .descriptor = uint8_t(top | 8),
                          .pixels = Bgr(255, 0, 0) + "\x09" + Bgr(0, 0, 255) + "\x07"},
                         order,
                         top ? std::vector<uint8_t>{9, 7} : std::vector<uint8_t>{7, 9}});
        cases.push_back({Mapped(24, bgr, 2), order, {255, 255}});
        cases.back().tga.height = 2, cases.back().tga.descriptor = top;
        cases.back().tga.pixels = {0, 1};
    }
    // Two entries from index 16 (the first entry), at each entry size and pixel size.
    for (auto [entryBits, map, first, second] :
         {std::tuple{24, Bgr(10, 20, 30) + Bgr(40, 50, 60), Rgb{10, 20, 30}, Rgb{40, 50, 60}},
          {32, Bgr(10, 20, 30) + char(9) + Bgr(40, 50, 60) + char(9), {10, 20, 30}, {40, 50, 60}},
          {16, Le16((31 << 10) | 1) + Le16(0x8000 | (4 << 5)), {248, 0, 8}, {0, 32, 0}}})
        for (int pixelBytes : {1, 2, 4})
        {
            Tga t = Mapped(entryBits, map, 2, 16);
            t.bits = uint8_t(pixelBytes * 8), t.width = 2;
            for (int v : {17, 16})
                t.pixels += char(v) + std::string(size_t(pixelBytes - 1), '\0');
            cases.push_back({t, {second, first}, {255, 255}});
        }
    for (size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(i);
        MImage image;
        image.SetSize(1, 1, true);
        EXPECT_TRUE(tga.CanImportFile(Write(cases[i].tga)));
        ASSERT_TRUE(tga.ImportImage(Write(cases[i].tga), &image));
        EXPECT_EQ(Pixels(image), cases[i].pixels);
        ASSERT_EQ(image.HasAlpha(), !cases[i].alpha.empty());
        const uint8_t* a = image.GetAlphaBuffer();
        EXPECT_EQ(std::vector<uint8_t>(a, a + cases[i].alpha.size()), cases[i].alpha);
    }

    // The header alone decides; the missing pixels are ImportImage's concern.
    for (int type : {0, 1, 2, 3, 9, 10, 11, 32})
        EXPECT_EQ(tga.CanImportFile(Write({.type = uint8_t(type)})), type == 1 || type == 2)
            << type;
    // Run-length, grey and other files of the corpus are left to other translators.
    for (const char* name : {"tga-conformance/cbw8.tga", "tga-conformance/ccm8.tga",
                             "tga-conformance/ctc32.tga", "tga-conformance/ubw8.tga",
                             "oa-holdable_medkit.tga", "gotga-monochrome8_bottom_left.tga"})
        EXPECT_FALSE(tga.CanImportFile((CorpusDir() / "images" / name).string())) << name;
    EXPECT_FALSE(tga.CanImportFile(dir.Write("t.tga", Tga{}.Bytes().substr(0, 17))));
    EXPECT_FALSE(tga.CanImportFile((dir.Path() / "missing.tga").string()));
    EXPECT_FALSE(tga.CanImportFile(dir.Path().string())) << "a folder";
    const std::string fifo = (dir.Path() / "pipe.tga").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(tga.CanImportFile(fifo)) << "a pipe is neither read nor waited on";
    ExpectRefused(tga, sys.log, fifo);
    EXPECT_FALSE(tga.CanImportFile(""));
    EXPECT_FALSE(tga.ImportImage(Write({.pixels = Bgr(1, 2, 3)}), nullptr));

    // The image ID is skipped and backslashes in the name become slashes.
    Tga t{.width = 2, .id = "0123456789", .pixels = Bgr(1, 2, 3) + Bgr(4, 5, 6)};
    dir.Write("textures/base/id.tga", t.Bytes());
    const std::string backslashed = (dir.Path() / "textures\\base\\id.tga").string();
    EXPECT_TRUE(tga.CanImportFile(backslashed));
    MImage image;
    ASSERT_TRUE(tga.ImportImage(backslashed, &image));
    EXPECT_EQ(Pixels(image), (std::vector<Rgb>{{1, 2, 3}, {4, 5, 6}}));

    const Tga whole{.width = 4, .height = 3, .pixels = std::string(4 * 3 * 3, '\x7F')};
    Import(whole); // the whole file is fine
    Tga mapped = Mapped(24, Bgr(1, 1, 1) + Bgr(2, 2, 2), 2, 4);
    mapped.width = 3;
    mapped.pixels = {4, 5, 5};
    Import(mapped); // values 4 and 5 lie in the map
    Tga rgb{.mapType = 1,
            .mapLength = 4,
            .mapBits = 24,
            .map = std::string(3 * 4, '\0'),
            .pixels = Bgr(9, 8, 7)}; // a true-colour file may carry a map; it must still fit
    EXPECT_EQ(PixelAt(Import(rgb), 0, 0), (Rgb{9, 8, 7}));

    Strings bad = {
        whole.Bytes().substr(0, whole.Bytes().size() - 1),       // one pixel byte short
        whole.Bytes().substr(0, 17),                             // shorter than the header
        whole.Bytes().substr(0, 18),                             // header only
        Tga{.width = 0x7FFF, .height = 0x7FFF}.Bytes(),          // a huge picture in a tiny file
        Tga{.id = std::string(200, 'i')}.Bytes().substr(0, 100), // ends inside the image ID
        Mapped(24, std::string(30, '\x10'), 256).Bytes(),        // 256 entries, 10 in the file
        Mapped(32, std::string(30, '\x10'), 0xFFFF).Bytes(),
        Tga{.type = 1, .pixels = Bgr(1, 2, 3)}.Bytes(), // colour-mapped without a map
    };
    rgb.map.resize(3 * 3), rgb.pixels.clear(); // a true-colour file whose map runs past the end
    bad.push_back(rgb.Bytes());
    for (int type : {0, 3, 9, 10, 11})
        bad.push_back(Tga{.type = uint8_t(type), .pixels = Bgr(1, 2, 3)}.Bytes());
    for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-1, 1}, {1, -2}, {-32768, -32768}})
        bad.push_back(
            Tga{.width = int16_t(w), .height = int16_t(h), .pixels = std::string(64, 1)}.Bytes());
    for (int bits : {8, 15, 0, 40})
        bad.push_back(Tga{.bits = uint8_t(bits), .pixels = std::string(8, '\x55')}.Bytes());
    for (const char* outsideTheMap : {"\4\6\5", "\4\3\5"})
        mapped.pixels = outsideTheMap, bad.push_back(mapped.Bytes());
    mapped.pixels = {5, 5, 4};
    for (int bits : {8, 15, 0, 33}) // map entries
    {
        Tga odd = mapped;
        odd.mapBits = uint8_t(bits), odd.map = std::string(size_t(2 * ((bits + 7) / 8)), ' ');
        bad.push_back(odd.Bytes());
    }
    for (int bits : {24, 0, 7, 64}) // mapped pixels
    {
        Tga odd = mapped;
        odd.bits = uint8_t(bits), odd.pixels = std::string(size_t(3 * std::max(1, bits / 8)), 4);
        bad.push_back(odd.Bytes());
    }
    for (size_t i = 0; i < bad.size(); ++i)
    {
        SCOPED_TRACE(i);
        ExpectRefused(tga, sys.log, dir.Write("t.tga", bad[i]));
    }
}
