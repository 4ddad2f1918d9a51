#include "MetafileTest.h"
#include "picture/metafile/Limits.h"
#include "picture/metafile/ObjectTable.h"

#include <QtTest>

namespace zarovia::picture::metafile::test {

namespace {

const QRect kBox(0, 0, 100, 100);

QColor penColourOf(const ShapeStep& s) {
    return s.pen.style() == Qt::NoPen ? QColor() : s.pen.color();
}

}  // namespace

void MetafileTest::wmfNewObjectTakesTheLowestFreeSlot() {
    ObjectTable table(4);
    QCOMPARE(table.addToFreeSlot(LogPen{}), 0);
    QCOMPARE(table.addToFreeSlot(LogBrush{}), 1);
    QCOMPARE(table.addToFreeSlot(LogPen{}), 2);
    table.remove(0);
    QCOMPARE(table.addToFreeSlot(LogFont{}), 0);
    QVERIFY(std::holds_alternative<LogFont>(*table.get(0)));
    QCOMPARE(table.addToFreeSlot(LogPen{}), 3);
    QCOMPARE(table.addToFreeSlot(LogPen{}), -1);  // full
    QVERIFY(!table.get(4));
    QVERIFY(!table.get(0xFFFFFFFFu));
}

void MetafileTest::wmfSelectingADeletedIndexChangesNothing() {
    WmfWriter w;
    w.createPen(0, 1, 0x0000FF)     // slot 0: red
        .createPen(0, 1, 0xFF0000)  // slot 1: blue
        .selectObject(0)
        .deleteObject(1)
        .selectObject(1)  // deleted: the red pen stays
        .moveTo(0, 0)
        .lineTo(50, 50);
    const auto shapes = record(parseWmf(w.placeable(kBox, 96))).all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(1));
    QCOMPARE(penColourOf(shapes[0]), QColor(255, 0, 0));
}

void MetafileTest::wmfCreateWithTheTableFullIsIgnored() {
    WmfWriter w;
    w.createPen(0, 1, 0x0000FF)     // slot 0: red
        .createPen(0, 1, 0xFF0000)  // no slot left: ignored
        .createBrush(0, 0x00FF00)   // ignored too
        .selectObject(0)
        .selectObject(1)  // never filled
        .moveTo(0, 0)
        .lineTo(50, 50);
    const auto shapes = record(parseWmf(w.placeable(kBox, 96, 1))).all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(1));
    QCOMPARE(penColourOf(shapes[0]), QColor(255, 0, 0));
}

void MetafileTest::emfStockObjects() {
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.selectObject(ENHMETA_STOCK_OBJECT | 8)     // NULL_PEN
        .selectObject(ENHMETA_STOCK_OBJECT | 4)  // BLACK_BRUSH
        .rectangle(0, 0, 10, 10)
        .selectObject(ENHMETA_STOCK_OBJECT | 7)  // BLACK_PEN
        .selectObject(ENHMETA_STOCK_OBJECT | 5)  // NULL_BRUSH
        .rectangle(20, 20, 30, 30)
        .selectObject(ENHMETA_STOCK_OBJECT | 99)  // no such stock object: nothing changes
        .rectangle(40, 40, 50, 50);
    const auto shapes = record(parseEmf(w.finish())).all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(3));
    QCOMPARE(shapes[0].pen.style(), Qt::NoPen);
    QCOMPARE(shapes[0].brush.color(), QColor(0, 0, 0));
    QCOMPARE(shapes[1].pen.color(), QColor(0, 0, 0));
    QCOMPARE(shapes[1].brush.style(), Qt::NoBrush);
    QCOMPARE(shapes[2].brush.style(), Qt::NoBrush);
}

void MetafileTest::emfSlotZeroAndSlotsOutsideTheTableIgnoreCreates() {
    EmfWriter w(QRect(0, 0, 2646, 2646), 4);
    w.createPen(0, 0, 1, 0x0000FF)     // slot 0 is reserved
        .createPen(4, 0, 1, 0x00FF00)  // outside a table of 4
        .createPen(3, 0, 1, 0xFF0000)  // blue, accepted
        .selectObject(0)
        .selectObject(4)
        .rectangle(0, 0, 10, 10)
        .selectObject(3)
        .rectangle(0, 0, 10, 10);
    const auto shapes = record(parseEmf(w.finish())).all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(2));
    QCOMPARE(shapes[0].pen.color(), QColor(0, 0, 0));  // the default pen
    QCOMPARE(shapes[1].pen.color(), QColor(0, 0, 255));
}

void MetafileTest::emfHugeHandleCountIsCapped() {
    ObjectTable table(0xFFFFFFFFu);
    QCOMPARE(table.size(), kMaxObjects);
    QVERIFY(table.put(static_cast<std::uint32_t>(kMaxObjects - 1), LogPen{}));
    QVERIFY(!table.put(static_cast<std::uint32_t>(kMaxObjects), LogPen{}));
    ObjectTable wmfSized(65535);
    QCOMPARE(wmfSized.size(), std::size_t(65535));
}

void MetafileTest::saveAndRestoreBringBackTheState() {
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.createPen(1, 0, 1, 0x0000FF)
        .selectObject(1)
        .record(33, {})                          // SaveDC
        .selectObject(ENHMETA_STOCK_OBJECT | 8)  // NULL_PEN
        .record(30, {0, 0, 10, 10})              // IntersectClipRect
        .record(34, {-1})                        // RestoreDC
        .rectangle(0, 0, 50, 50)
        .record(34, {-5})  // nothing saved: ignored
        .rectangle(0, 0, 50, 50);
    const RecordingCanvas canvas = record(parseEmf(w.finish()));
    const auto shapes = canvas.all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(2));
    QCOMPARE(shapes[0].pen.color(), QColor(255, 0, 0));
    // The clip set inside the saved state is lifted again.
    const auto clips = canvas.all<ClipStep>();
    QVERIFY(!clips.empty());
    QVERIFY(!clips.back().clip.has_value());
}

}  // namespace zarovia::picture::metafile::test
