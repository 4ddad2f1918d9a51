#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <vector>

namespace zarovia {

// Names held compactly: every name's bytes, as the platform gave them, one after another in one
// buffer, and where each one ends. A folder of 100,000 pictures costs its names' bytes plus four
// bytes a name, not an allocated string each.
class NameList {
public:
    // The most bytes the names of one list may take together; a folder beyond it is listed
    // only up to there.
    static constexpr qsizetype kMaxBytes = 256 * 1024 * 1024;

    // False, leaving the list as it was, when the name would take it past kMaxBytes.
    bool append(QByteArrayView name);
    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    QByteArrayView at(std::size_t index) const;
    // `prefix` (a folder path) followed by the name at `index`.
    QByteArray joined(const QByteArray& prefix, std::size_t index) const;
    // The bytes of all names together (what the list holds besides its offsets).
    qsizetype byteCount() const { return bytes_.size(); }

    // Puts the names in the order a Windows file system reports a folder (windowsNameLess):
    // each name's sort key (ASCII letters upper-cased) is made once, not at every comparison.
    void sortWindowsOrder();
    // The position of `name`, or -1.
    qsizetype indexOf(QByteArrayView name) const;

private:
    QByteArray bytes_;
    std::vector<std::uint32_t> ends_;
};

// The order of names in a folder as a Windows file system reports it: byte-wise with ASCII
// letters compared as upper case, a shorter name before a longer one it begins, and names
// equal but for case byte-wise (upper case first), so that every run lists them alike.
bool windowsNameLess(QByteArrayView a, QByteArrayView b);

}  // namespace zarovia
