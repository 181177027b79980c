// A week of a 20-page show in simulated time: pages that load late or never, visitors who
// browse, the configuration dialog once a day, a switch to random order half-way.

#include "support/engine_rig.h"

#include <QTest>

using namespace glasspane;

class EngineSoakTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sevenDays();
};

void EngineSoakTest::initTestCase()
{
    // The same zone, named: the C library then stops looking at the zone file on every
    // conversion of a local time, which the week's millions of clock steps would feel.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
}

void EngineSoakTest::sevenDays()
{
    EngineRig rig;
    QList<std::pair<QString, int>> pages;
    for (int i = 1; i <= 20; ++i)
        pages.append({QStringLiteral("http://kiosk.test/page%1.html").arg(i), 10});
    rig.setPages(pages);
    rig.onReload = [&] { rig.setPages(pages); }; // the document loads again, unchanged
    rig.options.OnMouseMove = MouseMoveAction::NavigationMode;
    rig.options.MaxTime = 30;
    rig.options.ScreenSaveTimeOut = 300;
    rig.browser.keepHistory = false;
    Engine& e = rig.start();

    constexpr qint64 kTicksPerSecond = 5;
    constexpr qint64 kDay = 24 * 3600 * kTicksPerSecond;
    constexpr qint64 kTicks = 7 * kDay;

    // Loads complete after a tick, every seventh after 15 s, every fiftieth never.
    int seenNavigations = rig.browser.navigateCalls;
    qint64 completeAt = -1;
    qint64 lastNavigationTick = 0;
    qint64 longestGap = 0;
    qint64 advancesSeen = 0;
    int lastPage = rig.page();
    int userKeyValues = -1;
    qsizetype orderSize = -1;

    for (qint64 t = 1; t <= kTicks; ++t) {
        // Visitors: every six hours someone moves the mouse and browses; once a day, half an
        // hour later, somebody opens the configuration dialog and cancels it after a minute.
        const qint64 inDay = t % kDay;
        if (t % (6 * 3600 * kTicksPerSecond) == 0)
            rig.desktop.moveCursor(rig.desktop.cursorPos() + QPoint(5, 0));
        if (inDay == 1800 * kTicksPerSecond)
            e.ConfigAction();
        if (inDay == 1860 * kTicksPerSecond) {
            e.ConfigCancelled();
            e.ConfigClosed();
        }
        // Half-way through, the show switches to random order (as the dialog's OK would).
        if (t == kTicks / 2) {
            e.settings().RandomMode = true;
            e.ResetRandomOrder();
        }

        rig.tick();

        if (rig.browser.navigateCalls != seenNavigations) {
            seenNavigations = rig.browser.navigateCalls;
            if (seenNavigations % 50 == 0)
                completeAt = -1;
            else
                completeAt = t + (seenNavigations % 7 == 0 ? 15 * kTicksPerSecond : 1);
            if (!e.state().NavigationMode)
                longestGap = std::max(longestGap, t - lastNavigationTick);
            lastNavigationTick = t;
        }
        if (t == completeAt)
            rig.browser.completeLoad();
        // Time spent browsing or in the dialog is not a stall of the show.
        if (e.state().NavigationMode || rig.state() == RunState::WAITCONFIG ||
            rig.state() == RunState::CONFIG)
            lastNavigationTick = t;

        if (rig.page() != lastPage) {
            lastPage = rig.page();
            ++advancesSeen;
        }
        // Every hour: the position is saved, and nothing the engine holds has grown.
        if (t % (3600 * kTicksPerSecond) == 0) {
            if (rig.state() == RunState::WAITTIME)
                QCOMPARE(rig.settings.read(keys::FirstPage), rig.page());
            const int values =
                int(rig.registry.valueNames(RegRoot::CurrentUser, rig.settings.userPath()).size());
            if (userKeyValues < 0)
                userKeyValues = values;
            QCOMPARE(values, userKeyValues);
            if (orderSize < 0)
                orderSize = e.sequence().RandomOrder.size();
            QCOMPARE(e.sequence().RandomOrder.size(), orderSize);
            QCOMPARE(e.sequence().RandomUsed.size(), orderSize);
            QVERIFY(e.displaySlot().Url.size() < 64);
        }
        QVERIFY2(rig.frontend.processEnds == 0, qPrintable(QString::number(t)));
    }

    // Never longer between pages than the longest wait for a page that does not load.
    QVERIFY2(longestGap <= (30 + 1) * kTicksPerSecond, qPrintable(QString::number(longestGap)));
    // Roughly one page every ten seconds, less the time spent browsing and waiting.
    QVERIFY2(advancesSeen > 7 * 24 * 360 * 8 / 10, qPrintable(QString::number(advancesSeen)));
    QCOMPARE(orderSize, qsizetype(21));
    QCOMPARE(rig.frontend.configDialogs, 7);
    QVERIFY(rig.reloads > 7 * 24 * 18 * 8 / 10);
}

QTEST_GUILESS_MAIN(EngineSoakTest)
#include "engine_soak_test.moc"
