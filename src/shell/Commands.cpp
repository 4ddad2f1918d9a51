#include "Commands.h"

namespace zarovia::shell {

const std::array<CommandRow, 11>& commandTable() {
    static const std::array<CommandRow, 11> table{{
        {Command::Open, "ActOpen", "開く", 0, kCtrlFlag + 'O'},
        {Command::Close, "ActClose", "終了", 1, kCtrlFlag + 'X'},
        {Command::Start, "ActStart", "スタート", 2, kCtrlFlag + 'S'},
        {Command::Stop, "ActStop", "ストップ", 3, kCtrlFlag + 'P'},
        {Command::Back, "ActBack", "戻る", 4, kCtrlFlag + 'B'},
        {Command::Next, "ActNext", "次へ", 5, kCtrlFlag + 'N'},
        {Command::FullScreen, "ActFullScreen", "拡大・縮小", 6, kCtrlFlag + 'F'},
        {Command::About, "ActAbout", "バージョン情報", 8, kCtrlFlag + 'H'},
        {Command::MovS, "ActMovS", "", -1, 0},
        {Command::Print, "ActPrint", "印刷", 9, 0},
        {Command::CharPrint, "ActCharPrint", "印刷", 9, 0},
    }};
    return table;
}

const CommandRow& commandRow(Command id) {
    for (const CommandRow& row : commandTable())
        if (row.id == id) return row;
    return commandTable().front();
}

QKeySequence shortcutSequence(int shortcutCode) {
    if (shortcutCode == 0) return {};
    const int key = shortcutCode & ~kCtrlFlag;
    return QKeySequence((shortcutCode & kCtrlFlag) ? (Qt::CTRL | static_cast<Qt::Key>(key))
                                                   : QKeyCombination(static_cast<Qt::Key>(key)));
}

}  // namespace zarovia::shell
