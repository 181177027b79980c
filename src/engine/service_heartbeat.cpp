#include "engine/service_heartbeat.h"

#include "platform/clock.h"
#include "platform/service_manager.h"

namespace glasspane {

ServiceHeartbeat::ServiceHeartbeat(ServiceManager& manager, const Clock& clock)
    : m_manager(manager), m_clock(clock)
{}

void ServiceHeartbeat::update(const ShowReport& report)
{
    // Also a page that came and went between two steps, and a show that has moved on to its
    // play list when its start page never showed: the show is up (a dead server at boot is no
    // reason to restart the program again and again; a show that does not move is the
    // watchdog's to end).
    const bool up = report.onScreen || report.health.pagesShown > 0 ||
                    report.lastLoad == u"failed" || report.page > 0;
    if (!m_ready && report.running && up) {
        m_ready = true;
        m_manager.notify("READY=1");
    }
    const QString status = PageSummary(report);
    if (status != m_status) {
        m_status = status;
        m_manager.notify("STATUS=" + status.toUtf8());
    }
    const qint64 interval = m_manager.watchdogMs();
    if (interval <= 0 || report.stalled)
        return;
    // A quarter of the watchdog's time: with the main loop's step on top, a ping still comes
    // within half of it, which leaves room for a loop that is slow for a moment.
    const qint64 now = m_clock.now().toMSecsSinceEpoch();
    if (m_lastPing != 0 && now - m_lastPing < interval / 4 && now >= m_lastPing)
        return;
    m_lastPing = now;
    m_manager.notify("WATCHDOG=1");
}

} // namespace glasspane
