#include "MetafileTest.h"
#include "picture/metafile/AreaCombiner.h"

#include <QtTest>
#include <cmath>

namespace zarovia::picture::metafile::test {

namespace {

// A star polygon of `points` points (odd), each joined to the one almost opposite: its edges
// cross about points^2 / 4 times.
QPainterPath star(int points, QPointF centre = QPointF(100, 100), double radius = 90) {
    QPainterPath path;
    for (int i = 0; i < points; ++i) {
        const double angle = 2 * M_PI * double(i) * (points / 2) / points;
        const QPointF p = centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

QPainterPath rect(double x, double y, double w, double h) {
    QPainterPath path;
    path.addRect(x, y, w, h);
    return path;
}

}  // namespace

void MetafileTest::areaCombinationsStayWithinTheirBudget_data() {
    QTest::addColumn<QPainterPath>("current");
    QTest::addColumn<QPainterPath>("other");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("exact");  // combined exactly, not as rectangles
    QTest::newRow("two rectangles, union")
        << rect(0, 0, 50, 50) << rect(25, 25, 50, 50) << RGN_OR << true;
    QTest::newRow("a small star less a rectangle")
        << star(11) << rect(90, 90, 50, 50) << RGN_DIFF << true;
    // Intersecting with a rectangle is linear, however the other outline crosses itself.
    QTest::newRow("a 401-point star and a rectangle")
        << star(401) << rect(50, 50, 100, 100) << RGN_AND << true;
    QTest::newRow("a 401-point star, union")
        << star(401) << rect(50, 50, 100, 100) << RGN_OR << false;
    QTest::newRow("a 401-point star, xor")
        << rect(50, 50, 100, 100) << star(401) << RGN_XOR << false;
    QTest::newRow("two 101-point stars, intersection")
        << star(101) << star(101, QPointF(120, 110)) << RGN_AND << false;
}

// A combination estimated beyond its share is made of the bounding rectangles; the others are
// QPainterPath's own.
void MetafileTest::areaCombinationsStayWithinTheirBudget() {
    QFETCH(QPainterPath, current);
    QFETCH(QPainterPath, other);
    QFETCH(int, mode);
    QFETCH(bool, exact);
    AreaCombiner areas(300e6, 50e6);
    const QPainterPath combined = areas.combine(current, other, mode);
    QCOMPARE(areas.approximated(), exact ? 0 : 1);
    QVERIFY(areas.spent() <= 300e6);
    if (!exact) {
        QVERIFY(isRectangle(combined) || combined.isEmpty());
        return;
    }
    const QPainterPath expected = mode == RGN_AND  ? current.intersected(other)
                                  : mode == RGN_OR ? current.united(other)
                                                   : current.subtracted(other);
    QCOMPARE(combined.boundingRect(), expected.boundingRect());
    QCOMPARE(combined.elementCount(), expected.elementCount());
}

// The budget is shared: once the combinations' estimates have spent it, the rest are made of
// rectangles, counting the crossings included.
void MetafileTest::areaBudgetIsShared() {
    AreaCombiner areas(100e6, 50e6);
    int exact = 0;
    for (int i = 0; i < 200; ++i) {
        areas.combine(star(31, QPointF(100 + i, 100)), rect(0, 0, 120, 120), RGN_DIFF);
        if (areas.approximated() == 0) ++exact;
    }
    QVERIFY(exact > 0);
    QVERIFY(areas.approximated() > 0);
    QCOMPARE(exact + areas.approximated(), 200);
    QVERIFY(areas.spent() <= 100e6);
}

}  // namespace zarovia::picture::metafile::test
