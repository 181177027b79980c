// The program run by a screen-saver host, as XScreenSaver runs its programs: "--root" with the
// host's window in XSCREENSAVER_WINDOW, or "-window-id ID". The show goes into that window and
// fills it, leaves the display to the host, and ends when the window goes.

#include "running_show.h"
#include "support/gpane_runner.h"
#include "x11_windows.h"

#include <QTest>
#include <X11/Xlib.h>

using namespace glasspane;

namespace {

// A window of the test's own on the X server, standing for the host's.
class HostWindow
{
public:
    HostWindow() : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display)
            return;
        m_window =
            XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 50, 40, 640, 400, 0, 0, 0);
        XMapWindow(m_display, m_window);
        XSync(m_display, False);
    }
    ~HostWindow()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    Window id() const { return m_window; }

    // The geometries of the windows inside it.
    QList<QRect> children() const { return MappedChildren(m_display, m_window); }
    void resize(int width, int height)
    {
        XResizeWindow(m_display, m_window, width, height);
        XSync(m_display, False);
    }
    void destroy()
    {
        XDestroyWindow(m_display, m_window);
        XSync(m_display, False);
    }

private:
    Display* m_display;
    Window m_window = 0;
};

} // namespace

class ScreenSaverHostTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void showsInTheHostsWindow_data();
    void showsInTheHostsWindow();

private:
    // Held from first to last: an X server whose last client leaves starts afresh and refuses
    // connections for a moment, which the next row would meet.
    Display* m_keepServer = nullptr;
};

void ScreenSaverHostTest::initTestCase()
{
    m_keepServer = XOpenDisplay(nullptr);
    QVERIFY(m_keepServer);
}

void ScreenSaverHostTest::cleanupTestCase()
{
    if (m_keepServer)
        XCloseDisplay(m_keepServer);
}

void ScreenSaverHostTest::showsInTheHostsWindow_data()
{
    QTest::addColumn<bool>("fromEnvironment");
    QTest::newRow("--root and XSCREENSAVER_WINDOW") << true;
    QTest::newRow("-window-id") << false;
}

void ScreenSaverHostTest::showsInTheHostsWindow()
{
    QFETCH(bool, fromEnvironment);
    HostWindow host;
    QVERIFY(host.id() != 0);

    RunningShow show(fromEnvironment ? QStringLiteral("host-root") : QStringLiteral("host-id"));
    // A host starts its program without a document: the default one plays.
    const QString doc = show.writeDocument(QStringLiteral("saver.gpn"), {"/saver"}, 600);
    show.process.writeFile(
        QStringLiteral("config/glasspane/user.reg"),
        RunningShow::lines({QStringLiteral("Windows Registry Editor Version 5.00"), QString(),
                            QStringLiteral("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]"),
                            QStringLiteral("\"TestURL\"=\"%1\"").arg(show.server.url("/test")),
                            QStringLiteral("\"DefaultFile\"=\"%1\"").arg(doc)}));
    const QString id = QStringLiteral("0x%1").arg(host.id(), 0, 16);
    if (fromEnvironment)
        qputenv("XSCREENSAVER_WINDOW", id.toLatin1());
    const bool started =
        show.process.start(fromEnvironment ? QStringList{"--root"} : QStringList{"-window-id", id});
    qunsetenv("XSCREENSAVER_WINDOW");
    QVERIFY(started);
    QVERIFY(show.pageComplete(QStringLiteral("/saver")));

    // The show fills the host's window, and follows it when it changes size.
    QVERIFY(show.process.waitFor([&] { return host.children() == QList{QRect(0, 0, 640, 400)}; }));
    host.resize(320, 200);
    QVERIFY(show.process.waitFor([&] { return host.children() == QList{QRect(0, 0, 320, 200)}; }));

    GpaneRunner gpane(show.process.home());
    const GpaneRunner::Run status = gpane.run({QStringLiteral("status")}, show.process.home());
    QCOMPARE(status.exitCode, 0);
    QVERIFY2(status.out.contains(QLatin1String("mode: screen saver")), qPrintable(status.out));
    // The host blanked the screen itself: the show does not hold it awake.
    QVERIFY(!show.process.logged(QRegularExpression(QStringLiteral("display kept awake"))));

    // The host closes its window: the program ends by itself.
    host.destroy();
    QVERIFY(show.process.waitFor([&] { return !show.process.running(); }));
    QCOMPARE(show.process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(ScreenSaverHostTest)
#include "screen_saver_host_test.moc"
