#include "media/testing/FakeMediaDevice.h"

#include "media/MediaKind.h"

namespace zarovia::media {

void FakeMediaDevice::requireOpen() const {
    if (!isOpen()) throw MediaError(MediaErrorKind::NoDevice);
}

void FakeMediaDevice::open(const QByteArray& path) {
    close();
    log << QStringLiteral("open %1").arg(QString::fromUtf8(path));
    mode_ = MediaMode::Opening;
    openedVideo_ = videoFile || mediaKindOfPath(path) == MediaKind::Video;
    if (holdOpens) return;
    openTimer_.setSingleShot(true);
    openTimer_.callOnTimeout(this, &FakeMediaDevice::finishOpen, Qt::UniqueConnection);
    openTimer_.start(openDelayMs);
}

void FakeMediaDevice::finishOpen() {
    openTimer_.stop();
    if (mode_ != MediaMode::Opening) return;
    if (failNextOpen) {
        const MediaErrorKind kind = *failNextOpen;
        failNextOpen.reset();
        mode_ = MediaMode::NotOpen;
        emit openFailed(kind, {});
        return;
    }
    mode_ = MediaMode::Stopped;
    positionMs = 0;
    if (output && hasVideo() && !firstFrame.isNull()) output->presentFrame(firstFrame);
    emit opened();
}

void FakeMediaDevice::openAtOnce(const QByteArray& path) {
    open(path);
    finishOpen();
}

void FakeMediaDevice::changeLength(int ms) {
    lengthMs = ms;
    if (isOpen()) emit lengthChanged(ms);
}

void FakeMediaDevice::play(PlayNotification notify) {
    requireOpen();
    log << QStringLiteral("play");
    notify_ = std::move(notify);
    mode_ = MediaMode::Playing;
}

void FakeMediaDevice::stop() {
    requireOpen();
    log << QStringLiteral("stop");
    mode_ = MediaMode::Stopped;
}

void FakeMediaDevice::seekToStart() {
    requireOpen();
    log << QStringLiteral("seekToStart");
    mode_ = MediaMode::Stopped;
    positionMs = 0;
}

void FakeMediaDevice::seek(int ms) {
    requireOpen();
    log << QStringLiteral("seek %1").arg(ms);
    mode_ = MediaMode::Stopped;
    positionMs = ms;
}

void FakeMediaDevice::seekNearby(int ms) {
    requireOpen();
    log << QStringLiteral("seekNearby %1").arg(ms);
    mode_ = MediaMode::Stopped;
    positionMs = ms;
}

int FakeMediaDevice::position() const {
    // Counted even without a device: the real query is sent without a check too.
    ++positionQueries;
    if (!positionAnswers.empty()) {
        const int answer = positionAnswers.front();
        positionAnswers.pop_front();
        return answer;
    }
    return isOpen() ? positionMs : 0;
}

int FakeMediaDevice::length() const {
    requireOpen();
    return lengthMs;
}

void FakeMediaDevice::setDisplayRect(const QRect& rect) {
    if (!hasVideo()) return;
    lastDisplayRect = rect;
    log << QStringLiteral("rect %1,%2,%3,%4")
               .arg(rect.x())
               .arg(rect.y())
               .arg(rect.width())
               .arg(rect.height());
    if (output) output->setDisplayRect(rect);
}

void FakeMediaDevice::close() {
    openTimer_.stop();
    if (mode_ == MediaMode::NotOpen) return;
    // An open under way is abandoned silently; an open device is closed.
    if (mode_ != MediaMode::Opening) log << QStringLiteral("close");
    mode_ = MediaMode::NotOpen;
    notify_ = nullptr;
}

void FakeMediaDevice::finishPlaying() {
    mode_ = MediaMode::Stopped;
    positionMs = lengthMs;
    if (auto notify = std::exchange(notify_, nullptr)) notify(PlayEnd::Reached);
}

}  // namespace zarovia::media
