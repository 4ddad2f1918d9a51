#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"
#include "platform/Cancellation.h"

#include <algorithm>
#include <cmath>

// Bitmaps: blits with their raster operations, masks and parallelograms.
namespace zarovia::picture::metafile {

namespace {

// The ternary raster operation's code: the middle byte of the 32-bit value.
std::uint32_t ropCode(std::uint32_t rop) {
    return (rop >> 16) & 0xFF;
}

bool usesSource(std::uint32_t code) {
    // A code whose result does not change when the source bits do needs no source.
    return ((code >> 2) & 0x33) != (code & 0x33);
}

// Keeps the pixels of a premultiplied image where the mask has the value `where` (0 or 255)
// and clears the others. Mask pixel (x + offset.x, y + offset.y) lies over image pixel
// (x, y); outside the mask a pixel counts as 0.
void applyMask(QImage& image, const QImage& mask, QPoint offset, std::uint8_t where) {
    for (int y = 0; y < image.height(); ++y) {
        checkpoint();
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int my = y + offset.y();
        const uchar* maskLine = my >= 0 && my < mask.height() ? mask.constScanLine(my) : nullptr;
        for (int x = 0; x < image.width(); ++x) {
            const int mx = x + offset.x();
            const std::uint8_t bit =
                maskLine && mx >= 0 && mx < mask.width() && maskLine[mx] ? 255 : 0;
            if (bit != where) line[x] = 0;
        }
    }
}

// Multiplies every channel of a premultiplied image by `opacity`, in place.
void fade(QImage& image, double opacity) {
    const auto factor = static_cast<std::uint32_t>(std::lround(opacity * 256));
    for (int y = 0; y < image.height(); ++y) {
        checkpoint();
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgba(static_cast<int>(qRed(p) * factor >> 8),
                            static_cast<int>(qGreen(p) * factor >> 8),
                            static_cast<int>(qBlue(p) * factor >> 8),
                            static_cast<int>(qAlpha(p) * factor >> 8));
        }
    }
}

}  // namespace

// One side of a blit: the operation `code` over the image's place, limited by the mask where
// there is one (`where`: the mask value this side draws on).
void Gdi::blitSide(const Blit& b, std::uint32_t code, std::optional<std::uint8_t> where,
                   const QTransform& imageToLogical, const QRect& crop) {
    if (code == 0xAA) return;  // the destination stays
    const QTransform& t = toDevice();
    const QPolygonF place = (imageToLogical * t).map(QPolygonF(QRectF(QPointF(0, 0), crop.size())));
    const QRectF destDevice = place.boundingRect();
    if (!inRangeRect(destDevice)) return;

    QImage image;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (!usesSource(code)) {
        QColor colour = Qt::white;
        switch (code) {
            case 0x00:  // BLACKNESS
                colour = Qt::black;
                break;
            case 0xFF:  // WHITENESS
                break;
            case 0x55:  // DSTINVERT
                mode = QPainter::CompositionMode_Difference;
                break;
            default: {  // PATCOPY, PATINVERT and the other pattern operations
                const QBrush brush = makeBrush(dc_.brush);
                if (brush.style() == Qt::NoBrush) return;
                if (code == 0x5A) mode = QPainter::CompositionMode_Difference;
                if (!where) {
                    QPainterPath area;
                    area.addPolygon(place);
                    area.closeSubpath();
                    emitFill(area, brush, mode);
                    return;
                }
                colour = brush.color();
                break;
            }
        }
        if (!where) {
            QPainterPath area;
            area.addPolygon(place);
            area.closeSubpath();
            emitFill(area, QBrush(colour), mode);
            return;
        }
        if (!reserveImagePixels(static_cast<std::int64_t>(crop.width()) * crop.height())) return;
        image = QImage(crop.size(), QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) return;
        image.fill(colour);
    } else {
        // The pixels are shared with the bitmap unless the operation changes them.
        image = premultipliedCopy(b.image, crop);
        if (image.isNull()) return;
        switch (code) {
            case 0xCC:
                break;  // SRCCOPY
            case 0x88:
                mode = QPainter::CompositionMode_Multiply;
                break;  // SRCAND
            case 0xEE:
                mode = QPainter::CompositionMode_Lighten;
                break;  // SRCPAINT
            case 0x66:
                mode = QPainter::CompositionMode_Difference;
                break;  // SRCINVERT
            case 0x33:
                image.invertPixels();
                break;  // NOTSRCCOPY
            case 0x11:  // NOTSRCERASE
                image.invertPixels();
                mode = QPainter::CompositionMode_Multiply;
                break;
            case 0xBB:  // MERGEPAINT: (NOT source) OR destination
                image.invertPixels();
                mode = QPainter::CompositionMode_Lighten;
                break;
            default:
                break;  // SRCERASE, MERGECOPY and the rest: the source as it is
        }
        if (b.constantAlpha < 1.0) fade(image, std::max(0.0, b.constantAlpha));
    }
    if (where)
        applyMask(image, b.mask, b.maskOrigin + crop.topLeft() - b.source.topLeft().toPoint(),
                  *where);

    ImageItem step;
    step.mode = mode;
    step.frame = imageToLogical * t;
    // Only the halftone mode smooths a stretched bitmap; the others keep its pixels square.
    step.smooth = dc_.stretchMode == HALFTONE;
    const std::int64_t pixels = static_cast<std::int64_t>(image.width()) * image.height();
    step.image = std::move(image);
    if (!afford(cost_.image(destDevice, pixels))) return;
    if (!list_.addImage(std::move(step))) {
        stop();
        return;
    }
    drawnBounds_ = drawnBounds_.united(destDevice);
}

void Gdi::blit(const Blit& b) {
    if (exhausted_ || bracket_) return;  // outlines of text and bitmaps do not join a path
    // The place of the source rectangle: three corners in logical coordinates.
    QPointF p0, p1, p2;
    if (b.corners) {
        p0 = (*b.corners)[0];
        p1 = (*b.corners)[1];
        p2 = (*b.corners)[2];
    } else {
        if (b.dest.width() == 0 || b.dest.height() == 0) return;
        p0 = b.dest.topLeft();
        p1 = QPointF(b.dest.x() + b.dest.width(), b.dest.y());
        p2 = QPointF(b.dest.x(), b.dest.y() + b.dest.height());
    }
    const std::uint32_t fore = ropCode(b.rop);
    const bool masked = !b.mask.isNull();
    const std::uint32_t back = masked ? (b.rop >> 24) & 0xFF : 0xAA;
    // A source that could not be read draws nothing, rather than the operation without it.
    if (b.image.isNull() && (usesSource(fore) || (masked && usesSource(back)))) return;

    // The pixels of the source (or, for operations without one, of the mask or of a unit
    // square) and the part of them that lies inside the image.
    QRectF full = b.source;
    QRect bounds = b.image.rect();
    if (b.image.isNull()) bounds = masked ? b.mask.rect() : QRect(0, 0, 1, 1);
    // Without a source or a mask there is nothing the source rectangle could pick: the
    // operation covers the whole destination (a BitBlt of PATCOPY names a source rectangle
    // as large as its destination all the same).
    if (full.isEmpty() || (b.image.isNull() && !masked)) full = QRectF(bounds);
    const QRect crop = full.normalized().toAlignedRect().intersected(bounds);
    if (crop.isEmpty()) return;
    // Image pixel (0, 0) is source pixel crop.topLeft(); the source rectangle spans the
    // unit square that the corners map onto the place.
    const QTransform unitToLogical(p1.x() - p0.x(), p1.y() - p0.y(), p2.x() - p0.x(),
                                   p2.y() - p0.y(), p0.x(), p0.y());
    const QTransform imageToLogical =
        QTransform::fromTranslate(crop.x() - full.x(), crop.y() - full.y()) *
        QTransform::fromScale(1.0 / full.width(), 1.0 / full.height()) * unitToLogical;
    if (!imageToLogical.isInvertible()) return;
    Blit sided = b;
    sided.source = full;
    if (!masked) {
        blitSide(sided, fore, std::nullopt, imageToLogical, crop);
        return;
    }
    // A mask chooses between two operations: the foreground one where it is 1.
    blitSide(sided, back, std::uint8_t{0}, imageToLogical, crop);
    blitSide(sided, fore, std::uint8_t{255}, imageToLogical, crop);
}

}  // namespace zarovia::picture::metafile
