#include "media/SeekCoalescer.h"

#include <utility>

namespace zarovia::media {

SeekCoalescer::SeekCoalescer(MediaDevice& device, std::chrono::milliseconds interval)
    : device_(device) {
    timer_.setSingleShot(true);
    timer_.setInterval(interval);
    QObject::connect(&timer_, &QTimer::timeout, [this] { sendWaiting(); });
}

void SeekCoalescer::request(int ms) {
    requested_ = true;
    if (timer_.isActive()) {
        waiting_ = ms;
        return;
    }
    waiting_.reset();
    timer_.start();
    device_.seekNearby(ms);
}

void SeekCoalescer::sendWaiting() {
    if (!waiting_) return;
    const int ms = *std::exchange(waiting_, std::nullopt);
    // Runs from the event loop: a device closed meanwhile just drops the seek.
    if (!device_.isOpen()) return;
    timer_.start();
    device_.seekNearby(ms);
}

bool SeekCoalescer::finish() {
    timer_.stop();
    waiting_.reset();
    return std::exchange(requested_, false);
}

}  // namespace zarovia::media
