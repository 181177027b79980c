#pragma once

#include <QDateTime>
#include <QString>

namespace glasspane {

class Clock;

// Dates and times as stored and compared by the program: whole days since 30 December 1899,
// the time of day as the fraction (0.5 is noon). Always local time.
using DayCount = double;

DayCount ToDayCount(const QDateTime& when);
// An invalid QDateTime for a day count outside the years 100 to 9999.
QDateTime FromDayCount(DayCount days);
DayCount NowDays(const Clock& clock);

// True when a duration of the given seconds has passed since start: now minus start is strictly
// greater than seconds / 86400.
bool DurationPassed(DayCount start, DayCount now, double seconds);

// "hh:nn:ss" read as a fraction of a day: hours, minutes and seconds split at the first two ':',
// each read by its leading number (none counts 0); hours are not limited to 0-23. "" is 0.
DayCount ParseTime(const QString& text);
// "dd/mm/yyyy", "mm/yyyy" or "yyyy" as a whole day count. A part that reads as 0 counts 1;
// overflowing days and months carry into the next month and year ("31/02/2002" is 3 March
// 2002); years 0-29 mean 2000-2029 and 30-99 mean 1930-1999. 0 when no date can be built.
DayCount ParseDate(const QString& text);
DayCount ParseTimeOr(const QString& text, DayCount defaultValue);
DayCount ParseDateOr(const QString& text, DayCount defaultValue);

// The stored texts: "dd/mm/yyyy" of the whole days, "hh:nn:ss" of the fraction.
QString DateText(DayCount days);
QString TimeText(DayCount days);

} // namespace glasspane
