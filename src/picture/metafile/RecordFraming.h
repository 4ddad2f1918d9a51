#pragma once

#include "picture/ByteReader.h"

#include <cstddef>
#include <cstdint>

// The record loops of both formats. Each record's body is a reader bounded by the record's
// declared size, so no field read reaches into the next record, and the loop always moves on
// by the declared size, whatever the body's reader did.
namespace zarovia::picture::metafile {

struct Record {
    std::uint32_t type = 0;
    ByteReader body;         // the bytes after the record's size and type fields
    std::size_t offset = 0;  // of the record in the stream, for diagnostics
};

// Why a loop stopped.
enum class FramingEnd {
    EndRecord,   // the format's end-of-file record
    EndOfData,   // the bytes ran out exactly at a record boundary
    Truncated,   // a record's declared size runs past the end, or its header is cut off
    Undersized,  // a declared size smaller than the record header itself
    Stopped,     // the visitor asked to stop (a cap was reached)
    TooMany,     // kMaxRecords were read
};

class RecordVisitor {
public:
    virtual ~RecordVisitor() = default;
    // Returns false to stop the loop.
    virtual bool visit(const Record& record) = 0;
};

inline constexpr std::uint16_t META_EOF = 0x0000;
inline constexpr std::uint32_t EMR_EOF = 14;

// WMF: size in 16-bit words (u32, header included), then the function (u16). A size below
// 3 words cannot be stepped over and ends the loop.
FramingEnd forEachWmfRecord(ByteReader stream, RecordVisitor& visitor);

// EMF: type (u32), then size in bytes (u32, header included). A size below 8 ends the loop.
FramingEnd forEachEmfRecord(ByteReader stream, RecordVisitor& visitor);

}  // namespace zarovia::picture::metafile
