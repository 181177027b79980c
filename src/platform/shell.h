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
};

} // namespace glasspane
