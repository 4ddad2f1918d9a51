#include "document/DocumentKind.h"

#include <array>
#include <string_view>

namespace zarovia::document {

namespace {

constexpr std::array<std::string_view, 9> kPlainTextExtensions = {
    ".HTM", ".HTML", ".C", ".PAS", ".HTT", ".BAT", ".INF", ".INI", ".CSV"};

}  // namespace

DocumentKind documentKindForExtension(const QByteArray& upperExtension) {
    const std::string_view ext(upperExtension.constData(),
                               static_cast<std::size_t>(upperExtension.size()));
    if (ext == ".RTF") return DocumentKind::RichText;
    for (std::string_view plain : kPlainTextExtensions) {
        if (ext == plain) return DocumentKind::PlainText;
    }
    return DocumentKind::OtherDocument;
}

}  // namespace zarovia::document
