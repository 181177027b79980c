#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

// The family of the operating system, as the settings and the reboot know it.
enum class PlatformFamily {
    Other = 0,
    Windows9x = 1, // Windows 95/98
    NtFamily = 2,  // the NT family, which Linux answers to
    Older = 3,
};

// The operating system: folders, processes and the machine's power.
class System
{
public:
    virtual ~System() = default;

    // Linux answers NtFamily.
    virtual PlatformFamily platform() const = 0;
    // The machine folder: SYSTEM.INI and the machine-wide hives live there. Trailing '/'.
    virtual QString machineFolder() const = 0;
    // The running executable's absolute path.
    virtual QString executablePath() const = 0;
    // The current directory at start-up.
    virtual QString currentFolder() const = 0;

    // Starts a program without a shell; returns its process id, or 0 when it did not start.
    virtual qint64 startProcess(const QString& program, const QStringList& arguments) = 0;
    // Ends a process politely, then by force after a grace period.
    virtual void terminateProcess(qint64 pid) = 0;
    // Ends a process at once, without waiting: for one that answers nothing any more.
    virtual void killProcess(qint64 pid) { terminateProcess(pid); }
    virtual bool processRunning(qint64 pid) const = 0;

    // Restarts the machine. With force, applications cannot delay it. False when refused.
    virtual bool reboot(bool force) = 0;

    // Makes the machine log `user` in by itself when it next starts (empty: the user who runs
    // the program). No password is asked for or stored. False, with the reason in *problem,
    // when it could not be set up.
    virtual bool setAutomaticLogin(const QString& user, QString* problem)
    {
        Q_UNUSED(user);
        if (problem)
            *problem = QStringLiteral("automatic login is not available here");
        return false;
    }
};

} // namespace glasspane
