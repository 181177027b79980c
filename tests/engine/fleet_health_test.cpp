// What a fleet's operators read of a show: the service manager's notices (ready, status, the
// watchdog kept fed only while the show moves), the play log and its bounded files, and the
// status and metrics as the real parsers read them (python3-jsonschema, python3-prometheus-client).

#include "engine/play_log.h"
#include "engine/service_heartbeat.h"
#include "engine/show_control.h"
#include "support/debian_python.h"
#include "support/engine_rig.h"
#include "support/fake_service_manager.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

namespace {

// A three-page show of 2 s pages whose second page the server refuses (HTTP 404); every other
// load completes at the next step of the main loop.
struct FleetRig
{
    EngineRig rig;
    std::unique_ptr<ShowControl> control;
    QString failing = QStringLiteral("http://b/");

    FleetRig()
    {
        rig.setPages({{"http://a/", 2}, {"http://b/", 2}, {"http://c/", 2}});
        rig.options.MaxTime = 4;
        ShowControlHooks hooks;
        hooks.engine = [this] { return rig.engine.get(); };
        hooks.memory = [] { return MemoryUse{100 * 1024, 150 * 1024, 3}; };
        control =
            std::make_unique<ShowControl>(hooks, rig.program, rig.doc, rig.clock.now(), false);
    }
    // One step of the main loop: the engine, the browser's answer, then each follower.
    template <typename Follow> void run(double seconds, Follow follow)
    {
        for (int i = 0; i < int(seconds * 5 + 0.5); ++i) {
            rig.tick();
            if (rig.browser.Busy()) {
                if (rig.browser.pending() == failing)
                    rig.browser.failLoad(QStringLiteral("the server answered HTTP 404"));
                else
                    rig.browser.completeLoad();
            }
            follow();
        }
    }
};

// Debian's python3 with a script, given input in a file as its first argument and the source
// folder as its second; its output, or a failure.
QString python(const QString& script, const QByteArray& input)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("input")));
    if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
        return QStringLiteral("FAILED: cannot write the input");
    file.close();
    const DebianPython p = DebianPython::run(
        script, {file.fileName(), qEnvironmentVariable("GLASSPANE_TEST_SOURCE_DIR")});
    return p.exitCode == 0 ? p.out : QStringLiteral("FAILED: ") + p.err;
}

} // namespace

class FleetHealthTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void serviceManagerHearsTheShow();
    void playsRecordEveryPageShown();
    void playLogStaysBounded();
    void aThousandPagesInBoundedFiles();
    void statusAndMetricsReadByTheRealParsers();
};

void FleetHealthTest::serviceManagerHearsTheShow()
{
    FleetRig f;
    f.failing.clear();
    FakeServiceManager manager(f.rig.clock, 2000);
    ServiceHeartbeat heartbeat(manager, f.rig.clock);
    // Before the engine: starting, not ready.
    heartbeat.update(f.control->report(ShowControl::Detail::Pulse));
    QVERIFY(manager.timesOf("READY=1").isEmpty());
    QCOMPARE(manager.notices.first().second, QByteArray("STATUS=starting"));

    f.rig.start();
    auto follow = [&] { heartbeat.update(f.control->report(ShowControl::Detail::Pulse)); };
    f.run(9, follow);
    QCOMPARE(manager.timesOf("READY=1").size(), 1);
    QVERIFY(manager.timesOf("STATUS=page 2 of 3: http://b/").size() == 1);
    // Fed well within half the watchdog's time, and not at every step.
    const QList<qint64> pings = manager.timesOf("WATCHDOG=1");
    QVERIFY2(pings.size() >= 9 && pings.size() <= 20, qPrintable(QString::number(pings.size())));
    for (qsizetype i = 1; i < pings.size(); ++i)
        QVERIFY(pings.at(i) - pings.at(i - 1) <= 1000);

    // The browser stops answering: no page completes, the show stalls (2 s pages and MaxTime
    // 4 make 6 s), and from then on the watchdog is not fed.
    for (int i = 0; i < 100; ++i) {
        f.rig.tick();
        follow();
    }
    const QList<qint64> later = manager.timesOf("WATCHDOG=1");
    QVERIFY(f.control->report().stalled);
    const qint64 stallsAt = f.rig.engine->health().lastCompleted + 6000;
    QVERIFY2(later.last() <= stallsAt && later.last() >= stallsAt - 1000,
             qPrintable(QString::number(later.last() - stallsAt)));
    QCOMPARE(manager.notices.last().second.left(7), QByteArray("STATUS="));
    QVERIFY(manager.notices.last().second.endsWith("(stalled)"));
    QCOMPARE(manager.timesOf("READY=1").size(), 1);

    // Without a watchdog nothing is fed.
    FakeServiceManager plain(f.rig.clock);
    ServiceHeartbeat quiet(plain, f.rig.clock);
    f.rig.browser.completeLoad();
    quiet.update(f.control->report(ShowControl::Detail::Pulse));
    QVERIFY(plain.timesOf("WATCHDOG=1").isEmpty());
}

void FleetHealthTest::playsRecordEveryPageShown()
{
    FleetRig f;
    QTemporaryDir dir;
    PlayLog log(dir.path());
    QList<PlayRecord> journalled;
    PlayRecorder recorder(log, f.rig.clock, [&](const PlayRecord& r) { journalled.append(r); });
    Engine& engine = f.rig.start();
    engine.setPageLeavingListener([&] { recorder.update(engine, true); });
    f.run(13, [&] { recorder.update(engine); });
    recorder.finish();

    const QList<PlayRecord> plays = PlayLog::read(dir.path());
    QCOMPARE(plays.size(), journalled.size());
    QStringList seen;
    for (const PlayRecord& r : plays)
        seen << QStringLiteral("%1 %2 %3").arg(r.page).arg(r.address, r.result);
    // a, b refused, c, a again... each recorded as it left (the rig shows its start page
    // outside the play list).
    QVERIFY2(seen.size() >= 5, qPrintable(seen.join(u'|')));
    QCOMPARE(seen.mid(0, 5),
             QStringList({"1 http://a/ complete", "2 http://b/ failed", "3 http://c/ complete",
                          "1 http://a/ complete", "2 http://b/ failed"}));
    const PlayRecord& a = plays.at(0);
    QVERIFY(a.shown.isValid());
    // On screen for its 2 s, give or take a step of the loop.
    QVERIFY2(a.durationMs >= 1800 && a.durationMs <= 2600,
             qPrintable(QString::number(a.durationMs)));
    const PlayRecord& b = plays.at(1);
    QVERIFY(!b.shown.isValid());
    QCOMPARE(b.durationMs, qint64(0));
    QCOMPARE(b.reason, QStringLiteral("the server answered HTTP 404"));
    QVERIFY(plays.at(2).shown >= a.shown.addMSecs(a.durationMs));

    // The same pages counted for the metrics.
    const ShowHealth& health = engine.health();
    qsizetype complete = 0;
    for (const PlayRecord& r : plays)
        complete += r.result == u"complete" && r.page > 0 ? 1 : 0;
    QVERIFY(health.pagesShown >= quint64(complete));
    QCOMPARE(health.pageFailures.value(QStringLiteral("http")),
             quint64(seen.count(QStringLiteral("2 http://b/ failed"))));

    // The journal's fields.
    const QList<QByteArray> fields = PlayJournalFields(b);
    QVERIFY(fields.contains("GLASSPANE_RESULT=failed"));
    QVERIFY(fields.contains("GLASSPANE_ADDRESS=http://b/"));
    QVERIFY(fields.first().startsWith("MESSAGE=page 2 not shown: http://b/"));
}

void FleetHealthTest::playLogStaysBounded()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("plays"));
    auto record = [](int n) {
        PlayRecord r;
        r.asked = QDateTime(QDate(2026, 12, 11), QTime(8, 0)).addSecs(n);
        r.shown = r.asked.addMSecs(300);
        r.durationMs = 1000;
        r.page = n;
        r.address = QStringLiteral("https://signs.example/%1").arg(n);
        r.result = QStringLiteral("complete");
        return r;
    };
    {
        PlayLog log(folder, 1000, 3);
        for (int n = 1; n <= 40; ++n)
            QVERIFY(log.append(record(n)));
    }
    // A second run goes on where the first stopped.
    PlayLog again(folder, 1000, 3);
    for (int n = 41; n <= 60; ++n)
        QVERIFY(again.append(record(n)));

    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
    QCOMPARE(files.size(), 3);
    for (const QFileInfo& file : files)
        QVERIFY2(file.size() <= 1000, qPrintable(file.fileName()));
    // The newest kept, in order and without a gap; no temporary file left over.
    const QList<PlayRecord> kept = PlayLog::read(folder);
    QVERIFY(kept.size() >= 10);
    QCOMPARE(kept.last().page, 60);
    for (qsizetype i = 1; i < kept.size(); ++i)
        QCOMPARE(kept.at(i).page, kept.at(i - 1).page + 1);
    QCOMPARE(kept.last().shown, record(60).shown);

    // A line that is no record (a file cut short by hand) is passed over.
    QFile newest(files.last().absoluteFilePath());
    QVERIFY(newest.open(QIODevice::Append));
    newest.write("{\"asked\":\"2026-12-11T08:");
    newest.close();
    QCOMPARE(PlayLog::read(folder).size(), kept.size());
}

void FleetHealthTest::aThousandPagesInBoundedFiles()
{
    // 1 s pages, all served: more than a thousand page changes in files of 8 KiB, 4 kept.
    FleetRig f;
    f.failing.clear();
    f.rig.setPages({{"http://a/", 1}, {"http://b/", 1}, {"http://c/", 1}, {"http://d/", 1}});
    QTemporaryDir dir;
    PlayLog log(dir.path(), 8 * 1024, 4);
    PlayRecorder recorder(log, f.rig.clock);
    Engine& engine = f.rig.start();
    engine.setPageLeavingListener([&] { recorder.update(engine, true); });
    QStringList served; // what the browser loaded, as a server's log would list it
    while (served.size() <= 1000) {
        f.rig.tick();
        if (f.rig.browser.Busy()) {
            served << f.rig.browser.pending();
            f.rig.browser.completeLoad();
        }
        recorder.update(engine);
    }
    recorder.finish();
    QVERIFY2(served.size() > 1000, qPrintable(QString::number(served.size())));

    qint64 bytes = 0;
    const QFileInfoList files = QDir(dir.path()).entryInfoList(QDir::Files);
    for (const QFileInfo& file : files)
        bytes += file.size();
    QVERIFY(files.size() <= 4);
    QVERIFY2(bytes <= 4 * 8 * 1024, qPrintable(QString::number(bytes)));
    // What is kept is the newest stretch of what was served, page for page.
    const QList<PlayRecord> kept = PlayLog::read(dir.path());
    QStringList played;
    for (const PlayRecord& r : kept) {
        played << r.address;
        QCOMPARE(r.result, QStringLiteral("complete"));
        // Each on screen for its second, give or take a step; the last one the end cut short.
        if (played.size() < kept.size())
            QVERIFY2(r.durationMs >= 800 && r.durationMs <= 1400,
                     qPrintable(QString::number(r.durationMs)));
    }
    QVERIFY(played.size() > 100);
    QCOMPARE(played, served.mid(served.size() - played.size()));
}

void FleetHealthTest::statusAndMetricsReadByTheRealParsers()
{
    FleetRig f;
    ShowReport before = f.control->report();
    f.rig.start();
    f.run(7, [] {});
    f.rig.engine->health().rendererRestarts = 1;
    const ShowReport r = f.control->report();

    // Each JSON against the schema documented in docs/.
    const QString validate =
        QStringLiteral("import json, sys, jsonschema\n"
                       "schema = json.load(open(sys.argv[2] + '/docs/status.schema.json'))\n"
                       "for line in open(sys.argv[1]):\n"
                       "    jsonschema.validate(json.loads(line), schema)\n"
                       "print('valid')\n");
    QByteArray objects;
    for (const ShowReport& one : {before, r})
        objects += QJsonDocument(StatusJson(one)).toJson(QJsonDocument::Compact) + '\n';
    QCOMPARE(python(validate, objects), QStringLiteral("valid"));
    const QJsonObject json = StatusJson(r);
    QCOMPARE(json.value(u"state").toString(), StatusLines(r).at(2).mid(7));
    QCOMPARE(json.value(u"memoryBytes").toObject().value(u"browser").toInteger(),
             qint64(150) * 1024 * 1024);
    QCOMPARE(json.value(u"lastLoad").toObject().value(u"result").toString(), r.lastLoad);

    // The metrics as Prometheus' own parser reads them: every family, type and sample.
    const QString parse = QStringLiteral(
        "import sys\n"
        "from prometheus_client.parser import text_string_to_metric_families\n"
        "for f in text_string_to_metric_families(open(sys.argv[1]).read()):\n"
        "    for s in f.samples:\n"
        "        labels = ','.join('%s=%s' % kv for kv in sorted(s.labels.items()))\n"
        "        print(f.type, s.name + ('{%s}' % labels if labels else ''), s.value)\n");
    const QStringList samples = python(parse, MetricsText(r).toUtf8()).split(u'\n');
    auto sample = [&](const QString& start) {
        for (const QString& line : samples) {
            if (line.startsWith(start + u' '))
                return line.mid(start.size() + 1);
        }
        return QStringLiteral("(none in %1)").arg(samples.join(u'|'));
    };
    QCOMPARE(sample("gauge glasspane_up"), QStringLiteral("1.0"));
    QCOMPARE(sample("counter glasspane_pages_shown_total"),
             QStringLiteral("%1.0").arg(r.health.pagesShown));
    QVERIFY(r.health.pagesShown >= 2);
    QCOMPARE(sample("counter glasspane_page_failures_total{reason=http}"),
             QStringLiteral("%1.0").arg(r.health.pageFailures.value("http")));
    QCOMPARE(sample("counter glasspane_page_failures_total{reason=network}"),
             QStringLiteral("0.0"));
    QCOMPARE(sample("counter glasspane_renderer_restarts_total"), QStringLiteral("1.0"));
    QCOMPARE(sample("gauge glasspane_memory_bytes{process=browser}"),
             QStringLiteral("%1.0").arg(150 * 1024 * 1024));
    QVERIFY(qAbs(sample("gauge glasspane_last_page_complete_timestamp_seconds").toDouble() -
                 double(r.health.lastCompleted) / 1000.0) < 0.01);
    QCOMPARE(python(parse, MetricsTextDown().toUtf8()), QStringLiteral("gauge glasspane_up 0.0"));
}

QTEST_GUILESS_MAIN(FleetHealthTest)
#include "fleet_health_test.moc"
