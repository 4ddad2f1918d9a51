#include "picture/metafile/Gdi.h"

#include "picture/metafile/Limits.h"

#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile {

namespace {

bool inRange(const QRectF& r) {
    return inRangeRect(r);
}

QRectF everywhere() {
    return QRectF(-kMaxCoordinate, -kMaxCoordinate, 2 * kMaxCoordinate, 2 * kMaxCoordinate);
}

QColor inverted(const QColor& c) {
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

Qt::BrushStyle hatchStyle(std::uint32_t hatch) {
    switch (hatch) {
        case HS_HORIZONTAL:
            return Qt::HorPattern;
        case HS_VERTICAL:
            return Qt::VerPattern;
        case HS_FDIAGONAL:
            return Qt::FDiagPattern;
        case HS_BDIAGONAL:
            return Qt::BDiagPattern;
        case HS_CROSS:
            return Qt::CrossPattern;
        case HS_DIAGCROSS:
            return Qt::DiagCrossPattern;
        default:
            return Qt::SolidPattern;
    }
}

// Qt angle (degrees, counter-clockwise in a y-down space) of the radial line from the box's
// centre through p, on the ellipse's own parameter.
double radialAngle(const QRectF& box, QPointF p) {
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 1e-9);
    const double ry = std::max(box.height() / 2, 1e-9);
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI;
}

}  // namespace

Gdi::Gdi(std::vector<Step>& steps, const DeviceContext& initial) : steps_(steps), dc_(initial) {}

Mapping& Gdi::editMapping() noexcept {
    mappingDirty_ = true;
    return dc_.mapping;
}

const QTransform& Gdi::toDevice() {
    if (mappingDirty_) {
        toDevice_ = logicalToDevice(dc_.mapping);
        mappingDirty_ = false;
    }
    return toDevice_;
}

QColor Gdi::colour(ColourRef ref) const {
    if (ref.isPaletteIndex()) {
        if (dc_.palette) {
            if (const auto* palette = std::get_if<LogPalette>(dc_.palette.get())) {
                if (ref.paletteIndex() < palette->entries.size())
                    return palette->entries[ref.paletteIndex()];
            }
        }
        return QColor(0, 0, 0);
    }
    return ref.rgb();
}

bool Gdi::reserveImagePixels(std::int64_t pixels) {
    if (pixels < 0 || pixels > kMaxTotalImagePixels - totalImagePixels_) return false;
    totalImagePixels_ += pixels;
    return true;
}

bool Gdi::countPoints(std::size_t n) {
    if (n > kMaxTotalPoints - totalPoints_) {
        exhausted_ = true;
        return false;
    }
    totalPoints_ += n;
    return true;
}

bool Gdi::pushStep(Step step) {
    if (steps_.size() >= kMaxSteps) {
        exhausted_ = true;
        return false;
    }
    steps_.push_back(std::move(step));
    return true;
}

// ---- state -------------------------------------------------------------------------------

void Gdi::saveDc() {
    if (saved_.size() < kMaxSavedStates) saved_.push_back(dc_);
}

void Gdi::restoreDc(int which) {
    // Negative: that many states back; positive: the state with that number (from 1).
    std::size_t keep;
    if (which < 0) {
        const std::size_t back = static_cast<std::size_t>(-static_cast<long long>(which));
        if (back > saved_.size()) return;
        keep = saved_.size() - back;
    } else {
        if (which == 0 || static_cast<std::size_t>(which) > saved_.size()) return;
        keep = static_cast<std::size_t>(which) - 1;
    }
    dc_ = saved_[keep];
    saved_.resize(keep);
    mappingDirty_ = true;
    emitClip();
}

// ---- pens, brushes and emitted shapes ------------------------------------------------------

bool Gdi::rop2Applies(QColor& c, QPainter::CompositionMode& mode) const {
    mode = QPainter::CompositionMode_SourceOver;
    switch (dc_.rop2) {
        case R2_NOP:
            return false;
        case R2_BLACK:
            c = Qt::black;
            break;
        case R2_WHITE:
            c = Qt::white;
            break;
        case R2_NOTCOPYPEN:
            c = inverted(c);
            break;
        case R2_XORPEN:
            mode = QPainter::CompositionMode_Difference;
            break;
        case R2_NOTXORPEN:
            c = inverted(c);
            mode = QPainter::CompositionMode_Difference;
            break;
        case R2_NOT:
            c = Qt::white;
            mode = QPainter::CompositionMode_Difference;
            break;
        case R2_MASKPEN:
            mode = QPainter::CompositionMode_Multiply;
            break;
        case R2_MERGEPEN:
            mode = QPainter::CompositionMode_Lighten;
            break;
        default:
            break;  // the rest are drawn as R2_COPYPEN
    }
    return true;
}

QPen Gdi::makePen() {
    LogPen fallback;
    const LogPen* lp = dc_.pen ? std::get_if<LogPen>(dc_.pen.get()) : nullptr;
    if (!lp) lp = &fallback;
    const std::uint32_t style = lp->style & PS_STYLE_MASK;
    if (style == PS_NULL) return QPen(Qt::NoPen);
    QColor c = colour(lp->colour);
    QPainter::CompositionMode mode;
    if (!rop2Applies(c, mode)) return QPen(Qt::NoPen);

    const double width = lp->width <= 0 ? 0.0 : lp->width * deviceUnitsPerLogicalX(toDevice());
    QPen pen(c);
    if (!(width > 0) || !(width <= kMaxCoordinate)) {
        pen.setWidthF(0);
        pen.setCosmetic(true);
    } else {
        pen.setWidthF(std::min(width, kMaxPenWidth));
    }
    switch (lp->style & PS_ENDCAP_MASK) {
        case PS_ENDCAP_SQUARE:
            pen.setCapStyle(Qt::SquareCap);
            break;
        case PS_ENDCAP_FLAT:
            pen.setCapStyle(Qt::FlatCap);
            break;
        default:
            pen.setCapStyle(Qt::RoundCap);
            break;
    }
    switch (lp->style & PS_JOIN_MASK) {
        case PS_JOIN_BEVEL:
            pen.setJoinStyle(Qt::BevelJoin);
            break;
        case PS_JOIN_MITER:
            pen.setJoinStyle(Qt::MiterJoin);
            pen.setMiterLimit(std::clamp(dc_.miterLimit, 1.0, 100.0));
            break;
        default:
            pen.setJoinStyle(Qt::RoundJoin);
            break;
    }
    // A cosmetic pen wider than a pixel draws solid lines; a geometric one keeps its dashes.
    const bool geometric = (lp->style & PS_GEOMETRIC) != 0;
    const bool dashesApply = geometric || width <= 1.0;
    if (dashesApply) {
        switch (style) {
            case PS_DASH:
                pen.setStyle(Qt::DashLine);
                break;
            case PS_DOT:
                pen.setStyle(Qt::DotLine);
                break;
            case PS_ALTERNATE:
                pen.setStyle(Qt::DotLine);
                break;
            case PS_DASHDOT:
                pen.setStyle(Qt::DashDotLine);
                break;
            case PS_DASHDOTDOT:
                pen.setStyle(Qt::DashDotDotLine);
                break;
            case PS_USERSTYLE: {
                QList<qreal> pattern;
                const double unit = width > 0 ? width : 1.0;
                const double scale = deviceUnitsPerLogicalX(toDevice());
                for (double d : lp->userDashes)
                    pattern.append(std::clamp(d * scale / unit, 0.1, 1000.0));
                if (pattern.size() % 2 == 1) pattern.append(pattern.back());
                if (!pattern.isEmpty()) pen.setDashPattern(pattern);
                break;
            }
            default:
                break;
        }
    }
    return pen;
}

QBrush Gdi::makeBrush(const ObjectRef& brushObject) {
    LogBrush fallback;
    fallback.colour.value = 0xFFFFFF;
    const LogBrush* lb = brushObject ? std::get_if<LogBrush>(brushObject.get()) : nullptr;
    if (!lb) lb = &fallback;
    switch (lb->style) {
        case BS_NULL:
            return QBrush(Qt::NoBrush);
        case BS_HATCHED:
            return QBrush(colour(lb->colour), hatchStyle(lb->hatch));
        case BS_PATTERN:
        case BS_DIBPATTERN:
        case BS_DIBPATTERNPT:
            if (!lb->pattern.isNull()) return QBrush(lb->pattern);
            return QBrush(colour(lb->colour));
        default:
            return QBrush(colour(lb->colour));
    }
}

void Gdi::emitFill(const QPainterPath& devicePath, const QBrush& brush,
                   QPainter::CompositionMode mode) {
    if (!countPoints(static_cast<std::size_t>(devicePath.elementCount()))) return;
    ShapeStep step;
    step.path = devicePath;
    step.brush = brush;
    step.mode = mode;
    drawnBounds_ = drawnBounds_.united(devicePath.boundingRect());
    pushStep(std::move(step));
}

void Gdi::emitShape(QPainterPath devicePath, bool stroke, bool fill) {
    if (exhausted_ || devicePath.isEmpty()) return;
    const QRectF bounds = devicePath.boundingRect();
    if (!inRange(bounds)) return;
    devicePath.setFillRule(dc_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    QPen pen = stroke ? makePen() : QPen(Qt::NoPen);
    QBrush brush = Qt::NoBrush;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (fill) {
        brush = makeBrush(dc_.brush);
        if (brush.style() != Qt::NoBrush) {
            QColor c = brush.color();
            if (!rop2Applies(c, mode)) {
                brush = Qt::NoBrush;
            } else if (brush.style() == Qt::SolidPattern) {
                brush.setColor(c);
            } else if (brush.style() != Qt::TexturePattern && dc_.backgroundMode == OPAQUE) {
                // A hatch in opaque mode fills its gaps with the background colour.
                emitFill(devicePath, QBrush(colour(dc_.backgroundColour)), mode);
            }
        }
    }
    if (pen.style() == Qt::NoPen && brush.style() == Qt::NoBrush) return;
    if (!countPoints(static_cast<std::size_t>(devicePath.elementCount()))) return;
    ShapeStep step;
    step.path = std::move(devicePath);
    step.pen = pen;
    step.brush = brush;
    step.mode = mode;
    const double halfPen = pen.style() == Qt::NoPen ? 0.0 : pen.widthF() / 2;
    drawnBounds_ = drawnBounds_.united(bounds.adjusted(-halfPen, -halfPen, halfPen, halfPen));
    pushStep(std::move(step));
}

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
        if (inRange(device.boundingRect())) addToBracket(device, Figure::Open);
        return;
    }
    emitShape(device, true, false);
}

// A figure of its own: it neither starts at nor moves the current position.
void Gdi::independent(const QPainterPath& logicalPath, bool stroke, bool fill) {
    const QPainterPath device = toDevice().map(logicalPath);
    if (bracket_) {
        if (inRange(device.boundingRect())) addToBracket(device, Figure::Closed);
        return;
    }
    emitShape(device, stroke, fill);
}

// ---- lines and shapes ----------------------------------------------------------------------

void Gdi::moveTo(QPointF p) {
    dc_.currentPosition = p;
    bracketFigureOpen_ = false;
}

void Gdi::lineTo(QPointF p) {
    QPainterPath piece(dc_.currentPosition);
    piece.lineTo(p);
    connected(piece);
}

void Gdi::polyline(const QPolygonF& points) {
    if (points.size() < 2) return;
    QPainterPath path;
    path.addPolygon(points);
    const QPainterPath device = toDevice().map(path);
    if (bracket_) {
        // A polyline starts a figure that later pieces may continue.
        if (inRange(device.boundingRect())) {
            bracketFigureOpen_ = false;
            addToBracket(device, Figure::Open);
        }
        return;
    }
    emitShape(device, true, false);
}

void Gdi::polylineTo(const QPolygonF& points) {
    if (points.isEmpty()) return;
    QPainterPath piece(dc_.currentPosition);
    for (const QPointF& p : points) piece.lineTo(p);
    connected(piece);
}

void Gdi::polygon(const QPolygonF& points) {
    if (points.size() < 2) return;
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    independent(path, true, true);
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
        if (inRange(device.boundingRect())) {
            bracketFigureOpen_ = false;
            addToBracket(device, Figure::Open);
        }
        return;
    }
    emitShape(device, true, false);
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

void Gdi::rectangle(const QRectF& box) {
    QPainterPath path;
    path.addRect(box.normalized());
    independent(path, true, true);
}

void Gdi::roundRect(const QRectF& box, QSizeF corner) {
    QPainterPath path;
    const QRectF r = box.normalized();
    path.addRoundedRect(r, std::min(std::abs(corner.width()) / 2, r.width() / 2),
                        std::min(std::abs(corner.height()) / 2, r.height() / 2));
    independent(path, true, true);
}

void Gdi::ellipse(const QRectF& box) {
    QPainterPath path;
    path.addEllipse(box.normalized());
    independent(path, true, true);
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
    if (!inRange(path.boundingRect())) return;
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
    emitShape(p, false, true);
}

void Gdi::strokePath() {
    QPainterPath p = std::move(definedPath_);
    definedPath_ = QPainterPath();
    emitShape(p, true, false);
}

void Gdi::strokeAndFillPath() {
    QPainterPath p = std::move(definedPath_);
    definedPath_ = QPainterPath();
    emitShape(p, true, true);
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

// ---- clipping ------------------------------------------------------------------------------

QPainterPath Gdi::clipArea() const {
    QPainterPath p;
    switch (dc_.clip.kind) {
        case Clip::Kind::None:
            p.addRect(everywhere());
            break;
        case Clip::Kind::Rect:
            p.addRect(dc_.clip.rect);
            break;
        case Clip::Kind::Area:
            p = dc_.clip.area;
            break;
    }
    return p;
}

void Gdi::setClip(Clip clip) {
    if (clip.kind == Clip::Kind::Area && clip.area.elementCount() > kMaxClipElements) {
        clip.kind = Clip::Kind::Rect;
        clip.rect = clip.area.boundingRect();
    }
    dc_.clip = std::move(clip);
    emitClip();
}

void Gdi::emitClip() {
    if (dc_.clip == emittedClip_) return;
    ClipStep step;
    if (dc_.clip.kind == Clip::Kind::Rect) {
        QPainterPath p;
        p.addRect(dc_.clip.rect);
        step.clip = p;
    } else if (dc_.clip.kind == Clip::Kind::Area) {
        step.clip = dc_.clip.area;
    }
    if (step.clip && !countPoints(static_cast<std::size_t>(step.clip->elementCount()))) return;
    // Two clip changes in a row: only the second one matters.
    if (!steps_.empty() && std::holds_alternative<ClipStep>(steps_.back())) {
        steps_.back() = std::move(step);
    } else if (!pushStep(std::move(step))) {
        return;
    }
    emittedClip_ = dc_.clip;
}

void Gdi::intersectClipRect(const QRectF& box) {
    const QTransform& t = toDevice();
    if (t.type() <= QTransform::TxScale) {
        const QRectF r = t.mapRect(box.normalized());
        if (!inRange(r)) return;
        if (dc_.clip.kind == Clip::Kind::None) {
            setClip(Clip{Clip::Kind::Rect, r, {}});
            return;
        }
        if (dc_.clip.kind == Clip::Kind::Rect) {
            setClip(Clip{Clip::Kind::Rect, dc_.clip.rect.intersected(r), {}});
            return;
        }
    }
    QPainterPath p;
    p.addRect(box.normalized());
    selectClipRegion(t.map(p), RGN_AND);
}

void Gdi::excludeClipRect(const QRectF& box) {
    QPainterPath p;
    p.addRect(box.normalized());
    selectClipRegion(toDevice().map(p), RGN_DIFF);
}

void Gdi::selectClipRegion(const std::optional<QPainterPath>& region, int mode) {
    if (!region) {
        if (mode == RGN_COPY) setClip(Clip{});
        return;
    }
    if (!inRange(region->boundingRect()) && !region->isEmpty()) return;
    if (region->elementCount() > kMaxClipElements * 4) return;
    QPainterPath result;
    const QPainterPath current = clipArea();
    // Combining areas costs more than linear time: past a budget, areas are combined as their
    // bounding rectangles.
    clipWork_ += static_cast<std::size_t>(current.elementCount() + region->elementCount());
    if (clipWork_ > kMaxClipWork && mode != RGN_COPY) {
        const QRectF a = current.boundingRect();
        const QRectF b = region->boundingRect();
        QRectF r = mode == RGN_AND ? a.intersected(b) : mode == RGN_DIFF ? a : a.united(b);
        setClip(Clip{Clip::Kind::Rect, r, {}});
        return;
    }
    switch (mode) {
        case RGN_AND:
            result = current.intersected(*region);
            break;
        case RGN_OR:
            result = current.united(*region);
            break;
        case RGN_XOR:
            result = current.united(*region).subtracted(current.intersected(*region));
            break;
        case RGN_DIFF:
            result = current.subtracted(*region);
            break;
        case RGN_COPY:
            result = *region;
            break;
        default:
            return;
    }
    setClip(Clip{Clip::Kind::Area, {}, result});
}

void Gdi::offsetClip(QPointF logicalOffset) {
    const QTransform& t = toDevice();
    const QPointF d = t.map(logicalOffset) - t.map(QPointF(0, 0));
    if (!std::isfinite(d.x()) || !std::isfinite(d.y())) return;
    Clip clip = dc_.clip;
    if (clip.kind == Clip::Kind::Rect) clip.rect.translate(d);
    if (clip.kind == Clip::Kind::Area) clip.area.translate(d);
    setClip(std::move(clip));
}

void Gdi::fillRegion(const QPainterPath& region, const ObjectRef& brushObject) {
    if (bracket_ || !inRange(region.boundingRect())) return;
    const QBrush brush = makeBrush(brushObject);
    if (brush.style() != Qt::NoBrush) emitFill(region, brush);
}

void Gdi::frameRegion(const QPainterPath& region, const ObjectRef& brushObject,
                      QSizeF logicalSize) {
    if (bracket_ || !inRange(region.boundingRect())) return;
    const QBrush brush = makeBrush(brushObject);
    if (brush.style() == Qt::NoBrush || region.elementCount() > kMaxClipElements) return;
    const QTransform& t = toDevice();
    const double w =
        std::clamp(std::abs(logicalSize.width()) * deviceUnitsPerLogicalX(t), 1.0, 1000.0);
    QPainterPathStroker stroker;
    stroker.setWidth(2 * w);
    // Half the stroke lies inside the region: that half is the frame.
    emitFill(stroker.createStroke(region).intersected(region), brush);
}

void Gdi::invertRegion(const QPainterPath& region) {
    if (bracket_ || !inRange(region.boundingRect())) return;
    emitFill(region, QBrush(Qt::white), QPainter::CompositionMode_Difference);
}

}  // namespace zarovia::picture::metafile
