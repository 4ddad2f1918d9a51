#include "Fitting.h"

#include "platform/Failure.h"

#include <cmath>

namespace zarovia::picture {

int roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    double result;
    if (diff > 0.5) {
        result = floor + 1;
    } else if (diff < 0.5) {
        result = floor;
    } else {
        result = (std::fmod(floor, 2.0) == 0.0) ? floor : floor + 1;
    }
    return static_cast<int>(result);
}

Fit fitPicture(QSize natural, QSize client) {
    const int W = natural.width();
    const int H = natural.height();
    if (W == 0 && H == 0) throw Failure(QStringLiteral("不正な浮動小数点数演算命令"));
    if (W == 0 || H == 0) throw Failure(QStringLiteral("0 による浮動小数点数除算"));
    const double wh = static_cast<double>(W) / H;
    const double hw = static_cast<double>(H) / W;
    const int CW = client.width();
    const int CH = client.height();
    const long long dW = static_cast<long long>(W) - (CW - 10);
    const long long dH = static_cast<long long>(H) - (CH - 10);

    Fit fit;
    if (dH > 0 && dW > 0 && dH > dW) {
        fit.rule = 1;
        fit.displaySize = QSize(roundHalfEven(CH * wh), CH);
    } else if (dH > 0 && dW > 0) {
        fit.rule = 2;
        fit.displaySize = QSize(CW, roundHalfEven(CW * hw));
    } else if (dH > 0) {
        fit.rule = 3;
        fit.displaySize = QSize(roundHalfEven(CH * wh), CH);
    } else if (dW > 0) {
        fit.rule = 4;
        fit.displaySize = QSize(CW, roundHalfEven(CW * hw));
    } else {
        fit.rule = 5;
        fit.displaySize = QSize(W, H);
    }
    // Integer division in C++ truncates toward zero, as the centring wants.
    fit.topLeft = QPoint((CW - fit.displaySize.width()) / 2, (CH - fit.displaySize.height()) / 2);
    return fit;
}

}  // namespace zarovia::picture
