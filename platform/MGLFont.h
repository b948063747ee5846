#pragma once

#include <QSize>
#include <string_view>

class QFont;

// Bitmap font display lists for OpenGL text: one list per character code
// 0..254 at list base 1000. A list draws its glyph at the current raster
// position and advances the raster position by the glyph's width. Text is
// drawn with one list per byte.
inline constexpr unsigned kFontListBase = 1000;
inline constexpr int kFontListCount = 255;

// The text whose pixel extent views keep as their measure of the font.
inline constexpr const char* kFontMeasureText =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// The default GUI font.
QFont MDefaultGuiFont();

// True when the current context already sees the font lists (built in it, or
// in a context it shares lists with).
bool MFontListsPresent(unsigned base = kFontListBase);

// Builds the font lists in the current OpenGL context from the font's glyphs.
// Returns false when no context is current.
bool MBuildFontLists(const QFont& font, unsigned base = kFontListBase);

// Builds the lists unless the context already sees them; false when no
// context is current.
bool MEnsureFontLists(unsigned base = kFontListBase);

// Draws the text at the current raster position, one list per byte, with
// list base 1000.
void MDrawGLText(std::string_view text);

// Width and height in pixels of kFontMeasureText in the font.
QSize MMeasureFontText(const QFont& font);
