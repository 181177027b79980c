#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace glasspane {

class Clock;
class SettingsStore;
struct CacheServices;
struct DocumentState;

// The update schemes (UpdateScheme).
enum UpdateSchemeKind : qint16 {
    AlwaysOnline = 0,
    AlwaysOffline = 1,
    UpdateDaily = 2,
    UpdateAtLaunch = 3,
    UpdateDailyDuringDelay = 4,
    UpdateAtLaunchDuringDelay = 5,
};

// The update policy's settings and bookkeeping. One copy lives in the application object.
struct UpdateState
{
    // Settings (ReadUpdateSettings).
    qint16 UpdateScheme = AlwaysOnline;
    QString UpdateTime = QStringLiteral("00:00"); // daily update time, "hh:mm"
    qint32 UpdateDelay = 300;                     // seconds on-line in schemes 4 and 5
    qint32 MaxTime = 300;        // seconds before a failed connection check is retried
    bool ForceReconnect = false; // go on-line even when the connection check fails

    // The last completed update and a pending "update as soon as possible" request, as stored
    // ("dd/mm/yyyy", "hh:nn:ss"); kept for the default document only, empty for any other.
    QString LastUpdateOccuredDate;
    QString LastUpdateOccuredTime;
    QString UpdateASAPDate;
    QString UpdateASAPTime;

    QDateTime LastUpdate; // the two LastUpdateOccured texts; invalid: never
    QDateTime NextUpdate;

    // The answer UpdateDue last applied to the on-line state; empty: never applied.
    std::optional<bool> LastAppliedOffline;

    // What the store holds for the request, so that it is written only when it changed.
    QString storedASAPDate;
    QString storedASAPTime;
};

// Reads UpdateScheme, UpdateDelay, ForceReconnect, UpdateTime and MaxTime (maxTimeFallback
// when unset: the screen-saver time-out).
void ReadUpdateSettings(SettingsStore& settings, UpdateState& update, qint32 maxTimeFallback);

// After every document load or new document: reads the bookkeeping texts for the default
// document (clears them for any other), then sets LastUpdate and NextUpdate.
void LoadUpdateBookkeeping(CacheServices& services);

// Start-up: download times aligned with the last completed update. Every play-list entry gets
// LastUpdate; page-list entries earlier than it are raised to it.
void AlignDownloadTimes(DocumentState& doc, const QDateTime& lastUpdate);

// When the next update is due. Now for schemes 3 and 5, when there was no update yet, or when
// a request is pending; otherwise the daily update time today, or tomorrow when the last
// update came after today's time.
QDateTime ComputeNextUpdate(const Clock& clock, int scheme, const QDateTime& lastUpdate,
                            const QString& updateTime, const QString& asapDate,
                            const QString& asapTime);

// Whether the program works off-line now (true) or on-line. With apply, the process's on-line
// state is switched to the answer; without it the state is left alone, except that the
// interactive cases of schemes 2 to 5 always go on-line.
bool UpdateDue(CacheServices& services, bool apply);

// After a page has loaded and when the program closes: the oldest download time of the lists
// becomes the last update (stored for the default document), and a request is cleared once
// every entry has been fetched after it.
void RecordUpdateProgress(CacheServices& services);

// The captions of the configuration dialog's update tab.
QString LastUpdateText(const QDateTime& lastUpdate);
QString NextUpdateText(const Clock& clock, const QDateTime& nextUpdate);

} // namespace glasspane
