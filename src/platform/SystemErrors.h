#pragma once

#include <QByteArray>
#include <QString>

namespace zarovia {

// Error codes in the numbering the rest of the program uses (2 file not found, 3 bad path,
// 4 too many open files, 5 access denied, ...), independent of the platform's own numbers.
enum SystemError : int {
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorTooManyOpenFiles = 4,
    kErrorAccessDenied = 5,
    kErrorSharingViolation = 32,
};

// Text of an input/output failure, as the size readout and the document reader report it:
// "ファイルが見つかりません", ..., or "I/O エラー (%d)".
QString ioErrorText(int code);

// The system's own description of an error code, used inside "ファイル "%s". %s は開けません".
QString systemErrorText(int code);

// "ファイル "<path>". <system text> は開けません": a file that cannot be opened for loading.
QString cannotOpenFileText(const QByteArray& path, int code);

}  // namespace zarovia
