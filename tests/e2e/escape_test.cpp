// A visitor trying to get out of the kiosk, on the real program under Xvfb: typed addresses,
// pages whose scripts try every way out, local pages reading files, documents that would bring
// their own limits, key and mouse combinations, and what the program leaves on disk. Every
// request reaches a local server that records it; nothing forbidden may show up there, in the
// program's log of completed pages, or among the programs it asked the desktop to start.

#include "local_show.h"

#include <QDirIterator>
#include <QtTest>
#include <sys/stat.h>

using namespace glasspane;
using e2e::html;
using e2e::lines;

namespace {

// What no attempt may reach: the forbidden folder in any spelling, pages outside the include
// list, documents the show did not name, local files, pages that are no web page, and what a
// script reports when it got something out.
const QRegularExpression
    kForbidden(QStringLiteral("private|outside|evil|exfil|passwd|secret|"
                              "^(chrome|view-source|data|javascript|vbscript):|^about:(?!blank)"),
               QRegularExpression::CaseInsensitiveOption);
// The program's log of the navigations it let through, and of the pages it showed.
const QRegularExpression kAllowedNavigation(QStringLiteral("navigation \"(.*)\" ?$"));
const QRegularExpression kPageComplete(QStringLiteral("page complete \"(.*)\""));

bool requested(const HttpTestServer& server, const QString& target)
{
    return server.requestCount(target) > 0;
}

// A kiosk in a private home whose connection test stays on the local server, with a document
// that limits visitors to /show/ and forbids /show/private/.
struct Kiosk : e2e::LocalShow
{
    using LocalShow::LocalShow;

    struct Page
    {
        QString url;
        int seconds;
        QStringList keys = {};
    };

    // [Gpane] keys, the pages, the limits and more sections. limits: the include and exclude
    // lists; a document without them leaves visitors free to go anywhere on the web.
    QString writeDocument(const QStringList& gpane, const QList<Page>& pages,
                          const QStringList& more = {}, bool limits = true)
    {
        QStringList text{QStringLiteral("[Gpane]")};
        text << gpane;
        for (qsizetype i = 0; i < pages.size(); ++i)
            text << QStringLiteral("[Page%1]").arg(i + 1)
                 << QStringLiteral("URL=") + pages.at(i).url << QStringLiteral("DefaultTime=No")
                 << QStringLiteral("Time=%1").arg(pages.at(i).seconds) << pages.at(i).keys;
        if (limits)
            text << QStringLiteral("[Include1]") << QStringLiteral("URL=%1/show/").arg(base)
                 << QStringLiteral("[Exclude1]")
                 << QStringLiteral("URL=%1/show/private/").arg(base);
        text << more;
        return process.writeFile(QStringLiteral("show.gpn"), lines(text));
    }

    bool pageComplete(const QString& path, qsizetype from = 0)
    {
        return process.waitForLog(QRegularExpression(QStringLiteral("page complete \".*") +
                                                     QRegularExpression::escape(path) +
                                                     QStringLiteral("\"")),
                                  KioskProcess::Wait, from);
    }

    // Complete and painted: until then the page takes no clicks (they would be lost, not
    // refused, under a load that delays the first paint).
    bool pageShown(const QString& path, qsizetype from = 0)
    {
        return pageComplete(path, from) &&
               process.waitForLog(QRegularExpression(QStringLiteral("page on screen \".*") +
                                                     QRegularExpression::escape(path) +
                                                     QStringLiteral("\"")),
                                  KioskProcess::Wait, from);
    }

    // What got out: forbidden requests the server saw, forbidden navigations the program let
    // through (documents aside: those are always cancelled, and opening one shows as its
    // request), forbidden pages it showed.
    QStringList escapes()
    {
        QStringList found;
        for (const HttpTestServer::Request& r : server.requests()) {
            const QString target = QUrl::fromPercentEncoding(r.target);
            if (kForbidden.match(target).hasMatch())
                found << QStringLiteral("requested ") + target;
        }
        for (const QString& line : process.log()) {
            QRegularExpressionMatch m = kAllowedNavigation.match(line);
            if (!m.hasMatch() || m.captured(1).endsWith(QLatin1String(".gpn"), Qt::CaseInsensitive))
                m = kPageComplete.match(line);
            if (m.hasMatch() &&
                kForbidden.match(QUrl::fromPercentEncoding(m.captured(1).toUtf8())).hasMatch())
                found << line;
        }
        return found;
    }

    // Waits until done() holds or something got out; then verifies that nothing did.
    void waitHolding(const std::function<bool()>& done, const QString& attempt)
    {
        QVERIFY2(process.waitFor([&] { return done() || !escapes().isEmpty(); }),
                 qPrintable(attempt));
        QVERIFY2(escapes().isEmpty(), qPrintable(attempt + QStringLiteral(" got out: ") +
                                                 escapes().join(QStringLiteral("; "))));
    }

    // Nothing forbidden requested, let through, shown or launched; the program still runs.
    void verifyHeld()
    {
        QCOMPARE(escapes(), QStringList());
        QCOMPARE(process.launched(), QStringList());
        QVERIFY(process.running());
    }

    // Stops the program and reports how long SIGTERM took.
    void stop()
    {
        const qint64 took = process.stop();
        qInfo("stopped by SIGTERM in %lld ms", took);
        QVERIFY(took >= 0);
    }
};

} // namespace

class EscapeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedAddresses();
    void scriptedNavigation();
    void cachedCopyReadsNoFile();
    void showOpensItsOwnDocuments();
    void keysAndMouse();
    void noOtherProgramWithoutLimits();
    void filesAndFolders();
};

// Addresses typed into the navigation tool bar's address box, with the built-in help (a local
// page) on screen: none reaches the page, none runs script in it, none is kept in the list.
void EscapeTest::typedAddresses()
{
    Kiosk k(QStringLiteral("typed"));
    const QString start = k.base + QStringLiteral("/show/start.html");
    k.server.setRoute(QStringLiteral("/show/start.html"),
                      html(QStringLiteral("<body style='background:#468'><h1>start</h1></body>")));
    // An allowed page whose link leads to a document under the allowed folder.
    k.server.setRoute(QStringLiteral("/show/allowed.html"),
                      html(QStringLiteral("<body style='margin:0'><a href='/show/evil-link.gpn' "
                                          "style='display:block;height:100vh;background:#cfc'>"
                                          "another show</a></body>")));
    const QString doc =
        k.writeDocument({QStringLiteral("HomeURL=") + start, QStringLiteral("OnMouseMove=1"),
                         QStringLiteral("KeepVisitorData=Yes")},
                        {{start, 600}});
    QVERIFY(k.process.start({doc}));
    QVERIFY(k.pageComplete(QStringLiteral("/show/start.html")));

    // Moving the mouse switches to navigation mode once the show's first seconds have passed:
    // the navigation tool bar appears (the show has no other tool bar).
    QList<KioskProcess::Window> bars;
    for (int i = 0; bars.isEmpty(); ++i) {
        QVERIFY(i < 600);
        QVERIFY(KioskProcess::moveMouse(QPoint(600 + (i % 2) * 40, 500)));
        QTest::qWait(100);
        bars = k.process.windows(QStringLiteral("^Gpane$"));
    }
    QCOMPARE(bars.size(), 1);
    qsizetype mark = k.process.log().size();
    QVERIFY(KioskProcess::key(QStringLiteral("F1")));
    QVERIFY(k.pageComplete(QStringLiteral("/documentation.html"), mark));

    const QRect bar = bars.first().geometry;
    const QPoint box(bar.center().x(), bar.bottom() - 10);
    auto typeAddress = [&](const QString& text) {
        mark = k.process.log().size();
        QVERIFY(KioskProcess::click(box));
        QVERIFY(KioskProcess::key(QStringLiteral("ctrl+a")));
        QVERIFY(KioskProcess::type(text));
        QVERIFY(KioskProcess::key(QStringLiteral("Return")));
    };

    const QString readPasswd =
        QStringLiteral("JavaScript:var x=new XMLHttpRequest();x.open('GET','file:///etc/passwd',"
                       "false);x.send();location='%1/show/exfil-passwd?'+x.responseText.length")
            .arg(k.base);
    const QStringList attempts{
        readPasswd,
        QStringLiteral("javascript:location='%1/show/exfil-js'").arg(k.base),
        QStringLiteral(" javascript:location='%1/show/exfil-blank'").arg(k.base),
        QStringLiteral("vbscript:msgbox(1)"),
        QStringLiteral("data:text/html,<script>location='%1/show/exfil-data'</script>").arg(k.base),
        QStringLiteral("view-source:%1/show/private/source.html").arg(k.base),
        QStringLiteral("chrome://gpu"),
        QStringLiteral("about:version"),
        QStringLiteral("file:///etc/passwd"),
        QStringLiteral("/etc/passwd"),
        QStringLiteral("%1/show//private/a.html").arg(k.base),
        QStringLiteral("%1/show/private%2Fb.html").arg(k.base),
        QStringLiteral("%1/show/%70rivate/c.html").arg(k.base),
        QStringLiteral("%1/show/public/../private/d.html").arg(k.base),
        QStringLiteral("%1/SHOW/PRIVATE/e.html").arg(k.base),
        QStringLiteral("http://2130706433:%1/show/private/f.html").arg(k.server.port()),
        QStringLiteral("%1/outside.html").arg(k.base),
        QStringLiteral("%1/show/evil.gpn").arg(k.base),
    };
    const QRegularExpression refused(QStringLiteral("typed address refused"));
    for (const QString& attempt : attempts) {
        typeAddress(attempt);
        k.waitHolding([&] { return k.process.logged(refused, mark); }, attempt);
        if (QTest::currentTestFailed())
            return;
    }
    k.process.saveScreen(QStringLiteral("after-refused-addresses.png"));

    // An allowed address goes through: the box and the keys really reach the program.
    typeAddress(k.base + QStringLiteral("/show/allowed.html"));
    QVERIFY(k.pageShown(QStringLiteral("/show/allowed.html"), mark));
    // Its link to a document is refused: the document would bring its own limits.
    mark = k.process.log().size();
    QVERIFY(KioskProcess::click(QPoint(400, 500)));
    k.waitHolding(
        [&] {
            return k.process.logged(QRegularExpression(QStringLiteral("document refused")), mark);
        },
        QStringLiteral("link to a document"));
    k.verifyHeld();
    qInfo("typed addresses refused: %lld of %lld", qint64(attempts.size()),
          qint64(attempts.size()));
    k.stop();

    // Only the allowed address is kept among the typed ones (the document keeps what visitors
    // typed).
    QFile hive(k.process.homePath(QStringLiteral("config/glasspane/user.reg")));
    QVERIFY(hive.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(hive.readAll());
    const qsizetype section = text.indexOf(QStringLiteral("\\TypedURLs]"));
    QVERIFY(section >= 0);
    const QString typed = text.mid(section, text.indexOf(u'[', section + 1) - section);
    QVERIFY2(typed.contains(QStringLiteral("\"url1\"=\"%1/show/allowed.html\"").arg(k.base)),
             qPrintable(typed));
    QVERIFY2(!typed.contains(QStringLiteral("\"url2\"")), qPrintable(typed));
}

// A page of the show tries every way out with script, one after the other; each page of the
// chain leads on to the next one only if it is still on screen.
void EscapeTest::scriptedNavigation()
{
    Kiosk k(QStringLiteral("scripted"));
    const QString b = k.base;
    const QString frame = QStringLiteral(
        "var f=document.createElement('iframe');f.src='%1';document.body.appendChild(f);");
    const QList<std::pair<const char*, QString>> attempts{
        {"doubled slash", QStringLiteral("location='%1/show//private/a.html'").arg(b)},
        {"encoded slash", QStringLiteral("location='%1/show/private%2Fb.html'").arg(b)},
        {"encoded letter", QStringLiteral("location='%1/show/%70rivate/c.html'").arg(b)},
        {"encoded dot-dot", QStringLiteral("location='%1/show/x/%2e%2e/private/d.html'").arg(b)},
        {"letter case", QStringLiteral("location='%1/SHOW/PRIVATE/e.html'").arg(b)},
        {"host as a number", QStringLiteral("location='http://2130706433:%1/show/private/f.html'")
                                 .arg(k.server.port())},
        {"outside the include list", QStringLiteral("location='%1/outside.html'").arg(b)},
        {"redirect", QStringLiteral("location='%1/show/redirect'").arg(b)},
        {"meta refresh",
         QStringLiteral("var m=document.createElement('meta');m.httpEquiv='refresh';"
                        "m.content='0;url=%1/show//private/meta.html';"
                        "document.head.appendChild(m);")
             .arg(b)},
        {"form", QStringLiteral("var f=document.createElement('form');f.method='post';"
                                "f.action='%1/show//private/post';document.body.appendChild(f);"
                                "f.submit();")
                     .arg(b)},
        {"document", QStringLiteral("location='%1/show/evil.gpn'").arg(b)},
        // No load, but the page would then claim an address outside the limits.
        {"history entry outside", QStringLiteral("history.pushState(null,'','/outside.html')")},
        {"history entry replaced, excluded",
         QStringLiteral("history.replaceState(null,'','/show//private/h.html')")},
        {"frame, doubled slash", frame.arg(b + QStringLiteral("/show//private/frame.html"))},
        {"frame, document", frame.arg(b + QStringLiteral("/show/evil-frame.gpn"))},
        {"frame, local file", frame.arg(QStringLiteral("file:///etc/passwd"))},
        {"new window outside", QStringLiteral("window.open('%1/outside-popup.html')").arg(b)},
        {"new window, local file", QStringLiteral("window.open('file:///etc/passwd')")},
        {"local file", QStringLiteral("location='file:///etc/passwd'")},
        // (The closing tag is cut in two, or it would end the page's own script.)
        {"data", QStringLiteral("location='data:text/html,<script>location=\"%1/show/exfil-data"
                                "\"</scr'+'ipt>'")
                     .arg(b)},
        {"view-source", QStringLiteral("location='view-source:%1/show/private/vs.html'").arg(b)},
        {"engine page", QStringLiteral("location='chrome://gpu'")},
        {"mail program", QStringLiteral("location='mailto:visitor@example.com'")},
        {"other program", QStringLiteral("location='ssh://127.0.0.1/'")},
        {"download", QStringLiteral("location='%1/show/download.bin'").arg(b)},
    };
    // The page of attempt i; the one after the last says that all were made.
    auto step = [&](qsizetype i) {
        return i < attempts.size() ? QStringLiteral("/show/chain/%1").arg(i)
                                   : QStringLiteral("/show/done");
    };
    for (qsizetype i = 0; i < attempts.size(); ++i) {
        const QString next = step(i + 1);
        k.server.setRoute(
            QStringLiteral("/show/chain/%1").arg(i),
            html(QStringLiteral("<html><head><title>%1</title></head><body style='background:"
                                "#864'><h1>%1</h1><script>try{%2}catch(e){}"
                                "setTimeout(function(){location='%3'},1000);</script></body>"
                                "</html>")
                     .arg(QString::fromLatin1(attempts.at(i).first), attempts.at(i).second, next)));
    }
    k.server.setRoute(step(attempts.size()), html(QStringLiteral("done")));
    HttpTestServer::Route redirect;
    redirect.status = 302;
    redirect.headers = {{"Location", (b + QStringLiteral("/show//private/g.html")).toUtf8()}};
    k.server.setRoute(QStringLiteral("/show/redirect"), redirect);
    HttpTestServer::Route download;
    download.body = "data";
    download.headers = {{"Content-Type", "application/octet-stream"},
                        {"Content-Disposition", "attachment; filename=kiosk-download.bin"}};
    k.server.setRoute(QStringLiteral("/show/download.bin"), download);

    const QString doc = k.writeDocument({}, {{b + QStringLiteral("/show/chain/0"), 600}});
    QVERIFY(k.process.start({doc}));
    for (qsizetype i = 0; i < attempts.size(); ++i) {
        k.waitHolding([&] { return requested(k.server, step(i + 1)); },
                      QString::fromLatin1(attempts.at(i).first));
        if (QTest::currentTestFailed())
            return;
    }
    k.verifyHeld();
    QVERIFY(k.process.waitForLog(QRegularExpression(QStringLiteral("download refused"))));
    QDirIterator files(k.process.home(), {QStringLiteral("kiosk-download*")}, QDir::Files,
                       QDirIterator::Subdirectories);
    QVERIFY(!files.hasNext());
    qInfo("scripted attempts held: %lld of %lld", qint64(attempts.size()), qint64(attempts.size()));
    k.stop();
}

// A cached page is shown from its copy even with an include list, and the copy's scripts read
// no local file: what they got comes back on a navigation to the server.
void EscapeTest::cachedCopyReadsNoFile()
{
    Kiosk k(QStringLiteral("cached"));
    const QString secret = k.process.writeFile(QStringLiteral("secret.txt"), "SECRET");
    k.server.setRoute(
        QStringLiteral("/show/cached.html"),
        html(QStringLiteral(
                 "<html><body><iframe id='f' src='file://%1'></iframe><script>"
                 "var r={};function got(t){return t&&t.indexOf('SECRET')>=0?'ok':'no';}"
                 "try{var x=new XMLHttpRequest();x.open('GET','file://%1',false);x.send();"
                 "r.xhr=got(x.responseText);}catch(e){r.xhr='no';}"
                 "window.onload=function(){try{r.frame=got(document.getElementById('f')"
                 ".contentDocument.body.textContent);}catch(e){r.frame='no';}"
                 "location='%2/show/report?xhr='+r.xhr+'&frame='+r.frame;};"
                 "</script></body></html>")
                 .arg(secret, k.base)));
    const QString doc =
        k.writeDocument({}, {{k.base + QStringLiteral("/show/cached.html"),
                              600,
                              {QStringLiteral("Cached=Yes"), QStringLiteral("SeparateProc=No")}}});
    QVERIFY(k.process.start({doc}));
    // The copy is let through the include list (a refused navigation says so at its end).
    QVERIFY(k.process.waitForLog(QRegularExpression(
        QStringLiteral("navigation \".*/cache/glasspane/[0-9a-f]{32}\\.html(\\.html)?\" *$"))));
    // A copy's links to the web do not load (local content reaches no site), but the program
    // logs the attempt with what the scripts got.
    const QRegularExpression report(QStringLiteral("navigation \".*/show/report\\?(.*)\""));
    QVERIFY(k.process.waitForLog(report));
    for (const QString& line : k.process.log()) {
        if (report.match(line).hasMatch())
            QCOMPARE(report.match(line).captured(1), QStringLiteral("xhr=no&frame=no"));
    }
    // The copy was shown: its own navigation, which went nowhere, does not make it fail.
    QVERIFY(k.process.waitForLog(QRegularExpression(
        QStringLiteral("page complete \".*/cache/glasspane/[0-9a-f]{32}\\.html(\\.html)?\""))));
    QVERIFY(!k.process.logged(QRegularExpression(QStringLiteral("cannot be shown"))));
    k.verifyHeld();
    k.stop();
}

// Documents named by the show itself keep working while the document limits navigation, and
// what the document names is still no way to run script.
void EscapeTest::showOpensItsOwnDocuments()
{
    Kiosk k(QStringLiteral("documents"));
    k.server.setRoute(QStringLiteral("/show/a.html"), html(QStringLiteral("a")));
    k.server.setRoute(QStringLiteral("/show/next-page.html"), html(QStringLiteral("next")));
    k.server.setRoute(
        QStringLiteral("/show/next.gpn"),
        html(QStringLiteral("[Page1]\r\nURL=%1/show/next-page.html\r\n").arg(k.base)));
    // A script address named as the home page never runs, not even when the show asks for it:
    // the show waits for it no longer than MaxTime and goes on.
    const QString doc = k.writeDocument(
        {QStringLiteral("HomeURL=javascript:location='%1/show/exfil-home'").arg(k.base),
         QStringLiteral("HomeAsSplash=Yes"), QStringLiteral("DefaultTime=1"),
         QStringLiteral("MaxTime=2")},
        {{k.base + QStringLiteral("/show/a.html"), 1},
         {k.base + QStringLiteral("/show/next.gpn"), 1}});
    QVERIFY(k.process.start({doc}));
    QVERIFY(k.pageComplete(QStringLiteral("/show/next-page.html")));
    k.verifyHeld();
    k.stop();
}

// Keys and mouse buttons that open windows, tools or files in a browser do nothing here, and
// without a Quit button neither Escape nor Alt+F4 ends the show.
void EscapeTest::keysAndMouse()
{
    Kiosk k(QStringLiteral("keys"));
    k.server.setRoute(
        QStringLiteral("/show/keys.html"),
        html(QStringLiteral(
                 "<html><body style='margin:0;background:#486'>"
                 "<a href='%1/outside.html' style='display:block;height:150px;background:#ccc'>"
                 "outside</a>"
                 "<a href='mailto:visitor@example.com' style='display:block;height:75px'>mail</a>"
                 "<a href='ssh://127.0.0.1/' style='display:block;height:75px'>program</a>"
                 "<label style='display:block;height:200px'><input type='file'>choose</label>"
                 "<a href='/show/after.html' style='display:block;height:200px;background:#cfc'>"
                 "after</a></body></html>")
                 .arg(k.base)));
    k.server.setRoute(QStringLiteral("/show/after.html"), html(QStringLiteral("after")));
    const QString doc = k.writeDocument(
        {QStringLiteral("OnNewWindow=2")}, {{k.base + QStringLiteral("/show/keys.html"), 600}},
        {QStringLiteral("[ToolRunQuit]"), QStringLiteral("Visible=No"),
         QStringLiteral("[ToolNavQuit]"), QStringLiteral("Visible=No")});
    QVERIFY(k.process.start({doc}));
    QVERIFY(k.pageShown(QStringLiteral("/show/keys.html")));
    QStringList before;
    for (const KioskProcess::Window& w : k.process.windows())
        before << w.id;
    before.sort();

    const QPoint outside(640, 75);
    const QPoint fileInput(640, 400);
    QVERIFY(KioskProcess::moveMouse(QPoint(640, 750)));
    const QStringList combinations{"Escape",       "alt+F4",       "ctrl+w",
                                   "ctrl+q",       "ctrl+n",       "ctrl+shift+n",
                                   "ctrl+t",       "ctrl+o",       "ctrl+s",
                                   "ctrl+p",       "ctrl+u",       "F12",
                                   "ctrl+shift+i", "ctrl+shift+j", "ctrl+shift+c",
                                   "ctrl+l",       "ctrl+k",       "ctrl+h",
                                   "ctrl+j",       "ctrl+d",       "ctrl+shift+Delete",
                                   "F11",          "F10",          "shift+F10",
                                   "Menu",         "alt+space",    "super",
                                   "ctrl+alt+t"};
    for (const QString& combination : combinations)
        QVERIFY2(KioskProcess::key(combination), qPrintable(combination));
    // The mouse: the context menu, links into new windows, a plain link out, a file chooser.
    QVERIFY(KioskProcess::click(outside, 3));
    QVERIFY(KioskProcess::key(QStringLiteral("Escape")));
    QVERIFY(KioskProcess::click(outside, 2));
    QVERIFY(KioskProcess::click(outside, 1, QStringLiteral("ctrl")));
    QVERIFY(KioskProcess::click(outside, 1, QStringLiteral("shift")));
    QVERIFY(KioskProcess::click(outside, 1));
    // Links that the desktop would hand to another program.
    QVERIFY(KioskProcess::click(QPoint(640, 190), 1));
    QVERIFY(KioskProcess::click(QPoint(640, 265), 1));
    qsizetype mark = k.process.log().size();
    QVERIFY(KioskProcess::click(fileInput, 1));
    QVERIFY(k.process.waitForLog(QRegularExpression(QStringLiteral("file chooser refused")),
                                 KioskProcess::Wait, mark));
    k.process.saveScreen(QStringLiteral("after-keys-and-mouse.png"));
    // The events before it were handled once the page answers this last click.
    QVERIFY(KioskProcess::click(QPoint(640, 600), 1));
    QVERIFY(k.pageComplete(QStringLiteral("/show/after.html")));

    QStringList after;
    for (const KioskProcess::Window& w : k.process.windows())
        after << w.id;
    after.sort();
    QCOMPARE(after, before);
    k.verifyHeld();
    qInfo("key combinations held: %lld; mouse actions held: 8", qint64(combinations.size()));
    k.stop();
}

// Without include or exclude lists visitors may go anywhere on the web, but a link never hands
// them to another program of the desktop (a mail program, a terminal, a remote session).
void EscapeTest::noOtherProgramWithoutLimits()
{
    Kiosk k(QStringLiteral("programs"));
    const QStringList schemes{QStringLiteral("mailto:visitor@example.com"),
                              QStringLiteral("ssh://127.0.0.1/"),
                              QStringLiteral("vnc://127.0.0.1/"), QStringLiteral("tel:123")};
    QString links;
    for (const QString& scheme : schemes)
        links +=
            QStringLiteral("<a href='%1' style='display:block;height:150px'>%1</a>").arg(scheme);
    k.server.setRoute(QStringLiteral("/show/links.html"),
                      html(QStringLiteral("<body style='margin:0'>") + links));
    const QString doc =
        k.writeDocument({}, {{k.base + QStringLiteral("/show/links.html"), 600}}, {}, false);
    QVERIFY(k.process.start({doc}));
    QVERIFY(k.pageShown(QStringLiteral("/show/links.html")));
    for (qsizetype i = 0; i < schemes.size(); ++i) {
        const qsizetype mark = k.process.log().size();
        QVERIFY(KioskProcess::click(QPoint(640, int(75 + 150 * i))));
        const QRegularExpression refused(QStringLiteral("refused"));
        QVERIFY2(k.process.waitFor([&] {
            return k.process.logged(refused, mark) || !k.process.launched().isEmpty();
        }),
                 qPrintable(schemes.at(i)));
        QCOMPARE(k.process.launched(), QStringList());
    }
    k.verifyHeld();
    k.stop();
}

// Started under umask 000, with a link planted where the built-in pages go: nothing the
// program creates is writable by others, the link's target is untouched, and the pages are
// gone at the end.
void EscapeTest::filesAndFolders()
{
    Kiosk k(QStringLiteral("files"));
    const QString mine = k.process.homePath(QStringLiteral("mine"));
    k.process.writeFile(QStringLiteral("mine/index.html"), "MINE");
    QVERIFY(QFile::setPermissions(mine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadOther | QFile::ExeOther));
    const QString resources = k.process.homePath(QStringLiteral("runtime/Gpane"));
    QVERIFY(QFile::link(mine, resources));

    // The built-in show: the default document is written into the documents folder.
    QVERIFY(k.process.start({}, true));
    QVERIFY(k.process.waitForLog(
        QRegularExpression(QStringLiteral("page complete \".*/runtime/Gpane/"))));
    QVERIFY(QFileInfo(resources).isDir() && !QFileInfo(resources).isSymLink());
    QVERIFY(k.process.waitFor(
        [&] { return QFileInfo::exists(k.process.homePath("Documents/Gpane.GPN")); }));
    k.stop();

    QCOMPARE(QDir(mine).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{QStringLiteral("index.html")});
    QFile page(mine + QStringLiteral("/index.html"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    QCOMPARE(page.readAll(), QByteArray("MINE"));
    QVERIFY(QFileInfo(mine).permissions() & QFile::ReadOther);
    QVERIFY(!QFileInfo::exists(resources));

    // Everything the program made below the home: the folders the test made are left out.
    const QStringList made{"", "config", "cache", "data", "machine", "runtime", "bin", "mine"};
    QStringList open;
    int checked = 0;
    QDirIterator it(k.process.home(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(k.process.home()).relativeFilePath(path);
        if (made.contains(relative) || relative.startsWith(QLatin1String("bin/")) ||
            relative.startsWith(QLatin1String("mine/")) || relative == u"launched.log")
            continue;
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISLNK(st.st_mode))
            continue;
        ++checked;
        if (st.st_mode & (S_IWGRP | S_IWOTH))
            open << QStringLiteral("%1 %2").arg(relative).arg(st.st_mode & 07777, 4, 8);
    }
    QVERIFY(checked > 0);
    QCOMPARE(open, QStringList());
    qInfo("files and folders made by the program, none writable by others: %d", checked);
}

QTEST_MAIN(EscapeTest)
#include "escape_test.moc"
