// Loads on the worker pool: the generation that ties a result to the file the user is still
// looking at, the busy cursor, and the command line's files opened one after another.
#include "window/Unit1.h"

#include "platform/controls/IntervalTimer.h"
#include "window/NextPaint.h"

#include <QTimer>

namespace zarovia {

namespace {

// A load that takes longer than this shows the busy cursor over the window.
constexpr int kBusyCursorDelayMs = 150;

}  // namespace

std::uint64_t TzaroForm1::beginLoad(LoadKind kind) {
    const std::uint64_t generation = ++loadGeneration_;
    liveGeneration_->store(generation);
    pendingLoad_ = kind;
    busyTimer_->start(kBusyCursorDelayMs);
    return generation;
}

bool TzaroForm1::endLoad(std::uint64_t generation) {
    if (!isCurrentLoad(generation)) return false;
    pendingLoad_ = LoadKind::None;
    showBusyCursor(false);
    // The file is shown by the caller now: the tool bar that waited for it follows the frame.
    if (toolBarWaitsForLoad_) window::afterNextPaint(this, [this] { completeToolBar(); });
    return true;
}

bool TzaroForm1::isCurrentLoad(std::uint64_t generation) const {
    return generation == loadGeneration_ && pendingLoad_ != LoadKind::None;
}

void TzaroForm1::cancelLoad() {
    afterOpen_ = {};
    if (pendingLoad_ == LoadKind::None) return;
    liveGeneration_->store(++loadGeneration_);
    pendingLoad_ = LoadKind::None;
    showBusyCursor(false);
}

std::function<bool()> TzaroForm1::loadWanted(std::uint64_t generation) const {
    return [live = liveGeneration_, generation] { return live->load() == generation; };
}

void TzaroForm1::settleOpen(std::uint64_t /*generation*/, bool loaded) {
    std::function<void()> next = std::move(afterOpen_);
    afterOpen_ = {};
    if (loaded && next) next();
}

void TzaroForm1::showBusyCursor(bool busy) {
    busyTimer_->stop();
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void TzaroForm1::FormShow() {
    state_.PictureMode = true;
    openCommandLineFile(0);
}

// Every file is opened completely, so the last one is what the window shows; a failure ends
// the list. A file that loads on a worker lets the next one go when it has loaded.
void TzaroForm1::openCommandLineFile(std::size_t index) {
    if (index >= commandLineFiles_.size()) return;
    const QByteArray file = commandLineFiles_[index];
    const bool opened = guard([this, &file] {
        Timer1->setEnabled(false);
        state_.CurrentFile = file;
        runOpenSequence(Entrance::CommandLine);
    });
    if (!opened) return;
    if (isLoading())
        afterOpen_ = [this, index] { openCommandLineFile(index + 1); };
    else
        openCommandLineFile(index + 1);
}

}  // namespace zarovia
