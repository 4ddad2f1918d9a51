#include "media/DeferredMediaDevice.h"

#include "media/MediaErrors.h"

#include <QMetaObject>
#include <mutex>
#include <thread>

namespace zarovia::media {

// What the preparing thread shares with the device: whom to tell that it is done, cleared when
// the device goes first.
struct DeferredMediaDevice::Handover {
    std::mutex mutex;
    DeferredMediaDevice* device = nullptr;
};

DeferredMediaDevice::DeferredMediaDevice(std::function<void()> prepare,
                                         std::function<std::unique_ptr<MediaDevice>()> make)
    : make_(std::move(make)), handover_(std::make_shared<Handover>()) {
    handover_->device = this;
    std::thread([handover = handover_, prepare = std::move(prepare)] {
        if (prepare) prepare();
        const std::lock_guard lock(handover->mutex);
        if (!handover->device) return;
        // Queued on the device's thread; the device cannot go while the lock is held, and
        // a call queued on an object that goes later is dropped with it.
        DeferredMediaDevice* device = handover->device;
        QMetaObject::invokeMethod(
            device, [device] { device->adopt(device->make_()); }, Qt::QueuedConnection);
    }).detach();
}

DeferredMediaDevice::~DeferredMediaDevice() {
    const std::lock_guard lock(handover_->mutex);
    handover_->device = nullptr;
}

void DeferredMediaDevice::adopt(std::unique_ptr<MediaDevice> device) {
    if (device_ || !device) return;
    device_ = std::move(device);
    connect(device_.get(), &MediaDevice::opened, this, &MediaDevice::opened);
    connect(device_.get(), &MediaDevice::openFailed, this, &MediaDevice::openFailed);
    connect(device_.get(), &MediaDevice::lengthChanged, this, &MediaDevice::lengthChanged);
    device_->setVideoOutput(output_);
    if (std::exchange(openPending_, false)) device_->open(std::exchange(pendingPath_, {}));
}

MediaDevice& DeferredMediaDevice::required() const {
    if (!device_) throw MediaError(MediaErrorKind::NoDevice);
    return *device_;
}

void DeferredMediaDevice::open(const QByteArray& path) {
    if (device_) return device_->open(path);
    openPending_ = true;
    pendingPath_ = path;
}

void DeferredMediaDevice::play(PlayNotification notify) {
    required().play(std::move(notify));
}

void DeferredMediaDevice::stop() {
    required().stop();
}

void DeferredMediaDevice::seekToStart() {
    required().seekToStart();
}

void DeferredMediaDevice::seek(int ms) {
    required().seek(ms);
}

void DeferredMediaDevice::seekNearby(int ms) {
    required().seekNearby(ms);
}

int DeferredMediaDevice::position() const {
    return device_ ? device_->position() : 0;
}

int DeferredMediaDevice::length() const {
    return required().length();
}

MediaMode DeferredMediaDevice::mode() const {
    if (device_) return device_->mode();
    return openPending_ ? MediaMode::Opening : MediaMode::NotOpen;
}

QSize DeferredMediaDevice::naturalVideoSize() const {
    return device_ ? device_->naturalVideoSize() : QSize();
}

void DeferredMediaDevice::setDisplayRect(const QRect& rect) {
    if (device_) device_->setDisplayRect(rect);
}

void DeferredMediaDevice::close() {
    if (device_) return device_->close();
    openPending_ = false;
    pendingPath_.clear();
}

bool DeferredMediaDevice::isOpen() const {
    return device_ && device_->isOpen();
}

bool DeferredMediaDevice::hasVideo() const {
    return device_ && device_->hasVideo();
}

bool DeferredMediaDevice::canPlay() const {
    return device_ && device_->canPlay();
}

void DeferredMediaDevice::setVideoOutput(VideoOutput* output) {
    output_ = output;
    if (device_) device_->setVideoOutput(output);
}

}  // namespace zarovia::media
