#include "RtfTestSupport.h"
#include "document/rtf/RtfControlWords.h"
#include "document/rtf/RtfTokenizer.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QtTest>
#include <algorithm>

using namespace zarovia::document;
using namespace zarovia::document::test;

namespace {

QTextCharFormat formatAt(const QTextDocument& doc, const QString& word) {
    const QTextCursor found = doc.find(word);
    if (found.isNull()) return {};
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QByteArray pngHex(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toHex();
}

QTextTable* firstTable(const QTextDocument& doc) {
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) return table;
    }
    return nullptr;
}

QString cellText(QTextTable* table, int row, int column) {
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor c = cell.firstCursorPosition();
    c.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
    return c.selectedText();
}

}  // namespace

class RtfReaderTest : public QObject {
    Q_OBJECT

private slots:
    void controlWordTableIsSorted();
    void tokenizerBounds();
    void rejectsWithoutHeader_data();
    void rejectsWithoutHeader();
    void plainText_data();
    void plainText();
    void characterFormats();
    void underlineKinds_data();
    void underlineKinds();
    void paragraphFormats();
    void pageBreak();
    void simpleTable();
    void cellsBeyondTheDefinition();
    void nestedTable();
    void pictures();
    void pictureLimits();
    void brokenPictureIsLeftOut();
    void bitmapAndJpegPictures();
    void hostileInputs_data();
    void hostileInputs();
    void deepNestingIsLinear();
    void textLimit();
};

void RtfReaderTest::controlWordTableIsSorted() {
    const auto table = rtf::controlWordTable();
    QVERIFY(std::is_sorted(table.begin(), table.end(),
                           [](const auto& a, const auto& b) { return a.name < b.name; }));
    QVERIFY(std::adjacent_find(table.begin(), table.end(), [](const auto& a, const auto& b) {
                return a.name == b.name;
            }) == table.end());
    QVERIFY(rtf::findControlWord("fonttbl"));
    QVERIFY(rtf::findControlWord("par"));
    QVERIFY(!rtf::findControlWord("parx"));
    QVERIFY(!rtf::findControlWord(""));
}

void RtfReaderTest::tokenizerBounds() {
    using rtf::TokenKind;
    rtf::Tokenizer t("\\fs99999999999999 \\abc-12x\\'4a\\'zz\\bin5 ab");
    rtf::Token k = t.next();
    QCOMPARE(k.kind, TokenKind::ControlWord);
    QCOMPARE(k.parameter, 2147483647);
    k = t.next();
    QCOMPARE(k.text, std::string_view("abc"));
    QCOMPARE(k.parameter, -12);
    QCOMPARE(t.next().text, std::string_view("x"));
    k = t.next();
    QCOMPARE(k.kind, TokenKind::HexByte);
    QCOMPARE(int(k.byte), 0x4A);
    QCOMPARE(t.next().kind, TokenKind::ControlSymbol);  // \' without hex digits
    QCOMPARE(t.next().text, std::string_view("zz"));
    k = t.next();
    QCOMPARE(k.parameter, 5);
    QCOMPARE(t.takeBinary(k.parameter), std::string_view("ab"));  // cut by the end
    QCOMPARE(t.next().kind, TokenKind::End);
    const std::string letters(100, 'a');
    rtf::Tokenizer longWord(letters);
    QCOMPARE(longWord.next().kind, TokenKind::Text);
    const std::string longWordInput = "\\" + std::string(100, 'a') + "1";
    rtf::Tokenizer longControl(longWordInput);
    k = longControl.next();
    QCOMPARE(k.text.size(), rtf::Tokenizer::kMaxWordLength);
    QCOMPARE(k.parameter, 1);
}

void RtfReaderTest::rejectsWithoutHeader_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("plain") << QByteArray("plain text in a file named .rtf");
    QTest::newRow("cut header") << QByteArray("{\\rt");
    QTest::newRow("leading blank") << QByteArray(" {\\rtf1 x}");
    QTest::newRow("empty group") << QByteArray("{}");
}

void RtfReaderTest::rejectsWithoutHeader() {
    QFETCH(QByteArray, bytes);
    QTextDocument doc;
    doc.setPlainText("before");
    QVERIFY(!readRtf(bytes, doc));
    QCOMPARE(doc.toPlainText(), QString("before"));
}

void RtfReaderTest::plainText_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("shift-jis under ansicpg932")
        << QByteArray("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'82\\'a2\\'93\\'fa\\'96\\'7b}")
        << QString::fromUtf16(u"あい日本");
    QTest::newRow("raw shift-jis bytes")
        << QByteArray("{\\rtf1\\ansicpg932 \x82\xa0\x82\xa2}") << QString::fromUtf16(u"あい");
    QTest::newRow("lead byte as hex, trail as text")
        << QByteArray("{\\rtf1\\ansicpg932 \\'93\xfa}") << QString::fromUtf16(u"日");
    QTest::newRow("font charset 128 wins over 1252")
        << QByteArray(
               "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset128 MS Gothic;}{\\f1\\fcharset0 "
               "Arial;}}"
               "\\f0 \\'83\\'6f\\'81\\'5b\\f1 caf\\'e9}")
        << QString::fromUtf16(u"バーcafé");
    QTest::newRow("font code page")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg932 X;}}\\f0\\'82\\'a0}")
        << QString::fromUtf16(u"あ");
    QTest::newRow("ansi without code page")
        << QByteArray("{\\rtf1\\ansi caf\\'e9 o\\'f9}") << QString::fromUtf16(u"café où");
    QTest::newRow("no character set: Shift-JIS")
        << QByteArray("{\\rtf1 \\'82\\'a0}") << QString::fromUtf16(u"あ");
    QTest::newRow("deff picks the font")
        << QByteArray("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0 A;}{\\f1\\fcharset128 B;}}\\'82\\'a0}")
        << QString::fromUtf16(u"あ");
    QTest::newRow("unpaired lead byte")
        << QByteArray("{\\rtf1\\ansicpg932 a\\'82}") << QString("a");
    QTest::newRow("unicode uc1") << QByteArray("{\\rtf1 \\u26085?\\u26412?}")
                                 << QString::fromUtf16(u"日本");
    QTest::newRow("unicode uc0") << QByteArray("{\\rtf1\\uc0 \\u26085 x}")
                                 << QString::fromUtf16(u"日x");
    QTest::newRow("unicode uc2 skips hex")
        << QByteArray("{\\rtf1\\uc2 \\u26085\\'93\\'fa!}") << QString::fromUtf16(u"日!");
    QTest::newRow("uc is per group") << QByteArray("{\\rtf1 {\\uc2 \\u26085\\'93\\'fa}\\u26412?}")
                                     << QString::fromUtf16(u"日本");
    QTest::newRow("skip ends at a brace")
        << QByteArray("{\\rtf1\\uc3 \\u26085{x}}") << QString::fromUtf16(u"日x");
    QTest::newRow("negative unicode")
        << QByteArray("{\\rtf1 \\u-28589?}") << QString::fromUtf16(u"\u9053");
    QTest::newRow("surrogate pair")
        << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("lone surrogate")
        << QByteArray("{\\rtf1 \\u-10179?x}") << QString::fromUtf16(u"\uFFFDx");
    QTest::newRow("unicode out of range")
        << QByteArray("{\\rtf1 \\u70000?}") << QString::fromUtf16(u"\uFFFD");
    QTest::newRow("unknown starred group")
        << QByteArray("{\\rtf1 a{\\*\\foo b{c}}d}") << QString("ad");
    QTest::newRow("unknown word") << QByteArray("{\\rtf1 a\\foo12 b}") << QString("ab");
    QTest::newRow("known starred destination")
        << QByteArray("{\\rtf1 a{\\*\\shppict b}}") << QString("ab");
    QTest::newRow("field result")
        << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}")
        << QString("link");
    QTest::newRow("hidden") << QByteArray("{\\rtf1 a{\\v hidden}b\\v c\\v0 d}") << QString("abd");
    QTest::newRow("skipped destinations")
        << QByteArray(
               "{\\rtf1{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}{\\header H}{\\footer F}"
               "body{\\footnote N}{\\*\\generator G;}{\\colortbl;\\red1;}{\\*\\themedata 00}}")
        << QString("body");
    QTest::newRow("paragraphs and breaks")
        << QByteArray("{\\rtf1 a\\par b\\line c\\tab d\\sect e}") << QString("a\nb\nc\td\ne");
    QTest::newRow("escaped line break") << QByteArray("{\\rtf1 a\\\nb}") << QString("a\nb");
    QTest::newRow("file line breaks ignored") << QByteArray("{\\rtf1 a\r\nb}") << QString("ab");
    QTest::newRow("symbols")
        << QByteArray(
               "{\\rtf1 "
               "\\{\\}\\\\\\~\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\-\\_}")
        << QString::fromUtf16(u"{}\\ \u2014\u2013\u2022\u2018\u2019\u201C\u201D\u2011");
    QTest::newRow("list text shown")
        << QByteArray("{\\rtf1\\ansi{\\listtext\\'95\\tab}item{\\*\\pn\\pnlvlblt{\\pntxtb x}}}")
        << QString::fromUtf16(u"\u2022\titem");
    QTest::newRow("legacy pntext")
        << QByteArray("{\\rtf1{\\pntext 1.\\tab}A{\\pn\\pndec{\\pntxta .}}}") << QString("1.\tA");
    QTest::newRow("upr reads ud") << QByteArray("{\\rtf1{\\upr{ansi}{\\*\\ud{\\u26085?}}}}")
                                  << QString::fromUtf16(u"日");
    QTest::newRow("bin skipped with braces inside")
        << QByteArray("{\\rtf1 a{\\*\\foo\\bin3 }}}}b}") << QString("ab");
    QTest::newRow("bin in body skipped") << QByteArray("{\\rtf1 a\\bin2 xyb}") << QString("ab");
    QTest::newRow("text after the document") << QByteArray("{\\rtf1 a}b") << QString("a");
    QTest::newRow("missing closing braces") << QByteArray("{\\rtf1 a{\\b b") << QString("ab");
    QTest::newRow("version 0") << QByteArray("{\\rtf0}") << QString();
    QTest::newRow("control bytes dropped")
        << QByteArray("{\\rtf1 a\\'00\\'07\\'0ab\\u65532?}") << QString::fromUtf16(u"ab\uFFFD");
    QTest::newRow("paragraph separator char dropped")
        << QByteArray("{\\rtf1 a\\u8233?b}") << QString("ab");
}

void RtfReaderTest::plainText() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    const auto doc = readRtfText(rtf);
    QVERIFY(doc);
    QCOMPARE(doc->toPlainText(), text);
}

void RtfReaderTest::characterFormats() {
    const auto doc = readRtfText(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 \\'82\\'6c\\'82\\'72 "
        "Gothic;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
        "plain {\\b bold} {\\i italic} {\\strike strike} {\\fs40 big} {\\cf1 red} {\\highlight2 "
        "marked} "
        "{\\cb1 shaded} {\\super up} {\\sub down} {\\f1 gothic} {\\b\\plain reset} {\\b0 notbold} "
        "{\\caps caps}}");
    QVERIFY(doc);
    // Windows faces are drawn in the installed fonts that stand in for them.
    QCOMPARE(formatAt(*doc, "plain").fontFamilies().toStringList(), QStringList{"Nimbus Sans"});
    QCOMPARE(formatAt(*doc, "plain").fontPointSize(), 12.0);
    QCOMPARE(formatAt(*doc, "plain").foreground().color(), QColor(Qt::black));
    QCOMPARE(formatAt(*doc, "bold").fontWeight(), int(QFont::Bold));
    QCOMPARE(formatAt(*doc, "plain").fontWeight(), int(QFont::Normal));
    QVERIFY(formatAt(*doc, "italic").fontItalic());
    QVERIFY(formatAt(*doc, "strike").fontStrikeOut());
    QCOMPARE(formatAt(*doc, "big").fontPointSize(), 20.0);
    QCOMPARE(formatAt(*doc, "red").foreground().color(), QColor(255, 0, 0));
    QCOMPARE(formatAt(*doc, "marked").background().color(), QColor(0, 0, 255));
    QCOMPARE(formatAt(*doc, "shaded").background().color(), QColor(255, 0, 0));
    QCOMPARE(formatAt(*doc, "up").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatAt(*doc, "down").verticalAlignment(), QTextCharFormat::AlignSubScript);
    QCOMPARE(formatAt(*doc, "gothic").fontFamilies().toStringList(),
             QStringList{"IPAGothic"});
    QCOMPARE(formatAt(*doc, "reset").fontWeight(), int(QFont::Normal));
    QCOMPARE(formatAt(*doc, "notbold").fontWeight(), int(QFont::Normal));
    QCOMPARE(formatAt(*doc, "caps").fontCapitalization(), QFont::AllUppercase);
}

void RtfReaderTest::underlineKinds_data() {
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<int>("style");
    QTest::newRow("ul") << QByteArray("\\ul") << int(QTextCharFormat::SingleUnderline);
    QTest::newRow("ul0") << QByteArray("\\ul0") << int(QTextCharFormat::NoUnderline);
    QTest::newRow("ulnone") << QByteArray("\\ul\\ulnone") << int(QTextCharFormat::NoUnderline);
    QTest::newRow("uld") << QByteArray("\\uld") << int(QTextCharFormat::DotLine);
    QTest::newRow("uldb") << QByteArray("\\uldb") << int(QTextCharFormat::SingleUnderline);
    QTest::newRow("ulw") << QByteArray("\\ulw") << int(QTextCharFormat::SingleUnderline);
    QTest::newRow("ulwave") << QByteArray("\\ulwave") << int(QTextCharFormat::WaveUnderline);
    QTest::newRow("uldash") << QByteArray("\\uldash") << int(QTextCharFormat::DashUnderline);
    QTest::newRow("uldashd") << QByteArray("\\uldashd") << int(QTextCharFormat::DashDotLine);
}

void RtfReaderTest::underlineKinds() {
    QFETCH(QByteArray, word);
    QFETCH(int, style);
    const auto doc = readRtfText("{\\rtf1 " + word + " text}");
    QVERIFY(doc);
    QCOMPARE(int(formatAt(*doc, "text").underlineStyle()), style);
}

void RtfReaderTest::paragraphFormats() {
    const auto doc = readRtfText(
        "{\\rtf1 \\qc centred\\par\\pard\\qr "
        "right\\par\\pard\\qj\\li1440\\ri720\\fi-360\\sb300\\sa150 "
        "justified\\par\\pard\\sl-480 exact\\par\\pard\\sl360\\slmult1 half\\par\\pard left}");
    QVERIFY(doc);
    QCOMPARE(doc->blockCount(), 6);
    QCOMPARE(doc->findBlockByNumber(0).blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(doc->findBlockByNumber(1).blockFormat().alignment(), Qt::AlignRight);
    const QTextBlockFormat j = doc->findBlockByNumber(2).blockFormat();
    QCOMPARE(j.alignment(), Qt::AlignJustify);
    QCOMPARE(j.leftMargin(), 96.0);
    QCOMPARE(j.rightMargin(), 48.0);
    QCOMPARE(j.textIndent(), -24.0);
    QCOMPARE(j.topMargin(), 20.0);
    QCOMPARE(j.bottomMargin(), 10.0);
    const QTextBlockFormat exact = doc->findBlockByNumber(3).blockFormat();
    QCOMPARE(exact.lineHeightType(), int(QTextBlockFormat::FixedHeight));
    QCOMPARE(exact.lineHeight(), 32.0);
    const QTextBlockFormat half = doc->findBlockByNumber(4).blockFormat();
    QCOMPARE(half.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
    QCOMPARE(half.lineHeight(), 150.0);
    QCOMPARE(doc->findBlockByNumber(5).blockFormat().alignment(), Qt::AlignLeft);
}

void RtfReaderTest::pageBreak() {
    const auto doc = readRtfText("{\\rtf1 one\\page two}");
    QVERIFY(doc);
    QCOMPARE(doc->toPlainText(), QString("one\ntwo"));
    QVERIFY(doc->findBlockByNumber(1).blockFormat().pageBreakPolicy() &
            QTextFormat::PageBreak_AlwaysBefore);
}

void RtfReaderTest::simpleTable() {
    const auto doc = readRtfText(
        "{\\rtf1 before\\par\\trowd\\cellx1440\\cellx4320\\pard\\intbl A\\cell B\\cell\\row"
        "\\trowd\\cellx1440\\cellx4320\\pard\\intbl C\\par C2\\cell D\\cell\\row\\pard "
        "after\\par}");
    QVERIFY(doc);
    QTextTable* table = firstTable(*doc);
    QVERIFY(table);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 2);
    QCOMPARE(cellText(table, 0, 0), QString("A"));
    QCOMPARE(cellText(table, 0, 1), QString("B"));
    QCOMPARE(cellText(table, 1, 0), QString::fromUtf16(u"C\u2029C2"));
    QCOMPARE(cellText(table, 1, 1), QString("D"));
    const auto widths = table->format().columnWidthConstraints();
    QCOMPARE(widths.size(), 2);
    QCOMPARE(widths[0].rawValue(), 96.0);
    QCOMPARE(widths[1].rawValue(), 192.0);
    const QTextCursor after = doc->find("after");
    QVERIFY(!after.isNull());
    QVERIFY(!after.currentTable());
    QVERIFY(normalisedText(*doc).startsWith("before"));
}

void RtfReaderTest::cellsBeyondTheDefinition() {
    const auto doc = readRtfText(
        "{\\rtf1\\ansi\\par\\trowd\\cellx10836\\pard\\intbl A \\cell\\pard\\intbl B "
        "\\cell\\pard\\intbl C \\cell"
        "\\row\\trowd\\cellx10836\\pard\\intbl E \\cell\\pard\\intbl F \\cell\\row\\pard}");
    QVERIFY(doc);
    QTextTable* table = firstTable(*doc);
    QVERIFY(table);
    QCOMPARE(table->columns(), 3);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(cellText(table, 1, 1), QString("F "));
    QCOMPARE(cellText(table, 1, 2), QString());
}

void RtfReaderTest::nestedTable() {
    const auto doc = readRtfText(
        "{\\rtf1\\trowd\\cellx2000\\cellx4000\\pard\\intbl outer1\\par"
        "\\pard\\intbl\\itap2 in1\\nestcell "
        "in2\\nestcell{\\*\\nesttableprops\\trowd\\cellx500\\cellx1000\\nestrow}"
        "{\\nonesttables\\par}\\pard\\intbl\\itap1 \\cell outer2\\cell\\row\\pard end}");
    QVERIFY(doc);
    QTextTable* outer = firstTable(*doc);
    QVERIFY(outer);
    QCOMPARE(outer->rows(), 1);
    QCOMPARE(outer->columns(), 2);
    QCOMPARE(cellText(outer, 0, 1), QString("outer2"));
    const QTextCursor in2 = doc->find("in2");
    QVERIFY(in2.currentTable());
    QVERIFY(in2.currentTable() != outer);
    QCOMPARE(in2.currentTable()->columns(), 2);
    QVERIFY(!doc->find("end").currentTable());
    QVERIFY(!normalisedText(*doc).contains(u"\u2029\u2029"));
}

void RtfReaderTest::pictures() {
    const QByteArray hex = pngHex(QSize(4, 3));
    QByteArray binary = QByteArray::fromHex(hex);
    const auto doc =
        readRtfText("{\\rtf1 a{\\pict\\pngblip\\picw4\\pich3\\picwgoal1500\\pichgoal750 " + hex +
                    "}b"
                    "{\\*\\shppict{\\pict\\pngblip\\picw4\\pich3\\picscalex50\\picscaley200\\bin" +
                    QByteArray::number(binary.size()) + " " + binary +
                    "}}{\\nonshppict{\\pict\\wmetafile8 0102}}c}");
    QVERIFY(doc);
    QCOMPARE(imageCount(*doc), 2);
    QCOMPARE(normalisedText(*doc), QString("abc"));
    QTextCursor c(doc.get());
    c.setPosition(2);
    const QTextImageFormat first = c.charFormat().toImageFormat();
    QVERIFY(first.isValid());
    QCOMPARE(first.width(), 100.0);
    QCOMPARE(first.height(), 50.0);
    const QImage image =
        doc->resource(QTextDocument::ImageResource, QUrl(first.name())).value<QImage>();
    QCOMPARE(image.size(), QSize(4, 3));
    c.setPosition(4);
    const QTextImageFormat second = c.charFormat().toImageFormat();
    QCOMPARE(second.width(), 2.0);
    QCOMPARE(second.height(), 6.0);
}

void RtfReaderTest::pictureLimits() {
    const QByteArray hex = pngHex(QSize(2, 2));
    QByteArray rtf = "{\\rtf1 ";
    for (int i = 0; i < 5; ++i) rtf += "{\\pict\\pngblip " + hex + "}";
    rtf += "}";
    RtfLimits limits;
    limits.maxPictures = 3;
    QCOMPARE(imageCount(*readRtfText(rtf, limits)), 3);
    limits = RtfLimits{};
    limits.maxPictureBytes = hex.size() / 2 - 1;
    QCOMPARE(imageCount(*readRtfText(rtf, limits)), 0);
    limits = RtfLimits{};
    limits.maxTotalPictureBytes = hex.size();  // room for two
    QCOMPARE(imageCount(*readRtfText(rtf, limits)), 2);
}

void RtfReaderTest::brokenPictureIsLeftOut() {
    const auto doc = readRtfText(
        "{\\rtf1 a{\\pict\\pngblip 89504e470d0a1a0a00}b{\\pict\\jpegblip "
        "ffd8ff}c{\\pict\\dibitmap0 2800}"
        "d{\\pict\\emfblip 01}e{\\pict\\wbitmap0 ff}f{\\pict\\macpict 00}g{\\pict}h}");
    QVERIFY(doc);
    QCOMPARE(imageCount(*doc), 0);
    QCOMPARE(doc->toPlainText(), QString("abcdefgh"));
}

// A packed DIB is a .bmp file without its 14-byte file header.
void RtfReaderTest::bitmapAndJpegPictures() {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bmp, jpeg;
    QBuffer bmpBuffer(&bmp), jpegBuffer(&jpeg);
    bmpBuffer.open(QIODevice::WriteOnly);
    jpegBuffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&bmpBuffer, "BMP"));
    QVERIFY(image.save(&jpegBuffer, "JPEG"));
    const auto doc = readRtfText("{\\rtf1 {\\pict\\dibitmap0\\picw3\\pich2 " + bmp.mid(14).toHex() +
                                 "}{\\pict\\jpegblip\\picw3\\pich2 " + jpeg.toHex() + "}}");
    QVERIFY(doc);
    QCOMPARE(imageCount(*doc), 2);
    for (int position : {0, 1}) {
        QTextCursor c(doc.get());
        c.setPosition(position + 1);
        const QTextImageFormat format = c.charFormat().toImageFormat();
        QCOMPARE(format.width(), 3.0);
        const QImage shown = doc->resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
        QCOMPARE(shown.size(), QSize(3, 2));
        QVERIFY(qBlue(shown.pixel(1, 1)) > 200);
    }
}

void RtfReaderTest::hostileInputs_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::newRow("huge bin") << QByteArray("{\\rtf1\\bin2147483647 abc}");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1\\bin-5 abc}");
    QTest::newRow("huge font size")
        << QByteArray("{\\rtf1\\fs2147483647 a\\fs-2147483647 b\\fs0 c}");
    QTest::newRow("huge indents") << QByteArray(
        "{\\rtf1\\li2147483647\\fi-2147483647\\sl-2147483647 a\\par}");
    QTest::newRow("huge colour index") << QByteArray("{\\rtf1\\cf2147483647\\highlight99 a}");
    QTest::newRow("huge uc") << QByteArray("{\\rtf1\\uc2147483647\\u65 abc}");
    QTest::newRow("many cellx") << QByteArray(
        "{\\rtf1\\trowd" + QByteArray("\\cellx1").repeated(1000) + "\\intbl a\\cell\\row}");
    QTest::newRow("many cells") << QByteArray("{\\rtf1\\intbl" +
                                              QByteArray("a\\cell").repeated(500) + "\\row}");
    QTest::newRow("deep itap") << QByteArray(
        "{\\rtf1\\itap2147483647\\intbl a\\nestcell\\nestrow\\cell\\row}");
    QTest::newRow("row without table") << QByteArray("{\\rtf1\\row\\nestrow\\cell\\nestcell a}");
    QTest::newRow("huge picture size") << QByteArray(
        "{\\rtf1{"
        "\\pict\\wmetafile8\\picw2147483647\\pich2147483647\\picwgoal2147483647\\pichgoal2147483647"
        " 0100090000}}");
    QTest::newRow("font table damage") << QByteArray(
        "{\\rtf1{\\fonttbl\\f2147483647\\fcharset-1\\cpg-9 x;\\f0{\\f1;}}\\f2147483647 a}");
    QTest::newRow("unclosed picture") << QByteArray("{\\rtf1{\\pict\\pngblip 89504e47");
    QTest::newRow("star alone") << QByteArray("{\\rtf1 a\\*b\\*{c}}");
    QTest::newRow("backslash at end") << QByteArray("{\\rtf1 a\\");
    QTest::newRow("hex at end") << QByteArray("{\\rtf1 a\\'4");
    QTest::newRow("zero bytes") << QByteArray("{\\rtf1 a\0b}", 11);
}

void RtfReaderTest::hostileInputs() {
    QFETCH(QByteArray, rtf);
    const auto doc = readRtfText(rtf);
    QVERIFY(doc);
    doc->setPageSize(QSizeF(400, 400));
    QVERIFY(doc->pageCount() >= 1);
}

void RtfReaderTest::deepNestingIsLinear() {
    QByteArray rtf = "{\\rtf1 a";
    rtf += QByteArray(200000, '{') + "hidden" + QByteArray(200000, '}') + "b}";
    QElapsedTimer timer;
    timer.start();
    const auto doc = readRtfText(rtf);
    QVERIFY(doc);
    QVERIFY(timer.elapsed() < 5000);
    // Content past the depth limit is read over; the text after it is still shown.
    QCOMPARE(doc->toPlainText(), QString("ab"));
    RtfLimits limits;
    limits.maxGroupDepth = 2;
    QCOMPARE(readRtfText("{\\rtf1 a{b{c}d}e}", limits)->toPlainText(), QString("abde"));
}

void RtfReaderTest::textLimit() {
    RtfLimits limits;
    limits.maxTextChars = 10;
    const auto doc = readRtfText("{\\rtf1 " + QByteArray(100, 'x') + "}", limits);
    QVERIFY(doc);
    QCOMPARE(doc->toPlainText().size(), 10);
}

QTEST_MAIN(RtfReaderTest)
#include "RtfReaderTest.moc"
