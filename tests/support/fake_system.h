#pragma once

#include "platform/system.h"

#include <QList>
#include <QSet>

namespace glasspane {

// An operating system that is scripted and recorded: processes are never really started, and
// reboot() only counts.
//
//   FakeSystem system;
//   const qint64 pid = system.startProcess("/usr/bin/player", {"a.mp4"});   // 1000, "running"
//   system.terminateProcess(pid);                 // recorded in terminated(), no longer running
//   system.reboots();                             // the force flag of every reboot() call
class FakeSystem final : public System
{
public:
    struct Started
    {
        QString program;
        QStringList arguments;
        qint64 pid = 0;
    };

    PlatformFamily platform() const override { return m_platform; }
    QString machineFolder() const override { return m_machineFolder; }
    QString executablePath() const override { return m_executablePath; }
    QString currentFolder() const override { return m_currentFolder; }

    void setPlatform(PlatformFamily platform) { m_platform = platform; }
    void setMachineFolder(const QString& folder) { m_machineFolder = folder; }
    void setExecutablePath(const QString& path) { m_executablePath = path; }
    void setCurrentFolder(const QString& folder) { m_currentFolder = folder; }

    qint64 startProcess(const QString& program, const QStringList& arguments) override
    {
        const qint64 pid = m_startFails ? 0 : m_nextPid++;
        m_started.append(Started{program, arguments, pid});
        if (pid != 0)
            m_running.insert(pid);
        return pid;
    }
    void terminateProcess(qint64 pid) override
    {
        m_terminated.append(pid);
        m_running.remove(pid);
    }
    bool processRunning(qint64 pid) const override { return m_running.contains(pid); }

    bool reboot(bool force) override
    {
        m_reboots.append(force);
        return m_rebootResult;
    }
    bool setAutomaticLogin(const QString& user, QString* problem) override
    {
        m_automaticLogins.append(user);
        if (problem)
            *problem = m_automaticLoginProblem;
        return m_automaticLoginProblem.isEmpty();
    }

    // Scripting.
    void setStartFails(bool fails) { m_startFails = fails; }
    void setRebootResult(bool result) { m_rebootResult = result; }
    // Automatic logins fail for that reason ("" succeeds).
    void setAutomaticLoginProblem(const QString& problem) { m_automaticLoginProblem = problem; }
    // The process ends by itself.
    void endProcess(qint64 pid) { m_running.remove(pid); }

    // Records.
    const QList<Started>& started() const { return m_started; }
    const QList<qint64>& terminated() const { return m_terminated; }
    const QList<bool>& reboots() const { return m_reboots; }
    const QStringList& automaticLogins() const { return m_automaticLogins; }

private:
    PlatformFamily m_platform = PlatformFamily::NtFamily;
    QString m_machineFolder = QStringLiteral("/etc/glasspane/");
    QString m_executablePath = QStringLiteral("/usr/bin/glasspane");
    QString m_currentFolder = QStringLiteral("/home/kiosk");
    qint64 m_nextPid = 1000;
    bool m_startFails = false;
    bool m_rebootResult = true;
    QList<Started> m_started;
    QSet<qint64> m_running;
    QList<qint64> m_terminated;
    QList<bool> m_reboots;
    QStringList m_automaticLogins;
    QString m_automaticLoginProblem;
};

} // namespace glasspane
