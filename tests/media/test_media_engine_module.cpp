// The media engine as the program gets it: a module loaded at first use. With the module where
// ZAROVIA_MEDIA_ENGINE names it, a device plays; with no module there, every open fails and
// says what is missing.
#include "media/MediaDevice.h"
#include "media/MediaErrors.h"
#include "media/engine/MediaEngineLoader.h"
#include "support/QuickTry.h"

#include <QSignalSpy>
#include <QtTest>

using namespace zarovia;
using media::MediaErrorKind;

class MediaEngineModuleTest : public QObject {
    Q_OBJECT

private slots:
#ifndef ZAROVIA_ENGINE_MISSING
    void deviceComesFromTheModule() {
        startMediaEngineEarly();
        const std::unique_ptr<media::MediaDevice> device = createEngineMediaDevice();
        QSignalSpy opened(device.get(), &media::MediaDevice::opened);
        QSignalSpy failed(device.get(), &media::MediaDevice::openFailed);
        device->open(QByteArrayLiteral(ZAROVIA_TEST_DATA "/media/tone.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(opened.count() + failed.count() > 0, 10000);
        QVERIFY2(failed.isEmpty(),
                 failed.isEmpty() ? "" : qPrintable(failed.first().at(1).toString()));
        QVERIFY(device->isOpen());
        QVERIFY2(device->length() > 2000 && device->length() < 3000,
                 qPrintable(QString::number(device->length())));
        device->seek(1000);
        QCOMPARE(device->position(), 1000);
        std::optional<media::PlayEnd> end;
        device->seek(device->length() - 100);
        device->play([&end](media::PlayEnd reason) { end = reason; });
        QTRY_VERIFY_WITH_TIMEOUT(end.has_value(), 5000);
        QCOMPARE(*end, media::PlayEnd::Reached);
    }
#else
    void missingModuleFailsEveryOpen() {
        startMediaEngineEarly();  // quiet
        const std::unique_ptr<media::MediaDevice> device = createEngineMediaDevice();
        QSignalSpy failed(device.get(), &media::MediaDevice::openFailed);
        device->open(QByteArrayLiteral(ZAROVIA_TEST_DATA "/media/tone.wav"));
        QCOMPARE(failed.count(), 0);  // reported later, as any open's result
        QTRY_COMPARE(failed.count(), 1);
        QCOMPARE(failed.first().at(0).value<MediaErrorKind>(), MediaErrorKind::MissingPlugin);
        const QString text =
            media::MediaError(MediaErrorKind::MissingPlugin, failed.first().at(1).toString())
                .message();
        QVERIFY2(text.contains(QLatin1String("libzarovia_media_engine.so")), qPrintable(text));
        QVERIFY(!device->isOpen());
        QVERIFY_THROWS_EXCEPTION(media::MediaError, device->play({}));
    }
#endif
};

QTEST_MAIN(MediaEngineModuleTest)
#include "test_media_engine_module.moc"
