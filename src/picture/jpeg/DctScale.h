#pragma once

#include <QSize>
#include <cstdint>

namespace zarovia::picture::jpeg {

// libjpeg decodes at 1/8, 1/4, 1/2 or full size for little more than the cost of the
// coefficients; these are the denominators tried, smallest output first.
inline constexpr int kScaleDenominators[] = {8, 4, 2, 1};

// The size libjpeg gives a picture of `natural` pixels at scale 1/denominator (rounded up).
QSize scaledOutputSize(QSize natural, int denominator);

// The smallest scale whose output still covers `wanted` in both directions; 1 when even the
// full size does not. A side of `wanted` below 1 counts as 1.
int coveringScaleDenominator(QSize natural, QSize wanted);

// `denominator`, or the next smaller scale whose output of `natural` fits `budgetBytes` as
// 32-bit pixels; the smallest scale (8) when none does.
int scaleDenominatorWithinBudget(QSize natural, int denominator, std::int64_t budgetBytes);

}  // namespace zarovia::picture::jpeg
