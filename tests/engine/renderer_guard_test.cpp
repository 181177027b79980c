// When the show renews its web page: the decision on a settable clock and a made-up memory
// reading, the moments the show offers for it, and the settings behind it.

#include "engine/renderer_guard.h"
#include "support/engine_rig.h"

#include <QtTest>

using namespace glasspane;

class RendererGuardTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decision_data();
    void decision();
    void unhelpfulRenewalIsNotRepeatedAtEveryPage();
    void offeredOnlyBetweenPagesOfTheShow();
    void settings_data();
    void settings();
};

namespace {

constexpr qint64 MiB = 1024;
constexpr qint64 Hour = 3600;

} // namespace

void RendererGuardTest::decision_data()
{
    QTest::addColumn<qint64>("limitMiB");
    QTest::addColumn<int>("maxHours");
    QTest::addColumn<qint64>("memoryKiB"); // what the reading gives
    QTest::addColumn<qint64>("ageSeconds");
    QTest::addColumn<int>("cause");

    using C = RendererGuard::Cause;
    QTest::newRow("young and small") << 500LL << 24 << 100 * MiB << 60LL << int(C::None);
    QTest::newRow("at the limit is not over it")
        << 500LL << 24 << 500 * MiB << 60LL << int(C::None);
    QTest::newRow("one KiB over the limit")
        << 500LL << 24 << 500 * MiB + 1 << 60LL << int(C::Memory);
    QTest::newRow("no memory limit") << 0LL << 24 << 9000 * MiB << 60LL << int(C::None);
    QTest::newRow("memory unreadable") << 500LL << 24 << -1LL << 60LL << int(C::None);
    QTest::newRow("exactly its hours") << 500LL << 24 << 100 * MiB << 24 * Hour << int(C::None);
    QTest::newRow("past its hours") << 500LL << 24 << 100 * MiB << 24 * Hour + 1 << int(C::Age);
    QTest::newRow("no age limit") << 500LL << 0 << 100 * MiB << 1000 * Hour << int(C::None);
    QTest::newRow("both: memory is named") << 500LL << 1 << 600 * MiB << 2 * Hour << int(C::Memory);
}

void RendererGuardTest::decision()
{
    QFETCH(qint64, limitMiB);
    QFETCH(int, maxHours);
    QFETCH(qint64, memoryKiB);
    QFETCH(qint64, ageSeconds);
    QFETCH(int, cause);

    SettableClock clock;
    int readings = 0;
    RendererGuard guard(clock, [&] {
        ++readings;
        return memoryKiB;
    });
    guard.setSettings({limitMiB, maxHours});
    clock.advanceSecs(ageSeconds);
    const RendererGuard::Verdict verdict = guard.check();
    QCOMPARE(int(verdict.cause), cause);
    QCOMPARE(verdict.ageSeconds, ageSeconds);
    // Without a limit the processes are not even looked at.
    QCOMPARE(readings, limitMiB > 0 ? 1 : 0);
    QCOMPARE(guard.describe(verdict).isEmpty(), cause == int(RendererGuard::Cause::None));

    // A renewed page starts young.
    guard.pageRenewed(verdict.cause);
    if (verdict.cause == RendererGuard::Cause::Age)
        QCOMPARE(int(guard.check().cause), int(RendererGuard::Cause::None));
}

void RendererGuardTest::unhelpfulRenewalIsNotRepeatedAtEveryPage()
{
    // A limit below what any page needs: renewing at every page would only slow the show.
    SettableClock clock;
    qint64 memory = 800 * MiB;
    RendererGuard guard(clock, [&] { return memory; });
    guard.setSettings({500, 0});
    QCOMPARE(int(guard.check().cause), int(RendererGuard::Cause::Memory));
    guard.pageRenewed(RendererGuard::Cause::Memory);
    clock.advanceSecs(kRenewRetrySeconds);
    QCOMPARE(int(guard.check().cause), int(RendererGuard::Cause::None));
    clock.advanceSecs(1);
    QCOMPARE(int(guard.check().cause), int(RendererGuard::Cause::Memory));

    // A renewal that helped leaves the guard watching at every page again.
    guard.pageRenewed(RendererGuard::Cause::Age);
    QCOMPARE(int(guard.check().cause), int(RendererGuard::Cause::Memory));
    memory = 100 * MiB;
    QCOMPARE(int(guard.check().cause), int(RendererGuard::Cause::None));
}

void RendererGuardTest::offeredOnlyBetweenPagesOfTheShow()
{
    EngineRig rig;
    rig.setPages({{"http://127.0.0.1/a", 2}, {"http://127.0.0.1/b", 2}});
    rig.doc.AutoLoop = true;
    rig.options.OnMouseMove = MouseMoveAction::NavigationMode;
    rig.options.ScreenSaveMinTime = 0;
    EngineHooks hooks = rig.hooks();
    // What the page holds when it is offered: the one loaded before must be over.
    QStringList offeredAfter;
    hooks.betweenPages = [&] { offeredAfter << rig.browser.lastNavigation(); };
    const EnginePorts ports{rig.clock, rig.desktop,  rig.frontend, rig.browser, rig.system,
                            rig.shell, rig.settings, rig.doc,      rig.program, rig.lock};
    rig.engine = std::make_unique<Engine>(ports, hooks, rig.options, QString(), 42);
    rig.engine->ResetRandomOrder();
    rig.engine->ChooseFirstPage();
    const PageInfo splash = rig.engine->GetPageInfo(0);
    rig.engine->BrowseTo(splash.url, splash.time, splash.hide, splash.cached, splash.separate);

    // The first page, then every change of page, each one before its load and never during a
    // page's time.
    rig.tick(2);
    QCOMPARE(offeredAfter.size(), 1);
    QCOMPARE(rig.browser.lastNavigation(), QString("http://127.0.0.1/a"));
    rig.browser.completeLoad();
    rig.runSeconds(1.8);
    QCOMPARE(offeredAfter.size(), 1);
    rig.runSeconds(1);
    QCOMPARE(offeredAfter.size(), 2);
    QCOMPARE(offeredAfter.last(), QString("http://127.0.0.1/a"));
    QCOMPARE(rig.browser.lastNavigation(), QString("http://127.0.0.1/b"));

    // A visitor browsing: never, however long it lasts.
    rig.engine->OnActivity();
    QVERIFY(rig.engine->state().NavigationMode);
    rig.browser.completeLoad();
    rig.runSeconds(30);
    QCOMPARE(offeredAfter.size(), 2);
}

void RendererGuardTest::settings_data()
{
    QTest::addColumn<QString>("limitText"); // "" = absent
    QTest::addColumn<QString>("hoursText");
    QTest::addColumn<qint64>("physicalKiB");
    QTest::addColumn<qint64>("limitMiB");
    QTest::addColumn<int>("hours");

    const qint64 gib = 1024 * 1024;
    QTest::newRow("defaults, 8 GiB") << ""
                                     << "" << 8 * gib << 2048LL << 24;
    QTest::newRow("defaults, 1 GiB: at least 512") << ""
                                                   << "" << 1 * gib << 512LL << 24;
    QTest::newRow("memory unknown: no limit") << ""
                                              << "" << 0LL << 0LL << 24;
    QTest::newRow("set") << "300"
                         << "6" << 8 * gib << 300LL << 6;
    QTest::newRow("0 turns either off") << "0"
                                        << "0" << 8 * gib << 0LL << 0;
    QTest::newRow("nonsense reads as the default") << "-5"
                                                   << "many" << 8 * gib << 2048LL << 24;
}

void RendererGuardTest::settings()
{
    QFETCH(QString, limitText);
    QFETCH(QString, hoursText);
    QFETCH(qint64, physicalKiB);
    QFETCH(qint64, limitMiB);
    QFETCH(int, hours);

    EngineRig rig;
    const QString key = rig.program.userKeyPath;
    if (!limitText.isEmpty())
        rig.registry.setString(RegRoot::CurrentUser, key, "RendererMemoryLimit", limitText);
    if (!hoursText.isEmpty())
        rig.registry.setString(RegRoot::CurrentUser, key, "RendererMaxHours", hoursText);
    const RendererGuardSettings s = ReadRendererGuardSettings(rig.settings, physicalKiB);
    QCOMPARE(s.memoryLimitMiB, limitMiB);
    QCOMPARE(s.maxHours, hours);
}

QTEST_GUILESS_MAIN(RendererGuardTest)
#include "renderer_guard_test.moc"
