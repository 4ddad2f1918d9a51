#include "picture/jpeg/JpegSource.h"

#include "picture/jpeg/JpegHeader.h"
#include "platform/Failure.h"

#include <jerror.h>

namespace zarovia::picture::jpeg {

JpegInput JpegSource::input() const {
    {
        const std::lock_guard lock(mutex_);
        if (!bytes_.isEmpty()) return bytes_;
    }
    if (!reopen_) throw Failure(jpegErrorText(JERR_INPUT_EMPTY));
    JpegInput input(reopen_());
    input.reopen = reopen_;
    return input;
}

QByteArray JpegSource::heldBytes() const {
    const std::lock_guard lock(mutex_);
    return bytes_;
}

void JpegSource::decodedOnce() {
    if (!reopen_) return;
    QByteArray gone;
    const std::lock_guard lock(mutex_);
    gone.swap(bytes_);
}

}  // namespace zarovia::picture::jpeg
