#include "JpegWorkTest.h"

#include "JpegTestFiles.h"
#include "picture/jpeg/DctScale.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegSession.h"
#include "platform/Cancellation.h"
#include "support/ManyScanJpeg.h"

#include <QTest>
#include <atomic>
#include <cstdlib>
#include <memory>

using namespace zarovia;
using namespace zarovia::picture;
using namespace zarovia::picture::jpeg;
using namespace zarovia::picture::jpeg::test;

// Named, not anonymous: the test methods' lambdas capture these types, which a unity build
// would otherwise flag.
namespace jpeg_work_test {

// Pieces of `bytes` of `size` each, counting the pieces handed out; each piece passes a
// checkpoint first, as a read from the file does.
struct CountedPieces {
    std::shared_ptr<std::atomic<int>> pulled = std::make_shared<std::atomic<int>>(0);
    ChunkReader reader(const QByteArray& bytes, qsizetype size) const {
        auto offset = std::make_shared<qsizetype>(0);
        return [bytes, size, offset, pulled = pulled] {
            checkpoint();
            const QByteArray piece = bytes.mid(*offset, size);
            *offset += piece.size();
            ++*pulled;
            return piece;
        };
    }
};

}  // namespace jpeg_work_test

using namespace jpeg_work_test;

void JpegWorkTest::manyScansStopAtTheWorkCap_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("scans");
    QTest::addColumn<bool>("capped");
    // 1.56 million blocks a scan: the cap falls after 21 of them. (The largest grey picture
    // whose coefficients libjpeg's working memory holds is about 10000 x 10000.)
    QTest::newRow("1000 scans, 10000 x 10000") << QSize(10000, 10000) << 1000 << true;
    QTest::newRow("1000 scans, 800 x 600") << QSize(800, 600) << 1000 << false;
    QTest::newRow("40 scans, 4096 x 4096") << QSize(4096, 4096) << 40 << false;
    // Holding no data, the scans cost the same visits.
    QTest::newRow("1000 empty scans, 10000 x 10000") << QSize(10000, 10000) << -1000 << true;
}

void JpegWorkTest::manyScansStopAtTheWorkCap() {
    QFETCH(QSize, size);
    QFETCH(int, scans);
    QFETCH(bool, capped);
    const bool withData = scans > 0;
    scans = std::abs(scans);
    const QByteArray bytes =
        testing::manyScanProgressiveJpeg(size.width(), size.height(), scans, withData);
    const JpegHeader header = readJpegHeader(bytes);
    QVERIFY(header.progressive);
    const std::int64_t blocksPerScan =
        std::int64_t((size.width() + 7) / 8) * ((size.height() + 7) / 8);

    // As the screen decodes it for a 640 x 480 window, shrunk to the size shown.
    const int denominator = coveringScaleDenominator(size, QSize(640, 480));
    const QSize shown = QSize(640, 480).boundedTo(scaledOutputSize(size, denominator));
    const DecodedJpeg decoded =
        decodeJpegFitted(bytes, header, denominator, shown, OnFailure::KeepPartial);
    QCOMPARE(decoded.failureCode, 0);  // the cap is no failure: what was read is shown
    QCOMPARE(decoded.image.size(), shown);
    QCOMPARE(decoded.stoppedAtWorkCap, capped);
    const std::int64_t scansRead = capped ? kMaxScanBlockVisits / blocksPerScan : scans;
    QCOMPARE(decoded.blockVisits, scansRead * blocksPerScan);
    QVERIFY(decoded.blockVisits <= kMaxScanBlockVisits);
    // Every coefficient is zero: mid-grey.
    QCOMPARE(decoded.image.pixel(shown.width() / 2, shown.height() / 2), qRgb(128, 128, 128));
    // libjpeg's memory, as its budget account counted it: the whole coefficient buffer (128
    // bytes a block) was counted before it was made, and the total stayed within the budget.
    QVERIFY2(decoded.workingPeakBytes >= blocksPerScan * 128,
             qPrintable(QString::number(decoded.workingPeakBytes)));
    QVERIFY(decoded.workingPeakBytes <= kMaxLibjpegMemory);
}

void JpegWorkTest::abandonedDecodeStopsAtItsNextCheckpoint_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("inPasses");
    const QImage detail = detailedPattern(1024, 768);
    EncodeOptions progressive;
    progressive.coding = Coding::Progressive;
    // Left while its rows come out.
    QTest::newRow("baseline") << encodeRgb(detail) << false;
    // Left when its first look arrives, before the other scans are read.
    QTest::newRow("progressive") << encodeRgb(detail, progressive) << true;
    QTest::newRow("many scans") << testing::manyScanProgressiveJpeg(2048, 2048, 200) << true;
}

void JpegWorkTest::abandonedDecodeStopsAtItsNextCheckpoint() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, inPasses);
    const JpegHeader header = readJpegHeader(bytes);
    CountedPieces pieces;
    std::atomic<bool> wanted{true};
    int pulledWhenLeft = -1;
    const auto leave = [&] {
        wanted = false;
        pulledWhenLeft = *pieces.pulled;
    };
    // Small pieces: the file is read as the decode goes.
    const ChunkReader reader = pieces.reader(bytes, 512);
    const ChunkReader leavingReader = [&, reader] {
        if (!inPasses && *pieces.pulled == 8) leave();
        return reader();
    };
    bool stopped = false;
    int looks = 0;
    {
        CancellationScope scope([&] { return wanted.load(); });
        try {
            decodeJpeg(leavingReader, header, 1, OnFailure::KeepPartial, [&](const QImage&) {
                ++looks;
                leave();
            });
        } catch (const WorkCancelled&) {
            stopped = true;
        }
    }
    QVERIFY(stopped);
    QCOMPARE(looks, inPasses ? 1 : 0);
    QVERIFY(pulledWhenLeft > 0);
    // The next read of the file, at the latest, was the stop: nothing read beyond it.
    QVERIFY2(*pieces.pulled <= pulledWhenLeft + 1,
             qPrintable(
                 QStringLiteral("%1 pieces, left at %2").arg(*pieces.pulled).arg(pulledWhenLeft)));
    QVERIFY(*pieces.pulled * 512 < bytes.size());
}

void JpegWorkTest::abandonedPrepareLeavesThePictureUndecoded() {
    const Picture picture = loadJpeg(encodeRgb(detailedPattern(800, 600)));
    {
        CancellationScope scope([] { return false; });
        QVERIFY_THROWS_EXCEPTION(WorkCancelled, picture.prepare(QSize(400, 300)));
    }
    QCOMPARE(jpegData(picture).screenState().scaleDenominator, 0);
    QVERIFY(!picture.isPreparedFor(QSize(400, 300)));
    // Shown after all (another scope, or the window's thread): it decodes as ever.
    picture.prepare(QSize(400, 300));
    QVERIFY(picture.isPreparedFor(QSize(400, 300)));
    QCOMPARE(jpegData(picture).screenState().failureCode, 0);
}
