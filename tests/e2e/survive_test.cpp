// The show survives any page, on the real program under Xvfb, against a local server that
// records every request: a renderer that hangs (in a page of the show and in one a visitor
// opened), dialogs left open over the show (a script's alerts, the printer's, the configuration
// password's) with and without a window manager, an unload handler that busy-waits, a renderer
// killed while the show changes pages, and a server that asks for a password. In each case the
// server sees the following pages fetched, and gpane says what really happens. The time the
// show took to go on is printed for each case ("bound: ...").

#include "local_show.h"
#include "support/gpane_runner.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <csignal>

using namespace glasspane;
using e2e::html;
using e2e::lines;

namespace {

const QString kPlain = QStringLiteral("<body style='background:#%1'><h1>%2</h1></body>");
// A script that never returns, a moment after the page completed.
const QString kHang =
    QStringLiteral("<body style='background:#611'><h1>hangs</h1>"
                   "<script>setTimeout(() => { for (;;) {} }, 300)</script></body>");
const QString kAlerts =
    QStringLiteral("<body style='background:#163'><h1>offers</h1>"
                   "<script>setInterval(() => alert('Special offer'), 3000)</script></body>");
const QString kUnload = QStringLiteral(
    "<body style='background:#316'><h1>unload</h1><script>addEventListener('unload', () => {"
    " const t = Date.now(); while (Date.now() - t < 20000) {} })</script></body>");
// A page that is one big link.
const QString kLink = QStringLiteral(
    "<body style='margin:0'><a href='%1' style='display:block;height:100vh;background:#cc6'>"
    "go</a></body>");

// The ScreenSaveTimeOut of these runs: the idle time after which the show takes over.
constexpr int kIdleSeconds = 6;

// The kiosk: a document of the given pages (path, seconds) on the local server, visitors moved
// in by the mouse, a short idle time, and the navigation tool bar reduced to one button.
struct Survive : e2e::LocalShow
{
    GpaneRunner gpane{process.home()};
    QProcess windowManager;

    explicit Survive(const QString& name, const QStringList& glasspaneValues = {}) : LocalShow(name)
    {
        QStringList reg{QStringLiteral("Windows Registry Editor Version 5.00"),
                        QString(),
                        QStringLiteral("[HKEY_CURRENT_USER\\Control Panel\\Desktop]"),
                        QStringLiteral("\"ScreenSaveTimeOut\"=\"%1\"").arg(kIdleSeconds),
                        QString(),
                        QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]"),
                        QStringLiteral("\"TestURL\"=\"%1/show/test\"").arg(base)};
        reg << glasspaneValues;
        process.writeFile(QStringLiteral("config/glasspane/user.reg"), lines(reg));
    }
    ~Survive()
    {
        if (process.running())
            process.stop();
        if (windowManager.state() != QProcess::NotRunning) {
            windowManager.terminate();
            windowManager.waitForFinished(KioskProcess::Wait);
        }
    }

    void page(const QString& path, const QString& body) { server.setRoute(path, html(body)); }
    void plain(const QString& path, const QString& color) { page(path, kPlain.arg(color, path)); }

    // Starts the program on these pages; button: the one navigation button left (or none).
    bool keepVisit = false;
    bool start(const QList<std::pair<QString, int>>& pages, const QString& button = QString())
    {
        QStringList text{QStringLiteral("[Gpane]"), QStringLiteral("OnMouseMove=1"),
                         QStringLiteral("FirstPageIsLastPage=No"), QStringLiteral("AutoLoop=Yes")};
        // Forgetting a visit renews the web page too, which would end a hung renderer before
        // its own bound: the rows that need the bound keep the visit.
        if (keepVisit)
            text << QStringLiteral("KeepVisitorData=Yes");
        for (qsizetype i = 0; i < pages.size(); ++i)
            text << QStringLiteral("[Page%1]").arg(i + 1)
                 << QStringLiteral("URL=%1%2").arg(base, pages.at(i).first)
                 << QStringLiteral("DefaultTime=No")
                 << QStringLiteral("Time=%1").arg(pages.at(i).second);
        const QStringList buttons{"Back", "Forward", "Stop", "Reload", "Home", "Play",
                                  "Quit", "Config",  "Help", "Grab",   "Print"};
        for (const QString& b : buttons) {
            if (b != button)
                text << QStringLiteral("[ToolNav%1]").arg(b) << QStringLiteral("Visible=No");
        }
        text << QStringLiteral("[ToolNavURL]") << QStringLiteral("Visible=No");
        return process.start({process.writeFile(QStringLiteral("show.gpn"), lines(text))});
    }

    // A real window manager on the test's X server (openbox), up before the program starts.
    bool startWindowManager()
    {
        const QString ready = process.homePath(QStringLiteral("wm-ready"));
        windowManager.start(QStringLiteral("openbox"),
                            {QStringLiteral("--startup"), QStringLiteral("touch ") + ready});
        return windowManager.waitForStarted(KioskProcess::Wait) &&
               process.waitFor([&] { return QFileInfo::exists(ready); });
    }

    QRegularExpression logged(const QString& text, const QString& path = QString()) const
    {
        return QRegularExpression(
            text +
            (path.isEmpty() ? QString() : QStringLiteral(".*") + QRegularExpression::escape(path)));
    }
    bool complete(const QString& path, qsizetype from = 0)
    {
        return process.waitForLog(logged(QStringLiteral("page complete \".*"), path + u'"'),
                                  KioskProcess::Wait, from);
    }
    bool shown(const QString& path, qsizetype from = 0)
    {
        return complete(path, from) &&
               process.waitForLog(logged(QStringLiteral("page on screen \".*"), path + u'"'),
                                  KioskProcess::Wait, from);
    }
    qsizetype mark() { return process.log().size(); }

    // Moves the mouse until the navigation tool bar (the one visible button) is there.
    QRect enterNavigation()
    {
        QList<KioskProcess::Window> bars;
        for (int i = 0; bars.isEmpty() && i < 600; ++i) {
            if (!KioskProcess::moveMouse(QPoint(600 + (i % 2) * 40, 500)))
                return {};
            QTest::qWait(100);
            bars = process.windows(QStringLiteral("^Gpane$"));
        }
        return bars.isEmpty() ? QRect() : bars.first().geometry;
    }
    // Waits for a window of the program whose name matches, mapped.
    bool windowAppears(const QString& pattern)
    {
        return process.waitFor([&] { return !process.windows(pattern).isEmpty(); });
    }

    GpaneRunner::Run command(const QString& word) { return gpane.run({word}, process.home()); }
    QHash<QString, QString> status()
    {
        return GpaneRunner::statusValues(command(QStringLiteral("status")).out);
    }

    // The show goes on after a dialog was closed: the page after `path` in the list (or the
    // list's page again) is fetched and complete, gpane says so and moves it on.
    void showGoesOn(const QString& again, const QString& next, qsizetype from)
    {
        QVERIFY(complete(again, from));
        const QHash<QString, QString> s = status();
        QCOMPARE(s.value(QStringLiteral("state")), QStringLiteral("playing"));
        const qsizetype before = mark();
        const GpaneRunner::Run run = command(QStringLiteral("next"));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(complete(next, before));
    }
};

void report(const char* what, qint64 ms)
{
    qInfo("bound: %s: %lld ms", what, ms);
}

// The pid a "... process N ..." line names.
qint64 pidIn(const QString& line)
{
    static const QRegularExpression number(QStringLiteral("process (\\d+)"));
    return number.match(line).captured(1).toLongLong();
}

} // namespace

class SurviveTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialogLeftOpen_data();
    void dialogLeftOpen();
    void hangingRenderer_data();
    void hangingRenderer();
    void unloadHandlerBusyWaits();
    void rendererKilledAtAPageChange();
    void serverAsksForAPassword();
};

void SurviveTest::dialogLeftOpen_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("windowManager");
    for (const bool wm : {false, true}) {
        const char* with = wm ? ", openbox" : ", no window manager";
        QTest::newRow(qPrintable(QStringLiteral("alert loop") + with)) << "alert" << wm;
        QTest::newRow(qPrintable(QStringLiteral("print dialog") + with)) << "print" << wm;
        QTest::newRow(qPrintable(QStringLiteral("password prompt") + with)) << "password" << wm;
        QTest::newRow(qPrintable(QStringLiteral("configuration dialog") + with)) << "config" << wm;
    }
}

// A visitor leaves a dialog open and walks away: once the idle time has passed it is closed as
// cancelled, nothing stays mapped, and the show goes on (its page fetched again, then the next).
void SurviveTest::dialogLeftOpen()
{
    QFETCH(QString, dialog);
    QFETCH(bool, windowManager);
    // "abc", as the password is kept.
    Survive k(QStringLiteral("dialog-") + dialog + (windowManager ? "-wm" : ""),
              dialog == u"password" ? QStringList{QStringLiteral("\"Password\"=\"h*k\"")}
                                    : QStringList());
    if (windowManager)
        QVERIFY(k.startWindowManager());
    k.page(QStringLiteral("/show/offers.html"),
           dialog == u"alert" ? kAlerts : kPlain.arg("163", "offers"));
    k.plain(QStringLiteral("/show/two.html"), QStringLiteral("246"));
    const QString button = dialog == u"print"   ? QStringLiteral("Print")
                           : dialog != u"alert" ? QStringLiteral("Config")
                                                : QStringLiteral("Home");
    QVERIFY(k.start({{"/show/offers.html", 600}, {"/show/two.html", 600}}, button));
    QVERIFY(k.shown(QStringLiteral("/show/offers.html")));

    const QRect bar = k.enterNavigation();
    QVERIFY(bar.isValid());
    QString title;
    if (dialog == u"alert") {
        title = QStringLiteral("Javascript Alert");
    } else {
        // The one button, at the bar's left.
        QVERIFY(KioskProcess::click(bar.topLeft() + QPoint(8, 8)));
        title = dialog == u"print" ? QStringLiteral("Print") : QStringLiteral("Glasspane - ");
    }
    QVERIFY(k.windowAppears(title));
    if (dialog == u"password") {
        // While the prompt is up, the commands say why they cannot be carried out.
        QCOMPARE(k.status().value(QStringLiteral("state")), QStringLiteral("configuration"));
        const GpaneRunner::Run next = k.command(QStringLiteral("next"));
        QCOMPARE(next.exitCode, 1);
        QVERIFY2(next.err.contains(QStringLiteral("configuration dialog is open")),
                 qPrintable(next.err));
    }
    // The visitor walks away: nothing moves from here on.
    QElapsedTimer idle;
    idle.start();
    const qsizetype left = k.mark();
    QVERIFY(k.process.waitForLog(
        k.logged(QStringLiteral("dialog .*closed as cancelled: (the show takes over|nobody used "
                                "it)")),
        KioskProcess::Wait, left));
    const qint64 closedAfter = idle.elapsed();
    QVERIFY(k.complete(QStringLiteral("/show/offers.html"), left));
    const qint64 resumedAfter = idle.elapsed();
    QVERIFY(k.process.waitFor([&] { return k.process.windows(title).isEmpty(); }));
    k.process.saveScreen(QStringLiteral("after.png"));
    report(qPrintable(QStringLiteral("%1 closed after the visitor left (idle time %2 s)")
                          .arg(QString::fromLatin1(QTest::currentDataTag()))
                          .arg(kIdleSeconds)),
           closedAfter);
    report(qPrintable(QStringLiteral("%1: show page complete after the visitor left")
                          .arg(QString::fromLatin1(QTest::currentDataTag()))),
           resumedAfter);
    if (dialog == u"config")
        QVERIFY(k.process.logged(
            k.logged(QStringLiteral("the configuration dialog was closed \\(nobody used it for "
                                    "6 s\\): it held no edits, nothing saved")),
            left));
    k.showGoesOn(QStringLiteral("/show/offers.html"), QStringLiteral("/show/two.html"), left);
}

void SurviveTest::hangingRenderer_data()
{
    QTest::addColumn<bool>("visitor");
    QTest::newRow("in a page of the show") << false;
    QTest::newRow("in a page a visitor opened") << true;
}

// A script that never returns: the renderer is ended and the web page renewed, the process is
// gone, and the show goes on at the page's time; cycle after cycle the same, without a renderer
// left behind.
void SurviveTest::hangingRenderer()
{
    QFETCH(bool, visitor);
    Survive k(visitor ? QStringLiteral("hang-visitor") : QStringLiteral("hang-show"));
    k.plain(QStringLiteral("/show/one.html"), QStringLiteral("135"));
    k.plain(QStringLiteral("/show/two.html"), QStringLiteral("246"));
    k.page(QStringLiteral("/show/hang.html"), kHang);
    k.page(QStringLiteral("/show/links.html"), kLink.arg(QStringLiteral("/show/hang.html")));
    // Noticed on screen, or when the show asks for its next page (a visitor may walk away
    // sooner than the renderer's bound).
    const QRegularExpression unresponsive = k.logged(
        visitor ? QStringLiteral("(the renderer of .*hang.html did not answer for|hang.html did "
                                 "not let go of its page)")
                : QStringLiteral("the renderer of .*hang.html did not answer for"));

    if (visitor) {
        k.keepVisit = true;
        QVERIFY(
            k.start({{"/show/links.html", 600}, {"/show/two.html", 600}}, QStringLiteral("Home")));
        QVERIFY(k.shown(QStringLiteral("/show/links.html")));
        QVERIFY(k.enterNavigation().isValid());
        const qsizetype clicked = k.mark();
        const int before = k.server.requestCount(QStringLiteral("/show/links.html"));
        QVERIFY(KioskProcess::click(QPoint(640, 600)));
        QVERIFY(k.complete(QStringLiteral("/show/hang.html"), clicked));
        QElapsedTimer since;
        since.start();
        QVERIFY(k.process.waitForLog(unresponsive, KioskProcess::Wait, clicked));
        report("visitor's page: renderer not answering noticed", since.elapsed());
        const qint64 pid = pidIn(k.process.log().filter(unresponsive).constLast());
        QVERIFY(k.process.waitFor(
            [&] { return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)); }));
        // The visitor walks away; the show takes over with its page, fetched again.
        QVERIFY(k.complete(QStringLiteral("/show/links.html"), clicked));
        QVERIFY(k.server.requestCount(QStringLiteral("/show/links.html")) > before);
        report("visitor's page: show page complete after the hang was noticed", since.elapsed());
        k.showGoesOn(QStringLiteral("/show/links.html"), QStringLiteral("/show/two.html"), 0);
        return;
    }

    QVERIFY(k.start({{"/show/one.html", 3}, {"/show/hang.html", 12}, {"/show/two.html", 3}}));
    QList<qint64> ended;
    for (int cycle = 0; cycle < 2; ++cycle) {
        const qsizetype from = k.mark();
        QVERIFY(k.complete(QStringLiteral("/show/hang.html"), from));
        QElapsedTimer since;
        since.start();
        QVERIFY(k.process.waitForLog(unresponsive, KioskProcess::Wait, from));
        const qint64 noticed = since.elapsed();
        ended << pidIn(k.process.log().mid(from).filter(unresponsive).constFirst());
        // The next page at its time, fetched and shown.
        QVERIFY(k.complete(QStringLiteral("/show/two.html"), from));
        report(
            qPrintable(QStringLiteral("show page, cycle %1: not answering noticed").arg(cycle + 1)),
            noticed);
        report(qPrintable(QStringLiteral("show page, cycle %1: next page complete").arg(cycle + 1)),
               since.elapsed());
        QVERIFY(!k.process.logged(k.logged(QStringLiteral("did not finish loading")), from));
    }
    QCOMPARE(ended.size(), 2);
    QVERIFY(ended.at(0) != ended.at(1));
    for (const qint64 pid : std::as_const(ended))
        QVERIFY(k.process.waitFor(
            [&] { return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)); }));
    const QHash<QString, QString> s = k.status();
    QCOMPARE(s.value(QStringLiteral("state")), QStringLiteral("playing"));
    QVERIFY2(s.value(QStringLiteral("page renewals"))
                 .contains(QRegularExpression("not answering [2-9]")),
             qPrintable(s.value(QStringLiteral("page renewals"))));
    QVERIFY(QDateTime::fromString(s.value(QStringLiteral("last complete")), Qt::ISODate).isValid());
    const qsizetype before = k.mark();
    QCOMPARE(k.command(QStringLiteral("next")).exitCode, 0);
    QVERIFY(k.process.waitForLog(k.logged(QStringLiteral("page complete")), KioskProcess::Wait,
                                 before));
}

// An unload handler that busy-waits for 20 s: the page it leaves is given a short bound, then
// its renderer is ended; the next page loads in a new one and gets its whole time.
void SurviveTest::unloadHandlerBusyWaits()
{
    Survive k(QStringLiteral("unload"));
    k.page(QStringLiteral("/show/unload.html"), kUnload);
    k.plain(QStringLiteral("/show/after.html"), QStringLiteral("246"));
    QVERIFY(k.start({{"/show/unload.html", 2}, {"/show/after.html", 2}}));
    QVERIFY(k.complete(QStringLiteral("/show/unload.html")));
    const qsizetype from = k.mark();
    QVERIFY(k.process.waitForLog(k.logged(QStringLiteral("navigation \".*/show/after.html")),
                                 KioskProcess::Wait, from));
    QElapsedTimer since;
    since.start();
    QVERIFY(k.complete(QStringLiteral("/show/after.html"), from));
    report("unload handler: next page complete after the show asked for it", since.elapsed());
    QVERIFY(
        k.process.logged(k.logged(QStringLiteral("did not let go of its page"), QString()), from));
    QVERIFY(!k.process.logged(k.logged(QStringLiteral("did not finish loading")), from));
    // And the show goes round: the unload page again, then the page after it again.
    QVERIFY(k.complete(QStringLiteral("/show/unload.html"), k.mark()));
    QVERIFY(k.complete(QStringLiteral("/show/after.html"), k.mark()));
}

// The renderer is killed while the next page is on its way: the page the show asked for is
// shown, the page it left is not loaded again, the crash is logged and counted.
void SurviveTest::rendererKilledAtAPageChange()
{
    Survive k(QStringLiteral("killed"));
    k.plain(QStringLiteral("/show/one.html"), QStringLiteral("135"));
    k.plain(QStringLiteral("/show/two.html"), QStringLiteral("246"));
    HttpTestServer::Route slow = html(kPlain.arg(QStringLiteral("357"), QStringLiteral("slow")));
    slow.delayMs = 2500;
    k.server.setRoute(QStringLiteral("/show/slow.html"), slow);
    QVERIFY(k.start({{"/show/one.html", 2}, {"/show/slow.html", 3}, {"/show/two.html", 60}}));
    QVERIFY(k.complete(QStringLiteral("/show/one.html")));
    QVERIFY(k.process.waitForLog(k.logged(QStringLiteral("renderer process \\d+"))));
    const QStringList renderers = k.process.log().filter(QStringLiteral("renderer process"));
    QVERIFY(!renderers.isEmpty());
    const qint64 renderer = pidIn(renderers.constLast());
    QVERIFY(renderer > 0);
    // The moment the next page is asked of the server.
    QVERIFY(k.process.waitFor(
        [&] { return k.server.requestCount(QStringLiteral("/show/slow.html")) > 0; }));
    const int oneBefore = k.server.requestCount(QStringLiteral("/show/one.html"));
    const qsizetype from = k.mark();
    QVERIFY(::kill(pid_t(renderer), SIGKILL) == 0);
    QElapsedTimer since;
    since.start();
    QVERIFY(k.process.waitForLog(k.logged(QStringLiteral("the renderer process .* ended \\(")),
                                 KioskProcess::Wait, from));
    QVERIFY(k.complete(QStringLiteral("/show/slow.html"), from));
    report("renderer killed at a page change: the page asked for complete", since.elapsed());
    QCOMPARE(k.server.requestCount(QStringLiteral("/show/one.html")), oneBefore);
    QVERIFY(!k.process.logged(k.logged(QStringLiteral("page complete \".*/show/one.html")), from));
    QVERIFY(k.complete(QStringLiteral("/show/two.html"), from));
    QCOMPARE(k.status().value(QStringLiteral("renderer restarts")), QStringLiteral("1"));
}

// A server that asks for a password gets none: one request, no Authorization header, the
// refusal logged, and the show goes on.
void SurviveTest::serverAsksForAPassword()
{
    Survive k(QStringLiteral("auth"));
    k.plain(QStringLiteral("/show/one.html"), QStringLiteral("135"));
    k.plain(QStringLiteral("/show/two.html"), QStringLiteral("246"));
    HttpTestServer::Route secret = html(QStringLiteral("<h1>members only</h1>"));
    secret.status = 401;
    secret.headers << qMakePair(QByteArray("WWW-Authenticate"),
                                QByteArray("Basic realm=\"kiosk\""));
    k.server.setRoute(QStringLiteral("/show/secret.html"), secret);
    QVERIFY(k.start({{"/show/one.html", 2}, {"/show/secret.html", 2}, {"/show/two.html", 60}}));
    QVERIFY(k.process.waitForLog(
        k.logged(QStringLiteral("secret.html cannot be shown: the server answered HTTP 401"))));
    QVERIFY(k.complete(QStringLiteral("/show/two.html")));
    int asked = 0;
    for (const HttpTestServer::Request& r : k.server.requests()) {
        if (r.target != "/show/secret.html")
            continue;
        ++asked;
        QVERIFY2(r.header("authorization").isEmpty(), r.header("authorization").constData());
    }
    QCOMPARE(asked, 1);
}

QTEST_MAIN(SurviveTest)
#include "survive_test.moc"
