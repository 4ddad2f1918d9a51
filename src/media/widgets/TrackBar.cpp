#include "media/widgets/TrackBar.h"

#include <QProxyStyle>

namespace zarovia::media {

namespace {

// The thumb is 17 pixels long across the groove, whatever the platform style says, and a
// click in the track jumps there rather than stepping a page towards it.
class TrackBarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_Slider_AbsoluteSetButtons) return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_SliderControlThickness || metric == PM_SliderThickness)
            return TrackBar::kThumbLength;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

}  // namespace

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    auto* style = new TrackBarStyle;
    style->setParent(this);
    setStyle(style);
    setRange(0, 10);
    setValue(0);
    setTracking(true);
    // QAbstractSlider already stays silent when the value is set to what it is.
    connect(this, &QSlider::valueChanged, this, &TrackBar::changed);
}

void TrackBar::setMin(int minimum) {
    if (minimum > maximum()) return;
    setMinimum(minimum);
}

void TrackBar::setMax(int maximum) {
    if (maximum < minimum()) return;
    setMaximum(maximum);
}

}  // namespace zarovia::media
