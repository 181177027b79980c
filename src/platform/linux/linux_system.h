#pragma once

#include "platform/private_folders.h"
#include "platform/system.h"

namespace glasspane {

// The machine folder: $GLASSPANE_MACHINE_DIR when set, else /etc/glasspane/; trailing '/'.
QString linuxMachineFolder();

// Adds group and world write to the process's file-creation mask, so that no folder or file the
// program (or the libraries it uses) creates is writable by others, whatever umask the session
// set. Call first in main().
void RestrictFileCreationMask();

// A folder at path of the user's own that nobody else may enter (0700): made when missing
// (with its missing parents), closed when open. A symbolic link standing at that name is
// removed, never followed. False when something else holds the name, or someone else owns the
// folder.
[[nodiscard]] bool MakeOwnFolder(const QString& path);

// The folders from base (which must exist) down to path, made one level at a time (0700) and
// never through a symbolic link; those it made are appended to created, parents first. False
// when one cannot be made, or a link or anything but a folder of ours stands on the way.
[[nodiscard]] bool MakeFoldersBelow(const QString& base, const QString& path, QStringList* created);

// The folders above, as the port offers them.
class LinuxPrivateFolders final : public PrivateFolders
{
public:
    bool makeOwnFolder(const QString& path) override { return MakeOwnFolder(path); }
    bool makeFoldersBelow(const QString& base, const QString& path, QStringList* created) override
    {
        return MakeFoldersBelow(base, path, created);
    }
};

// The operating system on Linux: processes by signals, the reboot through logind over D-Bus
// (or the command in $GLASSPANE_REBOOT_COMMAND, so that tests and kiosk set-ups can replace it),
// the automatic login through the display manager's configuration.
class LinuxSystem final : public System
{
public:
    LinuxSystem();

    PlatformFamily platform() const override { return PlatformFamily::NtFamily; }
    QString machineFolder() const override;
    QString executablePath() const override;
    QString currentFolder() const override;

    qint64 startProcess(const QString& program, const QStringList& arguments) override;
    // SIGTERM, then SIGKILL when the process is still there after GraceMs. Blocks at most that
    // long.
    void terminateProcess(qint64 pid) override;
    void killProcess(qint64 pid) override;
    bool processRunning(qint64 pid) const override;

    bool reboot(bool force) override;
    // The display managers' automatic login (display_manager_login.h) under
    // DisplayManagerConfigRoot().
    bool setAutomaticLogin(const QString& user, QString* problem) override;

    static constexpr int GraceMs = 2000;
    // Longest wait for $GLASSPANE_REBOOT_COMMAND or logind to answer.
    static constexpr int RebootWaitMs = 20000;

private:
    QString m_startFolder;
};

} // namespace glasspane
