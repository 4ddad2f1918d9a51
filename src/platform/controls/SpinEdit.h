#pragma once

#include <QSpinBox>

namespace zarovia::controls {

// The interval field: whole numbers stepped by 1 with the arrows and the up and down keys,
// digits only, and kept within its bounds whatever is typed (a value outside them is set to
// the nearer bound when the field loses the focus, and is read clamped before that).
class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget* parent = nullptr);
    // The value as it stands now, also while the text is being edited: a typed number is read
    // clamped into the bounds; text that is not a whole number reads as the minimum.
    int currentValue() const;
    QLineEdit* editor() const { return lineEdit(); }

signals:
    // Return, Enter or Escape: the typed value is taken, and the keyboard goes back to where it
    // came from (the window decides where that is).
    void keyboardHandedBack();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    // Return and Enter take the typed value as leaving the field does: clamped to the nearer
    // bound. Return, Enter and Escape then hand the keyboard back.
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace zarovia::controls
