#include "NameList.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace zarovia {

namespace {

unsigned char upperByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 'a' + 'A') : b;
}

int compareBytes(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), static_cast<std::size_t>(n));
    if (c != 0) return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

bool NameList::append(QByteArrayView name) {
    if (name.size() > kMaxBytes - bytes_.size()) return false;
    bytes_.append(name);
    ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    return true;
}

QByteArrayView NameList::at(std::size_t index) const {
    const std::uint32_t begin = index == 0 ? 0 : ends_[index - 1];
    return QByteArrayView(bytes_).sliced(begin, ends_[index] - begin);
}

QByteArray NameList::joined(const QByteArray& prefix, std::size_t index) const {
    const QByteArrayView name = at(index);
    QByteArray path;
    path.reserve(prefix.size() + name.size());
    path.append(prefix).append(name);
    return path;
}

void NameList::sortWindowsOrder() {
    // The keys share the names' offsets: one buffer, made once.
    QByteArray keys(bytes_.size(), Qt::Uninitialized);
    std::transform(bytes_.cbegin(), bytes_.cend(), keys.begin(),
                   [](char c) { return static_cast<char>(upperByte(c)); });
    const auto slice = [this](const QByteArray& buffer, std::uint32_t i) {
        const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
        return QByteArrayView(buffer).sliced(begin, ends_[i] - begin);
    };
    std::vector<std::uint32_t> order(ends_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
        const int byKey = compareBytes(slice(keys, x), slice(keys, y));
        if (byKey != 0) return byKey < 0;
        return compareBytes(slice(bytes_, x), slice(bytes_, y)) < 0;
    });
    keys = QByteArray();
    NameList sorted;
    sorted.bytes_.reserve(bytes_.size());
    sorted.ends_.reserve(ends_.size());
    for (const std::uint32_t i : order) sorted.append(slice(bytes_, i));
    *this = std::move(sorted);
}

qsizetype NameList::indexOf(QByteArrayView name) const {
    for (std::size_t i = 0; i < size(); ++i)
        if (at(i) == name) return static_cast<qsizetype>(i);
    return -1;
}

bool windowsNameLess(QByteArrayView a, QByteArrayView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char x = upperByte(a[i]);
        const unsigned char y = upperByte(b[i]);
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return compareBytes(a, b) < 0;
}

}  // namespace zarovia
