#include "picture/jpeg/DctScale.h"

#include "picture/MemoryBudget.h"

#include <algorithm>
#include <iterator>

namespace zarovia::picture::jpeg {

namespace {

int divideRoundingUp(int value, int denominator) {
    return static_cast<int>((static_cast<long long>(value) + denominator - 1) / denominator);
}

}  // namespace

QSize scaledOutputSize(QSize natural, int denominator) {
    return QSize(divideRoundingUp(natural.width(), denominator),
                 divideRoundingUp(natural.height(), denominator));
}

int coveringScaleDenominator(QSize natural, QSize wanted) {
    const int wantedWidth = std::max(wanted.width(), 1);
    const int wantedHeight = std::max(wanted.height(), 1);
    for (const int denominator : kScaleDenominators) {
        const QSize output = scaledOutputSize(natural, denominator);
        if (output.width() >= wantedWidth && output.height() >= wantedHeight) return denominator;
    }
    return 1;
}

int scaleDenominatorWithinBudget(QSize natural, int denominator, std::int64_t budgetBytes) {
    // From the largest output down: the first that fits is the largest that fits.
    for (auto it = std::rbegin(kScaleDenominators); it != std::rend(kScaleDenominators); ++it) {
        if (*it < denominator) continue;
        const QSize output = scaledOutputSize(natural, *it);
        if (fitsBudget(output.width(), output.height(), 4, budgetBytes)) return *it;
    }
    return kScaleDenominators[0];
}

}  // namespace zarovia::picture::jpeg
