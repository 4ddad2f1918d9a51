#include "shell/BakedText.h"

#include "shell/BakedPixels.h"

#include <QImage>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <cmath>

namespace zarovia::shell {

namespace {

QString textOf(BakedLabel label) {
    return QString::fromUtf8(kBakedLabelTexts[static_cast<std::size_t>(label)].utf8);
}

QColor textColourOf(const QWidget& widget) {
    return widget.palette().color(widget.isEnabled() ? QPalette::Active : QPalette::Disabled,
                                  QPalette::WindowText);
}

}  // namespace

void drawBakedLabel(QPainter& painter, const QRect& rect, BakedLabel label, const QColor& colour,
                    qreal devicePixelRatio) {
    const auto index = static_cast<std::size_t>(label);
    const bool dense = devicePixelRatio > 1.5;
    const baked::BakedImage& baked =
        dense ? baked::kLabelsDoubleDensity[index] : baked::kLabels[index];
    // The black text's coverage becomes the colour's: the pixels are copied, then tinted.
    QImage text = QImage(reinterpret_cast<const uchar*>(baked.pixels), baked.width, baked.height,
                         baked.width * 4, QImage::Format_ARGB32_Premultiplied)
                      .copy();
    {
        QPainter tint(&text);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(text.rect(), colour);
    }
    text.setDevicePixelRatio(dense ? 2.0 : 1.0);
    const QSizeF size = text.deviceIndependentSize();
    const QPointF at(rect.left(), rect.top() + (rect.height() - size.height()) / 2.0);
    painter.drawImage(QPointF(at.x(), std::floor(at.y() + 0.5)), text);
}

BakedTextLabel::BakedTextLabel(BakedLabel label, QWidget* parent)
    : QLabel(textOf(label), parent), label_(label) {}

void BakedTextLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawBakedLabel(painter, contentsRect(), label_, textColourOf(*this), devicePixelRatioF());
}

BakedTextCheckBox::BakedTextCheckBox(BakedLabel label, QWidget* parent)
    : QCheckBox(textOf(label), parent), label_(label) {}

void BakedTextCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // Where the style puts the text, worked out without measuring it.
    const QRect textRect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);
    drawBakedLabel(painter, textRect, label_, textColourOf(*this), devicePixelRatioF());
}

}  // namespace zarovia::shell
