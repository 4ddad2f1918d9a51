#pragma once

#include "media/gst/GstDeviceOptions.h"

#include <QByteArray>
#include <QImage>
#include <QMutex>
#include <QSize>
#include <atomic>
#include <functional>
#include <optional>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace zarovia::media {

// What an open learned about the file.
struct OpenedMedia {
    QSize naturalSize;  // empty without video
    int lengthMs = 0;
};

// A message of the engine that the device acts on, tied to the seek it came after: a message
// posted before a seek was carried out carries an older serial than the seek's.
struct EngineEvent {
    enum class Kind { EndOfStream, Error, DurationChanged };
    Kind kind;
    int seekSerial;
};

// The length a device reports for an engine's duration and the position its first picture or
// sample starts at. MPEG program streams often start at a timestamp above 0 and their demuxer
// measures the duration between clock references, while the pictures run on past the last
// reference: counting the start in keeps the last pictures inside the length. Every length the
// device reports, at the open or later, comes from here.
int lengthFromEngine(qint64 durationNs, qint64 startNs);

// The position a playing device reports: the engine's, kept within the length, or the last
// one known when the engine cannot answer (while it changes state, for instance). Never 0 for
// a failed query, which the position bar would take for a seek back to the start.
int followEnginePosition(std::optional<int> engineMs, int lastKnownMs, int lengthMs);

// One file in a GStreamer playbin: building the pipeline, waiting for it to be ready, the state
// changes and seeks, frames from the video sink and the messages of the bus. The blocking
// calls (open, play, pause, seek, measureLengthMs, teardown) run on the engine's worker thread;
// positionMs() and takeFrame() may be called from any thread once the open has succeeded.
// The callbacks run on the engine's streaming threads.
class PlaybinSession {
public:
    PlaybinSession(GstDeviceOptions options, QByteArray path);
    ~PlaybinSession();
    PlaybinSession(const PlaybinSession&) = delete;
    PlaybinSession& operator=(const PlaybinSession&) = delete;

    // Called once, before open(): `onEvent` for each engine message the device acts on,
    // `onFrame` when a new frame waits in takeFrame() and none was waiting before.
    void setCallbacks(std::function<void(EngineEvent)> onEvent, std::function<void()> onFrame);

    // Builds the pipeline and waits until the first picture or sample is ready, the file has
    // failed, or `cancelled` becomes true. Throws MediaError (Timeout when cancelled).
    OpenedMedia open(const std::atomic<bool>& cancelled);
    void play();
    void pause();
    // Seeks to `ms` from the start (exact, or to a nearby picture). A seek whose serial is
    // older than the latest one announced through announceSeek() is skipped.
    void seek(int ms, bool exact, int serial);
    void announceSeek(int serial) { latestSeekSerial_.store(serial); }
    // The length as the engine now measures it; nothing when it cannot tell.
    std::optional<int> measureLengthMs() const;
    // Stops the pipeline and releases it; callbacks stop first.
    void teardown();

    std::optional<int> positionMs() const;
    QImage takeFrame();

    // Called from the engine's threads.
    void storeFrame(QImage frame);
    void handleMessage(GstMessage* message);

private:
    void settle();
    void forwardEvent(EngineEvent event);

    GstDeviceOptions options_;
    QByteArray path_;
    GstElement* pipeline_ = nullptr;
    GstElement* videoSink_ = nullptr;
    QByteArray soundFont_;
    qint64 startNs_ = 0;
    std::atomic<int> latestSeekSerial_{0};

    QMutex mutex_;  // guards the fields below, which the streaming threads touch
    std::function<void(EngineEvent)> onEvent_;
    std::function<void()> onFrame_;
    bool callbacksOn_ = false;
    QImage latestFrame_;
    bool frameWaiting_ = false;
    int completedSeekSerial_ = 0;
    int seekInFlightSerial_ = 0;
    unsigned seekInFlightSeqnum_ = 0;
    bool seekInFlight_ = false;
};

}  // namespace zarovia::media
