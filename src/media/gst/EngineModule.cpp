// The media engine module's side of the door (media/EngineInterface.h): the device over
// GStreamer behind a table of plain C functions. The program loads the module the first time
// it needs to play something, so that a start-up that plays nothing never loads GStreamer.
// This is the module's only exported symbol; the media core and platform core it uses are
// copies of its own, never the program's.
#include "media/BuildIdentity.h"
#include "media/EngineInterface.h"
#include "media/MediaErrors.h"
#include "media/gst/GstMediaDevice.h"
#include "media/gst/GstRuntime.h"

#include <cstring>
#include <memory>

namespace {

using namespace zarovia::media;

static_assert(ZV_FAIL_NO_DEVICE == static_cast<int>(MediaErrorKind::NoDevice) + 1);
static_assert(ZV_FAIL_MISSING_PLUGIN == static_cast<int>(MediaErrorKind::MissingPlugin) + 1);
static_assert(ZV_FAIL_UNKNOWN == static_cast<int>(MediaErrorKind::Unknown) + 1);
static_assert(ZV_MODE_PAUSED == static_cast<int>(MediaMode::Paused));

int failureOf(MediaErrorKind kind) {
    return static_cast<int>(kind) + 1;
}

// Runs a request of the device; no exception leaves the module.
template <class Request>
int guarded(Request request) noexcept {
    try {
        request();
        return ZV_ENGINE_OK;
    } catch (const MediaError& error) {
        return failureOf(error.kind());
    } catch (...) {
        return ZV_FAIL_UNKNOWN;
    }
}

// A play's notification: told at most once, released when the device lets go of it.
struct PlayTicket {
    explicit PlayTicket(ZvPlayNotification n) : notification(n) {}
    ~PlayTicket() {
        if (notification.release) notification.release(notification.context);
    }
    PlayTicket(const PlayTicket&) = delete;
    PlayTicket& operator=(const PlayTicket&) = delete;
    ZvPlayNotification notification;
    bool told = false;
};

}  // namespace

// Named rather than anonymous: ZvEngineDevice, a type of the C interface, holds one.
namespace zarovia::media::module {

// The video output the device draws to: the program's, through its callbacks.
class ForwardedOutput final : public VideoOutput {
public:
    explicit ForwardedOutput(const ZvEngineEvents& events) : events_(events) {}

    void presentFrame(const QImage& frame) override {
        // The program holds a reference to the frame's pixels until it releases them.
        auto* owner = new QImage(frame.format() == QImage::Format_RGB32
                                     ? frame
                                     : frame.convertToFormat(QImage::Format_RGB32));
        events_.present_frame(
            events_.context,
            ZvEngineFrame{owner->constBits(), owner->width(), owner->height(),
                          static_cast<int>(owner->bytesPerLine()), owner,
                          [](void* image) { delete static_cast<QImage*>(image); }});
    }
    void setDisplayRect(const QRect& rect) override {
        events_.set_display_rect(events_.context, rect.x(), rect.y(), rect.width(), rect.height());
    }
    void clearVideo() override { events_.clear_video(events_.context); }

private:
    ZvEngineEvents events_;
};

}  // namespace zarovia::media::module

struct ZvEngineDevice {
    explicit ZvEngineDevice(const ZvEngineEvents& e) : events(e), output(e) {
        QObject::connect(&device, &MediaDevice::opened, [this] { events.opened(events.context); });
        QObject::connect(
            &device, &MediaDevice::openFailed, [this](MediaErrorKind kind, const QString& detail) {
                events.open_failed(events.context, failureOf(kind), detail.toUtf8().constData());
            });
        QObject::connect(&device, &MediaDevice::lengthChanged,
                         [this](int ms) { events.length_changed(events.context, ms); });
    }
    ~ZvEngineDevice() {
        // The program is letting go of this device: nothing more reaches it.
        device.setVideoOutput(nullptr);
        QObject::disconnect(&device, nullptr, nullptr, nullptr);
    }
    ZvEngineDevice(const ZvEngineDevice&) = delete;
    ZvEngineDevice& operator=(const ZvEngineDevice&) = delete;

    ZvEngineEvents events;
    zarovia::media::module::ForwardedOutput output;
    GstMediaDevice device;
};

namespace {

void startEngine() {
    // Quiet on failure, which the open then reports.
    (void)guarded([] { ensureGstInitialised(); });
}

ZvEngineDevice* createDevice(const ZvEngineEvents* events) {
    if (!events || !events->opened || !events->open_failed || !events->length_changed ||
        !events->present_frame || !events->set_display_rect || !events->clear_video)
        return nullptr;
    try {
        return new ZvEngineDevice(*events);
    } catch (...) {
        return nullptr;
    }
}

void destroyDevice(ZvEngineDevice* d) {
    delete d;
}

int openFile(ZvEngineDevice* d, const char* path, size_t length) {
    return guarded([&] { d->device.open(QByteArray(path, static_cast<qsizetype>(length))); });
}

int play(ZvEngineDevice* d, ZvPlayNotification notification) {
    return guarded([&] {
        auto ticket = std::make_shared<PlayTicket>(notification);
        d->device.play([ticket](PlayEnd reason) {
            if (std::exchange(ticket->told, true) || !ticket->notification.ended) return;
            ticket->notification.ended(ticket->notification.context, reason == PlayEnd::Reached
                                                                         ? ZV_PLAY_END_REACHED
                                                                         : ZV_PLAY_END_ABORTED);
        });
    });
}

int stop(ZvEngineDevice* d) {
    return guarded([&] { d->device.stop(); });
}

int seek(ZvEngineDevice* d, int how, int ms) {
    return guarded([&] {
        switch (how) {
            case ZV_SEEK_TO_START:
                return d->device.seekToStart();
            case ZV_SEEK_EXACT:
                return d->device.seek(ms);
            case ZV_SEEK_NEARBY:
                return d->device.seekNearby(ms);
        }
        throw MediaError(MediaErrorKind::Unknown);
    });
}

void closeDevice(ZvEngineDevice* d) {
    d->device.close();
}

int position(const ZvEngineDevice* d) {
    return d->device.position();
}

int length(const ZvEngineDevice* d, int* ms) {
    return guarded([&] { *ms = d->device.length(); });
}

int mode(const ZvEngineDevice* d) {
    return static_cast<int>(d->device.mode());
}

void naturalVideoSize(const ZvEngineDevice* d, int* width, int* height) {
    const QSize size = d->device.naturalVideoSize();
    *width = size.width();
    *height = size.height();
}

int isOpen(const ZvEngineDevice* d) {
    return d->device.isOpen();
}

int hasVideo(const ZvEngineDevice* d) {
    return d->device.hasVideo();
}

int canPlay(const ZvEngineDevice* d) {
    return d->device.canPlay();
}

void setDisplayRect(ZvEngineDevice* d, int x, int y, int width, int height) {
    d->device.setDisplayRect(QRect(x, y, width, height));
}

void setVideoOutput(ZvEngineDevice* d, int wanted) {
    d->device.setVideoOutput(wanted ? &d->output : nullptr);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int zarovia_media_engine_entry(
    const ZvEngineHost* host, ZvEngine* engine) {
    static_assert(std::is_same_v<decltype(&zarovia_media_engine_entry), ZvEngineEntry>);
    if (!host || !engine) return ZV_ENGINE_BAD_ARGUMENT;
    if (host->interface_version != ZAROVIA_ENGINE_INTERFACE_VERSION ||
        host->size != sizeof(ZvEngineHost))
        return ZV_ENGINE_WRONG_VERSION;
    if (!host->build_identity || std::strcmp(host->build_identity, buildIdentity()) != 0)
        return ZV_ENGINE_WRONG_BUILD;
    *engine = ZvEngine{ZAROVIA_ENGINE_INTERFACE_VERSION,
                       sizeof(ZvEngine),
                       buildIdentity(),
                       &startEngine,
                       &createDevice,
                       &destroyDevice,
                       &openFile,
                       &play,
                       &stop,
                       &seek,
                       &closeDevice,
                       &position,
                       &length,
                       &mode,
                       &naturalVideoSize,
                       &isOpen,
                       &hasVideo,
                       &canPlay,
                       &setDisplayRect,
                       &setVideoOutput};
    return ZV_ENGINE_OK;
}
