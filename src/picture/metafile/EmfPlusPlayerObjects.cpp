#include "picture/metafile/EmfPlusPlayer.h"

#include "picture/metafile/Gdi.h"

#include <algorithm>

namespace zarovia::picture::metafile::plus {

namespace {

// The largest object assembled from continued records.
constexpr std::uint32_t kMaxObjectBytes = 64u * 1024 * 1024;

}  // namespace

void Player::object(std::uint16_t flags, ByteReader& r) {
    const int id = flags & 0xFF;
    const std::uint32_t type = (flags >> 8) & 0x7F;
    if (id >= static_cast<int>(objects_.size())) return;
    BudgetAccount& budget = budget_;
    const auto store = [&](ByteReader data) {
        Object object = readObject(type, data, budget, gdi_.areas());
        // A bitmap's decoding is work beyond the record's bytes.
        if (const Image* image = std::get_if<Image>(&object))
            gdi_.noteWork(static_cast<std::int64_t>(image->image.width()) * image->image.height() /
                          256);
        objects_[static_cast<std::size_t>(id)] = std::move(object);
    };
    // The parts of an object that arrives in several records are kept (and counted) until the
    // last has come.
    const auto gather = [&]() {
        const auto more = static_cast<std::int64_t>(r.remaining());
        if (!budget.reserve(more)) {
            dropPending();
            return false;
        }
        pending_.reserved += more;
        pending_.bytes.append(reinterpret_cast<const char*>(r.data() + r.position()),
                              static_cast<qsizetype>(more));
        return true;
    };
    if (!(flags & kContinued)) {
        if (pending_.id == id && pending_.type == type) {
            // The final part of an object that arrived in several records.
            if (!gather()) return;
            const QByteArray whole = pending_.bytes;
            store(ByteReader(whole));
            dropPending();
            return;
        }
        store(r);
        return;
    }
    const std::uint32_t total = r.u32();
    if (pending_.id != id || pending_.type != type) {
        dropPending();
        if (total > kMaxObjectBytes) return;
        pending_.id = id;
        pending_.type = type;
        pending_.total = total;
    }
    if (!gather()) return;
    if (static_cast<std::uint32_t>(pending_.bytes.size()) >= pending_.total) {
        const QByteArray whole = pending_.bytes;
        store(ByteReader(whole.constData(),
                         std::min<std::size_t>(static_cast<std::size_t>(whole.size()), total)));
        dropPending();
    }
}

void Player::dropPending() {
    budget_.release(pending_.reserved);
    pending_ = Pending{};
}

}  // namespace zarovia::picture::metafile::plus
