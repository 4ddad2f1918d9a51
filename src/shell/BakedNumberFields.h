#pragma once

#include "platform/controls/Panel.h"

#include <QWidget>
#include <functional>

namespace zarovia::shell {

// A panel whose caption, when it is a number in the number fields' font (the picture counter),
// is set from the baked glyphs; any other caption is drawn through the font.
class BakedNumberPanel : public controls::Panel {
    Q_OBJECT
public:
    using controls::Panel::Panel;

protected:
    void paintCaption(QPainter& painter, const QRect& rect, Qt::Alignment alignment,
                      const QString& caption, const QColor& colour) override;
};

// Stands in for the interval field until the field is first reached for: the style's frame and
// arrows, and the number set from the baked glyphs where the field's line edit would set it. A
// line edit lays its text out through the font as soon as it is made, so the real field is made
// only when the pointer first comes over this face (before any click can reach it), when it is
// pressed or wheeled without that, or when the window asks for it. The face then hands a wheel
// turn on to the field and the window removes the face.
class SpinEditFace : public QWidget {
    Q_OBJECT
public:
    SpinEditFace(int value, int minimum, int maximum, QWidget* parent);
    int value() const { return value_; }
    // Makes the real field and returns it; called once, when the field is first wanted.
    void setFieldMaker(std::function<QWidget*()> makeField) { makeField_ = std::move(makeField); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* field();

    int value_;
    int minimum_;
    int maximum_;
    std::function<QWidget*()> makeField_;
};

}  // namespace zarovia::shell
