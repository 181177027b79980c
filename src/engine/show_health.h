#pragma once

#include <QtGlobal>

namespace glasspane {

// How the show has fared: what the administrators' status (and anything that watches the show)
// reads. Times are milliseconds since the epoch, 0 for never.
struct ShowHealth
{
    qint64 lastCompleted = 0; // a top-level page last completed
    qint64 playingSince = 0;  // the show last began to play (start, resumed, taken back)
    // Renderer processes that ended by themselves (a crash, killed from outside) and whose page
    // was loaded again.
    int rendererRestarts = 0;
    // Web pages renewed: for memory, for age, and because the renderer stopped answering.
    int renewalsForMemory = 0;
    int renewalsForAge = 0;
    int renewalsUnresponsive = 0;

    int renewals() const { return renewalsForMemory + renewalsForAge + renewalsUnresponsive; }
};

} // namespace glasspane
