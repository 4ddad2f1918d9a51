#include "support/TestInputs.h"
#include "document/DocumentPrinting.h"
#include "document/widgets/PrinterOutput.h"
#include "platform/Failure.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>
#include <memory>

using namespace zarovia;
using namespace zarovia::document;

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& pdf) {
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto m = pages.match(run("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pdfTitle(const QString& pdf) {
    static const QRegularExpression title(QStringLiteral("Title:\\s+([^\\n]*)"));
    const auto m = title.match(run("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1) : QString();
}

QString pageText(const QString& pdf, int page) {
    return run("pdftotext",
               {"-f", QString::number(page), "-l", QString::number(page), "-layout", pdf, "-"});
}

std::unique_ptr<QPdfWriter> a4Writer(const QString& path) {
    auto writer = std::make_unique<QPdfWriter>(path);
    writer->setPageSize(QPageSize(QPageSize::A4));
    writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    writer->setResolution(300);
    return writer;
}

// A writer whose second page cannot be started.
class OnePageWriter : public QPdfWriter {
public:
    using QPdfWriter::QPdfWriter;
    bool newPage() override { return false; }
};

}  // namespace

class DocumentPrintingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void pageCounts_data();
    void pageCounts();
    void everyLineOnExactlyOnePage();
    void titleIsSet();
    void whiteTextPrintsBlackAndSourceIsUntouched();
    void busyDeviceFails();
    void printerJobIsNamed();
    void failedPageAbortsAndEndsThePainter();

private:
    QTemporaryDir dir_;
};

void DocumentPrintingTest::initTestCase() {
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty() ||
        QStandardPaths::findExecutable("pdftotext").isEmpty()) {
        ZAROVIA_REQUIRE_INPUT(false, "pdfinfo and pdftotext (poppler-utils)");
    }
    QVERIFY(dir_.isValid());
}

void DocumentPrintingTest::pageCounts_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("minPages");
    QTest::addColumn<int>("maxPages");
    QTest::newRow("empty") << 0 << 1 << 1;
    QTest::newRow("one line") << 1 << 1 << 1;
    QTest::newRow("one page") << 20 << 1 << 1;
    QTest::newRow("several pages") << 300 << 3 << 8;
}

void DocumentPrintingTest::pageCounts() {
    QFETCH(int, lines);
    QFETCH(int, minPages);
    QFETCH(int, maxPages);
    QTextDocument doc;
    QStringList text;
    for (int i = 1; i <= lines; ++i) text << QStringLiteral("Line %1").arg(i);
    doc.setPlainText(text.join(u'\n'));
    const QString pdf = dir_.filePath(QStringLiteral("pages%1.pdf").arg(lines));
    int printed = 0;
    {
        auto writer = a4Writer(pdf);
        printed = printDocumentToPdf(doc, *writer, QStringLiteral("t"));
    }
    QCOMPARE(pdfPages(pdf), printed);
    QVERIFY2(printed >= minPages && printed <= maxPages, qPrintable(QString::number(printed)));
    if (lines > 0) QVERIFY(pageText(pdf, 1).contains("Line 1"));
    if (lines > 0) QVERIFY(pageText(pdf, printed).contains(QStringLiteral("Line %1").arg(lines)));
}

// The page loop starts each page with the first line that did not fit on the one before:
// no line is lost or printed twice at a page boundary.
void DocumentPrintingTest::everyLineOnExactlyOnePage() {
    QTextDocument doc;
    QStringList text;
    for (int i = 1; i <= 250; ++i) text << QStringLiteral("Row%1x").arg(i);
    doc.setPlainText(text.join(u'\n'));
    const QString pdf = dir_.filePath("lines.pdf");
    int pages = 0;
    {
        auto writer = a4Writer(pdf);
        pages = printDocumentToPdf(doc, *writer, QString());
    }
    QVERIFY(pages >= 2);
    QString all;
    for (int p = 1; p <= pages; ++p) all += pageText(pdf, p);
    for (int i = 1; i <= 250; ++i) QCOMPARE(all.count(QStringLiteral("Row%1x").arg(i)), 1);
}

void DocumentPrintingTest::titleIsSet() {
    QTextDocument doc;
    doc.setPlainText("x");
    const QString pdf = dir_.filePath("title.pdf");
    {
        auto writer = a4Writer(pdf);
        printDocumentToPdf(doc, *writer, QStringLiteral(" Zarovia       readme.txt"));
    }
    QCOMPARE(pdfTitle(pdf).trimmed(), QStringLiteral("Zarovia       readme.txt"));
}

void DocumentPrintingTest::whiteTextPrintsBlackAndSourceIsUntouched() {
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty()) ZAROVIA_REQUIRE_INPUT(false, "pdftoppm (poppler-utils)");
    QTextDocument doc;
    QTextCursor cursor(&doc);
    QTextCharFormat white;
    white.setForeground(Qt::white);
    white.setFontPointSize(48);
    cursor.insertText(QStringLiteral("WWWWWWWW"), white);
    const QString pdf = dir_.filePath("white.pdf");
    {
        auto writer = a4Writer(pdf);
        printDocumentToPdf(doc, *writer, QString());
    }
    QTextCursor check(&doc);
    check.setPosition(1);
    QCOMPARE(check.charFormat().foreground().color(), QColor(Qt::white));
    const QString png = dir_.filePath("white");
    run("pdftoppm", {"-r", "20", "-png", "-singlefile", pdf, png});
    const QImage page(png + ".png");
    QVERIFY(!page.isNull());
    int dark = 0;
    for (int y = 0; y < page.height() / 4; ++y) {
        for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128;
    }
    QVERIFY(dark > 10);
}

void DocumentPrintingTest::busyDeviceFails() {
    QTextDocument doc;
    doc.setPlainText("x");
    auto writer = a4Writer(dir_.filePath("busy.pdf"));
    QPainter painter(writer.get());
    try {
        printDocument(doc, *writer);
        QFAIL("printed while busy");
    } catch (const Failure& failure) {
        QCOMPARE(failure.message(), QStringLiteral("現在印刷中です"));
    }
}

void DocumentPrintingTest::printerJobIsNamed() {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("printer page"));
    const QString pdf = dir_.filePath("printer.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QCOMPARE(printDocumentOnPrinter(doc, printer, QStringLiteral("Zarovia       memo.txt")), 1);
        QCOMPARE(printer.docName(), QStringLiteral("Zarovia       memo.txt"));
    }
    QCOMPARE(pdfPages(pdf), 1);
    QCOMPARE(pdfTitle(pdf).trimmed(), QStringLiteral("Zarovia       memo.txt"));
    QVERIFY(pageText(pdf, 1).contains("printer page"));
}

void DocumentPrintingTest::failedPageAbortsAndEndsThePainter() {
    QTextDocument doc;
    QStringList lines;
    for (int i = 0; i < 300; ++i) lines << QStringLiteral("line");
    doc.setPlainText(lines.join(u'\n'));
    OnePageWriter writer(dir_.filePath("failed.pdf"));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    int aborted = 0;
    try {
        printDocument(doc, writer, [&aborted] { ++aborted; });
        QFAIL("no failure");
    } catch (const Failure& failure) {
        QCOMPARE(failure.message(), QStringLiteral("印刷を開始できません"));
    }
    QCOMPARE(aborted, 1);
    QVERIFY(!writer.paintingActive());
}

QTEST_MAIN(DocumentPrintingTest)
#include "DocumentPrintingTest.moc"
