#pragma once

#include "picture/metafile/Canvas.h"
#include "picture/metafile/DrawCost.h"

#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>

namespace zarovia::picture::metafile {

class GlyphCache;

// What one draw of a list cost, as estimated at the size drawn: steps left out because each
// alone would have cost more than its share, and whether the draw stopped before the end
// because its estimated or measured time was spent.
struct PlayReport {
    double estimatedNanoseconds = 0;
    int skippedSteps = 0;
    bool stopped = false;
};

// Plays steps on a QPainter: device coordinates are mapped by `deviceToTarget`, and nothing
// is drawn outside `targetClip` (painter coordinates). Texts take their glyphs from `glyphs`.
// Each step is estimated at the size it is drawn (`deviceFrame` is the device rectangle shown
// as the picture): one dearer than kMaxPlayStepNanoseconds is left out (a clip area is then
// taken as its bounding rectangle), and the draw stops once kMaxPlayNanoseconds are estimated
// or kMaxPlayCpuNanoseconds of processor time spent.
class PainterCanvas final : public Canvas {
public:
    PainterCanvas(QPainter& painter, const QTransform& deviceToTarget, const QRectF& targetClip,
                  GlyphCache& glyphs, const QRectF& deviceFrame = QRectF());
    ~PainterCanvas() override;
    PainterCanvas(const PainterCanvas&) = delete;
    PainterCanvas& operator=(const PainterCanvas&) = delete;

    void clip(const ClipView& clip) override;
    void shape(const ShapeView& shape) override;
    void text(const TextItem& text, std::size_t index) override;
    void image(const ImageItem& image) override;

    const PlayReport& report() const noexcept { return report_; }

private:
    // True when a step of this estimated cost is drawn (see the class comment).
    bool admit(double cost);
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
    DrawCost cost_;                 // at the size drawn
    PlayReport report_;
    std::int64_t startCpu_;             // the thread's processor time when the draw began
    int sinceClock_ = 0;                // steps since the processor time was last read
    double sinceClockNanoseconds_ = 0;  // and their estimated time
};

}  // namespace zarovia::picture::metafile
