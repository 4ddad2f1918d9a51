// The entry points of the media engine module: the program loads it the first time it needs
// to play something, so that a start-up that plays nothing never loads GStreamer.
#include "media/gst/GstMediaDevice.h"
#include "media/gst/GstRuntime.h"

#define ZAROVIA_ENGINE_EXPORT extern "C" __attribute__((visibility("default")))

// A new device over GStreamer; the caller owns it.
ZAROVIA_ENGINE_EXPORT zarovia::media::MediaDevice* zarovia_media_engine_create() {
    return new zarovia::media::GstMediaDevice();
}

// Initialises GStreamer (its plug-in registry) ahead of the first open; quiet on failure, which
// the open then reports.
ZAROVIA_ENGINE_EXPORT void zarovia_media_engine_start() {
    try {
        zarovia::media::ensureGstInitialised();
    } catch (...) {
    }
}
