#pragma once

#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPdfWriter;
class QTextDocument;

namespace zarovia::document {

// Prints a copy of `source` page by page into the whole printable area of `device`, with no
// margins of its own: the copy is laid out for the device (its layout's paint device is the
// printer, its page size the printable rectangle, its document margin zero) and each page is
// drawn translated to its place and clipped one pixel short of the next. An empty document
// prints one empty page. Text that would be invisible on white paper (white or near-white
// text, as the screen shows plain text on black) prints black; everything else keeps the
// document's colours. The job title is the caller's to set on the device beforehand. The
// painter is ended on every path, also when drawing fails. Returns the number of pages.
// Throws zarovia::Failure("現在印刷中です") when the device is already being painted on and
// "印刷を開始できません" when printing cannot start or a page cannot be added. When drawing
// fails, `abortJob` (if given) runs before the painter is ended, so a printer can drop the
// unfinished job instead of printing part of it.
int printDocument(const QTextDocument& source, QPagedPaintDevice& device,
                  const std::function<void()>& abortJob = {});

// The same into a PDF writer, whose document title becomes `title`.
int printDocumentToPdf(const QTextDocument& source, QPdfWriter& writer, const QString& title);

}  // namespace zarovia::document
