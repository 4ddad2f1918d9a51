#include "Failure.h"

namespace zarovia {

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
    return message;
}

}  // namespace zarovia
