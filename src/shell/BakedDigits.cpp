#include "shell/BakedDigits.h"

#include "shell/BakedPixels.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace zarovia::shell {

namespace {

constexpr int kOne = 64;  // text positions are kept in 1/64 pixels, as Qt keeps them
// Qt's raster engine rounds a glyph's baseline down after adding just under half a pixel.
constexpr int kBaselineRounding = 31;
// A line edit keeps this many pixels between its edge and its text.
constexpr int kLineEditMargin = 2;

int glyphIndex(QChar c) {
    if (c.unicode() == 0 || c.unicode() > 0x7f) return -1;
    const char* at = std::strchr(kBakedDigitChars, static_cast<char>(c.unicode()));
    return at ? static_cast<int>(at - kBakedDigitChars) : -1;
}

int floorDivide(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

int advance64(const QString& text) {
    int sum = 0;
    for (QChar c : text)
        if (const int index = glyphIndex(c); index >= 0) sum += baked::kDigitFont.advances64[index];
    return sum;
}

// The glyph's coverage in `colour`, premultiplied as Qt blends a glyph's coverage.
QImage tinted(const baked::BakedCoverage& glyph, const QColor& colour) {
    QImage image(glyph.width, glyph.height, QImage::Format_ARGB32_Premultiplied);
    const QRgb rgb = colour.rgb();
    const int alpha = colour.alpha();
    for (int y = 0; y < glyph.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint8_t* coverage = glyph.alpha + static_cast<std::ptrdiff_t>(y) * glyph.width;
        for (int x = 0; x < glyph.width; ++x)
            row[x] = qPremultiply(
                qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), (coverage[x] * alpha + 127) / 255));
    }
    return image;
}

// Sets `text` with its pen starting at (penX, baselineY) in the painter's space. The engine
// keeps each glyph's position in device pixels to 1/64 and draws the glyph on the device pixel
// and quarter below it; drawing unscaled, it takes the quarter for the position 1/64 later.
void drawRun(QPainter& painter, qreal penX, qreal baselineY, const QString& text,
             const QColor& colour, qreal devicePixelRatio) {
    const int density = devicePixelRatio > 1.5 ? 2 : 1;
    const baked::BakedDigitGlyphs& glyphs =
        density == 2 ? baked::kDigitGlyphsDoubleDensity : baked::kDigitGlyphs;
    const int nudge = density == 1 ? 1 : 0;
    const int origin64 = qRound(penX * density * kOne);
    const int baselineRow =
        floorDivide(qRound(baselineY * density * kOne) + kBaselineRounding, kOne);
    int advance64 = 0;
    for (QChar c : text) {
        const int index = glyphIndex(c);
        if (index < 0) continue;  // callers check bakedDigitsServe() first
        const int device64 = origin64 + advance64 * density;
        int column = floorDivide(device64, kOne);
        int position = (device64 - column * kOne + nudge) * kBakedDigitPenPositions / kOne;
        if (position == kBakedDigitPenPositions) {  // just short of the next pixel
            ++column;
            position = 0;
        }
        QImage image = tinted(glyphs.glyphs[index][position], colour);
        image.setDevicePixelRatio(density);
        painter.drawImage(QPointF(qreal(column - glyphs.penColumn) / density,
                                  qreal(baselineRow - glyphs.baselineRow) / density),
                          image);
        advance64 += baked::kDigitFont.advances64[index];
    }
}

}  // namespace

QFont bakedDigitFont() {
    QFont font(QString::fromUtf8(kBakedLabelFace));
    font.setPixelSize(kBakedDigitPixelSize);
    font.setBold(true);
    return font;
}

bool bakedDigitsServe(const QFont& font, const QString& text, qreal devicePixelRatio) {
    if (devicePixelRatio != 1.0 && devicePixelRatio != 2.0) return false;
    if (font.family() != QString::fromUtf8(kBakedLabelFace) ||
        font.pixelSize() != kBakedDigitPixelSize || !font.bold() || font.italic() ||
        font.underline() || font.strikeOut() || font.letterSpacing() != 0 ||
        font.wordSpacing() != 0 || font.stretch() > QFont::Unstretched)
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return glyphIndex(c) >= 0; });
}

void drawBakedDigits(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                     const QString& text, const QColor& colour, qreal devicePixelRatio) {
    const baked::BakedDigitFont& font = baked::kDigitFont;
    const qreal width = qreal(advance64(text)) / kOne;
    const qreal height = qreal(font.ascent64 + font.descent64) / kOne;
    qreal x = rect.x(), y = rect.y();
    if (alignment & Qt::AlignRight)
        x += rect.width() - width;
    else if (alignment & Qt::AlignHCenter)
        x += (rect.width() - width) / 2;
    if (alignment & Qt::AlignBottom)
        y += rect.height() - height;
    else if (alignment & Qt::AlignVCenter)
        y += (rect.height() - height) / 2;
    // Text larger than its rectangle is cut at the rectangle's edges.
    const bool clip = !QRectF(rect).contains(QRectF(x, y, width, height));
    if (clip) {
        painter.save();
        painter.setClipRect(rect, Qt::IntersectClip);
    }
    drawRun(painter, x, y + qreal(font.ascent64) / kOne, text, colour, devicePixelRatio);
    if (clip) painter.restore();
}

void drawBakedDigitsAsLineEdit(QPainter& painter, const QRect& editRect, const QString& text,
                               const QColor& colour, qreal devicePixelRatio) {
    const baked::BakedDigitFont& font = baked::kDigitFont;
    // A line edit centres its font's line down its height and starts the text after its margin.
    const int lineTop = editRect.y() + (editRect.height() - font.height + 1) / 2;
    const int left = editRect.x() + kLineEditMargin;
    drawRun(painter, left, lineTop + qreal(font.ascent64) / kOne, text, colour, devicePixelRatio);
}

}  // namespace zarovia::shell
