#pragma once

#include "picture/metafile/Canvas.h"

#include <QPainter>
#include <QRectF>
#include <QTransform>

namespace zarovia::picture::metafile {

// Plays steps on a QPainter: device coordinates are mapped by `deviceToTarget`, and nothing
// is drawn outside `targetClip` (painter coordinates).
class PainterCanvas final : public Canvas {
public:
    PainterCanvas(QPainter& painter, const QTransform& deviceToTarget, const QRectF& targetClip);
    ~PainterCanvas() override;
    PainterCanvas(const PainterCanvas&) = delete;
    PainterCanvas& operator=(const PainterCanvas&) = delete;

    void clip(const ClipStep& step) override;
    void shape(const ShapeStep& step) override;
    void text(const TextStep& step) override;
    void image(const ImageStep& step) override;

private:
    void applyClip();

    QPainter& painter_;
    QTransform base_;            // the caller's own transform
    QTransform deviceToTarget_;  // device to painter coordinates, base included
    QRectF targetClip_;
    std::optional<QPainterPath> deviceClip_;
    double scale_;  // target pixels per device unit, for the thinnest visible line
};

}  // namespace zarovia::picture::metafile
