#pragma once

#include <QDateTime>
#include <QString>

namespace glasspane {

class System;

// 1 Windows 95/98, 2 the NT family, 3 an older version, 0 another system; Linux answers 2.
int GetPlatform(const System& system);

// The next daily reboot for a "H:M" text ("3" is 03:00; hours taken modulo 24 and minutes
// modulo 60, so "25:70" is 01:10; unreadable parts count 0): today at that time, or tomorrow
// when that is already past.
QDateTime ComputeRebootAt(const QString& rebootTime, const QDateTime& now);

} // namespace glasspane
