#pragma once

#include <QString>
#include <QStringList>

namespace zarovia::media {

// The engine's element factories the media device builds or relies on to play every media
// type it serves (MPEG-1/2 program streams, AVI with the usual codecs, WAV, WMA, MIDI), so that
// an installation can be checked against the packages that provide them.
QStringList requiredGstElements();

// The sound font MIDI is synthesised with, and the package that installs it.
QString requiredSoundFont();
QString soundFontPackage();

// Sound fonts tried in order for MIDI; the first one that exists is used.
QStringList defaultSoundFonts();

}  // namespace zarovia::media
