#include "picture/metafile/Gdi.h"
#include "picture/metafile/Limits.h"

#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

// The clip region and the region records.
namespace zarovia::picture::metafile {

namespace {

QRectF everywhere() {
    return QRectF(-kMaxCoordinate, -kMaxCoordinate, 2 * kMaxCoordinate, 2 * kMaxCoordinate);
}

}  // namespace

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
    if (clip.kind == Clip::Kind::Area &&
        (clip.area.elementCount() > kMaxClipElements || isRectangle(clip.area))) {
        clip.kind = Clip::Kind::Rect;
        clip.rect = clip.area.boundingRect();
    }
    clip.stored.reset();
    dc_.clip = std::move(clip);
    emitClip();
}

// Selects the state's clip in the display list. A clip is stored once: the same rectangle, or
// a state brought back by RestoreDC, is selected again by its index.
void Gdi::emitClip() {
    if (exhausted_) return;
    Clip& clip = dc_.clip;
    if (!clip.stored && clip == emittedClip_) clip.stored = emittedClip_.stored;
    if (clip.stored && clip.stored == emittedClip_.stored) return;
    double cost = clip.kind == Clip::Kind::Area ? cost_.fillPath(clip.area) : cost_.clipRect();
    if (!(cost <= kMaxStepNanoseconds)) {
        // An area dearer to clip to than a step's share clips as its bounding rectangle.
        ++skippedSteps_;
        clip = Clip{Clip::Kind::Rect, clip.area.boundingRect(), {}, {}};
        cost = cost_.clipRect();
    }
    if (!list_.spend(cost)) {
        stop();
        return;
    }
    if (!clip.stored) {
        switch (clip.kind) {
            case Clip::Kind::None:
                clip.stored = list_.storeNoClip();
                break;
            case Clip::Kind::Rect:
                clip.stored = list_.storeClipRect(clip.rect);
                break;
            case Clip::Kind::Area:
                clip.stored = list_.storeClipArea(clip.area);
                break;
        }
    }
    if (!clip.stored || !list_.selectClip(*clip.stored)) {
        stop();
        return;
    }
    emittedClip_ = clip;
}

void Gdi::intersectClipRect(const QRectF& box) {
    const QTransform& t = toDevice();
    if (t.type() <= QTransform::TxScale) {
        const QRectF r = t.mapRect(box.normalized());
        if (!inRangeRect(r)) return;
        if (dc_.clip.kind == Clip::Kind::None) {
            setClip(Clip{Clip::Kind::Rect, r, {}, {}});
            return;
        }
        if (dc_.clip.kind == Clip::Kind::Rect) {
            setClip(Clip{Clip::Kind::Rect, dc_.clip.rect.intersected(r), {}, {}});
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
    if (!inRangeRect(region->boundingRect()) && !region->isEmpty()) return;
    if (region->elementCount() > kMaxClipElements * 4) return;
    if (mode < RGN_AND || mode > RGN_COMPLEMENT) return;
    setClip(Clip{Clip::Kind::Area, {}, areas_.combine(clipArea(), *region, mode), {}});
}

void Gdi::offsetClip(QPointF logicalOffset) {
    const QTransform& t = toDevice();
    translateClip(t.map(logicalOffset) - t.map(QPointF(0, 0)));
}

void Gdi::setClipState(const Clip& clip) {
    dc_.clip = clip;
    emitClip();
}

void Gdi::translateClip(QPointF d) {
    if (!std::isfinite(d.x()) || !std::isfinite(d.y())) return;
    Clip clip = dc_.clip;
    if (clip.kind == Clip::Kind::Rect) clip.rect.translate(d);
    if (clip.kind == Clip::Kind::Area) clip.area.translate(d);
    setClip(std::move(clip));
}

void Gdi::fillRegion(const QPainterPath& region, const ObjectRef& brushObject) {
    if (bracket_ || !inRangeRect(region.boundingRect())) return;
    const QBrush brush = makeBrush(brushObject);
    if (brush.style() != Qt::NoBrush) emitFill(region, brush);
}

void Gdi::frameRegion(const QPainterPath& region, const ObjectRef& brushObject,
                      QSizeF logicalSize) {
    if (bracket_ || !inRangeRect(region.boundingRect())) return;
    const QBrush brush = makeBrush(brushObject);
    if (brush.style() == Qt::NoBrush || region.elementCount() > kMaxClipElements) return;
    const QTransform& t = toDevice();
    const double w =
        std::clamp(std::abs(logicalSize.width()) * deviceUnitsPerLogicalX(t), 1.0, 1000.0);
    QPainterPathStroker stroker;
    stroker.setWidth(2 * w);
    // Half the stroke lies inside the region: that half is the frame.
    emitFill(areas_.combine(stroker.createStroke(region), region, RGN_AND), brush);
}

void Gdi::invertRegion(const QPainterPath& region) {
    if (bracket_ || !inRangeRect(region.boundingRect())) return;
    emitFill(region, QBrush(Qt::white), QPainter::CompositionMode_Difference);
}

}  // namespace zarovia::picture::metafile
