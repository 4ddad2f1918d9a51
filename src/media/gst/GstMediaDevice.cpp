#include "media/gst/GstMediaDevice.h"

#include "media/MediaErrors.h"
#include "media/gst/PlaybinSession.h"

#include <algorithm>
#include <utility>

namespace zarovia::media {

GstMediaDevice::GstMediaDevice(GstDeviceOptions options)
    : options_(std::move(options)),
      context_(std::make_unique<QObject>()),
      mailbox_(std::make_shared<UiMailbox>(context_.get())),
      worker_(std::make_unique<EngineWorker>()) {}

GstMediaDevice::~GstMediaDevice() {
    mailbox_->detach();  // nothing the engine still reports reaches this device
    close();
    worker_.reset();  // tears down what it was handed, then ends
}

void GstMediaDevice::open(const QByteArray& path) {
    close();
    const quint64 token = ++token_;
    mode_ = MediaMode::Opening;
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    openCancelled_ = cancelled;
    auto session = std::make_shared<PlaybinSession>(options_, path);
    session_ = session;

    // From the engine's threads; each call lands on this thread, tagged with its open.
    const std::shared_ptr<UiMailbox> mailbox = mailbox_;
    session->setCallbacks(
        [this, mailbox, token](EngineEvent event) {
            mailbox->post([this, token, event] { engineEvent(token, event); });
        },
        [this, mailbox, token] { mailbox->post([this, token] { deliverFrame(token); }); });

    worker_->post([this, mailbox, token, session, cancelled] {
        try {
            const OpenedMedia media = session->open(*cancelled);
            mailbox->post([this, token, media] { openSucceeded(token, media); });
        } catch (const MediaError& error) {
            mailbox->post([this, token, kind = error.kind(), detail = error.detail()] {
                openFailedWith(token, kind, detail);
            });
        }
    });
}

void GstMediaDevice::openSucceeded(quint64 token, const OpenedMedia& media) {
    if (token != token_ || mode_ != MediaMode::Opening) return;  // abandoned meanwhile
    openCancelled_.reset();
    mode_ = MediaMode::Stopped;
    naturalSize_ = media.naturalSize;
    lengthMs_ = media.lengthMs;
    stoppedAt_ = 0;
    lastKnown_ = 0;
    atEnd_ = false;
    seekSerial_ = 0;
    displayRect_ = QRect();
    if (output_ && hasVideo()) output_->setDisplayRect(displayRect_);
    // The first picture may have arrived before the open was known to succeed.
    if (hasVideo()) deliverFrame(token);
    emit opened();
}

void GstMediaDevice::openFailedWith(quint64 token, MediaErrorKind kind, const QString& detail) {
    if (token != token_ || mode_ != MediaMode::Opening) return;
    openCancelled_.reset();
    retire(std::exchange(session_, nullptr));
    mode_ = MediaMode::NotOpen;
    emit openFailed(kind, detail);
}

void GstMediaDevice::requireOpen() const {
    if (!isOpen()) throw MediaError(MediaErrorKind::NoDevice);
}

void GstMediaDevice::play(PlayNotification notify) {
    requireOpen();
    pendingNotify_ = std::move(notify);
    if (atEnd_) {
        // Nothing left to play: the notification follows at once, as after a real end.
        notifyPlayEnd(PlayEnd::Reached);
        return;
    }
    mode_ = MediaMode::Playing;
    lastKnown_ = stoppedAt_;
    runOnEngine([](PlaybinSession& session) { session.play(); });
}

void GstMediaDevice::stop() {
    requireOpen();
    if (mode_ == MediaMode::Playing) {
        stoppedAt_ = position();
        mode_ = MediaMode::Stopped;
        runOnEngine([](PlaybinSession& session) { session.pause(); });
        notifyPlayEnd(PlayEnd::Aborted);
    }
    mode_ = MediaMode::Stopped;
}

void GstMediaDevice::seekToStart() {
    requireOpen();
    seekTo(0, true);
}

void GstMediaDevice::seek(int ms) {
    requireOpen();
    seekTo(ms, true);
}

void GstMediaDevice::seekNearby(int ms) {
    requireOpen();
    seekTo(ms, false);
}

void GstMediaDevice::seekTo(int ms, bool exact) {
    const bool wasPlaying = mode_ == MediaMode::Playing;
    if (wasPlaying) notifyPlayEnd(PlayEnd::Aborted);
    mode_ = MediaMode::Stopped;
    // From here on, an end or an error the engine reports for the stream before this seek is
    // stale, even if it is already on its way.
    const int serial = ++seekSerial_;
    const int target = std::clamp(ms, 0, std::max(lengthMs_, 0));
    if (lengthMs_ > 0 && target >= lengthMs_) {
        // The very end: nothing to decode there, so stand at the end as after a play.
        atEnd_ = true;
        stoppedAt_ = lengthMs_;
        if (wasPlaying) runOnEngine([](PlaybinSession& session) { session.pause(); });
        return;
    }
    atEnd_ = false;
    stoppedAt_ = target;
    session_->announceSeek(serial);
    runOnEngine(
        [target, exact, serial](PlaybinSession& session) { session.seek(target, exact, serial); });
}

int GstMediaDevice::position() const {
    if (!isOpen()) return 0;
    if (atEnd_) return lengthMs_;
    // Until the engine has carried out what it was asked, it still reports where it was.
    if (mode_ != MediaMode::Playing || commandsInFlight_ > 0)
        return mode_ == MediaMode::Playing ? lastKnown_ : stoppedAt_;
    ++positionQueries_;
    lastKnown_ = followEnginePosition(session_->positionMs(), lastKnown_, lengthMs_);
    return lastKnown_;
}

int GstMediaDevice::length() const {
    requireOpen();
    return lengthMs_;
}

QSize GstMediaDevice::naturalVideoSize() const {
    return isOpen() ? naturalSize_ : QSize();
}

void GstMediaDevice::setDisplayRect(const QRect& rect) {
    if (!hasVideo()) return;
    displayRect_ = rect;
    if (output_) output_->setDisplayRect(rect);
}

void GstMediaDevice::close() {
    if (mode_ == MediaMode::NotOpen) return;
    if (openCancelled_) openCancelled_->store(true);
    openCancelled_.reset();
    retire(std::exchange(session_, nullptr));
    ++token_;  // whatever the engine still reports for this file is dropped
    pendingNotify_ = nullptr;
    mode_ = MediaMode::NotOpen;
    atEnd_ = false;
    lengthMs_ = 0;
    stoppedAt_ = 0;
    lastKnown_ = 0;
    commandsInFlight_ = 0;
    const bool hadVideo = !naturalSize_.isEmpty();
    naturalSize_ = QSize();
    if (output_ && hadVideo) output_->clearVideo();
}

bool GstMediaDevice::isOpen() const {
    return mode_ != MediaMode::NotOpen && mode_ != MediaMode::Opening;
}

bool GstMediaDevice::hasVideo() const {
    return isOpen() && !naturalSize_.isEmpty();
}

bool GstMediaDevice::canPlay() const {
    return isOpen();
}

void GstMediaDevice::setVideoOutput(VideoOutput* output) {
    output_ = output;
}

void GstMediaDevice::runOnEngine(Command command) {
    ++commandsInFlight_;
    worker_->post([this, mailbox = mailbox_, token = token_, session = session_,
                   command = std::move(command)] {
        command(*session);
        mailbox->post([this, token] { commandDone(token); });
    });
}

void GstMediaDevice::retire(std::shared_ptr<PlaybinSession> session) {
    if (!session) return;
    worker_->post([session = std::move(session)] { session->teardown(); });
}

void GstMediaDevice::commandDone(quint64 token) {
    if (token == token_ && commandsInFlight_ > 0) --commandsInFlight_;
}

void GstMediaDevice::notifyPlayEnd(PlayEnd reason) {
    if (!pendingNotify_) return;
    // Queued, like a posted notification: the caller finishes its request first.
    QMetaObject::invokeMethod(
        context_.get(),
        [notify = std::exchange(pendingNotify_, nullptr), reason] { notify(reason); },
        Qt::QueuedConnection);
}

void GstMediaDevice::deliverFrame(quint64 token) {
    // While opening, the first picture waits in the session until the open has succeeded.
    if (token != token_ || !session_ || mode_ == MediaMode::Opening) return;
    QImage frame = session_->takeFrame();
    if (!frame.isNull() && output_ && hasVideo()) output_->presentFrame(frame);
}

void GstMediaDevice::engineEvent(quint64 token, const EngineEvent& event) {
    if (token != token_ || !isOpen()) return;
    switch (event.kind) {
        case EngineEvent::Kind::EndOfStream:
            // An end reached before the latest seek says nothing about the stream now.
            if (event.seekSerial != seekSerial_ || mode_ != MediaMode::Playing) return;
            mode_ = MediaMode::Stopped;
            atEnd_ = true;
            stoppedAt_ = lengthMs_;
            runOnEngine([](PlaybinSession& session) { session.pause(); });
            notifyPlayEnd(PlayEnd::Reached);
            break;
        case EngineEvent::Kind::Error:
            // A failure while playing is silent: the device just stops where it is.
            if (event.seekSerial != seekSerial_ || mode_ != MediaMode::Playing) return;
            mode_ = MediaMode::Stopped;
            stoppedAt_ = lastKnown_;
            runOnEngine([](PlaybinSession& session) { session.pause(); });
            notifyPlayEnd(PlayEnd::Aborted);
            break;
        case EngineEvent::Kind::DurationChanged:
            worker_->post([this, mailbox = mailbox_, token, session = session_] {
                if (const std::optional<int> ms = session->measureLengthMs())
                    mailbox->post([this, token, ms = *ms] { lengthMeasured(token, ms); });
            });
            break;
    }
}

void GstMediaDevice::lengthMeasured(quint64 token, int ms) {
    if (token != token_ || !isOpen() || ms <= 0 || ms == lengthMs_) return;
    lengthMs_ = ms;
    emit lengthChanged(ms);
}

}  // namespace zarovia::media
