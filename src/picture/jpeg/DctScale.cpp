#include "picture/jpeg/DctScale.h"

#include <algorithm>

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

}  // namespace zarovia::picture::jpeg
