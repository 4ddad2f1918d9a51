#pragma once

#include "shell/BakedLabels.h"

#include <QCheckBox>
#include <QLabel>

class QPainter;

namespace zarovia::shell {

// One of the tool bar's baked texts in `colour`, at the density the painter's device has,
// starting at the left of `rect` and centred down it, as a label draws its text.
void drawBakedLabel(QPainter& painter, const QRect& rect, BakedLabel label, const QColor& colour,
                    qreal devicePixelRatio);

// A label that holds its text (text(), the accessible name) but draws it from the baked
// picture, in the palette's window-text colour, left and centred down.
class BakedTextLabel : public QLabel {
public:
    BakedTextLabel(BakedLabel label, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BakedLabel label_;
};

// A check box whose text is drawn from the baked picture; the box is the style's own.
class BakedTextCheckBox : public QCheckBox {
public:
    BakedTextCheckBox(BakedLabel label, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BakedLabel label_;
};

}  // namespace zarovia::shell
