// One million timer ticks of a steady show on fake ports: what the engine costs per tick.

#include "support/engine_rig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimeZone>
#include <cstdio>

using namespace glasspane;

namespace {

struct Figures
{
    double nsPerTick = 0;
    double nsPerClockStep = 0;
    int pagesShown = 0;
};

Figures run(const QDateTime& start, qint64 ticks)
{
    EngineRig rig;
    rig.clock.set(start);
    QList<std::pair<QString, int>> pages;
    for (int i = 1; i <= 20; ++i)
        pages.append({QStringLiteral("http://kiosk.test/page%1.html").arg(i), 10});
    rig.setPages(pages);
    rig.onReload = [&] { rig.setPages(pages); };
    rig.browser.autoComplete = true;
    rig.browser.keepHistory = false;
    // The main window has the focus and holds a browser view, as on a kiosk.
    rig.desktop.setForeground(rig.frontend.windowId(AppWindow::Main));
    rig.desktop.setDescendants(rig.frontend.windowId(AppWindow::Main),
                               {{2, 11, "", "QWidget"},
                                {3, 12, "", "Internet Explorer_Server"},
                                {1, 13, "", "QWebEngineView"}});
    rig.start();

    QElapsedTimer timer;
    timer.start();
    for (qint64 i = 0; i < ticks; ++i) {
        rig.clock.advanceMs(200);
        rig.engine->EngineTick();
    }
    Figures f;
    f.nsPerTick = double(timer.nsecsElapsed()) / double(ticks);
    f.pagesShown = rig.browser.navigateCalls;

    // The settable clock's own share of each tick.
    timer.restart();
    for (qint64 i = 0; i < ticks; ++i)
        rig.clock.advanceMs(200);
    f.nsPerClockStep = double(timer.nsecsElapsed()) / double(ticks);
    return f;
}

void print(const char* label, const Figures& f)
{
    std::printf("%-28s %8.1f ns per tick (clock step %6.1f ns, engine %6.1f ns), %d pages\n", label,
                f.nsPerTick, f.nsPerClockStep, f.nsPerTick - f.nsPerClockStep, f.pagesShown);
}

} // namespace

int main(int argc, char** argv)
{
    // The local zone, named: otherwise the C library looks at the zone file on every
    // conversion of a local time, and the clock's share of a tick is mostly that system call.
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    constexpr qint64 kTicks = 1000000;
    // Local time as the program runs it, and UTC, which leaves out the C library's time-zone
    // look-ups that converting local times costs.
    print("local time:", run(QDateTime(QDate(2024, 3, 4), QTime(12, 0)), kTicks));
    print("UTC:", run(QDateTime(QDate(2024, 3, 4), QTime(12, 0), QTimeZone::utc()), kTicks));
    std::printf("goal: under 2000 ns per tick\n");
    return 0;
}
