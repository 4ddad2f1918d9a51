#include "document/widgets/PrinterOutput.h"

#include "document/DocumentPrinting.h"

#include <QPrinter>

namespace zarovia::document {

int printDocumentOnPrinter(const QTextDocument& document, QPrinter& printer, const QString& title) {
    printer.setDocName(title);
    // The device's coordinates then cover the printable area only, with its origin at the
    // area's top-left corner.
    printer.setFullPage(false);
    return printDocument(document, printer, [&printer] { printer.abort(); });
}

}  // namespace zarovia::document
