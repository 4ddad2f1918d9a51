// Decoder bombs made in the test: headers that claim more than the picture budget, and
// run-length data far too short for the picture it declares, in bitmaps and icon entries.
// Each must be refused with its decoder's own text; pictures just inside the rules decode.
#include "DibBuilder.h"
#include "Fixtures.h"
#include "picture/bmp/Bmp.h"
#include "picture/bmp/Ico.h"

#include <QTest>

using namespace zarovia::picture;
using namespace zarovia::bmptest;

// Named, so that a unity build can put this file beside the others.
namespace bombs {

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr int kEndOfBitmap = 1;

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values) out.append(static_cast<char>(v));
    return out;
}

DibParts runLength(int width, int height, const QByteArray& data,
                   std::uint32_t compression = kRle8) {
    DibParts parts;
    parts.width = width;
    parts.height = height;
    parts.bitCount = compression == kRle8 ? 8 : 4;
    parts.compression = compression;
    parts.palette = {qRgb(10, 20, 30), qRgb(255, 0, 0), qRgb(0, 255, 0)};
    parts.clrUsed = 3;
    parts.pixels = data;
    return parts;
}

// `rows` bottom rows of `width` pixels set by runs of colour 1, each row ended; then the end
// of the bitmap.
QByteArray fullRows(int width, int rows) {
    QByteArray data;
    for (int row = 0; row < rows; ++row) {
        for (int left = width; left > 0; left -= 255) data += bytesOf({std::min(left, 255), 1});
        data += bytesOf({0, 0});
    }
    return data + bytesOf({0, kEndOfBitmap});
}

// About `bytes` bytes of 255-pixel runs, flowing over rows as they fill.
QByteArray runsOf(int bytes) {
    QByteArray data;
    while (data.size() < bytes) data += bytesOf({255, 2});
    return data + bytesOf({0, kEndOfBitmap});
}

// Deltas up to row `row`, then one run of two pixels.
QByteArray jumpThenRun(int row) {
    QByteArray data;
    for (; row > 0; row -= std::min(row, 255)) data += bytesOf({0, 2, 0, std::min(row, 255)});
    return data + bytesOf({2, 1, 0, kEndOfBitmap});
}

QByteArray iconWithDib(const DibParts& parts) {
    IconEntryParts entry;
    DibParts doubled = parts;  // an icon's header counts the mask's rows too
    doubled.height *= 2;
    entry.data = packedDib(doubled);
    entry.dirBitCount = parts.bitCount;
    return icoFile({entry});
}

// The CRC-32 that closes a PNG chunk.
quint32 pngCrc(const QByteArray& typeAndData) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : typeAndData) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG entry whose header (IHDR) is rewritten, with a valid checksum, to say width x height
// at `bitDepth`.
QByteArray iconWithPngHeader(quint32 width, quint32 height, int bitDepth) {
    QImage small(4, 4, QImage::Format_ARGB32);
    small.fill(qRgb(0, 0, 255));
    QByteArray png = pngBytes(small);
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        png[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    png[24] = static_cast<char>(bitDepth);
    const quint32 crc = pngCrc(png.mid(12, 4 + 13));
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    IconEntryParts entry;
    entry.data = png;
    return icoFile({entry});
}

QString decodeFailure(const QByteArray& file, bool icon) {
    return failureText([&] {
        if (icon)
            (void)decodeIcoFile(file);
        else
            (void)decodeBmpFile(file);
    });
}

}  // namespace bombs

class TestBudget : public QObject {
    Q_OBJECT

private slots:
    void bombsAreRefused_data();
    void bombsAreRefused();
    void justInsideTheRulesDecodes_data();
    void justInsideTheRulesDecodes();
    void rewrittenPngHeaderStaysValid();
};

void TestBudget::bombsAreRefused_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("icon");
    QTest::addColumn<QString>("failure");
    const QByteArray kilobyte = bombs::runsOf(1024);
    QTest::newRow("BMP 16384 x 16384 RLE8, 1 KB")
        << bmpFile(bombs::runLength(16384, 16384, kilobyte)) << false << kMalformedBitmap;
    QTest::newRow("BMP 1048576 x 255 RLE8, 1 KB")
        << bmpFile(bombs::runLength(1048576, 255, kilobyte)) << false << kMalformedBitmap;
    QTest::newRow("BMP 8192 x 8192 RLE8, 1 KB: within the cap, data far too short")
        << bmpFile(bombs::runLength(8192, 8192, kilobyte)) << false << kMalformedBitmap;
    QTest::newRow("BMP 8192 x 8192 RLE4, 1 KB")
        << bmpFile(bombs::runLength(8192, 8192, kilobyte, bombs::kRle4)) << false
        << kMalformedBitmap;
    QTest::newRow("BMP 8192 x 8192 RLE8, a delta to the top and one run")
        << bmpFile(bombs::runLength(8192, 8192, bombs::jumpThenRun(8190))) << false
        << kMalformedBitmap;
    QTest::newRow("BMP 4097 x 4096 RLE8, one row short of a sixteenth")
        << bmpFile(bombs::runLength(4097, 4096, bombs::fullRows(4097, 255))) << false
        << kMalformedBitmap;
    DibParts wide;
    wide.width = 8193;
    wide.height = 8192;
    QTest::newRow("BMP 24-bit 8193 x 8192: over the picture budget")
        << bmpFile(wide) << false << kMalformedBitmap;
    QTest::newRow("ICO entry 16384 x 16384 RLE8 without its mask")
        << bombs::iconWithDib(bombs::runLength(16384, 16384, kilobyte)) << true << kMalformedIcon;
    QTest::newRow("ICO entry 8192 x 8192 RLE8, 1 KB")
        << bombs::iconWithDib(bombs::runLength(8192, 8192, kilobyte)) << true << kMalformedIcon;
    QTest::newRow("ICO PNG entry declaring 30000 x 30000")
        << bombs::iconWithPngHeader(30000, 30000, 8) << true << kMalformedIcon;
    QTest::newRow("ICO PNG entry declaring 6000 x 6000 at 16 bits")
        << bombs::iconWithPngHeader(6000, 6000, 16) << true << kMalformedIcon;
}

void TestBudget::bombsAreRefused() {
    QFETCH(QByteArray, file);
    QFETCH(bool, icon);
    QFETCH(QString, failure);
    QVERIFY(file.size() < 64 * 1024);
    QCOMPARE(bombs::decodeFailure(file, icon), failure);
}

void TestBudget::justInsideTheRulesDecodes_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("icon");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("setPixel");  // top-down coordinates of a pixel the runs set
    QTest::newRow("BMP 4096 x 4096 RLE8, end of bitmap only: the free size")
        << bmpFile(bombs::runLength(4096, 4096, bombs::bytesOf({0, bombs::kEndOfBitmap}))) << false
        << QSize(4096, 4096) << QPoint(-1, -1);
    QTest::newRow("BMP 4097 x 4096 RLE8, exactly a sixteenth set")
        << bmpFile(bombs::runLength(4097, 4096, bombs::fullRows(4097, 256))) << false
        << QSize(4097, 4096) << QPoint(4096, 4096 - 256);
    QTest::newRow("BMP 3000 x 3000 RLE8, a delta to the top and one run")
        << bmpFile(bombs::runLength(3000, 3000, bombs::jumpThenRun(2999))) << false
        << QSize(3000, 3000) << QPoint(1, 0);
    QTest::newRow("ICO entry 4096 x 4096 RLE8 without its mask")
        << bombs::iconWithDib(bombs::runLength(4096, 4096, bombs::jumpThenRun(4095))) << true
        << QSize(4096, 4096) << QPoint(0, 0);
}

void TestBudget::justInsideTheRulesDecodes() {
    QFETCH(QByteArray, file);
    QFETCH(bool, icon);
    QFETCH(QSize, size);
    QFETCH(QPoint, setPixel);
    const Picture picture = icon ? decodeIcoFile(file) : decodeBmpFile(file);
    const QImage image = picture.toImage();
    QCOMPARE(image.size(), size);
    QCOMPARE(image.pixel(size.width() - 1, size.height() / 2) & 0xFFFFFF, 0x0A141Eu);  // untouched
    if (setPixel.x() >= 0) QVERIFY(image.pixel(setPixel) != image.pixel(0, size.height() / 2));
}

// The PNG rows above are refused for their size, not for a broken checksum.
void TestBudget::rewrittenPngHeaderStaysValid() {
    const QImage image = decodeIcoFile(bombs::iconWithPngHeader(4, 4, 8)).toImage();
    QCOMPARE(image.size(), QSize(4, 4));
    QCOMPARE(image.pixel(1, 1), qRgb(0, 0, 255));
}

int runTestBudget(int argc, char** argv) {
    TestBudget test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestBudget.moc"
