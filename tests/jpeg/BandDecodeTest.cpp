#include "BandDecodeTest.h"

#include "JpegTestFiles.h"
#include "picture/colour/ColourConversion.h"
#include "picture/jpeg/DecodeThreads.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegHeader.h"
#include "platform/Cancellation.h"
#include "support/TestInputs.h"

#include <QFile>
#include <QTest>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace zarovia::picture;
using namespace zarovia::picture::jpeg;
using namespace zarovia::picture::jpeg::test;

// Named, not anonymous: a unity build puts several test files in one unit.
namespace band_decode_test {

const QSize kSmall(345, 251);   // 22 MCUs across at 4:2:0, 44 at 4:4:4: 7 divides neither
const QSize kLarge(1001, 733);  // neither side a multiple of 16
const QSize kTall(17, 2000);
const QSize kWide(2000, 65);   // five rows of iMCUs at 4:2:0
const QSize kShort(2000, 17);  // two rows of iMCUs at 4:2:0, three at 4:4:4
const QString kLarge420 = QStringLiteral("-sample 2x2 -restart 1");

// How many bands a decode is expected to use.
enum class Banding { One, Several, Either };

// A reader of the file in pieces; the first `slowPieces` take a millisecond each.
ChunkReader piecesOf(const QByteArray& bytes, int slowPieces) {
    auto offset = std::make_shared<qsizetype>(0);
    auto handed = std::make_shared<int>(0);
    return [bytes, offset, handed, slowPieces] {
        if ((*handed)++ < slowPieces) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const QByteArray piece = bytes.mid(*offset, 4096);
        *offset += piece.size();
        return piece;
    };
}

// The file's bytes whole, or read in pieces as a large file is, with the file opened again for a
// second band (a fresh reader each time). The first reader starts slowly, so that the second
// finds the middle of the file before the first band gets there.
JpegInput inputFor(const QByteArray& bytes, bool inPieces) {
    if (!inPieces) return bytes;
    JpegInput input(piecesOf(bytes, 10));
    input.reopen = [bytes] { return piecesOf(bytes, 0); };
    return input;
}

struct Decode {
    int scale = 1;
    QSize fitted;  // upright; empty: not shrunk
    bool inPieces = false;
};

// The screen's decode (keeping what a damaged file gives) with `threads` for pictures of at
// least `minPixels` coded pixels.
DecodedJpeg decodeWith(int threads, long long minPixels, const QByteArray& bytes,
                       const Decode& how) {
    const JpegHeader header = readJpegHeader(bytes);
    const DecodeThreadsOverride threadsOverride(threads, minPixels);
    const JpegInput input = inputFor(bytes, how.inPieces);
    return how.fitted.isEmpty()
               ? decodeJpeg(input, header, how.scale, OnFailure::KeepPartial)
               : decodeJpegFitted(input, header, how.scale, how.fitted, OnFailure::KeepPartial);
}

// The decode on `threads` against the one-thread decode: the same pixels and the same failure,
// in as many bands as `banding` says. Returns the one-thread decode.
DecodedJpeg expectSameAsOneThread(const QByteArray& bytes, const Decode& how, int threads,
                                  Banding banding, long long minPixels = 0) {
    DecodedJpeg oneThread = decodeWith(1, 0, bytes, how);
    const DecodedJpeg banded = decodeWith(threads, minPixels, bytes, how);
    [&] {
        QCOMPARE(oneThread.bands, 1);
        QVERIFY(!oneThread.image.isNull());
        const QString difference = firstDifference(oneThread.image, banded.image);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("%1 bands: %2").arg(banded.bands).arg(difference)));
        QCOMPARE(banded.failureCode, oneThread.failureCode);
        QCOMPARE(banded.stoppedAtWorkCap, oneThread.stoppedAtWorkCap);
        switch (banding) {
            case Banding::One:
                QCOMPARE(banded.bands, 1);
                break;
            case Banding::Several:
                QVERIFY2(banded.bands >= 2, "decoded on one thread, not in bands");
                QVERIFY(banded.bands <= threads);
                break;
            case Banding::Either:
                QVERIFY(banded.bands >= 1 && banded.bands <= threads);
                break;
        }
    }();
    return oneThread;
}

}  // namespace band_decode_test

using namespace band_decode_test;

Q_DECLARE_METATYPE(band_decode_test::Banding)

void BandDecodeTest::matchesOneThread_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QSize>("fitted");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<Banding>("banding");

    // Every restart interval with every sampling: one segment per MCU, per MCU row, per three
    // rows, and every seven MCUs, where only every seventh row starts with a segment.
    const QList<std::pair<const char*, const char*>> samplings = {{"4:4:4", "-sample 1x1"},
                                                                  {"4:2:2", "-sample 2x1"},
                                                                  {"4:2:0", "-sample 2x2"},
                                                                  {"grey", "-grayscale"}};
    for (const char* restart : {"1B", "1", "3", "7B"})
        for (const auto& [name, sampling] : samplings)
            QTest::addRow("%s, restart %s", name, restart)
                << kSmall << QStringLiteral("%1 -restart %2").arg(sampling, restart) << 1 << QSize()
                << 2 << 1 << Banding::Several;
    const auto row = [](const char* name, QSize size, const char* options, int scale, QSize fitted,
                        int threads, int orientation = 1, Banding banding = Banding::Several) {
        QTest::newRow(name) << size << QString::fromLatin1(options) << scale << fitted << threads
                            << orientation << banding;
    };
    // Four components (written through libjpeg: cjpeg makes none).
    row("CMYK, restart 1", kSmall, "cmyk -restart 1", 1, {}, 2);
    row("CMYK, restart 7B", kSmall, "cmyk -restart 7B", 1, {}, 2);
    row("YCCK 4:2:0, restart 1", kSmall, "ycck -restart 1", 1, {}, 2);
    row("YCCK 4:2:0, restart 7B, 3 threads", kSmall, "ycck -restart 7B", 1, {}, 3);

    // Odd sizes.
    row("1001 x 733, 4:2:0", kLarge, "-sample 2x2 -restart 1", 1, {}, 2);
    row("1001 x 733, 4:2:2, restart 5B", kLarge, "-sample 2x1 -restart 5B", 1, {}, 2);
    row("17 x 2000, 4:2:0, restart 1B", kTall, "-sample 2x2 -restart 1B", 1, {}, 2);
    row("17 x 2000, grey, restart 2", kTall, "-grayscale -restart 2", 1, {}, 2);
    row("2000 x 65, 4:2:0", kWide, "-sample 2x2 -restart 1", 1, {}, 2);
    row("2000 x 33, 4:4:4", QSize(2000, 33), "-sample 1x1 -restart 1", 1, {}, 3);
    row("33 x 65, 4:2:0", QSize(33, 65), "-sample 2x2 -restart 1", 1, {}, 3);
    // Too few rows of iMCUs for bands of two rows each: whichever way it goes, the same pixels.
    row("2000 x 17, 4:4:4", kShort, "-sample 1x1 -restart 1", 1, {}, 2, 1, Banding::Either);
    row("2000 x 17, 4:2:0", kShort, "-sample 2x2 -restart 1", 1, {}, 3, 1, Banding::Either);

    // DCT scales.
    row("1001 x 733 at 1/2", kLarge, "-sample 2x2 -restart 1", 2, {}, 2);
    row("1001 x 733 at 1/4", kLarge, "-sample 2x2 -restart 1", 4, {}, 2);
    row("1001 x 733 at 1/8", kLarge, "-sample 2x2 -restart 1", 8, {}, 2);
    row("1001 x 733, 4:4:4, restart 1B, at 1/8", kLarge, "-sample 1x1 -restart 1B", 8, {}, 2);
    row("1001 x 733, 4:2:2, restart 5B, at 1/4", kLarge, "-sample 2x1 -restart 5B", 4, {}, 2);
    row("grey, restart 3, at 1/2", kSmall, "-grayscale -restart 3", 2, {}, 2);
    row("17 x 2000 at 1/8", kTall, "-sample 2x2 -restart 1B", 8, {}, 2);
    row("2000 x 65 at 1/8", kWide, "-sample 2x2 -restart 1", 8, {}, 2);

    // Shrunk as the rows come out: output rows that take source rows from two bands.
    row("shrunk to 132 x 97", kLarge, "-sample 2x2 -restart 1", 1, QSize(132, 97), 2);
    row("shrunk to 455 x 333", kLarge, "-sample 2x2 -restart 1", 1, QSize(455, 333), 2);
    row("shrunk to 455 x 333, 3 threads", kLarge, "-sample 2x2 -restart 1", 1, QSize(455, 333), 3);
    row("shrunk to 132 x 97, 4 threads", kLarge, "-sample 2x2 -restart 1", 1, QSize(132, 97), 4);
    row("1/2 shrunk to 455 x 333, 3 threads", kLarge, "-sample 2x2 -restart 1", 2, QSize(455, 333),
        3);
    row("1/4 shrunk to 132 x 97, 4 threads", kLarge, "-sample 2x2 -restart 1", 4, QSize(132, 97),
        4);
    row("shrunk across only", kLarge, "-sample 2x2 -restart 1", 1, QSize(500, 733), 3);
    row("shrunk down only, by half", kLarge, "-sample 2x2 -restart 1", 1, QSize(1001, 366), 2);
    row("17 x 2000 shrunk to 9 x 1000", kTall, "-sample 2x2 -restart 1B", 1, QSize(9, 1000), 3);
    row("2000 x 65 shrunk to 1000 x 32", kWide, "-sample 2x2 -restart 1", 1, QSize(1000, 32), 2);
    row("2000 x 17 shrunk to 1000 x 9", kShort, "-sample 1x1 -restart 1", 1, QSize(1000, 9), 2, 1,
        Banding::Either);
    row("4:4:4, restart 7B, shrunk to 200 x 97", kSmall, "-sample 1x1 -restart 7B", 1,
        QSize(200, 97), 3);

    // More threads, more boundaries.
    row("1001 x 733, 3 threads", kLarge, "-sample 2x2 -restart 1", 1, {}, 3);
    row("1001 x 733, 4 threads", kLarge, "-sample 2x2 -restart 1", 1, {}, 4);
    row("1001 x 733 at 1/8, 4 threads", kLarge, "-sample 2x2 -restart 1", 8, {}, 4);
    row("4:4:4, restart 1B, 4 threads", kSmall, "-sample 1x1 -restart 1B", 1, {}, 4);
    row("grey, restart 3, 3 threads", kSmall, "-grayscale -restart 3", 1, {}, 3);
    row("4:2:2, restart 7B, 4 threads", kSmall, "-sample 2x1 -restart 7B", 1, {}, 4);
    row("CMYK, restart 1, 3 threads", kSmall, "cmyk -restart 1", 1, {}, 3);

    // Turned upright by the EXIF orientation after the bands are joined.
    row("turned a quarter, shrunk to 97 x 132", kLarge, "-sample 2x2 -restart 1", 1, QSize(97, 132),
        2, 6);
    row("turned half, 3 threads", kLarge, "-sample 2x2 -restart 1", 1, {}, 3, 3);
    row("turned three quarters, at 1/2", kLarge, "-sample 2x2 -restart 1", 2, {}, 2, 8);
}

void BandDecodeTest::matchesOneThread() {
    QFETCH(QSize, size);
    QFETCH(QString, options);
    QFETCH(int, scale);
    QFETCH(QSize, fitted);
    QFETCH(int, threads);
    QFETCH(int, orientation);
    QFETCH(Banding, banding);
    ZAROVIA_REQUIRE_INPUT(files_.haveCjpeg(), BandFileMaker::missing());
    QString error;
    QByteArray bytes = files_.make(size, options, &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));
    if (orientation != 1) bytes = withExifOrientation(bytes, orientation);
    expectSameAsOneThread(bytes, {scale, fitted}, threads, banding);
}

void BandDecodeTest::damagedMatchesOneThread_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QSize>("fitted");
    QTest::addColumn<int>("threads");
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<double>("where");  // in the restart segments, 0 to 1
    QTest::addColumn<Banding>("banding");

    // 46 segments of one MCU row: with two threads the second band starts at 0.5.
    const auto large = [](const char* name, Damage damage, double where, Banding banding) {
        QTest::newRow(name) << kLarge << kLarge420 << QSize() << 2 << damage << where << banding;
    };
    large("cut in the second band", Damage::Cut, 0.75, Banding::Either);
    large("cut in the first band", Damage::Cut, 0.25, Banding::Either);
    large("cut before a marker in the second band", Damage::CutBeforeMarker, 0.75, Banding::Either);
    large("cut where the second band starts", Damage::CutBeforeMarker, 0.5, Banding::Either);
    large("cut after the scan header", Damage::CutAfterScanHeader, 0, Banding::Either);
    // Damage inside a segment is not seen before the decode: such files are banded.
    large("byte flipped in the second band", Damage::Flip, 0.75, Banding::Several);
    large("byte flipped in the first band", Damage::Flip, 0.25, Banding::Several);
    large("marker numbered ahead in the second band", Damage::MarkerAhead, 0.75, Banding::Either);
    large("marker numbered behind in the second band", Damage::MarkerBehind, 0.75, Banding::Either);
    large("marker numbered ahead where the second band starts", Damage::MarkerAhead, 0.5,
          Banding::Either);
    large("marker dropped in the second band", Damage::MarkerDropped, 0.75, Banding::Either);
    large("marker dropped where the second band starts", Damage::MarkerDropped, 0.5,
          Banding::Either);
    // Read as the start of the row of iMCUs above the second band: the band starts there.
    large("spurious marker in sequence where the second band starts", Damage::SpuriousMarker, 0.48,
          Banding::Either);
    large("spurious marker in sequence in the second band", Damage::SpuriousMarker, 0.75,
          Banding::Either);
    large("spurious marker out of sequence in the second band", Damage::SpuriousMarkerOutOfSequence,
          0.75, Banding::Either);

    // Shrunk, three bands: the middle one damaged.
    const auto shrunk = [](const char* name, Damage damage, Banding banding) {
        QTest::newRow(name) << kLarge << kLarge420 << QSize(455, 333) << 3 << damage << 0.5
                            << banding;
    };
    shrunk("shrunk, 3 threads, cut in the second band", Damage::Cut, Banding::Either);
    shrunk("shrunk, 3 threads, byte flipped in the second band", Damage::Flip, Banding::Several);
    shrunk("shrunk, 3 threads, marker numbered ahead", Damage::MarkerAhead, Banding::Either);
    shrunk("shrunk, 3 threads, marker dropped", Damage::MarkerDropped, Banding::Either);

    // A segment every MCU: the damage falls in the middle of an MCU row.
    const auto everyMcu = [](const char* name, Damage damage, double where, Banding banding) {
        QTest::newRow(name) << kSmall << QStringLiteral("-sample 1x1 -restart 1B") << QSize() << 2
                            << damage << where << banding;
    };
    everyMcu("restart 1B, cut in the second band", Damage::Cut, 0.75, Banding::Either);
    everyMcu("restart 1B, byte flipped in the second band", Damage::Flip, 0.75, Banding::Several);
    everyMcu("restart 1B, marker numbered ahead", Damage::MarkerAhead, 0.75, Banding::Either);
    everyMcu("restart 1B, marker numbered behind at the boundary", Damage::MarkerBehind, 0.5,
             Banding::Either);
    QTest::newRow("CMYK, byte flipped in the second band")
        << kSmall << QStringLiteral("cmyk -restart 1") << QSize() << 2 << Damage::Flip << 0.75
        << Banding::Several;
}

void BandDecodeTest::damagedMatchesOneThread() {
    QFETCH(QSize, size);
    QFETCH(QString, options);
    QFETCH(QSize, fitted);
    QFETCH(int, threads);
    QFETCH(Damage, damage);
    QFETCH(double, where);
    QFETCH(Banding, banding);
    ZAROVIA_REQUIRE_INPUT(files_.haveCjpeg(), BandFileMaker::missing());
    QString error;
    const QByteArray clean = files_.make(size, options, &error);
    QVERIFY2(!clean.isEmpty(), qPrintable(error));
    const QByteArray bytes = damaged(clean, damage, where);
    QVERIFY(!bytes.isEmpty());
    const DecodedJpeg oneThread = expectSameAsOneThread(bytes, {1, fitted}, threads, banding);
    if (QTest::currentTestFailed()) return;
    // The damage shows: the test is not comparing two clean decodes.
    const DecodedJpeg intact = decodeWith(1, 0, clean, {1, fitted});
    QVERIFY(!firstDifference(intact.image, oneThread.image).isEmpty());
}

void BandDecodeTest::renumberedMarkerMatchesOneThread_data() {
    QTest::addColumn<int>("threads");
    QTest::addColumn<double>("where");
    QTest::addColumn<int>("shift");
    // Every wrong number: libjpeg's decode resynchronises by how far the number is from the one
    // it expects (some it takes as they come), and a band, whose decoder counts its markers from
    // its own first segment, must take each as the whole file's decode does.
    for (int shift = 1; shift < 8; ++shift) {
        QTest::addRow("2 threads, in the second band, %d ahead", shift) << 2 << 0.75 << shift;
        QTest::addRow("3 threads, in the second band, %d ahead", shift) << 3 << 0.5 << shift;
    }
}

void BandDecodeTest::renumberedMarkerMatchesOneThread() {
    QFETCH(int, threads);
    QFETCH(double, where);
    QFETCH(int, shift);
    ZAROVIA_REQUIRE_INPUT(files_.haveCjpeg(), BandFileMaker::missing());
    QString error;
    const QByteArray clean = files_.make(kLarge, kLarge420, &error);
    QVERIFY2(!clean.isEmpty(), qPrintable(error));
    const QByteArray bytes = withMarkerRenumbered(clean, where, shift);
    QVERIFY(!bytes.isEmpty());
    // The bands above the damaged marker are decoded from markers in sequence.
    expectSameAsOneThread(bytes, {}, threads, Banding::Several);
}

void BandDecodeTest::choosesThePath_data() {
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("threads");
    QTest::addColumn<qlonglong>("minPixels");
    QTest::addColumn<bool>("inPieces");
    QTest::addColumn<Banding>("banding");

    const QString restart = QStringLiteral("-sample 2x2 -restart 1");
    const qlonglong pixels = qlonglong(kSmall.width()) * kSmall.height();
    QTest::newRow("no restart markers")
        << QStringLiteral("-sample 2x2") << 2 << 0LL << false << Banding::One;
    QTest::newRow("progressive") << QStringLiteral("-progressive") << 2 << 0LL << false
                                 << Banding::One;
    QTest::newRow("progressive with restart markers")
        << QStringLiteral("-progressive -restart 1") << 3 << 0LL << false << Banding::One;
    // Read in pieces: a second reader of the file finds the second band.
    QTest::newRow("read in pieces") << restart << 2 << 0LL << true << Banding::Several;
    QTest::newRow("one thread") << restart << 1 << 0LL << false << Banding::One;
    QTest::newRow("the default smallest size")
        << restart << 2 << qlonglong(kMinBandedPixels) << false << Banding::One;
    QTest::newRow("one pixel under the smallest size")
        << restart << 2 << pixels + 1 << false << Banding::One;
    QTest::newRow("at the smallest size") << restart << 2 << pixels << false << Banding::Several;
    // Arithmetic coding with restart markers may go either way, but gives the same pixels.
    QTest::newRow("arithmetic with restart markers")
        << QStringLiteral("-arithmetic -restart 1") << 2 << 0LL << false << Banding::Either;
}

void BandDecodeTest::choosesThePath() {
    QFETCH(QString, options);
    QFETCH(int, threads);
    QFETCH(qlonglong, minPixels);
    QFETCH(bool, inPieces);
    QFETCH(Banding, banding);
    ZAROVIA_REQUIRE_INPUT(files_.haveCjpeg(), BandFileMaker::missing());
    QString error;
    const QByteArray bytes = files_.make(kSmall, options, &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));
    for (const QSize fitted : {QSize(), QSize(200, 145)}) {
        Decode how;
        how.fitted = fitted;
        how.inPieces = inPieces;
        expectSameAsOneThread(bytes, how, threads, banding, minPixels);
        if (QTest::currentTestFailed()) return;
    }
}

void BandDecodeTest::cmykThroughItsProfileOnSeveralThreads_data() {
    QTest::addColumn<bool>("ycck");
    QTest::addColumn<QSize>("fitted");
    QTest::addColumn<int>("threads");
    QTest::newRow("CMYK, 2 threads") << false << QSize() << 2;
    QTest::newRow("CMYK, 4 threads, shrunk") << false << QSize(213, 160) << 4;
    QTest::newRow("YCCK, 3 threads") << true << QSize() << 3;
    QTest::newRow("YCCK, 4 threads, shrunk") << true << QSize(213, 160) << 4;
}

// The rows of every band go through the same CMYK profile's converter at once.
void BandDecodeTest::cmykThroughItsProfileOnSeveralThreads() {
    QFETCH(bool, ycck);
    QFETCH(QSize, fitted);
    QFETCH(int, threads);
    ZAROVIA_REQUIRE_INPUT(QFile::exists(QString::fromLatin1(colour::kDefaultCmykProfilePath)),
                          "libgs-common's default CMYK profile");
    const QByteArray bytes =
        restartCmykJpeg(bandSourcePicture(QSize(640, 480)), ycck, QStringLiteral("1"));
    QVERIFY(readJpegHeader(bytes).cmykToSrgb != nullptr);
    expectSameAsOneThread(bytes, {1, fitted}, threads, Banding::Several);
}

void BandDecodeTest::abandonedBandedDecodeStops_data() {
    QTest::addColumn<int>("questions");  // answered "wanted" before the job is left; -1: never
    QTest::addColumn<QSize>("fitted");
    QTest::newRow("wanted throughout") << -1 << QSize();
    QTest::newRow("left at the first question") << 0 << QSize();
    QTest::newRow("left at the third question") << 2 << QSize();
    QTest::newRow("shrunk, left at the third question") << 2 << QSize(455, 333);
}

// The job's question reaches every band: a decode no longer wanted ends in WorkCancelled (no
// picture, no band left running), one still wanted is the one-thread decode.
void BandDecodeTest::abandonedBandedDecodeStops() {
    QFETCH(int, questions);
    QFETCH(QSize, fitted);
    ZAROVIA_REQUIRE_INPUT(files_.haveCjpeg(), BandFileMaker::missing());
    QString error;
    const QByteArray bytes = files_.make(kLarge, kLarge420, &error);
    QVERIFY2(!bytes.isEmpty(), qPrintable(error));
    const JpegHeader header = readJpegHeader(bytes);
    const DecodeThreadsOverride threads(3, 0);
    std::atomic<int> asked{0};
    bool stopped = false;
    DecodedJpeg decoded;
    {
        zarovia::CancellationScope scope([&] { return questions < 0 || asked++ < questions; });
        try {
            decoded = fitted.isEmpty()
                          ? decodeJpeg(bytes, header, 1, OnFailure::KeepPartial)
                          : decodeJpegFitted(bytes, header, 1, fitted, OnFailure::KeepPartial);
        } catch (const zarovia::WorkCancelled&) {
            stopped = true;
        }
    }
    QCOMPARE(stopped, questions >= 0);
    if (stopped) return;
    QVERIFY(decoded.bands >= 2);
    const DecodedJpeg oneThread = decodeWith(1, 0, bytes, {1, fitted});
    const QString difference = firstDifference(oneThread.image, decoded.image);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}
