#include "MImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
// A 2 x 3 image with alpha whose every byte tells its row.
MImage RowMarkedImage()
{
    MImage image;
    EXPECT_TRUE(image.SetSize(2, 3, true));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
        {
            for (int c = 0; c < 3; ++c)
                image.GetColourBuffer()[(y * 2 + x) * 3 + c] = uint8_t(10 * y + c);
            image.GetAlphaBuffer()[y * 2 + x] = uint8_t(100 + y);
        }
    return image;
}
} // namespace

TEST(MImage, SetSizeClearsBuffersAndRefusesSizesOutOfRangeWithoutChange)
{
    MImage image;
    ASSERT_TRUE(image.SetSize(3, 2, true));
    EXPECT_EQ(image.GetColourBuffer()[0], 0);
    EXPECT_EQ(image.GetAlphaBuffer()[5], 255);
    image.GetColourBuffer()[17] = 42;

    for (auto [w, h] : {std::pair{0, 2}, {3, 0}, {-1, 2}, {3, -5}, {MImage::kMaxSide + 1, 1}})
    {
        EXPECT_FALSE(image.SetSize(w, h)) << w << " x " << h;
        EXPECT_EQ(image.GetWidth(), 3);
        EXPECT_EQ(image.GetHeight(), 2);
        EXPECT_TRUE(image.HasAlpha());
        EXPECT_EQ(image.GetColourBuffer()[17], 42);
    }

    ASSERT_TRUE(image.SetSize(1, 1));
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_EQ(image.GetAlphaBuffer(), nullptr);
    image.Clear();
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetColourBuffer(), nullptr);
}

TEST(MImage, FlipVerticalSwapsColourAndAlphaRows)
{
    MImage image = RowMarkedImage();
    image.FlipVertical();
    for (int y = 0; y < 3; ++y)
    {
        const int from = 2 - y;
        EXPECT_EQ(image.GetColourBuffer()[(y * 2 + 1) * 3 + 2], 10 * from + 2) << "row " << y;
        EXPECT_EQ(image.GetAlphaBuffer()[y * 2], 100 + from) << "row " << y;
    }
    image.FlipVertical();
    const MImage original = RowMarkedImage();
    EXPECT_TRUE(std::equal(image.GetColourBuffer(), image.GetColourBuffer() + 18,
                           original.GetColourBuffer()));

    MImage empty;
    empty.FlipVertical(); // nothing to do, nothing touched
    EXPECT_EQ(empty.GetHeight(), 0);
}

TEST(MImage, SetColourBufferTakesOnlyABufferOfTheRightLength)
{
    MImage image = RowMarkedImage();
    std::vector<uint8_t> shortBuffer(4 * 2 * 3 - 1, 7);
    EXPECT_FALSE(image.SetColourBuffer(4, 2, std::move(shortBuffer)));
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_TRUE(image.HasAlpha());
    std::vector<uint8_t> right(4 * 2 * 3, 7);
    EXPECT_FALSE(image.SetColourBuffer(0, 2, std::move(right)));

    std::vector<uint8_t> pixels(4 * 2 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i);
    ASSERT_TRUE(image.SetColourBuffer(4, 2, std::move(pixels)));
    EXPECT_EQ(image.GetWidth(), 4);
    EXPECT_EQ(image.GetHeight(), 2);
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_EQ(image.GetAlphaBuffer(), nullptr);
    EXPECT_EQ(image.GetColourBuffer()[23], 23);
}

TEST(MImage, SetHasAlphaGivesAnOpaqueAlphaBufferOfThePictureSize)
{
    MImage image;
    ASSERT_TRUE(image.SetSize(5, 4));
    image.SetHasAlpha(true);
    ASSERT_NE(image.GetAlphaBuffer(), nullptr);
    EXPECT_EQ(image.GetAlphaBuffer()[19], 255);
    image.SetHasAlpha(false);
    EXPECT_EQ(image.GetAlphaBuffer(), nullptr);
}
