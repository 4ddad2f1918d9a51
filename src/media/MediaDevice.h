#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <functional>

namespace zarovia::media {

// What a device is doing, as its status query reports it.
enum class MediaMode { NotOpen, Stopped, Playing, Paused };

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
// Everything runs on the user-interface thread; notifications arrive there too, queued.
class MediaDevice {
public:
    using PlayNotification = std::function<void(PlayEnd)>;

    virtual ~MediaDevice() = default;

    // Opens `path`, first closing a device that is open. The kind of device follows the
    // extension (sound for .MID .RMI .WAV .WMA, video for .AVI .MPG .MPEG). Synchronous:
    // returns once the first frame or sample is ready, or throws a Failure.
    virtual void open(const QByteArray& path) = 0;
    // Starts playing and returns at once; `notify` runs later, queued, when the play ends.
    virtual void play(PlayNotification notify) = 0;
    virtual void stop() = 0;
    // Both seeks leave the device stopped at the new position.
    virtual void seekToStart() = 0;
    virtual void seek(int ms) = 0;
    // 0 when no device is open (the query is not refused).
    virtual int position() const = 0;
    virtual int length() const = 0;
    virtual MediaMode mode() const = 0;
    // The video's own size; empty without video.
    virtual QSize naturalVideoSize() const = 0;
    // Where the picture goes inside the video output. A rectangle whose right and bottom are
    // both 0 stands for the natural size at its origin. Ignored without an open video.
    virtual void setDisplayRect(const QRect& rect) = 0;
    // Closing a device that is not open does nothing.
    virtual void close() = 0;

    virtual bool isOpen() const = 0;
    virtual bool hasVideo() const = 0;
    virtual bool canPlay() const = 0;

    // The panel video frames go to (may be null); kept across opens.
    virtual void setVideoOutput(VideoOutput* output) = 0;
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
