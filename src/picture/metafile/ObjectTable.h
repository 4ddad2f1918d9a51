#pragma once

#include "picture/metafile/GdiObjects.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarovia::picture::metafile {

// The table of created objects. Its size is the one the header declares (capped); WMF puts
// each new object into the lowest free slot, EMF names the slot in the record.
class ObjectTable {
public:
    explicit ObjectTable(std::size_t declaredSize);

    // WMF: the lowest free slot receives the object; a full table ignores it (-1).
    int addToFreeSlot(GdiObject object);
    // EMF: slot `index` receives the object; slot 0 (reserved) and slots outside the table
    // ignore it (false).
    bool put(std::uint32_t index, GdiObject object);
    // The object in the slot, or null for an empty slot or an index outside the table.
    ObjectRef get(std::uint32_t index) const;
    void remove(std::uint32_t index);
    std::size_t size() const noexcept { return slots_.size(); }

private:
    std::vector<ObjectRef> slots_;
    std::size_t lowestFree_ = 0;  // no free slot lies below this
};

// EMF stock objects are named by this bit plus their number.
inline constexpr std::uint32_t ENHMETA_STOCK_OBJECT = 0x80000000;

// The stock object with this number (WHITE_BRUSH 0 ... DC_PEN 19), or null.
ObjectRef stockObject(std::uint32_t number);

}  // namespace zarovia::picture::metafile
