#include "media/gst/PlaybinSession.h"

#include "media/MediaErrors.h"
#include "media/MediaKind.h"
#include "media/gst/GstRuntime.h"
#include "media/gst/PlaybinParts.h"
#include "platform/PathSplit.h"

#include <gst/gst.h>
#include <gst/video/gstvideodecoder.h>

#include <QMutexLocker>
#include <algorithm>
#include <utility>

namespace zarovia::media {

namespace {

// playbin's GstPlayFlags, which its headers do not export.
constexpr int kPlayVideo = 1 << 0;
constexpr int kPlayAudio = 1 << 1;
constexpr int kPlaySoftVolume = 1 << 4;
constexpr int kPlayDeinterlace = 1 << 9;

int nsToMs(gint64 ns) {
    return static_cast<int>(std::clamp<gint64>(ns / GST_MSECOND, 0, INT32_MAX));
}

GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    static_cast<PlaybinSession*>(data)->handleMessage(message);
    // Nobody reads the bus after the open: every message has been dealt with here.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

}  // namespace

int lengthFromEngine(qint64 durationNs, qint64 startNs) {
    return nsToMs(std::max<qint64>(durationNs, 0) + std::max<qint64>(startNs, 0));
}

int followEnginePosition(std::optional<int> engineMs, int lastKnownMs, int lengthMs) {
    if (!engineMs) return lastKnownMs;
    return lengthMs > 0 ? std::min(*engineMs, lengthMs) : *engineMs;
}

PlaybinSession::PlaybinSession(GstDeviceOptions options, QByteArray path)
    : options_(std::move(options)), path_(std::move(path)) {}

PlaybinSession::~PlaybinSession() {
    teardown();
}

void PlaybinSession::setCallbacks(std::function<void(EngineEvent)> onEvent,
                                  std::function<void()> onFrame) {
    QMutexLocker lock(&mutex_);
    onEvent_ = std::move(onEvent);
    onFrame_ = std::move(onFrame);
}

OpenedMedia PlaybinSession::open(const std::atomic<bool>& cancelled) {
    ensureGstInitialised();
    const QByteArray extension = upperAscii(extensionPart(path_));
    const MediaKind kind = mediaKindOfExtension(extension);
    if (kind == MediaKind::NotMedia) throw MediaError(MediaErrorKind::NotMediaFile);
    checkReadable(path_);
    if (isMidiExtension(extension)) soundFont_ = findSoundFont(options_.soundFontCandidates);

    GError* uriError = nullptr;
    gchar* uri = gst_filename_to_uri(path_.constData(), &uriError);
    if (!uri) {
        if (uriError) g_error_free(uriError);
        throw MediaError(MediaErrorKind::PathNotFound);
    }
    pipeline_ = gst_element_factory_make("playbin", nullptr);
    if (!pipeline_) {
        g_free(uri);
        throw MediaError(MediaErrorKind::MissingPlugin, QStringLiteral("playbin"));
    }
    gst_object_ref_sink(pipeline_);
    const int flags = kind == MediaKind::Video
                          ? kPlayVideo | kPlayAudio | kPlaySoftVolume | kPlayDeinterlace
                          : kPlayAudio | kPlaySoftVolume;
    g_object_set(pipeline_, "uri", uri, "flags", flags, nullptr);
    g_free(uri);
    connectSoundFont(pipeline_, &soundFont_);
    if (GstElement* audioSink = makeAudioSink(options_.audioSink))
        g_object_set(pipeline_, "audio-sink", audioSink, nullptr);
    if (kind == MediaKind::Video) {
        videoSink_ = makeVideoSink(this);
        g_object_set(pipeline_, "video-sink", videoSink_, nullptr);
    }

    // A failure to change state leaves its reason on the bus, where the wait reads it.
    (void)gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    const PrerollOutcome outcome = waitForPreroll(pipeline_, options_.openTimeout, cancelled);
    const QString missing = outcome.missingPlugins.join(QStringLiteral(", "));
    if (!outcome.ready) throw MediaError(outcome.error, missing);

    gint nVideo = 0;
    gint nAudio = 0;
    g_object_get(pipeline_, "n-video", &nVideo, "n-audio", &nAudio, nullptr);
    OpenedMedia media;
    media.naturalSize = kind == MediaKind::Video ? negotiatedSize(videoSink_) : QSize();
    if (!missing.isEmpty() && ((nVideo > 0 && media.naturalSize.isEmpty()) || nAudio == 0))
        throw MediaError(MediaErrorKind::MissingPlugin, missing);
    if (media.naturalSize.isEmpty() && nAudio == 0) throw MediaError(MediaErrorKind::NotPlayable);

    // Positions count from the first picture or sample.
    gint64 start = 0;
    startNs_ =
        gst_element_query_position(pipeline_, GST_FORMAT_TIME, &start) && start > 0 ? start : 0;
    gint64 duration = 0;
    if (!gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &duration)) duration = 0;
    media.lengthMs = lengthFromEngine(duration, startNs_);

    // From here on the bus reports through the callbacks; what the wait left on it goes the
    // same way.
    {
        QMutexLocker lock(&mutex_);
        callbacksOn_ = true;
    }
    GstBus* bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(bus, onBusMessage, this, nullptr);
    while (GstMessage* message = gst_bus_pop(bus)) {
        handleMessage(message);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return media;
}

void PlaybinSession::play() {
    if (pipeline_) gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

void PlaybinSession::pause() {
    if (!pipeline_) return;
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    settle();
}

void PlaybinSession::seek(int ms, bool exact, int serial) {
    if (!pipeline_ || serial < latestSeekSerial_.load()) return;
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    const auto flags = static_cast<GstSeekFlags>(
        GST_SEEK_FLAG_FLUSH |
        (exact ? GST_SEEK_FLAG_ACCURATE : GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_NEAREST));
    // A flushing seek works for MIDI too, although its seeking query answers "no".
    GstEvent* event = gst_event_new_seek(1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                         startNs_ + gint64{ms} * GST_MSECOND, GST_SEEK_TYPE_NONE,
                                         GST_CLOCK_TIME_NONE);
    {
        QMutexLocker lock(&mutex_);
        seekInFlight_ = true;
        seekInFlightSerial_ = serial;
        seekInFlightSeqnum_ = gst_event_get_seqnum(event);
    }
    gst_element_send_event(pipeline_, event);
    {
        QMutexLocker lock(&mutex_);
        seekInFlight_ = false;
        completedSeekSerial_ = serial;
    }
    settle();
}

std::optional<int> PlaybinSession::measureLengthMs() const {
    gint64 duration = 0;
    if (!pipeline_ || !gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &duration))
        return std::nullopt;
    return lengthFromEngine(duration, startNs_);
}

void PlaybinSession::settle() {
    gst_element_get_state(pipeline_, nullptr, nullptr,
                          options_.settleTimeout.count() * GST_MSECOND);
}

void PlaybinSession::teardown() {
    {
        QMutexLocker lock(&mutex_);
        callbacksOn_ = false;
        onEvent_ = nullptr;
        onFrame_ = nullptr;
    }
    if (!pipeline_) return;
    GstBus* bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_element_set_state(pipeline_, GST_STATE_NULL);  // joins the streaming threads
    gst_object_unref(pipeline_);
    pipeline_ = nullptr;
    videoSink_ = nullptr;
}

std::optional<int> PlaybinSession::positionMs() const {
    gint64 ns = 0;
    if (!pipeline_ || !gst_element_query_position(pipeline_, GST_FORMAT_TIME, &ns))
        return std::nullopt;
    return nsToMs(ns - startNs_);
}

void PlaybinSession::storeFrame(QImage frame) {
    std::function<void()> notify;
    {
        QMutexLocker lock(&mutex_);
        latestFrame_ = std::move(frame);
        // One call at a time: a flood of frames costs the receiver one wake-up, and the
        // latest frame wins.
        if (frameWaiting_ || !onFrame_) return;
        frameWaiting_ = true;
        notify = onFrame_;
    }
    notify();
}

QImage PlaybinSession::takeFrame() {
    QMutexLocker lock(&mutex_);
    frameWaiting_ = false;
    return std::exchange(latestFrame_, QImage());
}

namespace {

// A seek close to the end of a stream whose pictures depend on earlier ones (MPEG) can leave the
// video decoder nothing it can decode before the end; it then reports an error although the
// stream simply ended. That error is an end, not a failure.
bool isEndWithoutFrames(GstMessage* message) {
    if (!GST_IS_VIDEO_DECODER(GST_MESSAGE_SRC(message))) return false;
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    const bool noFrames = error &&
                          g_error_matches(error, GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE) &&
                          debug && g_strstr_len(debug, -1, "no valid frames found");
    if (error) g_error_free(error);
    g_free(debug);
    return noFrames;
}

}  // namespace

void PlaybinSession::handleMessage(GstMessage* message) {
    std::optional<EngineEvent::Kind> kind;
    switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
            kind = EngineEvent::Kind::EndOfStream;
            break;
        case GST_MESSAGE_ERROR:
            kind = isEndWithoutFrames(message) ? EngineEvent::Kind::EndOfStream
                                               : EngineEvent::Kind::Error;
            break;
        case GST_MESSAGE_DURATION_CHANGED:
            kind = EngineEvent::Kind::DurationChanged;
            break;
        default:
            return;
    }
    std::function<void(EngineEvent)> notify;
    int serial = 0;
    {
        QMutexLocker lock(&mutex_);
        if (!callbacksOn_ || !onEvent_) return;
        // A message posted while a flushing seek is under way belongs to the stream before
        // it, unless it carries the seek's own sequence number.
        serial = seekInFlight_ && gst_message_get_seqnum(message) == seekInFlightSeqnum_
                     ? seekInFlightSerial_
                     : completedSeekSerial_;
        notify = onEvent_;
    }
    notify(EngineEvent{*kind, serial});
}

}  // namespace zarovia::media
