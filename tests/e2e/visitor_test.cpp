// One visitor's session does not pass to the next, on the real program under Xvfb: visitor A
// logs in on a site that sets a cookie and keeps a value in web storage, types two addresses and
// walks away; the show takes over; visitor B then meets none of it: no cookie reaches the
// server, the page finds nothing in its storage, the address box offers nothing of A (its inline
// completion would finish A's address), and the settings on disk hold none of A's addresses.
// With KeepVisitorData the same sequence shows that each of these observations does see a visit
// that is kept.

#include "local_show.h"
#include "support/test_files.h"

#include <QtTest>

using namespace glasspane;
using e2e::html;
using e2e::lines;

class VisitorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nextVisitorMeetsNothingOfTheLast_data();
    void nextVisitorMeetsNothingOfTheLast();
};

void VisitorTest::nextVisitorMeetsNothingOfTheLast_data()
{
    QTest::addColumn<bool>("keepVisitorData");
    QTest::newRow("visits forgotten") << false;
    QTest::newRow("KeepVisitorData=Yes") << true;
}

void VisitorTest::nextVisitorMeetsNothingOfTheLast()
{
    QFETCH(bool, keepVisitorData);
    e2e::LocalShow k(keepVisitorData ? QStringLiteral("visitors-kept")
                                     : QStringLiteral("visitors"));
    const QString& base = k.base;
    // The desktop's idle time after which the show takes over again: long enough for a visitor
    // on a loaded machine, short for a test. The administrator's list of addresses for the box.
    const QString admin = base + QStringLiteral("/site/admin.html");
    const QString hive = k.process.writeFile(
        QStringLiteral("config/glasspane/user.reg"),
        lines({QStringLiteral("Windows Registry Editor Version 5.00"), QString(),
               QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]"),
               QStringLiteral("\"TestURL\"=\"%1/show/test\"").arg(base),
               QStringLiteral("\"KeepVisitorData\"=\"%1\"").arg(keepVisitorData ? "Yes" : "No"),
               QString(), QStringLiteral("[HKEY_CURRENT_USER\\Control Panel\\Desktop]"),
               QStringLiteral("\"ScreenSaveActive\"=\"1\""),
               QStringLiteral("\"ScreenSaveTimeOut\"=\"15\""), QString(),
               QStringLiteral(
                   "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs]"),
               QStringLiteral("\"url1\"=\"%1\"").arg(admin)}));
    QVERIFY(!hive.isEmpty());

    const QString show = base + QStringLiteral("/show/one.html");
    k.server.setRoute(QStringLiteral("/show/one.html"),
                      html(QStringLiteral("<body style='background:#468'><h1>show</h1></body>")));
    HttpTestServer::Route login = html(QStringLiteral(
        "<body><h1>welcome A</h1><script>localStorage.setItem('who','A')</script></body>"));
    login.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("visitor=A; Path=/")));
    k.server.setRoute(QStringLiteral("/site/visit-login.html"), login);
    k.server.setRoute(QStringLiteral("/site/visit-mail.html"),
                      html(QStringLiteral("<body><h1>A's mail</h1></body>")));
    k.server.setRoute(QStringLiteral("/site/admin.html"), html(QStringLiteral("admin")));
    // What the page finds of earlier visits, reported as a request of its own.
    k.server.setRoute(
        QStringLiteral("/site/check.html"),
        html(QStringLiteral("<body><h1>check</h1><script>fetch('/site/report?storage=' + "
                            "(localStorage.getItem('who') || 'none'))</script></body>")));
    k.server.setRoute(QStringLiteral("/site/report"), html(QStringLiteral("ok")));

    const QString doc =
        k.process.writeFile(QStringLiteral("show.gpn"),
                            lines({QStringLiteral("[Gpane]"), QStringLiteral("HomeURL=") + show,
                                   QStringLiteral("OnMouseMove=1"), QStringLiteral("[Page1]"),
                                   QStringLiteral("URL=") + show, QStringLiteral("DefaultTime=No"),
                                   QStringLiteral("Time=600")}));
    QVERIFY(k.process.start({doc}));
    auto complete = [&](const QString& path, qsizetype from) {
        return k.process.waitForLog(QRegularExpression(QStringLiteral("page complete \".*") +
                                                       QRegularExpression::escape(path) +
                                                       QStringLiteral("\"")),
                                    KioskProcess::Wait, from);
    };
    QVERIFY(complete(QStringLiteral("/show/one.html"), 0));

    // A visitor moves the mouse: the navigation tool bar with its address box appears.
    auto arrive = [&]() -> QPoint {
        QList<KioskProcess::Window> bars;
        for (int i = 0; bars.isEmpty() && i < 600; ++i) {
            if (!KioskProcess::moveMouse(QPoint(600 + (i % 2) * 40, 500)))
                return {};
            QTest::qWait(100);
            bars = k.process.windows(QStringLiteral("^Gpane$"));
        }
        if (bars.isEmpty())
            return {};
        const QRect bar = bars.first().geometry;
        return QPoint(bar.center().x(), bar.bottom() - 10);
    };
    auto typeAddress = [&](const QPoint& box, const QString& text) {
        return KioskProcess::click(box) && KioskProcess::key(QStringLiteral("ctrl+a")) &&
               KioskProcess::type(text) && KioskProcess::key(QStringLiteral("Return"));
    };

    // Visitor A logs in and reads the mail: the cookie is sent within the visit.
    QPoint box = arrive();
    QVERIFY(!box.isNull());
    qsizetype mark = k.process.log().size();
    QVERIFY(typeAddress(box, base + QStringLiteral("/site/visit-login.html")));
    QVERIFY(complete(QStringLiteral("/site/visit-login.html"), mark));
    mark = k.process.log().size();
    QVERIFY(typeAddress(box, base + QStringLiteral("/site/visit-mail.html")));
    QVERIFY(complete(QStringLiteral("/site/visit-mail.html"), mark));
    QCOMPARE(k.server.requests().last().header("cookie"), QByteArray("visitor=A"));

    // A walks away: after the idle time the show takes over and shows its page again.
    mark = k.process.log().size();
    QVERIFY(complete(QStringLiteral("/show/one.html"), mark));
    QCOMPARE(k.process.logged(QRegularExpression(QStringLiteral("the visit is over")), mark),
             !keepVisitorData);
    k.process.saveScreen(QStringLiteral("after-takeover.png"));
    const qsizetype before = k.server.requests().size();

    // Visitor B types the beginning of A's addresses: the box's inline completion finishes it
    // only with an address it still offers.
    box = arrive();
    QVERIFY(!box.isNull());
    QVERIFY(typeAddress(box, base + QStringLiteral("/site/visit-")));
    QVERIFY(k.process.waitFor([&] {
        for (const HttpTestServer::Request& r : k.server.requests().mid(before)) {
            if (r.target.startsWith("/site/visit-"))
                return true;
        }
        return false;
    }));
    QByteArray typedTarget;
    for (const HttpTestServer::Request& r : k.server.requests().mid(before)) {
        if (r.target.startsWith("/site/visit-"))
            typedTarget = r.target;
    }
    QCOMPARE(typedTarget == "/site/visit-", !keepVisitorData);

    // B opens a page of the site: what reaches the server, and what the page finds.
    mark = k.process.log().size();
    QVERIFY(typeAddress(box, base + QStringLiteral("/site/check.html")));
    QVERIFY(k.process.waitFor([&] {
        return k.server.requestCount(QStringLiteral("/site/report?storage=none")) +
                   k.server.requestCount(QStringLiteral("/site/report?storage=A")) >
               0;
    }));
    QCOMPARE(k.server.requestCount(QStringLiteral("/site/report?storage=none")),
             keepVisitorData ? 0 : 1);
    for (const HttpTestServer::Request& r : k.server.requests().mid(before)) {
        if (!keepVisitorData)
            QVERIFY2(r.header("cookie").isEmpty(), r.target.constData());
        else if (r.target == "/site/check.html")
            QCOMPARE(r.header("cookie"), QByteArray("visitor=A"));
    }
    QVERIFY(k.process.stop() >= 0);

    // On disk: the administrator's list, and of A's addresses only what is to be kept.
    const QByteArray held = readFileBytes(hive);
    QVERIFY2(held.contains(admin.toUtf8()), held.constData());
    QCOMPARE(held.contains("visit-"), keepVisitorData);
}

QTEST_MAIN(VisitorTest)
#include "visitor_test.moc"
