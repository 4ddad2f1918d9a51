#include "MetafileTest.h"
#include "picture/metafile/Metafile.h"

#include <QtTest>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace zarovia::picture::metafile::test {

namespace {

constexpr std::uint16_t kS = 0x8000;  // the brush field holds a colour

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 10 && std::abs(a.green() - b.green()) < 10 &&
           std::abs(a.blue() - b.blue()) < 10 && std::abs(a.alpha() - b.alpha()) < 10;
}

QByteArray rectF(float x, float y, float w, float h) {
    return floats({x, y, w, h});
}

QByteArray fillRect(std::uint32_t argb, float x, float y, float w, float h) {
    return plusRecord(0x400A, kS, words({argb, 1}) + rectF(x, y, w, h));
}

// An object record: `type` in bits 8 to 14, the slot in the low byte.
QByteArray object(int type, int id, const QByteArray& data, std::uint16_t more = 0) {
    return plusRecord(0x4008, static_cast<std::uint16_t>(more | (type << 8) | id), data);
}

QByteArray solidBrush(std::uint32_t argb) {
    return words({0xDBC01002, 0, argb});
}

// A 100 x 100 pixel EMF whose only drawing is in EMF+ records.
QImage plusOnly(const QByteArray& records) {
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.plus(plusHeader(false) + records + plusRecord(0x4002, 0));
    return decodeEmf(w.finish()).toImage();
}

}  // namespace

void MetafileTest::emfPlusHeaderDecidesWhatIsDrawn_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("plusDrawn");  // the EMF+ red square
    QTest::addColumn<bool>("emfDrawn");   // the EMF green square
    const QByteArray red = fillRect(0xFFFF0000, 10, 10, 30, 30);
    const auto file = [&](const QByteArray& header, bool getDcFirst) {
        EmfWriter w(QRect(0, 0, 2646, 2646));
        w.plus(header + red);
        if (getDcFirst) w.plus(plusRecord(0x4004, 0));
        w.createBrush(1, 0, 0x00FF00).selectObject(1).record(43, {50, 10, 81, 41});
        w.plus(plusRecord(0x4002, 0));
        return w.finish();
    };
    QTest::newRow("EMF+ only") << file(plusHeader(false), false) << true << false;
    QTest::newRow("EMF+ only, GetDC hands over") << file(plusHeader(false), true) << true << true;
    QTest::newRow("dual: the EMF part") << file(plusHeader(true), false) << false << true;
    // A dual file whose EMF records draw nothing is drawn from its EMF+ records.
    EmfWriter plusDrawing(QRect(0, 0, 2646, 2646));
    plusDrawing.plus(plusHeader(true) + red).createBrush(1, 0, 0x00FF00).selectObject(1);
    plusDrawing.plus(plusRecord(0x4002, 0));
    QTest::newRow("dual without EMF drawing") << plusDrawing.finish() << true << false;
    QTest::newRow("no EMF+ header: EMF") << file(QByteArray(), false) << false << true;
    // A GetDC lasts until the next EMF+ record.
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.plus(plusHeader(false) + plusRecord(0x4004, 0) + red);
    w.createBrush(1, 0, 0x00FF00).selectObject(1).record(43, {50, 10, 81, 41});
    QTest::newRow("GetDC followed by EMF+") << w.finish() << true << false;
}

void MetafileTest::emfPlusHeaderDecidesWhatIsDrawn() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, plusDrawn);
    QFETCH(bool, emfDrawn);
    const QImage image = decodeEmf(bytes).toImage();
    QCOMPARE(near(image.pixelColor(25, 25), Qt::red), plusDrawn);
    QCOMPARE(near(image.pixelColor(65, 25), Qt::green), emfDrawn);
}

void MetafileTest::emfPlusObjectsAndRecords_data() {
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour");
    const QByteArray blue = object(1, 1, solidBrush(0xFF0000FF));
    // A triangle path: float points, one type byte each, the last closing the figure.
    QByteArray path = words({0xDBC01002, 3, 0}) + floats({10, 10, 90, 10, 50, 90});
    path.append("\x00\x01\x81\x00", 4);
    QTest::newRow("FillPath with a brush object")
        << blue + object(3, 2, path) + plusRecord(0x4014, 2, words({1})) << QPoint(50, 30)
        << QColor(Qt::blue);
    // Relative points (7-bit offsets) and run-length types: the same triangle.
    QByteArray compact = words({0xDBC01002, 3, 0x1800});
    compact.append("\x0a\x0a\x80\x50\x00\x58\x28", 7);  // (10,10) (+80,0) (-40,+40)
    compact.append("\x00\x42\x01", 3);                  // start, then a run of two lines
    QTest::newRow("path of relative points and runs")
        << blue + object(3, 2, compact) + plusRecord(0x4014, 2, words({1})) << QPoint(50, 30)
        << QColor(Qt::blue);
    QTest::newRow("FillPolygon, 16-bit points")
        << plusRecord(0x400C, kS | 0x4000,
                      words({0xFF00FF00, 3}) +
                          QByteArray("\x0a\x00\x0a\x00\x5a\x00\x0a\x00\x32\x00\x5a\x00", 12))
        << QPoint(50, 30) << QColor(Qt::green);
    QTest::newRow("FillEllipse") << plusRecord(0x400E, kS,
                                               words({0xFFFF0000}) + rectF(0, 0, 100, 100))
                                 << QPoint(50, 50) << QColor(Qt::red);
    QTest::newRow("FillEllipse leaves the corners")
        << plusRecord(0x400E, kS, words({0xFFFF0000}) + rectF(0, 0, 100, 100)) << QPoint(3, 3)
        << QColor(Qt::transparent);
    // A pie of a quarter turn from 0 degrees clockwise: the lower right quarter.
    QTest::newRow("FillPie") << plusRecord(
                                    0x4010, kS,
                                    words({0xFFFF0000}) + floats({0, 90}) + rectF(0, 0, 100, 100))
                             << QPoint(70, 70) << QColor(Qt::red);
    QTest::newRow("FillPie, not elsewhere")
        << plusRecord(0x4010, kS, words({0xFFFF0000}) + floats({0, 90}) + rectF(0, 0, 100, 100))
        << QPoint(30, 70) << QColor(Qt::transparent);
    QByteArray gradient = words({0xDBC01002, 4, 0, 3}) + rectF(0, 0, 100, 100) +
                          words({0xFFFF0000, 0xFF0000FF, 0, 0});
    QTest::newRow("linear gradient, start")
        << object(1, 1, gradient) + plusRecord(0x400A, 0, words({1, 1}) + rectF(0, 0, 100, 100))
        << QPoint(2, 50) << QColor(250, 0, 5);
    QTest::newRow("linear gradient, end")
        << object(1, 1, gradient) + plusRecord(0x400A, 0, words({1, 1}) + rectF(0, 0, 100, 100))
        << QPoint(97, 50) << QColor(7, 0, 248);
    // A brush object in two records: the first holds the total size.
    const QByteArray whole = solidBrush(0xFF00FF00);
    QTest::newRow("object in two parts")
        << object(1, 3, words({std::uint32_t(whole.size())}) + whole.left(4), 0x8000) +
               object(1, 3, whole.mid(4)) +
               plusRecord(0x400A, 0, words({3, 1}) + rectF(0, 0, 100, 100))
        << QPoint(50, 50) << QColor(Qt::green);
    // A region: the union of two rectangles.
    QByteArray region = words({0xDBC01002, 3, 2, 0x10000000}) + rectF(0, 0, 40, 40) +
                        words({0x10000000}) + rectF(60, 60, 40, 40);
    QTest::newRow("FillRegion, inside")
        << object(4, 2, region) + plusRecord(0x4013, kS | 2, words({0xFFFF0000})) << QPoint(80, 80)
        << QColor(Qt::red);
    QTest::newRow("FillRegion, between")
        << object(4, 2, region) + plusRecord(0x4013, kS | 2, words({0xFFFF0000})) << QPoint(50, 50)
        << QColor(Qt::transparent);
    // A pen 5 world units wide, the world scaled twice: a line 10 pixels wide.
    const QByteArray pen = words({0xDBC01002, 0, 0, 0}) + floats({5}) + solidBrush(0xFF000000);
    const QByteArray wide = object(2, 4, pen) + plusRecord(0x402E, 0, floats({2, 2})) +
                            plusRecord(0x400D, 4, words({2}) + floats({5, 25, 45, 25}));
    QTest::newRow("pen width in world units, inside")
        << wide << QPoint(50, 54) << QColor(Qt::black);
    QTest::newRow("pen width in world units, beyond")
        << wide << QPoint(50, 57) << QColor(Qt::transparent);
    QTest::newRow("Clear") << plusRecord(0x4009, 0, words({0xFF00FF00})) << QPoint(1, 98)
                           << QColor(Qt::green);
    // A 2 x 1 bitmap (red, blue) onto a parallelogram turned a quarter clockwise: red on top.
    const QByteArray image =
        object(5, 6, words({0xDBC01002, 1, 2, 1, 8, 0x0026200A, 0, 0xFFFF0000, 0xFF0000FF}));
    const QByteArray turned = image + plusRecord(0x401B, 6,
                                                 words({0, 2}) + rectF(0, 0, 2, 1) + words({3}) +
                                                     floats({100, 0, 100, 100, 0, 0}));
    QTest::newRow("DrawImagePoints, first pixel") << turned << QPoint(50, 25) << QColor(Qt::red);
    QTest::newRow("DrawImagePoints, second pixel") << turned << QPoint(50, 75) << QColor(Qt::blue);
}

void MetafileTest::emfPlusObjectsAndRecords() {
    QFETCH(QByteArray, records);
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    const QImage image = plusOnly(records);
    QVERIFY2(near(image.pixelColor(at), colour),
             qPrintable(image.pixelColor(at).name(QColor::HexArgb)));
}

void MetafileTest::emfPlusStatesAndClips_data() {
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("colour");
    const QByteArray square = fillRect(0xFFFF0000, 0, 0, 20, 20);
    // Translated inside a saved state; the next square is drawn where the state left off.
    const QByteArray moved = plusRecord(0x4025, 0, words({7})) +
                             plusRecord(0x402A, 0, floats({1, 0, 0, 1, 50, 50})) + square +
                             plusRecord(0x4026, 0, words({7})) + fillRect(0xFF00FF00, 0, 0, 20, 20);
    QTest::newRow("transform inside Save") << moved << QPoint(60, 60) << QColor(Qt::red);
    QTest::newRow("Restore brings the transform back")
        << moved << QPoint(10, 10) << QColor(Qt::green);
    // Translate appended after a scale, or put before it.
    // Appended, the square lands at 10..50; put first, at 20..60.
    QTest::newRow("translation after the scale")
        << plusRecord(0x402E, 0, floats({2, 2})) + plusRecord(0x402D, 0x2000, floats({10, 10})) +
               square
        << QPoint(15, 15) << QColor(Qt::red);
    QTest::newRow("translation before the scale")
        << plusRecord(0x402E, 0, floats({2, 2})) + plusRecord(0x402D, 0, floats({10, 10})) + square
        << QPoint(15, 15) << QColor(Qt::transparent);
    QTest::newRow("page unit: points at 96 dpi")
        << plusRecord(0x4030, 3, floats({1})) + fillRect(0xFFFF0000, 0, 0, 60, 60) << QPoint(75, 75)
        << QColor(Qt::red);
    const QByteArray clipped = plusRecord(0x4032, 0, rectF(0, 0, 50, 100)) +
                               plusRecord(0x4032, 0x0100, rectF(0, 0, 100, 50)) +
                               fillRect(0xFFFF0000, 0, 0, 100, 100);
    QTest::newRow("intersected clips, inside") << clipped << QPoint(25, 25) << QColor(Qt::red);
    QTest::newRow("intersected clips, outside")
        << clipped << QPoint(75, 25) << QColor(Qt::transparent);
    QTest::newRow("clip restored with its state")
        << plusRecord(0x4025, 0, words({1})) + plusRecord(0x4032, 0, rectF(0, 0, 10, 10)) +
               plusRecord(0x4026, 0, words({1})) + fillRect(0xFFFF0000, 0, 0, 100, 100)
        << QPoint(75, 75) << QColor(Qt::red);
    QTest::newRow("excluded clip")
        << plusRecord(0x4032, 0x0400, rectF(0, 0, 50, 50)) + fillRect(0xFFFF0000, 0, 0, 100, 100)
        << QPoint(25, 25) << QColor(Qt::transparent);
    const QByteArray container =
        plusRecord(0x4027, 2, rectF(50, 50, 50, 50) + rectF(0, 0, 100, 100) + words({3})) +
        fillRect(0xFFFF0000, 0, 0, 100, 100) + plusRecord(0x4029, 0, words({3})) +
        fillRect(0xFF00FF00, 0, 0, 10, 10);
    QTest::newRow("container maps its source onto its destination")
        << container << QPoint(75, 75) << QColor(Qt::red);
    QTest::newRow("container, outside its destination")
        << container << QPoint(40, 40) << QColor(Qt::transparent);
    QTest::newRow("after the container") << container << QPoint(5, 5) << QColor(Qt::green);
    // Records that are cut short are passed over, and the next one plays.
    QTest::newRow("short record") << plusRecord(0x400A, kS, words({0xFFFF0000, 5})) + square
                                  << QPoint(10, 10) << QColor(Qt::red);
}

void MetafileTest::emfPlusStatesAndClips() {
    QFETCH(QByteArray, records);
    QFETCH(QPoint, at);
    QFETCH(QColor, colour);
    const QImage image = plusOnly(records);
    QVERIFY2(near(image.pixelColor(at), colour),
             qPrintable(image.pixelColor(at).name(QColor::HexArgb)));
}

void MetafileTest::emfPlusStringsAndImages() {
    // A font of 20 pixels; a string wrapped in a 100-unit wide box.
    QByteArray font = words({0xDBC01002}) + floats({20}) + words({2, 0, 0, 5});
    for (QChar c : QStringLiteral("Arial")) putU16(font, c.unicode());
    QByteArray text;
    const QString words6 = QStringLiteral("one two three four five six");
    for (QChar c : words6) putU16(text, c.unicode());
    const QByteArray string =
        plusRecord(0x401C, kS | 5,
                   words({0xFF102030, 0xFFFFFFFF, std::uint32_t(words6.size())}) +
                       rectF(0, 0, 100, 100) + text);
    // A 2 x 1 bitmap (red, blue) drawn over the picture without interpolation.
    QByteArray image = words({0xDBC01002, 1, 2, 1, 8, 0x0026200A, 0, 0xFFFF0000, 0xFF0000FF});
    const QByteArray draw =
        plusRecord(0x4021, 5) +  // nearest neighbour
        plusRecord(0x401A, 6, words({0, 2}) + rectF(0, 0, 2, 1) + rectF(0, 50, 100, 50));
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.plus(plusHeader(false) + object(6, 5, font) + string + object(5, 6, image) + draw);
    const QByteArray bytes = w.finish();
    const RecordingCanvas canvas = record(parseEmf(bytes));
    const auto texts = canvas.all<TextStep>();
    QVERIFY2(texts.size() >= 2, "the string wraps at the box's width");
    QString joined;
    for (const TextItem& t : texts) {
        QCOMPARE(t.colour, QColor(0x10, 0x20, 0x30));
        joined += t.text;
        // Each line starts at the box's left edge, after the leading margin.
        QVERIFY(t.frame.map(t.start).x() >= 0);
        QVERIFY(t.frame.map(QPointF(t.start.x() + t.width, 0)).x() <= 100.5);
    }
    QCOMPARE(joined.simplified(), words6);
    const auto images = canvas.all<ImageStep>();
    QCOMPARE(images.size(), std::size_t(1));
    QVERIFY(!images[0].smooth);
    QCOMPARE(images[0].frame.mapRect(QRectF(0, 0, 2, 1)), QRectF(0, 50, 100, 50));
    const QImage drawn = decodeEmf(bytes).toImage();
    QVERIFY(near(drawn.pixelColor(45, 75), Qt::red));
    QVERIFY(near(drawn.pixelColor(55, 75), Qt::blue));
}

}  // namespace zarovia::picture::metafile::test

namespace zarovia::picture::metafile::test {

void MetafileTest::emfPlusBitmapFormats_data() {
    QTest::addColumn<QByteArray>("object");  // the image object's data
    QTest::addColumn<QColor>("left");        // pixels 0 and 1 of the one row
    QTest::addColumn<QColor>("right");
    const auto bitmap = [](std::uint32_t format, int stride, const QByteArray& rest) {
        return words({0xDBC01002, 1, 2, 1, std::uint32_t(stride), format, 0}) + rest;
    };
    // Indexed: the palette (flags, count, colours) before the pixels.
    QTest::newRow("8 bits, indexed")
        << bitmap(0x00030803, 4,
                  words({0, 2, 0xFF00FF00, 0xFF0000FF}) + QByteArray("\x01\x00\0\0", 4))
        << QColor(Qt::blue) << QColor(Qt::green);
    QTest::newRow("1 bit, indexed")
        << bitmap(0x00030101, 4,
                  words({0, 2, 0xFF000000, 0xFFFF0000}) + QByteArray("\x40\0\0\0", 4))
        << QColor(Qt::black) << QColor(Qt::red);
    // Without the indexed flag a few bits are grey levels; no byte after the row is read (the
    // object ends with its pixels).
    QTest::newRow("8 bits, not indexed") << bitmap(0x00000800, 2, QByteArray("\xFF\x00", 2))
                                         << QColor(Qt::white) << QColor(Qt::black);
    QTest::newRow("4 bits, not indexed")
        << bitmap(0x00000400, 1, QByteArray("\x0F", 1)) << QColor(Qt::black) << QColor(Qt::white);
    QTest::newRow("1 bit, not indexed")
        << bitmap(0x00000100, 1, QByteArray("\x80", 1)) << QColor(Qt::white) << QColor(Qt::black);
    // Sixteen bits are never indexed, whatever the flag says: five bits each of red, green
    // and blue.
    QTest::newRow("16 bits with the indexed flag")
        << bitmap(0x00011005, 4, QByteArray("\x00\x7C\x1F\x00", 4)) << QColor(Qt::red)
        << QColor(Qt::blue);
}

void MetafileTest::emfPlusBitmapFormats() {
    QFETCH(QByteArray, object);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    const QByteArray draw =
        plusRecord(0x4021, 5) +  // nearest neighbour
        plusRecord(0x401A, 6, words({0, 2}) + rectF(0, 0, 2, 1) + rectF(0, 0, 100, 100));
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.plus(plusHeader(false) + plusRecord(0x4008, (5 << 8) | 6, object) + draw);
    const QImage drawn = decodeEmf(w.finish()).toImage();
    QVERIFY2(near(drawn.pixelColor(25, 50), left), qPrintable(drawn.pixelColor(25, 50).name()));
    QVERIFY2(near(drawn.pixelColor(75, 50), right), qPrintable(drawn.pixelColor(75, 50).name()));
}

// A run-length bitmap sets only the pixels its runs name; the others come out the same on
// every run (the palette's first colour), never as what the memory given to the decoder held
// before. Memory handed out here is filled with a pattern first, as the C library can be asked.
void MetafileTest::emfPlusRunLengthBitmapGapsAreCleared() {
    constexpr int kSide = 16;
    const QByteArray runs("\x02\x01\x00\x01", 4);  // two pixels of colour 1, then the end
    QByteArray bmp("BM", 2);
    putU32(bmp, 62 + 4);
    putU32(bmp, 0);
    putU32(bmp, 62);  // the runs after the headers and two palette entries
    for (std::uint32_t v : {40u, std::uint32_t(kSide), std::uint32_t(kSide)}) putU32(bmp, v);
    putU16(bmp, 1);
    putU16(bmp, 8);
    for (std::uint32_t v : {1u, 4u, 0u, 0u, 2u, 0u}) putU32(bmp, v);  // BI_RLE8, 2 colours
    putU32(bmp, 0x0000FF00);                                          // 0: green
    putU32(bmp, 0x00FF0000);                                          // 1: red
    bmp += runs;
    const QByteArray records =
        plusRecord(0x4008, (5 << 8) | 1, words({0xDBC01002, 1, 0, 0, 0, 0, 1}) + bmp) +
        plusRecord(0x4021, 5) +  // nearest neighbour
        plusRecord(0x401A, 1, words({0, 2}) + rectF(0, 0, kSide, kSide) + rectF(0, 0, 100, 100));
#ifdef __GLIBC__
    mallopt(M_PERTURB, 0x55);
#endif
    const QImage drawn = plusOnly(records);
#ifdef __GLIBC__
    mallopt(M_PERTURB, 0);
#endif
    // The bottom row starts with the run.
    QVERIFY2(near(drawn.pixelColor(5, 95), Qt::red), qPrintable(drawn.pixelColor(5, 95).name()));
    for (const QPoint at : {QPoint(50, 95), QPoint(50, 10)})
        QVERIFY2(near(drawn.pixelColor(at), Qt::green), qPrintable(drawn.pixelColor(at).name()));
}

// However often a bitmap object is drawn whole, its pixels are held once: the draws share them
// and take nothing more from the budget; a part drawn is a copy, counted.
void MetafileTest::emfPlusDrawsShareTheirBitmap() {
    constexpr int kSide = 512;
    QByteArray pixels(kSide * kSide * 4, '\x7F');
    const QByteArray image =
        words({0xDBC01002, 1, kSide, kSide, kSide * 4, 0x0026200A, 0}) + pixels;
    const auto drawWhole =
        plusRecord(0x401A, 1, words({0, 2}) + rectF(0, 0, kSide, kSide) + rectF(0, 0, 50, 50));
    const auto drawPart =
        plusRecord(0x401A, 1, words({0, 2}) + rectF(0, 0, kSide / 2, kSide) + rectF(0, 0, 50, 50));
    for (bool part : {false, true}) {
        // The object arrives in two records, as large ones do.
        QByteArray records = plusHeader(false);
        const QByteArray first = image.left(image.size() / 2);
        records +=
            plusRecord(0x4008, 0x8000 | (5 << 8) | 1, words({std::uint32_t(image.size())}) + first);
        records += plusRecord(0x4008, (5 << 8) | 1, image.mid(image.size() / 2));
        for (int i = 0; i < 20; ++i) records += part ? drawPart : drawWhole;
        EmfWriter w(QRect(0, 0, 2646, 2646));
        w.plus(records);
        const ParsedMetafile parsed = parseEmf(w.finish());
        const auto images = record(parsed).all<ImageStep>();
        QCOMPARE(images.size(), std::size_t(20));
        const std::int64_t bitmap = std::int64_t(kSide) * kSide * 4;
        if (part) {
            QVERIFY(parsed.list.bytes() >= bitmap + 20 * bitmap / 2);
        } else {
            for (const ImageStep& s : images)
                QCOMPARE(s.image.constBits(), images[0].image.constBits());
            QVERIFY(parsed.list.bytes() < 2 * bitmap);
        }
        QVERIFY(parsed.list.peakBytes() <= parsed.list.budget());
    }
}

}  // namespace zarovia::picture::metafile::test

namespace zarovia::picture::metafile::test {

// The parts of an object that arrives in several records count against the budget while they
// are gathered, and are let go when the file ends before its last part.
void MetafileTest::emfPlusObjectPartsAreCounted() {
    const QByteArray part(60000, '\x11');
    QByteArray records = plusHeader(false);
    // An image object announced at 1 MB, of which ten parts of 60 KB come.
    for (int i = 0; i < 10; ++i)
        records += plusRecord(0x4008, 0x8000 | (5 << 8) | 1, words({1'000'000}) + part);
    records += fillRect(0xFF0000FF, 0, 0, 10, 10);
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.plus(records);
    const ParsedMetafile parsed = parseEmf(w.finish());
    QVERIFY(parsed.list.peakBytes() >= 10 * part.size());
    QVERIFY(parsed.list.bytes() < part.size());
    QCOMPARE(record(parsed).all<ShapeStep>().size(), std::size_t(1));
}

}  // namespace zarovia::picture::metafile::test
