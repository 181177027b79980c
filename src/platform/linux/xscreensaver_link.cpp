#include "platform/linux/xscreensaver_link.h"

#include "platform/log.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace glasspane {

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// "Fri Dec 11 05:07:56 2026" (ctime's form, day of the month padded with a blank).
QDateTime ctimeText(const QString& text)
{
    return QLocale::c().toDateTime(text.simplified(), QStringLiteral("ddd MMM d hh:mm:ss yyyy"));
}

// Past due when the clock went back.
bool due(qint64 last, qint64 now, qint64 interval)
{
    return last == 0 || now - last >= interval || now < last;
}

} // namespace

XScreenSaverLink::XScreenSaverLink(QString command, QObject* parent)
    : QObject(parent),
      m_command(command.isEmpty() ? QStringLiteral("xscreensaver-command") : command)
{}

XScreenSaverLink::~XScreenSaverLink()
{
    if (m_watch) {
        m_watch->disconnect(this);
        m_watch->kill();
        m_watch->waitForFinished(1000);
    }
}

ScreenState XScreenSaverLink::parseLine(const QString& line, const QDateTime& now)
{
    // -watch: "BLANK Fri Dec 11 05:07:56 2026"; -time: "XScreenSaver 6.06: screen locked since
    // Fri Dec 11 05:08:03 2026 (hack #1)".
    static const QRegularExpression watch(QStringLiteral("^(BLANK|LOCK|UNBLANK)\\b\\s*(.*)$"));
    static const QRegularExpression time(
        QStringLiteral("screen (blanked|locked|non-blanked) since (.*?)\\s*(\\(.*\\))?$"));
    QString word, when;
    QRegularExpressionMatch m = watch.match(line.trimmed());
    if (m.hasMatch()) {
        word = m.captured(1);
        when = m.captured(2);
    } else if ((m = time.match(line.trimmed())).hasMatch()) {
        const QString t = m.captured(1);
        word = t == u"blanked"  ? QStringLiteral("BLANK")
               : t == u"locked" ? QStringLiteral("LOCK")
                                : QStringLiteral("UNBLANK");
        when = m.captured(2);
    } else {
        return {};
    }
    ScreenState state;
    state.kind = word == u"BLANK"  ? ScreenState::Kind::Blanked
                 : word == u"LOCK" ? ScreenState::Kind::Locked
                                   : ScreenState::Kind::On;
    if (state.kind != ScreenState::Kind::On)
        state.by = QStringLiteral("XScreenSaver");
    state.since = ctimeText(when);
    if (!state.since.isValid())
        state.since = now;
    return state;
}

void XScreenSaverLink::keepAwake(bool awake)
{
    const qint64 now = nowMs();
    const bool woke = awake && !m_awake;
    m_awake = awake;
    if (!m_watch && due(m_lastTry, now, HeartbeatMs))
        startWatch();
    if (!awake || !m_daemon)
        return;
    if (woke || due(m_lastHeartbeat, now, HeartbeatMs))
        deactivate();
}

void XScreenSaverLink::startWatch()
{
    m_lastTry = nowMs();
    const QString program = QStandardPaths::findExecutable(m_command);
    if (program.isEmpty())
        return;
    m_watch = new QProcess(this);
    m_watch->setProgram(program);
    m_watch->setArguments({QStringLiteral("-watch")});
    m_watch->setProcessChannelMode(QProcess::SeparateChannels);
    m_watch->setStandardErrorFile(QProcess::nullDevice());
    connect(m_watch, &QProcess::readyReadStandardOutput, this, &XScreenSaverLink::readWatch);
    connect(m_watch, &QProcess::finished, this, [this] {
        // No daemon on this display (any more): tried again at the next heartbeat.
        m_watch->deleteLater();
        m_watch = nullptr;
        m_partial.clear();
        setDaemon(false);
    });
    m_watch->start(QIODevice::ReadOnly);
    // How things stand now: the watch reports changes only.
    runOnce({QStringLiteral("-time")}, true);
}

void XScreenSaverLink::readWatch()
{
    m_partial += m_watch->readAllStandardOutput();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QString line = QString::fromLocal8Bit(m_partial.left(end));
        m_partial.remove(0, end + 1);
        const ScreenState state = parseLine(line, QDateTime::currentDateTime());
        if (state.kind == ScreenState::Kind::Unknown)
            continue;
        setDaemon(true);
        apply(state);
    }
}

void XScreenSaverLink::apply(const ScreenState& state)
{
    m_state = state;
    qCDebug(lcGlasspane).noquote()
        << QStringLiteral("XScreenSaver: screen %1")
               .arg(state.kind == ScreenState::Kind::On        ? QStringLiteral("on")
                    : state.kind == ScreenState::Kind::Blanked ? QStringLiteral("blanked")
                                                               : QStringLiteral("locked"));
    // Blanked while the show plays: brought back at once. A locked screen stays locked.
    if (m_awake && state.kind == ScreenState::Kind::Blanked)
        deactivate();
}

void XScreenSaverLink::deactivate()
{
    m_lastHeartbeat = nowMs();
    runOnce({QStringLiteral("-deactivate")}, false);
}

void XScreenSaverLink::runOnce(const QStringList& arguments, bool isQuery)
{
    const QString program = QStandardPaths::findExecutable(m_command);
    if (program.isEmpty())
        return;
    auto* process = new QProcess(this);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, this, [this, process, isQuery](int code) {
        process->deleteLater();
        if (!isQuery)
            return;
        if (code != 0) {
            setDaemon(false);
            return;
        }
        const QStringList lines = QString::fromLocal8Bit(process->readAllStandardOutput())
                                      .split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            const ScreenState state = parseLine(line, QDateTime::currentDateTime());
            if (state.kind != ScreenState::Kind::Unknown) {
                setDaemon(true);
                apply(state);
            }
        }
    });
    connect(process, &QProcess::errorOccurred, this, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    // A daemon that does not answer never leaves processes behind.
    QTimer::singleShot(CommandTimeoutMs, process, [process] { process->kill(); });
    process->start(program, arguments, QIODevice::ReadOnly);
}

void XScreenSaverLink::setDaemon(bool runs)
{
    if (runs == m_daemon)
        return;
    m_daemon = runs;
    if (!runs)
        m_state = {};
    Q_EMIT daemonChanged(runs);
    // Found: the countdown starts again now, not at the next heartbeat.
    if (runs && m_awake)
        deactivate();
}

} // namespace glasspane
