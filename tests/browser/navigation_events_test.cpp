// The handlers of the browser's events on a whole engine with a scripted browser: address
// restriction, documents reached by navigation, user activity in navigation mode, the pop-up
// policy, page completion and the scroll bar.

#include "browser/navigation_events.h"
#include "support/engine_rig.h"

#include <QtTest>

using namespace glasspane;

namespace {

struct Rig : EngineRig
{
    Rig()
        : nav(browser, doc, program, clock,
              NavigationHooks{
                  [this](const QString& url) { opened << url; },
                  [this] { return addressBox; },
                  [this](const QString& text) { addressBox = text; },
                  [this] { ++titleUpdates; },
                  [this] { return offline; },
                  [this] { ++progressRecords; },
                  [this] { return cacheFolder; },
              })
    {
        browser.setListener(&nav);
    }
    Engine& startShow()
    {
        Engine& e = start();
        nav.attachEngine(&e);
        return e;
    }
    // What BeforeNavigate2 answers for an address, as a frame would ask.
    bool refused(const QString& url)
    {
        bool cancel = false;
        nav.BeforeNavigate2(url, false, cancel);
        return cancel;
    }

    NavigationEvents nav;
    QStringList opened;
    QString addressBox;
    int titleUpdates = 0;
    bool offline = false;
    int progressRecords = 0;
    QString cacheFolder = QStringLiteral("/home/k/.cache/glasspane");
};

} // namespace

class NavigationEventsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restriction_data()
    {
        QTest::addColumn<QStringList>("include");
        QTest::addColumn<QStringList>("exclude");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("refused");
        const QStringList site{QStringLiteral("http://127.0.0.1:1/site/")};
        QTest::newRow("no lists") << QStringList() << QStringList() << "http://other/" << false;
        QTest::newRow("included, deeper page")
            << site << QStringList() << "http://127.0.0.1:1/site/a/b.html" << false;
        QTest::newRow("included, any case")
            << site << QStringList() << "HTTP://127.0.0.1:1/SITE/x" << false;
        QTest::newRow("another site") << site << QStringList() << "http://other/" << true;
        QTest::newRow("built-in page passes the include list")
            << site << QStringList() << "<res>/documentation.html" << false;
        QTest::newRow("built-in page excluded") << site << QStringList{QStringLiteral("<res>/doc")}
                                                << "<res>/documentation.html" << true;
        QTest::newRow("excluded folder")
            << site << QStringList{QStringLiteral("http://127.0.0.1:1/site/private/")}
            << "http://127.0.0.1:1/site/private/x" << true;
        QTest::newRow("excluded folder spelled otherwise")
            << site << QStringList{QStringLiteral("http://127.0.0.1:1/site/private/")}
            << "http://127.0.0.1:1/site//private%2Fx" << true;
        QTest::newRow("script address")
            << QStringList() << QStringList() << "javascript:alert(1)" << true;
        QTest::newRow("cached copy passes the include list")
            << site << QStringList()
            << "/home/k/.cache/glasspane/0123456789abcdef0123456789abcdef.html" << false;
    }
    void restriction()
    {
        QFETCH(QStringList, include);
        QFETCH(QStringList, exclude);
        QFETCH(QString, url);
        QFETCH(bool, refused);
        Rig rig;
        rig.startShow();
        const QString res = rig.program.resourceFolder;
        rig.doc.IncludeList = include;
        rig.doc.ExcludeList = exclude.replaceInStrings(QStringLiteral("<res>"), res);
        QCOMPARE(rig.refused(url.replace(QStringLiteral("<res>"), res)), refused);
    }

    // A document reached by a link is opened, in any letter case, and never shown as a page.
    void documentLinks_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opened");
        QTest::newRow("lower case") << "http://127.0.0.1:1/show.gpn" << true;
        QTest::newRow("upper case") << "http://127.0.0.1:1/SHOW.GPN" << true;
        QTest::newRow("local file") << "/srv/shows/a b.gpn" << true;
        QTest::newRow("with a query") << "http://127.0.0.1:1/show.gpn?x=1" << false;
        QTest::newRow("page") << "http://127.0.0.1:1/show.html" << false;
    }
    void documentLinks()
    {
        QFETCH(QString, url);
        QFETCH(bool, opened);
        Rig rig;
        rig.startShow();
        QCOMPARE(rig.refused(url), opened);
        QCOMPARE(rig.opened, opened ? QStringList{url} : QStringList());
    }

    // An excluded document is refused without being opened.
    void excludedDocumentIsNotOpened()
    {
        Rig rig;
        rig.startShow();
        rig.doc.ExcludeList = {QStringLiteral("http://127.0.0.1:1/")};
        QVERIFY(rig.refused(QStringLiteral("http://127.0.0.1:1/show.gpn")));
        QVERIFY(rig.opened.isEmpty());
    }

    // A page of the show that the address limits refuse cannot be shown, for that reason, and
    // the show moves on; a document that opens instead is no failure.
    void refusedPagesOfTheShow()
    {
        Rig rig;
        const QString site = QStringLiteral("http://127.0.0.1:1/site/");
        rig.setPages({{QStringLiteral("http://127.0.0.1:1/outside"), 10},
                      {site + QStringLiteral("next.gpn"), 10},
                      {site + QStringLiteral("a"), 10}});
        rig.doc.IncludeList = {site};
        rig.startShow();
        QTest::ignoreMessage(QtWarningMsg,
                             "Page 1 of the play list, http://127.0.0.1:1/outside cannot be "
                             "shown: outside the document's allowed addresses; the show moves on");
        rig.tick(2);
        QCOMPARE(rig.page(), 1);
        rig.tick();
        QCOMPARE(rig.page(), 2);
        rig.tick();
        QCOMPARE(rig.opened, QStringList{site + QStringLiteral("next.gpn")});
        rig.tick(5);
        QCOMPARE(rig.page(), 2);
    }

    // While the document limits navigation, a document reached by a visitor or by a page
    // would lift every limit: only the show's own documents open.
    void documentsWhileRestricted_data()
    {
        QTest::addColumn<QStringList>("include");
        QTest::addColumn<QStringList>("exclude");
        QTest::addColumn<QString>("reachedBy");
        QTest::addColumn<bool>("opened");
        const QStringList site{QStringLiteral("http://127.0.0.1:1/")};
        const QStringList none;
        QTest::newRow("visitor's link") << site << none << "visitor" << false;
        QTest::newRow("page's own link or redirect") << site << none << "page" << false;
        QTest::newRow("exclude list alone limits too")
            << none << QStringList{"http://ads."} << "visitor" << false;
        QTest::newRow("the show's page") << site << none << "show" << true;
        QTest::newRow("the show's cached copy") << site << none << "cache" << true;
        QTest::newRow("no limits: visitor's link") << none << none << "visitor" << true;
    }
    void documentsWhileRestricted()
    {
        QFETCH(QStringList, include);
        QFETCH(QStringList, exclude);
        QFETCH(QString, reachedBy);
        QFETCH(bool, opened);
        Rig rig;
        Engine& engine = rig.startShow();
        rig.doc.IncludeList = include;
        rig.doc.ExcludeList = exclude;
        QString url = QStringLiteral("http://127.0.0.1:1/next.gpn");
        if (reachedBy == u"visitor") {
            engine.EnterNavigationMode();
            QVERIFY(rig.refused(url));
        } else if (reachedBy == u"page") {
            QVERIFY(rig.refused(url));
        } else if (reachedBy == u"show") {
            engine.BrowseTo(url, 10, false, false, true);
        } else {
            url = rig.cacheFolder + QStringLiteral("/0123456789abcdef0123456789abcdef.gpn");
            QVERIFY(rig.refused(url));
        }
        QCOMPARE(rig.opened, opened ? QStringList{url} : QStringList());
    }

    // The address box and the caption follow top-level navigations only.
    void addressBoxFollowsTopLevel()
    {
        Rig rig;
        rig.startShow(); // the splash page fills the box
        QCOMPARE(rig.addressBox, rig.program.resourceFolder + QStringLiteral("/index.html"));
        rig.addressBox.clear();
        bool cancel = false;
        rig.nav.BeforeNavigate2(QStringLiteral("http://127.0.0.1:1/frame"), false, cancel);
        QCOMPARE(rig.addressBox, QString());
        rig.nav.BeforeNavigate2(QStringLiteral("http://127.0.0.1:1/top"), true, cancel);
        QCOMPARE(rig.addressBox, QStringLiteral("http://127.0.0.1:1/top"));
        const int titles = rig.titleUpdates;
        rig.nav.BeforeNavigate2(QStringLiteral("HTTP://127.0.0.1:1/TOP"), true, cancel);
        QCOMPARE(rig.titleUpdates, titles); // the same address in another case: unchanged
    }

    // In navigation mode a visitor's link counts as activity; the program's own page and the
    // special addresses do not, and outside navigation mode nothing does.
    void userActivity()
    {
        Rig rig;
        Engine& engine = rig.startShow();
        rig.runSeconds(1);
        const QString page = QStringLiteral("http://127.0.0.1:1/own");
        engine.BrowseTo(page, 10, false, false, true);

        rig.clock.advanceSecs(30);
        const qint64 before = engine.state().LastActivity;
        QVERIFY(!rig.refused(QStringLiteral("http://127.0.0.1:1/link")));
        QCOMPARE(engine.state().LastActivity, before); // presentation mode

        engine.EnterNavigationMode();
        const qint64 entered = engine.state().LastActivity;
        rig.clock.advanceSecs(30);
        rig.refused(page.toUpper());
        rig.refused(QStringLiteral("about:NavigationCanceled"));
        QCOMPARE(engine.state().LastActivity, entered);
        rig.refused(QStringLiteral("http://127.0.0.1:1/link"));
        QCOMPARE(engine.state().LastActivity, rig.clock.now().toMSecsSinceEpoch());

        // Also when the link is refused.
        rig.doc.ExcludeList = {QStringLiteral("http://127.0.0.1:1/x")};
        rig.clock.advanceSecs(30);
        QVERIFY(rig.refused(QStringLiteral("http://127.0.0.1:1/x")));
        QCOMPARE(engine.state().LastActivity, rig.clock.now().toMSecsSinceEpoch());
    }

    void newWindowPolicy_data()
    {
        QTest::addColumn<int>("onNewWindow");
        QTest::addColumn<bool>("navigationMode");
        QTest::addColumn<int>("target");
        QTest::newRow("0: own window") << 0 << false << int(NewWindowTarget::Separate);
        QTest::newRow("1: main window") << 1 << false << int(NewWindowTarget::Main);
        QTest::newRow("2: none") << 2 << false << int(NewWindowTarget::Cancel);
        QTest::newRow("other value") << 7 << false << int(NewWindowTarget::Separate);
        QTest::newRow("navigation mode") << 2 << true << int(NewWindowTarget::Separate);
    }
    void newWindowPolicy()
    {
        QFETCH(int, onNewWindow);
        QFETCH(bool, navigationMode);
        QFETCH(int, target);
        Rig rig;
        Engine& engine = rig.startShow();
        if (navigationMode)
            engine.EnterNavigationMode();
        rig.nav.settings().OnNewWindow = NewWindowAction(onNewWindow);
        NewWindowTarget answer = NewWindowTarget::Separate;
        rig.nav.NewWindow2(answer);
        QCOMPARE(int(answer), target);
    }

    // Only the top-level document marks the page loaded and records the download.
    void documentComplete()
    {
        Rig rig;
        Engine& engine = rig.startShow();
        rig.setPages({{QStringLiteral("http://127.0.0.1:1/a"), 5}});
        engine.sequence().CurrentPage = 1;
        engine.displaySlot().Loaded = false;

        rig.nav.DocumentComplete(QStringLiteral("http://127.0.0.1:1/frame"), false);
        QVERIFY(!engine.displaySlot().Loaded);
        QVERIFY(!rig.doc.PlayList[1].LastDownload.isValid());
        QCOMPARE(rig.progressRecords, 0);

        rig.nav.DocumentComplete(QStringLiteral("http://127.0.0.1:1/a"), true);
        QVERIFY(engine.displaySlot().Loaded);
        QCOMPARE(rig.doc.PlayList[1].LastDownload, rig.clock.now());
        QCOMPARE(rig.progressRecords, 1);

        // Off-line the page came from the cache: no download is recorded.
        rig.offline = true;
        rig.clock.advanceSecs(60);
        rig.nav.DocumentComplete(QStringLiteral("http://127.0.0.1:1/a"), true);
        QCOMPARE(rig.doc.PlayList[1].LastDownload, rig.clock.now().addSecs(-60));
        QCOMPARE(rig.progressRecords, 1);
    }

    // A page's own address change passes the same test as a navigation, but it is no page of
    // the show (nothing completes), no visitor's doing (a page that rewrites its address every
    // second would keep navigation mode alive for good) and opens no document.
    void pageAddressChanges_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("another view") << "http://127.0.0.1:1/site/app/view2" << true;
        QTest::newRow("a fragment") << "http://127.0.0.1:1/site/app#/3" << true;
        QTest::newRow("a document's address") << "http://127.0.0.1:1/site/next.gpn" << true;
        QTest::newRow("outside the include list") << "http://127.0.0.1:1/other/" << false;
        QTest::newRow("excluded, spelled otherwise")
            << "http://127.0.0.1:1/site//private%2Fx" << false;
    }
    void pageAddressChanges()
    {
        QFETCH(QString, url);
        QFETCH(bool, allowed);
        Rig rig;
        const QString app = QStringLiteral("http://127.0.0.1:1/site/app");
        rig.setPages({{app, 5}});
        rig.doc.IncludeList = {QStringLiteral("http://127.0.0.1:1/site/")};
        rig.doc.ExcludeList = {QStringLiteral("http://127.0.0.1:1/site/private/")};
        rig.browser.autoComplete = true;
        Engine& engine = rig.startShow();
        rig.runSeconds(3); // past the splash page
        QCOMPARE(rig.browser.LocationURL(), app);
        engine.displaySlot().Loaded = false;
        engine.EnterNavigationMode();
        rig.clock.advanceSecs(30);
        const qint64 activity = engine.state().LastActivity;
        const int progress = rig.progressRecords;

        QCOMPARE(rig.browser.changeAddress(url), allowed);
        QCOMPARE(rig.addressBox, allowed ? url : app);
        QVERIFY(!engine.displaySlot().Loaded);
        QCOMPARE(engine.state().LastActivity, activity);
        QCOMPARE(rig.progressRecords, progress);
        QVERIFY(rig.opened.isEmpty());

        // What a visitor is typing in the box stays.
        rig.addressBox = QStringLiteral("http://127.0.0.1:1/site/typ");
        rig.browser.changeAddress(app + QStringLiteral("/view9"));
        QCOMPARE(rig.addressBox, QStringLiteral("http://127.0.0.1:1/site/typ"));
    }

    void scrollBar_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("scrollHeight");
        QTest::addColumn<QString>("scroll"); // "-" when the page is left alone
        QTest::newRow("0 leaves pages alone") << 0 << 500 << "-";
        QTest::newRow("1 short page") << 1 << 500 << "no";
        QTest::newRow("1 long page") << 1 << 5000 << "no";
        QTest::newRow("2 short page") << 2 << 500 << "no";
        QTest::newRow("2 page just fits") << 2 << 600 << "no";
        QTest::newRow("2 long page") << 2 << 5000 << "";
        QTest::newRow("3 gives the page its own") << 3 << 500 << "";
    }
    void scrollBar()
    {
        QFETCH(int, mode);
        QFETCH(int, scrollHeight);
        QFETCH(QString, scroll);
        Rig rig;
        rig.startShow();
        rig.nav.settings().RemoveVertScroll = mode;
        rig.browser.bodyScroll = QStringLiteral("-");
        rig.browser.metrics = BodyMetrics{true, scrollHeight, 600};
        rig.nav.DocumentComplete(QStringLiteral("http://127.0.0.1:1/a"), true);
        QCOMPARE(rig.browser.bodyScroll, scroll);

        // A document without a body is left alone.
        rig.browser.bodyScroll = QStringLiteral("-");
        rig.browser.metrics = BodyMetrics{};
        rig.nav.RemoveScrollBars();
        QCOMPARE(rig.browser.bodyScroll, QStringLiteral("-"));
    }
};

QTEST_GUILESS_MAIN(NavigationEventsTest)
#include "navigation_events_test.moc"
