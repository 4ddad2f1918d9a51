// A media device there at once while what it needs loads on a thread of its own: requests made
// meanwhile, the open handed on, the made device's signals, a close or a destruction before it
// is made.
#include "media/DeferredMediaDevice.h"
#include "media/testing/FakeMediaDevice.h"
#include "support/QuickTry.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>

using namespace zarovia::media;

// Named, not anonymous: the test methods' lambdas capture these types, which a unity build
// would otherwise flag.
namespace deferred_device_test {

// A preparation that takes as long as the test says, and a maker that records where it ran.
struct Rig {
    std::shared_ptr<std::atomic<bool>> release = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<int>> made = std::make_shared<std::atomic<int>>(0);
    FakeMediaDevice* fake = nullptr;
    QThread* madeOn = nullptr;

    std::unique_ptr<DeferredMediaDevice> device() {
        return std::make_unique<DeferredMediaDevice>(
            [release = release] {
                while (!release->load()) QThread::msleep(1);
            },
            [this, made = made] {
                ++*made;
                madeOn = QThread::currentThread();
                auto device = std::make_unique<FakeMediaDevice>();
                fake = device.get();
                return device;
            });
    }
};

class RecordingOutput : public VideoOutput {
public:
    void presentFrame(const QImage&) override {}
    void setDisplayRect(const QRect&) override {}
    void clearVideo() override {}
};

}  // namespace deferred_device_test

using namespace deferred_device_test;

class DeferredDeviceTest : public QObject {
    Q_OBJECT

private slots:
    void requestsWhileItIsPrepared() {
        Rig rig;
        auto device = rig.device();
        QCOMPARE(device->mode(), MediaMode::NotOpen);
        device->open("clip.mpg");
        QCOMPARE(device->mode(), MediaMode::Opening);
        QVERIFY(device->isOpening());
        QVERIFY(!device->isOpen());
        QVERIFY(!device->hasVideo());
        QCOMPARE(device->position(), 0);
        QCOMPARE(device->naturalVideoSize(), QSize());
        QVERIFY_THROWS_EXCEPTION(MediaError, device->play({}));
        QVERIFY_THROWS_EXCEPTION(MediaError, device->stop());
        QVERIFY_THROWS_EXCEPTION(MediaError, device->seek(10));
        QVERIFY_THROWS_EXCEPTION(MediaError, (void)device->length());
        device->setDisplayRect(QRect(0, 0, 10, 10));  // nothing to apply it to: ignored
        QTest::qWait(50);
        QCOMPARE(*rig.made, 0);
        rig.release->store(true);
    }

    // Once made (on the device's own thread), the device gets the open kept meanwhile, the
    // video output, and every request after; its signals are the stand-in's.
    void theOpenIsHandedOnWhenTheDeviceIsMade() {
        Rig rig;
        auto device = rig.device();
        RecordingOutput output;
        device->setVideoOutput(&output);
        QSignalSpy opened(device.get(), &MediaDevice::opened);
        QSignalSpy lengths(device.get(), &MediaDevice::lengthChanged);
        device->open("first.mpg");
        device->open("clip.mpg");  // the later open wins, as with any device
        rig.release->store(true);
        QTRY_COMPARE(opened.count(), 1);
        QCOMPARE(*rig.made, 1);
        QCOMPARE(rig.madeOn, device->thread());
        QCOMPARE(rig.fake->log, QStringList{QStringLiteral("open clip.mpg")});
        QCOMPARE(rig.fake->output, &output);
        QVERIFY(device->isOpen());
        QVERIFY(device->hasVideo());
        rig.fake->lengthMs = 1234;
        QCOMPARE(device->length(), 1234);
        device->play({});
        device->seek(100);
        QCOMPARE(rig.fake->log.mid(1),
                 (QStringList{QStringLiteral("play"), QStringLiteral("seek 100")}));
        rig.fake->changeLength(2000);
        QCOMPARE(lengths.count(), 1);
    }

    void aFailedOpenIsReportedAsTheDevicesOwn() {
        Rig rig;
        auto device = rig.device();
        QSignalSpy failed(device.get(), &MediaDevice::openFailed);
        device->open("clip.mpg");
        rig.release->store(true);
        QTRY_VERIFY(rig.fake != nullptr);
        QCOMPARE(failed.count(), 0);
        rig.fake->failNextOpen = MediaErrorKind::NotPlayable;
        device->open("other.avi");
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(failed.first().at(0).value<MediaErrorKind>(), MediaErrorKind::NotPlayable);
    }

    void aCloseBeforeItIsMadeDropsTheOpen() {
        Rig rig;
        auto device = rig.device();
        device->open("clip.mpg");
        device->close();
        QCOMPARE(device->mode(), MediaMode::NotOpen);
        rig.release->store(true);
        QTRY_COMPARE(*rig.made, 1);
        QVERIFY(rig.fake->log.isEmpty());
        QCOMPARE(device->mode(), MediaMode::NotOpen);
    }

    // The window goes while the engine still loads: nothing is made, nothing breaks.
    void goneBeforeItIsMade() {
        Rig rig;
        auto made = rig.made;
        auto release = rig.release;
        {
            auto device = rig.device();
            device->open("clip.mpg");
        }
        release->store(true);
        QTest::qWait(50);
        QCOMPARE(*made, 0);
    }
};

QTEST_MAIN(DeferredDeviceTest)
#include "test_deferred_device.moc"
