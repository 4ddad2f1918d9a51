#include "picture/metafile/Gdi.h"
#include "picture/metafile/GlyphCache.h"
#include "picture/metafile/Limits.h"

// Drawing that arrives in device coordinates with its own pen and brush: the EMF+ records.
namespace zarovia::picture::metafile {

void Gdi::styledPath(const QPainterPath& path, const Style& style) {
    if (exhausted_ || path.isEmpty()) return;
    if (style.pen.style() == Qt::NoPen && style.brush.style() == Qt::NoBrush) return;
    const QRectF bounds = path.controlPointRect();
    if (!inRangeRect(bounds)) return;
    const std::optional<std::uint32_t> index = keep(style);
    if (!index) return;
    double cost = 0;
    const double penWidth = style.pen.style() == Qt::NoPen ? 0.0 : style.pen.widthF();
    if (style.pen.style() != Qt::NoPen) cost += cost_.strokePath(path, penWidth);
    if (style.brush.style() != Qt::NoBrush) cost += cost_.fillPath(path);
    if (!afford(cost)) return;
    if (!list_.addPath(*index, path)) {
        stop();
        return;
    }
    const double half = penWidth / 2;
    drawnBounds_ = drawnBounds_.united(bounds.adjusted(-half, -half, half, half));
}

void Gdi::styledText(TextItem text, double emDevice) {
    if (exhausted_ || text.text.isEmpty()) return;
    const auto chars = static_cast<std::size_t>(text.text.size());
    if (chars > kMaxTotalTextChars - totalTextChars_) {
        stop();
        return;
    }
    const QRectF box =
        text.frame.mapRect(QRectF(text.start.x(), text.start.y() - text.ascent,
                                  std::max(text.width, 1.0), text.ascent + text.descent));
    if (!inRangeRect(box)) return;
    if (!afford(cost_.text(chars, emDevice))) return;
    if (!list_.addText(std::move(text), GlyphCache::estimatedBytes(chars))) {
        stop();
        return;
    }
    totalTextChars_ += chars;
    drawnBounds_ = drawnBounds_.united(box);
}

void Gdi::styledImage(ImageItem image) {
    if (exhausted_ || image.image.isNull()) return;
    const QRectF bounds = image.frame.mapRect(QRectF(image.image.rect()));
    if (!inRangeRect(bounds)) return;
    const std::int64_t pixels =
        static_cast<std::int64_t>(image.image.width()) * image.image.height();
    if (!afford(cost_.image(bounds, pixels))) return;
    if (!list_.addImage(std::move(image))) {
        stop();
        return;
    }
    drawnBounds_ = drawnBounds_.united(bounds);
}

}  // namespace zarovia::picture::metafile
