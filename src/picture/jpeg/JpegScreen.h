#pragma once

#include <QImage>
#include <QSize>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// The screen decodes of one JPEG picture: each an immutable result, published whole, so that a
// paint on one thread draws the decode it took while a worker makes the next.
namespace zarovia::picture::jpeg {

// What a screen decode is: its DCT scale, the size it was shrunk to as its rows came out
// (empty: the whole decode at that scale), and the display profile its colours were converted
// to (colour/DisplayColour's serial).
struct ScreenShape {
    int scaleDenominator = 0;
    QSize fittedTo;
    std::uint64_t displaySerial = 0;

    // True when a decode of this shape serves drawing at `devicePixels`, for which the screen
    // decodes at `denominator` for the display profile `serial`: a shrunk decode serves its own
    // size and smaller ones, a whole one any size its scale covers.
    bool covers(QSize devicePixels, int denominator, std::uint64_t serial) const {
        if (scaleDenominator == 0 || displaySerial != serial) return false;
        if (!fittedTo.isEmpty())
            return fittedTo.width() >= devicePixels.width() &&
                   fittedTo.height() >= devicePixels.height();
        return scaleDenominator <= denominator;
    }
};

// One screen decode, never changed once made.
struct ScreenDecode {
    ScreenShape shape;
    // Upright, Format_RGB32; null when there was no memory for it (or the file could not be
    // read for the first decode).
    QImage image;
    // libjpeg's message code when the decode ended in a fatal error (what was decoded shows).
    int failureCode = 0;
    // What the decode cost (see DecodedJpeg).
    std::int64_t blockVisits = 0;
    bool stoppedAtWorkCap = false;
    std::int64_t workingPeakBytes = 0;
    // The file could not be read again: this decode stays, and no larger one is tried.
    bool sourceLost = false;
    // Its colours are sRGB (the display had no profile of its own), so printing may use it.
    bool inSrgb = true;
};

// The decode the screen draws from, replaced whole when a larger one is made, and the copy of
// it scaled for the painter. A decode asked for while one that will cover it is under way on
// another thread waits for that one: a picture shared by several threads is decoded once per
// size. Thread-safe.
class ScreenDecodes {
public:
    using Decoded = std::shared_ptr<const ScreenDecode>;
    // Makes a decode of the shape asked for, given the one published when it started (null
    // when none); runs without the lock.
    using Make = std::function<Decoded(const Decoded& published)>;

    Decoded published() const;

    // The decode that serves drawing at `devicePixels` (a decode of `wanted` does): the one
    // published when it does or its file is lost, the one under way on another thread when it
    // will (waited for, passing a checkpoint every few milliseconds, so the wait stops with
    // WorkCancelled when the waiting job is no longer wanted), else the one `make` makes here.
    // That one is published unless a decode serving the same size arrived meanwhile.
    Decoded obtain(QSize devicePixels, const ScreenShape& wanted, const Make& make);

    // The pixels to draw at `devicePixels`: the published decode when it has that size, else a
    // copy scaled smoothly to it, kept so that the next paint at that size is a copy. A size
    // too large for a copy within the picture budget (a printer page) gets the decode itself.
    // Null when there is nothing to draw.
    QImage pixelsFor(QSize devicePixels);

    // True when the scaled copy at `devicePixels` is there, of a decode without a failure.
    bool holdsCopyFor(QSize devicePixels) const;

    struct State {
        Decoded decode;
        QSize copySize;
        std::int64_t copyBytes = 0;  // 0 when the copy is the decode itself
        int decodeCount = 0;         // decodes published
        int rescaleCount = 0;        // copies made for the painter
    };
    State state() const;

private:
    struct PaintCopy {
        const ScreenDecode* from = nullptr;
        QImage image;
    };
    struct Flight {
        ScreenShape shape;
    };
    bool underWayFor(QSize devicePixels, const ScreenShape& wanted) const;

    mutable std::mutex mutex_;
    std::condition_variable landed_;
    Decoded published_;
    std::shared_ptr<const PaintCopy> copy_;
    std::vector<std::shared_ptr<const Flight>> flights_;
    int decodeCount_ = 0;
    int rescaleCount_ = 0;
};

}  // namespace zarovia::picture::jpeg
