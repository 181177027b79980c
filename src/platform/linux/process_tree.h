#pragma once

#include <QtGlobal>

namespace glasspane {

// The memory of a process with all its descendants (the browser engine's helper processes).
struct TreeMemory
{
    int processes = 0;
    qint64 rssKiB = 0; // resident memory, summed: pages shared between processes count each time
    qint64 pssKiB = 0; // proportional share: shared pages divided among their processes
};

// Reads /proc. withPss also reads each process's proportional share (smaps_rollup), which costs
// more; without it pssKiB stays 0. A root that does not exist gives an empty result.
TreeMemory ProcessTreeMemory(qint64 root, bool withPss = false);

// The machine's physical memory in KiB (0 when unknown).
qint64 PhysicalMemoryKiB();

} // namespace glasspane
