#include "media/MediaErrors.h"

#include "platform/SystemErrors.h"

namespace zarovia::media {

QString mediaErrorText(MediaErrorKind kind, const QString& detail) {
    switch (kind) {
        case MediaErrorKind::NoDevice:
            return QStringLiteral("MCI デバイスがありません");
        case MediaErrorKind::FileNotFound:
            return systemErrorText(kErrorFileNotFound);
        case MediaErrorKind::PathNotFound:
            return systemErrorText(kErrorPathNotFound);
        case MediaErrorKind::AccessDenied:
            return systemErrorText(kErrorAccessDenied);
        case MediaErrorKind::NotMediaFile:
            return QStringLiteral("この種類のファイルを再生するデバイスがありません");
        case MediaErrorKind::Unrecognised:
            return QStringLiteral("ファイルの形式を認識できません");
        case MediaErrorKind::NotPlayable:
            return QStringLiteral(
                "ファイルを再生できません。ファイルが壊れているか、形式が正しくありません");
        case MediaErrorKind::MissingPlugin:
            return detail.isEmpty()
                       ? QStringLiteral("再生に必要なプラグインがありません")
                       : QStringLiteral("再生に必要なプラグインがありません: %1").arg(detail);
        case MediaErrorKind::MissingSoundFont:
            return QStringLiteral("MIDI の再生に必要なサウンドフォントがありません: %1")
                .arg(detail);
        case MediaErrorKind::Timeout:
            return QStringLiteral("デバイスが時間内に応答しませんでした");
        case MediaErrorKind::Unknown:
            break;
    }
    return QStringLiteral("原因不明のエラー");
}

}  // namespace zarovia::media
