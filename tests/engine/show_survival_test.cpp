// What keeps the show going whatever a page or a visitor leaves behind: the dialogs closed when
// the show takes over or nobody uses them, a page's time counted from its own load, and the
// show's health as the status reports it (last completion, stalled).

#include "support/engine_rig.h"

#include <QTest>

using namespace glasspane;

class ShowSurvivalTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialogsClosed_data();
    void dialogsClosed();
    void pageTimeStartsWithItsLoad();
    void stalled();
};

void ShowSurvivalTest::dialogsClosed_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("someoneThere");     // the mouse moves now and then
    QTest::addColumn<QString>("closedBecause"); // "" : never closed
    QTest::addColumn<RunState>("stateAfter");

    QTest::newRow("visitor walks away")
        << "browsing"
        << "" << false << "the show takes over" << RunState::WAITTIME;
    QTest::newRow("visitor presses Play")
        << "play"
        << "" << false << "the show takes over" << RunState::WAITTIME;
    QTest::newRow("configuration left alone")
        << "configuration"
        << "" << false << "nobody used it for 30 s" << RunState::WAITTIME;
    QTest::newRow("password prompt left alone")
        << "password"
        << "" << false << "nobody used it for 30 s" << RunState::WAITTIME;
    QTest::newRow("someone at the configuration") << "configuration"
                                                  << "" << true << "" << RunState::WAITCONFIG;
    QTest::newRow("configuration run") << "configuration"
                                       << "/c" << false << "" << RunState::WAITCONFIG;
}

void ShowSurvivalTest::dialogsClosed()
{
    QFETCH(QString, situation);
    QFETCH(QString, commandLine);
    QFETCH(bool, someoneThere);
    QFETCH(QString, closedBecause);

    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}});
    rig.options.ScreenSaveTimeOut = 30;
    rig.options.OnMouseMove = MouseMoveAction::NavigationMode;
    rig.browser.autoComplete = true;
    // The configuration dialog reports its closing as a Cancel does.
    rig.frontend.onCloseDialogs = [&] {
        if (rig.state() == RunState::WAITCONFIG) {
            rig.engine->ConfigCancelled();
            rig.engine->ConfigClosed();
        }
    };
    if (situation == u"password") {
        rig.lock.storedPassword = QStringLiteral("h*k");
        // The modal prompt: the timer ticks on until the dialog is closed from outside.
        rig.frontend.whilePasswordOpen = [&] {
            for (int i = 0; i < 5 * 120 && rig.frontend.dialogsClosed.isEmpty(); ++i)
                rig.tick();
        };
    }
    rig.start(commandLine);
    rig.runSeconds(3);
    if (situation == u"browsing" || situation == u"play") {
        rig.desktop.moveCursor(QPoint(5, 5));
        rig.tick();
        QVERIFY(rig.engine->state().NavigationMode);
        QVERIFY(!rig.browser.Silent());
        if (situation == u"play")
            rig.engine->PlayAction();
    } else if (commandLine.isEmpty()) {
        rig.engine->ConfigAction();
    }
    for (int second = 0; second < 120; ++second) {
        if (someoneThere && second % 10 == 0)
            rig.desktop.moveCursor(QPoint(second, 1));
        rig.runSeconds(1);
    }
    if (closedBecause.isEmpty()) {
        QCOMPARE(rig.frontend.dialogsClosed, QStringList());
    } else {
        // Once, not at every tick.
        QCOMPARE(rig.frontend.dialogsClosed, QStringList{closedBecause});
        QVERIFY(!rig.engine->state().NavigationMode);
        // The show's pages ask nobody anything.
        QVERIFY(rig.browser.Silent());
    }
    QTEST(rig.state(), "stateAfter");
}

void ShowSurvivalTest::pageTimeStartsWithItsLoad()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}, {"http://c/", 10}});
    rig.options.MaxTime = 15;
    rig.start();
    rig.tick(2);
    QCOMPARE(rig.page(), 1);
    // The page it leaves takes 8 s to let go; then its load begins and completes at once.
    rig.runSeconds(8);
    rig.engine->PageLoadStarted(QStringLiteral("http://a/"));
    rig.browser.completeLoad();
    rig.runSeconds(9);
    QCOMPARE(rig.page(), 1);
    rig.runSeconds(1.4);
    QCOMPARE(rig.page(), 2);
    // A load that begins late and never completes has MaxTime from its beginning.
    rig.tick();
    rig.runSeconds(5);
    rig.engine->PageLoadStarted(QStringLiteral("http://b/"));
    rig.runSeconds(14.6);
    QCOMPARE(rig.page(), 2);
    rig.runSeconds(0.8);
    QCOMPARE(rig.page(), 3);
    // The start of another address's load changes nothing.
    rig.tick();
    const EngineTime start = rig.engine->displaySlot().StartTime;
    rig.runSeconds(2);
    rig.engine->PageLoadStarted(QStringLiteral("http://elsewhere/"));
    QCOMPARE(rig.engine->displaySlot().StartTime, start);
}

void ShowSurvivalTest::stalled()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 20}});
    rig.options.MaxTime = 30;
    Engine& e = rig.start();
    rig.tick(2);
    QVERIFY(!e.Stalled());
    QCOMPARE(e.LongestPageTime(), 20);
    // No page completes: stalled once the longest page time and MaxTime have passed.
    rig.runSeconds(49);
    QVERIFY(!e.Stalled());
    rig.runSeconds(2);
    QVERIFY(e.Stalled());
    QCOMPARE(e.health().lastCompleted, 0);
    // A page completes: no longer, and the time is kept.
    rig.browser.completeLoad();
    QVERIFY(!e.Stalled());
    QCOMPARE(e.health().lastCompleted, rig.clock.now().toMSecsSinceEpoch());
    // Paused, the show waits by choice; taken back, it counts from then.
    e.PauseAction();
    rig.runSeconds(120);
    QVERIFY(!e.Stalled());
    e.PlayAction();
    rig.tick(2);
    rig.runSeconds(40);
    QVERIFY(!e.Stalled());

    // A page that stays for good once complete is no stall.
    EngineRig still;
    still.setPages({{"http://a/", 0}});
    still.start();
    still.tick(2);
    still.browser.completeLoad();
    still.runSeconds(600);
    QVERIFY(!still.engine->Stalled());
}

QTEST_MAIN(ShowSurvivalTest)
#include "show_survival_test.moc"
