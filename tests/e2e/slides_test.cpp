// Slide decks and single-page apps on the real program under Xvfb, against a local server that
// records every request: a deck shown slide by slide through its address's fragment, whose
// first slide rewrites its own address while it loads, and a dashboard that changes its address
// every second, once to a place outside the document's limits. MaxTime is far longer than the
// test waits, so a page that never counted as loaded would hold the show past the test's
// patience.

#include "local_show.h"

#include <QElapsedTimer>

using namespace glasspane;
using e2e::html;
using e2e::lines;

namespace {

// Four slides chosen by the fragment ("#/2"); slide 0 is written "#/", as slide-show
// libraries do, also while the page loads. Each slide shown is reported to the server.
const char kDeck[] = R"(<!DOCTYPE html><html><head><title>deck</title><script>
function show() {
  var m = /^#\/(\d*)/.exec(location.hash), n = m && m[1] ? +m[1] : 0;
  if (n === 0 && location.hash !== '#/') history.replaceState(null, '', '#/');
  document.documentElement.style.background = ['#c33', '#3c3', '#33c', '#cc3'][n % 4];
  if (document.body) document.body.textContent = 'slide ' + n;
  new Image().src = '/show/shown?slide=' + n;
}
show();
window.addEventListener('hashchange', show);
window.addEventListener('load', show);
</script></head><body style="font:72px sans-serif;color:#fff">deck</body></html>)";

// A dashboard that switches its view with pushState every second; its third address lies
// outside the document's limits, and a moment later it reports where it thinks it is.
const char kDashboard[] = R"(<!DOCTYPE html><html><body style="background:#246;color:#fff;
font:48px sans-serif">dashboard<script>
var i = 0;
setInterval(function () {
  ++i;
  if (i === 3) {
    history.pushState({view: i}, '', '/outside/dashboard');
    setTimeout(function () {
      new Image().src = '/show/where?' + encodeURIComponent(location.pathname);
    }, 300);
  } else {
    history.pushState({view: i}, '', '/show/dashboard/view' + i);
  }
  document.body.textContent = 'view ' + i;
}, 1000);
</script></body></html>)";

struct Show : e2e::LocalShow
{
    using LocalShow::LocalShow;

    // The log lines that match.
    QStringList logged(const QString& pattern)
    {
        return process.log().filter(QRegularExpression(pattern));
    }
    QStringList requested(const QString& prefix) const
    {
        QStringList found;
        for (const HttpTestServer::Request& r : server.requests()) {
            const QString target = QUrl::fromPercentEncoding(r.target);
            if (target.startsWith(prefix))
                found << target;
        }
        return found;
    }
};

} // namespace

class SlidesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void deckAndDashboard();
};

// The deck as a range of four entries of 1 s each, then the dashboard for 5 s, then the last
// page: every slide is shown and counts as loaded as soon as the page is there, the dashboard's
// own address changes neither restart its time nor count as pages, and its address outside the
// limits is put back without anything being fetched.
void SlidesTest::deckAndDashboard()
{
    Show s(QStringLiteral("slides"));
    s.server.setRoute(QStringLiteral("/show/deck.html"), html(QString::fromLatin1(kDeck)));
    s.server.setRoute(QStringLiteral("/show/dashboard.html"),
                      html(QString::fromLatin1(kDashboard)));
    s.server.setRoute(QStringLiteral("/show/end.html"), html(QStringLiteral("end")));
    const QString doc = s.process.writeFile(
        QStringLiteral("show.gpn"), lines({QStringLiteral("[Gpane]"),
                                           QStringLiteral("MaxTime=600"),
                                           QStringLiteral("FirstPageIsLastPage=No"),
                                           QStringLiteral("[Page1]"),
                                           QStringLiteral("URL=%1/show/deck.html#/$$").arg(s.base),
                                           QStringLiteral("DefaultTime=No"),
                                           QStringLiteral("Time=1"),
                                           QStringLiteral("Var1Type=1"),
                                           QStringLiteral("Var1Source=0"),
                                           QStringLiteral("Var1Param=3"),
                                           QStringLiteral("[Page2]"),
                                           QStringLiteral("URL=%1/show/dashboard.html").arg(s.base),
                                           QStringLiteral("DefaultTime=No"),
                                           QStringLiteral("Time=5"),
                                           QStringLiteral("[Page3]"),
                                           QStringLiteral("URL=%1/show/end.html").arg(s.base),
                                           QStringLiteral("DefaultTime=No"),
                                           QStringLiteral("Time=600"),
                                           QStringLiteral("[Include1]"),
                                           QStringLiteral("URL=%1/show/").arg(s.base)}));
    QVERIFY(s.process.start({doc}));

    const QString deck = QRegularExpression::escape(s.base + QStringLiteral("/show/deck.html"));
    QVERIFY(s.process.waitForLog(
        QRegularExpression(QStringLiteral("page complete \"") + deck + QStringLiteral("#/\""))));
    QElapsedTimer deckTime;
    deckTime.start();
    QVERIFY(
        s.process.waitForLog(QRegularExpression(QStringLiteral("page complete \".*/dashboard"))));
    const qint64 slides = deckTime.elapsed();
    QVERIFY(
        s.process.waitForLog(QRegularExpression(QStringLiteral("page complete \".*/end.html"))));
    const qint64 total = deckTime.elapsed();
    qInfo("slide 0 complete to the dashboard complete: %lld ms (4 slides of 1 s); "
          "to the last page: %lld ms (and the dashboard's 5 s)",
          slides, total);

    // Each slide was asked for, checked and completed like any page, and shown, while the
    // deck itself was fetched once.
    for (int slide = 0; slide < 4; ++slide) {
        const QString n = QString::number(slide);
        QCOMPARE(s.logged(QStringLiteral("navigation \"") + deck + QStringLiteral("#/") + n +
                          QStringLiteral("\" *$"))
                     .size(),
                 1);
        QVERIFY2(s.requested(QStringLiteral("/show/shown?slide=") + n).size() >= 1, qPrintable(n));
    }
    QCOMPARE(s.logged(QStringLiteral("page complete \"") + deck).size(), 4);
    QCOMPARE(s.server.requestCount(QStringLiteral("/show/deck.html")), 1);

    // The dashboard completed once, whatever it did to its address afterwards; the address
    // outside the limits was refused, put back in the page itself, and never fetched.
    QCOMPARE(s.logged(QStringLiteral("page complete \".*/(dashboard|outside)")).size(), 1);
    QVERIFY(s.logged(QStringLiteral("address changed \".*/show/dashboard/view2\"")).size() == 1);
    QVERIFY(s.logged(QStringLiteral("address changed \".*/outside/dashboard\" refused")).size() ==
            1);
    QCOMPARE(s.requested(QStringLiteral("/show/where")),
             QStringList{QStringLiteral("/show/where?/show/dashboard/view2")});
    QCOMPARE(s.requested(QStringLiteral("/outside")), QStringList());

    // Nothing failed and nothing waited for MaxTime.
    QCOMPARE(s.logged(QStringLiteral("cannot be shown|did not finish loading")), QStringList());
    QVERIFY(s.process.running());
    QVERIFY(s.process.stop() >= 0);
}

QTEST_MAIN(SlidesTest)
#include "slides_test.moc"
