#pragma once

#include "media/MediaDevice.h"

#include <QTimer>
#include <chrono>
#include <optional>

namespace zarovia::media {

// Seeks asked for while the user drags the position bar's thumb. The first goes to the device
// at once; later ones at most once per interval, keeping only the latest position, so that a
// fast drag never piles up work for the engine. They are nearby seeks: the exact one follows
// when the thumb is released.
class SeekCoalescer {
public:
    static constexpr std::chrono::milliseconds kInterval{50};

    explicit SeekCoalescer(MediaDevice& device, std::chrono::milliseconds interval = kInterval);

    // Fails with the no-device text when the seek is sent at once and no device is open.
    void request(int ms);
    // Drops the seek still waiting. True when any seek was asked for since the last finish.
    bool finish();
    std::optional<int> waiting() const { return waiting_; }

private:
    void sendWaiting();

    MediaDevice& device_;
    QTimer timer_;
    std::optional<int> waiting_;
    bool requested_ = false;
};

}  // namespace zarovia::media
