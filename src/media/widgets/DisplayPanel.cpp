#include "media/widgets/DisplayPanel.h"

#include <QMouseEvent>
#include <QPainter>

namespace zarovia::media {

DisplayPanel::DisplayPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DisplayPanel"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    // Every pixel is painted each time: Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DisplayPanel::presentFrame(const QImage& frame) {
    frame_ = frame;
    ++framesPresented_;
    update();
}

void DisplayPanel::setDisplayRect(const QRect& rect) {
    displayRect_ = rect;
    update();
}

void DisplayPanel::clearVideo() {
    frame_ = QImage();
    displayRect_ = QRect();
    update();
}

QRect DisplayPanel::frameTarget() const {
    if (frame_.isNull()) return {};
    return resolvedDisplayRect(displayRect_, frame_.size());
}

void DisplayPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRect target = frameTarget();
    if (target.isEmpty()) return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, frame_);
}

void DisplayPanel::mousePressEvent(QMouseEvent* event) {
    // Taken here: a press on the video must not travel on to the panel behind it, whose own
    // handler would undo what this one did.
    event->accept();
    emit mousePressed(event->button(), event->position().toPoint());
}

}  // namespace zarovia::media
