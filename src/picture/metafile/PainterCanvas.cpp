#include "picture/metafile/PainterCanvas.h"

#include <QFontMetricsF>
#include <QRawFont>
#include <algorithm>
#include <cmath>

namespace zarovia::picture::metafile {

namespace {

// Glyphs up to this many pixels high are drawn through the font engine's glyph cache.
constexpr double kMaxGlyphPixels = 1024;

}  // namespace

void play(const std::vector<Step>& steps, Canvas& canvas) {
    for (const Step& step : steps) {
        std::visit(
            [&canvas](const auto& s) {
                using T = std::decay_t<decltype(s)>;
                if constexpr (std::is_same_v<T, ClipStep>)
                    canvas.clip(s);
                else if constexpr (std::is_same_v<T, ShapeStep>)
                    canvas.shape(s);
                else if constexpr (std::is_same_v<T, TextStep>)
                    canvas.text(s);
                else
                    canvas.image(s);
            },
            step);
    }
}

PainterCanvas::PainterCanvas(QPainter& painter, const QTransform& deviceToTarget,
                             const QRectF& targetClip)
    : painter_(painter),
      base_(painter.worldTransform()),
      deviceToTarget_(deviceToTarget * painter.worldTransform()),
      targetClip_(targetClip),
      scale_(std::sqrt(std::abs(deviceToTarget_.determinant()))) {
    painter_.save();
    applyClip();
}

PainterCanvas::~PainterCanvas() {
    painter_.restore();
}

// The caller's clip is restored and intersected again, so a metafile clip can grow as well as
// shrink without ever reaching outside the target.
void PainterCanvas::applyClip() {
    painter_.restore();
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_.setWorldTransform(base_);
    painter_.setClipRect(targetClip_, painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter_.setWorldTransform(deviceToTarget_);
    if (deviceClip_) painter_.setClipPath(*deviceClip_, Qt::IntersectClip);
}

void PainterCanvas::clip(const ClipStep& step) {
    deviceClip_ = step.clip;
    applyClip();
}

void PainterCanvas::shape(const ShapeStep& step) {
    QPen pen = step.pen;
    // A line is at least one pixel wide on the target, as on a real device; up to one and a
    // half pixels it is drawn as a hairline, which the raster engine strokes far faster.
    if (pen.style() != Qt::NoPen && !pen.isCosmetic() && pen.widthF() * scale_ < 1.5) {
        pen.setWidthF(0);
        pen.setCosmetic(true);
    }
    painter_.setCompositionMode(step.mode);
    painter_.setPen(pen);
    painter_.setBrush(step.brush);
    painter_.drawPath(step.path);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void PainterCanvas::text(const TextStep& step) {
    painter_.save();
    if (step.opaqueRect) painter_.fillRect(*step.opaqueRect, step.opaqueColour);
    if (step.clipRect) painter_.setClipRect(*step.clipRect, Qt::IntersectClip);
    painter_.setWorldTransform(step.frame * deviceToTarget_);
    if (step.background) {
        const QFontMetricsF metrics(step.font);
        painter_.fillRect(QRectF(step.start.x(), step.start.y() - metrics.ascent(), step.width,
                                 metrics.ascent() + metrics.descent()),
                          *step.background);
    }
    painter_.setPen(step.colour);
    // The font engine rasterises and caches every glyph at its size on the target; beyond a
    // sane size (a zoomed or hostile file) the outlines are filled instead.
    const QTransform onTarget = painter_.combinedTransform();
    const double scale = std::max(std::hypot(onTarget.m11(), onTarget.m12()),
                                  std::hypot(onTarget.m21(), onTarget.m22()));
    const double glyphPixels = scale * step.font.pixelSize();
    if (!(glyphPixels >= 0.5)) {
        // Under half a pixel (or degenerate): nothing to see.
    } else if (glyphPixels <= kMaxGlyphPixels) {
        for (const QGlyphRun& run : step.glyphs) painter_.drawGlyphRun(QPointF(0, 0), run);
    } else if (std::isfinite(scale)) {
        QPainterPath outlines;
        for (const QGlyphRun& run : step.glyphs) {
            const QRawFont font = run.rawFont();
            const QList<quint32> indexes = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
                outlines.addPath(font.pathForGlyph(indexes[i]).translated(positions[i]));
        }
        painter_.fillPath(outlines, step.colour);
    }
    painter_.restore();
}

void PainterCanvas::image(const ImageStep& step) {
    painter_.save();
    painter_.setWorldTransform(step.frame * deviceToTarget_);
    painter_.setCompositionMode(step.mode);
    painter_.drawImage(QPointF(0, 0), step.image);
    painter_.restore();
}

}  // namespace zarovia::picture::metafile
