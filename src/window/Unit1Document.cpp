// Document pane handlers: the document branch and document printing.
#include "window/Unit1.h"

#include "shell/Colours.h"

#include "document/DocumentKind.h"
#include "document/OtherDocument.h"
#include "document/TextDetection.h"
#include "document/widgets/RichEditControl.h"
#include "platform/controls/Panel.h"

#include "platform/Cancellation.h"
#include "platform/FileSource.h"
#include "platform/WorkerPool.h"
#include "window/StartupProfile.h"

#include <QTextDocument>
#include <QThread>

namespace zarovia {

using shell::kAqua;
using shell::kBlack;
using shell::kLime;
using shell::kRed;
using shell::kWhite;

void TzaroForm1::fitRichEditToPane() {
    if (!RichEdit1.ifBuilt()) return;  // made fitted when the first document opens
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
    // The keys go to the document: it scrolls at once, and Tab comes back to it.
    focusPane(RichEdit1.get());

    switch (document::documentKindForExtension(upperExt)) {
        case document::DocumentKind::RichText:
            RichEdit1->setPlainTextMode(false);
            RichEdit1->setBackground(kWhite);
            loadWholeDocument(false);
            return;
        case document::DocumentKind::PlainText:
            loadWholeDocument(true);
            return;
        case document::DocumentKind::OtherDocument:
            loadOtherDocument();
            return;
    }
}

// The file is read and its document built on a worker; the control shows it when it arrives,
// unless the user has opened something else by then.
void TzaroForm1::loadWholeDocument(bool plainText) {
    beginLoad(LoadKind::Document);
    run(
        [windowThread = thread(), plainText, files = services_.files, path = state_.CurrentFile,
         font = RichEdit1->defaultFont(), maxBytes = RichEdit1->maxBytes()] {
            const QByteArray bytes =
                files->readWhole(path, maxBytes, document::RichEditControl::readFailedText());
            checkpoint();
            auto built = document::RichEditControl::buildDocument(bytes, plainText, font, maxBytes);
            built->moveToThread(windowThread);
            return built;
        },
        [this](WorkerOutcome<std::unique_ptr<QTextDocument>> outcome) {
            return guard([&] {
                if (outcome.failure) std::rethrow_exception(outcome.failure);
                RichEdit1->adoptDocument(std::move(*outcome.value));
                window::startup::mark("document shown");
            });
        });
}

// The head of the file, as text or as a hex dump, then its size once more.
void TzaroForm1::loadOtherDocument() {
    beginLoad(LoadKind::Document);
    run(
        [files = services_.files, path = state_.CurrentFile] {
            return document::classifyOtherDocument(
                files->readHead(path, document::kOtherDocumentHeadBytes));
        },
        [this](WorkerOutcome<document::OtherDocument> outcome) {
            return guard([&] {
                if (outcome.failure) std::rethrow_exception(outcome.failure);
                if (outcome.value->isText)
                    RichEdit1->setDocumentText(outcome.value->text);
                else
                    RichEdit1->appendLines(outcome.value->hexLines);
                ShowFileSize(state_.CurrentFile);
                window::startup::mark("document shown");
            });
        });
}

}  // namespace zarovia
