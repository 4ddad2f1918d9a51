#pragma once

#include "media/MediaDevice.h"
#include "media/MediaErrors.h"

#include <QByteArray>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <optional>
#include <utility>

namespace zarovia::media {

// A media device for tests: opens finish when the script says, positions and lengths are
// scripted, requests are logged, and the end of play is triggered by the test. It fails like
// the real device where it must (no device open) and wherever the test tells it to.
class FakeMediaDevice final : public MediaDevice {
    Q_OBJECT
public:
    // Script
    int lengthMs = 0;
    int positionMs = 0;                       // answered by position() unless queued answers remain
    mutable std::deque<int> positionAnswers;  // answered first, one per query
    bool videoFile = false;  // every file opened has video; otherwise only .AVI .MPG .MPEG
    QSize videoSize{160, 120};
    bool playable = true;
    std::optional<MediaErrorKind> failNextOpen;
    // An open finishes this long after it started (0: at the next turn of the event loop)...
    int openDelayMs = 0;
    // ...unless opens are held: then only finishOpen() ends one.
    bool holdOpens = false;
    // Handed to the video output when a video has opened, as the engine's first picture.
    QImage firstFrame;

    // What happened
    QStringList log;  // "open <path>", "play", "stop", "seekToStart", "seek <ms>",
                      // "seekNearby <ms>", "rect x,y,w,h", "close"
    mutable int positionQueries = 0;
    QRect lastDisplayRect;
    VideoOutput* output = nullptr;

    void open(const QByteArray& path) override;
    void play(PlayNotification notify) override;
    void stop() override;
    void seekToStart() override;
    void seek(int ms) override;
    void seekNearby(int ms) override;
    int position() const override;
    int length() const override;
    MediaMode mode() const override { return mode_; }
    QSize naturalVideoSize() const override { return hasVideo() ? videoSize : QSize(); }
    void setDisplayRect(const QRect& rect) override;
    void close() override;
    bool isOpen() const override {
        return mode_ != MediaMode::NotOpen && mode_ != MediaMode::Opening;
    }
    bool hasVideo() const override { return isOpen() && openedVideo_; }
    bool canPlay() const override { return isOpen() && playable; }
    void setVideoOutput(VideoOutput* out) override { output = out; }

    // Ends the open under way now (held or not), with success or the scripted failure.
    void finishOpen();
    // Opens at once, for tests of what comes after an open.
    void openAtOnce(const QByteArray& path);
    // The engine learns a new length.
    void changeLength(int ms);

    // The device reaches the end of the media: stopped at the length, notification sent.
    void finishPlaying();
    bool hasPendingNotification() const { return static_cast<bool>(notify_); }
    // Hands the pending play notification to the test, which may deliver it late.
    PlayNotification takePendingNotification() { return std::exchange(notify_, nullptr); }

private:
    void requireOpen() const;
    MediaMode mode_ = MediaMode::NotOpen;
    bool openedVideo_ = false;
    PlayNotification notify_;
    QTimer openTimer_;
};

}  // namespace zarovia::media
