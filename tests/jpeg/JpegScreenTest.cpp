#include "JpegScreenTest.h"

#include "JpegTestFiles.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/jpeg/JpegPictureData.h"
#include "platform/Cancellation.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTest>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>

using namespace zarovia::picture;
using namespace zarovia::picture::jpeg;
using namespace zarovia::picture::jpeg::test;

namespace {

const QByteArray& quadrants() {
    static const QByteArray bytes = encodeRgb(quadrantPattern(1600, 1200));
    return bytes;
}

const QByteArray& damagedProgressive() {
    static const QByteArray bytes = [] {
        EncodeOptions options;
        options.coding = Coding::Progressive;
        return withFatalTableAfterFirstScan(encodeRgb(quadrantPattern(640, 480), options));
    }();
    return bytes;
}

// The file opened again, read in pieces of 1 KiB, each taking `pieceMs`; counts the opens.
JpegReopen slowFile(const QByteArray& bytes, std::shared_ptr<std::atomic<int>> opens, int pieceMs) {
    return [=]() -> ChunkReader {
        ++*opens;
        auto offset = std::make_shared<qsizetype>(0);
        return [=]() -> QByteArray {
            QThread::msleep(static_cast<unsigned long>(pieceMs));
            const QByteArray piece = bytes.mid(*offset, 1024);
            *offset += piece.size();
            return piece;
        };
    };
}

std::int64_t pixelBytes(QSize size) {
    return size.isEmpty() ? 0 : 4LL * size.width() * size.height();
}

}  // namespace

// What the cache counts and asks: the file's bytes while held, the screen decode and its copy
// for another size; ready only for the size of a copy made from a decode that did not fail.
void JpegScreenTest::whatItHoldsAndWhenItIsReady_data() {
    QTest::addColumn<QString>("source");  // held: bytes only; file: read again; damaged
    QTest::addColumn<QSize>("prepared");  // empty: nothing prepared
    QTest::addColumn<QSize>("painted");   // empty: not painted
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<bool>("bytesHeld");
    QTest::addColumn<QSize>("decoded");
    QTest::addColumn<QSize>("copy");  // empty: the copy is the decode itself
    const QSize none;
    QTest::newRow("bytes, nothing decoded")
        << "held" << none << none << QSize(320, 240) << false << true << none << none;
    QTest::newRow("bytes kept without a file to read again")
        << "held" << QSize(320, 240) << none << QSize(320, 240) << true << true << QSize(320, 240)
        << none;
    QTest::newRow("bytes let go once decoded")
        << "file" << QSize(320, 240) << none << QSize(320, 240) << true << false << QSize(320, 240)
        << none;
    QTest::newRow("prepared for another size")
        << "file" << QSize(320, 240) << none << QSize(200, 150) << false << false << QSize(320, 240)
        << none;
    QTest::newRow("painted at another size: its copy counts")
        << "file" << QSize(320, 240) << QSize(200, 150) << QSize(200, 150) << true << false
        << QSize(320, 240) << QSize(200, 150);
    QTest::newRow("the copy for one size is not ready for another")
        << "file" << QSize(320, 240) << QSize(200, 150) << QSize(320, 240) << false << false
        << QSize(320, 240) << QSize(200, 150);
    QTest::newRow("a failed decode keeps its bytes and is never ready")
        << "damaged" << QSize(80, 60) << none << QSize(80, 60) << false << true << QSize(80, 60)
        << none;
}

void JpegScreenTest::whatItHoldsAndWhenItIsReady() {
    QFETCH(QString, source);
    QFETCH(QSize, prepared);
    QFETCH(QSize, painted);
    QFETCH(QSize, asked);
    QFETCH(bool, ready);
    QFETCH(bool, bytesHeld);
    QFETCH(QSize, decoded);
    QFETCH(QSize, copy);
    const QByteArray& bytes = source == u"damaged" ? damagedProgressive() : quadrants();
    auto opens = std::make_shared<std::atomic<int>>(0);
    const Picture picture =
        source == u"held" ? loadJpeg(bytes) : loadJpeg(bytes, slowFile(bytes, opens, 0));
    if (!prepared.isEmpty()) picture.prepare(prepared);
    if (!painted.isEmpty()) {
        QImage canvas(painted, QImage::Format_RGB32);
        QPainter painter(&canvas);
        picture.draw(painter, QRectF(QPointF(0, 0), painted));
    }
    QCOMPARE(jpegData(picture).screenState().decodedSize, decoded);
    QCOMPARE(picture.isReadyFor(asked), ready);
    const std::int64_t expected =
        (bytesHeld ? bytes.size() : 0) + pixelBytes(decoded) + pixelBytes(copy);
    QCOMPARE(picture.residentBytes(), expected);
    QCOMPARE(*opens, 0);  // the bytes at hand served the one decode
}

// A second thread asking while a decode is under way waits for it when it covers the size
// asked for (the file opened once), and decodes for itself when it does not.
void JpegScreenTest::aDecodeUnderWayServesTheSizesItCovers_data() {
    QTest::addColumn<QSize>("first");
    QTest::addColumn<QSize>("second");
    QTest::addColumn<int>("opens");
    QTest::addColumn<int>("denominator");  // the decode published last
    QTest::newRow("the same size") << QSize(400, 300) << QSize(400, 300) << 1 << 4;
    QTest::newRow("smaller, within the whole decode at 1/4")
        << QSize(400, 300) << QSize(200, 150) << 1 << 4;
    QTest::newRow("larger than a decode shrunk to its size")
        << QSize(300, 225) << QSize(350, 262) << 2 << 4;
    QTest::newRow("a larger scale") << QSize(200, 150) << QSize(800, 600) << 2 << 2;
}

void JpegScreenTest::aDecodeUnderWayServesTheSizesItCovers() {
    QFETCH(QSize, first);
    QFETCH(QSize, second);
    QFETCH(int, opens);
    QFETCH(int, denominator);
    auto opened = std::make_shared<std::atomic<int>>(0);
    // About half a second a decode, so the second thread asks while the first decodes.
    const int pieceMs = std::max(1, static_cast<int>(500 / (quadrants().size() / 1024 + 1)));
    const Picture picture =
        loadJpegFromHead(quadrants().left(1000), slowFile(quadrants(), opened, pieceMs));
    std::thread firstThread([&] { picture.prepare(first); });
    QElapsedTimer clock;
    clock.start();
    while (*opened == 0 && clock.elapsed() < 10000) QThread::msleep(1);
    std::thread secondThread([&] { picture.prepare(second); });
    firstThread.join();
    secondThread.join();
    QCOMPARE(int(*opened), opens);
    const auto state = jpegData(picture).screenState();
    QCOMPARE(state.scaleDenominator, denominator);
    QCOMPARE(state.failureCode, 0);
    QVERIFY(picture.isPreparedFor(second));
}

// A job no longer wanted stops waiting for another thread's decode at its next checkpoint,
// rather than when that decode ends.
void JpegScreenTest::waitingForAnotherThreadsDecodeStopsWhenUnwanted() {
    auto opened = std::make_shared<std::atomic<int>>(0);
    // About five seconds a decode, unless its job is dropped.
    const int pieceMs = std::max(1, static_cast<int>(5000 / (quadrants().size() / 1024 + 1)));
    const Picture picture =
        loadJpegFromHead(quadrants().left(1000), slowFile(quadrants(), opened, pieceMs));
    std::atomic<bool> firstWanted{true};
    std::thread firstThread([&] {
        const zarovia::CancellationScope scope([&] { return firstWanted.load(); });
        try {
            picture.prepare(QSize(400, 300));
        } catch (const zarovia::WorkCancelled&) {
        }
    });
    QElapsedTimer clock;
    clock.start();
    while (*opened == 0 && clock.elapsed() < 10000) QThread::msleep(1);
    bool cancelled = false;
    clock.restart();
    {
        const zarovia::CancellationScope scope([] { return false; });
        try {
            picture.prepare(QSize(400, 300));
        } catch (const zarovia::WorkCancelled&) {
            cancelled = true;
        }
    }
    const qint64 waited = clock.elapsed();
    firstWanted = false;
    firstThread.join();
    QVERIFY(cancelled);
    QCOMPARE(int(*opened), 1);
    QVERIFY2(waited < 500, qPrintable(QString::number(waited)));
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 0);  // nothing was published
}
