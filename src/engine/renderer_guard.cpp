#include "engine/renderer_guard.h"

#include "document/settings.h"
#include "platform/clock.h"

namespace glasspane {

Q_LOGGING_CATEGORY(lcRenew, "glasspane.renew", QtInfoMsg)

namespace {

qint64 nowMs(const Clock& clock)
{
    return clock.now().toMSecsSinceEpoch();
}

} // namespace

qint64 DefaultRendererMemoryLimitMiB(qint64 physicalKiB)
{
    if (physicalKiB <= 0)
        return 0;
    return std::max<qint64>(512, physicalKiB / 1024 / 4);
}

RendererGuardSettings ReadRendererGuardSettings(SettingsStore& settings, qint64 physicalKiB)
{
    RendererGuardSettings s;
    const qint64 fallback = DefaultRendererMemoryLimitMiB(physicalKiB);
    s.memoryLimitMiB =
        settings.read(keys::RendererMemoryLimit, qint32(std::min<qint64>(fallback, 1 << 30)));
    s.maxHours = settings.read(keys::RendererMaxHours);
    return s;
}

RendererGuard::RendererGuard(const Clock& clock, MemoryReading reading)
    : m_clock(clock), m_reading(std::move(reading))
{
    pageRenewed();
}

void RendererGuard::pageRenewed(Cause cause)
{
    m_pageStartMs = nowMs(m_clock);
    m_renewedForMemory = cause == Cause::Memory;
}

RendererGuard::Verdict RendererGuard::check() const
{
    Verdict v;
    // A clock put back makes the page no older than new.
    v.ageSeconds = std::max<qint64>(0, (nowMs(m_clock) - m_pageStartMs) / 1000);
    if (m_settings.memoryLimitMiB > 0 && m_reading) {
        v.memoryKiB = m_reading();
        qCDebug(lcRenew).noquote() << QStringLiteral("memory of the program's processes: %1 MiB "
                                                     "(limit %2 MiB)")
                                          .arg(v.memoryKiB / 1024)
                                          .arg(m_settings.memoryLimitMiB);
        const bool over = v.memoryKiB > m_settings.memoryLimitMiB * 1024;
        if (over && (!m_renewedForMemory || v.ageSeconds > kRenewRetrySeconds)) {
            v.cause = Cause::Memory;
            return v;
        }
    }
    if (m_settings.maxHours > 0 && v.ageSeconds > qint64(m_settings.maxHours) * 3600)
        v.cause = Cause::Age;
    return v;
}

QString RendererGuard::describe(const Verdict& verdict) const
{
    switch (verdict.cause) {
    case Cause::Memory:
        return QStringLiteral("the program's processes hold %1 MiB, more than the limit of %2 MiB")
            .arg(verdict.memoryKiB / 1024)
            .arg(m_settings.memoryLimitMiB);
    case Cause::Age:
        return QStringLiteral("it has served for %1 h, more than the %2 h allowed")
            .arg(verdict.ageSeconds / 3600)
            .arg(m_settings.maxHours);
    case Cause::None:
        break;
    }
    return QString();
}

} // namespace glasspane
