#include "media/PlayerButtons.h"

namespace zarovia::media {

bool PlayerButtons::setAutoEnable(bool on) {
    if (on == autoEnable_) return false;
    autoEnable_ = on;
    return true;
}

void PlayerButtons::afterOpen(bool canPlay) {
    automatic_ = canPlay ? PlayerButtonSet(PlayerButton::Play) : PlayerButtonSet();
}

void PlayerButtons::afterPlay() {
    automatic_.setFlag(PlayerButton::Play, false);
    automatic_.setFlag(PlayerButton::Stop, true);
}

void PlayerButtons::afterStop(bool canPlay) {
    if (canPlay) automatic_.setFlag(PlayerButton::Play, true);
    automatic_.setFlag(PlayerButton::Stop, false);
}

void PlayerButtons::afterNotification(MediaMode mode, bool canPlay) {
    if (autoEnable_ && mode == MediaMode::Stopped) afterStop(canPlay);
}

}  // namespace zarovia::media
