// What XScreenSaver's own command says, read: the lines of "-watch" and of "-time" (as
// XScreenSaver 6 writes them; the daemon itself is met in tests/e2e/xscreensaver_test.cpp).

#include "platform/linux/xscreensaver_link.h"

#include <QTest>

using namespace glasspane;

Q_DECLARE_METATYPE(ScreenState::Kind)

class XScreenSaverLinkTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseLine_data();
    void parseLine();
};

void XScreenSaverLinkTest::parseLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<ScreenState::Kind>("kind");
    QTest::addColumn<QDateTime>("since"); // invalid: the time the line was read

    using K = ScreenState::Kind;
    const QDateTime at(QDate(2026, 12, 11), QTime(5, 7, 56));
    const QDateTime early(QDate(1999, 11, 5), QTime(1, 57, 22));
    QTest::newRow("BLANK") << "BLANK Fri Dec 11 05:07:56 2026" << K::Blanked << at;
    QTest::newRow("LOCK, day padded") << "LOCK Fri Nov  5 01:57:22 1999\n" << K::Locked << early;
    QTest::newRow("UNBLANK") << "UNBLANK Fri Dec 11 05:07:56 2026" << K::On << at;
    QTest::newRow("RUN") << "RUN 34" << K::Unknown << QDateTime();
    QTest::newRow("BLANK without a time") << "BLANK" << K::Blanked << QDateTime();
    QTest::newRow("BLANKET is no word of it") << "BLANKET x" << K::Unknown << QDateTime();
    QTest::newRow("-time blanked")
        << "XScreenSaver 6.06: screen blanked since Fri Dec 11 05:07:56 2026 (hack #1)"
        << K::Blanked << at;
    QTest::newRow("-time locked")
        << "XScreenSaver 6.06: screen locked since Fri Dec 11 05:07:56 2026 (hack #1)" << K::Locked
        << at;
    QTest::newRow("-time non-blanked")
        << "XScreenSaver 6.06: screen non-blanked since Fri Dec 11 05:07:56 2026" << K::On << at;
    QTest::newRow("error") << "xscreensaver-command: no screensaver is running on display :0"
                           << K::Unknown << QDateTime();
}

void XScreenSaverLinkTest::parseLine()
{
    QFETCH(QString, line);
    QFETCH(ScreenState::Kind, kind);
    QFETCH(QDateTime, since);
    const QDateTime now(QDate(2030, 1, 2), QTime(3, 4, 5));
    const ScreenState state = XScreenSaverLink::parseLine(line, now);
    QCOMPARE(state.kind, kind);
    if (kind == ScreenState::Kind::Unknown)
        return;
    QCOMPARE(state.since, since.isValid() ? since : now);
    // Only a blanked or locked screen is someone's doing.
    QCOMPARE(state.by, kind == ScreenState::Kind::On ? QString() : QStringLiteral("XScreenSaver"));
}

QTEST_GUILESS_MAIN(XScreenSaverLinkTest)
#include "xscreensaver_link_test.moc"
