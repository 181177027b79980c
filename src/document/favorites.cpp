#include "document/favorites.h"

#include "document/ini_files.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace glasspane {

namespace {

constexpr int kMaxNameLength = 200;

bool forbiddenInName(QChar c)
{
    return c.unicode() < 32 || c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' ||
           c == u'"' || c == u'<' || c == u'>' || c == u'|';
}

} // namespace

QString ShortcutFileName(const QString& title)
{
    QString name;
    for (const QChar c : title)
        name.append(forbiddenInName(c) ? QChar(u' ') : c);
    name = name.simplified();
    while (!name.isEmpty() && (name.front() == u'.' || name.front() == u' '))
        name.remove(0, 1);
    name.truncate(kMaxNameLength);
    while (!name.isEmpty() && (name.back() == u'.' || name.back() == u' '))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("Untitled") : name;
}

QStringList FavoriteFolders(const QString& favoritesFolder)
{
    QStringList folders;
    const QDir base(favoritesFolder);
    QDirIterator it(favoritesFolder, QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(base.relativeFilePath(it.next()));
    folders.sort(Qt::CaseInsensitive);
    return folders;
}

QString AddFavoriteShortcut(IniFiles& ini, const QString& favoritesFolder, const QString& subFolder,
                            const QString& title, const QString& url, QString* error)
{
    const QString base = QDir::cleanPath(QDir(favoritesFolder).absolutePath());
    const QString folder = QDir::cleanPath(base + u'/' + subFolder);
    if (folder != base && !folder.startsWith(base + u'/')) {
        if (error)
            *error = QStringLiteral("The folder lies outside the favorites folder.");
        return QString();
    }
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("The folder \"") + folder +
                     QStringLiteral("\" could not be created.");
        return QString();
    }
    const QString path = folder + u'/' + ShortcutFileName(title) + QStringLiteral(".url");
    if (!ini.WriteIni(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), url, path)) {
        if (error)
            *error = QStringLiteral("The shortcut \"") + path +
                     QStringLiteral("\" could not be written.");
        return QString();
    }
    return path;
}

} // namespace glasspane
