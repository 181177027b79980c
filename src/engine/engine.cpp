#include "engine/engine.h"

#include "document/document.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "engine/start_up.h"
#include "platform/browser.h"
#include "platform/clock.h"

#include <utility>

namespace glasspane {

Q_LOGGING_CATEGORY(lcShow, "glasspane.show", QtWarningMsg)

QString RunStateName(RunState state)
{
    switch (state) {
    case RunState::INIT:
        return QStringLiteral("INIT");
    case RunState::NAVIGATE:
        return QStringLiteral("NAVIGATE");
    case RunState::WAITTIME:
        return QStringLiteral("WAITTIME");
    case RunState::WAITSAVER:
        return QStringLiteral("WAITSAVER");
    case RunState::CONFIG:
        return QStringLiteral("CONFIG");
    case RunState::WAITCONFIG:
        return QStringLiteral("WAITCONFIG");
    case RunState::FINPROG:
        return QStringLiteral("FINPROG");
    }
    return QString();
}

namespace {

// A page that finished loading after its time was over is seen this long, from the moment it is
// on screen. The word that a page is on screen is waited for this long after its completion
// (longer than the browser waits for a paint).
constexpr int kLateStaySeconds = 2;
constexpr int kPaintWaitSeconds = 5;

// "/C" (also "/C:handle") or "-C" as the first word; a path such as "/cfg/show.gpn" is not one.
bool hasConfigSwitch(const QString& commandLine)
{
    const QString sw = CommandLineSwitch(commandLine);
    return sw == u"/C" || sw == u"-C";
}

} // namespace

bool Engine::IsConfigCommandLine(const QString& commandLine)
{
    return ParseCommandLine(commandLine).mode == RunMode::Configure;
}

Engine::Engine(const EnginePorts& ports, EngineHooks hooks, const EngineSettings& settings,
               const QString& commandLine, unsigned randomSeed)
    : m_ports(ports), m_hooks(std::move(hooks)), m_settings(settings), m_random(randomSeed)
{
    m_configCommandLine = IsConfigCommandLine(commandLine);
    m_configSwitch = hasConfigSwitch(commandLine);
    // Starting the program enters presentation mode: the grace period against a stray first
    // mouse move counts from here.
    m_state.SaverStart = now();
    m_state.LastActivity = m_state.SaverStart;
    SetRebootTime(m_settings.RebootTime);
}

EngineTime Engine::now() const
{
    // Converting a local time to the epoch asks the C library about the time zone, which
    // costs more than the rest of a tick. The offset from UTC only changes on a quarter hour
    // of local time, so it is worked out again only when the quarter hour changes.
    const QDateTime t = m_ports.clock.now();
    const qint64 local = t.date().toJulianDay() * 86400000LL + t.time().msecsSinceStartOfDay();
    const qint64 quarter = local / (15 * 60 * 1000);
    if (quarter != m_offsetQuarter || !m_offsetKnown) {
        m_offsetQuarter = quarter;
        m_offsetMs = local - t.toMSecsSinceEpoch();
        m_offsetKnown = true;
    }
    return local - m_offsetMs;
}

// ---------------------------------------------------------------------------------------------
// The state machine

void Engine::SetState(RunState requested)
{
    if (requested == RunState::NAVIGATE && m_state.NavigationMode)
        requested = RunState::WAITSAVER;
    if (requested == RunState::FINPROG)
        m_state.PreviousState = m_state.CurrentState;
    if (m_state.CurrentState == RunState::FINPROG || m_state.CurrentState == requested)
        return;
    m_state.CurrentState = requested;
    if (m_stateChanged)
        m_stateChanged();
}

void Engine::RestorePreviousState()
{
    if (m_state.CurrentState == RunState::FINPROG) {
        m_state.CurrentState = m_state.PreviousState;
        if (m_stateChanged)
            m_stateChanged();
    }
}

void Engine::ApplySettings(const EngineSettings& settings)
{
    // Worked out again only when it changed: a reload at 04:30:00 must not move a reboot due
    // at 04:30 to tomorrow.
    const bool rebootChanged = settings.RebootTime != m_settings.RebootTime ||
                               settings.AutoReboot != m_settings.AutoReboot;
    m_settings = settings;
    if (rebootChanged)
        SetRebootTime(m_settings.RebootTime);
}

void Engine::EngineTick()
{
    if (m_state.ProcessEnded)
        return;
    const bool configuring =
        m_state.CurrentState == RunState::CONFIG || m_state.CurrentState == RunState::WAITCONFIG;
    if (!m_state.cursorRemembered) {
        RememberCursor();
    } else if (!m_configCommandLine) {
        const QPoint pos = m_ports.desktop.cursorPos();
        if (pos != m_state.cursorRef) {
            if (!configuring) {
                OnActivity();
            } else {
                // At the dialogs a moving mouse only says that someone is there: it ends
                // nothing and switches to nothing.
                NoteActivity();
                RememberCursor();
            }
        }
    }
    // Also while the password dialog holds the step below.
    if (configuring)
        closeIdleDialogs(now());

    if (!m_state.EngineBusy) {
        m_state.EngineBusy = true;
        RunEngine();
        m_state.EngineBusy = false;
    }
    notePlaying(now());

    if (!m_settings.TopMost && m_state.CurrentState != RunState::FINPROG && !m_state.ProcessEnded) {
        const ToolBar bar = m_state.NavigationMode ? ToolBar::Nav : ToolBar::Run;
        const bool shown = m_state.NavigationMode ? ToolNavShown() : ToolRunShown();
        if (shown && !m_ports.frontend.isToolBarTopmost(bar))
            ToolBarTopmost(bar);
    }
}

void Engine::RunEngine()
{
    switch (m_state.CurrentState) {
    case RunState::INIT:
        stepInit();
        break;
    case RunState::NAVIGATE:
        stepNavigate();
        break;
    case RunState::WAITTIME:
        stepWaitTime();
        break;
    case RunState::WAITSAVER:
        stepWaitSaver();
        break;
    case RunState::CONFIG:
        stepConfig();
        break;
    case RunState::WAITCONFIG:
        HighlightForState(RunState::WAITCONFIG);
        break;
    case RunState::FINPROG:
        stepFinProg();
        break;
    default:
        SetState(RunState::INIT);
        break;
    }
}

void Engine::stepInit()
{
    Frontend& fe = m_ports.frontend;
    fe.setMainFramed(m_settings.WindowState != MainWindowState::FullScreen);
    if (m_seq.ExternalPid == 0) {
        // To the front without staying pinned there unless asked to.
        MainTopmost();
        if (!m_settings.TopMost)
            MainNotTopmost();
    }
    SetState(RunState::NAVIGATE);
    if (!m_state.EngineInitialised) {
        fe.applyWindowState(m_settings.WindowState);
        PageInfo splash = GetPageInfo(0);
        if (m_configSwitch)
            splash.url = m_ports.program.resourceFolder + QStringLiteral("/index.html");
        if (splash.url != m_slot.Url) {
            m_slot.Position = 0;
            BrowseTo(splash.url, splash.time, splash.hide, splash.cached, splash.separate);
        }
        m_state.EngineInitialised = true;
        RememberCursor();
    }
}

void Engine::stepNavigate()
{
    HighlightForState(RunState::NAVIGATE);
    const bool past = IsPastLastPage(m_seq.CurrentPage);
    const PageInfo info = GetPageInfo(past ? 0 : m_seq.CurrentPage);
    // Past the last page the page on screen stays and is timed again: its loaded state stands.
    if (!past) {
        m_slot.Loaded = false;
        m_slot.Failed = false;
    }
    const WindowId fg = m_ports.desktop.foregroundWindow();
    if (isForeground(AppWindow::ToolRun, fg) || isForeground(AppWindow::ToolNav, fg))
        m_ports.browser.setFocus();
    m_slot.StartTime = now();
    if (m_configCommandLine) {
        SetState(RunState::CONFIG);
    } else {
        if (!past) {
            // (The start page already on screen is not loaded again: nothing to renew for.)
            if (!splashOnScreen(info.url) && !m_state.NavigationMode && m_hooks.betweenPages)
                m_hooks.betweenPages();
            m_slot.Position = m_seq.CurrentPage;
            BrowseTo(info.url, info.time, info.hide, info.cached, info.separate);
        }
        SetState(RunState::WAITTIME);
    }
    m_state.LastActivity = now();
}

void Engine::stepWaitTime()
{
    const WindowId fg = m_ports.desktop.foregroundWindow();
    if (isForeground(AppWindow::Main, fg) || isForeground(AppWindow::ToolRun, fg) ||
        isForeground(AppWindow::ToolNav, fg))
        FocusBrowserPane();

    if (RebootDue()) {
        Reboot();
    } else if (m_slot.Failed && !m_slot.Loaded) {
        // A page that cannot be shown holds nothing: the previous one stays on screen and the
        // show goes on. Once a whole cycle failed in a row (the server is down), each page
        // keeps its time again, so the list is not hammered at the pace of the timer.
        if (m_seq.FailStreak < qMax(1, PageCount())) {
            ++m_seq.FailStreak;
            advancePage();
        } else {
            m_slot.Loaded = true;
            if (m_slot.Time == 0)
                m_slot.Time = qMax(1, m_settings.MaxTime); // tried again now and then
        }
    } else if (m_slot.Time != 0) {
        const EngineTime t = now();
        if (passed(m_slot.StartTime, m_slot.Time, t)) {
            if (m_slot.Loaded) {
                if (!heldOnScreen(t))
                    advancePage();
            } else if (passed(m_slot.StartTime, m_settings.MaxTime, t)) {
                qCWarning(lcShow).noquote()
                    << QStringLiteral("%1 did not finish loading in %2 s; the show moves on")
                           .arg(entryName())
                           .arg(m_settings.MaxTime);
                if (m_hooks.resetConnectionCheck)
                    m_hooks.resetConnectionCheck();
                advancePage();
            }
        }
    }
    RefreshToolBars();
}

QString Engine::entryName() const
{
    const DocumentState& doc = m_ports.document;
    const int position = m_seq.CurrentPage;
    if (position >= 1 && position <= PageCount() && doc.PlayList[position].URL == m_slot.Url)
        return QStringLiteral("Page %1 of the play list, %2").arg(position).arg(m_slot.Url);
    if (m_slot.Url == m_seq.SplashUrl)
        return QStringLiteral("The start page %1").arg(m_slot.Url);
    return QStringLiteral("The page %1").arg(m_slot.Url);
}

bool Engine::heldOnScreen(EngineTime t) const
{
    // Shown without a load (the start page kept, black behind a program): nothing to wait for.
    if (m_slot.LoadedAt == 0)
        return false;
    if (m_slot.OnScreenSince == 0)
        return !passed(m_slot.LoadedAt, kPaintWaitSeconds, t);
    return m_slot.Late && !passed(m_slot.OnScreenSince, kLateStaySeconds, t);
}

void Engine::PageLoaded()
{
    const EngineTime t = now();
    if (!m_slot.Loaded) {
        m_slot.LoadedAt = t;
        m_slot.OnScreenSince = 0;
    }
    // Its time ran out while it loaded: it is seen all the same, never skipped unseen.
    if (!m_slot.Loaded && m_slot.Time != 0 && m_state.CurrentState == RunState::WAITTIME &&
        !m_state.NavigationMode && passed(m_slot.StartTime, m_slot.Time, t)) {
        m_slot.Late = true;
        qCWarning(lcShow).noquote()
            << QStringLiteral("%1 finished loading after its time of %2 s was over (in %3 s); "
                              "it stays on screen for %4 s")
                   .arg(entryName())
                   .arg(m_slot.Time)
                   .arg(double(t - m_slot.StartTime) / 1000.0, 0, 'f', 1)
                   .arg(kLateStaySeconds);
    }
    m_slot.Loaded = true;
    m_seq.FailStreak = 0;
    m_health.lastCompleted = now();
}

void Engine::PageLoadStarted(const QString& target)
{
    if (m_slot.Loaded || m_slot.Failed || m_slot.Target.isEmpty() || target != m_slot.Target)
        return;
    m_slot.Started = true;
    m_slot.StartTime = now();
}

void Engine::notePlaying(EngineTime t)
{
    const RunState s = m_state.CurrentState;
    const bool playing =
        !m_state.NavigationMode && !m_configCommandLine &&
        (s == RunState::INIT || s == RunState::NAVIGATE || s == RunState::WAITTIME);
    if (playing && !m_wasPlaying)
        m_health.playingSince = t;
    m_wasPlaying = playing;
}

int Engine::LongestPageTime() const
{
    const DocumentState& doc = m_ports.document;
    int longest = doc.HomeAsSplash ? (doc.DefaultTime != 0 ? doc.DefaultTime : 10) : 2;
    for (int i = 1; i <= PageCount(); ++i) {
        const PlayEntry& e = doc.PlayList[i];
        longest = qMax(longest, e.DefaultTime ? doc.DefaultTime : e.Time);
    }
    return longest;
}

bool Engine::Stalled() const
{
    if (!m_wasPlaying || (m_slot.Time == 0 && m_slot.Loaded))
        return false;
    const EngineTime since = qMax(m_health.lastCompleted, m_health.playingSince);
    return passed(since, qint64(LongestPageTime()) + m_settings.MaxTime, now());
}

void Engine::PageOnScreen()
{
    if (m_slot.LoadedAt == 0 || m_slot.OnScreenSince != 0)
        return;
    m_slot.OnScreenSince = now();
    if (m_slot.Position >= 0 && !m_state.NavigationMode)
        ++m_health.pagesShown;
}

void Engine::PageFailed(const QString& target, const QString& reason)
{
    // A load stopped because the program ends (a reboot, a quit) says nothing of the page.
    if (m_slot.Loaded || m_slot.Target.isEmpty() || target != m_slot.Target ||
        m_state.CurrentState == RunState::FINPROG) {
        qCDebug(lcShow).noquote() << QStringLiteral("%1 not shown: %2").arg(target, reason);
        return;
    }
    m_slot.Failed = true;
    m_slot.FailReason = reason;
    m_slot.FailedBrowse = m_slot.Browsed;
    m_slot.FailedUrl = m_slot.Url;
    m_health.lastFailed = now();
    if (m_slot.Position >= 0 && !m_state.NavigationMode)
        ++m_health.pageFailures[ShowHealth::failureKind(reason)];
    // (Said from within BrowseTo, the failure finds the show still in NAVIGATE.)
    const bool moving = !m_state.NavigationMode && (m_state.CurrentState == RunState::WAITTIME ||
                                                    m_state.CurrentState == RunState::NAVIGATE);
    qCWarning(lcShow).noquote() << QStringLiteral("%1 cannot be shown: %2%3")
                                       .arg(entryName(), reason,
                                            moving ? QStringLiteral("; the show moves on")
                                                   : QString());
}

void Engine::advancePage()
{
    m_seq.CurrentPage = StepPage(+1);
    // Resume here after a restart.
    (void)m_ports.settings.write(keys::FirstPage, qint32(m_seq.CurrentPage));
}

void Engine::stepWaitSaver()
{
    HighlightForState(RunState::WAITSAVER);
    const WindowId fg = m_ports.desktop.foregroundWindow();
    if (isForeground(AppWindow::Main, fg) || isForeground(AppWindow::ToolRun, fg))
        FocusBrowserPane();
    if (m_settings.SaverRestart &&
        passed(m_state.LastActivity, m_settings.ScreenSaveTimeOut, now())) {
        SetState(RunState::INIT);
        RememberCursor();
        showTakesOver();
        EnterSaverMode();
    }
    RefreshToolBars();
}

void Engine::showTakesOver()
{
    // Nothing a visitor or a page left open stays over the show, or under it.
    m_ports.frontend.closeDialogs(QStringLiteral("the show takes over"));
    // The show's pages ask nobody anything.
    m_ports.browser.setSilent(true);
}

void Engine::closeIdleDialogs(EngineTime t)
{
    if (m_configCommandLine || !m_settings.SaverRestart ||
        !passed(m_state.LastActivity, m_settings.ScreenSaveTimeOut, t) ||
        m_idleClosedFor == m_state.LastActivity)
        return;
    m_idleClosedFor = m_state.LastActivity;
    qCWarning(lcShow).noquote()
        << QStringLiteral("nobody used the configuration for %1 s: its dialogs are closed, "
                          "nothing is saved, and the show goes on")
               .arg(m_settings.ScreenSaveTimeOut);
    m_ports.frontend.closeDialogs(
        QStringLiteral("nobody used it for %1 s").arg(m_settings.ScreenSaveTimeOut));
}

bool Engine::UnlockConfiguration()
{
    PasswordLock& lock = m_ports.lock;
    if (!lock.storedPassword.isEmpty() && !lock.isUnlocked()) {
        lock.passwordDialogMode = PasswordDialogMode::Enter;
        if (m_settings.TopMost)
            MainNotTopmost();
        // Modal: ticks arriving meanwhile find EngineBusy set and skip their step.
        const bool busy = std::exchange(m_state.EngineBusy, true);
        m_ports.frontend.runPasswordDialog(lock);
        m_state.EngineBusy = busy;
        if (m_settings.TopMost)
            MainTopmost();
    }
    return lock.isUnlocked();
}

bool Engine::RunGuarded(const std::function<void()>& action)
{
    // Unlocked already while the configuration dialog is open: it stays so.
    const bool wasUnlocked = m_ports.lock.isUnlocked();
    if (!UnlockConfiguration())
        return false;
    action();
    if (!wasUnlocked)
        m_ports.lock.unlockedPassword.clear();
    return true;
}

void Engine::stepConfig()
{
    HighlightForState(RunState::CONFIG);
    PasswordLock& lock = m_ports.lock;
    Frontend& fe = m_ports.frontend;
    if (lock.isUnlocked() || UnlockConfiguration()) {
        if (m_settings.TopMost)
            MainNotTopmost();
        fe.openConfigDialog();
        ToolBarTopmost(ToolBar::Run);
        ToolBarTopmost(ToolBar::Nav);
        fe.setConfigTopmost(true);
        SetState(RunState::WAITCONFIG);
    } else {
        SetState(m_configCommandLine ? RunState::FINPROG : RunState::NAVIGATE);
    }
}

void Engine::stepFinProg()
{
    m_ports.frontend.saveWindowPlacement();
    HighlightForState(RunState::FINPROG);
    ShutDown();
    if (m_state.CurrentState == RunState::FINPROG) {
        m_state.ProcessEnded = true;
        m_ports.frontend.endProcess();
    }
}

void Engine::ShutDown()
{
    m_ports.frontend.closeMainWindow();
    if (m_state.CurrentState != RunState::FINPROG)
        return; // the close handler refused: the show goes on
    if (m_seq.ExternalPid != 0) {
        TerminateExternal(m_seq.ExternalPid);
        m_seq.ExternalPid = 0;
    }
    m_ports.frontend.unloadWindows();
}

bool Engine::QueryClose()
{
    // Without a Quit button the window stays; there is no screen-saver password to ask here.
    return QuitAllowed();
}

void Engine::HighlightForState(RunState state)
{
    const bool nav = m_state.NavigationMode;
    Frontend& fe = m_ports.frontend;
    switch (state) {
    case RunState::NAVIGATE:
        fe.highlightButton(ToolBar::Run, ToolRunPlay);
        break;
    case RunState::WAITSAVER:
        if (nav)
            fe.highlightButton(ToolBar::Nav, -1);
        else
            fe.highlightButton(ToolBar::Run, ToolRunPause);
        break;
    case RunState::CONFIG:
    case RunState::WAITCONFIG:
        if (nav)
            fe.highlightButton(ToolBar::Nav, ToolNavConfig);
        else
            fe.highlightButton(ToolBar::Run, ToolRunConfig);
        break;
    case RunState::FINPROG:
        if (nav)
            fe.highlightButton(ToolBar::Nav, ToolNavQuit);
        else
            fe.highlightButton(ToolBar::Run, ToolRunQuit);
        break;
    default:
        break;
    }
}

void Engine::MainTopmost()
{
    m_ports.frontend.setMainTopmost(true);
}

void Engine::MainNotTopmost()
{
    m_ports.frontend.setMainTopmost(false);
}

void Engine::ToolBarTopmost(ToolBar bar)
{
    // A main window kept on top keeps the tool bars as they are.
    if (!m_settings.TopMost)
        m_ports.frontend.setToolBarTopmost(bar);
}

void Engine::RefreshToolBars()
{
    m_ports.frontend.refreshToolBars();
}

bool Engine::isForeground(AppWindow window, WindowId foreground) const
{
    return foreground != 0 && foreground == m_ports.frontend.windowId(window);
}

// ---------------------------------------------------------------------------------------------
// Activity and modes

void Engine::NoteActivity()
{
    m_state.LastActivity = now();
}

void Engine::OnActivity()
{
    const EngineTime t = now();
    m_state.LastActivity = t;
    const bool graceOver = passed(m_state.SaverStart, m_settings.ScreenSaveMinTime, t);
    switch (m_settings.OnMouseMove) {
    case MouseMoveAction::NavigationMode:
        if (!m_state.NavigationMode && graceOver)
            SwitchToNavigation();
        break;
    case MouseMoveAction::Quit:
        if (graceOver)
            SetState(RunState::FINPROG);
        break;
    default:
        break;
    }
    RememberCursor();
}

void Engine::HandleKeyDown(int keyCode, int shift)
{
    if (keyCode == KeyCode::Escape && shift == 0 && QuitAllowed())
        SetState(RunState::FINPROG);
    else if (keyCode == KeyCode::F4 && shift == ShiftMask::Alt && QuitAllowed())
        SetState(RunState::FINPROG);
    else if (keyCode == KeyCode::F1 && shift == 0 && HelpAllowed())
        ShowHelp();
    OnActivity();
    m_state.LastActivity = now();
}

void Engine::EnterNavigationMode()
{
    m_state.LastActivity = now();
    m_state.NavigationMode = true;
    if (m_state.CurrentState != RunState::WAITCONFIG)
        SetState(RunState::WAITSAVER);
    m_ports.frontend.showToolBar(ToolBar::Run, false);
    if (ToolNavShown()) {
        m_ports.frontend.showToolBar(ToolBar::Nav, true);
        ToolBarTopmost(ToolBar::Nav);
    }
    ShowCursorFully();
}

void Engine::EnterSaverMode()
{
    const bool visited = m_state.NavigationMode;
    m_state.SaverStart = now();
    m_state.NavigationMode = false;
    // The show takes over again: windows the pages opened meanwhile go.
    m_ports.browser.ClosePopups();
    if (visited && m_hooks.visitEnded)
        m_hooks.visitEnded();
    m_ports.frontend.showToolBar(ToolBar::Nav, false);
    if (ToolRunShown()) {
        m_ports.frontend.showToolBar(ToolBar::Run, true);
        ToolBarTopmost(ToolBar::Run);
    }
}

void Engine::SwitchToNavigation()
{
    if (m_ports.document.AutoHome)
        GoHome();
    m_state.LastActivity = now();
    EnterNavigationMode();
    if (m_hooks.updateDue)
        m_hooks.updateDue();
    if (m_ports.browser.Silent())
        m_ports.browser.setSilent(false);
    if (m_ports.frontend.placedButtonCount(ToolBar::Nav) > 0)
        ShowCursorFully();
}

void Engine::ShowHelp()
{
    m_state.LastActivity = now();
    EnterNavigationMode();
    if (m_hooks.updateDue)
        m_hooks.updateDue();
    if (m_ports.browser.Silent())
        m_ports.browser.setSilent(false);
    if (m_ports.frontend.placedButtonCount(ToolBar::Nav) > 0)
        ShowCursorFully();
    m_slot.Position = -1;
    BrowseTo(m_settings.HelpURL, 0, false, false, true);
}

// ---------------------------------------------------------------------------------------------
// Tool bar actions

void Engine::QuitAction()
{
    SetState(RunState::FINPROG);
}

void Engine::ConfigAction()
{
    switch (m_state.CurrentState) {
    case RunState::NAVIGATE:
    case RunState::WAITTIME:
    case RunState::WAITSAVER:
    case RunState::CONFIG:
    case RunState::WAITCONFIG:
        SetState(RunState::CONFIG);
        break;
    default:
        break;
    }
}

void Engine::PlayAction()
{
    if (m_state.NavigationMode) {
        if (m_state.CurrentState == RunState::WAITSAVER)
            SetState(RunState::INIT);
        RememberCursor();
        showTakesOver();
        EnterSaverMode();
        if (ToolRunShown())
            ShowCursorFully();
        else
            HideCursor();
    } else if (m_state.CurrentState == RunState::WAITSAVER) {
        SetState(RunState::NAVIGATE);
    }
}

void Engine::PauseAction()
{
    if (m_state.NavigationMode)
        return;
    if (m_state.CurrentState == RunState::NAVIGATE || m_state.CurrentState == RunState::WAITTIME) {
        m_state.LastActivity = now();
        SetState(RunState::WAITSAVER);
    }
}

void Engine::showPage(int position)
{
    // A position past the end (a list that does not loop has ended) shows nothing new.
    if (IsPastLastPage(position) || position < 0)
        return;
    const PageInfo info = GetPageInfo(position);
    m_slot.Position = position;
    BrowseTo(info.url, info.time, info.hide, info.cached, info.separate);
}

void Engine::PreviousAction()
{
    if (m_state.NavigationMode)
        return;
    if (m_state.CurrentState == RunState::WAITSAVER) {
        m_ports.frontend.highlightButton(ToolBar::Run, ToolRunPrevious);
        m_seq.CurrentPage = StepPage(-1);
        showPage(m_seq.CurrentPage);
        SetState(RunState::WAITSAVER);
    } else if (m_state.CurrentState == RunState::NAVIGATE ||
               m_state.CurrentState == RunState::WAITTIME) {
        m_ports.frontend.highlightButton(ToolBar::Run, ToolRunPrevious);
        m_seq.CurrentPage = StepPage(-1);
        SetState(RunState::NAVIGATE);
    }
}

void Engine::NextAction()
{
    if (m_state.NavigationMode)
        return;
    if (m_state.CurrentState == RunState::WAITSAVER) {
        m_ports.frontend.highlightButton(ToolBar::Run, ToolRunNext);
        m_seq.CurrentPage = StepPage(+1);
        showPage(m_seq.CurrentPage);
        SetState(RunState::WAITSAVER);
    } else if (m_state.CurrentState == RunState::WAITTIME) {
        m_ports.frontend.highlightButton(ToolBar::Run, ToolRunNext);
        m_seq.CurrentPage = StepPage(+1);
        SetState(RunState::NAVIGATE);
    }
}

bool Engine::QuitAllowed() const
{
    const DocumentState& doc = m_ports.document;
    return (doc.ToolRunButtons.size() > ToolRunQuit && doc.ToolRunButtons[ToolRunQuit].Visible) ||
           (doc.ToolNavButtons.size() > ToolNavQuit && doc.ToolNavButtons[ToolNavQuit].Visible);
}

bool Engine::HelpAllowed() const
{
    const DocumentState& doc = m_ports.document;
    const bool button =
        (doc.ToolNavButtons.size() > ToolNavHelp && doc.ToolNavButtons[ToolNavHelp].Visible) ||
        (doc.ToolRunButtons.size() > ToolRunHelp && doc.ToolRunButtons[ToolRunHelp].Visible);
    return button && m_settings.HelpEnabled;
}

bool Engine::ToolRunShown() const
{
    return m_ports.frontend.placedButtonCount(ToolBar::Run) > 0 &&
           m_settings.OnMouseMove == MouseMoveAction::Nothing;
}

bool Engine::ToolNavShown() const
{
    return m_ports.frontend.placedButtonCount(ToolBar::Nav) > 0 &&
           m_settings.OnMouseMove != MouseMoveAction::Quit;
}

// ---------------------------------------------------------------------------------------------
// The configuration dialog

void Engine::ConfigAccepted()
{
    m_state.SaverStart = now();
    SetState(RunState::INIT);
    RememberCursor();
}

void Engine::ConfigCancelled()
{
    m_state.SaverStart = now();
}

void Engine::ConfigClosed()
{
    m_ports.lock.unlockedPassword.clear();
    if (m_configCommandLine) {
        SetState(RunState::FINPROG);
    } else {
        SetState(RunState::NAVIGATE);
        const bool show = m_state.NavigationMode ? ToolNavShown() : ToolRunShown();
        if (show)
            ShowCursorFully();
        else
            HideCursor();
    }
    if (m_settings.TopMost)
        MainTopmost();
}

// ---------------------------------------------------------------------------------------------
// Pointer and focus

void Engine::RememberCursor()
{
    m_state.cursorRef = m_ports.desktop.cursorPos();
    m_state.cursorRemembered = true;
}

void Engine::HideCursor()
{
    // Down to a count well below zero, however often either was called before.
    for (int guard = 0; guard < 1000; ++guard) {
        if (m_ports.desktop.showCursor(false) < -5)
            break;
    }
}

void Engine::ShowCursorFully()
{
    for (int guard = 0; guard < 1000; ++guard) {
        if (m_ports.desktop.showCursor(true) > 5)
            break;
    }
}

void Engine::FocusBrowserPane()
{
    const WindowId pane = FindBrowserPane(m_ports.frontend.windowId(AppWindow::Main));
    if (pane != 0 && pane != m_state.LastFocused) {
        m_ports.desktop.setFocus(pane);
        m_state.LastFocused = pane;
    }
}

WindowId Engine::FindBrowserPane(WindowId parent)
{
    if (parent == 0)
        return 0;
    if (m_classSource != m_settings.IEWindowClasses) {
        m_classSource = m_settings.IEWindowClasses;
        m_classPatterns = ParsePatternList(m_classSource);
    }
    if (m_titleSource != m_settings.IEWindowTitles) {
        m_titleSource = m_settings.IEWindowTitles;
        m_titlePatterns = ParsePatternList(m_titleSource);
    }
    if (m_classPatterns.isEmpty() && m_titlePatterns.isEmpty())
        return 0;
    WindowId found = 0;
    m_ports.desktop.visitDescendants(parent, [&](const DesktopWindow& w) {
        for (const WildcardPattern& p : std::as_const(m_classPatterns)) {
            if (p.matches(w.className)) {
                found = w.id;
                return false;
            }
        }
        for (const WildcardPattern& p : std::as_const(m_titlePatterns)) {
            if (p.matches(w.title)) {
                found = w.id;
                return false;
            }
        }
        return true;
    });
    return found;
}

} // namespace glasspane
