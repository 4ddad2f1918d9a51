// Qt's own Open and Print dialogs, answered through their widgets: a full path typed into the
// Open dialog opens that file; with no printer installed both print commands print into a PDF
// file named after the file printed.
#include "platform/qt/QtDialogs.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "support/TestInputs.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace zarovia;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return f.fileName();
}

// Runs `answer` on the modal dialog of type T as soon as it is up.
template <typename T>
void whenModal(std::function<void(T*)> answer) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        }
    });
    poll->start();
}

int pdfPages(const QString& path) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    if (!info.waitForFinished()) return -1;
    const QRegularExpressionMatch pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
            .match(QString::fromUtf8(info.readAllStandardOutput()));
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

}  // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT
    enum Entry { Typed, Pasted };
    QTemporaryDir dir;
    QTemporaryDir home;

private slots:
    void initTestCase() {
        window::substitutePlatformFonts();
        // The PDF of a print with no printer goes to the documents folder, else home.
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_DOCUMENTS_DIR", QFile::encodeName(home.path()));
    }

    void openDialogTakesTypedNames_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        const QString b = writeFile(dir, QStringLiteral("b.txt"), "b");
        QTest::newRow("full path in the folder shown") << int(Typed) << b << b;
        QTest::newRow("full path in the folder shown, pasted") << int(Pasted) << b << b;
        QTest::newRow("bare name") << int(Typed) << "b.txt" << b;
        QTemporaryDir* other = new QTemporaryDir;  // lives for the test run
        const QString elsewhere = writeFile(*other, QStringLiteral("c.dat"), "c");
        QTest::newRow("full path elsewhere") << int(Typed) << elsewhere << elsewhere;
    }
    void openDialogTakesTypedNames() {
        QFETCH(int, how);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const QString a = writeFile(dir, QStringLiteral("a.txt"), "a");
        QWidget owner;
        whenModal<QFileDialog>([typed, how](QFileDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            // As a user would: once the dialog shows its folder, type over the name it offers.
            QTest::qWait(200);
            edit->selectAll();
            if (how == Pasted) {
                QApplication::clipboard()->setText(typed);
                QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            } else {
                QTest::keyClicks(edit, typed);
            }
            QTest::keyClick(edit, Qt::Key_Return);
            // A dialog that refused the name stays up: close it, the test fails below.
            QTimer::singleShot(500, dialog, &QDialog::reject);
        });
        QtOpenDialog open;
        const std::optional<QByteArray> chosen = open.chooseFile(&owner, QFile::encodeName(a));
        QVERIFY(chosen.has_value());
        QCOMPARE(QFile::decodeName(*chosen), expected);
    }

    // Without printers the output is a PDF file; whenever it is one, the file proposed is the
    // job's own, in the documents folder, whatever an earlier job chose.
    void pdfProposedForEachJob_data() {
        QTest::addColumn<bool>("printers");
        QTest::addColumn<QString>("chosenBefore");
        QTest::addColumn<QString>("expected");
        QTest::newRow("printers installed") << true << QString() << QString();
        QTest::newRow("none: the printed file's name") << false << QString() << "my holiday.pdf";
        QTest::newRow("none: not the file chosen before") << false << "/x/earlier.pdf"
                                                          << "my holiday.pdf";
        QTest::newRow("printers, an earlier job to a file") << true << "/x/earlier.pdf"
                                                            << "my holiday.pdf";
    }
    void pdfProposedForEachJob() {
        QFETCH(bool, printers);
        QFETCH(QString, chosenBefore);
        QFETCH(QString, expected);
        QPrinter printer;
        const QPrinter::OutputFormat formatBefore = printer.outputFormat();
        if (!chosenBefore.isEmpty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(chosenBefore);
        }
        PrintedFiles files;
        files.printed = "/pictures/my holiday.jpg";
        files.viewed = {files.printed};
        QVERIFY(preparePdfOutput(printer, printers, files));
        if (expected.isEmpty()) {
            // A printer's own output stays; one that starts with PDF output (no printer on this
            // machine) is offered the file as in the other rows.
            QCOMPARE(printer.outputFormat(), formatBefore);
            if (formatBefore == QPrinter::NativeFormat)
                QVERIFY(printer.outputFileName().isEmpty());
            else
                QCOMPARE(printer.outputFileName(),
                         QDir(home.path()).filePath(QStringLiteral("my holiday.pdf")));
        } else {
            QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
            QCOMPARE(printer.outputFileName(), QDir(home.path()).filePath(expected));
        }
    }

    // Both print commands, through Qt's own print dialog, on a machine with no printer.
    void bothPrintCommandsPrintToPdfWithoutAPrinter() {
        ZAROVIA_REQUIRE_INPUT(QPrinterInfo::availablePrinterNames().isEmpty(),
                              "a machine with no printer installed");
        ZAROVIA_REQUIRE_INPUT(!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty(),
                              "pdfinfo (poppler-utils)");
        testing::Recorded rec;
        Services services = testing::fakeServices(&rec);
        services.printDialog = std::make_unique<QtPrintDialog>();
        TzaroForm1 form(std::move(services));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QImage picture(120, 80, QImage::Format_RGB32);
        picture.fill(Qt::darkBlue);
        const QString photo = dir.filePath(QStringLiteral("photo.bmp"));
        QVERIFY(picture.save(photo, "BMP"));
        form.guard([&] { form.FormDropFiles({QFile::encodeName(photo)}); });
        QTRY_VERIFY(!form.isLoading());
        whenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->accept(); });
        form.command(shell::Command::Print)->trigger();
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        QCOMPARE(pdfPages(QDir(home.path()).filePath(QStringLiteral("photo.pdf"))), 1);

        const QString text = writeFile(dir, QStringLiteral("notes.ini"), "a\nb\n");
        form.guard([&] { form.FormDropFiles({QFile::encodeName(text)}); });
        QTRY_VERIFY(!form.isLoading());
        QString chosenFile;
        whenModal<QPrintDialog>([&chosenFile](QPrintDialog* dialog) {
            chosenFile = dialog->printer()->outputFileName();
            dialog->accept();
        });
        form.command(shell::Command::CharPrint)->trigger();
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        // The second print proposes its own file, not the first one's.
        QCOMPARE(QFileInfo(chosenFile).fileName(), QStringLiteral("notes.pdf"));
        QCOMPARE(pdfPages(chosenFile), 1);
        QCOMPARE(pdfPages(QDir(home.path()).filePath(QStringLiteral("photo.pdf"))), 1);

        // A file named like the proposal is there, and it is the file shown: the proposal
        // passes it by, and nothing but the new PDF is written.
        const QString report = QDir(home.path()).filePath(QStringLiteral("report.pdf"));
        {
            QFile dump(report);
            QVERIFY(dump.open(QIODevice::WriteOnly));
            dump.write("not a PDF at all");
        }
        form.guard([&] { form.FormDropFiles({QFile::encodeName(report)}); });
        QTRY_VERIFY(!form.isLoading());
        whenModal<QPrintDialog>([&chosenFile](QPrintDialog* dialog) {
            chosenFile = dialog->printer()->outputFileName();
            dialog->accept();
        });
        form.command(shell::Command::CharPrint)->trigger();
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        QCOMPARE(QFileInfo(chosenFile).fileName(), QStringLiteral("report (2).pdf"));
        QCOMPARE(pdfPages(chosenFile), 1);
        QFile dump(report);
        QVERIFY(dump.open(QIODevice::ReadOnly));
        QCOMPARE(dump.readAll(), QByteArray("not a PDF at all"));
    }
};

QTEST_MAIN(QtDialogsTest)
#include "QtDialogsTest.moc"
