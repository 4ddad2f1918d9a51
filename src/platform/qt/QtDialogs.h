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
    bool choosePrinter(QWidget* owner, QPrinter& printer, const PrintedFiles& files) override;
};

// The folder a print into a PDF file is proposed in: the user's documents folder, home when
// there is none.
QString pdfOutputFolder();

// Prepares `printer` for the dialog. Without printers its output becomes a PDF file. Whenever
// the output is a PDF file (also because an earlier job went to one), the file proposed is this
// job's own: proposedPdfPath(pdfOutputFolder(), files). False when not even a PDF file can be
// offered.
bool preparePdfOutput(QPrinter& printer, bool printersInstalled, const PrintedFiles& files);

}  // namespace zarovia
