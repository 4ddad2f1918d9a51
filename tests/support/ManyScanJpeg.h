#pragma once

// A progressive grey JPEG written byte by byte: one DC scan, then `scans - 1` AC scans over
// coefficients 1 to 63 that hold nothing but runs of empty blocks. Each AC scan is a few hundred
// bytes whatever the picture's size, yet a decoder visits every block of the picture in it: a
// 12000 x 12000 picture with 1000 scans is 530 KB and asks for 2.25 thousand million block
// visits. Every scan is a valid first AC scan at full precision (Ah = Al = 0), so the decoder
// takes them all without a warning. Without `withData` the scans hold no data at all (a
// decoder warns that each ends early, fills it with zeros, and still visits every block): the
// same picture and cost in 10 KB.
#include <QByteArray>
#include <QtGlobal>

#include <cstdint>

namespace zarovia::testing {

namespace many_scan {

// Writes entropy-coded bits, most significant first, with 0xFF bytes stuffed.
class BitWriter {
public:
    explicit BitWriter(QByteArray& out) : out_(out) {}
    void put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            byte_ = static_cast<std::uint8_t>((byte_ << 1) | ((bits >> i) & 1));
            if (++filled_ == 8) flushByte();
        }
    }
    // Pads the last byte with 1 bits, as the format asks.
    void finish() {
        while (filled_ != 0) put(1, 1);
    }

private:
    void flushByte() {
        out_.append(static_cast<char>(byte_));
        if (byte_ == 0xFF) out_.append('\0');
        byte_ = 0;
        filled_ = 0;
    }
    QByteArray& out_;
    std::uint8_t byte_ = 0;
    int filled_ = 0;
};

inline void u16(QByteArray& out, int value) {
    out.append(static_cast<char>((value >> 8) & 0xFF));
    out.append(static_cast<char>(value & 0xFF));
}

inline void marker(QByteArray& out, std::uint8_t code) {
    out.append(static_cast<char>(0xFF));
    out.append(static_cast<char>(code));
}

inline void scanHeader(QByteArray& out, int ss, int se, int tables) {
    marker(out, 0xDA);
    u16(out, 8);
    out.append(char(1));  // one component
    out.append(char(1));  // its id
    out.append(static_cast<char>(tables));
    out.append(static_cast<char>(ss));
    out.append(static_cast<char>(se));
    out.append(char(0));  // Ah = 0, Al = 0
}

}  // namespace many_scan

inline QByteArray manyScanProgressiveJpeg(int width, int height, int scans, bool withData = true) {
    using namespace many_scan;
    QByteArray out;
    marker(out, 0xD8);
    // One quantisation table of ones.
    marker(out, 0xDB);
    u16(out, 67);
    out.append(char(0));
    out.append(QByteArray(64, char(1)));
    // Progressive frame, 8 bits, one component sampled 1 x 1.
    marker(out, 0xC2);
    u16(out, 11);
    out.append(char(8));
    u16(out, height);
    u16(out, width);
    out.append(char(1));
    out.append(char(1));
    out.append(char(0x11));
    out.append(char(0));
    // DC table 0: one code of one bit, difference category 0.
    marker(out, 0xC4);
    u16(out, 2 + 1 + 16 + 1);
    out.append(char(0x00));
    out.append(char(1));
    out.append(QByteArray(15, char(0)));
    out.append(char(0));
    // AC table 0: the fifteen end-of-band runs EOB0 to EOB14, four bits each.
    marker(out, 0xC4);
    u16(out, 2 + 1 + 16 + 15);
    out.append(char(0x10));
    out.append(QByteArray(3, char(0)));
    out.append(char(15));
    out.append(QByteArray(12, char(0)));
    for (int r = 0; r < 15; ++r) out.append(static_cast<char>(r << 4));

    const std::int64_t blocks =
        static_cast<std::int64_t>((width + 7) / 8) * static_cast<std::int64_t>((height + 7) / 8);
    // The DC scan: every difference 0, one bit per block.
    scanHeader(out, 0, 0, 0x00);
    if (withData) {
        BitWriter bits(out);
        for (std::int64_t b = 0; b < blocks; ++b) bits.put(0, 1);
        bits.finish();
    }
    // The AC scans: the whole picture as runs of empty blocks, each at most 32767 long.
    for (int s = 1; s < scans; ++s) {
        scanHeader(out, 1, 63, 0x00);
        if (!withData) continue;
        BitWriter bits(out);
        std::int64_t left = blocks;
        while (left > 0) {
            const std::int64_t run = std::min<std::int64_t>(left, 32767);
            int r = 0;
            while ((std::int64_t(2) << r) <= run) ++r;
            bits.put(static_cast<std::uint32_t>(r), 4);  // EOBr is the r-th code
            if (r > 0) bits.put(static_cast<std::uint32_t>(run - (std::int64_t(1) << r)), r);
            left -= run;
        }
        bits.finish();
    }
    marker(out, 0xD9);
    return out;
}

}  // namespace zarovia::testing
