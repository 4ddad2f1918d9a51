#include "picture/metafile/EmfPlusObjects.h"

#include "picture/metafile/EmfPlusRecords.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace zarovia::picture::metafile::plus {

namespace {

// Brush types.
constexpr std::uint32_t kSolid = 0;
constexpr std::uint32_t kHatch = 1;
constexpr std::uint32_t kTexture = 2;
constexpr std::uint32_t kPathGradient = 3;
constexpr std::uint32_t kLinearGradient = 4;
// Brush data flags.
constexpr std::uint32_t kBrushPath = 0x01;
constexpr std::uint32_t kBrushTransform = 0x02;
constexpr std::uint32_t kBrushPresetColours = 0x04;
constexpr std::uint32_t kBrushBlendH = 0x08;
constexpr std::uint32_t kBrushBlendV = 0x10;

QGradient::Spread spreadOf(std::int32_t wrap) {
    switch (wrap) {
        case 0:  // tile
            return QGradient::RepeatSpread;
        case 1:  // tile flipped in x, y or both
        case 2:
        case 3:
            return QGradient::ReflectSpread;
        default:  // clamp
            return QGradient::PadSpread;
    }
}

// Hatch styles: the six line patterns, then the percentages 5 to 90 as the nearest dot
// densities; any other style is the 50 percent one.
Qt::BrushStyle hatchOf(std::uint32_t style) {
    static constexpr std::array kStyles{Qt::HorPattern,    Qt::VerPattern,    Qt::FDiagPattern,
                                        Qt::BDiagPattern,  Qt::CrossPattern,  Qt::DiagCrossPattern,
                                        Qt::Dense7Pattern, Qt::Dense6Pattern, Qt::Dense6Pattern,
                                        Qt::Dense5Pattern, Qt::Dense5Pattern, Qt::Dense4Pattern,
                                        Qt::Dense4Pattern, Qt::Dense3Pattern, Qt::Dense3Pattern,
                                        Qt::Dense2Pattern, Qt::Dense2Pattern, Qt::Dense1Pattern};
    return style < kStyles.size() ? kStyles[style] : Qt::Dense4Pattern;
}

// The positions of a blend: their count, then each. The count is checked against the positions
// and the as many colours or factors that follow them.
std::vector<double> blendPositions(ByteReader& r) {
    const std::size_t n = r.u32();
    if (n > r.remaining() / 8) throw ByteReaderOverrun();
    std::vector<double> positions(n);
    for (double& p : positions) p = static_cast<double>(r.f32());
    return positions;
}

// Stops from the optional blend data of a gradient brush: preset colours, or factors that mix
// the start and end colours.
void readBlend(ByteReader& r, std::uint32_t flags, QGradient& gradient, const QColor& start,
               const QColor& end) {
    gradient.setColorAt(0, start);
    gradient.setColorAt(1, end);
    if (flags & kBrushPresetColours) {
        const std::vector<double> positions = blendPositions(r);
        QGradientStops stops;
        for (double p : positions) {
            const QColor c = argb(r.u32());
            if (std::isfinite(p)) stops.append({std::clamp(p, 0.0, 1.0), c});
        }
        if (stops.size() >= 2) gradient.setStops(stops);
    } else if (flags & (kBrushBlendH | kBrushBlendV)) {
        const std::vector<double> positions = blendPositions(r);
        QGradientStops stops;
        for (double p : positions) {
            const double f = std::clamp(static_cast<double>(r.f32()), 0.0, 1.0);
            if (!std::isfinite(p)) continue;
            const auto mix = [f](float a, float b) {
                return static_cast<float>(double(a) + (double(b) - double(a)) * f);
            };
            const QColor c = QColor::fromRgbF(
                mix(start.redF(), end.redF()), mix(start.greenF(), end.greenF()),
                mix(start.blueF(), end.blueF()), mix(start.alphaF(), end.alphaF()));
            stops.append({std::clamp(p, 0.0, 1.0), c});
        }
        if (stops.size() >= 2) gradient.setStops(stops);
    }
}

}  // namespace

Brush readBrush(ByteReader& r, BudgetAccount& budget) {
    r.skip(4);  // version
    const std::uint32_t type = r.u32();
    Brush out;
    switch (type) {
        case kSolid:
            out.brush = QBrush(argb(r.u32()));
            break;
        case kHatch: {
            const std::uint32_t style = r.u32();
            const QColor fore = argb(r.u32());
            out.hatchBackground = argb(r.u32());
            out.brush = QBrush(fore, hatchOf(style));
            break;
        }
        case kTexture: {
            const std::uint32_t flags = r.u32();
            r.skip(4);  // wrap mode: textures tile
            std::optional<QTransform> transform;
            if (flags & kBrushTransform) transform = matrix(r);
            const Image image = readImage(r, budget);
            if (image.image.isNull()) break;
            out.brush = QBrush(image.image);
            if (transform) out.brush.setTransform(*transform);
            break;
        }
        case kLinearGradient: {
            const std::uint32_t flags = r.u32();
            const std::int32_t wrap = r.i32();
            const QRectF box = rectF(r);
            const QColor start = argb(r.u32());
            const QColor end = argb(r.u32());
            r.skip(8);  // reserved
            std::optional<QTransform> transform;
            if (flags & kBrushTransform) transform = matrix(r);
            QLinearGradient gradient(box.topLeft(), QPointF(box.right(), box.top()));
            gradient.setSpread(spreadOf(wrap));
            readBlend(r, flags, gradient, start, end);
            out.brush = QBrush(gradient);
            if (transform) out.brush.setTransform(*transform);
            break;
        }
        case kPathGradient: {
            // Drawn as a radial gradient from the centre colour to the first surrounding one
            // over the boundary's extent.
            const std::uint32_t flags = r.u32();
            const std::int32_t wrap = r.i32();
            const QColor centreColour = argb(r.u32());
            const double cx = static_cast<double>(r.f32());
            const double cy = static_cast<double>(r.f32());
            const std::size_t n = r.u32();
            if (n > r.remaining() / 4) throw ByteReaderOverrun();
            QColor surround = centreColour;
            for (std::size_t i = 0; i < n; ++i) {
                const QColor c = argb(r.u32());
                if (i == 0) surround = c;
            }
            QRectF boundary;
            if (flags & kBrushPath) {
                const std::uint32_t size = r.u32();
                ByteReader path = r.split(size);
                boundary = readPath(path).boundingRect();
            } else {
                const std::size_t count = r.u32();
                boundary = points(r, count, false, false).boundingRect();
            }
            std::optional<QTransform> transform;
            if (flags & kBrushTransform) transform = matrix(r);
            const QPointF centre(std::isfinite(cx) ? cx : 0.0, std::isfinite(cy) ? cy : 0.0);
            double radius = 0;
            for (const QPointF& corner : {boundary.topLeft(), boundary.topRight(),
                                          boundary.bottomLeft(), boundary.bottomRight()})
                radius =
                    std::max(radius, std::hypot(corner.x() - centre.x(), corner.y() - centre.y()));
            QRadialGradient gradient(centre, std::max(radius, 1e-3));
            gradient.setSpread(spreadOf(wrap));
            gradient.setColorAt(0, centreColour);
            gradient.setColorAt(1, surround);
            out.brush = QBrush(gradient);
            if (transform) out.brush.setTransform(*transform);
            break;
        }
        default:
            break;
    }
    return out;
}

}  // namespace zarovia::picture::metafile::plus
