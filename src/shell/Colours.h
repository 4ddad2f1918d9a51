#pragma once

#include <QColor>

namespace zarovia::shell {

// The colours the window uses by name (stored as blue-green-red values in the original
// window definition; here as RGB).
inline const QColor kBlack{0, 0, 0};
inline const QColor kWhite{255, 255, 255};
inline const QColor kLime{0, 255, 0};
inline const QColor kAqua{0, 255, 255};
inline const QColor kRed{255, 0, 0};

}  // namespace zarovia::shell
