#include "document/update_policy.h"

#include "document/day_count.h"
#include "document/document.h"
#include "document/page_cache.h"
#include "document/settings.h"
#include "platform/clock.h"
#include "platform/internet.h"

#include <QLocale>
#include <cmath>

namespace glasspane {

namespace {

// Date-times as day counts, so that "0 = never" compares as the stored values do.
DayCount days(const QDateTime& when)
{
    return when.isValid() ? ToDayCount(when) : 0.0;
}

DayCount asapOf(const UpdateState& update)
{
    return ParseDateOr(update.UpdateASAPDate, 0) + ParseTimeOr(update.UpdateASAPTime, 0);
}

qint16 schemeOf(const UpdateState& update)
{
    return update.UpdateScheme >= AlwaysOnline && update.UpdateScheme <= UpdateAtLaunchDuringDelay
               ? update.UpdateScheme
               : qint16(AlwaysOnline);
}

// The play list, then the page list: the order in which updates are looked for.
template <typename Visit> void forEachEntry(DocumentState& doc, Visit&& visit)
{
    for (PlayEntry& e : doc.PlayList) {
        if (!visit(e.URL, e.LastDownload))
            return;
    }
    for (PageEntry& e : doc.PageList) {
        if (!visit(e.URL, e.LastDownload))
            return;
    }
}

bool isUpdatableAddress(const QString& url)
{
    return url.startsWith(QLatin1String("ftp://")) || url.startsWith(QLatin1String("http://")) ||
           url.startsWith(QLatin1String("https://"));
}

void switchTo(CacheServices& services, bool offline)
{
    services.update.LastAppliedOffline = offline;
    if (services.internet.isOffline() != offline)
        services.internet.setOffline(offline);
}

} // namespace

void ReadUpdateSettings(SettingsStore& settings, UpdateState& update, qint32 maxTimeFallback)
{
    update.UpdateScheme = settings.read(keys::UpdateScheme);
    update.UpdateDelay = settings.read(keys::UpdateDelay);
    update.ForceReconnect = settings.read(keys::ForceReconnect);
    update.UpdateTime = settings.read(keys::UpdateTime);
    update.MaxTime = settings.read(keys::MaxTime, maxTimeFallback);
}

void LoadUpdateBookkeeping(CacheServices& services)
{
    UpdateState& u = services.update;
    if (services.doc.IsDefaultDocument) {
        SettingsStore& s = services.settings;
        u.LastUpdateOccuredDate = s.read(keys::LastUpdateOccuredDate);
        u.LastUpdateOccuredTime = s.read(keys::LastUpdateOccuredTime);
        u.UpdateASAPDate = s.read(keys::UpdateASAPDate);
        u.UpdateASAPTime = s.read(keys::UpdateASAPTime);
    } else {
        u.LastUpdateOccuredDate.clear();
        u.LastUpdateOccuredTime.clear();
        u.UpdateASAPDate.clear();
        u.UpdateASAPTime.clear();
    }
    u.storedASAPDate = u.UpdateASAPDate;
    u.storedASAPTime = u.UpdateASAPTime;
    const DayCount last =
        ParseDateOr(u.LastUpdateOccuredDate, 0) + ParseTimeOr(u.LastUpdateOccuredTime, 0);
    u.LastUpdate = last > 0 ? FromDayCount(last) : QDateTime();
    u.NextUpdate = ComputeNextUpdate(services.clock, u.UpdateScheme, u.LastUpdate, u.UpdateTime,
                                     u.UpdateASAPDate, u.UpdateASAPTime);
}

void AlignDownloadTimes(DocumentState& doc, const QDateTime& lastUpdate)
{
    for (PlayEntry& e : doc.PlayList)
        e.LastDownload = lastUpdate;
    for (PageEntry& e : doc.PageList) {
        if (days(e.LastDownload) < days(lastUpdate))
            e.LastDownload = lastUpdate;
    }
}

QDateTime ComputeNextUpdate(const Clock& clock, int scheme, const QDateTime& lastUpdate,
                            const QString& updateTime, const QString& asapDate,
                            const QString& asapTime)
{
    const QDateTime now = clock.now();
    const DayCount today = std::floor(ToDayCount(now));
    const DayCount t = ParseTime(updateTime);
    const DayCount asap = ParseDateOr(asapDate, 0) + ParseTimeOr(asapTime, 0);
    const DayCount last = days(lastUpdate);
    if (last != 0 && asap <= 0 && scheme != UpdateAtLaunch && scheme != UpdateAtLaunchDuringDelay) {
        // Today's time may lie in the past: the update is then due at once.
        const QDateTime result = FromDayCount(today + t < last ? today + 1 + t : today + t);
        if (result.isValid())
            return result;
    }
    return now;
}

bool UpdateDue(CacheServices& services, bool apply)
{
    UpdateState& u = services.update;
    CacheState& cache = services.cache;
    const QDateTime now = services.clock.now();
    bool offline = true;
    const qint16 scheme = schemeOf(u);
    switch (scheme) {
    case AlwaysOnline:
        // A failed check is retried once MaxTime has passed.
        if (!cache.Connected && cache.LastConnectionCheck.isValid() &&
            DurationPassed(days(cache.LastConnectionCheck), days(now), u.MaxTime))
            cache.LastConnectionCheck = QDateTime();
        offline = !CheckConnection(services);
        break;
    case AlwaysOffline:
        offline = true;
        break;
    default: {
        const bool interactive = services.userIsInteractive && services.userIsInteractive();
        if (interactive || asapOf(u) > 0) {
            switchTo(services, false);
            return false;
        }
        offline = true;
        if (days(now) < days(u.NextUpdate))
            break;
        if (scheme == UpdateDaily || scheme == UpdateAtLaunch) {
            const DayCount next = days(u.NextUpdate);
            forEachEntry(services.doc, [&](const QString& url, const QDateTime& lastDownload) {
                if (days(lastDownload) >= next)
                    return true;
                if (isUpdatableAddress(url) && CheckConnection(services))
                    offline = false;
                return false;
            });
        } else if (days(u.NextUpdate) + u.UpdateDelay / 86400.0 >= days(now) &&
                   CheckConnection(services)) {
            offline = false;
        }
        break;
    }
    }
    if (apply)
        switchTo(services, offline);
    return offline;
}

void RecordUpdateProgress(CacheServices& services)
{
    UpdateState& u = services.update;
    SettingsStore& settings = services.settings;
    const bool stored = services.doc.IsDefaultDocument;
    const QDateTime nowTime = services.clock.now();
    const DayCount now = days(nowTime);
    DayCount oldest = now;
    const DayCount asap = asapOf(u);
    bool pending = false;
    forEachEntry(services.doc, [&](const QString&, const QDateTime& lastDownload) {
        const DayCount d = days(lastDownload);
        if (d > 0) {
            oldest = std::min(oldest, d);
            if (d < asap)
                pending = true;
        }
        return true;
    });

    if (oldest != 0 && oldest < now) {
        const QString date = DateText(oldest);
        const QString time = TimeText(oldest);
        if (date != u.LastUpdateOccuredDate) {
            u.LastUpdateOccuredDate = date;
            if (stored)
                (void)settings.write(keys::LastUpdateOccuredDate, date);
        }
        if (time != u.LastUpdateOccuredTime) {
            u.LastUpdateOccuredTime = time;
            if (stored)
                (void)settings.write(keys::LastUpdateOccuredTime, time);
        }
        const DayCount last = ParseDateOr(date, 0) + ParseTimeOr(time, 0);
        u.LastUpdate = last > 0 ? FromDayCount(last) : QDateTime();
        if (oldest > days(u.NextUpdate) && u.NextUpdate.isValid())
            u.NextUpdate = u.NextUpdate.addDays(1);
    }

    if (!pending) {
        u.UpdateASAPDate.clear();
        u.UpdateASAPTime.clear();
    }
    if (stored) {
        // An empty text deletes the stored value.
        if (u.UpdateASAPDate != u.storedASAPDate &&
            settings.write(keys::UpdateASAPDate, u.UpdateASAPDate))
            u.storedASAPDate = u.UpdateASAPDate;
        if (u.UpdateASAPTime != u.storedASAPTime &&
            settings.write(keys::UpdateASAPTime, u.UpdateASAPTime))
            u.storedASAPTime = u.UpdateASAPTime;
    }
}

QString LastUpdateText(const QDateTime& lastUpdate)
{
    if (!lastUpdate.isValid())
        return QStringLiteral("Last update never occurred.");
    const QLocale locale = QLocale::system();
    return QStringLiteral("Last update occurred at: ") +
           locale.toString(lastUpdate.date(), QLocale::LongFormat) + QStringLiteral(", ") +
           locale.toString(lastUpdate.time(), QLocale::LongFormat);
}

QString NextUpdateText(const Clock& clock, const QDateTime& nextUpdate)
{
    if (!nextUpdate.isValid() || nextUpdate <= clock.now())
        return QStringLiteral("Next update will occur at next execution of Glasspane.");
    const QLocale locale = QLocale::system();
    return QStringLiteral("Next update will occur at: ") +
           locale.toString(nextUpdate.date(), QLocale::LongFormat) + QStringLiteral(", ") +
           locale.toString(nextUpdate.time(), QLocale::LongFormat);
}

} // namespace glasspane
