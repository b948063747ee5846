#pragma once

#include "MStr.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A 24-bit device-independent picture as button pictures are stored: a BMP
// file with an information (40), version-4 (108) or core (12) header. Rows
// are kept bottom row first, blue, green, red per pixel, each row padded to
// four bytes, as the file stores them. No Qt here, so the reader can be
// fuzzed alone.
class MDIBImage
{
  public:
    // Reads a file; 1 on success, 0 when it cannot be read or is not a
    // picture this reader takes (the picture is then empty).
    int LoadFile(const MStr& fileName);
    // The same from bytes in memory.
    int LoadData(const uint8_t* data, size_t size);
    void Clear();

    bool IsEmpty() const { return m_Width <= 0 || m_Height <= 0; }
    int GetWidth() const { return m_Width; }
    int GetHeight() const { return m_Height; }
    // Bytes per stored row (width * 3 rounded up to a multiple of four).
    int GetStride() const { return m_Stride; }
    // The stored rows, bottom row first.
    const uint8_t* GetBits() const { return m_Bits.data(); }
    // The pixel at (x, y), y counted from the top, as 0xRRGGBB; 0 outside.
    uint32_t GetPixel(int x, int y) const;

  private:
    int m_Width = 0;
    int m_Height = 0;
    int m_Stride = 0;
    std::vector<uint8_t> m_Bits;
};
