#pragma once

#include "platform/system.h"

#include <QDateTime>
#include <QString>

namespace glasspane {

// The system's family; Linux answers the NT family.
PlatformFamily GetPlatform(const System& system);

// The next daily reboot for a "H:M" text ("3" is 03:00; hours taken modulo 24 and minutes
// modulo 60, so "25:70" is 01:10; unreadable parts count 0): today at that time, or tomorrow
// when that is already past.
QDateTime ComputeRebootAt(const QString& rebootTime, const QDateTime& now);

} // namespace glasspane
