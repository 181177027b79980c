#pragma once

#include "platform/system.h"

namespace glasspane {

// The machine folder: $GLASSPANE_MACHINE_DIR when set, else /etc/glasspane/; trailing '/'.
QString linuxMachineFolder();

// The operating system on Linux: processes by signals, the reboot through logind over D-Bus
// (or the command in $GLASSPANE_REBOOT_COMMAND, so that tests and kiosk set-ups can replace it).
class LinuxSystem final : public System
{
public:
    LinuxSystem();

    int platform() const override { return 2; }
    QString machineFolder() const override;
    QString executablePath() const override;
    QString currentFolder() const override;

    qint64 startProcess(const QString& program, const QStringList& arguments) override;
    // SIGTERM, then SIGKILL when the process is still there after GraceMs. Blocks at most that
    // long.
    void terminateProcess(qint64 pid) override;
    bool processRunning(qint64 pid) const override;

    bool reboot(bool force) override;

    static constexpr int GraceMs = 2000;
    // Longest wait for $GLASSPANE_REBOOT_COMMAND or logind to answer.
    static constexpr int RebootWaitMs = 20000;

private:
    QString m_startFolder;
};

} // namespace glasspane
