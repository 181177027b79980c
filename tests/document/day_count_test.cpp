#include "document/day_count.h"
#include "support/settable_clock.h"

#include <QTest>

using namespace glasspane;

namespace {
DayCount dayOf(int y, int m, int d)
{
    return DayCount(QDate(1899, 12, 30).daysTo(QDate(y, m, d)));
}
} // namespace

class DayCountTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayCounts()
    {
        QCOMPARE(ToDayCount(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
        QCOMPARE(ToDayCount(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
        QCOMPARE(ToDayCount(QDateTime(QDate(2002, 3, 3), QTime(6, 0))), dayOf(2002, 3, 3) + 0.25);
        // Before the epoch the time of day still counts forward: -1.25 is 29/12/1899 06:00.
        QCOMPARE(ToDayCount(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
        QCOMPARE(FromDayCount(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));

        const QDateTime when(QDate(2024, 3, 4), QTime(17, 45, 12, 250));
        QCOMPARE(FromDayCount(ToDayCount(when)), when);
        // A UTC time is taken as the local time it stands for.
        QCOMPARE(ToDayCount(when.toUTC()), ToDayCount(when));
        // Rounding to the next day carries into the date.
        QCOMPARE(FromDayCount(dayOf(2024, 3, 4) + 0.9999999999),
                 QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
        QVERIFY(!FromDayCount(1e9).isValid());

        SettableClock clock;
        QCOMPARE(NowDays(clock), ToDayCount(clock.now()));
    }

    void durationPassed()
    {
        SettableClock clock;
        const DayCount start = NowDays(clock);
        clock.advanceSecs(10);
        // Strictly greater: exactly ten seconds is not yet more than ten seconds.
        QVERIFY(!DurationPassed(start, NowDays(clock), 10));
        clock.advanceSecs(1);
        QVERIFY(DurationPassed(start, NowDays(clock), 10));
        QVERIFY(DurationPassed(start, NowDays(clock), 0));
        QVERIFY(!DurationPassed(start, start, 0));
    }

    void parseTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds");
        QTest::newRow("hours and minutes") << "7:30" << 7.5 * 3600;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("full") << "23:59:59" << 86399.0;
        QTest::newRow("hours alone") << "5" << 5.0 * 3600;
        QTest::newRow("beyond a day") << "26:00:00" << 26.0 * 3600;
        QTest::newRow("no leading number") << "x:10:y" << 600.0;
        QTest::newRow("trailing text") << "08:15:30 h" << 8 * 3600 + 15 * 60 + 30.0;
        QTest::newRow("third colon ignored") << "1:2:3:4" << 3600 + 120 + 3.0;
        QTest::newRow("blanks") << " 1: 2" << 3600 + 120.0;
    }
    void parseTime()
    {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QVERIFY(qAbs(ParseTime(text) * 86400 - seconds) < 1e-6);
    }

    void parseDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("year alone") << "2002" << dayOf(2002, 1, 1);
        QTest::newRow("full") << "25/12/2003" << dayOf(2003, 12, 25);
        QTest::newRow("February overflow") << "31/02/2002" << dayOf(2002, 3, 3);
        QTest::newRow("month overflow") << "1/13/2002" << dayOf(2003, 1, 1);
        QTest::newRow("month and year") << "3/2002" << dayOf(2002, 3, 1);
        QTest::newRow("zero parts count 1") << "0/0/2002" << dayOf(2002, 1, 1);
        QTest::newRow("two-digit year") << "1/1/02" << dayOf(2002, 1, 1);
        QTest::newRow("two-digit year of the 1900s") << "1/1/95" << dayOf(1995, 1, 1);
        QTest::newRow("empty is year 1") << "" << dayOf(2001, 1, 1);
        QTest::newRow("not buildable") << "1/1/10000" << 0.0;
        QTest::newRow("negative year") << "1/1/-5" << 0.0;
    }
    void parseDate()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(ParseDate(text), expected);
    }

    void parseOr()
    {
        QCOMPARE(ParseTimeOr("", 0.3), 0.3);
        QCOMPARE(ParseDateOr("", 17.0), 17.0);
        QCOMPARE(ParseTimeOr("12", 0.3), 0.5);
        QCOMPARE(ParseDateOr("2002", 17.0), dayOf(2002, 1, 1));
    }

    void texts()
    {
        const DayCount when = dayOf(2002, 3, 4) + (7 * 3600 + 5 * 60 + 9) / 86400.0;
        QCOMPARE(DateText(when), QStringLiteral("04/03/2002"));
        QCOMPARE(TimeText(when), QStringLiteral("07:05:09"));
        // What is written reads back.
        QCOMPARE(ParseDate(DateText(when)) + ParseTime(TimeText(when)), when);
        QCOMPARE(TimeText(0.99999999), QStringLiteral("00:00:00"));
    }
};

QTEST_GUILESS_MAIN(DayCountTest)
#include "day_count_test.moc"
