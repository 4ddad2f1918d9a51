#pragma once

#include "picture/MemoryBudget.h"
#include "picture/Picture.h"
#include "picture/metafile/GlyphCache.h"
#include "picture/metafile/PainterCanvas.h"
#include "picture/metafile/ParsedMetafile.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace zarovia::picture::metafile {

// A parsed metafile as a picture: drawing plays the steps, never the file again. The glyphs
// of its texts are laid out at the first draw and kept for later ones.
//
// On the screen (a painter on a widget) the steps are never played: the screen shows pixels
// drawn by prepare() on a worker, at the size shown, or, while pixels for a new size (a
// resize, full screen) are being drawn, the previous ones scaled. Everything else (printing,
// a picture inside a document, toImage) plays the steps.
class MetafilePictureData final : public PictureData {
public:
    explicit MetafilePictureData(ParsedMetafile parsed) : parsed_(std::move(parsed)) {}
    PictureKind kind() const override { return PictureKind::Metafile; }
    QSize naturalSize() const override { return parsed_.naturalSize; }
    // Paints only what the records draw, mapped from the metafile's frame onto `target` and
    // cut off at its edges (on the screen, the prepared pixels; see the class comment).
    void draw(QPainter& painter, const QRectF& target) const override;
    // True once pixels of exactly this size have been drawn (or none can be).
    bool isPreparedFor(QSize devicePixels) const override;
    // Draws the picture at `devicePixels` into pixels kept for the screen; the previous ones
    // stay shown until these are done. Their bytes are taken from the pixel account first.
    void prepare(QSize devicePixels) const override;
    // The picture at its natural size on a transparent premultiplied ARGB image.
    QImage toImage() const override;
    QImage toImageCovering(QSize devicePixels) const override;
    const ParsedMetafile& parsed() const noexcept { return parsed_; }
    // What the latest draw that played the steps cost, for tests and benchmarks.
    PlayReport lastPlay() const {
        const std::lock_guard lock(drawing_);
        return lastPlay_;
    }
    // The bytes held: the parsed steps with their caches, and the prepared pixels.
    std::int64_t residentBytes() const override { return parsed_.list.bytes() + pixels_.used(); }
    // The account of the prepared pixels (kPictureBudgetBytes), for tests and benchmarks.
    const BudgetAccount& pixelAccount() const noexcept { return pixels_; }
    // Draws that played the steps on the application's thread (printing may; the screen never
    // does), for tests.
    int playsOnApplicationThread() const { return applicationThreadPlays_.load(); }

private:
    // Pixels of this size can be drawn within the picture budget.
    bool preparable(QSize devicePixels) const;

    ParsedMetafile parsed_;
    mutable std::mutex drawing_;
    mutable std::unique_ptr<GlyphCache> glyphs_;  // of the first thread that draws
    mutable PlayReport lastPlay_;
    mutable std::atomic<int> applicationThreadPlays_{0};
    mutable std::mutex preparing_;
    mutable QImage prepared_;
    // The prepared pixels, and while new ones are drawn, those too.
    mutable BudgetAccount pixels_{kPictureBudgetBytes};
};

// The transform that maps the device frame onto the target.
QTransform frameToTarget(const QRectF& deviceFrame, const QRectF& target);

}  // namespace zarovia::picture::metafile
