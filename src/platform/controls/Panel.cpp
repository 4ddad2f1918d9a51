#include "Panel.h"

#include "platform/controls/ReadoutAccessible.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

namespace zarovia::controls {

Panel::Panel(QWidget* parent) : QFrame(parent) {
    setAutoFillBackground(true);
    setFrameStyle(QFrame::NoFrame);
}

void Panel::setColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

QColor Panel::color() const {
    return palette().color(QPalette::Window);
}

void Panel::setFontColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    p.setColor(QPalette::ButtonText, color);
    setPalette(p);
}

void Panel::setBevel(Bevel bevel) {
    switch (bevel) {
        case Bevel::None:
            setFrameStyle(QFrame::NoFrame);
            break;
        case Bevel::Raised:
            setFrameStyle(QFrame::Panel | QFrame::Raised);
            break;
        case Bevel::Lowered:
            setFrameStyle(QFrame::Panel | QFrame::Sunken);
            break;
        case Bevel::Single:
            setFrameStyle(QFrame::Box | QFrame::Plain);
            break;
    }
    setLineWidth(1);
}

void Panel::setCaption(const QString& caption) {
    if (caption == caption_) return;
    const QString before = std::exchange(caption_, caption);
    update();
    if (readout_ && QAccessible::isActive()) {
        QAccessibleTextUpdateEvent changed(this, 0, before, caption_);
        QAccessible::updateAccessibility(&changed);
    }
}

void Panel::setReadout(bool readout) {
    if (readout == readout_) return;
    readout_ = readout;
    if (readout) installReadoutAccessibility();
    // Qt keeps the interface it made for the panel (naming the panel makes one): drop it, so the
    // next one asked for is made for what the panel now is.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(this))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void Panel::setCaptionAlignment(Qt::Alignment alignment) {
    captionAlignment_ = alignment;
    update();
}

void Panel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (caption_.isEmpty()) return;
    QPainter painter(this);
    paintCaption(painter, contentsRect(), captionAlignment_, caption_,
                 palette().color(QPalette::WindowText));
}

void Panel::paintCaption(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                         const QString& caption, const QColor& colour) {
    painter.setPen(colour);
    painter.drawText(rect, static_cast<int>(alignment), caption);
}

void Panel::mousePressEvent(QMouseEvent* event) {
    // Accepted here, so a press on a child panel never reaches its parent's handler too.
    event->accept();
    emit mousePressed(event->button());
}

}  // namespace zarovia::controls
