#pragma once

#include "media/MediaDevice.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <chrono>
#include <memory>

namespace zarovia::media {

struct GstPipelineState;

// Settings of the GStreamer device; the defaults suit the program, tests change them.
struct GstDeviceOptions {
    // Sound fonts tried in order for MIDI; the first one that exists is used.
    QStringList soundFontCandidates = defaultSoundFonts();
    // Audio sink element by factory name; empty takes ZAROVIA_AUDIO_SINK from the
    // environment, and without it the automatic choice of the system.
    QByteArray audioSink;
    // Longest wait for a file to become ready (open) or for a seek or stop to settle.
    std::chrono::milliseconds openTimeout{5000};
    std::chrono::milliseconds settleTimeout{2000};

    static QStringList defaultSoundFonts();
};

// The media device over a GStreamer playbin. Video frames go as BGRx through an appsink and
// reach the video output on the user-interface thread, queued, the latest frame winning.
// Bus messages are taken off the bus on the user-interface thread too: the streaming threads
// only post a queued call that drains it.
class GstMediaDevice final : public MediaDevice {
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
    int position() const override;
    int length() const override;
    MediaMode mode() const override;
    QSize naturalVideoSize() const override;
    void setDisplayRect(const QRect& rect) override;
    void close() override;
    bool isOpen() const override;
    bool hasVideo() const override;
    bool canPlay() const override;
    void setVideoOutput(VideoOutput* output) override;

    // Number of position queries sent to the engine since construction (for measuring).
    long long positionQueries() const { return positionQueries_; }

private:
    void requireOpen() const;
    void drainBus();
    void handleEndOfStream();
    void notifyPlayEnd(PlayEnd reason);
    void deliverFrame();
    void settle();
    void seekEngine(int ms);

    GstDeviceOptions options_;
    std::unique_ptr<QObject> context_;  // receiver of queued calls from streaming threads
    std::shared_ptr<GstPipelineState> state_;
    VideoOutput* output_ = nullptr;
    PlayNotification pendingNotify_;
    MediaMode mode_ = MediaMode::NotOpen;
    bool atEnd_ = false;
    int lengthMs_ = 0;
    long long startOffsetNs_ = 0;
    QSize naturalSize_;
    QRect displayRect_;
    mutable long long positionQueries_ = 0;
};

}  // namespace zarovia::media
