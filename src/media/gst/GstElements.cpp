#include "media/gst/GstElements.h"

namespace zarovia::media {

QStringList requiredGstElements() {
    return {
        // The pipeline: playbin with its source, type finding and decoding bins, and the
        // elements its sinks are built from.
        QStringLiteral("playbin"),
        QStringLiteral("uridecodebin"),
        QStringLiteral("decodebin"),
        QStringLiteral("filesrc"),
        QStringLiteral("typefind"),
        QStringLiteral("multiqueue"),
        QStringLiteral("queue"),
        QStringLiteral("input-selector"),
        QStringLiteral("tee"),
        QStringLiteral("identity"),
        QStringLiteral("fakesink"),
        // Video into the program: converted to BGRx for the frames the panel paints.
        QStringLiteral("appsink"),
        QStringLiteral("videoconvert"),
        QStringLiteral("videoscale"),
        QStringLiteral("deinterlace"),
        // Sound out through the system's sink.
        QStringLiteral("autoaudiosink"),
        QStringLiteral("alsasink"),
        QStringLiteral("audioconvert"),
        QStringLiteral("audioresample"),
        QStringLiteral("volume"),
        // MPEG-1 and MPEG-2 program streams with MPEG audio.
        QStringLiteral("mpegpsdemux"),
        QStringLiteral("mpegvideoparse"),
        QStringLiteral("avdec_mpeg2video"),
        QStringLiteral("mpegaudioparse"),
        QStringLiteral("avdec_mp2float"),
        QStringLiteral("avdec_mp3"),
        // AVI with Motion JPEG, MPEG-4 part 2 and the older MPEG-4 variant, or raw pictures.
        QStringLiteral("avidemux"),
        QStringLiteral("jpegdec"),
        QStringLiteral("mpeg4videoparse"),
        QStringLiteral("avdec_mpeg4"),
        QStringLiteral("avdec_msmpeg4v2"),
        // WAV (PCM and ADPCM) and WMA.
        QStringLiteral("wavparse"),
        QStringLiteral("adpcmdec"),
        QStringLiteral("asfdemux"),
        QStringLiteral("avdec_wmav2"),
        // MIDI and RMI through a synthesiser with a sound font.
        QStringLiteral("midiparse"),
        QStringLiteral("fluiddec"),
    };
}

QString requiredSoundFont() {
    return QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2");
}

QString soundFontPackage() {
    return QStringLiteral("timgm6mb-soundfont");
}

QStringList defaultSoundFonts() {
    return {requiredSoundFont(), QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")};
}

}  // namespace zarovia::media
