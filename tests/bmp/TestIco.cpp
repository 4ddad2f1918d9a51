// Icons made in the test: which entry is shown, the AND mask, 32-bit alpha, PNG entries,
// broken entries and directories.
#include "DibBuilder.h"
#include "Fixtures.h"
#include "picture/bmp/Ico.h"

#include <QTest>

using namespace zarovia::picture;
using namespace zarovia::bmptest;

namespace {

struct EntryShape {
    int size;
    int bitCount;
    QRgb colour;
};

QByteArray iconOf(const std::vector<EntryShape>& shapes) {
    std::vector<IconEntryParts> entries;
    for (const EntryShape& s : shapes) {
        IconEntryParts e;
        e.data = solidIconDib(s.size, s.size, s.bitCount, s.colour);
        e.dirWidth = e.dirHeight = s.size & 0xFF;
        e.dirBitCount = s.bitCount;
        entries.push_back(e);
    }
    return icoFile(entries);
}

QImage decodeIcon(const QByteArray& bytes) {
    const Picture picture = decodeIcoFile(bytes);
    if (picture.kind() != PictureKind::Icon) return {};
    return picture.toImage();
}

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);

}  // namespace

class TestIco : public QObject {
    Q_OBJECT

private slots:
    void bestEntry_data();
    void bestEntry();
    void realSizeWinsOverDirectory();
    void brokenBestFallsBack();
    void andMask_data();
    void andMask();
    void pngEntry();
    void cursorIsShownAsIcon();
    void malformedIcons_data();
    void malformedIcons();
    void truncatedMadeIcon();
};

void TestIco::bestEntry_data() {
    QTest::addColumn<QByteArray>("icon");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRgb>("colour");
    QTest::newRow("largest area wins")
        << iconOf({{16, 32, kRed}, {48, 8, kGreen}, {32, 32, kBlue}}) << QSize(48, 48) << kGreen;
    QTest::newRow("deeper wins at equal area")
        << iconOf({{32, 8, kRed}, {32, 32, kGreen}, {32, 24, kBlue}}) << QSize(32, 32) << kGreen;
    QTest::newRow("first wins on ties")
        << iconOf({{16, 24, kRed}, {16, 24, kGreen}}) << QSize(16, 16) << kRed;
    QTest::newRow("256 written as 0")
        << iconOf({{48, 32, kRed}, {256, 8, kBlue}}) << QSize(256, 256) << kBlue;
}

void TestIco::bestEntry() {
    QFETCH(QByteArray, icon);
    QFETCH(QSize, size);
    QFETCH(QRgb, colour);
    const QImage image = decodeIcon(icon);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(image.pixel(size.width() / 2, size.height() / 2), colour);
}

void TestIco::realSizeWinsOverDirectory() {
    // The directory claims the first entry is 64x64; its header says 16x16.
    std::vector<IconEntryParts> entries(2);
    entries[0].data = solidIconDib(16, 16, 32, kRed);
    entries[0].dirWidth = entries[0].dirHeight = 64;
    entries[1].data = solidIconDib(32, 32, 8, kGreen);
    entries[1].dirWidth = entries[1].dirHeight = 32;
    const QImage image = decodeIcon(icoFile(entries));
    QCOMPARE(image.size(), QSize(32, 32));
    QCOMPARE(image.pixel(0, 0), kGreen);
}

void TestIco::brokenBestFallsBack() {
    std::vector<IconEntryParts> entries(2);
    entries[0].data = solidIconDib(16, 16, 8, kRed);
    entries[0].dirWidth = entries[0].dirHeight = 16;
    entries[1].data = solidIconDib(48, 48, 32, kGreen);
    entries[1].dirWidth = entries[1].dirHeight = 48;
    entries[1].offsetOverride = 1 << 20;  // past the end of the file
    QCOMPARE(decodeIcon(icoFile(entries)).size(), QSize(16, 16));

    entries[1].offsetOverride = -1;
    entries[1].data[14] = 7;  // bit count 7 in the best entry's header
    QCOMPARE(decodeIcon(icoFile(entries)).size(), QSize(16, 16));

    entries[0].offsetOverride = 1 << 20;  // both broken: the best one's failure is reported
    QCOMPARE(failureText([&] { decodeIcoFile(icoFile(entries)); }), kMalformedIcon);
}

void TestIco::andMask_data() {
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<int>("alphaOfColour");  // the alpha stored in 32-bit pixels
    QTest::addColumn<bool>("maskApplies");
    QTest::newRow("8-bit") << 8 << 0 << true;
    QTest::newRow("24-bit") << 24 << 0 << true;
    QTest::newRow("32-bit without alpha uses the mask") << 32 << 0 << true;
    QTest::newRow("32-bit with alpha ignores the mask") << 32 << 200 << false;
}

void TestIco::andMask() {
    QFETCH(int, bitCount);
    QFETCH(int, alphaOfColour);
    QFETCH(bool, maskApplies);
    // 8x2: the bottom row's left half is masked out (mask rows are stored bottom-up).
    const QByteArray maskRows[] = {QByteArray(1, static_cast<char>(0xF0)), QByteArray(1, '\0')};
    const QRgb colour = qRgba(0, 0, 255, alphaOfColour);
    IconEntryParts entry;
    entry.data = solidIconDib(8, 2, bitCount, colour, {maskRows[0], maskRows[1]});
    entry.dirWidth = 8;
    entry.dirHeight = 2;
    // Straight (not premultiplied) values, to read alpha and colour apart.
    const QImage image = decodeIcon(icoFile({entry})).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(8, 2));
    const int expectedAlpha = maskApplies ? 255 : alphaOfColour;
    for (int x = 0; x < 8; ++x) {
        QCOMPARE(qAlpha(image.pixel(x, 0)), expectedAlpha);
        QCOMPARE(qAlpha(image.pixel(x, 1)), maskApplies && x < 4 ? 0 : expectedAlpha);
    }
    QCOMPARE(qBlue(image.pixel(7, 1)), 255);
}

void TestIco::pngEntry() {
    QImage source(64, 40, QImage::Format_ARGB32);
    source.fill(qRgba(10, 200, 30, 255));
    source.setPixel(0, 0, qRgba(0, 0, 0, 0));
    std::vector<IconEntryParts> entries(2);
    entries[0].data = solidIconDib(32, 32, 32, kRed);
    entries[0].dirWidth = entries[0].dirHeight = 32;
    entries[1].data = pngBytes(source);
    entries[1].dirWidth = 64;
    entries[1].dirHeight = 40;
    entries[1].dirBitCount = 32;
    const QImage image = decodeIcon(icoFile(entries));
    QCOMPARE(image.size(), QSize(64, 40));
    QCOMPARE(image.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(image.pixel(5, 5), qRgb(10, 200, 30));

    // A PNG entry that is not a PNG past its signature gives way to the DIB entry.
    QByteArray broken = entries[1].data;
    entries[1].data.truncate(30);
    QCOMPARE(decodeIcon(icoFile(entries)).size(), QSize(32, 32));

    // A PNG header claiming 3,000,000,000 x 3,000,000,000 ranks first but fails cleanly.
    broken.replace(16, 8, QByteArray("\xB2\xD0\x5E\x00\xB2\xD0\x5E\x00", 8));
    entries[1].data = broken;
    QCOMPARE(decodeIcon(icoFile(entries)).size(), QSize(32, 32));
    entries.erase(entries.begin());
    QCOMPARE(failureText([&] { decodeIcoFile(icoFile(entries)); }), kMalformedIcon);
}

void TestIco::cursorIsShownAsIcon() {
    IconEntryParts entry;
    entry.data = solidIconDib(16, 16, 24, kBlue);
    entry.dirWidth = entry.dirHeight = 16;
    entry.dirBitCount = 5;  // a cursor keeps its hot spot here
    const QImage image = decodeIcon(icoFile({entry}, 2));
    QCOMPARE(image.size(), QSize(16, 16));
    QCOMPARE(image.pixel(3, 3), kBlue);
}

void TestIco::malformedIcons_data() {
    QTest::addColumn<QByteArray>("icon");
    QTest::addColumn<QString>("failure");
    const QByteArray good = iconOf({{16, 8, kRed}});
    QByteArray bytes = good;
    bytes[0] = 1;
    QTest::newRow("reserved not zero") << bytes << kMalformedIcon;
    bytes = good;
    bytes[2] = 3;
    QTest::newRow("type 3") << bytes << kMalformedIcon;
    bytes = good;
    bytes[4] = 0;
    QTest::newRow("no images") << bytes << kMalformedIcon;
    bytes = good;
    bytes[4] = static_cast<char>(0xFF);
    QTest::newRow("directory past the end") << bytes << kMalformedIcon;
    QTest::newRow("empty file") << QByteArray() << kMalformedIcon;
    QTest::newRow("a bitmap file") << QByteArray("BM\x10\0\0\0", 6) << kMalformedIcon;
    bytes = good;
    bytes.chop(10);  // inside the AND mask
    QTest::newRow("mask cut short") << bytes << kReadError;
}

void TestIco::malformedIcons() {
    QFETCH(QByteArray, icon);
    QFETCH(QString, failure);
    QCOMPARE(failureText([&] { decodeIcoFile(icon); }), failure);
}

void TestIco::truncatedMadeIcon() {
    QImage source(20, 20, QImage::Format_ARGB32);
    source.fill(qRgba(1, 2, 3, 128));
    std::vector<IconEntryParts> entries(3);
    entries[0].data = solidIconDib(16, 16, 8, kRed);
    entries[1].data = pngBytes(source);
    entries[2].data = solidIconDib(24, 24, 32, qRgba(9, 9, 9, 9));
    const QByteArray icon = icoFile(entries);
    const QString bad = checkPrefixes(
        icon, [](const QByteArray& prefix) { (void)decodeIcoFile(prefix); },
        {kMalformedIcon, kReadError}, icon.size(), 1);
    QCOMPARE(bad, QString());
}

int runTestIco(int argc, char** argv) {
    TestIco test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestIco.moc"
