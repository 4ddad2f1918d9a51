#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"

#include <cmath>

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

}  // namespace

void Gdi::blit(const Blit& b) {
    if (exhausted_ || bracket_) return;  // outlines of text and bitmaps do not join a path
    const QTransform& t = toDevice();
    const std::uint32_t code = ropCode(b.rop);
    const QRectF destDevice = t.mapRect(b.dest.normalized());
    if (!inRangeRect(destDevice) || b.dest.width() == 0 || b.dest.height() == 0) return;

    // A source that could not be read draws nothing, rather than the operation without it.
    if (b.image.isNull() && usesSource(code)) return;
    if (b.image.isNull() || !usesSource(code)) {
        QPainterPath area;
        area.addPolygon(t.map(QPolygonF(b.dest.normalized())));
        area.closeSubpath();
        switch (code) {
            case 0x00:
                emitFill(area, QBrush(Qt::black));
                break;  // BLACKNESS
            case 0xFF:
                emitFill(area, QBrush(Qt::white));
                break;  // WHITENESS
            case 0x55:  // DSTINVERT
                emitFill(area, QBrush(Qt::white), QPainter::CompositionMode_Difference);
                break;
            case 0x5A: {  // PATINVERT
                const QBrush brush = makeBrush(dc_.brush);
                if (brush.style() != Qt::NoBrush)
                    emitFill(area, brush, QPainter::CompositionMode_Difference);
                break;
            }
            case 0xAA:
                break;  // the destination stays
            default: {  // PATCOPY and the other pattern operations
                const QBrush brush = makeBrush(dc_.brush);
                if (brush.style() != Qt::NoBrush) emitFill(area, brush);
                break;
            }
        }
        return;
    }

    QRectF source = b.source.isEmpty() ? QRectF(b.image.rect()) : b.source.normalized();
    source = source.intersected(QRectF(b.image.rect()));
    if (source.isEmpty()) return;
    // The part of the destination that the surviving source covers.
    const QRectF full = b.source.isEmpty() ? QRectF(b.image.rect()) : b.source;
    const double fx = b.dest.width() / full.width();
    const double fy = b.dest.height() / full.height();
    const QRect crop = source.toAlignedRect().intersected(b.image.rect());
    QImage image = b.image.copy(crop);
    if (image.isNull()) return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
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
    if (b.constantAlpha < 1.0) {
        QImage faded(image.size(), QImage::Format_ARGB32_Premultiplied);
        faded.fill(Qt::transparent);
        QPainter p(&faded);
        p.setOpacity(std::max(0.0, b.constantAlpha));
        p.drawImage(0, 0, image);
        p.end();
        image = faded;
    }

    ImageItem step;
    step.mode = mode;
    const double x0 = b.dest.x() + (crop.x() - full.x()) * fx;
    const double y0 = b.dest.y() + (crop.y() - full.y()) * fy;
    step.frame = QTransform(fx, 0, 0, fy, x0, y0) * t;
    const std::int64_t pixels = static_cast<std::int64_t>(image.width()) * image.height();
    step.image = std::move(image);
    if (!list_.spend(cost_.image(destDevice, pixels)) || !list_.addImage(std::move(step))) {
        stop();
        return;
    }
    drawnBounds_ = drawnBounds_.united(destDevice);
}

}  // namespace zarovia::picture::metafile
