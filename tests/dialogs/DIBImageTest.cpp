// The button picture reader: the header kinds it takes, row padding and
// order, and files it must refuse without reading past their end.
#include "MDIBImage.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
// Pixel (x, y) from the top has blue x, green y, red x + y.
struct Picture
{
    int headerSize = 40, width = 2, height = 2, bits = 24;
    int dropBytes = 0; // bytes cut off the end
    bool topDown = false;
    int compression = 0;
};

std::vector<uint8_t> MakeBmp(const Picture& p)
{
    std::vector<uint8_t> b = {'B', 'M'};
    auto put = [&b](uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    put(0, 12);
    put(uint32_t(p.headerSize), 4);
    const int side = p.headerSize == 12 ? 2 : 4;
    put(uint32_t(p.width), side);
    put(uint32_t(p.topDown ? -p.height : p.height), side);
    put(1, 2);
    put(uint32_t(p.bits), 2);
    if (p.headerSize != 12)
        put(uint32_t(p.compression), 4);
    b.resize(size_t(14 + p.headerSize), 0);
    const int w = std::max(p.width, 0), h = std::max(p.height, 0);
    for (int r = 0; r < h; ++r)
    {
        const int y = p.topDown ? r : h - 1 - r;
        for (int x = 0; x < w; ++x)
            b.insert(b.end(), {uint8_t(x), uint8_t(y), uint8_t(x + y)});
        b.resize(b.size() + size_t((4 - w * 3 % 4) % 4), 0xEE); // row padding
    }
    b.resize(b.size() - size_t(p.dropBytes));
    return b;
}

TEST(DIBImage, LoadsEveryHeaderKindUprightWithPaddedRows)
{
    const std::pair<const char*, Picture> cases[] = {
        {"information header", {40, 4, 3}},
        {"version-4 header", {108, 2, 5}},
        {"core header", {12, 5, 3}},
        {"33 pixels wide: rows padded from 99 to 100 bytes", {40, 33, 4}},
        {"rows stored top-down", {40, 7, 3, 24, 0, true}},
        {"the widest picture taken", {40, 16384, 1}},
    };
    for (const auto& [what, picture] : cases)
    {
        SCOPED_TRACE(what);
        const std::vector<uint8_t> bytes = MakeBmp(picture);
        MDIBImage image;
        ASSERT_EQ(image.LoadData(bytes.data(), bytes.size()), 1);
        ASSERT_EQ(image.GetWidth(), picture.width);
        ASSERT_EQ(image.GetHeight(), picture.height);
        EXPECT_EQ(image.GetStride(), (picture.width * 3 + 3) / 4 * 4);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                ASSERT_EQ(image.GetPixel(x, y), uint32_t((x + y) & 0xFF) << 16 |
                                                    uint32_t(y & 0xFF) << 8 | uint32_t(x & 0xFF))
                    << x << "," << y;
        // Outside the picture there is nothing, not the row padding.
        for (auto [x, y] : {std::pair{picture.width, 0}, {-1, 0}, {0, picture.height}, {0, -1}})
            EXPECT_EQ(image.GetPixel(x, y), 0u) << x << "," << y;
    }
}

TEST(DIBImage, RefusesFilesItCannotHoldWithoutReadingPastThem)
{
    const std::pair<const char*, Picture> cases[] = {
        {"8 bits a pixel", {40, 2, 2, 8}},
        {"32 bits a pixel", {40, 2, 2, 32}},
        {"compressed", {40, 2, 2, 24, 0, false, 1}},
        {"unknown header size", {56, 2, 2}},
        {"zero width", {40, 0, 2}},
        {"zero height", {40, 2, 0}},
        {"negative width", {40, -3, 2}},
        {"wider than any picture taken", {40, 16385, 1}},
        {"rows cut short by one byte", {40, 33, 4, 24, 1}},
        {"shorter than its header", {40, 2, 2, 24, 30}},
        {"rows the file cannot hold", {40, 16000, 1, 24, 48000}},
    };
    for (const auto& [what, picture] : cases)
    {
        SCOPED_TRACE(what);
        std::vector<uint8_t> bytes = MakeBmp(picture);
        // An exact-size copy, so the sanitizers catch a read past the end.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
        std::memcpy(exact.get(), bytes.data(), bytes.size());
        MDIBImage image;
        EXPECT_EQ(image.LoadData(exact.get(), bytes.size()), 0);
        EXPECT_TRUE(image.IsEmpty());
    }
    std::vector<uint8_t> notBm = MakeBmp({});
    notBm[0] = 'X';
    MDIBImage image;
    EXPECT_EQ(image.LoadData(notBm.data(), notBm.size()), 0);
    // Files: a missing one is refused, a button picture loads.
    EXPECT_EQ(image.LoadFile(MStr(GLAZEN_TEST_DATA "/images/no-such.bmp")), 0);
    EXPECT_EQ(image.LoadFile(MStr(GLAZEN_TEST_DATA "/images/button33x4.bmp")), 1);
    EXPECT_EQ(image.GetWidth(), 33);
}

} // namespace
