#pragma once

#include "media/MediaPositionFollower.h"

#include <QSlider>

namespace zarovia::media {

// A horizontal position bar. `changed` is emitted only when the position really changes,
// whether code or the user moved it; a minimum above the maximum, or a maximum below the
// minimum, is ignored instead of dragging the other end along. A left click in the track
// jumps the thumb there (and the user then holds it, as after grabbing it); sliderReleased()
// tells when the user lets go.
class TrackBar : public QSlider, public TrackBarAccess {
    Q_OBJECT
public:
    static constexpr int kThumbLength = 17;

    explicit TrackBar(QWidget* parent = nullptr);

    int position() const override { return value(); }
    void setPosition(int position) override { setValue(position); }
    int maximum() const override { return QSlider::maximum(); }
    bool isBeingDragged() const override { return isSliderDown(); }
    int minimum() const { return QSlider::minimum(); }
    void setMin(int minimum);
    void setMax(int maximum);

signals:
    void changed();
};

}  // namespace zarovia::media
