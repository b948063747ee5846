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
    // them; false, leaving the image as it was, for a size out of range.
    bool SetSize(int width, int height, bool hasAlpha = false);
    void Clear();
    void FlipVertical();

    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }
    bool HasAlpha() const { return m_HasAlpha; }
    void SetHasAlpha(bool hasAlpha);

    uint8_t* GetColourBuffer() { return m_Colour.data(); }
    const uint8_t* GetColourBuffer() const { return m_Colour.data(); }
    uint8_t* GetAlphaBuffer() { return m_HasAlpha ? m_Alpha.data() : nullptr; }
    const uint8_t* GetAlphaBuffer() const { return m_HasAlpha ? m_Alpha.data() : nullptr; }

    // The largest side accepted; keeps a hostile header from asking for gigabytes.
    static constexpr int kMaxSide = 32768;

  private:
    int m_Width = 0;
    int m_Height = 0;
    bool m_HasAlpha = false;
    std::vector<uint8_t> m_Colour;
    std::vector<uint8_t> m_Alpha;
};
