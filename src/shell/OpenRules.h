#pragma once

#include <QByteArray>
#include <QString>

namespace zarovia::shell {

// Which pane a file goes to, by its upper-cased extension.
enum class FileClass { Picture, Media, Document };

FileClass classifyExtension(const QByteArray& upperExtension);
// The extension of `path` (from the last ".", dot included) with ASCII letters upper-cased.
QByteArray upperExtension(const QByteArray& path);

// Title-bar caption forms; each is followed by a file name without its folder.
inline constexpr const char16_t* kPlainTitle = u" Zarovia       ";
inline constexpr const char16_t* kManuTitle = u" Zarovia        manu       ";
inline constexpr const char16_t* kAutoTitle = u" Zarovia        auto        ";

// The caption `prefix` followed by the name (without folder) of `path`, decoded for showing.
QString captionFor(const char16_t* prefix, const QByteArray& path);

// The picture counter: position from 1, "/", the number of pictures ("3/12").
QString counterText(int currentIndex, int count);

}  // namespace zarovia::shell
