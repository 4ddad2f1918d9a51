#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>

namespace zarovia::picture {

// Thrown when a read would leave the reader's bounds. Decoders catch it and turn it into
// their own failure text.
class ByteReaderOverrun : public std::exception {
public:
    const char* what() const noexcept override { return "read past the end of a bounded range"; }
};

// A little-endian reader over a byte range that it never leaves. A sub-reader is bounded by
// a part of its parent (a record, a header), so a field read cannot run into the next one.
// The reader does not own the bytes: they must outlive it.
class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const char* data, std::size_t size)
        : data_(reinterpret_cast<const unsigned char*>(data)), size_(size) {}
    explicit ByteReader(const QByteArray& bytes)
        : ByteReader(bytes.constData(), static_cast<std::size_t>(bytes.size())) {}

    std::size_t size() const noexcept { return size_; }
    std::size_t position() const noexcept { return pos_; }
    std::size_t remaining() const noexcept { return size_ - pos_; }
    bool atEnd() const noexcept { return pos_ >= size_; }
    bool canRead(std::size_t n) const noexcept { return n <= size_ - pos_; }
    const unsigned char* data() const noexcept { return data_; }

    void seek(std::size_t pos) {
        if (pos > size_) throw ByteReaderOverrun();
        pos_ = pos;
    }
    void skip(std::size_t n) {
        need(n);
        pos_ += n;
    }

    std::uint8_t u8() {
        need(1);
        return data_[pos_++];
    }
    std::uint16_t u16() {
        need(2);
        const std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t u32() {
        need(4);
        const std::uint32_t v = static_cast<std::uint32_t>(data_[pos_]) |
                                (static_cast<std::uint32_t>(data_[pos_ + 1]) << 8) |
                                (static_cast<std::uint32_t>(data_[pos_ + 2]) << 16) |
                                (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    std::int8_t i8() { return static_cast<std::int8_t>(u8()); }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    float f32() {
        const std::uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

    // A pointer to the next n bytes, which are then passed over.
    const unsigned char* take(std::size_t n) {
        need(n);
        const unsigned char* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    QByteArray takeBytes(std::size_t n) {
        const unsigned char* p = take(n);
        return QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n));
    }

    // A reader over [offset, offset + length) of this reader's whole range (not from the
    // current position); throws when that range does not lie inside.
    ByteReader sub(std::size_t offset, std::size_t length) const {
        if (offset > size_ || length > size_ - offset) throw ByteReaderOverrun();
        ByteReader r;
        r.data_ = data_ + offset;
        r.size_ = length;
        return r;
    }
    // The next `length` bytes as a reader of their own; this reader passes over them.
    ByteReader split(std::size_t length) {
        ByteReader r = sub(pos_, length);
        pos_ += length;
        return r;
    }

private:
    void need(std::size_t n) const {
        if (n > size_ - pos_) throw ByteReaderOverrun();
    }

    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
};

}  // namespace zarovia::picture
