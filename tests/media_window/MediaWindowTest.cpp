// Sound and video through the real window with a scripted media device (the fake services'
// factory): the two layouts, the position bar, the video area, the media bar toggle by a real
// mouse press on the video, the device kept across panes, failures, and a window that keeps
// answering while an open takes its time.
#include "media/DeferredMediaDevice.h"
#include "media/MediaErrors.h"
#include "media/widgets/DisplayPanel.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

using namespace zarovia;
using media::FakeMediaDevice;
using shell::Command;

namespace {

QByteArray clip(const char* name) {
    return QByteArray(ZAROVIA_TEST_DATA) + "/media/" + name;
}

QImage testFrame() {
    QImage frame(160, 120, QImage::Format_RGB32);
    frame.fill(Qt::blue);
    return frame;
}

// The longest pause between the ticks of a fast timer on the window's thread.
class LoopWatch {
public:
    LoopWatch() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, clock_.restart());
            ++ticks_;
        });
        clock_.start();
        timer_.start();
    }
    qint64 longestGapMs() const { return longest_; }
    int ticks() const { return ticks_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
    int ticks_ = 0;
};

}  // namespace

class MediaWindowTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    FakeMediaDevice* device = nullptr;

    void drop(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
    }
    // Drops a media file and waits until it is open and playing.
    void dropAndStart(const QByteArray& path) {
        QSignalSpy started(form->MediaPlayer1.get(), &media::MediaPlayerControl::started);
        drop(path);
        QTRY_COMPARE(started.count(), 1);
    }
    QByteArray writePicture(QTemporaryDir& dir) {
        QImage picture(20, 20, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString path = dir.filePath(QStringLiteral("p.bmp"));
        picture.save(path);
        return QFile::encodeName(path);
    }

private slots:
    void initTestCase() { window::substitutePlatformFonts(); }
    void init() {
        rec = testing::Recorded();
        rec.screen = QSize(1024, 768);
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        (void)form->MediaPlayer1.get();  // the device comes with the media pane
        device = rec.mediaDevice;
        QVERIFY(device);
        device->lengthMs = 2500;
        device->firstFrame = testFrame();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void soundLayout() {
        drop(clip("tone.wav"));
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));
        // Laid out at once, before the device has opened the file.
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
        QCOMPARE(form->SizePanel->caption(), QStringLiteral("19.61 KB"));
        QVERIFY(device->isOpening());
        QVERIFY(!form->Timer3->isEnabled());

        // Once open: playing, the timer on, the bar's range the length.
        QTRY_VERIFY(form->Timer3->isEnabled());
        QCOMPARE(device->log, (QStringList{"open " + QString::fromUtf8(clip("tone.wav")), "play"}));
        QCOMPARE(form->TrackBar1->minimum(), 0);
        QCOMPARE(form->TrackBar1->maximum(), 2500);
        QCOMPARE(form->MediaPlayer1->effectiveEnabledButtons(),
                 media::PlayerButtonSet(media::PlayerButton::Stop));
        // The position bar follows the playing sound.
        device->positionMs = 400;
        form->Timer3->fire();
        QCOMPARE(form->TrackBar1->position(), 400);
        // A length the engine corrects later moves the bar's end.
        device->changeLength(2600);
        QCOMPARE(form->TrackBar1->maximum(), 2600);
        QVERIFY(rec.errors.isEmpty());
    }

    void videoLayoutAndArea() {
        form->Wide->setChecked(true);
        dropAndStart(clip("clip_mjpeg.avi"));
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));
        QVERIFY(!form->CoolBar1->isVisible());
        QVERIFY(!form->Wide->isChecked());
        QCOMPARE(form->DisplayPanel->geometry(), QRect(143, 120, 353, 240));
        QCOMPARE(form->state().VideoWidth, 353);
        QCOMPARE(form->state().VideoTop, 120);
        // The new video got the area's rectangle as soon as it was open.
        QCOMPARE(device->lastDisplayRect, QRect(0, 0, 353, 240));
        form->Wide->setChecked(true);
        QCOMPARE(form->DisplayPanel->geometry(), QRect(0, 99, 640, 281));
        QCOMPARE(form->DisplayPanel->displayRect(), QRect(0, 0, 640, 281));
        // Full screen sizes the area from the screen width.
        form->command(Command::FullScreen)->trigger();
        QTRY_COMPARE(form->DisplayPanel->geometry(), QRect(0, 159, 1024, 450));
        form->Wide->setChecked(false);
        QCOMPARE(form->DisplayPanel->geometry(), QRect(0, 36, 1024, 696));
        QCOMPARE(form->DisplayPanel->framesPresented(), 1);
    }

    void rightPressOnTheVideoTogglesTheMediaBar() {
        dropAndStart(clip("clip.mpg"));
        QVERIFY(form->DisplayPanel->isVisible());
        QVERIFY(!form->DisplayPanel->currentFrame().isNull());  // a picture is being shown
        QVERIFY(form->CoolBar1->isHidden());
        const QRect area = form->DisplayPanel->rect();
        const QPoint centre = area.center(), nearCorner = area.topLeft() + QPoint(2, 2),
                     farCorner = area.bottomRight() - QPoint(2, 2);

        // Real presses, routed by the window to the widget under the pointer.
        QTest::mousePress(form->DisplayPanel.get(), Qt::RightButton, {}, centre);
        QVERIFY(!form->CoolBar1->isHidden());
        QVERIFY(!rec.cursorHidden);
        QTest::mousePress(form->DisplayPanel.get(), Qt::RightButton, {}, nearCorner);
        QVERIFY(form->CoolBar1->isHidden());
        QVERIFY(rec.cursorHidden);
        QTest::mousePress(form->DisplayPanel.get(), Qt::LeftButton, {}, centre);  // does nothing
        QVERIFY(form->CoolBar1->isHidden());

        // After the end just the same; and on the black margin around the video too.
        device->finishPlaying();
        QTest::mousePress(form->DisplayPanel.get(), Qt::RightButton, {}, farCorner);
        QVERIFY(!form->CoolBar1->isHidden());
        const QPoint margin = form->DisplayPanel->geometry().bottomRight() + QPoint(10, 10);
        QTest::mousePress(form->BackPanel, Qt::RightButton, {}, margin);
        QVERIFY(form->CoolBar1->isHidden());
        QVERIFY(rec.cursorHidden);
        QVERIFY(rec.errors.isEmpty());
    }

    void wideLabelIsBlack() {
        dropAndStart(clip("clip.mpg"));
        form->guard([&] { form->DisplayPanelMouseDown(Qt::RightButton); });
        QVERIFY(form->Wide->isVisible());
        const QImage shot = form->Wide->grab().toImage();
        int lime = 0, dark = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (c.green() > 200 && c.red() < 80 && c.blue() < 80) ++lime;
                if (c.lightness() < 60) ++dark;
            }
        QCOMPARE(lime, 0);
        QVERIFY2(dark > 20, qPrintable(QString::number(dark)));  // the text, in black
    }

    void slowOpenLeavesTheWindowAnswering() {
        device->openDelayMs = 2000;
        LoopWatch watch;
        drop(clip("clip.mpg"));
        QVERIFY(device->isOpening());
        QTest::qWait(300);
        QCOMPARE(form->cursor().shape(), Qt::BusyCursor);  // a wait the user can see
        // The player's Stop answers at once, without a failure, and so does the window.
        form->MediaPlayer1->setEnabledButtons(media::PlayerButton::Stop);
        form->MediaPlayer1->click(media::PlayerButton::Stop);
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));
        QTest::qWait(300);
        form->close();
        QVERIFY(!form->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(form->Timer3->isEnabled(), 6000);  // the open has finished
        // An open on the window's thread would hold it two seconds.
        QVERIFY2(watch.longestGapMs() < 500, qPrintable(QString::number(watch.longestGapMs())));
        QVERIFY2(watch.ticks() > 100, qPrintable(QString::number(watch.ticks())));  // 2 s
        QCOMPARE(form->cursor().shape(), Qt::ArrowCursor);
        // Stop was pressed while the file opened: it stays stopped.
        QCOMPARE(device->mode(), media::MediaMode::Stopped);
        QVERIFY(!device->log.contains(QStringLiteral("play")));

        // Destroyed with another open under way: nothing arrives afterwards.
        drop(clip("tone.wav"));
        QVERIFY(device->isOpening());
        form.reset();
        QTest::qWait(50);
    }

    // The engine's module loads for two seconds the first time media is used (a cold disk): a
    // video after a picture is laid out at once in its order (caption, pane, then the file
    // open and playing), and the window keeps answering meanwhile.
    void slowEngineLoadLeavesTheWindowAnswering() {
        QTemporaryDir dir;
        const QByteArray picture = writePicture(dir);
        form.reset();
        Services services = testing::fakeServices(&rec);
        FakeMediaDevice* made = nullptr;
        services.mediaDevice = [&made] {
            return std::make_unique<media::DeferredMediaDevice>(
                [] { QThread::msleep(2000); },
                [&made] {
                    auto fake = std::make_unique<FakeMediaDevice>();
                    fake->lengthMs = 2500;
                    made = fake.get();
                    return fake;
                });
        };
        form = std::make_unique<TzaroForm1>(std::move(services));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        drop(picture);
        QTRY_VERIFY(!form->isLoading());
        LoopWatch watch;
        drop(clip("clip.mpg"));
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       clip.mpg"));
        QVERIFY(form->BackPanel->isVisible());
        QVERIFY(form->DisplayPanel->isVisible());
        QVERIFY(form->isLoading());
        QVERIFY(!made);
        QTRY_VERIFY_WITH_TIMEOUT(form->Timer3->isEnabled(), 8000);
        QVERIFY(made);
        QCOMPARE(made->log.first(), QStringLiteral("open ") + clip("clip.mpg"));
        QVERIFY(made->log.contains(QStringLiteral("play")));
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));
        // Loading the module on the window's thread would hold it two seconds.
        QVERIFY2(watch.longestGapMs() < 500, qPrintable(QString::number(watch.longestGapMs())));
    }

    void failureOfAFileLeftBehindIsDropped() {
        device->holdOpens = true;
        device->failNextOpen = media::MediaErrorKind::NotPlayable;
        drop(clip("tone.wav"));
        QTemporaryDir dir;
        drop(writePicture(dir));  // the user moves on before the device has an answer
        device->finishOpen();
        QVERIFY2(rec.errors.isEmpty(), qPrintable(rec.errors.join(u'\n')));

        // The same failure for the file on show: one error box, when it is known.
        device->failNextOpen = media::MediaErrorKind::NotPlayable;
        drop(clip("tone.wav"));
        QVERIFY(rec.errors.isEmpty());
        device->finishOpen();
        QCOMPARE(rec.errors,
                 QStringList{media::mediaErrorText(media::MediaErrorKind::NotPlayable) + "."});
    }

    void commandLineWaitsForEachMediaFile_data() {
        QTest::addColumn<bool>("firstFails");
        QTest::newRow("opens: the next file follows") << false;
        QTest::newRow("fails: the list stops there") << true;
    }
    void commandLineWaitsForEachMediaFile() {
        QFETCH(bool, firstFails);
        form.reset();
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        (void)form->MediaPlayer1.get();
        device = rec.mediaDevice;
        device->holdOpens = true;
        if (firstFails) device->failNextOpen = media::MediaErrorKind::NotPlayable;
        form->setCommandLineFiles({clip("tone.wav"), clip("clip.mpg")});
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        // The second file waits until the first has opened (or failed).
        QCOMPARE(device->log, QStringList{"open " + QString::fromUtf8(clip("tone.wav"))});
        device->finishOpen();
        if (firstFails) {
            QCOMPARE(rec.errors.size(), 1);
            QCOMPARE(device->log.size(), 1);
            QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       tone.wav"));
        } else {
            QVERIFY(rec.errors.isEmpty());
            QCOMPARE(device->log.last(), "open " + QString::fromUtf8(clip("clip.mpg")));
            device->finishOpen();
            QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia       clip.mpg"));
            QCOMPARE(device->mode(), media::MediaMode::Playing);
        }
    }

    void failedOpenAfterAGoodOne() {
        dropAndStart(clip("tone.wav"));
        device->failNextOpen = media::MediaErrorKind::Unrecognised;
        drop(clip("bad_random.avi"));
        QTRY_COMPARE(rec.errors.size(), 1);
        QVERIFY(!device->isOpen());
        QVERIFY(device->log.contains(QStringLiteral("close")));
        QVERIFY(form->BackPanel->isVisible());
        QVERIFY(form->Timer3->isEnabled());
        QCOMPARE(form->TrackBar1->maximum(), 2500);  // the range stays
        // With no device open a tick of the position timer does nothing.
        form->Timer3->fire();
        QTest::qWait(20);
        QCOMPARE(rec.errors.size(), 1);
    }

    void soundGoesOnUnderPictures() {
        dropAndStart(clip("tune.mid"));
        QTemporaryDir dir;
        drop(writePicture(dir));
        QTRY_VERIFY(form->BP1->isVisible());
        QVERIFY(device->isOpen());
        QCOMPARE(device->mode(), media::MediaMode::Playing);
        QCOMPARE(device->log.size(), 2);  // open and play: nothing stopped or closed it
        QVERIFY(rec.errors.isEmpty());
    }

    void documentWhilePlayingSeeksToStart() {
        dropAndStart(clip("tone.wav"));
        device->positionMs = 500;
        form->Timer3->fire();
        QCOMPARE(form->TrackBar1->position(), 500);
        QTemporaryDir dir;
        QFile text(dir.filePath(QStringLiteral("t.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("x");
        text.close();
        drop(QFile::encodeName(text.fileName()));
        QVERIFY(rec.errors.isEmpty());
        QCOMPARE(device->log.last(), QStringLiteral("seek 0"));
        QVERIFY(device->isOpen());  // sought, not closed
    }

    void draggingTheBarSeeksNearbyThenExactly() {
        dropAndStart(clip("tone.wav"));
        QVERIFY(form->TrackBar1->isVisible());  // the sound layout shows the media bar
        device->log.clear();
        // A click in the track: the thumb jumps there and the device with it, exactly.
        const int y = form->TrackBar1->height() / 2;
        const QPoint half(form->TrackBar1->width() / 2, y);
        QTest::mousePress(form->TrackBar1.get(), Qt::LeftButton, {}, half);
        const int clicked = form->TrackBar1->position();
        QVERIFY2(qAbs(clicked - 1250) < 100, qPrintable(QString::number(clicked)));
        QCOMPARE(device->log, QStringList{QStringLiteral("seek %1").arg(clicked)});
        // Dragged on from there: a nearby seek; letting go: an exact one where the thumb is.
        const QPoint threeQuarters(form->TrackBar1->width() * 3 / 4, y);
        QMouseEvent move(QEvent::MouseMove, threeQuarters,
                         form->TrackBar1->mapToGlobal(threeQuarters), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(form->TrackBar1.get(), &move);
        const int dragged = form->TrackBar1->position();
        QVERIFY(dragged > clicked + 200);
        QCOMPARE(device->log.last(), QStringLiteral("seekNearby %1").arg(dragged));
        QTest::mouseRelease(form->TrackBar1.get(), Qt::LeftButton, {}, threeQuarters);
        QCOMPARE(device->log, (QStringList{QStringLiteral("seek %1").arg(clicked),
                                           QStringLiteral("seekNearby %1").arg(dragged),
                                           QStringLiteral("seek %1").arg(dragged)}));
        QVERIFY(rec.errors.isEmpty());
    }

    void missingMediaFileFailsAtTheSizeReadout() {
        drop(clip("missing.wav"));
        QCOMPARE(rec.errors, QStringList{QStringLiteral("ファイルが見つかりません.")});
        QVERIFY(form->BackPanel->isVisible());
        QVERIFY(!form->Panel2->isVisible());
        QVERIFY(device->log.isEmpty());
    }
};

QTEST_MAIN(MediaWindowTest)
#include "MediaWindowTest.moc"
