#pragma once

#include "app/show_parts.h"
#include "engine/play_log.h"
#include "engine/service_heartbeat.h"
#include "engine/show_control.h"
#include "engine/stay_awake.h"
#include "platform/linux/termination_signals.h"

#include <memory>

namespace glasspane {

// The show: its parts, the main window on them, the administrators' commands and the display
// kept awake. main() owns one; the configuration side reaches the parts it edits through it.
// Members are destroyed in reverse order: the window before the parts (the browser profile).
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

    ShowParts parts;
    TerminationSignals termination;

private:
    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<StayAwake> m_stayAwake;
    std::unique_ptr<ShowControl> m_control;
    std::unique_ptr<ServiceHeartbeat> m_heartbeat;
    std::unique_ptr<PlayLog> m_playLog;
    std::unique_ptr<PlayRecorder> m_plays;
    const Engine* m_followed = nullptr; // the engine whose page changes m_plays hears
    bool m_showEnded = false;
    // Each step of the main loop: the service manager and the play log hear how the show is.
    void followShow();
};

} // namespace glasspane
