// The whole program window against pages served on 127.0.0.1: the load sequence, the show
// moving from page to page, the limits on where pages may go, documents opened by a link,
// pop-ups, scroll bars, and the end of the program through SIGTERM.
//
// The engine runs on a settable clock and is ticked by the test, so a page's display time
// passes at once and only the pages' real loading takes time.

#include "browser/webengine_test_main.h"
#include "platform/linux/termination_signals.h"
#include "program_rig.h"
#include "support/log_watch.h"

#include <QTimer>
#include <QWebEngineView>
#include <csignal>

using namespace glasspane;

using test::html;
using test::page;
using test::pagesServed;
using Program = test::ProgramRig;

class MainWindowTest : public QObject
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
        for (const char* name : {"/p1", "/p2", "/p3", "/q1", "/popped", "/short"})
            m_server.setRoute(QString::fromLatin1(name), html(page(name)));
        m_server.setRoute(QStringLiteral("/long"),
                          html(page("long", "<div style='height:6000px'></div>")));
        m_server.setRoute(QStringLiteral("/site/start"),
                          html(page("start", "<a id='private' href='/site/private/x'>x</a>"
                                             "<a id='other' href='/elsewhere'>y</a>"
                                             "<a id='redirect' href='/site/go'>z</a>"
                                             "<a id='doc' href='/second.gpn'>d</a>")));
        HttpTestServer::Route go;
        go.status = 302;
        go.headers = {{"Location", url("/site/private/y")}};
        m_server.setRoute(QStringLiteral("/site/go"), go);
        m_server.setPage(
            QStringLiteral("/second.gpn"),
            "[Gpane]\r\nDefaultTime=1\r\nFirstPageIsLastPage=No\r\n\r\n[Page1]\r\nURL=" +
                url("/q1") + "\r\n");
        m_server.setRoute(QStringLiteral("/pop"),
                          html(page("pop", "<a id='l' href='/popped' target='_blank'>p</a>")));
    }
    void init() { m_server.clearRequests(); }

    // The window as the program knows it, and what the load sequence put on disk.
    void loadSequence()
    {
        Program p;
        const QByteArray document =
            "[Gpane]\r\nDefaultTime=1\r\n\r\n[Page1]\r\nURL=" + url("/p1") + "\r\n";
        frmMain& w = p.open(document);
        QCOMPARE(w.objectName(), QStringLiteral("frmMain"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Glasspane"));
        QCOMPARE(w.tim()->objectName(), QStringLiteral("tim"));
        QVERIFY(w.findChild<QWebEngineView*>(QStringLiteral("WebBrowser0")));
        QCOMPARE(p.values.documentPath, p.dir.filePath(QStringLiteral("shows/show one.gpn")));
        QVERIFY(QFileInfo::exists(p.values.resourceFolder + QStringLiteral("/res.txt")));
        QVERIFY(QFileInfo::exists(p.values.resourceFolder + QStringLiteral("/documentation.html")));
        QCOMPARE(p.doc.playCount(), 1);
        // The splash page first, while the show's first page loads, full screen.
        QCOMPARE(p.engine().displaySlot().Url,
                 p.values.resourceFolder + QStringLiteral("/index.html"));
        QVERIFY(p.showing(m_server.url(QStringLiteral("/p1"))));
        QVERIFY(w.isFullScreen());
        // Full screen, the window's own placement is not stored.
        QCOMPARE(p.settings.read(keys::WindowLeft, -1), -1);
        QCOMPARE(p.settings.read(keys::WindowWidth, -1), -1);
        // The engine finds the page's window by the class name the settings know.
        QCOMPARE(p.engine().FindBrowserPane(w.windowId(AppWindow::Main)),
                 QtDesktop::idOf(p.browser().view()->focusProxy()));
        QCOMPARE(p.browser().view()->geometry(),
                 QRect(-1, -1, w.centralWidget()->width() + 3, w.centralWidget()->height() + 3));
        // A document kept by hand gets only the show's position, nothing that nobody changed
        // (the tool bars' locks, say), however often the placement is stored.
        w.SaveWindowPlacement();
        QVERIFY(p.runUntil([&] { return p.engine().CurrentState() == RunState::NAVIGATE; }));
        w.SaveWindowPlacement();
        QFile file(p.values.documentPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray held = file.readAll();
        held.replace("FirstPage=1\r\n", "");
        QCOMPARE(held, document);
    }

    void pagesInOrderAndLooping()
    {
        Program p;
        p.open("[Gpane]\r\nDefaultTime=1\r\nFirstPageIsLastPage=No\r\n\r\n"
               "[Page1]\r\nURL=" +
               url("/p1") + "\r\n\r\n[Page2]\r\nURL=" + url("/p2") +
               "\r\nDefaultTime=No\r\nTime=2\r\n\r\n[Page3]\r\nURL=" + url("/p3") + "\r\n");
        QVERIFY(p.runUntil([&] { return pagesServed(m_server).size() >= 5; }));
        QCOMPARE(pagesServed(m_server).mid(0, 5),
                 (QStringList{QStringLiteral("/p1"), QStringLiteral("/p2"), QStringLiteral("/p3"),
                              QStringLiteral("/p1"), QStringLiteral("/p2")}));
        // The position is remembered as the show goes on.
        QVERIFY(p.settings.read(keys::FirstPage, -1) >= 0);
    }

    // The include list keeps links on the site, the exclude list keeps them off a folder of it,
    // also through a redirect; the built-in help passes the include list.
    void addressLimits()
    {
        Program p;
        p.open("[Gpane]\r\nDefaultTime=0\r\nFirstPageIsLastPage=No\r\n\r\n[Page1]\r\nURL=" +
               url("/site/start") + "\r\n\r\n[Include1]\r\nURL=" + url("/site/") +
               "\r\n\r\n[Exclude1]\r\nURL=" + url("/site/private/") + "\r\n");
        const QString start = m_server.url(QStringLiteral("/site/start"));
        QVERIFY(p.showing(start));

        // Each link is refused (the redirect's target once it is known) before the next: once
        // the show has said so, no request for it can follow.
        test::LogWatch log;
        const QList<std::pair<const char*, const char*>> links{{"private", "/site/private/x"},
                                                               {"other", "/elsewhere"},
                                                               {"redirect", "/site/private/y"}};
        for (const auto& [link, refused] : links) {
            p.evaluate(
                QStringLiteral("document.getElementById('%1').click()").arg(QLatin1String(link)));
            QVERIFY(p.runUntil([&, refused = refused] {
                return log.contains({QStringLiteral("navigation"), QString::fromUtf8(url(refused)),
                                     QStringLiteral("refused")});
            }));
        }
        QCOMPARE(m_server.requestCount(QStringLiteral("/site/go")), 1);
        const QStringList served = pagesServed(m_server);
        QVERIFY2(!served.contains(QStringLiteral("/site/private/x")), qPrintable(served.join(' ')));
        QVERIFY(!served.contains(QStringLiteral("/site/private/y")));
        QVERIFY(!served.contains(QStringLiteral("/elsewhere")));
        QCOMPARE(p.browser().LocationURL(), start);

        const QString help = p.values.resourceFolder + QStringLiteral("/documentation.html");
        p.browser().Navigate(help);
        QVERIFY(p.runUntil([&] { return p.browser().LocationURL() == help; }));
    }

    // A link to a document opens it: the show starts over with its pages, and the browser itself
    // never asks for the document.
    void documentLink()
    {
        Program p;
        p.open("[Gpane]\r\nDefaultTime=0\r\nFirstPageIsLastPage=No\r\n\r\n[Page1]\r\nURL=" +
               url("/site/start") + "\r\n");
        QVERIFY(p.showing(m_server.url(QStringLiteral("/site/start"))));
        p.evaluate(QStringLiteral("document.getElementById('doc').click()"));
        QVERIFY(p.showing(m_server.url(QStringLiteral("/q1"))));
        QCOMPARE(p.values.documentName, m_server.url(QStringLiteral("/second.gpn")));
        for (const HttpTestServer::Request& request : m_server.requests()) {
            if (request.target == "/second.gpn")
                QVERIFY(!request.header("user-agent").contains("Mozilla"));
        }
    }

    void newWindows_data()
    {
        QTest::addColumn<int>("onNewWindow");
        QTest::newRow("1: in the main window") << 1;
        QTest::newRow("2: nowhere") << 2;
    }
    void newWindows()
    {
        QFETCH(int, onNewWindow);
        Program p;
        p.open("[Gpane]\r\nDefaultTime=0\r\nFirstPageIsLastPage=No\r\nOnNewWindow=" +
               QByteArray::number(onNewWindow) + "\r\n\r\n[Page1]\r\nURL=" + url("/pop") + "\r\n");
        QVERIFY(p.showing(m_server.url(QStringLiteral("/pop"))));
        test::LogWatch log;
        p.evaluate(QStringLiteral("document.getElementById('l').click()"));
        if (onNewWindow == 1) {
            QVERIFY(p.runUntil([&] {
                return p.browser().LocationURL() == m_server.url(QStringLiteral("/popped"));
            }));
        } else {
            QVERIFY(
                p.runUntil([&] { return log.contains({QStringLiteral("new window refused")}); }));
            QCOMPARE(m_server.requestCount(QStringLiteral("/popped")), 0);
            QCOMPARE(p.browser().LocationURL(), m_server.url(QStringLiteral("/pop")));
        }
        QVERIFY(p.browser().popupWindows().isEmpty());
    }

    void scrollBars_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("shortPage");
        QTest::addColumn<QString>("longPage");
        QTest::newRow("1: always hidden") << 1 << "hidden"
                                          << "hidden";
        QTest::newRow("2: hidden when the page fits") << 2 << "hidden"
                                                      << "";
    }
    void scrollBars()
    {
        QFETCH(int, mode);
        QFETCH(QString, shortPage);
        QFETCH(QString, longPage);
        Program p;
        p.open("[Gpane]\r\nDefaultTime=1\r\nFirstPageIsLastPage=No\r\nRemoveVertScroll=" +
               QByteArray::number(mode) + "\r\n\r\n[Page1]\r\nURL=" + url("/short") +
               "\r\n\r\n[Page2]\r\nURL=" + url("/long") + "\r\n");
        const QString overflow = QStringLiteral("document.documentElement.style.overflowY");
        QVERIFY(p.showing(m_server.url(QStringLiteral("/short"))));
        QTRY_COMPARE(p.evaluate(overflow).toString(), shortPage);
        QVERIFY(p.showing(m_server.url(QStringLiteral("/long"))));
        QTRY_COMPARE(p.evaluate(overflow).toString(), longPage);
    }

    // Escape on the page ends the program when a Quit button is offered.
    void escapeOnThePage()
    {
        Program p;
        frmMain& w =
            p.open("[Gpane]\r\nDefaultTime=0\r\n\r\n[Page1]\r\nURL=" + url("/p1") + "\r\n");
        QVERIFY(p.showing(m_server.url(QStringLiteral("/p1"))));
        QWidget* target = p.browser().view()->focusProxy();
        QVERIFY(target);
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key_Escape);
        QCOMPARE(p.engine().CurrentState(), RunState::FINPROG);
        QVERIFY(p.runUntil([&] { return w.unloaded(); }));
        QVERIFY(!QFileInfo::exists(p.values.resourceFolder));
    }

    // SIGTERM ends the program through its own path, even without a Quit button: the extracted
    // files are removed and the window placement is kept.
    void sigtermCleansUp()
    {
        Program p;
        frmMain& w =
            p.open("[Gpane]\r\nDefaultTime=0\r\nWindowState=0\r\n\r\n[Page1]\r\nURL=" + url("/p1") +
                   "\r\n\r\n[ToolRunQuit]\r\nVisible=No\r\n\r\n"
                   "[ToolNavQuit]\r\nVisible=No\r\n");
        QVERIFY(p.showing(m_server.url(QStringLiteral("/p1"))));
        QVERIFY(!p.engine().QuitAllowed());
        w.move(40, 30);
        QVERIFY(QFileInfo::exists(p.values.resourceFolder + QStringLiteral("/index.html")));

        TerminationSignals signals;
        QVERIFY(signals.isActive());
        connect(&signals, &TerminationSignals::terminationRequested, &w,
                &frmMain::requestTermination);
        bool ended = false;
        connect(&w, &frmMain::processEnded, this, [&] { ended = true; });
        w.tim()->start();
        ::raise(SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(ended, 10000);
        QVERIFY(w.unloaded());
        QVERIFY(!QFileInfo::exists(p.values.resourceFolder));
        QCOMPARE(p.settings.read(keys::WindowLeft), w.x() * p.desktop.twipsPerPixelX());
    }
};

GLASSPANE_WEBENGINE_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
