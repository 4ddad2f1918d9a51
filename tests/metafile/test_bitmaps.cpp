#include "MetafileTest.h"
#include "picture/metafile/Gdi.h"
#include "picture/metafile/Metafile.h"
#include "picture/metafile/ObjectTable.h"

#include <QFile>
#include <QtTest>

namespace zarovia::picture::metafile::test {

namespace {

// A 2 x 2 bottom-up 24-bit DIB: top row red, white; bottom row blue, green.
void appendDib(QByteArray& b) {
    putU32(b, 40);
    putU32(b, 2);
    putU32(b, 2);
    putU16(b, 1);
    putU16(b, 24);
    for (int i = 0; i < 6; ++i) putU32(b, 0);
    const unsigned char rows[16] = {0xFF, 0, 0,    0,    0xFF, 0,    0, 0,   // bottom: blue, green
                                    0,    0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};  // top: red, white
    b.append(reinterpret_cast<const char*>(rows), 16);
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 &&
           std::abs(a.blue() - b.blue()) < 8 && std::abs(a.alpha() - b.alpha()) < 8;
}

}  // namespace

void MetafileTest::stretchDibitsDrawsTheDibTheRightWayUp() {
    QByteArray body;
    for (int v : {0, 0, 99, 99}) putU32(body, static_cast<std::uint32_t>(v));      // bounds
    for (int v : {0, 0, 0, 0, 2, 2}) putU32(body, static_cast<std::uint32_t>(v));  // dest, src
    for (int v : {80, 40, 120, 16, 0}) putU32(body, static_cast<std::uint32_t>(v));
    putU32(body, SRCCOPY);
    putU32(body, 100);
    putU32(body, 100);
    appendDib(body);
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.raw(81, body);
    const QImage image = decodeEmf(w.finish()).toImage();
    QVERIFY(near(image.pixelColor(25, 25), Qt::red));
    QVERIFY(near(image.pixelColor(75, 25), Qt::white));
    QVERIFY(near(image.pixelColor(25, 75), Qt::blue));
    QVERIFY(near(image.pixelColor(75, 75), Qt::green));

    // A DIB whose header claims more pixels than its bits hold draws nothing, and the
    // records after it still play.
    QByteArray bad = body;
    bad[72 + 4] = '\x00';
    bad[72 + 5] = '\x40';  // width 16384
    EmfWriter w2(QRect(0, 0, 2646, 2646));
    w2.raw(81, bad).selectObject(ENHMETA_STOCK_OBJECT | 4).rectangle(0, 0, 10, 10);
    const RecordingCanvas canvas = record(parseEmf(w2.finish()));
    QVERIFY(canvas.all<ImageStep>().empty());
    QCOMPARE(canvas.all<ShapeStep>().size(), std::size_t(1));
}

namespace {

// StretchDIBits (81) or SetDIBitsToDevice (80) of the DIB of appendDib: the part `source` of it
// (y counted from the bottom row) at `dest`, whose size only StretchDIBits uses. `cut` bytes
// are left off the record's end.
QByteArray dibBlitRecord(int type, QRect dest, QRect source, std::uint32_t rop, int cut = 0) {
    const bool stretch = type == 81;
    const std::uint32_t offBmi = stretch ? 80 : 76;  // after the fields, from the record's start
    QByteArray body;
    for (int v : {dest.left(), dest.top(), dest.right(), dest.bottom()})
        putU32(body, static_cast<std::uint32_t>(v));
    for (int v : {dest.x(), dest.y(), source.x(), source.y(), source.width(), source.height()})
        putU32(body, static_cast<std::uint32_t>(v));
    for (std::uint32_t v : {offBmi, 40u, offBmi + 40, 16u, 0u}) putU32(body, v);
    if (stretch) {
        putU32(body, rop);
        putU32(body, static_cast<std::uint32_t>(dest.width()));
        putU32(body, static_cast<std::uint32_t>(dest.height()));
    } else {
        putU32(body, 0);  // first scan line
        putU32(body, 2);  // scan lines
    }
    appendDib(body);
    body.chop(cut);
    return body;
}

}  // namespace

void MetafileTest::dibRecordsPlaceTheirBitmap_data() {
    QTest::addColumn<QByteArray>("records");  // played over a black page
    QTest::addColumn<QList<QPoint>>("at");
    QTest::addColumn<QList<QColor>>("expected");
    const QColor black(Qt::black);
    const QColor red(Qt::red);
    const QColor green(Qt::green);
    const QColor blue(Qt::blue);
    const QColor white(Qt::white);
    auto blit = [](int type, QRect dest, QRect source, std::uint32_t rop = SRCCOPY, int cut = 0) {
        return EmfWriter(QRect())
            .raw(static_cast<std::uint32_t>(type), dibBlitRecord(type, dest, source, rop, cut))
            .records();
    };
    QTest::newRow("SetDIBitsToDevice: the whole bitmap at its own size")
        << blit(80, QRect(10, 10, 50, 50), QRect(0, 0, 2, 2))
        << QList<QPoint>{{10, 10}, {11, 10}, {10, 11}, {11, 11}, {12, 12}, {30, 30}}
        << QList<QColor>{red, white, blue, green, black, black};
    QTest::newRow("SetDIBitsToDevice: the bottom-right pixel")
        << blit(80, QRect(30, 30, 2, 2), QRect(1, 0, 1, 1))
        << QList<QPoint>{{30, 30}, {31, 30}, {30, 31}} << QList<QColor>{green, black, black};
    QTest::newRow("StretchDIBits: the top-left pixel over a box")
        << blit(81, QRect(20, 20, 60, 60), QRect(0, 1, 1, 1))
        << QList<QPoint>{{25, 25}, {75, 75}, {10, 10}, {90, 90}}
        << QList<QColor>{red, red, black, black};
    QTest::newRow("StretchDIBits: the raster operation named")
        << blit(81, QRect(0, 0, 100, 100), QRect(0, 0, 2, 2), NOTSRCCOPY)
        << QList<QPoint>{{25, 25}, {75, 75}}
        << QList<QColor>{QColor(Qt::cyan), QColor(Qt::magenta)};
    // Records shorter than their fields draw nothing, and the records after them still play.
    const QByteArray whiteBox =
        EmfWriter(QRect()).selectObject(ENHMETA_STOCK_OBJECT).rectangle(60, 60, 90, 90).records();
    QTest::newRow("StretchDIBits: cut before its size")
        << blit(81, QRect(0, 0, 100, 100), QRect(0, 0, 2, 2), SRCCOPY, 56 + 8) + whiteBox
        << QList<QPoint>{{25, 25}, {75, 75}} << QList<QColor>{black, white};
    QTest::newRow("SetDIBitsToDevice: cut before its bitmap's place")
        << blit(80, QRect(0, 0, 100, 100), QRect(0, 0, 2, 2), SRCCOPY, 56 + 8 + 12) + whiteBox
        << QList<QPoint>{{0, 0}, {75, 75}} << QList<QColor>{black, white};
    // A pattern brush of the same bitmap, tiled from the page's corner.
    QByteArray pattern;
    for (std::uint32_t v : {1u, 0u, 32u, 40u, 72u, 16u}) putU32(pattern, v);
    appendDib(pattern);
    QTest::newRow("DIB pattern brush")
        << EmfWriter(QRect()).raw(94, pattern).selectObject(1).rectangle(10, 10, 90, 90).records()
        << QList<QPoint>{{50, 50}, {51, 50}, {50, 51}, {51, 51}, {5, 5}}
        << QList<QColor>{red, white, blue, green, black};
}

void MetafileTest::dibRecordsPlaceTheirBitmap() {
    QFETCH(QByteArray, records);
    QFETCH(QList<QPoint>, at);
    QFETCH(QList<QColor>, expected);
    EmfWriter w(QRect(0, 0, 2646, 2646));  // 100 x 100 pixels
    w.selectObject(ENHMETA_STOCK_OBJECT | 4).rectangle(-1, -1, 101, 101);
    const QImage image = decodeEmf(w.append(records).finish()).toImage();
    for (qsizetype i = 0; i < at.size(); ++i)
        QVERIFY2(near(image.pixelColor(at[i]), expected[i]),
                 qPrintable(QStringLiteral("(%1, %2): %3")
                                .arg(at[i].x())
                                .arg(at[i].y())
                                .arg(image.pixelColor(at[i]).name())));
}

void MetafileTest::rasterOperationsWithoutSource_data() {
    QTest::addColumn<int>("record");  // WMF PatBlt, EMF BitBlt or StretchBlt
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<QColor>("expected");
    for (int record : {0x061D, 76, 77}) {
        const QString name = record == 0x061D ? QStringLiteral("WMF PatBlt")
                             : record == 76   ? QStringLiteral("EMF BitBlt")
                                              : QStringLiteral("EMF StretchBlt");
        QTest::newRow(qPrintable(name + QStringLiteral(", BLACKNESS")))
            << record << quint32(BLACKNESS) << QColor(Qt::black);
        QTest::newRow(qPrintable(name + QStringLiteral(", WHITENESS")))
            << record << quint32(WHITENESS) << QColor(Qt::white);
        QTest::newRow(qPrintable(name + QStringLiteral(", PATCOPY")))
            << record << quint32(PATCOPY) << QColor(Qt::red);
        QTest::newRow(qPrintable(name + QStringLiteral(", destination only")))
            << record << quint32(0x00AA0029) << QColor(Qt::transparent);
    }
}

// An operation without a source fills its whole destination, 50 x 50 units at the top left
// (the EMF records name a source rectangle as large as it, with no bitmap).
void MetafileTest::rasterOperationsWithoutSource() {
    QFETCH(int, record);
    QFETCH(quint32, rop);
    QFETCH(QColor, expected);
    QByteArray bytes;
    if (record == 0x061D) {
        WmfWriter w;
        QByteArray patBlt;
        putU32(patBlt, rop);
        for (int v : {50, 50, 0, 0}) putU16(patBlt, static_cast<std::uint16_t>(v));  // h, w, y, x
        w.createBrush(0, 0x0000FF).selectObject(0).raw(0x061D, patBlt);
        bytes = w.placeable(QRect(0, 0, 100, 100), 96);
    } else {
        // Bounds, destination, operation, source origin and transform, background, and an
        // empty bitmap (usage, offsets and sizes 0); StretchBlt adds the source extent.
        QByteArray blt = words({0, 0, 49, 49, 0, 0, 50, 50, rop, 0, 0});
        blt += floats({1, 0, 0, 1, 0, 0});
        blt += words({0xFFFFFF, 0, 0, 0, 0, 0});
        if (record == 77) blt += words({50, 50});
        EmfWriter w(QRect(0, 0, 2646, 2646));  // 100 x 100 reference pixels
        bytes = w.createBrush(1, 0, 0x0000FF)
                    .selectObject(1)
                    .raw(static_cast<std::uint32_t>(record), blt)
                    .finish();
    }
    const QImage image = (record == 0x061D ? decodeWmf(bytes) : decodeEmf(bytes)).toImage();
    for (const QPoint at : {QPoint(2, 2), QPoint(25, 25), QPoint(47, 47)})
        QVERIFY2(near(image.pixelColor(at), expected),
                 qPrintable(image.pixelColor(at).name(QColor::HexArgb)));
    QCOMPARE(qAlpha(image.pixel(75, 75)), 0);
}

void MetafileTest::hatchedBrushInOpaqueModeFillsTheGaps() {
    WmfWriter w;
    w.createBrush(2, 0x000000, 0)  // black horizontal hatch
        .selectObject(0)
        .record(0x0201, {0xFF, 0x00})  // SetBkColor red
        .rectangle(0, 0, 50, 50);
    const auto shapes = record(parseWmf(w.placeable(QRect(0, 0, 100, 100), 96))).all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(2));
    QCOMPARE(shapes[0].brush.color(), QColor(Qt::red));
    QCOMPARE(shapes[1].brush.style(), Qt::HorPattern);

    WmfWriter transparent;
    transparent.createBrush(2, 0x000000, 0)
        .selectObject(0)
        .record(0x0102, {1})
        .rectangle(0, 0, 50, 50);
    QCOMPARE(
        record(parseWmf(transparent.placeable(QRect(0, 0, 100, 100), 96))).all<ShapeStep>().size(),
        std::size_t(1));
}

}  // namespace zarovia::picture::metafile::test

namespace zarovia::picture::metafile::test {

namespace {

// A StretchDIBits record drawing the 2 x 2 DIB of appendDib over a destination box.
QByteArray stretchDibits(int x, int y, int w, int h) {
    QByteArray body;
    for (int v : {x, y, x + w, y + h}) putU32(body, static_cast<std::uint32_t>(v));
    for (int v : {x, y, 0, 0, 2, 2}) putU32(body, static_cast<std::uint32_t>(v));
    for (int v : {80, 40, 120, 16, 0}) putU32(body, static_cast<std::uint32_t>(v));
    putU32(body, SRCCOPY);
    putU32(body, static_cast<std::uint32_t>(w));
    putU32(body, static_cast<std::uint32_t>(h));
    appendDib(body);
    return body;
}

// A 1-bit mask DIB of 2 x 2 pixels: only the top-left pixel is 1.
void appendMask(QByteArray& b) {
    putU32(b, 40);
    putU32(b, 2);
    putU32(b, 2);
    putU16(b, 1);
    putU16(b, 1);
    for (int i = 0; i < 4; ++i) putU32(b, 0);
    putU32(b, 2);
    putU32(b, 0);
    putU32(b, 0x000000);  // colour table: black, white
    putU32(b, 0xFFFFFF);
    putU32(b, 0x00000000);  // bottom row: 0 0
    putU32(b, 0x00000080);  // top row: 1 0 (the first byte's high bit)
}

}  // namespace

void MetafileTest::stretchModesChooseSmoothing_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("smooth");
    QTest::newRow("not set (BLACKONWHITE)") << 0 << false;
    QTest::newRow("BLACKONWHITE") << 1 << false;
    QTest::newRow("COLORONCOLOR") << 3 << false;
    QTest::newRow("HALFTONE") << 4 << true;
}

// Only the halftone mode interpolates a stretched bitmap: pixel art stays crisp otherwise.
void MetafileTest::stretchModesChooseSmoothing() {
    QFETCH(int, mode);
    QFETCH(bool, smooth);
    EmfWriter w(QRect(0, 0, 2646, 2646));  // 100 x 100
    if (mode) w.record(21, {mode});
    w.raw(81, stretchDibits(0, 0, 100, 100));
    const QByteArray bytes = w.finish();
    const auto images = record(parseEmf(bytes)).all<ImageStep>();
    QCOMPARE(images.size(), std::size_t(1));
    QCOMPARE(images[0].smooth, smooth);
    // Just left of the middle of the top row: red, or a blend of red and white.
    const QColor c = decodeEmf(bytes).toImage().pixelColor(45, 25);
    QCOMPARE(near(c, Qt::red), !smooth);
}

void MetafileTest::maskBltChoosesBetweenTwoOperations() {
    // A grey page; MaskBlt copies the source where the mask is 1 and keeps the page elsewhere.
    QByteArray body;
    for (int v : {10, 10, 11, 11}) putU32(body, static_cast<std::uint32_t>(v));
    for (int v : {10, 10, 2, 2}) putU32(body, static_cast<std::uint32_t>(v));
    putU32(body, 0xAACC0020);  // foreground SRCCOPY, background: the destination
    putU32(body, 0);
    putU32(body, 0);
    body.append(floats({1, 0, 0, 1, 0, 0}));
    putU32(body, 0);  // background colour
    putU32(body, 0);  // usage
    const int fixed = 8 + 120;
    QByteArray dib;
    appendDib(dib);
    QByteArray mask;
    appendMask(mask);
    for (int v : {fixed, 40, fixed + 40, int(dib.size()) - 40})
        putU32(body, static_cast<std::uint32_t>(v));
    putU32(body, 0);  // mask x
    putU32(body, 0);  // mask y
    putU32(body, 0);  // mask usage
    const int maskAt = fixed + int(dib.size());
    for (int v : {maskAt, 48, maskAt + 48, 8}) putU32(body, static_cast<std::uint32_t>(v));
    QCOMPARE(body.size() + 8, fixed);
    body.append(dib);
    body.append(mask);
    EmfWriter w(QRect(0, 0, 2646, 2646));  // 100 x 100: the 2 x 2 source at one pixel each
    w.createBrush(1, 0, 0x808080).selectObject(1).record(43, {0, 0, 101, 101}).raw(78, body);
    const QImage image = decodeEmf(w.finish()).toImage();
    QVERIFY(near(image.pixelColor(10, 10), Qt::red));                   // mask 1: the source
    QVERIFY(near(image.pixelColor(11, 10), QColor(0x80, 0x80, 0x80)));  // mask 0: the page
    QVERIFY(near(image.pixelColor(10, 11), QColor(0x80, 0x80, 0x80)));
    QVERIFY(near(image.pixelColor(11, 11), QColor(0x80, 0x80, 0x80)));
}

void MetafileTest::plgBltMapsTheSourceOntoAParallelogram() {
    QByteArray body;
    for (int v : {0, 0, 99, 99}) putU32(body, static_cast<std::uint32_t>(v));
    // Upper-left, upper-right, lower-left: the image turned a quarter clockwise.
    for (int v : {100, 0, 100, 100, 0, 0}) putU32(body, static_cast<std::uint32_t>(v));
    for (int v : {0, 0, 2, 2}) putU32(body, static_cast<std::uint32_t>(v));
    body.append(floats({1, 0, 0, 1, 0, 0}));
    putU32(body, 0);
    putU32(body, 0);
    const int fixed = 8 + 132;
    QByteArray dib;
    appendDib(dib);
    for (int v : {fixed, 40, fixed + 40, int(dib.size()) - 40})
        putU32(body, static_cast<std::uint32_t>(v));
    for (int i = 0; i < 7; ++i) putU32(body, 0);  // no mask
    QCOMPARE(body.size() + 8, fixed);
    body.append(dib);
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.raw(79, body);
    const QImage image = decodeEmf(w.finish()).toImage();
    // Source top-left (red) lands at the top right, top-right (white) at the bottom right,
    // bottom-left (blue) at the top left.
    QVERIFY(near(image.pixelColor(75, 25), Qt::red));
    QVERIFY(near(image.pixelColor(75, 75), Qt::white));
    QVERIFY(near(image.pixelColor(25, 25), Qt::blue));
    QVERIFY(near(image.pixelColor(25, 75), Qt::green));
}

void MetafileTest::gradientFillShadesRectanglesAndTriangles() {
    const auto vertex = [](QByteArray& b, int x, int y, int r, int g, int bl) {
        putU32(b, static_cast<std::uint32_t>(x));
        putU32(b, static_cast<std::uint32_t>(y));
        for (int v : {r << 8, g << 8, bl << 8, 0}) putU16(b, static_cast<std::uint16_t>(v));
    };
    QByteArray rect;
    for (int v : {0, 0, 100, 50, 2, 1, 0}) putU32(rect, static_cast<std::uint32_t>(v));
    vertex(rect, 0, 0, 255, 0, 0);
    vertex(rect, 100, 50, 0, 0, 255);
    putU32(rect, 0);
    putU32(rect, 1);
    QByteArray triangle;
    for (int v : {0, 50, 100, 100, 3, 1, 2}) putU32(triangle, static_cast<std::uint32_t>(v));
    vertex(triangle, 0, 100, 255, 0, 0);
    vertex(triangle, 100, 100, 0, 255, 0);
    vertex(triangle, 0, 50, 0, 0, 255);
    for (int v : {0, 1, 2}) putU32(triangle, static_cast<std::uint32_t>(v));
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.raw(118, rect).raw(118, triangle);
    const QImage image = decodeEmf(w.finish()).toImage();
    QVERIFY(near(image.pixelColor(1, 25), QColor(252, 0, 2)));     // left: red
    QVERIFY(near(image.pixelColor(98, 25), QColor(4, 0, 250)));    // right: blue
    QVERIFY(near(image.pixelColor(50, 25), QColor(127, 0, 127)));  // between
    QVERIFY(near(image.pixelColor(2, 97), QColor(236, 6, 13)));    // by the red corner
    // Inside, the three colours mix by the distances to the corners.
    QVERIFY(near(image.pixelColor(33, 83), QColor(85, 85, 85)));
    QCOMPARE(qAlpha(image.pixel(90, 60)), 0);  // outside the triangle
}

}  // namespace zarovia::picture::metafile::test

namespace zarovia::picture::metafile::test {

// A bar chart whose bars are pattern blits (BitBlt and StretchBlt of PATCOPY, BLACKNESS), as
// office programs write filled boxes: each bar is filled whole.
void MetafileTest::patternBlitsFillTheirBars() {
    QFile file(QStringLiteral(ZAROVIA_TEST_DATA "/metafile/emf/gen_bitblt_pattern.emf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QImage image = decodeEmf(file.readAll()).toImage();
    QCOMPARE(image.size(), QSize(400, 300));
    struct Bar {
        QRect box;
        QColor colour;
    };
    for (const Bar& bar : {Bar{QRect(70, 80, 60, 180), QColor(0x20, 0x60, 0xC0)},
                           Bar{QRect(170, 140, 60, 120), QColor(0xE0, 0x80, 0x20)},
                           Bar{QRect(270, 50, 60, 210), QColor(0x30, 0xA0, 0x30)},
                           Bar{QRect(60, 275, 300, 10), QColor(Qt::black)}}) {
        const QRect inside = bar.box.adjusted(2, 2, -2, -2);
        for (const QPoint at : {inside.topLeft(), inside.center(), inside.bottomRight()})
            QVERIFY2(near(image.pixelColor(at), bar.colour),
                     qPrintable(QStringLiteral("%1,%2: %3")
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(image.pixelColor(at).name())));
    }
    QCOMPARE(qAlpha(image.pixel(150, 60)), 0);  // between the bars
}

}  // namespace zarovia::picture::metafile::test
