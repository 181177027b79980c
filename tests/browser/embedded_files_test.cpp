#include "browser/embedded_files.h"
#include "platform/linux/linux_system.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

using namespace glasspane;

namespace {

QByteArray resourceBytes(const QString& id)
{
    QFile file(QStringLiteral(":/10/") + id);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(writeFileBytes(path, bytes));
}

// The real folders: the tests check that nothing is written through a link.
PrivateFolders& privateFolders()
{
    static LinuxPrivateFolders folders;
    return folders;
}

QStringList filesUnder(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

class EmbeddedFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The index is resource 101 in its stored form: CR LF lines, a tab between the two fields,
    // two NUL bytes after the last line, and one resource behind every row.
    void indexFormat()
    {
        const QByteArray index = resourceBytes(QStringLiteral("101"));
        QVERIFY(index.startsWith("NameID\tFileName\r\n102\tindex.html\r\n103\tgpaneb_.gif\r\n"));
        QVERIFY(index.endsWith("\r\n236\tpropurl-pps.gif\r\n\0\0"_qba));
        const QList<QByteArray> lines = index.chopped(2).split('\n');
        QCOMPARE(lines.size(), 1 + 130 + 1); // header, rows, the empty text after the last CR LF
        QSet<QByteArray> names;
        for (qsizetype i = 1; i < lines.size() - 1; ++i) {
            QVERIFY2(lines[i].endsWith('\r'), lines[i].constData());
            const QList<QByteArray> fields = lines[i].chopped(1).split('\t');
            QCOMPARE(fields.size(), 2);
            QVERIFY2(!resourceBytes(QString::fromLatin1(fields[0])).isEmpty(), fields[1]);
            names.insert(fields[1]);
        }
        QCOMPARE(names.size(), 130);
    }

    // The pages the show and the engine use are real pages, not stand-ins.
    void builtInPages_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("mustContain");
        QTest::newRow("index") << "102" << QByteArray("Glasspane");
        QTest::newRow("black") << "234" << QByteArray("background: #000");
        QTest::newRow("link") << "104" << QByteArray("[Page1]");
        QTest::newRow("glass-pane") << "150" << QByteArray("kiosk browser");
        QTest::newRow("powerpoint") << "235" << QByteArray("SeparateProc");
        QTest::newRow("documentation keys") << "117" << QByteArray("Alt</kbd>+<kbd>F4");
        QTest::newRow("documentation command line") << "117" << QByteArray("CONFIG");
        QTest::newRow("documentation format") << "117" << QByteArray("Var1SubDirectories");
    }
    void builtInPages()
    {
        QFETCH(QString, id);
        QFETCH(QByteArray, mustContain);
        QVERIFY(resourceBytes(id).contains(mustContain));
    }

    void extractAndRemoveEverything()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Gpane"));
        QVERIFY(QDir().mkpath(folder));
        const ResourceIndex index = ExtractEmbeddedFiles(folder, privateFolders());

        QCOMPARE(index.rows.size(), 1 + 130 + 1);
        QCOMPARE(index.NAMEID, 1);
        QCOMPARE(index.FILENAME, 2);
        QCOMPARE(index.fileName(index.rows.size() - 1), QString()); // the NUL bytes' row
        QCOMPARE(filesUnder(folder).size(), 131);                   // the files and res.txt
        QFile page(folder + QStringLiteral("/index.html"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        QCOMPARE(page.readAll(), resourceBytes(QStringLiteral("102")));

        // The built-in document the program writes there goes too.
        writeFile(folder + QStringLiteral("/Gpane.GPN"), "[Gpane]\r\n");
        QFile::setPermissions(folder + QStringLiteral("/black.html"), QFile::ReadOwner);
        RemoveEmbeddedFiles(index, folder);
        QVERIFY(!QFileInfo::exists(folder));
    }

    // Index rows that would write outside the folder extract nothing; a sub-folder is created
    // and removed again; the header's fields may come in any order and case.
    void fileNamesOfTheIndex()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Gpane"));
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + QStringLiteral("/res.txt"), "filename\tNAMEID\r\n"
                                                       "..\\x.gif\t234\r\n"
                                                       "\\x.gif\t234\r\n"
                                                       "C:\\x.gif\t234\r\n"
                                                       "http://h/x.gif\t234\r\n"
                                                       "file://x.gif\t234\r\n"
                                                       "sub\\..\\..\\y.gif\t234\r\n"
                                                       "sub\\x.gif\t234\r\n"
                                                       "plain.html\t102\r\n"
                                                       "missing.gif\t999\r\n"
                                                       "\0\0"_qba);
        const ResourceIndex index = ExtractIndexedFiles(folder, privateFolders());
        QCOMPARE(index.FILENAME, 1);
        QCOMPARE(index.NAMEID, 2);
        QCOMPARE(filesUnder(folder),
                 (QStringList{QStringLiteral("plain.html"), QStringLiteral("res.txt"),
                              QStringLiteral("sub"), QStringLiteral("sub/x.gif")}));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("x.gif"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("y.gif"))));

        // The index was not written by this run: it stays, with the folder.
        RemoveEmbeddedFiles(index, folder);
        QCOMPARE(filesUnder(folder), QStringList{QStringLiteral("res.txt")});
    }

    // Letter case tells folders apart here: the folder's name in other letters is elsewhere.
    void indexRowInTheFolderOfOtherLetters()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Gpane"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("GPANE"))));
        writeFile(folder + QStringLiteral("/res.txt"),
                  "FileName\tNameID\r\n" + dir.filePath(QStringLiteral("GPANE/z.gif")).toUtf8() +
                      "\t234\r\n" + folder.toUtf8() + "/kept.gif\t234\r\n\0\0"_qba);
        const ResourceIndex index = ExtractIndexedFiles(folder, privateFolders());
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("GPANE/z.gif"))));
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/kept.gif")));
        RemoveEmbeddedFiles(index, folder);
        QCOMPARE(filesUnder(folder), QStringList{QStringLiteral("res.txt")});
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("GPANE"))));
    }

    // A link at the folder's name is replaced by a folder of our own, never followed: the
    // files it pointed at keep their bytes and mode, and the clean-up leaves them.
    void linkedFolderIsNotFollowed()
    {
        QTemporaryDir dir;
        const QString mine = dir.filePath(QStringLiteral("mine"));
        writeFile(mine + QStringLiteral("/index.html"), "MINE");
        QVERIFY(QFile::setPermissions(mine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::ExeOther));
        const QString folder = dir.filePath(QStringLiteral("Gpane"));
        QVERIFY(QFile::link(mine, folder));

        const ResourceIndex index = ExtractEmbeddedFiles(folder, privateFolders());
        QVERIFY(!QFileInfo(folder).isSymLink());
        QCOMPARE(filesUnder(folder).size(), 131);
        QCOMPARE(filesUnder(mine), QStringList{QStringLiteral("index.html")});
        QCOMPARE(readFileBytes(mine + QStringLiteral("/index.html")), QByteArray("MINE"));
        QVERIFY(QFileInfo(mine).permissions() & QFile::ReadOther);
        RemoveEmbeddedFiles(index, folder);
        QVERIFY(!QFileInfo::exists(folder));
        QCOMPARE(readFileBytes(mine + QStringLiteral("/index.html")), QByteArray("MINE"));
    }

    // A file standing at the folder's name is no folder of ours: nothing is extracted, and the
    // clean-up leaves the file alone.
    void fileAtTheFolderName()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Gpane"));
        writeFile(folder, "MINE");
        const ResourceIndex index = ExtractEmbeddedFiles(folder, privateFolders());
        QVERIFY(index.writtenFiles.isEmpty());
        RemoveEmbeddedFiles(index, folder);
        QCOMPARE(readFileBytes(folder), QByteArray("MINE"));
    }

    // In a folder left by an earlier run, links at the names of files and sub-folders are not
    // written through, and what this run did not write stays after the clean-up.
    void leftoverFolder()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Gpane"));
        writeFile(dir.filePath(QStringLiteral("victim.txt")), "MINE");
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("elsewhere"))));
        writeFile(folder + QStringLiteral("/notes.txt"), "kept");
        writeFile(folder + QStringLiteral("/Gpane.GPN"), "[Gpane]\r\n");
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("victim.txt")),
                            folder + QStringLiteral("/index.html")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")),
                            folder + QStringLiteral("/sub")));
        writeFile(folder + QStringLiteral("/res.txt"),
                  "FileName\tNameID\r\nindex.html\t102\r\nsub\\x.gif\t234\r\n\0\0"_qba);

        const ResourceIndex index = ExtractIndexedFiles(folder, privateFolders());
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("victim.txt"))), QByteArray("MINE"));
        QVERIFY(!QFileInfo(folder + QStringLiteral("/index.html")).isSymLink());
        QCOMPARE(readFileBytes(folder + QStringLiteral("/index.html")),
                 resourceBytes(QStringLiteral("102")));
        QVERIFY(QDir(dir.filePath(QStringLiteral("elsewhere"))).isEmpty());

        RemoveEmbeddedFiles(index, folder);
        QCOMPARE(filesUnder(folder),
                 (QStringList{QStringLiteral("Gpane.GPN"), QStringLiteral("notes.txt"),
                              QStringLiteral("res.txt"), QStringLiteral("sub")}));
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("victim.txt"))), QByteArray("MINE"));
    }

    // Whatever the session's umask, the folder is the user's alone and nobody else may write
    // the files.
    void modesUnderAnOpenUmask()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Gpane"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
        const mode_t saved = ::umask(0);
        const ResourceIndex index = ExtractEmbeddedFiles(folder, privateFolders());
        ::umask(saved);
        // Owner bits only, in QFile's encoding of the mode.
        QCOMPARE(int(QFileInfo(folder).permissions()) & 0x7077, 0x7000);
        const QFileDevice::Permissions file =
            QFileInfo(folder + QStringLiteral("/index.html")).permissions();
        QVERIFY(file & QFile::ReadOwner);
        QVERIFY(!(file & (QFile::WriteGroup | QFile::WriteOther)));
        RemoveEmbeddedFiles(index, folder);
    }

    void indexWithoutFileNameExtractsNothing()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Gpane"));
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + QStringLiteral("/res.txt"),
                  "NameID\tName\r\n102\tindex.html\r\n\0\0"_qba);
        const ResourceIndex index = ExtractIndexedFiles(folder, privateFolders());
        QCOMPARE(index.FILENAME, 0);
        QCOMPARE(filesUnder(folder), QStringList{QStringLiteral("res.txt")});
    }

    // A missing index leaves the single empty row; nothing else happens.
    void missingIndex()
    {
        QTemporaryDir dir;
        const ResourceIndex index = ExtractIndexedFiles(dir.path(), privateFolders());
        QCOMPARE(index.rows.size(), 1);
        QVERIFY(filesUnder(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(EmbeddedFilesTest)
#include "embedded_files_test.moc"
