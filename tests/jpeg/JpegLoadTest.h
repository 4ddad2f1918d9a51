#pragma once

#include <QObject>

// Loading: the header only, the failure codes, every corpus file, every cut of a file.
class JpegLoadTest : public QObject {
    Q_OBJECT

private slots:
    void failsWithLibjpegCode_data();
    void failsWithLibjpegCode();
    void corpusFile_data();
    void corpusFile();
    void loadReadsTheHeaderOnly();
    void keepsTheFileBytesShared();
    void fatalErrorInScansFailsAtDecodeNotAtLoad();
    void progressiveAboveMemoryCapFailsAtDecode();
    void endlessScansAreCut();
    void truncatedFileShowsTheRestGrey();
    void everyPrefixFailsCleanlyOrShows_data();
    void everyPrefixFailsCleanlyOrShows();
};
