#include "shell/BakedNumberFields.h"

#include "shell/BakedDigits.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QStyleOptionSpinBox>
#include <QStylePainter>

namespace zarovia::shell {

void BakedNumberPanel::paintCaption(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                                    const QString& caption, const QColor& colour) {
    if (bakedDigitsServe(font(), caption, devicePixelRatioF()))
        drawBakedDigits(painter, rect, alignment, caption, colour, devicePixelRatioF());
    else
        controls::Panel::paintCaption(painter, rect, alignment, caption, colour);
}

SpinEditFace::SpinEditFace(int value, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), value_(value), minimum_(minimum), maximum_(maximum) {}

QWidget* SpinEditFace::field() {
    if (!makeField_) return nullptr;
    const std::function<QWidget*()> make = std::move(makeField_);
    makeField_ = nullptr;
    return make();
}

bool SpinEditFace::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::FocusIn:
            // A press that arrives without the pointer having entered first is not replayed:
            // a spin box's arrow repeats until its release, which would not reach it.
            field();
            return true;
        case QEvent::Wheel: {
            const QPointer<QWidget> made = field();
            if (made) QCoreApplication::sendEvent(made, event);
            return true;
        }
        default:
            return QWidget::event(event);
    }
}

void SpinEditFace::paintEvent(QPaintEvent*) {
    // What a spin box asks its style for when nothing is pressed or hovered.
    QStyleOptionSpinBox option;
    option.initFrom(this);
    option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
    option.subControls =
        QStyle::SC_SpinBoxEditField | QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    if (style()->styleHint(QStyle::SH_SpinBox_ButtonsInsideFrame, nullptr, this))
        option.subControls |= QStyle::SC_SpinBoxFrame;
    option.activeSubControls = QStyle::SC_None;
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    if (style()->styleHint(QStyle::SH_SpinControls_DisableOnBounds, nullptr, this)) {
        if (value_ <= minimum_) option.stepEnabled &= ~QAbstractSpinBox::StepDownEnabled;
        if (value_ >= maximum_) option.stepEnabled &= ~QAbstractSpinBox::StepUpEnabled;
    }
    option.frame = true;
    QStylePainter painter(this);
    painter.drawComplexControl(QStyle::CC_SpinBox, option);

    const QRect edit =
        style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, this);
    const QString text = QString::number(value_);
    const QColor colour = palette().color(QPalette::Text);
    if (bakedDigitsServe(font(), text, devicePixelRatioF())) {
        drawBakedDigitsAsLineEdit(painter, edit, text, colour, devicePixelRatioF());
    } else {
        painter.setPen(colour);
        painter.drawText(edit.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

}  // namespace zarovia::shell
