// Printing: the picture shown on one page, the document page by page. A print into a PDF file
// proposes a file named after what is printed and never writes a file being viewed; a job that
// fails leaves no file behind.
#include "window/Unit1.h"

#include "document/widgets/PrinterOutput.h"
#include "document/widgets/RichEditControl.h"
#include "picture/PrintLayout.h"
#include "picture/widgets/ImageView.h"
#include "platform/Failure.h"
#include "platform/qt/PdfOutputCommit.h"

#include <QCheckBox>
#include <QPainter>
#include <QPrinter>

namespace zarovia {

namespace {

// Ends the page and the job however the drawing ends.
class PrintJob {
public:
    explicit PrintJob(QPrinter& printer) {
        if (!painter_.begin(&printer)) throw Failure(QStringLiteral("印刷を開始できません"));
    }
    ~PrintJob() {
        if (painter_.isActive()) painter_.end();
    }
    QPainter& painter() { return painter_; }
    // Ends the job; the output is complete only when this succeeds.
    void finish() {
        if (!painter_.end()) throw Failure(QStringLiteral("印刷を開始できません"));
    }

private:
    QPainter painter_;
};

// The picture as it goes onto paper: opaque, at the size the page needs.
QImage paperImage(const picture::Picture& shown, QSize printed) {
    QImage image = shown.toImageCovering(printed);
    if (image.isNull() || !image.hasAlphaChannel()) return image;
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    return flat;
}

}  // namespace

PrintedFiles TzaroForm1::printedFiles(const QByteArray& printed) const {
    PrintedFiles files;
    files.printed = printed;
    for (const QByteArray& viewed : {printed, state_.CurrentFile})
        if (!viewed.isEmpty() && !files.viewed.contains(viewed)) files.viewed.append(viewed);
    return files;
}

void TzaroForm1::refuseViewedOutput(const PrintedFiles& files) {
    QPrinter& target = printer();
    if (target.outputFormat() != QPrinter::PdfFormat) return;
    if (isViewedFile(target.outputFileName(), files.viewed))
        throw Failure(viewedFileRefusedText(target.outputFileName()));
}

void TzaroForm1::ActPrintExecute() {
    QPrinter& target = printer();
    const PrintedFiles files = printedFiles(shownPictureFile_);
    if (!services_.printDialog->choosePrinter(this, target, files)) return;
    refuseViewedOutput(files);
    target.setPageOrientation(CheckBox2->isChecked() ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait);
    target.setDocName(printerDocName_);
    // The page's size follows from the natural size; the picture is decoded for it (a JPEG at
    // the smallest scale covering the printed size, within the memory budget), whatever was
    // decoded for the screen, before the job starts: a picture that can no longer be decoded
    // (its file changed) starts no job. Icons and metafiles draw what they cover onto white
    // paper.
    const picture::Picture& shown = Image2->picture();
    if (shown.isNull()) return;
    const QRect page = target.pageLayout().paintRectPixels(target.resolution());
    const QSize printed = picture::printedPictureSize(shown.size(), page.size());
    const bool drawnOnPage = shown.kind() == picture::PictureKind::Metafile;
    const QImage image = drawnOnPage ? QImage() : paperImage(shown, printed);
    if (!drawnOnPage && image.isNull()) return;

    PdfOutputCommit output(target);
    PrintJob job(target);
    job.painter().setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (drawnOnPage)
        // Drawn on the page itself: sharp at the printer's resolution, and no page-sized raster.
        shown.draw(job.painter(), QRectF(QPointF(0, 0), QSizeF(printed)));
    else
        job.painter().drawImage(QRect(QPoint(0, 0), printed), image);
    job.finish();
    output.commit();
}

void TzaroForm1::ActCharPrintExecute() {
    QPrinter& target = printer();
    const PrintedFiles files = printedFiles(state_.CurrentFile);
    if (!services_.printDialog->choosePrinter(this, target, files)) return;
    refuseViewedOutput(files);
    const QString title = windowTitle();
    printerDocName_ = title;
    PdfOutputCommit output(target);
    document::printDocumentOnPrinter(*RichEdit1->document(), target, title);
    output.commit();
}

}  // namespace zarovia
