#include "Picture.h"

#include <QPainter>

namespace zarovia::picture {

void Picture::draw(QPainter& painter, const QRectF& target) const {
    if (data_) data_->draw(painter, target);
}

void RasterPictureData::draw(QPainter& painter, const QRectF& target) const {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image_);
    painter.restore();
}

}  // namespace zarovia::picture
