#include "MetafileTest.h"
#include "picture/metafile/Limits.h"
#include "platform/Failure.h"

#include <QtTest>

namespace zarovia::picture::metafile::test {

namespace {

class CountingVisitor final : public RecordVisitor {
public:
    int count = 0;
    bool visit(const Record&) override {
        ++count;
        return true;
    }
};

QByteArray lineBody(int x, int y) {
    QByteArray b;
    putU16(b, static_cast<std::uint16_t>(y));
    putU16(b, static_cast<std::uint16_t>(x));
    return b;
}

std::size_t shapeCount(const ParsedMetafile& parsed) {
    return record(parsed).all<ShapeStep>().size();
}

}  // namespace

void MetafileTest::wmfFramingEnds_data() {
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<int>("visited");
    QTest::addColumn<int>("end");
    QByteArray lineTo;
    putU32(lineTo, 5);
    putU16(lineTo, 0x0213);
    lineTo += lineBody(10, 10);
    QByteArray eof;
    putU32(eof, 3);
    putU16(eof, 0);
    auto sized = [](std::uint32_t words) {
        QByteArray b;
        putU32(b, words);
        putU16(b, 0x0213);
        return b + lineBody(1, 1);
    };
    QTest::newRow("end record") << lineTo + eof + lineTo << 1 << int(FramingEnd::EndRecord);
    QTest::newRow("no end record") << lineTo + lineTo << 2 << int(FramingEnd::EndOfData);
    // Size 0 would never advance: the loop ends instead of spinning.
    QTest::newRow("size 0") << lineTo + sized(0) + lineTo << 1 << int(FramingEnd::Undersized);
    QTest::newRow("size 2 words") << lineTo + sized(2) << 1 << int(FramingEnd::Undersized);
    QTest::newRow("size past the end") << lineTo + sized(1000) << 1 << int(FramingEnd::Truncated);
    QTest::newRow("header cut off")
        << lineTo + QByteArray("\x05\x00\x00", 3) << 1 << int(FramingEnd::Truncated);
    QTest::newRow("end record without padding")
        << lineTo + QByteArray("\x03\x00\x00\x00\x00", 5) << 1 << int(FramingEnd::Truncated);
}

void MetafileTest::wmfFramingEnds() {
    QFETCH(QByteArray, records);
    QFETCH(int, visited);
    QFETCH(int, end);
    CountingVisitor visitor;
    QCOMPARE(int(forEachWmfRecord(ByteReader(records), visitor)), end);
    QCOMPARE(visitor.count, visited);
}

void MetafileTest::wmfShortRecordIsSkippedAndTheNextIsDrawn() {
    // A LineTo without its coordinates is passed over; the next one still draws.
    WmfWriter w;
    w.moveTo(0, 0).raw(0x0213, QByteArray()).lineTo(50, 50);
    const ParsedMetafile parsed = parseWmf(w.placeable(QRect(0, 0, 100, 100), 96));
    QCOMPARE(shapeCount(parsed), std::size_t(1));
}

void MetafileTest::wmfOversizedRecordKeepsTheLoopInStep() {
    // A LineTo declared 10 words long: its body is read from its start, and the loop resumes
    // after the declared size, at the next real record.
    WmfWriter w;
    QByteArray body = lineBody(20, 20);
    body.append(QByteArray(10, '\x13'));  // bytes that would look like records if misread
    w.moveTo(0, 0).rawWithSize(3 + 7, 0x0213, body).lineTo(80, 80);
    const RecordingCanvas canvas = record(parseWmf(w.placeable(QRect(0, 0, 100, 100), 96)));
    // The two lines continue each other: one polyline through both ends.
    const auto shapes = canvas.all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(1));
    QCOMPARE(shapes[0].path.elementCount(), 3);
    QCOMPARE(QPointF(shapes[0].path.elementAt(1)), QPointF(20, 20));
    QCOMPARE(shapes[0].path.currentPosition(), QPointF(80, 80));
}

void MetafileTest::wmfPolygonCountBeyondItsRecordIsSkipped() {
    WmfWriter w;
    QByteArray polygon;
    putU16(polygon, 30000);  // points claimed; three present
    for (int v : {0, 0, 50, 0, 50, 50}) putU16(polygon, static_cast<std::uint16_t>(v));
    w.raw(0x0324, polygon).rectangle(10, 10, 20, 20);
    const auto shapes = record(parseWmf(w.placeable(QRect(0, 0, 100, 100), 96))).all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(1));
    QCOMPARE(shapes[0].path.boundingRect(), QRectF(10, 10, 10, 10));
}

void MetafileTest::emfFramingEnds_data() {
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<int>("visited");
    QTest::addColumn<int>("end");
    auto rec = [](std::uint32_t type, std::uint32_t size, int bodyBytes) {
        QByteArray b;
        putU32(b, type);
        putU32(b, size);
        b.append(QByteArray(bodyBytes, '\0'));
        return b;
    };
    const QByteArray saveDc = rec(33, 8, 0);
    QTest::newRow("end record") << saveDc + rec(14, 20, 12) + saveDc << 2
                                << int(FramingEnd::EndRecord);
    QTest::newRow("size below the header")
        << saveDc + rec(33, 4, 0) + saveDc << 1 << int(FramingEnd::Undersized);
    QTest::newRow("size 0") << saveDc + rec(33, 0, 0) << 1 << int(FramingEnd::Undersized);
    QTest::newRow("size past the end")
        << saveDc + rec(43, 0x7FFFFFF0, 16) << 1 << int(FramingEnd::Truncated);
    QTest::newRow("no end record") << saveDc + saveDc << 2 << int(FramingEnd::EndOfData);
}

void MetafileTest::emfFramingEnds() {
    QFETCH(QByteArray, records);
    QFETCH(int, visited);
    QFETCH(int, end);
    CountingVisitor visitor;
    QCOMPARE(int(forEachEmfRecord(ByteReader(records), visitor)), end);
    QCOMPARE(visitor.count, visited);
}

void MetafileTest::emfPolylineCountBeyondItsRecordIsSkipped() {
    EmfWriter w(QRect(0, 0, 2646, 2646));                   // 100 x 100 px
    w.record(4, {0, 0, 10, 10, 0x40000000, 0, 0, 10, 10});  // claims a billion points
    w.rectangle(10, 10, 20, 20);
    const auto shapes = record(parseEmf(w.finish())).all<ShapeStep>();
    QCOMPARE(shapes.size(), std::size_t(1));
    QCOMPARE(shapes[0].path.boundingRect(), QRectF(10, 10, 10, 10));
}

void MetafileTest::everyPrefixOfAFileFailsCleanlyOrDraws() {
    for (const char* name : {"wmf/inkscape_shapes_text.wmf", "emf/inkscape_shapes_text.emf"}) {
        QFile file(QStringLiteral(ZAROVIA_TEST_DATA "/metafile/") + QLatin1String(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        const bool wmf = QByteArray(name).endsWith(".wmf");
        for (qsizetype n = 0; n < whole.size(); n += 7) {
            try {
                const ParsedMetafile parsed =
                    wmf ? parseWmf(whole.left(n)) : parseEmf(whole.left(n));
                QVERIFY(!parsed.naturalSize.isEmpty());
            } catch (const Failure& f) {
                QCOMPARE(f.message(), QStringLiteral("メタファイルが不正です"));
            }
        }
    }
}

void MetafileTest::hostileCountsStayCheap() {
    // Many saved states, a huge object table and a flood of points: all bounded.
    EmfWriter w(QRect(0, 0, 2646, 2646), 0xFFFFFFFFu);
    for (int i = 0; i < 10000; ++i) w.record(33, {});
    QByteArray poly;
    for (int v : {0, 0, 100, 100}) putU32(poly, static_cast<std::uint32_t>(v));
    const int points = 100000;
    putU32(poly, points);
    // Short segments: each line alone is within a step's share of the drawing time.
    for (int i = 0; i < points; ++i) {
        putU16(poly, static_cast<std::uint16_t>(i % 3));
        putU16(poly, static_cast<std::uint16_t>((i * 7) % 3));
    }
    for (int i = 0; i < 60; ++i) w.raw(87, poly);  // 6 million points in all
    const ParsedMetafile parsed = parseEmf(w.finish());
    std::size_t total = 0;
    for (const ShapeStep& s : record(parsed).all<ShapeStep>())
        total += static_cast<std::size_t>(s.path.elementCount());
    QVERIFY(total > 0);
    QVERIFY(total <= kMaxTotalPoints);
}

}  // namespace zarovia::picture::metafile::test
