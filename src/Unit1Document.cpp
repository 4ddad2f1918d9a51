// Document pane handlers: the document branch and document printing.
#include "Unit1.h"

namespace zarovia {

void TzaroForm1::showDocumentBranch(const QByteArray&) {}
void TzaroForm1::ActCharPrintExecute() {}

}  // namespace zarovia
