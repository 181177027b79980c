// The network failing the kiosk, on the real program under Xvfb: servers that drip a page byte
// by byte, that never stop sending, a document that takes for ever at start. Whatever the
// server does, the program answers SIGTERM and its own quit within two seconds, every download
// ends within its bounds, the copy held before stays as it was and no temporary file is left.
// Each case prints how long the fault took to end, for the record.

#include "document/page_cache.h"
#include "support/http_test_server.h"
#include "support/kiosk_process.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

using namespace glasspane;

namespace {

// The most a quit may take, whatever the network does.
constexpr qint64 kQuitBoundMs = 2000;

const QByteArray kOldCopy = "<html><body style='background:#264'><h1>old copy</h1></body></html>";

QByteArray lines(const QStringList& text)
{
    return text.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

HttpTestServer::Route html(const QByteArray& body, HttpTestServer::Mode mode)
{
    HttpTestServer::Route route;
    route.body = body;
    route.mode = mode;
    route.dripMs = 100;
    route.headers = {{"Content-Type", "text/html"}};
    return route;
}

// A kiosk whose connection test stays on the local server; registry options of its own.
struct Kiosk
{
    HttpTestServer server;
    KioskProcess process;

    ~Kiosk()
    {
        if (QTest::currentTestFailed())
            qWarning().noquote() << "program log:\n" + process.log().join(u'\n');
    }

    explicit Kiosk(const QString& name, const QStringList& userOptions = {}) : process(name)
    {
        QStringList reg{QStringLiteral("Windows Registry Editor Version 5.00"), QString(),
                        QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]"),
                        QStringLiteral("\"TestURL\"=\"%1\"").arg(server.url("/test"))};
        process.writeFile(QStringLiteral("config/glasspane/user.reg"), lines(reg + userOptions));
        server.setPage(QStringLiteral("/test"), "ok");
    }

    QString cacheFolder() const { return process.homePath(QStringLiteral("cache/glasspane")); }

    // A show of one cached page, whose copy from an earlier run is in the cache.
    QString writeCachedShow(const QString& path, const QStringList& gpane = {})
    {
        const QString url = server.url(path);
        const QString copy = cacheFolder() + u'/' + CacheFileName(url);
        process.writeFile(QDir(process.home()).relativeFilePath(copy), kOldCopy);
        QStringList text{QStringLiteral("[Gpane]")};
        text << gpane
             << QStringList{QStringLiteral("[Page1]"),        QStringLiteral("URL=") + url,
                            QStringLiteral("DefaultTime=No"), QStringLiteral("Time=600"),
                            QStringLiteral("Cached=Yes"),     QStringLiteral("SeparateProc=No")};
        return process.writeFile(QStringLiteral("show.gpn"), lines(text));
    }

    bool requested(const QString& path)
    {
        return process.waitFor([&] { return server.requestCount(path) > 0; });
    }

    // The copy from the earlier run, alone in the cache but for the page shown from it (made
    // whole from that copy): nothing half-written beside it.
    void verifyOldCopyKept(const QString& path)
    {
        const QString name = CacheFileName(server.url(path));
        QStringList files = QDir(cacheFolder()).entryList(QDir::Files | QDir::Hidden);
        files.removeOne(name + QStringLiteral(".html"));
        QCOMPARE(files, QStringList{name});
        QFile copy(cacheFolder() + u'/' + name);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), kOldCopy);
    }

    // Ends the program with SIGTERM; it must answer within the bound.
    qint64 stop()
    {
        const qint64 took = process.stop();
        if (took < 0 || took > kQuitBoundMs)
            qWarning("SIGTERM took %lld ms", took);
        return took;
    }
};

void report(const char* fault, qint64 ms)
{
    qInfo("%s: ended in %lld ms", fault, ms);
}

} // namespace

class DownloadFaultsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sigtermWhilePageDrips_data();
    void sigtermWhilePageDrips();
    void quitWhilePageDrips();
    void sigtermWhileDocumentDrips();
    void endlessBodyCutAtSizeBound();
    void dripCutAtTimeBound();
};

// A cached page that arrives a byte at a time, or not at all after its headers, while the
// program is asked to stop.
void DownloadFaultsTest::sigtermWhilePageDrips_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("drip feed") << int(HttpTestServer::Mode::Drip);
    QTest::newRow("stalled after the headers") << int(HttpTestServer::Mode::Stall);
}

void DownloadFaultsTest::sigtermWhilePageDrips()
{
    QFETCH(int, mode);
    Kiosk k(QStringLiteral("sigterm-") + QString::fromLatin1(QTest::currentDataTag()));
    k.server.setRoute(QStringLiteral("/drip.html"),
                      html(QByteArray(1'000'000, 'x'), HttpTestServer::Mode(mode)));
    QVERIFY(k.process.start({k.writeCachedShow(QStringLiteral("/drip.html"))}));
    QVERIFY(k.requested(QStringLiteral("/drip.html")));
    QTest::qWait(1500); // well into the transfer
    QVERIFY(k.process.running());

    const qint64 took = k.stop();
    report(QTest::currentDataTag(), took);
    QVERIFY(took >= 0 && took <= kQuitBoundMs);
    k.verifyOldCopyKept(QStringLiteral("/drip.html"));
    // The extracted files went with it.
    QVERIFY(!QFileInfo::exists(k.process.homePath(QStringLiteral("runtime/Gpane"))));
}

// The show's own quit (here a mouse move, with the mouse set to end the show) while a page
// drips: the same request as the Quit button's, granted while the download holds the show.
void DownloadFaultsTest::quitWhilePageDrips()
{
    Kiosk k(QStringLiteral("quit-drip"));
    k.server.setRoute(QStringLiteral("/drip.html"),
                      html(QByteArray(1'000'000, 'x'), HttpTestServer::Mode::Drip));
    QVERIFY(k.process.start(
        {k.writeCachedShow(QStringLiteral("/drip.html"), {QStringLiteral("OnMouseMove=2")})}));
    QVERIFY(k.requested(QStringLiteral("/drip.html")));
    QTest::qWait(2500); // past the first seconds of the show, when the mouse is ignored
    QVERIFY(k.process.running());

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; k.process.running() && i < 10; ++i)
        QVERIFY(KioskProcess::moveMouse(QPoint(300 + 50 * i, 300)));
    QVERIFY(k.process.waitFor([&] { return !k.process.running(); }, 10'000));
    const qint64 took = clock.elapsed();
    report("quit by the mouse during a drip feed", took);
    QVERIFY(took <= kQuitBoundMs);
    k.verifyOldCopyKept(QStringLiteral("/drip.html"));
}

// A web document that drips while the program starts: SIGTERM still ends it, the last copy
// of the document stays and nothing extracted is left behind.
void DownloadFaultsTest::sigtermWhileDocumentDrips()
{
    Kiosk k(QStringLiteral("sigterm-document"));
    const QByteArray lastCopy = "[Gpane]\r\nHomeURL=about:blank\r\n";
    const QString copy = k.process.writeFile(QStringLiteral("Documents/Cached.GPN"), lastCopy);
    QVERIFY(!copy.isEmpty());
    k.server.setRoute(QStringLiteral("/show.gpn"),
                      html(QByteArray(1'000'000, ';'), HttpTestServer::Mode::Drip));
    QVERIFY(k.process.start({k.server.url("/show.gpn")}));
    QVERIFY(k.requested(QStringLiteral("/show.gpn")));
    QTest::qWait(1500);
    QVERIFY(k.process.running());

    const qint64 took = k.stop();
    report("SIGTERM while the document drips at start", took);
    QVERIFY(took >= 0 && took <= kQuitBoundMs);
    QCOMPARE(QDir(QFileInfo(copy).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"Cached.GPN"});
    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), lastCopy);
    QVERIFY(!QFileInfo::exists(k.process.homePath(QStringLiteral("runtime/Gpane"))));
}

// A page that never stops coming is cut at MaxDownloadSize (1 MB here); the show goes on with
// the copy it had.
void DownloadFaultsTest::endlessBodyCutAtSizeBound()
{
    Kiosk k(QStringLiteral("endless"), {QStringLiteral("\"MaxDownloadSize\"=\"1\"")});
    k.server.setRoute(QStringLiteral("/endless.html"),
                      html(QByteArray(64 * 1024, 'x'), HttpTestServer::Mode::Endless));
    QVERIFY(k.process.start({k.writeCachedShow(QStringLiteral("/endless.html"))}));
    QVERIFY(k.requested(QStringLiteral("/endless.html")));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(k.process.waitForLog(QRegularExpression(
        QStringLiteral("endless.html could not be fetched \\(larger than 1048576 bytes\\)"))));
    report("endless body, cut at 1 MB", clock.elapsed());
    // The old copy is what the show puts on screen.
    const QString copy = CacheFileName(k.server.url("/endless.html"));
    QVERIFY(k.process.waitForLog(
        QRegularExpression(QStringLiteral("page complete .*") + QRegularExpression::escape(copy))));
    k.verifyOldCopyKept(QStringLiteral("/endless.html"));

    const qint64 took = k.stop();
    QVERIFY(took >= 0 && took <= kQuitBoundMs);
    k.verifyOldCopyKept(QStringLiteral("/endless.html"));
}

// A drip feed fast enough never to count as stalled is cut when MaxTime (3 s here) is over.
void DownloadFaultsTest::dripCutAtTimeBound()
{
    Kiosk k(QStringLiteral("drip-maxtime"));
    k.server.setRoute(QStringLiteral("/drip.html"),
                      html(QByteArray(1'000'000, 'x'), HttpTestServer::Mode::Drip));
    QVERIFY(k.process.start(
        {k.writeCachedShow(QStringLiteral("/drip.html"), {QStringLiteral("MaxTime=3")})}));
    QVERIFY(k.requested(QStringLiteral("/drip.html")));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(k.process.waitForLog(QRegularExpression(
        QStringLiteral("drip.html could not be fetched \\(took longer than 3 s\\)"))));
    report("drip feed, cut at MaxTime 3 s", clock.elapsed());
    k.verifyOldCopyKept(QStringLiteral("/drip.html"));

    const qint64 took = k.stop();
    QVERIFY(took >= 0 && took <= kQuitBoundMs);
}

QTEST_MAIN(DownloadFaultsTest)
#include "download_faults_test.moc"
