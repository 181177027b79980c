#pragma once

#include "platform/memory_meter.h"

#include <QCoreApplication>
#include <QString>

namespace glasspane {

// Read from procRoot (/proc): each process's parent from its "stat", its resident size from
// the VmRSS line of its "status", and with ProportionalShare::Read its share from the Pss line
// of "smaps_rollup" (which costs more to read). Processes that end while they are read are
// left out.
ProcessTreeMemoryUse ProcessTreeMemory(qint64 pid,
                                       ProportionalShare share = ProportionalShare::Skip,
                                       const QString& procRoot = QStringLiteral("/proc"));

// The machine's physical memory in KiB (0 when unknown).
qint64 PhysicalMemoryKiB();

// The meter on /proc, for the running program.
class ProcMemoryMeter final : public MemoryMeter
{
public:
    ProcessTreeMemoryUse programMemory(ProportionalShare share) const override
    {
        return ProcessTreeMemory(QCoreApplication::applicationPid(), share);
    }
    qint64 physicalMemoryKiB() const override { return PhysicalMemoryKiB(); }
};

} // namespace glasspane
