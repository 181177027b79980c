#pragma once

#include "platform/service_manager.h"

namespace glasspane {

// systemd through libsystemd: sd_notify over $NOTIFY_SOCKET, the watchdog's time from
// $WATCHDOG_USEC (for this process only), and the journal. Without NOTIFY_SOCKET nothing is
// sent; without a journal nothing is recorded.
class SystemdService final : public ServiceManager
{
public:
    SystemdService();
    void notify(const QByteArray& state) override;
    qint64 watchdogMs() const override { return m_watchdogMs; }
    void journal(const QList<QByteArray>& fields) override;

private:
    qint64 m_watchdogMs = 0;
    bool m_journal = false;
};

} // namespace glasspane
