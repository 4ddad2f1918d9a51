#include "picture/metafile/EmfPlusPlayer.h"

#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace zarovia::picture::metafile::plus {

namespace {

// A cardinal spline through the points as Bezier curves (GDI+ curves: tension 0.5 by default).
QPainterPath cardinal(const QPolygonF& p, double tension, bool closed) {
    QPainterPath path;
    const qsizetype n = p.size();
    if (n < 2) return path;
    const double k = std::clamp(tension, 0.0, 10.0) / 3.0;
    const auto at = [&](qsizetype i) {
        if (closed) return p[((i % n) + n) % n];
        return p[std::clamp<qsizetype>(i, 0, n - 1)];
    };
    path.moveTo(p[0]);
    const qsizetype segments = closed ? n : n - 1;
    for (qsizetype i = 0; i < segments; ++i) {
        const QPointF c1 = at(i) + (at(i + 1) - at(i - 1)) * k;
        const QPointF c2 = at(i + 1) - (at(i + 2) - at(i)) * k;
        path.cubicTo(c1, c2, at(i + 1));
    }
    if (closed) path.closeSubpath();
    return path;
}

// Rectangles of a record: their count, then each (empty ones included).
QPainterPath rects(ByteReader& r, bool integer) {
    const std::size_t n = r.u32();
    if (n > r.remaining() / 8) throw ByteReaderOverrun();
    QPainterPath path;
    for (std::size_t i = 0; i < n; ++i) path.addRect(rect(r, integer).normalized());
    return path;
}

// The outline of a pie or arc record: start and sweep angles, then the ellipse's box; none
// when an angle is not finite. A pie is closed through the ellipse's centre.
std::optional<QPainterPath> arc(ByteReader& r, bool integer, bool pie) {
    const double start = static_cast<double>(r.f32());
    const double sweep = static_cast<double>(r.f32());
    const QRectF box = rect(r, integer);
    if (!std::isfinite(start) || !std::isfinite(sweep)) return std::nullopt;
    QPainterPath path;
    if (pie) {
        path.moveTo(box.center());
        path.arcTo(box, -start, -std::clamp(sweep, -360.0, 360.0));
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, -start);
        path.arcTo(box, -start, -std::clamp(sweep, -360.0, 360.0));
    }
    return path;
}

// A closed-curve record's tension, then its points.
QPainterPath closedCurve(ByteReader& r, bool integer, bool relative) {
    const double tension = static_cast<double>(r.f32());
    const std::size_t n = r.u32();
    return cardinal(points(r, n, integer, relative), std::isfinite(tension) ? tension : 0.5, true);
}

}  // namespace

void Player::clear(ByteReader& r) {
    QPainterPath everywhere;
    everywhere.addRect(deviceFrame_);
    Style style;
    style.brush = QBrush(argb(r.u32()));
    style.mode = QPainter::CompositionMode_Source;
    gdi_.styledPath(everywhere, style);
}

QBrush Player::onDevice(const QBrush& brush) const {
    QBrush out = brush;
    if (brush.style() != Qt::SolidPattern && brush.style() != Qt::NoBrush)
        out.setTransform(brush.transform() * toDevice());
    return out;
}

void Player::fill(const QPainterPath& world, const Brush& brush) {
    if (brush.brush.style() == Qt::NoBrush) return;
    const QPainterPath device = toDevice().map(world);
    if (brush.hatchBackground) {
        Style gaps;
        gaps.brush = QBrush(*brush.hatchBackground);
        gaps.mode = state_.mode;
        gdi_.styledPath(device, gaps);
    }
    Style style;
    style.brush = onDevice(brush.brush);
    style.mode = state_.mode;
    gdi_.styledPath(device, style);
}

void Player::stroke(const QPainterPath& world, std::uint32_t penId) {
    const Pen* pen = objectAt<Pen>(penId);
    if (!pen || pen->brush.brush.style() == Qt::NoBrush) return;
    const QTransform t = toDevice();
    double width = pen->width;
    if (pen->unit == UnitWorld)
        width *= lengthScale(t);
    else
        width *= pixelsPerUnit(pen->unit, dpiX_);
    QPen qpen(onDevice(pen->brush.brush), std::min(width, kMaxPenWidth), pen->style, pen->cap,
              pen->join);
    if (!(width > 0)) qpen.setCosmetic(true);
    qpen.setMiterLimit(pen->miterLimit);
    if (pen->style == Qt::CustomDashLine) qpen.setDashPattern(pen->dashes);
    Style style;
    style.pen = qpen;
    style.mode = state_.mode;
    gdi_.styledPath(t.map(world), style);
}

void Player::fillShapes(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const bool integer = (flags & kIntegerPoints) != 0;
    const bool relative = (flags & kRelativePoints) != 0;
    Brush scratch;
    QPainterPath path;
    const Brush* brush = nullptr;
    switch (type) {
        case FillRects: {
            brush = brushOf(flags, r.u32(), scratch);
            path = rects(r, integer);
            path.setFillRule(Qt::WindingFill);
            break;
        }
        case FillPolygon: {
            brush = brushOf(flags, r.u32(), scratch);
            const std::size_t n = r.u32();
            path.addPolygon(points(r, n, integer, relative));
            path.closeSubpath();
            break;
        }
        case FillEllipse:
            brush = brushOf(flags, r.u32(), scratch);
            path.addEllipse(rect(r, integer));
            break;
        case FillPie: {
            brush = brushOf(flags, r.u32(), scratch);
            const std::optional<QPainterPath> pie = arc(r, integer, true);
            if (!pie) return;
            path = *pie;
            break;
        }
        case FillPath: {
            brush = brushOf(flags, r.u32(), scratch);
            const Path* p = objectAt<Path>(flags & 0xFF);
            if (!p) return;
            path = p->path;
            break;
        }
        case FillClosedCurve: {
            brush = brushOf(flags, r.u32(), scratch);
            path = closedCurve(r, integer, relative);
            path.setFillRule((flags & kWindingFill) ? Qt::WindingFill : Qt::OddEvenFill);
            break;
        }
        case FillRegion: {
            brush = brushOf(flags, r.u32(), scratch);
            const Region* g = objectAt<Region>(flags & 0xFF);
            if (!g) return;
            if (g->infinite) {
                bool invertible = false;
                const QTransform back = toDevice().inverted(&invertible);
                if (!invertible) return;
                path.addPolygon(back.map(QPolygonF(deviceFrame_)));
            } else {
                path = g->area;
            }
            break;
        }
        default:
            return;
    }
    if (brush) fill(path, *brush);
}

void Player::drawShapes(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const bool integer = (flags & kIntegerPoints) != 0;
    const bool relative = (flags & kRelativePoints) != 0;
    std::uint32_t pen = flags & 0xFF;
    QPainterPath path;
    switch (type) {
        case DrawRects:
            path = rects(r, integer);
            break;
        case DrawLines: {
            const std::size_t n = r.u32();
            path.addPolygon(points(r, n, integer, relative));
            if (flags & kClosedLine) path.closeSubpath();
            break;
        }
        case DrawEllipse:
            path.addEllipse(rect(r, integer));
            break;
        case DrawPie:
        case DrawArc: {
            const std::optional<QPainterPath> outline = arc(r, integer, type == DrawPie);
            if (!outline) return;
            path = *outline;
            break;
        }
        case DrawPath: {
            pen = r.u32();
            const Path* p = objectAt<Path>(flags & 0xFF);
            if (!p) return;
            path = p->path;
            break;
        }
        case DrawClosedCurve:
            path = closedCurve(r, integer, relative);
            break;
        case DrawCurve: {
            const double tension = static_cast<double>(r.f32());
            const std::size_t offset = r.u32();
            const std::size_t segments = r.u32();
            const std::size_t n = r.u32();
            const QPolygonF all = points(r, n, integer, relative);
            if (offset >= static_cast<std::size_t>(all.size())) return;
            const qsizetype count = static_cast<qsizetype>(
                std::min<std::size_t>(segments + 1, static_cast<std::size_t>(all.size()) - offset));
            path = cardinal(QPolygonF(all.mid(static_cast<qsizetype>(offset), count)),
                            std::isfinite(tension) ? tension : 0.5, false);
            break;
        }
        case DrawBeziers: {
            const std::size_t n = r.u32();
            const QPolygonF p = points(r, n, integer, relative);
            if (p.size() < 4) return;
            path.moveTo(p[0]);
            for (qsizetype i = 1; i + 2 < p.size(); i += 3) path.cubicTo(p[i], p[i + 1], p[i + 2]);
            break;
        }
        default:
            return;
    }
    stroke(path, pen);
}

void Player::drawImage(std::uint16_t type, std::uint16_t flags, ByteReader& r) {
    const Image* image = objectAt<Image>(flags & 0xFF);
    r.skip(4);  // image attributes
    r.skip(4);  // source unit: bitmaps are measured in pixels
    QRectF source = rectF(r);
    if (!image || image->image.isNull()) return;
    source = source.normalized();
    QRectF bounds = QRectF(image->image.rect());
    if (source.isEmpty()) source = bounds;
    // Only the source rectangle is drawn: a part of a bitmap is copied (and counted), a whole
    // one shares its object's pixels, however many times it is drawn.
    const QRect crop = source.toAlignedRect().intersected(image->image.rect());
    if (crop.isEmpty()) return;
    QImage pixels = image->image;
    if (crop != image->image.rect()) pixels = gdi_.premultipliedCopy(image->image, crop);
    if (pixels.isNull()) return;
    QTransform toWorld;
    if (type == DrawImage) {
        const QRectF dest = rect(r, (flags & kIntegerPoints) != 0);
        toWorld =
            QTransform::fromTranslate(crop.x() - source.x(), crop.y() - source.y()) *
            QTransform::fromScale(dest.width() / source.width(), dest.height() / source.height()) *
            QTransform::fromTranslate(dest.x(), dest.y());
    } else {
        const std::size_t n = r.u32();
        if (n != 3) return;
        const QPolygonF p =
            points(r, 3, (flags & kIntegerPoints) != 0, (flags & kRelativePoints) != 0);
        const QTransform unit(p[1].x() - p[0].x(), p[1].y() - p[0].y(), p[2].x() - p[0].x(),
                              p[2].y() - p[0].y(), p[0].x(), p[0].y());
        toWorld = QTransform::fromTranslate(crop.x() - source.x(), crop.y() - source.y()) *
                  QTransform::fromScale(1.0 / source.width(), 1.0 / source.height()) * unit;
    }
    ImageItem item;
    item.image = pixels;
    item.frame = toWorld * toDevice();
    item.mode = state_.mode;
    item.smooth = !state_.nearest;
    if (!item.frame.isInvertible()) return;
    gdi_.styledImage(std::move(item));
}

}  // namespace zarovia::picture::metafile::plus
