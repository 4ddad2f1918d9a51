// Whole .bmp files: every input either decodes to an opaque picture or fails with a Failure;
// a picture is then drawn as a small window shows it and as one four times as wide and high.
#include "picture/bmp/Bmp.h"
#include "platform/Failure.h"

#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const zarovia::picture::Picture picture = zarovia::picture::decodeBmpFile(bytes);
        const QImage image = picture.toImage();
        if (image.isNull() || image.width() <= 0 || image.height() <= 0 ||
            image.format() != QImage::Format_RGB32)
            std::abort();
        for (const QSize shown : {QSize(40, 30), QSize(160, 120)}) {
            QImage canvas(shown, QImage::Format_ARGB32_Premultiplied);
            canvas.fill(Qt::white);
            QPainter painter(&canvas);
            picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(shown)));
        }
    } catch (const zarovia::Failure&) {
    }
    return 0;
}
