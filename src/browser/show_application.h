#pragma once

#include "browser/frm_main.h"
#include "browser/qt_desktop.h"
#include "browser/termination_signals.h"
#include "browser/web_engine_setup.h"
#include "document/document.h"
#include "document/ini_files.h"
#include "document/page_cache.h"
#include "document/paths.h"
#include "document/settings.h"
#include "document/update_policy.h"
#include "engine/frontend.h"
#include "engine/show_control.h"
#include "engine/stay_awake.h"
#include "platform/linux/curl_internet.h"
#include "platform/online_state.h"

#include <QStringList>
#include <memory>

namespace glasspane {

class Clock;
class DisplayPower;
class Registry;
class Shares;
class Shell;
class System;
struct ProgramValues;

// The operating system's adapters and the values fixed at start-up, built by main().
struct PlatformParts
{
    System& system;
    Shell& shell;
    Registry& registry;
    Shares& shares;
    const Clock& clock;
    ProgramValues& program;
    // Kept awake while the show runs; none: the display is left to the desktop.
    DisplayPower* displayPower = nullptr;
};

// Removes "--screenshots FOLDER" from the arguments and returns the folder ("" when absent).
QString TakeScreenshotFolder(QStringList& arguments);

// The show: everything the main window and the engine own for the whole run, built on the
// platform's adapters. main() owns one; the configuration side reaches the parts it edits
// through it. Members are destroyed in reverse order: the window before the browser profile.
class ShowApplication
{
public:
    ShowApplication(const PlatformParts& platform, const QString& commandLine);
    ~ShowApplication();
    ShowApplication(const ShowApplication&) = delete;
    ShowApplication& operator=(const ShowApplication&) = delete;

    // The load sequence, the caption, and the window on screen; the timer drives the show from
    // here on, and keeps the display awake while it plays. SIGTERM and SIGINT end it like the
    // Quit button. hostWindow: another program's X11 window to show in (a screen-saver host's);
    // the show then fills it, and ends when it goes. 0: a window of its own.
    void start(quintptr hostWindow = 0);

    frmMain& window() { return *m_window; }
    // The administrators' commands (gpane status, next, open...) on this show.
    ShowControl& control() { return *m_control; }

    PlatformParts platform;
    IniFiles ini;
    SettingsStore settings;
    CurlGlobal curl;
    OnlineState online;
    CurlInternet internet;
    NetworkDrives drives;
    QtDesktop desktop;
    DocumentState document;
    CacheState cache;
    UpdateState update;
    PasswordLock lock;
    BrowserProfile profile;
    TerminationSignals termination;

private:
    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<StayAwake> m_stayAwake;
    std::unique_ptr<ShowControl> m_control;
};

} // namespace glasspane
