#include "media/gst/PlaybinParts.h"

#include "media/gst/GstElements.h"
#include "media/gst/GstRuntime.h"
#include "media/gst/PlaybinSession.h"
#include "platform/FileAccess.h"
#include "platform/SystemErrors.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace zarovia::media {

namespace {

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

GstFlowReturn onNewSample(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (!sample) return GST_FLOW_EOS;
    static_cast<PlaybinSession*>(data)->storeFrame(imageFromSample(sample));
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

GstFlowReturn onNewPreroll(GstAppSink* sink, gpointer data) {
    GstSample* sample = gst_app_sink_pull_preroll(sink);
    if (!sample) return GST_FLOW_EOS;
    static_cast<PlaybinSession*>(data)->storeFrame(imageFromSample(sample));
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

void onElementSetup(GstElement*, GstElement* element, gpointer data) {
    const auto* soundFont = static_cast<const QByteArray*>(data);
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory && !soundFont->isEmpty() &&
        g_strcmp0(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "fluiddec") == 0) {
        g_object_set(element, "soundfont", soundFont->constData(), nullptr);
    }
}

bool hasAnyStream(GstElement* pipeline) {
    gint video = 0;
    gint audio = 0;
    g_object_get(pipeline, "n-video", &video, "n-audio", &audio, nullptr);
    return video > 0 || audio > 0;
}

bool padTaskRunning(const GValue* item, gpointer running) {
    GstPad* pad = GST_PAD(g_value_get_object(item));
    GST_OBJECT_LOCK(pad);
    GstTask* task = GST_PAD_TASK(pad);
    if (task && gst_task_get_state(task) == GST_TASK_STARTED) *static_cast<bool*>(running) = true;
    GST_OBJECT_UNLOCK(pad);
    return !*static_cast<bool*>(running);
}

// True while a streaming thread of the pipeline still runs: it may be busy loading a decoder's
// plug-in (libav takes long on a cold or loaded machine) before any stream is counted.
bool anyStreamingTaskRunning(GstElement* pipeline) {
    bool running = false;
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue item = G_VALUE_INIT;
    while (!running && gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        GstIterator* pads = gst_element_iterate_pads(GST_ELEMENT(g_value_get_object(&item)));
        GValue pad = G_VALUE_INIT;
        while (!running && gst_iterator_next(pads, &pad) == GST_ITERATOR_OK) {
            padTaskRunning(&pad, &running);
            g_value_reset(&pad);
        }
        g_value_unset(&pad);
        gst_iterator_free(pads);
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
    return running;
}

}  // namespace

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
                     QStringLiteral("%1 (%2)").arg(wanted, soundFontPackage()));
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

GstElement* makeVideoSink(PlaybinSession* session) {
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!sink) throw MediaError(MediaErrorKind::MissingPlugin, QStringLiteral("appsink"));
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
    g_object_set(sink, "caps", caps, "sync", TRUE, "max-buffers", 2u, "drop", TRUE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = onNewPreroll;
    callbacks.new_sample = onNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, session, nullptr);
    return sink;
}

void connectSoundFont(GstElement* playbin, const QByteArray* soundFont) {
    g_signal_connect(playbin, "element-setup", G_CALLBACK(onElementSetup),
                     const_cast<QByteArray*>(soundFont));
}

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
    QImage image;
    // The engine's own frame describes its rows; never read past them.
    if (width > 0 && height > 0 && stride >= width * 4)
        image = QImage(width, height, QImage::Format_RGB32);
    if (!image.isNull()) {
        const auto rowBytes = static_cast<std::size_t>(width) * 4;
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * stride,
                        rowBytes);
    }
    gst_video_frame_unmap(&frame);
    return image;
}

// The decoding bin sometimes swallows the error of a demuxer that found no stream at all; the
// bus then falls silent, so a silence without any stream found, once no streaming thread is at
// work any more, counts as that error.
PrerollOutcome waitForPreroll(GstElement* pipeline, std::chrono::milliseconds timeout,
                              const std::atomic<bool>& cancelled) {
    constexpr gint64 kSilenceUs = 500 * 1000;
    constexpr gint64 kSliceUs = 50 * 1000;
    PrerollOutcome outcome;
    GstBus* bus = gst_element_get_bus(pipeline);
    const gint64 deadline = g_get_monotonic_time() + timeout.count() * 1000;
    gint64 lastActivity = g_get_monotonic_time();
    for (;;) {
        const gint64 now = g_get_monotonic_time();
        if (now >= deadline || cancelled.load()) {
            outcome.error = MediaErrorKind::Timeout;
            break;
        }
        if (now - lastActivity >= kSilenceUs && !hasAnyStream(pipeline) &&
            !anyStreamingTaskRunning(pipeline)) {
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

}  // namespace zarovia::media
