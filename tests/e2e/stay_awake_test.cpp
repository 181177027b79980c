// The X server's screen saver never blanks a running show, and takes over again once the
// program has ended: on a server of the test's own with a 5-second screen-saver time-out.

#include "running_show.h"

#include <QDeadlineTimer>
#include <QTest>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

using namespace glasspane;

namespace {

constexpr int kTimeOutSeconds = 5;

// The X server as the test sees it, over a connection of its own.
class XServer
{
public:
    XServer() : m_display(XOpenDisplay(nullptr)) {}
    ~XServer()
    {
        if (m_display) {
            // The next test on this server starts from the server's defaults.
            XSetScreenSaver(m_display, -1, -1, DefaultBlanking, DefaultExposures);
            XCloseDisplay(m_display);
        }
    }
    bool open() const { return m_display != nullptr; }
    bool hasExtension() const
    {
        int event = 0, error = 0;
        return XScreenSaverQueryExtension(m_display, &event, &error);
    }

    void setTimeOut(int seconds)
    {
        XSetScreenSaver(m_display, seconds, 0, PreferBlanking, AllowExposures);
        reset();
    }
    // As if someone had touched the keyboard: the idle time starts again.
    void reset()
    {
        XForceScreenSaver(m_display, ScreenSaverReset);
        XSync(m_display, False);
    }
    bool saverOn() const
    {
        XScreenSaverInfo info{};
        XScreenSaverQueryInfo(m_display, DefaultRootWindow(m_display), &info);
        return info.state == ScreenSaverOn;
    }
    // Whether the screen saver comes on within ms.
    bool saverComesOnWithin(int ms) const
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (saverOn())
                return true;
            QTest::qWait(100);
        }
        return saverOn();
    }

private:
    Display* m_display;
};

} // namespace

class StayAwakeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void screenSaverNeverBlanksTheShow();
};

void StayAwakeTest::screenSaverNeverBlanksTheShow()
{
    XServer x;
    QVERIFY(x.open());
    QVERIFY2(x.hasExtension(), "the X server has no screen-saver extension");

    // The server's screen saver works: left alone, it comes on.
    x.setTimeOut(kTimeOutSeconds);
    QVERIFY(x.saverComesOnWithin(kTimeOutSeconds * 1000 + 5000));

    // The show starts on the blanked screen (a kiosk's show started again after the screen
    // saver came on) and brings the screen back without any input.
    RunningShow show(QStringLiteral("stay-awake"));
    const QString doc = show.writeDocument(QStringLiteral("show.gpn"), {"/one", "/two"}, 3);
    QVERIFY(show.process.start({doc}));
    QVERIFY(show.pageComplete(QStringLiteral("/one")));
    QVERIFY(show.process.waitFor([&] { return !x.saverOn(); }));

    // Twenty seconds of the show, four time-outs of the screen saver, without any input.
    QDeadlineTimer show20(20000);
    int samples = 0;
    while (!show20.hasExpired()) {
        QVERIFY2(!x.saverOn(), qPrintable(QStringLiteral("the screen saver came on after %1 ms")
                                              .arg(20000 - show20.remainingTime())));
        QVERIFY(show.process.running());
        QTest::qWait(250);
        ++samples;
    }
    QVERIFY(samples > 40);
    // The show went on meanwhile.
    QVERIFY(show.server.requestCount(QStringLiteral("/two")) >= 1);

    // Once the program has ended, the screen saver is the server's again.
    QVERIFY(show.process.stop() >= 0);
    x.reset();
    QVERIFY(x.saverComesOnWithin(kTimeOutSeconds * 1000 + 5000));
}

QTEST_GUILESS_MAIN(StayAwakeTest)
#include "stay_awake_test.moc"
