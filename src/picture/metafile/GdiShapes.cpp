#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"

#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

// Lines, shapes and paths: logical coordinates in, device steps out. Plain lines and
// polygons go to the display list as points; curves and compound figures as outlines.
namespace zarovia::picture::metafile {

namespace {

// Qt angle (degrees, counter-clockwise in a y-down space) of the radial line from the box's
// centre through p, on the ellipse's own parameter.
double radialAngle(const QRectF& box, QPointF p) {
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 1e-9);
    const double ry = std::max(box.height() / 2, 1e-9);
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI;
}

bool axisAligned(const QTransform& t) {
    return t.type() <= QTransform::TxScale;
}

}  // namespace

void Gdi::addToBracket(const QPainterPath& devicePath, Figure figure) {
    if (!countPoints(static_cast<std::size_t>(devicePath.elementCount()))) return;
    if (figure == Figure::Open && bracketFigureOpen_) {
        bracket_->connectPath(devicePath);
    } else {
        bracket_->addPath(devicePath);
    }
    bracketFigureOpen_ = figure == Figure::Open;
}

// A piece that starts at the current position and continues the current figure.
void Gdi::connected(const QPainterPath& logicalPiece, bool updatePosition) {
    if (logicalPiece.elementCount() < 2) return;
    const QPainterPath device = toDevice().map(logicalPiece);
    if (updatePosition) dc_.currentPosition = logicalPiece.currentPosition();
    if (bracket_) {
        if (inRangeRect(device.boundingRect())) addToBracket(device, Figure::Open);
        return;
    }
    emitPath(device, true, false);
}

// A figure of its own: it neither starts at nor moves the current position.
void Gdi::independent(const QPainterPath& logicalPath, bool stroke, bool fill) {
    const QPainterPath device = toDevice().map(logicalPath);
    if (bracket_) {
        if (inRangeRect(device.boundingRect())) addToBracket(device, Figure::Closed);
        return;
    }
    emitPath(device, stroke, fill);
}

// A polygon or polyline as points: only a path being defined needs an outline object.
void Gdi::independentPolygon(const QPolygonF& logical, bool closed, bool stroke, bool fill) {
    if (bracket_) {
        QPainterPath path;
        path.addPolygon(logical);
        if (closed) path.closeSubpath();
        const QPainterPath device = toDevice().map(path);
        if (!inRangeRect(device.boundingRect())) return;
        // A polyline starts a figure that later pieces may continue.
        if (!closed) bracketFigureOpen_ = false;
        addToBracket(device, closed ? Figure::Closed : Figure::Open);
        return;
    }
    const QPolygonF device = toDevice().map(logical);
    emitPoints(
        closed ? ShapeKind::Polygon : ShapeKind::Polyline,
        std::span<const QPointF>(device.constData(), static_cast<std::size_t>(device.size())),
        stroke, fill);
}

// ---- lines and shapes ----------------------------------------------------------------------

void Gdi::moveTo(QPointF p) {
    dc_.currentPosition = p;
    bracketFigureOpen_ = false;
}

void Gdi::lineTo(QPointF p) {
    if (bracket_) {
        QPainterPath piece(dc_.currentPosition);
        piece.lineTo(p);
        connected(piece);
        return;
    }
    const QTransform& t = toDevice();
    const QPointF points[2] = {t.map(dc_.currentPosition), t.map(p)};
    dc_.currentPosition = p;
    strokeConnected(points);
}

void Gdi::polyline(const QPolygonF& points) {
    if (points.size() < 2) return;
    independentPolygon(points, false, true, false);
}

void Gdi::polylineTo(const QPolygonF& points) {
    if (points.isEmpty()) return;
    if (bracket_) {
        QPainterPath piece(dc_.currentPosition);
        for (const QPointF& p : points) piece.lineTo(p);
        connected(piece);
        return;
    }
    const QTransform& t = toDevice();
    std::vector<QPointF> device;
    device.reserve(static_cast<std::size_t>(points.size()) + 1);
    device.push_back(t.map(dc_.currentPosition));
    for (const QPointF& p : points) device.push_back(t.map(p));
    dc_.currentPosition = points.back();
    strokeConnected(device);
}

void Gdi::polygon(const QPolygonF& points) {
    if (points.size() < 2) return;
    independentPolygon(points, true, true, true);
}

void Gdi::polyPolygon(const std::vector<QPolygonF>& polygons) {
    QPainterPath path;
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() < 2) continue;
        path.addPolygon(polygon);
        path.closeSubpath();
    }
    independent(path, true, true);
}

void Gdi::polyPolyline(const std::vector<QPolygonF>& polylines) {
    QPainterPath path;
    for (const QPolygonF& polyline : polylines)
        if (polyline.size() >= 2) path.addPolygon(polyline);
    independent(path, true, false);
}

void Gdi::polyBezier(const QPolygonF& points) {
    if (points.size() < 4) return;
    QPainterPath path(points[0]);
    for (qsizetype i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
    const QPainterPath device = toDevice().map(path);
    if (bracket_) {
        if (inRangeRect(device.boundingRect())) {
            bracketFigureOpen_ = false;
            addToBracket(device, Figure::Open);
        }
        return;
    }
    emitPath(device, true, false);
}

void Gdi::polyBezierTo(const QPolygonF& points) {
    if (points.size() < 3) return;
    QPainterPath piece(dc_.currentPosition);
    for (qsizetype i = 0; i + 2 < points.size(); i += 3)
        piece.cubicTo(points[i], points[i + 1], points[i + 2]);
    connected(piece);
}

void Gdi::polyDraw(const QPolygonF& points, const std::vector<std::uint8_t>& types) {
    constexpr std::uint8_t PT_CLOSEFIGURE = 0x01;
    constexpr std::uint8_t PT_LINETO = 0x02;
    constexpr std::uint8_t PT_BEZIERTO = 0x04;
    constexpr std::uint8_t PT_MOVETO = 0x06;
    const qsizetype n = std::min<qsizetype>(points.size(), static_cast<qsizetype>(types.size()));
    QPainterPath path(dc_.currentPosition);
    for (qsizetype i = 0; i < n; ++i) {
        const std::uint8_t t = types[static_cast<std::size_t>(i)];
        if ((t & 0x06) == PT_MOVETO) {
            path.moveTo(points[i]);
        } else if ((t & 0x06) == PT_BEZIERTO && i + 2 < n) {
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
            i += 2;
        } else if ((t & 0x06) == PT_LINETO) {
            path.lineTo(points[i]);
        }
        if (types[static_cast<std::size_t>(i)] & PT_CLOSEFIGURE) path.closeSubpath();
    }
    dc_.currentPosition = path.currentPosition();
    independent(path, true, false);
}

void Gdi::boxShape(ShapeKind kind, const QRectF& box) {
    const QTransform& t = toDevice();
    if (bracket_ || !axisAligned(t)) {
        QPainterPath path;
        if (kind == ShapeKind::Rect)
            path.addRect(box.normalized());
        else
            path.addEllipse(box.normalized());
        independent(path, true, true);
        return;
    }
    const QRectF device = t.mapRect(box.normalized());
    const QPointF corners[2] = {device.topLeft(), device.bottomRight()};
    emitPoints(kind, corners, true, true);
}

void Gdi::rectangle(const QRectF& box) {
    boxShape(ShapeKind::Rect, box);
}

void Gdi::roundRect(const QRectF& box, QSizeF corner) {
    QPainterPath path;
    const QRectF r = box.normalized();
    path.addRoundedRect(r, std::min(std::abs(corner.width()) / 2, r.width() / 2),
                        std::min(std::abs(corner.height()) / 2, r.height() / 2));
    independent(path, true, true);
}

void Gdi::ellipse(const QRectF& box) {
    boxShape(ShapeKind::Ellipse, box);
}

// kind: 0 arc, 1 chord, 2 pie. Arcs run counter-clockwise on the device unless the arc
// direction says otherwise; a mapping that flips an axis reverses them in logical space.
QPainterPath Gdi::arcLogical(const QRectF& box0, QPointF start, QPointF end, int kind,
                             bool fromCurrent) {
    const QRectF box = box0.normalized();
    const double a0 = radialAngle(box, start);
    const double a1 = radialAngle(box, end);
    bool counterClockwise = dc_.arcDirection != AD_CLOCKWISE;
    if (toDevice().determinant() < 0) counterClockwise = !counterClockwise;
    double sweep;
    if (counterClockwise) {
        sweep = std::fmod(a1 - a0 + 720.0, 360.0);
        if (sweep <= 1e-9) sweep = 360.0;
    } else {
        sweep = -std::fmod(a0 - a1 + 720.0, 360.0);
        if (sweep >= -1e-9) sweep = -360.0;
    }
    QPainterPath path;
    if (fromCurrent) {
        path.moveTo(dc_.currentPosition);
        QPainterPath probe;
        probe.arcMoveTo(box, a0);
        path.lineTo(probe.currentPosition());
    } else if (kind == 2) {
        path.moveTo(box.center());
    } else {
        path.arcMoveTo(box, a0);
    }
    path.arcTo(box, a0, sweep);
    if (kind != 0) path.closeSubpath();
    return path;
}

void Gdi::arc(const QRectF& box, QPointF start, QPointF end) {
    independent(arcLogical(box, start, end, 0, false), true, false);
}

void Gdi::arcTo(const QRectF& box, QPointF start, QPointF end) {
    connected(arcLogical(box, start, end, 0, true));
}

void Gdi::chord(const QRectF& box, QPointF start, QPointF end) {
    independent(arcLogical(box, start, end, 1, false), true, true);
}

void Gdi::pie(const QRectF& box, QPointF start, QPointF end) {
    independent(arcLogical(box, start, end, 2, false), true, true);
}

void Gdi::angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees) {
    if (!std::isfinite(radius) || !std::isfinite(startDegrees) || !std::isfinite(sweepDegrees))
        return;
    radius = std::abs(radius);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    sweepDegrees = std::clamp(sweepDegrees, -3600.0, 3600.0);
    if (toDevice().determinant() < 0) {
        startDegrees = -startDegrees;
        sweepDegrees = -sweepDegrees;
    }
    QPainterPath piece(dc_.currentPosition);
    QPainterPath probe;
    probe.arcMoveTo(box, startDegrees);
    piece.lineTo(probe.currentPosition());
    piece.arcTo(box, startDegrees, sweepDegrees);
    connected(piece);
}

void Gdi::setPixel(QPointF p, ColourRef c) {
    if (bracket_) return;
    const QPointF d = toDevice().map(p);
    QPainterPath path;
    path.addRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1));
    if (!inRangeRect(path.boundingRect())) return;
    emitFill(path, QBrush(colour(c)));
}

// ---- paths ---------------------------------------------------------------------------------

void Gdi::beginPath() {
    bracket_ = QPainterPath();
    bracketFigureOpen_ = false;
}

void Gdi::endPath() {
    if (!bracket_) return;
    definedPath_ = *bracket_;
    bracket_.reset();
}

void Gdi::abortPath() {
    bracket_.reset();
    definedPath_ = QPainterPath();
}

void Gdi::closeFigure() {
    if (bracket_) {
        bracket_->closeSubpath();
        bracketFigureOpen_ = false;
    }
}

void Gdi::fillPath() {
    QPainterPath p = std::move(definedPath_);
    definedPath_ = QPainterPath();
    emitPath(p, false, true);
}

void Gdi::strokePath() {
    QPainterPath p = std::move(definedPath_);
    definedPath_ = QPainterPath();
    emitPath(p, true, false);
}

void Gdi::strokeAndFillPath() {
    QPainterPath p = std::move(definedPath_);
    definedPath_ = QPainterPath();
    emitPath(p, true, true);
}

void Gdi::widenPath() {
    if (definedPath_.isEmpty()) return;
    const QPen pen = makePen();
    if (pen.style() == Qt::NoPen || definedPath_.elementCount() > kMaxClipElements) return;
    QPainterPathStroker stroker(pen);
    definedPath_ = stroker.createStroke(definedPath_);
}

void Gdi::selectClipPath(int mode) {
    QPainterPath p = std::move(definedPath_);
    definedPath_ = QPainterPath();
    p.setFillRule(dc_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    selectClipRegion(p, mode);
}

}  // namespace zarovia::picture::metafile
