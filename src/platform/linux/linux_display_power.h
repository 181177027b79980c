#pragma once

#include "platform/display_power.h"

#include <QObject>
#include <QString>

namespace glasspane {

// The display kept awake on Linux, in two ways at once, each where it exists:
// - the X server's own screen saver and monitor power saving (DPMS), suspended over a
//   connection of our own (MIT-SCREEN-SAVER 1.1 XScreenSaverSuspend; the server lifts it by
//   itself when the connection closes, so a crash never leaves the screen awake for good).
//   Where the server lacks that request, its idle time is reset every HeartbeatMs instead;
// - the desktop's idle inhibition on the session bus (org.freedesktop.ScreenSaver.Inhibit),
//   which GNOME, KDE Plasma, Xfce and XScreenSaver's systemd helper honour.
// No call waits for the bus: requests go out asynchronously, so a hung session bus never holds
// the show.
class LinuxDisplayPower final : public QObject, public DisplayPower
{
    Q_OBJECT

public:
    // display: the X display name ("" for $DISPLAY).
    explicit LinuxDisplayPower(QString display = QString(), QObject* parent = nullptr);
    ~LinuxDisplayPower() override;

    void keepAwake(bool awake) override;
    bool isKeptAwake() const override { return m_awake; }

    static constexpr int HeartbeatMs = 30000;
    // Longest wait for the session bus to answer a request.
    static constexpr int BusTimeoutMs = 5000;

private:
    void setX11(bool awake);
    void setBus(bool awake);
    void unInhibit(uint cookie);

    QString m_displayName;
    void* m_display = nullptr; // Display*, opened on first use
    bool m_displayTried = false;
    bool m_canSuspend = false;
    bool m_suspended = false;
    qint64 m_lastHeartbeat = 0;
    bool m_awake = false;
    // The desktop's inhibition: its cookie once granted; a request may still be on its way.
    uint m_cookie = 0;
    bool m_inhibited = false;
    bool m_requestPending = false;
};

} // namespace glasspane
