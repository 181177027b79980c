// Pictures, PDF and video as pages, sound that plays by itself, the pictures of --screenshots on
// every screen, a page that loads after its time, and the rows of a CSV value file, on the real
// program under Xvfb against a local server. The screen is whatever xvfb-run gives (the
// screenshots test also runs on a portrait and a very tall one, tests/CMakeLists.txt).

#include "local_show.h"
#include "support/gpane_runner.h"

#include <QBuffer>
#include <QDateTime>
#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>

using namespace glasspane;
using e2e::file;
using e2e::html;
using e2e::lines;
using e2e::near;
using e2e::png;
using e2e::screenshots;

namespace {

// A green video of 8 s with a tone, made by Debian's ffmpeg; empty when there is none.
QByteArray greenVideo(const QString& folder)
{
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (ffmpeg.isEmpty())
        return {};
    const QString path = folder + QStringLiteral("/clip.webm");
    QProcess p;
    p.start(ffmpeg,
            {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "color=c=0x00ff00:s=640x360:d=8",
             "-f", "lavfi", "-i", "sine=frequency=440:duration=8", "-c:v", "libvpx", "-c:a",
             "libvorbis", "-shortest", path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return {};
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The time stamp of a log line.
QDateTime stamp(const QString& line)
{
    return QDateTime::fromString(line.left(23), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

// Reports to the server how the video fared: played and advanced, or refused to start.
const char kVideoPage[] = R"(<!DOCTYPE html><html><body style="margin:0;background:#000">
<video id="v" autoplay src="clip.webm" style="width:100%"></video><script>
var v = document.getElementById('v'), advanced = false;
function report(s) { new Image().src = '/show/report?' + s; }
v.addEventListener('timeupdate', function () {
  if (!advanced && v.currentTime > 1) { advanced = true; report('advanced'); }
});
v.play().then(function () { report('playing'); }, function (e) { report('refused-' + e.name); });
</script></body></html>)";

struct Show : e2e::LocalShow
{
    using LocalShow::LocalShow;

    bool requested(const QString& target)
    {
        return process.waitFor([&] {
            for (const HttpTestServer::Request& r : server.requests()) {
                if (QString::fromLatin1(r.target) == target)
                    return true;
            }
            return false;
        });
    }
};

} // namespace

class MediaPagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mediaPages();
    void autoplaySound_data();
    void autoplaySound();
    void pagesOnScreen();
    void valueFileRows();
};

// A picture, a video and a PDF, on the web and on disk, each shown by the browser itself for
// its time (not refused as a download), the picture and the video filling the screen on black.
void MediaPagesTest::mediaPages()
{
    Show s(QStringLiteral("media"));
    const QByteArray video = greenVideo(s.process.home());
    if (video.isEmpty())
        QSKIP("ffmpeg (Debian's) is needed to make the video");
    s.server.setRoute(QStringLiteral("/show/pic.png"), file(png({320, 240}, Qt::red), "image/png"));
    s.server.setRoute(QStringLiteral("/show/clip.webm"), file(video, "video/webm"));
    s.server.setRoute(QStringLiteral("/show/end.html"), html(QStringLiteral("end")));
    const QString pdf = s.process.homePath(QStringLiteral("leaflet.pdf"));
    {
        QPdfWriter writer(pdf);
        QPainter painter(&writer);
        painter.fillRect(QRect(0, 0, 4000, 3000), Qt::blue);
        painter.drawText(QPoint(200, 4000), QStringLiteral("leaflet"));
    }
    const QString picture =
        s.process.writeFile(QStringLiteral("local.png"), png({200, 100}, Qt::yellow));
    const QString doc = s.process.writeFile(
        QStringLiteral("show.gpn"),
        lines({QStringLiteral("[Gpane]"), QStringLiteral("MaxTime=600"),
               QStringLiteral("DefaultTime=3"), QStringLiteral("FirstPageIsLastPage=No"),
               QStringLiteral("[Page1]"), QStringLiteral("URL=%1/show/pic.png").arg(s.base),
               QStringLiteral("[Page2]"), QStringLiteral("URL=%1/show/clip.webm").arg(s.base),
               QStringLiteral("[Page3]"), QStringLiteral("URL=%1").arg(pdf),
               QStringLiteral("[Page4]"), QStringLiteral("URL=%1").arg(picture),
               QStringLiteral("[Page5]"), QStringLiteral("URL=%1/show/end.html").arg(s.base),
               QStringLiteral("DefaultTime=No"), QStringLiteral("Time=600")}));
    QVERIFY(s.process.start({doc}));
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("page complete .*/end.html"))));
    for (const QString& page : {QStringLiteral("/show/pic.png"), QStringLiteral("/show/clip.webm"),
                                QStringLiteral("leaflet.pdf"), QStringLiteral("local.png")})
        QVERIFY2(s.process.logged(QRegularExpression(QStringLiteral("page complete .*") +
                                                     QRegularExpression::escape(page))),
                 qPrintable(page));
    QVERIFY(!s.process.logged(QRegularExpression(QStringLiteral("cannot be shown"))));

    // The pictures fill the screen: scaled up and centred on black, not shown at their size.
    QVERIFY(
        s.process.waitFor([&] { return screenshots(s.process.screenshotFolder()).size() >= 5; }));
    const QMap<int, QStringList> shots = screenshots(s.process.screenshotFolder());
    auto check = [&](int page, const QSize& natural, const QColor& color) {
        const QImage image(shots.value(page).value(0));
        QVERIFY2(!image.isNull(), qPrintable(QString::number(page)));
        // Where the picture stands scaled to fit: a point near its corner lies outside the
        // place it would take at its own size; the bars beside it are black.
        const QSize scaled = natural.scaled(image.size(), Qt::KeepAspectRatio);
        const QRect fitted(
            QPoint((image.width() - scaled.width()) / 2, (image.height() - scaled.height()) / 2),
            scaled);
        const QString name = QString::number(page);
        QVERIFY2(near(image.pixel(fitted.center()), color), qPrintable(name));
        QVERIFY2(
            near(image.pixel(fitted.topLeft() + QPoint(scaled.width() / 20, scaled.height() / 20)),
                 color),
            qPrintable(name));
        if (fitted.left() > 2)
            QVERIFY2(near(image.pixel(fitted.left() / 2, fitted.center().y()), Qt::black),
                     qPrintable(name));
        if (fitted.top() > 2)
            QVERIFY2(near(image.pixel(fitted.center().x(), fitted.top() / 2), Qt::black),
                     qPrintable(name));
    };
    check(1, {320, 240}, Qt::red);
    check(2, {640, 360}, QColor(0, 255, 0));
    check(4, {200, 100}, Qt::yellow);
    QVERIFY(s.process.stop() >= 0);
}

void MediaPagesTest::autoplaySound_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("Yes (the default)") << QString() << "/show/report?advanced";
    QTest::newRow("No: the browser's rule") << "AutoplaySound=No"
                                            << "/show/report?refused-NotAllowedError";
}

// A video with sound plays without a visitor's gesture: its time advances.
void MediaPagesTest::autoplaySound()
{
    QFETCH(QString, setting);
    QFETCH(QString, outcome);
    Show s(QStringLiteral("autoplay"));
    const QByteArray video = greenVideo(s.process.home());
    if (video.isEmpty())
        QSKIP("ffmpeg (Debian's) is needed to make the video");
    s.server.setRoute(QStringLiteral("/show/clip.webm"), file(video, "video/webm"));
    s.server.setRoute(QStringLiteral("/show/video.html"), html(QString::fromLatin1(kVideoPage)));
    const QString doc = s.process.writeFile(
        QStringLiteral("show.gpn"),
        lines({QStringLiteral("[Gpane]"), QStringLiteral("MaxTime=600"), setting,
               QStringLiteral("[Page1]"), QStringLiteral("URL=%1/show/video.html").arg(s.base),
               QStringLiteral("DefaultTime=No"), QStringLiteral("Time=600")}));
    QVERIFY(s.process.start({doc}));
    QVERIFY(s.requested(outcome));
    QVERIFY(s.process.stop() >= 0);
}

// Each picture of --screenshots shows the page its name gives, on a screen of any size and
// shape; a page that loads after its time is over is seen for 2 s, with a warning.
void MediaPagesTest::pagesOnScreen()
{
    Show s(QStringLiteral("on-screen"));
    const QList<QColor> colors = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};
    QStringList pages = {QStringLiteral("[Gpane]"), QStringLiteral("MaxTime=600"),
                         QStringLiteral("FirstPageIsLastPage=No")};
    for (int i = 0; i < colors.size(); ++i) {
        const QString path = QStringLiteral("/show/page%1.html").arg(i + 1);
        HttpTestServer::Route page = html(
            QStringLiteral("<body style=\"margin:0;background:%1;font:96px sans-serif\">page %2"
                           "</body>")
                .arg(colors[i].name())
                .arg(i + 1));
        // The last one answers long after its time.
        if (i == colors.size() - 1)
            page.delayMs = 5000;
        s.server.setRoute(path, page);
        pages << QStringLiteral("[Page%1]").arg(i + 1)
              << QStringLiteral("URL=%1").arg(s.base + path) << QStringLiteral("DefaultTime=No")
              << QStringLiteral("Time=2");
    }
    s.server.setRoute(QStringLiteral("/show/end.html"), html(QStringLiteral("end")));
    pages << QStringLiteral("[Page9]") << QStringLiteral("URL=%1/show/end.html").arg(s.base)
          << QStringLiteral("DefaultTime=No") << QStringLiteral("Time=600");
    const QString doc = s.process.writeFile(QStringLiteral("show.gpn"), lines(pages));
    QVERIFY(s.process.start({doc}));
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("page complete .*/end.html"))));

    const QString slow = QRegularExpression::escape(s.base + QStringLiteral("/show/page5.html"));
    QVERIFY(s.process.logged(QRegularExpression(
        QStringLiteral("warning: Page 5 of the play list, ") + slow +
        QStringLiteral(" finished loading after its time of 2 s was over .*stays on screen"))));
    // Seen for 2 s from the moment it painted until the next page was asked for.
    const QStringList log = s.process.log();
    QDateTime onScreen, next;
    for (const QString& line : log) {
        if (!onScreen.isValid() && line.contains(QRegularExpression("page on screen \"" + slow)))
            onScreen = stamp(line);
        else if (onScreen.isValid() && line.contains(QStringLiteral("debug: navigation \"")))
            next = stamp(line);
        if (next.isValid())
            break;
    }
    QVERIFY(onScreen.isValid() && next.isValid());
    QVERIFY2(onScreen.msecsTo(next) >= 2000, qPrintable(QString::number(onScreen.msecsTo(next))));

    QVERIFY(
        s.process.waitFor([&] { return screenshots(s.process.screenshotFolder()).size() >= 6; }));
    const QMap<int, QStringList> shots = screenshots(s.process.screenshotFolder());
    for (int i = 0; i < colors.size(); ++i) {
        QVERIFY2(shots.contains(i + 1), qPrintable(QString::number(i + 1)));
        for (const QString& path : shots[i + 1]) {
            const QImage image(path);
            QVERIFY2(near(image.pixel(image.width() / 2, image.height() * 3 / 4), colors[i]),
                     qPrintable(path));
        }
    }
    qInfo("screen %dx%d, slow page seen %lld ms", QImage(shots[1].first()).width(),
          QImage(shots[1].first()).height(), onScreen.msecsTo(next));
    QVERIFY(s.process.stop() >= 0);
}

// The rows of a CSV value file give one value each, without their line ends: the show asks for
// exactly the addresses gpane playlist prints.
void MediaPagesTest::valueFileRows()
{
    Show s(QStringLiteral("value-rows"));
    s.server.setRoute(QStringLiteral("/show/values.csv"),
                      file("label,101\r\nlabel,102\r\nlabel,103", "text/csv"));
    s.server.setRoute(QStringLiteral("/show/row"), html(QStringLiteral("row")));
    s.server.setRoute(QStringLiteral("/show/end.html"), html(QStringLiteral("end")));
    const QString doc = s.process.writeFile(
        QStringLiteral("show.gpn"),
        lines({QStringLiteral("[Gpane]"), QStringLiteral("MaxTime=600"),
               QStringLiteral("FirstPageIsLastPage=No"), QStringLiteral("[Page1]"),
               QStringLiteral("URL=%1/show/row?label=$$").arg(s.base),
               QStringLiteral("DefaultTime=No"), QStringLiteral("Time=1"),
               QStringLiteral("Var1Type=3"),
               QStringLiteral("Var1Source=%1/show/values.csv").arg(s.base),
               QStringLiteral("Var1Param=label,$$"), QStringLiteral("[Page2]"),
               QStringLiteral("URL=%1/show/end.html").arg(s.base), QStringLiteral("DefaultTime=No"),
               QStringLiteral("Time=600")}));

    const GpaneRunner::Run listed =
        GpaneRunner(s.process.home()).run({QStringLiteral("playlist"), doc}, s.process.home());
    QCOMPARE(listed.exitCode, 0);
    QStringList printed;
    for (const QString& line : listed.out.split(u'\n', Qt::SkipEmptyParts))
        printed << line.section(u'\t', 2);
    QCOMPARE(printed, QStringList({s.base + "/show/row?label=101", s.base + "/show/row?label=102",
                                   s.base + "/show/row?label=103", s.base + "/show/end.html"}));

    QVERIFY(s.process.start({doc}));
    QVERIFY(s.process.waitForLog(QRegularExpression(QStringLiteral("page complete .*/end.html"))));
    QStringList asked;
    for (const HttpTestServer::Request& r : s.server.requests()) {
        const QString target = QString::fromLatin1(r.target);
        if (target.startsWith(QStringLiteral("/show/row")) ||
            target == QStringLiteral("/show/end.html"))
            asked << s.base + target;
    }
    QCOMPARE(asked, printed);
    QVERIFY(s.process.stop() >= 0);
}

QTEST_MAIN(MediaPagesTest)
#include "media_pages_test.moc"
