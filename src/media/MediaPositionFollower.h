#pragma once

#include "media/MediaDevice.h"
#include "media/SeekCoalescer.h"

#include <functional>

namespace zarovia::media {

// The position bar as the follower sees it. Setting the position clamps it into the range;
// when it really changes, the bar's change handler runs at once (and the window's handler
// calls MediaPositionFollower::trackBarChanged).
class TrackBarAccess {
public:
    virtual ~TrackBarAccess() = default;
    virtual int position() const = 0;
    virtual void setPosition(int position) = 0;
    virtual int maximum() const = 0;
    // The user holds the thumb (dragging it, or after a click in the track).
    virtual bool isBeingDragged() const = 0;
};

// Keeps the position bar at the device's position and seeks the device when the bar is
// moved away from it. Both take the device's position in milliseconds.
class MediaPositionFollower {
public:
    // A moved bar within this many units of the device is taken as following, not seeking.
    static constexpr int kSeekDeadBand = 5;

    MediaPositionFollower(MediaDevice& device, TrackBarAccess& bar,
                          std::function<void()> switchAutoEnableOn);

    // One tick of the position timer: the bar follows the device (unless the user holds the
    // thumb); near the start of a very short range the player's buttons go automatic; at the
    // last two positions the device is stopped and rewound. Does nothing while no device is
    // open.
    void tick();

    // The bar's position changed: seek the device when the bar is more than the dead band
    // ahead of or behind it. While the thumb is dragged the seeks are coalesced (nearby ones,
    // at most one per interval). Fails with the no-device text when a seek is needed and no
    // device is open; while a file is still opening there is nothing to seek yet.
    void trackBarChanged();

    // The thumb was released: a drag that sought ends with an exact seek to the bar.
    void dragFinished();

private:
    MediaDevice& device_;
    TrackBarAccess& bar_;
    std::function<void()> switchAutoEnableOn_;
    SeekCoalescer dragSeeks_;
};

}  // namespace zarovia::media
