#include "ShrinkingTest.h"

#include "JpegTestFiles.h"
#include "picture/jpeg/JpegDecode.h"
#include "picture/jpeg/JpegHeader.h"
#include "picture/jpeg/JpegOutput.h"
#include "picture/jpeg/RowDownscaler.h"

#include <QRandomGenerator>
#include <QTest>

using namespace zarovia::picture::jpeg;
using namespace zarovia::picture::jpeg::test;

namespace {

QImage shrink(const QImage& source, QSize to, int rows = -1) {
    QImage out(to, QImage::Format_RGB32);
    out.fill(0xFF808080);
    RowDownscaler scaler(source.size(), out);
    const int given = rows < 0 ? source.height() : rows;
    for (int y = 0; y < given; ++y)
        scaler.addRow(reinterpret_cast<const QRgb*>(source.constScanLine(y)));
    return out;
}

QImage noise(QSize size, quint32 seed) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) row[x] = 0xFF000000 | random.generate();
    }
    return image;
}

// The largest channel difference over the two images, and the mean of the differences.
std::pair<int, double> difference(const QImage& a, const QImage& b) {
    int largest = 0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const int d = channelDistance(a.pixel(x, y), b.pixel(x, y));
            largest = std::max(largest, d);
            sum += d;
        }
    return {largest, sum / (a.width() * a.height())};
}

}  // namespace

void ShrinkingTest::averagesWholeBlocks() {
    const QImage source = noise(QSize(6, 4), 1);
    const QImage out = shrink(source, QSize(3, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            int sums[3] = {0, 0, 0};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const QRgb p = source.pixel(2 * x + dx, 2 * y + dy);
                    sums[0] += qRed(p);
                    sums[1] += qGreen(p);
                    sums[2] += qBlue(p);
                }
            const QRgb expected = qRgb((sums[0] + 2) / 4, (sums[1] + 2) / 4, (sums[2] + 2) / 4);
            QCOMPARE(out.pixel(x, y), expected);
        }
    // The same size is the same picture.
    QCOMPARE(shrink(source, source.size()), source);
}

void ShrinkingTest::splitsPixelsAcrossOutputPixels_data() {
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");
    QTest::newRow("3 to 2") << QSize(3, 3) << QSize(2, 2);
    QTest::newRow("1000 x 750 to 640 x 480") << QSize(1000, 750) << QSize(640, 480);
    QTest::newRow("to one pixel") << QSize(7, 5) << QSize(1, 1);
    QTest::newRow("across only") << QSize(99, 10) << QSize(40, 10);
    QTest::newRow("down only") << QSize(10, 99) << QSize(10, 40);
}

// A flat colour stays that colour, and the mean of a picture is kept: every source pixel
// counts by exactly its share.
void ShrinkingTest::splitsPixelsAcrossOutputPixels() {
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    QImage flat(from, QImage::Format_RGB32);
    flat.fill(qRgb(200, 17, 93));
    const QImage shrunkFlat = shrink(flat, to);
    for (int y = 0; y < to.height(); ++y)
        for (int x = 0; x < to.width(); ++x) QCOMPARE(shrunkFlat.pixel(x, y), qRgb(200, 17, 93));

    const QImage source = noise(from, 7);
    const QImage out = shrink(source, to);
    const auto meanRed = [](const QImage& image) {
        double sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) sum += qRed(image.pixel(x, y));
        return sum / (image.width() * image.height());
    };
    QVERIFY2(std::abs(meanRed(out) - meanRed(source)) < 0.6,
             qPrintable(QStringLiteral("%1 against %2").arg(meanRed(out)).arg(meanRed(source))));
    // Close to Qt's own smooth shrinking, which also averages areas.
    const auto [largest, mean] =
        difference(out, source.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QVERIFY2(mean < 2.0, qPrintable(QString::number(mean)));
    Q_UNUSED(largest);
}

void ShrinkingTest::rowsNeverGivenLeaveTheOutputAlone() {
    const QImage source = noise(QSize(100, 100), 3);
    const QImage out = shrink(source, QSize(50, 50), 41);  // the source stops part way
    for (int y = 0; y < 50; ++y) {
        const bool finished = y < 20;  // output row 20 needs source rows 40 and 41
        QCOMPARE(out.pixel(10, y) == 0xFF808080, !finished);
    }
}

void ShrinkingTest::refusesToEnlarge() {
    const QImage source = noise(QSize(10, 10), 4);
    QImage out(QSize(20, 5), QImage::Format_RGB32);
    out.fill(Qt::black);
    RowDownscaler scaler(source.size(), out);
    for (int y = 0; y < source.height(); ++y)
        scaler.addRow(reinterpret_cast<const QRgb*>(source.constScanLine(y)));
    QCOMPARE(scaler.finishedRows(), 0);
    QCOMPARE(out.pixel(3, 3), qRgb(0, 0, 0));
}

void ShrinkingTest::shrunkDecodeMatchesScaledDecode_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<QSize>("upright");
    const QImage pattern = detailedPattern(800, 600);
    QTest::newRow("baseline, 1/2") << encodeRgb(pattern) << 2 << QSize(321, 241);
    QTest::newRow("baseline, whole") << encodeRgb(pattern) << 1 << QSize(640, 480);
    EncodeOptions progressive;
    progressive.coding = Coding::Progressive;
    QTest::newRow("progressive") << encodeRgb(pattern, progressive) << 1 << QSize(500, 375);
    QTest::newRow("grey") << encodeGray(pattern) << 1 << QSize(640, 480);
    QTest::newRow("cmyk") << encodeCmyk(pattern, false, true) << 2 << QSize(300, 225);
    QTest::newRow("turned a quarter")
        << withExifOrientation(encodeRgb(pattern), 6) << 2 << QSize(240, 320);
}

void ShrinkingTest::shrunkDecodeMatchesScaledDecode() {
    QFETCH(QByteArray, file);
    QFETCH(int, denominator);
    QFETCH(QSize, upright);
    const JpegHeader header = readJpegHeader(file);
    const DecodedJpeg whole = decodeJpeg(file, header, denominator, OnFailure::Discard);
    const DecodedJpeg shrunk =
        decodeJpegFitted(file, header, denominator, upright, OnFailure::Discard);
    QCOMPARE(shrunk.failureCode, 0);
    QCOMPARE(shrunk.image.size(), upright);
    const auto [largest, mean] = difference(
        shrunk.image, whole.image.scaled(upright, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QVERIFY2(mean < 2.0 && largest < 40,
             qPrintable(QStringLiteral("mean %1, largest %2").arg(mean).arg(largest)));
}

// A truncated file shrinks to what was decoded and grey for the rest, as the whole decode shows
// it; a fatal error keeps a grey picture of the size asked for, or nothing.
void ShrinkingTest::shrunkDecodeOfATruncatedFile() {
    const QByteArray file = encodeRgb(quadrantPattern(800, 600));
    const qsizetype scan = scanDataOffset(file);
    const QByteArray cut = file.left(scan + (file.size() - scan) * 4 / 10);
    const JpegHeader header = readJpegHeader(file);
    const DecodedJpeg shrunk =
        decodeJpegFitted(cut, header, 1, QSize(400, 300), OnFailure::KeepPartial);
    QCOMPARE(shrunk.image.size(), QSize(400, 300));
    QVERIFY(channelDistance(shrunk.image.pixel(50, 20), quadrantColour(0).rgb()) <= 6);
    QVERIFY(channelDistance(shrunk.image.pixel(390, 295), qRgb(128, 128, 128)) <= 2);

    EncodeOptions progressive;
    progressive.coding = Coding::Progressive;
    const QByteArray broken =
        withFatalTableAfterFirstScan(encodeRgb(quadrantPattern(800, 600), progressive));
    const DecodedJpeg kept =
        decodeJpegFitted(broken, header, 1, QSize(400, 300), OnFailure::KeepPartial);
    QVERIFY(kept.failureCode != 0);
    QCOMPARE(kept.image.size(), QSize(400, 300));
    QCOMPARE(kept.image.pixel(200, 150), kUnreachedGrey);
    QVERIFY(
        decodeJpegFitted(broken, header, 1, QSize(400, 300), OnFailure::Discard).image.isNull());
}
