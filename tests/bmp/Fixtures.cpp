#include "Fixtures.h"

#include "platform/Failure.h"

#include <QFile>

namespace zarovia::bmptest {

QString fixturePath(const QString& relative) {
    for (const char* root : {ZAROVIA_TEST_DATA, ZAROVIA_CORPUS}) {
        const QString path = QString::fromUtf8(root) + QLatin1Char('/') + relative;
        if (QFile::exists(path)) return path;
    }
    return {};
}

QByteArray readFixture(const QString& relative) {
    QFile file(fixturePath(relative));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

QString failureText(const std::function<void()>& decode) {
    try {
        decode();
    } catch (const Failure& failure) {
        return failure.message();
    }
    return {};
}

QString checkPrefixes(const QByteArray& bytes, const std::function<void(const QByteArray&)>& decode,
                      const QStringList& allowedTexts, qsizetype dense, qsizetype step) {
    for (qsizetype length = 0; length < bytes.size(); length += (length < dense ? 1 : step)) {
        // A copy of exactly `length` bytes, so the sanitizers see any read past it.
        const QByteArray prefix(bytes.constData(), length);
        const QString text = failureText([&] { decode(prefix); });
        if (!text.isEmpty() && !allowedTexts.contains(text))
            return QStringLiteral("prefix %1: %2").arg(length).arg(text);
    }
    return {};
}

}  // namespace zarovia::bmptest
