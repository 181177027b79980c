#pragma once

#include "platform/display_power.h"

#include <QObject>
#include <QProcess>
#include <QString>

namespace glasspane {

// The running XScreenSaver daemon of the display, reached through its own command,
// xscreensaver-command, which every installation of it has:
// - "-watch" reports each change (BLANK, LOCK, UNBLANK), so that the program knows when the
//   daemon blanked or locked the screen; "-time" says how things stand when the watch starts;
// - while the display is to stay awake, "-deactivate" now and then, which XScreenSaver
//   documents for programs that must keep the screen on: it restarts the daemon's countdown,
//   and brings back a screen it has blanked (never one it has locked: that would put up the
//   password dialog).
// A display without the daemon (or without the command) costs one short-lived process per
// HeartbeatMs. No call waits for a process.
class XScreenSaverLink final : public QObject
{
    Q_OBJECT

public:
    // command: the program to run ("xscreensaver-command" from PATH by default).
    explicit XScreenSaverLink(QString command = QString(), QObject* parent = nullptr);
    ~XScreenSaverLink() override;

    // Called often (each tick of the show); cheap when nothing is due.
    void keepAwake(bool awake);
    // The daemon answered: it runs on this display.
    bool daemonRuns() const { return m_daemon; }
    ScreenState state() const { return m_state; }

    static constexpr int HeartbeatMs = 30000;
    // Longest life of a one-off command (-time, -deactivate).
    static constexpr int CommandTimeoutMs = 10000;

    // One line of "-watch" or "-time": the state it reports, or Kind::Unknown when it reports
    // none ("RUN 3"). The time is read from the line (the daemon's local time), else `now`.
    static ScreenState parseLine(const QString& line, const QDateTime& now);

Q_SIGNALS:
    // The daemon was found, or is gone.
    void daemonChanged(bool runs);

private:
    void startWatch();
    void readWatch();
    void apply(const ScreenState& state);
    void runOnce(const QStringList& arguments, bool isQuery);
    void deactivate();
    void setDaemon(bool runs);

    QString m_command;
    QProcess* m_watch = nullptr;
    QByteArray m_partial;
    bool m_daemon = false;
    bool m_awake = false;
    ScreenState m_state;
    qint64 m_lastTry = 0;       // the last time the watch was started
    qint64 m_lastHeartbeat = 0; // the last -deactivate
};

} // namespace glasspane
