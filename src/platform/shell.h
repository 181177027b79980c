#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

// The desktop shell: well-known folders, recent documents, file types and the default browser.
class Shell
{
public:
    enum class Folder {
        Documents, // the user's documents
        Favorites, // the browser favourites (shortcut files)
        Temp,      // a private, per-user temporary folder
        Cache,     // the user's cache folder for this program
        Data,      // the user's data folder for this program
        Config,    // the user's configuration folder for this program
    };

    virtual ~Shell() = default;

    // Absolute path without a trailing separator; created when missing.
    virtual QString folder(Folder which) = 0;
    // Adds a file to the desktop's recently used documents.
    virtual void addRecentDocument(const QString& path) = 0;
    // The command that opens files of this kind, split into program and arguments, with the
    // file itself as exactly one argument. Empty when no program is known.
    virtual QStringList openCommand(const QString& filePath) = 0;
    // Opens an address or file with the desktop's default program. False when nothing started.
    virtual bool openExternally(const QString& urlOrPath) = 0;
    // The command of the desktop's default program for a MIME type ("text/html"), split into
    // program and arguments, with argument (an address or a file) as exactly one of them.
    // Empty when no program is known.
    virtual QStringList typeCommand(const QString& mimeType, const QString& argument)
    {
        Q_UNUSED(mimeType);
        Q_UNUSED(argument);
        return {};
    }

    // ---- the desktop's choices, which the program can make its own ----
    // The desktop file id ("glasspane.desktop") of the default application for a MIME type;
    // empty when none is known.
    virtual QString defaultApplicationId(const QString& mimeType)
    {
        Q_UNUSED(mimeType);
        return {};
    }
    // Makes desktopId the user's default application for mimeType. False when it could not be
    // recorded.
    virtual bool setDefaultApplication(const QString& mimeType, const QString& desktopId)
    {
        Q_UNUSED(mimeType);
        Q_UNUSED(desktopId);
        return false;
    }
    // The program (its path, or its name as written) that the desktop's screen saver shows
    // when it always shows one; empty when it shows none, several in turn, or is not known.
    virtual QString screenSaverProgram() { return {}; }
    // Makes a program (the executable's path) the desktop's screen saver, run on the screen
    // saver's own window. False when it could not be recorded.
    virtual bool setScreenSaver(const QString& program)
    {
        Q_UNUSED(program);
        return false;
    }
};

} // namespace glasspane
