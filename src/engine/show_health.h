#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace glasspane {

// How the show has fared: what the administrators' status (and anything that watches the show)
// reads. Times are milliseconds since the epoch, 0 for never.
struct ShowHealth
{
    qint64 lastCompleted = 0; // a top-level page last completed
    qint64 playingSince = 0;  // the show last began to play (start, resumed, taken back)
    // Renderer processes that ended by themselves (a crash, killed from outside) and whose page
    // was loaded again.
    int rendererRestarts = 0;
    // Web pages renewed: for memory, for age, and because the renderer stopped answering.
    int renewalsForMemory = 0;
    int renewalsForAge = 0;
    int renewalsUnresponsive = 0;

    // Pages of the show that came on screen, and those that could not be shown, by the kind of
    // their failure (failureKind): what the metrics count for the life of the process.
    quint64 pagesShown = 0;
    QMap<QString, quint64> pageFailures;
    qint64 lastFailed = 0; // a page of the show last could not be shown

    int renewals() const { return renewalsForMemory + renewalsForAge + renewalsUnresponsive; }

    // A failure's reason as one of a few words ("http", "refused", "stopped", "network",
    // "fetch", "other"), so that a monitoring system can count by it.
    static QString failureKind(const QString& reason);
    // All the words failureKind gives.
    static const QStringList& failureKinds();
};

} // namespace glasspane
