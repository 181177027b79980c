// The running show steered and watched from outside, as an administrator's script does it:
// gpane status, next, previous, pause, play, reload and open on the real program, and a second
// start with a document handing it to the running copy.

#include "running_show.h"
#include "support/gpane_runner.h"

#include <QDir>
#include <QHash>
#include <QTest>

using namespace glasspane;

class ControlTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void steerAndWatchTheShow();
};

void ControlTest::steerAndWatchTheShow()
{
    RunningShow show(QStringLiteral("control"));
    const QString home = show.process.home();
    GpaneRunner gpane(home);
    auto status = [&] {
        const GpaneRunner::Run run = gpane.run({QStringLiteral("status")}, home);
        if (run.exitCode != 0)
            qWarning().noquote() << "gpane status:" << run.exitCode << run.err;
        return GpaneRunner::statusValues(run.out);
    };
    auto command = [&](const QStringList& words) {
        const GpaneRunner::Run run = gpane.run(words, home);
        if (run.exitCode != 0)
            qWarning().noquote() << "gpane" << words.join(u' ') << run.exitCode << run.err;
        return run;
    };

    // No show yet: a monitoring system learns that from the exit status.
    QCOMPARE(gpane.run({QStringLiteral("status")}, home).exitCode, 3);

    // Pages that stay long enough for the commands to be what moves the show.
    const QString lobby =
        show.writeDocument(QStringLiteral("lobby.gpn"), {"/one", "/two", "/three"}, 600);
    QVERIFY(show.process.start({lobby}));
    QVERIFY(show.pageComplete(QStringLiteral("/one")));

    QHash<QString, QString> s = status();
    QCOMPARE(s.value("document"), lobby);
    QCOMPARE(s.value("mode"), QStringLiteral("show"));
    QCOMPARE(s.value("state"), QStringLiteral("playing"));
    QCOMPARE(s.value("page"), QStringLiteral("1 of 3"));
    QCOMPARE(s.value("address"), show.server.url("/one"));
    QCOMPARE(s.value("last load"), QStringLiteral("complete"));
    QVERIFY(QDateTime::fromString(s.value("since"), Qt::ISODate).isValid());
    QVERIFY(QDateTime::fromString(s.value("started"), Qt::ISODate).isValid());
    QCOMPARE(s.value("pid").toLongLong(), show.process.processId());
    QVERIFY2(s.value("memory").contains(QRegularExpression("^\\d+ MB")),
             qPrintable(s.value("memory")));

    qsizetype mark = show.process.log().size();
    QCOMPARE(command({QStringLiteral("next")}).exitCode, 0);
    QVERIFY(show.pageComplete(QStringLiteral("/two"), mark));
    QCOMPARE(status().value("page"), QStringLiteral("2 of 3"));

    mark = show.process.log().size();
    QCOMPARE(command({QStringLiteral("previous")}).exitCode, 0);
    QVERIFY(show.pageComplete(QStringLiteral("/one"), mark));

    QCOMPARE(command({QStringLiteral("pause")}).exitCode, 0);
    QCOMPARE(status().value("state"), QStringLiteral("paused"));
    QCOMPARE(command({QStringLiteral("pause")}).out.trimmed(), QStringLiteral("already paused"));
    // Paused, next still turns the page, and the show stays paused on it.
    mark = show.process.log().size();
    QCOMPARE(command({QStringLiteral("next")}).exitCode, 0);
    QVERIFY(show.pageComplete(QStringLiteral("/two"), mark));
    QCOMPARE(status().value("state"), QStringLiteral("paused"));

    const int before = show.server.requestCount(QStringLiteral("/two"));
    mark = show.process.log().size();
    QCOMPARE(command({QStringLiteral("reload")}).exitCode, 0);
    QVERIFY(show.pageComplete(QStringLiteral("/two"), mark));
    QVERIFY(show.server.requestCount(QStringLiteral("/two")) > before);

    QCOMPARE(command({QStringLiteral("play")}).exitCode, 0);
    QCOMPARE(status().value("state"), QStringLiteral("playing"));

    // Another document, named relative to where gpane runs.
    const QString other = show.writeDocument(QStringLiteral("other.gpn"), {"/other"}, 600);
    mark = show.process.log().size();
    QCOMPARE(command({QStringLiteral("open"), QStringLiteral("other.gpn")}).exitCode, 0);
    QVERIFY(show.pageComplete(QStringLiteral("/other"), mark));
    s = status();
    QCOMPARE(s.value("document"), other);
    QCOMPARE(s.value("page"), QStringLiteral("1 of 1"));

    // What cannot be done says why, and changes nothing.
    const GpaneRunner::Run missing = command({QStringLiteral("open"), QStringLiteral("gone.gpn")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY2(missing.err.contains(QLatin1String("does not exist")), qPrintable(missing.err));
    QCOMPARE(command({QStringLiteral("next"), QStringLiteral("2")}).exitCode, 2);
    QCOMPARE(status().value("document"), other);
    // A web page or an error of the server is no document: refused with the reason, nothing
    // written (no local copy, no backup), the show stays on its document.
    HttpTestServer::Route gone;
    gone.status = 404;
    gone.body = "[Gpane]\r\n";
    show.server.setRoute(QStringLiteral("/gone.gpn"), gone);
    const QStringList refusedTargets = {show.server.url(QStringLiteral("/one")),
                                        show.server.url(QStringLiteral("/gone.gpn"))};
    for (const QString& target : refusedTargets) {
        const GpaneRunner::Run refused = command({QStringLiteral("open"), target});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(QLatin1String("is a web page, not a document")) ||
                     refused.err.contains(QLatin1String("HTTP status 404")),
                 qPrintable(refused.err));
    }
    QCOMPARE(status().value("document"), other);
    QCOMPARE(QDir(home + QStringLiteral("/Documents")).entryList(QDir::Files), QStringList());

    // A second start with a document hands it over and ends; the running copy plays it.
    const QString third = show.writeDocument(QStringLiteral("third.gpn"), {"/third"}, 600);
    mark = show.process.log().size();
    QProcess second;
    second.setProcessEnvironment(show.process.environment());
    second.setWorkingDirectory(home);
    second.start(KioskProcess::program(), {QStringLiteral("third.gpn")});
    QVERIFY(second.waitForFinished(KioskProcess::Wait));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(show.pageComplete(QStringLiteral("/third"), mark));
    QCOMPARE(status().value("document"), third);
    QVERIFY(show.process.running());

    QVERIFY(show.process.stop() >= 0);
    const GpaneRunner::Run after = gpane.run({QStringLiteral("status")}, home);
    QCOMPARE(after.exitCode, 3);
    QCOMPARE(after.err.trimmed(), QStringLiteral("gpane: no show runs"));
}

QTEST_GUILESS_MAIN(ControlTest)
#include "control_test.moc"
