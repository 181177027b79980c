#include "engine/show_report.h"

#include <QJsonArray>
#include <QLocale>

namespace glasspane {

namespace {

QString isoTime(const QDateTime& when)
{
    // With the offset from UTC, so that a log elsewhere can be compared with it.
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonValue jsonTime(const QDateTime& when)
{
    return when.isValid() ? QJsonValue(isoTime(when)) : QJsonValue(QJsonValue::Null);
}

QDateTime fromMs(qint64 ms)
{
    return ms > 0 ? QDateTime::fromMSecsSinceEpoch(ms) : QDateTime();
}

QString megabytes(qint64 kb)
{
    return QStringLiteral("%1 MB").arg((kb + 512) / 1024);
}

QString memoryText(const MemoryUse& use)
{
    if (use.programKb < 0)
        return QStringLiteral("unknown");
    if (use.helpers == 0)
        return megabytes(use.programKb);
    return QStringLiteral("%1 (glasspane %2, browser %3 in %4 %5)")
        .arg(megabytes(use.programKb + use.helpersKb), megabytes(use.programKb),
             megabytes(use.helpersKb))
        .arg(use.helpers)
        .arg(use.helpers == 1 ? QStringLiteral("process") : QStringLiteral("processes"));
}

QString screenWord(ScreenState::Kind kind)
{
    switch (kind) {
    case ScreenState::Kind::On:
        return QStringLiteral("on");
    case ScreenState::Kind::Blanked:
        return QStringLiteral("blanked");
    case ScreenState::Kind::Locked:
        return QStringLiteral("locked");
    case ScreenState::Kind::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

// "on", "blanked by XScreenSaver since 2026-12-11T05:07:56+01:00", "unknown".
QString screenText(const ScreenState& screen)
{
    QString text = screenWord(screen.kind);
    if (screen.kind != ScreenState::Kind::Blanked && screen.kind != ScreenState::Kind::Locked)
        return text;
    if (!screen.by.isEmpty())
        text += QStringLiteral(" by ") + screen.by;
    if (screen.since.isValid())
        text += QStringLiteral(" since ") + isoTime(screen.since);
    return text;
}

// One metric: its HELP and TYPE lines, then its samples ("LABELS VALUE", LABELS may be "").
void metric(QString& out, const char* name, const char* type, const char* help,
            const QList<QPair<QString, QString>>& samples)
{
    out += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
               .arg(QLatin1String(name), QLatin1String(help), QLatin1String(type));
    for (const auto& [labels, value] : samples)
        out += QLatin1String(name) + labels + u' ' + value + u'\n';
}

QString number(qint64 value)
{
    return QString::number(value);
}

const char* const kUpHelp = "Whether the show runs and answered (1) or not (0).";

} // namespace

QStringList StatusLines(const ShowReport& r)
{
    QStringList lines;
    lines << QStringLiteral("document: ") + r.document;
    lines << QStringLiteral("mode: ") + r.mode;
    lines << QStringLiteral("state: ") + r.state;
    if (r.running) {
        lines << QStringLiteral("page: %1 of %2%3")
                     .arg(r.page)
                     .arg(r.pageCount)
                     .arg(r.page == 0 ? QStringLiteral(" (start page)") : QString());
        lines << QStringLiteral("address: ") + r.address;
        if (r.since.isValid())
            lines << QStringLiteral("since: ") + isoTime(r.since);
        lines << QStringLiteral("last load: ") + (r.lastLoad == u"failed"
                                                      ? QStringLiteral("failed: ") + r.failReason
                                                      : r.lastLoad);
        lines << QStringLiteral("last complete: ") + (r.health.lastCompleted > 0
                                                          ? isoTime(fromMs(r.health.lastCompleted))
                                                          : QStringLiteral("never"));
        lines << QStringLiteral("renderer restarts: %1").arg(r.health.rendererRestarts);
        lines << QStringLiteral("page renewals: %1 (memory %2, age %3, not answering %4)")
                     .arg(r.health.renewals())
                     .arg(r.health.renewalsForMemory)
                     .arg(r.health.renewalsForAge)
                     .arg(r.health.renewalsUnresponsive);
    }
    // A show that plays over a blanked screen shows nobody anything.
    if (r.screen)
        lines << QStringLiteral("screen: ") + screenText(*r.screen);
    lines << QStringLiteral("started: ") + isoTime(r.started);
    lines << QStringLiteral("pid: %1").arg(r.pid);
    if (r.memory)
        lines << QStringLiteral("memory: ") + memoryText(*r.memory);
    return lines;
}

QJsonObject StatusJson(const ShowReport& r)
{
    QJsonObject o;
    o[u"document"] = r.document;
    o[u"mode"] = r.mode;
    o[u"state"] = r.state;
    o[u"stalled"] = r.stalled;
    o[u"version"] = r.version;
    o[u"started"] = jsonTime(r.started);
    o[u"pid"] = r.pid;
    if (r.running) {
        o[u"page"] = r.page;
        o[u"pageCount"] = r.pageCount;
        o[u"address"] = r.address;
        o[u"since"] = jsonTime(r.since);
        QJsonObject load{{QStringLiteral("result"), r.lastLoad},
                         {QStringLiteral("at"), jsonTime(r.lastLoadAt)}};
        if (r.lastLoad == u"failed")
            load[u"reason"] = r.failReason;
        o[u"lastLoad"] = load;
        o[u"lastComplete"] = jsonTime(fromMs(r.health.lastCompleted));
        o[u"rendererRestarts"] = r.health.rendererRestarts;
        o[u"renewals"] =
            QJsonObject{{QStringLiteral("memory"), r.health.renewalsForMemory},
                        {QStringLiteral("age"), r.health.renewalsForAge},
                        {QStringLiteral("unresponsive"), r.health.renewalsUnresponsive}};
        o[u"pagesShown"] = qint64(r.health.pagesShown);
        QJsonObject failures;
        for (auto it = r.health.pageFailures.cbegin(); it != r.health.pageFailures.cend(); ++it)
            failures[it.key()] = qint64(it.value());
        o[u"pageFailures"] = failures;
    }
    if (r.screen) {
        QJsonObject screen{{QStringLiteral("state"), screenWord(r.screen->kind)}};
        if (!r.screen->by.isEmpty())
            screen[u"by"] = r.screen->by;
        if (r.screen->since.isValid())
            screen[u"since"] = isoTime(r.screen->since);
        o[u"screen"] = screen;
    }
    if (r.memory && r.memory->programKb >= 0)
        o[u"memoryBytes"] = QJsonObject{{QStringLiteral("glasspane"), r.memory->programKb * 1024},
                                        {QStringLiteral("browser"), r.memory->helpersKb * 1024},
                                        {QStringLiteral("browserProcesses"), r.memory->helpers}};
    return o;
}

QString MetricsTextDown()
{
    QString out;
    metric(out, "glasspane_up", "gauge", kUpHelp, {{QString(), QStringLiteral("0")}});
    return out;
}

QString MetricsText(const ShowReport& r)
{
    QString out;
    metric(out, "glasspane_up", "gauge", kUpHelp, {{QString(), QStringLiteral("1")}});
    metric(out, "glasspane_stalled", "gauge",
           "Whether the show plays yet no page has completed for longer than any page may take.",
           {{QString(), r.stalled ? QStringLiteral("1") : QStringLiteral("0")}});
    metric(out, "glasspane_start_time_seconds", "gauge",
           "When the program started, in seconds since the epoch.",
           {{QString(), number(r.started.toSecsSinceEpoch())}});
    // Counters count from the program's start: a restart begins them at 0 again, which
    // Prometheus' rate() and increase() take for what it is.
    metric(out, "glasspane_pages_shown_total", "counter",
           "Pages of the show that came on screen since the program started.",
           {{QString(), number(qint64(r.health.pagesShown))}});
    QList<QPair<QString, QString>> failures;
    // Every kind from the start, so that an increase from none is seen.
    for (const QString& kind : ShowHealth::failureKinds())
        failures.append({QStringLiteral("{reason=\"%1\"}").arg(kind),
                         number(qint64(r.health.pageFailures.value(kind)))});
    metric(out, "glasspane_page_failures_total", "counter",
           "Pages of the show that could not be shown since the program started, by reason.",
           failures);
    metric(out, "glasspane_last_page_complete_timestamp_seconds", "gauge",
           "When a page last completed, in seconds since the epoch (0: none since the start).",
           {{QString(), QString::number(double(r.health.lastCompleted) / 1000.0, 'f', 3)}});
    metric(out, "glasspane_renderer_restarts_total", "counter",
           "Renderer processes that ended by themselves and whose page was loaded again.",
           {{QString(), number(r.health.rendererRestarts)}});
    metric(out, "glasspane_page_renewals_total", "counter", "Web pages renewed, by reason.",
           {{QStringLiteral("{reason=\"memory\"}"), number(r.health.renewalsForMemory)},
            {QStringLiteral("{reason=\"age\"}"), number(r.health.renewalsForAge)},
            {QStringLiteral("{reason=\"unresponsive\"}"), number(r.health.renewalsUnresponsive)}});
    if (r.memory && r.memory->programKb >= 0)
        metric(out, "glasspane_memory_bytes", "gauge",
               "Resident memory of the program and of the browser's processes.",
               {{QStringLiteral("{process=\"glasspane\"}"), number(r.memory->programKb * 1024)},
                {QStringLiteral("{process=\"browser\"}"), number(r.memory->helpersKb * 1024)}});
    return out;
}

QString PageSummary(const ShowReport& r)
{
    if (!r.running)
        return QStringLiteral("starting");
    QString text = QStringLiteral("page %1 of %2: %3").arg(r.page).arg(r.pageCount).arg(r.address);
    if (r.state != u"playing")
        text += QStringLiteral(" (%1)").arg(r.state);
    return text;
}

} // namespace glasspane
