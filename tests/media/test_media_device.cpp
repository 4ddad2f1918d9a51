// The GStreamer device on the clips in tests/data/media, silent and in real time. One clip plays
// to its end; the others are sought to shortly before it, so the whole run takes a few seconds.
#include "media/MediaErrors.h"
#include "media/gst/EngineWorker.h"
#include "media/gst/GstElements.h"
#include "media/gst/GstMediaDevice.h"
#include "media/gst/GstRuntime.h"
#include "media/gst/PlaybinSession.h"
#include "support/QuickTry.h"
#include "support/TestInputs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
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

// What an open ended with.
struct OpenResult {
    bool opened = false;
    std::optional<MediaErrorKind> failure;
    QString detail;
};

// Starts an open and waits (turning the event loop) for its one result.
OpenResult openAndWait(GstMediaDevice& device, const QByteArray& path) {
    OpenResult result;
    QSignalSpy opened(&device, &MediaDevice::opened);
    QSignalSpy failed(&device, &MediaDevice::openFailed);
    device.open(path);
    if (!QTest::qWaitFor([&] { return opened.count() + failed.count() > 0; }, 8000)) return result;
    result.opened = opened.count() == 1;
    if (failed.count() == 1) {
        result.failure = failed.at(0).at(0).value<MediaErrorKind>();
        result.detail = failed.at(0).at(1).toString();
    }
    return result;
}

bool waitUntilSettled(GstMediaDevice& device) {
    return QTest::qWaitFor([&] { return !device.isBusy(); }, 4000);
}

}  // namespace

class MediaDeviceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void requiredElementsAreInstalled();
    void lengthFromEngine_data();
    void lengthFromEngine();
    void followEnginePosition_data();
    void followEnginePosition();
    void workerRunsInOrderAndSurvivesFailures();

    void playsAClipToTheEnd();
    void endsEachClip_data();
    void endsEachClip();
    void openReturnsBeforeItsResult();
    void seeksAndRewinds_data();
    void seeksAndRewinds();
    void staleEndDoesNotEndTheNextPlay();
    void stopHoldsThePosition();
    void videoFramesReachTheOutput();
    void badFilesFail_data();
    void badFilesFail();
    void laterOpenWinsAndCloseAbandons();
    void failedOpenAfterGoodOneLeavesNoDevice();
    void destroyedWhileOpening();
    void requestsWithoutDeviceFail();
    void missingSoundFontIsNamed();
};

void MediaDeviceTest::initTestCase() {
    // The tests run silent and in real time.
    if (qEnvironmentVariableIsEmpty("ZAROVIA_AUDIO_SINK"))
        qputenv("ZAROVIA_AUDIO_SINK", "fakesink");
}

void MediaDeviceTest::requiredElementsAreInstalled() {
    const QStringList missing = missingGstElements(requiredGstElements());
    ZAROVIA_REQUIRE_INPUT(missing.isEmpty(), missing.join(u' '));
    QVERIFY(missingGstElements({QStringLiteral("no-such-element-here")}).size() == 1);
    ZAROVIA_REQUIRE_INPUT(QFile::exists(requiredSoundFont()), requiredSoundFont());
    QCOMPARE(defaultSoundFonts().first(), requiredSoundFont());
}

void MediaDeviceTest::lengthFromEngine_data() {
    QTest::addColumn<qint64>("durationNs");
    QTest::addColumn<qint64>("startNs");
    QTest::addColumn<int>("lengthMs");
    QTest::newRow("starts at 0") << qint64(2'500'000'000) << qint64(0) << 2500;
    // A program stream whose pictures start later than its first clock reference.
    QTest::newRow("starts later") << qint64(2'166'000'000) << qint64(541'000'000) << 2707;
    QTest::newRow("unknown duration") << qint64(-1) << qint64(541'000'000) << 541;
    QTest::newRow("beyond 32 bits of ms") << qint64(1) << (qint64(1) << 62) << INT32_MAX;
}

void MediaDeviceTest::lengthFromEngine() {
    QFETCH(qint64, durationNs);
    QFETCH(qint64, startNs);
    QFETCH(int, lengthMs);
    QCOMPARE(zarovia::media::lengthFromEngine(durationNs, startNs), lengthMs);
}

void MediaDeviceTest::followEnginePosition_data() {
    QTest::addColumn<std::optional<int>>("engine");
    QTest::addColumn<int>("lastKnown");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("reported");
    QTest::newRow("the engine's answer") << std::optional<int>(1200) << 1100 << 3000 << 1200;
    // A failed query must not read as 0: the bar would seek the media back to the start.
    QTest::newRow("no answer: the last known") << std::optional<int>() << 1100 << 3000 << 1100;
    QTest::newRow("past the end: the length") << std::optional<int>(3050) << 2990 << 3000 << 3000;
    QTest::newRow("no length known: unclamped") << std::optional<int>(3050) << 2990 << 0 << 3050;
}

void MediaDeviceTest::followEnginePosition() {
    QFETCH(std::optional<int>, engine);
    QFETCH(int, lastKnown);
    QFETCH(int, length);
    QFETCH(int, reported);
    QCOMPARE(zarovia::media::followEnginePosition(engine, lastKnown, length), reported);
}

void MediaDeviceTest::workerRunsInOrderAndSurvivesFailures() {
    QStringList done;
    std::atomic<bool> offThread{true};
    QThread* const testThread = QThread::currentThread();
    {
        EngineWorker worker;
        worker.post([&] {
            QThread::msleep(50);
            done << "first";
        });
        worker.post([] { throw std::runtime_error("a task that fails"); });
        worker.post([&] {
            done << "after the failure";
            if (QThread::currentThread() == testThread) offThread = false;
        });
    }  // the destructor lets queued work finish
    QCOMPARE(done, (QStringList{"first", "after the failure"}));
    QVERIFY(offThread);

    // A mailbox drops calls once its owner has detached it.
    QObject receiver;
    UiMailbox mailbox(&receiver);
    int calls = 0;
    mailbox.post([&] { ++calls; });
    QTRY_COMPARE(calls, 1);
    mailbox.detach();
    mailbox.post([&] { ++calls; });
    QTest::qWait(20);
    QCOMPARE(calls, 1);
}

void MediaDeviceTest::playsAClipToTheEnd() {
    GstMediaDevice device;
    const OpenResult result = openAndWait(device, clip("blip.wav"));
    QVERIFY(result.opened);
    const int length = device.length();
    QVERIFY2(length >= 780 && length <= 820, qPrintable(QString::number(length)));

    std::optional<PlayEnd> reason;
    QElapsedTimer clock;
    clock.start();
    device.play([&reason](PlayEnd r) { reason = r; });
    QCOMPARE(device.mode(), MediaMode::Playing);
    // The position advances in real time (the fake sink is synchronised to the clock).
    QTRY_VERIFY_WITH_TIMEOUT(device.position() >= 300, 2000);
    QVERIFY2(
        device.position() <= clock.elapsed() + 100,
        qPrintable(QStringLiteral("%1 after %2 ms").arg(device.position()).arg(clock.elapsed())));

    QTRY_VERIFY_WITH_TIMEOUT(reason.has_value(), 3000);
    QVERIFY(clock.elapsed() >= length - 100);  // it took as long as the sound lasts
    QCOMPARE(*reason, PlayEnd::Reached);
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QCOMPARE(device.position(), length);

    device.close();
    QVERIFY(!device.isOpen());
    QCOMPARE(device.mode(), MediaMode::NotOpen);
    QCOMPARE(device.position(), 0);
}

void MediaDeviceTest::endsEachClip_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QSize>("videoSize");
    QTest::addColumn<int>("minLength");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<int>("before");  // how far before the end play starts
    QTest::newRow("wma") << clip("tone.wma") << QSize() << 2450 << 2600 << 150;
    QTest::newRow("mid") << clip("tune.mid") << QSize() << 2950 << 3050 << 150;
    QTest::newRow("rmi") << clip("tune.rmi") << QSize() << 2950 << 3050 << 150;
    // Program streams: the first picture comes about 0.54 s after the first clock
    // reference, and positions count from it. Play from 0.3 s before the end starts after the
    // last key picture, so the video decoder has nothing to show before the end: still the end.
    QTest::newRow("mpg (MPEG-1 PS)") << clip("clip.mpg") << QSize(160, 120) << 2450 << 2750 << 300;
    QTest::newRow("mpeg (MPEG-2 PS)")
        << clip("clip.mpeg") << QSize(160, 120) << 2450 << 2750 << 300;
    QTest::newRow("avi mjpeg") << clip("clip_mjpeg.avi") << QSize(160, 120) << 2450 << 2700 << 150;
    QTest::newRow("avi mpeg4") << clip("clip_mpeg4.avi") << QSize(160, 120) << 2450 << 2550 << 150;
    QTest::newRow("avi msmpeg4v2")
        << clip("clip_msmpeg4v2.avi") << QSize(160, 120) << 2450 << 2550 << 150;
    QTest::newRow("avi raw") << clip("clip_raw.avi") << QSize(32, 24) << 2450 << 2650 << 150;
}

void MediaDeviceTest::endsEachClip() {
    QFETCH(QByteArray, path);
    QFETCH(QSize, videoSize);
    QFETCH(int, minLength);
    QFETCH(int, maxLength);
    QFETCH(int, before);

    GstMediaDevice device;
    const OpenResult result = openAndWait(device, path);
    ZAROVIA_REQUIRE_INPUT(result.failure != MediaErrorKind::MissingPlugin, result.detail);
    QVERIFY2(result.opened, qPrintable(mediaErrorText(
                                result.failure.value_or(MediaErrorKind::Timeout), result.detail)));
    QVERIFY(device.canPlay());
    QCOMPARE(device.hasVideo(), videoSize.isValid());
    QCOMPARE(device.naturalVideoSize(), videoSize.isValid() ? videoSize : QSize());
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QCOMPARE(device.position(), 0);
    const int length = device.length();
    QVERIFY2(length >= minLength && length <= maxLength, qPrintable(QString::number(length)));

    // Shortly before the end, then on to it: the end notification, and the position at the
    // length.
    device.seek(length - before);
    QCOMPARE(device.position(), length - before);
    std::optional<PlayEnd> reason;
    device.play([&reason](PlayEnd r) { reason = r; });
    QTRY_VERIFY_WITH_TIMEOUT(reason.has_value(), 3000);
    QCOMPARE(*reason, PlayEnd::Reached);
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QCOMPARE(device.position(), length);
}

void MediaDeviceTest::openReturnsBeforeItsResult() {
    GstMediaDevice device;
    QSignalSpy opened(&device, &MediaDevice::opened);
    QSignalSpy failed(&device, &MediaDevice::openFailed);
    // Even a file that fails at once reports it later, on this thread, through the signal.
    device.open(clip("bad_text.mid"));
    QCOMPARE(device.mode(), MediaMode::Opening);
    QVERIFY(device.isOpening());
    QVERIFY(!device.isOpen());
    QCOMPARE(failed.count(), 0);
    QVERIFY_THROWS_EXCEPTION(MediaError, device.play({}));  // nothing is open yet
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(opened.count(), 0);
    QCOMPARE(device.mode(), MediaMode::NotOpen);

    device.open(clip("clip.mpg"));
    QCOMPARE(opened.count(), 0);
    QTRY_COMPARE(opened.count(), 1);
    QCOMPARE(failed.count(), 1);
    QVERIFY(device.isOpen());
}

void MediaDeviceTest::seeksAndRewinds_data() {
    QTest::addColumn<QByteArray>("path");
    QTest::newRow("mid") << clip("tune.mid");
    QTest::newRow("wav") << clip("tone.wav");
    QTest::newRow("mpg") << clip("clip.mpg");
    QTest::newRow("avi") << clip("clip_mpeg4.avi");
}

void MediaDeviceTest::seeksAndRewinds() {
    QFETCH(QByteArray, path);
    GstMediaDevice device;
    QVERIFY(openAndWait(device, path).opened);
    device.seek(1000);
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QCOMPARE(device.position(), 1000);  // at once, before the engine has done it
    QVERIFY(waitUntilSettled(device));

    // Playing on from there, the engine's position; a seek while playing stops the device and
    // aborts the play.
    std::optional<PlayEnd> reason;
    device.play([&reason](PlayEnd r) { reason = r; });
    QTRY_VERIFY(device.position() >= 1150);
    QVERIFY2(device.position() < 1900, qPrintable(QString::number(device.position())));
    device.seek(500);
    QCOMPARE(device.mode(), MediaMode::Stopped);
    QCOMPARE(device.position(), 500);
    QTRY_VERIFY(reason.has_value());
    QCOMPARE(*reason, PlayEnd::Aborted);
    QVERIFY(waitUntilSettled(device));
    QCOMPARE(device.position(), 500);  // stopped: it stays

    // Nearby seeks land close to where they were asked; the position reports the request.
    device.seekNearby(1000);
    QCOMPARE(device.position(), 1000);
    QVERIFY(waitUntilSettled(device));
    device.play({});
    QTRY_VERIFY(device.position() > 1000);
    QVERIFY2(device.position() < 1800, qPrintable(QString::number(device.position())));

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

void MediaDeviceTest::staleEndDoesNotEndTheNextPlay() {
    // The end of the stream is reached and reported while this thread is busy; before it
    // gets to the report, the end rule rewinds and plays again. The old end must not end the
    // new play.
    GstMediaDevice device;
    QVERIFY(openAndWait(device, clip("tone.wav")).opened);
    device.seek(device.length() - 150);
    QVERIFY(waitUntilSettled(device));
    int ends = 0;
    device.play([&ends](PlayEnd) { ++ends; });
    QVERIFY(waitUntilSettled(device));
    QThread::msleep(300);  // the engine reaches the end meanwhile; its report waits in the queue
    device.stop();
    device.seekToStart();
    std::optional<PlayEnd> reason;
    device.play([&reason](PlayEnd r) { reason = r; });
    QTest::qWait(200);
    QVERIFY2(!reason.has_value(), "the end of the previous play ended this one");
    QCOMPARE(device.mode(), MediaMode::Playing);
    QTRY_VERIFY(device.position() >= 100);
    QCOMPARE(ends, 1);  // the first play was ended (aborted by the stop), once
}

void MediaDeviceTest::stopHoldsThePosition() {
    GstMediaDevice device;
    QVERIFY(openAndWait(device, clip("tune.mid")).opened);
    std::optional<PlayEnd> reason;
    device.play([&reason](PlayEnd r) { reason = r; });
    QTRY_VERIFY(device.position() >= 150);
    device.stop();
    QCOMPARE(device.mode(), MediaMode::Stopped);
    const int held = device.position();
    QVERIFY(held >= 150);
    QTest::qWait(100);
    QCOMPARE(device.position(), held);
    QTRY_VERIFY(reason.has_value());
    QCOMPARE(*reason, PlayEnd::Aborted);

    // Playing on starts where it stopped, not from the start.
    QVERIFY(waitUntilSettled(device));
    device.play({});
    QVERIFY(device.position() >= held);
    QTRY_VERIFY(device.position() > held + 100);
    device.seekToStart();
    QCOMPARE(device.position(), 0);
}

void MediaDeviceTest::videoFramesReachTheOutput() {
    GstMediaDevice device;
    RecordingOutput output;
    device.setVideoOutput(&output);
    device.setDisplayRect(QRect(0, 0, 10, 10));  // nothing open: ignored
    QCOMPARE(output.rect, QRect(-1, -1, -1, -1));

    QVERIFY(openAndWait(device, clip("clip_mpeg4.avi")).opened);
    QCOMPARE(output.rect, QRect());   // a new video starts at its natural size
    QTRY_VERIFY(output.frames >= 1);  // the first picture, before play
    QCOMPARE(output.lastFrameSize, QSize(160, 120));
    device.setDisplayRect(QRect(0, 0, 353, 240));
    QCOMPARE(output.rect, QRect(0, 0, 353, 240));

    const int before = output.frames;
    device.play({});
    QTRY_VERIFY(output.frames >= before + 3);

    QVERIFY(openAndWait(device, clip("tone.wav")).opened);  // closing the video clears the panel
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
    const OpenResult result = openAndWait(device, path);
    QVERIFY(!result.opened);
    QVERIFY(result.failure.has_value());
    QCOMPARE(int(*result.failure), kind);
    if (*result.failure == MediaErrorKind::MissingPlugin) {
        // The text names what is missing.
        const QString text = MediaError(*result.failure, result.detail).message();
        QVERIFY2(text.startsWith(mediaErrorText(MediaErrorKind::MissingPlugin, {})) &&
                     text.contains(QLatin1String("decoder")),
                 qPrintable(text));
    }
    QVERIFY(!device.isOpen());
    QCOMPARE(device.mode(), MediaMode::NotOpen);
}

void MediaDeviceTest::laterOpenWinsAndCloseAbandons() {
    GstMediaDevice device;
    QSignalSpy opened(&device, &MediaDevice::opened);
    QSignalSpy failed(&device, &MediaDevice::openFailed);
    // The first result would be a failure; it belongs to a file already left.
    device.open(clip("bad_random.avi"));
    device.open(clip("tone.wav"));
    QTRY_COMPARE(opened.count(), 1);
    QTest::qWait(100);  // longer than the random file takes to fail
    QCOMPARE(failed.count(), 0);

    // Closed while opening: no result at all, and the device stays closed.
    device.open(clip("clip.mpg"));
    device.close();
    QTest::qWait(150);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(device.mode(), MediaMode::NotOpen);
}

void MediaDeviceTest::failedOpenAfterGoodOneLeavesNoDevice() {
    GstMediaDevice device;
    QVERIFY(openAndWait(device, clip("tone.wav")).opened);
    device.play({});
    QVERIFY(openAndWait(device, clip("bad_text.mid")).failure.has_value());
    QVERIFY(!device.isOpen());
    QCOMPARE(device.position(), 0);
    // And a folder named like a media file is refused as unreadable, not played.
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.filePath(QStringLiteral("folder.wav")));
    QVERIFY(QDir().mkdir(QFile::decodeName(folder)));
    QVERIFY(openAndWait(device, folder).failure == MediaErrorKind::AccessDenied);
}

void MediaDeviceTest::destroyedWhileOpening() {
    for (const char* name : {"clip.mpg", "bad_truncated.mpg", "tune.mid"}) {
        auto device = std::make_unique<GstMediaDevice>();
        RecordingOutput output;
        device->setVideoOutput(&output);
        device->open(clip(name));
        device.reset();  // the engine's work is abandoned; nothing reaches the gone device
        QTest::qWait(20);
        QCOMPARE(output.frames, 0);
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
    expectNoDevice([&] { device.seekNearby(100); });
    expectNoDevice([&] { (void)device.length(); });
    QCOMPARE(device.position(), 0);
    QCOMPARE(device.mode(), MediaMode::NotOpen);
    device.close();
}

void MediaDeviceTest::missingSoundFontIsNamed() {
    GstDeviceOptions options;
    options.soundFontCandidates = {QStringLiteral("/nonexistent/TimGM6mb.sf2")};
    GstMediaDevice device(options);
    const OpenResult result = openAndWait(device, clip("tune.mid"));
    QVERIFY(result.failure == MediaErrorKind::MissingSoundFont);
    const QString text = MediaError(*result.failure, result.detail).message();
    QVERIFY(text.contains(QLatin1String("timgm6mb-soundfont")));
    QVERIFY(text.contains(QLatin1String("TimGM6mb.sf2")));
    QVERIFY(openAndWait(device, clip("tone.wav")).opened);  // other sounds need no sound font
}

QTEST_GUILESS_MAIN(MediaDeviceTest)
#include "test_media_device.moc"
