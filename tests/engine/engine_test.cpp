// The run-state machine over whole timelines: pages, pauses, the mouse and keys, the
// configuration dialog and the end of the program.

#include "support/engine_rig.h"

#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <ctime>

using namespace glasspane;

class EngineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setStateRules();
    void stateChangesAreAnnounced();
    void threePageShowAdvancesOnlyOnceLoaded();
    void pageThatNeverLoadsIsLeftAfterMaxTime();
    void pageIsLeftOnlyOnceOnScreen();
    void pageWithTimeZeroStays();
    void pageThatCannotBeShownIsSkippedAtOnce();
    void failureOfAnotherAddressChangesNothing();
    void loadStoppedByTheEndIsNoFailure();
    void wholeCycleFailingKeepsTheNormalPace();
    void failureWhilePausedOrBrowsingStays();
    void popupsCloseWhenTheShowTakesOver();
    void settingsAppliedAgainKeepADueReboot();
    void endOfNonLoopingListEndsProgram();
    void splashPageShownOnce();
    void configSwitchShowsStartPage();
    void previousAndNextWhilePaused();
    void previousAndNextWhileRunning();
    void pauseAndPlay();
    void mousePolicy_data();
    void mousePolicy();
    void mouseNotWatchedInConfiguration();
    void keys_data();
    void keys();
    void helpKeyEntersNavigationWithHelpPage();
    void navigationRestartsAfterInactivity();
    void noRestartWithoutSaverRestart();
    void playLeavesNavigationMode();
    void configButtonDoesNothingInInit();
    void configWithoutPassword();
    void secondTickDuringPasswordDialog();
    void passwordRefused_data();
    void passwordRefused();
    void configDialogClosedGoesBackToShow();
    void configAcceptedRestartsShow();
    void closeRefusedKeepsShowGoing();
    void quitWithoutQuitButtonsStillEnds();
    void cursorDisplayCount();
    void toolBarKeptOnTop();
    void highlightFollowsState_data();
    void highlightFollowsState();
    void pageTimeAcrossClockChange_data();
    void pageTimeAcrossClockChange();
    void findBrowserPane_data();
    void findBrowserPane();
    void focusGoesToPaneOnce();
};

void EngineTest::setStateRules()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    Engine& e = rig.start();

    e.SetState(RunState::WAITTIME);
    e.EnterNavigationMode();
    QCOMPARE(rig.state(), RunState::WAITSAVER);
    // A page request while browsing keeps the user browsing.
    e.SetState(RunState::NAVIGATE);
    QCOMPARE(rig.state(), RunState::WAITSAVER);

    e.SetState(RunState::CONFIG);
    e.SetState(RunState::FINPROG);
    QCOMPARE(e.state().PreviousState, RunState::CONFIG);
    // Nothing leaves FINPROG through SetState, whatever is asked.
    for (RunState s : {RunState::INIT, RunState::NAVIGATE, RunState::WAITTIME, RunState::WAITSAVER,
                       RunState::CONFIG, RunState::WAITCONFIG}) {
        e.SetState(s);
        QCOMPARE(rig.state(), RunState::FINPROG);
    }
    // A second FINPROG request does not lose the state to go back to.
    e.SetState(RunState::FINPROG);
    QCOMPARE(e.state().PreviousState, RunState::FINPROG);
    e.RestorePreviousState();
    QCOMPARE(rig.state(), RunState::FINPROG);
}

void EngineTest::stateChangesAreAnnounced()
{
    // The window runs a step at once for each change; a request that changes nothing must not
    // make it spin.
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    Engine& e = rig.start();
    QList<RunState> announced;
    e.setStateChangeListener([&] { announced << e.CurrentState(); });

    e.SetState(RunState::INIT); // already INIT
    QVERIFY(announced.isEmpty());
    rig.tick(); // INIT -> NAVIGATE
    rig.tick(); // NAVIGATE -> WAITTIME
    QCOMPARE(announced, (QList<RunState>{RunState::NAVIGATE, RunState::WAITTIME}));
    rig.tick(3); // waiting is no change
    QCOMPARE(announced.size(), 2);

    e.SetState(RunState::FINPROG);
    e.SetState(RunState::NAVIGATE); // refused in FINPROG
    e.RestorePreviousState();
    QCOMPARE(announced.mid(2), (QList<RunState>{RunState::FINPROG, RunState::WAITTIME}));
}

void EngineTest::threePageShowAdvancesOnlyOnceLoaded()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}, {"http://c/", 10}});
    rig.options.MaxTime = 300;
    rig.start();

    rig.tick(); // INIT
    QCOMPARE(rig.state(), RunState::NAVIGATE);
    rig.tick(); // NAVIGATE shows page 1
    QCOMPARE(rig.state(), RunState::WAITTIME);
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://a/"));

    // Time over but not loaded: the page stays.
    rig.runSeconds(15);
    QCOMPARE(rig.page(), 1);
    QCOMPARE(rig.state(), RunState::WAITTIME);
    // Loaded after its time: never skipped unseen, it stays 2 s once it is on screen.
    QTest::ignoreMessage(QtWarningMsg, "Page 1 of the play list, http://a/ finished loading "
                                       "after its time of 10 s was over (in 15.0 s); it stays "
                                       "on screen for 2 s");
    rig.browser.completeLoad();
    rig.runSeconds(2);
    QCOMPARE(rig.page(), 1);
    rig.tick();
    QCOMPARE(rig.page(), 2);
    QCOMPARE(rig.state(), RunState::NAVIGATE);
    QCOMPARE(rig.settings.read(keys::FirstPage), 2);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));

    // Loaded at once: exactly on time, not before.
    rig.browser.completeLoad();
    rig.runSeconds(9.8);
    QCOMPARE(rig.page(), 2);
    rig.tick(2);
    QCOMPARE(rig.page(), 3);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://c/"));

    // After the last page the list starts over, reloading the document.
    rig.browser.completeLoad();
    rig.runSeconds(10.4);
    QCOMPARE(rig.page(), 1);
    QCOMPARE(rig.reloads, 1);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://a/"));
    QCOMPARE(rig.frontend.processEnds, 0);
}

// A page is left only once it has been on screen: one that loaded in time but paints late
// (a large screen, a loaded machine) stays until it has painted, and a late one 2 s more. The
// wait for its paint is bounded.
void EngineTest::pageIsLeftOnlyOnceOnScreen()
{
    EngineRig rig;
    rig.paintsAtOnce = false;
    rig.setPages({{"http://a/", 6}, {"http://slow/", 6}, {"http://c/", 6}});
    rig.options.MaxTime = 60;
    rig.start();
    rig.tick(2);
    rig.runSeconds(5.8);
    rig.browser.completeLoad();
    rig.runSeconds(1);
    QCOMPARE(rig.page(), 1);
    rig.engine->PageOnScreen();
    rig.tick(2);
    QCOMPARE(rig.page(), 2);

    // Late, and never said to be on screen: left once a paint could not take longer.
    rig.tick();
    rig.runSeconds(10);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Page 2 of the play list, http://slow/ "
                                                          "finished loading after its time of 6 s "
                                                          "was over"));
    rig.browser.completeLoad();
    rig.runSeconds(4.8);
    QCOMPARE(rig.page(), 2);
    rig.tick(2);
    QCOMPARE(rig.page(), 3);
}

void EngineTest::pageThatNeverLoadsIsLeftAfterMaxTime()
{
    EngineRig rig;
    rig.setPages({{"http://slow/", 10}, {"http://b/", 10}});
    rig.options.MaxTime = 60;
    rig.start();
    rig.tick(2);
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://slow/"));

    rig.runSeconds(59.8);
    QCOMPARE(rig.page(), 1);
    QCOMPARE(rig.connectionResets, 0);
    rig.tick(2);
    QCOMPARE(rig.page(), 2);
    // The next connection check asks the system again.
    QCOMPARE(rig.connectionResets, 1);
}

void EngineTest::pageWithTimeZeroStays()
{
    EngineRig rig;
    rig.setPages({{"http://stay/", 0}, {"http://b/", 10}});
    rig.options.MaxTime = 5;
    rig.start();
    rig.tick(2);
    rig.browser.completeLoad();
    rig.runSeconds(3600);
    QCOMPARE(rig.page(), 1);
    QCOMPARE(rig.state(), RunState::WAITTIME);
    QCOMPARE(rig.browser.navigateCalls, 2); // splash and the page, nothing since

    // Only the user moves on.
    rig.engine->NextAction();
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));
}

// The previous page stays on screen (nothing else is navigated), a warning names the entry and
// the reason, and the next tick moves on, long before the page's time or MaxTime.
void EngineTest::pageThatCannotBeShownIsSkippedAtOnce()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://bad/", 30}, {"http://c/", 10}});
    rig.options.MaxTime = 300;
    rig.start();
    rig.tick(2);
    rig.browser.completeLoad();
    rig.runSeconds(10.4);
    QCOMPARE(rig.page(), 2);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://bad/"));
    const int navigations = rig.browser.navigateCalls;

    QTest::ignoreMessage(QtWarningMsg, "Page 2 of the play list, http://bad/ cannot be shown: "
                                       "the server answered HTTP 404; the show moves on");
    rig.browser.failLoad(QStringLiteral("the server answered HTTP 404"));
    QCOMPARE(rig.browser.navigateCalls, navigations);
    rig.tick();
    QCOMPARE(rig.page(), 3);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://c/"));
}

// Only the page the show asked for counts: a visitor's link that fails moves nothing.
void EngineTest::failureOfAnotherAddressChangesNothing()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}});
    rig.start();
    rig.tick(2);
    rig.engine->PageFailed(QStringLiteral("http://elsewhere/"), QStringLiteral("refused"));
    rig.tick(5);
    QCOMPARE(rig.page(), 1);
    // Nor does a failure of the page after it completed.
    rig.browser.completeLoad();
    rig.engine->PageFailed(QStringLiteral("http://a/"), QStringLiteral("stopped"));
    rig.runSeconds(5);
    QCOMPARE(rig.page(), 1);
    rig.runSeconds(5.4);
    QCOMPARE(rig.page(), 2);
}

// The program ending stops the load under way: no warning that the page cannot be shown.
void EngineTest::loadStoppedByTheEndIsNoFailure()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.start();
    rig.tick(2);
    rig.engine->SetState(RunState::FINPROG);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("cannot be shown")));
    rig.engine->PageFailed(QStringLiteral("http://a/"), QStringLiteral("the load stopped"));
}

// A server that is down: one cycle is skipped through at once, then every page keeps its time
// (a page without one, MaxTime), so the pages are asked for at the show's own pace; the first
// page that loads brings the quick skipping back.
void EngineTest::wholeCycleFailingKeepsTheNormalPace()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 20}, {"http://b/", 0}, {"http://c/", 20}});
    rig.options.MaxTime = 60;
    rig.start();
    // The page asked for cannot be had: the server is down.
    auto down = [&rig] {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be shown"));
        rig.browser.failLoad(QStringLiteral("down"));
    };
    rig.tick(2);
    down(); // a
    rig.tick(2);
    down(); // b
    rig.tick(2);
    down(); // c
    rig.tick(2);
    QCOMPARE(rig.page(), 1);
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://a/"));

    // A whole cycle failed: now a keeps its 20 seconds.
    down();
    rig.runSeconds(19.8);
    QCOMPARE(rig.page(), 1);
    rig.runSeconds(0.6);
    QCOMPARE(rig.page(), 2);
    // b has no time of its own: tried again after MaxTime, not never.
    rig.tick();
    down();
    rig.runSeconds(59.8);
    QCOMPARE(rig.page(), 2);
    rig.runSeconds(0.6);
    QCOMPARE(rig.page(), 3);

    // c loads: the next failure is skipped at once again.
    rig.tick();
    rig.browser.completeLoad();
    rig.runSeconds(20.4);
    QCOMPARE(rig.page(), 1);
    rig.tick();
    down();
    rig.tick();
    QCOMPARE(rig.page(), 2);
}

void EngineTest::failureWhilePausedOrBrowsingStays()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}, {"http://c/", 10}});
    rig.start();
    rig.tick(2);
    rig.browser.completeLoad();
    rig.engine->PauseAction();
    rig.tick();
    rig.engine->NextAction(); // shows b while paused
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));
    QTest::ignoreMessage(QtWarningMsg, "Page 2 of the play list, http://b/ cannot be shown: down");
    rig.browser.failLoad(QStringLiteral("down"));
    rig.runSeconds(30);
    QCOMPARE(rig.page(), 2);
    QCOMPARE(rig.state(), RunState::WAITSAVER);

    // The help page of navigation mode fails: the visitor stays where they are.
    rig.engine->ShowHelp();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("documentation.html cannot be shown"));
    rig.browser.failLoad(QStringLiteral("missing"));
    rig.tick(3);
    QCOMPARE(rig.page(), 2);
    QVERIFY(rig.engine->state().NavigationMode);
}

// Windows the pages opened go when the show shows its next page or takes over from a visitor,
// not while the visitor browses.
void EngineTest::popupsCloseWhenTheShowTakesOver()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}});
    rig.start();
    rig.tick(2);
    const int afterFirst = rig.browser.closePopupsCalls;
    QVERIFY(afterFirst > 0);
    rig.browser.completeLoad();
    rig.engine->SwitchToNavigation();
    rig.engine->ShowHelp();
    QCOMPARE(rig.browser.closePopupsCalls, afterFirst);
    rig.engine->PlayAction();
    QCOMPARE(rig.browser.closePopupsCalls, afterFirst + 1);
}

// The options read again after each load do not move a reboot that is due; a new reboot time
// does.
void EngineTest::settingsAppliedAgainKeepADueReboot()
{
    EngineRig rig;
    rig.clock.set(QDateTime(QDate(2024, 3, 5), QTime(4, 29, 59)));
    rig.options.AutoReboot = true;
    rig.options.RebootTime = QStringLiteral("04:30");
    rig.start();
    const QDateTime due = rig.engine->RebootAt();
    QCOMPARE(due, QDateTime(QDate(2024, 3, 5), QTime(4, 30)));
    rig.clock.set(QDateTime(QDate(2024, 3, 5), QTime(4, 30, 1)));
    rig.engine->ApplySettings(rig.options);
    QCOMPARE(rig.engine->RebootAt(), due);
    QVERIFY(rig.engine->RebootDue());

    EngineSettings later = rig.options;
    later.RebootTime = QStringLiteral("05:00");
    later.RandomMode = true;
    rig.engine->ApplySettings(later);
    QCOMPARE(rig.engine->RebootAt(), QDateTime(QDate(2024, 3, 5), QTime(5, 0)));
    QVERIFY(rig.engine->settings().RandomMode);
}

void EngineTest::endOfNonLoopingListEndsProgram()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 5}, {"http://b/", 5}});
    rig.doc.AutoLoop = false;
    rig.browser.autoComplete = true;
    rig.start();
    rig.runSeconds(5.6);
    QCOMPARE(rig.page(), 2);
    rig.runSeconds(5.4);
    QCOMPARE(rig.state(), RunState::FINPROG);
    rig.tick();
    QCOMPARE(rig.frontend.placementSaves, 1);
    QCOMPARE(rig.frontend.unloads, 1);
    QCOMPARE(rig.frontend.processEnds, 1);
    QCOMPARE(rig.reloads, 0);
    // Once ended, further ticks do nothing.
    rig.tick(5);
    QCOMPARE(rig.frontend.processEnds, 1);
    QCOMPARE(rig.frontend.unloads, 1);
}

void EngineTest::splashPageShownOnce()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 1}});
    rig.settings.write(keys::FirstPage, qint32(0)); // resume at the splash page
    rig.browser.autoComplete = true;
    rig.start();
    const QString splash = rig.program.resourceFolder + QStringLiteral("/index.html");
    QCOMPARE(rig.browser.navigations, QStringList{splash});
    QCOMPARE(rig.page(), 0);

    rig.tick(); // INIT: the splash page is on screen already
    rig.tick(); // NAVIGATE at position 0: the splash page again, not reloaded
    QCOMPARE(rig.browser.navigations, QStringList{splash});
    QCOMPARE(rig.engine->displaySlot().Time, 2);
    QVERIFY(rig.engine->displaySlot().Loaded);
    rig.runSeconds(2.2);
    rig.tick();
    QCOMPARE(rig.browser.navigations, (QStringList{splash, "http://a/"}));

    // Later restarts of the presentation do not show the splash page again.
    rig.engine->PauseAction();
    rig.tick();
    rig.engine->EnterNavigationMode();
    rig.engine->PlayAction();
    rig.tick(2);
    QVERIFY(!rig.browser.navigations.mid(2).contains(splash));
    QCOMPARE(rig.frontend.applyWindowStateCalls, 1);
}

void EngineTest::configSwitchShowsStartPage()
{
    EngineRig rig;
    rig.doc.HomeAsSplash = true;
    rig.doc.HomeURL = QStringLiteral("http://home/");
    rig.setPages({{"http://a/", 10}});
    rig.start(QStringLiteral("/c:1234"));
    rig.tick(); // INIT
    QCOMPARE(rig.browser.lastNavigation(), rig.program.resourceFolder + "/index.html");
    rig.tick(); // NAVIGATE goes straight to CONFIG
    QCOMPARE(rig.state(), RunState::CONFIG);
    QVERIFY(!rig.browser.navigations.contains("http://a/"));
    rig.tick();
    QCOMPARE(rig.frontend.configDialogs, 1);
    QCOMPARE(rig.state(), RunState::WAITCONFIG);
    // Closing the dialog of a configuration run ends the program.
    rig.engine->ConfigClosed();
    rig.tick();
    QCOMPARE(rig.frontend.processEnds, 1);

    // A document under a folder that begins with "c" is a show, not a configuration run.
    QVERIFY(Engine::IsConfigCommandLine(QStringLiteral("-C")));
    QVERIFY(Engine::IsConfigCommandLine(QStringLiteral(" config ")));
    QVERIFY(!Engine::IsConfigCommandLine(QStringLiteral("/cfg/show.gpn")));
    QVERIFY(!Engine::IsConfigCommandLine(QStringLiteral("configuration.gpn")));
}

void EngineTest::previousAndNextWhilePaused()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}, {"http://c/", 10}});
    rig.doc.AutoLoop = false;
    rig.start();
    rig.tick(2);
    rig.engine->PauseAction();
    rig.tick();
    QCOMPARE(rig.state(), RunState::WAITSAVER);

    // Shown at once, and the show stays paused.
    rig.engine->NextAction();
    QCOMPARE(rig.page(), 2);
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));
    QCOMPARE(rig.state(), RunState::WAITSAVER);
    QCOMPARE(rig.frontend.highlightedIndex, int(ToolRunNext));
    rig.engine->PreviousAction();
    rig.engine->PreviousAction();
    // Before the first page of a list that does not loop: the splash page.
    QCOMPARE(rig.page(), 0);
    QCOMPARE(rig.browser.lastNavigation(), rig.program.resourceFolder + "/index.html");
    rig.engine->PreviousAction();
    QCOMPARE(rig.page(), 0);
    QCOMPARE(rig.state(), RunState::WAITSAVER);
    rig.runSeconds(60);
    QCOMPARE(rig.state(), RunState::WAITSAVER);
}

void EngineTest::previousAndNextWhileRunning()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}, {"http://c/", 10}});
    rig.start();
    rig.tick(2);
    QCOMPARE(rig.state(), RunState::WAITTIME);

    rig.engine->NextAction();
    QCOMPARE(rig.state(), RunState::NAVIGATE);
    // Next while the engine is in NAVIGATE is ignored; Previous is not.
    rig.engine->NextAction();
    QCOMPARE(rig.page(), 2);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));
    rig.engine->PreviousAction();
    rig.engine->PreviousAction();
    // Looping lists wrap around backwards to the last page.
    QCOMPARE(rig.page(), 3);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://c/"));
    QCOMPARE(rig.state(), RunState::WAITTIME);
    // Actions are ignored while browsing.
    rig.engine->EnterNavigationMode();
    rig.engine->NextAction();
    rig.engine->PreviousAction();
    QCOMPARE(rig.page(), 3);
}

void EngineTest::pauseAndPlay()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}});
    rig.browser.autoComplete = true;
    rig.options.ScreenSaveTimeOut = 30;
    rig.start();
    rig.tick(2);
    rig.engine->PauseAction();
    rig.tick();
    // A pause outlives the page's time; with the restart on, inactivity resumes the show.
    rig.runSeconds(25);
    QCOMPARE(rig.page(), 1);
    QCOMPARE(rig.state(), RunState::WAITSAVER);
    rig.engine->PlayAction();
    QCOMPARE(rig.state(), RunState::NAVIGATE);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://a/"));
    // Pause is ignored outside NAVIGATE and WAITTIME.
    rig.engine->SetState(RunState::CONFIG);
    rig.engine->PauseAction();
    QCOMPARE(rig.state(), RunState::CONFIG);
}

void EngineTest::mousePolicy_data()
{
    QTest::addColumn<int>("onMouseMove");
    QTest::addColumn<double>("secondsBeforeMove");
    QTest::addColumn<RunState>("expected");
    QTest::addColumn<bool>("navigation");

    QTest::newRow("ignore") << 0 << 10.0 << RunState::WAITTIME << false;
    QTest::newRow("navigate in grace") << 1 << 1.0 << RunState::WAITTIME << false;
    QTest::newRow("navigate after grace") << 1 << 3.0 << RunState::WAITSAVER << true;
    QTest::newRow("quit in grace") << 2 << 1.0 << RunState::WAITTIME << false;
    QTest::newRow("quit after grace") << 2 << 3.0 << RunState::FINPROG << false;
    QTest::newRow("unknown policy") << 7 << 10.0 << RunState::WAITTIME << false;
}

void EngineTest::mousePolicy()
{
    QFETCH(int, onMouseMove);
    QFETCH(double, secondsBeforeMove);
    QFETCH(RunState, expected);
    QFETCH(bool, navigation);

    EngineRig rig;
    rig.setPages({{"http://a/", 0}});
    rig.options.OnMouseMove = MouseMoveAction(onMouseMove);
    rig.options.ScreenSaveMinTime = 2;
    rig.start();
    rig.tick(2); // the first tick remembers the pointer; grace counts from the start
    QCOMPARE(rig.state(), RunState::WAITTIME);
    rig.clock.advanceMs(qint64(secondsBeforeMove * 1000) - 400);
    // One pixel is a move.
    rig.desktop.moveCursor(rig.desktop.cursorPos() + QPoint(1, 0));
    rig.tick();
    QCOMPARE(rig.state(), expected);
    QCOMPARE(rig.engine->state().NavigationMode, navigation);
    // A key press acts like a mouse move.
    if (onMouseMove == 2 && expected != RunState::FINPROG) {
        rig.runSeconds(2);
        rig.engine->HandleKeyDown('A', 0);
        QCOMPARE(rig.state(), RunState::FINPROG);
    }
}

void EngineTest::mouseNotWatchedInConfiguration()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.options.OnMouseMove = MouseMoveAction::Quit;
    rig.start();
    rig.tick(2);
    rig.runSeconds(10);
    rig.engine->ConfigAction();
    rig.tick();
    QCOMPARE(rig.state(), RunState::WAITCONFIG);
    for (int i = 0; i < 20; ++i) {
        rig.desktop.moveCursor(QPoint(i * 7, i * 3));
        rig.tick();
    }
    QCOMPARE(rig.state(), RunState::WAITCONFIG);

    // Nor at all on a configuration command line.
    EngineRig configRig;
    configRig.options.OnMouseMove = MouseMoveAction::Quit;
    configRig.start(QStringLiteral("CONFIG"));
    configRig.runSeconds(10);
    configRig.desktop.moveCursor(QPoint(5, 5));
    configRig.tick(); // CONFIG → WAITCONFIG; the move is not looked at either way
    configRig.tick();
    QCOMPARE(configRig.state(), RunState::WAITCONFIG);
}

void EngineTest::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("shift");
    QTest::addColumn<bool>("quitButtons");
    QTest::addColumn<bool>("quits");

    QTest::newRow("Escape") << KeyCode::Escape << 0 << true << true;
    QTest::newRow("Shift+Escape") << KeyCode::Escape << int(ShiftMask::Shift) << true << false;
    QTest::newRow("Ctrl+Escape") << KeyCode::Escape << int(ShiftMask::Ctrl) << true << false;
    QTest::newRow("Alt+Escape") << KeyCode::Escape << int(ShiftMask::Alt) << true << false;
    QTest::newRow("Alt+F4") << KeyCode::F4 << int(ShiftMask::Alt) << true << true;
    QTest::newRow("F4") << KeyCode::F4 << 0 << true << false;
    QTest::newRow("Alt+Shift+F4") << KeyCode::F4 << (ShiftMask::Alt | ShiftMask::Shift) << true
                                  << false;
    QTest::newRow("Escape, no Quit button") << KeyCode::Escape << 0 << false << false;
    QTest::newRow("Alt+F4, no Quit button") << KeyCode::F4 << int(ShiftMask::Alt) << false << false;
    QTest::newRow("a letter") << int('Q') << 0 << true << false;
}

void EngineTest::keys()
{
    QFETCH(int, key);
    QFETCH(int, shift);
    QFETCH(bool, quitButtons);
    QFETCH(bool, quits);

    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.doc.ToolRunButtons[ToolRunQuit].Visible = quitButtons;
    rig.doc.ToolNavButtons[ToolNavQuit].Visible = quitButtons;
    rig.options.OnMouseMove = MouseMoveAction::Nothing; // keys never end the show by themselves
    rig.start();
    rig.tick(2);
    rig.runSeconds(30);
    const EngineTime before = rig.engine->state().LastActivity;
    rig.engine->HandleKeyDown(key, shift);
    QCOMPARE(rig.state() == RunState::FINPROG, quits);
    QVERIFY(rig.engine->state().LastActivity > before);
}

void EngineTest::helpKeyEntersNavigationWithHelpPage()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.start();
    rig.tick(2);
    rig.browser.setSilent(true);
    rig.engine->HandleKeyDown(KeyCode::F1, 0);
    QVERIFY(rig.engine->state().NavigationMode);
    QCOMPARE(rig.state(), RunState::WAITSAVER);
    QCOMPARE(rig.browser.lastNavigation(), rig.options.HelpURL);
    QCOMPARE(rig.engine->displaySlot().Time, 0);
    QVERIFY(rig.frontend.barShown[1]);
    QVERIFY(!rig.frontend.barShown[0]);
    QVERIFY(rig.desktop.cursorVisible());

    // With help disabled, F1 does nothing but count as activity.
    EngineRig off;
    off.setPages({{"http://a/", 10}});
    off.options.HelpEnabled = false;
    off.start();
    off.tick(2);
    off.engine->HandleKeyDown(KeyCode::F1, 0);
    QVERIFY(!off.engine->state().NavigationMode);
}

void EngineTest::navigationRestartsAfterInactivity()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}});
    rig.options.OnMouseMove = MouseMoveAction::NavigationMode;
    rig.options.ScreenSaveTimeOut = 60;
    rig.doc.AutoHome = true;
    rig.doc.HomeURL = QStringLiteral("http://home/");
    rig.start();
    rig.tick(2);
    rig.runSeconds(5);
    rig.desktop.moveCursor(QPoint(3, 4));
    rig.tick();
    QVERIFY(rig.engine->state().NavigationMode);
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://home/"));
    QCOMPARE(rig.engine->displaySlot().Time, 10);

    // Activity keeps the user browsing...
    rig.runSeconds(50);
    rig.engine->NoteActivity();
    rig.runSeconds(50);
    QCOMPARE(rig.state(), RunState::WAITSAVER);
    // ...and a full time-out without any restarts the presentation.
    rig.runSeconds(9.8);
    QCOMPARE(rig.state(), RunState::WAITSAVER);
    rig.tick(2); // 60 s since the last activity, then more
    QCOMPARE(rig.state(), RunState::INIT);
    rig.tick();
    QCOMPARE(rig.state(), RunState::NAVIGATE);
    QVERIFY(!rig.engine->state().NavigationMode);
    QVERIFY(!rig.frontend.barShown[1]);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://a/"));
}

void EngineTest::noRestartWithoutSaverRestart()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.options.SaverRestart = false;
    rig.options.ScreenSaveTimeOut = 10;
    rig.start();
    rig.tick(2);
    rig.engine->PauseAction();
    rig.runSeconds(3600);
    QCOMPARE(rig.state(), RunState::WAITSAVER);
}

void EngineTest::playLeavesNavigationMode()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.options.OnMouseMove =
        MouseMoveAction::NavigationMode; // no screen-saver tool bar: the pointer goes
    rig.start();
    rig.tick(2);
    rig.browser.setSilent(true);
    rig.engine->SwitchToNavigation();
    QVERIFY(!rig.browser.Silent()); // browsing users see the page's own dialogs
    QVERIFY(rig.desktop.cursorVisible());
    rig.engine->PlayAction();
    QCOMPARE(rig.state(), RunState::INIT);
    QVERIFY(!rig.engine->state().NavigationMode);
    QVERIFY(rig.desktop.cursorCount() < -5);
    QVERIFY(!rig.frontend.barShown[1]);
    QVERIFY(!rig.frontend.barShown[0]);

    // With the screen-saver tool bar on show the pointer stays.
    EngineRig shown;
    shown.setPages({{"http://a/", 10}});
    shown.start();
    shown.tick(2);
    shown.engine->SwitchToNavigation();
    shown.engine->PlayAction();
    QVERIFY(shown.desktop.cursorCount() > 5);
    QVERIFY(shown.frontend.barShown[0]);
}

void EngineTest::configButtonDoesNothingInInit()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.start();
    QCOMPARE(rig.state(), RunState::INIT);
    rig.engine->ConfigAction();
    QCOMPARE(rig.state(), RunState::INIT);
    rig.tick();
    rig.engine->ConfigAction();
    QCOMPARE(rig.state(), RunState::CONFIG);
    rig.engine->SetState(RunState::FINPROG);
    rig.engine->ConfigAction();
    QCOMPARE(rig.state(), RunState::FINPROG);
}

void EngineTest::configWithoutPassword()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.start();
    rig.tick(2);
    rig.engine->ConfigAction();
    rig.tick();
    QCOMPARE(rig.frontend.passwordDialogs, 0);
    QCOMPARE(rig.frontend.configDialogs, 1);
    QCOMPARE(rig.state(), RunState::WAITCONFIG);
    QVERIFY(rig.frontend.configTopmost);
    QCOMPARE(rig.frontend.highlightedIndex, int(ToolRunConfig));
    rig.runSeconds(60);
    QCOMPARE(rig.frontend.configDialogs, 1);
}

void EngineTest::secondTickDuringPasswordDialog()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.lock.storedPassword = QStringLiteral("h*k");
    rig.start();
    rig.tick(2);
    rig.engine->ConfigAction();
    int ticksInside = 0;
    rig.frontend.passwordOutcome = FakeFrontend::PasswordOutcome::Correct;
    rig.frontend.whilePasswordOpen = [&] {
        // The timer goes on firing while the modal dialog is up.
        for (int i = 0; i < 10; ++i) {
            rig.desktop.moveCursor(QPoint(i, i));
            rig.tick();
            ++ticksInside;
        }
        QVERIFY(rig.engine->state().EngineBusy);
    };
    rig.tick();
    QCOMPARE(ticksInside, 10);
    QCOMPARE(rig.frontend.passwordDialogs, 1);
    QCOMPARE(rig.frontend.passwordModeSeen, PasswordDialogMode::Enter);
    QCOMPARE(rig.frontend.configDialogs, 1);
    QCOMPARE(rig.state(), RunState::WAITCONFIG);
    QVERIFY(!rig.engine->state().EngineBusy);

    // Unlocked until the dialog closes; then asked again.
    rig.engine->ConfigClosed();
    QVERIFY(rig.lock.unlockedPassword.isEmpty());
    rig.frontend.whilePasswordOpen = nullptr;
    rig.tick(2);
    rig.engine->ConfigAction();
    rig.tick();
    QCOMPARE(rig.frontend.passwordDialogs, 2);
}

void EngineTest::passwordRefused_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("topMost");
    QTest::addColumn<RunState>("expected");

    QTest::newRow("show") << QString() << false << RunState::NAVIGATE;
    QTest::newRow("show, on top") << QString() << true << RunState::NAVIGATE;
    QTest::newRow("/c") << QStringLiteral("/c") << false << RunState::FINPROG;
    QTest::newRow("config") << QStringLiteral("config") << false << RunState::FINPROG;
}

void EngineTest::passwordRefused()
{
    QFETCH(QString, commandLine);
    QFETCH(bool, topMost);
    QFETCH(RunState, expected);

    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.lock.storedPassword = QStringLiteral("h*k");
    rig.options.TopMost = topMost;
    rig.frontend.passwordOutcome = FakeFrontend::PasswordOutcome::Cancel;
    bool topmostDuringDialog = true;
    rig.frontend.whilePasswordOpen = [&] { topmostDuringDialog = rig.frontend.mainTopmost; };
    rig.start(commandLine);
    rig.tick(2);
    if (commandLine.isEmpty())
        rig.engine->ConfigAction();
    rig.tick();
    QCOMPARE(rig.frontend.passwordDialogs, 1);
    QCOMPARE(rig.frontend.configDialogs, 0);
    QCOMPARE(rig.state(), expected);
    // A main window kept on top gives way to the dialog, and takes its place back.
    QVERIFY(!topmostDuringDialog);
    QCOMPARE(rig.frontend.mainTopmost, topMost);
}

void EngineTest::configDialogClosedGoesBackToShow()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.options.OnMouseMove =
        MouseMoveAction::Quit; // no tool bar on show: the pointer is hidden again
    rig.start();
    rig.tick(2);
    rig.engine->ConfigAction();
    rig.tick();
    rig.desktop.showCursor(true);
    rig.engine->ConfigCancelled();
    rig.engine->ConfigClosed();
    QCOMPARE(rig.state(), RunState::NAVIGATE);
    QVERIFY(rig.desktop.cursorCount() < -5);
    // Closing the dialog restarts the grace period.
    rig.desktop.moveCursor(QPoint(1, 1));
    rig.tick();
    QVERIFY(rig.state() != RunState::FINPROG);
}

void EngineTest::configAcceptedRestartsShow()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}});
    rig.start();
    rig.tick(2);
    rig.engine->SwitchToNavigation();
    rig.engine->ConfigAction();
    rig.tick();
    QCOMPARE(rig.frontend.highlightedBar, ToolBar::Nav);
    QCOMPARE(rig.frontend.highlightedIndex, int(ToolNavConfig));
    rig.engine->ConfigAccepted();
    QCOMPARE(rig.state(), RunState::INIT);
    rig.engine->ConfigClosed();
    // Still browsing: the request for a page keeps the user in navigation mode.
    QCOMPARE(rig.state(), RunState::WAITSAVER);
}

void EngineTest::closeRefusedKeepsShowGoing()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.start();
    rig.tick(2);
    rig.engine->PauseAction();
    rig.tick();
    // A close handler that refuses and puts the state back.
    rig.frontend.onClose = [&] {
        rig.engine->RestorePreviousState();
        return false;
    };
    rig.engine->QuitAction();
    rig.tick();
    QCOMPARE(rig.state(), RunState::WAITSAVER);
    QCOMPARE(rig.frontend.unloads, 0);
    QCOMPARE(rig.frontend.processEnds, 0);
    rig.tick();
    QCOMPARE(rig.state(), RunState::WAITSAVER);
}

void EngineTest::quitWithoutQuitButtonsStillEnds()
{
    // The close handler refuses without a Quit button but leaves FINPROG in place: the end of
    // a non-looping list (or a reboot) still ends the program.
    EngineRig rig;
    rig.setPages({{"http://a/", 1}});
    rig.doc.AutoLoop = false;
    rig.doc.ToolRunButtons[ToolRunQuit].Visible = false;
    rig.doc.ToolNavButtons[ToolNavQuit].Visible = false;
    rig.browser.autoComplete = true;
    rig.start();
    QVERIFY(!rig.engine->QueryClose());
    rig.runSeconds(3);
    QCOMPARE(rig.frontend.closeRequests, 1);
    QCOMPARE(rig.frontend.processEnds, 1);
}

void EngineTest::cursorDisplayCount()
{
    EngineRig rig;
    rig.start();
    // However unbalanced the calls before, one call settles the pointer.
    for (int i = 0; i < 20; ++i)
        rig.desktop.showCursor(true);
    rig.engine->HideCursor();
    QVERIFY(!rig.desktop.cursorVisible());
    QCOMPARE(rig.desktop.cursorCount(), -6);
    rig.engine->HideCursor();
    QCOMPARE(rig.desktop.cursorCount(), -7);
    rig.engine->ShowCursorFully();
    QCOMPARE(rig.desktop.cursorCount(), 6);
    QVERIFY(rig.desktop.cursorVisible());
}

void EngineTest::toolBarKeptOnTop()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.start();
    rig.tick(2);
    QVERIFY(rig.frontend.barTopmost[0]);
    rig.frontend.barTopmost[0] = false; // another window came over it
    rig.tick();
    QVERIFY(rig.frontend.barTopmost[0]);

    // When the bar is not to be shown, or the main window is kept on top, nothing is done.
    EngineRig quiet;
    quiet.setPages({{"http://a/", 10}});
    quiet.options.OnMouseMove = MouseMoveAction::NavigationMode;
    quiet.start();
    quiet.tick(5);
    QCOMPARE(quiet.frontend.barTopmostCalls[0], 0);
    EngineRig pinned;
    pinned.setPages({{"http://a/", 10}});
    pinned.options.TopMost = true;
    pinned.start();
    pinned.tick(5);
    QCOMPARE(pinned.frontend.barTopmostCalls[0], 0);
    QVERIFY(pinned.frontend.mainTopmost);
    QVERIFY(!pinned.frontend.mainFramed);
}

void EngineTest::highlightFollowsState_data()
{
    QTest::addColumn<RunState>("state");
    QTest::addColumn<bool>("navigation");
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("index");

    QTest::newRow("play") << RunState::NAVIGATE << false << 1 << int(ToolRunPlay);
    QTest::newRow("pause") << RunState::WAITSAVER << false << 1 << int(ToolRunPause);
    QTest::newRow("browsing") << RunState::WAITSAVER << true << 2 << -1;
    QTest::newRow("config") << RunState::WAITCONFIG << false << 1 << int(ToolRunConfig);
    QTest::newRow("config, browsing") << RunState::WAITCONFIG << true << 2 << int(ToolNavConfig);
    QTest::newRow("quit") << RunState::FINPROG << false << 1 << int(ToolRunQuit);
    QTest::newRow("quit, browsing") << RunState::FINPROG << true << 2 << int(ToolNavQuit);
}

void EngineTest::highlightFollowsState()
{
    QFETCH(RunState, state);
    QFETCH(bool, navigation);
    QFETCH(int, bar);
    QFETCH(int, index);

    EngineRig rig;
    rig.setPages({{"http://a/", 10}});
    rig.start();
    rig.tick();
    if (navigation)
        rig.engine->EnterNavigationMode();
    rig.engine->SetState(state);
    rig.tick();
    QCOMPARE(int(rig.frontend.highlightedBar), bar);
    QCOMPARE(rig.frontend.highlightedIndex, index);
}

void EngineTest::pageTimeAcrossClockChange_data()
{
    QTest::addColumn<qint64>("startUtcMs");
    // Five seconds before the change to and from summer time in Paris.
    QTest::newRow("clocks go back") << qint64(1729990795000);    // 2024-10-27 00:59:55 UTC
    QTest::newRow("clocks go forward") << qint64(1711846795000); // 2024-03-31 00:59:55 UTC
}

void EngineTest::pageTimeAcrossClockChange()
{
    QFETCH(qint64, startUtcMs);
    if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/Europe/Paris")))
        QSKIP("no time-zone data");
    const QByteArray oldTz = qgetenv("TZ");
    const bool hadTz = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "Europe/Paris");
    tzset();
    auto restore = qScopeGuard([&] {
        if (hadTz)
            qputenv("TZ", oldTz);
        else
            qunsetenv("TZ");
        tzset();
    });

    EngineRig rig;
    rig.clock.set(QDateTime::fromMSecsSinceEpoch(startUtcMs - 1000));
    rig.setPages({{"http://a/", 10}, {"http://b/", 10}});
    rig.browser.autoComplete = true;
    rig.start();
    rig.tick(2); // page 1 shown about five seconds before the change
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://a/"));
    // The page's ten seconds are ten real seconds, whatever the wall clock does meanwhile.
    rig.runSeconds(9.8);
    QCOMPARE(rig.page(), 1);
    rig.tick(2);
    QCOMPARE(rig.page(), 2);
}

void EngineTest::findBrowserPane_data()
{
    QTest::addColumn<QString>("classes");
    QTest::addColumn<QString>("titles");
    QTest::addColumn<int>("expected");

    // Walk order: 11 (class "Shell Embedding"), 12 ("Internet Explorer_Server", title "Page 7"),
    // 13 ("Shell DocObject View", title "Doc").
    QTest::newRow("default") << "Internet Explorer_Server,"
                             << "" << 12;
    QTest::newRow("first match in walk order") << "Shell*,"
                                               << "" << 11;
    QTest::newRow("title") << ""
                           << "Page #," << 12;
    QTest::newRow("class before title of a later window") << "Shell D*"
                                                          << "Page ?" << 12;
    QTest::newRow("bracket list") << "Shell [CD]oc*"
                                  << "" << 13;
    QTest::newRow("case-sensitive") << "internet explorer_server"
                                    << "" << 0;
    QTest::newRow("empty settings") << ""
                                    << "" << 0;
    QTest::newRow("empty items skipped") << ",,Shell DocObject View,,"
                                         << "" << 13;
}

void EngineTest::findBrowserPane()
{
    QFETCH(QString, classes);
    QFETCH(QString, titles);
    QFETCH(int, expected);

    EngineRig rig;
    rig.options.IEWindowClasses = classes;
    rig.options.IEWindowTitles = titles;
    rig.start();
    rig.desktop.setDescendants(1, {{2, 11, "", "Shell Embedding"},
                                   {3, 12, "Page 7", "Internet Explorer_Server"},
                                   {1, 13, "Doc", "Shell DocObject View"}});
    QCOMPARE(rig.engine->FindBrowserPane(1), WindowId(expected));
}

void EngineTest::focusGoesToPaneOnce()
{
    EngineRig rig;
    rig.setPages({{"http://a/", 0}});
    rig.start();
    rig.desktop.setDescendants(1, {{1, 42, "", "Internet Explorer_Server"}});
    rig.desktop.setForeground(4); // the configuration dialog: left alone
    rig.tick(5);
    QCOMPARE(rig.desktop.focusCalls(), 0);
    rig.desktop.setForeground(1);
    rig.tick(5);
    QCOMPARE(rig.desktop.focused(), WindowId(42));
    QCOMPARE(rig.desktop.focusCalls(), 1);
    // In WAITSAVER the navigation tool bar keeps the focus (its address box).
    rig.engine->EnterNavigationMode();
    rig.desktop.setForeground(3);
    rig.desktop.setDescendants(1, {{1, 43, "", "Internet Explorer_Server"}});
    rig.tick(3);
    QCOMPARE(rig.desktop.focusCalls(), 1);
    rig.desktop.setForeground(1);
    rig.tick();
    QCOMPARE(rig.desktop.focused(), WindowId(43));
}

QTEST_GUILESS_MAIN(EngineTest)
#include "engine_test.moc"
