#pragma once

#include <QObject>

// Progressive pictures decoded in passes: the first look, the finished picture, damage after
// the first look, and the stand-in picture that shows a look.
class JpegPassesTest : public QObject {
    Q_OBJECT

private slots:
    void firstLookThenFinished_data();
    void firstLookThenFinished();
    void firstLookAtDisplayScale_data();
    void firstLookAtDisplayScale();
    void firstLookShrunkAsTheFinishedPicture_data();
    void firstLookShrunkAsTheFinishedPicture();
    void noFirstLook_data();
    void noFirstLook();
    void damagedAfterTheFirstLook_data();
    void damagedAfterTheFirstLook();
    void previewPictureDrawsTheLook();
    void printingDoesNotWaitForADecodeInProgress();
};
