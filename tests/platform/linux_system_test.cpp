#include "platform/linux/linux_system.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace glasspane;

class LinuxSystemTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folders();
    void fileCreationMask_data();
    void fileCreationMask();
    void rebootRunsTheCommandNeverDBus();
    void startAndTerminate();
    void terminateKillsWhatIgnoresSigterm();
    void terminateNeverHitsGroupsOrItself();
};

void LinuxSystemTest::folders()
{
    LinuxSystem system;
    QCOMPARE(system.platform(), PlatformFamily::NtFamily);
    QCOMPARE(system.executablePath(), QCoreApplication::applicationFilePath());
    QCOMPARE(system.currentFolder(), QDir::currentPath());

    const QByteArray saved = qgetenv("GLASSPANE_MACHINE_DIR");
    qputenv("GLASSPANE_MACHINE_DIR", "/srv/kiosk/machine");
    QCOMPARE(system.machineFolder(), QStringLiteral("/srv/kiosk/machine/"));
    qputenv("GLASSPANE_MACHINE_DIR", "/srv/kiosk/machine/");
    QCOMPARE(system.machineFolder(), QStringLiteral("/srv/kiosk/machine/"));
    qunsetenv("GLASSPANE_MACHINE_DIR");
    QCOMPARE(system.machineFolder(), QStringLiteral("/etc/glasspane/"));
    qputenv("GLASSPANE_MACHINE_DIR", saved);
}

// Group and world write are always taken away; a stricter mask stays as it is.
void LinuxSystemTest::fileCreationMask_data()
{
    QTest::addColumn<int>("session");
    QTest::addColumn<int>("expected");
    QTest::newRow("open") << 0000 << 0022;
    QTest::newRow("group write") << 0002 << 0022;
    QTest::newRow("private") << 0077 << 0077;
    QTest::newRow("group read only") << 0027 << 0027;
}

void LinuxSystemTest::fileCreationMask()
{
    QFETCH(int, session);
    QFETCH(int, expected);
    const mode_t saved = ::umask(mode_t(session));
    RestrictFileCreationMask();
    const mode_t now = ::umask(saved);
    QCOMPARE(int(now), expected);
}

void LinuxSystemTest::rebootRunsTheCommandNeverDBus()
{
    QTemporaryDir dir;
    // A stand-in for the system bus: any attempt to reach logind would connect here.
    QLocalServer bus;
    QVERIFY(bus.listen(dir.path() + "/system_bus_socket"));
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", QFile::encodeName("unix:path=" + bus.fullServerName()));

    const QString script = dir.path() + "/reboot now.sh";
    QFile f(script);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\necho \"force=$GLASSPANE_REBOOT_FORCE $*\" >> \"$1\"\n");
    f.close();
    QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString marker = dir.path() + "/marker file";

    const QByteArray saved = qgetenv("GLASSPANE_REBOOT_COMMAND");
    qputenv("GLASSPANE_REBOOT_COMMAND",
            QFile::encodeName("\"" + script + "\" \"" + marker + "\" --now"));
    LinuxSystem system;
    QVERIFY(system.reboot(false));
    QVERIFY(system.reboot(true));
    QFile m(marker);
    QVERIFY(m.open(QIODevice::ReadOnly));
    QCOMPARE(m.readAll(),
             QFile::encodeName("force=0 " + marker + " --now\nforce=1 " + marker + " --now\n"));

    qputenv("GLASSPANE_REBOOT_COMMAND", "false");
    QVERIFY(!system.reboot(true));
    qputenv("GLASSPANE_REBOOT_COMMAND", QFile::encodeName(dir.path() + "/no such program"));
    QVERIFY(!system.reboot(false));

    QCoreApplication::processEvents();
    QVERIFY(!bus.hasPendingConnections());
    qputenv("GLASSPANE_REBOOT_COMMAND", saved);
}

void LinuxSystemTest::startAndTerminate()
{
    LinuxSystem system;
    const qint64 pid = system.startProcess("sleep", {"60"});
    QVERIFY(pid > 0);
    QVERIFY(system.processRunning(pid));
    system.terminateProcess(pid);
    QTRY_VERIFY(!system.processRunning(pid));
    // Ending a process that is gone already is harmless.
    system.terminateProcess(pid);
    QCOMPARE(system.startProcess("/no/such/program", {}), qint64(0));
}

void LinuxSystemTest::terminateKillsWhatIgnoresSigterm()
{
    LinuxSystem system;
    // An ignored signal stays ignored across exec: this sleep shrugs off SIGTERM.
    const qint64 pid = system.startProcess("sh", {"-c", "trap '' TERM; exec sleep 60"});
    QVERIFY(pid > 0);
    QTRY_COMPARE(QFile(QStringLiteral("/proc/%1/comm").arg(pid)).open(QIODevice::ReadOnly), true);
    auto comm = [pid] {
        QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
    };
    QTRY_COMPARE(comm(), QByteArray("sleep"));
    system.terminateProcess(pid);
    QTRY_VERIFY(!system.processRunning(pid));
}

void LinuxSystemTest::terminateNeverHitsGroupsOrItself()
{
    LinuxSystem system;
    system.terminateProcess(0); // would signal our whole process group
    system.terminateProcess(::getpid());
    QVERIFY(!system.processRunning(0));
    QVERIFY(!system.processRunning(-5));
    QVERIFY(system.processRunning(::getpid()));
}

QTEST_GUILESS_MAIN(LinuxSystemTest)
#include "linux_system_test.moc"
