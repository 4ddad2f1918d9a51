#pragma once

#include "picture/metafile/Canvas.h"

#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>

namespace zarovia::picture::metafile {

class GlyphCache;

// Plays steps on a QPainter: device coordinates are mapped by `deviceToTarget`, and nothing
// is drawn outside `targetClip` (painter coordinates). Texts take their glyphs from `glyphs`.
class PainterCanvas final : public Canvas {
public:
    PainterCanvas(QPainter& painter, const QTransform& deviceToTarget, const QRectF& targetClip,
                  GlyphCache& glyphs);
    ~PainterCanvas() override;
    PainterCanvas(const PainterCanvas&) = delete;
    PainterCanvas& operator=(const PainterCanvas&) = delete;

    void clip(const ClipView& clip) override;
    void shape(const ShapeView& shape) override;
    void text(const TextItem& text, std::size_t index) override;
    void image(const ImageItem& image) override;

private:
    void applyStyle(const Style& style);
    void applyGeneralClip(const ClipView& clip);

    QPainter& painter_;
    GlyphCache& glyphs_;
    QTransform base_;            // the caller's own transform
    QTransform deviceToTarget_;  // device to painter coordinates, base included
    QRectF targetClip_;
    // When the caller set no clip of its own, a metafile clip simply replaces the painter's
    // clip, intersected with the target in device coordinates; otherwise the caller's clip is
    // restored and intersected again at every change.
    bool replaceClip_ = false;
    QRectF targetInDevice_;
    QPainterPath deviceClip_;
    bool hasDeviceClip_ = false;
    const Style* style_ = nullptr;  // the style the painter holds
    bool wide_ = false;             // its pen is wider than a hairline on the target
    bool joins_ = false;            // and its lines may be drawn in pieces
    QPainterPath scratch_;          // reused for outlines rebuilt from points
    double scale_;                  // target pixels per device unit, for the thinnest visible line
};

}  // namespace zarovia::picture::metafile
