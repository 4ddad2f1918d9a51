#pragma once

#include <QString>

class QPrinter;

namespace zarovia {

// A print job into a PDF file writes the file under a passing name beside the one chosen and
// puts it in place only when the job has succeeded: a job that fails leaves no file behind, and
// a file the job was to replace stays as it was. Jobs for a printer pass through untouched.
class PdfOutputCommit {
public:
    // Throws zarovia::Failure("印刷を開始できません") when nothing can be written beside the
    // file chosen.
    explicit PdfOutputCommit(QPrinter& printer);
    // Without commit(): removes what the job wrote. Either way the printer names the file chosen
    // again.
    ~PdfOutputCommit();
    PdfOutputCommit(const PdfOutputCommit&) = delete;
    PdfOutputCommit& operator=(const PdfOutputCommit&) = delete;

    // The job has ended well: its file takes the chosen name. Throws zarovia::FileError when it
    // cannot.
    void commit();

private:
    QPrinter& printer_;
    QString chosen_;
    QString passing_;
    bool committed_ = false;
};

}  // namespace zarovia
