#include "media/MediaPositionFollower.h"

#include <cstdint>

namespace zarovia::media {

MediaPositionFollower::MediaPositionFollower(MediaDevice& device, TrackBarAccess& bar,
                                             std::function<void()> switchAutoEnableOn)
    : device_(device),
      bar_(bar),
      switchAutoEnableOn_(std::move(switchAutoEnableOn)),
      dragSeeks_(device) {}

void MediaPositionFollower::tick() {
    if (!device_.isOpen()) return;

    const int position = device_.position();
    // Under the user's hand the thumb stays where it is held; the device follows it instead.
    if (!bar_.isBeingDragged()) bar_.setPosition(position);

    // Compared in 64 bits so that "maximum - 10" cannot overflow.
    const std::int64_t q = bar_.position();
    const std::int64_t maximum = bar_.maximum();
    if (q > 0 && q < 5 && q > maximum - 10) switchAutoEnableOn_();

    if (std::int64_t{bar_.position()} > maximum - 2) {
        device_.stop();
        device_.seekToStart();
        switchAutoEnableOn_();
    }
}

void MediaPositionFollower::trackBarChanged() {
    if (device_.isOpening()) return;
    const std::int64_t target = bar_.position();
    const std::int64_t ahead = device_.position();
    bool seeks = target > ahead + kSeekDeadBand;
    if (!seeks) {
        const std::int64_t behind = device_.position();
        seeks = target < behind - kSeekDeadBand;
    }
    if (!seeks) return;
    if (bar_.isBeingDragged())
        dragSeeks_.request(static_cast<int>(target));
    else
        device_.seek(static_cast<int>(target));
}

void MediaPositionFollower::dragFinished() {
    if (!dragSeeks_.finish() || !device_.isOpen()) return;
    device_.seek(bar_.position());
}

}  // namespace zarovia::media
