#include "document/paths.h"
#include "document/program_values.h"
#include "support/fake_shares.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

class PathsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_root = m_dir.path();
    }

    void addBackslash_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("drive") << "C:"
                               << "C:";
        QTest::newRow("windows folder") << "C:\\Data"
                                        << "C:\\Data\\";
        QTest::newRow("linux folder") << "/home/x"
                                      << "/home/x/";
        QTest::newRow("bare name") << "x"
                                   << "x/";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("ends with /") << "a/"
                                     << "a/";
        QTest::newRow("ends with \\") << "a\\b\\"
                                      << "a\\b\\";
        QTest::newRow("mixed separators") << "a\\b/c"
                                          << "a\\b/c/";
    }
    void addBackslash()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(AddBackslash(path), expected);
        if (!expected.isEmpty())
            QCOMPARE(AddBackslash(StripTrailingBackslash(expected)), expected);
    }

    // Text rules, for paths that name nothing on disk.
    void pathParts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::newRow("drive root") << "C:\\a.gpn"
                                    << "C:\\"
                                    << "a.gpn"
                                    << "gpn";
        QTest::newRow("windows folder") << "C:\\Data\\a.gpn"
                                        << "C:\\Data\\"
                                        << "a.gpn"
                                        << "gpn";
        QTest::newRow("drive without folder") << "C:a.gpn"
                                              << "C:"
                                              << "a.gpn"
                                              << "gpn";
        QTest::newRow("linux path") << "/nowhere/x.y/file"
                                    << "/nowhere/x.y/"
                                    << "file"
                                    << "";
        QTest::newRow("relative, windows-made") << "sub\\x.gif"
                                                << "sub\\"
                                                << "x.gif"
                                                << "gif";
        QTest::newRow("bare name") << "a.b.c"
                                   << ""
                                   << "a.b.c"
                                   << "c";
        QTest::newRow("no extension") << "README"
                                      << ""
                                      << "README"
                                      << "";
        QTest::newRow("empty") << ""
                               << ""
                               << ""
                               << "";
    }
    void pathParts()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, extension);
        QCOMPARE(FolderOf(path), folder);
        QCOMPARE(FileName(path), name);
        QCOMPARE(Extension(path), extension);
    }

    void existingFolderParts()
    {
        QCOMPARE(FolderOf(m_root), m_root + "/");
        QCOMPARE(FolderOf(m_root + "/"), m_root + "/");
        QCOMPARE(FileName(m_root), QString());
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("absolute");
        QTest::addColumn<bool>("unc");
        QTest::newRow("linux absolute") << "/a/b" << true << false;
        QTest::newRow("windows root") << "\\a" << true << false;
        QTest::newRow("drive") << "C:\\Show\\a.html" << true << false;
        QTest::newRow("unc") << "\\\\server\\share\\a.html" << true << true;
        QTest::newRow("unc with /") << "//server/share/a.html" << true << true;
        QTest::newRow("http any case") << "HTTP://a.example/" << true << false;
        QTest::newRow("https") << "https://a.example/" << true << false;
        QTest::newRow("file") << "file:///tmp/x" << true << false;
        QTest::newRow("ftp") << "ftp://a.example/" << true << false;
        QTest::newRow("mailto") << "MailTo:a@b.example" << true << false;
        QTest::newRow("relative") << "index.html" << false << false;
        QTest::newRow("relative windows-made") << "sub\\x.gif" << false << false;
        QTest::newRow("other scheme") << "about:blank" << false << false;
        QTest::newRow("empty") << "" << false << false;
    }
    void addresses()
    {
        QFETCH(QString, path);
        QFETCH(bool, absolute);
        QFETCH(bool, unc);
        QCOMPARE(IsAbsoluteOrAddress(path), absolute);
        QCOMPARE(IsUNC(path), unc);
    }

    void smallTexts()
    {
        QCOMPARE(ShareOf("\\\\server\\share\\dir\\a.html"), QStringLiteral("\\\\server\\share"));
        QCOMPARE(ShareOf("//server/share/dir/a.html"), QStringLiteral("\\\\server\\share"));
        QCOMPARE(ShareOf("\\\\server"), QStringLiteral("\\\\server\\"));
        QCOMPARE(StripAtNull(QStringLiteral("abc") + QChar(0) + "def"), QStringLiteral("abc"));
        QCOMPARE(StripAtNull("abc"), QStringLiteral("abc"));
        QCOMPARE(StripTrailingBackslash("a\\\\"), QStringLiteral("a\\"));
        QCOMPARE(LocalPath("sub\\x.gif"), QStringLiteral("sub/x.gif"));
    }

    void relativePaths()
    {
        ProgramValues values;
        values.resourceFolder = m_root + "/res";
        values.startFolder = m_root + "/start/";
        values.documentPath = m_root + "/docs/show.gpn";
        QVERIFY(writeFileBytes(values.resourceFolder + "/index.html", "r"));
        QVERIFY(writeFileBytes(values.resourceFolder + "/both.html", "r"));
        QVERIFY(writeFileBytes(values.startFolder + "both.html", "s"));
        QVERIFY(writeFileBytes(values.startFolder + "pics/a.gif", "s"));
        QVERIFY(writeFileBytes(m_root + "/docs/sub/x.gif", "d"));

        // Written relative to the resource folder, then the document's own folder; never to
        // the current folder, which is another one at the next start.
        QCOMPARE(MakeRelativePath(values.resourceFolder + "/index.html", values),
                 QStringLiteral("index.html"));
        QCOMPARE(MakeRelativePath(m_root + "/docs/sub/x.gif", values), QStringLiteral("sub/x.gif"));
        QCOMPARE(MakeRelativePath(values.startFolder + "pics/a.gif", values),
                 values.startFolder + "pics/a.gif");
        QCOMPARE(MakeRelativePath(values.resourceFolder + "x/index.html", values),
                 values.resourceFolder + "x/index.html");
        // Another case is another folder here.
        QCOMPARE(MakeRelativePath(m_root + "/DOCS/sub/x.gif", values), m_root + "/DOCS/sub/x.gif");
        QCOMPARE(MakeRelativePath("", values), QString());

        // Read back: resource folder first, then the document's folder, then (documents of
        // earlier versions) the start folder.
        QCOMPARE(ResolvePath("index.html", values), values.resourceFolder + "/index.html");
        QCOMPARE(ResolvePath("both.html", values), values.resourceFolder + "/both.html");
        QCOMPARE(ResolvePath("pics/a.gif", values), values.startFolder + "pics/a.gif");
        QCOMPARE(ResolvePath("sub\\x.gif", values), m_root + "/docs/sub/x.gif");
        QCOMPARE(ResolvePath("SUB/x.gif", values), QStringLiteral("SUB/x.gif"));
        for (const QString& unchanged :
             {QStringLiteral("C:\\Show\\a.html"), QStringLiteral("\\\\server\\share\\a.html"),
              QStringLiteral("smb://server/share/a.html"),
              QStringLiteral("http://a.example/x.html"), QStringLiteral("nothing.html"),
              QStringLiteral("/abs/index.html"), QString()})
            QCOMPARE(ResolvePath(unchanged, values), unchanged);

        // Round trip, wherever the program was started from.
        const QString picture = m_root + "/docs/sub/x.gif";
        QCOMPARE(ResolvePath(MakeRelativePath(picture, values), values), picture);
        ProgramValues elsewhere = values;
        elsewhere.startFolder = m_root + "/";
        QCOMPARE(ResolvePath(MakeRelativePath(picture, values), elsewhere), picture);

        // Folders of a document: in its own folder first.
        QCOMPARE(ResolveFolder("sub", values), m_root + "/docs/sub/");
        QCOMPARE(ResolveFolder("pics", values), values.startFolder + "pics/");
        QCOMPARE(ResolveFolder("none", values), m_root + "/docs/none/");
        QCOMPARE(ResolveFolder("/abs", values), QStringLiteral("/abs/"));
        QCOMPARE(ResolveFolder("\\\\srv\\pub", values), QStringLiteral("//srv/pub/"));

        // Folders that are not set take no part.
        const ProgramValues none;
        QCOMPARE(MakeRelativePath("/abs/a.html", none), QStringLiteral("/abs/a.html"));
        QCOMPARE(ResolvePath("index.html", none), QStringLiteral("index.html"));
    }

    void files()
    {
        const QString file = m_root + "/files/a.txt";
        QVERIFY(writeFileBytes(file, "one\r\ntwo\nthree"));
        QVERIFY(FileExists(file));
        QVERIFY(FileExists(file + "/"));
        QVERIFY(!FileExists(m_root + "/files"));
        QVERIFY(!FileExists(m_root + "/files/missing"));
        QVERIFY(!FileExists(""));
        QVERIFY(DirExists(m_root + "/files"));
        QVERIFY(DirExists(m_root + "/files/"));
        QVERIFY(!DirExists(file));
        QVERIFY(!DirExists(""));
        QVERIFY(FileExists(m_root + "\\files\\a.txt"));

        QCOMPARE(ReadTextFile(file), QStringLiteral("one\r\ntwo\r\nthree\r\n"));
        QVERIFY(writeFileBytes(file, "caf\xE9\n\n"));
        QCOMPARE(ReadTextFile(file), QStringLiteral(u"café\r\n\r\n"));
        QVERIFY(writeFileBytes(file, "a\r\r\n\rb\r"));
        QCOMPARE(ReadTextFile(file), QStringLiteral("a\r\r\n\rb\r\n"));
        QCOMPARE(ReadTextFile(m_root + "/files/missing"), QString());
        QCOMPARE(ReadTextFile(m_root + "/files"), QString());

        QVERIFY(DeleteFile(file));
        QVERIFY(!FileExists(file));
        QVERIFY(!DeleteFile(file));
        QVERIFY(!DeleteFile(""));

        const QString tree = m_root + "/t1/t2\\t3";
        QVERIFY(MakeDirTree(tree));
        QVERIFY(DirExists(m_root + "/t1/t2/t3"));
        QVERIFY(MakeDirTree(tree));
        QVERIFY(!RemoveDir(m_root + "/t1"));
        QVERIFY(RemoveDir(tree));
        QVERIFY(!DirExists(tree));
        QVERIFY(!RemoveDir(tree));
    }

    void shares()
    {
        FakeShares port;
        const QString folder = m_root + "/shareroot";
        QVERIFY(writeFileBytes(folder + "/dir/a.html", "x"));
        port.addShare("\\\\srv\\pub", folder);
        port.addShare("\\\\srv\\two", m_root);
        port.addShare("\\\\srv\\three", m_root);
        NetworkDrives drives(port);

        // Network paths are never taken for local ones.
        QVERIFY(!FileExists("\\\\srv\\pub\\dir\\a.html"));
        QVERIFY(port.connectCalls().isEmpty());

        QVERIFY(drives.FileExists("\\\\srv\\pub\\dir\\a.html"));
        QVERIFY(drives.FileExists("//SRV/pub/dir/a.html"));
        QVERIFY(drives.DirExists("\\\\srv\\pub\\dir"));
        QCOMPARE(drives.diskPath("\\\\srv\\pub\\dir\\a.html"), folder + "/dir/a.html");
        QCOMPARE(drives.diskPath("sub\\x.gif"), QStringLiteral("sub/x.gif"));
        QVERIFY(drives.MakeDirTree("\\\\srv\\pub\\new\\deeper"));
        QVERIFY(DirExists(folder + "/new/deeper"));
        QVERIFY(drives.RemoveDir("\\\\srv\\pub\\new\\deeper"));
        // One connection for all of that.
        QCOMPARE(port.connectCalls(), QStringList{"\\\\srv\\pub"});

        QCOMPARE(drives.diskPath("smb://SRV/pub/dir/a.html"), folder + "/dir/a.html");
        QVERIFY(!FileExists("smb://srv/pub/dir/a.html"));

        // A share that cannot be reached is said once and not tried again until the next
        // document load forgets the failures.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot reach the network share"));
        QVERIFY(!drives.FileExists("\\\\srv\\unknown\\a.html"));
        QVERIFY(drives.diskPath("//srv/unknown/b.html").isEmpty());
        QCOMPARE(port.connectCalls().count("\\\\srv\\unknown"), 1);
        drives.forgetFailures();
        QVERIFY(!drives.ConnectShare("\\\\srv\\unknown"));
        QCOMPARE(drives.connectedShares(), QStringList{"\\\\srv\\pub"});

        // Slots: a disconnected share leaves a hole that the next connection fills.
        QVERIFY(drives.ConnectShare("\\\\srv\\two"));
        QVERIFY(drives.ConnectShare("\\\\srv\\three"));
        QVERIFY(drives.DisconnectShare("\\\\srv\\two"));
        QCOMPARE(drives.connectedShares(), (QStringList{"\\\\srv\\pub", "", "\\\\srv\\three"}));
        QVERIFY(drives.ConnectShare("\\\\srv\\two"));
        QCOMPARE(drives.connectedShares(),
                 (QStringList{"\\\\srv\\pub", "\\\\srv\\two", "\\\\srv\\three"}));
        // Emptying the last slot drops the empty slots before it.
        QVERIFY(drives.DisconnectShare("\\\\srv\\two"));
        QVERIFY(drives.DisconnectShare("\\\\srv\\three"));
        QCOMPARE(drives.connectedShares(), QStringList{"\\\\srv\\pub"});

        // A failed disconnection keeps the share.
        port.setDisconnectFails(true);
        QVERIFY(!drives.DisconnectShare("\\\\srv\\pub"));
        QCOMPARE(drives.connectedShares(), QStringList{"\\\\srv\\pub"});
        port.setDisconnectFails(false);

        QVERIFY(drives.ConnectShare("\\\\srv\\two"));
        QVERIFY(drives.ConnectShare("\\\\srv\\three"));
        const qsizetype before = port.disconnectCalls().size();
        drives.DisconnectAllShares();
        QCOMPARE(port.disconnectCalls().mid(before),
                 (QStringList{"\\\\srv\\three", "\\\\srv\\two", "\\\\srv\\pub"}));
        QVERIFY(port.connected().isEmpty());
        QVERIFY(drives.connectedShares().isEmpty());
    }

private:
    QTemporaryDir m_dir;
    QString m_root;
};

QTEST_GUILESS_MAIN(PathsTest)
#include "paths_test.moc"
