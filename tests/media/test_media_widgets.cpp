#include "media/MediaErrors.h"
#include "media/testing/FakeMediaDevice.h"
#include "media/widgets/DisplayPanel.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"

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

    // The media branch from AutoEnable off to play.
    void startFile(const QByteArray& path, int length) {
        device->lengthMs = length;
        openAndPlay(*player, path);
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

    void panelPaintsFrameIntoRect();
    void panelForwardsPresses();
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
    rig.player->setFileName("two.mid");
    rig.player->open();
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
    rig.player->setFileName("bad.wav");
    QVERIFY_THROWS_EXCEPTION(MediaError, rig.player->open());
    QVERIFY(!rig.device->isOpen());
    QCOMPARE(rig.device->log.mid(2), (QStringList{"close", "open bad.wav"}));
}

void MediaWidgetsTest::newVideoGetsDisplayRectAtOnce() {
    PlayerRig rig;
    DisplayPanel panel;
    rig.player->setDisplay(&panel);
    rig.device->videoFile = true;
    // The window computes the video area before the open, when no video is open yet.
    rig.player->setDisplayRect(QRect(0, 0, 353, 240));
    QVERIFY(rig.device->log.isEmpty());
    rig.player->setFileName("clip.avi");
    rig.player->open();
    QCOMPARE(rig.device->log, (QStringList{"open clip.avi", "rect 0,0,353,240"}));
    QCOMPARE(panel.displayRect(), QRect(0, 0, 353, 240));
    rig.player->setDisplayRect(QRect(0, 0, 640, 281));  // Wide checked while it plays
    QCOMPARE(panel.displayRect(), QRect(0, 0, 640, 281));
}

void MediaWidgetsTest::soundGetsNoDisplayRect() {
    PlayerRig rig;
    rig.player->setDisplayRect(QRect(0, 0, 353, 240));
    rig.player->setFileName("song.wav");
    rig.player->open();
    QCOMPARE(rig.device->log, QStringList{"open song.wav"});
}

void MediaWidgetsTest::failedOpenEnablesAndPlaysNothing() {
    PlayerRig rig;
    rig.player->setEnabledButtons(PlayerButton::Play);
    rig.device->failNextOpen = MediaErrorKind::FileNotFound;
    QVERIFY_THROWS_EXCEPTION(MediaError, openAndPlay(*rig.player, "gone.wav"));
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

QTEST_MAIN(MediaWidgetsTest)
#include "test_media_widgets.moc"
