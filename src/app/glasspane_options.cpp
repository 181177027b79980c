#include "app/glasspane_options.h"

#include "document/document_files.h"
#include "engine/start_up.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace glasspane {

ControlRequest HandOverRequest(const StartupRequest& request, const QString& startFolder)
{
    if (request.mode != RunMode::Document || request.documentPath.isEmpty())
        return {QStringLiteral("raise"), {}};
    QString folder = startFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return {QStringLiteral("open"), AbsoluteDocumentPath(request.documentPath, folder)};
}

QString TakeScreenshotFolder(QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshots"));
    if (at < 0)
        return QString();
    QString folder;
    if (at + 1 < arguments.size())
        folder = arguments.takeAt(at + 1);
    arguments.removeAt(at);
    return folder;
}

namespace {

// Why another user could put something in folder or swap it for one of theirs; "" when
// nobody but this user (or root) can.
QString writableByOthers(const QString& folder)
{
    const uid_t self = ::geteuid();
    QString path = QFileInfo(folder).canonicalFilePath();
    for (bool first = true; !path.isEmpty(); first = false) {
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return qt_error_string(errno);
        const bool othersWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        const bool foreign = st.st_uid != self && st.st_uid != 0;
        // The folder itself: nobody else may add a name; a folder above it: nobody else may
        // take away or rename what is in it (the sticky bit of /tmp forbids that).
        if (foreign)
            return QStringLiteral("%1 belongs to another user").arg(path);
        if (othersWrite && (first || !(st.st_mode & S_ISVTX)))
            return QStringLiteral("others can write %1 (mode %2)")
                .arg(path)
                .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
        if (path == QLatin1String("/"))
            break;
        path = QFileInfo(path).absolutePath();
    }
    return QString();
}

} // namespace

QString ScreenshotFolderProblem(const QString& folder)
{
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QFileInfo(folder).exists() &&
        (!QDir().mkpath(parent) ||
         !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)))
        return QStringLiteral("the folder cannot be made");
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("it is no folder");
    // The pictures are made by this user's program: planted there by another, a link would
    // lead them over that user's files, a file could stand in their names.
    const QString shared = writableByOthers(folder);
    if (!shared.isEmpty())
        return shared + QStringLiteral("; choose a folder that only you can write");
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".glasspane-XXXXXX")));
    if (!probe.open())
        return probe.errorString();
    return QString();
}

} // namespace glasspane
