#include "picture/colour/ColourRaster.h"

#include "picture/colour/ColourConversion.h"
#include "picture/colour/DisplayColour.h"

#include <QPainter>

namespace zarovia::picture::colour {

ColourRasterPictureData::ColourRasterPictureData(PictureKind kind, QImage image,
                                                 ColourProfile profile)
    : kind_(kind), image_(std::move(image)), profile_(std::move(profile)) {}

QSize ColourRasterPictureData::screenSizeFor(QSize devicePixels) const {
    if (devicePixels.isEmpty()) return image_.size();
    return devicePixels.boundedTo(image_.size());
}

void ColourRasterPictureData::prepare(QSize devicePixels) const {
    if (isPreparedFor(devicePixels)) return;
    const DisplayColour display = displayColour();
    const QSize size = screenSizeFor(devicePixels);
    // Shrunk first, so that only the pixels shown are converted.
    QImage screen = size == image_.size()
                        ? image_.copy()
                        : image_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (screen.isNull()) return;  // no memory: the paint draws the pixels as they are
    (void)convertImage(screen, profile_, display.profile);
    const std::lock_guard lock(mutex_);
    screen_ = std::move(screen);
    screenSerial_ = display.serial;
}

bool ColourRasterPictureData::isPreparedFor(QSize devicePixels) const {
    const std::uint64_t serial = displayColour().serial;
    const std::lock_guard lock(mutex_);
    // A copy as large serves a smaller size too; one pixel short is rounding, not a new size.
    const QSize wanted = screenSizeFor(devicePixels);
    return !screen_.isNull() && screenSerial_ == serial && screen_.width() >= wanted.width() - 1 &&
           screen_.height() >= wanted.height() - 1;
}

bool ColourRasterPictureData::isReadyFor(QSize devicePixels) const {
    const std::uint64_t serial = displayColour().serial;
    const std::lock_guard lock(mutex_);
    return !screen_.isNull() && screenSerial_ == serial &&
           screen_.size() == screenSizeFor(devicePixels);
}

std::int64_t ColourRasterPictureData::residentBytes() const {
    const std::lock_guard lock(mutex_);
    return image_.sizeInBytes() + screen_.sizeInBytes();
}

void ColourRasterPictureData::draw(QPainter& painter, const QRectF& target) const {
    QImage shown;
    {
        const std::lock_guard lock(mutex_);
        shown = screen_;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, shown.isNull() ? image_ : shown);
    painter.restore();
}

QImage ColourRasterPictureData::toImage() const {
    return convertedImage(image_, profile_, ColourProfile());
}

QImage ColourRasterPictureData::screenImage() const {
    const std::lock_guard lock(mutex_);
    return screen_;
}

Picture rasterPicture(PictureKind kind, QImage image, const ColourProfile& profile) {
    if (profile.isNull())
        return Picture(std::make_shared<RasterPictureData>(kind, std::move(image)));
    return Picture(std::make_shared<ColourRasterPictureData>(kind, std::move(image), profile));
}

ColourProfile profileOf(const Picture& picture) {
    if (const auto* raster = dynamic_cast<const ColourRasterPictureData*>(picture.data()))
        return raster->profile();
    return {};
}

}  // namespace zarovia::picture::colour
