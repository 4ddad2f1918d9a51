#pragma once

#include "picture/Picture.h"
#include "picture/metafile/GlyphCache.h"
#include "picture/metafile/ParsedMetafile.h"

#include <memory>
#include <mutex>

namespace zarovia::picture::metafile {

// A parsed metafile as a picture: drawing plays the steps, never the file again. The glyphs
// of its texts are laid out at the first draw and kept for later ones.
class MetafilePictureData final : public PictureData {
public:
    explicit MetafilePictureData(ParsedMetafile parsed) : parsed_(std::move(parsed)) {}
    PictureKind kind() const override { return PictureKind::Metafile; }
    QSize naturalSize() const override { return parsed_.naturalSize; }
    // Paints only what the records draw, mapped from the metafile's frame onto `target` and
    // cut off at its edges.
    // A target of the prepared size on an untransformed painter takes the prepared pixels.
    void draw(QPainter& painter, const QRectF& target) const override;
    // Draws the picture once at `devicePixels` into pixels kept for the screen (on a worker,
    // so that a heavy metafile costs the window's thread a copy, not a replay); a draw at
    // another size (a resize, printing) plays the steps again.
    void prepare(QSize devicePixels) const override;
    // The picture at its natural size on a transparent premultiplied ARGB image.
    QImage toImage() const override;
    QImage toImageCovering(QSize devicePixels) const override;
    const ParsedMetafile& parsed() const noexcept { return parsed_; }

private:
    ParsedMetafile parsed_;
    mutable std::mutex drawing_;
    mutable std::unique_ptr<GlyphCache> glyphs_;  // of the first thread that draws
    mutable std::mutex preparing_;
    mutable QImage prepared_;
};

// The transform that maps the device frame onto the target.
QTransform frameToTarget(const QRectF& deviceFrame, const QRectF& target);

}  // namespace zarovia::picture::metafile
