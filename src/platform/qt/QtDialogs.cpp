#include "platform/qt/QtDialogs.h"

#include "platform/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QWidget>

namespace zarovia {

namespace {

// Qt's own file dialog mishandles a full path typed into the folder it shows: its completion
// selects the file beside the one selected before and rewrites the field into a list of both,
// which it then refuses. Return takes the full path as typed when the field still names it.
class OpenFileDialog : public QFileDialog {
public:
    explicit OpenFileDialog(QWidget* owner) : QFileDialog(owner) {
        setOption(QFileDialog::DontUseNativeDialog, true);
        if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            edit->installEventFilter(this);
            QObject::connect(edit, &QLineEdit::textEdited, this,
                             [this](const QString& text) { typed_ = text; });
        }
    }
    QString typedPath() const { return typedPath_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            const auto* edit = qobject_cast<QLineEdit*>(watched);
            if (edit && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                const QString path = fullPathNamed(edit->text());
                if (!path.isEmpty()) {
                    typedPath_ = path;
                    QDialog::accept();
                    return true;
                }
            }
        }
        return QFileDialog::eventFilter(watched, event);
    }

private:
    // The existing file the field names by its full path: as it stands, or as typed when the
    // completion has since rewritten it around that file's name.
    QString fullPathNamed(const QString& field) const {
        for (const QString& candidate : {field, typed_}) {
            const QFileInfo info(candidate);
            if (!info.isAbsolute() || !info.isFile()) continue;
            if (candidate == field || field.contains(info.fileName())) return info.filePath();
        }
        return {};
    }

    QString typed_;
    QString typedPath_;
};

}  // namespace

std::optional<QByteArray> QtOpenDialog::chooseFile(QWidget* owner, const QByteArray& previous) {
    OpenFileDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // "*" rather than "*.*" so that names without a dot are offered too.
    dialog.setNameFilter(QStringLiteral("全てのファイル(*.*) (*)"));
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (!previous.isEmpty()) dialog.selectFile(QFile::decodeName(previous));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    if (!dialog.typedPath().isEmpty()) return QFile::encodeName(dialog.typedPath());
    if (dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().constFirst());
}

QString pdfOutputFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() || !QFileInfo(folder).isDir() ? QDir::homePath() : folder;
}

bool preparePdfOutput(QPrinter& printer, bool printersInstalled, const PrintedFiles& files) {
    if (!printersInstalled) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        if (printer.outputFormat() != QPrinter::PdfFormat) return false;
    }
    // Each print proposes its own file, never the name an earlier print chose.
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setOutputFileName(proposedPdfPath(pdfOutputFolder(), files));
    return true;
}

bool QtPrintDialog::choosePrinter(QWidget* owner, QPrinter& printer, const PrintedFiles& files) {
    if (!preparePdfOutput(printer, !QPrinterInfo::availablePrinterNames().isEmpty(), files))
        throw Failure(QStringLiteral("デフォルト プリンタが存在しません"));
    QPrintDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize | QAbstractPrintDialog::PrintToFile);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace zarovia
