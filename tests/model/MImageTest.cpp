#include "MImage.h"
#include "MImageFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
// A 2 x 3 image with alpha whose every byte tells its row.
MImage RowMarkedImage()
{
    MImage image;
    EXPECT_TRUE(image.SetSize(2, 3, true));
    for (int i = 0; i < 6; ++i)
    {
        for (int c = 0; c < 3; ++c)
            image.GetColourBuffer()[i * 3 + c] = uint8_t(10 * (i / 2) + c);
        image.GetAlphaBuffer()[i] = uint8_t(100 + i / 2);
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
        EXPECT_EQ(image.GetWidth() * 10 + image.GetHeight(), 32);
        EXPECT_TRUE(image.HasAlpha());
        EXPECT_EQ(image.GetColourBuffer()[17], 42);
    }
    ASSERT_TRUE(image.SetSize(5, 4));
    EXPECT_EQ(image.GetAlphaBuffer(), nullptr);
    image.SetHasAlpha(true);
    EXPECT_EQ(image.GetAlphaBuffer()[19], 255);
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
        EXPECT_EQ(image.GetColourBuffer()[(y * 2 + 1) * 3 + 2], 10 * (2 - y) + 2) << "row " << y;
        EXPECT_EQ(image.GetAlphaBuffer()[y * 2], 100 + 2 - y) << "row " << y;
    }
    MImage empty;
    empty.FlipVertical(); // nothing to do, nothing touched
    EXPECT_EQ(empty.GetHeight(), 0);
}

TEST(MImage, SetColourBufferTakesOnlyABufferOfTheRightLength)
{
    MImage image = RowMarkedImage();
    EXPECT_FALSE(image.SetColourBuffer(4, 2, std::vector<uint8_t>(4 * 2 * 3 - 1, 7)));
    EXPECT_FALSE(image.SetColourBuffer(0, 2, std::vector<uint8_t>(4 * 2 * 3, 7)));
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_TRUE(image.HasAlpha());
    std::vector<uint8_t> pixels(4 * 2 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i);
    ASSERT_TRUE(image.SetColourBuffer(4, 2, std::move(pixels)));
    EXPECT_EQ(image.GetWidth() * 10 + image.GetHeight(), 42);
    EXPECT_EQ(image.GetAlphaBuffer(), nullptr);
    EXPECT_EQ(image.GetColourBuffer()[23], 23);
}

TEST(MImageFile, ARefusedDecodeIsLoggedAndLeavesTheImageAlone)
{
    TestSystem sys;
    TempDir dir;
    const MImageDecoder decode = [](const std::vector<uint8_t>& file, MImage& out, const char*& why)
    {
        why = "too short";
        return file.size() >= 2 && out.SetSize(int(file.size()), 1);
    };
    const uint8_t bytes[] = {1, 2, 3};
    MImage image = RowMarkedImage();
    EXPECT_FALSE(DecodeImageData("T", "mem", bytes, 1, &image, decode));
    EXPECT_FALSE(DecodeImageData("T", "mem", nullptr, 3, &image, decode));
    EXPECT_FALSE(DecodeImageData("T", "mem", bytes, 3, nullptr, decode));
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(sys.log.lines, std::vector<std::string>{"T: 'mem' not read: too short."});
    ASSERT_TRUE(DecodeImageData("T", "mem", bytes, 3, &image, decode));
    EXPECT_EQ(image.GetWidth(), 3);

    const std::string path = dir.Write("a.bin", "xy");
    ASSERT_TRUE(ImportImageFile("T", path, &image, decode));
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_FALSE(ImportImageFile("T", path + "x", &image, decode));
    EXPECT_EQ(sys.log.lines.size(), 2u);
    uint8_t head[3] = {};
    EXPECT_TRUE(ReadImageFileHead(path, head, 2));
    EXPECT_EQ(head[1], 'y');
    EXPECT_FALSE(ReadImageFileHead(path, head, 3));
}
