// Documents through the real window: the three kinds, the hex dump, the size readout, the
// rich edit following the pane, printing to PDF with the caption as the job title.
#include "document/widgets/RichEditControl.h"
#include "platform/controls/Panel.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "support/TestInputs.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAction>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <memory>

using namespace zarovia;
using shell::Command;

class DocumentWindowTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    std::unique_ptr<QTemporaryDir> dir;

    QByteArray write(const QString& name, const QByteArray& content) {
        QFile f(dir->filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return QFile::encodeName(f.fileName());
    }
    // Documents load on the workers: each drop waits until the document has arrived.
    void drop(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
        QTRY_VERIFY_WITH_TIMEOUT(!form->isLoading(), 10000);
    }
    QString text() { return form->RichEdit1->toPlainText(); }

private slots:
    void initTestCase() { window::substitutePlatformFonts(); }
    void init() {
        rec = testing::Recorded();
        dir = std::make_unique<QTemporaryDir>();
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void hexDumpOfABinaryFile() {
        QByteArray bytes;
        for (int i = 0; i < 20; ++i) bytes.append(char(i));
        drop(write(QStringLiteral("data.bin"), bytes));
        QVERIFY(rec.errors.isEmpty());
        QVERIFY(form->MojiPanel->isVisible());
        QCOMPARE(
            text(),
            QStringLiteral(
                "0000 : 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \n0010 : 10 11 12 13 \n"));
        QCOMPARE(form->SizePanel->caption(), QStringLiteral("20 byt"));
        QCOMPARE(form->RichEdit1->geometry(),
                 QRect(0, form->CoolBar2->height(), 640, 480 - form->CoolBar2->height()));
    }

    void textByContentAndPlainText() {
        drop(write(QStringLiteral("notes.TXT"), "\x82\xA0\x82\xA2 text"));
        QCOMPARE(text(), QStringLiteral("あい text"));
        drop(write(QStringLiteral("conf.ini"), "[a]\nb=1\n"));
        QVERIFY(text().startsWith(QStringLiteral("[a]\nb=1")));
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       conf.ini"));
        QVERIFY(rec.errors.isEmpty());
    }

    void richText() {
        drop(write(QStringLiteral("doc.Rtf"), "{\\rtf1\\ansi\\ansicpg932 {\\b bold} \\'82\\'a0}"));
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(text().trimmed(), QStringLiteral("bold あ"));
    }

    void richEditFollowsThePane() {
        drop(write(QStringLiteral("a.csv"), "1,2"));
        form->resize(800, 600);
        QTRY_COMPARE(form->RichEdit1->width(), 800);
        QCOMPARE(form->RichEdit1->height(), 600 - form->CoolBar2->height());
    }

    void vanishedFileKeepsTheFirstReadout() {
        const QByteArray path = write(QStringLiteral("gone.dat"), "abc");
        drop(path);
        QCOMPARE(form->SizePanel->caption(), QStringLiteral("3 byt"));
        QFile::remove(QFile::decodeName(path));
        drop(path);
        QCOMPARE(rec.errors, QStringList{QStringLiteral("ファイルが見つかりません.")});
    }

    // A slow disk: the window keeps turning while the document is read, and a document the
    // user has left for another never replaces it.
    void slowDocumentsArriveInPlace_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("rich text") << "slow.rtf"
                                   << "bold";
        QTest::newRow("plain text") << "slow.ini"
                                    << "{\\rtf1 {\\b bold}}";
        QTest::newRow("other document") << "slow.dat"
                                        << "{\\rtf1 {\\b bold}}";
    }
    void slowDocumentsArriveInPlace() {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        const QByteArray path = write(name, "{\\rtf1 {\\b bold}}");
        *rec.readDelayMs = 1500;
        form->guard([&] { form->FormDropFiles({path}); });
        QVERIFY(form->isLoading());
        QVERIFY(form->MojiPanel->isVisible());
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longest = 0;
        while (form->isLoading() && clock.elapsed() < 10000) {
            QTest::qWait(5);
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        }
        // A read on the window's thread would stall it the whole 1500 ms.
        QVERIFY2(longest < 500, qPrintable(QStringLiteral("stalled %1 ms").arg(longest)));
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(text().trimmed(), shown);
        QCOMPARE(*rec.readsOnWindowThread, 0);
    }

    void aDocumentTheUserLeftNeverShows() {
        const QByteArray first = write(QStringLiteral("first.ini"), "first");
        const QByteArray second = write(QStringLiteral("second.ini"), "second");
        *rec.readDelayMs = 200;
        form->guard([&] { form->FormDropFiles({first}); });
        *rec.readDelayMs = 0;
        drop(second);
        QCOMPARE(text(), QStringLiteral("second"));
        QTest::qWait(300);  // past the first read's end
        QCOMPARE(text(), QStringLiteral("second"));
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       second.ini"));
    }

    void printingToPdf() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            ZAROVIA_REQUIRE_INPUT(false, "pdfinfo (poppler-utils)");
        QByteArray lines;
        for (int i = 0; i < 300; ++i) lines += "line " + QByteArray::number(i) + "\n";
        drop(write(QStringLiteral("long.ini"), lines));
        rec.pdfPath = dir->filePath(QStringLiteral("doc.pdf"));
        form->command(Command::CharPrint)->trigger();
        QVERIFY(rec.errors.isEmpty());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {rec.pdfPath});
        QVERIFY(info.waitForFinished());
        const QString out = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("Zarovia       long.ini")), qPrintable(out));
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
        QVERIFY(pages.hasMatch());
        QVERIFY(pages.captured(1).toInt() > 1);
    }
};

QTEST_MAIN(DocumentWindowTest)
#include "DocumentWindowTest.moc"
