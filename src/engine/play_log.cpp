#include "engine/play_log.h"

#include "engine/engine.h"
#include "platform/clock.h"
#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace glasspane {

namespace {

const QRegularExpression& fileName()
{
    static const QRegularExpression name(QStringLiteral("^plays-(\\d{6,})\\.log$"));
    return name;
}

// The log's files by their number, oldest first.
QList<QPair<int, QString>> logFiles(const QString& folder)
{
    QList<QPair<int, QString>> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = fileName().match(name);
        if (m.hasMatch())
            files.append({m.captured(1).toInt(), dir.filePath(name)});
    }
    std::sort(files.begin(), files.end());
    return files;
}

QString isoTime(const QDateTime& when)
{
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

} // namespace

QJsonObject PlayRecord::toJson() const
{
    QJsonObject o{{QStringLiteral("asked"), isoTime(asked)},
                  {QStringLiteral("shown"),
                   shown.isValid() ? QJsonValue(isoTime(shown)) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("seconds"), double(durationMs) / 1000.0},
                  {QStringLiteral("page"), page},
                  {QStringLiteral("address"), address},
                  {QStringLiteral("result"), result}};
    if (!reason.isEmpty())
        o[u"reason"] = reason;
    return o;
}

std::optional<PlayRecord> PlayRecord::fromJson(const QJsonObject& o)
{
    PlayRecord r;
    r.asked = QDateTime::fromString(o.value(u"asked").toString(), Qt::ISODateWithMs);
    r.shown = QDateTime::fromString(o.value(u"shown").toString(), Qt::ISODateWithMs);
    r.durationMs = qRound64(o.value(u"seconds").toDouble() * 1000.0);
    r.page = o.value(u"page").toInt(-1);
    r.address = o.value(u"address").toString();
    r.result = o.value(u"result").toString();
    r.reason = o.value(u"reason").toString();
    if (!r.asked.isValid() || r.page < 0 || r.result.isEmpty())
        return std::nullopt;
    return r;
}

QList<QByteArray> PlayJournalFields(const PlayRecord& r)
{
    const QString seconds = QString::number(double(r.durationMs) / 1000.0, 'f', 3);
    QString message =
        r.shown.isValid()
            ? QStringLiteral("page %1 on screen for %2 s: %3").arg(r.page).arg(seconds, r.address)
            : QStringLiteral("page %1 not shown: %2").arg(r.page).arg(r.address);
    if (r.result != u"complete")
        message += QStringLiteral(" (%1%2)").arg(
            r.result, r.reason.isEmpty() ? QString() : QStringLiteral(": ") + r.reason);
    QList<QByteArray> fields{"MESSAGE=" + message.toUtf8(),
                             "PRIORITY=6",
                             "SYSLOG_IDENTIFIER=glasspane",
                             "GLASSPANE_PAGE=" + QByteArray::number(r.page),
                             "GLASSPANE_ADDRESS=" + r.address.toUtf8(),
                             "GLASSPANE_SECONDS=" + seconds.toUtf8(),
                             "GLASSPANE_RESULT=" + r.result.toUtf8()};
    if (r.shown.isValid())
        fields << "GLASSPANE_SHOWN=" + isoTime(r.shown).toUtf8();
    if (!r.reason.isEmpty())
        fields << "GLASSPANE_REASON=" + r.reason.toUtf8();
    return fields;
}

QString PlayLog::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/glasspane/plays");
}

PlayLog::PlayLog(QString folder, qint64 fileBytes, int files)
    : m_folder(std::move(folder)), m_fileBytes(fileBytes), m_files(qMax(1, files))
{
    // Goes on in the newest file of a run before.
    const QList<QPair<int, QString>> existing = logFiles(m_folder);
    if (existing.isEmpty())
        return;
    m_number = existing.last().first;
    QFile last(existing.last().second);
    if (last.size() < m_fileBytes && last.open(QIODevice::ReadOnly))
        m_current = last.readAll();
    else
        ++m_number;
}

QString PlayLog::fileOf(int number) const
{
    return QDir(m_folder).filePath(QStringLiteral("plays-%1.log").arg(number, 6, 10, QChar(u'0')));
}

bool PlayLog::append(const PlayRecord& record, QString* error)
{
    const QByteArray line = QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact) + '\n';
    if (!m_current.isEmpty() && m_current.size() + line.size() > m_fileBytes) {
        // Full: the next file, and the oldest go.
        ++m_number;
        m_current.clear();
        const QList<QPair<int, QString>> files = logFiles(m_folder);
        for (const auto& [number, path] : files) {
            if (number <= m_number - m_files)
                QFile::remove(path);
        }
    }
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("cannot create the folder");
        return false;
    }
    m_current += line;
    return WriteWholeFile(fileOf(m_number), m_current, error);
}

QList<PlayRecord> PlayLog::read(const QString& folder)
{
    QList<PlayRecord> records;
    for (const auto& file : logFiles(folder)) {
        QFile f(file.second);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QJsonDocument doc = QJsonDocument::fromJson(line);
            if (!doc.isObject())
                continue;
            if (std::optional<PlayRecord> r = PlayRecord::fromJson(doc.object()))
                records.append(*r);
        }
    }
    return records;
}

PlayRecorder::PlayRecorder(PlayLog& log, const Clock& clock,
                           std::function<void(const PlayRecord&)> sink)
    : m_log(log), m_clock(clock), m_sink(std::move(sink))
{}

void PlayRecorder::update(const Engine& engine, bool leaving)
{
    const DisplaySlot& slot = engine.displaySlot();
    const QDateTime now = m_clock.now();
    if (slot.Browsed != m_browsed) {
        record();
        m_browsed = slot.Browsed;
        // The show's own pages; a visitor's (home, help, links) prove nothing.
        if (slot.Position >= 0 && !engine.state().NavigationMode && !slot.Url.isEmpty()) {
            PlayRecord r;
            r.asked = now;
            r.page = slot.Position;
            r.address = slot.Url;
            r.result = QStringLiteral("incomplete");
            m_current = r;
        }
    }
    if (m_current) {
        PlayRecord& r = *m_current;
        if (!r.shown.isValid() && slot.OnScreenSince != 0)
            r.shown = QDateTime::fromMSecsSinceEpoch(slot.OnScreenSince);
        // Shown without a load of its own (the start page kept, black behind a program).
        else if (!r.shown.isValid() && slot.Loaded && slot.LoadedAt == 0)
            r.shown = now;
        if (slot.Failed) {
            r.result = QStringLiteral("failed");
            r.reason = slot.FailReason;
        } else if (slot.Loaded) {
            r.result = QStringLiteral("complete");
        }
    }
    if (leaving)
        m_left = now;
}

void PlayRecorder::finish()
{
    record();
    m_browsed = 0;
}

void PlayRecorder::record()
{
    if (!m_current) {
        m_left = {};
        return;
    }
    PlayRecord r = *std::exchange(m_current, std::nullopt);
    const QDateTime end = m_left.isValid() ? m_left : m_clock.now();
    m_left = {};
    if (r.shown.isValid())
        r.durationMs = qMax<qint64>(0, r.shown.msecsTo(end));
    QString error;
    if (!m_log.append(r, &error))
        m_faults.failed(QStringLiteral("the play log"), error,
                        QStringLiteral("the page shown is not recorded"));
    else
        m_faults.written(QStringLiteral("the play log"));
    if (m_sink)
        m_sink(r);
}

} // namespace glasspane
