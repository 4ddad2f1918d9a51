#include "media/MediaKind.h"
#include "media/MediaLayout.h"
#include "media/MediaPositionFollower.h"
#include "media/PlayerButtons.h"
#include "media/testing/FakeMediaDevice.h"
#include "support/QuickTry.h"

#include <QTest>
#include <algorithm>

using namespace zarovia::media;

namespace {

// A position bar that clamps and runs the follower's change rule on every real change, as
// the window's TrackBar1Change does.
class FakeTrackBar : public TrackBarAccess {
public:
    int minimum = 0;
    int max = 10;
    int value = 0;
    int changes = 0;
    bool dragged = false;
    MediaPositionFollower* follower = nullptr;

    int position() const override { return value; }
    int maximum() const override { return max; }
    bool isBeingDragged() const override { return dragged; }
    void setPosition(int position) override {
        const int clamped = std::clamp(position, minimum, max);
        if (clamped == value) return;
        value = clamped;
        ++changes;
        if (follower) follower->trackBarChanged();
    }
};

struct FollowerRig {
    FakeMediaDevice device;
    FakeTrackBar bar;
    int autoEnableCalls = 0;
    QStringList order;
    MediaPositionFollower follower{device, bar, [this] {
                                       ++autoEnableCalls;
                                       device.log << QStringLiteral("autoEnable");
                                   }};

    FollowerRig() { bar.follower = &follower; }
    void openWithLength(int length) {
        device.openAtOnce("clip.avi");
        device.lengthMs = length;
        bar.max = length;
        device.log.clear();
    }
};

}  // namespace

class MediaRulesTest : public QObject {
    Q_OBJECT
private slots:
    void mediaKindByExtension_data();
    void mediaKindByExtension();
    void soundLabels_data();
    void soundLabels();
    void videoArea_data();
    void videoArea();

    void tickWithoutDeviceDoesNothing();
    void tickQueriesOncePerTick();
    void deadBand_data();
    void deadBand();
    void deadBandUsesEachQueryForItsSide();
    void seekWithoutDeviceFails();
    void shortRangeSwitchesAutoEnable_data();
    void shortRangeSwitchesAutoEnable();
    void lastTwoPositionsStopAndRewind_data();
    void lastTwoPositionsStopAndRewind();
    void resetToZeroSeeksAPlayingDevice();
    void nothingToSeekWhileOpening();
    void dragSeeksAreCoalesced();
    void releaseEndsWithExactSeek_data();
    void releaseEndsWithExactSeek();
    void tickLeavesAHeldThumbAlone();
    void waitingDragSeekDroppedWhenClosed();

    void autoEnableSwitching();
    void automaticSetFollowsRequests();
    void notificationOnlyWhenStoppedAndAutomatic();
};

void MediaRulesTest::mediaKindByExtension_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("kind");
    const int video = int(MediaKind::Video), sound = int(MediaKind::Sound),
              none = int(MediaKind::NotMedia);
    QTest::newRow("clip.mpg") << QByteArray("clip.mpg") << video;
    QTest::newRow("CLIP.MPEG") << QByteArray("CLIP.MPEG") << video;
    QTest::newRow("movie.avi") << QByteArray("movie.avi") << video;
    QTest::newRow("song.mid") << QByteArray("song.mid") << sound;
    QTest::newRow("song.rmi") << QByteArray("song.rmi") << sound;
    QTest::newRow("voice.wav") << QByteArray("voice.wav") << sound;
    QTest::newRow("track.wma") << QByteArray("track.wma") << sound;
    QTest::newRow("song.mp3") << QByteArray("song.mp3") << none;
    QTest::newRow("movie.wmv") << QByteArray("movie.wmv") << none;
    QTest::newRow("movie.mov") << QByteArray("movie.mov") << none;
    QTest::newRow("clip.mpe") << QByteArray("clip.mpe") << none;
    QTest::newRow("no extension") << QByteArray("README") << none;
    QTest::newRow("dot only in folder") << QByteArray("/a.wav/file") << none;
    QTest::newRow("mixed case") << QByteArray("/x/Song.Mid") << sound;
    QTest::newRow("extension alone") << QByteArray(".wav") << sound;
}

void MediaRulesTest::mediaKindByExtension() {
    QFETCH(QByteArray, path);
    QFETCH(int, kind);
    QCOMPARE(int(mediaKindOfPath(path)), kind);
}

void MediaRulesTest::soundLabels_data() {
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<QSize>("label3");
    QTest::addColumn<QPoint>("at3");
    QTest::addColumn<QSize>("label4");
    QTest::addColumn<QPoint>("at4");
    QTest::newRow("656x507") << QSize(656, 507) << QSize(111, 27) << QPoint(262, 270)
                             << QSize(123, 40) << QPoint(266, 178);
    // W - width = -5 halves to -2 (toward zero), so Label3's left is -12.
    QTest::newRow("narrower than label")
        << QSize(106, 30) << QSize(111, 27) << QPoint(-12, 31) << QSize(111, 40) << QPoint(-2, -60);
    QTest::newRow("empty window") << QSize(0, 0) << QSize(111, 27) << QPoint(-65, 17)
                                  << QSize(123, 40) << QPoint(-61, -75);
}

void MediaRulesTest::soundLabels() {
    QFETCH(QSize, outer);
    QFETCH(QSize, label3);
    QFETCH(QPoint, at3);
    QFETCH(QSize, label4);
    QFETCH(QPoint, at4);
    QCOMPARE(soundCaptionLabelPosition(outer, label3), at3);
    QCOMPARE(soundTitleLabelPosition(outer, label4), at4);
}

void MediaRulesTest::videoArea_data() {
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<bool>("wide");
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("area");
    QTest::newRow("640x480") << false << false << 1920 << QSize(640, 480)
                             << QRect(143, 120, 353, 240);
    QTest::newRow("640x480 wide") << false << true << 1920 << QSize(640, 480)
                                  << QRect(0, 99, 640, 281);
    QTest::newRow("1024 full") << true << false << 1024 << QSize(1024, 768)
                               << QRect(0, 36, 1024, 696);
    QTest::newRow("1024 full wide")
        << true << true << 1024 << QSize(1024, 768) << QRect(0, 159, 1024, 450);
    QTest::newRow("1280 full") << true << false << 1280 << QSize(1280, 1024)
                               << QRect(0, 77, 1280, 870);
    QTest::newRow("1280 full wide")
        << true << true << 1280 << QSize(1280, 1024) << QRect(0, 230, 1280, 563);
    // (99 - 240) / 2 = -70: truncation toward zero, not -71.
    QTest::newRow("client height 99")
        << false << false << 1920 << QSize(640, 99) << QRect(143, -70, 353, 240);
    QTest::newRow("client width 0 wide")
        << false << true << 1920 << QSize(0, 480) << QRect(0, 240, 0, 0);
    // Full screen takes the screen's width even when the client is still smaller.
    QTest::newRow("full, client lagging")
        << true << false << 1024 << QSize(640, 480) << QRect(-192, -108, 1024, 696);
}

void MediaRulesTest::videoArea() {
    QFETCH(bool, fullScreen);
    QFETCH(bool, wide);
    QFETCH(int, screenWidth);
    QFETCH(QSize, client);
    QFETCH(QRect, area);
    const QRect got = zarovia::media::videoArea({fullScreen, wide, screenWidth, client});
    QCOMPARE(got, area);
    QCOMPARE(displayRectForVideoArea(got), QRect(0, 0, area.width(), area.height()));
}

void MediaRulesTest::tickWithoutDeviceDoesNothing() {
    FollowerRig rig;
    rig.bar.value = 7;
    rig.device.positionAnswers = {0};
    rig.follower.tick();
    QCOMPARE(rig.device.positionQueries, 0);
    QCOMPARE(rig.bar.value, 7);
    QCOMPARE(rig.autoEnableCalls, 0);
    QVERIFY(rig.device.log.isEmpty());
}

void MediaRulesTest::tickQueriesOncePerTick() {
    FollowerRig rig;
    rig.openWithLength(3000);
    rig.device.positionMs = 0;
    rig.follower.tick();  // bar already at 0: one query, no change
    QCOMPARE(rig.device.positionQueries, 1);
    rig.device.positionMs = 50;
    rig.follower.tick();  // bar moves: the change rule asks twice more, and does not seek
    QCOMPARE(rig.device.positionQueries, 4);
    QCOMPARE(rig.bar.value, 50);
    QVERIFY(rig.device.log.isEmpty());
}

void MediaRulesTest::deadBand_data() {
    QTest::addColumn<int>("devicePosition");
    QTest::addColumn<int>("barPosition");
    QTest::addColumn<bool>("seeks");
    QTest::newRow("6 ahead seeks") << 100 << 106 << true;
    QTest::newRow("5 ahead does not") << 100 << 105 << false;
    QTest::newRow("equal") << 100 << 100 << false;
    QTest::newRow("5 behind does not") << 100 << 95 << false;
    QTest::newRow("6 behind seeks") << 100 << 94 << true;
    QTest::newRow("far behind to 0") << 500 << 0 << true;
}

void MediaRulesTest::deadBand() {
    QFETCH(int, devicePosition);
    QFETCH(int, barPosition);
    QFETCH(bool, seeks);
    FollowerRig rig;
    rig.openWithLength(3000);
    rig.device.positionMs = devicePosition;
    rig.bar.value = barPosition;
    rig.follower.trackBarChanged();
    QCOMPARE(rig.device.log,
             seeks ? QStringList{QStringLiteral("seek %1").arg(barPosition)} : QStringList{});
}

void MediaRulesTest::deadBandUsesEachQueryForItsSide() {
    // The ahead test uses the first answer, the behind test a fresh second one.
    FollowerRig rig;
    rig.openWithLength(3000);
    rig.bar.value = 100;
    rig.device.positionAnswers = {100, 106};
    rig.follower.trackBarChanged();
    QCOMPARE(rig.device.log, QStringList{QStringLiteral("seek 100")});
    QCOMPARE(rig.device.positionQueries, 2);

    rig.device.log.clear();
    rig.device.positionQueries = 0;
    rig.device.positionAnswers = {94, 100};  // ahead by 6 on the first answer: one query only
    rig.follower.trackBarChanged();
    QCOMPARE(rig.device.log, QStringList{QStringLiteral("seek 100")});
    QCOMPARE(rig.device.positionQueries, 1);
}

void MediaRulesTest::seekWithoutDeviceFails() {
    FollowerRig rig;
    rig.bar.value = 10;  // the query answers 0 without a device; 10 is beyond the dead band
    try {
        rig.follower.trackBarChanged();
        QFAIL("expected a failure");
    } catch (const MediaError& error) {
        QCOMPARE(int(error.kind()), int(MediaErrorKind::NoDevice));
        QCOMPARE(error.message(), QStringLiteral("MCI デバイスがありません"));
    }
    rig.bar.value = 5;
    rig.follower.trackBarChanged();  // inside the dead band: nothing to seek, nothing fails
}

void MediaRulesTest::shortRangeSwitchesAutoEnable_data() {
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("calls");
    QTest::newRow("max 12 at 3") << 12 << 3 << 1;
    QTest::newRow("max 100 at 3") << 100 << 3 << 0;
    QTest::newRow("max 13 at 4") << 13 << 4 << 1;
    QTest::newRow("max 14 at 4") << 14 << 4 << 0;
    QTest::newRow("max 12 at 5") << 12 << 5 << 0;
    QTest::newRow("max 12 at 0") << 12 << 0 << 0;
}

void MediaRulesTest::shortRangeSwitchesAutoEnable() {
    QFETCH(int, maximum);
    QFETCH(int, position);
    QFETCH(int, calls);
    FollowerRig rig;
    rig.openWithLength(maximum);
    rig.device.positionMs = position;
    rig.follower.tick();
    QCOMPARE(rig.autoEnableCalls, calls);
    QVERIFY(!rig.device.log.contains(QStringLiteral("stop")));
}

void MediaRulesTest::lastTwoPositionsStopAndRewind_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("rewinds");
    QTest::addColumn<QStringList>("first");
    QTest::newRow("at the end") << 3000 << 3000 << true << QStringList();
    QTest::newRow("one before") << 3000 << 2999 << true << QStringList();
    QTest::newRow("two before") << 3000 << 2998 << false << QStringList();
    // The bar stops at its maximum, more than 5 behind the device, so the change rule
    // seeks the device back to it before the rewind.
    QTest::newRow("beyond, clamped")
        << 3000 << 4000 << true << QStringList{QStringLiteral("seek 3000")};
    QTest::newRow("length 1 at 0") << 1 << 0 << true << QStringList();
    QTest::newRow("length 0 at 0") << 0 << 0 << true << QStringList();
}

void MediaRulesTest::lastTwoPositionsStopAndRewind() {
    QFETCH(int, length);
    QFETCH(int, position);
    QFETCH(bool, rewinds);
    QFETCH(QStringList, first);
    FollowerRig rig;
    rig.openWithLength(length);
    rig.bar.value = std::max(0, position - 3);  // so that the tick moves the bar
    rig.device.positionMs = position;
    rig.follower.tick();
    const QStringList expected =
        first + (rewinds ? QStringList{QStringLiteral("stop"), QStringLiteral("seekToStart"),
                                       QStringLiteral("autoEnable")}
                         : QStringList{});
    // A tiny range may also switch AutoEnable on through the short-range rule first.
    QStringList log = rig.device.log;
    if (length < 14 && !log.isEmpty() && log.first() == QLatin1String("autoEnable"))
        log.removeFirst();
    QCOMPARE(log, expected);
    if (rewinds) QCOMPARE(rig.device.positionMs, 0);
}

void MediaRulesTest::resetToZeroSeeksAPlayingDevice() {
    FollowerRig rig;
    rig.openWithLength(3000);
    rig.bar.value = 500;
    rig.device.positionMs = 500;
    rig.bar.setPosition(0);  // the prologue's reset while a document is opened
    QCOMPARE(rig.device.log, QStringList{QStringLiteral("seek 0")});

    rig.device.log.clear();
    rig.bar.value = 4;
    rig.device.positionMs = 4;
    rig.bar.setPosition(0);  // within the dead band: it plays on
    QVERIFY(rig.device.log.isEmpty());
}

void MediaRulesTest::nothingToSeekWhileOpening() {
    FollowerRig rig;
    rig.device.holdOpens = true;
    rig.device.open("clip.avi");
    rig.bar.value = 500;  // beyond the dead band, but there is no file to seek in yet
    rig.follower.trackBarChanged();
    QCOMPARE(rig.device.log, QStringList{QStringLiteral("open clip.avi")});
    rig.follower.tick();
    QCOMPARE(rig.device.positionQueries, 0);
}

void MediaRulesTest::dragSeeksAreCoalesced() {
    FollowerRig rig;
    rig.openWithLength(10000);
    rig.bar.dragged = true;
    // A fast drag: the first move seeks at once, the moves within the interval wait, and only
    // the latest of them is sent when the interval is over.
    for (int to : {1000, 1100, 1200, 1300}) rig.bar.setPosition(to);
    QCOMPARE(rig.device.log, QStringList{QStringLiteral("seekNearby 1000")});
    QTRY_COMPARE(rig.device.log, (QStringList{QStringLiteral("seekNearby 1000"),
                                              QStringLiteral("seekNearby 1300")}));
    // A move within the dead band of where the device now stands sends nothing more.
    rig.bar.setPosition(1303);
    QTest::qWait(2 * int(SeekCoalescer::kInterval.count()));
    QCOMPARE(rig.device.log.size(), 2);
}

void MediaRulesTest::releaseEndsWithExactSeek_data() {
    QTest::addColumn<QList<int>>("moves");
    QTest::addColumn<QStringList>("afterRelease");
    QTest::newRow("drag, then release before the waiting seek")
        << QList<int>{2000, 2500} << QStringList{"seekNearby 2000", "seek 2500"};
    QTest::newRow("one move: the exact seek refines it")
        << QList<int>{3000} << QStringList{"seekNearby 3000", "seek 3000"};
    QTest::newRow("held without moving: no seek") << QList<int>{} << QStringList{};
    QTest::newRow("moves inside the dead band: no seek") << QList<int>{3} << QStringList{};
}

void MediaRulesTest::releaseEndsWithExactSeek() {
    QFETCH(QList<int>, moves);
    QFETCH(QStringList, afterRelease);
    FollowerRig rig;
    rig.openWithLength(10000);
    rig.bar.dragged = true;
    for (int to : moves) rig.bar.setPosition(to);
    rig.bar.dragged = false;
    rig.follower.dragFinished();
    QCOMPARE(rig.device.log, afterRelease);
    // Nothing is left waiting to be sent after the release.
    QTest::qWait(2 * int(SeekCoalescer::kInterval.count()));
    QCOMPARE(rig.device.log, afterRelease);
}

void MediaRulesTest::tickLeavesAHeldThumbAlone() {
    FollowerRig rig;
    rig.openWithLength(3000);
    rig.device.positionMs = 700;
    rig.bar.value = 1500;
    rig.bar.dragged = true;
    rig.follower.tick();
    QCOMPARE(rig.bar.value, 1500);
    rig.bar.dragged = false;
    rig.follower.tick();
    QCOMPARE(rig.bar.value, 700);
}

void MediaRulesTest::waitingDragSeekDroppedWhenClosed() {
    FollowerRig rig;
    rig.openWithLength(10000);
    rig.bar.dragged = true;
    rig.bar.setPosition(1000);
    rig.bar.setPosition(2000);  // waits for the interval
    rig.device.close();
    // Sent from the event loop, where a failure would have nowhere to go: it is dropped.
    QTest::qWait(2 * int(SeekCoalescer::kInterval.count()));
    QCOMPARE(rig.device.log, (QStringList{"seekNearby 1000", "close"}));
}

void MediaRulesTest::autoEnableSwitching() {
    PlayerButtons buttons;
    buttons.afterOpen(true);  // automatic set: Play
    buttons.setEnabledButtons(PlayerButton::Stop);
    QVERIFY(!buttons.setAutoEnable(true));  // already on: nothing changes
    QCOMPARE(buttons.effectiveEnabled(), PlayerButtonSet(PlayerButton::Play));
    QVERIFY(buttons.setAutoEnable(false));
    QCOMPARE(buttons.effectiveEnabled(), PlayerButtonSet(PlayerButton::Stop));
    QVERIFY(!buttons.setAutoEnable(false));
    QVERIFY(buttons.setAutoEnable(true));
    QCOMPARE(buttons.effectiveEnabled(), PlayerButtonSet(PlayerButton::Play));
    // Hidden buttons never react.
    buttons.setVisibleButtons(PlayerButton::Stop);
    QCOMPARE(buttons.effectiveEnabled(), PlayerButtonSet());
}

void MediaRulesTest::automaticSetFollowsRequests() {
    PlayerButtons buttons;
    buttons.afterOpen(true);
    QCOMPARE(buttons.automaticButtons(), PlayerButtonSet(PlayerButton::Play));
    buttons.afterPlay();
    QCOMPARE(buttons.automaticButtons(), PlayerButtonSet(PlayerButton::Stop));
    buttons.afterStop(true);
    QCOMPARE(buttons.automaticButtons(), PlayerButtonSet(PlayerButton::Play));
    buttons.afterPlay();
    buttons.afterStop(false);  // a device that cannot play never offers Play
    QCOMPARE(buttons.automaticButtons(), PlayerButtonSet());
    buttons.afterOpen(false);
    QCOMPARE(buttons.automaticButtons(), PlayerButtonSet());
}

void MediaRulesTest::notificationOnlyWhenStoppedAndAutomatic() {
    PlayerButtons buttons;
    buttons.afterOpen(true);
    buttons.afterPlay();
    buttons.afterNotification(MediaMode::Playing, true);
    QCOMPARE(buttons.automaticButtons(), PlayerButtonSet(PlayerButton::Stop));
    buttons.setAutoEnable(false);
    buttons.afterNotification(MediaMode::Stopped, true);
    QCOMPARE(buttons.automaticButtons(), PlayerButtonSet(PlayerButton::Stop));
    buttons.setAutoEnable(true);
    buttons.afterNotification(MediaMode::Stopped, true);
    QCOMPARE(buttons.automaticButtons(), PlayerButtonSet(PlayerButton::Play));
}

QTEST_GUILESS_MAIN(MediaRulesTest)
#include "test_media_rules.moc"
