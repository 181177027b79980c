// The program under a real Wayland compositor (weston, headless) with no X display: the show
// plays, and the log says what keeps the display awake (the compositor's idle inhibition where
// it offers one, else a warning that nothing does, never a hold that is not there); what needs
// X11 (XScreenSaver's programs, the preview) is refused as not available.

#include "running_show.h"
#include "support/gpane_runner.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

class WaylandTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void showSaysWhatHoldsTheDisplay();
    void whatNeedsX11IsUnavailable_data();
    void whatNeedsX11IsUnavailable();

private:
    // The environment of a show that meets the compositor only.
    void toCompositor(KioskProcess& process) const
    {
        process.setEnvironment(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        process.setEnvironment(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
        process.setEnvironment(QStringLiteral("DISPLAY"), QString());
    }

    QTemporaryDir m_runtime;
    QProcess m_weston;
    QString m_socket;
    bool m_offersInhibition = false;
};

void WaylandTest::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty())
        QSKIP("weston is not installed (scripts/install-deps.sh)");
    if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           QStringLiteral("/platforms/libqwayland-generic.so")))
        QSKIP("Qt's Wayland platform is not installed (qt6-wayland)");
    QVERIFY(QFile::setPermissions(m_runtime.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    m_socket = m_runtime.filePath(QStringLiteral("wayland-test"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.remove(QStringLiteral("DISPLAY"));
    m_weston.setProcessEnvironment(env);
    m_weston.setProcessChannelMode(QProcess::MergedChannels);
    // Weston 10 names its back-ends by their module, later ones by their name.
    for (const QString& backend :
         {QStringLiteral("headless"), QStringLiteral("headless-backend.so")}) {
        m_weston.start(QStringLiteral("weston"),
                       {QStringLiteral("--backend=") + backend,
                        QStringLiteral("--socket=wayland-test"), QStringLiteral("--idle-time=0")});
        QVERIFY(m_weston.waitForStarted());
        QDeadlineTimer deadline(KioskProcess::Wait);
        while (!deadline.hasExpired() && m_weston.state() == QProcess::Running &&
               !QFileInfo::exists(m_socket))
            QTest::qWait(100);
        if (QFileInfo::exists(m_socket))
            break;
        m_weston.waitForFinished();
    }
    QVERIFY2(QFileInfo::exists(m_socket), m_weston.readAll().constData());

    // What the compositor offers, as its own clients see it.
    if (QStandardPaths::findExecutable(QStringLiteral("wayland-info")).isEmpty())
        QSKIP("wayland-info is not installed (wayland-utils)");
    QProcess info;
    QProcessEnvironment infoEnv = env;
    infoEnv.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    info.setProcessEnvironment(infoEnv);
    info.start(QStringLiteral("wayland-info"), QStringList());
    QVERIFY(info.waitForFinished(KioskProcess::Wait));
    m_offersInhibition = info.readAllStandardOutput().contains("zwp_idle_inhibit_manager_v1");
}

void WaylandTest::cleanupTestCase()
{
    if (m_weston.state() == QProcess::NotRunning)
        return;
    m_weston.terminate();
    if (!m_weston.waitForFinished(10000))
        m_weston.kill();
}

void WaylandTest::showSaysWhatHoldsTheDisplay()
{
    RunningShow show(QStringLiteral("wayland-show"));
    toCompositor(show.process);
    const QString doc = show.writeDocument(QStringLiteral("show.gpn"), {"/one"}, 600);
    QVERIFY(show.process.start({doc}));
    QVERIFY(show.pageComplete(QStringLiteral("/one")));

    const QRegularExpression held(
        QStringLiteral("debug: display kept awake by the compositor's idle inhibition"));
    const QRegularExpression nothing(QStringLiteral(
        "warning: nothing keeps the display awake: the Wayland compositor offers no idle "
        "inhibition; no session bus"));
    QVERIFY(show.process.waitForLog(m_offersInhibition ? held : nothing));
    // Nothing of X11 was asked, nor claimed.
    QVERIFY(!show.process.logged(QRegularExpression(QStringLiteral("X server|XScreenSaver"))));
    QVERIFY(!show.process.logged(m_offersInhibition ? nothing : held));

    // Nobody tells the program whether the compositor blanked the screen.
    GpaneRunner gpane(show.process.home());
    const GpaneRunner::Run status = gpane.run({QStringLiteral("status")}, show.process.home());
    QVERIFY2(status.out.contains(QLatin1String("\nscreen: unknown\n")), qPrintable(status.out));
    QVERIFY(show.process.stop() >= 0);
}

void WaylandTest::whatNeedsX11IsUnavailable_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("--root") << QStringList{"--root"}
                            << "XScreenSaver's programs (--root, --window-id) need an X11 session";
    QTest::newRow("-window-id")
        << QStringList{"-window-id", "0x400001"}
        << "XScreenSaver's programs (--root, --window-id) need an X11 session";
    QTest::newRow("/P") << QStringList{"/P", "1234"} << "the preview (/P) needs an X11 session";
}

void WaylandTest::whatNeedsX11IsUnavailable()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    RunningShow show(QStringLiteral("wayland-x11-only"));
    toCompositor(show.process);
    QVERIFY(show.process.start(arguments));
    QVERIFY(show.process.waitFor([&] { return !show.process.running(); }));
    QCOMPARE(show.process.exitCode(), 1);
    QVERIFY2(show.process.logged(QRegularExpression(QRegularExpression::escape(message))),
             qPrintable(show.process.log().join(u'\n')));
}

QTEST_GUILESS_MAIN(WaylandTest)
#include "wayland_test.moc"
