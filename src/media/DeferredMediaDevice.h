#pragma once

#include "media/MediaDevice.h"

#include <functional>
#include <memory>

namespace zarovia::media {

// A media device that is there at once while what it needs is made ready on a thread of its
// own (the engine's module and libraries, loaded from disk the first time media is used), so
// that the window's thread never waits for it. `prepare` runs on that thread; `make` then runs
// on this object's thread and gives the device that carries out every request from then on.
//
// Until then the device behaves as one without a file: an open is kept (the device reports it as
// opening) and handed on when the device is made, a close drops it, and every other request is
// answered as the interface says for no device open. The made device's signals are this one's.
class DeferredMediaDevice final : public MediaDevice {
    Q_OBJECT
public:
    DeferredMediaDevice(std::function<void()> prepare,
                        std::function<std::unique_ptr<MediaDevice>()> make);
    ~DeferredMediaDevice() override;

    void open(const QByteArray& path) override;
    void play(PlayNotification notify) override;
    void stop() override;
    void seekToStart() override;
    void seek(int ms) override;
    void seekNearby(int ms) override;
    int position() const override;
    int length() const override;
    MediaMode mode() const override;
    QSize naturalVideoSize() const override;
    void setDisplayRect(const QRect& rect) override;
    void close() override;
    bool isOpen() const override;
    bool hasVideo() const override;
    bool canPlay() const override;
    void setVideoOutput(VideoOutput* output) override;

    // The device that carries out the requests; null until it is made.
    MediaDevice* device() const { return device_.get(); }

    struct Handover;

private:
    void adopt(std::unique_ptr<MediaDevice> device);
    MediaDevice& required() const;

    std::function<std::unique_ptr<MediaDevice>()> make_;
    std::shared_ptr<Handover> handover_;
    std::unique_ptr<MediaDevice> device_;
    VideoOutput* output_ = nullptr;
    bool openPending_ = false;
    QByteArray pendingPath_;
};

}  // namespace zarovia::media
