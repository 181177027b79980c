// The engine on the real page cache, update policy and document loader.

#include "document/document_files.h"
#include "document/page_copy.h"
#include "engine/engine_hooks.h"
#include "support/cache_fixture.h"
#include "support/fake_browser.h"
#include "support/fake_desktop.h"
#include "support/fake_frontend.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace glasspane;

class EngineHooksTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reloadDecision_data();
    void reloadDecision();
    void connectionCheckReset();
    void cachedPageFetched();
    void slidesOfACachedDeck();
    void endOfCycleLoadsTheDocumentAgain();
    void builtInDocumentReloadsInPlace();
};

namespace {

struct HookedEngine
{
    CacheFixture f;
    DocumentServices documents{f.ini,   f.settings, f.program, f.shell, f.registry,
                               f.clock, &f.net,     {},        {},      {}};
    FakeDesktop desktop;
    FakeFrontend frontend;
    FakeBrowser browser;
    PasswordLock lock;
    int afterReloads = 0;
    EngineHooks hooks = MakeEngineHooks(f.services, documents, [this] { ++afterReloads; });
    std::unique_ptr<Engine> engine;

    void start()
    {
        const EnginePorts ports{f.clock, desktop,    frontend, browser,   f.system,
                                f.shell, f.settings, f.doc,    f.program, lock};
        engine = std::make_unique<Engine>(ports, hooks, EngineSettings(), QString(), 7);
        engine->AfterDocumentLoad();
    }
    void tick(int n)
    {
        for (int i = 0; i < n; ++i) {
            f.clock.advanceMs(200);
            engine->EngineTick();
            if (browser.Busy()) {
                browser.completeLoad();
                engine->displaySlot().Loaded = true;
            }
        }
    }
};

// pageLines: more lines for every page ("Cached=Yes\r\n").
void writeDocument(const QString& path, const QStringList& pages,
                   const QByteArray& pageLines = QByteArray())
{
    QByteArray text = "[Gpane]\r\nDefaultTime=2\r\n";
    for (int i = 0; i < pages.size(); ++i)
        text += "[Page" + QByteArray::number(i + 1) + "]\r\nURL=" + pages[i].toUtf8() + "\r\n" +
                pageLines;
    QVERIFY(writeFileBytes(path, text));
}

} // namespace

void EngineHooksTest::reloadDecision_data()
{
    QTest::addColumn<int>("scheme");
    QTest::addColumn<int>("applied"); // -1 never, 0 on-line, 1 off-line
    QTest::addColumn<bool>("reload");
    QTest::newRow("never applied") << 2 << -1 << true;
    QTest::newRow("on-line") << 2 << 0 << true;
    QTest::newRow("off-line") << 2 << 1 << false;
    QTest::newRow("off-line, always on-line scheme") << 0 << 1 << true;
}

void EngineHooksTest::reloadDecision()
{
    QFETCH(int, scheme);
    QFETCH(int, applied);
    HookedEngine h;
    h.f.update.UpdateScheme = qint16(scheme);
    if (applied >= 0)
        h.f.update.LastAppliedOffline = applied == 1;
    QTEST(h.hooks.reloadAtEndOfCycle(), "reload");
}

void EngineHooksTest::connectionCheckReset()
{
    HookedEngine h;
    h.f.cache.LastConnectionCheck = h.f.clock.now();
    h.hooks.resetConnectionCheck();
    QVERIFY(!h.f.cache.LastConnectionCheck.isValid());
}

void EngineHooksTest::cachedPageFetched()
{
    HookedEngine h;
    h.f.net.setPage("http://h/clip.mp4", "data");
    const QString local = h.hooks.fetchPage("http://h/clip.mp4");
    QCOMPARE(local, h.f.cacheFile("http://h/clip.mp4"));
    QVERIFY(QFile::exists(local));
    QCOMPARE(h.f.net.requestCount("http://h/clip.mp4"), 1);
}

// The slides of a cached deck (one page, each slide its own fragment) share one copy, fetched
// once a round with its style sheet and shown in the browser (SeparateProc at its default), each
// with its own fragment; with the server gone the copy serves. A page of which there is no copy
// is skipped at once.
void EngineHooksTest::slidesOfACachedDeck()
{
    HookedEngine h;
    const QDateTime modified(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);
    FakeInternet::Response deck;
    deck.body = "<html><link rel=stylesheet href=deck.css><body><section>1</section></body>";
    deck.lastModified = modified;
    deck.contentType = QStringLiteral("text/html");
    h.f.net.setResponse("http://h/deck.html", deck);
    h.f.net.setPage("http://h/deck.css", "section { color: red }", modified);
    const QString path = h.f.dir.filePath("show.gpn");
    writeDocument(path, {"http://h/deck.html#/1", "http://h/deck.html#/2", "http://h/gone.html"},
                  "Cached=Yes\r\n");
    h.f.net.setFailure("http://h/gone.html");
    h.f.program.documentPath = path;
    h.f.program.documentName = path;
    QVERIFY(LoadDocument(h.documents, h.f.doc, path, path));
    h.start();

    const QString shown = ShownPageOf(h.f.cacheFile("http://h/deck.html"));
    auto round = [&h] {
        QStringList navigations;
        for (int i = 0; i < 200 && navigations.size() < 2; ++i) {
            // (The start page comes first.)
            const int before = h.browser.navigateCalls;
            h.tick(1);
            if (h.browser.navigateCalls != before &&
                !h.browser.lastNavigation().endsWith(QLatin1String("/index.html")))
                navigations.append(h.browser.lastNavigation());
        }
        return navigations;
    };
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("http://h/gone.html cannot be shown: it could not be "
                                            "fetched and the cache holds no copy of it"));
    QCOMPARE(round(), (QStringList{shown + "#/1", shown + "#/2"}));
    QCOMPARE(h.f.net.requestCount("http://h/deck.html"), 1);
    QCOMPARE(h.f.net.requestCount("http://h/deck.css"), 1);
    QVERIFY(QFile::exists(shown));
    QVERIFY(h.f.system.started().isEmpty());

    // The next round asks again, once; the server gone, the copy serves.
    h.f.net.setFailure("http://h/deck.html");
    h.f.net.setFailure("http://h/deck.css");
    QCOMPARE(round(), (QStringList{shown + "#/1", shown + "#/2"}));
    QCOMPARE(h.f.net.requestCount("http://h/deck.html"), 2);
    QVERIFY(QFile::exists(shown));
}

void EngineHooksTest::endOfCycleLoadsTheDocumentAgain()
{
    HookedEngine h;
    const QString path = h.f.dir.filePath("show.gpn");
    writeDocument(path, {"http://one/", "http://two/"});
    h.f.program.documentPath = path;
    h.f.program.documentName = path;
    QVERIFY(LoadDocument(h.documents, h.f.doc, path, path));
    QCOMPARE(h.f.doc.playCount(), 2);
    h.start();
    h.tick(2);
    QCOMPARE(h.browser.lastNavigation(), QStringLiteral("http://one/"));

    // The document changes on disk; the next cycle shows the new list.
    writeDocument(path, {"http://one/", "http://two/", "http://three/"});
    QStringList shown;
    for (int i = 0; i < 200 && shown.size() < 4; ++i) {
        const int before = h.browser.navigateCalls;
        h.tick(1);
        if (h.browser.navigateCalls != before)
            shown.append(h.browser.lastNavigation());
    }
    QCOMPARE(shown, (QStringList{"http://two/", "http://one/", "http://two/", "http://three/"}));
    QCOMPARE(h.afterReloads, 1);
    QCOMPARE(h.f.doc.playCount(), 3);
}

void EngineHooksTest::builtInDocumentReloadsInPlace()
{
    HookedEngine h;
    const QString path = h.f.dir.filePath("res/Gpane.GPN");
    QVERIFY(QDir().mkpath(h.f.dir.filePath("res")));
    writeDocument(path, {"http://one/"});
    h.f.program.documentPath = path;
    h.f.program.documentName = QString::fromLatin1(kResourceDocumentName);
    h.f.program.documentSource = kResourceDocumentSource;
    QVERIFY(h.hooks.reloadDocument());
    QCOMPARE(h.f.program.documentPath, path);
    QCOMPARE(h.f.doc.playCount(), 1);
}

QTEST_GUILESS_MAIN(EngineHooksTest)
#include "engine_hooks_test.moc"
