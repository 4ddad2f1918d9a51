#pragma once

#include <QKeySequence>
#include <QString>
#include <array>

namespace zarovia::shell {

// The commands of the main window, one row each.
enum class Command {
    Open,
    Close,
    Start,
    Stop,
    Back,
    Next,
    FullScreen,
    About,
    MovS,
    Print,
    CharPrint
};

struct CommandRow {
    Command id;
    const char* name;  // object name, also the (never shown) caption
    const char* hint;  // tool tip; empty for none
    int glyph;         // index into the glyph list; -1 for none
    int shortcutCode;  // key code with the Ctrl flag 0x4000; 0 for none
};

inline constexpr int kCtrlFlag = 0x4000;
inline constexpr int kGlyphCount = 10;
inline constexpr int kGlyphNormalScreen = 6;
inline constexpr int kGlyphFullScreen = 7;

const std::array<CommandRow, 11>& commandTable();
const CommandRow& commandRow(Command id);

// The key sequence of a stored shortcut code (0x4000 + an upper-case letter's code).
QKeySequence shortcutSequence(int shortcutCode);

}  // namespace zarovia::shell
