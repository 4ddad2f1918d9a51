#include "picture/colour/ColourConversion.h"

#include "platform/Cancellation.h"

#include <QFile>
#include <cstring>

namespace zarovia::picture::colour {

namespace {

// Rows converted between checkpoints.
constexpr int kRowsPerBand = 64;

ColourProfile readDefaultCmyk() {
    QFile file(QString::fromLatin1(kDefaultCmykProfilePath));
    if (!file.open(QIODevice::ReadOnly)) return {};
    if (file.size() <= 0 || static_cast<std::size_t>(file.size()) > kMaxIccProfileBytes) return {};
    ColourProfile profile = ColourProfile::fromIcc(file.readAll());
    return profile.model() == ColourModel::Cmyk ? profile : ColourProfile();
}

}  // namespace

ColourProfile defaultCmykProfile() {
    static const ColourProfile profile = readDefaultCmyk();
    return profile;
}

bool needsConversion(const ColourProfile& source, const ColourProfile& destination) {
    return !(source == destination);
}

bool convertImage(QImage& image, const ColourProfile& source, const ColourProfile& destination) {
    if (!needsConversion(source, destination) || image.isNull()) return true;
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return false;
    const std::shared_ptr<const ColourTransform> transform =
        findTransform(source, destination, PixelLayout::Rgb32);
    if (!transform) return false;
    // Premultiplied pixels are converted as straight colour and multiplied again: a profile
    // maps colours, not colours darkened by their coverage.
    const bool premultiplied = format == QImage::Format_ARGB32_Premultiplied;
    if (premultiplied) image.convertTo(QImage::Format_ARGB32);
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        if (y % kRowsPerBand == 0) checkpoint();
        uchar* row = image.scanLine(y);
        transform->apply(row, row, width);
    }
    if (premultiplied) image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return true;
}

QImage convertedImage(const QImage& image, const ColourProfile& source,
                      const ColourProfile& destination) {
    if (!needsConversion(source, destination)) return image;
    QImage copy = image.copy();
    return convertImage(copy, source, destination) ? copy : image;
}

CmykRowConverter::CmykRowConverter(const ColourProfile& source, bool adobeInverted,
                                   const ColourProfile& destination) {
    const ColourProfile cmyk =
        source.model() == ColourModel::Cmyk && !source.isNull() ? source : defaultCmykProfile();
    if (cmyk.isNull()) return;
    transform_ = findTransform(cmyk, destination,
                               adobeInverted ? PixelLayout::Cmyk8Inverted : PixelLayout::Cmyk8);
    // A broken embedded profile falls back on the default one.
    if (!transform_ && !(cmyk == defaultCmykProfile()) && !defaultCmykProfile().isNull())
        transform_ = findTransform(defaultCmykProfile(), destination,
                                   adobeInverted ? PixelLayout::Cmyk8Inverted : PixelLayout::Cmyk8);
}

void CmykRowConverter::convert(const unsigned char* cmyk, unsigned char* rgb32, int width) const {
    // The fourth byte is not written by the transform: the pixels are opaque.
    for (int x = 0; x < width; ++x) reinterpret_cast<quint32*>(rgb32)[x] = 0xFF000000u;
    transform_->apply(cmyk, rgb32, width);
}

}  // namespace zarovia::picture::colour
