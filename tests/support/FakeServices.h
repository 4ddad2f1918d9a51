#pragma once

// Fakes of the platform services, so window tests run without dialogs, message boxes or a
// real printer.
#include "media/testing/FakeMediaDevice.h"
#include "platform/Services.h"
#include "support/FakeFileSource.h"

#include <QCoreApplication>
#include <QPrinter>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <deque>
#include <functional>

namespace zarovia::testing {

struct Recorded {
    QStringList errors;
    // Answers of the Open dialog in turn; a null QByteArray cancels, as does running out.
    std::deque<QByteArray> openAnswers;
    int openDialogShown = 0;
    // Printing: the dialog "chooses" PDF output to this file; false cancels.
    QString pdfPath;
    bool printConfirm = true;
    int printDialogShown = 0;
    // What the window told the print dialog about the job.
    PrintedFiles printedFiles;
    bool cursorHidden = false;
    QSize screen{1280, 1024};
    // Run inside the error box (as its nested loop would).
    std::function<void()> whileErrorShown;
    // The media device the window was given: scripted, fast and deterministic.
    media::FakeMediaDevice* mediaDevice = nullptr;
    // Every file read takes this long (a slow or network disk); shared with the worker threads.
    std::shared_ptr<std::atomic<int>> readDelayMs = std::make_shared<std::atomic<int>>(0);
    // Non-zero: a slow read holds its thread to the end, passing no checkpoint.
    std::shared_ptr<std::atomic<int>> blockingReads = std::make_shared<std::atomic<int>>(0);
    // Every folder listing takes this long (read as it goes: 0 lets a held one go at once);
    // non-zero `failingListings` makes them fail (a folder without read permission);
    // `listings` counts them.
    std::shared_ptr<std::atomic<int>> listDelayMs = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> failingListings = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> listings = std::make_shared<std::atomic<int>>(0);
    // Reads made so far, and how many of them on the window's thread (there must be none).
    std::shared_ptr<std::atomic<int>> reads = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> readsOnWindowThread = std::make_shared<std::atomic<int>>(0);
};

inline std::shared_ptr<FakeFileSource> fakeFileSource(const Recorded* r) {
    return std::make_shared<FakeFileSource>(r->readDelayMs, r->reads, r->readsOnWindowThread,
                                            r->blockingReads, r->listDelayMs, r->failingListings,
                                            r->listings);
}

class FakeErrorBox : public ErrorBox {
public:
    explicit FakeErrorBox(Recorded* r) : r_(r) {}
    void show(QWidget*, const QString& text) override {
        r_->errors.append(text);
        if (r_->whileErrorShown) r_->whileErrorShown();
    }

private:
    Recorded* r_;
};

class FakeOpenDialog : public OpenDialog {
public:
    explicit FakeOpenDialog(Recorded* r) : r_(r) {}
    std::optional<QByteArray> chooseFile(QWidget*, const QByteArray&) override {
        ++r_->openDialogShown;
        if (r_->openAnswers.empty()) return std::nullopt;
        const QByteArray answer = r_->openAnswers.front();
        r_->openAnswers.pop_front();
        if (answer.isNull()) return std::nullopt;
        return answer;
    }

private:
    Recorded* r_;
};

class FakePrintDialog : public PrintDialog {
public:
    explicit FakePrintDialog(Recorded* r) : r_(r) {}
    bool choosePrinter(QWidget*, QPrinter& printer, const PrintedFiles& files) override {
        ++r_->printDialogShown;
        r_->printedFiles = files;
        if (!r_->printConfirm) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(r_->pdfPath);
        return true;
    }

private:
    Recorded* r_;
};

class FakeCursor : public CursorOwner {
public:
    explicit FakeCursor(Recorded* r) : r_(r) {}
    void setHidden(bool hidden) override { r_->cursorHidden = hidden; }
    bool isHidden() const override { return r_->cursorHidden; }

private:
    Recorded* r_;
};

// No window manager: full screen is the window's own doing, at once.
class FakeWindowSystem : public WindowSystem {
public:
    bool hasWindowManager() const override { return false; }
    std::optional<bool> managerFullScreen(const QWidget&) const override { return std::nullopt; }
};

class FakeScreen : public ScreenInfo {
public:
    explicit FakeScreen(Recorded* r) : r_(r) {}
    QSize primaryScreenSize() const override { return r_->screen; }

private:
    Recorded* r_;
};

inline Services fakeServices(Recorded* r, bool manualTimers = true) {
    Services s;
    s.errorBox = std::make_unique<FakeErrorBox>(r);
    s.openDialog = std::make_unique<FakeOpenDialog>(r);
    s.printDialog = std::make_unique<FakePrintDialog>(r);
    s.cursor = std::make_unique<FakeCursor>(r);
    s.screen = std::make_unique<FakeScreen>(r);
    s.mediaDevice = [r] {
        auto device = std::make_unique<media::FakeMediaDevice>();
        r->mediaDevice = device.get();
        return device;
    };
    s.files = fakeFileSource(r);
    s.windowSystem = std::make_unique<FakeWindowSystem>();
    s.manualTimers = manualTimers;
    return s;
}

}  // namespace zarovia::testing
