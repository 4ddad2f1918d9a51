#include "support/TestInputs.h"
#include "RtfTestSupport.h"
#include "document/rtf/RtfPicture.h"

#include <QDir>
#include <QFile>
#include <QTextCursor>
#include <QTextTable>
#include <QtTest>

using namespace zarovia::document;
using namespace zarovia::document::test;

namespace {

QByteArray readFixture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

// List labels (a number with a full stop, or a bullet) dropped, for comparing with suites
// whose expected text leaves them out.
QString withoutListLabels(const QString& text) {
    static const QRegularExpression label(
        QStringLiteral("(^| )(\\d+\\.|[\\x{2022}\\x{00B7}\\x{2043}-])(?= |$)"));
    QString out = text;
    out.replace(label, QString());
    return out.trimmed();
}

QString corpusPath(const QString& name) {
    return QStringLiteral(ZAROVIA_CORPUS "/rtf/") + name;
}

}  // namespace

class RtfCorpusTest : public QObject {
    Q_OBJECT

private slots:
    void japaneseTableAndPicture();
    void permissiveFixtures_data();
    void permissiveFixtures();
    void expectedBeginnings_data();
    void expectedBeginnings();
    void everyCorpusFileReads();
    void corpusPictures_data();
    void corpusPictures();
};

void RtfCorpusTest::corpusPictures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("metafile");
    QTest::newRow("png") << "osxcart_RtfInterpreterTest_5.rtf" << false;
    QTest::newRow("png in shape") << "osxcart_p063a_image.rtf" << false;
    QTest::newRow("emf") << "osxcart_RtfInterpreterTest_7.rtf" << true;
}

void RtfCorpusTest::corpusPictures() {
    QFETCH(QString, name);
    QFETCH(bool, metafile);
    ZAROVIA_REQUIRE_INPUT(QFile::exists(corpusPath(name)), corpusPath(name));
    const auto doc = readRtfText(readFixture(corpusPath(name)));
    QVERIFY(doc);
    // Metafile pictures are drawn into an image of their shown size like the others.
    QVERIFY2(imageCount(*doc) == 1, metafile ? "metafile picture" : "raster picture");
}

// LibreOffice output: text under \uN with Shift-JIS fallbacks, a 3 x 3 table, a PNG with a
// WMF fallback that must not show twice.
void RtfCorpusTest::japaneseTableAndPicture() {
    const QByteArray bytes = readFixture(
        QStringLiteral(ZAROVIA_TEST_DATA "/document/lo_writer_japanese_table_picture.rtf"));
    QVERIFY(!bytes.isEmpty());
    const auto doc = readRtfText(bytes);
    QVERIFY(doc);
    const QString text = normalisedText(*doc);
    for (const char16_t* expected :
         {u"日本語のテスト文書", u"太字", u"斜体", u"赤い文字", u"最後の段落。"}) {
        QVERIFY2(text.contains(QString::fromUtf16(expected)), qPrintable(text));
    }
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
    const QTextCursor cell = doc->find(QString::fromUtf16(u"佐々木"));
    QVERIFY(!cell.isNull());
    QTextTable* table = cell.currentTable();
    QVERIFY(table);
    QCOMPARE(table->rows(), 3);
    QCOMPARE(table->columns(), 3);
    const QStringList expected = {u"姓"_qs, u"名"_qs,     u"性別"_qs, u"山田"_qs, u"太郎"_qs,
                                  u"男"_qs, u"佐々木"_qs, u"花子"_qs, u"女"_qs};
    for (int i = 0; i < 9; ++i) {
        const QTextTableCell c = table->cellAt(i / 3, i % 3);
        QTextCursor cursor = c.firstCursorPosition();
        cursor.setPosition(c.lastPosition(), QTextCursor::KeepAnchor);
        QCOMPARE(cursor.selectedText().trimmed(), expected[i]);
    }
    QCOMPARE(imageCount(*doc), 1);
    const QTextCursor red = doc->find(QString::fromUtf16(u"赤い文字"));
    QTextCursor at(doc.get());
    at.setPosition(red.selectionStart() + 1);
    QCOMPARE(at.charFormat().foreground().color().red(), 255);
}

void RtfCorpusTest::permissiveFixtures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("begins");
    QTest::newRow("empty") << "derived_empty_0b.rtf" << false << QString();
    QTest::newRow("not rtf") << "derived_plain_sjis_named_rtf.rtf" << false << QString();
    QTest::newRow("licence") << "ljt_release_License.rtf" << true
                             << "Redistribution and use in source and binary forms";
}

void RtfCorpusTest::permissiveFixtures() {
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QFETCH(QString, begins);
    const QString path = QStringLiteral(ZAROVIA_TEST_DATA "/document/") + name;
    QVERIFY(QFile::exists(path));
    const auto doc = readRtfText(readFixture(path));
    QCOMPARE(bool(doc), accepted);
    if (doc) QVERIFY2(normalisedText(*doc).startsWith(begins), qPrintable(normalisedText(*doc)));
}

// The beginnings the suites expect, compared after white space is collapsed (see
// normalisedText) and, where marked, list labels are dropped. Footnotes are not part of the
// body, so the footnote case is compared up to its first note.
void RtfCorpusTest::expectedBeginnings_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("dropLabels");
    QTest::addColumn<QString>("begins");
    QTest::newRow("accent") << "pandoc_accent.rtf" << false
                            << QString::fromUtf16(u"le café où on ne fume pas");
    QTest::newRow("footnote") << "pandoc_footnote.rtf" << false
                              << "Mead's landmark study has been amply annotated.";
    QTest::newRow("heading") << "pandoc_heading.rtf" << false
                             << "Heading 1 Heading 2 Heading 3 Paragraph";
    QTest::newRow("link") << "pandoc_link.rtf" << false << "pandoc";
    QTest::newRow("legacy list") << "pandoc_list_legacy.rtf" << true
                                 << "A Numbered List A Bulleted List";
    QTest::newRow("simple list") << "pandoc_list_simple.rtf" << true << "one two sub new list";
    QTest::newRow("error codes")
        << "pandoc_table_error_codes.rtf" << false
        << "Code Error 3 PandocFailOnWarningError 4 PandocAppError 5 PandocTemplateError";
    QTest::newRow("simple table") << "pandoc_table_simple.rtf" << false << "A B C D E F G H";
    QTest::newRow("wide characters") << "osxcart_RtfInterpreterTest_12.rtf" << false
                                     << QString::fromUtf16(u"バージョンアップ注文書（銀行振込）");
    QTest::newRow("japanese 932") << "osxcart_RtfInterpreterTest_16.rtf" << false
                                  << QString::fromUtf16(u"これはテストです。");
    QTest::newRow("mac japanese")
        << "osxcart_RtfInterpreterTest_14.rtf" << false
        << QString::fromUtf16(
               u"SuperCollider 3 Synth Server Architecture SuperCollider 3 シンセサーバー構造");
    QTest::newRow("unicode") << "osxcart_p034_daodejing.rtf" << false
                             << QString::fromUtf16(u"道·可道·");
    QTest::newRow("escapes") << "osxcart_RtfParserTest_1.rtf" << false
                             << QString::fromUtf16(u"Hello world in {RTF}…");
}

void RtfCorpusTest::expectedBeginnings() {
    QFETCH(QString, name);
    QFETCH(bool, dropLabels);
    QFETCH(QString, begins);
    ZAROVIA_REQUIRE_INPUT(QFile::exists(corpusPath(name)), corpusPath(name));
    const auto doc = readRtfText(readFixture(corpusPath(name)));
    QVERIFY(doc);
    QString text = normalisedText(*doc);
    if (dropLabels) text = withoutListLabels(text);
    QVERIFY2(text.startsWith(begins), qPrintable(text.left(200)));
}

// Every file either reads or is rejected for its missing header, and a read document lays out.
void RtfCorpusTest::everyCorpusFileReads() {
    const QDir dir(QStringLiteral(ZAROVIA_CORPUS "/rtf"));
    ZAROVIA_REQUIRE_INPUT(dir.exists(), dir.path());
    int read = 0;
    for (const QString& name : dir.entryList({"*.rtf"}, QDir::Files)) {
        const QByteArray bytes = readFixture(dir.filePath(name));
        const auto doc = readRtfText(bytes);
        QCOMPARE(bool(doc), bytes.startsWith("{\\rtf"));
        if (!doc) continue;
        ++read;
        doc->setPageSize(QSizeF(600, 800));
        QVERIFY(doc->pageCount() >= 1);
        const bool good = !name.contains("_fail_") && bytes.size() > 20;
        if (good) QVERIFY2(!normalisedText(*doc).isEmpty(), qPrintable(name));
    }
    QVERIFY(read > 50);
}

QTEST_MAIN(RtfCorpusTest)
#include "RtfCorpusTest.moc"
