#pragma once

#include "engine/show_health.h"
#include "platform/display_power.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace glasspane {

// The memory the show takes: the program and the processes it started (the browser's).
struct MemoryUse
{
    qint64 programKb = -1; // resident; -1 when unknown
    qint64 helpersKb = 0;
    int helpers = 0;
};

// What the running show reports of itself at one moment: the one record that the status (text
// and JSON), the metrics and the service manager's notices are written from.
struct ShowReport
{
    QString document;
    QString mode;  // "show", "screen saver", "configuration only"
    QString state; // "starting", "playing", "paused", "navigation", "configuration", "ending",
                   // "stalled"
    bool running = false; // the show has begun (the fields below up to health hold)
    bool stalled = false; // playing, yet no page has completed for longer than any page may take
    int page = 0;         // 0: the start page
    int pageCount = 0;
    QString address;
    QDateTime since;  // the page's time counts from then; invalid when not yet
    QString lastLoad; // "loading", "complete", "failed"
    QString failReason;
    QDateTime lastLoadAt;  // when the last load completed or failed; invalid when unknown
    bool onScreen = false; // the page has painted (or needs no load)
    ShowHealth health;
    std::optional<ScreenState> screen;
    QDateTime started;
    qint64 pid = 0;
    std::optional<MemoryUse> memory;
    QString version;
};

// "key: value" lines for people: document, mode, state, page, address, since, last load, last
// complete, renderer restarts, page renewals, screen, started, pid, memory.
QStringList StatusLines(const ShowReport& report);
// The same as one JSON object (its schema: docs/status.schema.json).
QJsonObject StatusJson(const ShowReport& report);
// The Prometheus text exposition format, as node_exporter's textfile collector reads it.
QString MetricsText(const ShowReport& report);
// The metrics when no show runs: glasspane_up 0 and nothing else.
QString MetricsTextDown();
// "page 2 of 5: ADDRESS", what the service manager shows as the show's status.
QString PageSummary(const ShowReport& report);

} // namespace glasspane
