#include "app/gpane_plays.h"

#include "engine/play_log.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

namespace glasspane {

namespace {

int usage(QTextStream& err)
{
    err << "usage: gpane plays [--since TIME] [--json]\n";
    return 2;
}

QString isoTime(const QDateTime& when)
{
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

} // namespace

int RunPlays(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    bool json = false;
    QDateTime since;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == u"--json" && !json) {
            json = true;
        } else if (a == u"--since" && !since.isValid() && i + 1 < arguments.size()) {
            const QString text = arguments.at(++i);
            since = QDateTime::fromString(text, Qt::ISODateWithMs);
            if (!since.isValid())
                since = QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
            if (!since.isValid()) {
                err << "gpane: plays: " << text
                    << " is no time (2026-12-11, 2026-12-11T08:00:00 or with its offset)\n";
                return usage(err);
            }
        } else {
            return usage(err);
        }
    }
    QJsonArray array;
    for (const PlayRecord& r : PlayLog::read(PlayLog::defaultFolder())) {
        // A page that never came on screen counts from when it was asked for.
        const QDateTime when = r.shown.isValid() ? r.shown : r.asked;
        if (since.isValid() && when < since)
            continue;
        if (json) {
            array.append(r.toJson());
            continue;
        }
        out << (r.shown.isValid() ? isoTime(r.shown) : QStringLiteral("-")) << '\t'
            << QString::number(double(r.durationMs) / 1000.0, 'f', 1) << '\t' << r.page << '\t'
            << (r.reason.isEmpty() ? r.result : r.result + QStringLiteral(": ") + r.reason) << '\t'
            << r.address << '\n';
    }
    if (json)
        out << QJsonDocument(array).toJson(QJsonDocument::Compact) << '\n';
    out.flush();
    return 0;
}

} // namespace glasspane
