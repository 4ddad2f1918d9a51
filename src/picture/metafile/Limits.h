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
// Showing a metafile costs at most about two seconds of processor time: parsing it, and
// drawing it at the size shown (each size again). The drawing time is estimated step by step
// (DrawCost) on a full-HD screen, where the picture is drawn fitted.
inline constexpr double kReferenceScreenWidth = 1920;
inline constexpr double kReferenceScreenHeight = 1080;
// The estimated time of one repaint on the reference screen, summed over all steps: no cap on
// counts alone bounds it, since one step may cover the whole picture.
inline constexpr double kMaxDrawNanoseconds = 1200e6;
// A single step's share of that: a dearer one (a polygon of hundreds of crossing edges) is
// left out, and the rest of the picture still drawn.
inline constexpr double kMaxStepNanoseconds = 100e6;
// Processor time the parse of one file may take, after which the picture is what was read.
inline constexpr double kMaxParseCpuNanoseconds = 600e6;
// The same when the steps are played at the size they are shown (a larger screen, a printer):
// the estimate at that size, summed over all steps of one draw, and one step's share; and the
// processor time one draw may take, whatever the estimates said.
inline constexpr double kMaxPlayNanoseconds = 1200e6;
inline constexpr double kMaxPlayStepNanoseconds = 400e6;
inline constexpr double kMaxPlayCpuNanoseconds = 1300e6;
// Object table slots: WMF declares at most 65535; larger EMF tables are cut to this.
inline constexpr std::size_t kMaxObjects = 65536;
// Nested SaveDC states kept.
inline constexpr std::size_t kMaxSavedStates = 4096;
// Elements of a clip path before it is reduced to its bounding rectangle.
inline constexpr int kMaxClipElements = 20'000;
// The estimated time of all clip area and region combinations of one file (AreaCombiner), after
// which areas combine as their bounding rectangles.
inline constexpr double kMaxAreaNanoseconds = 300e6;
// One combination's share of that: a combination cannot stop half-way, so a dearer one is made
// of rectangles too, and a parse for a file no longer wanted stops soon after.
inline constexpr double kMaxAreaStepNanoseconds = 50e6;
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
