#pragma once

#include "picture/jpeg/JpegInput.h"

#include <QByteArray>
#include <functional>
#include <mutex>

namespace zarovia::picture::jpeg {

// Where a JPEG's decodes read its compressed data: the file's bytes while they are held, and
// the file itself, opened again as it was when it was read (`reopen` throws Failure when it is
// gone or has changed since; the file's identity lives there). With `reopen` the bytes are let
// go once a decode has succeeded, so that a picture shown holds only its pixels. Thread-safe.
class JpegSource {
public:
    using Reopen = std::function<ChunkReader()>;
    JpegSource(QByteArray bytes, Reopen reopen)
        : reopen_(std::move(reopen)), bytes_(std::move(bytes)) {}

    // What to decode: the bytes held, else the file opened again. Throws Failure as `reopen`
    // does, and with libjpeg's empty-input text when there is neither.
    JpegInput input() const;
    // The bytes while they are held; empty once they have been let go (or never held).
    QByteArray heldBytes() const;
    // A decode has succeeded: the bytes go when the file can be read again.
    void decodedOnce();

private:
    const Reopen reopen_;
    mutable std::mutex mutex_;
    QByteArray bytes_;
};

}  // namespace zarovia::picture::jpeg
