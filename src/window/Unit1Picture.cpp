// Picture pane handlers: showing and fitting a picture, the slide show and stepping through the
// pictures.
#include "window/Unit1.h"

#include "shell/Colours.h"

#include "picture/Fitting.h"
#include "picture/PictureCache.h"
#include "picture/PictureLoader.h"
#include "picture/ShowRules.h"
#include "picture/jpeg/Jpeg.h"
#include "picture/widgets/ImageView.h"
#include "platform/WorkerPool.h"
#include "platform/controls/Align.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/ListBox.h"
#include "platform/controls/Panel.h"
#include "platform/controls/SpinEdit.h"
#include "shell/OpenRules.h"
#include "window/StartupProfile.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

namespace zarovia {

using shell::kAqua;
using shell::kBlack;
using shell::kLime;
using shell::kRed;
using shell::kWhite;

using controls::Align;
using shell::Command;

namespace {

// How long the picture read ahead from the command line counts as the file as it is, without
// asking the file system again.
constexpr int kFreshReadAheadMs = 1000;

}  // namespace

void TzaroForm1::ShowPicture() {
    BackPanel->hide();
    MojiPanel->hide();
    controls::setAlign(BP1, Align::Client);
    BP1->show();
    focusPane(BP1);
    controls::setAlign(P1, Align::None);
    P1->show();
    Image2->show();
    Image1->setAutoSize(false);
    Image2->setAutoSize(false);
    controls::setAlign(Image2, Align::None);

    // Until the folder's list arrives only the opened picture can be shown; any other show
    // waits for the list, which is made now.
    if (listing_.pending && !state_.ShowOpenedFirst) {
        listing_.steps.showAgain();
        startFolderListing();
        return;
    }
    const int count = fn->itemCount();
    if (listing_.pending) {
        // The counter fills in with the list; the index is placed then.
        CounterPanel->setCaption(QString());
    } else {
        state_.CurrentIndex = picture::wrapIndex(state_.CurrentIndex, count);
        CounterPanel->setCaption(shell::counterText(state_.CurrentIndex, count));
    }

    const bool openedFirst = state_.ShowOpenedFirst;
    const bool openedIsListed = openedFirst && state_.CurrentIndex >= 0 &&
                                state_.CurrentIndex < count &&
                                fn->itemAt(state_.CurrentIndex) == state_.CurrentFile;
    // The list entry is read here, so a position the list does not have fails before
    // anything is loaded.
    const QByteArray path = openedFirst ? state_.CurrentFile : fn->itemAt(state_.CurrentIndex);
    // Until the first picture arrives the pane stays black: the title picture does not come up
    // for a moment in front of a picture named on the command line. A show that fails before
    // it loads anything (the list-index failure) leaves the title picture as it is.
    if (!pictureShown_) P1->hide();

    // The file is read and decoded on a worker, the JPEG at its display scale; the rest of the
    // show runs when it arrives, unless the user has moved on by then.
    const std::uint64_t generation = beginLoad(LoadKind::Picture);
    const auto arrived = [this, generation, openedFirst, openedIsListed,
                          path](picture::LoadedPicture loaded) {
        if (!endLoad(generation)) return;
        if (!loaded.picture.isNull()) shownPictureFile_ = path;
        guard([&] { finishShowPicture(loaded, openedFirst, openedIsListed); });
        // The opened picture is on the screen (or has failed): its folder is listed next.
        listFolderSoon();
        settleOpen(generation, !loaded.failure);
    };
    // A picture read ahead a moment ago (the one named on the command line, while the window
    // was being built) and ready to draw is shown at once, in the window's first paint.
    if (auto ready = pictureCache_->readyNow(path, size(), devicePixelRatioF(), kFreshReadAheadMs))
        return arrived(std::move(*ready));
    pictureCache_->load(
        path, size(), devicePixelRatioF(), this, arrived,
        [this, back = wayBack(generation), path](picture::Picture preview) {
            // On the worker: the first scans of a progressive JPEG.
            back([this, path, preview] {
                shownPictureFile_ = path;
                showFirstLook(preview);
            });
        },
        loadWanted(generation));
}

void TzaroForm1::showFirstLook(const picture::Picture& preview) {
    // Fitted and centred as the finished picture will be, which then takes its place.
    Image1->setPicture(preview);
    FitPicture();
    P1->show();
}

void TzaroForm1::finishShowPicture(const picture::LoadedPicture& loaded, bool openedFirst,
                                   bool openedIsListed) {
    // A picture that cannot be shown leaves the pane as it was, the title picture included.
    P1->show();
    if (loaded.picture.isNull()) std::rethrow_exception(loaded.failure);
    Image1->setPicture(loaded.picture);
    pictureShown_ = true;
    if (openedFirst) command(Command::Start)->setEnabled(true);
    FitPicture();
    // A JPEG whose data ends in a fatal error shows what was decoded, then the error.
    if (loaded.failure) std::rethrow_exception(loaded.failure);
    state_.ShowOpenedFirst = false;

    const QByteArray& shown =
        (openedFirst && !openedIsListed) ? state_.CurrentFile : fn->itemAt(state_.CurrentIndex);
    setCaptionText(
        shell::captionFor(Timer1->isEnabled() ? shell::kAutoTitle : shell::kManuTitle, shown));
    window::startup::mark("picture shown");
    readAheadPending_ = true;
    // Started by the first paint of the picture; the timer covers a window that is not shown.
    QTimer::singleShot(100, this, [this] { startPendingReadAhead(); });
}

void TzaroForm1::supersedePictureLoad() {
    // The picture under way would have been shown by now had it loaded at once: the opened
    // picture counts as shown, so the next step goes on from the list.
    if (isLoading(LoadKind::Picture)) state_.ShowOpenedFirst = false;
}

void TzaroForm1::startPendingReadAhead() {
    if (!readAheadPending_) return;
    readAheadPending_ = false;
    guard([this] { readAheadNextPicture(); });
}

void TzaroForm1::readAheadNextPicture() {
    const int count = fn->itemCount();
    if (count < 2) return;
    const int next = picture::wrapIndex(state_.CurrentIndex + travel_, count);
    const qreal ratio = devicePixelRatioF();
    pictureCache_->prefetch(fn->itemAt(next),
                            QSize(qRound(width() * ratio), qRound(height() * ratio)));
}

void TzaroForm1::FitPicture() {
    const picture::Fit fit = picture::fitPicture(Image1->picture().size(), size());
    Image2->setPicture(Image1->picture());
    // While the panel and the image are still aligned (the title picture before the first
    // show) the alignment decides their bounds.
    if (controls::alignOf(P1) != Align::None) return;
    P1->resize(fit.displaySize);
    P1->move(fit.topLeft);
    Image2->setGeometry(QRect(QPoint(0, 0), fit.displaySize));
}

void TzaroForm1::preparePictureLater(const picture::Picture& picture, QSize devicePixels) {
    // Wanted while no other file has been asked for since: the picture is still the one shown.
    // The pane hears of the end either way, so that it asks again if the picture stays.
    struct Refresh {
        QPointer<TzaroForm1> form;
        picture::Picture picture;
        ~Refresh() {
            TzaroForm1* window = form.data();
            if (!window) return;
            // Runs only while the window, its context, lives.
            QMetaObject::invokeMethod(
                window, [window, picture = picture] { window->Image2->refresh(picture); },
                Qt::QueuedConnection);
        }
    };
    auto refresh = std::make_shared<Refresh>();
    refresh->form = this;
    refresh->picture = picture;
    workers_->run([refresh, devicePixels] { refresh->picture.prepare(devicePixels); },
                  WorkerPool::Priority::Shown, loadWanted(load_.generation));
}

void TzaroForm1::UpdatePictureCursor() {
    setCursorHidden(ButtonPanel1->isHidden());
}

// --- Slide show and stepping -------------------------------------------------------------

void TzaroForm1::StartButtonClick() {
    supersedePictureLoad();
    command(Command::Print)->setEnabled(false);
    ButtonPanel1->hide();
    Timer1->setEnabled(true);
    setCursorHidden(true);
    command(Command::Start)->setEnabled(false);
    command(Command::Stop)->setEnabled(true);
    CounterPanel->setFontColor(kRed);
    ShowPicture();
}

void TzaroForm1::Timer1Timer() {
    Timer1->setInterval(intervalSeconds() * 1000);
    // A picture still loading is shown first: ticks do not pile up loads on a slow disk. The
    // show that started the slide show waits for the folder's list; so do the ticks.
    if (isLoading(LoadKind::Picture) || listing_.pending) return;
    travel_ = 1;
    ++state_.CurrentIndex;
    ShowPicture();
}

void TzaroForm1::ActStopExecute() {
    Timer1->setEnabled(false);
    command(Command::Print)->setEnabled(true);
    command(Command::Stop)->setEnabled(false);
    command(Command::Start)->setEnabled(true);
    CounterPanel->setFontColor(kAqua);
    // Before the folder's list arrives the picture shown is the opened one.
    setCaptionText(shell::captionFor(
        shell::kManuTitle, listing_.pending ? listing_.opened : fn->itemAt(state_.CurrentIndex)));
}

void TzaroForm1::stepPicture(int delta, bool showToolBar) {
    supersedePictureLoad();
    if (showToolBar) ButtonPanel1->show();
    Timer1->setEnabled(false);
    command(Command::Print)->setEnabled(true);
    command(Command::Start)->setEnabled(true);
    command(Command::Stop)->setEnabled(false);
    CounterPanel->setFontColor(kAqua);
    travel_ = delta;
    // Before the folder's list arrives a step is kept, to be taken from the opened picture's
    // place in the list.
    if (listing_.pending)
        listing_.steps.step(delta);
    else
        state_.CurrentIndex += delta;
    ShowPicture();
}

void TzaroForm1::NextButtonClick() {
    stepPicture(+1, true);
}

void TzaroForm1::BackButtonClick() {
    stepPicture(-1, true);
}

void TzaroForm1::keyPressEvent(QKeyEvent* event) {
    // The arrow keys step through the pictures while the picture pane is shown, as in most
    // viewers; they reach the window only when no control with the focus takes them.
    if (state_.PictureMode && event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Right || event->key() == Qt::Key_Left)) {
        const Command step = event->key() == Qt::Key_Right ? Command::Next : Command::Back;
        command(step)->trigger();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TzaroForm1::Image2MouseDown(Qt::MouseButton button) {
    BP1MouseDown(button);
}

void TzaroForm1::BP1MouseDown(Qt::MouseButton button) {
    if (button == Qt::LeftButton) {
        stepPicture(+1, false);
    } else if (button == Qt::RightButton) {
        ButtonPanel1->setVisible(ButtonPanel1->isHidden());
        UpdatePictureCursor();
    }
}

}  // namespace zarovia
