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

#include <QPointer>
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
    focusPane(RichEdit1);

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
    const std::uint64_t generation = beginLoad(LoadKind::Document);
    QPointer<TzaroForm1> self(this);
    QThread* windowThread = thread();
    workers_->run(
        [self, generation, windowThread, plainText, wanted = loadWanted(generation),
         files = services_.files, path = state_.CurrentFile, font = RichEdit1->defaultFont(),
         maxBytes = RichEdit1->maxBytes()] {
            if (!wanted()) return;
            auto built = std::make_shared<std::unique_ptr<QTextDocument>>();
            std::exception_ptr failure;
            try {
                const QByteArray bytes =
                    files->readWhole(path, maxBytes, document::RichEditControl::readFailedText());
                if (!wanted()) return;
                *built = document::RichEditControl::buildDocument(bytes, plainText, font, maxBytes);
                (*built)->moveToThread(windowThread);
            } catch (const WorkCancelled&) {
                throw;  // the user has opened something else: nothing to show
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(
                self.data(),
                [self, generation, built, failure] {
                    TzaroForm1* form = self.data();
                    if (!form || !form->endLoad(generation)) return;
                    form->guard([&] {
                        if (failure) std::rethrow_exception(failure);
                        form->RichEdit1->adoptDocument(std::move(*built));
                    });
                    form->settleOpen(generation, !failure);
                },
                Qt::QueuedConnection);
        },
        WorkerPool::Priority::Shown, loadWanted(generation));
}

// The head of the file, as text or as a hex dump, then its size once more.
void TzaroForm1::loadOtherDocument() {
    const std::uint64_t generation = beginLoad(LoadKind::Document);
    QPointer<TzaroForm1> self(this);
    workers_->run(
        [self, generation, wanted = loadWanted(generation), files = services_.files,
         path = state_.CurrentFile] {
            if (!wanted()) return;
            auto head = std::make_shared<document::OtherDocument>();
            std::exception_ptr failure;
            try {
                *head = document::classifyOtherDocument(
                    files->readHead(path, document::kOtherDocumentHeadBytes));
            } catch (const WorkCancelled&) {
                throw;
            } catch (...) {
                failure = std::current_exception();
            }
            QMetaObject::invokeMethod(
                self.data(),
                [self, generation, head, failure] {
                    TzaroForm1* form = self.data();
                    if (!form || !form->endLoad(generation)) return;
                    const bool shown = form->guard([&] {
                        if (failure) std::rethrow_exception(failure);
                        if (head->isText)
                            form->RichEdit1->setDocumentText(head->text);
                        else
                            form->RichEdit1->appendLines(head->hexLines);
                        form->ShowFileSize(form->state_.CurrentFile);
                    });
                    form->settleOpen(generation, shown);
                },
                Qt::QueuedConnection);
        },
        WorkerPool::Priority::Shown, loadWanted(generation));
}

}  // namespace zarovia
