#include "picture/metafile/ObjectTable.h"

#include "picture/metafile/FontMapping.h"
#include "picture/metafile/Limits.h"

#include <algorithm>

namespace zarovia::picture::metafile {

ObjectTable::ObjectTable(std::size_t declaredSize) : slots_(std::min(declaredSize, kMaxObjects)) {}

int ObjectTable::addToFreeSlot(GdiObject object) {
    for (std::size_t i = lowestFree_; i < slots_.size(); ++i) {
        if (!slots_[i]) {
            slots_[i] = std::make_shared<const GdiObject>(std::move(object));
            lowestFree_ = i + 1;
            return static_cast<int>(i);
        }
    }
    lowestFree_ = slots_.size();
    return -1;
}

bool ObjectTable::put(std::uint32_t index, GdiObject object) {
    if (index == 0 || index >= slots_.size()) return false;
    slots_[index] = std::make_shared<const GdiObject>(std::move(object));
    return true;
}

ObjectRef ObjectTable::get(std::uint32_t index) const {
    return index < slots_.size() ? slots_[index] : nullptr;
}

void ObjectTable::remove(std::uint32_t index) {
    if (index >= slots_.size()) return;
    slots_[index].reset();
    lowestFree_ = std::min<std::size_t>(lowestFree_, index);
}

namespace {

ObjectRef brush(std::uint32_t style, std::uint32_t bgr) {
    LogBrush b;
    b.style = style;
    b.colour.value = bgr;
    return std::make_shared<const GdiObject>(b);
}

ObjectRef pen(std::uint32_t style, std::uint32_t bgr) {
    LogPen p;
    p.style = style;
    p.colour.value = bgr;
    return std::make_shared<const GdiObject>(p);
}

ObjectRef font(const char* face, int height, int pitchAndFamily) {
    LogFont f;
    f.faceName = QString::fromLatin1(face);
    f.height = height;
    f.charset = SHIFTJIS_CHARSET;  // the system fonts of a Japanese desktop
    f.pitchAndFamily = pitchAndFamily;
    resolveFont(f);
    return std::make_shared<const GdiObject>(f);
}

}  // namespace

ObjectRef stockObject(std::uint32_t number) {
    switch (number) {
        case 0:
            return brush(BS_SOLID, 0xFFFFFF);  // WHITE_BRUSH
        case 1:
            return brush(BS_SOLID, 0xC0C0C0);  // LTGRAY_BRUSH
        case 2:
            return brush(BS_SOLID, 0x808080);  // GRAY_BRUSH
        case 3:
            return brush(BS_SOLID, 0x404040);  // DKGRAY_BRUSH
        case 4:
            return brush(BS_SOLID, 0x000000);  // BLACK_BRUSH
        case 5:
            return brush(BS_NULL, 0);  // NULL_BRUSH
        case 6:
            return pen(PS_SOLID, 0xFFFFFF);  // WHITE_PEN
        case 7:
            return pen(PS_SOLID, 0x000000);  // BLACK_PEN
        case 8:
            return pen(PS_NULL, 0);  // NULL_PEN
        case 10:                     // OEM_FIXED_FONT
        case 11:                     // ANSI_FIXED_FONT
        case 16:
            return font("FixedSys", 16, 1);  // SYSTEM_FIXED_FONT
        case 12:                             // ANSI_VAR_FONT
        case 13:                             // SYSTEM_FONT
        case 14:
            return font("System", 16, 2);  // DEVICE_DEFAULT_FONT
        case 17:
            return font("MS UI Gothic", -12, 2);  // DEFAULT_GUI_FONT
        case 15:
            return std::make_shared<const GdiObject>(LogPalette{});  // DEFAULT_PALETTE
        case 18:
            return brush(BS_SOLID, 0xFFFFFF);  // DC_BRUSH
        case 19:
            return pen(PS_SOLID, 0x000000);  // DC_PEN
        default:
            return nullptr;
    }
}

}  // namespace zarovia::picture::metafile
