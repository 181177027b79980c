// Page order, the first page, and what BrowseTo puts on the screen.

#include "document/page_variables.h"
#include "support/engine_rig.h"
#include "support/test_files.h"

#include <QSet>
#include <QTest>

using namespace glasspane;

class SequencingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void randomModeShowsEachPageOncePerCycle();
    void randomModeBackAndForth();
    void randomModeWithoutLoopEnds();
    void emptyPlayList_data();
    void emptyPlayList();
    void onePageListReloadsEachCycle();
    void endOfCycleKeepsDocumentWhenOffline();
    void invisibleMainWindowPage();
    void externalProgramPage();
    void externalProgramWithoutOpenCommand();
    void cachedPageInBrowser();
    void cachedCopyShownByTheBrowser_data();
    void cachedCopyShownByTheBrowser();
    void cachedPageWithoutCopyIsSkippedAtOnce();
    void cachedPageTheListsForbid();
    void pageAskedForDuringFetchWins();
    void splashPageInfo_data();
    void splashPageInfo();
    void defaultTimeOfEntries();
    void goHome();
    void firstPage_data();
    void firstPage();
    void grabbedPageJoinsRandomCycle();
};

namespace {

// The next pages the show navigates to, ticking as long as it takes.
QStringList showPages(EngineRig& rig, int count)
{
    QStringList shown;
    for (int i = 0; i < count; ++i) {
        const int before = rig.browser.navigateCalls;
        for (int t = 0; t < 1000 && rig.browser.navigateCalls == before; ++t)
            rig.tick();
        shown.append(rig.browser.lastNavigation());
    }
    return shown;
}

} // namespace

void SequencingTest::randomModeShowsEachPageOncePerCycle()
{
    EngineRig rig;
    rig.setPages({{"p1", 1}, {"p2", 1}, {"p3", 1}});
    rig.options.RandomMode = true;
    rig.browser.autoComplete = true;
    rig.start();
    QSet<QString> orders;
    for (int cycle = 0; cycle < 12; ++cycle) {
        const QStringList shown = showPages(rig, 3);
        QCOMPARE(QSet<QString>(shown.begin(), shown.end()), (QSet<QString>{"p1", "p2", "p3"}));
        orders.insert(shown.join(u','));
    }
    // The order changes between cycles.
    QVERIFY2(orders.size() > 1, qPrintable(QStringList(orders.values()).join(u' ')));
    QCOMPARE(rig.reloads, 11);
}

void SequencingTest::randomModeBackAndForth()
{
    EngineRig rig;
    rig.setPages({{"p1", 10}, {"p2", 10}, {"p3", 10}, {"p4", 10}});
    rig.options.RandomMode = true;
    rig.start();
    rig.tick(2);
    rig.engine->PauseAction();
    rig.tick();
    QStringList forward{rig.browser.lastNavigation()};
    for (int i = 0; i < 3; ++i) {
        rig.engine->NextAction();
        forward.append(rig.browser.lastNavigation());
    }
    QCOMPARE(QSet<QString>(forward.begin(), forward.end()),
             (QSet<QString>{"p1", "p2", "p3", "p4"}));
    // Going back to a position shows the same page again, and wraps to the last position.
    for (int i = 2; i >= 0; --i) {
        rig.engine->PreviousAction();
        QCOMPARE(rig.browser.lastNavigation(), forward[i]);
    }
    rig.engine->PreviousAction();
    QCOMPARE(rig.browser.lastNavigation(), forward[3]);
    QCOMPARE(rig.state(), RunState::WAITSAVER);
}

void SequencingTest::randomModeWithoutLoopEnds()
{
    EngineRig rig;
    rig.setPages({{"p1", 1}, {"p2", 1}});
    rig.options.RandomMode = true;
    rig.doc.AutoLoop = false;
    rig.browser.autoComplete = true;
    rig.start();
    const QStringList shown = showPages(rig, 2);
    QCOMPARE(QSet<QString>(shown.begin(), shown.end()), (QSet<QString>{"p1", "p2"}));
    rig.runSeconds(1.4);
    QCOMPARE(rig.frontend.processEnds, 1);
}

void SequencingTest::emptyPlayList_data()
{
    QTest::addColumn<bool>("autoLoop");
    QTest::addColumn<bool>("random");
    QTest::newRow("loop") << true << false;
    QTest::newRow("loop, random") << true << true;
    QTest::newRow("no loop") << false << false;
    QTest::newRow("no loop, random") << false << true;
}

void SequencingTest::emptyPlayList()
{
    QFETCH(bool, autoLoop);
    QFETCH(bool, random);

    EngineRig rig;
    rig.doc.AutoLoop = autoLoop;
    rig.options.RandomMode = random;
    rig.browser.autoComplete = true;
    rig.start();
    rig.tick(2);
    // The splash page stays; each time its time is over the show wraps around or ends.
    rig.runSeconds(2.4);
    if (!autoLoop) {
        QCOMPARE(rig.frontend.processEnds, 1);
        return;
    }
    QCOMPARE(rig.reloads, 1);
    rig.runSeconds(2.2);
    QCOMPARE(rig.reloads, 2);
    rig.runSeconds(60);
    QVERIFY(rig.reloads > 20);
    QCOMPARE(rig.browser.navigateCalls, 1);
    QCOMPARE(rig.frontend.processEnds, 0);
}

void SequencingTest::onePageListReloadsEachCycle()
{
    EngineRig rig;
    rig.setPages({{"http://only/", 5}});
    rig.browser.autoComplete = true;
    rig.start();
    rig.tick(2);
    rig.runSeconds(5.2);
    rig.tick();
    rig.runSeconds(5.2);
    rig.tick();
    QCOMPARE(rig.browser.navigations.count("http://only/"), 3);
}

void SequencingTest::endOfCycleKeepsDocumentWhenOffline()
{
    EngineRig rig;
    rig.setPages({{"a", 1}, {"b", 1}});
    rig.offlineAtEndOfCycle = true;
    rig.browser.autoComplete = true;
    rig.start();
    rig.tick(2);
    rig.runSeconds(5);
    QCOMPARE(rig.reloads, 0);
    QVERIFY(rig.updateDueCalls > 0);
    rig.offlineAtEndOfCycle = false;
    rig.runSeconds(2.4);
    QCOMPARE(rig.reloads, 1);
}

void SequencingTest::invisibleMainWindowPage()
{
    EngineRig rig;
    rig.setPages({{"ignored", 1}, {"http://b/", 1}});
    rig.doc.PageList[1].Var1Type = VarInvisible;
    rig.browser.autoComplete = true;
    rig.start();
    rig.tick(2);
    QVERIFY(!rig.frontend.mainVisible);
    QCOMPARE(rig.browser.lastNavigation(), rig.program.resourceFolder + "/index.html");
    rig.runSeconds(1.2);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));
    QVERIFY(rig.frontend.mainVisible);
    QVERIFY(!rig.engine->sequence().MainHidden);
}

void SequencingTest::externalProgramPage()
{
    EngineRig rig;
    rig.setPages({{"http://x/talk.odp", 5}, {"http://b/", 5}});
    rig.doc.PlayList[1].Cached = true;
    rig.doc.PlayList[1].SeparateProc = true;
    rig.shell.setOpenCommand("odp", {"/usr/bin/player", "--fs", "%f"});
    rig.viewSuffix = QStringLiteral(".html"); // the program goes by the copy itself
    rig.start();
    rig.tick(2);
    QCOMPARE(rig.fetched, QStringList{"http://x/talk.odp"});
    const QString local = rig.dir.path() + "/cache/1.odp";
    QCOMPARE(rig.system.started().size(), 1);
    QCOMPARE(rig.system.started()[0].program, QStringLiteral("/usr/bin/player"));
    // The file is one argument, whatever it holds; no shell comes between.
    QCOMPARE(rig.system.started()[0].arguments, (QStringList{"--fs", local}));
    QCOMPARE(rig.browser.lastNavigation(), rig.program.resourceFolder + "/black.html");
    QVERIFY(rig.engine->displaySlot().Loaded);
    const qint64 pid = rig.system.started()[0].pid;
    QCOMPARE(rig.engine->sequence().ExternalPid, pid);

    // Nothing has to load: the page is left when its time is over, and its program ends.
    rig.runSeconds(5.2);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));
    QCOMPARE(rig.system.terminated(), QList<qint64>{pid});
    QCOMPARE(rig.engine->sequence().ExternalPid, 0);

    // A program still running at the end is stopped too.
    rig.browser.completeLoad();
    rig.runSeconds(5.2);
    rig.tick();
    QCOMPARE(rig.system.started().size(), 2);
    rig.engine->QuitAction();
    rig.tick();
    QCOMPARE(rig.system.terminated().size(), 2);
    QCOMPARE(rig.frontend.processEnds, 1);
}

void SequencingTest::externalProgramWithoutOpenCommand()
{
    EngineRig rig;
    rig.setPages({{"http://x/file.zzz", 3}, {"http://b/", 3}});
    rig.doc.PlayList[1].Cached = true;
    rig.start();
    rig.tick(2);
    QVERIFY(rig.system.started().isEmpty());
    QCOMPARE(rig.browser.lastNavigation(), rig.program.resourceFolder + "/black.html");
    rig.runSeconds(3.2);
    rig.tick();
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://b/"));
}

void SequencingTest::cachedPageInBrowser()
{
    EngineRig rig;
    rig.setPages({{"http://x/page.html", 3}});
    rig.doc.PlayList[1].Cached = true;
    rig.doc.PlayList[1].SeparateProc = false;
    rig.viewSuffix = QStringLiteral(".html");
    rig.start();
    rig.tick(2);
    // The copy as the page it is.
    QCOMPARE(rig.browser.lastNavigation(), rig.dir.path() + "/cache/1.html.html");
    QVERIFY(rig.system.started().isEmpty());
    QVERIFY(!rig.engine->displaySlot().Loaded);
    QVERIFY(rig.browser.Silent());
}

// SeparateProc hands to the desktop's program only what the browser cannot show: for a web
// page that program is another browser, outside the show's lists. A slide keeps its fragment.
void SequencingTest::cachedCopyShownByTheBrowser_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("shown");
    QTest::newRow("web page") << "http://x/page.html"
                              << "1.html";
    QTest::newRow("slide of a deck") << "http://x/deck.html#/3"
                                     << "1.html#/3";
    QTest::newRow("page without extension") << "http://x/news/"
                                            << "1.tmp";
    QTest::newRow("PDF at a page") << "http://x/doc.pdf#page=2"
                                   << "1.pdf#page=2";
    QTest::newRow("video") << "http://x/clip.webm"
                           << "1.webm";
    QTest::newRow("picture") << "http://x/pic.png"
                             << "1.png";
    QTest::newRow("text") << "http://x/notes.txt"
                          << "1.txt";
}

void SequencingTest::cachedCopyShownByTheBrowser()
{
    QFETCH(QString, address);
    QFETCH(QString, shown);
    EngineRig rig;
    rig.setPages({{address, 5}});
    rig.doc.PlayList[1].Cached = true;
    rig.doc.PlayList[1].SeparateProc = true;
    rig.shell.setOpenCommand("html", {"/usr/bin/otherbrowser", "%f"});
    rig.shell.setOpenCommand("pdf", {"/usr/bin/viewer", "%f"});
    QDir().mkpath(rig.dir.path() + "/cache");
    if (shown.startsWith("1.tmp")) {
        QVERIFY(writeFileBytes(rig.dir.path() + "/cache/1.tmp", "<!DOCTYPE html><html><body>x"));
    }
    rig.start();
    rig.tick(2);
    QCOMPARE(rig.browser.lastNavigation(), rig.dir.path() + "/cache/" + shown);
    QVERIFY(rig.system.started().isEmpty());
    QVERIFY(!rig.engine->displaySlot().Loaded);
}

void SequencingTest::cachedPageWithoutCopyIsSkippedAtOnce()
{
    EngineRig rig;
    rig.setPages({{"http://x/a.html", 30}, {"http://x/b.html", 30}});
    rig.doc.PlayList[1].Cached = true;
    rig.noCopy = true;
    rig.start();
    QTest::ignoreMessage(QtWarningMsg, "Page 1 of the play list, http://x/a.html cannot be "
                                       "shown: it could not be fetched and the cache holds no "
                                       "copy of it; the show moves on");
    rig.tick(2);
    const int navigations = rig.browser.navigateCalls;
    rig.tick(2);
    QCOMPARE(rig.page(), 2);
    QVERIFY(rig.browser.navigateCalls > navigations);
}

// A cached page whose address the document forbids is not fetched, and no copy of it is shown
// (in the browser or by a program): the browser is asked for the address, and refuses it.
void SequencingTest::cachedPageTheListsForbid()
{
    EngineRig rig;
    rig.setPages({{"http://x/private/clip.mp4", 3}, {"http://x/page.html", 3}});
    rig.doc.PlayList[1].Cached = true;
    rig.doc.PlayList[1].SeparateProc = true;
    rig.doc.PlayList[2].Cached = true;
    rig.doc.PlayList[2].SeparateProc = false;
    rig.doc.ExcludeList = {"http://x/private/"};
    rig.shell.setOpenCommand("mp4", {"/usr/bin/player", "%f"});
    rig.start();
    rig.tick(2);
    QCOMPARE(rig.fetched, QStringList());
    QVERIFY(rig.system.started().isEmpty());
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://x/private/clip.mp4"));
    // A page the lists allow is fetched as before.
    rig.browser.failLoad(QStringLiteral("refused"));
    rig.runSeconds(3.2);
    rig.tick();
    QCOMPARE(rig.fetched, QStringList{"http://x/page.html"});
}

// While a cached page is fetched the window goes on; a page asked for meanwhile (Home) is the
// one that stays on screen.
void SequencingTest::pageAskedForDuringFetchWins()
{
    EngineRig rig;
    rig.setPages({{"http://x/page.html", 3}});
    rig.doc.PlayList[1].Cached = true;
    rig.doc.PlayList[1].SeparateProc = false;
    rig.doc.HomeURL = QStringLiteral("http://x/home.html");
    rig.start();
    rig.duringFetch = [&rig] { rig.engine->GoHome(); };
    rig.tick(2);
    QCOMPARE(rig.fetched, QStringList{"http://x/page.html"});
    QCOMPARE(rig.browser.lastNavigation(), QStringLiteral("http://x/home.html"));
    QCOMPARE(rig.engine->displaySlot().Url, QStringLiteral("http://x/home.html"));
    QCOMPARE(rig.engine->displaySlot().Target, QStringLiteral("http://x/home.html"));
}

void SequencingTest::splashPageInfo_data()
{
    QTest::addColumn<bool>("homeAsSplash");
    QTest::addColumn<int>("defaultTime");
    QTest::addColumn<bool>("homeInList");
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("time");
    QTest::addColumn<bool>("cached");

    QTest::newRow("start page") << false << 30 << false << "START" << 2 << false;
    QTest::newRow("home page") << true << 30 << false << "http://home/" << 30 << false;
    QTest::newRow("home page, time 0") << true << 0 << false << "http://home/" << 10 << false;
    QTest::newRow("home page from the list") << true << 30 << true << "http://home/" << 30 << true;
}

void SequencingTest::splashPageInfo()
{
    QFETCH(bool, homeAsSplash);
    QFETCH(int, defaultTime);
    QFETCH(bool, homeInList);
    QFETCH(QString, url);
    QFETCH(int, time);
    QFETCH(bool, cached);

    EngineRig rig;
    rig.doc.HomeAsSplash = homeAsSplash;
    rig.doc.HomeURL = QStringLiteral("http://home/");
    rig.doc.DefaultTime = defaultTime;
    rig.setPages({{"http://a/", 5}, {homeInList ? "http://home/" : "http://c/", 5}});
    rig.doc.PlayList[2].Cached = true;
    rig.doc.PlayList[2].SeparateProc = false;
    rig.start();
    const PageInfo info = rig.engine->GetPageInfo(0);
    if (url == u"START")
        url = rig.program.resourceFolder + "/index.html";
    QCOMPARE(info.url, url);
    QCOMPARE(info.time, time);
    QCOMPARE(info.cached, cached);
    QCOMPARE(info.separate, !cached);
    QVERIFY(!info.hide);
    QCOMPARE(rig.engine->sequence().SplashUrl, url);
}

void SequencingTest::defaultTimeOfEntries()
{
    EngineRig rig;
    rig.doc.DefaultTime = 42;
    rig.setPages({{"a", 5}, {"b", 7}});
    rig.doc.PlayList[2].DefaultTime = true;
    rig.start();
    QCOMPARE(rig.engine->GetPageInfo(1).time, 5);
    QCOMPARE(rig.engine->GetPageInfo(2).time, 42);
    // Outside the list there is nothing to show.
    QVERIFY(rig.engine->GetPageInfo(3).url.isEmpty());
    QVERIFY(rig.engine->GetPageInfo(-1).url.isEmpty());
}

void SequencingTest::goHome()
{
    EngineRig rig;
    rig.doc.HomeURL = QStringLiteral("http://home/");
    rig.setPages({{"http://home/", 5}});
    rig.doc.PlayList[1].Cached = true;
    rig.doc.PlayList[1].SeparateProc = false;
    rig.start();
    rig.engine->GoHome();
    QCOMPARE(rig.fetched, QStringList{"http://home/"});
    QCOMPARE(rig.engine->displaySlot().Time, 10);
    QCOMPARE(rig.engine->displaySlot().Url, QStringLiteral("http://home/"));
}

void SequencingTest::firstPage_data()
{
    QTest::addColumn<bool>("resume");
    QTest::addColumn<QString>("inDocument");
    QTest::addColumn<QString>("inSettings");
    QTest::addColumn<int>("expected");

    QTest::newRow("nothing stored") << true << ""
                                    << "" << 1;
    QTest::newRow("stored") << true << ""
                            << "3" << 3;
    QTest::newRow("document wins") << true << " 2 "
                                   << "3" << 2;
    QTest::newRow("splash page stays") << true << ""
                                       << "0" << 0;
    QTest::newRow("beyond the list") << true << ""
                                     << "9" << 1;
    QTest::newRow("negative") << true << ""
                              << "-2" << 1;
    QTest::newRow("not a number") << true << ""
                                  << "abc" << 1;
    QTest::newRow("resume off") << false << "2"
                                << "3" << 1;
}

void SequencingTest::firstPage()
{
    QFETCH(bool, resume);
    QFETCH(QString, inDocument);
    QFETCH(QString, inSettings);
    QFETCH(int, expected);

    EngineRig rig;
    rig.setPages({{"a", 5}, {"b", 5}, {"c", 5}});
    rig.options.FirstPageIsLastPage = resume;
    if (!inDocument.isEmpty())
        QVERIFY(rig.ini.WriteIni("Gpane", "FirstPage", inDocument, rig.program.documentPath));
    if (!inSettings.isEmpty())
        QVERIFY(rig.settings.writeStoredText(Setting::FirstPage, inSettings));
    rig.start();
    QCOMPARE(rig.page(), expected);
}

void SequencingTest::grabbedPageJoinsRandomCycle()
{
    EngineRig rig;
    rig.setPages({{"p1", 1}, {"p2", 1}});
    rig.options.RandomMode = true;
    rig.browser.autoComplete = true;
    rig.start();
    QStringList shown = showPages(rig, 1);
    // A page appended to the play list while the cycle runs (Grab).
    PlayEntry grabbed;
    grabbed.URL = QStringLiteral("p3");
    grabbed.DefaultTime = false;
    grabbed.Time = 1;
    rig.doc.PlayList.append(grabbed);
    shown += showPages(rig, 2);
    QCOMPARE(QSet<QString>(shown.begin(), shown.end()), (QSet<QString>{"p1", "p2", "p3"}));
}

QTEST_GUILESS_MAIN(SequencingTest)
#include "sequencing_test.moc"
