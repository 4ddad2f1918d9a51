#pragma once

#include "document/rtf/RtfControlWords.h"

#include <cstdint>

namespace zarovia::document::rtf {

enum class UnderlineKind : std::uint8_t {
    None,
    Single,
    Double,
    Dotted,
    Dash,
    DashDot,
    DashDotDot,
    Wave,
    Words,
    Thick
};
enum class VerticalKind : std::uint8_t { Normal, Super, Sub };
enum class Alignment : std::uint8_t { Left, Right, Center, Justify };

// Character properties of a group. Colours are indexes into the colour table (0 = automatic).
struct CharProps {
    int font = -1;  // -1: the document's default font
    int fontSizeHalfPoints = 24;
    int foreground = 0;
    int background = 0;  // \cb, \chcbpat
    int highlight = 0;
    int raiseHalfPoints = 0;  // \up (positive) and \dn (negative)
    UnderlineKind underline = UnderlineKind::None;
    VerticalKind vertical = VerticalKind::Normal;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    bool caps = false;

    bool operator==(const CharProps&) const = default;
};

// Paragraph properties; lengths in twips.
struct ParaProps {
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0;  // \sl: > 0 at least, < 0 exactly, 0 automatic
    bool lineSpacingMultiple = false;
    Alignment alignment = Alignment::Left;
    bool inTable = false;
    int tableDepth = 0;  // \itap

    bool operator==(const ParaProps&) const = default;

    // The table nesting the paragraph asks for: 0 outside tables.
    int requestedDepth() const {
        if (tableDepth > 0) return tableDepth;
        return inTable ? 1 : 0;
    }
};

struct GroupState {
    CharProps chars;
    ParaProps para;
    Destination destination = Destination::Body;
    Destination beforeAlternative = Destination::Body;  // the destination \ud goes back to
    bool inAlternative = false;                         // inside \upr
    int unicodeSkip = 1;                                // \uc
};

}  // namespace zarovia::document::rtf
