#include "MImage.h"

#include <algorithm>

bool MImage::SetSize(int width, int height, bool hasAlpha)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return false;
    const size_t pixels = size_t(width) * size_t(height);
    m_Colour.assign(pixels * 3, 0);
    m_Alpha.assign(hasAlpha ? pixels : 0, 255);
    m_Width = width;
    m_Height = height;
    m_HasAlpha = hasAlpha;
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
    for (int top = 0, bottom = m_Height - 1; top < bottom; ++top, --bottom)
    {
        std::swap_ranges(m_Colour.begin() + long(top * w * 3), m_Colour.begin() + long((top + 1) * w * 3),
                         m_Colour.begin() + long(bottom * w * 3));
        if (m_HasAlpha)
            std::swap_ranges(m_Alpha.begin() + long(top * w), m_Alpha.begin() + long((top + 1) * w),
                             m_Alpha.begin() + long(bottom * w));
    }
}
