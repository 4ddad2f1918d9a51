#include "platform/PdfOutputName.h"

#include "platform/CodePage.h"
#include "platform/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zarovia {

namespace {

// More numbered names than anyone keeps in one folder; past them the last is proposed and the
// print dialog asks before it is overwritten.
constexpr int kLastNumber = 9999;

QString baseNameOf(const QString& printedFileName) {
    QString name = printedFileName.section(QLatin1Char('/'), -1);
    // A leading dot hides a file rather than starting its extension.
    while (name.startsWith(QLatin1Char('.'))) name.remove(0, 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    return name.isEmpty() ? QStringLiteral("Zarovia") : name;
}

QString absoluteClean(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

QString proposedPdfName(const QString& printedFileName,
                        const std::function<bool(const QString& name)>& taken) {
    const QString base = baseNameOf(printedFileName);
    QString name = base + QStringLiteral(".pdf");
    for (int number = 2; taken(name) && number <= kLastNumber; ++number)
        name = QStringLiteral("%1 (%2).pdf").arg(base).arg(number);
    return name;
}

QString proposedPdfPath(const QString& folder, const PrintedFiles& files) {
    const QDir dir(folder);
    const QString name =
        proposedPdfName(decodeFileName(files.printed), [&](const QString& candidate) {
            const QString path = dir.filePath(candidate);
            return QFileInfo::exists(path) || QFileInfo(path).isSymLink() ||
                   isViewedFile(path, files.viewed);
        });
    return dir.filePath(name);
}

bool isViewedFile(const QString& outputPath, const QList<QByteArray>& viewed) {
    if (outputPath.isEmpty()) return false;
    const QByteArray output = QFile::encodeName(absoluteClean(outputPath));
    const std::optional<FileStamp> outputStamp = fileStampOf(output);
    for (const QByteArray& file : viewed) {
        if (file.isEmpty()) continue;
        if (QFile::encodeName(absoluteClean(QFile::decodeName(file))) == output) return true;
        const std::optional<FileStamp> stamp = fileStampOf(file);
        if (outputStamp && stamp && stamp->device == outputStamp->device &&
            stamp->inode == outputStamp->inode)
            return true;
    }
    return false;
}

QString viewedFileRefusedText(const QString& outputPath) {
    return QStringLiteral("\"%1\" は表示中のファイルです。表示中のファイルには印刷できません")
        .arg(QDir::toNativeSeparators(outputPath));
}

}  // namespace zarovia
