#include "Picture.h"

#include <QPainter>

namespace zarovia::picture {

void Picture::draw(QPainter& painter, const QRectF& target) const {
    if (data_) data_->draw(painter, target);
}

namespace {

class PreviewPictureData final : public PictureData {
public:
    PreviewPictureData(Picture of, QImage look) : of_(std::move(of)), look_(std::move(look)) {}
    PictureKind kind() const override { return of_.kind(); }
    QSize naturalSize() const override { return of_.size(); }
    void draw(QPainter& painter, const QRectF& target) const override {
        if (look_.isNull()) return;
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, look_);
        painter.restore();
    }
    // Printed while the first look is up, the picture prints from its own finished decode.
    QImage toImage() const override { return of_.toImage(); }
    QImage toImageCovering(QSize devicePixels) const override {
        return of_.toImageCovering(devicePixels);
    }
    // The look; the picture it stands in for counts its own.
    std::int64_t residentBytes() const override { return look_.sizeInBytes(); }

private:
    Picture of_;
    QImage look_;
};

}  // namespace

Picture previewPicture(const Picture& of, QImage look) {
    if (of.isNull()) return Picture();
    return Picture(std::make_shared<const PreviewPictureData>(of, std::move(look)));
}

void RasterPictureData::draw(QPainter& painter, const QRectF& target) const {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image_);
    painter.restore();
}

}  // namespace zarovia::picture
