#pragma once

#include <QString>

namespace glasspane {

// The memory of a process and of every process below it (the browser's render and helper
// processes below the program).
struct ProcessTreeMemoryUse
{
    qint64 ownKb = -1; // resident; -1: the process is unknown
    qint64 descendantsKb = 0;
    int descendants = 0;
    // The proportional share of the whole tree, the process itself included: pages shared
    // between processes are divided among them instead of counted once for each. 0 when not
    // asked for or not readable.
    qint64 proportionalKb = 0;

    int processes() const { return ownKb < 0 ? 0 : descendants + 1; }
    qint64 residentKb() const { return ownKb < 0 ? 0 : ownKb + descendantsKb; }
};

enum class ProportionalShare { Skip, Read };

// Read from procRoot (/proc): each process's parent from its "stat", its resident size from
// the VmRSS line of its "status", and with ProportionalShare::Read its share from the Pss line
// of "smaps_rollup" (which costs more to read). Processes that end while they are read are
// left out.
ProcessTreeMemoryUse ProcessTreeMemory(qint64 pid,
                                       ProportionalShare share = ProportionalShare::Skip,
                                       const QString& procRoot = QStringLiteral("/proc"));

// The machine's physical memory in KiB (0 when unknown).
qint64 PhysicalMemoryKiB();

} // namespace glasspane
