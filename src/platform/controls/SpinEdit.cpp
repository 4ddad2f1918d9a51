#include "SpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace zarovia::controls {

namespace {

// Up to three digits, nothing else. Written out rather than as a regular expression, which
// would load and compile the regular expression engine while the window is being built.
class DigitsValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.size() > 3) return Invalid;
        for (const QChar c : input)
            if (c < u'0' || c > u'9') return Invalid;
        return Acceptable;
    }
};

}  // namespace

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(true);
    lineEdit()->setValidator(new DigitsValidator(this));
}

int SpinEdit::currentValue() const {
    bool ok = false;
    const int typed = lineEdit()->text().trimmed().toInt(&ok);
    if (!ok) return minimum();
    return std::clamp(typed, minimum(), maximum());
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const int value = currentValue();
        setValue(value);
        lineEdit()->setText(textFromValue(value));
    }
    QSpinBox::keyPressEvent(event);
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        // Handled here: the key is not passed on to the window as well.
        event->accept();
        emit keyboardHandedBack();
    }
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
    const int value = currentValue();
    QSpinBox::focusOutEvent(event);
    setValue(value);
}

}  // namespace zarovia::controls
