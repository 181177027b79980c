#pragma once

#include "engine/engine_settings.h"
#include "engine/frontend.h"
#include "engine/show_health.h"
#include "engine/wildcard.h"
#include "platform/desktop.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QPoint>
#include <QString>
#include <QVector>
#include <functional>
#include <random>

namespace glasspane {

// What the show could not do (a page that cannot be shown, a page that never finished):
// warnings, on by default.
Q_DECLARE_LOGGING_CATEGORY(lcShow)

class Browser;
class Clock;
class Shell;
class SettingsStore;
class System;
struct DocumentState;
struct ProgramValues;

// The run states of the show.
enum class RunState { INIT, NAVIGATE, WAITTIME, WAITSAVER, CONFIG, WAITCONFIG, FINPROG };
QString RunStateName(RunState state);

// Key codes and shift mask of HandleKeyDown; the window side maps its keys onto them.
namespace KeyCode {
constexpr int Enter = 13;
constexpr int Escape = 27;
constexpr int F1 = 112;
constexpr int F4 = 115;
} // namespace KeyCode
namespace ShiftMask {
constexpr int Shift = 1;
constexpr int Ctrl = 2;
constexpr int Alt = 4;
} // namespace ShiftMask

// Times inside the engine: milliseconds since the epoch (cheap to compare on every tick).
using EngineTime = qint64;

// The values of the run-state machine.
struct EngineState
{
    RunState CurrentState = RunState::INIT;
    // The state current when FINPROG was requested; put back when quitting is refused.
    RunState PreviousState = RunState::INIT;
    bool NavigationMode = false;
    bool EngineInitialised = false; // the first INIT pass has shown the splash page
    bool EngineBusy = false;        // RunEngine is running (a modal dialog may be open)
    bool ProcessEnded = false;      // FINPROG has ended the process
    EngineTime LastActivity = 0;
    EngineTime SaverStart = 0; // presentation mode last entered
    QPoint cursorRef;          // pointer position last remembered
    bool cursorRemembered = false;
    WindowId LastFocused = 0; // page window last given the focus
};

// The page on screen.
struct DisplaySlot
{
    QString Url;              // address last navigated to by BrowseTo
    QString Target;           // what BrowseTo gave the browser for it (the cached copy...)
    int Time = 0;             // display time in seconds; 0 = no automatic advance
    EngineTime StartTime = 0; // when the engine started showing it
    bool Loaded = false;      // the page has finished loading
    bool Started = false;     // the browser let its load begin (StartTime is from then)
    quint64 Browsed = 0;      // counts the pages BrowseTo gave the browser
    bool Failed = false;      // the page cannot be shown (PageFailed)
    QString FailReason;       // why, when Failed
    // The play-list position shown (0 the splash page); -1 for another page (home, help).
    int Position = -1;
    // When its load completed (0: not since BrowseTo), whether that was after its time was over,
    // and when it was on screen (0: not yet).
    EngineTime LoadedAt = 0;
    bool Late = false;
    EngineTime OnScreenSince = 0;
    // The last page that could not be shown, and the value of Browsed when it was asked for
    // (the show may have moved on from it since).
    quint64 FailedBrowse = 0;
    QString FailedUrl;
};

// The position in the play list and the shuffle of random mode.
struct PageSequence
{
    int CurrentPage = 0; // play-list position on screen; 0 = splash page
    QString SplashUrl;
    // Cycle position -> play-list position, and play-list position -> cycle position;
    // 0 = not chosen / not shown in this cycle. Indexed 0..PageCount().
    QVector<int> RandomOrder;
    QVector<int> RandomUsed;
    int RandomPos = 0;  // current cycle position; 0 before the first cycle
    int RandomStep = 0; // probe direction of PickRandomPage, flips +1/-1
    qint64 ExternalPid = 0;
    bool MainHidden = false; // a "main window invisible" page hides the main window
    // Pages skipped in a row because they could not be shown; once a whole cycle failed, the
    // show keeps its normal pace instead of racing through the list.
    int FailStreak = 0;
};

// What GetPageInfo says about a play-list position.
struct PageInfo
{
    QString url;
    int time = 0;
    bool hide = false;
    bool cached = false;
    bool separate = true;
};

// The parts the engine drives. All references must outlive the engine.
struct EnginePorts
{
    const Clock& clock;
    Desktop& desktop;
    Frontend& frontend;
    Browser& browser;
    System& system;
    Shell& shell;
    SettingsStore& settings;
    DocumentState& document;
    ProgramValues& program;
    PasswordLock& lock;
};

// Services of the cache and the update policy. Any may be empty: it then does nothing (or, for
// fetchPage, gives the address itself).
struct EngineHooks
{
    // The update policy's decision with its apply flag off (it may switch on-line in
    // navigation mode).
    std::function<void()> updateDue;
    // Whether the end of a cycle reloads the document: the state last applied by the policy is
    // on-line (never applied counts as on-line), or there is no update scheme.
    std::function<bool()> reloadAtEndOfCycle;
    // Fetches the document again where it is a web document and loads it; the engine then
    // restarts the cycle. False when nothing could be loaded.
    std::function<bool()> reloadDocument;
    // The local copy of a cached page, without the address's fragment; "" when there is none
    // (it could not be fetched and none was held).
    std::function<QString(const QString& url)> fetchPage;
    // Whether the browser shows a local copy itself (SeparateProc applies to the others only).
    std::function<bool(const QString& localCopy)> browserShows;
    // A new round of the show begins (the end of a cycle).
    std::function<void()> newCycle;
    // What the browser is given to show a local copy as the page it is (empty: the copy).
    std::function<QString(const QString& localCopy)> viewableCopy;
    // A page that never loaded: make the next connection check ask the system again.
    std::function<void()> resetConnectionCheck;
    // The show is about to load its next page into the browser (never while a visitor browses
    // and never in the middle of a page's time): the moment to renew the browser's page.
    std::function<void()> betweenPages;
    // The show takes over after a visitor browsed (Play, idle return, gpane play): the moment
    // to forget what the visit left behind.
    std::function<void()> visitEnded;
};

// The presentation engine: the run-state machine that moves from page to page, pauses, reacts
// to the mouse and keys, opens the configuration dialog and ends the program. The main
// window's timer calls EngineTick every 200 ms; everything else changes the show by requesting
// a state with SetState, which takes effect at the next tick.
class Engine
{
public:
    // commandLine is the program's command line (for the configuration switches).
    Engine(const EnginePorts& ports, EngineHooks hooks, const EngineSettings& settings,
           const QString& commandLine, unsigned randomSeed = std::random_device{}());

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // ---- state machine ----
    void EngineTick();
    void SetState(RunState requested);
    RunState CurrentState() const { return m_state.CurrentState; }
    // Called whenever the state changes, so that the window can run the next step at once
    // instead of waiting for its timer (a new state is work to do, not a wait).
    void setStateChangeListener(std::function<void()> listener)
    {
        m_stateChanged = std::move(listener);
    }
    // The main window's close handler refused to quit: the state before FINPROG comes back.
    void RestorePreviousState();
    // The options read again (after a document load or the configuration dialog's OK); a new
    // reboot time is worked out again.
    void ApplySettings(const EngineSettings& settings);

    // ---- the browser's answers about the page BrowseTo asked for ----
    // The browser began to load target (the address BrowseTo gave it): the page's time, and
    // the time it may take to load, count from now, not from when the show asked for it (an
    // old page that took long to let go does not eat the new page's time).
    void PageLoadStarted(const QString& target);
    // The top-level document completed.
    void PageLoaded();
    // The page that completed last has painted and is on screen.
    void PageOnScreen();
    // The browser could not show target (the address BrowseTo gave it): refused, unknown
    // scheme, missing file, load failure, HTTP error... The page on screen stays, a warning
    // names the entry and the reason, and in the show the next tick moves on. A failure of
    // any other address (a visitor's link) is only noted.
    void PageFailed(const QString& target, const QString& reason);

    // ---- user activity and modes ----
    void OnActivity();
    void HandleKeyDown(int keyCode, int shift);
    // Activity that is not a mouse move or key (tool bar mouse moves, user navigation).
    void NoteActivity();
    void EnterNavigationMode();
    void EnterSaverMode();
    void SwitchToNavigation();
    void ShowHelp();

    // ---- tool bar actions ----
    void QuitAction();
    void ConfigAction();
    void PlayAction();
    void PauseAction();
    void PreviousAction();
    void NextAction();
    // Asks for the configuration password when one is set and the configuration is locked;
    // true when it is unlocked (or there is no password).
    bool UnlockConfiguration();
    // Runs an action that changes the document outside the configuration dialog (Grab) only
    // once the configuration password has been given, as the way to that dialog asks it, and
    // locks again afterwards. False when the password was refused (nothing ran).
    bool RunGuarded(const std::function<void()>& action);
    bool QuitAllowed() const;
    bool HelpAllowed() const;
    bool ToolRunShown() const;
    bool ToolNavShown() const;

    // ---- the configuration dialog and the main window call these ----
    // OK: the new settings are in force; the show restarts.
    void ConfigAccepted();
    // Cancel (also the close box).
    void ConfigCancelled();
    // The dialog unloads: lock again and go back to the show (or end a configuration run).
    void ConfigClosed();
    // The main window's close handler: true when the program may close.
    bool QueryClose();

    // ---- pointer and focus ----
    void RememberCursor();
    void HideCursor();
    void ShowCursorFully();
    void FocusBrowserPane();
    WindowId FindBrowserPane(WindowId parent);
    void ShutDown();

    // ---- page sequencing and display ----
    int PageCount() const;
    bool IsPastLastPage(int position) const;
    PageInfo GetPageInfo(int position);
    int StepPage(int delta);
    int StartPageCycle();
    int PickRandomPage();
    void EndOfCycle();
    bool BrowseTo(const QString& address, int time, bool hide, bool cached, bool separate);
    void GoHome();
    void TerminateExternal(qint64 pid);
    // After a document load: the shuffle starts over and the cycle restarts.
    void ResetRandomOrder();
    void AfterDocumentLoad();
    // The first position when the main window loads: the stored FirstPage when resuming is on
    // and it lies within the play list, else the start of a cycle.
    void ChooseFirstPage();

    // ---- reboot ----
    // Works out the next reboot moment from a "H:M" text (also called when the configuration
    // dialog keeps its reboot time).
    void SetRebootTime(const QString& rebootTime);
    QDateTime RebootAt() const { return m_rebootAt; }
    bool RebootDue() const;
    void Reboot();

    // ---- how the show fares ----
    ShowHealth& health() { return m_health; }
    const ShowHealth& health() const { return m_health; }
    // The longest display time of the start page and the play list's pages, in seconds.
    int LongestPageTime() const;
    // The show plays, yet no page has completed for longer than the longest page time plus
    // MaxTime (a page that stays for good once complete is no stall).
    bool Stalled() const;

    // ---- the engine's values ----
    const EngineState& state() const { return m_state; }
    DisplaySlot& displaySlot() { return m_slot; }
    const DisplaySlot& displaySlot() const { return m_slot; }
    PageSequence& sequence() { return m_seq; }
    const PageSequence& sequence() const { return m_seq; }
    // The options in force; the configuration dialog changes them in place (a new reboot time
    // goes through SetRebootTime).
    EngineSettings& settings() { return m_settings; }
    const EngineSettings& settings() const { return m_settings; }
    bool isConfigCommandLine() const { return m_configCommandLine; }

    // The command line asks for configuration: "/C" (also "/C:n"), "-C", or the word CONFIG
    // alone, in any case.
    static bool IsConfigCommandLine(const QString& commandLine);

private:
    void RunEngine();
    void stepInit();
    void stepNavigate();
    // The splash page already on screen: BrowseTo leaves it as it is instead of loading it.
    bool splashOnScreen(const QString& address) const
    {
        return address == m_seq.SplashUrl && address == m_slot.Url;
    }
    void stepWaitTime();
    // A page that loaded stays until it has been on screen, and one that finished loading after
    // its time was over 2 s more.
    bool heldOnScreen(EngineTime t) const;
    void stepWaitSaver();
    void stepConfig();
    // Dialogs of the configuration left alone for the idle time: closed as cancelled, and the
    // show goes on.
    void closeIdleDialogs(EngineTime t);
    void showTakesOver();
    void notePlaying(EngineTime t);
    void stepFinProg();
    void advancePage();
    QString entryName() const;
    void HighlightForState(RunState state);
    void MainTopmost();
    void MainNotTopmost();
    void ToolBarTopmost(ToolBar bar);
    void RefreshToolBars();
    void showPage(int position);
    void ensureRandomArrays(int upperBound);
    bool isForeground(AppWindow window, WindowId foreground) const;

    EngineTime now() const;
    bool passed(EngineTime start, qint64 seconds, EngineTime at) const
    {
        return at - start > seconds * 1000;
    }

    EnginePorts m_ports;
    EngineHooks m_hooks;
    std::function<void()> m_stateChanged;
    EngineSettings m_settings;
    bool m_configCommandLine = false;
    bool m_configSwitch = false; // "/C" or "-C" (not the word CONFIG)

    EngineState m_state;
    DisplaySlot m_slot;
    PageSequence m_seq;
    ShowHealth m_health;
    bool m_wasPlaying = false;
    // The activity time for which idle dialogs were last closed (closed once per idle spell).
    EngineTime m_idleClosedFor = -1;
    QDateTime m_rebootAt;
    EngineTime m_rebootAtMs = 0;

    // The window patterns, compiled from the texts they came from.
    QString m_classSource;
    QString m_titleSource;
    QVector<WildcardPattern> m_classPatterns;
    QVector<WildcardPattern> m_titlePatterns;

    std::mt19937 m_random;

    // Local time's offset from UTC, as last worked out, and the quarter hour it holds for.
    mutable qint64 m_offsetMs = 0;
    mutable qint64 m_offsetQuarter = 0;
    mutable bool m_offsetKnown = false;
};

} // namespace glasspane
