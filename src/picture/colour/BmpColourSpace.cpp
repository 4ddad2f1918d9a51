#include "picture/colour/BmpColourSpace.h"

namespace zarovia::picture::colour {

namespace {

constexpr std::uint32_t BITMAPV4HEADER_SIZE = 108;
constexpr std::uint32_t BITMAPV5HEADER_SIZE = 124;
constexpr std::size_t kCsTypeOffset = 56;
constexpr std::size_t kProfileDataOffset = 112;

// FXPT2DOT30: signed, 30 bits of fraction.
double fixed2dot30(std::uint32_t v) {
    return static_cast<double>(static_cast<std::int32_t>(v)) / double(1u << 30);
}

// Unsigned 16.16.
double fixed16dot16(std::uint32_t v) {
    return static_cast<double>(v) / 65536.0;
}

}  // namespace

BmpColourFields readBmpColourFields(ByteReader fromHeader) {
    BmpColourFields fields;
    try {
        fromHeader.seek(0);
        const std::uint32_t headerSize = fromHeader.u32();
        if (headerSize != BITMAPV4HEADER_SIZE && headerSize != BITMAPV5HEADER_SIZE) return fields;
        if (!fromHeader.canRead(headerSize - 4)) return fields;
        fromHeader.seek(kCsTypeOffset);
        fields.csType = fromHeader.u32();
        for (CalibratedRgb::Xyz& p : fields.calibrated.primaries) {
            p.x = fixed2dot30(fromHeader.u32());
            p.y = fixed2dot30(fromHeader.u32());
            p.z = fixed2dot30(fromHeader.u32());
        }
        for (double& g : fields.calibrated.gamma) g = fixed16dot16(fromHeader.u32());
        if (headerSize == BITMAPV5HEADER_SIZE) {
            fromHeader.seek(kProfileDataOffset);
            fields.profileOffset = fromHeader.u32();
            fields.profileSize = fromHeader.u32();
        }
    } catch (const ByteReaderOverrun&) {
        return {};
    }
    return fields;
}

ColourProfile bmpColourProfile(ByteReader fromHeader) {
    const BmpColourFields fields = readBmpColourFields(fromHeader);
    switch (fields.csType) {
        case LCS_CALIBRATED_RGB:
            return ColourProfile::fromCalibratedRgb(fields.calibrated);
        case PROFILE_EMBEDDED: {
            // Only a version 5 header has a profile's place; it must lie after the header and
            // inside the file.
            if (fields.profileSize == 0 || fields.profileOffset < BITMAPV5HEADER_SIZE) return {};
            const std::uint64_t end =
                std::uint64_t(fields.profileOffset) + std::uint64_t(fields.profileSize);
            if (end > fromHeader.size() || fields.profileSize > kMaxIccProfileBytes) return {};
            const auto* start = fromHeader.data() + fields.profileOffset;
            return ColourProfile::fromIcc(QByteArray(reinterpret_cast<const char*>(start),
                                                     static_cast<qsizetype>(fields.profileSize)));
        }
        default:
            // sRGB, the Windows colour space, linked profiles and unknown types.
            return {};
    }
}

}  // namespace zarovia::picture::colour
