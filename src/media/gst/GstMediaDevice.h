#pragma once

#include "media/MediaDevice.h"
#include "media/gst/EngineWorker.h"
#include "media/gst/GstDeviceOptions.h"

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <memory>

namespace zarovia::media {

class PlaybinSession;
struct EngineEvent;
struct OpenedMedia;

// The media device over a GStreamer playbin. This part is the device's state on the
// user-interface thread: what was asked (mode, position, length), which file the engine's
// results belong to, and when to tell the player that a play has ended. Every call into the
// engine that may block runs on the device's engine thread (EngineWorker), and its result
// comes back queued. Video frames go as BGRx through an appsink and reach the video output on
// the user-interface thread, the latest frame winning.
class GstMediaDevice final : public MediaDevice {
    Q_OBJECT
public:
    explicit GstMediaDevice(GstDeviceOptions options = {});
    ~GstMediaDevice() override;
    GstMediaDevice(const GstMediaDevice&) = delete;
    GstMediaDevice& operator=(const GstMediaDevice&) = delete;

    void open(const QByteArray& path) override;
    void play(PlayNotification notify) override;
    void stop() override;
    void seekToStart() override;
    void seek(int ms) override;
    void seekNearby(int ms) override;
    int position() const override;
    int length() const override;
    MediaMode mode() const override { return mode_; }
    QSize naturalVideoSize() const override;
    void setDisplayRect(const QRect& rect) override;
    void close() override;
    bool isOpen() const override;
    bool hasVideo() const override;
    bool canPlay() const override;
    void setVideoOutput(VideoOutput* output) override;

    // Number of position queries sent to the engine since construction (for measuring).
    long long positionQueries() const { return positionQueries_; }
    // True while requests given to the engine are still being carried out.
    bool isBusy() const { return commandsInFlight_ > 0; }

private:
    using Command = std::function<void(PlaybinSession&)>;

    void requireOpen() const;
    void seekTo(int ms, bool exact);
    // Runs `command` on the engine thread for the open file; position queries wait for it.
    void runOnEngine(Command command);
    // Hands a session to the engine thread to be torn down there.
    void retire(std::shared_ptr<PlaybinSession> session);
    void notifyPlayEnd(PlayEnd reason);

    // Results, on the user-interface thread; each carries the open it belongs to.
    void openSucceeded(quint64 token, const OpenedMedia& media);
    void openFailedWith(quint64 token, MediaErrorKind kind, const QString& detail);
    void engineEvent(quint64 token, const EngineEvent& event);
    void commandDone(quint64 token);
    void lengthMeasured(quint64 token, int ms);
    void deliverFrame(quint64 token);

    GstDeviceOptions options_;
    std::unique_ptr<QObject> context_;  // receiver of the calls the other threads queue
    std::shared_ptr<UiMailbox> mailbox_;
    std::unique_ptr<EngineWorker> worker_;
    std::shared_ptr<PlaybinSession> session_;
    std::shared_ptr<std::atomic<bool>> openCancelled_;
    quint64 token_ = 0;  // the open the results must belong to
    VideoOutput* output_ = nullptr;
    PlayNotification pendingNotify_;
    MediaMode mode_ = MediaMode::NotOpen;
    bool atEnd_ = false;
    int lengthMs_ = 0;
    int stoppedAt_ = 0;          // the position while stopped, and where a play starts
    mutable int lastKnown_ = 0;  // the last position the engine reported while playing
    int seekSerial_ = 0;         // the seek the engine's messages must come after
    int commandsInFlight_ = 0;
    QSize naturalSize_;
    QRect displayRect_;
    mutable long long positionQueries_ = 0;
};

}  // namespace zarovia::media
