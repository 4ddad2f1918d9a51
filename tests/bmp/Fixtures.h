#pragma once

// Where the test files are: tests/data first, then the shared corpus when it is there.

#include "picture/Picture.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace zarovia::bmptest {

inline const QString kMalformedBitmap = QStringLiteral("ビットマップイメージが不正です");
inline const QString kMalformedIcon = QStringLiteral("アイコンイメージが不正です");
inline const QString kReadError = QStringLiteral("ストリームからの読み込みエラー");

// The path of `relative` (e.g. "bmp/x.bmp"), or an empty string when neither folder has it.
QString fixturePath(const QString& relative);
QByteArray readFixture(const QString& relative);

// The failure text of `decode`, or an empty string when it succeeds.
QString failureText(const std::function<void()>& decode);

// Runs every prefix of `bytes` (every length up to `dense`, then every `step`-th) through
// `decode`; returns a description of the first prefix that failed with a foreign text.
QString checkPrefixes(const QByteArray& bytes, const std::function<void(const QByteArray&)>& decode,
                      const QStringList& allowedTexts, qsizetype dense = 2048, qsizetype step = 61);

}  // namespace zarovia::bmptest
