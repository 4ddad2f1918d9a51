#include "MetafileTest.h"

#include <QtTest>
#include <limits>

namespace zarovia::picture::metafile::test {

namespace {

constexpr std::uint16_t kColour = 0x8000;  // the brush field holds a colour
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

QByteArray solid(std::uint32_t argb) {
    return words({0xDBC01002, 0, argb});
}

// A pen object one unit wide in slot 1; `fields` are the optional ones its `flags` name.
QByteArray penObject(std::uint32_t flags, const QByteArray& fields) {
    return plusRecord(0x4008, (2 << 8) | 1,
                      words({0xDBC01002, 0, flags, 0}) + floats({1}) + fields + solid(0xFF000000));
}

QByteArray line() {
    return plusRecord(0x400D, 1, words({2}) + floats({5, 25, 45, 25}));
}

// A hatch brush object in slot 2, and a rectangle filled with it.
QByteArray hatchFill(std::uint32_t style) {
    return plusRecord(0x4008, (1 << 8) | 2, words({0xDBC01002, 1, style, 0xFF000000, 0xFFFFFFFF})) +
           plusRecord(0x400A, 0, words({2, 1}) + floats({0, 0, 50, 50}));
}

const QByteArray quarter = floats({0, 90, 0, 0, 100, 100});  // start, sweep, box

std::vector<ShapeStep> plusShapes(const QByteArray& records) {
    EmfWriter w(QRect(0, 0, 2646, 2646));
    w.plus(plusHeader(false) + records + plusRecord(0x4002, 0));
    return record(parseEmf(w.finish())).all<ShapeStep>();
}

}  // namespace

void MetafileTest::emfPlusPenAndHatchStyles_data() {
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<int>("penStyle");    // of the last shape; -1: not looked at
    QTest::addColumn<int>("brushStyle");  // likewise
    const std::pair<std::uint32_t, Qt::PenStyle> dashes[] = {
        {0, Qt::SolidLine},         {1, Qt::DashLine},       {2, Qt::DotLine},
        {3, Qt::DashDotLine},       {4, Qt::DashDotDotLine}, {6, Qt::SolidLine},
        {0xFFFFFFFF, Qt::SolidLine}};
    for (const auto& [style, expected] : dashes)
        QTest::addRow("dash style %d", int(style))
            << penObject(0x20, words({style})) + line() << int(expected) << -1;
    QTest::newRow("custom dashes") << penObject(0x120, words({5, 2}) + floats({3, 1})) + line()
                                   << int(Qt::CustomDashLine) << -1;
    QTest::newRow("custom without its dashes")
        << penObject(0x20, words({5})) + line() << int(Qt::SolidLine) << -1;
    const std::pair<std::uint32_t, Qt::BrushStyle> hatches[] = {{0, Qt::HorPattern},
                                                                {5, Qt::DiagCrossPattern},
                                                                {6, Qt::Dense7Pattern},
                                                                {12, Qt::Dense4Pattern},
                                                                {17, Qt::Dense1Pattern},
                                                                {18, Qt::Dense4Pattern},
                                                                {0xFFFFFFFF, Qt::Dense4Pattern}};
    for (const auto& [style, expected] : hatches)
        QTest::addRow("hatch style %d", int(style)) << hatchFill(style) << -1 << int(expected);
}

void MetafileTest::emfPlusPenAndHatchStyles() {
    QFETCH(QByteArray, records);
    QFETCH(int, penStyle);
    QFETCH(int, brushStyle);
    const std::vector<ShapeStep> shapes = plusShapes(records);
    QVERIFY(!shapes.empty());
    if (penStyle >= 0) QCOMPARE(int(shapes.back().pen.style()), penStyle);
    if (brushStyle >= 0) QCOMPARE(int(shapes.back().brush.style()), brushStyle);
}

void MetafileTest::emfPlusOutlines_data() {
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<int>("shapes");
    // Where the outline starts, as a fraction of its bounding box (negative: not looked at),
    // and its fill rule (-1: not looked at).
    QTest::addColumn<QPointF>("start");
    QTest::addColumn<int>("fillRule");
    const QByteArray pen = penObject(0, {});
    // A quarter turn clockwise from 0 degrees: the lower right quarter of the ellipse. A pie
    // starts at the centre, the top left of its box; an arc on the ellipse, the top right.
    QTest::newRow("DrawPie") << pen + plusRecord(0x4011, 1, quarter) << 1 << QPointF(0, 0) << -1;
    QTest::newRow("DrawArc") << pen + plusRecord(0x4012, 1, quarter) << 1 << QPointF(1, 0) << -1;
    QTest::newRow("FillPie") << plusRecord(0x4010, kColour, words({0xFFFF0000}) + quarter) << 1
                             << QPointF(0, 0) << -1;
    const QByteArray notFinite = floats({kNaN, 90, 0, 0, 100, 100});
    QTest::newRow("DrawPie from an angle that is no number")
        << pen + plusRecord(0x4011, 1, notFinite) << 0 << QPointF(-1, -1) << -1;
    QTest::newRow("FillPie of a sweep that is no number")
        << plusRecord(0x4010, kColour, words({0xFFFF0000}) + floats({0, kNaN, 0, 0, 100, 100})) << 0
        << QPointF(-1, -1) << -1;
    const QByteArray twoRects = words({2}) + floats({0, 0, 10, 10, 30, 30, 10, 10});
    QTest::newRow("DrawRects") << pen + plusRecord(0x400B, 1, twoRects) << 1 << QPointF(0, 0) << -1;
    QTest::newRow("FillRects fill overlaps whole")
        << plusRecord(0x400A, kColour, words({0xFFFF0000}) + twoRects) << 1 << QPointF(0, 0)
        << int(Qt::WindingFill);
    QTest::newRow("rectangles beyond their record")
        << pen + plusRecord(0x400B, 1, words({1000}) + floats({0, 0, 10, 10})) << 0
        << QPointF(-1, -1) << -1;
    const QByteArray triangle = floats({0.5f}) + words({3}) + floats({0, 0, 40, 0, 20, 40});
    QTest::newRow("FillClosedCurve, winding")
        << plusRecord(0x4016, kColour | 0x2000, words({0xFFFF0000}) + triangle) << 1
        << QPointF(-1, -1) << int(Qt::WindingFill);
    QTest::newRow("FillClosedCurve, alternate")
        << plusRecord(0x4016, kColour, words({0xFFFF0000}) + triangle) << 1 << QPointF(-1, -1)
        << int(Qt::OddEvenFill);
    QTest::newRow("DrawClosedCurve")
        << pen + plusRecord(0x4017, 1, triangle) << 1 << QPointF(-1, -1) << -1;
}

void MetafileTest::emfPlusOutlines() {
    QFETCH(QByteArray, records);
    QFETCH(int, shapes);
    QFETCH(QPointF, start);
    QFETCH(int, fillRule);
    const std::vector<ShapeStep> steps = plusShapes(records);
    QCOMPARE(int(steps.size()), shapes);
    if (steps.empty()) return;
    const QPainterPath& path = steps.front().path;
    if (start.x() >= 0) {
        const QRectF box = path.boundingRect();
        const QPointF first = path.elementAt(0);
        const QPointF expected(box.left() + start.x() * box.width(),
                               box.top() + start.y() * box.height());
        QVERIFY2(QLineF(first, expected).length() < 0.01 * box.width(),
                 qPrintable(QStringLiteral("starts at %1, %2").arg(first.x()).arg(first.y())));
    }
    if (fillRule >= 0) QCOMPARE(int(path.fillRule()), fillRule);
}

}  // namespace zarovia::picture::metafile::test
