#include "document/day_count.h"

#include "document/text.h"
#include "platform/clock.h"

#include <cmath>

namespace glasspane {

namespace {

constexpr qint64 kMsPerDay = 86400000;

QDate epoch()
{
    return QDate(1899, 12, 30);
}

// The number a text begins with ("7", " -2.5x"); 0 when it begins with none.
double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 0x80) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 0x80) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    return text.sliced(start, i - start).toDouble();
}

int partOrOne(const QString& part)
{
    const int v = ToInt(part, 0);
    return v == 0 ? 1 : v;
}

} // namespace

DayCount ToDayCount(const QDateTime& when)
{
    const QDateTime local = when.toLocalTime();
    const double days = double(epoch().daysTo(local.date()));
    const double fraction = double(local.time().msecsSinceStartOfDay()) / double(kMsPerDay);
    // Before the epoch the fraction still counts forward from the start of the day.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime FromDayCount(DayCount days)
{
    if (!std::isfinite(days) || std::fabs(days) > 1e7)
        return QDateTime();
    double whole = std::trunc(days);
    qint64 ms = std::llround(std::fabs(days - whole) * double(kMsPerDay));
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        whole += 1;
    }
    const QDate date = epoch().addDays(qint64(whole));
    if (date.year() < 100 || date.year() > 9999)
        return QDateTime();
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

DayCount NowDays(const Clock& clock)
{
    return ToDayCount(clock.now());
}

bool DurationPassed(DayCount start, DayCount now, double seconds)
{
    return now - start > seconds / 86400.0;
}

DayCount ParseTime(const QString& text)
{
    const qsizetype first = text.indexOf(QLatin1Char(':'));
    if (first < 0)
        return leadingNumber(text) / 24.0;
    const QStringView rest = QStringView(text).sliced(first + 1);
    const qsizetype second = rest.indexOf(QLatin1Char(':'));
    const double hours = leadingNumber(QStringView(text).first(first));
    const double minutes = leadingNumber(second < 0 ? rest : rest.first(second));
    const double seconds = second < 0 ? 0 : leadingNumber(rest.sliced(second + 1));
    return hours / 24.0 + minutes / 1440.0 + seconds / 86400.0;
}

DayCount ParseDate(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    int day = 1;
    int month = 1;
    int year = 1;
    if (parts.size() >= 3) {
        day = partOrOne(parts[0]);
        month = partOrOne(parts[1]);
        year = partOrOne(parts[2]);
    } else if (parts.size() == 2) {
        month = partOrOne(parts[0]);
        year = partOrOne(parts[1]);
    } else {
        year = partOrOne(parts[0]);
    }
    if (year >= 0 && year <= 29)
        year += 2000;
    else if (year >= 30 && year <= 99)
        year += 1900;
    // Months and days beyond their range carry over, as a date construction of whole numbers
    // is expected to.
    const qint64 months = qint64(year) * 12 + (month - 1);
    const qint64 y = months >= 0 ? months / 12 : -((-months + 11) / 12);
    const int m = int(months - y * 12) + 1;
    if (y < 1 || y > 9999)
        return 0;
    const QDate date = QDate(int(y), m, 1).addDays(day - 1);
    if (!date.isValid() || date.year() < 100 || date.year() > 9999)
        return 0;
    return double(epoch().daysTo(date));
}

DayCount ParseTimeOr(const QString& text, DayCount defaultValue)
{
    return text.isEmpty() ? defaultValue : ParseTime(text);
}

DayCount ParseDateOr(const QString& text, DayCount defaultValue)
{
    return text.isEmpty() ? defaultValue : ParseDate(text);
}

QString DateText(DayCount days)
{
    const QDateTime when = FromDayCount(days);
    return when.isValid() ? when.date().toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

QString TimeText(DayCount days)
{
    if (!std::isfinite(days))
        return QString();
    qint64 seconds = std::llround(std::fabs(days - std::trunc(days)) * 86400.0);
    seconds %= 86400;
    return QString::asprintf("%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60),
                             int(seconds % 60));
}

} // namespace glasspane
