#include "platform/controls/FocusRing.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace zarovia::controls {

FocusRing::FocusRing(QWidget* window) : QObject(window), window_(window) {
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        const bool reachedByTab =
            now && now->window() == window_ && (now->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
        follow(reachedByTab ? now : nullptr);
    });
}

QWidget* FocusRing::surfaceOf(QWidget* control) {
    if (auto* scrolling = qobject_cast<QAbstractScrollArea*>(control)) return scrolling->viewport();
    return control;
}

void FocusRing::follow(QWidget* control) {
    if (control == control_) return;
    if (surface_) {
        surface_->removeEventFilter(this);
        surface_->update();
    }
    control_ = control;
    surface_ = control ? surfaceOf(control) : nullptr;
    if (surface_) {
        surface_->installEventFilter(this);
        surface_->update();
    }
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched != surface_ || event->type() != QEvent::Paint) return false;
    // The control paints itself first, as it would without the ring (through any other filter
    // it has: a scrolling control paints its viewport that way); the ring goes over it.
    QWidget* const surface = surface_;
    surface->removeEventFilter(this);
    QCoreApplication::sendEvent(surface, event);
    surface->installEventFilter(this);
    QPainter painter(surface);
    QPen pen(window_->palette().color(QPalette::Active, QPalette::Highlight), kWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = kWidth / 2.0;
    painter.drawRect(QRectF(surface->rect()).adjusted(inset, inset, -inset, -inset));
    return true;
}

}  // namespace zarovia::controls
