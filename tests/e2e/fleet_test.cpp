// The show as a fleet's tools meet it: systemd's notify protocol on a socket of the test's own
// (ready, status, the watchdog fed while the show moves and not while it is stalled), gpane
// status --json, gpane metrics, gpane screenshot and the play log matched against the server's
// own record of the pages it served.

#include "running_show.h"
#include "support/debian_python.h"
#include "support/gpane_runner.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace glasspane;

namespace {

// A Unix datagram socket as systemd binds it for NOTIFY_SOCKET; each datagram one notice,
// with the time (of the test's steady clock) it arrived.
class NotifySocket
{
public:
    NotifySocket()
    {
        m_path = m_dir.filePath(QStringLiteral("notify"));
        m_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(m_path).constData(), sizeof(address.sun_path));
        m_bound =
            m_fd >= 0 && bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        m_clock.start();
    }
    ~NotifySocket()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool bound() const { return m_bound; }
    QString path() const { return m_path; }

    // Reads what has come; waits up to timeoutMs for a notice for which done is true.
    template <typename Done> bool waitFor(Done done, int timeoutMs = 60000)
    {
        QElapsedTimer waited;
        waited.start();
        while (true) {
            for (qsizetype i = m_checked; i < notices.size(); ++i, ++m_checked) {
                if (done(notices.at(i).second))
                    return ++m_checked, true;
            }
            if (waited.elapsed() > timeoutMs)
                return false;
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                char buffer[4096];
                const ssize_t n = recv(m_fd, buffer, sizeof(buffer), 0);
                if (n > 0)
                    notices.append({m_clock.elapsed(), QByteArray(buffer, int(n))});
            }
        }
    }
    bool waitForNotice(const QByteArray& notice, int timeoutMs = 60000)
    {
        return waitFor([&](const QByteArray& n) { return n == notice; }, timeoutMs);
    }

    QList<QPair<qint64, QByteArray>> notices;

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_fd = -1;
    bool m_bound = false;
    qsizetype m_checked = 0;
    QElapsedTimer m_clock;
};

// The longest gap between two WATCHDOG=1 from index `from` on, and their count.
QPair<qint64, int> watchdogGaps(const QList<QPair<qint64, QByteArray>>& notices, qsizetype from,
                                qsizetype to)
{
    qint64 longest = 0;
    qint64 last = -1;
    int count = 0;
    for (qsizetype i = from; i < to; ++i) {
        if (notices.at(i).second != "WATCHDOG=1")
            continue;
        if (last >= 0)
            longest = qMax(longest, notices.at(i).first - last);
        last = notices.at(i).first;
        ++count;
    }
    return {longest, count};
}

} // namespace

class FleetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void watchdogFedOnlyWhileTheShowMoves();
    void statusMetricsScreenshotAndPlays();
};

void FleetTest::watchdogFedOnlyWhileTheShowMoves()
{
    RunningShow show(QStringLiteral("fleet-watchdog"));
    NotifySocket notify;
    QVERIFY(notify.bound());
    show.process.setEnvironment(QStringLiteral("NOTIFY_SOCKET"), notify.path());
    // WatchdogSec=4: fed at least every 2 s.
    show.process.setEnvironment(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("4000000"));
    // One page, which the server never answers: it never completes, and once 1 s plus MaxTime
    // 3 s have passed without a completed page the show is stalled.
    HttpTestServer::Route hang;
    hang.delayMs = 600000;
    show.server.setRoute(QStringLiteral("/hang"), hang);
    show.addPage(QStringLiteral("/fine"));
    const QString document = show.process.writeFile(
        QStringLiteral("hang.gpn"),
        RunningShow::lines({"[Gpane]", "AutoLoop=Yes", "MaxTime=3", "[Page1]",
                            "URL=" + show.server.url("/hang"), "DefaultTime=No", "Time=1"}));
    QVERIFY(show.process.start({document}));

    QVERIFY(notify.waitForNotice("READY=1"));
    QVERIFY(
        notify.waitFor([](const QByteArray& n) { return n.startsWith("STATUS=page 1 of 1: "); }));
    QVERIFY2(notify.waitFor([](const QByteArray& n) { return n.endsWith("(stalled)"); }),
             qPrintable(QString::number(notify.notices.size())));
    const qsizetype stalled = notify.notices.size();
    const QPair<qint64, int> alive = watchdogGaps(notify.notices, 0, stalled);
    for (qsizetype i = 0; i < stalled; ++i)
        qInfo() << notify.notices.at(i).first << notify.notices.at(i).second;
    qInfo() << "fed" << alive.second << "times while it moved, longest gap" << alive.first << "ms";
    QVERIFY(alive.second >= 2);
    QVERIFY2(alive.first <= 2000, qPrintable(QString::number(alive.first)));

    // Stalled: gpane status says so, and the main loop answers it over several seconds, while
    // the watchdog goes unfed.
    GpaneRunner gpane(show.process.home());
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < 3000)
        QCOMPARE(GpaneRunner::statusValues(
                     gpane.run({QStringLiteral("status")}, show.process.home()).out)
                     .value("state"),
                 QStringLiteral("stalled"));
    // The page comes back: the show moves again, and the watchdog is fed again.
    show.server.setPage(QStringLiteral("/hang"), "<h1>back</h1>");
    QVERIFY(notify.waitForNotice("WATCHDOG=1", 30000));
    const qsizetype back = notify.notices.size() - 1;
    for (qsizetype i = stalled; i < back; ++i)
        QVERIFY2(notify.notices.at(i).second != "WATCHDOG=1", qPrintable(QString::number(i)));
    qInfo() << "unfed for" << notify.notices.at(back).first - notify.notices.at(stalled - 1).first
            << "ms while stalled";
    QVERIFY(notify.notices.at(back).first - notify.notices.at(stalled - 1).first >= 3000);
    int readies = 0;
    for (const auto& n : notify.notices)
        readies += n.second == "READY=1" ? 1 : 0;
    QCOMPARE(readies, 1);
    show.process.stop();
}

void FleetTest::statusMetricsScreenshotAndPlays()
{
    RunningShow show(QStringLiteral("fleet-status"));
    const QString home = show.process.home();
    GpaneRunner gpane(home);
    const QString source = qEnvironmentVariable("GLASSPANE_TEST_SOURCE_DIR");

    // No show: status 3, and metrics that say so.
    GpaneRunner::Run down = gpane.run({QStringLiteral("metrics")}, home);
    QCOMPARE(down.exitCode, 3);
    QVERIFY2(down.out.contains(QStringLiteral("\nglasspane_up 0\n")), qPrintable(down.out));

    QStringList paths;
    for (int i = 1; i <= 5; ++i)
        paths << QStringLiteral("/p%1").arg(i);
    const QString document = show.writeDocument(QStringLiteral("fast.gpn"), paths, 1);
    QVERIFY(show.process.start({document}));
    QVERIFY(show.pageComplete(QStringLiteral("/p1")));

    // The status as JSON, against its schema.
    const GpaneRunner::Run status =
        gpane.run({QStringLiteral("status"), QStringLiteral("--json")}, home);
    QCOMPARE(status.exitCode, 0);
    QTemporaryDir scratch;
    QFile json(scratch.filePath(QStringLiteral("status.json")));
    QVERIFY(json.open(QIODevice::WriteOnly));
    json.write(status.out.toUtf8());
    json.close();
    const DebianPython valid = DebianPython::run(
        QStringLiteral("import json,sys,jsonschema; jsonschema.validate(json.load("
                       "open(sys.argv[1])), json.load(open(sys.argv[2])))"),
        {json.fileName(), source + QStringLiteral("/docs/status.schema.json")});
    QVERIFY2(valid.exitCode == 0, qPrintable(valid.err + status.out));
    const QJsonObject object = QJsonDocument::fromJson(status.out.toUtf8()).object();
    QCOMPARE(object.value(u"pid").toInteger(), show.process.processId());
    QCOMPARE(object.value(u"pageCount").toInt(), 5);
    QVERIFY(object.value(u"memoryBytes").toObject().value(u"glasspane").toInteger() > 10'000'000);

    // A picture of the screen, in a new file; never over one that stands there.
    const QString picture = scratch.filePath(QStringLiteral("now.png"));
    QCOMPARE(gpane.run({QStringLiteral("screenshot"), picture}, home).exitCode, 0);
    QVERIFY(!QImage(picture).isNull());
    QCOMPARE(gpane.run({QStringLiteral("screenshot"), picture}, home).exitCode, 1);
    QVERIFY(QFile::link(picture, scratch.filePath(QStringLiteral("link.png"))));
    QCOMPARE(
        gpane
            .run({QStringLiteral("screenshot"), scratch.filePath(QStringLiteral("link.png"))}, home)
            .exitCode,
        1);

    // Pages go by; then the play log holds each, in the order the server served them.
    show.server.clearRequests();
    const qsizetype mark = show.process.log().size();
    QVERIFY(show.pageComplete(QStringLiteral("/p5"), mark));
    QVERIFY(show.pageComplete(QStringLiteral("/p3"), show.process.log().size()));
    const GpaneRunner::Run metrics = gpane.run({QStringLiteral("metrics")}, home);
    QCOMPARE(metrics.exitCode, 0);
    QFile prom(scratch.filePath(QStringLiteral("glasspane.prom")));
    QVERIFY(prom.open(QIODevice::WriteOnly));
    prom.write(metrics.out.toUtf8());
    prom.close();
    const DebianPython parse = DebianPython::run(
        QStringLiteral(
            "import sys\n"
            "from prometheus_client.parser import text_string_to_metric_families as p\n"
            "d = {s.name + str(sorted(s.labels.items())): s.value\n"
            "     for f in p(open(sys.argv[1]).read()) for s in f.samples}\n"
            "print(int(d['glasspane_up[]']), int(d['glasspane_pages_shown_total[]']))\n"),
        {prom.fileName()});
    const QStringList parsed = parse.out.split(u' ');
    QVERIFY2(parsed.size() == 2, qPrintable(parse.err + metrics.out));
    QCOMPARE(parsed.at(0), QStringLiteral("1"));
    QVERIFY(parsed.at(1).trimmed().toInt() >= 6);

    show.process.stop();
    const GpaneRunner::Run plays =
        gpane.run({QStringLiteral("plays"), QStringLiteral("--json")}, home);
    QCOMPARE(plays.exitCode, 0);
    const QJsonArray records = QJsonDocument::fromJson(plays.out.toUtf8()).array();
    QStringList played;
    for (const QJsonValue& r : records) {
        const QJsonObject o = r.toObject();
        if (QDateTime::fromString(o.value(u"asked").toString(), Qt::ISODateWithMs).isValid() &&
            o.value(u"page").toInt() > 0)
            played << QUrl(o.value(u"address").toString()).path();
    }
    QStringList served;
    for (const HttpTestServer::Request& r : show.server.requests())
        if (r.target.startsWith("/p"))
            served << QString::fromUtf8(r.target);
    // Every page served since the mark is in the log, in the same order.
    QVERIFY2(!served.isEmpty() && played.size() >= served.size(), qPrintable(played.join(u' ')));
    QCOMPARE(played.mid(played.size() - served.size()), served);
    const GpaneRunner::Run text = gpane.run(
        {QStringLiteral("plays"), QStringLiteral("--since"), QStringLiteral("2000-01-01")}, home);
    QCOMPARE(text.out.count(u'\n'), records.size());
    QCOMPARE(
        gpane
            .run({QStringLiteral("plays"), QStringLiteral("--since"), QStringLiteral("soon")}, home)
            .exitCode,
        2);
}

QTEST_MAIN(FleetTest)
#include "fleet_test.moc"
