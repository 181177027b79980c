#pragma once

#include "platform/shell.h"

namespace glasspane {

// The desktop shell on Linux, after the freedesktop.org specifications: XDG base folders, the
// recently-used list (recently-used.xbel), default applications (mimeapps.list and .desktop
// files) and xdg-open. No command ever goes through a shell.
class XdgShell final : public Shell
{
public:
    QString folder(Folder which) override;
    void addRecentDocument(const QString& path) override;
    QStringList openCommand(const QString& filePath) override;
    bool openExternally(const QString& urlOrPath) override;
    QStringList typeCommand(const QString& mimeType, const QString& argument) override;
    // From the mimeapps.list files and the MIME cache (defaultApplication); the user's choice
    // goes to $XDG_CONFIG_HOME/mimeapps.list.
    QString defaultApplicationId(const QString& mimeType) override;
    bool setDefaultApplication(const QString& mimeType, const QString& desktopId) override;
    // XScreenSaver's: the selected hack of ~/.xscreensaver in mode "one"; choosing writes that
    // file (xscreensaver_file.h), which the running daemon reads again by itself.
    QString screenSaverProgram() override;
    bool setScreenSaver(const QString& program) override;
    // ~/.xscreensaver ($HOME).
    static QString xscreensaverFile();

    // The MIME type recent documents are filed under.
    static constexpr const char* RecentMimeType = "application/gpane4";
    static constexpr const char* RecentApplication = "Glasspane";

    // A private per-user folder: $XDG_RUNTIME_DIR when it is ours and 0700, else a 0700 folder
    // of our own under the temporary folder, checked to be ours and no symbolic link. Empty
    // when none can be had.
    static QString privateTempFolder();

    // The Exec line of a .desktop file (its string escapes already undone) split into
    // arguments by the Desktop Entry quoting rules. Empty when the quoting is broken.
    static QStringList splitExec(const QString& exec);
    // The arguments with the field codes replaced: the first of %f %F %u %U %1 becomes the file
    // (exactly one argument, appended when the line has no such code); other codes are dropped.
    static QStringList expandExec(const QString& exec, const QString& file);
    // The default application's .desktop file for a MIME type, from the mimeapps.list files
    // (then the desktop's MIME cache) in the XDG folders; empty when none is known.
    static QString defaultApplication(const QString& mimeType);

private:
    QString m_temp; // chosen once, so every caller gets the same folder
};

} // namespace glasspane
