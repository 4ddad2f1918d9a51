#include "picture/metafile/DisplayList.h"

#include "picture/metafile/Canvas.h"
#include "picture/metafile/Limits.h"
#include "platform/Cancellation.h"

#include <QHashFunctions>
#include <algorithm>

namespace zarovia::picture::metafile {

namespace {

constexpr std::uint8_t kMoveTo = QPainterPath::MoveToElement;
constexpr std::uint8_t kLineTo = QPainterPath::LineToElement;
constexpr std::uint8_t kCurveTo = QPainterPath::CurveToElement;
constexpr std::uint8_t kCurveData = QPainterPath::CurveToDataElement;
// A node of an unordered_multimap: the value, the hash, the link and the allocator's share.
constexpr std::int64_t kIndexNodeBytes = 48;

std::size_t hashStyle(const Style& s) {
    return qHashMulti(0, s.pen.color().rgba(), s.pen.widthF(), int(s.pen.style()),
                      int(s.pen.capStyle()), int(s.pen.joinStyle()), s.pen.isCosmetic(),
                      int(s.brush.style()), s.brush.color().rgba(),
                      s.brush.textureImage().cacheKey(), int(s.mode));
}

std::size_t hashRect(const QRectF& r) {
    return qHashMulti(0, r.x(), r.y(), r.width(), r.height());
}

// Opaque strokes in the ordinary mode: drawing two of them as one gives the same pixels.
bool mergeable(const Style& s) {
    return s.mode == QPainter::CompositionMode_SourceOver && s.brush.style() == Qt::NoBrush &&
           s.pen.style() != Qt::NoPen && s.pen.color().alpha() == 255;
}

// Solid lines whose joins look like their ends: a line continued as one polyline draws the
// same as its segments drawn one by one.
bool joinsCleanly(const Style& s) {
    return mergeable(s) && s.pen.style() == Qt::SolidLine &&
           (s.pen.isCosmetic() || s.pen.widthF() == 0 ||
            (s.pen.capStyle() == Qt::RoundCap && s.pen.joinStyle() == Qt::RoundJoin));
}

}  // namespace

void PathView::buildInto(QPainterPath& out) const {
    out.clear();
    out.setFillRule(fillRule);
    const std::size_t n = std::min(points.size(), types.size());
    for (std::size_t i = 0; i < n; ++i) {
        switch (types[i]) {
            case kMoveTo:
                out.moveTo(points[i]);
                break;
            case kCurveTo:
                if (i + 2 < n && types[i + 1] == kCurveData && types[i + 2] == kCurveData) {
                    out.cubicTo(points[i], points[i + 1], points[i + 2]);
                    i += 2;
                    break;
                }
                out.lineTo(points[i]);
                break;
            default:
                out.lineTo(points[i]);
                break;
        }
    }
}

QPainterPath PathView::toPath() const {
    QPainterPath path;
    buildInto(path);
    return path;
}

QPainterPath ShapeView::toPath() const {
    const std::span<const QPointF> p = outline.points;
    QPainterPath path;
    path.setFillRule(outline.fillRule);
    switch (kind) {
        case ShapeKind::Lines:
            for (std::size_t i = 0; i + 1 < p.size(); i += 2) {
                path.moveTo(p[i]);
                path.lineTo(p[i + 1]);
            }
            break;
        case ShapeKind::Polyline:
        case ShapeKind::Polygon:
            if (p.empty()) break;
            path.moveTo(p[0]);
            for (std::size_t i = 1; i < p.size(); ++i) path.lineTo(p[i]);
            if (kind == ShapeKind::Polygon) path.closeSubpath();
            break;
        case ShapeKind::Rect:
            if (p.size() >= 2) path.addRect(QRectF(p[0], p[1]));
            break;
        case ShapeKind::Ellipse:
            if (p.size() >= 2) path.addEllipse(QRectF(p[0], p[1]));
            break;
        case ShapeKind::Path:
            outline.buildInto(path);
            break;
    }
    return path;
}

DisplayList::DisplayList(std::int64_t budgetBytes)
    : account_(std::make_shared<BudgetAccount>(budgetBytes)) {}

bool DisplayList::reserve(std::int64_t bytes) {
    return account_->reserve(bytes);
}

void DisplayList::release(std::int64_t bytes) {
    if (bytes > 0) account_->release(bytes);
}

bool DisplayList::spend(double nanoseconds) {
    if (!(nanoseconds >= 0) || nanoseconds > kMaxDrawNanoseconds - cost_) return false;
    cost_ += nanoseconds;
    return true;
}

// Grows a pool by doubling while the budget allows, then only as far as needed; the
// capacity, not the size, is what is counted.
template <typename T>
bool DisplayList::roomFor(std::vector<T>& pool, std::size_t more) {
    const std::size_t need = pool.size() + more;
    if (need <= pool.capacity()) return true;
    const std::size_t have = pool.capacity();
    const auto bytesFor = [have](std::size_t capacity) {
        return static_cast<std::int64_t>((capacity - have) * sizeof(T));
    };
    std::size_t target = std::max({need, have * 2, std::size_t{64}});
    if (!reserve(bytesFor(target))) {
        target = need;
        if (!reserve(bytesFor(target))) return false;
    }
    pool.reserve(target);
    return true;
}

bool DisplayList::pushOp(const Op& op) {
    if (ops_.size() >= kMaxSteps || !roomFor(ops_, 1)) return false;
    ops_.push_back(op);
    return true;
}

bool DisplayList::appendPoints(std::span<const QPointF> points, std::uint8_t type) {
    if (points.size() > kMaxTotalPoints - points_.size()) return false;
    if (!roomFor(points_, points.size()) || !roomFor(types_, points.size())) return false;
    points_.insert(points_.end(), points.begin(), points.end());
    types_.insert(types_.end(), points.size(), type);
    return true;
}

PathView DisplayList::pathAt(std::uint32_t first, std::uint32_t count,
                             std::uint8_t fillRule) const {
    PathView view;
    view.points = std::span<const QPointF>(points_).subspan(first, count);
    view.types = std::span<const std::uint8_t>(types_).subspan(first, count);
    view.fillRule = static_cast<Qt::FillRule>(fillRule);
    return view;
}

std::optional<std::uint32_t> DisplayList::style(const Style& s) {
    // Most steps use the style of the step before.
    if (!ops_.empty() && ops_.back().op == OpKind::Shape && styles_[ops_.back().style] == s)
        return ops_.back().style;
    const std::size_t hash = hashStyle(s);
    const auto [from, to] = styleIndex_.equal_range(hash);
    for (auto it = from; it != to; ++it)
        if (styles_[it->second] == s) return it->second;
    if (!roomFor(styles_, 1) || !roomFor(joinableStyles_, 1) ||
        !reserve(kStyleHeapBytes + kIndexNodeBytes))
        return std::nullopt;
    const auto index = static_cast<std::uint32_t>(styles_.size());
    styles_.push_back(s);
    joinableStyles_.push_back(joinsCleanly(s) ? 2 : mergeable(s) ? 1 : 0);
    styleIndex_.emplace(hash, index);
    return index;
}

bool DisplayList::addShape(ShapeKind kind, std::uint32_t style, std::span<const QPointF> points,
                           Qt::FillRule fillRule) {
    if (points.empty()) return true;
    const auto first = static_cast<std::uint32_t>(points_.size());
    if (!appendPoints(points, kLineTo)) return false;
    types_[first] = kMoveTo;
    Op op;
    op.shape = kind;
    op.fillRule = static_cast<std::uint8_t>(fillRule);
    op.style = style;
    op.first = first;
    op.count = static_cast<std::uint32_t>(points.size());
    if (pushOp(op)) return true;
    points_.resize(first);
    types_.resize(first);
    return false;
}

bool DisplayList::addPath(std::uint32_t style, const QPainterPath& path) {
    const int n = path.elementCount();
    if (n <= 0) return true;
    if (static_cast<std::size_t>(n) > kMaxTotalPoints - points_.size()) return false;
    if (!roomFor(points_, static_cast<std::size_t>(n)) ||
        !roomFor(types_, static_cast<std::size_t>(n)))
        return false;
    const auto first = static_cast<std::uint32_t>(points_.size());
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        points_.emplace_back(e.x, e.y);
        types_.push_back(static_cast<std::uint8_t>(e.type));
    }
    Op op;
    op.shape = ShapeKind::Path;
    op.fillRule = static_cast<std::uint8_t>(path.fillRule());
    op.style = style;
    op.first = first;
    op.count = static_cast<std::uint32_t>(n);
    if (pushOp(op)) return true;
    points_.resize(first);
    types_.resize(first);
    return false;
}

DisplayList::Extension DisplayList::extension(std::uint32_t style,
                                              std::span<const QPointF> points) const {
    if (points.size() < 2 || ops_.empty()) return Extension::None;
    const Op& last = ops_.back();
    const bool sameRun = last.op == OpKind::Shape && last.style == style &&
                         last.first + last.count == points_.size() &&
                         style < joinableStyles_.size() && joinableStyles_[style] != 0;
    if (!sameRun) return Extension::None;
    if (last.shape == ShapeKind::Polyline && joinableStyles_[style] == 2 &&
        points_.back() == points[0])
        return Extension::Polyline;
    if (points.size() == 2 &&
        (last.shape == ShapeKind::Lines || (last.shape == ShapeKind::Polyline && last.count == 2)))
        return Extension::Lines;
    return Extension::None;
}

bool DisplayList::extendsLast(std::uint32_t style, std::span<const QPointF> points) const {
    return extension(style, points) != Extension::None;
}

bool DisplayList::addConnected(std::uint32_t style, std::span<const QPointF> points,
                               bool mayExtend) {
    if (points.size() < 2) return true;
    switch (mayExtend ? extension(style, points) : Extension::None) {
        case Extension::Polyline:
            if (!appendPoints(points.subspan(1), kLineTo)) return false;
            ops_.back().count += static_cast<std::uint32_t>(points.size() - 1);
            return true;
        case Extension::Lines:
            if (!appendPoints(points, kLineTo)) return false;
            ops_.back().shape = ShapeKind::Lines;
            ops_.back().count += 2;
            return true;
        case Extension::None:
            break;
    }
    return addShape(ShapeKind::Polyline, style, points);
}

std::optional<std::uint32_t> DisplayList::storeNoClip() {
    if (!roomFor(clips_, 1)) return std::nullopt;
    clips_.push_back(ClipEntry{});
    return static_cast<std::uint32_t>(clips_.size() - 1);
}

std::optional<std::uint32_t> DisplayList::storeClipRect(const QRectF& rect) {
    const std::size_t hash = hashRect(rect);
    const auto [from, to] = rectClipIndex_.equal_range(hash);
    for (auto it = from; it != to; ++it)
        if (clips_[it->second].rect == rect) return it->second;
    if (!roomFor(clips_, 1) || !reserve(kIndexNodeBytes)) return std::nullopt;
    ClipEntry entry;
    entry.kind = ClipView::Kind::Rect;
    entry.rect = rect;
    clips_.push_back(entry);
    const auto index = static_cast<std::uint32_t>(clips_.size() - 1);
    rectClipIndex_.emplace(hash, index);
    return index;
}

std::optional<std::uint32_t> DisplayList::storeClipArea(const QPainterPath& area) {
    const int n = area.elementCount();
    if (static_cast<std::size_t>(n) > kMaxTotalPoints - points_.size()) return std::nullopt;
    if (!roomFor(clips_, 1) || !roomFor(points_, static_cast<std::size_t>(n)) ||
        !roomFor(types_, static_cast<std::size_t>(n)))
        return std::nullopt;
    ClipEntry entry;
    entry.kind = ClipView::Kind::Area;
    entry.fillRule = static_cast<std::uint8_t>(area.fillRule());
    entry.first = static_cast<std::uint32_t>(points_.size());
    entry.count = static_cast<std::uint32_t>(n);
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = area.elementAt(i);
        points_.emplace_back(e.x, e.y);
        types_.push_back(static_cast<std::uint8_t>(e.type));
    }
    clips_.push_back(entry);
    return static_cast<std::uint32_t>(clips_.size() - 1);
}

bool DisplayList::selectClip(std::uint32_t clip) {
    if (clip >= clips_.size()) return false;
    if (!ops_.empty() && ops_.back().op == OpKind::Clip) {
        ops_.back().first = clip;
        return true;
    }
    Op op;
    op.op = OpKind::Clip;
    op.first = clip;
    return pushOp(op);
}

bool DisplayList::addText(TextItem item, std::int64_t drawCacheBytes) {
    const std::int64_t heap =
        kStringHeapBytes + 2 * static_cast<std::int64_t>(item.text.size()) +
        (item.advances.empty()
             ? 0
             : kStringHeapBytes + 8 * static_cast<std::int64_t>(item.advances.capacity()));
    if (!roomFor(texts_, 1) || !reserve(heap + std::max<std::int64_t>(0, drawCacheBytes)))
        return false;
    Op op;
    op.op = OpKind::Text;
    op.first = static_cast<std::uint32_t>(texts_.size());
    if (!pushOp(op)) return false;
    texts_.push_back(std::move(item));
    return true;
}

bool DisplayList::addImage(ImageItem item) {
    if (!roomFor(images_, 1)) return false;
    Op op;
    op.op = OpKind::Image;
    op.first = static_cast<std::uint32_t>(images_.size());
    if (!pushOp(op)) return false;
    images_.push_back(std::move(item));
    return true;
}

void DisplayList::finish() {
    const auto shrink = [this](auto& pool) {
        using T = typename std::decay_t<decltype(pool)>::value_type;
        const std::size_t before = pool.capacity();
        pool.shrink_to_fit();
        release(static_cast<std::int64_t>((before - pool.capacity()) * sizeof(T)));
    };
    shrink(ops_);
    shrink(points_);
    shrink(types_);
    shrink(styles_);
    shrink(joinableStyles_);
    shrink(clips_);
    shrink(texts_);
    shrink(images_);
}

void DisplayList::play(Canvas& canvas) const {
    for (const Op& op : ops_) {
        checkpoint();
        switch (op.op) {
            case OpKind::Shape: {
                ShapeView view;
                view.kind = op.shape;
                view.style = &styles_[op.style];
                view.outline = pathAt(op.first, op.count, op.fillRule);
                canvas.shape(view);
                break;
            }
            case OpKind::Clip: {
                const ClipEntry& entry = clips_[op.first];
                ClipView view;
                view.kind = entry.kind;
                view.rect = entry.rect;
                view.area = pathAt(entry.first, entry.count, entry.fillRule);
                canvas.clip(view);
                break;
            }
            case OpKind::Text:
                canvas.text(texts_[op.first], op.first);
                break;
            case OpKind::Image:
                canvas.image(images_[op.first]);
                break;
        }
    }
}

}  // namespace zarovia::picture::metafile
