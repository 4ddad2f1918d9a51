#include "picture/metafile/RecordFraming.h"

#include "picture/metafile/Limits.h"

namespace zarovia::picture::metafile {

FramingEnd forEachWmfRecord(ByteReader stream, RecordVisitor& visitor) {
    constexpr std::size_t kHeaderBytes = 6;
    for (std::size_t count = 0;; ++count) {
        if (stream.atEnd()) return FramingEnd::EndOfData;
        if (count >= kMaxRecords) return FramingEnd::TooMany;
        if (!stream.canRead(kHeaderBytes)) return FramingEnd::Truncated;
        const std::size_t offset = stream.position();
        const std::uint64_t bytes = std::uint64_t{stream.u32()} * 2;
        const std::uint16_t function = stream.u16();
        if (bytes < kHeaderBytes) return FramingEnd::Undersized;
        if (bytes - kHeaderBytes > stream.remaining()) {
            // The end record is often written without its padding; anything else is cut off.
            return function == META_EOF ? FramingEnd::EndRecord : FramingEnd::Truncated;
        }
        Record record{function, stream.split(static_cast<std::size_t>(bytes - kHeaderBytes)),
                      offset};
        if (function == META_EOF) return FramingEnd::EndRecord;
        if (!visitor.visit(record)) return FramingEnd::Stopped;
    }
}

FramingEnd forEachEmfRecord(ByteReader stream, RecordVisitor& visitor) {
    constexpr std::size_t kHeaderBytes = 8;
    for (std::size_t count = 0;; ++count) {
        if (stream.atEnd()) return FramingEnd::EndOfData;
        if (count >= kMaxRecords) return FramingEnd::TooMany;
        if (!stream.canRead(kHeaderBytes)) return FramingEnd::Truncated;
        const std::size_t offset = stream.position();
        const std::uint32_t type = stream.u32();
        const std::uint32_t size = stream.u32();
        if (size < kHeaderBytes) return FramingEnd::Undersized;
        if (size - kHeaderBytes > stream.remaining()) return FramingEnd::Truncated;
        Record record{type, stream.split(size - kHeaderBytes), offset};
        if (!visitor.visit(record)) return FramingEnd::Stopped;
        if (type == EMR_EOF) return FramingEnd::EndRecord;
    }
}

}  // namespace zarovia::picture::metafile
