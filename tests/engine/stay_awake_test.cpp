// The display kept awake in step with the show: while it plays or is paused, in navigation mode
// only until the screen-save delay has passed, never as the screen saver or a configuration
// run, and no longer once the program ends.

#include "engine/stay_awake.h"
#include "support/engine_rig.h"
#include "support/fake_display_power.h"

#include <QTest>

using namespace glasspane;

namespace {

// An engine rig whose every tick is followed by the stay-awake update, as the main window's
// timer does it.
struct AwakeRig
{
    EngineRig rig;
    FakeDisplayPower power;
    std::unique_ptr<StayAwake> awake;

    explicit AwakeRig(bool saverRun = false, bool saverRestart = true)
    {
        rig.setPages({{"http://a/", 10}, {"http://b/", 10}});
        rig.options.ScreenSaveTimeOut = 60;
        rig.options.SaverRestart = saverRestart;
        awake = std::make_unique<StayAwake>(power, rig.clock, saverRun);
    }
    void start(const QString& commandLine = QString())
    {
        awake->update(nullptr); // before the main window has loaded the engine
        rig.start(commandLine);
    }
    void runSeconds(double seconds)
    {
        for (int i = 0; i < int(seconds * 5 + 0.5); ++i) {
            rig.tick();
            awake->update(rig.engine.get());
        }
    }
};

} // namespace

class StayAwakeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playingAndPausedShowStaysAwake();
    void navigationReleasesAfterTheDelay();
    void showTakingOverAgainNeverLetsGo();
    void neverAsScreenSaverOrConfiguration_data();
    void neverAsScreenSaverOrConfiguration();
    void releasedWhenTheProgramEnds();
};

void StayAwakeTest::playingAndPausedShowStaysAwake()
{
    AwakeRig a(false, /*saverRestart=*/false);
    a.start();
    QVERIFY(a.power.changes().isEmpty());
    a.runSeconds(30);
    QVERIFY(a.power.isKeptAwake());
    a.rig.engine->PauseAction();
    a.runSeconds(3600 * 5); // paused for good: the page still shows
    QCOMPARE(a.rig.state(), RunState::WAITSAVER);
    QCOMPARE(a.power.changes(), QList<bool>{true});
}

void StayAwakeTest::navigationReleasesAfterTheDelay()
{
    AwakeRig a(false, /*saverRestart=*/false);
    a.start();
    a.runSeconds(1);
    a.rig.engine->EnterNavigationMode();
    a.runSeconds(59);
    QVERIFY(a.power.isKeptAwake());
    // A visitor still browsing keeps it awake...
    a.rig.engine->NoteActivity();
    a.runSeconds(59);
    QVERIFY(a.power.isKeptAwake());
    // ...a whole delay without anyone lets the desktop blank the screen.
    a.runSeconds(2);
    QVERIFY(!a.power.isKeptAwake());
    a.runSeconds(600);
    QVERIFY(!a.power.isKeptAwake());
    // Someone comes back and browses on, or plays the show again.
    a.rig.engine->NoteActivity();
    a.runSeconds(1);
    QVERIFY(a.power.isKeptAwake());
    a.runSeconds(61);
    a.rig.engine->PlayAction();
    a.runSeconds(1);
    QCOMPARE(a.power.changes(), (QList<bool>{true, false, true, false, true}));
    QCOMPARE(a.rig.engine->state().NavigationMode, false);
}

void StayAwakeTest::showTakingOverAgainNeverLetsGo()
{
    AwakeRig a;
    a.start();
    a.runSeconds(1);
    a.rig.engine->EnterNavigationMode();
    a.runSeconds(120); // the show takes over at the end of the delay, on the same tick
    QVERIFY(!a.rig.engine->state().NavigationMode);
    QCOMPARE(a.power.changes(), QList<bool>{true});
}

void StayAwakeTest::neverAsScreenSaverOrConfiguration_data()
{
    QTest::addColumn<bool>("saverRun");
    QTest::addColumn<QString>("commandLine");
    QTest::newRow("/S") << true << "/S";
    QTest::newRow("/C") << false << "/C";
    QTest::newRow("CONFIG") << false << "config";
}

void StayAwakeTest::neverAsScreenSaverOrConfiguration()
{
    QFETCH(bool, saverRun);
    QFETCH(QString, commandLine);
    AwakeRig a(saverRun);
    a.start(commandLine);
    a.runSeconds(30);
    a.rig.engine->EnterNavigationMode();
    a.runSeconds(10);
    QVERIFY(a.power.changes().isEmpty());
}

void StayAwakeTest::releasedWhenTheProgramEnds()
{
    AwakeRig a;
    a.start();
    a.runSeconds(1);
    a.rig.engine->QuitAction();
    a.runSeconds(1);
    QCOMPARE(a.power.changes(), (QList<bool>{true, false}));

    // The end of the program releases it whatever the show was doing, and for good.
    AwakeRig b;
    b.start();
    b.runSeconds(1);
    b.awake->release();
    b.runSeconds(1);
    QCOMPARE(b.power.changes(), (QList<bool>{true, false}));
    b.awake.reset();
    QCOMPARE(b.power.changes(), (QList<bool>{true, false}));
}

QTEST_GUILESS_MAIN(StayAwakeTest)
#include "stay_awake_test.moc"
