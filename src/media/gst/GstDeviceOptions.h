#pragma once

#include "media/gst/GstElements.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>

namespace zarovia::media {

// Settings of the GStreamer device; the defaults suit the program, tests change them.
struct GstDeviceOptions {
    // Sound fonts tried in order for MIDI; the first one that exists is used.
    QStringList soundFontCandidates = defaultSoundFonts();
    // Audio sink element by factory name; empty takes ZAROVIA_AUDIO_SINK from the
    // environment, and without it the automatic choice of the system.
    QByteArray audioSink;
    // Longest wait for a file to become ready (open) or for a seek or stop to settle. Both
    // waits happen on the engine's own thread, never on the user-interface thread.
    std::chrono::milliseconds openTimeout{5000};
    std::chrono::milliseconds settleTimeout{2000};
};

}  // namespace zarovia::media
