#pragma once

#include "engine/show_report.h"

namespace glasspane {

class Clock;
class ServiceManager;

// Keeps the service manager informed from the show's main loop: "READY=1" once the first page
// is on screen (or the show has moved on to its play list), "STATUS=" naming the page on screen, and "WATCHDOG=1" well
// within half the watchdog's time while the show is alive; never while it is stalled, so that a
// show that no longer moves is restarted as a frozen program is.
class ServiceHeartbeat
{
public:
    ServiceHeartbeat(ServiceManager& manager, const Clock& clock);

    // Called at each step of the main loop with the show as it is now.
    void update(const ShowReport& report);

private:
    ServiceManager& m_manager;
    const Clock& m_clock;
    bool m_ready = false;
    QString m_status;
    qint64 m_lastPing = 0;
};

} // namespace glasspane
