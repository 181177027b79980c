#pragma once

#include "platform/service_manager.h"
#include "support/settable_clock.h"

#include <QList>
#include <QPair>

namespace glasspane {

// A service manager that records what it is told, and when (on the test's clock).
class FakeServiceManager final : public ServiceManager
{
public:
    explicit FakeServiceManager(const SettableClock& clock, qint64 watchdog = 0)
        : m_clock(clock), m_watchdogMs(watchdog)
    {}
    void notify(const QByteArray& state) override
    {
        notices.append({m_clock.now().toMSecsSinceEpoch(), state});
    }
    qint64 watchdogMs() const override { return m_watchdogMs; }
    void journal(const QList<QByteArray>& fields) override { journalled.append(fields); }

    // The times of the notices that begin with prefix.
    QList<qint64> timesOf(const QByteArray& prefix) const
    {
        QList<qint64> times;
        for (const auto& [when, state] : notices) {
            if (state.startsWith(prefix))
                times.append(when);
        }
        return times;
    }

    QList<QPair<qint64, QByteArray>> notices;
    QList<QList<QByteArray>> journalled;

private:
    const SettableClock& m_clock;
    qint64 m_watchdogMs;
};

} // namespace glasspane
