#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"
#include "platform/Cancellation.h"

#include <QLinearGradient>
#include <algorithm>
#include <cmath>

// GradientFill: rectangles with a linear gradient, triangles shaded between their corners.
namespace zarovia::picture::metafile {

namespace {

// A shaded triangle is drawn as a bitmap of at most this many pixels a side, smoothed when
// stretched (the shading is smooth anyway).
constexpr double kMaxShadeSide = 512;
// Pixels visited while shading one record, beyond which its remaining triangles are left out.
constexpr std::int64_t kMaxShadeWork = 16LL * 1024 * 1024;

struct Corner {
    QPointF at;  // bitmap pixels
    QColor colour;
};

// Adds one triangle to the premultiplied accumulation (four floats a pixel), sampling each
// pixel at four points for its coverage: triangles that share an edge add up to a full
// pixel along it.
std::int64_t shade(const Corner (&c)[3], int width, int height, std::vector<float>& sum) {
    const QPointF a = c[0].at;
    const QPointF b = c[1].at;
    const QPointF d = c[2].at;
    const double area = (b.x() - a.x()) * (d.y() - a.y()) - (d.x() - a.x()) * (b.y() - a.y());
    if (!(std::abs(area) > 1e-12)) return 0;
    const int left =
        std::clamp(static_cast<int>(std::floor(std::min({a.x(), b.x(), d.x()}))), 0, width);
    const int right =
        std::clamp(static_cast<int>(std::ceil(std::max({a.x(), b.x(), d.x()}))), 0, width);
    const int top =
        std::clamp(static_cast<int>(std::floor(std::min({a.y(), b.y(), d.y()}))), 0, height);
    const int bottom =
        std::clamp(static_cast<int>(std::ceil(std::max({a.y(), b.y(), d.y()}))), 0, height);
    const auto weights = [&](double x, double y, double w[3]) {
        w[1] = ((x - a.x()) * (d.y() - a.y()) - (d.x() - a.x()) * (y - a.y())) / area;
        w[2] = ((b.x() - a.x()) * (y - a.y()) - (x - a.x()) * (b.y() - a.y())) / area;
        w[0] = 1 - w[1] - w[2];
    };
    constexpr double kSub[2] = {0.25, 0.75};
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            int inside = 0;
            for (double sy : kSub) {
                for (double sx : kSub) {
                    double w[3];
                    weights(x + sx, y + sy, w);
                    if (w[0] >= 0 && w[1] >= 0 && w[2] >= 0) ++inside;
                }
            }
            if (inside == 0) continue;
            double w[3];
            weights(x + 0.5, y + 0.5, w);
            double total = 0;
            for (double& v : w) total += (v = std::max(0.0, v));
            const double coverage = inside / 4.0;
            float* p = &sum[(static_cast<std::size_t>(y) * width + x) * 4];
            for (int k = 0; k < 3; ++k) {
                const QColor& col = c[k].colour;
                const double share = coverage * w[k] / total;
                p[0] += static_cast<float>(share * double(col.redF()));
                p[1] += static_cast<float>(share * double(col.greenF()));
                p[2] += static_cast<float>(share * double(col.blueF()));
            }
            p[3] += static_cast<float>(coverage);
        }
    }
    return static_cast<std::int64_t>(right - left) * (bottom - top);
}

}  // namespace

void Gdi::gradientFill(const std::vector<GradientVertex>& vertices,
                       const std::vector<std::array<std::uint32_t, 3>>& mesh, int mode) {
    if (exhausted_ || bracket_) return;
    const QTransform& t = toDevice();
    const std::size_t n = vertices.size();
    if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
        for (const std::array<std::uint32_t, 3>& m : mesh) {
            if (m[0] >= n || m[1] >= n || exhausted_) continue;
            const GradientVertex& a = vertices[m[0]];
            const GradientVertex& b = vertices[m[1]];
            const QRectF box = QRectF(a.point, b.point).normalized();
            if (box.isEmpty()) continue;
            // The first vertex's colour at its own edge, the second's at the other.
            const bool across = mode == GRADIENT_FILL_RECT_H;
            const QPointF from =
                across ? QPointF(a.point.x(), box.top()) : QPointF(box.left(), a.point.y());
            const QPointF to =
                across ? QPointF(b.point.x(), box.top()) : QPointF(box.left(), b.point.y());
            QLinearGradient gradient(t.map(from), t.map(to));
            gradient.setColorAt(0, a.colour);
            gradient.setColorAt(1, b.colour);
            QPainterPath area;
            area.addPolygon(t.map(QPolygonF(box)));
            area.closeSubpath();
            emitFill(area, QBrush(gradient));
        }
        return;
    }
    if (mode != GRADIENT_FILL_TRIANGLE) return;

    QPolygonF placed;
    for (const std::array<std::uint32_t, 3>& m : mesh) {
        if (m[0] >= n || m[1] >= n || m[2] >= n) continue;
        for (std::uint32_t i : m) placed.append(t.map(vertices[i].point));
    }
    const QRectF bounds = placed.boundingRect();
    if (bounds.isEmpty() || !inRangeRect(bounds)) return;
    const double scale = std::min(1.0, kMaxShadeSide / std::max(bounds.width(), bounds.height()));
    const int width = std::max(1, static_cast<int>(std::ceil(bounds.width() * scale)));
    const int height = std::max(1, static_cast<int>(std::ceil(bounds.height() * scale)));
    if (!reserveImagePixels(static_cast<std::int64_t>(width) * height * 5)) return;
    std::vector<float> sum(static_cast<std::size_t>(width) * height * 4, 0.0f);
    std::int64_t work = 0;
    for (const std::array<std::uint32_t, 3>& m : mesh) {
        if (m[0] >= n || m[1] >= n || m[2] >= n) continue;
        if (work > kMaxShadeWork) break;
        Corner corners[3];
        for (int k = 0; k < 3; ++k) {
            const GradientVertex& v = vertices[m[static_cast<std::size_t>(k)]];
            corners[k] = Corner{(t.map(v.point) - bounds.topLeft()) * scale, v.colour};
        }
        checkpoint();
        work += shade(corners, width, height, sum);
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return;
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const float* p = &sum[(static_cast<std::size_t>(y) * width + x) * 4];
            const auto byte = [](float v) {
                return std::clamp(static_cast<int>(std::lround(double(v) * 255)), 0, 255);
            };
            const int alpha = byte(p[3]);
            line[x] = qRgba(std::min(byte(p[0]), alpha), std::min(byte(p[1]), alpha),
                            std::min(byte(p[2]), alpha), alpha);
        }
    }
    ImageItem step;
    step.frame = QTransform::fromScale(1 / scale, 1 / scale) *
                 QTransform::fromTranslate(bounds.left(), bounds.top());
    step.image = std::move(image);
    if (!afford(cost_.image(bounds, static_cast<std::int64_t>(width) * height))) return;
    if (!list_.addImage(std::move(step))) {
        stop();
        return;
    }
    drawnBounds_ = drawnBounds_.united(bounds);
}

}  // namespace zarovia::picture::metafile
