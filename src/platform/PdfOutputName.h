#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

namespace zarovia {

// The files a print job concerns: the file whose content is printed (empty for the title
// picture) and the files the window is showing, which a print never writes.
struct PrintedFiles {
    QByteArray printed;
    QList<QByteArray> viewed;
};

// The name a print into a PDF file proposes for `printedFileName` (a file name or a path; only
// its name counts): the name without its last extension, whole (blanks included), plus
// ".pdf"; "Zarovia.pdf" when there is no name. When `taken` says a name is taken (a file of
// that name exists, or it is a file being viewed), "<base> (2).pdf", "<base> (3).pdf" and on
// until one is free. Returns a file name without folder.
QString proposedPdfName(const QString& printedFileName,
                        const std::function<bool(const QString& name)>& taken);

// proposedPdfName in `folder` of the file system: a name is taken when something of that name
// is there or it is one of `files.viewed`. Returns the full path.
QString proposedPdfPath(const QString& folder, const PrintedFiles& files);

// True when `outputPath` names one of the files being viewed: the same path, or the same file
// reached another way (a link, another spelling of its folder).
bool isViewedFile(const QString& outputPath, const QList<QByteArray>& viewed);

// The error text for a print that would write `outputPath`, a file being viewed.
QString viewedFileRefusedText(const QString& outputPath);

}  // namespace zarovia
