#include "MetafileTest.h"
#include "picture/metafile/Gdi.h"
#include "picture/metafile/Metafile.h"
#include "picture/metafile/ObjectTable.h"

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

void MetafileTest::rasterOperationsWithoutSource_data() {
    QTest::addColumn<quint32>("rop");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("BLACKNESS") << quint32(BLACKNESS) << QColor(Qt::black);
    QTest::newRow("WHITENESS") << quint32(WHITENESS) << QColor(Qt::white);
    QTest::newRow("PATCOPY") << quint32(PATCOPY) << QColor(Qt::red);
    QTest::newRow("destination only") << quint32(0x00AA0029) << QColor(Qt::transparent);
}

void MetafileTest::rasterOperationsWithoutSource() {
    QFETCH(quint32, rop);
    QFETCH(QColor, expected);
    WmfWriter w;
    QByteArray patBlt;
    putU32(patBlt, rop);
    for (int v : {50, 50, 0, 0}) putU16(patBlt, static_cast<std::uint16_t>(v));  // h, w, y, x
    w.createBrush(0, 0x0000FF).selectObject(0).raw(0x061D, patBlt);
    const QImage image = decodeWmf(w.placeable(QRect(0, 0, 100, 100), 96)).toImage();
    QVERIFY2(near(image.pixelColor(25, 25), expected),
             qPrintable(image.pixelColor(25, 25).name(QColor::HexArgb)));
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
