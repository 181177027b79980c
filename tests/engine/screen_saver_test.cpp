// The system's screen-saver values: what the program reads from them and writes into them.

#include "engine/engine_settings.h"
#include "engine/screen_saver.h"
#include "support/engine_rig.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace glasspane;

namespace {
const QString kDesktop = QString::fromLatin1(kDesktopKey);
}

class ScreenSaverTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readState_data();
    void readState();
    void registerWhenSystemSaver();
    void registerWithoutTheMachineFolder();
    void registerDoesNothingOtherwise();
    void desktopThatRefusesIsReported();
};

void ScreenSaverTest::readState_data()
{
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("hack"); // what the desktop's screen saver shows
    QTest::addColumn<QString>("timeOut");
    QTest::addColumn<QString>("usePassword");
    QTest::addColumn<QString>("minTime");
    QTest::addColumn<bool>("saverSwitch");
    QTest::addColumn<bool>("isSystemSaver");
    QTest::addColumn<bool>("saverRestart");
    QTest::addColumn<int>("expectedTimeOut");
    QTest::addColumn<int>("expectedUsePassword");
    QTest::addColumn<int>("expectedMinTime");

    QTest::newRow("nothing stored") << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "" << false //
                                    << false << true << 300 << 0 << 2;
    QTest::newRow("this program") << "1"
                                  << "/opt/kiosk/glasspane"
                                  << "600"
                                  << "0"
                                  << "5" << false << true << true << 600 << 0 << 5;
    QTest::newRow("written on Windows") << "1"
                                        << "C:\\Kiosk\\GlassPane.scr"
                                        << ""
                                        << ""
                                        << "" << false << true << true << 300 << 0 << 2;
    QTest::newRow("short name is another name") << "1"
                                                << "C:\\WINDOWS\\GLASSP~1.SCR"
                                                << ""
                                                << ""
                                                << "" << false << false << true << 300 << 0 << 2;
    QTest::newRow("another saver") << "1"
                                   << "/usr/lib/xscreensaver/maze"
                                   << ""
                                   << ""
                                   << "" << false << false << true << 300 << 0 << 2;
    // The desktop's choice stands whatever the values say: no restart, but still the saver.
    QTest::newRow("inactive") << "0"
                              << "/opt/kiosk/glasspane"
                              << ""
                              << ""
                              << "" << false << true << false << 300 << 0 << 2;
    QTest::newRow("inactive, /S") << "0"
                                  << ""
                                  << ""
                                  << ""
                                  << "" << true << false << true << 300 << 0 << 2;
    QTest::newRow("corrections") << "yes"
                                 << ""
                                 << "-5"
                                 << " 1x"
                                 << "0" << false << false << true << 300 << 1 << 2;
    QTest::newRow("password not a number") << ""
                                           << ""
                                           << "abc"
                                           << "abc"
                                           << "-1" << false << false << true << 300 << 0 << 2;
}

void ScreenSaverTest::readState()
{
    QFETCH(QString, active);
    QFETCH(QString, hack);
    QFETCH(QString, timeOut);
    QFETCH(QString, usePassword);
    QFETCH(QString, minTime);
    QFETCH(bool, saverSwitch);

    EngineRig rig;
    const auto put = [&](const char* name, const QString& value) {
        if (!value.isEmpty())
            rig.registry.setString(RegRoot::CurrentUser, kDesktop, name, value);
    };
    put("ScreenSaveActive", active);
    if (!hack.isEmpty())
        QVERIFY(rig.shell.setScreenSaver(hack));
    // What was last written for Windows' sake is not the desktop's choice.
    put("SCRNSAVE.EXE", QStringLiteral("/usr/bin/glasspane"));
    put("ScreenSaveTimeOut", timeOut);
    put("ScreenSaveUsePassword", usePassword);
    if (!minTime.isEmpty()) // a value the program only reads
        rig.registry.setString(RegRoot::CurrentUser, rig.settings.userPath(), "ScreenSaveMinTime",
                               minTime);

    const SaverState state = ReadSaverState(rig.settings, rig.shell, rig.program, saverSwitch);
    QTEST(state.IsSystemSaver, "isSystemSaver");
    QTEST(state.SaverRestart, "saverRestart");
    QTEST(state.ScreenSaveTimeOut, "expectedTimeOut");
    QTEST(state.UsePassword, "expectedUsePassword");
    QTEST(state.ScreenSaveMinTime, "expectedMinTime");

    // The engine takes its time-outs from here; MaxTime defaults to the time-out.
    const EngineSettings options = ReadEngineSettings(rig.settings, state);
    QCOMPARE(options.MaxTime, state.ScreenSaveTimeOut);
    QCOMPARE(options.SaverRestart, state.SaverRestart);
}

void ScreenSaverTest::registerWhenSystemSaver()
{
    EngineRig rig;
    rig.system.setMachineFolder(rig.dir.path() + QStringLiteral("/machine/"));
    QVERIFY(QDir().mkpath(rig.system.machineFolder()));
    SaverState state;
    state.IsSystemSaver = true;
    state.ScreenSaveTimeOut = 420;
    QVERIFY(RegisterSystemSaver(state, rig.ini, rig.settings.registryLayer(), rig.system, rig.shell,
                                rig.program));
    const QString systemIni = rig.dir.path() + QStringLiteral("/machine/SYSTEM.INI");
    QCOMPARE(rig.ini.ReadIni("boot", "SCRNSAVE.EXE", systemIni), rig.program.programPath);
    QCOMPARE(rig.registry.string(RegRoot::CurrentUser, kDesktop, "ScreenSaveActive"), "1");
    QCOMPARE(rig.registry.string(RegRoot::CurrentUser, kDesktop, "SCRNSAVE.EXE"),
             rig.program.programPath);
    QCOMPARE(rig.registry.string(RegRoot::CurrentUser, kDesktop, "ScreenSaveTimeOut"), "420");
    QCOMPARE(rig.shell.screenSaverProgram(), rig.program.programPath);

    // What was written reads back as this program being the screen saver.
    QVERIFY(ReadSaverState(rig.settings, rig.shell, rig.program, false).IsSystemSaver);
}

// An ordinary user cannot write the machine folder: the choice is the user's own all the same,
// and nothing of the machine folder is needed for it.
void ScreenSaverTest::registerWithoutTheMachineFolder()
{
    EngineRig rig;
    QVERIFY(writeFileBytes(rig.dir.filePath(QStringLiteral("not-a-folder")), "x"));
    rig.system.setMachineFolder(rig.dir.filePath(QStringLiteral("not-a-folder/machine/")));
    SaverState state;
    state.IsSystemSaver = true;
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    QVERIFY(RegisterSystemSaver(state, rig.ini, rig.settings.registryLayer(), rig.system, rig.shell,
                                rig.program));
    QCOMPARE(rig.registry.string(RegRoot::CurrentUser, kDesktop, "SCRNSAVE.EXE"),
             rig.program.programPath);
    QCOMPARE(rig.shell.screenSaverProgram(), rig.program.programPath);
    QVERIFY(ReadSaverState(rig.settings, rig.shell, rig.program, false).IsSystemSaver);
}

void ScreenSaverTest::registerDoesNothingOtherwise()
{
    EngineRig rig;
    rig.system.setMachineFolder(rig.dir.path() + QStringLiteral("/machine/"));
    rig.registry.setString(RegRoot::CurrentUser, kDesktop, "SCRNSAVE.EXE", "/usr/bin/other");
    const int writes = rig.registry.writeCount();
    SaverState state = ReadSaverState(rig.settings, rig.shell, rig.program, false);
    QVERIFY(!state.IsSystemSaver);
    QVERIFY(RegisterSystemSaver(state, rig.ini, rig.settings.registryLayer(), rig.system, rig.shell,
                                rig.program));
    QCOMPARE(rig.registry.writeCount(), writes);
    QVERIFY(!QFile::exists(rig.dir.path() + QStringLiteral("/machine/SYSTEM.INI")));
    QCOMPARE(rig.registry.string(RegRoot::CurrentUser, kDesktop, "SCRNSAVE.EXE"), "/usr/bin/other");
    QVERIFY(rig.shell.screenSaverProgram().isEmpty());
}

void ScreenSaverTest::desktopThatRefusesIsReported()
{
    EngineRig rig;
    rig.system.setMachineFolder(rig.dir.path() + QStringLiteral("/machine/"));
    QVERIFY(QDir().mkpath(rig.system.machineFolder()));
    rig.shell.setChoicesWritable(false);
    SaverState state;
    state.IsSystemSaver = true;
    QVERIFY(!RegisterSystemSaver(state, rig.ini, rig.settings.registryLayer(), rig.system,
                                 rig.shell, rig.program));
    // The values are written all the same, and say nothing about the desktop's choice.
    QCOMPARE(rig.registry.string(RegRoot::CurrentUser, kDesktop, "SCRNSAVE.EXE"),
             rig.program.programPath);
    QVERIFY(!ReadSaverState(rig.settings, rig.shell, rig.program, false).IsSystemSaver);
}

QTEST_GUILESS_MAIN(ScreenSaverTest)
#include "screen_saver_test.moc"
