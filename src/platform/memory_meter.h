#pragma once

#include <QtGlobal>

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

// The memory the program and the processes it started take, and the machine's.
class MemoryMeter
{
public:
    virtual ~MemoryMeter() = default;

    // The program's own process tree; with ProportionalShare::Read also its proportional
    // share, which costs more to read.
    virtual ProcessTreeMemoryUse programMemory(ProportionalShare share) const = 0;
    // The machine's physical memory in KiB (0 when unknown).
    virtual qint64 physicalMemoryKiB() const = 0;
};

} // namespace glasspane
