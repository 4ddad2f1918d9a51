#pragma once

#include <QString>
#include <cstdint>

namespace zarovia::document {

// The size readout text for a file of `bytes` bytes: bytes below 1,024 as "n byt", below
// 1,048,576 as KB, otherwise MB; two decimals rounded half up, trailing zeros dropped, the
// integer part grouped in threes with `groupSeparator` (none when it is null). Sizes are
// 64-bit, so files of 2 GiB and more read correctly.
QString formatFileSize(std::int64_t bytes, QChar groupSeparator = u',', QChar decimalPoint = u'.');

}  // namespace zarovia::document
