#include "RestartLayoutTest.h"

#include "picture/jpeg/RestartLayout.h"

#include <QTest>
#include <vector>

using namespace zarovia::picture::jpeg;

namespace {

// The parts of a JPEG's header that decide its layout, written as bytes; the tables libjpeg
// needs to decode are left out (the layout never reads them).
struct HeaderParts {
    int frameMarker = 0xC0;
    int precision = 8;
    int width = 64;
    int height = 64;
    std::vector<int> sampling = {0x11, 0x11, 0x11};  // h << 4 | v per component
    int restartInterval = 4;
    bool restartBeforeFrame = false;
    int scanComponents = -1;  // -1: all of the frame's
    qsizetype padding = 0;    // bytes of an APP1 segment (several when large)
};

void putMarker(QByteArray& out, int marker, const QByteArray& body) {
    out.append(char(0xFF)).append(char(marker));
    const int length = int(body.size()) + 2;
    out.append(char(length >> 8)).append(char(length & 0xFF)).append(body);
}

QByteArray be16(int value) {
    QByteArray out;
    out.append(char(value >> 8)).append(char(value & 0xFF));
    return out;
}

QByteArray header(const HeaderParts& parts) {
    QByteArray out("\xFF\xD8", 2);
    for (qsizetype left = parts.padding; left > 0; left -= 65000)
        putMarker(out, 0xE1, QByteArray(int(std::min<qsizetype>(left, 65000)), 'x'));
    const QByteArray restart = be16(parts.restartInterval);
    if (parts.restartBeforeFrame) putMarker(out, 0xDD, restart);
    QByteArray frame;
    frame.append(char(parts.precision)).append(be16(parts.height)).append(be16(parts.width));
    frame.append(char(parts.sampling.size()));
    for (std::size_t i = 0; i < parts.sampling.size(); ++i)
        frame.append(char(i + 1)).append(char(parts.sampling[i])).append(char(0));
    putMarker(out, parts.frameMarker, frame);
    if (!parts.restartBeforeFrame) putMarker(out, 0xDD, restart);
    const int inScan = parts.scanComponents < 0 ? int(parts.sampling.size()) : parts.scanComponents;
    QByteArray scan;
    scan.append(char(inScan));
    for (int i = 0; i < inScan; ++i) scan.append(char(i + 1)).append(char(0));
    scan.append(char(0)).append(char(63)).append(char(0));
    putMarker(out, 0xDA, scan);
    return out;
}

// Entropy-coded data of `segments` segments, each some data bytes (with a stuffed 0xFF) ended by
// its restart marker; `wrongAt` gives that segment's marker the wrong number, `fillAt` puts fill
// bytes before it.
QByteArray entropyData(int segments, int wrongAt = -1, int fillAt = -1) {
    QByteArray out;
    for (int s = 0; s < segments; ++s) {
        out.append("\x12\x34\xFF\x00\x56", 5);
        if (s + 1 == segments) break;
        if (s == fillAt) out.append("\xFF\xFF", 2);
        const int number = s == wrongAt ? (s + 3) & 7 : s & 7;
        out.append(char(0xFF)).append(char(0xD0 + number));
    }
    return out.append("\xFF\xD9", 2);
}

std::vector<int> rowsOf(const RestartLayout& layout) {
    std::vector<int> rows;
    for (const RowStart& start : layout.rowStarts) rows.push_back(start.imcuRow);
    return rows;
}

}  // namespace

void RestartLayoutTest::refusesOtherFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray data = entropyData(16);
    const auto with = [&](auto change) {
        HeaderParts parts;
        change(parts);
        return header(parts) + data;
    };
    QTest::newRow("progressive") << with([](HeaderParts& s) { s.frameMarker = 0xC2; });
    QTest::newRow("arithmetic") << with([](HeaderParts& s) { s.frameMarker = 0xC9; });
    QTest::newRow("lossless") << with([](HeaderParts& s) { s.frameMarker = 0xC3; });
    QTest::newRow("12-bit") << with([](HeaderParts& s) { s.precision = 12; });
    QTest::newRow("no restarts") << with([](HeaderParts& s) { s.restartInterval = 0; });
    QTest::newRow("height 0 (DNL)") << with([](HeaderParts& s) { s.height = 0; });
    QTest::newRow("sampling 0") << with([](HeaderParts& s) { s.sampling = {0x10, 0x11, 0x11}; });
    QTest::newRow("sampling 5") << with([](HeaderParts& s) { s.sampling = {0x51, 0x11, 0x11}; });
    QTest::newRow("five components") << with([](HeaderParts& s) {
        s.sampling = {0x11, 0x11, 0x11, 0x11, 0x11};
    });
    QTest::newRow("scan of one of three") << with([](HeaderParts& s) { s.scanComponents = 1; });
    QTest::newRow("headers over 1 MiB") << with([](HeaderParts& s) { s.padding = 1100 * 1024; });

    const QByteArray good = header(HeaderParts{}) + data;
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no SOI") << good.mid(2);
    QTest::newRow("cut in the frame header") << good.left(good.indexOf("\xFF\xC0") + 9);
    QTest::newRow("cut in the scan header") << good.left(good.indexOf("\xFF\xDA") + 5);
    QByteArray longSegment = good;
    longSegment[longSegment.indexOf("\xFF\xC0") + 2] = char(0x7F);  // length past the end
    QTest::newRow("segment length past the end") << longSegment;
    QByteArray twoFrames = header(HeaderParts{});
    twoFrames.insert(2, twoFrames.mid(twoFrames.indexOf("\xFF\xC0"), 19));
    QTest::newRow("two frames") << twoFrames + data;
    QByteArray scanFirst("\xFF\xD8", 2);
    putMarker(scanFirst, 0xDD, be16(4));
    putMarker(scanFirst, 0xDA, QByteArray("\x01\x01\x00\x00\x3F\x00", 6));
    QTest::newRow("scan before the frame") << scanFirst + data;
}

void RestartLayoutTest::refusesOtherFiles() {
    QFETCH(QByteArray, bytes);
    QVERIFY(!readRestartLayout(bytes).has_value());
}

void RestartLayoutTest::findsRowStarts_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("imcuRows");
    QTest::addColumn<std::vector<int>>("rows");

    // 64 x 64 at 4:4:4: 8 MCUs a row, 8 rows; 4 MCUs a segment, so every second one starts a row.
    const QByteArray plain = header(HeaderParts{});
    QTest::newRow("every second segment")
        << plain + entropyData(16) << 8 << std::vector<int>{1, 2, 3, 4, 5, 6, 7};
    QTest::newRow("fill bytes before a marker")
        << plain + entropyData(16, -1, 6) << 8 << std::vector<int>{1, 2, 3, 4, 5, 6, 7};
    QTest::newRow("marker out of sequence")
        << plain + entropyData(16, 6) << 8 << std::vector<int>{1, 2, 3};
    // Seven bytes a segment: 40 bytes hold five whole markers.
    QTest::newRow("cut short") << plain + entropyData(16).left(40) << 8 << std::vector<int>{1, 2};
    QByteArray foreign = plain + entropyData(16);
    foreign.insert(plain.size() + 7 * 7 + 2, QByteArray("\xFF\xC4", 2));
    QTest::newRow("foreign marker in the data") << foreign << 8 << std::vector<int>{1, 2, 3};

    // 4:2:0, 48 x 40: 3 MCUs (16 x 16) a row, 3 rows; one MCU a segment.
    HeaderParts chroma;
    chroma.width = 48;
    chroma.height = 40;
    chroma.sampling = {0x22, 0x11, 0x11};
    chroma.restartInterval = 1;
    QTest::newRow("4:2:0, one MCU a segment")
        << header(chroma) + entropyData(9) << 3 << std::vector<int>{1, 2};
    // 5 MCUs a segment over rows of 3: segments start rows at MCU 15 only (row 5 of 6).
    chroma.height = 96;
    chroma.restartInterval = 5;
    QTest::newRow("interval across rows")
        << header(chroma) + entropyData(4) << 6 << std::vector<int>{5};

    // Grey with 2 x 2 sampling: one block per MCU, 8 blocks a row, iMCU rows of two block rows.
    HeaderParts grey;
    grey.sampling = {0x22};
    grey.restartInterval = 8;
    QTest::newRow("grey 2x2: every second block row")
        << header(grey) + entropyData(8) << 4 << std::vector<int>{1, 2, 3};
}

void RestartLayoutTest::findsRowStarts() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, imcuRows);
    QFETCH(std::vector<int>, rows);
    const std::optional<RestartLayout> layout = readRestartLayout(bytes);
    QVERIFY(layout.has_value());
    QCOMPARE(layout->imcuRows, imcuRows);
    QCOMPARE(rowsOf(*layout), rows);
    for (const RowStart& start : layout->rowStarts) {
        // Each start is the byte after a restart marker whose number is that of the segment before.
        QVERIFY(start.offset >= 2 && start.offset <= bytes.size());
        QCOMPARE(quint8(bytes[start.offset - 2]), quint8(0xFF));
        QCOMPARE(quint8(bytes[start.offset - 1]), quint8(0xD0 + ((start.segment - 1) & 7)));
    }
}

void RestartLayoutTest::plansBands_data() {
    QTest::addColumn<int>("imcuRows");
    QTest::addColumn<std::vector<int>>("starts");
    QTest::addColumn<int>("bands");
    QTest::addColumn<std::vector<int>>("ownFirsts");

    std::vector<int> everyRow;
    for (int r = 1; r < 100; ++r) everyRow.push_back(r);
    QTest::newRow("two halves") << 100 << everyRow << 2 << std::vector<int>{0, 50};
    QTest::newRow("four quarters") << 100 << everyRow << 4 << std::vector<int>{0, 25, 50, 75};
    QTest::newRow("nearest start")
        << 100 << std::vector<int>{10, 60, 90} << 2 << std::vector<int>{0, 61};
    QTest::newRow("starts only near the top")
        << 100 << std::vector<int>{0} << 2 << std::vector<int>{0};
    QTest::newRow("starts only at the bottom")
        << 100 << std::vector<int>{98, 99} << 2 << std::vector<int>{0};
    QTest::newRow("fewer starts than bands")
        << 100 << std::vector<int>{30} << 4 << std::vector<int>{0, 31};
    QTest::newRow("too few rows") << 3 << std::vector<int>{1, 2} << 2 << std::vector<int>{0};
    QTest::newRow("one band asked") << 100 << everyRow << 1 << std::vector<int>{0};
}

void RestartLayoutTest::plansBands() {
    QFETCH(int, imcuRows);
    QFETCH(std::vector<int>, starts);
    QFETCH(int, bands);
    QFETCH(std::vector<int>, ownFirsts);
    RestartLayout layout;
    layout.imcuRows = imcuRows;
    layout.dataStart = 1000;
    for (const int row : starts) layout.rowStarts.push_back({row, 1000 + 10 * row, 3 * row});

    const std::vector<BandRange> plan = planBands(layout, bands);
    std::vector<int> firsts;
    for (const BandRange& band : plan) firsts.push_back(band.ownFirst);
    QCOMPARE(firsts, ownFirsts);
    for (std::size_t k = 0; k < plan.size(); ++k) {
        const BandRange& band = plan[k];
        const bool first = k == 0, last = k + 1 == plan.size();
        // Own rows cover the picture once; a band after the first decodes one row above them.
        QCOMPARE(band.ownEnd, last ? imcuRows : plan[k + 1].ownFirst);
        QVERIFY(band.ownEnd - band.ownFirst >= 2 || plan.size() == 1);
        QCOMPARE(band.decodeFirst, first ? 0 : band.ownFirst - 1);
        QCOMPARE(band.offset, first ? 1000 : 1000 + 10 * band.decodeFirst);
        QCOMPARE(band.segment, first ? 0 : 3 * band.decodeFirst);
    }
}
