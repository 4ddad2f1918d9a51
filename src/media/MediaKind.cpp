#include "media/MediaKind.h"

#include "platform/PathSplit.h"

#include <array>
#include <string_view>

namespace zarovia::media {

namespace {

struct ExtensionKind {
    std::string_view extension;
    MediaKind kind;
};

// In the order the media decision compares them.
constexpr std::array<ExtensionKind, 7> kMediaExtensions{{
    {".AVI", MediaKind::Video},
    {".MPG", MediaKind::Video},
    {".MPEG", MediaKind::Video},
    {".MID", MediaKind::Sound},
    {".RMI", MediaKind::Sound},
    {".WAV", MediaKind::Sound},
    {".WMA", MediaKind::Sound},
}};

bool equals(const QByteArray& bytes, std::string_view text) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())) == text;
}

}  // namespace

MediaKind mediaKindOfExtension(const QByteArray& upperExtension) {
    for (const auto& entry : kMediaExtensions) {
        if (equals(upperExtension, entry.extension)) return entry.kind;
    }
    return MediaKind::NotMedia;
}

MediaKind mediaKindOfPath(const QByteArray& path) {
    return mediaKindOfExtension(upperAscii(extensionPart(path)));
}

bool isMidiExtension(const QByteArray& upperExtension) {
    return equals(upperExtension, ".MID") || equals(upperExtension, ".RMI");
}

}  // namespace zarovia::media
