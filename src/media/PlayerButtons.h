#pragma once

#include "media/MediaDevice.h"

#include <QFlags>

namespace zarovia::media {

enum class PlayerButton : unsigned { Play = 1U << 0, Stop = 1U << 1 };
Q_DECLARE_FLAGS(PlayerButtonSet, PlayerButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(PlayerButtonSet)

// Which of the player's buttons are shown and which react. With AutoEnable off a button is
// enabled exactly when it is in enabledButtons; with it on, when it is in the automatic set,
// which follows the device: Play after an open, Stop while playing, Play again once stopped.
class PlayerButtons {
public:
    PlayerButtonSet visibleButtons() const { return visible_; }
    void setVisibleButtons(PlayerButtonSet set) { visible_ = set; }

    PlayerButtonSet enabledButtons() const { return enabled_; }
    void setEnabledButtons(PlayerButtonSet set) { enabled_ = set; }

    PlayerButtonSet automaticButtons() const { return automatic_; }

    bool autoEnable() const { return autoEnable_; }
    // Returns true when the value changed (and so the effective set may have changed).
    bool setAutoEnable(bool on);

    // The buttons that react now (visible ones only).
    PlayerButtonSet effectiveEnabled() const {
        return (autoEnable_ ? automatic_ : enabled_) & visible_;
    }
    bool isEnabled(PlayerButton button) const { return effectiveEnabled().testFlag(button); }

    // Automatic set updates.
    void afterOpen(bool canPlay);
    void afterPlay();
    void afterStop(bool canPlay);
    // A play notification: once the device reports stopped, Play returns and Stop leaves.
    void afterNotification(MediaMode mode, bool canPlay);

private:
    PlayerButtonSet visible_ = PlayerButton::Play | PlayerButton::Stop;
    PlayerButtonSet enabled_ = PlayerButton::Play | PlayerButton::Stop;
    PlayerButtonSet automatic_ = {};
    bool autoEnable_ = true;
};

}  // namespace zarovia::media
