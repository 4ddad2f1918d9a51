#include "media/MediaPositionFollower.h"

#include <cstdint>

namespace zarovia::media {

MediaPositionFollower::MediaPositionFollower(MediaDevice& device, TrackBarAccess& bar,
                                             std::function<void()> switchAutoEnableOn)
    : device_(device), bar_(bar), switchAutoEnableOn_(std::move(switchAutoEnableOn)) {}

void MediaPositionFollower::tick() {
    if (!device_.isOpen()) return;

    bar_.setPosition(device_.position());

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
    const std::int64_t target = bar_.position();
    const std::int64_t ahead = device_.position();
    if (target > ahead + kSeekDeadBand) {
        device_.seek(static_cast<int>(target));
        return;
    }
    const std::int64_t behind = device_.position();
    if (target < behind - kSeekDeadBand) device_.seek(static_cast<int>(target));
}

}  // namespace zarovia::media
