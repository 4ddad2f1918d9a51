#include "platform/PdfOutputCommit.h"

#include "platform/Failure.h"
#include "platform/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>

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
    // A file made for the user reads as any new file of theirs does, not as a private one.
    QFile::setPermissions(passing_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
    // rename() replaces a file of the chosen name in one step, as the user agreed to in the
    // print dialog; until then that file is untouched.
    if (std::rename(QFile::encodeName(passing_).constData(),
                    QFile::encodeName(chosen_).constData()) != 0)
        throw FileError(errno);
    committed_ = true;
}

}  // namespace zarovia
