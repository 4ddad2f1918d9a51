#include "picture/metafile/DrawCost.h"

#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile {

namespace {

constexpr double kReferenceWidth = 640;
constexpr double kReferenceHeight = 480;

// Nanoseconds, measured with QPainter on a 640 x 480 ARGB32 image (see bench/README.md).
constexpr double kStep = 300;          // any painter call
constexpr double kVertex = 30;         // each point handed to the painter
constexpr double kHairlinePixel = 28;  // along an antialiased hairline
constexpr double kRaster = 1000;       // setting up the rasteriser for an outline
constexpr double kCrossing = 200;      // an edge crossing a scanline
constexpr double kCrowding = 30;       // per crossing, for each other edge on its scanline
constexpr double kAreaPixel = 0.2;     // of the outline's bounds
constexpr double kRectClip = 500;      // switching to a rectangular clip
constexpr double kText = 4000;         // laying out and placing a text
constexpr double kGlyph = 1500;
constexpr double kGlyphPixel = 1.0;  // of the em square, drawing a cached glyph
constexpr double kImage = 5000;
constexpr double kImagePixel = 3.0;   // of the destination, smoothly transformed
constexpr double kSourcePixel = 0.5;  // of the bitmap drawn

double finite(double cost) {
    return std::isfinite(cost) ? cost : 1e18;
}

}  // namespace

DrawCost::DrawCost(const QRectF& deviceFrame) {
    if (deviceFrame.width() > 0 && deviceFrame.height() > 0) {
        scale_ = std::min(kReferenceWidth / deviceFrame.width(),
                          kReferenceHeight / deviceFrame.height());
        frame_ = deviceFrame;
    }
    if (!std::isfinite(scale_) || scale_ <= 0) {
        scale_ = 1.0;
        frame_ = QRectF();
    }
    longest_ = frame_.isEmpty() ? 1e9 : 2 * std::hypot(kReferenceWidth, kReferenceHeight);
}

double DrawCost::coveredPixels(const QRectF& bounds) const {
    const QRectF r = frame_.isEmpty() ? bounds.normalized() : bounds.normalized() & frame_;
    return finite(r.width() * r.height() * scale_ * scale_);
}

double DrawCost::crossings(std::span<const QPointF> points, bool closed) const {
    const std::size_t n = points.size();
    if (n < 2) return 0;
    const double top = frame_.isEmpty() ? -1e300 : frame_.top();
    const double bottom = frame_.isEmpty() ? 1e300 : frame_.bottom();
    double sum = 0;
    const std::size_t edges = closed ? n : n - 1;
    for (std::size_t i = 0; i < edges; ++i) {
        const double a = points[i].y();
        const double b = points[(i + 1) % n].y();
        const double lo = std::max(std::min(a, b), top);
        const double hi = std::min(std::max(a, b), bottom);
        if (hi > lo) sum += hi - lo;
    }
    return finite(sum * scale_);
}

double DrawCost::raster(double crossings, double height, double area) const {
    const double h = std::max(height, 1.0);
    return finite(kRaster + crossings * kCrossing + crossings * crossings / h * kCrowding +
                  area * kAreaPixel);
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
    // The outline of a wide line: both sides of each segment, and its ends.
    const double width = penWidth * scale_;
    const auto piece = [&](std::span<const QPointF> part, bool closedPart) {
        double top = part[0].y();
        double bottom = top;
        double left = part[0].x();
        double right = left;
        for (const QPointF& p : part) {
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
            left = std::min(left, p.x());
            right = std::max(right, p.x());
        }
        const QRectF box = QRectF(QPointF(left, top), QPointF(right, bottom))
                               .adjusted(-penWidth, -penWidth, penWidth, penWidth);
        const double edges =
            2 * crossings(part, closedPart) + 2 * width * static_cast<double>(part.size());
        const double height = std::min(box.height() * scale_, kReferenceHeight + 2 * width);
        return raster(edges, height, coveredPixels(box));
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
    double top = points[0].y();
    double bottom = top;
    double left = points[0].x();
    double right = left;
    for (const QPointF& p : points) {
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
        left = std::min(left, p.x());
        right = std::max(right, p.x());
    }
    const QRectF box(QPointF(left, top), QPointF(right, bottom));
    const double height =
        std::min(box.height() * scale_, frame_.isEmpty() ? 1e300 : kReferenceHeight);
    return finite(kStep + kVertex * static_cast<double>(points.size()) +
                  raster(crossings(points, true), height, coveredPixels(box)));
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
    const QRectF box = path.controlPointRect();
    double sum = 0;
    const std::vector<std::vector<QPointF>> parts = figures(path);
    for (const std::vector<QPointF>& part : parts) sum += crossings(part, true);
    const double height =
        std::min(box.height() * scale_, frame_.isEmpty() ? 1e300 : kReferenceHeight);
    return finite(kStep + kVertex * path.elementCount() + raster(sum, height, coveredPixels(box)));
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
    const QRectF box = path.controlPointRect().adjusted(-penWidth, -penWidth, penWidth, penWidth);
    double sum = 0;
    for (const std::vector<QPointF>& part : parts)
        sum += 2 * crossings(part, false) + 2 * width * static_cast<double>(part.size());
    const double height = std::min(box.height() * scale_, kReferenceHeight + 2 * width);
    return finite(kStep + kVertex * path.elementCount() + raster(sum, height, coveredPixels(box)));
}

double DrawCost::fillBox(const QRectF& box) const {
    const QRectF visible = frame_.isEmpty() ? box.normalized() : box.normalized() & frame_;
    const double height = visible.height() * scale_;
    return finite(kStep + raster(2 * height, height, coveredPixels(box)));
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

}  // namespace zarovia::picture::metafile
