#include "document/document_files.h"
#include "document/page_cache.h"
#include "document/page_variables.h"
#include "support/cache_fixture.h"
#include "support/http_test_server.h"
#include "support/local_internet.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimeZone>

using namespace glasspane;

namespace {

const QDateTime kModified(QDate(2024, 1, 2), QTime(3, 4, 5), QTimeZone::utc());

QDateTime mtime(const QString& path)
{
    return QFileInfo(path).lastModified();
}

} // namespace

class PageCacheTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cacheFileName_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("keeps a short extension") << "http://www.example.com/page.jpeg"
                                                 << "f877a594ab25ca94aa4c392ea04424af.jpeg";
        QTest::newRow("query makes the extension too long")
            << "http://www.example.com/a.html?id=3"
            << "55d9cd9e6e16b5fa566a93c96f2fdebb.tmp";
        QTest::newRow("site root: last host label and '/'")
            << "http://www.example.com/"
            << "d00b298ca73e7699a3875d338f78a5ce.tmp";
        QTest::newRow("no dot") << "http://host/noext"
                                << "674ef8ec7ed5fe87e12f382e5f2c0b08.tmp";
        QTest::newRow("blank in the extension") << "http://h/x.a b"
                                                << "f4327d16dc1ab9ee566eaaad97fbc5b2.tmp";
        QTest::newRow("extension keeps its case") << "http://h/index.PHP"
                                                  << "e6824c7263ba806e48e22b659c20f065.PHP";
        QTest::newRow("digest is case-sensitive: lower") << "http://www.example.com/a.gif"
                                                         << "5ab1532aee87c95bacbc5bdb0ab30075.gif";
        QTest::newRow("digest is case-sensitive: upper") << "http://www.example.com/A.gif"
                                                         << "439766f8ec2733c2be4ba275f9d10bee.gif";
        QTest::newRow("https keeps its scheme in the digest")
            << "https://www.example.com/a.gif"
            << "e3834efc2eda7e10c35738f8f8cc5cf1.gif";
        QTest::newRow("HTTP in capitals is not stripped") << "HTTP://www.example.com/a.gif"
                                                          << "e4abc3492697dd074d32e5364ec0c4de.gif";
        // The slides of a deck are one page, kept once.
        QTest::newRow("without the fragment") << "http://h/deck.html#/3"
                                              << "af20751e681ca27b93ce2d8bb2739456.html";
        QTest::newRow("low 8 bits of each code unit")
            << QString::fromUtf8("http://h/\u00e9\u20ac.txt")
            << "a979a2aa05b85ec038ddab8bd7f6d70d.txt";
    }
    void cacheFileName()
    {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(CacheFileName(url), name);
    }

    void formerCacheFileName_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("lower-cased, other characters dropped")
            << "http://www.Example.com/a-b_c.html"
            << "www.example.coma-b_c.html.tmp";
        QTest::newRow("last 32 kept") << "http://www.example.com/a/very/long/path/to/index.html"
                                      << "ple.comaverylongpathtoindex.html.tmp";
        QTest::newRow("nothing left") << "http:///$$/"
                                      << "gpane.tmp";
    }
    void formerCacheFileName()
    {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(FormerCacheFileName(url), name);
    }

    void formerNameIsMovedOnce()
    {
        CacheFixture f;
        const QString url = QStringLiteral("http://h/a.html");
        const QString former = f.cacheFolder() + u'/' + FormerCacheFileName(url);
        QVERIFY(writeFileBytes(former, "old page"));
        QVERIFY(SetFileTimes(former, {}, kModified, kModified));

        QCOMPARE(CacheFileName(f.services, url, f.cacheFolder()), CacheFileName(url));
        QCOMPARE(readFileBytes(f.cacheFile(url)), QByteArray("old page"));
        QCOMPARE(mtime(f.cacheFile(url)), kModified); // If-Modified-Since goes on working
        QVERIFY(!QFile::exists(former));

        // An existing copy under the new name wins; the former one is left alone.
        QVERIFY(writeFileBytes(former, "older page"));
        CacheFileName(f.services, url, f.cacheFolder());
        QCOMPARE(readFileBytes(f.cacheFile(url)), QByteArray("old page"));
        QVERIFY(QFile::exists(former));
    }

    void cachePath()
    {
        CacheFixture f;
        QCOMPARE(CachePath(f.services), f.cacheFolder());
        f.cache.CachePathIsWindowsTemp = false;
        QCOMPARE(CachePath(f.services), f.cacheFolder()); // none configured
        f.cache.CachePath = QStringLiteral(" /srv/kiosk\\cache/ ");
        QCOMPARE(CachePath(f.services), QStringLiteral("/srv/kiosk/cache"));
        f.cache.CachePathIsWindowsTemp = true;
        QCOMPARE(CachePath(f.services), f.cacheFolder());
    }

    void readsCacheSettings()
    {
        CacheFixture f;
        f.registry.setString(RegRoot::CurrentUser, "Software\\Qorvath\\Glasspane",
                             "CachePathIsWindowsTemp", "No");
        f.registry.setString(RegRoot::LocalMachine, "SOFTWARE\\Qorvath\\Glasspane", "CachePath",
                             " /var/cache/kiosk ");
        f.registry.setString(RegRoot::CurrentUser, "Software\\Qorvath\\Glasspane",
                             "TestURLIsHomePage", "yes");
        ReadCacheSettings(f.settings, f.cache);
        QVERIFY(!f.cache.CachePathIsWindowsTemp);
        QCOMPARE(f.cache.CachePath, QStringLiteral("/var/cache/kiosk"));
        QVERIFY(f.cache.TestURLIsHomePage);
        QCOMPARE(f.cache.TestURL, QStringLiteral("https://glasspane.example/"));
        QCOMPARE(f.cache.MaxDownloadBytes, 200 * 1024 * 1024);
        f.registry.setString(RegRoot::CurrentUser, "Software\\Qorvath\\Glasspane",
                             "MaxDownloadSize", "5");
        ReadCacheSettings(f.settings, f.cache);
        QCOMPARE(f.cache.MaxDownloadBytes, 5 * 1024 * 1024);
    }

    // Every download carries the bounds: MaxTime seconds and MaxDownloadSize.
    void downloadsAreBounded()
    {
        CacheFixture f;
        f.update.MaxTime = 42;
        f.cache.MaxDownloadBytes = 5 * 1024 * 1024;
        f.cache.TestURL = QStringLiteral("http://probe.test/");
        f.net.setPage(f.cache.TestURL, "ok");
        PageEntry entry;
        FetchPage(f.services, entry, QStringLiteral("http://h/a.html"), false);
        (void)TestConnection(f.services);
        // A web document: as the options of its last copy say.
        f.registry.setString(RegRoot::CurrentUser, "Software\\Qorvath\\Glasspane",
                             "MaxDownloadSize", "7");
        DocumentServices documents{f.ini,   f.settings, f.program, f.shell, f.registry,
                                   f.clock, &f.net,     {},        {},      {}};
        QVERIFY(writeFileBytes(DocumentsFolder(f.registry, f.shell) + "Cached.GPN",
                               "[Gpane]\r\nMaxTime=43\r\n"));
        f.program.documentPath = QStringLiteral("http://h/show.gpn");
        PrepareDocumentSource(documents, f.doc);

        const auto& requests = f.net.requests();
        QCOMPARE(requests.size(), 4); // the connection check, the page, the probe, the document
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(requests[i].request.maxSeconds, 42);
            QCOMPARE(requests[i].request.maxBytes, 5 * 1024 * 1024);
        }
        QCOMPARE(requests[3].request.maxSeconds, 43);
        QCOMPARE(requests[3].request.maxBytes, 7 * 1024 * 1024);
    }

    void fetchesIntoTheCache()
    {
        CacheFixture f;
        const QString url = QStringLiteral("http://www.example.com/list.txt");
        f.net.setPage(url, "one\ntwo", kModified);
        PageEntry entry;

        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("one\r\ntwo\r\n"));
        QCOMPARE(entry.LocalFile, f.cacheFile(url));
        QCOMPARE(entry.LastDownload, f.clock.now());
        QCOMPARE(mtime(entry.LocalFile), kModified);
        QCOMPARE(f.net.requests().size(), 1);
        QVERIFY(!f.net.requests()[0].request.ifModifiedSince.isValid());
        QVERIFY(!f.net.isOffline());

        // Unchanged on the server: the copy stays and counts as fetched now.
        f.clock.advanceSecs(3600);
        QCOMPARE(FetchPage(f.services, entry, url, false), f.cacheFile(url));
        QCOMPARE(f.net.requests().size(), 2);
        QCOMPARE(f.net.requests()[1].request.ifModifiedSince, kModified);
        QCOMPARE(entry.LastDownload, f.clock.now());
        QCOMPARE(readFileBytes(entry.LocalFile), QByteArray("one\ntwo"));

        // Newer on the server: replaced.
        f.net.setPage(url, "three", kModified.addDays(1));
        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("three\r\n"));
        QCOMPARE(mtime(entry.LocalFile), kModified.addDays(1));
    }

    void withoutLastModifiedEveryFetchDownloads()
    {
        CacheFixture f;
        const QString url = QStringLiteral("https://www.example.com/cam.jpg");
        f.net.setPage(url, "image");
        PageEntry entry;
        FetchPage(f.services, entry, url, false);
        QCOMPARE(mtime(entry.LocalFile), f.clock.now());
        f.clock.advanceSecs(60);
        f.net.setPage(url, "image 2");
        FetchPage(f.services, entry, url, false);
        QCOMPARE(f.net.networkCalls(), 2);
        QCOMPARE(readFileBytes(entry.LocalFile), QByteArray("image 2"));
        QCOMPARE(entry.LastDownload, f.clock.now());
        QVERIFY(entry.LocalFile.endsWith(CacheFileName(url)));
    }

    // While a web document is on its way (the window handles its events meanwhile), the
    // program's values still name the document in use.
    void webDocumentSettlesOnceFetched()
    {
        CacheFixture f;
        DocumentServices documents{f.ini,   f.settings, f.program, f.shell, f.registry,
                                   f.clock, &f.net,     {},        {},      {}};
        f.program.documentName = QStringLiteral("/srv/old.gpn");
        f.program.documentSource = DocumentSource::File;
        f.program.documentPath = QStringLiteral("http://h/new.gpn");
        f.net.setPage(f.program.documentPath, "[Gpane]\n");
        QString during;
        f.net.whileDownloading = [&](const DownloadRequest&) {
            during = f.program.documentName + u' ' + QString::number(int(f.program.documentSource));
        };
        PrepareDocumentSource(documents, f.doc);
        QCOMPARE(during, QStringLiteral("/srv/old.gpn %1").arg(int(DocumentSource::File)));
        QCOMPARE(f.program.documentName, QStringLiteral("http://h/new.gpn"));
        QCOMPARE(f.program.documentSource, DocumentSource::Web);
        QVERIFY(f.program.documentPath.endsWith(QStringLiteral("/Cached.GPN")));
    }

    // Failures keep the copy, and its text is still the answer.
    void failuresKeepTheCopy_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("fail");
        QTest::addColumn<bool>("closing");
        QTest::newRow("no answer") << 0 << QByteArray() << true << false;
        QTest::newRow("404") << 404 << QByteArray("not here") << false << false;
        QTest::newRow("empty body") << 200 << QByteArray() << false << false;
        QTest::newRow("program closing") << 200 << QByteArray("new") << false << true;
    }
    void failuresKeepTheCopy()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, fail);
        QFETCH(bool, closing);
        CacheFixture f;
        const QString url = QStringLiteral("http://www.example.com/v.txt");
        f.net.setPage(url, "kept");
        PageEntry entry;
        FetchPage(f.services, entry, url, false);
        const QDateTime fetched = entry.LastDownload;

        FakeInternet::Response r;
        r.status = status;
        r.body = body;
        r.fail = fail;
        f.net.setResponse(url, r);
        f.net.setClosing(closing);
        f.clock.advanceSecs(60);
        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("kept\r\n"));
        QCOMPARE(f.net.networkCalls(), 2);
        QCOMPARE(entry.LastDownload, fetched);
        QCOMPARE(readFileBytes(entry.LocalFile), QByteArray("kept"));
    }

    void offlinePolicy()
    {
        CacheFixture f;
        f.update.UpdateScheme = AlwaysOffline;
        const QString url = QStringLiteral("http://www.example.com/a.html");
        f.net.setPage(url, "fresh");
        f.net.setOffline(true);
        PageEntry entry;

        // No copy yet: fetched all the same, and the off-line state is put back.
        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("fresh\r\n"));
        QCOMPARE(f.net.networkCalls(), 1);
        QVERIFY(f.net.isOffline());
        QCOMPARE(f.net.offlineCalls(), (QList<bool>{true, false, true}));

        // A copy exists: no network at all, not even a connection check.
        f.net.clearRequests();
        f.cache.LastConnectionCheck = QDateTime();
        const int checks = f.net.connectedStateCalls();
        f.net.setPage(url, "fresher", kModified.addYears(10));
        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("fresh\r\n"));
        QVERIFY(f.net.requests().isEmpty());
        QCOMPARE(f.net.connectedStateCalls(), checks);
    }

    void notConnected()
    {
        CacheFixture f;
        f.net.setConnectedFlags(0);
        const QString url = QStringLiteral("http://www.example.com/a.html");
        f.net.setPage(url, "page");
        PageEntry entry;
        QCOMPARE(FetchPage(f.services, entry, url, true), QString());
        QCOMPARE(FetchPage(f.services, entry, url, false), f.cacheFile(url));
        QVERIFY(f.net.requests().isEmpty());
        QVERIFY(!entry.LastDownload.isValid());

        f.update.ForceReconnect = true;
        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("page\r\n"));
        QCOMPARE(f.net.networkCalls(), 1);
    }

    void localAddresses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("path");
        QTest::newRow("drive letter with a bar") << "file:///C|/dir/x.txt"
                                                 << "C:/dir/x.txt";
        QTest::newRow("file address") << "file:///srv/values.txt"
                                      << "/srv/values.txt";
        QTest::newRow("HTTP in capitals is a path") << "HTTP://www.example.com/a.gif"
                                                    << "HTTP://www.example.com/a.gif";
        QTest::newRow("absolute path") << "/srv/values.txt"
                                       << "/srv/values.txt";
    }
    void localAddresses()
    {
        QFETCH(QString, url);
        QFETCH(QString, path);
        CacheFixture f;
        PageEntry entry;
        QCOMPARE(FetchPage(f.services, entry, url, false), path);
        QVERIFY(f.net.requests().isEmpty());
        QVERIFY(entry.LocalFile.isEmpty());
    }

    void localFilesAreRead()
    {
        CacheFixture f;
        const QString file = f.dir.filePath(QStringLiteral("values.txt"));
        QVERIFY(writeFileBytes(file, "a\nb"));
        PageEntry entry;
        QCOMPARE(FetchPage(f.services, entry, QStringLiteral("values.txt"), true),
                 QStringLiteral("a\r\nb\r\n")); // found in the start folder
        QCOMPARE(FetchPage(f.services, entry, QStringLiteral("file://") + file, true),
                 QStringLiteral("a\r\nb\r\n"));
        QCOMPARE(FetchPage(f.services, entry, f.dir.filePath(QStringLiteral("none.txt")), true),
                 QString());
    }

    void testConnection_data()
    {
        QTest::addColumn<bool>("homeIsTest");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("status"); // of the fake's answer; -1 none
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("probed");
        QTest::newRow("Windows home page")
            << true << "C:\\Kiosk\\home.html" << 0 << -1 << true << false;
        QTest::newRow("local home page")
            << true << "/srv/kiosk/home.html" << 0 << -1 << true << false;
        QTest::newRow("this machine")
            << false << "http://localhost:8080/x" << 0 << -1 << true << false;
        QTest::newRow("maker's address, connected")
            << false << "https://glasspane.example/" << int(ConnectionFlag::Lan) << -1 << true
            << false;
        QTest::newRow("maker's address, disconnected")
            << false << "https://glasspane.example/" << 0 << -1 << false << false;
        QTest::newRow("server answers")
            << false << "http://probe.test/" << 0 << 200 << true << true;
        QTest::newRow("server answers 404")
            << false << "http://probe.test/" << 0 << 404 << true << true;
        QTest::newRow("no answer")
            << false << "http://probe.test/" << int(ConnectionFlag::Lan) << -1 << false << true;
    }
    void testConnection()
    {
        QFETCH(bool, homeIsTest);
        QFETCH(QString, address);
        QFETCH(int, flags);
        QFETCH(int, status);
        QFETCH(bool, connected);
        QFETCH(bool, probed);
        CacheFixture f;
        f.cache.TestURLIsHomePage = homeIsTest;
        (homeIsTest ? f.doc.HomeURL : f.cache.TestURL) = address;
        f.net.setConnectedFlags(flags);
        if (status >= 0)
            f.net.setResponse(address, {status, "x", {}, false, true, {}});
        f.net.setOffline(true);
        QCOMPARE(TestConnection(f.services), connected);
        QCOMPARE(f.net.requests().size(), probed ? 1 : 0);
        if (probed) {
            QVERIFY(f.net.requests()[0].request.discardBody);
            QVERIFY(!f.net.requests()[0].blockedOffline); // on-line for the probe
        }
        QVERIFY(f.net.isOffline());
    }

    void checkConnection()
    {
        CacheFixture f;
        f.cache.TestURL = QStringLiteral("http://probe.test/");
        f.net.setPage(f.cache.TestURL, "ok");
        QVERIFY(CheckConnection(f.services));
        QCOMPARE(f.cache.LastConnectionCheck, f.clock.now());
        QCOMPARE(f.cache.ConnectionFlags, int(ConnectionFlag::Lan));
        QCOMPARE(f.net.networkCalls(), 1);

        // The answer stands until the check is forgotten...
        f.net.setFailure(f.cache.TestURL);
        f.clock.advanceSecs(3600);
        QVERIFY(CheckConnection(f.services));
        QCOMPARE(f.net.networkCalls(), 1);
        // ...or an update fell due after it.
        f.update.NextUpdate = f.clock.now().addSecs(-60);
        QVERIFY(!CheckConnection(f.services));
        QCOMPARE(f.net.networkCalls(), 2);
        QVERIFY(!CheckConnection(f.services)); // checked after the due time: stands
        QCOMPARE(f.net.networkCalls(), 2);

        // A probe the program cut short says nothing about the network: the last answer
        // stands, and the next request asks again.
        f.net.setPage(f.cache.TestURL, "ok");
        f.cache.LastConnectionCheck = QDateTime();
        f.net.setClosing(true);
        QVERIFY(!CheckConnection(f.services));
        QVERIFY(!f.cache.LastConnectionCheck.isValid());
        f.net.setClosing(false);
        QVERIFY(CheckConnection(f.services));
        f.cache.LastConnectionCheck = QDateTime();
        f.net.setClosing(true);
        QVERIFY(CheckConnection(f.services));
        QVERIFY(TestConnection(f.services));
    }

    void checkConnectionModem_data()
    {
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("probed");
        QTest::newRow("idle modem: no probe") << int(ConnectionFlag::Modem) << true << false;
        QTest::newRow("busy modem: probed")
            << int(ConnectionFlag::Modem | ConnectionFlag::ModemBusy) << false << true;
        QTest::newRow("proxy: probed") << int(ConnectionFlag::Proxy) << false << true;
        QTest::newRow("nothing") << 0 << false << false;
    }
    void checkConnectionModem()
    {
        QFETCH(int, flags);
        QFETCH(bool, connected);
        QFETCH(bool, probed);
        CacheFixture f;
        f.cache.TestURL = QStringLiteral("http://probe.test/");
        f.net.setFailure(f.cache.TestURL);
        f.net.setConnectedFlags(flags);
        QCOMPARE(CheckConnection(f.services), connected);
        QCOMPARE(f.net.requests().size(), probed ? 1 : 0);
    }

    void copyFile()
    {
        CacheFixture f;
        const QString from = f.dir.filePath(QStringLiteral("a.txt"));
        const QString to = f.dir.filePath(QStringLiteral("b.txt"));
        QVERIFY(writeFileBytes(from, "content"));
        QVERIFY(SetFileTimes(from, {}, kModified, kModified));
        QVERIFY(writeFileBytes(to, "old"));
        QVERIFY(CopyFile(from, to));
        QCOMPARE(readFileBytes(to), QByteArray("content"));
        QCOMPARE(mtime(to), kModified);
        QDateTime written;
        QVERIFY(GetFileTimes(to, nullptr, nullptr, &written));
        QCOMPARE(written, kModified);

        QVERIFY(!CopyFile(f.dir.filePath(QStringLiteral("missing")), to));
        QCOMPARE(readFileBytes(to), QByteArray("content"));
        QVERIFY(!CopyFile(QString(), to));
        QVERIFY(!CopyFile(from, QString()));
        QVERIFY(
            !GetFileTimes(f.dir.filePath(QStringLiteral("missing")), nullptr, nullptr, &written));
        QVERIFY(!SetFileTimes(f.dir.filePath(QStringLiteral("missing")), {}, {}, kModified));
    }

    // A copy is shown as the type the server sent, kept beside it; its own name stays as it
    // is (stored caches and the program lookup of separate pages go by it). Copies fetched
    // before types were kept are told by their content when their name says nothing.
    void copiesShownAsTheirType_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("type"); // as sent; "" none
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("view"); // appended to the copy's path; "" the copy itself
        const QByteArray html = "<!DOCTYPE html><html><body>x</body></html>";
        QTest::newRow("query") << "http://h/page?id=3"
                               << "text/html; charset=utf-8" << html << ".html";
        QTest::newRow("folder") << "http://h/dir/"
                                << "TEXT/HTML" << html << ".html";
        QTest::newRow("picture") << "http://h/photo"
                                 << "image/png" << QByteArray("\x89PNG\r\n\x1a\n") << ".png";
        QTest::newRow("text") << "http://h/notes?x"
                              << "text/plain" << QByteArray("notes") << ".txt";
        QTest::newRow("named well") << "http://h/page.html"
                                    << "text/html" << html << "";
        QTest::newRow("server-side name") << "http://h/page.php"
                                          << "text/html" << html << ".html";
        QTest::newRow("no type, a page") << "http://h/old?id=1"
                                         << "" << html << ".html";
        QTest::newRow("no type, bytes") << "http://h/blob?id=1"
                                        << "" << QByteArray("\x01\x02\x03\x04") << "";
        QTest::newRow("unknown type") << "http://h/what?id=1"
                                      << "application/x-glasspane-nothing" << html << "";
    }
    void copiesShownAsTheirType()
    {
        QFETCH(QString, url);
        QFETCH(QString, type);
        QFETCH(QByteArray, body);
        QFETCH(QString, view);
        CacheFixture f;
        FakeInternet::Response response;
        response.body = body;
        response.contentType = type;
        f.net.setResponse(url, response);
        PageEntry entry;
        const QString copy = FetchPage(f.services, entry, url, false);
        QCOMPARE(copy, f.cacheFile(url));
        const QString shown = ViewableCopy(f.services, copy);
        QCOMPARE(shown, copy + view);
        QCOMPARE(readFileBytes(shown), body);
        if (!view.isEmpty()) {
            QVERIFY(!QFileInfo(shown).isSymLink()); // the browser would go by the copy's name
            // Fetched again, the same name shows the new copy.
            response.body = body + "<!-- 2 -->";
            f.net.setResponse(url, response);
            f.clock.advanceSecs(60);
            FetchPage(f.services, entry, url, false);
            QCOMPARE(ViewableCopy(f.services, copy), shown);
            QCOMPARE(readFileBytes(shown), response.body);
        }
    }

    // A server that stops sending a type leaves none behind.
    void keptTypeFollowsTheServer()
    {
        CacheFixture f;
        const QString url = QStringLiteral("http://h/page?id=3");
        FakeInternet::Response response;
        response.body = "<p>x</p>";
        response.contentType = QStringLiteral("text/plain");
        f.net.setResponse(url, response);
        PageEntry entry;
        const QString copy = FetchPage(f.services, entry, url, false);
        QCOMPARE(CachedContentType(copy), QStringLiteral("text/plain"));
        response.contentType.clear();
        response.body = "<p>y</p>";
        f.net.setResponse(url, response);
        f.clock.advanceSecs(60);
        FetchPage(f.services, entry, url, false);
        QCOMPARE(CachedContentType(copy), QString());
    }

    // The real downloader against a server on this machine.
    void throughLocalServer()
    {
        HttpTestServer server;
        LocalInternet internet;
        CacheFixture f(&internet);
        HttpTestServer::Route page;
        page.body = "<p>one</p>";
        page.lastModified = kModified;
        page.headers = {{"Content-Type", "text/html; charset=utf-8"}};
        server.setRoute(QStringLiteral("/page.html"), page);
        const QString url = server.url(QStringLiteral("/page.html"));
        PageEntry entry;

        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("<p>one</p>\r\n"));
        QCOMPARE(mtime(entry.LocalFile), kModified);
        // The type the server sent is kept with the copy.
        QCOMPARE(CachedContentType(entry.LocalFile), QStringLiteral("text/html"));
        f.clock.advanceSecs(60);
        FetchPage(f.services, entry, url, false);
        QCOMPARE(server.requests().size(), 2);
        QCOMPARE(HttpTestServer::parseHttpDate(server.requests()[1].header("if-modified-since")),
                 kModified);
        QCOMPARE(entry.LastDownload, f.clock.now());

        // A transfer that breaks off leaves the copy as it was.
        HttpTestServer::Route broken;
        broken.body = QByteArray(50'000, 'x');
        broken.lastModified = kModified.addDays(1);
        broken.mode = HttpTestServer::Mode::CloseMidBody;
        server.setRoute(QStringLiteral("/page.html"), broken);
        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("<p>one</p>\r\n"));
        QCOMPARE(QDir(f.cacheFolder()).entryList({QStringLiteral("*.html")}, QDir::Files).size(),
                 1);

        // Off-line by policy with a copy: the server hears nothing.
        f.update.UpdateScheme = AlwaysOffline;
        server.clearRequests();
        QCOMPARE(FetchPage(f.services, entry, url, true), QStringLiteral("<p>one</p>\r\n"));
        QVERIFY(server.requests().isEmpty());
    }

    void valueFilesThroughLocalServer()
    {
        HttpTestServer server;
        LocalInternet internet;
        CacheFixture f(&internet);
        server.setPage(QStringLiteral("/list.html"), "<a href=x1> <a href=x2> <a href=x1>",
                       kModified);
        PageEntry page;
        page.URL = QStringLiteral("http://127.0.0.1/$$.html");
        page.Var1Type = VarFile;
        page.Var1Source = server.url(QStringLiteral("/list.html"));
        page.Var1Param = QStringLiteral("<a href=$$>");
        ExpansionContext context;
        context.fetchValueFile = ValueFileFetcherFor(f.services);
        QCOMPARE(GetVariableValues(page, context), (QStringList{"x1", "x2"}));
        QCOMPARE(page.LastDownload, f.clock.now());
        QVERIFY(page.LocalFile.startsWith(f.cacheFolder()));
    }

    // A document given as a web address is fetched into Cached.GPN; when it cannot be, the
    // last copy stays in use.
    void documentFromTheWeb()
    {
        HttpTestServer server;
        LocalInternet internet;
        CacheFixture f(&internet);
        DocumentServices services{f.ini,   f.settings, f.program, f.shell, f.registry,
                                  f.clock, &internet,  {},        {},      {}};
        server.setPage(QStringLiteral("/show.gpn"), "[Gpane]\nHomeURL=about:blank\n");
        f.cache.TestURL = server.url(QStringLiteral("/")); // answers 404: still a network
        f.cache.LastConnectionCheck = f.clock.now().addSecs(-10);
        f.cache.Connected = false;
        const auto canGoOnline = [&] { return CanFetchDocument(f.services); };

        f.program.documentPath = server.url(QStringLiteral("/show.gpn"));
        PrepareDocumentSource(services, f.doc, canGoOnline);
        QCOMPARE(f.program.documentSource, DocumentSource::Web);
        QCOMPARE(f.program.documentName, server.url(QStringLiteral("/show.gpn")));
        QVERIFY(f.program.documentPath.endsWith(QStringLiteral("/Cached.GPN")));
        QCOMPARE(readFileBytes(f.program.documentPath),
                 QByteArray("[Gpane]\nHomeURL=about:blank\n"));
        QCOMPARE(f.doc.PlayList[0].LastDownload, f.clock.now());
        QCOMPARE(f.doc.PageList[0].LastDownload, f.clock.now());
        QCOMPARE(f.cache.LastConnectionCheck, f.clock.now()); // checked afresh
        QVERIFY(f.cache.Connected);
        const QString copy = f.program.documentPath;

        // https:// is a web address too; here the handshake fails and the copy stays.
        f.clock.advanceSecs(60);
        f.program.documentPath = QStringLiteral("https://127.0.0.1:%1/show.gpn").arg(server.port());
        PrepareDocumentSource(services, f.doc, canGoOnline);
        QCOMPARE(f.program.documentSource, DocumentSource::Web);
        QCOMPARE(f.program.documentPath, copy);
        QCOMPARE(readFileBytes(copy), QByteArray("[Gpane]\nHomeURL=about:blank\n"));
        QCOMPARE(f.doc.PlayList[0].LastDownload, f.clock.now().addSecs(-60));

        // No network: not even asked, unless ForceReconnect says so.
        internet.flags = 0;
        f.program.documentPath = server.url(QStringLiteral("/show.gpn"));
        PrepareDocumentSource(services, f.doc, canGoOnline);
        QCOMPARE(server.requestCount(QStringLiteral("/show.gpn")), 1);
        f.update.ForceReconnect = true;
        f.program.documentPath = server.url(QStringLiteral("/show.gpn"));
        PrepareDocumentSource(services, f.doc, canGoOnline);
        QCOMPARE(server.requestCount(QStringLiteral("/show.gpn")), 2);
        QCOMPARE(f.doc.PlayList[0].LastDownload, f.clock.now());
    }
};

QTEST_GUILESS_MAIN(PageCacheTest)
#include "page_cache_test.moc"
