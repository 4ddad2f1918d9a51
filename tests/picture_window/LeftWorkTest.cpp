// Work for files the user has left, through the real window: a slow read stops at once and frees
// its worker, a small picture opened next is shown while every worker is stuck in a read that
// passes no checkpoint, a many-scan progressive JPEG is shown within its work cap, and the window
// goes without waiting for a stuck worker.
#include "picture/PictureCache.h"
#include "picture/jpeg/JpegPictureData.h"
#include "picture/jpeg/JpegSession.h"
#include "picture/widgets/ImageView.h"
#include "platform/WorkerPool.h"
#include "support/FakeServices.h"
#include "support/ManyScanJpeg.h"
#include "support/QuickTry.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace zarovia;

namespace {

// A picture alone in a folder of its own, so that nothing is read ahead beside it.
QByteArray writeAlone(const QTemporaryDir& dir, const QString& folder, const QString& name,
                      QSize size) {
    QDir(dir.path()).mkpath(folder);
    const QString path = dir.filePath(folder + u'/' + name);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    image.save(path, name.endsWith(QLatin1String(".bmp")) ? "BMP" : "JPEG");
    return QFile::encodeName(path);
}

}  // namespace

class LeftWorkTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    std::unique_ptr<QTemporaryDir> dir;

    void open(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
    }
    bool settle(int ms = 10000) {
        return QTest::qWaitFor([&] { return !form->isLoading(); }, ms);
    }
    WorkerPool& workers() { return *form->pictureCache().workers(); }
    QSize shownSize() { return form->Image2->picture().size(); }

private slots:
    void initTestCase() { window::substitutePlatformFonts(); }
    void init() {
        rec = testing::Recorded();
        dir = std::make_unique<QTemporaryDir>();
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    // A read of five seconds, for a picture the user leaves at once: it stops at its next
    // checkpoint, the picture opened instead is shown, and no worker stays busy.
    void aSlowReadTheUserLeftStops() {
        const QByteArray slow = writeAlone(*dir, "slow", "slow.jpg", {64, 48});
        const QByteArray next = writeAlone(*dir, "next", "next.bmp", {30, 20});
        *rec.readDelayMs = 5000;
        open(slow);
        QTRY_VERIFY(*rec.reads >= 1);
        *rec.readDelayMs = 0;
        open(next);
        QVERIFY(settle());
        QCOMPARE(shownSize(), QSize(30, 20));
        QVERIFY(rec.errors.isEmpty());
        // The abandoned read would hold its worker five seconds.
        QTRY_VERIFY_WITH_TIMEOUT(workers().busyThreads() == 0, 1000);
    }

    // Both workers held by reads that pass no checkpoint (a dead network share) for the files
    // the user has left: a small bitmap opened next is still shown, in well under the time the
    // reads hold on.
    void aSmallPictureIsShownWhileEveryWorkerIsStuck() {
        const QByteArray stuck1 = writeAlone(*dir, "one", "stuck1.jpg", {64, 48});
        const QByteArray stuck2 = writeAlone(*dir, "two", "stuck2.jpg", {64, 48});
        const QByteArray small = writeAlone(*dir, "small", "small.bmp", {12, 9});
        *rec.blockingReads = 1;
        *rec.readDelayMs = 12000;
        open(stuck1);
        QTRY_VERIFY(*rec.reads >= 1);
        open(stuck2);
        QTRY_VERIFY(workers().busyThreads() == 2);
        *rec.readDelayMs = 0;
        QElapsedTimer clock;
        clock.start();
        open(small);
        QVERIFY(settle(20000));
        const qint64 shownAfter = clock.elapsed();
        QCOMPARE(shownSize(), QSize(12, 9));
        QVERIFY2(shownAfter < 3000, qPrintable(QString::number(shownAfter)));
    }

    // A progressive JPEG of 1000 scans over 10000 x 10000 pixels: shown mid-grey at its fitted
    // size with its scans read up to the work cap, never all of them.
    void aManyScanJpegIsShownWithinItsCap() {
        const QString path = dir->filePath(QStringLiteral("scans.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(testing::manyScanProgressiveJpeg(10000, 10000, 1000));
        file.close();
        open(QFile::encodeName(path));
        QVERIFY(settle(60000));
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        QCOMPARE(shownSize(), QSize(10000, 10000));
        const auto* jpeg =
            dynamic_cast<const picture::jpeg::JpegPictureData*>(form->Image2->picture().data());
        QVERIFY(jpeg);
        const auto state = jpeg->screenState();
        QVERIFY(state.stoppedAtWorkCap);
        QVERIFY(state.blockVisits <= picture::jpeg::kMaxScanBlockVisits);
        QVERIFY(state.workingPeakBytes <= picture::jpeg::kMaxLibjpegMemory);
        const QImage shown = form->Image2->grab().toImage();
        QCOMPARE(qGray(shown.pixel(shown.width() / 2, shown.height() / 2)), 128);
    }

    // The window goes while a worker is stuck in a read that passes no checkpoint: it does not
    // wait for the read (twelve seconds).
    void theWindowGoesWithoutWaitingForAStuckWorker() {
        const QByteArray stuck = writeAlone(*dir, "stuck", "stuck.jpg", {64, 48});
        *rec.blockingReads = 1;
        *rec.readDelayMs = 12000;
        open(stuck);
        QTRY_VERIFY(workers().busyThreads() == 1);
        QElapsedTimer clock;
        clock.start();
        form.reset();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_MAIN(LeftWorkTest)
#include "LeftWorkTest.moc"
