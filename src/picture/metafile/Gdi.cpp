#include "picture/metafile/Gdi.h"

#include "picture/metafile/Limits.h"
#include "picture/metafile/ThreadClock.h"
#include "platform/Cancellation.h"

#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile {

namespace {

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

QRectF boundsOf(std::span<const QPointF> points) {
    if (points.empty()) return QRectF();
    double left = points[0].x();
    double right = left;
    double top = points[0].y();
    double bottom = top;
    for (const QPointF& p : points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

}  // namespace

Gdi::Gdi(DisplayList& list, const DeviceContext& initial, const QRectF& deviceFrame)
    : list_(list),
      cost_(deviceFrame),
      dc_(initial),
      areas_(kMaxAreaNanoseconds, kMaxAreaStepNanoseconds),
      startCpu_(threadCpuNanoseconds()) {
    // The canvas starts without a clip; the initial state is that clip, already selected.
    if (const auto none = list_.storeNoClip()) {
        dc_.clip = Clip{};
        dc_.clip.stored = *none;
        emittedClip_ = dc_.clip;
    } else {
        stop();
    }
}

Mapping& Gdi::editMapping() noexcept {
    mappingDirty_ = true;
    ++mappingGeneration_;
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
    if (pixels < 0 || pixels > (std::int64_t{1} << 40)) return false;
    noteWork(pixels / 256);
    if (list_.reserve(pixels * 4)) return true;
    return false;
}

QImage Gdi::premultipliedCopy(const QImage& image, const QRect& part) {
    constexpr QImage::Format kPremultiplied = QImage::Format_ARGB32_Premultiplied;
    if (image.isNull() || part.isEmpty() || !image.rect().contains(part)) return QImage();
    const std::int64_t kept = rasterBytes(part.width(), part.height(), 4);
    // A part of another format is copied before it is converted.
    const bool copied = part != image.rect() && image.format() != kPremultiplied;
    const std::int64_t passing =
        copied ? (static_cast<std::int64_t>(part.width()) * image.depth() + 7) / 8 * part.height()
               : 0;
    if (kept < 0 || !list_.reserve(kept)) return QImage();
    if (!list_.reserve(passing)) {
        list_.release(kept);
        return QImage();
    }
    QImage out = part == image.rect() ? image : image.copy(part);
    out.convertTo(kPremultiplied);
    list_.release(passing);
    if (out.isNull()) list_.release(kept);
    return out;
}

bool Gdi::outOfTime(std::size_t recordBytes) {
    checkpoint();
    // The processor time costs half a microsecond to read: it is read after some work and at
    // most every few milliseconds, as a cheap clock tells.
    work_ += 1 + static_cast<std::int64_t>(recordBytes / 64);
    if (work_ < 256) return exhausted_;
    work_ = 0;
    const std::int64_t now = monotonicNanoseconds();
    if (now - lastLook_ < 5'000'000) return exhausted_;
    lastLook_ = now;
    if (threadCpuNanoseconds() - startCpu_ > kMaxParseCpuNanoseconds) stop();
    return exhausted_;
}

bool Gdi::afford(double cost) {
    if (!(cost <= kMaxStepNanoseconds)) {
        ++skippedSteps_;
        return false;
    }
    if (!list_.spend(cost)) {
        stop();
        return false;
    }
    return true;
}

// Points held by the path being defined: the bracket is transient, but a file that defines
// a huge path must not take unbounded memory before it is drawn.
bool Gdi::countPoints(std::size_t n) {
    if (n > kMaxTotalPoints - bracketPoints_) {
        stop();
        return false;
    }
    bracketPoints_ += n;
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
    ++mappingGeneration_;
    emitClip();
}

// ---- pens, brushes and styles ------------------------------------------------------------

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

std::optional<std::uint32_t> Gdi::keep(const Style& style) {
    const std::optional<std::uint32_t> index = list_.style(style);
    if (!index) stop();
    return index;
}

// The stroke style of the current pen, kept while nothing it depends on changes: a run of
// LineTo records computes it once.
std::optional<std::uint32_t> Gdi::strokeStyle(double& penWidth) {
    StrokeCache& c = strokeCache_;
    if (c.valid && c.pen == dc_.pen && c.palette == dc_.palette && c.rop2 == dc_.rop2 &&
        c.miterLimit == dc_.miterLimit && c.mapping == mappingGeneration_ && !mappingDirty_) {
        penWidth = c.penWidth;
        return c.style;
    }
    Style style;
    style.pen = makePen();
    std::optional<std::uint32_t> index;
    if (style.pen.style() != Qt::NoPen) {
        QColor c2 = style.pen.color();
        rop2Applies(c2, style.mode);
        index = keep(style);
        if (!index) return std::nullopt;
    }
    c = StrokeCache{dc_.pen, dc_.palette,        dc_.rop2, dc_.miterLimit, mappingGeneration_,
                    index,   style.pen.widthF(), true};
    penWidth = c.penWidth;
    return index;
}

std::optional<Gdi::ShapeStyles> Gdi::shapeStyles(bool stroke, bool fill) {
    ShapeStyles out;
    Style main;
    if (stroke) {
        main.pen = makePen();
        out.penWidth = main.pen.widthF();
        if (main.pen.style() != Qt::NoPen) {
            QColor c = main.pen.color();
            rop2Applies(c, main.mode);
        }
    }
    if (fill) {
        QBrush brush = makeBrush(dc_.brush);
        if (brush.style() != Qt::NoBrush) {
            QColor c = brush.color();
            QPainter::CompositionMode mode;
            if (!rop2Applies(c, mode)) {
                brush = Qt::NoBrush;
            } else {
                main.mode = mode;
                if (brush.style() == Qt::SolidPattern) {
                    brush.setColor(c);
                } else if (brush.style() != Qt::TexturePattern && dc_.backgroundMode == OPAQUE) {
                    Style gaps;
                    gaps.brush = QBrush(colour(dc_.backgroundColour));
                    gaps.mode = mode;
                    out.gaps = keep(gaps);
                    if (!out.gaps) return std::nullopt;
                }
            }
        }
        main.brush = brush;
        out.fills = brush.style() != Qt::NoBrush;
    }
    if (main.pen.style() == Qt::NoPen && main.brush.style() == Qt::NoBrush) return out;
    out.main = keep(main);
    if (!out.main) return std::nullopt;
    return out;
}

// ---- emitted steps -------------------------------------------------------------------------

void Gdi::strokeConnected(std::span<const QPointF> points) {
    if (exhausted_ || points.size() < 2) return;
    const QRectF bounds = boundsOf(points);
    if (!inRangeRect(bounds)) return;
    double penWidth = 0;
    const std::optional<std::uint32_t> style = strokeStyle(penWidth);
    if (!style) return;
    const bool segmentwise = points.size() == 2 || list_.joins(*style);
    // A run of lines joined into one step stays within a quarter of a step's share of the
    // drawing time (a step drawn is where a draw no longer wanted can stop): past it, the run
    // goes on in a step of its own.
    const double joined = cost_.stroke(points, false, penWidth, segmentwise, false);
    const bool extend = list_.extendsLast(*style, points) && runSteps_ == list_.stepCount() &&
                        runCost_ + joined <= kMaxStepNanoseconds / 4;
    const double cost = extend ? joined : cost_.stroke(points, false, penWidth, segmentwise);
    if (!afford(cost)) return;
    if (!list_.addConnected(*style, points, extend)) {
        stop();
        return;
    }
    runCost_ = extend ? runCost_ + cost : cost;
    runSteps_ = list_.stepCount();
    const double half = penWidth / 2;
    drawnBounds_ = drawnBounds_.united(bounds.adjusted(-half, -half, half, half));
}

void Gdi::emitPoints(ShapeKind kind, std::span<const QPointF> points, bool stroke, bool fill) {
    if (exhausted_ || points.empty()) return;
    const QRectF bounds = boundsOf(points);
    if (!inRangeRect(bounds)) return;
    const std::optional<ShapeStyles> styles = shapeStyles(stroke, fill);
    if (!styles || !styles->main) return;
    const Qt::FillRule rule = dc_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
    const bool box = kind == ShapeKind::Rect || kind == ShapeKind::Ellipse;
    double cost = 0;
    if (stroke) {
        // Boxes are stroked along their four sides.
        const QPointF corners[4] = {bounds.topLeft(), bounds.topRight(), bounds.bottomRight(),
                                    bounds.bottomLeft()};
        const bool open = kind == ShapeKind::Polyline;
        cost += cost_.stroke(box ? std::span<const QPointF>(corners) : points, !open,
                             styles->penWidth, open && list_.joins(*styles->main));
    }
    if (styles->fills) {
        const double one = box ? cost_.fillBox(bounds) : cost_.fill(points);
        cost += one * (styles->gaps ? 2 : 1);
    }
    if (!afford(cost)) return;
    if ((styles->gaps && !list_.addShape(kind, *styles->gaps, points, rule)) ||
        !list_.addShape(kind, *styles->main, points, rule)) {
        stop();
        return;
    }
    const double half = stroke ? styles->penWidth / 2 : 0.0;
    drawnBounds_ = drawnBounds_.united(bounds.adjusted(-half, -half, half, half));
}

void Gdi::emitPath(const QPainterPath& path, bool stroke, bool fill) {
    if (exhausted_ || path.isEmpty()) return;
    const QRectF bounds = path.controlPointRect();
    if (!inRangeRect(bounds)) return;
    const std::optional<ShapeStyles> styles = shapeStyles(stroke, fill);
    if (!styles || !styles->main) return;
    QPainterPath ruled = path;
    ruled.setFillRule(dc_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    double cost = 0;
    if (stroke) cost += cost_.strokePath(ruled, styles->penWidth);
    if (styles->fills) cost += cost_.fillPath(ruled) * (styles->gaps ? 2 : 1);
    if (!afford(cost)) return;
    if ((styles->gaps && !list_.addPath(*styles->gaps, ruled)) ||
        !list_.addPath(*styles->main, ruled)) {
        stop();
        return;
    }
    const double half = stroke ? styles->penWidth / 2 : 0.0;
    drawnBounds_ = drawnBounds_.united(bounds.adjusted(-half, -half, half, half));
}

void Gdi::emitFill(const QPainterPath& path, const QBrush& brush, QPainter::CompositionMode mode) {
    if (exhausted_ || path.isEmpty()) return;
    const QRectF bounds = path.controlPointRect();
    if (!inRangeRect(bounds)) return;
    Style style;
    style.brush = brush;
    style.mode = mode;
    const std::optional<std::uint32_t> index = keep(style);
    if (!index) return;
    if (!afford(cost_.fillPath(path))) return;
    if (!list_.addPath(*index, path)) {
        stop();
        return;
    }
    drawnBounds_ = drawnBounds_.united(bounds);
}

}  // namespace zarovia::picture::metafile
