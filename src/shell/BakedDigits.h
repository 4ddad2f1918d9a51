#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace zarovia::shell {

// The tool bar's number fields set their numbers from glyphs baked at build time (BakedLabels.h)
// instead of through the font, so that a window showing pictures never loads a font. The glyphs
// are placed as Qt's text layout and raster engine place them: pen positions in 1/64 pixels, the
// advances the font gives, each glyph on the quarter pixel below its pen position.

// The font the baked glyphs were made in.
QFont bakedDigitFont();
// Whether `text` can be drawn from the baked glyphs: `font` is theirs, every character is
// baked, and the screen has one or two device pixels per pixel.
bool bakedDigitsServe(const QFont& font, const QString& text, qreal devicePixelRatio);

// `text` as QPainter::drawText(rect, alignment, text) sets one line: aligned left, right or
// centred across `rect`, and centred down it (or at its top or bottom).
void drawBakedDigits(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                     const QString& text, const QColor& colour, qreal devicePixelRatio);

// `text` as a line edit without a frame, occupying `editRect`, sets it aligned left and centred
// down.
void drawBakedDigitsAsLineEdit(QPainter& painter, const QRect& editRect, const QString& text,
                               const QColor& colour, qreal devicePixelRatio);

}  // namespace zarovia::shell
