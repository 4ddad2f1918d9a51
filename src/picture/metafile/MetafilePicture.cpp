#include "picture/metafile/MetafilePicture.h"

#include "picture/metafile/Metafile.h"
#include "picture/metafile/PainterCanvas.h"

#include <QPainter>
#include <exception>

namespace zarovia::picture {

namespace metafile {

QTransform frameToTarget(const QRectF& frame, const QRectF& target) {
    const double sx = target.width() / frame.width();
    const double sy = target.height() / frame.height();
    return QTransform(sx, 0, 0, sy, target.left() - frame.left() * sx,
                      target.top() - frame.top() * sy);
}

void MetafilePictureData::draw(QPainter& painter, const QRectF& target) const {
    if (target.isEmpty() || parsed_.deviceFrame.isEmpty()) return;
    try {
        PainterCanvas canvas(painter, frameToTarget(parsed_.deviceFrame, target), target);
        play(parsed_.steps, canvas);
    } catch (const std::exception&) {
        // Drawing never fails: a step the painter cannot take leaves the rest undrawn.
    }
}

QImage MetafilePictureData::toImage() const {
    QImage image(parsed_.naturalSize, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QRectF(QPointF(0, 0), QSizeF(parsed_.naturalSize)));
    painter.end();
    return image;
}

}  // namespace metafile

Picture decodeWmf(const QByteArray& bytes) {
    return Picture(
        std::make_shared<const metafile::MetafilePictureData>(metafile::parseWmf(bytes)));
}

Picture decodeEmf(const QByteArray& bytes) {
    return Picture(
        std::make_shared<const metafile::MetafilePictureData>(metafile::parseEmf(bytes)));
}

}  // namespace zarovia::picture
