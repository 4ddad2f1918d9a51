#include "picture/metafile/DrawCost.h"

#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile {

namespace {

// Nanoseconds, measured with QPainter on 640 x 480 and 1920 x 1080 ARGB32 images (see
// bench/README.md).
constexpr double kStep = 300;          // any painter call
constexpr double kVertex = 30;         // each point handed to the painter
constexpr double kHairlinePixel = 28;  // along an antialiased hairline
constexpr double kRaster = 1000;       // setting up the rasteriser for an outline
// A cell an outline's edge passes through costs this much for each edge crossing its scanline
// (at least two, at most kMaxEdgesPerScanline: past that the time grows no faster). Short
// edges (a wiggly outline) cost as few: the count is limited to a quarter of the edges' mean
// length in cells.
constexpr double kCellPerEdge = 200;
constexpr double kMaxEdgesPerScanline = 128;
constexpr double kShortEdgeCells = 4;
constexpr double kAreaPixel = 0.2;  // of the outline's bounds
constexpr double kRectClip = 500;   // switching to a rectangular clip
constexpr double kText = 4000;      // laying out and placing a text
constexpr double kGlyph = 1500;
constexpr double kGlyphPixel = 1.0;  // of the em square, drawing a cached glyph
constexpr double kImage = 5000;
constexpr double kImagePixel = 3.0;   // of the destination, smoothly transformed
constexpr double kSourcePixel = 0.5;  // of the bitmap drawn

double finite(double cost) {
    return std::isfinite(cost) ? cost : 1e18;
}

}  // namespace

DrawCost::DrawCost(const QRectF& deviceFrame, QSizeF onto) : onto_(onto) {
    if (deviceFrame.width() > 0 && deviceFrame.height() > 0) {
        scale_ = std::min(onto.width() / deviceFrame.width(), onto.height() / deviceFrame.height());
        frame_ = deviceFrame;
    }
    if (!std::isfinite(scale_) || scale_ <= 0) {
        scale_ = 1.0;
        frame_ = QRectF();
    }
    longest_ = frame_.isEmpty() ? 1e9 : 2 * std::hypot(onto.width(), onto.height());
}

double DrawCost::coveredPixels(const QRectF& bounds) const {
    const QRectF r = frame_.isEmpty() ? bounds.normalized() : bounds.normalized() & frame_;
    return finite(r.width() * r.height() * scale_ * scale_);
}

DrawCost::Edges DrawCost::edges(std::span<const QPointF> points, bool closed) const {
    Edges out;
    const std::size_t n = points.size();
    if (n == 0) return out;
    const double top = frame_.isEmpty() ? -1e300 : frame_.top();
    const double bottom = frame_.isEmpty() ? 1e300 : frame_.bottom();
    double left = points[0].x();
    double right = left;
    double high = points[0].y();
    double low = high;
    const std::size_t count = closed ? n : n - 1;
    for (std::size_t i = 0; i < count; ++i) {
        const QPointF a = points[i];
        const QPointF b = points[(i + 1) % n];
        left = std::min(left, b.x());
        right = std::max(right, b.x());
        high = std::min(high, b.y());
        low = std::max(low, b.y());
        // Scanlines crossed within the frame, and the cells passed through (the longer of the
        // edge's extents in pixels, a visible edge being no longer than the target's diagonal).
        const double lo = std::max(std::min(a.y(), b.y()), top);
        const double hi = std::min(std::max(a.y(), b.y()), bottom);
        if (hi > lo) out.crossings += hi - lo;
        const double along = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y())) * scale_;
        out.cells += std::min(along, longest_) + 1;
        out.count += 1;
    }
    out.crossings *= scale_;
    out.bounds = QRectF(QPointF(left, high), QPointF(right, low));
    return out;
}

double DrawCost::raster(const Edges& e, double extraCells) const {
    QRectF onTarget(e.bounds.topLeft() * scale_, e.bounds.bottomRight() * scale_);
    if (!frame_.isEmpty()) {
        const QRectF visible = e.bounds & frame_;
        onTarget = QRectF(visible.topLeft() * scale_, visible.bottomRight() * scale_);
    }
    const double height = std::max(onTarget.height(), 1.0);
    const double meanCells = e.cells / std::max(e.count, 1.0);
    const double perScanline = std::clamp(
        std::min(e.crossings / height, meanCells / kShortEdgeCells), 2.0, kMaxEdgesPerScanline);
    const double cells = e.cells + extraCells;
    return finite(kRaster + cells * kCellPerEdge * perScanline +
                  coveredPixels(e.bounds) * kAreaPixel);
}

double DrawCost::stroke(std::span<const QPointF> points, bool closed, double penWidth,
                        bool segmentwise, bool ownStep) const {
    const std::size_t n = points.size();
    double cost = (ownStep ? kStep : 0.0) + kVertex * static_cast<double>(n);
    if (n < 2) return cost;
    if (hairline(penWidth)) {
        const std::size_t segments = closed ? n : n - 1;
        for (std::size_t i = 0; i < segments; ++i) {
            const QPointF d = points[(i + 1) % n] - points[i];
            cost += std::min(std::hypot(d.x(), d.y()) * scale_, longest_) * kHairlinePixel;
        }
        return finite(cost);
    }
    // The outline of a wide line: both sides of each segment (twice the edges), and its ends
    // and joins (about a pen's width of cells each).
    const double width = penWidth * scale_;
    const auto piece = [&](std::span<const QPointF> part, bool closedPart) {
        Edges e = edges(part, closedPart);
        e.crossings *= 2;
        e.cells *= 2;
        e.count *= 2;
        e.bounds.adjust(-penWidth, -penWidth, penWidth, penWidth);
        return raster(e, 2 * width * static_cast<double>(part.size()));
    };
    if (segmentwise && !closed) {
        for (std::size_t i = 0; i + 1 < n; i += kSegmentsPerPiece)
            cost += kStep + piece(points.subspan(i, std::min(kSegmentsPerPiece + 1, n - i)), false);
        return finite(cost);
    }
    return finite(cost + piece(points, closed));
}

double DrawCost::fill(std::span<const QPointF> points) const {
    if (points.size() < 2) return kStep;
    return finite(kStep + kVertex * static_cast<double>(points.size()) +
                  raster(edges(points, true)));
}

std::vector<std::vector<QPointF>> DrawCost::figures(const QPainterPath& path) {
    std::vector<std::vector<QPointF>> out;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo() || out.empty()) out.emplace_back();
        out.back().emplace_back(e.x, e.y);
    }
    return out;
}

double DrawCost::fillPath(const QPainterPath& path) const {
    Edges all;
    bool first = true;
    for (const std::vector<QPointF>& part : figures(path)) {
        const Edges e = edges(part, true);
        all.crossings += e.crossings;
        all.cells += e.cells;
        all.count += e.count;
        all.bounds = first ? e.bounds : all.bounds.united(e.bounds);
        first = false;
    }
    return finite(kStep + kVertex * path.elementCount() + raster(all));
}

double DrawCost::strokePath(const QPainterPath& path, double penWidth) const {
    const std::vector<std::vector<QPointF>> parts = figures(path);
    if (hairline(penWidth)) {
        double cost = kStep;
        for (const std::vector<QPointF>& part : parts)
            cost += stroke(part, false, penWidth, false, false);
        return finite(cost);
    }
    const double width = penWidth * scale_;
    Edges all;
    double ends = 0;
    bool first = true;
    for (const std::vector<QPointF>& part : parts) {
        const Edges e = edges(part, false);
        all.crossings += 2 * e.crossings;
        all.cells += 2 * e.cells;
        all.count += 2 * e.count;
        all.bounds = first ? e.bounds : all.bounds.united(e.bounds);
        ends += 2 * width * static_cast<double>(part.size());
        first = false;
    }
    all.bounds.adjust(-penWidth, -penWidth, penWidth, penWidth);
    return finite(kStep + kVertex * path.elementCount() + raster(all, ends));
}

double DrawCost::fillBox(const QRectF& box) const {
    const QPointF corners[4] = {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()};
    return finite(kStep + raster(edges(corners, true)));
}

double DrawCost::clipRect() const {
    return kRectClip;
}

double DrawCost::text(std::size_t characters, double emDevice) const {
    const double em = std::min(emDevice * scale_, longest_);
    const double chars = static_cast<double>(characters);
    return finite(kStep + kText + chars * (kGlyph + em * em * kGlyphPixel));
}

double DrawCost::image(const QRectF& bounds, std::int64_t sourcePixels) const {
    return finite(kStep + kImage + coveredPixels(bounds) * kImagePixel +
                  static_cast<double>(sourcePixels) * kSourcePixel);
}

double DrawCost::shape(const ShapeView& s) const {
    const Style& style = *s.style;
    const std::span<const QPointF> p = s.outline.points;
    const bool stroked = style.pen.style() != Qt::NoPen;
    const bool filled = style.brush.style() != Qt::NoBrush;
    const double penWidth = stroked && !style.pen.isCosmetic() ? style.pen.widthF() : 0.0;
    const bool joins = style.pen.style() == Qt::SolidLine && style.pen.capStyle() == Qt::RoundCap &&
                       style.pen.joinStyle() == Qt::RoundJoin;
    switch (s.kind) {
        case ShapeKind::Lines: {
            double cost = kStep;
            for (std::size_t i = 0; i + 1 < p.size(); i += 2)
                cost += stroke(p.subspan(i, 2), false, penWidth, true, false);
            return finite(cost);
        }
        case ShapeKind::Polyline:
            return stroke(p, false, penWidth, joins);
        case ShapeKind::Polygon:
            return (filled ? fill(p) : 0.0) + (stroked ? stroke(p, true, penWidth, false) : 0.0);
        case ShapeKind::Rect:
        case ShapeKind::Ellipse: {
            if (p.size() < 2) return kStep;
            const QRectF box = QRectF(p[0], p[1]).normalized();
            const QPointF corners[4] = {box.topLeft(), box.topRight(), box.bottomRight(),
                                        box.bottomLeft()};
            return (filled ? fillBox(box) : 0.0) +
                   (stroked ? stroke(corners, true, penWidth, false) : 0.0);
        }
        case ShapeKind::Path: {
            const QPainterPath path = s.outline.toPath();
            return (filled ? fillPath(path) : 0.0) + (stroked ? strokePath(path, penWidth) : 0.0);
        }
    }
    return kStep;
}

double DrawCost::clip(const ClipView& c) const {
    return c.kind == ClipView::Kind::Area ? fillPath(c.area.toPath()) : clipRect();
}

double DrawCost::text(const TextItem& t) const {
    // The em on the device: the font's pixel size through the text's frame.
    const double em = std::sqrt(std::abs(t.frame.determinant())) * t.font.pixelSize();
    return text(static_cast<std::size_t>(t.text.size()), em);
}

double DrawCost::image(const ImageItem& item) const {
    return image(item.frame.mapRect(QRectF(item.image.rect())),
                 static_cast<std::int64_t>(item.image.width()) * item.image.height());
}

}  // namespace zarovia::picture::metafile
