#pragma once

#include <QString>

namespace glasspane {

// The address of the page on screen as the user knows it. A page the show put on screen as a
// copy (its cached copy, or a copy made for the browser) goes by the address the show asked
// for: location is what the browser shows, slotUrl and slotTarget the address the show asked
// for and what it gave the browser for it.
QString PageOnScreenAddress(const QString& location, const QString& slotUrl,
                            const QString& slotTarget);

// An address of the program's own pages (the start page, help pages), which exist for this run
// only: they are deleted at exit.
bool IsRunTimeAddress(const QString& address, const QString& resourceFolder);

} // namespace glasspane
