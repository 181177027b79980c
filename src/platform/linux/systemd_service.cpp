#include "platform/linux/systemd_service.h"

#include <QFileInfo>
#include <sys/uio.h>
#include <systemd/sd-daemon.h>
#include <systemd/sd-journal.h>
#include <vector>

namespace glasspane {

SystemdService::SystemdService()
{
    uint64_t usec = 0;
    // The variables stay set: the browser's processes are other pids, which the check of
    // WATCHDOG_PID keeps out.
    if (sd_watchdog_enabled(0, &usec) > 0)
        m_watchdogMs = qint64(usec / 1000);
    // Where no journal runs, nothing is sent to it.
    m_journal = QFileInfo::exists(QStringLiteral("/run/systemd/journal/socket"));
}

void SystemdService::notify(const QByteArray& state)
{
    // A failure (no manager listens any more) changes nothing for the show.
    sd_notify(0, state.constData());
}

void SystemdService::journal(const QList<QByteArray>& fields)
{
    if (!m_journal || fields.isEmpty())
        return;
    std::vector<iovec> parts;
    parts.reserve(size_t(fields.size()));
    for (const QByteArray& field : fields)
        parts.push_back({const_cast<char*>(field.constData()), size_t(field.size())});
    sd_journal_sendv(parts.data(), int(parts.size()));
}

} // namespace glasspane
