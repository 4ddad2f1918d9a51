#pragma once

#include "picture/metafile/DrawingSteps.h"
#include "picture/metafile/Limits.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zarovia::picture::metafile {

// Estimates how long the raster painter takes to draw a step when the picture is drawn onto
// `onto` pixels (the reference screen unless said otherwise), from measurements on the 2-core
// development machine (antialiased, ARGB32, other builds running; bench/README.md). A parser
// sums these against kMaxDrawNanoseconds, and the player again at the size it draws, so that
// no file, however many or however large its steps, makes a repaint take seconds.
//
// Two things dominate. A hairline costs its length. An area the rasteriser fills (any fill,
// and the outline of a line wider than 1.5 pixels) costs per cell its edges pass through (a
// pixel they touch), and each cell costs more the more long edges cross the same scanlines: a
// 400-point star polygon takes most of a second to fill at 640 x 480, and three at full
// screen, where a circle or a wiggly coastline of as many points takes milliseconds.
class DrawCost {
public:
    // `deviceFrame` is the device rectangle shown as the picture; an empty one (a WMF sized
    // by what it draws) counts one device unit as one pixel.
    explicit DrawCost(const QRectF& deviceFrame = QRectF(),
                      QSizeF onto = QSizeF(kReferenceScreenWidth, kReferenceScreenHeight));

    // A line through the points, as PainterCanvas strokes it: a pen up to 1.5 pixels wide
    // (0: one pixel) as a hairline; a wider one `segmentwise` in pieces of
    // kSegmentsPerPiece segments, otherwise as one outline. `ownStep` is false for points
    // that continue an earlier step's line.
    double stroke(std::span<const QPointF> points, bool closed, double penWidth, bool segmentwise,
                  bool ownStep = true) const;
    // Filling the polygon through the points.
    double fill(std::span<const QPointF> points) const;
    // Filling, or stroking as one outline, a path of several figures.
    double fillPath(const QPainterPath& path) const;
    double strokePath(const QPainterPath& path, double penWidth) const;
    // Filling an axis-parallel box, or the ellipse in it.
    double fillBox(const QRectF& box) const;
    // Switching to a clip rectangle (an area costs as much as filling it).
    double clipRect() const;
    // Characters of text at an em of `emDevice` device units, their layout included.
    double text(std::size_t characters, double emDevice) const;
    double image(const QRectF& bounds, std::int64_t sourcePixels) const;

    // The same for the steps of a parsed list, as the player draws them.
    double shape(const ShapeView& shape) const;
    double clip(const ClipView& clip) const;
    double text(const TextItem& text) const;
    double image(const ImageItem& image) const;

    // Whether a pen of this device width is drawn as a hairline at the reference size.
    bool hairline(double penWidth) const { return penWidth * scale_ <= 1.5; }

    // A wide polyline that joins cleanly is drawn in pieces of this many segments, which
    // keeps the rasteriser's work linear.
    static constexpr std::size_t kSegmentsPerPiece = 32;

private:
    // What the rasteriser meets in a polygon's edges, on the target: the scanlines they cross,
    // the cells they pass through, and the polygon's bounds.
    struct Edges {
        double crossings = 0;
        double cells = 0;
        double count = 0;
        QRectF bounds;
    };
    Edges edges(std::span<const QPointF> points, bool closed) const;
    // Rasterising an outline with these edges, `area` pixels inside its bounds; `extraCells`
    // counts the ends and joins of a wide line.
    double raster(const Edges& e, double extraCells = 0) const;
    double coveredPixels(const QRectF& bounds) const;
    // The figures of a path as polygons through their element points.
    static std::vector<std::vector<QPointF>> figures(const QPainterPath& path);

    double scale_ = 1.0;  // target pixels per device unit
    QRectF frame_;
    QSizeF onto_;
    double longest_ = 0;  // the longest visible segment, target pixels
};

}  // namespace zarovia::picture::metafile
