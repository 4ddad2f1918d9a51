// Document pane handlers: the document branch and document printing.
#include "Unit1.h"

#include "shell/Colours.h"

#include "document/DocumentKind.h"
#include "document/OtherDocument.h"
#include "document/widgets/PrinterOutput.h"
#include "document/widgets/RichEditControl.h"
#include "platform/controls/Panel.h"

#include <QPrinter>

namespace zarovia {

using shell::kAqua;
using shell::kBlack;
using shell::kLime;
using shell::kRed;
using shell::kWhite;

void TzaroForm1::fitRichEditToPane() {
    const int barHeight = CoolBar2->height();
    RichEdit1->setGeometry(0, barHeight, width(), height() - barHeight);
}

void TzaroForm1::showDocumentBranch(const QByteArray& upperExt) {
    RichEdit1->clearAll();
    RichEdit1->repaint();
    RichEdit1->setDefaultFormat(QStringLiteral("FixedSys"), 12, kWhite);
    RichEdit1->setPlainTextMode(true);
    RichEdit1->setBackground(kBlack);
    fitRichEditToPane();
    CoolBar2->show();
    MojiPanel->show();

    switch (document::documentKindForExtension(upperExt)) {
        case document::DocumentKind::RichText:
            RichEdit1->setPlainTextMode(false);
            RichEdit1->setBackground(kWhite);
            RichEdit1->loadFromFile(state_.CurrentFile);
            return;
        case document::DocumentKind::PlainText:
            RichEdit1->loadFromFile(state_.CurrentFile);
            return;
        case document::DocumentKind::OtherDocument: {
            const document::OtherDocument head = document::readOtherDocument(state_.CurrentFile);
            if (head.isText)
                RichEdit1->setDocumentText(head.text);
            else
                RichEdit1->appendLines(head.hexLines);
            ShowFileSize(state_.CurrentFile);
            return;
        }
    }
}

void TzaroForm1::ActCharPrintExecute() {
    if (!services_.printDialog->choosePrinter(this, printer())) return;
    const QString title = windowTitle();
    printerDocName_ = title;
    document::printDocumentOnPrinter(*RichEdit1->document(), printer(), title);
}

}  // namespace zarovia
