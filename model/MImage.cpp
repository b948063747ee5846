#include "MImage.h"

#include <algorithm>

bool MImage::SetSize(int width, int height, bool hasAlpha)
{
    if (!IsValidSize(width, height))
        return false;
    const size_t pixels = size_t(width) * size_t(height);
    // Both buffers are sized before anything is changed, so a failed
    // allocation leaves the image as it was.
    std::vector<uint8_t> colour(pixels * 3, 0);
    std::vector<uint8_t> alpha(hasAlpha ? pixels : 0, 255);
    m_Colour.swap(colour);
    m_Alpha.swap(alpha);
    m_Width = width;
    m_Height = height;
    m_HasAlpha = hasAlpha;
    return true;
}

bool MImage::SetColourBuffer(int width, int height, std::vector<uint8_t>&& colour)
{
    if (!IsValidSize(width, height) || colour.size() != size_t(width) * size_t(height) * 3)
        return false;
    m_Colour = std::move(colour);
    m_Alpha.clear();
    m_Width = width;
    m_Height = height;
    m_HasAlpha = false;
    return true;
}

void MImage::Clear()
{
    m_Width = m_Height = 0;
    m_HasAlpha = false;
    m_Colour.clear();
    m_Alpha.clear();
}

void MImage::SetHasAlpha(bool hasAlpha)
{
    m_HasAlpha = hasAlpha;
    m_Alpha.assign(hasAlpha ? size_t(m_Width) * size_t(m_Height) : 0, 255);
}

void MImage::FlipVertical()
{
    const size_t w = size_t(m_Width);
    for (size_t top = 0, bottom = size_t(m_Height); top + 1 < bottom; ++top)
    {
        --bottom;
        std::swap_ranges(m_Colour.begin() + long(top * w * 3),
                         m_Colour.begin() + long((top + 1) * w * 3),
                         m_Colour.begin() + long(bottom * w * 3));
        if (m_HasAlpha)
            std::swap_ranges(m_Alpha.begin() + long(top * w), m_Alpha.begin() + long((top + 1) * w),
                             m_Alpha.begin() + long(bottom * w));
    }
}
