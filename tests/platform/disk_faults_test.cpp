// Writes on a real file system that has no space left: a small tmpfs mounted by the test (as
// root; elsewhere the test is skipped and says why). Every writer must leave the old file byte
// for byte, say the path and the reason once, and let the program go on.

#include "document/document_files.h"
#include "document/document_fixture.h"
#include "document/page_cache.h"
#include "platform/linux/curl_internet.h"
#include "platform/linux/reg_hive_registry.h"
#include "platform/online_state.h"
#include "support/cache_fixture.h"
#include "support/http_test_server.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

using namespace glasspane;

namespace {

QStringList* g_log = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (g_log && type >= QtWarningMsg)
        g_log->append(text);
}

// The warnings that name path.
int warningsAbout(const QStringList& log, const QString& path)
{
    int n = 0;
    for (const QString& line : log)
        n += line.contains(path) ? 1 : 0;
    return n;
}

} // namespace

class DiskFaultsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_scratch;
    QString m_disk; // the tmpfs, mounted for each test
    QStringList m_log;

    QString at(const QString& name) const { return m_disk + u'/' + name; }

    // Writes files of blocks until the file system refuses: nothing more fits afterwards.
    void fillUp()
    {
        QFile filler(at(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        // Small leftovers too (tmpfs counts whole pages).
        QFile last(at(QStringLiteral("filler2")));
        QVERIFY(last.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (last.write("x", 1) == 1) {
        }
        QFile probe(at(QStringLiteral("probe")));
        QVERIFY(probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        QCOMPARE(probe.write(QByteArray(100, 'p')), -1);
        probe.close();
        probe.remove();
    }

private Q_SLOTS:
    void init()
    {
        if (::geteuid() != 0)
            QSKIP("mounting the small file system needs root; run the test as root");
        m_disk = m_scratch.filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkpath(m_disk));
        if (::mount("tmpfs", QFile::encodeName(m_disk).constData(), "tmpfs", 0,
                    "size=512k,mode=0755") != 0)
            QSKIP(qPrintable(QStringLiteral("cannot mount a tmpfs here: %1")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        m_log.clear();
        g_log = &m_log;
        qInstallMessageHandler(recordMessage);
    }

    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        g_log = nullptr;
        if (!m_disk.isEmpty())
            ::umount2(QFile::encodeName(m_disk).constData(), MNT_DETACH);
    }

    // The show stores its position in the document at every page, and the configuration
    // dialog saves the whole document: on a full disk the document stays as it was, and the
    // next start plays it, not the built-in document.
    void documentKeptWhenTheDiskIsFull()
    {
        DocumentFixture f;
        const QByteArray original = "[Gpane]\r\nHomeURL=about:blank\r\n\r\n[Page1]\r\n"
                                    "URL=http://127.0.0.1/one.html\r\n\r\n[Page2]\r\n"
                                    "URL=http://127.0.0.1/two.html\r\n";
        const QString document = at(QStringLiteral("show.gpn"));
        QVERIFY(writeFileBytes(document, original));
        QVERIFY(f.load(document));
        fillUp();

        f.program.documentPath = document;
        QVERIFY(!f.settings.write(keys::FirstPage, 2));
        QVERIFY(!f.settings.write(keys::FirstPage, 1)); // said once, not at every page
        QCOMPARE(readFileBytes(document), original);
        QCOMPARE(warningsAbout(m_log, document), 1);
        QVERIFY2(m_log.join(u'\n').contains(QStringLiteral("No space left on device")),
                 qPrintable(m_log.join(u'\n')));

        f.doc.HomeURL = QStringLiteral("http://127.0.0.1/home.html");
        QVERIFY(!SaveDocument(f.services, f.doc, document, document));
        QCOMPARE(readFileBytes(document), original);

        // The next start.
        DocumentFixture next;
        QVERIFY(next.load(document));
        QCOMPARE(next.pageUrls(), QStringList({QStringLiteral("http://127.0.0.1/one.html"),
                                               QStringLiteral("http://127.0.0.1/two.html")}));
        QCOMPARE(readFileBytes(document), original);
        QVERIFY(!QFile::exists(document + QStringLiteral(".bak")));
    }

    // A document on a read-only file system plays; the log says once that its position is
    // not kept, not at every page, and not again when the show reloads the document.
    void readOnlyDocumentSaidOnce()
    {
        DocumentFixture f;
        const QByteArray original = "[Gpane]\r\n\r\n[Page1]\r\nURL=http://127.0.0.1/one.html\r\n"
                                    "\r\n[Page2]\r\nURL=http://127.0.0.1/two.html\r\n";
        const QString document = at(QStringLiteral("show.gpn"));
        QVERIFY(writeFileBytes(document, original));
        QCOMPARE(::mount("tmpfs", QFile::encodeName(m_disk).constData(), "tmpfs",
                         MS_REMOUNT | MS_RDONLY, nullptr),
                 0);

        for (int cycle = 0; cycle < 2; ++cycle) {
            QVERIFY(f.load(document));
            ReportPositionNotKept(f.services, f.doc);
            for (int page = 1; page <= 2; ++page)
                QVERIFY(!f.settings.write(keys::FirstPage, page));
        }
        QCOMPARE(f.pageUrls().size(), 2);
        QCOMPARE(readFileBytes(document), original);
        QCOMPARE(warningsAbout(m_log, document), 1);
        QVERIFY2(m_log.join(u'\n').contains(QStringLiteral("Read-only file system")) &&
                     m_log.join(u'\n').contains(QStringLiteral("position is not kept")),
                 qPrintable(m_log.join(u'\n')));
    }

    void hiveKeptWhenTheDiskIsFull()
    {
        const RegHivePaths paths{at(QStringLiteral("user/user.reg")),
                                 at(QStringLiteral("machine/machine.reg")),
                                 at(QStringLiteral("machine/classes.reg"))};
        const QString key = QStringLiteral("Software\\Qorvath\\Glasspane");
        {
            RegHiveRegistry registry(paths);
            QCOMPARE(registry.setValue(RegRoot::CurrentUser, key, QStringLiteral("RecentFile1"),
                                       regString(QStringLiteral("/srv/a.gpn"))),
                     RegStatus::Success);
        }
        const QByteArray original = readFileBytes(paths.currentUser);
        QVERIFY(!original.isEmpty());
        fillUp();

        RegHiveRegistry registry(paths);
        for (int i = 0; i < 3; ++i)
            QVERIFY(registry.setValue(RegRoot::CurrentUser, key, QStringLiteral("RecentFile2"),
                                      regString(QStringLiteral("/srv/b%1.gpn").arg(i))) !=
                    RegStatus::Success);
        QCOMPARE(readFileBytes(paths.currentUser), original);
        QCOMPARE(warningsAbout(m_log, paths.currentUser), 1);
        // What the program reads is what the disk holds.
        RegValue value;
        QCOMPARE(
            registry.queryValue(RegRoot::CurrentUser, key, QStringLiteral("RecentFile2"), &value),
            RegStatus::FileNotFound);
        QCOMPARE(
            registry.queryValue(RegRoot::CurrentUser, key, QStringLiteral("RecentFile1"), &value),
            RegStatus::Success);
        // Nothing left behind beside it.
        QCOMPARE(QDir(at(QStringLiteral("user"))).entryList(QDir::Files),
                 QStringList({QStringLiteral("user.reg")}));
    }

    // A newer copy arrives from the server but cannot be written: the copy in the cache stays
    // and is shown; a small body (the one a buffered writer would lose whole) and a large one.
    void cacheCopyKeptWhenTheDiskIsFull_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("small body") << 300;
        QTest::newRow("large body") << 300 * 1024;
    }
    void cacheCopyKeptWhenTheDiskIsFull()
    {
        QFETCH(int, size);
        HttpTestServer server;
        OnlineState online;
        CurlInternet internet(online);
        CacheFixture f(&internet);
        f.cache.CachePathIsWindowsTemp = false;
        f.cache.CachePath = at(QStringLiteral("cache"));
        f.cache.Connected = true;
        f.cache.LastConnectionCheck = f.clock.now();

        const QString url = server.url(QStringLiteral("/page.html"));
        const QString copy = at(QStringLiteral("cache/") + CacheFileName(url));
        const QByteArray original = "<html>the copy held</html>";
        QVERIFY(writeFileBytes(copy, original));
        QVERIFY(SetFileTimes(copy, {}, {}, QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC)));
        server.setPage(QStringLiteral("/page.html"), QByteArray(size, 'n'),
                       QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC));
        fillUp();

        PageEntry entry;
        QCOMPARE(FetchPage(f.services, entry, url, false), copy);
        QCOMPARE(server.requestCount(QStringLiteral("/page.html")), 1);
        QCOMPARE(readFileBytes(copy), original);
        QVERIFY(!entry.LastDownload.isValid());
        QCOMPARE(warningsAbout(m_log, copy), 1);
        QCOMPARE(QDir(at(QStringLiteral("cache"))).entryList(QDir::Files),
                 QStringList({CacheFileName(url)}));
    }
};

QTEST_GUILESS_MAIN(DiskFaultsTest)
#include "disk_faults_test.moc"
