#include "platform/linux/linux_display_power.h"

#include "platform/log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDateTime>
#include <QFileInfo>
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace glasspane {

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");

Display* asDisplay(void* display)
{
    return static_cast<Display*>(display);
}

// Whether a session bus is there to be asked. Without its address libdbus would start one of
// its own for the X display ("autolaunch"), which a kiosk must not do behind its back.
bool haveSessionBus()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

QDBusMessage screenSaverCall(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, method);
    call.setArguments(arguments);
    // A desktop without the service is answered at once, not after starting something.
    call.setAutoStartService(false);
    return call;
}

} // namespace

LinuxDisplayPower::LinuxDisplayPower(QString display, QObject* parent)
    : QObject(parent), m_displayName(std::move(display))
{}

LinuxDisplayPower::~LinuxDisplayPower()
{
    keepAwake(false);
    if (m_display)
        XCloseDisplay(asDisplay(m_display));
}

void LinuxDisplayPower::keepAwake(bool awake)
{
    const bool changed = awake != m_awake;
    m_awake = awake;
    setX11(awake);
    if (changed) {
        qCDebug(lcGlasspane) << (awake ? "display kept awake" : "display may blank again");
        setBus(awake);
    }
}

void LinuxDisplayPower::setX11(bool awake)
{
    if (!m_displayTried) {
        if (!awake)
            return; // nothing was ever suspended
        m_displayTried = true;
        const QByteArray name = m_displayName.toLocal8Bit();
        m_display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
        if (!m_display) {
            qCDebug(lcGlasspane) << "no X display to keep awake";
            return;
        }
        int event = 0, error = 0, major = 0, minor = 0;
        m_canSuspend = XScreenSaverQueryExtension(asDisplay(m_display), &event, &error) &&
                       XScreenSaverQueryVersion(asDisplay(m_display), &major, &minor) &&
                       (major > 1 || (major == 1 && minor >= 1));
        if (!m_canSuspend)
            qCDebug(lcGlasspane) << "the X server cannot suspend its screen saver; its idle "
                                    "time is reset now and then instead";
    }
    if (!m_display)
        return;
    Display* display = asDisplay(m_display);
    if (m_canSuspend) {
        // Counted by the server per connection: one suspension at most, lifted once.
        if (awake != m_suspended) {
            XScreenSaverSuspend(display, awake ? True : False);
            // A screen already blanked (the show restarted after the saver came on) shows the
            // show again: suspending alone would keep it blank for good.
            if (awake)
                XResetScreenSaver(display);
            XFlush(display);
            m_suspended = awake;
        }
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (awake && (now - m_lastHeartbeat >= HeartbeatMs || now < m_lastHeartbeat)) {
        m_lastHeartbeat = now;
        XResetScreenSaver(display);
        XFlush(display);
    }
    if (!awake)
        m_lastHeartbeat = 0;
}

void LinuxDisplayPower::setBus(bool awake)
{
    if (!haveSessionBus())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    if (!awake) {
        if (m_inhibited) {
            unInhibit(m_cookie);
            m_inhibited = false;
        }
        return; // a request on its way is undone when its answer comes
    }
    if (m_inhibited || m_requestPending)
        return;
    m_requestPending = true;
    const QDBusPendingCall pending = bus.asyncCall(
        screenSaverCall(QStringLiteral("Inhibit"),
                        {QStringLiteral("glasspane"), QStringLiteral("Kiosk show running")}),
        BusTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(pending, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_requestPending = false;
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            qCDebug(lcGlasspane) << "no idle inhibition from the desktop:"
                                 << reply.error().message();
            return;
        }
        if (!m_awake) {
            unInhibit(reply.value());
            return;
        }
        m_cookie = reply.value();
        m_inhibited = true;
    });
}

void LinuxDisplayPower::unInhibit(uint cookie)
{
    QDBusConnection::sessionBus().send(screenSaverCall(QStringLiteral("UnInhibit"), {cookie}));
}

} // namespace glasspane
