#include "MPNGTranslator.h"
#include "MTGARLETranslator.h"
#include "MTGATranslator.h"
#include "MTextureCache.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>

namespace
{
std::string Conformance(const std::string& name)
{
    return (CorpusDir() / "images" / "tga-conformance" / name).string();
}

// An image as "W x H", "a" when it has alpha, then its pixels as RGBA bytes.
std::string Rgba(const MImage& im)
{
    std::string s = std::to_string(im.GetWidth()) + "x" + std::to_string(im.GetHeight()) +
                    (im.HasAlpha() ? "a:" : ":");
    const uint8_t *c = im.GetColourBuffer(), *a = im.GetAlphaBuffer();
    for (int i = 0; i < im.GetWidth() * im.GetHeight(); ++i, c += 3)
        s += {char(c[0]), char(c[1]), char(c[2]), char(im.HasAlpha() ? a[i] : 255)};
    return s;
}

template <class Translator> std::string Decode(const std::string& path)
{
    Translator t;
    MImage image;
    EXPECT_TRUE(t.CanImportFile(path)) << path;
    EXPECT_TRUE(t.ImportImage(path, &image)) << path;
    return Rgba(image);
}

std::string TgaHeader(int type, int w, int h, int bits, int descriptor)
{
    return std::string{0, 0, char(type)} + std::string(9, '\0') +
           std::string{char(w), 0, char(h), 0, char(bits), char(descriptor)};
}

// Writes a PNG of w x h pixels with libpng; `samples` holds the file's own samples, row after
// row (16-bit samples big-endian, as PNG stores them).
void WritePng(const std::string& path, int w, int h, int colourType, int depth,
              const std::vector<uint8_t>& samples, const std::vector<png_color>& palette = {},
              const std::vector<uint8_t>& trns = {}, bool interlaced = false)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!trns.empty())
        png_set_tRNS(png, info, trns.data(), int(trns.size()), nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (int y = 0; y < h; ++y)
        rows.push_back(const_cast<uint8_t*>(samples.data()) + size_t(y) * (samples.size() / h));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

template <class Translator>
void ExpectRefused(const std::string& path, bool recognised, size_t& logged, TestSystem& sys)
{
    Translator t;
    EXPECT_EQ(t.CanImportFile(path), recognised);
    MImage image;
    image.SetSize(3, 1);
    EXPECT_FALSE(t.ImportImage(path, &image));
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(sys.log.lines.size(), ++logged);
}
} // namespace

TEST(ImagesPlugin, TargaRLEAndPngDecodeOrAreRefusedAndThePluginTakesPartInLookUp)
{
    TestSystem sys;
    // Grey raw and run-length files are this plug-in's; uncompressed colour is the first's.
    EXPECT_EQ(Decode<MTGARLETranslator>(Conformance("cbw8.tga")),
              Decode<MTGARLETranslator>(Conformance("ubw8.tga")));
    for (const std::string size : {"cm8", "tc16", "tc24", "tc32"})
    {
        SCOPED_TRACE(size);
        const std::string rle = Decode<MTGARLETranslator>(Conformance("c" + size + ".tga"));
        EXPECT_EQ(rle.rfind("128x", 0), 0u);
        EXPECT_TRUE(rle == Decode<MTGATranslator>(Conformance("u" + size + ".tga")));
    }
    // The corpus's game textures that are run-length encoded.
    const std::string images = (CorpusDir() / "images").string();
    EXPECT_EQ(Decode<MTGARLETranslator>(images + "/oa-holdable_medkit.tga").rfind("256x", 0), 0u);
    EXPECT_EQ(Decode<MTGARLETranslator>(images + "/oa-ta_techspawn_blue-editor.tga").substr(0, 8),
              "128x128:");
    EXPECT_TRUE(sys.log.lines.empty());

    TempDir dir;
    // 2 x 2 grey: a run of three 10s crossing the row end, then a raw 20. The file's first row
    // is the bottom one unless bit 5 says top.
    const std::string packets("\x82\x0A\x00\x14", 4), ten("\x0A\x0A\x0A\xFF"),
        twenty("\x14\x14\x14\xFF");
    EXPECT_EQ(Decode<MTGARLETranslator>(dir.Write("b.tga", TgaHeader(11, 2, 2, 8, 0) + packets)),
              "2x2:" + ten + twenty + ten + ten);
    EXPECT_EQ(Decode<MTGARLETranslator>(dir.Write("t.tga", TgaHeader(11, 2, 2, 8, 32) + packets)),
              "2x2:" + ten + ten + ten + twenty);

    const std::string ctc24 = ReadWholeFile(Conformance("ctc24.tga"));
    std::string mapped = TgaHeader(9, 1, 1, 8, 0);
    mapped[1] = 1, mapped[5] = 2, mapped[7] = 24; // two map entries
    const std::pair<std::string, bool> cases[] = {
        // The file, and whether the run-length translator takes it.
        {ctc24.substr(0, 17), false},                                       // header cut
        {ctc24.substr(0, 18 + 26 + 600), true},                             // packets cut
        {TgaHeader(10, 255, 127, 24, 0) + std::string(40, '\x7f'), true},   // huge, little data
        {TgaHeader(9, 1, 1, 8, 0) + std::string("\x80\x00", 2), true},      // no colour map
        {mapped + std::string(6, '\0') + std::string("\x80\x05", 2), true}, // index outside
        {mapped + std::string(3, '\0'), true},                              // map cut
        {TgaHeader(11, 1, 1, 24, 0) + std::string("\x80\0\0\0", 4), true},  // grey of 24 bits
        {TgaHeader(10, 0, 1, 24, 0) + std::string("\x80\0\0\0", 4), true},  // width zero
        {TgaHeader(2, 1, 1, 24, 0) + std::string(3, '\0'), false},          // uncompressed
    };
    size_t logged = 0;
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE(i);
        ExpectRefused<MTGARLETranslator>(dir.Write("bad.tga", cases[i].first), cases[i].second,
                                         logged, sys);
    }

    // PNG: cut, a bad checksum, a huge width, the signature alone, and not a PNG at all.
    const std::string good = (dir.Path() / "good.png").string();
    WritePng(good, 64, 64, PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(64 * 64 * 3, 90));
    const std::string bytes = ReadWholeFile(good);
    std::string badCrc = bytes, huge = bytes;
    badCrc[bytes.find("IDAT") + 8] ^= 0x40;
    huge.replace(16, 4, std::string("\x00\x01\x00\x00", 4)); // width 65536
    for (const std::string& damaged :
         {bytes.substr(0, bytes.size() / 2), badCrc, huge, bytes.substr(0, 8)})
        ExpectRefused<MPNGTranslator>(dir.Write("bad.png", damaged), true, logged, sys);
    ExpectRefused<MPNGTranslator>(dir.Write("bad.png", "x"), false, logged, sys);

    // The expected RGBA of each pixel, from which each file's samples are made; palette files
    // index their pixels, with the alpha in their tRNS chunk.
    std::vector<uint8_t> rgba, trns, indices;
    std::vector<png_color> palette;
    for (int i = 0; i < 15; ++i)
    {
        rgba.insert(rgba.end(), {uint8_t(i * 17), uint8_t(255 - i * 9), uint8_t(i * 5 + 3),
                                 uint8_t(i * 16 + 7)});
        palette.push_back({rgba[size_t(i) * 4], rgba[size_t(i) * 4 + 1], rgba[size_t(i) * 4 + 2]});
        trns.push_back(rgba[size_t(i) * 4 + 3]);
        indices.push_back(uint8_t(i));
    }
    constexpr int Grey = 1, Alpha = 2, Interlaced = 4;
    const struct
    {
        const char* what;
        int type, depth;
        std::vector<int> channels; // none for palette files
        int flags;
    } types[] = {
        {"grey", PNG_COLOR_TYPE_GRAY, 8, {0}, Grey},
        {"grey alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, {0, 3}, Grey | Alpha},
        {"grey 16", PNG_COLOR_TYPE_GRAY, 16, {0}, Grey},
        {"rgb", PNG_COLOR_TYPE_RGB, 8, {0, 1, 2}, 0},
        {"rgb interlaced", PNG_COLOR_TYPE_RGB, 8, {0, 1, 2}, Interlaced},
        {"rgba", PNG_COLOR_TYPE_RGBA, 8, {0, 1, 2, 3}, Alpha},
        {"rgba 16", PNG_COLOR_TYPE_RGBA, 16, {0, 1, 2, 3}, Alpha},
        {"palette", PNG_COLOR_TYPE_PALETTE, 8, {}, 0},
        {"palette alpha", PNG_COLOR_TYPE_PALETTE, 8, {}, Alpha},
    };
    for (const auto& c : types)
    {
        SCOPED_TRACE(c.what);
        const bool indexed = c.channels.empty();
        std::vector<uint8_t> samples = indexed ? indices : std::vector<uint8_t>{};
        std::string expected = c.flags & Alpha ? "5x3a:" : "5x3:";
        for (size_t p = 0; p < rgba.size(); p += 4)
        {
            for (int ch : c.channels) // 16-bit samples v * 257 scale back to v
                samples.insert(samples.end(), c.depth / 8, rgba[p + size_t(ch)]);
            const bool grey = c.flags & Grey;
            expected += {char(rgba[p]), char(rgba[p + (grey ? 0 : 1)]),
                         char(rgba[p + (grey ? 0 : 2)]), char(c.flags & Alpha ? rgba[p + 3] : 255)};
        }
        const std::string path = (dir.Path() / "p.png").string();
        WritePng(path, 5, 3, c.type, c.depth, samples, indexed ? palette : std::vector<png_color>{},
                 indexed && (c.flags & Alpha) ? trns : std::vector<uint8_t>{},
                 c.flags & Interlaced);
        EXPECT_TRUE(Decode<MPNGTranslator>(path) == expected);
    }

    // The plug-in loads after Pellow and takes part in look-up.
    EXPECT_EQ(sys.LoadPlugins(), 2);
    ASSERT_EQ(sys.manager.GetTranslatorCount(TRANSLATOR_IMAGE), 4);
    const char* order[] = {"MTGATranslator", "MJPGTranslator", "MTGARLETranslator",
                           "MPNGTranslator"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sys.manager.GetImageTranslator(i)->ClassName(), order[i]);

    const std::string png = dir.Write("textures/a.png", "");
    WritePng(png, 2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6});
    for (const auto& [file, translator] : {std::pair{png, order[3]},
                                           {Conformance("ctc24.tga"), order[2]},
                                           {Conformance("utc24.tga"), order[0]}})
        EXPECT_EQ(sys.manager.FindImageTranslatorThatImports(file)->ClassName(), translator);

    // A script naming a.tga finds a.png and the texture cache decodes it.
    sys.manager.GetImageSearchPaths().AddString(dir.Path().string());
    MTextureCache& cache = MTextureCache::Instance();
    cache.Clear();
    const MStr found = cache.ResolveImageName("textures/A.tga");
    EXPECT_EQ(found, png);
    const MImage* image = cache.GetImage(found);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetColourBuffer()[5], 6);
    cache.Clear();
}
