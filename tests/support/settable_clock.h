#pragma once

#include "platform/clock.h"

namespace glasspane {

// A clock that only moves when told to.
class SettableClock final : public Clock
{
public:
    explicit SettableClock(QDateTime start = QDateTime(QDate(2024, 3, 4), QTime(12, 0)))
        : m_now(std::move(start))
    {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& when) { m_now = when; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }
    void advanceSecs(qint64 s) { m_now = m_now.addSecs(s); }

private:
    QDateTime m_now;
};

} // namespace glasspane
