// The second plug-in: grey and run-length encoded Targa, PNG, and how both
// take part in loading and look-up beside the first plug-in.

#include "MPNGTranslator.h"
#include "MTGARLETranslator.h"
#include "MTGATranslator.h"
#include "MTextureCache.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <png.h>

#include <cstring>

namespace fs = std::filesystem;

namespace
{
fs::path Conformance(const char* name)
{
    return CorpusDir() / "images" / "tga-conformance" / name;
}

struct Pixels
{
    int width = 0, height = 0;
    bool alpha = false;
    std::vector<uint8_t> rgba;
    bool operator==(const Pixels&) const = default;
};

Pixels PixelsOf(const MImage& image)
{
    Pixels p{image.GetWidth(), image.GetHeight(), image.HasAlpha(), {}};
    const size_t n = size_t(p.width) * size_t(p.height);
    for (size_t i = 0; i < n; ++i)
    {
        p.rgba.insert(p.rgba.end(), image.GetColourBuffer() + i * 3,
                      image.GetColourBuffer() + i * 3 + 3);
        p.rgba.push_back(image.HasAlpha() ? image.GetAlphaBuffer()[i] : 255);
    }
    return p;
}

template <class Translator> Pixels Decode(const std::string& path)
{
    Translator t;
    MImage image;
    EXPECT_TRUE(t.CanImportFile(path)) << path;
    EXPECT_TRUE(t.ImportImage(path, &image)) << path;
    return PixelsOf(image);
}

// A Targa header of the given type, size, depth and descriptor, without map.
std::string TgaHeader(int type, int w, int h, int bits, int descriptor)
{
    std::string s(18, '\0');
    s[2] = char(type);
    s[12] = char(w), s[14] = char(h);
    s[16] = char(bits), s[17] = char(descriptor);
    return s;
}

// Writes a PNG of w x h pixels with libpng. `samples` holds the file's own
// samples, row after row (16-bit samples big-endian, as PNG stores them).
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
    const size_t rowBytes = samples.size() / size_t(h);
    std::vector<png_bytep> rows;
    for (int y = 0; y < h; ++y)
        rows.push_back(const_cast<uint8_t*>(samples.data()) + size_t(y) * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// What libpng's own simplified reader gives as RGBA.
Pixels LibpngRGBA(const std::string& path)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Pixels p;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return p;
    image.format = PNG_FORMAT_RGBA;
    p.width = int(image.width), p.height = int(image.height);
    p.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr))
        return {};
    return p;
}
} // namespace

TEST(TargaRLE, ConformanceFilesDecodeLikeTheirUncompressedTwins)
{
    TestSystem sys;
    // Grey raw and run-length files are this plug-in's; the uncompressed
    // colour files are the first plug-in's.
    EXPECT_EQ(Decode<MTGARLETranslator>(Conformance("cbw8.tga")),
              Decode<MTGARLETranslator>(Conformance("ubw8.tga")));
    for (const char* size : {"cm8", "tc16", "tc24", "tc32"})
    {
        SCOPED_TRACE(size);
        const Pixels rle =
            Decode<MTGARLETranslator>(Conformance(("c" + std::string(size) + ".tga").c_str()));
        const Pixels raw =
            Decode<MTGATranslator>(Conformance(("u" + std::string(size) + ".tga").c_str()));
        EXPECT_EQ(rle.width, 128);
        EXPECT_TRUE(rle == raw);
    }
    // The corpus's game textures that are run-length encoded.
    EXPECT_EQ(Decode<MTGARLETranslator>(CorpusDir() / "images/oa-holdable_medkit.tga").width, 256);
    const Pixels spawn =
        Decode<MTGARLETranslator>(CorpusDir() / "images/oa-ta_techspawn_blue-editor.tga");
    EXPECT_EQ(spawn.height, 128);
    EXPECT_FALSE(spawn.alpha);
    EXPECT_TRUE(sys.log.lines.empty());
}

TEST(TargaRLE, OriginBitAndPacketsAcrossRows)
{
    TempDir dir;
    // 2 x 2 grey: a run of three 10s crossing the row end, then a raw 20.
    const std::string packets = std::string("\x82\x0A\x00\x14", 4);
    for (int descriptor : {0x00, 0x20})
    {
        const std::string path = dir.Write("g.tga", TgaHeader(11, 2, 2, 8, descriptor) + packets);
        const Pixels p = Decode<MTGARLETranslator>(path);
        // The file's first row is the bottom one unless bit 5 says top.
        const size_t last = descriptor ? 12 : 4;
        for (size_t i = 0; i < 16; i += 4)
            EXPECT_EQ(p.rgba[i], i == last ? 20 : 10) << descriptor << " " << i;
    }
}

TEST(TargaRLE, DamagedFilesAreRefusedAndLeaveTheImage)
{
    TestSystem sys;
    TempDir dir;
    const std::string ctc24 = ReadWholeFile(Conformance("ctc24.tga"));
    std::string mapped = TgaHeader(9, 1, 1, 8, 0);
    mapped[1] = 1, mapped[5] = 2, mapped[7] = 24; // two map entries
    struct Case
    {
        const char* what;
        std::string bytes;
        bool recognised;
    };
    const Case cases[] = {
        {"header cut", ctc24.substr(0, 17), false},
        {"packets cut", ctc24.substr(0, 18 + 26 + 600), true},
        {"huge size, little data", TgaHeader(10, 255, 127, 24, 0) + std::string(40, '\x7f'), true},
        {"no colour map", TgaHeader(9, 1, 1, 8, 0) + std::string("\x80\x00", 2), true},
        {"index outside the map", mapped + std::string(6, '\0') + std::string("\x80\x05", 2), true},
        {"map cut", mapped + std::string(3, '\0'), true},
        {"grey of 24 bits", TgaHeader(11, 1, 1, 24, 0) + std::string("\x80\0\0\0", 4), true},
        {"width zero", TgaHeader(10, 0, 1, 24, 0) + std::string("\x80\0\0\0", 4), true},
        {"uncompressed colour", TgaHeader(2, 1, 1, 24, 0) + std::string(3, '\0'), false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string path = dir.Write("bad.tga", c.bytes);
        MTGARLETranslator t;
        EXPECT_EQ(t.CanImportFile(path), c.recognised);
        MImage image;
        image.SetSize(3, 1);
        EXPECT_FALSE(t.ImportImage(path, &image));
        EXPECT_EQ(image.GetWidth(), 3);
    }
    EXPECT_EQ(sys.log.lines.size(), std::size(cases));
}

TEST(Png, EveryColourTypeDecodesToItsPixels)
{
    TempDir dir;
    const int w = 5, h = 3;
    // The expected RGBA of each pixel, from which each file's samples are made.
    std::vector<uint8_t> rgba;
    for (int i = 0; i < w * h; ++i)
        rgba.insert(rgba.end(), {uint8_t(i * 17), uint8_t(255 - i * 9), uint8_t(i * 5 + 3),
                                 uint8_t(i * 16 + 7)});
    auto samples = [&](std::initializer_list<int> channels, bool sixteen)
    {
        std::vector<uint8_t> out;
        for (size_t p = 0; p < rgba.size(); p += 4)
            for (int c : channels)
            {
                out.push_back(rgba[p + size_t(c)]);
                if (sixteen)
                    out.push_back(rgba[p + size_t(c)]); // v * 257 scales back to v
            }
        return out;
    };
    // Grey files carry the red channel; palette files index their pixels.
    std::vector<png_color> palette;
    std::vector<uint8_t> trns, indices;
    for (int i = 0; i < w * h; ++i)
    {
        palette.push_back({rgba[size_t(i) * 4], rgba[size_t(i) * 4 + 1], rgba[size_t(i) * 4 + 2]});
        trns.push_back(rgba[size_t(i) * 4 + 3]);
        indices.push_back(uint8_t(i));
    }
    struct Case
    {
        const char* what;
        int type, depth;
        std::vector<uint8_t> samples;
        bool grey, alpha;
        std::vector<uint8_t> trns;
        bool interlaced;
    };
    const Case cases[] = {
        {"grey", PNG_COLOR_TYPE_GRAY, 8, samples({0}, false), true, false, {}, false},
        {"grey alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 8, samples({0, 3}, false), true, true, {}, false},
        {"grey 16", PNG_COLOR_TYPE_GRAY, 16, samples({0}, true), true, false, {}, false},
        {"rgb", PNG_COLOR_TYPE_RGB, 8, samples({0, 1, 2}, false), false, false, {}, false},
        {"rgb interlaced",
         PNG_COLOR_TYPE_RGB,
         8,
         samples({0, 1, 2}, false),
         false,
         false,
         {},
         true},
        {"rgba", PNG_COLOR_TYPE_RGBA, 8, samples({0, 1, 2, 3}, false), false, true, {}, false},
        {"rgba 16", PNG_COLOR_TYPE_RGBA, 16, samples({0, 1, 2, 3}, true), false, true, {}, false},
        {"palette", PNG_COLOR_TYPE_PALETTE, 8, indices, false, false, {}, false},
        {"palette alpha", PNG_COLOR_TYPE_PALETTE, 8, indices, false, true, trns, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string path = (dir.Path() / "p.png").string();
        WritePng(path, w, h, c.type, c.depth, c.samples,
                 c.type == PNG_COLOR_TYPE_PALETTE ? palette : std::vector<png_color>{}, c.trns,
                 c.interlaced);
        Pixels expected{w, h, c.alpha, rgba};
        for (size_t p = 0; p < expected.rgba.size(); p += 4)
        {
            if (c.grey)
                expected.rgba[p + 1] = expected.rgba[p + 2] = expected.rgba[p];
            if (!c.alpha)
                expected.rgba[p + 3] = 255;
        }
        const Pixels got = Decode<MPNGTranslator>(path);
        EXPECT_TRUE(got == expected);
        if (c.depth == 8) // libpng's simplified reader takes 16-bit files as linear light
        {
            Pixels reference = LibpngRGBA(path);
            reference.alpha = c.alpha;
            EXPECT_TRUE(got == reference);
        }
    }
}

TEST(Png, DamagedFilesAreRefusedAndLeaveTheImage)
{
    TestSystem sys;
    TempDir dir;
    const std::string good = (dir.Path() / "good.png").string();
    WritePng(good, 64, 64, PNG_COLOR_TYPE_RGB, 8, std::vector<uint8_t>(64 * 64 * 3, 90));
    const std::string bytes = ReadWholeFile(good);
    std::string badCrc = bytes;
    badCrc[bytes.find("IDAT") + 8] ^= 0x40;
    std::string huge = bytes;
    std::memcpy(&huge[16], "\x00\x01\x00\x00", 4); // width 65536
    for (const std::string& damaged :
         {bytes.substr(0, bytes.size() / 2), badCrc, huge, bytes.substr(0, 8), std::string("x")})
    {
        const std::string path = dir.Write("bad.png", damaged);
        MImage image;
        image.SetSize(3, 1);
        EXPECT_FALSE(MPNGTranslator().ImportImage(path, &image));
        EXPECT_EQ(image.GetWidth(), 3);
    }
    EXPECT_EQ(sys.log.lines.size(), 5u);
}

TEST(ImagesPlugin, LoadsAfterPellowAndTakesPartInLookUp)
{
    TestSystem sys;
    EXPECT_EQ(sys.LoadPlugins(), 2);
    ASSERT_EQ(sys.manager.GetTranslatorCount(TRANSLATOR_IMAGE), 4);
    const char* order[] = {"MTGATranslator", "MJPGTranslator", "MTGARLETranslator",
                           "MPNGTranslator"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sys.manager.GetImageTranslator(i)->ClassName(), order[i]);

    // Each file goes to the translator that reads it.
    TempDir dir;
    const std::string png = (dir.Path() / "textures/a.png").string();
    fs::create_directories(dir.Path() / "textures");
    WritePng(png, 2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6});
    const std::string rle = Conformance("ctc24.tga").string(), raw = Conformance("utc24.tga");
    EXPECT_EQ(sys.manager.FindImageTranslatorThatImports(png)->ClassName(), "MPNGTranslator");
    EXPECT_EQ(sys.manager.FindImageTranslatorThatImports(rle)->ClassName(), "MTGARLETranslator");
    EXPECT_EQ(sys.manager.FindImageTranslatorThatImports(raw)->ClassName(), "MTGATranslator");

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
