#pragma once

#include <QRectF>
#include <cmath>
#include <cstddef>
#include <cstdint>

// Caps that keep a hostile metafile cheap to parse and to play. Real files stay far below
// each of them; a file that reaches one is played as far as it got.
namespace zarovia::picture::metafile {

// Records read from one file.
inline constexpr std::size_t kMaxRecords = 4'000'000;
// Path elements (points) in all drawing steps together, paths and clip regions included.
inline constexpr std::size_t kMaxTotalPoints = 4'000'000;
// Characters of text in all text steps together.
inline constexpr std::size_t kMaxTotalTextChars = 1'000'000;
// Drawing steps. A painter call costs 0.25 to 1.2 microseconds however small its shape
// (measured on the 2-core development machine at 640 x 480), so a million steps could not
// be repainted within a second; half a million of the cheapest ones take about 0.3 s, and
// kMaxDrawNanoseconds stops dearer ones sooner.
inline constexpr std::size_t kMaxSteps = 500'000;
// The estimated time of one repaint at 640 x 480 (DrawCost), summed over all steps: no cap
// on counts alone bounds it, since one step may cover the whole picture.
inline constexpr double kMaxDrawNanoseconds = 600e6;
// Object table slots: WMF declares at most 65535; larger EMF tables are cut to this.
inline constexpr std::size_t kMaxObjects = 65536;
// Nested SaveDC states kept.
inline constexpr std::size_t kMaxSavedStates = 4096;
// Elements of a clip path before it is reduced to its bounding rectangle.
inline constexpr int kMaxClipElements = 20'000;
// Path elements put through clip area combinations, after which areas combine as rectangles.
inline constexpr std::size_t kMaxClipWork = 400'000;
// Device coordinates are kept inside this magnitude, so arithmetic never overflows and a
// painter never meets absurd numbers.
inline constexpr double kMaxCoordinate = 1.0e7;
// The widest pen, in device units.
inline constexpr double kMaxPenWidth = 1.0e5;
// A natural size side in pixels.
inline constexpr int kMaxNaturalSide = 32767;

// True when every edge lies within kMaxCoordinate (NaN never does).
inline bool inRangeRect(const QRectF& r) {
    return std::abs(r.left()) <= kMaxCoordinate && std::abs(r.right()) <= kMaxCoordinate &&
           std::abs(r.top()) <= kMaxCoordinate && std::abs(r.bottom()) <= kMaxCoordinate;
}

}  // namespace zarovia::picture::metafile
