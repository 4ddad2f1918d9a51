#include "platform/qt/PdfOutputCommit.h"

#include "platform/Failure.h"
#include "platform/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

namespace zarovia {

PdfOutputCommit::PdfOutputCommit(QPrinter& printer) : printer_(printer) {
    if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) return;
    chosen_ = printer.outputFileName();
    const QFileInfo chosen(chosen_);
    // In the same folder, so that putting it in place is a rename on the same file system.
    QTemporaryFile passing(chosen.absolutePath() + QStringLiteral("/.") + chosen.fileName() +
                           QStringLiteral(".XXXXXX"));
    passing.setAutoRemove(false);
    if (!passing.open()) throw Failure(QStringLiteral("印刷を開始できません"));
    passing_ = passing.fileName();
    passing.close();
    printer.setOutputFileName(passing_);
}

PdfOutputCommit::~PdfOutputCommit() {
    if (passing_.isEmpty()) return;
    printer_.setOutputFileName(chosen_);
    if (!committed_) QFile::remove(passing_);
}

void PdfOutputCommit::commit() {
    if (passing_.isEmpty() || committed_) return;
    // The passing file was made private; the PDF gets the permissions of the file it replaces,
    // or those any new file of the user's gets.
    const QByteArray passing = QFile::encodeName(passing_);
    struct stat replaced {};
    if (::stat(QFile::encodeName(chosen_).constData(), &replaced) == 0) {
        ::chmod(passing.constData(), replaced.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(passing.constData(), 0666 & ~mask);
    }
    // rename() replaces a file of the chosen name in one step, as the user agreed to in the
    // print dialog; until then that file is untouched.
    if (std::rename(passing.constData(), QFile::encodeName(chosen_).constData()) != 0)
        throw FileError(errno);
    committed_ = true;
}

}  // namespace zarovia
