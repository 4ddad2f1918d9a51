#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class QTimer;
class QWidget;

namespace zarovia {
class WindowSystem;
}

namespace zarovia::window {

// Puts the main window into full screen and back, so that the window's real state and the
// program's mode never disagree. Under a window manager the change is a request: the manager
// answers some time later (and may drop a request made while it is still busy with the last),
// so each change waits for the state the manager reports before the next one starts, asks again
// when no answer comes, and leaving restores the client area at the place it had, whatever frame
// the manager puts back around it. Without a window manager the window itself goes frameless and
// covers the screen, at once.
class FullScreenMode : public QObject {
    Q_OBJECT
public:
    FullScreenMode(QWidget& window, const WindowSystem& windowSystem);

    // Full screen over `screen` (the primary screen's rectangle), or back to a framed window
    // with a `normalClient` client area at the place it had before.
    void enter(const QRect& screen);
    void leave(QSize normalClient);

    // True while a change waits for the window manager's answer.
    bool changing() const { return step_ != Step::Idle; }
    // The state the window manager reports when it changed the window by itself (a key of its
    // own): the mode follows it.
    void windowStateChanged();

    // How long one request waits for its answer before it is made again, and how often.
    static constexpr int kAnswerWaitMs = 1500;
    static constexpr int kPollMs = 20;
    // A shorter wait for a window system that is known to answer at once or never (tests).
    void setAnswerWaitMs(int ms) { answerWaitMs_ = ms; }

signals:
    // The window has reached full screen (true) or the framed window (false).
    void settled(bool fullScreen);
    // The window manager changed the state without being asked.
    void changedOutside(bool fullScreen);

private:
    enum class Step { Idle, Entering, Leaving, Placing };

    void startEntering();
    void startLeaving();
    void poll();
    void finish(bool fullScreen);
    bool managerSays(bool fullScreen) const;

    QWidget& window_;
    const WindowSystem& windowSystem_;
    QTimer* poll_;
    Step step_ = Step::Idle;
    // What the user asked for last; a change asked for during another runs after it.
    bool wanted_ = false;
    bool current_ = false;
    QRect screen_;
    QSize normalClient_{640, 480};
    QPoint clientPlace_;
    bool havePlace_ = false;
    int answerWaitMs_ = kAnswerWaitMs;
    int waitedMs_ = 0;
    int askedAgain_ = 0;
};

}  // namespace zarovia::window
