#include "media/MediaErrors.h"
#include "media/gst/GstMediaDevice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace zarovia::media;

namespace {

QByteArray clip(const char* name) {
    return QFile::encodeName(QStringLiteral(ZAROVIA_TEST_DATA "/media/") + QLatin1String(name));
}

// Records what a video device hands to its panel.
class RecordingOutput : public VideoOutput {
public:
    int frames = 0;
    QSize lastFrameSize;
    QRect rect{-1, -1, -1, -1};
    int clears = 0;
    void presentFrame(const QImage& frame) override {
        ++frames;
        lastFrameSize = frame.size();
    }
    void setDisplayRect(const QRect& r) override { rect = r; }
    void clearVideo() override { ++clears; }
};

}  // namespace

class MediaDeviceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playsEachClipToTheEnd_data();
    void playsEachClipToTheEnd();
    void seeksAndRewinds_data();
    void seeksAndRewinds();
    void stopHoldsThePosition();
    void playsAgainAfterTheEnd();
    void videoFramesReachTheOutput();
    void badFilesFail_data();
    void badFilesFail();
    void failedOpenAfterGoodOneLeavesNoDevice();
    void requestsWithoutDeviceFail();
    void missingSoundFontIsNamed();
};

void MediaDeviceTest::initTestCase() {
    // The tests run silent and in real time.
    if (qEnvironmentVariableIsEmpty("ZAROVIA_AUDIO_SINK"))
        qputenv("ZAROVIA_AUDIO_SINK", "fakesink");
}

void MediaDeviceTest::playsEachClipToTheEnd_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QSize>("videoSize");
    QTest::addColumn<int>("minLength");
    QTest::addColumn<int>("maxLength");
    QTest::newRow("wav") << clip("tone.wav") << QSize() << 2450 << 2550;
    QTest::newRow("wma") << clip("tone.wma") << QSize() << 2450 << 2600;
    QTest::newRow("mid") << clip("tune.mid") << QSize() << 2950 << 3050;
    QTest::newRow("rmi") << clip("tune.rmi") << QSize() << 2950 << 3050;
    // Program streams: the first picture comes about 0.54 s after the first clock
    // reference, and positions count from it.
    QTest::newRow("mpg (MPEG-1 PS)") << clip("clip.mpg") << QSize(160, 120) << 2450 << 2750;
    QTest::newRow("mpeg (MPEG-2 PS)") << clip("clip.mpeg") << QSize(160, 120) << 2450 << 2750;
    QTest::newRow("avi mjpeg") << clip("clip_mjpeg.avi") << QSize(160, 120) << 2450 << 2700;
    QTest::newRow("avi mpeg4") << clip("clip_mpeg4.avi") << QSize(160, 120) << 2450 << 2550;
    QTest::newRow("avi msmpeg4v2") << clip("clip_msmpeg4v2.avi") << QSize(160, 120) << 2450 << 2550;
    QTest::newRow("avi raw") << clip("clip_raw.avi") << QSize(32, 24) << 2450 << 2650;
}

void MediaDeviceTest::playsEachClipToTheEnd() {
    QFETCH(QByteArray, path);
    QFETCH(QSize, videoSize);
    QFETCH(int, minLength);
    QFETCH(int, maxLength);

    GstMediaDevice device;
    device.open(path);
    QVERIFY(device.isOpen());
    QVERIFY(device.canPlay());
    QCOMPARE(device.hasVideo(), videoSize.isValid());
    QCOMPARE(device.naturalVideoSize(), videoSize.isValid() ? videoSize : QSize());
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QCOMPARE(device.position(), 0);
    const int length = device.length();
    QVERIFY2(length >= minLength && length <= maxLength, qPrintable(QString::number(length)));

    std::optional<PlayEnd> reason;
    QElapsedTimer clock;
    clock.start();
    device.play([&reason](PlayEnd r) { reason = r; });
    QCOMPARE(device.mode(), MediaMode::Playing);
    // The position advances in real time (the fake sink is synchronised to the clock).
    QTest::qWait(600);
    const int early = device.position();
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(early >= 300 && early <= elapsed + 100,
             qPrintable(QStringLiteral("%1 after %2 ms").arg(early).arg(elapsed)));

    QTRY_VERIFY_WITH_TIMEOUT(reason.has_value(), 6000);
    QCOMPARE(*reason, PlayEnd::Reached);
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QCOMPARE(device.position(), length);

    device.close();
    QVERIFY(!device.isOpen());
    QCOMPARE(device.mode(), MediaMode::NotOpen);
    QCOMPARE(device.position(), 0);
}

void MediaDeviceTest::seeksAndRewinds_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("mid") << clip("tune.mid");
    QTest::newRow("rmi") << clip("tune.rmi");
    QTest::newRow("wav") << clip("tone.wav");
    QTest::newRow("mpg") << clip("clip.mpg");
    QTest::newRow("avi") << clip("clip_mpeg4.avi");
}

void MediaDeviceTest::seeksAndRewinds() {
    QFETCH(QByteArray, path);
    GstMediaDevice device;
    device.open(path);
    device.seek(1000);
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QVERIFY2(qAbs(device.position() - 1000) <= 50, qPrintable(QString::number(device.position())));

    // Playing on from there, then a seek while playing stops the device and aborts the play.
    std::optional<PlayEnd> reason;
    device.play([&reason](PlayEnd r) { reason = r; });
    QTest::qWait(300);
    QVERIFY2(device.position() >= 1150, qPrintable(QString::number(device.position())));
    device.seek(500);
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QVERIFY2(qAbs(device.position() - 500) <= 50, qPrintable(QString::number(device.position())));
    QTRY_VERIFY(reason.has_value());
    QCOMPARE(*reason, PlayEnd::Aborted);

    device.seekToStart();
    QCOMPARE(device.position(), 0);

    // A seek to the end stands at the end; play then ends at once.
    device.seek(device.length() + 1000);
    QCOMPARE(device.position(), device.length());
    reason.reset();
    device.play([&reason](PlayEnd r) { reason = r; });
    QTRY_VERIFY_WITH_TIMEOUT(reason.has_value(), 1000);
    QCOMPARE(*reason, PlayEnd::Reached);
}

void MediaDeviceTest::stopHoldsThePosition() {
    GstMediaDevice device;
    device.open(clip("tune.mid"));
    std::optional<PlayEnd> reason;
    device.play([&reason](PlayEnd r) { reason = r; });
    QTest::qWait(400);
    device.stop();
    QCOMPARE(device.mode(), MediaMode::Stopped);
    const int held = device.position();
    QVERIFY(held >= 250);
    QTest::qWait(200);
    QCOMPARE(device.position(), held);
    QTRY_VERIFY(reason.has_value());
    QCOMPARE(*reason, PlayEnd::Aborted);
    device.seekToStart();
    QCOMPARE(device.position(), 0);
}

void MediaDeviceTest::playsAgainAfterTheEnd() {
    GstMediaDevice device;
    device.open(clip("tone.wav"));
    device.seek(2200);
    std::optional<PlayEnd> reason;
    device.play([&reason](PlayEnd r) { reason = r; });
    QTRY_VERIFY_WITH_TIMEOUT(reason.has_value(), 2000);
    QCOMPARE(device.position(), device.length());
    device.seekToStart();  // what the end rule and the player's auto-rewind do
    QCOMPARE(device.position(), 0);
    device.play({});
    QTest::qWait(300);
    QVERIFY2(device.position() >= 150, qPrintable(QString::number(device.position())));
    QCOMPARE(device.mode(), MediaMode::Playing);
}

void MediaDeviceTest::videoFramesReachTheOutput() {
    GstMediaDevice device;
    RecordingOutput output;
    device.setVideoOutput(&output);
    device.setDisplayRect(QRect(0, 0, 10, 10));  // nothing open: ignored
    QCOMPARE(output.rect, QRect(-1, -1, -1, -1));

    device.open(clip("clip_mpeg4.avi"));
    QCOMPARE(output.rect, QRect());   // a new video starts at its natural size
    QTRY_VERIFY(output.frames >= 1);  // the first picture, before play
    QCOMPARE(output.lastFrameSize, QSize(160, 120));
    device.setDisplayRect(QRect(0, 0, 353, 240));
    QCOMPARE(output.rect, QRect(0, 0, 353, 240));

    const int before = output.frames;
    device.play({});
    QTest::qWait(500);
    QVERIFY2(output.frames >= before + 3, qPrintable(QString::number(output.frames)));

    device.open(clip("tone.wav"));  // closing the video clears the panel
    QCOMPARE(output.clears, 1);
    device.setDisplayRect(QRect(0, 0, 20, 20));  // sound: ignored
    QCOMPARE(output.rect, QRect(0, 0, 353, 240));
}

void MediaDeviceTest::badFilesFail_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("kind");
    QTest::newRow("empty wav") << clip("bad_empty.wav") << int(MediaErrorKind::Unrecognised);
    QTest::newRow("random avi") << clip("bad_random.avi") << int(MediaErrorKind::Unrecognised);
    QTest::newRow("text as mid") << clip("bad_text.mid") << int(MediaErrorKind::Unrecognised);
    QTest::newRow("truncated mid") << clip("bad_truncated.mid") << int(MediaErrorKind::NotPlayable);
    QTest::newRow("truncated mpg") << clip("bad_truncated.mpg") << int(MediaErrorKind::NotPlayable);
    QTest::newRow("truncated wav") << clip("bad_truncated.wav") << int(MediaErrorKind::NotPlayable);
    QTest::newRow("no decoder") << clip("bad_no_decoder.avi") << int(MediaErrorKind::MissingPlugin);
    QTest::newRow("not there") << clip("no_such_file.wav") << int(MediaErrorKind::FileNotFound);
    QTest::newRow("folder not there")
        << clip("no_such_folder/x.wav") << int(MediaErrorKind::PathNotFound);
    QTest::newRow("no media extension")
        << clip("make_media.sh") << int(MediaErrorKind::NotMediaFile);
    QTest::newRow("empty name") << QByteArray() << int(MediaErrorKind::NotMediaFile);
}

void MediaDeviceTest::badFilesFail() {
    QFETCH(QByteArray, path);
    QFETCH(int, kind);
    GstMediaDevice device;
    try {
        device.open(path);
        QFAIL("expected a failure");
    } catch (const MediaError& error) {
        QCOMPARE(int(error.kind()), kind);
        if (error.kind() == MediaErrorKind::MissingPlugin) {
            // The text names what is missing.
            QVERIFY2(
                error.message().startsWith(mediaErrorText(MediaErrorKind::MissingPlugin, {})) &&
                    error.message().contains(QLatin1String("decoder")),
                qPrintable(error.message()));
        } else {
            QCOMPARE(error.message(), mediaErrorText(error.kind()));
        }
    }
    QVERIFY(!device.isOpen());
}

void MediaDeviceTest::failedOpenAfterGoodOneLeavesNoDevice() {
    GstMediaDevice device;
    device.open(clip("tone.wav"));
    device.play({});
    QVERIFY_THROWS_EXCEPTION(MediaError, device.open(clip("bad_text.mid")));
    QVERIFY(!device.isOpen());
    QCOMPARE(device.position(), 0);
    // And a folder named like a media file is refused as unreadable, not played.
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.filePath(QStringLiteral("folder.wav")));
    QVERIFY(QDir().mkdir(QFile::decodeName(folder)));
    try {
        device.open(folder);
        QFAIL("expected a failure");
    } catch (const MediaError& error) {
        QCOMPARE(int(error.kind()), int(MediaErrorKind::AccessDenied));
    }
}

void MediaDeviceTest::requestsWithoutDeviceFail() {
    GstMediaDevice device;
    const QString noDevice = QStringLiteral("MCI デバイスがありません");
    auto expectNoDevice = [&](const std::function<void()>& request) {
        try {
            request();
            QFAIL("expected a failure");
        } catch (const MediaError& error) {
            QCOMPARE(error.message(), noDevice);
        }
    };
    expectNoDevice([&] { device.play({}); });
    expectNoDevice([&] { device.stop(); });
    expectNoDevice([&] { device.seekToStart(); });
    expectNoDevice([&] { device.seek(100); });
    expectNoDevice([&] { (void)device.length(); });
    QCOMPARE(device.position(), 0);
    QCOMPARE(device.mode(), MediaMode::NotOpen);
    device.close();
}

void MediaDeviceTest::missingSoundFontIsNamed() {
    GstDeviceOptions options;
    options.soundFontCandidates = {QStringLiteral("/nonexistent/TimGM6mb.sf2")};
    GstMediaDevice device(options);
    try {
        device.open(clip("tune.mid"));
        QFAIL("expected a failure");
    } catch (const MediaError& error) {
        QCOMPARE(int(error.kind()), int(MediaErrorKind::MissingSoundFont));
        QVERIFY(error.message().contains(QLatin1String("timgm6mb-soundfont")));
        QVERIFY(error.message().contains(QLatin1String("TimGM6mb.sf2")));
    }
    device.open(clip("tone.wav"));  // other sounds need no sound font
    QVERIFY(device.isOpen());
}

QTEST_GUILESS_MAIN(MediaDeviceTest)
#include "test_media_device.moc"
