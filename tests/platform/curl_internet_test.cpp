#include "platform/linux/curl_internet.h"
#include "platform/online_state.h"
#include "support/http_test_server.h"
#include "support/test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

using namespace glasspane;

namespace {

const QByteArray OldCopy = "old copy";

} // namespace

class CurlInternetTest : public QObject
{
    Q_OBJECT

private:
    CurlGlobal m_curl;
    HttpTestServer m_server;
    QTemporaryDir m_dir;
    OnlineState m_state;
    // Short stall bound so that the stall case ends quickly.
    CurlInternet m_net{m_state, {2'000, 1, 3}};

    QString target() const { return m_dir.filePath(QStringLiteral("page.html")); }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(target());
        m_server.clearRequests();
        m_state.setOffline(false);
    }

    void fetchesBodyWithAgentAndLastModified()
    {
        const QDateTime modified(QDate(2023, 5, 6), QTime(7, 8, 9), QTimeZone::utc());
        m_server.setPage(QStringLiteral("/a.html"), "<html>a</html>", modified);
        m_net.setUserAgent(QStringLiteral("Glasspane 4.35 (https://glasspane.example/)"));

        const DownloadResult r = m_net.download({m_server.url("/a.html"), target(), {}, false});
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.status, 200);
        QVERIFY(!r.notModified);
        QCOMPARE(r.bytes, 14);
        QCOMPARE(r.lastModified, modified);
        QCOMPARE(readFileBytes(target()), QByteArray("<html>a</html>"));
        const auto requests = m_server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method, QByteArray("GET"));
        QCOMPARE(requests[0].header("user-agent"),
                 QByteArray("Glasspane 4.35 (https://glasspane.example/)"));
        QVERIFY(requests[0].header("if-modified-since").isEmpty());
        // Nothing but the target is left in the folder.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"page.html"});
    }

    void noLastModifiedGivesInvalidTime()
    {
        m_server.setPage(QStringLiteral("/plain"), "x");
        const DownloadResult r = m_net.download({m_server.url("/plain"), target(), {}, false});
        QVERIFY(r.ok);
        QVERIFY(!r.lastModified.isValid());
    }

    void notModified_data()
    {
        QTest::addColumn<bool>("serverHonours");
        QTest::newRow("server answers 304") << true;
        // libcurl compares Last-Modified itself, skips the body and reports 304.
        QTest::newRow("server ignores If-Modified-Since") << false;
    }
    void notModified()
    {
        QFETCH(bool, serverHonours);
        const QDateTime modified(QDate(2023, 5, 6), QTime(7, 8, 9), QTimeZone::utc());
        HttpTestServer::Route route;
        route.body = "new body";
        route.lastModified = modified;
        route.honourIfModifiedSince = serverHonours;
        m_server.setRoute(QStringLiteral("/a.html"), route);
        QVERIFY(writeFileBytes(target(), OldCopy));

        const DownloadResult r =
            m_net.download({m_server.url("/a.html"), target(), modified.addSecs(60), false});
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(r.notModified);
        QCOMPARE(r.status, 304);
        QCOMPARE(readFileBytes(target()), OldCopy);
        QCOMPARE(
            HttpTestServer::parseHttpDate(m_server.requests().value(0).header("if-modified-since")),
            modified.addSecs(60));

        // A newer page is fetched in spite of the condition.
        const DownloadResult newer =
            m_net.download({m_server.url("/a.html"), target(), modified.addSecs(-60), false});
        QVERIFY(newer.ok);
        QVERIFY(!newer.notModified);
        QCOMPARE(readFileBytes(target()), QByteArray("new body"));
    }

    // Whatever goes wrong, the previous copy stays as it was and no partial file is left.
    void failuresKeepTheOldCopy_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("maxSeconds");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        using M = HttpTestServer::Mode;
        const int s = kDefaultDownloadSeconds;
        const qint64 b = kDefaultDownloadBytes;
        const QByteArray big(100'000, 'x');
        QTest::newRow("404") << 404 << QByteArray("Not here") << int(M::Normal) << s << b << false
                             << "HTTP status 404";
        QTest::newRow("500") << 500 << QByteArray("Oops") << int(M::Normal) << s << b << false
                             << "HTTP status 500";
        QTest::newRow("closed mid-body")
            << 200 << big << int(M::CloseMidBody) << s << b << false << "";
        QTest::newRow("stalled") << 200 << QByteArray("never sent") << int(M::Stall) << s << b
                                 << false << "";
        QTest::newRow("empty body")
            << 200 << QByteArray() << int(M::Normal) << s << b << true << "";
        // A drip feed passes the stall bound; the time bound of the whole transfer ends it.
        QTest::newRow("drip feed past the time bound")
            << 200 << big << int(M::Drip) << 2 << b << false << "took longer than 2 s";
        QTest::newRow("endless body past the size bound")
            << 200 << big << int(M::Endless) << s << qint64(300'000) << false
            << "larger than 300000 bytes";
        QTest::newRow("announced length past the size bound")
            << 200 << big << int(M::Normal) << s << qint64(99'999) << false
            << "larger than 99999 bytes";
        QTest::newRow("length at the size bound")
            << 200 << big << int(M::Normal) << s << qint64(100'000) << true << "";
    }
    void failuresKeepTheOldCopy()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, mode);
        QFETCH(int, maxSeconds);
        QFETCH(qint64, maxBytes);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        HttpTestServer::Route route;
        route.status = status;
        route.body = body;
        route.mode = HttpTestServer::Mode(mode);
        route.dripMs = 100;
        m_server.setRoute(QStringLiteral("/x"), route);
        QVERIFY(writeFileBytes(target(), OldCopy));

        QElapsedTimer timer;
        timer.start();
        const DownloadResult r =
            m_net.download({m_server.url("/x"), target(), {}, false, maxSeconds, maxBytes});
        // The bounds are seconds; anything near the test's own time-out means no bound.
        QVERIFY(timer.elapsed() < 20'000);
        QCOMPARE(r.ok, ok);
        QCOMPARE(r.status, status);
        QVERIFY(!r.abandoned);
        if (!ok)
            QVERIFY(!r.error.isEmpty());
        if (!error.isEmpty())
            QCOMPARE(r.error, error);
        if (ok && !body.isEmpty())
            QCOMPARE(readFileBytes(target()), body);
        else
            QCOMPARE(readFileBytes(target()), OldCopy);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"page.html"});
    }

    // Closing cuts the download in progress at once, and refuses new ones until it is over.
    // Meanwhile the caller's thread goes on with its events.
    void closingCutsTheDownload()
    {
        HttpTestServer::Route drip;
        drip.body = QByteArray(100'000, 'x');
        drip.mode = HttpTestServer::Mode::Drip;
        m_server.setRoute(QStringLiteral("/drip"), drip);
        m_server.setPage(QStringLiteral("/a"), "a");
        QVERIFY(writeFileBytes(target(), OldCopy));

        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            // Cut once the body has begun to arrive.
            if (++ticks == 5)
                m_net.setClosing(true);
        });
        ticker.start(100);
        QElapsedTimer timer;
        timer.start();
        DownloadResult r = m_net.download({m_server.url("/drip"), target(), {}, false});
        ticker.stop();
        QVERIFY(timer.elapsed() < 20'000); // the time bound is 300 s
        QCOMPARE(ticks, 5);
        QVERIFY(!r.ok);
        QVERIFY(r.abandoned);
        QCOMPARE(readFileBytes(target()), OldCopy);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"page.html"});

        m_server.clearRequests();
        r = m_net.download({m_server.url("/a"), target(), {}, false});
        QVERIFY(r.abandoned);
        QVERIFY(m_server.requests().isEmpty());
        m_net.setClosing(false);
        r = m_net.download({m_server.url("/a"), target(), {}, false});
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(readFileBytes(target()), QByteArray("a"));
    }

    // A download asked for while another one waits (from an event handled meanwhile) is
    // refused at once; the first one goes on.
    void oneDownloadAtATime()
    {
        HttpTestServer::Route slow;
        slow.body = "slow";
        slow.delayMs = 500;
        m_server.setRoute(QStringLiteral("/slow"), slow);
        m_server.setPage(QStringLiteral("/a"), "a");
        DownloadResult inner;
        QTimer::singleShot(50, this, [&] {
            inner = m_net.download({m_server.url("/a"), m_dir.filePath("a"), {}, false});
        });
        const DownloadResult outer = m_net.download({m_server.url("/slow"), target(), {}, false});
        QVERIFY2(outer.ok, qPrintable(outer.error));
        QCOMPARE(readFileBytes(target()), QByteArray("slow"));
        QVERIFY(inner.abandoned);
        QCOMPARE(m_server.requestCount(QStringLiteral("/a")), 0);
    }

    void followsRedirectsWithinBound()
    {
        HttpTestServer::Route moved;
        moved.status = 302;
        moved.headers = {{"Location", "/final"}};
        m_server.setRoute(QStringLiteral("/moved"), moved);
        m_server.setPage(QStringLiteral("/final"), "final");
        DownloadResult r = m_net.download({m_server.url("/moved"), target(), {}, false});
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(readFileBytes(target()), QByteArray("final"));

        HttpTestServer::Route loop;
        loop.status = 302;
        loop.headers = {{"Location", "/loop"}};
        m_server.setRoute(QStringLiteral("/loop"), loop);
        m_server.clearRequests();
        r = m_net.download({m_server.url("/loop"), target(), {}, false});
        QVERIFY(!r.ok);
        QCOMPARE(m_server.requestCount(QStringLiteral("/loop")), 4); // first try + 3 redirects
        QCOMPARE(readFileBytes(target()), QByteArray("final"));
    }

    void discardBodyWritesNothing()
    {
        m_server.setPage(QStringLiteral("/t"), "test body");
        const DownloadResult r = m_net.download({m_server.url("/t"), QString(), {}, true});
        QVERIFY(r.ok);
        QCOMPARE(r.bytes, 9);
        QVERIFY(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());
    }

    void missingFolderIsAnError()
    {
        m_server.setPage(QStringLiteral("/a"), "abc");
        const DownloadResult r = m_net.download(
            {m_server.url("/a"), m_dir.filePath(QStringLiteral("no/such/dir/f")), {}, false});
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
    }

    void offlineBlocksRemoteAddresses()
    {
        QSignalSpy spy(&m_state, &OnlineState::offlineChanged);
        m_net.setOffline(true);
        m_net.setOffline(true);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QVERIFY(m_net.isOffline());

        // A documentation address (192.0.2.0/24): never contacted, and answered at once.
        DownloadResult r =
            m_net.download({QStringLiteral("http://192.0.2.1/x"), target(), {}, false});
        QVERIFY(!r.ok);
        QCOMPARE(r.error, QStringLiteral("offline"));
        r = m_net.download({QStringLiteral("https://example.invalid/"), target(), {}, false});
        QCOMPARE(r.error, QStringLiteral("offline"));

        // This machine stays reachable, but not a redirect away from it.
        m_server.setPage(QStringLiteral("/local"), "local");
        r = m_net.download({m_server.url("/local"), target(), {}, false});
        QVERIFY2(r.ok, qPrintable(r.error));
        r = m_net.download({QStringLiteral("http://localhost:%1/local").arg(m_server.port()),
                            target(),
                            {},
                            false});
        QVERIFY2(r.ok, qPrintable(r.error));
        HttpTestServer::Route away;
        away.status = 301;
        away.headers = {{"Location", "http://192.0.2.1/elsewhere"}};
        m_server.setRoute(QStringLiteral("/away"), away);
        r = m_net.download({m_server.url("/away"), target(), {}, false});
        QCOMPARE(r.error, QStringLiteral("offline"));
        QCOMPARE(readFileBytes(target()), QByteArray("local"));

        // Local files too.
        const QString source = m_dir.filePath(QStringLiteral("source.txt"));
        QVERIFY(writeFileBytes(source, "from a file"));
        r = m_net.download({QUrl::fromLocalFile(source).toString(), target(), {}, false});
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(readFileBytes(target()), QByteArray("from a file"));

        m_net.setOffline(false);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(1).at(0).toBool(), false);
    }
};

QTEST_GUILESS_MAIN(CurlInternetTest)
#include "curl_internet_test.moc"
