// What the window does to start quickly without changing what it shows: glyphs, texts, numbers
// and the icon baked at build time, the media pane, the interval field and the document pane's
// rich text made at their first use, no font loaded for a picture, the black pane while the first
// picture loads, the first look of a picture read ahead from the command line.
#include "Unit1.h"
#include "document/widgets/RichEditControl.h"
#include "media/widgets/DisplayPanel.h"
#include "media/widgets/MediaPlayerControl.h"
#include "media/widgets/TrackBar.h"
#include "picture/PictureCache.h"
#include "picture/widgets/ImageView.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "platform/controls/SpinEdit.h"
#include "shell/BakedNumberFields.h"
#include "shell/BakedPixels.h"
#include "shell/DeferredPane.h"
#include "shell/Glyphs.h"
#include "shell/PlatformFonts.h"
#include "support/FakeServices.h"
#include "support/QuickTry.h"
#include "support/TestPictures.h"

#include <QCheckBox>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

using namespace zarovia;
using shell::Command;
using testing::writeProgressive;

namespace {

QString resourceDir() {
    return QStringLiteral(ZAROVIA_RESOURCES);
}

QImage bakedImage(const shell::baked::BakedImage& baked) {
    return QImage(reinterpret_cast<const uchar*>(baked.pixels), baked.width, baked.height,
                  baked.width * 4, QImage::Format_ARGB32_Premultiplied)
        .copy();
}

QImage renderSvg(const QString& path, int size) {
    QSvgRenderer renderer(path);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return image;
}

QByteArray writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(bytes);
    return QFile::encodeName(file.fileName());
}

QByteArray writeBitmap(const QTemporaryDir& dir, const QString& name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(dir.filePath(name), "BMP");
    return QFile::encodeName(dir.filePath(name));
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;
    QTemporaryDir dir;

    void makeForm() {
        form.reset();
        rec = testing::Recorded();
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
    }
    void drop(const QByteArray& path) {
        form->guard([&] { form->FormDropFiles({path}); });
    }
    bool mediaPaneBuilt() const {
        return form->findChild<QWidget*>(QStringLiteral("MediaPlayer1")) != nullptr;
    }

private slots:
    void initTestCase() {
        shell::substitutePlatformFonts();
        QVERIFY(dir.isValid());
    }
    void cleanup() { form.reset(); }

    // --- Pictures baked at build time ---------------------------------------------------

    void bakedGlyphsAreTheirSvgDrawn_data() {
        QTest::addColumn<int>("glyph");
        for (int i = 0; i < shell::kGlyphCount; ++i) QTest::addRow("glyph %d", i) << i;
    }
    void bakedGlyphsAreTheirSvgDrawn() {
        QFETCH(int, glyph);
        const QString source = resourceDir() + QStringLiteral("/glyphs/glyph%1.svg").arg(glyph);
        QCOMPARE(bakedImage(shell::baked::kGlyphs[glyph]), renderSvg(source, 16));
        QCOMPARE(bakedImage(shell::baked::kGlyphsDoubleDensity[glyph]), renderSvg(source, 32));
    }

    void glyphIconsHoldBothDensities() {
        const auto glyphs = shell::loadGlyphs();
        for (const QIcon& icon : glyphs) {
            QVERIFY(!icon.isNull());
            const QImage normal = icon.pixmap(QSize(16, 16), 1.0).toImage();
            const QImage dense = icon.pixmap(QSize(16, 16), 2.0).toImage();
            QCOMPARE(normal.size(), QSize(16, 16));
            QCOMPARE(dense.size(), QSize(32, 32));
            // Something is drawn: not a transparent square.
            int inked = 0;
            for (int y = 0; y < normal.height(); ++y)
                for (int x = 0; x < normal.width(); ++x) inked += qAlpha(normal.pixel(x, y)) != 0;
            QVERIFY(inked > 16);
        }
    }

    void bakedIconIsTheProgramIcon_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size");
        QTest::newRow("window icon") << "icon/zarovia-32.png" << 32;
        QTest::newRow("about box") << "icon/zarovia-64.png" << 64;
    }
    void bakedIconIsTheProgramIcon() {
        QFETCH(QString, file);
        QFETCH(int, size);
        const QImage expected = QImage(resourceDir() + u'/' + file)
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QVERIFY(!expected.isNull());
        const QImage baked = size == 32 ? shell::programIcon().pixmap(32).toImage()
                                        : shell::programEmblem().toImage();
        QCOMPARE(baked.convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
    }

    // --- Deferred panes -----------------------------------------------------------------

    void deferredControlBuildsItsPaneOnce() {
        shell::DeferredPane pane;
        QWidget parent;
        shell::DeferredControl<QLabel> first(pane), second(pane);
        int builds = 0;
        bool builtDuringBuild = false;
        pane.setBuilder([&] {
            ++builds;
            builtDuringBuild = pane.built();
            first = new QLabel(&parent);
            second = new QLabel(&parent);
            first->setText(QStringLiteral("made"));  // the builder uses what it made
        });
        QVERIFY(!pane.built());
        QCOMPARE(first.ifBuilt(), nullptr);
        QCOMPARE(builds, 0);
        QCOMPARE(second->text(), QString());  // using any control builds them all
        QCOMPARE(builds, 1);
        QVERIFY(builtDuringBuild);
        QCOMPARE(static_cast<QLabel*>(first)->text(), QStringLiteral("made"));
        QVERIFY(first.ifBuilt() != nullptr);
        QWidget* asWidget = second;  // converts like the pointer it stands for
        QCOMPARE(asWidget->parentWidget(), &parent);
        pane.ensureBuilt();
        QCOMPARE(builds, 1);
    }

    // The window starts without the media pane's controls and makes them as defined when
    // one is first used, in the state the opens before left them in.
    void mediaPaneIsMadeAtFirstUse_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("controlsHidden");
        QTest::newRow("at start") << "" << false;
        QTest::newRow("after a picture") << "picture" << false;
        QTest::newRow("after a document") << "document" << true;
    }
    void mediaPaneIsMadeAtFirstUse() {
        QFETCH(QString, before);
        QFETCH(bool, controlsHidden);
        makeForm();
        QVERIFY(!mediaPaneBuilt());
        if (before == u"picture") {
            drop(writeBitmap(dir, QStringLiteral("p.bmp"), {40, 30}));
            QTRY_VERIFY(!form->isLoading());
        } else if (before == u"document") {
            drop(writeFile(dir, QStringLiteral("d.txt"), "text"));
            QTRY_VERIFY(!form->isLoading());
        }
        QVERIFY(rec.errors.isEmpty());
        QVERIFY2(!mediaPaneBuilt(), "pictures and documents leave the media pane unmade");
        QVERIFY2(!rec.mediaDevice, "pictures and documents load no media engine");

        QCOMPARE(form->TrackBar1->geometry(), QRect(264, 5, 336, 20));
        QVERIFY(mediaPaneBuilt());
        QCOMPARE(form->MediaPlayer1->parentWidget(), form->Panel2.get());
        QCOMPARE(form->Panel2->parentWidget(), form->CoolBar1.get());
        QCOMPARE(form->CoolBar1->parentWidget(), form->BackPanel);
        QCOMPARE(&form->MediaPlayer1->device(), static_cast<media::MediaDevice*>(rec.mediaDevice));
        QCOMPARE(form->Label4->size(), form->Label4->sizeHint());
        QCOMPARE(QFontInfo(form->Label3->font()).family(), QStringLiteral("IPAPMincho"));
        QVERIFY(form->CoolBar1->isHidden());
        QVERIFY(form->DisplayPanel->isHidden());
        for (QWidget* control :
             {static_cast<QWidget*>(form->Image3), static_cast<QWidget*>(form->Label3),
              static_cast<QWidget*>(form->Label4), static_cast<QWidget*>(form->MediaPlayer1),
              static_cast<QWidget*>(form->TrackBar1)})
            QCOMPARE(control->isHidden(), controlsHidden);
        QVERIFY(!form->Wide->isHidden());
    }

    // A pane made while the window shows it looks as one made with the window.
    void mediaPaneMadeOnScreenShowsItsControls() {
        makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        drop(writeFile(dir, QStringLiteral("t.wav"), QByteArray(64, '\0')));
        QVERIFY(mediaPaneBuilt());
        QVERIFY(form->BackPanel->isVisible());
        QVERIFY(form->CoolBar1->isVisible());
        QVERIFY(form->TrackBar1->isVisible());
        QVERIFY(form->MediaPlayer1->isVisible());
        QVERIFY(form->Image3->isVisible());
        QVERIFY(form->Label3->isVisible());
        QVERIFY(form->Label4->isVisible());
        QVERIFY(!form->Wide->isVisible());
    }

    // The interval field's line edit and the document pane's rich text lay text out through a
    // font as they are made. A window showing pictures makes neither: a slide show reads the
    // interval from the field's face. The field is made in the face's place and state when it
    // is first reached for; the rich text with the first document.
    void intervalFieldIsMadeWhenReachedFor_data() {
        QTest::addColumn<QString>("reach");
        QTest::addColumn<int>("value");
        QTest::newRow("pointer enters") << "enter" << 3;
        QTest::newRow("wheel turned") << "wheel" << 4;
        QTest::newRow("pressed") << "press" << 3;
        QTest::newRow("window asks") << "window" << 3;
    }
    void intervalFieldIsMadeWhenReachedFor() {
        QFETCH(QString, reach);
        QFETCH(int, value);
        QTemporaryDir pictures;
        writeBitmap(pictures, QStringLiteral("a.bmp"), {40, 30});
        const QByteArray second = writeBitmap(pictures, QStringLiteral("b.bmp"), {30, 40});
        makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        drop(second);
        QTRY_VERIFY(!form->isLoading());
        form->guard([&] { form->StartButtonClick(); });
        QVERIFY(form->Timer1->isEnabled());
        form->Timer1->fire();  // a tick takes the interval from the field
        QCOMPARE(form->Timer1->interval(), 3000);
        form->guard([&] { form->ActStopExecute(); });
        form->guard([&] { form->BackButtonClick(); });  // brings the tool bar back
        QTRY_VERIFY(!form->isLoading());
        QVERIFY(rec.errors.isEmpty());
        QVERIFY(!form->SpinEdit1.ifBuilt());
        QVERIFY(!form->RichEdit1.ifBuilt());

        shell::SpinEditFace* const face = form->SpinEditFace1;
        QVERIFY(face);
        QVERIFY(face->isVisible());
        const QPointer<shell::SpinEditFace> faceLeft = face;
        const QPointF inside(10, 10);
        if (reach == u"enter") {
            QEnterEvent enter(inside, face->mapTo(form.get(), inside), face->mapToGlobal(inside));
            QApplication::sendEvent(face, &enter);
        } else if (reach == u"wheel") {
            QWheelEvent wheel(inside, face->mapToGlobal(inside), QPoint(), QPoint(0, 120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(face, &wheel);
        } else if (reach == u"press") {
            QMouseEvent press(QEvent::MouseButtonPress, inside, face->mapToGlobal(inside),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(face, &press);
        }
        controls::SpinEdit* const field = form->SpinEdit1;
        QVERIFY(field);
        QVERIFY(field->isVisible());
        QCOMPARE(field->geometry(), QRect(231, 2, 50, 26));
        QCOMPARE(field->value(), value);
        QCOMPARE(field->minimum(), 1);
        QCOMPARE(field->maximum(), 60);
        QCOMPARE(field->toolTip(), QStringLiteral("表示時間（秒）"));
        QCOMPARE(form->SpinEditFace1, nullptr);
        QTRY_VERIFY(faceLeft.isNull());
        field->setValue(7);
        form->guard([&] { form->StartButtonClick(); });
        form->Timer1->fire();
        QCOMPARE(form->Timer1->interval(), 7000);
    }

    void richTextIsMadeWithTheFirstDocument() {
        makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(!form->RichEdit1.ifBuilt());
        form->resize(700, 520);
        drop(writeFile(dir, QStringLiteral("first.txt"), "first document"));
        QTRY_VERIFY(!form->isLoading());
        QVERIFY(rec.errors.isEmpty());
        document::RichEditControl* const richText = form->RichEdit1.ifBuilt();
        QVERIFY(richText);
        QVERIFY(richText->isVisible());
        QCOMPARE(richText->toPlainText(), QStringLiteral("first document"));
        // Made after the window grew, it fills the document pane below its tool bar as one made
        // with the window does.
        const QRect made = richText->geometry();
        form->resize(640, 480);
        form->resize(700, 520);
        QCOMPARE(richText->geometry(), made);
    }

    // The program itself, started on a picture, maps no font file and no font cache while it
    // shows the picture; started on a text, it does (so that the look sees them).
    void pictureStartOpensNoFont_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("waitFor");
        QTest::addColumn<bool>("fontsExpected");
        QTest::newRow("picture") << "p.jpg" << QByteArray("picture painted") << false;
        QTest::newRow("text") << "t.txt" << QByteArray("first paint") << true;
    }
    void pictureStartOpensNoFont() {
        QFETCH(QString, file);
        QFETCH(QByteArray, waitFor);
        QFETCH(bool, fontsExpected);
        QTemporaryDir folder;
        QImage picture(320, 240, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(folder.filePath(QStringLiteral("p.jpg")), "JPEG"));
        QVERIFY(!writeFile(folder, QStringLiteral("t.txt"), "a short text\n").isEmpty());

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("ZAROVIA_STARTUP_PROFILE"), QStringLiteral("1"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(ZAROVIA_PROGRAM), {folder.filePath(file)});
        QVERIFY2(program.waitForStarted(), ZAROVIA_PROGRAM);
        QByteArray profile;
        QTRY_VERIFY_WITH_TIMEOUT((profile += program.readAllStandardError()).contains(waitFor),
                                 10000);
        const auto mappedFonts = [&] {
            QFile maps(QStringLiteral("/proc/%1/maps").arg(program.processId()));
            QStringList fonts;
            if (!maps.open(QIODevice::ReadOnly)) return fonts;
            static const QRegularExpression font(
                QStringLiteral(R"(\.(ttf|otf|ttc|pfb|pcf(\.gz)?)$|/fontconfig/.*\.cache-)"));
            for (const QByteArray& line : maps.readAll().split('\n'))
                if (const QString path = QString::fromUtf8(line.mid(line.indexOf('/')));
                    line.contains('/') && font.match(path).hasMatch())
                    fonts << path;
            return fonts;
        };
        if (fontsExpected) {
            QTRY_VERIFY_WITH_TIMEOUT(!mappedFonts().isEmpty(), 5000);
        } else {
            // What the window does once the picture is on screen (the read ahead) counts too.
            QTest::qWait(300);
            QCOMPARE(mappedFonts(), QStringList());
        }
        program.kill();
        program.waitForFinished();
    }

    void fullScreenGlyphReachesALaterPane() {
        makeForm();
        form->guard([&] { form->FullScreenButtonClick(); });
        QCOMPARE(form->FullScreenButton->glyphIndex(), shell::kGlyphFullScreen);
        QVERIFY(!mediaPaneBuilt());
        QCOMPARE(form->FSBT->glyphIndex(), shell::kGlyphFullScreen);
        form->guard([&] { form->FullScreenButtonClick(); });
        QCOMPARE(form->FSBT->glyphIndex(), shell::kGlyphNormalScreen);
    }

    void positionTimerBeforeAnyMediaDoesNothing() {
        makeForm();
        form->Timer3->fire();
        QVERIFY(!mediaPaneBuilt());
        QVERIFY(rec.errors.isEmpty());
    }

    // --- The first picture --------------------------------------------------------------

    // While the first picture loads the pane is black (no title picture for a moment); a
    // picture that cannot be shown leaves the title picture, with the error.
    void firstPictureLoadsOnABlackPane_data() {
        QTest::addColumn<bool>("loads");
        QTest::newRow("picture") << true;
        QTest::newRow("damaged picture") << false;
    }
    void firstPictureLoadsOnABlackPane() {
        QFETCH(bool, loads);
        makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(form->P1->isVisible());  // the title picture
        const QByteArray path =
            loads ? writeBitmap(dir, QStringLiteral("first.bmp"), {60, 40})
                  : writeFile(dir, QStringLiteral("bad.bmp"), QByteArray(64, 'x'));
        *rec.readDelayMs = 300;
        drop(path);
        QVERIFY(form->isLoading());
        QVERIFY(form->BP1->isVisible());
        QVERIFY(!form->P1->isVisible());
        QTRY_VERIFY(!form->isLoading());
        QVERIFY(form->P1->isVisible());
        if (loads) {
            QVERIFY(rec.errors.isEmpty());
            QCOMPARE(form->Image2->picture().size(), QSize(60, 40));
        } else {
            QCOMPARE(rec.errors.size(), 1);
            QCOMPARE(form->Image2->picture().size(), QSize(640, 506));
        }
        // Later pictures replace the one shown without a black pane in between.
        if (loads) {
            drop(writeBitmap(dir, QStringLiteral("second.bmp"), {50, 40}));
            QVERIFY(form->isLoading());
            QVERIFY(form->P1->isVisible());
            QTRY_VERIFY(!form->isLoading());
        }
    }

    // A picture read ahead for a certain show is handed over on the calling thread, without a
    // worker and without touching the file, only while it is fresh and ready to draw at the
    // size asked for; anything else goes to the workers.
    void readyNowOnlyForAFreshCertainReadAhead_data() {
        QTest::addColumn<bool>("certain");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("freshForMs");
        QTest::addColumn<bool>("ready");
        QTest::newRow("bitmap") << true << "r.bmp" << QSize(640, 480) << 5000 << true;
        QTest::newRow("jpeg") << true << "r.jpg" << QSize(640, 480) << 5000 << true;
        QTest::newRow("read ahead for a step")
            << false << "r.bmp" << QSize(640, 480) << 5000 << false;
        QTest::newRow("jpeg, another size")
            << true << "r.jpg" << QSize(1280, 1024) << 5000 << false;
        QTest::newRow("no longer fresh") << true << "r.bmp" << QSize(640, 480) << 0 << false;
    }
    void readyNowOnlyForAFreshCertainReadAhead() {
        QFETCH(bool, certain);
        QFETCH(QString, file);
        QFETCH(QSize, client);
        QFETCH(int, freshForMs);
        QFETCH(bool, ready);
        rec = testing::Recorded();
        picture::PictureCache cache(testing::fakeFileSource(&rec), std::make_shared<WorkerPool>());
        const QByteArray path = file.endsWith(u".jpg")
                                    ? writeProgressive(dir, file, QSize(1600, 1200))
                                    : writeBitmap(dir, file, QSize(1600, 1200));
        QCOMPARE(cache.readyNow(path, QSize(640, 480), 1.0, 5000).has_value(), false);
        cache.prefetch(path, QSize(640, 480),
                       certain ? picture::PictureCache::Use::Certain
                               : picture::PictureCache::Use::Speculative);
        QTRY_VERIFY(cache.holds(path));
        QTest::qWait(5);
        const auto now = cache.readyNow(path, client, 1.0, freshForMs);
        QCOMPARE(now.has_value(), ready);
        if (ready) {
            QCOMPARE(now->picture.size(), QSize(1600, 1200));
            QVERIFY(now->fromCache);
            QVERIFY(!now->failure);
        }
        // Read once: a large JPEG by its head, then piece by piece as it decodes.
        QCOMPARE(*rec.reads, file.endsWith(u".jpg") ? 2 : 1);
        QCOMPARE(*rec.readsOnWindowThread, 0);
    }

    // The picture named on the command line, read ahead while the window was built, is in the
    // window's first paint: the show takes it at once.
    void commandLinePictureIsShownAtOnce() {
        makeForm();
        const QByteArray path = writeBitmap(dir, QStringLiteral("cmd.bmp"), QSize(300, 200));
        auto cache = std::make_unique<picture::PictureCache>(testing::fakeFileSource(&rec),
                                                             std::make_shared<WorkerPool>());
        cache->prefetch(path, QSize(640, 480), picture::PictureCache::Use::Certain);
        QTRY_VERIFY(cache->holds(path));
        form->setPictureCache(std::move(cache));
        form->setCommandLineFiles({path});
        form->show();  // no event is processed before these checks
        QVERIFY(!form->isLoading());
        QVERIFY(form->P1->isVisible());
        QCOMPARE(form->Image2->picture().size(), QSize(300, 200));
        QCOMPARE(form->windowTitle(), QStringLiteral(" Zarovia        manu       cmd.bmp"));
        QVERIFY(rec.errors.isEmpty());
    }

    // The picture named on the command line is read ahead before the window exists; a
    // progressive one shows its first look from that decode while it goes on.
    void readAheadPictureShowsItsFirstLook() {
        const QByteArray path =
            writeProgressive(dir, QStringLiteral("start.jpg"), QSize(3000, 2000));
        rec = testing::Recorded();
        auto cache = std::make_unique<picture::PictureCache>(testing::fakeFileSource(&rec),
                                                             std::make_shared<WorkerPool>());
        // The read ahead is still reading when the window asks for the picture.
        *rec.readDelayMs = 200;
        cache->prefetch(path, QSize(640, 480), picture::PictureCache::Use::Certain);
        std::atomic<int> looks{0};
        std::atomic<bool> lookSizeRight{true};
        std::optional<picture::LoadedPicture> result;
        cache->load(
            path, QSize(640, 480), 1.0, this,
            [&](picture::LoadedPicture loaded) { result = std::move(loaded); },
            [&](picture::Picture preview) {  // on a worker
                if (preview.size() != QSize(3000, 2000)) lookSizeRight = false;
                ++looks;
            });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 20000);
        QVERIFY(!result->failure);
        QVERIFY(result->fromCache);
        QCOMPARE(looks.load(), 1);
        QVERIFY(lookSizeRight);
        QCOMPARE(*rec.reads, 2);  // the read ahead's head and decode; the load read nothing
        // A load after the decode has finished shows the picture, with no first look.
        std::optional<picture::LoadedPicture> again;
        cache->load(
            path, QSize(640, 480), 1.0, this,
            [&](picture::LoadedPicture loaded) { again = std::move(loaded); },
            [&](picture::Picture) { ++looks; });
        QTRY_VERIFY(again.has_value());
        QCOMPARE(looks.load(), 1);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
