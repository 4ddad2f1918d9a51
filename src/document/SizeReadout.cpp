#include "SizeReadout.h"

namespace zarovia::document {

namespace {

QString grouped(std::uint64_t value, QChar separator) {
    QString digits = QString::number(value);
    if (separator.isNull()) return digits;
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, separator);
    return digits;
}

}  // namespace

QString formatFileSize(std::int64_t bytes, QChar groupSeparator, QChar decimalPoint) {
    if (bytes < 0) bytes = 0;
    std::uint64_t divisor = 1;
    const char* unit = " byt";
    if (bytes >= 1048576) {
        divisor = 1048576;
        unit = " MB";
    } else if (bytes >= 1024) {
        divisor = 1024;
        unit = " KB";
    }
    // The divisors are powers of two, so bytes / divisor is exact as a binary fraction and
    // rounding in integers gives the same result as rounding the floating value half up.
    const unsigned __int128 hundredths =
        (static_cast<unsigned __int128>(bytes) * 100 + divisor / 2) / divisor;
    const auto whole = static_cast<std::uint64_t>(hundredths / 100);
    const auto fraction = static_cast<int>(hundredths % 100);

    QString text = grouped(whole, groupSeparator);
    if (fraction != 0) {
        QString decimals = QStringLiteral("%1").arg(fraction, 2, 10, QChar(u'0'));
        if (decimals.endsWith(u'0')) decimals.chop(1);
        text += decimalPoint + decimals;
    }
    return text + QLatin1String(unit);
}

}  // namespace zarovia::document
