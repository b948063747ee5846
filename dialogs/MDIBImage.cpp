#include "MDIBImage.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace
{
constexpr size_t kFileHeaderSize = 14;
// Pictures beyond this many pixels a side are refused; button pictures are small.
constexpr int64_t kMaxSide = 16384;

uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Read16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}
} // namespace

void MDIBImage::Clear()
{
    m_Width = m_Height = m_Stride = 0;
    m_Bits.clear();
    m_Bits.shrink_to_fit();
}

int MDIBImage::LoadFile(const MStr& fileName)
{
    Clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(fileName.c_str(), "rb"), std::fclose);
    if (!file)
        return 0;
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return 0;
    const long size = std::ftell(file.get());
    // A picture file larger than the largest picture taken is refused unread.
    if (size < 0 || size > kMaxSide * kMaxSide * 3 + 1024 ||
        std::fseek(file.get(), 0, SEEK_SET) != 0)
        return 0;
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size > 0 && std::fread(data.data(), 1, data.size(), file.get()) != data.size())
        return 0;
    return LoadData(data.data(), data.size());
}

int MDIBImage::LoadData(const uint8_t* data, size_t size)
{
    Clear();
    if (!data || size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
        return 0;
    const uint8_t* info = data + kFileHeaderSize;
    const size_t available = size - kFileHeaderSize;
    const uint32_t headerSize = Read32(info);
    if (headerSize != 40 && headerSize != 108 && headerSize != 12)
        return 0;
    if (available < headerSize)
        return 0;
    int64_t width = 0, height = 0;
    unsigned bits = 0;
    if (headerSize == 12)
    {
        width = Read16(info + 4);
        height = Read16(info + 6);
        bits = Read16(info + 10);
    }
    else
    {
        width = static_cast<int32_t>(Read32(info + 4));
        height = static_cast<int32_t>(Read32(info + 8));
        bits = Read16(info + 14);
        // Only uncompressed pictures carry their rows as read here.
        if (Read32(info + 16) != 0)
            return 0;
    }
    if (bits != 24)
        return 0;
    // A negative height means rows stored top row first.
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return 0;
    const int64_t stride = (width * 3 + 3) / 4 * 4;
    const size_t pixels = kFileHeaderSize + headerSize;
    if (static_cast<uint64_t>(stride * height) > size - pixels)
        return 0;

    m_Width = static_cast<int>(width);
    m_Height = static_cast<int>(height);
    m_Stride = static_cast<int>(stride);
    m_Bits.resize(static_cast<size_t>(stride * height));
    const uint8_t* rows = data + pixels;
    if (!topDown)
        std::memcpy(m_Bits.data(), rows, m_Bits.size());
    else
        for (int64_t r = 0; r < height; ++r)
            std::memcpy(m_Bits.data() + r * stride, rows + (height - 1 - r) * stride,
                        static_cast<size_t>(stride));
    return 1;
}

uint32_t MDIBImage::GetPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_Width || y >= m_Height)
        return 0;
    const uint8_t* p = m_Bits.data() + size_t(m_Height - 1 - y) * size_t(m_Stride) + size_t(x) * 3;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
