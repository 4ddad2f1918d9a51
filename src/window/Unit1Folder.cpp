// The folder's picture list: the opened picture is shown without waiting for it. The folder is
// listed and sorted on a worker once the picture is on the screen (or at once when a step needs
// the list), and the counter, the list and the steps asked for meanwhile follow when it arrives.
#include "window/Unit1.h"

#include "picture/PictureList.h"
#include "platform/PathSplit.h"
#include "platform/controls/ListBox.h"
#include "platform/controls/Panel.h"
#include "shell/OpenRules.h"
#include "window/NextPaint.h"

#include <QTimer>

namespace zarovia {

namespace {

// When the opened picture has not been painted by then (a window not shown, a failed load), the
// list is made anyway.
constexpr int kListAfterShowMs = 100;

}  // namespace

void TzaroForm1::ListFolderPictures(const QByteArray& fileName) {
    state_.FolderPath = folderPart(fileName);
    // The previous folder's list is gone: no step may go over it.
    fn->clearItems();
    listing_.live->store(++listing_.generation);
    listing_.pending = true;
    listing_.started = false;
    listing_.opened = fileName;
    listing_.steps = {};
}

void TzaroForm1::listFolderSoon() {
    if (!listing_.pending || listing_.started) return;
    // Behind the frame that shows the picture, so that listing a large folder does not compete
    // with its decode and first paint for the two processors.
    const std::uint64_t generation = listing_.generation;
    const auto start = [this, generation] {
        if (generation == listing_.generation) startFolderListing();
    };
    window::afterNextPaint(this, start);
    QTimer::singleShot(kListAfterShowMs, this, start);
}

void TzaroForm1::startFolderListing() {
    if (!listing_.pending || listing_.started) return;
    listing_.started = true;
    const std::uint64_t generation = listing_.generation;
    const auto live = listing_.live;
    runAndReturn(
        *workers_, WorkerPool::Priority::Shown,
        [live, generation] { return live->load() == generation; }, this,
        [this, generation] { return listing_.pending && generation == listing_.generation; },
        [files = services_.files, opened = listing_.opened] {
            return picture::listFolderPictures(*files, opened);
        },
        [this](WorkerOutcome<picture::FolderPictures> outcome) {
            folderListed(std::move(outcome));
        });
}

void TzaroForm1::folderListed(WorkerOutcome<picture::FolderPictures> outcome) {
    listing_.pending = false;
    // A listing that ran out of memory counts as a folder that cannot be listed.
    picture::FolderPictures pictures;
    if (outcome.value)
        pictures = std::move(*outcome.value);
    else
        pictures.failed = true;
    const picture::QueuedSteps steps = std::exchange(listing_.steps, {});
    // No other file has been opened since the picture whose folder this is.
    const bool current = state_.CurrentFile == listing_.opened;

    // The opened picture is counted at its own place in the list, so the counter, the caption
    // and Next agree with it. A picture the list leaves out (hidden) keeps the index as it was.
    const int opened = pictures.openedPosition;
    const bool failed = pictures.failed;
    fn->setItems(std::move(pictures.folderPath), std::move(pictures.names));
    if (opened >= 0) state_.CurrentIndex = opened;
    const int count = fn->itemCount();

    if (!steps.empty()) {
        // Carried out now as one: the picture they lead to is shown. On a list that could not
        // be made, that show reports the list-index failure, once.
        state_.CurrentIndex = steps.indexAfter(state_.CurrentIndex, count);
        guard([this] { ShowPicture(); });
        return;
    }
    if (!current || !state_.PictureMode) return;
    state_.CurrentIndex = picture::wrapIndex(state_.CurrentIndex, count);
    CounterPanel->setCaption(shell::counterText(state_.CurrentIndex, count));
    // The picture shown stays; a folder that could not be listed is said so, once.
    if (failed) guard([this] { (void)fn->itemAt(state_.CurrentIndex); });
    readAheadPending_ = true;
    startPendingReadAhead();
}

}  // namespace zarovia
