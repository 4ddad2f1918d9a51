#include "document/PlainTextDocument.h"
#include "document/TextDetection.h"
#include "document/widgets/RichEditControl.h"
#include "platform/Failure.h"
#include "platform/SystemErrors.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QMainWindow>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

using namespace zarovia;
using namespace zarovia::document;

namespace {

QByteArray fixture(const char* name) {
    return QFile::encodeName(QStringLiteral(ZAROVIA_TEST_DATA "/document/") + name);
}

QString failureText(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.message();
    }
    return {};
}

}  // namespace

class RichEditControlTest : public QObject {
    Q_OBJECT

private slots:
    void widgetSettings();
    void clearResetsTextAndModifiedMark();
    void defaultFormat();
    void plainLoadReadsWholeFile();
    void richLoad();
    void rejectedRtfFallsBackToPlainText();
    void loadFailures();
    void appendLines();
    void appendCap();
    void hexDumpFitsAndMatches();
    void documentText();
    void lineGroups_data();
    void lineGroups();
    void commandShortcutsWin();
};

void RichEditControlTest::widgetSettings() {
    RichEditControl edit;
    QVERIFY(!edit.acceptDrops());
    QVERIFY(!edit.viewport()->acceptDrops());
    QCOMPARE(edit.contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(edit.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(edit.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(edit.lineWrapMode(), QTextEdit::WidgetWidth);
    QVERIFY(!edit.isReadOnly());
}

void RichEditControlTest::clearResetsTextAndModifiedMark() {
    RichEditControl edit;
    edit.setDocumentText("abc");
    edit.document()->setModified(true);
    edit.clearAll();
    QVERIFY(edit.document()->isEmpty());
    QVERIFY(!edit.document()->isModified());
}

void RichEditControlTest::defaultFormat() {
    RichEditControl edit;
    edit.setDefaultFormat("FixedSys", 12, Qt::white);
    edit.setBackground(Qt::black);
    edit.setDocumentText("text");
    QCOMPARE(edit.document()->defaultFont().family(), QString("FixedSys"));
    QCOMPARE(edit.document()->defaultFont().pointSize(), 12);
    QCOMPARE(edit.palette().color(QPalette::Text), QColor(Qt::white));
    QCOMPARE(edit.palette().color(QPalette::Base), QColor(Qt::black));
    // Without a substitution for the name, the fallback is still fixed pitch.
    QVERIFY(QFontInfo(edit.document()->defaultFont()).fixedPitch() ||
            !QFont::substitutes("FixedSys").isEmpty());
}

void RichEditControlTest::plainLoadReadsWholeFile() {
    RichEditControl edit;
    edit.setPlainTextMode(true);
    edit.loadFromFile(fixture("iconv_sjis_long_over16k.ini"));
    const QString text = edit.toPlainText();
    QVERIFY(text.size() > 8000);
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
    QVERIFY(!edit.document()->isModified());
    // A plain-text load of an RTF file shows its source.
    edit.loadFromFile(fixture("ljt_release_License.rtf"));
    QVERIFY(edit.toPlainText().startsWith("{\\rtf"));
}

void RichEditControlTest::richLoad() {
    RichEditControl edit;
    edit.setPlainTextMode(false);
    edit.setBackground(Qt::white);
    edit.loadFromFile(fixture("lo_writer_japanese_table_picture.rtf"));
    QVERIFY(edit.toPlainText().contains(QString::fromUtf16(u"日本語のテスト文書")));
    // Automatic text colour is black, readable on the white background.
    QTextCursor c = edit.document()->find(QString::fromUtf16(u"最後の段落"));
    QVERIFY(!c.isNull());
    QCOMPARE(c.charFormat().foreground().color(), QColor(Qt::black));
}

void RichEditControlTest::rejectedRtfFallsBackToPlainText() {
    RichEditControl edit;
    edit.setPlainTextMode(false);
    edit.loadFromFile(fixture("derived_plain_sjis_named_rtf.rtf"));
    QVERIFY(edit.toPlainText().contains("plain text in a file named .rtf"));
    QVERIFY(edit.toPlainText().contains(QString::fromUtf16(u"これはテキストです。")));
    edit.loadFromFile(fixture("derived_empty_0b.rtf"));
    QVERIFY(edit.document()->isEmpty());
}

void RichEditControlTest::loadFailures() {
    QTemporaryDir dir;
    RichEditControl edit;
    const QByteArray missing = QFile::encodeName(dir.filePath("gone.rtf"));
    QCOMPARE(failureText([&] { edit.loadFromFile(missing); }),
             cannotOpenFileText(missing, kErrorFileNotFound));
    edit.setMaxBytes(10);
    QCOMPARE(failureText([&] { edit.loadFromFile(fixture("ljt_release_License.rtf")); }),
             QString("ストリームからの読み込みに失敗しました"));
}

void RichEditControlTest::appendLines() {
    RichEditControl edit;
    edit.appendLine("one");
    edit.appendLines({"two", "three"});
    QCOMPARE(edit.toPlainText(), QString("one\ntwo\nthree\n"));
}

void RichEditControlTest::appendCap() {
    RichEditControl edit;
    edit.setMaxBytes(20);
    edit.appendLine("0123456789");
    QCOMPARE(failureText([&] { edit.appendLine("0123456789"); }),
             QString("RichEdit での行の挿入エラー"));
    QCOMPARE(edit.toPlainText(), QString("0123456789\n"));
}

void RichEditControlTest::hexDumpFitsAndMatches() {
    RichEditControl edit;
    QByteArray bytes(16384, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = char(i);
    edit.appendLines(hexDumpLines(bytes));
    QCOMPARE(edit.document()->blockCount(), 1025);
    QCOMPARE(edit.toPlainText(), hexDumpText(bytes));
    QCOMPARE(edit.document()->findBlockByNumber(1023).text(), hexDumpLines(bytes).last());
}

void RichEditControlTest::documentText() {
    RichEditControl edit;
    edit.setDocumentText(QString::fromUtf16(u"あ\r\nい\rう\n\nえ"));
    QCOMPARE(edit.toPlainText(), QString::fromUtf16(u"あ\nい\nう\n\nえ"));
}

void RichEditControlTest::lineGroups_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("blocks");
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("just under a group") << 32 << 1;  // 31 breaks
    QTest::newRow("a group and one") << 33 << 2;
    QTest::newRow("many") << 1000 << 32;
}

// Line breaks become block ends only at every 32nd line; the text reads back unchanged.
void RichEditControlTest::lineGroups() {
    QFETCH(int, lines);
    QFETCH(int, blocks);
    QStringList text;
    for (int i = 0; i < lines; ++i) text << QStringLiteral("line %1").arg(i);
    QTextDocument doc;
    setPlainTextInLineGroups(doc, text.join("\r\n"));
    QCOMPARE(doc.blockCount(), blocks);
    QCOMPARE(doc.toPlainText(), text.join(u'\n'));
}

void RichEditControlTest::commandShortcutsWin() {
    QMainWindow window;
    auto* edit = new RichEditControl(&window);
    window.setCentralWidget(edit);
    QAction cut("cut");
    cut.setShortcut(QKeySequence("Ctrl+X"));
    window.addAction(&cut);
    QAction print("print");
    print.setShortcut(QKeySequence("Ctrl+P"));
    window.addAction(&print);
    edit->setCommandShortcuts({QKeySequence("Ctrl+X"), QKeySequence("Ctrl+P")});
    window.show();
    window.activateWindow();
    edit->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_X, Qt::ControlModifier);
    QApplication::sendEvent(edit, &override);
    QVERIFY(!override.isAccepted());
    QKeyEvent selectAll(QEvent::ShortcutOverride, Qt::Key_A, Qt::ControlModifier);
    QApplication::sendEvent(edit, &selectAll);
    QVERIFY(selectAll.isAccepted());

    edit->setDocumentText("keep");
    edit->selectAll();
    QSignalSpy cutSpy(&cut, &QAction::triggered);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(cutSpy.count(), 1);
    QCOMPARE(edit->toPlainText(), QString("keep"));
    QSignalSpy printSpy(&print, &QAction::triggered);
    QTest::keyClick(edit, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(printSpy.count(), 1);
}

QTEST_MAIN(RichEditControlTest)
#include "RichEditControlTest.moc"
