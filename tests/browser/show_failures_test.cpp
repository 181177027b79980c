// The whole program against pages served on 127.0.0.1, with documents that hold entries the
// show cannot display: each is left at once (long before its own time, let alone MaxTime)
// with a warning, while the page before stays in sight; the screen is never white; pop-ups
// never stay behind; a cached copy named ".tmp" is shown as the page it is.

#include "browser/webengine_test_main.h"
#include "program_rig.h"
#include "support/log_watch.h"

#include <QLabel>
#include <QTcpServer>

using namespace glasspane;
using test::html;
using test::page;
using test::ProgramRig;

namespace {

QColor middle(const QImage& image)
{
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class ShowFailuresTest : public QObject
{
    Q_OBJECT

private:
    HttpTestServer m_server;

    QByteArray url(const char* path) const
    {
        return m_server.url(QString::fromLatin1(path)).toUtf8();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server.setRoute(QStringLiteral("/a"),
                          html("<html><body style='background:#0f0'>a</body></html>"));
        m_server.setRoute(QStringLiteral("/c"), html(page("c")));
        for (int status : {404, 500}) {
            HttpTestServer::Route error = html(page("the server's error page"));
            error.status = status;
            m_server.setRoute(QStringLiteral("/status%1").arg(status), error);
        }
        HttpTestServer::Route download;
        download.body = "data";
        download.headers = {{"Content-Type", "application/zip"}};
        m_server.setRoute(QStringLiteral("/download"), download);
        m_server.setRoute(QStringLiteral("/outside/x"), html(page("outside")));
        m_server.setRoute(QStringLiteral("/opener"),
                          html("<html><body>opener<script>window.onload=function(){"
                               "window.open('/status404')}</script></body></html>"));
        m_server.setRoute(QStringLiteral("/pop"),
                          html(page("pop", "<script>window.onload=function(){"
                                           "window.open('/c')}</script>")));
        m_server.setRoute(QStringLiteral("/popOutside"),
                          html(page("pop", "<script>window.onload=function(){"
                                           "window.open('/outside/x')}</script>")));
        HttpTestServer::Route query = html("<!DOCTYPE html><html><body><p id='m'>from the cache"
                                           "</p></body></html>");
        m_server.setRoute(QStringLiteral("/query"), query);
    }
    void init() { m_server.clearRequests(); }

    // A good page, the bad entry (60 seconds of its own), another good page: the bad entry
    // is left within moments, with a warning, and nothing else comes in between.
    void badEntriesAreLeftAtOnce_data()
    {
        QTest::addColumn<QString>("entry"); // <server> and <closed> are filled in
        QTest::newRow("outside the include list") << "<server>/outside/x";
        QTest::newRow("unknown scheme") << "htp://127.0.0.1/x";
        QTest::newRow("missing local path") << "/nonexistent/glasspane/a.html";
        QTest::newRow("Windows path") << "C:\\Kiosk\\a.html";
        QTest::newRow("HTTP 404") << "<server>/status404";
        QTest::newRow("HTTP 500") << "<server>/status500";
        QTest::newRow("connection refused") << "http://127.0.0.1:<closed>/x";
        QTest::newRow("download") << "<server>/download";
        QTest::newRow("opens a failing window in its place") << "<server>/opener";
    }
    void badEntriesAreLeftAtOnce()
    {
        QFETCH(QString, entry);
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        entry.replace(QLatin1String("<closed>"), QString::number(closed.serverPort()));
        closed.close();
        entry.replace(QLatin1String("<server>"), m_server.url(QString()));

        ProgramRig p;
        // Only the "outside" entry meets an include list, which lets the other pages through.
        const QByteArray limits =
            entry.contains(QLatin1String("outside"))
                ? "[Include1]\r\nURL=" + url("/a") + "\r\n[Include2]\r\nURL=" + url("/c") + "\r\n"
                : QByteArray();
        p.open("[Gpane]\r\nDefaultTime=2\r\nFirstPageIsLastPage=No\r\nMaxTime=300\r\n"
               "OnNewWindow=1\r\n\r\n" +
               limits + "[Page1]\r\nURL=" + url("/a") + "\r\n\r\n[Page2]\r\nURL=" + entry.toUtf8() +
               "\r\nDefaultTime=No\r\nTime=60\r\n\r\n[Page3]\r\nURL=" + url("/c") + "\r\n");
        const QString a = m_server.url(QStringLiteral("/a"));
        QVERIFY(p.showing(a));
        // On screen for good (a page is, for seconds; the clock here runs fast).
        QTRY_VERIFY(!p.browser().curtain()->isVisible());

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "^Page 2 of the play list, .* cannot be shown: .*; "
                                               "the show moves on$")));
        QVERIFY(p.runUntil([&] { return p.engine().displaySlot().Url == entry; }));
        const QDateTime badStart = p.clock.now();
        bool aStayed = true;
        QVERIFY(p.runUntil([&] {
            // While the bad entry is under way, /a is what is seen: live, or on the curtain.
            if (p.engine().displaySlot().Url == entry) {
                QLabel* curtain = p.browser().curtain();
                const bool live = p.browser().LocationURL() == a && !curtain->isVisible();
                const bool kept = curtain->isVisible() &&
                                  middle(curtain->pixmap().toImage()) == QColor(0, 255, 0);
                aStayed = aStayed && (live || kept || p.browser().LocationURL() == a);
            }
            return p.engine().displaySlot().Url == m_server.url(QStringLiteral("/c"));
        }));
        const qint64 held = badStart.msecsTo(p.clock.now());
        QVERIFY2(held < 10'000, qPrintable(QStringLiteral("held the screen %1 ms").arg(held)));
        QVERIFY(aStayed);
        QVERIFY(p.showing(m_server.url(QStringLiteral("/c"))));
        QTRY_VERIFY(!p.browser().curtain()->isVisible());
    }

    // Before the first page has painted the screen is black, never white; so it is when the
    // window comes back after a page shown with the window hidden.
    void neverWhite()
    {
        ProgramRig p;
        frmMain& w = p.open("[Gpane]\r\nDefaultTime=1\r\nFirstPageIsLastPage=No\r\n\r\n"
                            "[Page1]\r\nURL=hidden\r\nVar1Type=5\r\n\r\n[Page2]\r\nURL=" +
                            url("/a") + "\r\n");
        QLabel* curtain = p.browser().curtain();
        QVERIFY(curtain->isVisible());
        QVERIFY(curtain->pixmap().isNull());
        QCOMPARE(middle(w.grab().toImage()), QColor(Qt::black));

        QVERIFY(p.runUntil([&] { return !w.isVisible(); }));
        QVERIFY(p.runUntil([&] { return w.isVisible(); }));
        QCOMPARE(p.engine().displaySlot().Url, m_server.url(QStringLiteral("/a")));
        QVERIFY(curtain->isVisible());
        QCOMPARE(middle(w.grab().toImage()), QColor(Qt::black));
        QVERIFY(p.showing(m_server.url(QStringLiteral("/a"))));
        QTRY_VERIFY(!curtain->isVisible());
    }

    // A window a page was allowed to open goes when the show moves on; one it was not allowed
    // to open never appears.
    void popupWindowsNeverStay()
    {
        ProgramRig p;
        p.open("[Gpane]\r\nDefaultTime=2\r\nFirstPageIsLastPage=No\r\n\r\n[Exclude1]\r\nURL=" +
               url("/outside/") + "\r\n\r\n[Page1]\r\nURL=" + url("/pop") +
               "\r\n\r\n[Page2]\r\nURL=" + url("/a") +
               "\r\n\r\n[Page3]\r\nURL=" + url("/popOutside") + "\r\n");
        QVERIFY(p.showing(m_server.url(QStringLiteral("/pop"))));
        QTRY_COMPARE(p.browser().popupWindows().size(), 1);
        QTRY_VERIFY(p.browser().popupWindows().first()->isVisible());
        QVERIFY(p.showing(m_server.url(QStringLiteral("/a"))));
        QVERIFY(p.browser().popupWindows().isEmpty());

        // Refused by the address limits: no window at all. Once the show has refused its
        // page, the window that was to show it is closed.
        test::LogWatch log;
        QVERIFY(p.showing(m_server.url(QStringLiteral("/popOutside"))));
        QVERIFY(p.runUntil([&] {
            return log.contains({QStringLiteral("frame navigation"),
                                 m_server.url(QStringLiteral("/outside/x")),
                                 QStringLiteral("refused")});
        }));
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible() || w->objectName() != u"frmPopup", "a pop-up window");
        QVERIFY(p.browser().popupWindows().isEmpty());
    }

    // A cached page whose address gives its copy no extension is shown as the page the server
    // sent, not as its source text; the copy keeps its name.
    void cachedCopyShownAsItsType()
    {
        ProgramRig p;
        const QString address = m_server.url(QStringLiteral("/query?id=3"));
        p.open("[Gpane]\r\nDefaultTime=0\r\nForceReconnect=Yes\r\n\r\n[Page1]\r\nURL=" +
               address.toUtf8() + "\r\nCached=Yes\r\nSeparateProc=No\r\n");
        QVERIFY(p.runUntil([&] {
            return p.engine().displaySlot().Url == address && p.engine().displaySlot().Loaded;
        }));
        const QString copy = p.cache.CachePathIsWindowsTemp ? p.shell.folder(Shell::Folder::Cache) +
                                                                  u'/' + CacheFileName(address)
                                                            : QString();
        QVERIFY(copy.endsWith(QLatin1String(".tmp")));
        QVERIFY(QFileInfo::exists(copy));
        QCOMPARE(p.browser().LocationURL(), copy + QStringLiteral(".html"));
        QCOMPARE(p.evaluate(QStringLiteral("document.contentType")).toString(),
                 QStringLiteral("text/html"));
        QCOMPARE(p.evaluate(QStringLiteral("document.getElementById('m').textContent")).toString(),
                 QStringLiteral("from the cache"));
    }
};

GLASSPANE_WEBENGINE_TEST_MAIN(ShowFailuresTest)
#include "show_failures_test.moc"
