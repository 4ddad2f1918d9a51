#include "media/gst/GstMediaDevice.h"

#include "media/MediaErrors.h"
#include "media/MediaKind.h"
#include "media/gst/GstRuntime.h"
#include "platform/FileAccess.h"
#include "platform/PathSplit.h"
#include "platform/SystemErrors.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <algorithm>
#include <cstring>
#include <utility>

namespace zarovia::media {

namespace {

// playbin's GstPlayFlags, which its headers do not export.
constexpr int kPlayVideo = 1 << 0;
constexpr int kPlayAudio = 1 << 1;
constexpr int kPlaySoftVolume = 1 << 4;
constexpr int kPlayDeinterlace = 1 << 9;

constexpr const char* kSoundFontPackage = "timgm6mb-soundfont";

int nsToMs(gint64 ns) {
    return static_cast<int>(std::clamp<gint64>(ns / GST_MSECOND, 0, INT32_MAX));
}

}  // namespace

// Everything the streaming threads touch, kept alive until the pipeline has stopped.
struct GstPipelineState {
    GstElement* pipeline = nullptr;
    GstElement* videoSink = nullptr;
    QByteArray soundFont;

    QMutex mutex;  // guards the fields below
    QObject* receiver = nullptr;
    std::function<void()> drainBus;
    std::function<void()> deliverFrame;
    QImage latestFrame;
    bool frameCallPosted = false;
    bool busCallPosted = false;

    ~GstPipelineState() {
        if (!pipeline) return;
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }

    void detachReceiver() {
        QMutexLocker lock(&mutex);
        receiver = nullptr;
    }

    // From a streaming thread: one queued call at a time, so a flood of messages or frames
    // costs one wake-up of the user-interface thread.
    void postBusDrain() {
        QMutexLocker lock(&mutex);
        if (!receiver || busCallPosted) return;
        busCallPosted = true;
        QMetaObject::invokeMethod(receiver, drainBus, Qt::QueuedConnection);
    }

    void storeFrame(QImage frame) {
        QMutexLocker lock(&mutex);
        latestFrame = std::move(frame);
        if (!receiver || frameCallPosted) return;
        frameCallPosted = true;
        QMetaObject::invokeMethod(receiver, deliverFrame, Qt::QueuedConnection);
    }

    QImage takeFrame() {
        QMutexLocker lock(&mutex);
        frameCallPosted = false;
        return std::exchange(latestFrame, QImage());
    }

    void busDrained() {
        QMutexLocker lock(&mutex);
        busCallPosted = false;
    }
};

namespace {

GstBusSyncReply onBusMessage(GstBus*, GstMessage*, gpointer data) {
    static_cast<GstPipelineState*>(data)->postBusDrain();
    return GST_BUS_PASS;
}

// Copies a BGRx sample into a QImage (0xffRRGGBB words on this byte order).
QImage imageFromSample(GstSample* sample) {
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps)) return {};
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return {};
    const int width = GST_VIDEO_FRAME_WIDTH(&frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const auto* pixels = static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    QImage image(width, height, QImage::Format_RGB32);
    if (!image.isNull()) {
        const auto rowBytes = static_cast<std::size_t>(width) * 4;
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * stride,
                        rowBytes);
    }
    gst_video_frame_unmap(&frame);
    return image;
}

GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_EOS;
    static_cast<GstPipelineState*>(data)->storeFrame(imageFromSample(sample));
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstFlowReturn onNewPreroll(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_preroll(sink);
    if (!sample) return GST_FLOW_EOS;
    static_cast<GstPipelineState*>(data)->storeFrame(imageFromSample(sample));
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void onElementSetup(GstElement*, GstElement* element, gpointer data) {
    auto* state = static_cast<GstPipelineState*>(data);
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && state->soundFont.size() > 0 &&
        g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "fluiddec") == 0) {
        g_object_set(element, "soundfont", state->soundFont.constData(), nullptr);
    }
}

MediaErrorKind kindOfFileError(int code) {
    switch (code) {
        case kErrorFileNotFound:
            return MediaErrorKind::FileNotFound;
        case kErrorPathNotFound:
            return MediaErrorKind::PathNotFound;
        case kErrorAccessDenied:
            return MediaErrorKind::AccessDenied;
        default:
            return MediaErrorKind::Unknown;
    }
}

// The file must be a readable regular file before the engine sees it, so that a missing
// file or a FIFO gets its own text and never blocks.
void checkReadable(const QByteArray& path) {
    try {
        ReadOnlyFile file(path);
    } catch (const FileError& error) {
        throw MediaError(kindOfFileError(error.code()));
    }
}

QByteArray findSoundFont(const QStringList& candidates) {
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) return QFile::encodeName(candidate);
    }
    const QString wanted = candidates.isEmpty() ? QString() : candidates.first();
    throw MediaError(MediaErrorKind::MissingSoundFont,
                     QStringLiteral("%1 (%2)").arg(wanted, QLatin1String(kSoundFontPackage)));
}

GstElement* makeAudioSink(const QByteArray& configured) {
    QByteArray name = configured;
    if (name.isEmpty()) name = qgetenv("ZAROVIA_AUDIO_SINK");
    if (name.isEmpty()) return nullptr;  // playbin picks the system's sink itself
    GstElement* sink = gst_element_factory_make(name.constData(), nullptr);
    if (!sink) throw MediaError(MediaErrorKind::MissingPlugin, QString::fromUtf8(name));
    // A fake sink must still run in real time, or playback would end at once.
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "sync"))
        g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

GstElement* makeVideoSink(GstPipelineState* state) {
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!sink) throw MediaError(MediaErrorKind::MissingPlugin, QStringLiteral("appsink"));
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
    g_object_set(sink, "caps", caps, "sync", TRUE, "max-buffers", 2u, "drop", TRUE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = onNewPreroll;
    callbacks.new_sample = onNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, state, nullptr);
    return sink;
}

struct PrerollOutcome {
    bool ready = false;
    MediaErrorKind error = MediaErrorKind::Unknown;
    QStringList missingPlugins;
};

bool hasAnyStream(GstElement* pipeline) {
    gint video = 0;
    gint audio = 0;
    g_object_get(pipeline, "n-video", &video, "n-audio", &audio, nullptr);
    return video > 0 || audio > 0;
}

// Waits for the pipeline to reach PAUSED with data ready, or for the first error. The
// decoding bin sometimes swallows the error of a demuxer that found no stream at all; the
// bus then falls silent, so a silence without any stream found counts as that error.
PrerollOutcome waitForPreroll(GstElement* pipeline, std::chrono::milliseconds timeout) {
    constexpr gint64 kSilenceUs = 500 * 1000;
    constexpr gint64 kSliceUs = 50 * 1000;
    PrerollOutcome outcome;
    GstBus* bus = gst_element_get_bus(pipeline);
    const gint64 deadline = g_get_monotonic_time() + timeout.count() * 1000;
    gint64 lastActivity = g_get_monotonic_time();
    for (;;) {
        const gint64 now = g_get_monotonic_time();
        if (now >= deadline) {
            outcome.error = MediaErrorKind::Timeout;
            break;
        }
        if (now - lastActivity >= kSilenceUs && !hasAnyStream(pipeline)) {
            outcome.error = outcome.missingPlugins.isEmpty() ? MediaErrorKind::NotPlayable
                                                             : MediaErrorKind::MissingPlugin;
            break;
        }
        const gint64 wait = std::min(deadline - now, kSliceUs);
        GstMessage* message = gst_bus_timed_pop(bus, wait * GST_USECOND);
        if (!message) continue;
        lastActivity = g_get_monotonic_time();
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_ELEMENT && gst_is_missing_plugin_message(message)) {
            gchar* description = gst_missing_plugin_message_get_description(message);
            if (description) outcome.missingPlugins << QString::fromUtf8(description);
            g_free(description);
        } else if (type == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            outcome.error = outcome.missingPlugins.isEmpty() ? errorKindOf(error)
                                                             : MediaErrorKind::MissingPlugin;
            if (error) g_error_free(error);
            gst_message_unref(message);
            break;
        } else if (type == GST_MESSAGE_ASYNC_DONE &&
                   GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline)) {
            outcome.ready = true;
            gst_message_unref(message);
            break;
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return outcome;
}

QSize negotiatedSize(GstElement* videoSink) {
    if (!videoSink) return {};
    GstPad* pad = gst_element_get_static_pad(videoSink, "sink");
    if (!pad) return {};
    QSize size;
    if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, caps)) size = QSize(info.width, info.height);
        gst_caps_unref(caps);
    }
    gst_object_unref(pad);
    return size;
}

}  // namespace

QStringList GstDeviceOptions::defaultSoundFonts() {
    return {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2"),
            QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")};
}

GstMediaDevice::GstMediaDevice(GstDeviceOptions options)
    : options_(std::move(options)), context_(std::make_unique<QObject>()) {}

GstMediaDevice::~GstMediaDevice() {
    close();
}

void GstMediaDevice::open(const QByteArray& path) {
    close();
    ensureGstInitialised();

    const QByteArray extension = upperAscii(extensionPart(path));
    const MediaKind kind = mediaKindOfExtension(extension);
    if (kind == MediaKind::NotMedia) throw MediaError(MediaErrorKind::NotMediaFile);
    checkReadable(path);

    auto state = std::make_shared<GstPipelineState>();
    if (isMidiExtension(extension)) state->soundFont = findSoundFont(options_.soundFontCandidates);

    GError* uriError = nullptr;
    gchar* uri = gst_filename_to_uri(path.constData(), &uriError);
    if (!uri) {
        if (uriError) g_error_free(uriError);
        throw MediaError(MediaErrorKind::PathNotFound);
    }

    state->pipeline = gst_element_factory_make("playbin", nullptr);
    if (!state->pipeline) {
        g_free(uri);
        throw MediaError(MediaErrorKind::MissingPlugin, QStringLiteral("playbin"));
    }
    gst_object_ref_sink(state->pipeline);
    const int flags = kind == MediaKind::Video
                          ? kPlayVideo | kPlayAudio | kPlaySoftVolume | kPlayDeinterlace
                          : kPlayAudio | kPlaySoftVolume;
    g_object_set(state->pipeline, "uri", uri, "flags", flags, nullptr);
    g_free(uri);
    g_signal_connect(state->pipeline, "element-setup", G_CALLBACK(onElementSetup), state.get());
    if (GstElement* audioSink = makeAudioSink(options_.audioSink))
        g_object_set(state->pipeline, "audio-sink", audioSink, nullptr);
    if (kind == MediaKind::Video) {
        state->videoSink = makeVideoSink(state.get());
        g_object_set(state->pipeline, "video-sink", state->videoSink, nullptr);
    }

    // A failure to change state leaves its reason on the bus, where the wait reads it.
    (void)gst_element_set_state(state->pipeline, GST_STATE_PAUSED);
    const PrerollOutcome outcome = waitForPreroll(state->pipeline, options_.openTimeout);
    if (!outcome.ready) {
        throw MediaError(outcome.error, outcome.missingPlugins.join(QStringLiteral(", ")));
    }

    gint nVideo = 0;
    gint nAudio = 0;
    g_object_get(state->pipeline, "n-video", &nVideo, "n-audio", &nAudio, nullptr);
    const QSize natural = kind == MediaKind::Video ? negotiatedSize(state->videoSink) : QSize();
    if (!outcome.missingPlugins.isEmpty() && ((nVideo > 0 && natural.isEmpty()) || nAudio == 0))
        throw MediaError(MediaErrorKind::MissingPlugin,
                         outcome.missingPlugins.join(QStringLiteral(", ")));
    if (natural.isEmpty() && nAudio == 0) throw MediaError(MediaErrorKind::NotPlayable);

    // MPEG program streams often start at a timestamp above 0; positions count from there.
    gint64 start = 0;
    startOffsetNs_ =
        gst_element_query_position(state->pipeline, GST_FORMAT_TIME, &start) && start > 0 ? start
                                                                                          : 0;
    gint64 duration = 0;
    if (!gst_element_query_duration(state->pipeline, GST_FORMAT_TIME, &duration)) duration = 0;
    // The program-stream demuxer measures its duration between clock references, while the
    // pictures start `startOffset` later and run on past the last reference. Counting the
    // offset in keeps the last pictures inside the length; at the end the position becomes
    // the length all the same.
    lengthMs_ = nsToMs(duration + startOffsetNs_);

    // From here on the streaming threads may call back into this device.
    {
        QMutexLocker lock(&state->mutex);
        state->receiver = context_.get();
        state->drainBus = [this] { drainBus(); };
        state->deliverFrame = [this] { deliverFrame(); };
    }
    GstBus* bus = gst_element_get_bus(state->pipeline);
    gst_bus_set_sync_handler(bus, onBusMessage, state.get(), nullptr);
    gst_object_unref(bus);

    state_ = std::move(state);
    naturalSize_ = natural;
    mode_ = MediaMode::Stopped;
    atEnd_ = false;
    displayRect_ = QRect();
    if (output_ && hasVideo()) output_->setDisplayRect(displayRect_);
    // The preroll frame may have been stored before the receiver was known.
    if (hasVideo()) deliverFrame();
    drainBus();
}

void GstMediaDevice::requireOpen() const {
    if (!isOpen()) throw MediaError(MediaErrorKind::NoDevice);
}

void GstMediaDevice::play(PlayNotification notify) {
    requireOpen();
    pendingNotify_ = std::move(notify);
    if (atEnd_) {
        // Nothing left to play: the notification follows at once, as after a real end.
        notifyPlayEnd(PlayEnd::Reached);
        return;
    }
    gst_element_set_state(state_->pipeline, GST_STATE_PLAYING);
    mode_ = MediaMode::Playing;
}

void GstMediaDevice::stop() {
    requireOpen();
    if (mode_ == MediaMode::Playing) {
        gst_element_set_state(state_->pipeline, GST_STATE_PAUSED);
        settle();
        notifyPlayEnd(PlayEnd::Aborted);
    }
    mode_ = MediaMode::Stopped;
}

void GstMediaDevice::seekToStart() {
    requireOpen();
    seekEngine(0);
}

void GstMediaDevice::seek(int ms) {
    requireOpen();
    seekEngine(ms);
}

void GstMediaDevice::seekEngine(int ms) {
    if (mode_ == MediaMode::Playing) {
        gst_element_set_state(state_->pipeline, GST_STATE_PAUSED);
        notifyPlayEnd(PlayEnd::Aborted);
    }
    mode_ = MediaMode::Stopped;
    const int target = std::clamp(ms, 0, std::max(lengthMs_, 0));
    if (lengthMs_ > 0 && target >= lengthMs_) {
        // The very end: nothing to decode there, so stand at the end as after a play.
        atEnd_ = true;
        return;
    }
    atEnd_ = false;
    // A flushing seek works for MIDI too, although its seeking query answers "no".
    gst_element_seek_simple(state_->pipeline, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                            startOffsetNs_ + gint64{target} * GST_MSECOND);
    settle();
}

void GstMediaDevice::settle() {
    gst_element_get_state(state_->pipeline, nullptr, nullptr,
                          options_.settleTimeout.count() * GST_MSECOND);
}

int GstMediaDevice::position() const {
    if (!isOpen()) return 0;
    if (atEnd_) return lengthMs_;
    gint64 ns = 0;
    ++positionQueries_;
    if (!gst_element_query_position(state_->pipeline, GST_FORMAT_TIME, &ns)) return 0;
    const int ms = nsToMs(ns - startOffsetNs_);
    return lengthMs_ > 0 ? std::min(ms, lengthMs_) : ms;
}

int GstMediaDevice::length() const {
    requireOpen();
    return lengthMs_;
}

MediaMode GstMediaDevice::mode() const {
    return mode_;
}

QSize GstMediaDevice::naturalVideoSize() const {
    return isOpen() ? naturalSize_ : QSize();
}

void GstMediaDevice::setDisplayRect(const QRect& rect) {
    if (!hasVideo()) return;
    displayRect_ = rect;
    if (output_) output_->setDisplayRect(rect);
}

void GstMediaDevice::close() {
    if (!state_) return;
    state_->detachReceiver();
    state_.reset();  // stops the pipeline and joins its threads
    pendingNotify_ = nullptr;
    mode_ = MediaMode::NotOpen;
    atEnd_ = false;
    lengthMs_ = 0;
    startOffsetNs_ = 0;
    const bool hadVideo = !naturalSize_.isEmpty();
    naturalSize_ = QSize();
    if (output_ && hadVideo) output_->clearVideo();
}

bool GstMediaDevice::isOpen() const {
    return state_ != nullptr;
}

bool GstMediaDevice::hasVideo() const {
    return isOpen() && !naturalSize_.isEmpty();
}

bool GstMediaDevice::canPlay() const {
    return isOpen();
}

void GstMediaDevice::setVideoOutput(VideoOutput* output) {
    output_ = output;
}

void GstMediaDevice::notifyPlayEnd(PlayEnd reason) {
    if (!pendingNotify_) return;
    // Queued, like a posted notification: the caller finishes its request first.
    QMetaObject::invokeMethod(
        context_.get(),
        [notify = std::exchange(pendingNotify_, nullptr), reason] { notify(reason); },
        Qt::QueuedConnection);
}

void GstMediaDevice::deliverFrame() {
    if (!state_) return;
    QImage frame = state_->takeFrame();
    if (!frame.isNull() && output_ && hasVideo()) output_->presentFrame(frame);
}

void GstMediaDevice::drainBus() {
    if (!state_) return;
    state_->busDrained();
    GstBus* bus = gst_element_get_bus(state_->pipeline);
    while (GstMessage* message = gst_bus_pop(bus)) {
        switch (GST_MESSAGE_TYPE(message)) {
            case GST_MESSAGE_EOS:
                handleEndOfStream();
                break;
            case GST_MESSAGE_ERROR:
                // A failure while playing is silent: the device just stops where it is.
                if (mode_ == MediaMode::Playing) {
                    gst_element_set_state(state_->pipeline, GST_STATE_PAUSED);
                    mode_ = MediaMode::Stopped;
                    notifyPlayEnd(PlayEnd::Aborted);
                }
                break;
            case GST_MESSAGE_DURATION_CHANGED: {
                gint64 duration = 0;
                if (gst_element_query_duration(state_->pipeline, GST_FORMAT_TIME, &duration))
                    lengthMs_ = nsToMs(duration);
                break;
            }
            default:
                break;
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
}

void GstMediaDevice::handleEndOfStream() {
    if (mode_ != MediaMode::Playing) return;
    gst_element_set_state(state_->pipeline, GST_STATE_PAUSED);
    mode_ = MediaMode::Stopped;
    atEnd_ = true;
    notifyPlayEnd(PlayEnd::Reached);
}

}  // namespace zarovia::media
