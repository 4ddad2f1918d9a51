#include "Picture.h"

#include <QPainter>

namespace zarovia::picture {

void Picture::draw(QPainter& painter, const QRectF& target) const {
    if (data_) data_->draw(painter, target);
}

namespace {

class PreviewPictureData final : public PictureData {
public:
    PreviewPictureData(PictureKind kind, QSize naturalSize, QImage look)
        : kind_(kind), naturalSize_(naturalSize), look_(std::move(look)) {}
    PictureKind kind() const override { return kind_; }
    QSize naturalSize() const override { return naturalSize_; }
    void draw(QPainter& painter, const QRectF& target) const override {
        if (look_.isNull()) return;
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, look_);
        painter.restore();
    }
    // Only ever printed by mistake: the look is what there is.
    QImage toImage() const override { return look_; }

private:
    PictureKind kind_;
    QSize naturalSize_;
    QImage look_;
};

}  // namespace

Picture previewPicture(const Picture& of, QImage look) {
    if (of.isNull()) return Picture();
    return Picture(
        std::make_shared<const PreviewPictureData>(of.kind(), of.size(), std::move(look)));
}

void RasterPictureData::draw(QPainter& painter, const QRectF& target) const {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image_);
    painter.restore();
}

}  // namespace zarovia::picture
