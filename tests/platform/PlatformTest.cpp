// Path splitting, folder enumeration, code pages, file errors, the size readout and the
// command and opening rules.
#include "document/SizeReadout.h"
#include "platform/Cancellation.h"
#include "platform/CodePage.h"
#include "platform/Failure.h"
#include "platform/FileAccess.h"
#include "platform/FolderEnumeration.h"
#include "platform/NameList.h"
#include "platform/PathSplit.h"
#include "platform/SystemErrors.h"
#include "shell/Commands.h"
#include "shell/DroppedFiles.h"
#include "shell/OpenRules.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace zarovia;

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void windowsSplitting_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("ext");
        QTest::newRow("plain") << QByteArray("C:\\pics\\a.jpg") << QByteArray("C:\\pics\\")
                               << QByteArray("a.jpg") << QByteArray(".jpg");
        QTest::newRow("drive only") << QByteArray("C:a.bmp") << QByteArray("C:")
                                    << QByteArray("a.bmp") << QByteArray(".bmp");
        QTest::newRow("no folder")
            << QByteArray("README") << QByteArray() << QByteArray("README") << QByteArray();
        QTest::newRow("dot in folder only")
            << QByteArray("C:\\a.b\\file") << QByteArray("C:\\a.b\\") << QByteArray("file")
            << QByteArray();
        // "表" is 0x95 0x5C in Shift-JIS: its second byte is not a separator.
        QTest::newRow("0x5C trail byte")
            << QByteArray("C:\\\x95\x5C\\x.jpg") << QByteArray("C:\\\x95\x5C\\")
            << QByteArray("x.jpg") << QByteArray(".jpg");
        QTest::newRow("trail byte at end") << QByteArray("C:\\d\\\x95\x5C") << QByteArray("C:\\d\\")
                                           << QByteArray("\x95\x5C") << QByteArray();
        QTest::newRow("double extension") << QByteArray("a\\photo.jpg.bak") << QByteArray("a\\")
                                          << QByteArray("photo.jpg.bak") << QByteArray(".bak");
    }
    void windowsSplitting() {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, ext);
        const PathRules rules = windowsPathRules();
        QCOMPARE(folderPart(path, rules), folder);
        QCOMPARE(fileNamePart(path, rules), name);
        QCOMPARE(extensionPart(path, rules), ext);
    }

    void caseTwinsSortTheSameWhateverTheOrderRead() {
        std::vector<QByteArray> names{"b.jpg", "a.jpg", "A.JPG", "A.jpg", "a.JPG", "B.jpg"};
        std::vector<QByteArray> reversed(names.rbegin(), names.rend());
        std::sort(names.begin(), names.end(), windowsNameLess);
        std::sort(reversed.begin(), reversed.end(), windowsNameLess);
        QCOMPARE(names, reversed);
        const std::vector<QByteArray> expected{"A.JPG", "A.jpg", "a.JPG",
                                               "a.jpg", "B.jpg", "b.jpg"};
        QCOMPARE(names, expected);
    }

    void nativeSplittingKeepsUtf8Whole() {
        // "あ" is E3 81 82: with Shift-JIS lead bytes it would swallow the following "/".
        const QByteArray path("/tmp/\xE3\x81\x82/b.JPEG");
        QCOMPARE(folderPart(path), QByteArray("/tmp/\xE3\x81\x82/"));
        QCOMPARE(fileNamePart(path), QByteArray("b.JPEG"));
        QCOMPARE(upperAscii(extensionPart(path)), QByteArray(".JPEG"));
        QCOMPARE(lowerAscii(QByteArray("\x82\x60.JPG")), QByteArray("\x82\x60.jpg"));
    }

    void folderEnumerationOrderAndFilter() {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(dir.path()) + '/';
        for (const char* name : {"b.jpg", "A.jpg", "_x.bmp", "a.JPG", ".hidden.jpg", "Z.ico"}) {
            QFile f(QString::fromUtf8(root + name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("holiday.jpg")));
        QVERIFY(::mkfifo((root + "pipe.jpg").constData(), 0600) == 0);
        const FolderListing listing = listFolder(root);
        QVERIFY(!listing.failed);
        std::vector<QByteArray> names;
        for (std::size_t i = 0; i < listing.names.size(); ++i)
            names.push_back(listing.names.at(i).toByteArray());
        // Byte order with letters compared as upper case: "_" (0x5F) sorts after "Z" (0x5A);
        // names equal but for case come byte-wise, upper case first, on every run.
        const std::vector<QByteArray> expected{"A.jpg", "a.JPG", "b.jpg", "Z.ico", "_x.bmp"};
        QCOMPARE(names, expected);
        // The names' own test: only the accepted ones are kept, in the same order.
        const FolderListing bitmaps =
            listFolder(root, [](QByteArrayView name) { return name.endsWith(".bmp"); });
        QCOMPARE(bitmaps.names.size(), std::size_t(1));
        QCOMPARE(bitmaps.names.at(0), QByteArrayView("_x.bmp"));
    }

    // The compact list sorts as the name order does, over names made to tie and differ in
    // every way the order knows: case, prefixes, bytes above 0x7F, "_" between the cases.
    void nameListSortsInTheNameOrder() {
        const char alphabet[] = {'a', 'A', 'b', 'Z', 'z', '_', '.', '0', '\x80', '\xE3', '\xFF'};
        std::vector<QByteArray> names;
        std::uint32_t seed = 12345;
        const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
        NameList list;
        for (int i = 0; i < 3000; ++i) {
            QByteArray name;
            const int length = static_cast<int>(next() % 6);
            for (int k = 0; k < length; ++k) name.append(alphabet[next() % sizeof alphabet]);
            names.push_back(name);
            QVERIFY(list.append(name));
        }
        std::sort(names.begin(), names.end(), windowsNameLess);
        list.sortWindowsOrder();
        QCOMPARE(list.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (list.at(i) != QByteArrayView(names[i]))
                QFAIL(qPrintable(QStringLiteral("position %1: %2, not %3")
                                     .arg(i)
                                     .arg(QString::fromLatin1(list.at(i).toByteArray().toHex()),
                                          QString::fromLatin1(names[i].toHex()))));
        }
        QCOMPARE(list.indexOf(names.back()), static_cast<qsizetype>(names.size() - 1));
        QCOMPARE(list.indexOf("not there"), qsizetype(-1));
    }

    // A folder that cannot be listed fails and gives no names; one that can does not.
    void folderListingFailures_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("failed");
        QTest::newRow("readable") << "readable" << false;
        QTest::newRow("missing") << "missing" << true;
        QTest::newRow("a file, not a folder") << "file" << true;
        QTest::newRow("removed while listing") << "removed" << true;
        // Permissions do not hold back the superuser.
        if (::geteuid() != 0) QTest::newRow("no read permission") << "unreadable" << true;
    }
    void folderListingFailures() {
        QFETCH(QString, how);
        QFETCH(bool, failed);
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path()) + "/pictures/";
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pictures")));
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            QFile f(QString::fromUtf8(folder + name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QByteArray listed = folder;
        std::function<bool(QByteArrayView)> keep;
        if (how == u"missing") listed = folder + "gone/";
        if (how == u"file") listed = folder + "a.jpg/";
        if (how == u"unreadable") QVERIFY(::chmod(folder.constData(), 0300) == 0);
        if (how == u"removed") {
            // The folder goes while its first name is read.
            keep = [&folder](QByteArrayView) {
                QDir(QFile::decodeName(folder)).removeRecursively();
                return true;
            };
        }
        const FolderListing listing = listFolder(listed, keep);
        ::chmod(folder.constData(), 0700);
        if (how == u"removed") QVERIFY(!QDir(QFile::decodeName(folder)).exists());
        QCOMPARE(listing.failed, failed);
        QCOMPARE(listing.names.size(), failed ? std::size_t(0) : std::size_t(3));
    }

    void fileErrors_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty name")
            << QByteArray() << QStringLiteral("ファイル名の指定が間違っています");
        QTest::newRow("missing file") << QByteArray("/tmp") + "/zarovia-no-such-file"
                                      << QStringLiteral("ファイルが見つかりません");
        QTest::newRow("missing folder") << QByteArray("/zarovia-no-such-dir/x.txt")
                                        << QStringLiteral("ファイル名の指定が間違っています");
        QTest::newRow("folder") << QByteArray("/tmp")
                                << QStringLiteral("ファイルへのアクセスが拒否されました");
    }
    void fileErrors() {
        QFETCH(QByteArray, path);
        QFETCH(QString, text);
        try {
            ReadOnlyFile file(path);
            QFAIL("opened");
        } catch (const FileError& e) {
            QCOMPARE(e.message(), text);
        }
    }

    void fifoIsRefusedWithoutBlocking() {
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.path()) + "/named.txt";
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        try {
            ReadOnlyFile file(fifo);
            QFAIL("opened a FIFO");
        } catch (const FileError& e) {
            QCOMPARE(e.code(), int(kErrorAccessDenied));
        }
    }

    // An open descriptor keeps the stamp of the file it opened, as the path's own stamp gives
    // it while the file stays; once another file is put under the name (or the file changes
    // in place), the path's stamp differs and the descriptor goes on reading the file opened.
    void descriptorKeepsTheStampOfItsFile_data() {
        QTest::addColumn<bool>("replaceByRename");
        QTest::newRow("replaced by another file") << true;
        QTest::newRow("rewritten in place, same size") << false;
    }
    void descriptorKeepsTheStampOfItsFile() {
        QFETCH(bool, replaceByRename);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("a.jpg"));
        const auto write = [](const QByteArray& name, const QByteArray& content) {
            QFile file(QFile::decodeName(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(content), content.size());
        };
        write(path, "first content");
        ReadOnlyFile file(path);
        QCOMPARE(std::optional<FileStamp>(file.stamp()), fileStampOf(path));
        QCOMPARE(file.stamp().size, 13);
        QTest::qWait(20);  // a later change time
        if (replaceByRename) {
            const QByteArray other = QFile::encodeName(dir.filePath("b.jpg"));
            write(other, "other content");
            QVERIFY(::rename(other.constData(), path.constData()) == 0);
        } else {
            write(path, "other content");
        }
        const std::optional<FileStamp> now = fileStampOf(path);
        QVERIFY(now.has_value());
        QCOMPARE(now->size, file.stamp().size);
        QVERIFY(*now != file.stamp());
        QCOMPARE(file.read(100),
                 replaceByRename ? QByteArray("first content") : QByteArray("other content"));
    }

    void otherErrorCodes() {
        QCOMPARE(ioErrorText(32), QStringLiteral("I/O エラー (32)"));
        QCOMPARE(cannotOpenFileText("/a/b.jpg", 2),
                 QStringLiteral(
                     "ファイル \"/a/b.jpg\". 指定されたファイルが見つかりません は開けません"));
    }

    void errorBoxFullStop_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("japanese") << QStringLiteral("ファイルが見つかりません")
                                  << QStringLiteral("ファイルが見つかりません.");
        QTest::newRow("digit") << QStringLiteral("JPEG エラー #53")
                               << QStringLiteral("JPEG エラー #53.");
        QTest::newRow("parenthesis")
            << QStringLiteral("I/O エラー (32)") << QStringLiteral("I/O エラー (32)");
        QTest::newRow("full stop") << QStringLiteral("done.") << QStringLiteral("done.");
        QTest::newRow("empty") << QString() << QString();
    }
    void errorBoxFullStop() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(errorBoxText(message), shown);
    }

    void codePages() {
        QCOMPARE(decodeFileName("\x95\x5C.jpg"), QStringLiteral("表.jpg"));
        QCOMPARE(decodeFileName("\xE8\xA1\xA8.jpg"), QStringLiteral("表.jpg"));
        QCOMPARE(decodeDocumentText("\xEF\xBB\xBFok"), QStringLiteral("ok"));
        // A UTF-8 sequence cut by the end of a fixed-length read is still UTF-8.
        QCOMPARE(decodeDocumentText("a\xE3\x81", true), QStringLiteral("a"));
        QVERIFY(!isValidUtf8("a\xE3\x81"));
        QCOMPARE(decodeDocumentText("\x82\xA0\x82\xA2"), QStringLiteral("あい"));
        QVERIFY(isLeadByte(0x81, 932));
        QVERIFY(!isLeadByte(0xA1, 932));
    }

    void sizeReadout_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << QStringLiteral("0 byt");
        QTest::newRow("1") << qint64(1) << QStringLiteral("1 byt");
        QTest::newRow("1023") << qint64(1023) << QStringLiteral("1,023 byt");
        QTest::newRow("1024") << qint64(1024) << QStringLiteral("1 KB");
        QTest::newRow("1152") << qint64(1152) << QStringLiteral("1.13 KB");
        QTest::newRow("1500") << qint64(1500) << QStringLiteral("1.46 KB");
        QTest::newRow("1536") << qint64(1536) << QStringLiteral("1.5 KB");
        QTest::newRow("1048575") << qint64(1048575) << QStringLiteral("1,024 KB");
        QTest::newRow("1048576") << qint64(1048576) << QStringLiteral("1 MB");
        QTest::newRow("1572864") << qint64(1572864) << QStringLiteral("1.5 MB");
        QTest::newRow("123456789") << qint64(123456789) << QStringLiteral("117.74 MB");
        QTest::newRow("2147483647") << qint64(2147483647) << QStringLiteral("2,048 MB");
        QTest::newRow("2 GiB") << qint64(2147483648LL) << QStringLiteral("2,048 MB");
        QTest::newRow("5 GiB + 1 MB")
            << qint64(5LL * 1073741824 + 1048576) << QStringLiteral("5,121 MB");
    }
    void sizeReadout() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(document::formatFileSize(bytes), text);
    }

    void droppedUriLists_data() {
        QTest::addColumn<QByteArray>("uriList");
        QTest::addColumn<QList<QByteArray>>("files");
        QTest::newRow("two files, CRLF")
            << QByteArray("file:///tmp/a.jpg\r\nfile:///tmp/b%20c.txt\r\n")
            << QList<QByteArray>{"/tmp/a.jpg", "/tmp/b c.txt"};
        QTest::newRow("CP932 bytes kept")
            << QByteArray("file:///d/%93%FA%96%7B.txt")
            << QList<QByteArray>{QByteArray("/d/\x93\xfa\x96\x7b.txt")};
        QTest::newRow("localhost and short forms")
            << QByteArray("file://localhost/x\nfile:/y\nFILE:///z")
            << QList<QByteArray>{"/x", "/y", "/z"};
        QTest::newRow("comments, other hosts and schemes")
            << QByteArray("# note\nfile://server/share/a\nhttp://h/b\nfile:///ok")
            << QList<QByteArray>{"/ok"};
        QTest::newRow("encoded hash and question mark stay")
            << QByteArray("file:///a%23b%3F.txt?query#frag") << QList<QByteArray>{"/a#b?.txt"};
        QTest::newRow("NUL names nothing") << QByteArray("file:///a%00b") << QList<QByteArray>{};
        QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    }
    void droppedUriLists() {
        QFETCH(QByteArray, uriList);
        QFETCH(QList<QByteArray>, files);
        QCOMPARE(shell::localFilesOfUriList(uriList), files);
    }

    void extensionClasses_data() {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("fileClass");
        using shell::FileClass;
        QTest::newRow("photo.jpg") << QByteArray("photo.jpg") << int(FileClass::Picture);
        QTest::newRow("PHOTO.JPG") << QByteArray("PHOTO.JPG") << int(FileClass::Picture);
        QTest::newRow("Photo.Jpeg") << QByteArray("/x/Photo.Jpeg") << int(FileClass::Picture);
        QTest::newRow("x.ico") << QByteArray("x.ico") << int(FileClass::Picture);
        QTest::newRow("clip.mpeg") << QByteArray("clip.mpeg") << int(FileClass::Media);
        QTest::newRow("song.RMI") << QByteArray("song.RMI") << int(FileClass::Media);
        QTest::newRow("song.mp3") << QByteArray("song.mp3") << int(FileClass::Document);
        QTest::newRow("clip.mpe") << QByteArray("clip.mpe") << int(FileClass::Document);
        QTest::newRow("README") << QByteArray("/x/README") << int(FileClass::Document);
        QTest::newRow("dot folder") << QByteArray("/a.jpg/file") << int(FileClass::Document);
        QTest::newRow("empty") << QByteArray() << int(FileClass::Document);
    }
    void extensionClasses() {
        QFETCH(QByteArray, path);
        QFETCH(int, fileClass);
        QCOMPARE(int(shell::classifyExtension(shell::upperExtension(path))), fileClass);
    }

    void captionsAndCounter() {
        QCOMPARE(shell::captionFor(shell::kManuTitle, "/p/a.jpg"),
                 QStringLiteral(" Zarovia        manu       a.jpg"));
        QCOMPARE(shell::captionFor(shell::kAutoTitle, "a.jpg"),
                 QStringLiteral(" Zarovia        auto        a.jpg"));
        QCOMPARE(shell::captionFor(shell::kPlainTitle, QByteArray()),
                 QStringLiteral(" Zarovia       "));
        QCOMPARE(shell::counterText(0, 0), QStringLiteral("1/0"));
        QCOMPARE(shell::counterText(-1, 0), QStringLiteral("0/0"));
        QCOMPARE(shell::counterText(2, 12), QStringLiteral("3/12"));
    }

    void shortcutCodes() {
        // The stored codes: the Ctrl flag 0x4000 plus the letter.
        const int expected[] = {16463, 16472, 16467, 16464, 16450, 16462, 16454, 16456};
        int i = 0;
        for (const shell::CommandRow& row : shell::commandTable()) {
            if (row.shortcutCode == 0) continue;
            QCOMPARE(row.shortcutCode, expected[i++]);
        }
        QCOMPARE(i, 8);
        QCOMPARE(shell::shortcutSequence(16463), QKeySequence(QStringLiteral("Ctrl+O")));
    }

    // A job's checkpoints follow its own scope, the inner one deciding, and never throw on a
    // thread outside any scope (the window's), not even while quitting.
    void checkpointsFollowTheirScope() {
        QVERIFY(!cancellationRequested());
        bool wanted = true;
        {
            CancellationScope outer([&] { return wanted; });
            checkpoint();
            {
                CancellationScope inner({});
                wanted = false;
                QVERIFY(!cancellationRequested());
            }
            QVERIFY(cancellationRequested());
            QVERIFY_THROWS_EXCEPTION(WorkCancelled, checkpoint());
        }
        QVERIFY(!cancellationRequested());
        requestShutdown();
        QVERIFY(!cancellationRequested());
        CancellationScope anyJob({});
        QVERIFY(cancellationRequested());
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "PlatformTest.moc"
