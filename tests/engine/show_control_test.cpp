// The running show's answers to the administrators' commands: what each does in each state of
// the show, what it refuses and why, the status it reports, and the documents it opens.

#include "document/document_files.h"
#include "engine/show_control.h"
#include "support/engine_rig.h"
#include "support/fake_internet.h"
#include "support/test_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QTimeZone>

using namespace glasspane;

namespace {

// A three-page show with the commands wired as the program wires them.
struct ControlRig
{
    EngineRig rig;
    FakeInternet internet;
    DocumentServices documents{rig.ini,      rig.settings, rig.program, rig.shell, rig.registry,
                               rig.clock,    &internet,    {},          {},        {}};
    int reloads = 0;
    int raises = 0;
    quint64 loads = 0;       // the browser's count of loads begun
    bool reloadLoads = true; // a reload begins a load
    QStringList opened;
    ShowControlHooks hooks;
    std::unique_ptr<ShowControl> control;

    explicit ControlRig(bool withEngine = true)
    {
        rig.setPages({{"http://a/", 10}, {"http://b/", 10}, {"http://c/", 10}});
        hooks.engine = [this, withEngine] { return withEngine ? rig.engine.get() : nullptr; };
        hooks.reloadPage = [this] {
            ++reloads;
            if (reloadLoads)
                ++loads;
        };
        hooks.loadsStarted = [this] { return loads; };
        hooks.checkDocument = [this](const QString& d) {
            return CheckDocumentToOpen(documents, d, kOpenFetchSeconds);
        };
        hooks.openDocument = [this](const QString& d) { opened.append(d); };
        hooks.raise = [this] { ++raises; };
        hooks.memory = [] { return MemoryUse{100 * 1024, 150 * 1024, 3}; };
    }
    ShowControl& make(bool saverRun = false)
    {
        control = std::make_unique<ShowControl>(
            hooks, rig.program, rig.doc, QDateTime(QDate(2024, 3, 4), QTime(11, 0)), saverRun);
        return *control;
    }
    // The show in the named state, playing page 1 before that.
    void bring(const QString& state)
    {
        rig.start(state == u"configuration only" ? QStringLiteral("/C") : QString());
        rig.tick(2);
        if (state == u"paused")
            rig.engine->PauseAction();
        else if (state == u"navigation")
            rig.engine->EnterNavigationMode();
        else if (state == u"configuration") {
            rig.engine->ConfigAction();
            rig.tick();
        } else if (state == u"between pages")
            rig.engine->NextAction();
        else if (state == u"ending")
            rig.engine->QuitAction();
    }
    ControlAnswer send(const QString& command, const QString& argument = QString())
    {
        return control->handle({command, argument});
    }
    QString value(const QString& key) const
    {
        for (const QString& line : control->status()) {
            if (line.startsWith(key + QStringLiteral(": ")))
                return line.mid(key.size() + 2);
        }
        return QStringLiteral("(none)");
    }
};

} // namespace

class ShowControlTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandsInEachState_data();
    void commandsInEachState();
    void status();
    void statusBeforeTheEngineAndAsScreenSaver();
    void statusOfTheScreen_data();
    void statusOfTheScreen();
    void open_data();
    void open();
    void unknownAndMalformed();
    void answersOnceCarriedOut_data();
    void answersOnceCarriedOut();
    void statusTellsHowTheShowFares();
};

void ShowControlTest::commandsInEachState_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message"); // a part of it
    QTest::addColumn<int>("pageAfter");   // after the next tick; -1: not looked at
    QTest::addColumn<QString>("stateAfter");

    const int ok = int(ControlAnswer::Kind::Ok);
    const int error = int(ControlAnswer::Kind::Error);
    const int busy = int(ControlAnswer::Kind::Busy);
    QTest::newRow("next while playing") << "playing"
                                        << "next" << ok << "" << 2 << "playing";
    QTest::newRow("previous while playing") << "playing"
                                            << "previous" << ok << "" << 3 << "playing";
    QTest::newRow("pause") << "playing"
                           << "pause" << ok << "" << 1 << "paused";
    QTest::newRow("play while playing") << "playing"
                                        << "play" << ok << "already playing" << 1 << "playing";
    QTest::newRow("reload") << "playing"
                            << "reload" << ok << "" << 1 << "playing";
    QTest::newRow("next while paused") << "paused"
                                       << "next" << ok << "" << 2 << "paused";
    QTest::newRow("pause while paused") << "paused"
                                        << "pause" << ok << "already paused" << 1 << "paused";
    QTest::newRow("play while paused") << "paused"
                                       << "play" << ok << "" << 1 << "playing";
    QTest::newRow("next while browsing")
        << "navigation"
        << "next" << error << "navigation mode" << 1 << "navigation";
    QTest::newRow("pause while browsing") << "navigation"
                                          << "pause" << error << "gpane play" << 1 << "navigation";
    QTest::newRow("play while browsing") << "navigation"
                                         << "play" << ok << "" << -1 << "playing";
    QTest::newRow("reload while browsing") << "navigation"
                                           << "reload" << ok << "" << -1 << "navigation";
    QTest::newRow("next in configuration")
        << "configuration"
        << "next" << error << "configuration dialog is open" << 1 << "configuration";
    QTest::newRow("play in configuration")
        << "configuration"
        << "play" << error << "configuration dialog" << 1 << "configuration";
    QTest::newRow("reload in configuration")
        << "configuration"
        << "reload" << error << "configuration dialog" << 1 << "configuration";
    QTest::newRow("next between pages") << "between pages"
                                        << "next" << busy << "changing pages" << 2 << "playing";
    QTest::newRow("previous between pages")
        << "between pages"
        << "previous" << busy << "changing pages" << 2 << "playing";
    QTest::newRow("pause between pages") << "between pages"
                                         << "pause" << ok << "" << 2 << "paused";
    QTest::newRow("next while ending") << "ending"
                                       << "next" << error << "ending" << -1 << "ending";
    QTest::newRow("next in a configuration run")
        << "configuration only"
        << "next" << error << "only shows the configuration" << -1 << "configuration";
}

void ShowControlTest::commandsInEachState()
{
    QFETCH(QString, state);
    QFETCH(QString, command);
    QFETCH(QString, message);
    QFETCH(int, pageAfter);

    ControlRig c;
    c.make();
    c.bring(state);
    const ControlAnswer answer = c.send(command);
    QTEST(int(answer.kind), "kind");
    QVERIFY2(answer.message.contains(message), qPrintable(answer.message));
    QCOMPARE(c.reloads, command == u"reload" && answer.kind == ControlAnswer::Kind::Ok ? 1 : 0);
    if (state != u"ending")
        c.rig.tick();
    if (pageAfter >= 0)
        QCOMPARE(c.rig.page(), pageAfter);
    QTEST(ShowControl::stateWord(*c.rig.engine), "stateAfter");
}

void ShowControlTest::status()
{
    ControlRig c;
    c.rig.program.documentName = QStringLiteral("/srv/show/lobby.gpn");
    c.make();
    c.bring(QStringLiteral("playing"));
    const QDateTime shown = c.rig.clock.now();
    c.rig.runSeconds(3);

    QCOMPARE(c.value("document"), QStringLiteral("/srv/show/lobby.gpn"));
    QCOMPARE(c.value("mode"), QStringLiteral("show"));
    QCOMPARE(c.value("state"), QStringLiteral("playing"));
    QCOMPARE(c.value("page"), QStringLiteral("1 of 3"));
    QCOMPARE(c.value("address"), QStringLiteral("http://a/"));
    // The moment the page came on, to the second, with the offset from UTC.
    const QDateTime since = QDateTime::fromString(c.value("since"), Qt::ISODate);
    QVERIFY2(since.isValid(), qPrintable(c.value("since")));
    QVERIFY(qAbs(since.secsTo(shown)) <= 1);
    QVERIFY(c.value("since").contains(QRegularExpression("([+-]\\d\\d:\\d\\d|Z)$")));
    QCOMPARE(c.value("last load"), QStringLiteral("loading"));
    QCOMPARE(QDateTime::fromString(c.value("started"), Qt::ISODate),
             QDateTime(QDate(2024, 3, 4), QTime(11, 0)));
    QCOMPARE(c.value("pid"), QString::number(QCoreApplication::applicationPid()));
    QCOMPARE(c.value("memory"),
             QStringLiteral("250 MB (glasspane 100 MB, browser 150 MB in 3 processes)"));

    c.rig.engine->PageLoaded();
    QCOMPARE(c.value("last load"), QStringLiteral("complete"));

    // The next page cannot be shown: the reason is reported.
    c.rig.runSeconds(10);
    QCOMPARE(c.value("page"), QStringLiteral("2 of 3"));
    c.rig.engine->PageFailed(QStringLiteral("http://b/"), QStringLiteral("HTTP 404 Not Found"));
    QCOMPARE(c.value("last load"), QStringLiteral("failed: HTTP 404 Not Found"));

    c.rig.engine->PauseAction();
    QCOMPARE(c.value("state"), QStringLiteral("paused"));
    c.rig.engine->EnterNavigationMode();
    QCOMPARE(c.value("state"), QStringLiteral("navigation"));
}

void ShowControlTest::statusBeforeTheEngineAndAsScreenSaver()
{
    ControlRig early(false);
    early.make();
    QCOMPARE(early.value("state"), QStringLiteral("starting"));
    QCOMPARE(early.value("page"), QStringLiteral("(none)"));
    QCOMPARE(early.send("next").kind, ControlAnswer::Kind::Busy);

    ControlRig saver;
    saver.hooks.memory = [] { return MemoryUse{}; };
    saver.make(true);
    saver.bring(QStringLiteral("playing"));
    QCOMPARE(saver.value("mode"), QStringLiteral("screen saver"));
    QCOMPARE(saver.value("memory"), QStringLiteral("unknown"));
    // The start page counts as page 0.
    ControlRig start;
    start.make();
    start.rig.start();
    QCOMPARE(start.value("page"), QStringLiteral("0 of 3 (start page)"));
}

Q_DECLARE_METATYPE(ScreenState::Kind)

void ShowControlTest::statusOfTheScreen_data()
{
    QTest::addColumn<ScreenState::Kind>("kind");
    QTest::addColumn<QString>("by");
    QTest::addColumn<QDateTime>("since");
    QTest::addColumn<QString>("text");
    using K = ScreenState::Kind;
    const QDateTime at(QDate(2024, 3, 4), QTime(11, 5), QTimeZone(3600));
    QTest::newRow("unknown") << K::Unknown << "" << QDateTime() << "unknown";
    QTest::newRow("on") << K::On << "" << QDateTime() << "on";
    QTest::newRow("blanked") << K::Blanked << "XScreenSaver" << at
                             << "blanked by XScreenSaver since 2024-03-04T11:05:00+01:00";
    QTest::newRow("locked, when unknown")
        << K::Locked << "XScreenSaver" << QDateTime() << "locked by XScreenSaver";
}

void ShowControlTest::statusOfTheScreen()
{
    QFETCH(ScreenState::Kind, kind);
    QFETCH(QString, by);
    QFETCH(QDateTime, since);
    ControlRig c;
    c.hooks.screen = [&] { return ScreenState{kind, by, since}; };
    c.make();
    c.bring(QStringLiteral("playing"));
    // The show plays on whatever the screen does; the screen has a line of its own.
    QCOMPARE(c.value("state"), QStringLiteral("playing"));
    QTEST(c.value("screen"), "text");
}

void ShowControlTest::open_data()
{
    QTest::addColumn<QString>("document"); // "@" stands for the test's folder
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("message");
    QTest::newRow("a document") << "@/show.gpn"
                                << "playing" << true << "opening";
    QTest::newRow("while browsing") << "@/show.gpn"
                                    << "navigation" << true << "opening";
    QTest::newRow("file address") << "file://@/show.gpn"
                                  << "playing" << true << "opening";
    QTest::newRow("web address") << "https://intranet.example/lobby.gpn"
                                 << "playing" << true << "opening";
    // Nothing that is no document replaces the show (nor the last copy of a web document).
    QTest::newRow("web page") << "https://intranet.example/page.html"
                              << "playing" << false << "is a web page, not a document";
    QTest::newRow("server error") << "https://intranet.example/gone.gpn"
                                  << "playing" << false << "HTTP status 404";
    QTest::newRow("no answer") << "https://intranet.example/down.gpn"
                               << "playing" << false << "could not be fetched";
    QTest::newRow("no section") << "@/notes.txt"
                                << "playing" << false << "holds no [section]";
    QTest::newRow("share") << "\\\\server\\kiosk\\lobby.gpn"
                           << "playing" << true << "opening";
    QTest::newRow("relative path") << "show.gpn"
                                   << "playing" << false << "no absolute path";
    QTest::newRow("missing") << "@/gone.gpn"
                             << "playing" << false << "does not exist";
    QTest::newRow("a folder") << "@"
                              << "playing" << false << "is no file";
    QTest::newRow("nothing") << ""
                             << "playing" << false << "needs a document";
    QTest::newRow("in configuration") << "@/show.gpn"
                                      << "configuration" << false << "configuration dialog is open";
    QTest::newRow("ending") << "@/show.gpn"
                            << "ending" << false << "ending";
}

void ShowControlTest::open()
{
    QFETCH(QString, document);
    QFETCH(QString, state);
    QFETCH(bool, opens);
    QFETCH(QString, message);

    ControlRig c;
    QVERIFY(writeFileBytes(c.rig.dir.filePath(QStringLiteral("show.gpn")), "[Gpane]\r\n"));
    QVERIFY(writeFileBytes(c.rig.dir.filePath(QStringLiteral("notes.txt")), "AutoLoop=No\r\n"));
    const QByteArray lastCopy = "[Gpane]\r\nHomeURL=http://last/\r\n";
    const QString copy =
        c.rig.shell.folder(Shell::Folder::Documents) + QStringLiteral("/Cached.GPN");
    QVERIFY(writeFileBytes(copy, lastCopy));
    c.internet.setPage(QStringLiteral("https://intranet.example/lobby.gpn"),
                       "[Gpane]\r\nHomeURL=http://lobby/\r\n");
    c.internet.setPage(QStringLiteral("https://intranet.example/page.html"),
                       "<!DOCTYPE html>\n<html><body>\n[not a section]\n</body></html>");
    FakeInternet::Response gone;
    gone.status = 404;
    gone.body = "[Gpane]\r\n";
    c.internet.setResponse(QStringLiteral("https://intranet.example/gone.gpn"), gone);
    c.internet.setFailure(QStringLiteral("https://intranet.example/down.gpn"));
    document.replace(u'@', c.rig.dir.path());
    c.make();
    c.bring(state);
    const ControlAnswer answer = c.send(QStringLiteral("open"), document);
    QCOMPARE(answer.kind, opens ? ControlAnswer::Kind::Ok : ControlAnswer::Kind::Error);
    QVERIFY2(answer.message.contains(message), qPrintable(answer.message));
    QCOMPARE(c.opened, opens ? QStringList{document} : QStringList());
    QCOMPARE(c.raises, opens ? 1 : 0);
    // Only a web document that arrived replaces the last copy; nothing else is left behind.
    const bool fetched = opens && document.startsWith(QLatin1String("https:"));
    QCOMPARE(readFileBytes(copy) == lastCopy, !fetched);
    QCOMPARE(QDir(QFileInfo(copy).path()).entryList(QDir::Files),
             QStringList{QStringLiteral("Cached.GPN")});
}

void ShowControlTest::unknownAndMalformed()
{
    ControlRig c;
    c.make();
    c.bring(QStringLiteral("playing"));
    QCOMPARE(c.send("reboot").kind, ControlAnswer::Kind::Error);
    QCOMPARE(c.send("reboot").message, QStringLiteral("unknown command \"reboot\""));
    QCOMPARE(c.send("next", "3").kind, ControlAnswer::Kind::Error);
    QCOMPARE(c.rig.page(), 1);

    // Without its hook a command says it is not there rather than doing nothing.
    c.hooks.reloadPage = nullptr;
    c.make();
    const ControlAnswer reload = c.send("reload");
    QCOMPARE(reload.kind, ControlAnswer::Kind::Error);
    QCOMPARE(reload.message, QStringLiteral("reload is not available"));
}

void ShowControlTest::answersOnceCarriedOut_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("browser"); // what the page does: completes, fails, nothing
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message"); // a part of it

    const int ok = int(ControlAnswer::Kind::Ok);
    const int error = int(ControlAnswer::Kind::Error);
    QTest::newRow("next, the page loads") << "next"
                                          << "completes" << ok << "page 2 of 3: http://b/";
    QTest::newRow("previous, the page loads") << "previous"
                                              << "completes" << ok << "page 3 of 3: http://c/";
    QTest::newRow("next, the page cannot be shown")
        << "next"
        << "fails" << error << "http://b/ cannot be shown: HTTP 404";
    QTest::newRow("next, nothing begins") << "next"
                                          << "nothing" << error << "did not begin to load within";
    QTest::newRow("reload") << "reload"
                            << "completes" << ok << "";
    QTest::newRow("reload, nothing begins")
        << "reload"
        << "nothing" << error << "did not begin to load again within";
}

// A command that was taken is answered once the show has carried it out, never before: an
// answer "ok" that changed nothing would lie to the administrator's script.
void ShowControlTest::answersOnceCarriedOut()
{
    QFETCH(QString, command);
    QFETCH(QString, browser);
    QFETCH(QString, message);

    ControlRig c;
    c.reloadLoads = browser != u"nothing";
    c.make();
    c.control->setAnswerWithin(300);
    c.bring(QStringLiteral("playing"));
    c.rig.browser.autoComplete = browser == u"completes";
    std::optional<ControlAnswer> answer;
    c.control->handle({command, {}}, [&](const ControlAnswer& a) { answer = a; });
    bool failed = false;
    for (int i = 0; i < 200 && !answer; ++i) {
        c.rig.tick();
        // The page asked for fails; the show goes on to the next one meanwhile.
        if (browser == u"fails" && c.rig.browser.Busy() && !failed) {
            c.rig.browser.failLoad(QStringLiteral("HTTP 404"));
            failed = true;
        }
        QTest::qWait(10);
    }
    QVERIFY(answer);
    QTEST(int(answer->kind), "kind");
    QVERIFY2(answer->message.contains(message), qPrintable(answer->message));
}

void ShowControlTest::statusTellsHowTheShowFares()
{
    ControlRig c;
    c.rig.options.MaxTime = 20;
    c.make();
    c.bring(QStringLiteral("playing"));
    QCOMPARE(c.value("last complete"), QStringLiteral("never"));
    QCOMPARE(c.value("renderer restarts"), QStringLiteral("0"));
    QCOMPARE(c.value("page renewals"), QStringLiteral("0 (memory 0, age 0, not answering 0)"));

    c.rig.engine->PageLoaded();
    const QDateTime completed = QDateTime::fromString(c.value("last complete"), Qt::ISODate);
    QVERIFY2(completed.isValid(), qPrintable(c.value("last complete")));
    QVERIFY(qAbs(completed.secsTo(c.rig.clock.now())) <= 1);
    ShowHealth& health = c.rig.engine->health();
    health.rendererRestarts = 2;
    ++health.renewalsForMemory;
    ++health.renewalsUnresponsive;
    QCOMPARE(c.value("renderer restarts"), QStringLiteral("2"));
    QCOMPARE(c.value("page renewals"), QStringLiteral("2 (memory 1, age 0, not answering 1)"));

    // Nothing completes any more: 10 s pages and MaxTime 20 make 30 s.
    c.rig.runSeconds(29);
    QCOMPARE(c.value("state"), QStringLiteral("playing"));
    c.rig.runSeconds(2);
    QCOMPARE(c.value("state"), QStringLiteral("stalled"));
}

QTEST_GUILESS_MAIN(ShowControlTest)
#include "show_control_test.moc"
