// Full screen under a scripted window manager: answers that come late or get lost, changes
// asked for during another, and the manager changing the state by itself.
#include "platform/WindowSystem.h"
#include "support/QuickTry.h"
#include "window/FullScreenMode.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using namespace zarovia;

namespace {

// A window manager that sets the state it is asked for after `answerAfter` looks, and ignores
// the first `lose` requests altogether.
class ScriptedManager : public WindowSystem {
public:
    int answerAfter = 3;
    int lose = 0;
    bool hasWindowManager() const override { return true; }
    // A request reaches the manager with every change of the window's state.
    void requested(bool fullScreen) {
        ++requests_;
        looks_ = 0;
        asked_ = fullScreen;
    }
    std::optional<bool> managerFullScreen(const QWidget&) const override {
        if (requests_ > lose && ++looks_ >= answerAfter) shown_ = asked_;
        return shown_;
    }

private:
    bool asked_ = false;
    int requests_ = 0;
    mutable bool shown_ = false;
    mutable int looks_ = 0;
};

// Forwards the window's state changes as the main window does, and to the manager.
class Window : public QWidget {
public:
    explicit Window(ScriptedManager& manager) : manager_(manager) {}
    window::FullScreenMode* mode = nullptr;

protected:
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (event->type() != QEvent::WindowStateChange) return;
        manager_.requested(windowState().testFlag(Qt::WindowFullScreen));
        if (mode) mode->windowStateChanged();
    }

private:
    ScriptedManager& manager_;
};

}  // namespace

class FullScreenModeTest : public QObject {
    Q_OBJECT

private slots:
    void answersLateOrLost_data() {
        QTest::addColumn<int>("answerAfter");
        QTest::addColumn<int>("lose");
        QTest::newRow("answered at once") << 1 << 0;
        QTest::newRow("answered late") << 10 << 0;
        QTest::newRow("first request lost") << 2 << 1;
    }
    void answersLateOrLost() {
        QFETCH(int, answerAfter);
        QFETCH(int, lose);
        ScriptedManager manager;
        manager.answerAfter = answerAfter;
        manager.lose = lose;
        Window window(manager);
        window.resize(640, 480);
        window.show();
        window::FullScreenMode mode(window, manager);
        // The wait is counted in looks, not in wall time: a shorter one proves the same.
        mode.setAnswerWaitMs(300);
        window.mode = &mode;
        QSignalSpy settled(&mode, &window::FullScreenMode::settled);
        mode.enter(QRect(0, 0, 1280, 1024));
        QVERIFY(mode.changing());
        QTRY_COMPARE_WITH_TIMEOUT(settled.size(), 1, 5000);
        QCOMPARE(settled.at(0).at(0).toBool(), true);
        QCOMPARE(manager.managerFullScreen(window), std::optional<bool>(true));
        mode.leave(QSize(640, 480));
        QTRY_COMPARE_WITH_TIMEOUT(settled.size(), 2, 5000);
        QCOMPARE(settled.at(1).at(0).toBool(), false);
        QCOMPARE(window.size(), QSize(640, 480));
        QVERIFY(!window.windowFlags().testFlag(Qt::FramelessWindowHint));
    }

    // Ctrl+F pressed again before the manager answered: the last wish wins, in order.
    void changesAskedDuringAnotherRunAfterIt() {
        ScriptedManager manager;
        manager.answerAfter = 5;
        Window window(manager);
        window.show();
        window::FullScreenMode mode(window, manager);
        window.mode = &mode;
        QSignalSpy settled(&mode, &window::FullScreenMode::settled);
        mode.enter(QRect(0, 0, 1280, 1024));
        mode.leave(QSize(640, 480));
        mode.enter(QRect(0, 0, 1280, 1024));
        QTRY_VERIFY_WITH_TIMEOUT(!mode.changing() && !settled.isEmpty(), 5000);
        QCOMPARE(settled.last().at(0).toBool(), true);
        QCOMPARE(manager.managerFullScreen(window), std::optional<bool>(true));
        QVERIFY(window.windowState().testFlag(Qt::WindowFullScreen));
    }

    void theManagerChangingTheStateIsFollowed() {
        ScriptedManager manager;
        Window window(manager);
        window.show();
        window::FullScreenMode mode(window, manager);
        window.mode = &mode;
        QSignalSpy outside(&mode, &window::FullScreenMode::changedOutside);
        window.setWindowState(Qt::WindowFullScreen);  // the manager's own key
        QCOMPARE(outside.size(), 1);
        QVERIFY(!mode.changing());
        QCOMPARE(outside.at(0).at(0).toBool(), true);
        window.setWindowState(Qt::WindowNoState);
        QCOMPARE(outside.size(), 2);
        QCOMPARE(outside.at(1).at(0).toBool(), false);
    }
};

QTEST_MAIN(FullScreenModeTest)
#include "FullScreenModeTest.moc"
