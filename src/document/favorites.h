#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

class IniFiles;

// The browser favourites the program keeps: ".url" shortcut files ([InternetShortcut] URL=...)
// in the favourites folder and its subfolders.

// A file name for a shortcut with this title: characters that cannot stand in a file name
// ('/', '\', NUL and other control characters, and those Windows refuses) become blanks,
// blanks and dots at either end go, at most 200 characters; "Untitled" when nothing is left.
// Never a path: a title cannot lead the shortcut out of its folder.
QString ShortcutFileName(const QString& title);

// The subfolders of the favourites folder, every level, as paths relative to it ("News",
// "News/Local"), sorted.
QStringList FavoriteFolders(const QString& favoritesFolder);

// Writes the shortcut title.url for url into subFolder ("" for the favourites folder itself,
// created when missing). Returns the shortcut's path, or "" with error set when the subfolder
// lies outside the favourites folder or the file cannot be written.
QString AddFavoriteShortcut(IniFiles& ini, const QString& favoritesFolder, const QString& subFolder,
                            const QString& title, const QString& url, QString* error);

} // namespace glasspane
