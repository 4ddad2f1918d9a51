#pragma once

#include "media/MediaErrors.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSize>
#include <functional>

namespace zarovia::media {

// What a device is doing, as its status query reports it. Opening: an open was started and
// its result has not arrived yet; the device is not open in the meantime.
enum class MediaMode { NotOpen, Opening, Stopped, Playing, Paused };

// Why a play request's notification arrives: the end of the media was reached, or the play was
// cut short by a stop, a seek or a new play.
enum class PlayEnd { Reached, Aborted };

// Where a video device draws: the panel that shows the latest frame inside the display
// rectangle. Called on the user-interface thread only.
class VideoOutput {
public:
    virtual ~VideoOutput() = default;
    virtual void presentFrame(const QImage& frame) = 0;
    virtual void setDisplayRect(const QRect& rect) = 0;
    virtual void clearVideo() = 0;
};

// One media device bound to one file at a time. Times are milliseconds for every kind of
// device; positions run from 0 to length(), and at the end of play the position equals the
// length. Requests that need an open device fail with the no-device text when none is open.
//
// Nothing here waits for the engine: open, play, stop and the seeks return at once, and their
// results arrive later on the user-interface thread, queued. Between a request and its effect
// the device answers from what it was asked (a seek reports its target at once, a stop the
// position it stopped at). A result that belongs to a file opened before the current one is
// dropped by the device itself.
class MediaDevice : public QObject {
    Q_OBJECT
public:
    using PlayNotification = std::function<void(PlayEnd)>;

    ~MediaDevice() override = default;

    // Starts opening `path`, first closing a device that is open and abandoning an open still
    // under way (its result never arrives). The kind of device follows the extension (sound
    // for .MID .RMI .WAV .WMA, video for .AVI .MPG .MPEG). Returns at once; `opened` or
    // `openFailed` follows.
    virtual void open(const QByteArray& path) = 0;
    // Starts playing and returns at once; `notify` runs later, queued, when the play ends.
    virtual void play(PlayNotification notify) = 0;
    virtual void stop() = 0;
    // The seeks leave the device stopped at the new position. `seek` lands exactly on the
    // position; `seekNearby` may land on a nearby picture the engine reaches faster (for a
    // thumb being dragged), while the device reports the requested position.
    virtual void seekToStart() = 0;
    virtual void seek(int ms) = 0;
    virtual void seekNearby(int ms) = 0;
    // 0 when no device is open (the query is not refused). While playing, the engine's
    // position; should the engine not answer, the last position known.
    virtual int position() const = 0;
    virtual int length() const = 0;
    virtual MediaMode mode() const = 0;
    // The video's own size; empty without video.
    virtual QSize naturalVideoSize() const = 0;
    // Where the picture goes inside the video output. A rectangle whose right and bottom are
    // both 0 stands for the natural size at its origin. Ignored without an open video.
    virtual void setDisplayRect(const QRect& rect) = 0;
    // Closing a device that is not open does nothing; an open under way is abandoned.
    virtual void close() = 0;

    virtual bool isOpen() const = 0;
    bool isOpening() const { return mode() == MediaMode::Opening; }
    virtual bool hasVideo() const = 0;
    virtual bool canPlay() const = 0;

    // The panel video frames go to (may be null); kept across opens.
    virtual void setVideoOutput(VideoOutput* output) = 0;

signals:
    // The open started last has finished: the device is open and stopped at 0.
    void opened();
    // The open started last has failed; no device is open. `detail` completes the text
    // for the kinds that name something (see MediaError).
    void openFailed(zarovia::media::MediaErrorKind kind, const QString& detail);
    // The engine learned a new length after the open.
    void lengthChanged(int ms);
};

// True when a display rectangle stands for the video's natural size (right and bottom 0).
inline bool meansNaturalSize(const QRect& rect) {
    return rect.x() + rect.width() == 0 && rect.y() + rect.height() == 0;
}

// The rectangle a frame of `natural` size fills for a requested display rectangle.
inline QRect resolvedDisplayRect(const QRect& requested, const QSize& natural) {
    return meansNaturalSize(requested) ? QRect(requested.topLeft(), natural) : requested;
}

}  // namespace zarovia::media
