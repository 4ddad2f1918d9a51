#pragma once

#include <QString>

class QPrinter;
class QTextDocument;

namespace zarovia::document {

// Prints the document on a printer chosen in the print dialog: the job is named `title` (the
// window's caption) and the pages use the whole printable area. See printDocument for the
// page loop and the colours. Throws zarovia::Failure as printDocument does.
int printDocumentOnPrinter(const QTextDocument& document, QPrinter& printer, const QString& title);

}  // namespace zarovia::document
