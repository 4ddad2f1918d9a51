#include "media/MediaErrors.h"
#include "media/testing/FakeMediaDevice.h"
#include "media/widgets/DisplayPanel.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "support/QuickTry.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>

using namespace zarovia::media;

namespace {

struct PlayerRig {
    FakeMediaDevice* device = nullptr;
    std::unique_ptr<MediaPlayerControl> player;
    QStringList failures;

    PlayerRig() {
        auto fake = std::make_unique<FakeMediaDevice>();
        device = fake.get();
        player = std::make_unique<MediaPlayerControl>(std::move(fake));
        player->setGuard([this](const std::function<void()>& work) {
            try {
                work();
            } catch (const zarovia::Failure& failure) {
                failures << failure.message();
            }
        });
        // What the window's MediaPlayer1Click does.
        player->setOnClick([this](PlayerButton button, bool&) {
            device->log << (button == PlayerButton::Play ? QStringLiteral("click play")
                                                         : QStringLiteral("click stop"));
            player->setAutoEnable(true);
        });
    }

    // The media branch from AutoEnable off to play, with the open finishing at once.
    void startFile(const QByteArray& path, int length) {
        device->lengthMs = length;
        device->holdOpens = true;
        player->openAndPlay(path);
        device->finishOpen();
    }
    void openFile(const QByteArray& path) {
        device->holdOpens = true;
        player->setFileName(path);
        player->open();
        device->finishOpen();
    }

    bool enabled(PlayerButton button) const { return player->buttonWidget(button)->isEnabled(); }
};

}  // namespace

class MediaWidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void trackBarChangesOnlyOnRealChange();
    void trackBarIgnoresCrossedLimits();
    void trackBarThumbLength();
    void trackBarClickInTrackJumps_data();
    void trackBarClickInTrackJumps();
    void trackBarThumbStillDrags();

    void mediaBranchLeavesOnlyStop();
    void onClickRunsBeforeTheAction();
    void onClickCanSkipTheAction();
    void firstStopHandsOverToAutomaticSet();
    void endNotificationRestoresPlay();
    void endNotificationIgnoredWithoutAutoEnable();
    void staleNotificationIgnored();
    void autoRewindAtTheEnd();
    void requestsWithoutDeviceFail_data();
    void requestsWithoutDeviceFail();
    void buttonFailureGoesToGuard();
    void failedOpenAfterGoodOneClosesIt();
    void newVideoGetsDisplayRectAtOnce();
    void soundGetsNoDisplayRect();
    void failedOpenEnablesAndPlaysNothing();
    void panelDeletedFirstIsForgotten();
    void buttonsWhileOpening_data();
    void buttonsWhileOpening();
    void laterOpenReplacesEarlierOne();

    void panelPaintsFrameIntoRect();
    void panelForwardsPresses();
    void panelPressesStayOnThePanel();
};

void MediaWidgetsTest::trackBarChangesOnlyOnRealChange() {
    TrackBar bar;
    QSignalSpy spy(&bar, &TrackBar::changed);
    QCOMPARE(bar.minimum(), 0);
    QCOMPARE(bar.maximum(), 10);
    bar.setPosition(0);
    QCOMPARE(spy.count(), 0);
    bar.setPosition(4);
    QCOMPARE(spy.count(), 1);
    bar.setPosition(4);
    QCOMPARE(spy.count(), 1);
    bar.setPosition(50);  // clamped to 10: still a change
    QCOMPARE(bar.position(), 10);
    QCOMPARE(spy.count(), 2);
    bar.setPosition(11);  // clamped to 10 again: no change
    QCOMPARE(spy.count(), 2);
    bar.setMax(5);  // the range pulls the position in: a change
    QCOMPARE(bar.position(), 5);
    QCOMPARE(spy.count(), 3);
}

void MediaWidgetsTest::trackBarIgnoresCrossedLimits() {
    TrackBar bar;
    bar.setMax(100);
    bar.setMin(20);
    QCOMPARE(bar.minimum(), 20);
    bar.setMin(101);  // above the maximum: ignored
    QCOMPARE(bar.minimum(), 20);
    QCOMPARE(bar.maximum(), 100);
    bar.setMax(19);  // below the minimum: ignored
    QCOMPARE(bar.maximum(), 100);
    bar.setMin(100);  // equal is allowed
    QCOMPARE(bar.minimum(), 100);
}

void MediaWidgetsTest::trackBarThumbLength() {
    TrackBar bar;
    QCOMPARE(bar.style()->pixelMetric(QStyle::PM_SliderControlThickness, nullptr, &bar), 17);
}

namespace {

QPoint trackPoint(const TrackBar& bar, double fraction) {
    // The centre of the thumb travels between half a thumb from either end.
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    const QRect groove =
        bar.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, &bar);
    const QRect thumb =
        bar.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &bar);
    const int span = groove.width() - thumb.width();
    return {groove.left() + thumb.width() / 2 + qRound(span * fraction), bar.height() / 2};
}

}  // namespace

void MediaWidgetsTest::trackBarClickInTrackJumps_data() {
    QTest::addColumn<double>("fraction");
    QTest::newRow("three quarters") << 0.75;
    QTest::newRow("a tenth") << 0.1;
    QTest::newRow("the far end") << 1.0;
}

void MediaWidgetsTest::trackBarClickInTrackJumps() {
    QFETCH(double, fraction);
    TrackBar bar;
    bar.setGeometry(0, 0, 336, 20);
    bar.setMax(10000);
    bar.setPosition(5000 - qRound(fraction * 1000));  // the thumb is elsewhere
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QSignalSpy released(&bar, &TrackBar::sliderReleased);

    QTest::mousePress(&bar, Qt::LeftButton, {}, trackPoint(bar, fraction));
    // Straight to the clicked place, not a page step towards it; the user now holds the thumb.
    QVERIFY2(qAbs(bar.position() - qRound(fraction * 10000)) <= 150,
             qPrintable(QString::number(bar.position())));
    QVERIFY(bar.isBeingDragged());
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, trackPoint(bar, fraction));
    QVERIFY(!bar.isBeingDragged());
    QCOMPARE(released.count(), 1);
}

void MediaWidgetsTest::trackBarThumbStillDrags() {
    TrackBar bar;
    bar.setGeometry(0, 0, 336, 20);
    bar.setMax(10000);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QSignalSpy changed(&bar, &TrackBar::changed);
    QTest::mousePress(&bar, Qt::LeftButton, {}, trackPoint(bar, 0.0));
    QCOMPARE(bar.position(), 0);  // grabbed where it is: no jump
    for (double f : {0.2, 0.4, 0.6}) {
        QMouseEvent move(QEvent::MouseMove, trackPoint(bar, f), bar.mapToGlobal(trackPoint(bar, f)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&bar, &move);
    }
    QVERIFY2(qAbs(bar.position() - 6000) <= 150, qPrintable(QString::number(bar.position())));
    QCOMPARE(changed.count(), 3);  // the change handler follows every step of the drag
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, trackPoint(bar, 0.6));
}

void MediaWidgetsTest::mediaBranchLeavesOnlyStop() {
    PlayerRig rig;
    rig.startFile("song.mid", 3000);
    QCOMPARE(rig.device->log, (QStringList{"open song.mid", "play"}));
    QCOMPARE(rig.player->automaticButtons(), PlayerButtonSet(PlayerButton::Play));
    QVERIFY(!rig.enabled(PlayerButton::Play));
    QVERIFY(rig.enabled(PlayerButton::Stop));
    QCOMPARE(rig.player->size(), QSize(57, 26));
}

void MediaWidgetsTest::onClickRunsBeforeTheAction() {
    PlayerRig rig;
    rig.startFile("song.mid", 3000);
    rig.device->log.clear();
    rig.player->click(PlayerButton::Stop);
    QCOMPARE(rig.device->log, (QStringList{"click stop", "stop"}));
}

void MediaWidgetsTest::onClickCanSkipTheAction() {
    PlayerRig rig;
    rig.startFile("song.mid", 3000);
    rig.device->log.clear();
    rig.player->setOnClick([](PlayerButton, bool& doDefault) { doDefault = false; });
    rig.player->click(PlayerButton::Stop);
    QVERIFY(rig.device->log.isEmpty());
}

void MediaWidgetsTest::firstStopHandsOverToAutomaticSet() {
    PlayerRig rig;
    rig.startFile("song.mid", 3000);
    rig.player->click(PlayerButton::Stop);
    QVERIFY(rig.player->autoEnable());
    QVERIFY(rig.enabled(PlayerButton::Play));
    QVERIFY(!rig.enabled(PlayerButton::Stop));
    rig.player->click(PlayerButton::Play);
    QVERIFY(!rig.enabled(PlayerButton::Play));
    QVERIFY(rig.enabled(PlayerButton::Stop));
    QCOMPARE(rig.device->log.last(), QStringLiteral("play"));
}

void MediaWidgetsTest::endNotificationRestoresPlay() {
    PlayerRig rig;
    rig.startFile("song.mid", 3000);
    rig.player->click(PlayerButton::Stop);
    rig.player->click(PlayerButton::Play);
    QSignalSpy spy(rig.player.get(), &MediaPlayerControl::notified);
    rig.device->finishPlaying();
    QCOMPARE(spy.count(), 1);
    QVERIFY(rig.enabled(PlayerButton::Play));
    QVERIFY(!rig.enabled(PlayerButton::Stop));
}

void MediaWidgetsTest::endNotificationIgnoredWithoutAutoEnable() {
    PlayerRig rig;
    rig.startFile("song.mid", 3000);
    rig.device->finishPlaying();
    QVERIFY(!rig.enabled(PlayerButton::Play));
    QVERIFY(rig.enabled(PlayerButton::Stop));
    // The position follower's end rule then hands the buttons to the automatic set.
    rig.player->setAutoEnable(true);
    QVERIFY(rig.enabled(PlayerButton::Play));
    QVERIFY(!rig.enabled(PlayerButton::Stop));
}

void MediaWidgetsTest::staleNotificationIgnored() {
    PlayerRig rig;
    rig.startFile("one.mid", 3000);
    rig.player->click(PlayerButton::Stop);
    rig.player->click(PlayerButton::Play);  // automatic set now Stop
    // The play of the file before ends only after the next file has been opened.
    MediaDevice::PlayNotification stale = rig.device->takePendingNotification();
    QVERIFY(stale);
    rig.openFile("two.mid");
    rig.player->click(PlayerButton::Play);  // automatic set Stop for the new file
    rig.device->stop();                     // stopped, as the stale notification would see it
    QSignalSpy spy(rig.player.get(), &MediaPlayerControl::notified);
    stale(PlayEnd::Reached);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(rig.player->automaticButtons(), PlayerButtonSet(PlayerButton::Stop));
}

void MediaWidgetsTest::autoRewindAtTheEnd() {
    PlayerRig rig;
    rig.startFile("song.mid", 3000);
    rig.device->finishPlaying();
    rig.device->log.clear();
    rig.player->play();
    QCOMPARE(rig.device->log, (QStringList{"seekToStart", "play"}));
    rig.player->setAutoRewind(false);
    rig.device->finishPlaying();
    rig.device->log.clear();
    rig.player->play();
    QCOMPARE(rig.device->log, (QStringList{"play"}));
}

void MediaWidgetsTest::requestsWithoutDeviceFail_data() {
    QTest::addColumn<int>("request");
    QTest::newRow("play") << 0;
    QTest::newRow("stop") << 1;
    QTest::newRow("rewind") << 2;
    QTest::newRow("seek") << 3;
    QTest::newRow("length") << 4;
}

void MediaWidgetsTest::requestsWithoutDeviceFail() {
    QFETCH(int, request);
    PlayerRig rig;
    try {
        switch (request) {
            case 0:
                rig.player->play();
                break;
            case 1:
                rig.player->stop();
                break;
            case 2:
                rig.player->rewind();
                break;
            case 3:
                rig.player->seek(10);
                break;
            default:
                (void)rig.player->length();
                break;
        }
        QFAIL("expected a failure");
    } catch (const MediaError& error) {
        QCOMPARE(error.message(), QStringLiteral("MCI デバイスがありません"));
    }
    // These need no device.
    QCOMPARE(rig.player->position(), 0);
    rig.player->close();
    rig.player->setDisplayRect(QRect(0, 0, 10, 10));
}

void MediaWidgetsTest::buttonFailureGoesToGuard() {
    PlayerRig rig;
    rig.player->setAutoEnable(false);  // both buttons enabled from EnabledButtons, no device
    rig.player->click(PlayerButton::Play);
    QCOMPARE(rig.failures, QStringList{QStringLiteral("MCI デバイスがありません")});
}

void MediaWidgetsTest::failedOpenAfterGoodOneClosesIt() {
    PlayerRig rig;
    rig.startFile("good.wav", 2000);
    rig.device->failNextOpen = MediaErrorKind::Unrecognised;
    QSignalSpy failed(rig.player.get(), &MediaPlayerControl::openFailed);
    rig.openFile("bad.wav");
    QVERIFY(!rig.device->isOpen());
    QCOMPARE(rig.device->log.mid(2), (QStringList{"close", "open bad.wav"}));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toByteArray(), QByteArray("bad.wav"));
    QCOMPARE(failed.at(0).at(1).value<MediaErrorKind>(), MediaErrorKind::Unrecognised);
}

void MediaWidgetsTest::newVideoGetsDisplayRectAtOnce() {
    PlayerRig rig;
    DisplayPanel panel;
    rig.player->setDisplay(&panel);
    rig.device->videoFile = true;
    // The window computes the video area before the open, when no video is open yet.
    rig.player->setDisplayRect(QRect(0, 0, 353, 240));
    QVERIFY(rig.device->log.isEmpty());
    rig.openFile("clip.avi");
    QCOMPARE(rig.device->log, (QStringList{"open clip.avi", "rect 0,0,353,240"}));
    QCOMPARE(panel.displayRect(), QRect(0, 0, 353, 240));
    rig.player->setDisplayRect(QRect(0, 0, 640, 281));  // Wide checked while it plays
    QCOMPARE(panel.displayRect(), QRect(0, 0, 640, 281));
}

void MediaWidgetsTest::soundGetsNoDisplayRect() {
    PlayerRig rig;
    rig.player->setDisplayRect(QRect(0, 0, 353, 240));
    rig.openFile("song.wav");
    QCOMPARE(rig.device->log, QStringList{"open song.wav"});
}

void MediaWidgetsTest::failedOpenEnablesAndPlaysNothing() {
    PlayerRig rig;
    rig.player->setEnabledButtons(PlayerButton::Play);
    rig.device->failNextOpen = MediaErrorKind::FileNotFound;
    QSignalSpy started(rig.player.get(), &MediaPlayerControl::started);
    QSignalSpy failed(rig.player.get(), &MediaPlayerControl::openFailed);
    rig.player->openAndPlay("gone.wav");
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(started.count(), 0);
    QCOMPARE(rig.device->log, QStringList{"open gone.wav"});
    QVERIFY(!rig.player->autoEnable());
    QCOMPARE(rig.player->enabledButtons(), PlayerButtonSet(PlayerButton::Play));
}

void MediaWidgetsTest::panelDeletedFirstIsForgotten() {
    PlayerRig rig;
    auto panel = std::make_unique<DisplayPanel>();
    rig.player->setDisplay(panel.get());
    QCOMPARE(rig.device->output, static_cast<VideoOutput*>(panel.get()));
    panel.reset();
    QCOMPARE(rig.device->output, nullptr);
    QCOMPARE(rig.player->display(), nullptr);
}

void MediaWidgetsTest::buttonsWhileOpening_data() {
    QTest::addColumn<QList<int>>("presses");  // 0 Play, 1 Stop, in order
    QTest::addColumn<bool>("plays");
    QTest::addColumn<PlayerButtonSet>("enabledAfter");
    const PlayerButtonSet stopOnly(PlayerButton::Stop), playOnly(PlayerButton::Play);
    QTest::newRow("nothing pressed: plays") << QList<int>{} << true << stopOnly;
    // A press hands the buttons to the automatic set, as the window's click handler does.
    QTest::newRow("stop: stays stopped") << QList<int>{1} << false << playOnly;
    QTest::newRow("play: plays, Stop offered") << QList<int>{0} << true << stopOnly;
}

void MediaWidgetsTest::buttonsWhileOpening() {
    QFETCH(QList<int>, presses);
    QFETCH(bool, plays);
    QFETCH(PlayerButtonSet, enabledAfter);
    PlayerRig rig;
    rig.device->holdOpens = true;
    rig.player->setEnabledButtons(PlayerButton::Play | PlayerButton::Stop);
    QSignalSpy started(rig.player.get(), &MediaPlayerControl::started);
    rig.player->openAndPlay("song.wav");
    rig.player->setEnabledButtons(PlayerButton::Play | PlayerButton::Stop);  // both can be hit
    QVERIFY(rig.player->isOpening());
    for (int press : presses)
        rig.player->click(press == 0 ? PlayerButton::Play : PlayerButton::Stop);
    QVERIFY(rig.failures.isEmpty());  // no "no device" while the file opens
    rig.device->finishOpen();
    QCOMPARE(started.count(), 1);
    QCOMPARE(rig.device->mode() == MediaMode::Playing, plays);
    QCOMPARE(rig.player->effectiveEnabledButtons(), enabledAfter);
    QVERIFY(rig.failures.isEmpty());
}

void MediaWidgetsTest::laterOpenReplacesEarlierOne() {
    PlayerRig rig;
    rig.device->holdOpens = true;
    QSignalSpy started(rig.player.get(), &MediaPlayerControl::started);
    QSignalSpy failed(rig.player.get(), &MediaPlayerControl::openFailed);
    rig.device->failNextOpen = MediaErrorKind::NotPlayable;
    rig.player->openAndPlay("first.wav");
    rig.player->openAndPlay("second.wav");  // the first is abandoned before it ends
    rig.device->finishOpen();
    QCOMPARE(failed.count(), 1);  // the scripted failure meets the second file
    QCOMPARE(failed.at(0).at(0).toByteArray(), QByteArray("second.wav"));
    QCOMPARE(started.count(), 0);
    QCOMPARE(rig.device->log, (QStringList{"open first.wav", "open second.wav"}));
}

void MediaWidgetsTest::panelPaintsFrameIntoRect() {
    DisplayPanel panel;
    panel.resize(100, 80);
    QImage frame(16, 12, QImage::Format_RGB32);
    frame.fill(Qt::red);
    panel.presentFrame(frame);
    QCOMPARE(panel.frameTarget(), QRect(0, 0, 16, 12));  // natural size at the origin
    panel.setDisplayRect(QRect(10, 10, 40, 30));
    QCOMPARE(panel.frameTarget(), QRect(10, 10, 40, 30));
    const QImage shot = panel.grab().toImage();
    QCOMPARE(QColor(shot.pixel(30, 25)), QColor(Qt::red));
    QCOMPARE(QColor(shot.pixel(5, 5)), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(60, 50)), QColor(Qt::black));
    panel.clearVideo();
    QCOMPARE(QColor(panel.grab().toImage().pixel(30, 25)), QColor(Qt::black));
}

void MediaWidgetsTest::panelForwardsPresses() {
    DisplayPanel panel;
    panel.resize(100, 80);
    QSignalSpy spy(&panel, &DisplayPanel::mousePressed);
    QTest::mousePress(&panel, Qt::RightButton, {}, QPoint(5, 6));
    QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(7, 8));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(spy.at(0).at(1).toPoint(), QPoint(5, 6));
    QCOMPARE(spy.at(1).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
}

void MediaWidgetsTest::panelPressesStayOnThePanel() {
    // The panel lies over the media pane's background, which reacts to the same button: a
    // press on the video must reach the panel's handler and no other.
    class Background : public QWidget {
    public:
        int presses = 0;

    protected:
        void mousePressEvent(QMouseEvent* event) override {
            ++presses;
            event->accept();
        }
    };
    Background background;
    background.resize(200, 150);
    auto* panel = new DisplayPanel(&background);
    panel->setGeometry(20, 20, 160, 120);
    QImage frame(160, 120, QImage::Format_RGB32);
    frame.fill(Qt::blue);
    panel->presentFrame(frame);
    background.show();
    QVERIFY(QTest::qWaitForWindowExposed(&background));
    QSignalSpy spy(panel, &DisplayPanel::mousePressed);
    for (const QPoint at : {QPoint(80, 60), QPoint(1, 1), QPoint(158, 118)})
        QTest::mousePress(panel, Qt::RightButton, {}, at);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(background.presses, 0);
    QTest::mousePress(&background, Qt::RightButton, {}, QPoint(5, 5));  // the margin
    QCOMPARE(background.presses, 1);
    QCOMPARE(spy.count(), 3);
}

QTEST_MAIN(MediaWidgetsTest)
#include "test_media_widgets.moc"
