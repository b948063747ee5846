#include "MGLFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QPainter>

#include <GL/gl.h>

#include <algorithm>
#include <vector>

namespace
{
// Control codes have no glyph; their lists draw nothing and do not advance.
bool IsControlCode(int code)
{
    return code < 32 || (code >= 127 && code < 160);
}

// One glyph as a glBitmap: rows bottom to top, one bit a pixel, most
// significant bit leftmost, rows padded to whole bytes.
struct GlyphBitmap
{
    int width = 0;
    int height = 0;
    float xorig = 0;
    float yorig = 0;
    float advance = 0;
    std::vector<GLubyte> bits;
};

GlyphBitmap RenderGlyph(const QFont& font, const QFontMetrics& fm, int code)
{
    GlyphBitmap g;
    if (IsControlCode(code))
        return g;
    const QChar ch(static_cast<char16_t>(code));
    const int advance = fm.horizontalAdvance(ch);
    const QRect bounds = fm.boundingRect(ch);
    // The image spans the advance and any ink that overhangs it.
    const int left = std::min(0, bounds.left());
    const int right = std::max(advance, bounds.right() + 1);
    g.width = std::max(0, right - left);
    g.height = std::max(0, fm.ascent() + fm.descent());
    g.xorig = float(-left);
    g.yorig = float(fm.descent());
    g.advance = float(advance);
    if (g.width == 0 || g.height == 0)
        return g;

    QImage image(g.width, g.height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(-left, fm.ascent()), QString(ch));
    }

    const int rowBytes = (g.width + 7) / 8;
    g.bits.assign(size_t(rowBytes) * size_t(g.height), 0);
    for (int row = 0; row < g.height; ++row)
    {
        // Bitmap row 0 is the bottom row of the image.
        const QRgb* src = reinterpret_cast<const QRgb*>(image.constScanLine(g.height - 1 - row));
        GLubyte* dst = g.bits.data() + size_t(row) * size_t(rowBytes);
        for (int x = 0; x < g.width; ++x)
            if (qAlpha(src[x]) >= 128)
                dst[x / 8] |= GLubyte(0x80u >> (x % 8));
    }
    return g;
}
} // namespace

QFont MDefaultGuiFont()
{
    if (QGuiApplication::instance())
        return QGuiApplication::font();
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

bool MFontListsPresent(unsigned base)
{
    if (!QOpenGLContext::currentContext())
        return false;
    return glIsList(base) && glIsList(base + kFontListCount - 1);
}

bool MBuildFontLists(const QFont& font, unsigned base)
{
    if (!QOpenGLContext::currentContext())
        return false;
    QFont glyphFont(font);
    // glBitmap draws one bit a pixel: render the glyphs without smoothing.
    glyphFont.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics fm(glyphFont);
    // Errors left over from earlier calls are not ours to report.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i)
    {
    }

    // glBitmap reads its pixels when the list is compiled, with the pixel
    // unpacking state of that moment.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    for (int code = 0; code < kFontListCount; ++code)
    {
        const GlyphBitmap g = RenderGlyph(glyphFont, fm, code);
        glNewList(base + unsigned(code), GL_COMPILE);
        if (g.advance != 0 || g.width != 0)
            glBitmap(g.width, g.height, g.xorig, g.yorig, g.advance, 0.0f,
                     g.bits.empty() ? nullptr : g.bits.data());
        glEndList();
    }
    glPopClientAttrib();
    return glGetError() == GL_NO_ERROR;
}

bool MEnsureFontLists(unsigned base)
{
    if (!QOpenGLContext::currentContext())
        return false;
    if (MFontListsPresent(base))
        return true;
    return MBuildFontLists(MDefaultGuiFont(), base);
}

void MDrawGLText(std::string_view text)
{
    if (text.empty() || !QOpenGLContext::currentContext())
        return;
    glPushAttrib(GL_LIST_BIT);
    glListBase(kFontListBase);
    glCallLists(GLsizei(text.size()), GL_UNSIGNED_BYTE, text.data());
    glPopAttrib();
}

QSize MMeasureFontText(const QFont& font)
{
    const QFontMetrics fm(font);
    return QSize(fm.horizontalAdvance(QString::fromLatin1(kFontMeasureText)), fm.height());
}
