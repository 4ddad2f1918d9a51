#pragma once

#include <QByteArray>
#include <functional>
#include <utility>

namespace zarovia::picture::jpeg {

// The next piece of a file being decoded; empty at its end. It may throw (a read error): the
// decode then fails with libjpeg's read-error code.
using ChunkReader = std::function<QByteArray()>;

// Where a decode reads its compressed data from: all of it in memory, or a file read piece by
// piece, so that a large file is never held whole. Both convert implicitly, so that a decode
// can be handed either.
struct JpegInput {
    JpegInput(QByteArray all) : bytes(std::move(all)) {}      // NOLINT(google-explicit-constructor)
    JpegInput(ChunkReader next) : chunks(std::move(next)) {}  // NOLINT(google-explicit-constructor)

    QByteArray bytes;
    ChunkReader chunks;
    // With `chunks`: the file opened again from its start, as it was when it was read (throws
    // when it is gone or changed), for a decode that reads two parts of it at once; may be
    // empty.
    std::function<ChunkReader()> reopen;
};

}  // namespace zarovia::picture::jpeg
