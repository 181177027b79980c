// The copy of a web page that shows as it does on-line without its server, made from a page
// of a local server that names its resources in every way a page does.

#include "document/page_cache.h"
#include "document/page_copy.h"
#include "support/cache_fixture.h"
#include "support/http_test_server.h"
#include "support/local_internet.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace glasspane;

namespace {

const QDateTime kModified(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC);

const char kPage[] = "<!DOCTYPE html><html><head>\n"
                     "<link rel=\"stylesheet\" href=\"css/style.css\">\n"
                     "<link rel=icon href=\"/favicon.ico\">\n"
                     "<style>body { background: url( 'pics/bg.png' ) }</style>\n"
                     "<script src=\"/js/app.js?v=2&amp;x=1\"></script>\n"
                     "<script>var s = \"<img src='not-a-resource.png'>\";</script>\n"
                     "</head><body>\n"
                     "<!-- <img src=\"commented.png\"> -->\n"
                     "<img src=pics/a.png srcset=\"pics/a.png 1x, pics/a2.png 2x\">\n"
                     "<div style=\"background-image:url(&quot;pics/b.png&quot;)\"></div>\n"
                     "<a href=\"other.html#top\">link</a> <a href=\"#here\">here</a>\n"
                     "<img src=\"file:///etc/passwd\">\n"
                     "<img src=\"missing.png\">\n"
                     "<video src=\"clip.webm#t=1\" poster=\"pics/a.png\"></video>\n"
                     "</body></html>";

HttpTestServer::Route route(const QByteArray& body, const QByteArray& type)
{
    HttpTestServer::Route r;
    r.body = body;
    r.lastModified = kModified;
    r.headers = {{"Content-Type", type}};
    return r;
}

QString read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class PageCopyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageWithItsResources();
    void notAPage();
};

void PageCopyTest::pageWithItsResources()
{
    HttpTestServer server;
    server.setRoute("/site/page.html", route(kPage, "text/html; charset=utf-8"));
    server.setRoute("/site/css/style.css",
                    route("@import \"more.css\";\n@font-face { src: url(../fonts/f.woff2) "
                          "format('woff2') }\nh1 { background: url(data:image/png;base64,AAAA) }",
                          "text/css"));
    // An import loop ends.
    server.setRoute(
        "/site/css/more.css",
        route("@import url(style.css);\np { background: url(\"/pics/c.png\") }", "text/css"));
    server.setRoute("/js/app.js", route("document.title = 'app';", "application/javascript"));
    for (const char* picture : {"/site/pics/bg.png", "/site/pics/a.png", "/site/pics/a2.png",
                                "/site/pics/b.png", "/pics/c.png"})
        server.setRoute(picture, route(QByteArray("PNG ") + picture, "image/png"));
    server.setRoute("/site/fonts/f.woff2", route("wOF2", "font/woff2"));
    server.setRoute("/site/clip.webm", route("webm", "video/webm"));

    LocalInternet internet;
    CacheFixture f(&internet);
    PageEntry entry;
    const QString url = server.url("/site/page.html#/2");
    const QString copy = FetchPage(f.services, entry, url, false);
    const PageCopyReport report = MakePageCopy(f.services, url, copy);
    QVERIFY(report.made);
    QCOMPARE(report.missing, QStringList{server.url("/site/missing.png")});

    // Each resource was fetched once, however often it is named; comments, scripts' text,
    // links, icons and files of the kiosk's are not fetched.
    QStringList asked;
    for (const HttpTestServer::Request& r : server.requests())
        asked << QString::fromLatin1(r.target);
    asked.sort();
    QCOMPARE(asked, QStringList({"/js/app.js?v=2&x=1", "/pics/c.png", "/site/clip.webm",
                                 "/site/css/more.css", "/site/css/style.css", "/site/fonts/f.woff2",
                                 "/site/missing.png", "/site/page.html", "/site/pics/a.png",
                                 "/site/pics/a2.png", "/site/pics/b.png", "/site/pics/bg.png"}));

    // The page shown names them in the cache, each a file there; links lead to the web.
    const QString shown = ViewableCopy(f.services, copy);
    QCOMPARE(shown, ShownPageOf(copy));
    const QString html = read(shown);
    static const QRegularExpression local(QStringLiteral("[0-9a-f]{32}\\.[^\"')#&; ]+"));
    QSet<QString> named;
    for (const QRegularExpressionMatch& m : local.globalMatch(html))
        named << m.captured();
    for (const QString& name : std::as_const(named)) {
        QVERIFY2(QFileInfo(f.cacheFolder() + u'/' + name).isFile(), qPrintable(name));
        QVERIFY2(name != QFileInfo(copy).fileName(), "the page names itself");
    }
    // The style sheet, the script, four pictures and the video; the imported sheet, the font
    // and the picture it names are named by the style sheets.
    QCOMPARE(named.size(), 7);
    QCOMPARE(report.resources, 10);
    QVERIFY(html.contains("href=\"" + server.url("/site/other.html#top") + "\""));
    QVERIFY(html.contains("href=\"#here\""));
    QVERIFY(html.contains("<script>var s = \"<img src='not-a-resource.png'>\";</script>"));
    QVERIFY(html.contains("<!-- <img src=\"commented.png\"> -->"));
    QVERIFY(!html.contains("file:"));
    QVERIFY(html.contains(server.url("/site/missing.png")));
    QVERIFY(html.contains(QRegularExpression(".webm#t=1\"")));
    // The script's type is told by its name.
    QVERIFY(html.contains(QRegularExpression("src=\"[0-9a-f]{32}\\.tmp\\.js\"")));
    const QString sheet =
        read(f.cacheFolder() + u'/' + CacheFileName(server.url("/site/css/style.css")) + ".css");
    QVERIFY(sheet.contains(CacheFileName(server.url("/site/css/more.css")) + ".css"));
    // A font named ".woff2" (too long an extension for a cache name) keeps its type too.
    QVERIFY2(sheet.contains(QRegularExpression("url\\([0-9a-f]{32}\\.tmp\\.woff2\\)")),
             qPrintable(sheet));
    QVERIFY(sheet.contains("url(data:image/png;base64,AAAA)"));

    // Made again: what is unchanged is asked for with its date, and nothing comes again.
    server.clearRequests();
    QVERIFY(MakePageCopy(f.services, url, copy).made);
    QCOMPARE(server.requests().size(), 11);
    for (const HttpTestServer::Request& r : server.requests()) {
        if (r.target != "/site/missing.png")
            QVERIFY2(!r.header("if-modified-since").isEmpty(), r.target.constData());
    }
}

void PageCopyTest::notAPage()
{
    HttpTestServer server;
    server.setRoute("/a.png", route("<img src=x.png>", "image/png"));
    LocalInternet internet;
    CacheFixture f(&internet);
    PageEntry entry;
    const QString copy = FetchPage(f.services, entry, server.url("/a.png"), false);
    QVERIFY(!MakePageCopy(f.services, server.url("/a.png"), copy).made);
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(ViewableCopy(f.services, copy), copy);
}

QTEST_GUILESS_MAIN(PageCopyTest)
#include "page_copy_test.moc"
