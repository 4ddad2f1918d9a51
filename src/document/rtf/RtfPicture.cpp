#include "document/rtf/RtfPicture.h"

#include <QPainter>
#include <algorithm>
#include <exception>

#if ZAROVIA_HAVE_BMP_DECODER
#include "picture/bmp/Dib.h"
#endif
#if ZAROVIA_HAVE_JPEG_DECODER
#include "picture/jpeg/Jpeg.h"
#endif
#if ZAROVIA_HAVE_METAFILE_DECODER
#include "picture/metafile/Metafile.h"
#endif

namespace zarovia::document::rtf {

namespace {

#if ZAROVIA_HAVE_METAFILE_DECODER
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
#endif

QImage decodeDib(const QByteArray& bytes) {
#if ZAROVIA_HAVE_BMP_DECODER
    return picture::decodePackedDib(picture::ByteReader(bytes));
#else
    // A packed DIB is a .bmp file without its 14-byte file header.
    if (bytes.size() < 40) return {};
    QByteArray file("BM");
    const auto put32 = [&file](quint32 v) {
        for (int i = 0; i < 4; ++i) file.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    put32(static_cast<quint32>(bytes.size() + 14));
    put32(0);
    // Pixel data offset: header and colour table; QImage's reader recomputes it when absent.
    put32(0);
    file.append(bytes);
    return QImage::fromData(file, "BMP");
#endif
}

QImage decodeJpeg(const QByteArray& bytes) {
#if ZAROVIA_HAVE_JPEG_DECODER
    return picture::loadJpeg(bytes).toImage();
#else
    return QImage::fromData(bytes, "JPEG");
#endif
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
#if ZAROVIA_HAVE_METAFILE_DECODER
            case PictureFormat::Emf:
                return renderMetafile(picture::decodeEmf(bytes), goalSize);
            case PictureFormat::Wmf:
                return renderMetafile(picture::decodeWmf(bytes), goalSize);
#endif
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
    return ZAROVIA_HAVE_METAFILE_DECODER != 0;
}

}  // namespace zarovia::document::rtf
