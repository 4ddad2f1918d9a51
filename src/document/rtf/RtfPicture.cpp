#include "document/rtf/RtfPicture.h"

#include "picture/MemoryBudget.h"
#include "picture/bmp/Dib.h"
#include "picture/bmp/DibFormat.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/metafile/Metafile.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <exception>
#include <functional>
#include <optional>

namespace zarovia::document::rtf {

namespace {

using picture::BudgetAccount;

// What a decoder learns before it decodes: the natural size, and how to make the pixels at
// a given size.
struct PendingPicture {
    QSize natural;
    bool scalable = false;  // a metafile: drawn at any size
    std::function<QImage(QSize)> makeAt;
};

QImage smoothedTo(QImage image, QSize size) {
    if (image.isNull() || image.size() == size) return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage renderMetafile(const picture::Picture& picture, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    return image;
}

std::optional<PendingPicture> pendingMetafile(picture::Picture picture) {
    if (picture.isNull()) return std::nullopt;
    const QSize natural = picture.size();
    return PendingPicture{natural, true,
                          [picture](QSize size) { return renderMetafile(picture, size); }};
}

std::optional<PendingPicture> pendingJpeg(const QByteArray& bytes) {
    const picture::Picture picture = picture::loadJpeg(bytes);  // the header only
    return PendingPicture{picture.size(), false, [picture](QSize size) {
                              return smoothedTo(picture.toImageCovering(size), size);
                          }};
}

std::optional<PendingPicture> pendingDib(const QByteArray& bytes) {
    picture::ByteReader probe(bytes);
    const picture::dib::DibHeader header = picture::dib::parseDibHeader(probe);
    // The decoder refuses a picture beyond the picture budget before it allocates.
    const QSize natural(static_cast<int>(header.width), static_cast<int>(header.height));
    return PendingPicture{natural, false, [bytes](QSize size) {
                              return smoothedTo(
                                  picture::decodePackedDib(picture::ByteReader(bytes)), size);
                          }};
}

std::optional<PendingPicture> pendingPng(const QByteArray& bytes) {
    QBuffer probe;
    probe.setData(bytes);
    probe.open(QIODevice::ReadOnly);
    QImageReader reader(&probe, "png");
    const QSize natural = reader.size();  // the PNG's own header
    // Decoded whole, then converted: both must fit the picture budget.
    if (!natural.isValid() ||
        !picture::fitsBudget(natural.width(), natural.height(), 8, picture::kPictureBudgetBytes))
        return std::nullopt;
    return PendingPicture{
        natural, false, [bytes](QSize size) {
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader png(&buffer, "png");
            png.setAllocationLimit(static_cast<int>(picture::kPictureBudgetBytes / picture::kMiB));
            png.setScaledSize(size);  // read scaled where the reader can
            return smoothedTo(png.read(), size);
        }};
}

std::optional<PendingPicture> pending(PictureFormat format, const QByteArray& bytes) {
    switch (format) {
        case PictureFormat::Png:
            return pendingPng(bytes);
        case PictureFormat::Jpeg:
            return pendingJpeg(bytes);
        case PictureFormat::Dib:
            return pendingDib(bytes);
        case PictureFormat::Emf:
            return pendingMetafile(picture::decodeEmf(bytes));
        case PictureFormat::Wmf:
            return pendingMetafile(picture::decodeWmf(bytes));
        default:
            return std::nullopt;
    }
}

}  // namespace

QSize keptPictureSize(QSize natural, QSize shownSize, bool scalable) {
    if (!natural.isValid() || natural.isEmpty()) natural = QSize(1, 1);
    if (shownSize.width() > 0 && shownSize.height() > 0) {
        QSize kept(std::clamp(shownSize.width(), 1, kMaxPictureSide),
                   std::clamp(shownSize.height(), 1, kMaxPictureSide));
        if (!scalable) kept = kept.boundedTo(natural);
        return kept;
    }
    if (natural.width() <= kMaxPictureSide && natural.height() <= kMaxPictureSide) return natural;
    const QSize fitted = natural.scaled(kMaxPictureSide, kMaxPictureSide, Qt::KeepAspectRatio);
    return QSize(std::max(fitted.width(), 1), std::max(fitted.height(), 1));
}

QImage decodeRtfPicture(PictureFormat format, const QByteArray& bytes, QSize shownSize,
                        BudgetAccount& budget) {
    if (bytes.isEmpty()) return {};
    std::int64_t reserved = 0;
    try {
        const std::optional<PendingPicture> picture = pending(format, bytes);
        if (!picture) return {};
        const QSize size = keptPictureSize(picture->natural, shownSize, picture->scalable);
        const std::int64_t bytesNeeded = picture::rasterBytes(size.width(), size.height(), 4);
        if (!budget.reserve(bytesNeeded)) return {};
        reserved = bytesNeeded;
        QImage image = picture->makeAt(size);
        // Kept at 32 bits, as counted (a 16-bit PNG reads as 64).
        if (image.depth() > 32) image.convertTo(QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) {
            budget.release(reserved);
            return {};
        }
        return image;
    } catch (const std::exception&) {
        // A picture that does not decode (zarovia::Failure, a read past its data, no memory)
        // is left out, and gives back what it took; the text around it still shows.
        budget.release(reserved);
    }
    return {};
}

bool metafilePicturesSupported() {
    return true;
}

}  // namespace zarovia::document::rtf
