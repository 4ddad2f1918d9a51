// Header and pixel edge cases made byte by byte: malformed headers, bit-field masks, run-length
// escapes, pixel offsets, the DIB reader's separate ranges and options.
#include "DibBuilder.h"
#include "Fixtures.h"
#include "picture/bmp/Bmp.h"
#include "picture/bmp/Dib.h"

#include <QTest>

using namespace zarovia::picture;
using namespace zarovia::bmptest;

Q_DECLARE_METATYPE(zarovia::bmptest::DibParts)

namespace {

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kAlphaBitfields = 6;

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values) out.append(static_cast<char>(v));
    return out;
}

// A 4x2 24-bit picture: bottom row red, green, blue, white; top row black.
DibParts rgb24() {
    DibParts parts;
    parts.pixels = paddedRows(
        {bytesOf({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}), QByteArray(12, '\0')});
    return parts;
}

DibParts rle8(const QByteArray& data, int width = 4, int height = 3) {
    DibParts parts;
    parts.width = width;
    parts.height = height;
    parts.bitCount = 8;
    parts.compression = kRle8;
    parts.palette = {qRgb(10, 20, 30), qRgb(255, 0, 0), qRgb(0, 255, 0)};
    parts.clrUsed = 3;
    parts.pixels = data;
    return parts;
}

QImage decodeBmp(const DibParts& parts) {
    return decodeBmpFile(bmpFile(parts)).toImage();
}

QString rowColours(const QImage& image, int y) {
    QStringList out;
    for (int x = 0; x < image.width(); ++x)
        out << QString::number(image.pixel(x, y) & 0xFFFFFF, 16);
    return out.join(QLatin1Char(' '));
}

}  // namespace

class TestDibEdges : public QObject {
    Q_OBJECT

private slots:
    void malformedHeaders_data();
    void malformedHeaders();
    void bitfieldMasks_data();
    void bitfieldMasks();
    void runLength_data();
    void runLength();
    void pixelOffset_data();
    void pixelOffset();
    void palettes();
    void coreHeaderAndTopDown();
    void separateRanges();
    void alphaOptions();
    void largeButValid();
    void sixteenBitPathsAgree();
};

void TestDibEdges::malformedHeaders_data() {
    QTest::addColumn<DibParts>("parts");
    QTest::addColumn<QString>("failure");
    DibParts s = rgb24();
    s.width = 0;
    QTest::newRow("zero width") << s << kMalformedBitmap;
    s = rgb24();
    s.height = 0;
    QTest::newRow("zero height") << s << kMalformedBitmap;
    s = rgb24();
    s.height = std::numeric_limits<std::int32_t>::min();
    QTest::newRow("height INT_MIN") << s << kMalformedBitmap;
    s = rgb24();
    s.width = 0x7FFFFFFF;
    QTest::newRow("huge width, small file") << s << kMalformedBitmap;
    s = rgb24();
    s.width = 20000;
    s.height = 20000;
    QTest::newRow("over the pixel cap") << s << kMalformedBitmap;
    s = rgb24();
    s.width = 100000;
    s.height = 100;
    QTest::newRow("allowed size, data missing") << s << kReadError;
    s = rgb24();
    s.bitCount = 3;
    QTest::newRow("bit count 3") << s << kMalformedBitmap;
    s = rgb24();
    s.bitCount = 64;
    QTest::newRow("bit count 64") << s << kMalformedBitmap;
    s = rgb24();
    s.compression = 9;
    QTest::newRow("unknown compression") << s << kMalformedBitmap;
    s = rgb24();
    s.compression = 4;
    QTest::newRow("BI_JPEG") << s << kMalformedBitmap;
    s = rgb24();
    s.compression = 5;
    QTest::newRow("BI_PNG") << s << kMalformedBitmap;
    s = rgb24();
    s.compression = kRle8;
    QTest::newRow("RLE8 with 24 bits") << s << kMalformedBitmap;
    s = rle8(bytesOf({4, 1, 0, 1}));
    s.height = -3;
    QTest::newRow("RLE8 top-down") << s << kMalformedBitmap;
    s = rgb24();
    s.compression = kBitfields;
    s.masks = {0xFF0000, 0xFF00, 0xFF};
    QTest::newRow("bit fields with 24 bits") << s << kMalformedBitmap;
    s = rgb24();
    s.headerSize = 100;
    QTest::newRow("header size 100") << s << kMalformedBitmap;
    s = rgb24();
    s.headerSize = 8;
    QTest::newRow("header size 8") << s << kMalformedBitmap;
    s = rgb24();
    s.pixels.chop(1);
    QTest::newRow("pixels one byte short") << s << kReadError;
    s = rgb24();
    s.pixels.clear();
    QTest::newRow("no pixels") << s << kReadError;
    s = rle8(QByteArray());
    QTest::newRow("RLE with no data") << s << kReadError;

    DibParts m;
    m.width = 2;
    m.height = 1;
    m.bitCount = 16;
    m.compression = kBitfields;
    m.pixels = paddedRows({QByteArray(4, '\0')});
    m.masks = {0xF800, 0x0FE0, 0x001F};
    QTest::newRow("overlapping masks") << m << kMalformedBitmap;
    m.masks = {0xF801, 0x07E0, 0x001E};
    QTest::newRow("mask with a gap") << m << kMalformedBitmap;
    m.masks = {0x1F0000, 0x07E0, 0x001F};
    QTest::newRow("mask outside 16 bits") << m << kMalformedBitmap;
    m.masks = {0, 0, 0};
    QTest::newRow("all masks empty") << m << kMalformedBitmap;
    m.masks = {0xF800};
    QTest::newRow("masks cut off") << m << kReadError;
}

void TestDibEdges::malformedHeaders() {
    QFETCH(DibParts, parts);
    QFETCH(QString, failure);
    QCOMPARE(failureText([&] { decodeBmpFile(bmpFile(parts)); }), failure);
    QCOMPARE(failureText([&] { decodePackedDib(ByteReader(packedDib(parts))); }), failure);
}

void TestDibEdges::bitfieldMasks_data() {
    QTest::addColumn<DibParts>("parts");
    QTest::addColumn<QRgb>("expected");
    auto pixel16 = [](std::uint32_t value) {
        return paddedRows({bytesOf({int(value & 0xFF), int(value >> 8)})});
    };
    auto pixel32 = [](std::uint32_t value) {
        return bytesOf({int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF),
                        int(value >> 24)});
    };
    DibParts s;
    s.width = 1;
    s.height = 1;
    s.bitCount = 16;
    s.pixels = pixel16(0x7FFF);
    QTest::newRow("default 5-5-5 white") << s << qRgb(255, 255, 255);
    s.pixels = pixel16(0x4210);  // 16 of 31 in each channel
    QTest::newRow("default 5-5-5 mid grey") << s << qRgb(132, 132, 132);
    s.compression = kBitfields;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = pixel16(0xF800);
    QTest::newRow("5-6-5 red") << s << qRgb(255, 0, 0);
    s.pixels = pixel16(0x07E0);
    QTest::newRow("5-6-5 green") << s << qRgb(0, 255, 0);
    s.masks = {0x0F00, 0x00F0, 0x000F};
    s.pixels = pixel16(0x0F80);
    QTest::newRow("4-4-4") << s << qRgb(255, 136, 0);
    s.masks = {0x8000, 0x4000, 0x2000};
    s.pixels = pixel16(0xA000);
    QTest::newRow("1-bit channels") << s << qRgb(255, 0, 255);
    s.masks = {0xFF00, 0x00FF, 0};
    s.pixels = pixel16(0x80FF);
    QTest::newRow("empty blue mask") << s << qRgb(128, 255, 0);
    s.bitCount = 32;
    s.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    s.pixels = pixel32(0x3FF00000 | (0x200u << 10) | 0x001);
    QTest::newRow("10-10-10 scales down") << s << qRgb(255, 128, 0);
    s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    s.pixels = pixel32(0x00123456);
    QTest::newRow("xBGR order") << s << qRgb(0x56, 0x34, 0x12);
    s.compression = kAlphaBitfields;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    s.pixels = pixel32(0x00102030);
    QTest::newRow("alpha bit fields, zero alpha, drawn opaque") << s << qRgb(0x10, 0x20, 0x30);
    s.compression = kBitfields;
    s.headerSize = 56;
    s.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
    s.pixels = pixel32(0x11223344);
    QTest::newRow("masks inside a 56-byte header") << s << qRgb(0x33, 0x22, 0x11);
    s.headerSize = 124;
    QTest::newRow("masks inside a V5 header") << s << qRgb(0x33, 0x22, 0x11);
    s.compression = 0;
    s.pixels = pixel32(0x11223344);
    QTest::newRow("V5 masks ignored without bit fields") << s << qRgb(0x22, 0x33, 0x44);
}

void TestDibEdges::bitfieldMasks() {
    QFETCH(DibParts, parts);
    QFETCH(QRgb, expected);
    const QImage image = decodeBmp(parts);
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(QString::number(image.pixel(0, 0), 16), QString::number(expected, 16));
}

void TestDibEdges::runLength_data() {
    QTest::addColumn<DibParts>("parts");
    QTest::addColumn<QStringList>("rows");      // top to bottom
    const QString f = QStringLiteral("a141e");  // palette[0], what untouched pixels show
    QTest::newRow("runs and end of line")
        << rle8(bytesOf({2, 1, 2, 2, 0, 0, 4, 2, 0, 0, 1, 1, 0, 1}))
        << QStringList{QStringLiteral("ff0000 %1 %1 %1").arg(f),
                       QStringLiteral("ff00 ff00 ff00 ff00"),
                       QStringLiteral("ff0000 ff0000 ff00 ff00")};
    QTest::newRow("run past the right edge is clipped, not wrapped")
        << rle8(bytesOf({9, 1, 0, 0, 1, 2, 0, 1}))
        << QStringList{QStringLiteral("%1 %1 %1 %1").arg(f), QStringLiteral("ff00 %1 %1 %1").arg(f),
                       QStringLiteral("ff0000 ff0000 ff0000 ff0000")};
    QTest::newRow("delta moves right and up")
        << rle8(bytesOf({0, 2, 1, 1, 1, 2, 0, 1}))
        << QStringList{QStringLiteral("%1 %1 %1 %1").arg(f), QStringLiteral("%1 ff00 %1 %1").arg(f),
                       QStringLiteral("%1 %1 %1 %1").arg(f)};
    QTest::newRow("delta past the edges")
        << rle8(bytesOf({0, 2, 200, 0, 1, 1, 0, 2, 0, 200, 1, 2, 0, 1}))
        << QStringList{QStringLiteral("%1 %1 %1 %1").arg(f), QStringLiteral("%1 %1 %1 %1").arg(f),
                       QStringLiteral("%1 %1 %1 %1").arg(f)};
    QTest::newRow("absolute run with padding")
        << rle8(bytesOf({0, 3, 1, 2, 1, 0, 1, 2, 0, 1}))
        << QStringList{QStringLiteral("%1 %1 %1 %1").arg(f), QStringLiteral("%1 %1 %1 %1").arg(f),
                       QStringLiteral("ff0000 ff00 ff0000 ff00")};
    QTest::newRow("early end: the rest keeps the first colour")
        << rle8(bytesOf({2, 2}))
        << QStringList{QStringLiteral("%1 %1 %1 %1").arg(f), QStringLiteral("%1 %1 %1 %1").arg(f),
                       QStringLiteral("ff00 ff00 %1 %1").arg(f)};
    QTest::newRow("absolute run cut by the end of data")
        << rle8(bytesOf({1, 1, 0, 6, 2, 2}))
        << QStringList{QStringLiteral("%1 %1 %1 %1").arg(f), QStringLiteral("%1 %1 %1 %1").arg(f),
                       QStringLiteral("ff0000 %1 %1 %1").arg(f)};
    QTest::newRow("index past the palette is black")
        << rle8(bytesOf({1, 200, 0, 1}))
        << QStringList{QStringLiteral("%1 %1 %1 %1").arg(f), QStringLiteral("%1 %1 %1 %1").arg(f),
                       QStringLiteral("0 %1 %1 %1").arg(f)};
    DibParts four = rle8(bytesOf({5, 0x12, 0, 0, 0, 3, 0x21, 0x20, 0, 1}));
    four.compression = kRle4;
    four.bitCount = 4;
    QTest::newRow("RLE4 alternating run and absolute nibbles")
        << four
        << QStringList{QStringLiteral("%1 %1 %1 %1").arg(f),
                       QStringLiteral("ff00 ff0000 ff00 %1").arg(f),
                       QStringLiteral("ff0000 ff00 ff0000 ff00")};
}

void TestDibEdges::runLength() {
    QFETCH(DibParts, parts);
    QFETCH(QStringList, rows);
    const QImage image = decodeBmp(parts);
    QStringList actual;
    for (int y = 0; y < image.height(); ++y) actual << rowColours(image, y);
    QCOMPARE(actual, rows);
}

void TestDibEdges::pixelOffset_data() {
    QTest::addColumn<std::int64_t>("offBits");
    QTest::newRow("true offset") << std::int64_t{-1};
    QTest::newRow("zero") << std::int64_t{0};
    QTest::newRow("inside the file header") << std::int64_t{10};
    QTest::newRow("inside the info header") << std::int64_t{30};
    QTest::newRow("past the end") << std::int64_t{100000};
    QTest::newRow("far past the end") << std::int64_t{0xFFFFFFFF};
}

void TestDibEdges::pixelOffset() {
    QFETCH(std::int64_t, offBits);
    DibParts parts = rgb24();
    parts.bitCount = 8;
    parts.palette = {qRgb(0, 0, 0), qRgb(1, 2, 3), qRgb(200, 100, 50)};
    parts.clrUsed = 3;
    parts.pixels = paddedRows({bytesOf({1, 2, 1, 2}), bytesOf({2, 2, 2, 2})});
    const QImage image = decodeBmpFile(bmpFile(parts, offBits)).toImage();
    QCOMPARE(rowColours(image, 0), QStringLiteral("c86432 c86432 c86432 c86432"));
    QCOMPARE(rowColours(image, 1), QStringLiteral("10203 c86432 10203 c86432"));
}

void TestDibEdges::palettes() {
    // 2 bits per pixel, a palette shorter than the indexes used: the rest are black.
    DibParts parts;
    parts.width = 5;
    parts.height = 1;
    parts.bitCount = 2;
    parts.palette = {qRgb(255, 255, 255), qRgb(255, 0, 0)};
    parts.clrUsed = 2;
    parts.pixels = paddedRows({bytesOf({0b00011011, 0b01000000})});
    QCOMPARE(rowColours(decodeBmp(parts), 0), QStringLiteral("ffffff ff0000 0 0 ff0000"));

    // 1 bit, one-entry palette: index 1 is black. Width 9 crosses a byte.
    parts.width = 9;
    parts.bitCount = 1;
    parts.palette = {qRgb(0, 0, 255)};
    parts.clrUsed = 1;
    parts.pixels = paddedRows({bytesOf({0b10100000, 0b10000000})});
    QCOMPARE(rowColours(decodeBmp(parts), 0), QStringLiteral("0 ff 0 ff ff ff ff ff 0"));

    // An absurd clrUsed is capped to 2^bitCount and does not move the pixels.
    parts.clrUsed = 0x12341234;
    parts.palette = {qRgb(0, 0, 255), qRgb(0, 255, 0)};
    QCOMPARE(rowColours(decodeBmp(parts), 0), QStringLiteral("ff00 ff ff00 ff ff ff ff ff ff00"));
}

void TestDibEdges::coreHeaderAndTopDown() {
    DibParts core;
    core.headerSize = 12;
    core.width = 3;
    core.height = 2;
    core.bitCount = 4;
    core.palette.assign(16, qRgb(0, 0, 0));
    core.palette[1] = qRgb(1, 2, 3);
    core.palette[15] = qRgb(250, 251, 252);
    core.pixels = paddedRows({bytesOf({0x1F, 0x10}), bytesOf({0xF1, 0xF0})});
    QImage image = decodeBmp(core);
    QCOMPARE(rowColours(image, 0), QStringLiteral("fafbfc 10203 fafbfc"));
    QCOMPARE(rowColours(image, 1), QStringLiteral("10203 fafbfc 10203"));

    DibParts topDown = rgb24();
    topDown.height = -2;
    image = decodeBmp(topDown);
    QCOMPARE(rowColours(image, 0), QStringLiteral("ff0000 ff00 ff ffffff"));
    QCOMPARE(rowColours(image, 1), QStringLiteral("0 0 0 0"));
}

void TestDibEdges::separateRanges() {
    // A metafile record gives header and pixels apart; biSizeImage is 0.
    DibParts parts = rgb24();
    const QByteArray info = dibInfo(parts);
    QImage image = decodeDib(ByteReader(info), ByteReader(parts.pixels));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(rowColours(image, 1), QStringLiteral("ff0000 ff00 ff ffffff"));

    // The header must not read into the pixel range: a cut header is a short read.
    QCOMPARE(failureText([&] { decodeDib(ByteReader(info.left(20)), ByteReader(parts.pixels)); }),
             kReadError);

    // DIB_PAL_COLORS: the table holds 16-bit indexes, shown as a grey ramp.
    DibParts indexed;
    indexed.width = 2;
    indexed.height = 1;
    indexed.bitCount = 1;
    QByteArray table = dibInfo(indexed);
    putU16(table, 0);
    putU16(table, 1);
    const QByteArray bits = paddedRows({bytesOf({0b01000000})});
    DibOptions options;
    options.paletteIndexes = true;
    image = decodeDib(ByteReader(table), ByteReader(bits), options);
    QCOMPARE(rowColours(image, 0), QStringLiteral("0 ffffff"));
    image = decodePackedDib(ByteReader(table + bits), options);
    QCOMPARE(rowColours(image, 0), QStringLiteral("0 ffffff"));
}

void TestDibEdges::alphaOptions() {
    DibParts parts;
    parts.width = 2;
    parts.height = 1;
    parts.bitCount = 32;
    parts.pixels = bytesOf({0, 0, 255, 128, 0, 255, 0, 0});
    DibOptions keep;
    keep.keepAlpha = true;
    QImage image = decodePackedDib(ByteReader(packedDib(parts)), keep);
    QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 128);
    QCOMPARE(qAlpha(image.pixel(1, 0)), 0);
    // Without keepAlpha the same bytes are an opaque bitmap.
    image = decodePackedDib(ByteReader(packedDib(parts)));
    QCOMPARE(image.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(1, 0), qRgb(0, 255, 0));
    // All alpha bytes zero: padding, not transparency.
    parts.pixels = bytesOf({0, 0, 255, 0, 0, 255, 0, 0});
    image = decodePackedDib(ByteReader(packedDib(parts)), keep);
    QCOMPARE(image.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(1, 0), qRgb(0, 255, 0));
}

void TestDibEdges::largeButValid() {
    // A wide RLE picture that is one end-of-bitmap: allowed, filled with the first colour.
    DibParts parts = rle8(bytesOf({0, 1}), 4000, 3000);
    const QImage image = decodeBmp(parts);
    QCOMPARE(image.size(), QSize(4000, 3000));
    QCOMPARE(image.pixel(3999, 0), qRgb(10, 20, 30));
}

void TestDibEdges::sixteenBitPathsAgree() {
    // Every 16-bit value once: a large picture goes through a lookup table, a one-row picture
    // through per-pixel masks; both must give the same colours.
    DibParts big;
    big.width = 256;
    big.height = -256;
    big.bitCount = 16;
    big.compression = kBitfields;
    big.masks = {0x001F, 0x07E0, 0xF800};
    for (int v = 0; v < 65536; ++v) big.pixels += bytesOf({v & 0xFF, v >> 8});
    const QImage image = decodeBmp(big);
    DibParts row = big;
    row.height = 1;
    for (int y = 0; y < 256; ++y) {
        row.pixels = big.pixels.mid(y * 512, 512);
        const QImage small = decodeBmp(row);
        QCOMPARE(rowColours(small, 0), rowColours(image, y));
    }
    QCOMPARE(image.pixel(255, 255), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(0x1F, 0), qRgb(255, 0, 0));
}

int runTestDibEdges(int argc, char** argv) {
    TestDibEdges test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestDibEdges.moc"
