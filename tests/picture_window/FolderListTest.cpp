// The folder's picture list through the real window: the opened picture is shown before its
// folder is listed, and what the user does meanwhile (steps, Start, a tick, a click) is carried
// out when the list arrives. Each row holds the listing back (the slow-listing seam) until its
// steps are taken, so that every step happens before the list is there.
#include "picture/widgets/ImageView.h"
#include "platform/controls/IntervalTimer.h"
#include "platform/controls/Panel.h"
#include "support/FakeServices.h"
#include "window/PlatformFonts.h"
#include "window/Unit1.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace zarovia;
using shell::Command;

namespace {

// Each picture of a row's folder has a width of its own, which tells which one is shown.
int widthOf(int position) {
    return 100 + 40 * position;
}

// Long enough that a held listing never ends by itself during a row.
constexpr int kHeldMs = 600000;

}  // namespace

class FolderListTest : public QObject {
    Q_OBJECT

    testing::Recorded rec;
    std::unique_ptr<TzaroForm1> form;

    QString counter() { return form->CounterPanel->caption(); }
    int shownWidth() { return form->Image2->picture().size().width(); }

    void take(QChar step) {
        form->guard([&] {
            switch (step.unicode()) {
                case 'n':
                    form->command(Command::Next)->trigger();
                    break;
                case 'b':
                    form->command(Command::Back)->trigger();
                    break;
                case 's':
                    form->command(Command::Start)->trigger();
                    break;
                case 'p':
                    form->command(Command::Stop)->trigger();
                    break;
                case 'l':
                    form->BP1MouseDown(Qt::LeftButton);
                    break;
                case 't':
                    form->Timer1->fire();
                    break;
            }
        });
    }

private slots:
    void initTestCase() { window::substitutePlatformFonts(); }
    void cleanup() { form.reset(); }

    void stepsBeforeTheListArrives_data() {
        // The folder's pictures in their listed order, the one opened, the steps taken before
        // the list arrives (n Next, b Back, l left click, s Start, t tick, p Stop), whether the
        // listing fails (a folder that cannot be read) and the picture removed after the
        // folder was read; then the picture shown, the counter, the caption's file name and the
        // start of each error box's text.
        QTest::addColumn<QStringList>("folder");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("listingFails");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("errors");
        const QStringList abc{"a.jpg", "b.bmp", "c.JPG"};
        const QStringList none;
        const QString listError = QStringLiteral("リストのインデックスが範囲を超えています");
        const QString openError = QStringLiteral("ファイル \"");
        QTest::newRow("no step: the counter fills in") << abc << "c.JPG"
                                                       << "" << false << ""
                                                       << "c.JPG"
                                                       << "3/3"
                                                       << "c.JPG" << none;
        QTest::newRow("next from the opened picture") << abc << "b.bmp"
                                                      << "n" << false << ""
                                                      << "c.JPG"
                                                      << "3/3"
                                                      << "c.JPG" << none;
        QTest::newRow("next, next, back") << abc << "a.jpg"
                                          << "nnb" << false << ""
                                          << "b.bmp"
                                          << "2/3"
                                          << "b.bmp" << none;
        QTest::newRow("back from the first wraps") << abc << "a.jpg"
                                                   << "b" << false << ""
                                                   << "c.JPG"
                                                   << "3/3"
                                                   << "c.JPG" << none;
        QTest::newRow("a click steps on") << abc << "c.JPG"
                                          << "l" << false << ""
                                          << "a.jpg"
                                          << "1/3"
                                          << "a.jpg" << none;
        QTest::newRow("many steps round the folder") << abc << "a.jpg"
                                                     << "nnnnnnnb" << false << ""
                                                     << "a.jpg"
                                                     << "1/3"
                                                     << "a.jpg" << none;
        // The slide show starts at the opened picture's place; a tick meanwhile does not move.
        QTest::newRow("start and a tick") << abc << "b.bmp"
                                          << "st" << false << ""
                                          << "b.bmp"
                                          << "2/3"
                                          << "b.bmp" << none;
        QTest::newRow("start, then stop names the opened picture") << abc << "b.bmp"
                                                                   << "sp" << false << ""
                                                                   << "b.bmp"
                                                                   << "2/3"
                                                                   << "b.bmp" << none;
        QTest::newRow("folder of one") << QStringList{"only.jpg"} << "only.jpg"
                                       << "nnb" << false << ""
                                       << "only.jpg"
                                       << "1/1"
                                       << "only.jpg" << none;
        // The picture shown stays and the list error comes once, however many steps waited.
        QTest::newRow("listing fails") << abc << "b.bmp"
                                       << "" << true << ""
                                       << "b.bmp"
                                       << "1/0"
                                       << "b.bmp" << QStringList{listError + " (0)"};
        QTest::newRow("listing fails with steps waiting")
            << abc << "b.bmp"
            << "nnb" << true << ""
            << "b.bmp"
            << "0/0"
            << "b.bmp" << QStringList{listError + " (-1)"};
        QTest::newRow("file removed between listing and stepping")
            << abc << "a.jpg"
            << "n" << false << "b.bmp"
            << "a.jpg"
            << "2/3"
            << "a.jpg" << QStringList{openError};
    }
    void stepsBeforeTheListArrives() {
        QFETCH(QStringList, folder);
        QFETCH(QString, opened);
        QFETCH(QString, steps);
        QFETCH(bool, listingFails);
        QFETCH(QString, removed);
        QFETCH(QString, shown);
        QFETCH(QString, counter);
        QFETCH(QString, caption);
        QFETCH(QStringList, errors);

        rec = testing::Recorded();
        QTemporaryDir dir;
        for (int i = 0; i < folder.size(); ++i) {
            QImage image(widthOf(i), 60, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 90, 200, 200));
            QVERIFY(
                image.save(dir.filePath(folder[i]), folder[i].endsWith(u".bmp") ? "BMP" : "JPEG"));
        }
        const auto widthOfName = [&folder](const QString& name) {
            return widthOf(static_cast<int>(folder.indexOf(name)));
        };
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        *rec.listDelayMs = kHeldMs;
        *rec.failingListings = listingFails ? 1 : 0;
        form->guard([&] { form->FormDropFiles({QFile::encodeName(dir.filePath(opened))}); });
        // The opened picture comes without its folder's list; the counter waits for it.
        QTRY_COMPARE_WITH_TIMEOUT(shownWidth(), widthOfName(opened), 10000);
        QCOMPARE(this->counter(), QString());
        for (const QChar step : steps) take(step);
        // No step waited for the list, and none showed anything yet.
        QVERIFY(form->isLoading());
        QCOMPARE(this->counter(), QString());
        QCOMPARE(shownWidth(), widthOfName(opened));
        QVERIFY(rec.errors.isEmpty());

        // The folder has been read (and is held): the list arrives when let go.
        QTRY_COMPARE_WITH_TIMEOUT(rec.listings->load(), 1, 10000);
        if (!removed.isEmpty()) QVERIFY(QFile::remove(dir.filePath(removed)));
        *rec.listDelayMs = 0;
        QTRY_VERIFY_WITH_TIMEOUT(!form->isLoading(), 10000);
        // Whatever would come late (a second error, a second show) has had its chance.
        QTest::qWait(150);
        QTRY_VERIFY_WITH_TIMEOUT(!form->isLoading(), 10000);

        QCOMPARE(shownWidth(), widthOfName(shown));
        QCOMPARE(this->counter(), counter);
        QVERIFY2(form->windowTitle().endsWith(u' ' + caption), qPrintable(form->windowTitle()));
        QCOMPARE(rec.errors.size(), errors.size());
        for (int i = 0; i < errors.size(); ++i)
            QVERIFY2(rec.errors[i].startsWith(errors[i]), qPrintable(rec.errors[i]));
        QCOMPARE(rec.listings->load(), 1);
        QCOMPARE(rec.readsOnWindowThread->load(), 0);
        const bool started = steps.endsWith(u's') || steps.endsWith(u't');
        QCOMPARE(form->Timer1->isEnabled(), started);
        if (started) QVERIFY(form->windowTitle().contains(QStringLiteral(" auto ")));
    }

    // A second picture opened while the first one's folder is still being listed: the first
    // list is dropped, and the steps taken for the first picture with it.
    void anOpenDropsTheListUnderWay() {
        rec = testing::Recorded();
        QTemporaryDir first, second;
        QImage image(120, 60, QImage::Format_RGB32);
        image.fill(Qt::red);
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            QVERIFY(image.save(first.filePath(QString::fromLatin1(name)), "JPEG"));
        image = image.scaled(200, 60);
        QVERIFY(image.save(second.filePath(QStringLiteral("x.jpg")), "JPEG"));
        form = std::make_unique<TzaroForm1>(testing::fakeServices(&rec));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        *rec.listDelayMs = kHeldMs;
        form->guard([&] { form->FormDropFiles({QFile::encodeName(first.filePath("a.jpg"))}); });
        QTRY_COMPARE_WITH_TIMEOUT(shownWidth(), 120, 10000);
        take(u'n');
        QTRY_COMPARE_WITH_TIMEOUT(rec.listings->load(), 1, 10000);
        form->guard([&] { form->FormDropFiles({QFile::encodeName(second.filePath("x.jpg"))}); });
        QTRY_COMPARE_WITH_TIMEOUT(shownWidth(), 200, 10000);
        *rec.listDelayMs = 0;
        QTRY_VERIFY_WITH_TIMEOUT(!form->isLoading(), 10000);
        QTest::qWait(150);
        QCOMPARE(shownWidth(), 200);
        QCOMPARE(counter(), QStringLiteral("1/1"));
        QVERIFY(rec.errors.isEmpty());
    }
};

QTEST_MAIN(FolderListTest)
#include "FolderListTest.moc"
