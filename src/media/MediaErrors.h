#pragma once

#include "platform/Failure.h"

#include <QString>

namespace zarovia::media {

// The kinds of media failure, each with its own Japanese text.
enum class MediaErrorKind {
    NoDevice,          // a request that needs an open device, with none open
    FileNotFound,      // the file is not there
    PathNotFound,      // a folder on the way is not there
    AccessDenied,      // the file cannot be read (or is not a regular file)
    NotMediaFile,      // no media device serves the file's extension
    Unrecognised,      // the content is of no known type
    NotPlayable,       // the content is known but broken or without anything to play
    MissingPlugin,     // a decoder or demuxer is not installed; the detail names it
    MissingSoundFont,  // MIDI needs a sound font; the detail names the package
    Timeout,           // the file did not become ready in time
    Unknown,
};

QString mediaErrorText(MediaErrorKind kind, const QString& detail = {});

// A failure of the media device: the text the error box shows, and its kind for the tests.
class MediaError : public Failure {
public:
    explicit MediaError(MediaErrorKind kind, const QString& detail = {})
        : Failure(mediaErrorText(kind, detail)), kind_(kind), detail_(detail) {}
    MediaErrorKind kind() const noexcept { return kind_; }
    // What the text names beyond its kind (a missing plug-in, a sound font); may be empty.
    const QString& detail() const noexcept { return detail_; }

private:
    MediaErrorKind kind_;
    QString detail_;
};

}  // namespace zarovia::media
