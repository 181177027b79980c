#include "engine/reboot.h"

#include "document/settings.h"
#include "document/text.h"
#include "engine/engine.h"
#include "platform/browser.h"
#include "platform/clock.h"
#include "platform/system.h"

#include <QTimeZone>

namespace glasspane {

PlatformFamily GetPlatform(const System& system)
{
    return system.platform();
}

namespace {

// The first moment of `day` whose wall clock (in the time zone of `now`) shows `time`. When the
// clocks skip that time (the change to summer time), the first moment after the skipped span,
// which is when the wall clock first passes it; when they show it twice, the first time.
// Decided here rather than by QDateTime, whose resolution of such times differs between Qt
// versions: only instants are converted to wall-clock times, which is never ambiguous.
QDateTime wallClockAt(const QDate& day, const QTime& time, const QDateTime& now)
{
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const auto local = [&](qint64 ms) { return now.addMSecs(ms - nowMs); };
    constexpr qint64 Day = 24 * 3600 * 1000;
    const QDateTime wanted(day, time, QTimeZone::utc());
    for (int minute = 0; minute < 24 * 60; ++minute) {
        const QDateTime wall = wanted.addSecs(minute * 60);
        // The wall-clock time read as if it were UTC, less each offset in force around it.
        const qint64 asUtc = wall.toMSecsSinceEpoch();
        QDateTime first;
        for (const qint64 probe : {asUtc - Day, asUtc + Day}) {
            const QDateTime candidate = local(asUtc - local(probe).offsetFromUtc() * 1000LL);
            if (candidate.date() == wall.date() && candidate.time() == wall.time() &&
                (!first.isValid() || candidate < first))
                first = candidate;
        }
        if (first.isValid())
            return first;
    }
    return {};
}

} // namespace

QDateTime ComputeRebootAt(const QString& rebootTime, const QDateTime& now)
{
    const int colon = int(rebootTime.indexOf(u':'));
    const QString hourText = colon < 0 ? rebootTime : rebootTime.left(colon);
    const QString minuteText = colon < 0 ? QString() : rebootTime.mid(colon + 1);
    // The remainders keep the sign of the value: "-3" is three hours before midnight.
    const int hour = ToLong(hourText, 0) % 24;
    const int minute = ToLong(minuteText, 0) % 60;

    // Wall-clock time of the day, so that a change of daylight saving time keeps the hour.
    int minutes = hour * 60 + minute;
    QDate day = now.date();
    while (minutes < 0) {
        minutes += 24 * 60;
        day = day.addDays(-1);
    }
    const QTime time(minutes / 60, minutes % 60);
    QDateTime at = wallClockAt(day, time, now);
    if (at < now)
        at = wallClockAt(day.addDays(1), time, now);
    return at;
}

// ---------------------------------------------------------------------------------------------

void Engine::SetRebootTime(const QString& rebootTime)
{
    m_settings.RebootTime = rebootTime;
    m_rebootAt = ComputeRebootAt(rebootTime, m_ports.clock.now());
    m_rebootAtMs = m_rebootAt.toMSecsSinceEpoch();
}

bool Engine::RebootDue() const
{
    return m_settings.AutoReboot && now() > m_rebootAtMs;
}

void Engine::Reboot()
{
    m_ports.browser.Stop();
    SetState(RunState::FINPROG);
    // The account logs in by itself after the restart through the display manager, which
    // needs no password: none is read or written anywhere (on disk it would be in clear
    // text). The Windows logon key means nothing here. Whatever stops it, the reboot goes on.
    if (m_settings.AutoLogin && GetPlatform(m_ports.system) == PlatformFamily::NtFamily) {
        if (!m_settings.NTDomain.trimmed().isEmpty())
            qCDebug(lcShow) << "the domain of the automatic login has no meaning here";
        QString problem;
        if (!m_ports.system.setAutomaticLogin(m_settings.NTLogin.trimmed(), &problem))
            qCWarning(lcShow).noquote()
                << QStringLiteral("the automatic login after the reboot could not be set up "
                                  "(%1); rebooting all the same")
                       .arg(problem);
    }
    // The program ends through FINPROG whether or not the system carries the reboot out.
    (void)m_ports.system.reboot(m_settings.ForceReboot);
}

} // namespace glasspane
