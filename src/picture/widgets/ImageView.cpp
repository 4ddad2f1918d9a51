#include "ImageView.h"

#include "platform/controls/Align.h"

#include <QMouseEvent>
#include <QPainter>

namespace zarovia::picture {

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
}

void ImageView::setPicture(const picture::Picture& picture) {
    picture_ = picture;
    applyAutoSize();
    update();
}

void ImageView::setStretch(bool on) {
    stretch_ = on;
    update();
}

void ImageView::setCenter(bool on) {
    center_ = on;
    update();
}

void ImageView::setAutoSize(bool on) {
    autoSize_ = on;
    applyAutoSize();
}

void ImageView::applyAutoSize() {
    // An aligned control takes the size its alignment gives it.
    if (autoSize_ && !picture_.isNull() && controls::alignOf(this) == controls::Align::None)
        resize(picture_.size());
}

void ImageView::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    QRectF target;
    if (stretch_) {
        target = QRectF(rect());
    } else {
        const QSizeF natural = picture_.size();
        const QPointF origin = center_ ? QPointF((width() - natural.width()) / 2.0,
                                                 (height() - natural.height()) / 2.0)
                                       : QPointF(0, 0);
        target = QRectF(origin, natural);
    }
    if (target.isEmpty()) return;
    prepareFor((target.size() * devicePixelRatioF()).toSize());
    picture_.draw(painter, target);
    emit painted();
}

void ImageView::prepareFor(QSize devicePixels) {
    if (picture_.isPreparedFor(devicePixels)) return;
    if (!preparer_) {
        picture_.prepare(devicePixels);
        return;
    }
    // One request at a time per picture: paints meanwhile draw what the picture has, and the
    // first paint after it is done asks again if the size has grown further.
    if (askedFor_ == picture_.data()) return;
    askedFor_ = picture_.data();
    preparer_(picture_, devicePixels);
}

void ImageView::refresh(const picture::Picture& picture) {
    if (askedFor_ == picture.data()) askedFor_ = nullptr;
    if (picture_.sharesDataWith(picture)) update();
}

void ImageView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit mousePressed(event->button());
}

}  // namespace zarovia::picture
