#pragma once

#include "platform/display_power.h"

#include <QObject>
#include <QString>
#include <memory>

namespace glasspane {

class XScreenSaverLink;

// A hold on the display through the window system's own protocol: a Wayland compositor's idle
// inhibition on the program's window. main() makes it, as it needs the windows.
class CompositorIdleInhibitor
{
public:
    virtual ~CompositorIdleInhibitor() = default;
    // Takes (on) or lets go of the hold; true when it is in place after the call. Called often
    // with the same value: cheap then. On may fail for a while (no window shown yet).
    virtual bool inhibit(bool on) = 0;
    // False when the compositor offers no such hold at all.
    virtual bool available() const = 0;
};

// The display kept awake on Linux, in every way the session offers, each where it exists, and
// the log says which of them hold it (or, as a warning, that none does):
// - on X11, the X server's own screen saver and monitor power saving (DPMS), suspended over a
//   connection of our own (MIT-SCREEN-SAVER 1.1 XScreenSaverSuspend; the server lifts it by
//   itself when the connection closes, so a crash never leaves the screen awake for good).
//   Where the server lacks that request, its idle time is reset every HeartbeatMs instead;
// - on X11, a running XScreenSaver daemon, told of activity now and then (xscreensaver_link.h);
// - the desktop's idle inhibition on the session bus (org.freedesktop.ScreenSaver.Inhibit),
//   which GNOME, KDE Plasma, Xfce and XScreenSaver's systemd helper honour;
// - under a Wayland compositor, its idle inhibition, where it offers one (the inhibitor).
// Under Wayland nothing of X11 is used: an X server there (Xwayland) blanks nothing. No call
// waits for the bus or for another program: requests go out asynchronously.
class LinuxDisplayPower final : public QObject, public DisplayPower
{
    Q_OBJECT

public:
    enum class WindowSystem { X11, Wayland, Other };

    // display: the X display name ("" for $DISPLAY). inhibitor: may be null; not owned, must
    // outlive this object.
    explicit LinuxDisplayPower(WindowSystem windowSystem = WindowSystem::Other,
                               CompositorIdleInhibitor* inhibitor = nullptr,
                               QString display = QString(), QObject* parent = nullptr);
    ~LinuxDisplayPower() override;

    void keepAwake(bool awake) override;
    bool isKeptAwake() const override { return m_awake; }
    ScreenState screenState() const override;

    static constexpr int HeartbeatMs = 30000;
    // Longest wait for the session bus to answer a request.
    static constexpr int BusTimeoutMs = 5000;

private:
    enum Hold : unsigned {
        XServer = 1,
        XScreenSaver = 2,
        Desktop = 4,
        Compositor = 8,
    };

    void setX11(bool awake);
    void setBus(bool awake);
    void setCompositor(bool awake);
    void unInhibit(uint cookie);
    // Logs the holds taken since the last report, or once, when every request has been
    // answered and none holds, a warning that nothing does.
    void report();
    void held(Hold hold, bool on);

    WindowSystem m_windowSystem;
    CompositorIdleInhibitor* m_inhibitor;
    QString m_displayName;
    void* m_display = nullptr; // Display*, opened on first use
    bool m_displayTried = false;
    bool m_canSuspend = false;
    bool m_suspended = false;
    qint64 m_lastHeartbeat = 0;
    bool m_awake = false;
    std::unique_ptr<XScreenSaverLink> m_xscreensaver;
    // The desktop's inhibition: its cookie once granted; a request may still be on its way.
    uint m_cookie = 0;
    bool m_inhibited = false;
    bool m_requestPending = false;
    QString m_busProblem;
    // What holds the display now, what of it the log has told, and whether it warned that
    // nothing does.
    unsigned m_holds = 0;
    unsigned m_logged = 0;
    bool m_warned = false;
};

} // namespace glasspane
