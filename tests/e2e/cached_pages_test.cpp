// Cached web pages shown from their copies in the kiosk's own window, with their style sheets,
// scripts and pictures, once with their server and again with the server gone: a page with a
// style sheet and a picture, and two slides of a small deck whose script draws the slide its
// fragment names. On the real program under Xvfb against a local server.

#include "local_show.h"

using namespace glasspane;
using e2e::file;
using e2e::html;
using e2e::lines;
using e2e::near;
using e2e::png;
using e2e::screenshots;

namespace {

// Draws the slide the address's fragment names ("#/1", "#/2") in its own colour.
const char kDeckScript[] = R"(function slide() {
  var colours = { '#/1': '#ff00ff', '#/2': '#ffff00' };
  document.body.style.background = colours[location.hash] || '#ffffff';
  document.getElementById('n').textContent = location.hash;
}
window.addEventListener('hashchange', slide);
slide();)";

} // namespace

class CachedPagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shownWithoutTheirServer();
};

void CachedPagesTest::shownWithoutTheirServer()
{
    e2e::LocalShow s(QStringLiteral("cached-copies"));
    auto content = std::make_unique<HttpTestServer>();
    content->setRoute(QStringLiteral("/c/page.html"),
                      html(QStringLiteral(
                          "<!DOCTYPE html><html><head><link rel=\"stylesheet\" "
                          "href=\"style.css\"></head><body><img src=\"pic.png\"></body></html>")));
    content->setRoute(QStringLiteral("/c/style.css"),
                      file("html, body { margin: 0; height: 100%; background: #00c000 }\n"
                           "img { display: block }",
                           "text/css"));
    content->setRoute(QStringLiteral("/c/pic.png"), file(png({400, 300}, Qt::blue), "image/png"));
    content->setRoute(QStringLiteral("/c/deck.html"),
                      html(QStringLiteral("<!DOCTYPE html><html><head><style>html, body { margin: "
                                          "0; height: 100% }</style></head><body><p id=\"n\"></p>"
                                          "<script src=\"js/deck.js\"></script></body></html>")));
    content->setRoute(QStringLiteral("/c/js/deck.js"), file(kDeckScript, "text/javascript"));
    const QString base = content->url(QStringLiteral("/c/"));

    // SeparateProc at its default: web pages are the browser's all the same.
    QStringList pages = {QStringLiteral("[Gpane]"), QStringLiteral("FirstPageIsLastPage=No")};
    const QStringList addresses = {base + "page.html", base + "deck.html#/1",
                                   base + "deck.html#/2"};
    for (int i = 0; i < addresses.size(); ++i)
        pages << QStringLiteral("[Page%1]").arg(i + 1) << "URL=" + addresses[i]
              << QStringLiteral("DefaultTime=No") << QStringLiteral("Time=3")
              << QStringLiteral("Cached=Yes");
    const QString doc = s.process.writeFile(QStringLiteral("show.gpn"), lines(pages));
    QVERIFY(s.process.start({doc}));

    // A round with the server, then the server gone: each slide still drawn by its script.
    const QString folder = s.process.screenshotFolder();
    QVERIFY(s.process.waitFor([&] { return screenshots(folder).value(3).size() >= 1; }));
    QCOMPARE(content->requestCount(QStringLiteral("/c/deck.html")), 1);
    QCOMPARE(content->requestCount(QStringLiteral("/c/js/deck.js")), 1);
    QCOMPARE(content->requestCount(QStringLiteral("/c/pic.png")), 1);
    content.reset();
    const qsizetype gone = s.process.log().size();
    QVERIFY(s.process.waitFor([&] {
        const QMap<int, QStringList> shots = screenshots(folder);
        return shots.value(1).size() >= 2 && shots.value(2).size() >= 2 &&
               shots.value(3).size() >= 2;
    }));
    QVERIFY(s.process.logged(QRegularExpression(QStringLiteral("could not be fetched .*the copy "
                                                               "in the cache stays")),
                             gone));
    QVERIFY(!s.process.logged(QRegularExpression(QStringLiteral("cannot be shown"))));

    const QMap<int, QStringList> shots = screenshots(folder);
    for (int round = 0; round < 2; ++round) {
        const QImage page(shots[1][round]);
        QVERIFY2(near(page.pixel(200, 150), Qt::blue), qPrintable(shots[1][round]));
        QVERIFY2(near(page.pixel(page.width() - 10, page.height() - 10), QColor(0, 0xc0, 0)),
                 qPrintable(shots[1][round]));
        const QImage first(shots[2][round]);
        const QImage second(shots[3][round]);
        QVERIFY2(near(first.pixel(first.width() / 2, first.height() - 10), Qt::magenta),
                 qPrintable(shots[2][round]));
        QVERIFY2(near(second.pixel(second.width() / 2, second.height() - 10), Qt::yellow),
                 qPrintable(shots[3][round]));
    }
    QVERIFY(s.process.launched().isEmpty());
    QVERIFY(s.process.stop() >= 0);
}

QTEST_MAIN(CachedPagesTest)
#include "cached_pages_test.moc"
