// The distribution's real XScreenSaver daemon, run as an ordinary user on the test's X server
// (it runs no program as root):
// - the program registered as the configuration dialog registers it: activated, the daemon
//   starts it, the show's pages are fetched inside the daemon's window; deactivated, the daemon
//   ends it;
// - a show that plays is never left blanked by the daemon, which it tells of activity; a screen
//   the daemon locked stays locked, and gpane status says so.

#include "platform/linux/xdg_shell.h"
#include "platform/linux/xscreensaver_file.h"
#include "running_show.h"
#include "support/gpane_runner.h"
#include "support/test_user.h"
#include "x11_windows.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <X11/Xlib.h>

using namespace glasspane;

namespace {

// The daemon of the test's X server, as the user, with the home and environment of a show.
class Daemon
{
public:
    Daemon(const TestUser& user, const KioskProcess& home) : m_user(user)
    {
        m_env = home.environment();
        // The user cannot read the X server's cookie where xvfb-run left it.
        const QString cookie = home.homePath(QStringLiteral("Xauthority"));
        QFile::remove(cookie);
        QFile::copy(qEnvironmentVariable("XAUTHORITY"), cookie);
        user.own(cookie);
        m_env.insert(QStringLiteral("XAUTHORITY"), cookie);
        m_process.setProcessEnvironment(m_env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    }
    ~Daemon()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        // A locked daemon refuses -exit: ended through runuser, which hands the signal on.
        command({QStringLiteral("-exit")});
        if (!m_process.waitForFinished(5000)) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000))
                m_process.kill();
        }
        m_process.waitForFinished();
    }

    const QProcessEnvironment& environment() const { return m_env; }

    // Starts the daemon and waits until it answers.
    bool start()
    {
        const QStringList line =
            m_user.command({QStringLiteral("xscreensaver"), QStringLiteral("-no-splash"),
                            QStringLiteral("-verbose")});
        m_process.start(line.first(), line.mid(1));
        if (!m_process.waitForStarted())
            return false;
        QDeadlineTimer deadline(KioskProcess::Wait);
        while (!deadline.hasExpired()) {
            if (command({QStringLiteral("-version")}) == 0)
                return true;
            QTest::qWait(200);
        }
        return false;
    }

    // xscreensaver-command with these arguments, as the user: its exit code.
    int command(const QStringList& arguments, QString* output = nullptr) const
    {
        return m_user.run(QStringList{QStringLiteral("xscreensaver-command")} + arguments, m_env,
                          output, 20000);
    }
    // "blanked", "locked" or "non-blanked", as -time says.
    QString screen() const
    {
        QString out;
        command({QStringLiteral("-time")}, &out);
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("screen (\\S+) since")).match(out);
        return m.hasMatch() ? m.captured(1) : out.trimmed();
    }
    QString log() { return QString::fromLocal8Bit(m_process.readAll()); }

private:
    const TestUser& m_user;
    QProcessEnvironment m_env;
    QProcess m_process;
};

// The NUL-separated words of a /proc file.
QStringList procWords(qint64 pid, const char* file)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).split(QChar(0), Qt::SkipEmptyParts);
}

} // namespace

class XScreenSaverTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void registeredProgramRunsInTheSaversWindow();
    void showIsNeverLeftBlanked();

private:
    TestUser m_user;
    // Held from first to last: an X server whose last client leaves starts afresh.
    Display* m_display = nullptr;
};

void XScreenSaverTest::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xscreensaver")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xscreensaver-command")).isEmpty())
        QSKIP("xscreensaver is not installed (scripts/install-deps.sh)");
    if (const QString why = m_user.prepare(); !why.isEmpty())
        QSKIP(qPrintable(why));
    m_display = XOpenDisplay(nullptr);
    QVERIFY(m_display);
}

void XScreenSaverTest::cleanupTestCase()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void XScreenSaverTest::registeredProgramRunsInTheSaversWindow()
{
    RunningShow show(QStringLiteral("xscreensaver-hack"));
    const QString doc = show.writeDocument(QStringLiteral("saver.gpn"), {"/saver"}, 600);
    show.process.writeFile(
        QStringLiteral("config/glasspane/user.reg"),
        RunningShow::lines({QStringLiteral("Windows Registry Editor Version 5.00"), QString(),
                            QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]"),
                            QStringLiteral("\"TestURL\"=\"%1\"").arg(show.server.url("/test")),
                            QStringLiteral("\"DefaultFile\"=\"%1\"").arg(doc)}));
    // The user's own settings: nothing blanks by itself, nothing fades, nothing locks.
    show.process.writeFile(QStringLiteral(".xscreensaver"),
                           "timeout:\t2:00:00\nlock:\t\tFalse\nfade:\t\tFalse\n"
                           "unfade:\t\tFalse\nsplash:\t\tFalse\n");
    // Registered as the dialog registers it, for the daemon installed here.
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(show.process.home()));
    const bool registered = XdgShell().setScreenSaver(KioskProcess::program());
    qputenv("HOME", savedHome);
    QVERIFY(registered);
    QVERIFY(m_user.own(show.process.home()));

    Daemon daemon(m_user, show.process);
    QVERIFY2(daemon.start(), qPrintable(daemon.log()));
    auto failed = qScopeGuard([&] {
        if (QTest::currentTestFailed())
            qWarning().noquote() << "xscreensaver log:\n" + daemon.log();
    });
    QCOMPARE(daemon.command({QStringLiteral("-activate")}), 0);
    QVERIFY2(show.process.waitFor([&] { return show.server.requestCount("/saver") >= 1; }),
             "the saver never fetched its page");

    // The program the daemon started: the show as its hack, with the switch it was registered
    // with, in the window the daemon gave it.
    QString status;
    QCOMPARE(m_user.run({GpaneRunner::program(), QStringLiteral("status")}, daemon.environment(),
                        &status),
             0);
    QVERIFY2(status.contains(QLatin1String("mode: screen saver")), qPrintable(status));
    const qint64 pid =
        QRegularExpression(QStringLiteral("pid: (\\d+)")).match(status).captured(1).toLongLong();
    QVERIFY(pid > 0);
    QFile defaults(QStringLiteral("/etc/X11/app-defaults/XScreenSaver"));
    const QString rootSwitch =
        RootSwitch(defaults.open(QIODevice::ReadOnly) ? defaults.readAll() : QByteArray());
    QCOMPARE(procWords(pid, "cmdline").mid(1), QStringList{rootSwitch});
    Window saverWindow = 0;
    for (const QString& word : procWords(pid, "environ")) {
        if (word.startsWith(QLatin1String("XSCREENSAVER_WINDOW=")))
            saverWindow = Window(word.section(u'=', 1).toULong(nullptr, 0));
    }
    QVERIFY(saverWindow != 0);
    QVERIFY(
        show.process.waitFor([&] { return !MappedChildren(m_display, saverWindow).isEmpty(); }));

    // Activity: the daemon ends its program.
    QCOMPARE(daemon.command({QStringLiteral("-deactivate")}), 0);
    QVERIFY2(show.process.waitFor(
                 [&] { return !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)); }),
             "the program outlived the saver");
}

void XScreenSaverTest::showIsNeverLeftBlanked()
{
    RunningShow show(QStringLiteral("xscreensaver-show"));
    show.process.writeFile(QStringLiteral(".xscreensaver"),
                           "timeout:\t2:00:00\nlock:\t\tFalse\nfade:\t\tFalse\n"
                           "unfade:\t\tFalse\nsplash:\t\tFalse\n");
    // The daemon reads its settings; the show's folders stay the test's own.
    QVERIFY(QFile::setPermissions(show.process.home(), QFile::ReadOwner | QFile::WriteOwner |
                                                           QFile::ExeOwner | QFile::ExeOther));
    QVERIFY(m_user.own(show.process.homePath(QStringLiteral(".xscreensaver"))));
    Daemon daemon(m_user, show.process);
    QVERIFY2(daemon.start(), qPrintable(daemon.log()));
    auto failed = qScopeGuard([&] {
        if (QTest::currentTestFailed())
            qWarning().noquote() << "xscreensaver log:\n" + daemon.log();
    });

    // The show (run as the test's user: it reaches the daemon through the X server).
    const QString doc = show.writeDocument(QStringLiteral("show.gpn"), {"/one"}, 600);
    QVERIFY(show.process.start({doc}));
    QVERIFY(show.pageComplete(QStringLiteral("/one")));
    QVERIFY(show.process.waitForLog(
        QRegularExpression(QStringLiteral("display kept awake by XScreenSaver"))));

    // The daemon blanks the screen (as it would after its time-out): the show brings it back
    // at once, without any input.
    const qsizetype mark = show.process.log().size();
    // (The command waits to see the screen blanked, which the show may undo before it looks:
    // what it says is no verdict.)
    daemon.command({QStringLiteral("-activate")});
    QVERIFY(
        show.process.waitForLog(QRegularExpression(QStringLiteral("XScreenSaver: screen blanked")),
                                KioskProcess::Wait, mark));
    QVERIFY(show.process.waitForLog(QRegularExpression(QStringLiteral("XScreenSaver: screen on")),
                                    KioskProcess::Wait, mark));
    QCOMPARE(daemon.screen(), QStringLiteral("non-blanked"));

    // Locked by someone at the kiosk: the show does not fight it (that would put up the
    // password dialog), and says so.
    GpaneRunner gpane(show.process.home());
    QCOMPARE(daemon.command({QStringLiteral("-lock")}), 0);
    QString screen;
    QVERIFY(show.process.waitFor([&] {
        const GpaneRunner::Run status = gpane.run({QStringLiteral("status")}, show.process.home());
        screen = status.out.section(QStringLiteral("screen: "), 1).section(u'\n', 0, 0);
        return screen.startsWith(QLatin1String("locked by XScreenSaver since"));
    }));
    QVERIFY2(gpane.run({QStringLiteral("status")}, show.process.home())
                 .out.contains(QLatin1String("state: playing")),
             qPrintable(screen));
    QCOMPARE(daemon.screen(), QStringLiteral("locked"));
    QVERIFY(show.process.stop() >= 0);
}

QTEST_GUILESS_MAIN(XScreenSaverTest)
#include "xscreensaver_test.moc"
