#pragma once

#include <cstdint>
#include <vector>

// A decoded picture: a colour buffer of 3 bytes a pixel (red, green, blue),
// rows from the top, and an alpha buffer of one byte a pixel when the image
// has alpha.
class MImage
{
  public:
    // Sizes both buffers for width x height (both at least 1) and clears
    // them (colour black, alpha opaque); false, leaving the image as it was,
    // for a size out of range.
    bool SetSize(int width, int height, bool hasAlpha = false);
    // Takes a finished colour buffer of width x height x 3 bytes, rows from the
    // top; the image has no alpha afterwards. False, leaving the image and the
    // buffer as they were, for a size out of range or a buffer of another length.
    bool SetColourBuffer(int width, int height, std::vector<uint8_t>&& colour);
    void Clear();
    void FlipVertical();

    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }
    bool HasAlpha() const { return m_HasAlpha; }
    void SetHasAlpha(bool hasAlpha);

    uint8_t* GetColourBuffer() { return m_Colour.empty() ? nullptr : m_Colour.data(); }
    const uint8_t* GetColourBuffer() const { return m_Colour.empty() ? nullptr : m_Colour.data(); }
    uint8_t* GetAlphaBuffer() { return m_HasAlpha ? m_Alpha.data() : nullptr; }
    const uint8_t* GetAlphaBuffer() const { return m_HasAlpha ? m_Alpha.data() : nullptr; }

    // The largest side accepted; keeps a hostile header from asking for gigabytes.
    static constexpr int kMaxSide = 32768;
    static bool IsValidSize(int width, int height)
    {
        return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide;
    }

  private:
    int m_Width = 0;
    int m_Height = 0;
    bool m_HasAlpha = false;
    std::vector<uint8_t> m_Colour;
    std::vector<uint8_t> m_Alpha;
};
