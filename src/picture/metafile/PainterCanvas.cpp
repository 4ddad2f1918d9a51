#include "picture/metafile/PainterCanvas.h"

#include "picture/metafile/DrawCost.h"
#include "picture/metafile/GlyphCache.h"

#include "picture/metafile/Limits.h"
#include "picture/metafile/ThreadClock.h"

#include <QPaintDevice>
#include <QRawFont>
#include <algorithm>
#include <cmath>
#include <utility>

namespace zarovia::picture::metafile {

namespace {

// Glyphs whose em is at most this many pixels along every direction on the target are drawn
// through the font engine's glyph cache; larger ones, or ones stretched further in one
// direction than the other, are filled as outlines. The font engine renders a cached glyph
// under the whole transform, and FreeType fails (and Qt then reads a null bitmap) on a glyph
// flattened into a row or two of several hundred pixels: seen from about 700 pixels wide at
// two pixels high.
constexpr double kMaxCachedGlyphPixels = 256;
constexpr double kMaxCachedGlyphStretch = 16;

// The largest and smallest factors by which a transform stretches a length (its singular
// values).
std::pair<double, double> stretchRange(const QTransform& t) {
    const double a = t.m11(), b = t.m12(), c = t.m21(), d = t.m22();
    const double sum = a * a + b * b + c * c + d * d;
    const double det = a * d - b * c;
    const double root = std::sqrt(std::max(0.0, sum * sum - 4 * det * det));
    return {std::sqrt((sum + root) / 2), std::sqrt(std::max(0.0, (sum - root) / 2))};
}

// The device pixels the frame covers when drawn through `deviceToPainter`.
QSizeF pixelsOnDevice(const QRectF& frame, const QTransform& deviceToPainter,
                      const QPainter& painter) {
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    return deviceToPainter.mapRect(frame).size() * ratio;
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter, const QTransform& deviceToTarget,
                             const QRectF& targetClip, GlyphCache& glyphs,
                             const QRectF& deviceFrame)
    : painter_(painter),
      glyphs_(glyphs),
      base_(painter.worldTransform()),
      deviceToTarget_(deviceToTarget * painter.worldTransform()),
      targetClip_(targetClip),
      scale_(std::sqrt(std::abs(deviceToTarget_.determinant()))),
      cost_(deviceFrame, pixelsOnDevice(deviceFrame, deviceToTarget_, painter)),
      startCpu_(threadCpuNanoseconds()) {
    painter_.save();
    bool invertible = false;
    const QTransform targetToDevice = deviceToTarget.inverted(&invertible);
    replaceClip_ = !painter_.hasClipping() && invertible;
    if (replaceClip_) targetInDevice_ = targetToDevice.mapRect(targetClip_);
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    clip(ClipView{});
}

PainterCanvas::~PainterCanvas() {
    painter_.restore();
}

bool PainterCanvas::admit(double cost) {
    if (report_.stopped) return false;
    if (!(cost <= kMaxPlayStepNanoseconds)) {
        ++report_.skippedSteps;
        return false;
    }
    // The processor time (dear to read) is read every so many steps, and as soon as the steps
    // since it was last read are estimated at a few milliseconds.
    sinceClockNanoseconds_ += cost;
    if (++sinceClock_ >= 256 || sinceClockNanoseconds_ > 2e6) {
        sinceClock_ = 0;
        sinceClockNanoseconds_ = 0;
        if (threadCpuNanoseconds() - startCpu_ > kMaxPlayCpuNanoseconds) report_.stopped = true;
    }
    if (report_.stopped || cost > kMaxPlayNanoseconds - report_.estimatedNanoseconds) {
        report_.stopped = true;
        return false;
    }
    report_.estimatedNanoseconds += cost;
    return true;
}

void PainterCanvas::clip(const ClipView& given) {
    ClipView c = given;
    if (c.kind == ClipView::Kind::Area && !admit(cost_.clip(c))) {
        // Too dear to clip to: its bounding rectangle instead.
        c.kind = ClipView::Kind::Rect;
        c.rect = c.area.toPath().boundingRect();
    }
    if (!replaceClip_) {
        applyGeneralClip(c);
        return;
    }
    painter_.setWorldTransform(deviceToTarget_);
    switch (c.kind) {
        case ClipView::Kind::None:
            painter_.setClipRect(targetInDevice_, Qt::ReplaceClip);
            break;
        case ClipView::Kind::Rect:
            painter_.setClipRect(c.rect.normalized() & targetInDevice_, Qt::ReplaceClip);
            break;
        case ClipView::Kind::Area:
            c.area.buildInto(scratch_);
            painter_.setClipRect(targetInDevice_, Qt::ReplaceClip);
            painter_.setClipPath(scratch_, Qt::IntersectClip);
            break;
    }
}

// The caller's clip is restored and intersected again, so a metafile clip can grow as well as
// shrink without ever reaching outside the target.
void PainterCanvas::applyGeneralClip(const ClipView& c) {
    hasDeviceClip_ = c.kind != ClipView::Kind::None;
    if (c.kind == ClipView::Kind::Rect) {
        deviceClip_.clear();
        deviceClip_.addRect(c.rect);
    } else if (c.kind == ClipView::Kind::Area) {
        c.area.buildInto(deviceClip_);
    }
    painter_.restore();
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_.setWorldTransform(base_);
    painter_.setClipRect(targetClip_, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter_.setWorldTransform(deviceToTarget_);
    if (hasDeviceClip_) painter_.setClipPath(deviceClip_, Qt::IntersectClip);
    style_ = nullptr;
}

void PainterCanvas::applyStyle(const Style& style) {
    QPen pen = style.pen;
    // A line is at least one pixel wide on the target, as on a real device; up to one and a
    // half pixels it is drawn as a hairline, which the raster engine strokes far faster.
    if (pen.style() != Qt::NoPen && !pen.isCosmetic() && pen.widthF() * scale_ < 1.5) {
        pen.setWidthF(0);
        pen.setCosmetic(true);
    }
    wide_ = pen.style() != Qt::NoPen && !pen.isCosmetic();
    joins_ = pen.style() == Qt::SolidLine && pen.capStyle() == Qt::RoundCap &&
             pen.joinStyle() == Qt::RoundJoin;
    painter_.setCompositionMode(style.mode);
    painter_.setPen(pen);
    painter_.setBrush(style.brush);
    style_ = &style;
}

void PainterCanvas::shape(const ShapeView& s) {
    if (!admit(cost_.shape(s))) return;
    if (s.style != style_) applyStyle(*s.style);
    const std::span<const QPointF> p = s.outline.points;
    const int n = static_cast<int>(p.size());
    // The rasteriser's work on one outline grows faster than its length when its edges
    // crowd the same scanlines, so wide lines that may be drawn in pieces are (see DrawCost).
    const bool wide = wide_;
    switch (s.kind) {
        case ShapeKind::Lines:
            if (!wide) {
                painter_.drawLines(p.data(), n / 2);
                break;
            }
            for (int i = 0; i + 1 < n; i += 2) painter_.drawLine(p[i], p[i + 1]);
            break;
        case ShapeKind::Polyline:
            if (!wide || !joins_) {
                painter_.drawPolyline(p.data(), n);
                break;
            }
            for (int i = 0; i + 1 < n; i += static_cast<int>(DrawCost::kSegmentsPerPiece))
                painter_.drawPolyline(
                    p.data() + i,
                    std::min(static_cast<int>(DrawCost::kSegmentsPerPiece) + 1, n - i));
            break;
        case ShapeKind::Polygon:
            painter_.drawPolygon(p.data(), n, s.outline.fillRule);
            break;
        case ShapeKind::Rect:
            if (n >= 2) painter_.drawRect(QRectF(p[0], p[1]));
            break;
        case ShapeKind::Ellipse:
            if (n >= 2) painter_.drawEllipse(QRectF(p[0], p[1]));
            break;
        case ShapeKind::Path:
            s.outline.buildInto(scratch_);
            painter_.drawPath(scratch_);
            break;
    }
}

void PainterCanvas::text(const TextItem& t, std::size_t index) {
    if (!admit(cost_.text(t))) return;
    const std::vector<QGlyphRun>& runs = glyphs_.runs(t, index);
    painter_.save();
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (t.opaqueRect) painter_.fillRect(*t.opaqueRect, t.opaqueColour);
    if (t.clipRect) painter_.setClipRect(*t.clipRect, Qt::IntersectClip);
    painter_.setWorldTransform(t.frame * deviceToTarget_);
    if (t.background) {
        painter_.fillRect(
            QRectF(t.start.x(), t.start.y() - t.ascent, t.width, t.ascent + t.descent),
            *t.background);
    }
    painter_.setPen(t.colour);
    // The font engine rasterises and caches every glyph at its size on the target; beyond a
    // sane size or stretch (a zoomed, squeezed or hostile file) the outlines are filled instead.
    const QTransform onTarget = painter_.combinedTransform();
    const auto [widest, narrowest] = stretchRange(onTarget);
    const double glyphPixels = widest * t.font.pixelSize();
    if (!(glyphPixels >= 0.5)) {
        // Under half a pixel (or degenerate): nothing to see.
    } else if (glyphPixels <= kMaxCachedGlyphPixels &&
               widest <= kMaxCachedGlyphStretch * narrowest) {
        for (const QGlyphRun& run : runs) painter_.drawGlyphRun(QPointF(0, 0), run);
    } else if (std::isfinite(widest)) {
        QPainterPath outlines;
        for (const QGlyphRun& run : runs) {
            const QRawFont font = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
                outlines.addPath(font.pathForGlyph(indexes[i]).translated(positions[i]));
        }
        painter_.fillPath(outlines, t.colour);
    }
    if ((t.underline || t.strikeOut) && glyphPixels >= 0.5) {
        // The font's own line thickness, scaled, and at least one pixel on the target.
        const double across = std::hypot(onTarget.m21(), onTarget.m22());
        const double thickness = std::max(t.lineWidth, across > 0 ? 1.0 / across : 0.0);
        for (const std::optional<double>& line : {t.underline, t.strikeOut}) {
            if (line)
                painter_.fillRect(
                    QRectF(t.start.x(), *line - thickness / 2, t.width, thickness).normalized(),
                    t.colour);
        }
    }
    painter_.restore();
    style_ = nullptr;
}

void PainterCanvas::image(const ImageItem& item) {
    if (!admit(cost_.image(item))) return;
    painter_.save();
    painter_.setWorldTransform(item.frame * deviceToTarget_);
    painter_.setCompositionMode(item.mode);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, item.smooth);
    painter_.drawImage(QPointF(0, 0), item.image);
    painter_.restore();
    style_ = nullptr;
}

}  // namespace zarovia::picture::metafile
