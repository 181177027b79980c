#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

// The folder of the display managers' configuration: $GLASSPANE_DM_CONFIG_DIR when set (tests,
// images prepared for another machine), else /etc.
QString DisplayManagerConfigRoot();

// A user name that may stand in a display manager's file: letters, digits, '_', '.', '-' (not
// first), an optional final '$', at most 32 characters. Anything else (blanks, line ends,
// brackets, '=') could change the file's meaning.
bool IsValidLoginName(const QString& user);

// What setting up an automatic login did.
struct AutomaticLoginResult
{
    QStringList written;  // the files written
    QStringList problems; // why something could not be done, one sentence each
    bool ok() const { return problems.isEmpty() && !written.isEmpty(); }
};

// Makes each display manager configured under root log `user` in by itself at its next start,
// without a password (none is asked for or stored):
// - LightDM (root/lightdm/): lightdm.conf.d/50-glasspane-autologin.conf, [Seat:*]
//   autologin-user and autologin-user-timeout=0;
// - SDDM (root/sddm.conf or root/sddm.conf.d/): sddm.conf.d/50-glasspane-autologin.conf,
//   [Autologin] User (the session is the one last used);
// - GDM, which reads no drop-in folder: [daemon] AutomaticLoginEnable=true and AutomaticLogin
//   in root/gdm3/daemon.conf (Debian, Ubuntu) or root/gdm/custom.conf (others), every other
//   line of the file kept.
// Files are replaced atomically. A display manager that is not there is left alone; none at all
// is a problem, as is a file that cannot be written (no permission: the kiosk user usually may
// not write /etc).
AutomaticLoginResult WriteAutomaticLogin(const QString& root, const QString& user);

} // namespace glasspane
