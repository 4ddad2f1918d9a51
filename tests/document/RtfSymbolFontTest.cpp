// Text in a symbol font (Symbol, Wingdings) shows the symbols its codes name.

#include "RtfTestSupport.h"
#include "platform/SymbolFonts.h"

#include <QtTest>

using namespace zarovia::document::test;

class RtfSymbolFontTest : public QObject {
    Q_OBJECT

private slots:
    void symbolCodesBecomeTheirCharacters_data();
    void symbolCodesBecomeTheirCharacters();
    void symbolTables_data();
    void symbolTables();
    void advancesFollowPictogramsOutsideTheBasicPlane();
};

void RtfSymbolFontTest::symbolCodesBecomeTheirCharacters_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    const QByteArray fonts =
        "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fnil\\fcharset128 MS Mincho;}"
        "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fnil\\fcharset2 Wingdings;}"
        "{\\f3\\froman\\fcharset0 Symbol;}{\\f4\\fnil\\fcharset2 MT Extra;}}";
    QTest::newRow("Greek letters in \\fcharset2 Symbol")
        << fonts + "\\f1 abc\\f0 abc}" << QStringLiteral("αβχabc");
    // In a Shift-JIS document, bytes of a symbol font never pair up as Shift-JIS.
    QTest::newRow("\\'hh codes, not Shift-JIS pairs")
        << fonts + "\\f1 \\'a5\\'b9\\'b7}" << QStringLiteral("∞≠•");
    QTest::newRow("\\u in the private area") << fonts + "\\f1\\u-3999 ?}" << QStringLiteral("α");
    QTest::newRow("the Symbol face under another character set")
        << fonts + "\\f3 p}" << QStringLiteral("π");
    QTest::newRow("Wingdings pictograms") << fonts + "\\f2 J\\'fc}" << QStringLiteral("☺✔");
    // A symbol character set names no table: the codes stay as they are.
    QTest::newRow("an unknown symbol face") << fonts + "\\f4 abc}" << QStringLiteral("abc");
}

void RtfSymbolFontTest::symbolCodesBecomeTheirCharacters() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    const auto doc = readRtfText(rtf);
    QVERIFY(doc);
    QCOMPARE(normalisedText(*doc), text);
}

void RtfSymbolFontTest::symbolTables_data() {
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("character");
    QTest::newRow("Symbol space") << "Symbol" << 0x20 << 0x20;
    QTest::newRow("Symbol digit") << "symbol" << 0x35 << 0x35;
    QTest::newRow("Symbol for-all") << "Symbol" << 0x22 << 0x2200;
    QTest::newRow("Symbol Omega") << "Symbol" << 0x57 << 0x03A9;
    QTest::newRow("Symbol euro") << "Symbol" << 0xA0 << 0x20AC;
    QTest::newRow("Symbol integral top") << "Symbol" << 0xF3 << 0x2320;
    QTest::newRow("Symbol unused code") << "Symbol" << 0x90 << 0x20;
    QTest::newRow("Wingdings scissors") << "Wingdings" << 0x22 << 0x2702;
    QTest::newRow("Wingdings smile") << "WINGDINGS" << 0x4A << 0x263A;
    QTest::newRow("Wingdings heavy right arrow") << "Wingdings" << 0xE8 << 0x27A1;
    QTest::newRow("Wingdings pencil, outside the basic plane") << "Wingdings" << 0x21 << 0x1F589;
    QTest::newRow("Wingdings check") << "Wingdings" << 0xFC << 0x2714;
    QTest::newRow("Wingdings logo: no character") << "Wingdings" << 0xFF << 0x20;
    QTest::newRow("not a symbol face") << "Arial" << 0x61 << 0x61;
}

void RtfSymbolFontTest::symbolTables() {
    QFETCH(QString, face);
    QFETCH(int, code);
    QFETCH(int, character);
    const zarovia::SymbolFace symbol = zarovia::symbolFaceOf(face);
    QCOMPARE(int(zarovia::symbolFaceCharacter(symbol, char32_t(code))), character);
}

void RtfSymbolFontTest::advancesFollowPictogramsOutsideTheBasicPlane() {
    // Two codes, the first a pictogram of two UTF-16 units: its advance stays with it.
    std::vector<double> advances{10, 20};
    const QString text =
        zarovia::mapSymbolFaceText(zarovia::SymbolFace::Wingdings, QStringLiteral("!J"), &advances);
    QCOMPARE(text.size(), 3);
    QCOMPARE(text.toUcs4().first(), 0x1F589u);
    QCOMPARE(advances, (std::vector<double>{10, 0, 20}));
}

QTEST_MAIN(RtfSymbolFontTest)
#include "RtfSymbolFontTest.moc"
