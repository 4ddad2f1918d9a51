#pragma once

#include <QByteArray>

namespace zarovia::document {

// How the document pane shows a file, chosen by its extension alone.
enum class DocumentKind {
    RichText,       // ".RTF": read by the RTF reader, plain text when it rejects the file
    PlainText,      // a known text extension: the whole file as text
    OtherDocument,  // anything else, also no extension: the first bytes as text or a hex dump
};

// `upperExtension` is the extension with its leading "." with ASCII letters upper-cased
// (".RTF", ".INI", "" for none). Comparison is exact, so the caller upper-cases first.
DocumentKind documentKindForExtension(const QByteArray& upperExtension);

}  // namespace zarovia::document
