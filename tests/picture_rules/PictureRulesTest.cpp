// Fitting, index wrapping, the print proportions and the folder picture list.
#include "picture/Fitting.h"
#include "picture/PictureList.h"
#include "picture/PictureLoader.h"
#include "picture/PrintLayout.h"
#include "picture/ShowRules.h"
#include "platform/Failure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zarovia;
using namespace zarovia::picture;

class PictureRulesTest : public QObject {
    Q_OBJECT

private slots:
    void fitting_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("rule");
        QTest::addColumn<QSize>("display");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("400x300") << QSize(400, 300) << 5 << QSize(400, 300) << QPoint(120, 90);
        QTest::newRow("630x470") << QSize(630, 470) << 5 << QSize(630, 470) << QPoint(5, 5);
        QTest::newRow("631x470") << QSize(631, 470) << 4 << QSize(640, 477) << QPoint(0, 1);
        QTest::newRow("635x300") << QSize(635, 300) << 4 << QSize(640, 302) << QPoint(0, 89);
        QTest::newRow("640x480") << QSize(640, 480) << 2 << QSize(640, 480) << QPoint(0, 0);
        QTest::newRow("1024x768") << QSize(1024, 768) << 2 << QSize(640, 480) << QPoint(0, 0);
        QTest::newRow("640x506") << QSize(640, 506) << 1 << QSize(607, 480) << QPoint(16, 0);
        QTest::newRow("2000x3000") << QSize(2000, 3000) << 1 << QSize(320, 480) << QPoint(160, 0);
        QTest::newRow("3000x2000") << QSize(3000, 2000) << 2 << QSize(640, 427) << QPoint(0, 26);
        QTest::newRow("1000x760") << QSize(1000, 760) << 2 << QSize(640, 486) << QPoint(0, -3);
        QTest::newRow("600x475") << QSize(600, 475) << 3 << QSize(606, 480) << QPoint(17, 0);
        QTest::newRow("471x630") << QSize(471, 630) << 3 << QSize(359, 480) << QPoint(140, 0);
        QTest::newRow("1300x1000") << QSize(1300, 1000) << 2 << QSize(640, 492) << QPoint(0, -6);
        QTest::newRow("thin 1x10000") << QSize(1, 10000) << 3 << QSize(0, 480) << QPoint(320, 0);
    }
    void fitting() {
        QFETCH(QSize, picture);
        QFETCH(int, rule);
        QFETCH(QSize, display);
        QFETCH(QPoint, topLeft);
        const Fit fit = fitPicture(picture, QSize(640, 480));
        QCOMPARE(fit.rule, rule);
        QCOMPARE(fit.displaySize, display);
        QCOMPARE(fit.topLeft, topLeft);
    }

    void fittingNegativeOddHalvesTowardZero() {
        // 635 x 483 in a 635 x 480 client: (480 - 483) / 2 is -1, not -2.
        const Fit fit = fitPicture(QSize(1000, 760), QSize(635, 480));
        QCOMPARE(fit.displaySize, QSize(635, 483));
        QCOMPARE(fit.topLeft, QPoint(0, -1));
    }

    void halfToEven() {
        QCOMPARE(roundHalfEven(2.5), 2);
        QCOMPARE(roundHalfEven(3.5), 4);
        QCOMPARE(roundHalfEven(-2.5), -2);
        QCOMPARE(roundHalfEven(2.4999), 2);
    }

    void zeroSizedPictureFails() {
        QVERIFY_THROWS_EXCEPTION(Failure, fitPicture(QSize(0, 0), QSize(640, 480)));
        try {
            fitPicture(QSize(0, 10), QSize(640, 480));
            QFAIL("a picture 0 pixels wide must not fit");
        } catch (const Failure& f) {
            QCOMPARE(f.message(), QStringLiteral("0 による浮動小数点数除算"));
        }
    }

    void wrap_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("wrapped");
        QTest::newRow("past end") << 5 << 5 << 0;
        QTest::newRow("before start") << -1 << 5 << 4;
        QTest::newRow("inside") << 3 << 5 << 3;
        QTest::newRow("empty from above") << 1 << 0 << 0;
        QTest::newRow("empty from below") << -1 << 0 << -1;
    }
    void wrap() {
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(int, wrapped);
        QCOMPARE(wrapIndex(index, count), wrapped);
    }

    // Steps taken before the folder's list arrived: "+" Next, "-" Back, "s" Start.
    void queuedSteps_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("after");
        QTest::newRow("none") << "" << 7 << 3 << 7;
        QTest::newRow("start only keeps the place") << "s" << 2 << 3 << 2;
        QTest::newRow("next from the opened third wraps") << "+" << 2 << 3 << 0;
        QTest::newRow("three nexts in a folder of three") << "+++" << 1 << 3 << 1;
        QTest::newRow("back from the first") << "-" << 0 << 3 << 2;
        QTest::newRow("back and forth") << "+-" << 1 << 3 << 1;
        QTest::newRow("folder of one") << "++-+" << 0 << 1 << 0;
        QTest::newRow("many rounds") << QString(1000, u'+') << 0 << 7 << 1000 % 7;
        // An opened picture the list leaves out (hidden): the first step starts from the
        // index as it was.
        QTest::newRow("stale index past the end") << "+" << 9 << 3 << 0;
        QTest::newRow("stale index, back") << "-+" << 9 << 3 << 1;
        QTest::newRow("empty list, next") << "-+" << 4 << 0 << 0;
        QTest::newRow("empty list, back") << "+-" << 4 << 0 << -1;
    }
    void queuedSteps() {
        QFETCH(QString, steps);
        QFETCH(int, index);
        QFETCH(int, count);
        QFETCH(int, after);
        QueuedSteps queued;
        QCOMPARE(queued.empty(), true);
        for (const QChar c : steps) {
            if (c == u's')
                queued.showAgain();
            else
                queued.step(c == u'+' ? 1 : -1);
        }
        QCOMPARE(queued.empty(), steps.isEmpty());
        QCOMPARE(queued.indexAfter(index, count), after);
    }

    // Every sequence of up to six steps, from every start, on lists of 0 to 4 entries, lands
    // where the steps taken one at a time land.
    void queuedStepsEqualStepsTakenInTurn() {
        for (int length = 1; length <= 6; ++length) {
            for (int bits = 0; bits < (1 << length); ++bits) {
                for (int count = 0; count <= 4; ++count) {
                    for (int start = -2; start <= 6; ++start) {
                        QueuedSteps queued;
                        int inTurn = start;
                        for (int i = 0; i < length; ++i) {
                            const int delta = (bits >> i) & 1 ? 1 : -1;
                            queued.step(delta);
                            inTurn = wrapIndex(inTurn + delta, count);
                        }
                        if (queued.indexAfter(start, count) != inTurn)
                            QFAIL(qPrintable(QStringLiteral("steps %1/%2 from %3 in %4")
                                                 .arg(bits)
                                                 .arg(length)
                                                 .arg(start)
                                                 .arg(count)));
                    }
                }
            }
        }
    }

    void printProportions_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QSize>("printed");
        QTest::newRow("landscape on portrait")
            << QSize(3000, 2000) << QSize(4800, 6800) << QSize(4800, 3200);
        QTest::newRow("portrait on portrait")
            << QSize(2000, 3000) << QSize(4800, 6800) << QSize(4533, 6800);
        QTest::newRow("equal proportions fill the height")
            << QSize(480, 680) << QSize(4800, 6800) << QSize(4800, 6800);
        QTest::newRow("small picture enlarged")
            << QSize(30, 20) << QSize(4800, 6800) << QSize(4800, 3200);
        QTest::newRow("title picture") << QSize(640, 506) << QSize(4800, 6800) << QSize(4800, 3795);
    }
    void printProportions() {
        QFETCH(QSize, picture);
        QFETCH(QSize, page);
        QFETCH(QSize, printed);
        QCOMPARE(printedPictureSize(picture, page), printed);
    }

    void mulDivRounds() {
        QCOMPARE(mulDiv(2000, 6800, 3000), 4533);
        QCOMPARE(mulDiv(1, 3, 2), 2);
        QCOMPARE(mulDiv(-1, 3, 2), -2);
        QCOMPARE(mulDiv(100000, 100000, 1), -1);
        QCOMPARE(mulDiv(1, 1, 0), -1);
    }

    void folderList() {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path()) + '/';
        for (const char* name :
             {"PHOTO.JPG", "photo.Jpeg", "x.ICO", "a.bmp", "m.wmf", "e.EMF", "photo.jpe",
              "photo.gif", "photo.png", "photo.tif", "photo.jpg.bak", "photo", ".secret.jpg",
              "\xEF\xBC\xA1.\xEF\xBC\xAA\xEF\xBC\xB0\xEF\xBC\xA7"}) {  // full-width "Ａ.ＪＰＧ"
            QFile f(QString::fromUtf8(root + name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("holiday.jpg")));
        const FolderPictures list = listFolderPictures(*systemFileSource(), root + "PHOTO.JPG");
        QCOMPARE(list.folderPath, root);
        QVERIFY(!list.failed);
        std::vector<QByteArray> expected{root + "a.bmp",      root + "e.EMF",     root + "m.wmf",
                                         root + "photo.Jpeg", root + "PHOTO.JPG", root + "x.ICO"};
        QCOMPARE(list.names.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) QCOMPARE(list.path(i), expected[i]);
        // The opened picture's place; a hidden one, or one of another folder, has none.
        QCOMPARE(list.openedPosition, 4);
        QCOMPARE(positionIn(list, root + "PHOTO.JPG"), 4);
        QCOMPARE(positionIn(list, root + ".secret.jpg"), -1);
        QCOMPARE(positionIn(list, root + "sub/PHOTO.JPG"), -1);
        QCOMPARE(positionIn(list, "PHOTO.JPG"), -1);
    }

    void folderListOfBareName() {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QFile f(QStringLiteral("b.jpg"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const FolderPictures list = listFolderPictures(*systemFileSource(), "b.jpg");
        QDir::setCurrent(old);
        QVERIFY(list.folderPath.isEmpty());
        QCOMPARE(list.names.size(), size_t(1));
        QCOMPARE(list.path(0), QByteArray("b.jpg"));
        QCOMPARE(list.openedPosition, 0);
    }

    void loaderFailures() {
        try {
            loadPictureFile("/tmp/x.Gif");
            QFAIL("loaded");
        } catch (const Failure& f) {
            QCOMPARE(f.message(), QStringLiteral("拡張子 .Gif の画像形式は処理できません"));
        }
        try {
            loadPictureFile("/zarovia-missing/none.jpg");
            QFAIL("loaded");
        } catch (const Failure& f) {
            QCOMPARE(f.message(), QStringLiteral("ファイル \"/zarovia-missing/none.jpg\". "
                                                 "指定されたパスが見つかりません は開けません"));
        }
    }
};

QTEST_GUILESS_MAIN(PictureRulesTest)
#include "PictureRulesTest.moc"
