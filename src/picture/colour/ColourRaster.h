#pragma once

#include "picture/Picture.h"
#include "picture/colour/ColourProfile.h"

#include <QImage>
#include <cstdint>
#include <mutex>

namespace zarovia::picture::colour {

// A raster picture (bitmap, icon) whose pixels are in the colour space of `profile`. The
// screen gets a copy shrunk to the size shown and converted to the display's profile, made by
// prepare() on a worker; a paint meanwhile draws the copy there is (or, before the first, the
// pixels as they are), so the window never converts. Printing gets sRGB at the natural size.
class ColourRasterPictureData final : public PictureData {
public:
    ColourRasterPictureData(PictureKind kind, QImage image, ColourProfile profile);

    PictureKind kind() const override { return kind_; }
    QSize naturalSize() const override { return image_.size(); }
    void draw(QPainter& painter, const QRectF& target) const override;
    void prepare(QSize devicePixels) const override;
    bool isPreparedFor(QSize devicePixels) const override;
    // The screen copy is at that size, for the display's current profile.
    bool isReadyFor(QSize devicePixels) const override;
    std::int64_t residentBytes() const override;
    QImage toImage() const override;

    const ColourProfile& profile() const noexcept { return profile_; }
    // The pixels as the file holds them.
    const QImage& sourceImage() const noexcept { return image_; }
    // The copy made for the screen (null before the first prepare), for tests.
    QImage screenImage() const;

private:
    // The size the screen copy is made at for `devicePixels`: never larger than the picture.
    QSize screenSizeFor(QSize devicePixels) const;

    const PictureKind kind_;
    const QImage image_;
    const ColourProfile profile_;
    mutable std::mutex mutex_;
    mutable QImage screen_;
    mutable std::uint64_t screenSerial_ = 0;
};

// A raster picture in `profile`: a plain RasterPictureData when the profile is null (sRGB).
Picture rasterPicture(PictureKind kind, QImage image, const ColourProfile& profile);

// The source profile a picture was decoded with; null for sRGB and for kinds that carry none.
ColourProfile profileOf(const Picture& picture);

}  // namespace zarovia::picture::colour
