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
void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

// Pixel (x, y) from the top has blue x, green y, red x + y.
struct Picture
{
    int headerSize = 40;
    int width = 2;
    int height = 2;
    int bits = 24;
    int dropBytes = 0; // bytes cut off the end
    bool topDown = false;
};

std::vector<uint8_t> MakeBmp(const Picture& p)
{
    std::vector<uint8_t> b = {'B', 'M'};
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, uint32_t(p.headerSize));
    if (p.headerSize == 12)
    {
        Put16(b, uint16_t(p.width));
        Put16(b, uint16_t(p.height));
        Put16(b, 1);
        Put16(b, uint16_t(p.bits));
    }
    else
    {
        Put32(b, uint32_t(p.width));
        Put32(b, uint32_t(p.topDown ? -p.height : p.height));
        Put16(b, 1);
        Put16(b, uint16_t(p.bits));
        while (b.size() < size_t(14 + p.headerSize))
            b.push_back(0);
    }
    const int w = p.width > 0 ? p.width : 0, h = p.height > 0 ? p.height : 0;
    const int stride = (w * 3 + 3) / 4 * 4;
    for (int r = 0; r < h; ++r)
    {
        const int y = p.topDown ? r : h - 1 - r;
        for (int x = 0; x < w; ++x)
        {
            b.push_back(uint8_t(x));
            b.push_back(uint8_t(y));
            b.push_back(uint8_t(x + y));
        }
        for (int pad = w * 3; pad < stride; ++pad)
            b.push_back(0xEE);
    }
    b.resize(b.size() - size_t(p.dropBytes));
    return b;
}

uint32_t Expected(int x, int y)
{
    return uint32_t((x + y) & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | uint32_t(x & 0xFF);
}

TEST(DIBImage, LoadsEveryHeaderKindUprightWithPaddedRows)
{
    struct Case
    {
        const char* what;
        Picture picture;
    } cases[] = {
        {"information header", {40, 4, 3}},
        {"version-4 header", {108, 2, 5}},
        {"core header", {12, 5, 3}},
        {"33 pixels wide: rows padded from 99 to 100 bytes", {40, 33, 4}},
        {"rows stored top-down", {40, 7, 3, 24, 0, true}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> bytes = MakeBmp(c.picture);
        MDIBImage image;
        ASSERT_EQ(image.LoadData(bytes.data(), bytes.size()), 1);
        ASSERT_EQ(image.GetWidth(), c.picture.width);
        ASSERT_EQ(image.GetHeight(), c.picture.height);
        EXPECT_EQ(image.GetStride() % 4, 0);
        for (int y = 0; y < c.picture.height; ++y)
            for (int x = 0; x < c.picture.width; ++x)
                ASSERT_EQ(image.GetPixel(x, y), Expected(x, y)) << x << "," << y;
    }
}

TEST(DIBImage, RefusesFilesItCannotHoldWithoutReadingPastThem)
{
    struct Case
    {
        const char* what;
        Picture picture;
    } cases[] = {
        {"8 bits a pixel", {40, 2, 2, 8}},
        {"32 bits a pixel", {40, 2, 2, 32}},
        {"unknown header size", {56, 2, 2}},
        {"zero width", {40, 0, 2}},
        {"zero height", {40, 2, 0}},
        {"negative width", {40, -3, 2}},
        {"rows cut short by one byte", {40, 33, 4, 24, 1}},
        {"shorter than its header", {40, 2, 2, 24, 30}},
        {"width far beyond the file", {40, 100000, 1, 24, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = MakeBmp(c.picture);
        // Exact-size copy so a read past the end would be caught by the sanitizers.
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
}

TEST(DIBImage, LoadsFromFileAndRefusesAMissingOne)
{
    MDIBImage image;
    EXPECT_EQ(image.LoadFile(MStr(GLAZEN_TEST_DATA "/images/button33x4.bmp")), 1);
    EXPECT_EQ(image.GetWidth(), 33);
    EXPECT_EQ(image.GetStride(), 100);
    EXPECT_EQ(image.LoadFile(MStr(GLAZEN_TEST_DATA "/images/no-such.bmp")), 0);
    EXPECT_TRUE(image.IsEmpty());
}
} // namespace
