#include "window/FullScreenMode.h"

#include "platform/WindowSystem.h"

#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace zarovia::window {

namespace {

// Requests that get no answer are made again this many times, then the state the window
// manager reports is taken as it is.
constexpr int kMaxAskAgain = 3;

}  // namespace

FullScreenMode::FullScreenMode(QWidget& window, const WindowSystem& windowSystem)
    : QObject(&window), window_(window), windowSystem_(windowSystem), poll_(new QTimer(this)) {
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &FullScreenMode::poll);
}

void FullScreenMode::enter(const QRect& screen) {
    screen_ = screen;
    wanted_ = true;
    if (step_ == Step::Idle) startEntering();
}

void FullScreenMode::leave(QSize normalClient) {
    normalClient_ = normalClient;
    wanted_ = false;
    if (step_ == Step::Idle) startLeaving();
}

void FullScreenMode::startEntering() {
    // The client area's place, which leaving gives back; the frame around it is the window
    // manager's and may not be known yet right after start.
    clientPlace_ = window_.geometry().topLeft();
    havePlace_ = true;
    if (!windowSystem_.hasWindowManager()) {
        // No one draws frames or answers requests: the window covers the screen by itself.
        const bool wasVisible = window_.isVisible();
        window_.setWindowFlag(Qt::FramelessWindowHint, true);
        window_.setWindowState(window_.windowState() | Qt::WindowFullScreen);
        window_.setGeometry(screen_);
        if (wasVisible) window_.show();
        finish(true);
        return;
    }
    step_ = Step::Entering;
    waitedMs_ = 0;
    askedAgain_ = 0;
    window_.setWindowState((window_.windowState() & ~Qt::WindowMaximized) | Qt::WindowFullScreen);
    poll_->start();
}

void FullScreenMode::startLeaving() {
    if (!windowSystem_.hasWindowManager()) {
        const bool wasVisible = window_.isVisible();
        window_.setWindowFlag(Qt::FramelessWindowHint, false);
        window_.setWindowState(window_.windowState() &
                               ~(Qt::WindowFullScreen | Qt::WindowMaximized));
        const QPoint place = havePlace_ ? clientPlace_ : window_.geometry().topLeft();
        window_.setGeometry(QRect(place, normalClient_));
        if (wasVisible) window_.show();
        finish(false);
        return;
    }
    step_ = Step::Leaving;
    waitedMs_ = 0;
    askedAgain_ = 0;
    window_.setWindowState(window_.windowState() & ~(Qt::WindowFullScreen | Qt::WindowMaximized));
    poll_->start();
}

bool FullScreenMode::managerSays(bool fullScreen) const {
    const std::optional<bool> said = windowSystem_.managerFullScreen(window_);
    // A platform that cannot tell is taken at Qt's word.
    if (!said) return window_.windowState().testFlag(Qt::WindowFullScreen) == fullScreen;
    return *said == fullScreen;
}

void FullScreenMode::poll() {
    waitedMs_ += kPollMs;
    const bool timedOut = waitedMs_ >= answerWaitMs_;
    switch (step_) {
        case Step::Idle:
            poll_->stop();
            return;
        case Step::Entering:
            if (managerSays(true)) {
                finish(true);
            } else if (timedOut && askedAgain_ < kMaxAskAgain) {
                // The request was lost: ask again, through a state Qt does not believe it has.
                ++askedAgain_;
                waitedMs_ = 0;
                window_.setWindowState(window_.windowState() & ~Qt::WindowFullScreen);
                window_.setWindowState(window_.windowState() | Qt::WindowFullScreen);
            } else if (timedOut) {
                finish(false);
            }
            return;
        case Step::Leaving:
            if (managerSays(false)) {
                // The frame is back: give the client area its size and its place again. The
                // frame's offset is known now, so the frame goes where the client lands right.
                step_ = Step::Placing;
                waitedMs_ = 0;
                window_.resize(normalClient_);
                if (havePlace_)
                    window_.move(window_.pos() + (clientPlace_ - window_.geometry().topLeft()));
            } else if (timedOut && askedAgain_ < kMaxAskAgain) {
                ++askedAgain_;
                waitedMs_ = 0;
                window_.setWindowState(window_.windowState() | Qt::WindowFullScreen);
                window_.setWindowState(window_.windowState() & ~Qt::WindowFullScreen);
            } else if (timedOut) {
                finish(true);
            }
            return;
        case Step::Placing: {
            const QRect client = window_.geometry();
            const bool placed =
                client.size() == normalClient_ && (!havePlace_ || client.topLeft() == clientPlace_);
            if (placed || timedOut) {
                finish(false);
            } else if (waitedMs_ % 200 == 0) {
                // The manager may have put the window back at its own idea of the place after
                // our move: move it again, with the frame it has now.
                window_.resize(normalClient_);
                if (havePlace_) window_.move(window_.pos() + (clientPlace_ - client.topLeft()));
            }
            return;
        }
    }
}

void FullScreenMode::finish(bool fullScreen) {
    poll_->stop();
    step_ = Step::Idle;
    current_ = fullScreen;
    emit settled(fullScreen);
    // A change asked for while this one ran.
    if (wanted_ != current_) {
        if (wanted_)
            startEntering();
        else
            startLeaving();
    }
}

void FullScreenMode::windowStateChanged() {
    if (step_ != Step::Idle || !windowSystem_.hasWindowManager()) return;
    const bool real = window_.windowState().testFlag(Qt::WindowFullScreen);
    if (real == current_) return;
    current_ = real;
    wanted_ = real;
    emit changedOutside(real);
}

}  // namespace zarovia::window
