// The web page renewed between two pages on the real program under Xvfb, against a local
// server that records every request: with a memory limit far below what any page needs, the
// page is renewed once the first page's time is over, in a new renderer process while the old
// one ends, and the show goes on page after page without renewing again at every page.

#include "local_show.h"

#include <QDir>
#include <QFileInfo>

using namespace glasspane;
using e2e::html;
using e2e::lines;

namespace {

// A canvas animation that allocates on every frame, as the pages that make renderers grow do.
const char kAnimated[] = R"(<!DOCTYPE html><html><body style="margin:0;background:#123">
<canvas id="c" width="640" height="360"></canvas><script>
var c = document.getElementById('c').getContext('2d'), keep = [], n = 0;
function frame() {
  keep.push(new Array(1000).fill(n));
  if (keep.length > 200) keep.shift();
  c.fillStyle = 'hsl(' + (n++ % 360) + ',80%,50%)';
  c.fillRect(0, 0, 640, 360);
  requestAnimationFrame(frame);
}
frame();
</script></body></html>)";

// The process id a "renderer process N" log line names.
qint64 rendererIn(const QString& line)
{
    static const QRegularExpression number(QStringLiteral("renderer process (\\d+)"));
    return number.match(line).captured(1).toLongLong();
}

// The first line that holds a match (QStringList::indexOf wants the whole line to match).
qsizetype firstLine(const QStringList& log, const QRegularExpression& pattern)
{
    for (qsizetype i = 0; i < log.size(); ++i) {
        if (pattern.match(log.at(i)).hasMatch())
            return i;
    }
    return -1;
}

} // namespace

class RenewPageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void renewedBetweenPagesAndTheShowGoesOn();
};

void RenewPageTest::renewedBetweenPagesAndTheShowGoesOn()
{
    e2e::LocalShow s(QStringLiteral("renew"));
    s.process.writeFile(QStringLiteral("config/glasspane/user.reg"),
                        lines({QStringLiteral("Windows Registry Editor Version 5.00"), QString(),
                               QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]"),
                               QStringLiteral("\"TestURL\"=\"%1/show/test\"").arg(s.base),
                               QStringLiteral("\"RendererMemoryLimit\"=\"1\"")}));
    s.server.setRoute(QStringLiteral("/show/animated.html"), html(QString::fromLatin1(kAnimated)));
    s.server.setRoute(QStringLiteral("/show/still.html"),
                      html(QStringLiteral("<body style='background:#321'>still</body>")));
    const QString doc = s.process.writeFile(
        QStringLiteral("show.gpn"),
        lines({QStringLiteral("[Gpane]"), QStringLiteral("DefaultTime=1"),
               QStringLiteral("FirstPageIsLastPage=No"), QStringLiteral("[Page1]"),
               QStringLiteral("URL=%1/show/animated.html").arg(s.base), QStringLiteral("[Page2]"),
               QStringLiteral("URL=%1/show/still.html").arg(s.base)}));
    QVERIFY(s.process.start({doc}));

    // The limit in force is in the verbose log.
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("more than 1 MiB"))));
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("page complete .*/animated"))));
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("renderer process \\d+"))));
    const qint64 first = rendererIn(s.process.log().filter("renderer process").constFirst());

    // Renewed once the first page's time is over, before the second page is asked for.
    const QRegularExpression renewed(
        QStringLiteral("info: the web page is renewed before the next page: the program's "
                       "processes hold \\d+ MiB, more than the limit of 1 MiB"));
    QVERIFY(s.process.waitForLog(renewed));
    const qsizetype at = firstLine(s.process.log(), renewed);
    QVERIFY(at >= 0);

    // The show goes on in a new renderer, and the old one is gone with its memory.
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("page complete .*/still")),
                                 KioskProcess::Wait, at));
    QVERIFY(firstLine(s.process.log(), QRegularExpression(QStringLiteral("navigation .*/still"))) >
            at);
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("renderer process \\d+")),
                                 KioskProcess::Wait, at));
    const qint64 second =
        rendererIn(s.process.log().mid(at).filter("renderer process").constFirst());
    QVERIFY(second > 0);
    QVERIFY(second != first);
    QVERIFY(s.process.waitFor(
        [&] { return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(first)); }));

    // Page after page, both fetched again; the limit stays exceeded (nothing fits in 1 MiB),
    // yet a renewal that did not help is not repeated at every page.
    const auto requests = [&](const QString& path) {
        int n = 0;
        for (const HttpTestServer::Request& r : s.server.requests())
            n += r.target == path.toUtf8();
        return n;
    };
    // The server is the barrier: a log line may come in after the request of its page was
    // counted, so each page is first seen asked for again, then completing after that.
    const int animated = requests(QStringLiteral("/show/animated.html"));
    QVERIFY(s.process.waitFor(
        [&] { return requests(QStringLiteral("/show/animated.html")) > animated; }));
    const int still = requests(QStringLiteral("/show/still.html"));
    const qsizetype later = s.process.log().size();
    QVERIFY(
        s.process.waitFor([&] { return requests(QStringLiteral("/show/still.html")) > still; }));
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("page complete .*/still")),
                                 KioskProcess::Wait, later));
    QVERIFY(s.process.waitFor(
        [&] { return requests(QStringLiteral("/show/animated.html")) > animated + 1; }));
    QCOMPARE(s.process.log().filter(renewed).size(), 1);

    QVERIFY(s.process.stop() >= 0);
}

QTEST_MAIN(RenewPageTest)
#include "renew_page_test.moc"
