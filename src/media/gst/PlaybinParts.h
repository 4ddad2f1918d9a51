#pragma once

// Pieces of the playbin glue that build the pipeline and wait for it; used by PlaybinSession.
#include "media/MediaErrors.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QStringList>
#include <atomic>
#include <chrono>

typedef struct _GstElement GstElement;
typedef struct _GstSample GstSample;

namespace zarovia::media {

class PlaybinSession;

// The file must be a readable regular file before the engine sees it, so that a missing file
// or a FIFO gets its own text and never blocks.
void checkReadable(const QByteArray& path);
// The first sound font that exists, or MissingSoundFont naming the package.
QByteArray findSoundFont(const QStringList& candidates);
// The configured audio sink (or the environment's); null for the system's own choice.
GstElement* makeAudioSink(const QByteArray& configured);
// An appsink taking BGRx frames into the session.
GstElement* makeVideoSink(PlaybinSession* session);
// Hands fluidsynth our sound font when playbin creates it.
void connectSoundFont(GstElement* playbin, const QByteArray* soundFont);

// A BGRx sample as a QImage (0xffRRGGBB words on this byte order); null when it cannot be read.
QImage imageFromSample(GstSample* sample);

struct PrerollOutcome {
    bool ready = false;
    MediaErrorKind error = MediaErrorKind::Unknown;
    QStringList missingPlugins;
};

// Waits for the pipeline to reach PAUSED with data ready, for the first error, for the
// timeout or for `cancelled`.
PrerollOutcome waitForPreroll(GstElement* pipeline, std::chrono::milliseconds timeout,
                              const std::atomic<bool>& cancelled);

// The size of the pictures the video sink negotiated; empty before the first one.
QSize negotiatedSize(GstElement* videoSink);

}  // namespace zarovia::media
