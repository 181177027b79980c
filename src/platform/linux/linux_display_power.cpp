#include "platform/linux/linux_display_power.h"

#include "platform/linux/xscreensaver_link.h"
#include "platform/log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDateTime>
#include <QFileInfo>
#include <QStringList>
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

LinuxDisplayPower::LinuxDisplayPower(WindowSystem windowSystem, CompositorIdleInhibitor* inhibitor,
                                     QString display, QObject* parent)
    : QObject(parent), m_windowSystem(windowSystem), m_inhibitor(inhibitor),
      m_displayName(std::move(display))
{}

LinuxDisplayPower::~LinuxDisplayPower()
{
    keepAwake(false);
    m_xscreensaver.reset();
    if (m_display)
        XCloseDisplay(asDisplay(m_display));
}

void LinuxDisplayPower::keepAwake(bool awake)
{
    const bool changed = awake != m_awake;
    m_awake = awake;
    if (changed) {
        m_logged = 0;
        m_warned = false;
        if (!awake) {
            m_holds = 0;
            qCDebug(lcGlasspane) << "display may blank again";
        }
    }
    if (m_windowSystem != WindowSystem::Wayland)
        setX11(awake);
    setCompositor(awake);
    if (changed)
        setBus(awake);
    report();
}

void LinuxDisplayPower::setX11(bool awake)
{
    if (!m_displayTried) {
        if (!awake)
            return; // nothing was ever suspended
        m_displayTried = true;
        const QByteArray name = m_displayName.toLocal8Bit();
        m_display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
        if (!m_display)
            return;
        int event = 0, error = 0, major = 0, minor = 0;
        m_canSuspend = XScreenSaverQueryExtension(asDisplay(m_display), &event, &error) &&
                       XScreenSaverQueryVersion(asDisplay(m_display), &major, &minor) &&
                       (major > 1 || (major == 1 && minor >= 1));
        // An XScreenSaver daemon on this display blanks it by itself, whatever the server's own
        // screen saver says.
        m_xscreensaver = std::make_unique<XScreenSaverLink>();
        connect(m_xscreensaver.get(), &XScreenSaverLink::daemonChanged, this,
                [this](bool runs) { held(XScreenSaver, runs && m_awake); });
    }
    if (!m_display)
        return;
    m_xscreensaver->keepAwake(awake);
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
    } else {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (awake && (now - m_lastHeartbeat >= HeartbeatMs || now < m_lastHeartbeat)) {
            m_lastHeartbeat = now;
            XResetScreenSaver(display);
            XFlush(display);
        }
        if (!awake)
            m_lastHeartbeat = 0;
    }
    if (awake)
        m_holds |= XServer | (m_xscreensaver->daemonRuns() ? XScreenSaver : 0u);
}

void LinuxDisplayPower::setCompositor(bool awake)
{
    if (!m_inhibitor || !m_inhibitor->available())
        return;
    const bool on = m_inhibitor->inhibit(awake);
    if (awake && on)
        m_holds |= Compositor;
}

void LinuxDisplayPower::setBus(bool awake)
{
    if (!haveSessionBus()) {
        m_busProblem = QStringLiteral("no session bus");
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        m_busProblem = QStringLiteral("the session bus cannot be reached");
        return;
    }
    if (!awake) {
        if (m_inhibited) {
            unInhibit(m_cookie);
            m_inhibited = false;
        }
        return; // a request on its way is undone when its answer comes
    }
    if (m_inhibited) {
        m_holds |= Desktop;
        return;
    }
    if (m_requestPending)
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
            m_busProblem = QStringLiteral("the desktop grants no idle inhibition (%1)")
                               .arg(reply.error().message());
            report();
            return;
        }
        if (!m_awake) {
            unInhibit(reply.value());
            return;
        }
        m_cookie = reply.value();
        m_inhibited = true;
        held(Desktop, true);
    });
}

void LinuxDisplayPower::unInhibit(uint cookie)
{
    QDBusConnection::sessionBus().send(screenSaverCall(QStringLiteral("UnInhibit"), {cookie}));
}

void LinuxDisplayPower::held(Hold hold, bool on)
{
    if (on) {
        m_holds |= hold;
    } else if (m_holds & hold) {
        m_holds &= ~unsigned(hold);
        m_logged &= ~unsigned(hold);
        qCDebug(lcGlasspane) << "display no longer kept awake by"
                             << (hold == XScreenSaver ? "XScreenSaver" : "the desktop");
    }
    report();
}

void LinuxDisplayPower::report()
{
    if (!m_awake)
        return;
    const unsigned fresh = m_holds & ~m_logged;
    if (fresh) {
        m_logged |= fresh;
        m_warned = false;
        const bool suspended = m_canSuspend;
        for (const auto& [hold, what] : std::initializer_list<std::pair<Hold, QString>>{
                 {XServer, suspended ? QStringLiteral("the X server (its screen saver and power "
                                                      "saving suspended)")
                                     : QStringLiteral("the X server (its idle time reset every "
                                                      "%1 s)")
                                           .arg(HeartbeatMs / 1000)},
                 {XScreenSaver, QStringLiteral("XScreenSaver (told of activity every %1 s)")
                                    .arg(XScreenSaverLink::HeartbeatMs / 1000)},
                 {Desktop, QStringLiteral("the desktop's idle inhibition (%1)").arg(kService)},
                 {Compositor, QStringLiteral("the compositor's idle inhibition "
                                             "(zwp_idle_inhibit_manager_v1)")}}) {
            if (fresh & hold)
                qCDebug(lcGlasspane).noquote() << "display kept awake by " + what;
        }
        return;
    }
    if (m_holds || m_warned || m_requestPending)
        return;
    if (m_inhibitor && m_inhibitor->available())
        return; // its window is not shown yet: asked again at the next call
    // Nothing holds the display, and every request has been answered: it may blank.
    m_warned = true;
    QStringList why;
    if (m_windowSystem == WindowSystem::Wayland)
        why << (m_inhibitor ? QStringLiteral("the Wayland compositor offers no idle inhibition")
                            : QStringLiteral("no Wayland idle inhibition in this build"));
    else
        why << QStringLiteral("no X display");
    if (!m_busProblem.isEmpty())
        why << m_busProblem;
    qCWarning(lcGlasspane).noquote()
        << QStringLiteral("nothing keeps the display awake: %1; the display may blank during "
                          "the show")
               .arg(why.join(QStringLiteral("; ")));
}

ScreenState LinuxDisplayPower::screenState() const
{
    if (m_xscreensaver && m_xscreensaver->daemonRuns()) {
        const ScreenState state = m_xscreensaver->state();
        if (state.kind == ScreenState::Kind::Blanked || state.kind == ScreenState::Kind::Locked)
            return state;
    }
    if (!m_display)
        return {};
    ScreenState state;
    state.kind = ScreenState::Kind::On;
    XScreenSaverInfo info{};
    if (XScreenSaverQueryInfo(asDisplay(m_display), DefaultRootWindow(asDisplay(m_display)),
                              &info) &&
        info.state == ScreenSaverOn) {
        state.kind = ScreenState::Kind::Blanked;
        state.by = QStringLiteral("the X server's screen saver");
        // While it is on, til_or_since counts the milliseconds since it came on.
        state.since = QDateTime::currentDateTime().addMSecs(-qint64(info.til_or_since));
    }
    return state;
}

} // namespace glasspane
