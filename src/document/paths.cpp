#include "document/paths.h"

#include "document/program_values.h"
#include "document/text.h"
#include "platform/log.h"
#include "platform/shares.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace glasspane {

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

qsizetype lastSeparatorOrColon(const QString& path)
{
    for (qsizetype i = path.size(); i-- > 0;) {
        if (isSeparator(path[i]) || path[i] == QLatin1Char(':'))
            return i;
    }
    return -1;
}

// Local paths only: a network path is never looked up as a local one.
QString localOnly(const QString& path)
{
    return IsNetworkPath(path) ? QString() : LocalPath(path);
}

QString withoutTrailingSeparator(const QString& path)
{
    return path.size() > 1 && isSeparator(path.back()) ? path.chopped(1) : path;
}

} // namespace

QString AddBackslash(const QString& path)
{
    if (path.isEmpty() || isSeparator(path.back()) || path.back() == QLatin1Char(':'))
        return path;
    const bool windowsStyle = path.contains(QLatin1Char('\\')) && !path.contains(QLatin1Char('/'));
    return path + (windowsStyle ? QLatin1Char('\\') : QLatin1Char('/'));
}

QString StripTrailingBackslash(const QString& path)
{
    return !path.isEmpty() && isSeparator(path.back()) ? path.chopped(1) : path;
}

QString Extension(const QString& path)
{
    const qint32 dot = LastIndexOf(path, QStringLiteral("."));
    // A dot in a folder name is no extension of the file.
    if (dot == 0 || dot - 1 < lastSeparatorOrColon(path))
        return QString();
    return path.mid(dot);
}

QString FileName(const QString& path)
{
    if (DirExists(path))
        return QString();
    return path.mid(lastSeparatorOrColon(path) + 1);
}

QString FolderOf(const QString& path)
{
    if (DirExists(path))
        return AddBackslash(path);
    const qsizetype at = lastSeparatorOrColon(path);
    return at < 0 ? QString() : path.left(at + 1);
}

bool IsAbsoluteOrAddress(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (isSeparator(path.front()) || (path.size() >= 2 && path[1] == QLatin1Char(':')))
        return true;
    for (const char* prefix : {"http://", "https://", "file://", "ftp://", "smb://", "mailto:"}) {
        if (path.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool IsUNC(const QString& path)
{
    return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

bool IsNetworkPath(const QString& path)
{
    return IsUNC(path) || path.startsWith(QLatin1String("smb://"), Qt::CaseInsensitive);
}

QString ShareOf(const QString& path)
{
    QString p = path;
    if (p.startsWith(QLatin1String("smb://"), Qt::CaseInsensitive))
        p = p.mid(4); // "//server/share/..."
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString sep = QStringLiteral("\\");
    return QStringLiteral("\\\\") + TokenAt(p, 3, sep) + sep + TokenAt(p, 4, sep);
}

QString StripAtNull(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString LocalPath(const QString& path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

QString LocalFolder(const QString& folder)
{
    QString p = LocalPath(folder);
    if (!p.isEmpty() && !p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return p;
}

QString LowerLocalPath(const QString& path)
{
    return LocalPath(path.toLower());
}

// The document's own folder, with a trailing separator; "" when there is no local document.
static QString documentFolder(const ProgramValues& values)
{
    if (values.documentPath.isEmpty() || values.documentPath.contains(QLatin1String("://")))
        return QString();
    return LocalPath(FolderOf(values.documentPath));
}

QString MakeRelativePath(const QString& path, const ProgramValues& values)
{
    if (path.isEmpty())
        return path;
    // Case matters: on this file system "/Show" and "/show" are different folders.
    for (const QString& folder :
         {values.resourceFolder.isEmpty() ? QString() : AddBackslash(values.resourceFolder),
          documentFolder(values)}) {
        if (!folder.isEmpty() && folder != QLatin1String("/") && path.startsWith(folder) &&
            path.size() > folder.size())
            return path.mid(folder.size());
    }
    return path;
}

QString ResolvePath(const QString& path, const ProgramValues& values)
{
    if (path.isEmpty() || IsAbsoluteOrAddress(path))
        return path;
    const QString relative = LocalPath(path);
    QStringList candidates;
    if (!values.resourceFolder.isEmpty())
        candidates << AddBackslash(values.resourceFolder) + relative;
    const QString ownFolder = documentFolder(values);
    if (!ownFolder.isEmpty())
        candidates << ownFolder + relative;
    if (!values.startFolder.isEmpty())
        candidates << AddBackslash(values.startFolder) + relative;
    for (const QString& candidate : candidates) {
        if (FileExists(candidate))
            return candidate;
    }
    return path;
}

QString ResolveFolder(const QString& folder, const ProgramValues& values)
{
    if (folder.isEmpty() || IsAbsoluteOrAddress(folder))
        return LocalFolder(folder);
    const QString relative = LocalFolder(folder);
    const QString ownFolder = documentFolder(values);
    const QString start =
        values.startFolder.isEmpty() ? QString() : LocalFolder(values.startFolder);
    if (!ownFolder.isEmpty() && DirExists(ownFolder + relative))
        return ownFolder + relative;
    if (!start.isEmpty() && DirExists(start + relative))
        return start + relative;
    return ownFolder.isEmpty() ? relative : ownFolder + relative;
}

bool FileExists(const QString& path)
{
    const QString local = withoutTrailingSeparator(localOnly(path));
    if (local.isEmpty() || !QFileInfo(local).isFile())
        return false;
    QFile file(local);
    return file.open(QIODevice::ReadOnly);
}

bool DirExists(const QString& path)
{
    const QString local = localOnly(path);
    if (local.isEmpty())
        return false;
    const QFileInfo info(local);
    return info.isDir() && info.isExecutable();
}

bool DeleteFile(const QString& path)
{
    const QString local = localOnly(path);
    return !local.isEmpty() && QFile::remove(local);
}

QString ReadTextFile(const QString& path)
{
    const QString local = localOnly(path);
    if (local.isEmpty() || !QFileInfo(local).isFile())
        return QString();
    QFile file(local);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return ReadTextLines(file);
}

bool MakeDirTree(const QString& path)
{
    const QString local = localOnly(path);
    return !local.isEmpty() && QDir().mkpath(local);
}

bool RemoveDir(const QString& path)
{
    const QString local = localOnly(path);
    return !local.isEmpty() && QDir().rmdir(local);
}

NetworkDrives::NetworkDrives(Shares& shares) : m_shares(shares) {}

bool NetworkDrives::ConnectShare(const QString& share, const QString& localName)
{
    Q_UNUSED(localName); // shares are never given a drive letter
    for (const QString& s : std::as_const(m_connected)) {
        if (!s.isEmpty() && s.compare(share, Qt::CaseInsensitive) == 0)
            return true;
    }
    if (!m_shares.connect(share))
        return false;
    const qsizetype empty = m_connected.indexOf(QString());
    if (empty >= 0)
        m_connected[empty] = share;
    else
        m_connected.append(share);
    return true;
}

bool NetworkDrives::DisconnectShare(const QString& share)
{
    if (!m_shares.disconnect(share))
        return false;
    for (qsizetype i = m_connected.size(); i-- > 0;) {
        if (!m_connected[i].isEmpty() && m_connected[i].compare(share, Qt::CaseInsensitive) == 0) {
            m_connected[i].clear();
            break;
        }
    }
    while (!m_connected.isEmpty() && m_connected.back().isEmpty())
        m_connected.removeLast();
    return true;
}

void NetworkDrives::DisconnectAllShares()
{
    for (qsizetype i = m_connected.size(); i-- > 0;) {
        if (i < m_connected.size() && !m_connected[i].isEmpty())
            (void)DisconnectShare(m_connected[i]);
    }
}

QString NetworkDrives::diskPath(const QString& path)
{
    if (!IsNetworkPath(path))
        return LocalPath(path);
    const QString share = ShareOf(path);
    if (m_failed.contains(share, Qt::CaseInsensitive))
        return QString();
    const QString root = ConnectShare(share) ? m_shares.localPath(share) : QString();
    if (root.isEmpty()) {
        m_failed.append(share);
        const QString why = m_shares.lastError();
        qCWarning(lcGlasspane, "cannot reach the network share %s (for %s)%s",
                  qUtf8Printable(share), qUtf8Printable(path),
                  qUtf8Printable(why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        return QString();
    }
    // What follows "\\server\share" (or "smb://server/share") in the path, whichever
    // separators it was written with.
    QString rest = LocalPath(path);
    if (rest.startsWith(QLatin1String("smb:"), Qt::CaseInsensitive))
        rest = rest.mid(4);
    rest = rest.mid(share.size());
    return StripTrailingBackslash(root) + rest;
}

bool NetworkDrives::FileExists(const QString& path)
{
    return glasspane::FileExists(diskPath(path));
}

bool NetworkDrives::DirExists(const QString& path)
{
    return glasspane::DirExists(diskPath(path));
}

bool NetworkDrives::DeleteFile(const QString& path)
{
    return glasspane::DeleteFile(diskPath(path));
}

QString NetworkDrives::ReadTextFile(const QString& path)
{
    return glasspane::ReadTextFile(diskPath(path));
}

bool NetworkDrives::MakeDirTree(const QString& path)
{
    return glasspane::MakeDirTree(diskPath(path));
}

bool NetworkDrives::RemoveDir(const QString& path)
{
    return glasspane::RemoveDir(diskPath(path));
}

} // namespace glasspane
