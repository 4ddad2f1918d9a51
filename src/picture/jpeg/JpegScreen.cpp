#include "picture/jpeg/JpegScreen.h"

#include "picture/MemoryBudget.h"
#include "platform/Cancellation.h"

#include <algorithm>
#include <chrono>

namespace zarovia::picture::jpeg {

namespace {

// How often a thread waiting for another's decode passes a checkpoint.
constexpr std::chrono::milliseconds kWaitSlice{10};

}  // namespace

ScreenDecodes::Decoded ScreenDecodes::published() const {
    const std::lock_guard lock(mutex_);
    return published_;
}

bool ScreenDecodes::underWayFor(QSize devicePixels, const ScreenShape& wanted) const {
    return std::any_of(flights_.begin(), flights_.end(), [&](const auto& flight) {
        return flight->shape.covers(devicePixels, wanted.scaleDenominator, wanted.displaySerial);
    });
}

ScreenDecodes::Decoded ScreenDecodes::obtain(QSize devicePixels, const ScreenShape& wanted,
                                             const Make& make) {
    const auto serves = [&](const Decoded& decode) {
        return decode &&
               (decode->sourceLost ||
                decode->shape.covers(devicePixels, wanted.scaleDenominator, wanted.displaySerial));
    };
    std::unique_lock lock(mutex_);
    while (!serves(published_) && underWayFor(devicePixels, wanted)) {
        landed_.wait_for(lock, kWaitSlice);
        lock.unlock();
        checkpoint();
        lock.lock();
    }
    if (serves(published_)) return published_;

    const auto flight = std::make_shared<const Flight>(Flight{wanted});
    flights_.push_back(flight);
    const Decoded before = published_;
    const auto land = [&] {
        flights_.erase(std::find(flights_.begin(), flights_.end(), flight));
        landed_.notify_all();
    };
    lock.unlock();
    Decoded made;
    try {
        made = make(before);
    } catch (...) {
        lock.lock();
        land();
        throw;
    }
    lock.lock();
    land();
    // A decode that serves the same size arrived meanwhile: it stays.
    if (published_ != before && serves(published_)) return published_;
    published_ = made;
    copy_.reset();
    if (!made->sourceLost) ++decodeCount_;
    return made;
}

QImage ScreenDecodes::pixelsFor(QSize devicePixels) {
    Decoded decode;
    std::shared_ptr<const PaintCopy> copy;
    {
        const std::lock_guard lock(mutex_);
        decode = published_;
        copy = copy_;
    }
    if (!decode || decode->image.isNull()) return QImage();
    if (!fitsBudget(devicePixels.width(), devicePixels.height(), 4, kPictureBudgetBytes))
        return decode->image;
    if (copy && copy->from == decode.get() && copy->image.size() == devicePixels)
        return copy->image;
    // Scaled without the lock, so that a decode under way can be published meanwhile.
    const QImage& image = decode->image;
    auto made = std::make_shared<const PaintCopy>(PaintCopy{
        decode.get(),
        image.size() == devicePixels
            ? image
            : image.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)});
    const std::lock_guard lock(mutex_);
    if (published_ == decode) {
        copy_ = made;
        ++rescaleCount_;
    }
    return made->image;
}

bool ScreenDecodes::holdsCopyFor(QSize devicePixels) const {
    const std::lock_guard lock(mutex_);
    return published_ && published_->failureCode == 0 && copy_ && copy_->from == published_.get() &&
           copy_->image.size() == devicePixels;
}

ScreenDecodes::State ScreenDecodes::state() const {
    const std::lock_guard lock(mutex_);
    State state;
    state.decode = published_;
    state.decodeCount = decodeCount_;
    state.rescaleCount = rescaleCount_;
    if (copy_ && published_ && copy_->from == published_.get()) {
        state.copySize = copy_->image.size();
        if (copy_->image.cacheKey() != published_->image.cacheKey())
            state.copyBytes = copy_->image.sizeInBytes();
    }
    return state;
}

}  // namespace zarovia::picture::jpeg
