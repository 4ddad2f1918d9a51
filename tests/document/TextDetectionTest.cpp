#include "support/TestInputs.h"
#include "document/DocumentKind.h"
#include "document/OtherDocument.h"
#include "document/TextDetection.h"
#include "platform/FileAccess.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace zarovia;
using namespace zarovia::document;

Q_DECLARE_METATYPE(zarovia::document::DocumentKind)

class TextDetectionTest : public QObject {
    Q_OBJECT

private slots:
    void kindByExtension_data();
    void kindByExtension();
    void textBytes_data();
    void textBytes();
    void controlByteAtHeadEdge_data();
    void controlByteAtHeadEdge();
    void hexDumpLineCounts_data();
    void hexDumpLineCounts();
    void hexDumpExactLines();
    void hexDumpTextMatchesLines();
    void textDecoding_data();
    void textDecoding();
    void readsAtMostTheHead();
    void missingFileFails();
    void corpusFiles_data();
    void corpusFiles();
};

void TextDetectionTest::kindByExtension_data() {
    QTest::addColumn<QByteArray>("ext");
    QTest::addColumn<DocumentKind>("kind");
    QTest::newRow("rtf") << QByteArray(".RTF") << DocumentKind::RichText;
    for (const char* ext :
         {".HTM", ".HTML", ".C", ".PAS", ".HTT", ".BAT", ".INF", ".INI", ".CSV"}) {
        QTest::newRow(ext) << QByteArray(ext) << DocumentKind::PlainText;
    }
    for (const char* ext : {".TXT", ".CPP", ".H", ".XML", ".LOG", "", ".", ".RTFX", ".HT"}) {
        QTest::newRow(*ext ? ext : "none") << QByteArray(ext) << DocumentKind::OtherDocument;
    }
    // The caller upper-cases; a lower-case extension is not recognised here.
    QTest::newRow("lower rtf") << QByteArray(".rtf") << DocumentKind::OtherDocument;
}

void TextDetectionTest::kindByExtension() {
    QFETCH(QByteArray, ext);
    QFETCH(DocumentKind, kind);
    QCOMPARE(documentKindForExtension(ext), kind);
}

void TextDetectionTest::textBytes_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<bool>("text");
    const QList<QPair<int, bool>> rows = {
        {0x00, false}, {0x08, false}, {0x09, true},  {0x0A, true},  {0x0B, false}, {0x0C, false},
        {0x0D, true},  {0x0E, false}, {0x1A, false}, {0x1B, false}, {0x1F, false}, {0x20, true},
        {0x7F, true},  {0x80, true},  {0x9F, true},  {0xFF, true}};
    for (const auto& [byte, text] : rows) QTest::addRow("0x%02X", byte) << byte << text;
}

void TextDetectionTest::textBytes() {
    QFETCH(int, byte);
    QFETCH(bool, text);
    QCOMPARE(isTextByte(static_cast<unsigned char>(byte)), text);
    QCOMPARE(isTextContent(QByteArray("abc") + char(byte) + "def"), text);
}

void TextDetectionTest::controlByteAtHeadEdge_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("text");
    QTest::newRow("first byte") << 0 << false;
    QTest::newRow("last byte of the head") << 16383 << false;
    QTest::newRow("first byte past the head") << 16384 << true;
}

void TextDetectionTest::controlByteAtHeadEdge() {
    QFETCH(int, offset);
    QFETCH(bool, text);
    QByteArray bytes(20000, 'a');
    bytes[offset] = '\x1A';
    const OtherDocument doc = classifyOtherDocument(bytes);
    QCOMPARE(doc.isText, text);
    QCOMPARE(doc.head.size(), 16384);
    if (!text) QCOMPARE(doc.hexLines.size(), 1024);
}

void TextDetectionTest::hexDumpLineCounts_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("lastOffset");
    QTest::addColumn<int>("lastLength");
    QTest::newRow("0") << 0 << 0 << QString() << 0;
    QTest::newRow("1") << 1 << 1 << "0000" << 10;
    QTest::newRow("15") << 15 << 1 << "0000" << 52;
    QTest::newRow("16") << 16 << 1 << "0000" << 55;
    QTest::newRow("17") << 17 << 2 << "0010" << 10;
    QTest::newRow("32") << 32 << 2 << "0010" << 55;
    QTest::newRow("16384") << 16384 << 1024 << "3FF0" << 55;
    QTest::newRow("20000") << 20000 << 1024 << "3FF0" << 55;
}

void TextDetectionTest::hexDumpLineCounts() {
    QFETCH(int, size);
    QFETCH(int, lines);
    QFETCH(QString, lastOffset);
    QFETCH(int, lastLength);
    const QStringList dump = hexDumpLines(QByteArray(size, '\0'));
    QCOMPARE(dump.size(), lines);
    if (lines == 0) return;
    QVERIFY(dump.last().startsWith(lastOffset + " : "));
    QCOMPARE(dump.last().size(), lastLength);
    for (const QString& line : dump) QVERIFY(line.endsWith(u' '));
}

void TextDetectionTest::hexDumpExactLines() {
    QByteArray bytes;
    for (int i = 0; i < 20; ++i) bytes += char(i);
    const QStringList dump = hexDumpLines(bytes);
    QCOMPARE(dump, QStringList({"0000 : 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F ",
                                "0010 : 10 11 12 13 "}));
    QCOMPARE(hexDumpLines(QByteArray("\xAB\xFF", 2)), QStringList{"0000 : AB FF "});
}

void TextDetectionTest::hexDumpTextMatchesLines() {
    QByteArray bytes;
    for (int i = 0; i < 16384 + 7; ++i) bytes += char(i * 7);
    QCOMPARE(hexDumpText(bytes), hexDumpLines(bytes).join(u'\n') + u'\n');
    QCOMPARE(hexDumpText({}), QString());
}

void TextDetectionTest::textDecoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii") << QByteArray("abc\r\n") << QString("abc\r\n");
    QTest::newRow("shift-jis") << QByteArray("\x82\xa0\x82\xa2 \x93\xfa\x96\x7b")
                               << QString::fromUtf16(u"あい 日本");
    QTest::newRow("utf-8") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac") << QString::fromUtf16(u"日本");
    QTest::newRow("utf-8 bom") << QByteArray("\xef\xbb\xbfok") << QString("ok");
    // A UTF-8 sequence cut by the end of the head is dropped, the rest stays UTF-8.
    QTest::newRow("utf-8 cut") << QByteArray("\xe6\x97\xa5\xe6\x9c") << QString::fromUtf16(u"日");
    QTest::newRow("half-width kana") << QByteArray("\xb1\xb2") << QString::fromUtf16(u"ｱｲ");
}

void TextDetectionTest::textDecoding() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const OtherDocument doc = classifyOtherDocument(bytes);
    QVERIFY(doc.isText);
    QCOMPARE(doc.text, text);
    QVERIFY(doc.hexLines.isEmpty());
}

void TextDetectionTest::readsAtMostTheHead() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("long.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray bytes(18000, 'x');
    bytes[17000] = '\0';  // never seen
    file.write(bytes);
    file.close();
    const OtherDocument doc = readOtherDocument(QFile::encodeName(path));
    QVERIFY(doc.isText);
    QCOMPARE(doc.head.size(), 16384);
    QCOMPARE(doc.text.size(), 16384);
}

void TextDetectionTest::missingFileFails() {
    QTemporaryDir dir;
    try {
        readOtherDocument(QFile::encodeName(dir.filePath("gone.dat")));
        QFAIL("no failure");
    } catch (const FileError& e) {
        QCOMPARE(e.message(), QString("ファイルが見つかりません"));
    }
    try {
        readOtherDocument(QFile::encodeName(dir.path()));
        QFAIL("a folder was read");
    } catch (const FileError& e) {
        QCOMPARE(e.code(), 5);
    }
}

void TextDetectionTest::corpusFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("hexLines");  // -1: shown as text
    QTest::newRow("nul at 15") << "edge_16b_with_nul.dat" << 1;
    QTest::newRow("00 to 13") << "edge_20b_00_to_13.bin" << 2;
    QTest::newRow("control after 16k") << "edge_ctrl_after_16k.txt" << -1;
    QTest::newRow("empty") << "edge_empty_0b.txt" << -1;
    QTest::newRow("gzip") << "gzip_binary.gz" << 66;
    QTest::newRow("utf-16") << "iconv_utf16_bom.txt" << 12;
    QTest::newRow("utf-8 bom") << "utf8_bom_crlf.txt" << -1;
    QTest::newRow("euc-jp") << "iconv_eucjp.txt" << -1;
}

void TextDetectionTest::corpusFiles() {
    QFETCH(QString, name);
    QFETCH(int, hexLines);
    const QString path = QStringLiteral(ZAROVIA_TEST_DATA "/document/") + name;
    ZAROVIA_REQUIRE_INPUT(QFile::exists(path), path);
    const OtherDocument doc = readOtherDocument(QFile::encodeName(path));
    QCOMPARE(doc.isText, hexLines < 0);
    if (hexLines >= 0) QCOMPARE(doc.hexLines.size(), hexLines);
    if (name == "edge_ctrl_after_16k.txt") {
        QVERIFY(doc.text.startsWith(u"0001 行目：日本語のテキストを繰り返します。"));
    }
}

QTEST_GUILESS_MAIN(TextDetectionTest)
#include "TextDetectionTest.moc"
