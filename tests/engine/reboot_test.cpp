// The daily reboot and the automatic logon written before it.

#include "engine/engine_settings.h"
#include "engine/reboot.h"
#include "engine/screen_saver.h"
#include "support/engine_rig.h"

#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <ctime>

using namespace glasspane;

namespace {

// Where Windows kept its automatic-logon values.
const QString kWinlogon =
    QStringLiteral("Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon");

QDateTime at(int day, int hour, int minute)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute));
}

} // namespace

class RebootTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rebootAt_data();
    void rebootAt();
    void rebootAtAcrossClockChange_data();
    void rebootAtAcrossClockChange();
    void rebootOnlyWhileWaitingForTime();
    void rebootOff();
    void automaticLoginBeforeTheReboot_data();
    void automaticLoginBeforeTheReboot();
};

void RebootTest::rebootAt_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");

    QTest::newRow("hour alone") << at(4, 0, 30) << "3" << at(4, 3, 0);
    QTest::newRow("25:70") << at(4, 0, 30) << "25:70" << at(4, 1, 10);
    QTest::newRow("empty is midnight, tomorrow") << at(4, 0, 30) << "" << at(5, 0, 0);
    QTest::newRow("unreadable is midnight") << at(4, 10, 0) << "ab:cd" << at(5, 0, 0);
    QTest::newRow("past today: tomorrow") << at(4, 10, 0) << "09:30" << at(5, 9, 30);
    QTest::newRow("later today") << at(4, 9, 0) << "09:30" << at(4, 9, 30);
    QTest::newRow("exactly now: today") << at(4, 9, 30) << "9:30" << at(4, 9, 30);
    QTest::newRow("negative hour") << at(4, 10, 0) << "-3" << at(4, 21, 0);
    QTest::newRow("blanks") << at(4, 10, 0) << " 23 : 5 " << at(4, 23, 5);
    QTest::newRow("end of month") << at(31, 23, 0) << "1:00"
                                  << QDateTime(QDate(2024, 4, 1), QTime(1, 0));
}

void RebootTest::rebootAt()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    QCOMPARE(ComputeRebootAt(text, now), expected);
}

void RebootTest::rebootAtAcrossClockChange_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("nowUtcMs");
    QTest::addColumn<qint64>("expectedUtcMs");
    // Around the changes to and from summer time of 2024: a skipped time is the first moment
    // after the skipped hour, a repeated time its first occurrence.
    QTest::newRow("Paris, skipped hour, worked out the day before: 03:00")
        << QByteArray("Europe/Paris") << "2:30" << qint64(1711789200000) << qint64(1711846800000);
    QTest::newRow("Paris, skipped hour, worked out that night: 03:00")
        << QByteArray("Europe/Paris") << "2:30" << qint64(1711843200000) << qint64(1711846800000);
    QTest::newRow("Paris, repeated hour: the first 02:30")
        << QByteArray("Europe/Paris") << "2:30" << qint64(1729929600000) << qint64(1729989000000);
    QTest::newRow("Paris, repeated hour, restarted after the reboot: tomorrow")
        << QByteArray("Europe/Paris") << "2:30" << qint64(1729989120000) << qint64(1730079000000);
    // Half an hour skipped and repeated.
    QTest::newRow("Lord Howe, skipped half hour: 02:30")
        << QByteArray("Australia/Lord_Howe") << "2:10" << qint64(1728091800000)
        << qint64(1728142200000);
    QTest::newRow("Lord Howe, repeated half hour: the first 01:45")
        << QByteArray("Australia/Lord_Howe") << "1:45" << qint64(1712365200000)
        << qint64(1712414700000);
    // Midnight skipped: the day begins at 01:00.
    QTest::newRow("Santiago, skipped midnight: 01:00")
        << QByteArray("America/Santiago") << "0:15" << qint64(1725753600000)
        << qint64(1725768000000);
}

void RebootTest::rebootAtAcrossClockChange()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, text);
    QFETCH(qint64, nowUtcMs);
    QFETCH(qint64, expectedUtcMs);
    if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/") + QString::fromLatin1(zone)))
        QSKIP("no time-zone data");
    const QByteArray oldTz = qgetenv("TZ");
    const bool hadTz = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", zone);
    tzset();
    auto restore = qScopeGuard([&] {
        if (hadTz)
            qputenv("TZ", oldTz);
        else
            qunsetenv("TZ");
        tzset();
    });

    const QDateTime rebootAt = ComputeRebootAt(text, QDateTime::fromMSecsSinceEpoch(nowUtcMs));
    QVERIFY(rebootAt.isValid());
    QCOMPARE(rebootAt.toMSecsSinceEpoch(), expectedUtcMs);
}

void RebootTest::rebootOnlyWhileWaitingForTime()
{
    EngineRig rig;
    rig.clock.set(at(4, 9, 0));
    rig.setPages({{"http://a/", 10}});
    rig.options.AutoReboot = true;
    rig.options.ForceReboot = true;
    rig.options.RebootTime = QStringLiteral("9:05");
    rig.options.ScreenSaveTimeOut = 3600; // the pause outlasts the reboot time
    rig.browser.autoComplete = true;
    Engine& e = rig.start();
    QCOMPARE(e.RebootAt(), at(4, 9, 5));

    rig.tick(2);
    e.PauseAction();
    rig.runSeconds(6 * 60); // paused past the time
    QVERIFY(e.RebootDue());
    QVERIFY(rig.system.reboots().isEmpty());
    e.ConfigAction();
    rig.runSeconds(60); // the configuration dialog is open
    QVERIFY(rig.system.reboots().isEmpty());
    e.ConfigClosed();
    e.EnterNavigationMode();
    rig.runSeconds(60);
    QVERIFY(rig.system.reboots().isEmpty());

    // The first WAITTIME step after the time reboots.
    e.PlayAction();
    rig.tick(2); // INIT, NAVIGATE
    QVERIFY(rig.system.reboots().isEmpty());
    rig.tick(); // WAITTIME
    QCOMPARE(rig.system.reboots(), QList<bool>{true});
    QCOMPARE(rig.browser.stopCalls, 1);
    QCOMPARE(rig.state(), RunState::FINPROG);
    rig.tick();
    QCOMPARE(rig.frontend.processEnds, 1);
    // No logon values without AutoLogin.
    QVERIFY(rig.registry.valueNames(RegRoot::LocalMachine, kWinlogon).isEmpty());
    QVERIFY(rig.system.automaticLogins().isEmpty());
}

void RebootTest::rebootOff()
{
    EngineRig rig;
    rig.clock.set(at(4, 9, 0));
    rig.setPages({{"http://a/", 10}});
    rig.options.RebootTime = QStringLiteral("9:01");
    rig.browser.autoComplete = true;
    rig.start();
    rig.runSeconds(300);
    QVERIFY(rig.system.reboots().isEmpty());
    QCOMPARE(rig.frontend.processEnds, 0);
}

void RebootTest::automaticLoginBeforeTheReboot_data()
{
    QTest::addColumn<bool>("autoLogin");
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("problem"); // what stops the display manager's login being set
    QTest::addColumn<QStringList>("logins");
    QTest::newRow("off") << false << "kiosk"
                         << "" << QStringList();
    QTest::newRow("on") << true << "kiosk"
                        << "" << QStringList{"kiosk"};
    QTest::newRow("no name: the user who runs the show") << true << "  "
                                                         << "" << QStringList{""};
    QTest::newRow("not allowed to write")
        << true << "kiosk"
        << "cannot write /etc/lightdm/lightdm.conf.d: Permission denied" << QStringList{"kiosk"};
}

// The display manager logs the account in after the restart, without a password: the one
// stored by an earlier version is neither read nor copied anywhere, and a login that cannot
// be set up never stops the reboot.
void RebootTest::automaticLoginBeforeTheReboot()
{
    QFETCH(bool, autoLogin);
    QFETCH(QString, login);
    QFETCH(QString, problem);

    EngineRig rig;
    rig.registry.setString(RegRoot::LocalMachine, kWinlogon, "DefaultPassword", "old");
    QVERIFY(rig.settings.write(keys::AutoLogin, autoLogin));
    QVERIFY(rig.settings.write(keys::NTLogin, login));
    QVERIFY(rig.settings.write(keys::NTPassword, QStringLiteral("s3cret")));
    rig.system.setAutomaticLoginProblem(problem);
    rig.clock.set(at(4, 9, 0));
    rig.setPages({{"http://a/", 10}});
    rig.options = ReadEngineSettings(rig.settings, SaverState());
    rig.options.AutoReboot = true;
    rig.options.RebootTime = QStringLiteral("8:59"); // tomorrow
    rig.browser.autoComplete = true;
    rig.start();
    rig.tick(2);
    const int writes = rig.registry.writeCount();
    rig.clock.set(at(5, 8, 59).addSecs(1));
    if (!problem.isEmpty())
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("automatic login .* could not be set up \\(" +
                                                QRegularExpression::escape(problem) +
                                                "\\); rebooting all the same"));
    rig.tick();
    QTEST(rig.system.automaticLogins(), "logins");
    QCOMPARE(rig.system.reboots(), QList<bool>{false});
    QCOMPARE(rig.state(), RunState::FINPROG);
    QCOMPARE(rig.registry.writeCount(), writes);
    QCOMPARE(rig.registry.valueNames(RegRoot::LocalMachine, kWinlogon),
             QStringList{"DefaultPassword"});
    QCOMPARE(rig.registry.string(RegRoot::LocalMachine, kWinlogon, "DefaultPassword"),
             QStringLiteral("old"));
}

QTEST_GUILESS_MAIN(RebootTest)
#include "reboot_test.moc"
