// Sound and video through the real window and the real media engine (silent, in real time):
// the two layouts, the position bar, the video area, the media bar toggle, and the device
// kept across panes.
#include "Unit1.h"
#include "media/widgets/DisplayPanel.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "shell/PlatformFonts.h"
#include "support/FakeServices.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace zarovia;
using shell::Command;

namespace {

QByteArray clip(const char* name) {
    return QByteArray(ZAROVIA_TEST_DATA) + "/media/" + name;
}

}  // namespace

class MediaWindowTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;

    void drop(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
    }

private slots:
    void initTestCase() { shell::substitutePlatformFonts(); }
    void init() {
        rec = testing::Recorded();
        rec.screen = QSize(1024, 768);
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void soundLayout() {
        drop(clip("tone.wav"));
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));
        QVERIFY(form->BackPanel->isVisible());
        QVERIFY(!form->BP1->isVisible());
        QVERIFY(!form->state().PictureMode);
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       tone.wav"));
        QVERIFY(form->CoolBar1->isVisible());
        QVERIFY(!form->Wide->isVisible());
        QVERIFY(form->TrackBar1->isVisible());
        QCOMPARE(form->Image3->geometry(),
                 QRect(0, form->CoolBar1->height(), 640, 480 - form->CoolBar1->height()));
        const QSize outer = form->frameGeometry().size();
        const QSize l3 = form->Label3->size(), l4 = form->Label4->size();
        QCOMPARE(form->Label3->pos(), QPoint((outer.width() - l3.width()) / 2 - 10,
                                             (outer.height() - l3.height()) / 2 + 30));
        QCOMPARE(form->Label4->pos(),
                 QPoint((outer.width() - l4.width()) / 2, (outer.height() - l4.height()) / 2 - 55));
        QVERIFY(form->Timer3->isEnabled());
        QCOMPARE(form->TrackBar1->minimum(), 0);
        QCOMPARE(form->TrackBar1->maximum(), form->MediaPlayer1->length());
        QVERIFY(form->MediaPlayer1->length() > 1000);
        // The position bar follows the playing sound.
        QTest::qWait(400);
        form->Timer3->fire();
        QVERIFY(form->TrackBar1->position() > 0);
        QCOMPARE(form->SizePanel->caption(), QStringLiteral("19.61 KB"));
    }

    void videoLayoutAndArea() {
        form->Wide->setChecked(true);
        drop(clip("clip_mjpeg.avi"));
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));
        QVERIFY(!form->CoolBar1->isVisible());
        QVERIFY(!form->Wide->isChecked());
        QCOMPARE(form->DisplayPanel->geometry(), QRect(143, 120, 353, 240));
        QCOMPARE(form->state().VideoWidth, 353);
        QCOMPARE(form->state().VideoTop, 120);
        form->Wide->setChecked(true);
        QCOMPARE(form->DisplayPanel->geometry(), QRect(0, 99, 640, 281));
        QCOMPARE(form->DisplayPanel->displayRect(), QRect(0, 0, 640, 281));
        // Full screen sizes the area from the screen width.
        form->command(Command::FullScreen)->trigger();
        QTRY_COMPARE(form->DisplayPanel->geometry(), QRect(0, 159, 1024, 450));
        form->Wide->setChecked(false);
        QCOMPARE(form->DisplayPanel->geometry(), QRect(0, 36, 1024, 696));
        // Frames arrive and are painted into the panel.
        QTRY_VERIFY_WITH_TIMEOUT(form->DisplayPanel->framesPresented() > 0, 5000);
    }

    void rightPressTogglesTheMediaBar() {
        drop(clip("clip.mpg"));
        QVERIFY(rec.errors.isEmpty());
        QVERIFY(form->CoolBar1->isHidden());
        form->guard([&] { form->DisplayPanelMouseDown(Qt::RightButton); });
        QVERIFY(!form->CoolBar1->isHidden());
        QVERIFY(!rec.cursorHidden);
        form->guard([&] { form->DisplayPanelMouseDown(Qt::LeftButton); });
        QVERIFY(!form->CoolBar1->isHidden());
        form->guard([&] { form->BackPanelMouseDown(Qt::RightButton); });
        QVERIFY(form->CoolBar1->isHidden());
        QVERIFY(rec.cursorHidden);
    }

    void soundGoesOnUnderPictures() {
        drop(clip("tune.mid"));
        QVERIFY(rec.errors.isEmpty());
        QTemporaryDir dir;
        QImage picture(20, 20, QImage::Format_RGB32);
        picture.fill(Qt::red);
        picture.save(dir.filePath(QStringLiteral("p.bmp")));
        drop(QFile::encodeName(dir.filePath(QStringLiteral("p.bmp"))));
        QVERIFY(form->BP1->isVisible());
        QVERIFY(form->MediaPlayer1->device().isOpen());
        QCOMPARE(int(form->MediaPlayer1->mode()), int(media::MediaMode::Playing));
    }

    void documentWhilePlayingSeeksToStart() {
        drop(clip("tone.wav"));
        QTest::qWait(600);
        form->Timer3->fire();
        QVERIFY(form->MediaPlayer1->position() > 100);
        QTemporaryDir dir;
        QFile text(dir.filePath(QStringLiteral("t.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("x");
        text.close();
        drop(QFile::encodeName(text.fileName()));
        QVERIFY(rec.errors.isEmpty());
        QVERIFY(form->MediaPlayer1->position() < 100);
    }

    void failedOpenAfterAGoodOne() {
        drop(clip("tone.wav"));
        QVERIFY(rec.errors.isEmpty());
        drop(clip("bad_random.avi"));
        QCOMPARE(rec.errors.size(), 1);
        QVERIFY(!form->MediaPlayer1->device().isOpen());
        QVERIFY(form->BackPanel->isVisible());
        // With no device open a tick of the position timer does nothing.
        form->Timer3->fire();
        QCOMPARE(rec.errors.size(), 1);
    }

    void missingMediaFileFailsAtTheSizeReadout() {
        drop(clip("missing.wav"));
        QCOMPARE(rec.errors, QStringList{QStringLiteral("ファイルが見つかりません.")});
        QVERIFY(form->BackPanel->isVisible());
        QVERIFY(!form->Panel2->isVisible());
    }
};

QTEST_MAIN(MediaWindowTest)
#include "MediaWindowTest.moc"
