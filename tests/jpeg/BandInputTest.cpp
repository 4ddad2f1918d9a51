#include "BandInputTest.h"

#include "JpegTestFiles.h"
#include "picture/jpeg/DecodeThreads.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegOutput.h"
#include "platform/Cancellation.h"

#include <QTest>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

using namespace zarovia;
using namespace zarovia::picture::jpeg;

namespace {

QByteArray restartFile() {
    test::EncodeOptions options;
    options.restartRows = 1;
    options.fullChroma = false;
    return test::encodeRgb(test::detailedPattern(301, 419), options);
}

// Hands `bytes` over `piece` bytes at a time; throws once `failAt` bytes are handed over. The
// first `slowPieces` pieces take a millisecond each, so that a second reader of the same file
// finds the middle of it well before the first gets there.
ChunkReader piecesOf(const QByteArray& bytes, qsizetype piece, qsizetype failAt = -1,
                     int slowPieces = 0) {
    auto offset = std::make_shared<qsizetype>(0);
    auto handed = std::make_shared<int>(0);
    return [=]() -> QByteArray {
        if ((*handed)++ < slowPieces) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (failAt >= 0 && *offset >= failAt) throw std::runtime_error("read error");
        const QByteArray out = bytes.mid(*offset, piece);
        *offset += out.size();
        return out;
    };
}

// The file read in pieces, as a picture shown from its head reads it, and opened again for a
// second band.
JpegInput inPieces(const QByteArray& bytes, qsizetype piece, qsizetype failAt = -1) {
    JpegInput input(piecesOf(bytes, piece, failAt, 20));
    input.reopen = [bytes, piece, failAt] { return piecesOf(bytes, piece, failAt); };
    return input;
}

DecodedJpeg decodeWith(int threads, const JpegInput& input, const JpegHeader& header,
                       QSize fitted) {
    const DecodeThreadsOverride override(threads, 0);
    if (fitted.isEmpty()) return decodeJpeg(input, header, 1, OnFailure::KeepPartial);
    return decodeJpegFitted(input, header, 1, fitted, OnFailure::KeepPartial);
}

}  // namespace

void BandInputTest::piecesDecodeInBands_data() {
    QTest::addColumn<qsizetype>("piece");
    QTest::addColumn<QSize>("fitted");
    QTest::newRow("small pieces, whole") << qsizetype(1000) << QSize();
    QTest::newRow("large pieces, shrunk") << qsizetype(8192) << QSize(150, 209);
    QTest::newRow("odd pieces, shrunk") << qsizetype(777) << QSize(97, 135);
}

void BandInputTest::piecesDecodeInBands() {
    QFETCH(qsizetype, piece);
    QFETCH(QSize, fitted);
    const QByteArray bytes = restartFile();
    const JpegHeader header = readJpegHeader(bytes);
    QVERIFY(header.restartInterval > 0);
    const DecodedJpeg one = decodeWith(1, inPieces(bytes, piece), header, fitted);
    const DecodedJpeg two = decodeWith(2, inPieces(bytes, piece), header, fitted);
    QCOMPARE(one.bands, 1);
    QCOMPARE(two.bands, 2);
    QCOMPARE(two.failureCode, 0);
    QVERIFY(!two.image.isNull());
    QVERIFY(two.image == one.image);
}

void BandInputTest::readFailureAsOneThread() {
    const QByteArray bytes = restartFile();
    const JpegHeader header = readJpegHeader(bytes);
    const qsizetype failAt = bytes.size() / 2;
    const DecodedJpeg one = decodeWith(1, inPieces(bytes, 500, failAt), header, {});
    const DecodedJpeg two = decodeWith(2, inPieces(bytes, 500, failAt), header, {});
    QVERIFY(one.failureCode != 0);
    QCOMPARE(two.failureCode, one.failureCode);
    QVERIFY(two.image == one.image);
    // The rows read before the failure show; the rest is grey.
    QVERIFY(two.image.pixel(10, 5) != kUnreachedGrey);
    QCOMPARE(two.image.pixel(10, two.image.height() - 1), kUnreachedGrey);
}

void BandInputTest::cancelledBandsStopTogether() {
    // Large enough that the bands are under way when the job is dropped.
    test::EncodeOptions options;
    options.restartRows = 1;
    const QByteArray bytes = test::encodeRgb(test::detailedPattern(1600, 3000), options);
    const JpegHeader header = readJpegHeader(bytes);
    const DecodeThreadsOverride override(2, 0);
    // The job is dropped after 40 questions; every thread that decodes a band must ask.
    std::mutex mutex;
    std::set<std::thread::id> askers;
    int asked = 0;
    bool cancelled = false;
    try {
        const CancellationScope scope([&] {
            const std::lock_guard lock(mutex);
            askers.insert(std::this_thread::get_id());
            return ++asked < 40;
        });
        (void)decodeJpeg(bytes, header, 1, OnFailure::KeepPartial);
    } catch (const WorkCancelled&) {
        cancelled = true;
    }
    QVERIFY(cancelled);
    QCOMPARE(askers.size(), std::size_t(2));
}

void BandInputTest::speculativeReadAheadKeepsOneThread() {
    const QByteArray bytes = restartFile();
    const JpegHeader header = readJpegHeader(bytes);
    const DecodeThreadsOverride override(2, 0);
    {
        const OneDecodeThreadHere one;
        QCOMPARE(decodeJpeg(bytes, header, 2, OnFailure::Discard).bands, 1);
    }
    QCOMPARE(decodeJpeg(bytes, header, 2, OnFailure::Discard).bands, 2);
}
