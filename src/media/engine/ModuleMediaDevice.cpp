#include "media/engine/ModuleMediaDevice.h"

#include <QDebug>

namespace zarovia::media {

namespace {

class ModuleMediaDevice final : public MediaDevice {
public:
    explicit ModuleMediaDevice(const ZvEngine& engine) : engine_(engine) {
        const ZvEngineEvents events{this,           &opened_,         &openFailed_, &lengthChanged_,
                                    &presentFrame_, &setDisplayRect_, &clearVideo_};
        device_ = engine_.create(&events);
    }
    ~ModuleMediaDevice() override {
        if (device_) engine_.destroy(device_);
    }
    ModuleMediaDevice(const ModuleMediaDevice&) = delete;
    ModuleMediaDevice& operator=(const ModuleMediaDevice&) = delete;

    bool made() const { return device_ != nullptr; }

    void open(const QByteArray& path) override {
        check(engine_.open(device_, path.constData(), static_cast<size_t>(path.size())));
    }
    void play(PlayNotification notify) override {
        auto* box = new PlayNotification(std::move(notify));
        const ZvPlayNotification notification{
            box,
            [](void* context, int reason) {
                const auto& told = *static_cast<PlayNotification*>(context);
                if (told) told(reason == ZV_PLAY_END_REACHED ? PlayEnd::Reached : PlayEnd::Aborted);
            },
            [](void* context) { delete static_cast<PlayNotification*>(context); }};
        // The module owns the notification from here, and releases it even when it refuses.
        check(engine_.play(device_, notification));
    }
    void stop() override { check(engine_.stop(device_)); }
    void seekToStart() override { check(engine_.seek(device_, ZV_SEEK_TO_START, 0)); }
    void seek(int ms) override { check(engine_.seek(device_, ZV_SEEK_EXACT, ms)); }
    void seekNearby(int ms) override { check(engine_.seek(device_, ZV_SEEK_NEARBY, ms)); }
    int position() const override { return engine_.position(device_); }
    int length() const override {
        int ms = 0;
        check(engine_.length(device_, &ms));
        return ms;
    }
    MediaMode mode() const override { return static_cast<MediaMode>(engine_.mode(device_)); }
    QSize naturalVideoSize() const override {
        int width = 0, height = 0;
        engine_.natural_video_size(device_, &width, &height);
        return {width, height};
    }
    void setDisplayRect(const QRect& rect) override {
        engine_.set_display_rect(device_, rect.x(), rect.y(), rect.width(), rect.height());
    }
    void close() override { engine_.close(device_); }
    bool isOpen() const override { return engine_.is_open(device_) != 0; }
    bool hasVideo() const override { return engine_.has_video(device_) != 0; }
    bool canPlay() const override { return engine_.can_play(device_) != 0; }
    void setVideoOutput(VideoOutput* output) override {
        output_ = output;
        engine_.set_video_output(device_, output != nullptr);
    }

private:
    static void check(int result) {
        if (result == ZV_ENGINE_OK) return;
        const bool known = result >= ZV_FAIL_NO_DEVICE && result <= ZV_FAIL_UNKNOWN;
        throw MediaError(known ? static_cast<MediaErrorKind>(result - 1) : MediaErrorKind::Unknown);
    }
    static ModuleMediaDevice& of(void* context) {
        return *static_cast<ModuleMediaDevice*>(context);
    }

    // The module's callbacks. A failure in a receiver never goes back into the module.
    template <class Deliver>
    static void deliver(Deliver deliver) noexcept {
        try {
            deliver();
        } catch (const std::exception& e) {
            qCritical("media engine: a receiver failed: %s", e.what());
        } catch (...) {
            qCritical("media engine: a receiver failed");
        }
    }
    static void opened_(void* context) {
        deliver([&] { emit of(context).opened(); });
    }
    static void openFailed_(void* context, int failure, const char* detail) {
        const bool known = failure >= ZV_FAIL_NO_DEVICE && failure <= ZV_FAIL_UNKNOWN;
        deliver([&] {
            emit of(context).openFailed(
                known ? static_cast<MediaErrorKind>(failure - 1) : MediaErrorKind::Unknown,
                QString::fromUtf8(detail));
        });
    }
    static void lengthChanged_(void* context, int ms) {
        deliver([&] { emit of(context).lengthChanged(ms); });
    }
    static void presentFrame_(void* context, ZvEngineFrame frame) {
        if (!frame.bits || frame.width <= 0 || frame.height <= 0 ||
            frame.bytes_per_line < 4 * frame.width) {
            frame.release(frame.owner);
            return;
        }
        // Shares the module's pixels; they go back to it when the last copy goes.
        const QImage image(frame.bits, frame.width, frame.height, frame.bytes_per_line,
                           QImage::Format_RGB32, frame.release, frame.owner);
        deliver([&] {
            if (VideoOutput* output = of(context).output_) output->presentFrame(image);
        });
    }
    static void setDisplayRect_(void* context, int x, int y, int width, int height) {
        deliver([&] {
            if (VideoOutput* output = of(context).output_)
                output->setDisplayRect(QRect(x, y, width, height));
        });
    }
    static void clearVideo_(void* context) {
        deliver([&] {
            if (VideoOutput* output = of(context).output_) output->clearVideo();
        });
    }

    ZvEngine engine_;
    ZvEngineDevice* device_ = nullptr;
    VideoOutput* output_ = nullptr;
};

}  // namespace

std::unique_ptr<MediaDevice> createModuleMediaDevice(const ZvEngine& engine) {
    auto device = std::make_unique<ModuleMediaDevice>(engine);
    if (!device->made()) return nullptr;
    return device;
}

}  // namespace zarovia::media
