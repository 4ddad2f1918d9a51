#include "SpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace zarovia::controls {

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(true);
    lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this));
}

int SpinEdit::currentValue() const {
    bool ok = false;
    const int typed = lineEdit()->text().trimmed().toInt(&ok);
    if (!ok) return minimum();
    return std::clamp(typed, minimum(), maximum());
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const int value = currentValue();
        setValue(value);
        lineEdit()->setText(textFromValue(value));
    }
    QSpinBox::keyPressEvent(event);
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
    const int value = currentValue();
    QSpinBox::focusOutEvent(event);
    setValue(value);
}

}  // namespace zarovia::controls
