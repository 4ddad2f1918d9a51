// Loads on the worker pool: the generation that ties a result to the file the user is still
// looking at, the way back from the workers, the busy cursor, and the command line's files
// opened one after another.
#include "window/Unit1.h"

#include "platform/controls/IntervalTimer.h"
#include "window/NextPaint.h"

#include <QPointer>
#include <QTimer>

namespace zarovia {

namespace {

// A load that takes longer than this shows the busy cursor over the window.
constexpr int kBusyCursorDelayMs = 150;

}  // namespace

std::uint64_t TzaroForm1::beginLoad(LoadKind kind) {
    const std::uint64_t generation = ++load_.generation;
    load_.live->store(generation);
    load_.kind = kind;
    load_.busyTimer->start(kBusyCursorDelayMs);
    return generation;
}

bool TzaroForm1::endLoad(std::uint64_t generation) {
    if (!isCurrentLoad(generation)) return false;
    load_.kind = LoadKind::None;
    showBusyCursor(false);
    // The file is shown by the caller now: the tool bar that waited for it follows the frame.
    if (toolBarWaitsForLoad_) window::afterNextPaint(this, [this] { completeToolBar(); });
    return true;
}

bool TzaroForm1::isCurrentLoad(std::uint64_t generation) const {
    return generation == load_.generation && load_.kind != LoadKind::None;
}

void TzaroForm1::cancelLoad() {
    load_.next = {};
    if (load_.kind == LoadKind::None) return;
    load_.live->store(++load_.generation);
    load_.kind = LoadKind::None;
    showBusyCursor(false);
}

std::function<bool()> TzaroForm1::loadWanted(std::uint64_t generation) const {
    return [live = load_.live, generation] { return live->load() == generation; };
}

std::function<void(std::function<void()>)> TzaroForm1::wayBack(std::uint64_t generation) {
    return [self = QPointer<TzaroForm1>(this), generation](std::function<void()> step) {
        // `self` is read here, on the worker, only to post to the window; whether the window
        // still lives and still waits is asked on its own thread.
        returnTo(
            self.data(), [self, generation] { return self && self->isCurrentLoad(generation); },
            std::move(step));
    };
}

void TzaroForm1::afterLoad(std::function<void()> next) {
    load_.next = std::move(next);
    load_.nextAfter = load_.generation;
}

void TzaroForm1::settleOpen(std::uint64_t generation, bool loaded) {
    // Whatever waited is let go: it goes on only after the very load it waited for.
    std::function<void()> next = std::move(load_.next);
    load_.next = {};
    if (loaded && next && generation == load_.nextAfter) next();
}

void TzaroForm1::showBusyCursor(bool busy) {
    load_.busyTimer->stop();
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
    // The file's own load, not its folder's list, is what the next file waits for.
    if (load_.kind != LoadKind::None)
        afterLoad([this, index] { openCommandLineFile(index + 1); });
    else
        openCommandLineFile(index + 1);
}

}  // namespace zarovia
