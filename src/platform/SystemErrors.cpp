#include "SystemErrors.h"

#include "CodePage.h"

namespace zarovia {

QString ioErrorText(int code) {
    switch (code) {
        case kErrorFileNotFound:
            return QStringLiteral("ファイルが見つかりません");
        case kErrorPathNotFound:
            return QStringLiteral("ファイル名の指定が間違っています");
        case kErrorTooManyOpenFiles:
            return QStringLiteral("オープンしたファイルが多すぎます");
        case kErrorAccessDenied:
            return QStringLiteral("ファイルへのアクセスが拒否されました");
        default:
            return QStringLiteral("I/O エラー (%1)").arg(code);
    }
}

QString systemErrorText(int code) {
    switch (code) {
        case kErrorFileNotFound:
            return QStringLiteral("指定されたファイルが見つかりません");
        case kErrorPathNotFound:
            return QStringLiteral("指定されたパスが見つかりません");
        case kErrorTooManyOpenFiles:
            return QStringLiteral("開いているファイルが多すぎます");
        case kErrorAccessDenied:
            return QStringLiteral("アクセスが拒否されました");
        case kErrorSharingViolation:
            return QStringLiteral(
                "プロセスはファイルにアクセスできません。別のプロセスが使用中です");
        default:
            return QStringLiteral("エラー %1").arg(code);
    }
}

QString cannotOpenFileText(const QByteArray& path, int code) {
    return QStringLiteral("ファイル \"%1\". %2 は開けません")
        .arg(decodeFileName(path), systemErrorText(code));
}

}  // namespace zarovia
