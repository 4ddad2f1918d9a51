#pragma once

#include "platform/Services.h"

#include <QString>

class QPrinter;

namespace zarovia {

// Qt's Open dialog: one existing file, the single filter that matches every file. A full path
// typed into the name field opens that file, also when it lies in the folder shown.
class QtOpenDialog : public OpenDialog {
public:
    std::optional<QByteArray> chooseFile(QWidget* owner, const QByteArray& previous) override;
};

// Qt's Print dialog. Printing never dead-ends: output to a PDF file is always offered, and is
// what the dialog starts with when no printer is installed.
class QtPrintDialog : public PrintDialog {
public:
    bool choosePrinter(QWidget* owner, QPrinter& printer) override;
};

// Where a print to a PDF file goes unless the user names another file: the job's name (the
// window caption, whose file name part is used) as a PDF in `folder`.
QString defaultPdfPath(const QString& jobName, const QString& folder);

// Prepares `printer` for the dialog when `printersInstalled` is false: PDF output into
// defaultPdfPath(jobName) in the user's documents folder (home when there is none), unless a
// file was chosen before. False when not even that can be offered.
bool offerPdfWhenNoPrinter(QPrinter& printer, bool printersInstalled, const QString& jobName);

}  // namespace zarovia
