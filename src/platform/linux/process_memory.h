#pragma once

#include <QString>

namespace glasspane {

// The resident memory of a process and of every process below it (the browser's render and
// helper processes below the program).
struct ProcessTreeMemoryUse
{
    qint64 ownKb = -1; // -1: the process is unknown
    qint64 descendantsKb = 0;
    int descendants = 0;
};

// Read from procRoot (/proc): each process's parent from its "stat", its resident size from
// the VmRSS line of its "status". Processes that end while they are read are left out.
ProcessTreeMemoryUse ProcessTreeMemory(qint64 pid,
                                       const QString& procRoot = QStringLiteral("/proc"));

} // namespace glasspane
