#include "media/gst/GstRuntime.h"

#include "media/MediaErrors.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <mutex>

namespace zarovia::media {

namespace {

// MIDI goes to fluidsynth with a sound font we name; a second synthesiser of equal rank
// with its own configuration file must not be picked instead.
void preferFluidSynthForMidi() {
    GstRegistry* registry = gst_registry_get();
    for (const char* name : {"wildmididec", "wildmidi"}) {
        GstPluginFeature* feature =
            gst_registry_find_feature(registry, name, GST_TYPE_ELEMENT_FACTORY);
        if (feature) {
            gst_plugin_feature_set_rank(feature, GST_RANK_NONE);
            gst_object_unref(feature);
        }
    }
}

}  // namespace

void ensureGstInitialised() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] {
        GError* error = nullptr;
        ok = gst_init_check(nullptr, nullptr, &error);
        if (error) g_error_free(error);
        if (ok) {
            gst_pb_utils_init();
            preferFluidSynthForMidi();
        }
    });
    if (!ok) throw MediaError(MediaErrorKind::Unknown);
}

QStringList missingGstElements(const QStringList& factoryNames) {
    ensureGstInitialised();
    QStringList missing;
    for (const QString& name : factoryNames) {
        GstElementFactory* factory = gst_element_factory_find(name.toUtf8().constData());
        if (factory)
            gst_object_unref(factory);
        else
            missing << name;
    }
    return missing;
}

MediaErrorKind errorKindOf(const GError* error) {
    if (!error) return MediaErrorKind::Unknown;
    if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
        return MediaErrorKind::MissingPlugin;
    if (error->domain == GST_STREAM_ERROR) {
        switch (error->code) {
            case GST_STREAM_ERROR_TYPE_NOT_FOUND:
                return MediaErrorKind::Unrecognised;
            case GST_STREAM_ERROR_CODEC_NOT_FOUND:
                return MediaErrorKind::MissingPlugin;
            case GST_STREAM_ERROR_WRONG_TYPE:
            case GST_STREAM_ERROR_DECODE:
            case GST_STREAM_ERROR_DEMUX:
            case GST_STREAM_ERROR_FORMAT:
            case GST_STREAM_ERROR_FAILED:
            case GST_STREAM_ERROR_NOT_IMPLEMENTED:
                return MediaErrorKind::NotPlayable;
            default:
                return MediaErrorKind::Unknown;
        }
    }
    if (error->domain == GST_RESOURCE_ERROR) {
        switch (error->code) {
            case GST_RESOURCE_ERROR_NOT_FOUND:
                return MediaErrorKind::FileNotFound;
            case GST_RESOURCE_ERROR_OPEN_READ:
            case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
                return MediaErrorKind::AccessDenied;
            case GST_RESOURCE_ERROR_READ:
                return MediaErrorKind::NotPlayable;
            default:
                return MediaErrorKind::Unknown;
        }
    }
    return MediaErrorKind::Unknown;
}

}  // namespace zarovia::media
