#pragma once

#include <QPainterPath>
#include <cstdint>

// Combining clip areas and regions. QPainterPath's boolean operations take time that grows
// faster than the crossings of the two outlines' edges (a self-crossing star of 400 points
// takes seconds), so each combination is estimated before it is made and charged to a budget
// shared by the whole file; one whose estimate does not fit what is left is made of the
// operands' bounding rectangles instead, as a picture at the end of its budget is drawn.
namespace zarovia::picture::metafile {

// Region combination modes.
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;
// Not a GDI mode: the new region less the current one (EMF+ CombineModeComplement).
inline constexpr int RGN_COMPLEMENT = 6;

class AreaCombiner {
public:
    // `shareNanoseconds`: the most one combination may be estimated at.
    AreaCombiner(double budgetNanoseconds, double shareNanoseconds);

    // `current` combined with `other` by `mode`.
    QPainterPath combine(const QPainterPath& current, const QPainterPath& other, int mode);

    // Estimated nanoseconds spent so far, and the combinations made of rectangles instead.
    double spent() const noexcept { return spent_; }
    int approximated() const noexcept { return approximated_; }

private:
    double budget_;
    double share_;
    double spent_ = 0;
    int approximated_ = 0;
};

// The estimated time of one boolean operation on the two outlines, and of making the estimate
// (which counts the crossings of their edges): the operation's is infinite when the outlines
// are so large or cross so often that counting would take more than `maxCountingNanoseconds`.
struct BooleanEstimate {
    double operation = 0;
    double counting = 0;
};
BooleanEstimate estimateBoolean(const QPainterPath& a, const QPainterPath& b,
                                double maxCountingNanoseconds);

// True when the path is one axis-parallel rectangle, which QPainterPath intersects with any
// outline in linear time.
bool isRectangle(const QPainterPath& path);

}  // namespace zarovia::picture::metafile
