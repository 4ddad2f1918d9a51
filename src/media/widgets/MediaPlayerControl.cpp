#include "media/widgets/MediaPlayerControl.h"

#include "media/MediaErrors.h"
#include "media/widgets/DisplayPanel.h"

#include <QStyle>
#include <QToolButton>
#include <QtDebug>
#include <utility>

namespace zarovia::media {

namespace {

// Used until the window installs its own guard: a failure must not cross the event loop,
// and without an error box the warning channel is all there is.
void reportWithoutErrorBox(const std::function<void()>& work) {
    try {
        work();
    } catch (const Failure& failure) {
        qWarning("media player: %s", failure.what());
    }
}

}  // namespace

MediaPlayerControl::MediaPlayerControl(std::unique_ptr<MediaDevice> device, QWidget* parent)
    : QWidget(parent), device_(std::move(device)), guard_(reportWithoutErrorBox) {
    setObjectName(QStringLiteral("MediaPlayer1"));
    playButton_ = new QToolButton(this);
    playButton_->setObjectName(QStringLiteral("PlayButton"));
    playButton_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    playButton_->setToolTip(QStringLiteral("再生"));
    playButton_->setAccessibleName(QStringLiteral("再生"));
    stopButton_ = new QToolButton(this);
    stopButton_->setObjectName(QStringLiteral("StopButton"));
    stopButton_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    stopButton_->setToolTip(QStringLiteral("停止"));
    stopButton_->setAccessibleName(QStringLiteral("停止"));
    // clicked() comes on release over the pressed button, which is when a player reacts.
    connect(playButton_, &QToolButton::clicked, this,
            [this] { buttonReleased(PlayerButton::Play); });
    connect(stopButton_, &QToolButton::clicked, this,
            [this] { buttonReleased(PlayerButton::Stop); });
    connect(device_.get(), &MediaDevice::opened, this, &MediaPlayerControl::deviceOpened);
    connect(device_.get(), &MediaDevice::openFailed, this, &MediaPlayerControl::deviceOpenFailed);
    resize(kDefaultSize);
    refreshButtons();
}

MediaPlayerControl::~MediaPlayerControl() {
    // The device may still point at the display panel, which can go first.
    device_->setVideoOutput(nullptr);
    device_->close();
}

void MediaPlayerControl::setVisibleButtons(PlayerButtonSet set) {
    buttons_.setVisibleButtons(set);
    layoutButtons();
    refreshButtons();
}

void MediaPlayerControl::setEnabledButtons(PlayerButtonSet set) {
    buttons_.setEnabledButtons(set);
    refreshButtons();
}

void MediaPlayerControl::setAutoEnable(bool on) {
    if (buttons_.setAutoEnable(on)) refreshButtons();
}

void MediaPlayerControl::setDisplay(DisplayPanel* panel) {
    if (display_) disconnect(display_, &QObject::destroyed, this, nullptr);
    display_ = panel;
    device_->setVideoOutput(panel);
    // A panel deleted first (sibling widgets go in creation order) must not stay the output.
    if (panel) {
        connect(panel, &QObject::destroyed, this, [this] {
            display_ = nullptr;
            device_->setVideoOutput(nullptr);
        });
    }
}

void MediaPlayerControl::open() {
    beginOpen(false);
}

void MediaPlayerControl::openAndPlay(const QByteArray& path) {
    setAutoEnable(false);
    setVisibleButtons(PlayerButton::Play | PlayerButton::Stop);
    setFileName(path);
    beginOpen(true);
}

void MediaPlayerControl::beginOpen(bool start) {
    ++openGeneration_;  // notifications of the device before are for a file no longer open
    openingFile_ = fileName_;
    startWhenOpened_ = start;
    playWhenOpened_ = start;
    device_->open(fileName_);
}

void MediaPlayerControl::deviceOpened() {
    buttons_.afterOpen(device_->canPlay());
    if (device_->hasVideo()) device_->setDisplayRect(displayRect_);
    const bool start = std::exchange(startWhenOpened_, false);
    if (start) setEnabledButtons(PlayerButton::Stop);
    if (std::exchange(playWhenOpened_, false)) {
        guard_([this] {
            play();
            // With the buttons automatic (a button was pressed while the file opened), the
            // play counts as that button's action.
            if (buttons_.autoEnable()) buttons_.afterPlay();
        });
    }
    refreshButtons();
    emit opened();
    if (start) emit started();
}

void MediaPlayerControl::deviceOpenFailed(MediaErrorKind kind, const QString& detail) {
    startWhenOpened_ = false;
    playWhenOpened_ = false;
    refreshButtons();
    emit openFailed(openingFile_, kind, detail);
}

void MediaPlayerControl::play() {
    if (device_->isOpening()) {
        playWhenOpened_ = true;
        return;
    }
    if (!device_->isOpen()) throw MediaError(MediaErrorKind::NoDevice);
    if (autoRewind_ && device_->position() == device_->length()) device_->seekToStart();
    device_->play([this, generation = openGeneration_](PlayEnd reason) {
        onPlayNotification(reason, generation);
    });
}

void MediaPlayerControl::stop() {
    if (device_->isOpening()) {
        playWhenOpened_ = false;
        return;
    }
    device_->stop();
}

void MediaPlayerControl::rewind() {
    device_->seekToStart();
}

void MediaPlayerControl::seek(int ms) {
    device_->seek(ms);
}

void MediaPlayerControl::setDisplayRect(const QRect& rect) {
    displayRect_ = rect;
    if (device_->isOpen() && device_->hasVideo()) device_->setDisplayRect(rect);
}

void MediaPlayerControl::click(PlayerButton button) {
    if (QToolButton* widget = buttonWidget(button);
        widget && widget->isEnabled() && !widget->isHidden())
        widget->click();
}

QToolButton* MediaPlayerControl::buttonWidget(PlayerButton button) const {
    return button == PlayerButton::Play ? playButton_ : stopButton_;
}

void MediaPlayerControl::buttonReleased(PlayerButton button) {
    guard_([this, button] {
        bool doDefault = true;
        if (onClick_) onClick_(button, doDefault);
        if (doDefault) {
            if (button == PlayerButton::Play)
                play();
            else
                stop();
            // Only a request that went through changes the automatic set.
            if (buttons_.autoEnable() && device_->isOpen()) {
                if (button == PlayerButton::Play)
                    buttons_.afterPlay();
                else
                    buttons_.afterStop(device_->canPlay());
            }
        }
        refreshButtons();
    });
}

void MediaPlayerControl::onPlayNotification(PlayEnd reason, long long generation) {
    if (generation != openGeneration_ || !device_->isOpen()) return;
    buttons_.afterNotification(device_->mode(), device_->canPlay());
    refreshButtons();
    emit notified(reason);
}

void MediaPlayerControl::refreshButtons() {
    const PlayerButtonSet enabled = buttons_.effectiveEnabled();
    playButton_->setEnabled(enabled.testFlag(PlayerButton::Play));
    stopButton_->setEnabled(enabled.testFlag(PlayerButton::Stop));
    playButton_->setVisible(buttons_.visibleButtons().testFlag(PlayerButton::Play));
    stopButton_->setVisible(buttons_.visibleButtons().testFlag(PlayerButton::Stop));
}

void MediaPlayerControl::layoutButtons() {
    QList<QToolButton*> shown;
    if (buttons_.visibleButtons().testFlag(PlayerButton::Play)) shown << playButton_;
    if (buttons_.visibleButtons().testFlag(PlayerButton::Stop)) shown << stopButton_;
    if (shown.isEmpty()) return;
    // Side by side, sharing the width; the last one takes what the division leaves.
    const int each = width() / static_cast<int>(shown.size());
    int x = 0;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const int w = i + 1 == shown.size() ? width() - x : each;
        shown[i]->setGeometry(x, 0, w, height());
        x += w;
    }
}

void MediaPlayerControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutButtons();
}

}  // namespace zarovia::media
