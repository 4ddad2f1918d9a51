// Printing into PDF files: the name a print proposes for each file (table rows), the refusal of
// a file being viewed, and a failed job leaving no file behind and no file overwritten.
#include "platform/PdfOutputName.h"
#include "platform/qt/PdfOutputCommit.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "support/TestInputs.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace zarovia;
using shell::Command;

namespace {

QByteArray writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(bytes);
    return QFile::encodeName(file.fileName());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything in `dir`, hidden files included: a failed job must leave nothing behind.
QStringList entriesOf(const QTemporaryDir& dir) {
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

QByteArray writeJpeg(const QTemporaryDir& dir, const QString& name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, 90));
    const QString path = dir.filePath(name);
    image.save(path, "JPEG", 90);
    return QFile::encodeName(path);
}

}  // namespace

class PrintingTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;

    void makeForm() {
        rec = testing::Recorded();
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!form->isLoading(), 10000); }
    void drop(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
        settle();
    }

private slots:
    void initTestCase() { window::substitutePlatformFonts(); }
    void cleanup() { form.reset(); }

    // --- The name proposed ---------------------------------------------------------------

    void proposedName_data() {
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("expected");
        QTest::newRow("picture") << "/p/photo.jpg" << QStringList() << "photo.pdf";
        QTest::newRow("blank kept") << "/p/my pic.jpg" << QStringList() << "my pic.pdf";
        QTest::newRow("blanks and a number") << "trip 1.jpg" << QStringList() << "trip 1.pdf";
        QTest::newRow("another name with the same last word")
            << "party 1.jpg" << QStringList{"trip 1.pdf"} << "party 1.pdf";
        QTest::newRow("existing file")
            << "/d/report.txt" << QStringList{"report.pdf"} << "report (2).pdf";
        QTest::newRow("existing, and its second")
            << "/d/report.txt" << QStringList{"report.pdf", "report (2).pdf"} << "report (3).pdf";
        QTest::newRow("a gap is taken first")
            << "/d/report.txt" << QStringList{"report.pdf", "report (3).pdf"} << "report (2).pdf";
        QTest::newRow("the file shown is a PDF of that name")
            << "/d/report.pdf" << QStringList{"report.pdf"} << "report (2).pdf";
        QTest::newRow("blank and existing")
            << "/d/my pic.jpg" << QStringList{"my pic.pdf"} << "my pic (2).pdf";
        QTest::newRow("last extension only")
            << "archive.tar.gz" << QStringList() << "archive.tar.pdf";
        QTest::newRow("no extension") << "/d/README" << QStringList() << "README.pdf";
        QTest::newRow("dot in the folder only") << "/a.b/notes" << QStringList() << "notes.pdf";
        QTest::newRow("hidden file") << "/d/.profile" << QStringList() << "profile.pdf";
        QTest::newRow("Japanese name") << "/写真/夏 休み.JPG" << QStringList() << "夏 休み.pdf";
        QTest::newRow("title picture: no file") << "" << QStringList() << "Zarovia.pdf";
        QTest::newRow("title picture, taken")
            << "" << QStringList{"Zarovia.pdf"} << "Zarovia (2).pdf";
    }
    void proposedName() {
        QFETCH(QString, printed);
        QFETCH(QStringList, taken);
        QFETCH(QString, expected);
        const QSet<QString> names(taken.begin(), taken.end());
        QCOMPARE(proposedPdfName(printed, [&](const QString& n) { return names.contains(n); }),
                 expected);
    }

    // The same rule over a real folder: files there and the files being viewed are taken.
    void proposedPathInAFolder_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QStringList>("viewed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("free") << QStringList() << "photo.jpg" << QStringList() << "photo.pdf";
        QTest::newRow("present") << QStringList{"photo.pdf"} << "photo.jpg" << QStringList()
                                 << "photo (2).pdf";
        // A file named report.pdf shown as a hex dump: its own name is never proposed.
        QTest::newRow("viewed") << QStringList{"report.pdf"} << "report.pdf"
                                << QStringList{"report.pdf"} << "report (2).pdf";
        QTest::newRow("viewed, already gone")
            << QStringList() << "report.pdf" << QStringList{"report.pdf"} << "report (2).pdf";
        QTest::newRow("a dangling link is taken")
            << QStringList{"->photo.pdf"} << "photo.jpg" << QStringList() << "photo (2).pdf";
    }
    void proposedPathInAFolder() {
        QFETCH(QStringList, present);
        QFETCH(QString, printed);
        QFETCH(QStringList, viewed);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        for (const QString& name : present) {
            if (name.startsWith(u"->"))
                QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")),
                                    dir.filePath(name.mid(2))));
            else
                QVERIFY(!writeFile(dir, name, "x").isEmpty());
        }
        PrintedFiles files;
        files.printed = QFile::encodeName(dir.filePath(printed));
        for (const QString& name : viewed) files.viewed << QFile::encodeName(dir.filePath(name));
        QCOMPARE(proposedPdfPath(dir.path(), files), dir.filePath(expected));
    }

    void viewedFileByAnyPath() {
        QTemporaryDir dir;
        const QByteArray viewed = writeFile(dir, QStringLiteral("report.pdf"), "%PDF dump");
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(QFile::link(QFile::decodeName(viewed), dir.filePath(QStringLiteral("link.pdf"))));
        QCOMPARE(::link(viewed.constData(),
                        QFile::encodeName(dir.filePath(QStringLiteral("hard.pdf"))).constData()),
                 0);
        const QList<QByteArray> list{viewed};
        QVERIFY(isViewedFile(dir.filePath(QStringLiteral("report.pdf")), list));
        QVERIFY(isViewedFile(dir.filePath(QStringLiteral("sub/../report.pdf")), list));
        QVERIFY(isViewedFile(dir.filePath(QStringLiteral("link.pdf")), list));
        QVERIFY(isViewedFile(dir.filePath(QStringLiteral("hard.pdf")), list));
        QVERIFY(!isViewedFile(dir.filePath(QStringLiteral("report (2).pdf")), list));
        QVERIFY(!isViewedFile(QString(), list));
        // A viewed file named relative to the current folder.
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const bool relative =
            isViewedFile(dir.filePath(QStringLiteral("report.pdf")), {QByteArray("report.pdf")});
        QDir::setCurrent(before);
        QVERIFY(relative);
    }

    // --- The window ----------------------------------------------------------------------

    // Each print tells the dialog what it prints and what is being viewed: no name carries
    // over from the print before.
    void eachPrintNamesItsOwnFile() {
        QTemporaryDir dir;
        const QByteArray picture = writeJpeg(dir, QStringLiteral("my pic.jpg"), {64, 48});
        const QByteArray sjis = writeFile(dir, QStringLiteral("sjis.txt"), "text");
        const QByteArray rich = writeFile(dir, QStringLiteral("rich.rtf"), "{\\rtf1 rich}");
        makeForm();
        rec.pdfPath = dir.filePath(QStringLiteral("out.pdf"));
        // The title picture: no file of its own.
        form->command(Command::Print)->trigger();
        QCOMPARE(rec.printedFiles.printed, QByteArray());
        drop(picture);
        form->command(Command::Print)->trigger();
        QCOMPARE(rec.printedFiles.printed, picture);
        QVERIFY(rec.printedFiles.viewed.contains(picture));
        drop(sjis);
        form->command(Command::CharPrint)->trigger();
        QCOMPARE(rec.printedFiles.printed, sjis);
        drop(rich);
        form->command(Command::CharPrint)->trigger();
        QCOMPARE(rec.printedFiles.printed, rich);
        QCOMPARE(rec.printedFiles.viewed, QList<QByteArray>{rich});
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        QCOMPARE(rec.printDialogShown, 4);
    }

    // Typed into the dialog, the file being viewed is refused with the reason, and stays as
    // it was: a document shown as a hex dump, a picture, and either reached through a link.
    void viewedFileIsNeverWritten_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("throughLink");
        QTest::addColumn<int>("command");
        QTest::newRow("report.pdf as a document")
            << "report.pdf" << false << int(Command::CharPrint);
        QTest::newRow("through a link") << "report.pdf" << true << int(Command::CharPrint);
        QTest::newRow("the picture shown") << "photo.jpg" << false << int(Command::Print);
        QTest::newRow("the picture, through a link") << "photo.jpg" << true << int(Command::Print);
    }
    void viewedFileIsNeverWritten() {
        QFETCH(QString, file);
        QFETCH(bool, throughLink);
        QFETCH(int, command);
        QTemporaryDir dir;
        const QByteArray path = file.endsWith(u".jpg")
                                    ? writeJpeg(dir, file, {80, 60})
                                    : writeFile(dir, file, QByteArray("%PDF-1.4 not really\n"));
        const QByteArray before = readFile(QFile::decodeName(path));
        makeForm();
        drop(path);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        rec.pdfPath = QFile::decodeName(path);
        if (throughLink) {
            rec.pdfPath = dir.filePath(QStringLiteral("elsewhere.pdf"));
            QVERIFY(QFile::link(QFile::decodeName(path), rec.pdfPath));
        }
        form->command(static_cast<Command>(command))->trigger();
        QCOMPARE(rec.errors, QStringList{viewedFileRefusedText(rec.pdfPath) + u'.'});
        QVERIFY(rec.errors.constFirst().contains(u"表示中のファイル"));
        QCOMPARE(readFile(QFile::decodeName(path)), before);
        const QStringList expected =
            throughLink ? QStringList{QStringLiteral("elsewhere.pdf"), file} : QStringList{file};
        QCOMPARE(entriesOf(dir), expected);
    }

    // A print whose picture can no longer be decoded (its file changed since it was shown)
    // starts no job: no PDF is left behind, and a file it was to replace stays as it was.
    void failedPrintLeavesNoFile_data() {
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("new file") << false;
        QTest::newRow("file to replace") << true;
    }
    void failedPrintLeavesNoFile() {
        QFETCH(bool, targetExists);
        QTemporaryDir dir;
        QTemporaryDir out;
        const QByteArray photo = writeJpeg(dir, QStringLiteral("photo.jpg"), {900, 700});
        makeForm();
        drop(photo);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'|')));
        rec.pdfPath = out.filePath(QStringLiteral("photo.pdf"));
        if (targetExists)
            QVERIFY(!writeFile(out, QStringLiteral("photo.pdf"), "earlier").isEmpty());
        // The file changes under the picture shown.
        QFile changed(QFile::decodeName(photo));
        QVERIFY(changed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        changed.write("no longer a JPEG");
        changed.close();
        form->command(Command::Print)->trigger();
        QCOMPARE(rec.errors.size(), 1);
        if (targetExists) {
            QCOMPARE(entriesOf(out), QStringList{QStringLiteral("photo.pdf")});
            QCOMPARE(readFile(rec.pdfPath), QByteArray("earlier"));
        } else {
            QCOMPARE(entriesOf(out), QStringList());
        }
    }

    // --- The output file -----------------------------------------------------------------

    // The job writes beside the chosen file and puts its file in place only when committed.
    void outputIsPutInPlaceOnlyWhenCommitted_data() {
        QTest::addColumn<bool>("commit");
        QTest::addColumn<bool>("targetExists");
        QTest::newRow("committed") << true << false;
        QTest::newRow("committed over a file") << true << true;
        QTest::newRow("failed") << false << false;
        QTest::newRow("failed over a file") << false << true;
    }
    void outputIsPutInPlaceOnlyWhenCommitted() {
        QFETCH(bool, commit);
        QFETCH(bool, targetExists);
        QTemporaryDir out;
        const QString target = out.filePath(QStringLiteral("job.pdf"));
        if (targetExists) {
            QVERIFY(!writeFile(out, QStringLiteral("job.pdf"), "earlier").isEmpty());
            QVERIFY(QFile::setPermissions(
                target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
        }
        const mode_t mask = ::umask(022);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target);
        {
            PdfOutputCommit output(printer);
            QVERIFY(printer.outputFileName() != target);
            QPainter painter(&printer);
            painter.drawText(100, 100, QStringLiteral("page"));
            QVERIFY(painter.end());
            if (commit) output.commit();
        }
        ::umask(mask);
        QCOMPARE(printer.outputFileName(), target);
        const QStringList present =
            targetExists || commit ? QStringList{QStringLiteral("job.pdf")} : QStringList();
        QCOMPARE(entriesOf(out), present);
        if (commit) {
            QVERIFY(readFile(target).startsWith("%PDF"));
            // The permissions of the file replaced, or of any new file under the umask.
            QCOMPARE(QFileInfo(target).permissions().testFlag(QFileDevice::ReadOther),
                     !targetExists);
            QVERIFY(QFileInfo(target).permissions().testFlag(QFileDevice::ReadGroup));
            QVERIFY(!QFileInfo(target).permissions().testFlag(QFileDevice::WriteGroup));
        } else if (targetExists) {
            QCOMPARE(readFile(target), QByteArray("earlier"));
        }
    }

    void outputToAPrinterIsUntouched() {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString());
        PdfOutputCommit output(printer);
        QCOMPARE(printer.outputFileName(), QString());
        output.commit();
    }
};

QTEST_MAIN(PrintingTest)
#include "PrintingTest.moc"
