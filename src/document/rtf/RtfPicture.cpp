#include "document/rtf/RtfPicture.h"

#include <QPainter>
#include <algorithm>
#include <exception>

#include "picture/bmp/Dib.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/metafile/Metafile.h"

namespace zarovia::document::rtf {

namespace {

QSize clampedGoal(QSize goal) {
    return QSize(std::clamp(goal.width(), 1, kMaxPictureSide),
                 std::clamp(goal.height(), 1, kMaxPictureSide));
}

QImage renderMetafile(const picture::Picture& picture, QSize goalSize) {
    if (picture.isNull()) return {};
    QImage image(clampedGoal(goalSize), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    return image;
}

QImage decodeDib(const QByteArray& bytes) {
    return picture::decodePackedDib(picture::ByteReader(bytes));
}

QImage decodeJpeg(const QByteArray& bytes) {
    return picture::loadJpeg(bytes).toImage();
}

}  // namespace

QImage decodeRtfPicture(PictureFormat format, const QByteArray& bytes, QSize goalSize) {
    if (bytes.isEmpty()) return {};
    try {
        switch (format) {
            case PictureFormat::Png:
                return QImage::fromData(bytes, "PNG");
            case PictureFormat::Jpeg:
                return decodeJpeg(bytes);
            case PictureFormat::Dib:
                return decodeDib(bytes);
            case PictureFormat::Emf:
                return renderMetafile(picture::decodeEmf(bytes), goalSize);
            case PictureFormat::Wmf:
                return renderMetafile(picture::decodeWmf(bytes), goalSize);
            default:
                break;
        }
    } catch (const std::exception&) {
        // A picture that does not decode (zarovia::Failure, a read past its data, no memory)
        // is left out; the text around it still shows.
    }
    (void)goalSize;
    return {};
}

bool metafilePicturesSupported() {
    return true;
}

}  // namespace zarovia::document::rtf
