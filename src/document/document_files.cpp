#include "document/document_files.h"

#include "document/busy_scope.h"
#include "document/ini_files.h"
#include "document/page_cache.h"
#include "document/page_variables.h"
#include "document/paths.h"
#include "document/registry_layer.h"
#include "document/settings.h"
#include "platform/clock.h"
#include "platform/internet.h"
#include "platform/registry.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace glasspane {

namespace {

const QString kDefaultDocumentName = QStringLiteral("Gpane.GPN");
const QString kNewDocumentName = QStringLiteral("NoName.gpn");
const QString kCachedDocumentName = QStringLiteral("Cached.GPN");

// The association values: (root, key, value name, data). "" is the key's default value.
struct AssociationValue
{
    RegRoot root;
    const char* key;
    const char* name;
    QString data;
};

QList<AssociationValue> associationValues(const QString& programPath)
{
    const QString type = QStringLiteral("gpn_auto_file");
    const QString mime = QString::fromLatin1(kDocumentMimeType);
    const QString title = QStringLiteral("Glasspane file");
    const QString extension = QStringLiteral(".gpn");
    return {
        {RegRoot::ClassesRoot, ".gpn", "", type},
        {RegRoot::ClassesRoot, ".gpn", "Content Type", mime},
        {RegRoot::ClassesRoot, "MIME\\Database\\Content Type\\application/gpane4", "Extension",
         extension},
        {RegRoot::ClassesRoot, "gpn_auto_file", "", title},
        {RegRoot::ClassesRoot, "gpn_auto_file\\shell\\open\\command", "",
         programPath + QStringLiteral(" \"%1\"")},
        {RegRoot::LocalMachine, "SOFTWARE\\Classes\\.gpn", "", type},
        {RegRoot::LocalMachine, "SOFTWARE\\Classes\\.gpn", "Content Type", mime},
        {RegRoot::LocalMachine,
         "SOFTWARE\\Classes\\MIME\\Database\\Content Type\\application/gpane4", "Extension",
         extension},
        {RegRoot::LocalMachine, "SOFTWARE\\Classes\\gpn_auto_file", "", title},
    };
}

} // namespace

QString UserShellFolder(Registry& registry, Shell& shell, const QString& valueName,
                        Shell::Folder fallback)
{
    RegistryLayer layer(registry);
    QString folder = StripAtNull(layer.RegRead(
        RegRoot::CurrentUser,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"),
        valueName));
    if (folder.trimmed().isEmpty())
        folder = shell.folder(fallback);
    return LocalFolder(folder);
}

QString DocumentsFolder(Registry& registry, Shell& shell)
{
    return UserShellFolder(registry, shell, QStringLiteral("Personal"), Shell::Folder::Documents);
}

QString DefaultDocumentPath(DocumentServices& services)
{
    const QString resourceDocument =
        services.program.resourceFolder + QLatin1Char('/') + kDefaultDocumentName;
    if (!services.program.resourceFolder.isEmpty() && FileExists(resourceDocument))
        return resourceDocument;
    const QString configured = services.settings.read(keys::DefaultFile, QString());
    if (!configured.isEmpty())
        return configured;
    return DocumentsFolder(services.registry, services.shell) + kDefaultDocumentName;
}

QString NewDocumentPath(DocumentServices& services)
{
    return DocumentsFolder(services.registry, services.shell) + kNewDocumentName;
}

QString LocalPathOfFileUrl(const QString& address)
{
    const QString path = address.mid(7); // after "file://"
    auto decoded = [](const QString& text) { return QUrl::fromPercentEncoding(text.toUtf8()); };
    if (path.startsWith(QLatin1Char('/')) && path.size() > 2 && path.at(2) == QLatin1Char('|'))
        return path.mid(1, 1) + QLatin1Char(':') + decoded(path.mid(3));
    if (path.size() > 1 && path.at(1) == QLatin1Char('|'))
        return path.left(1) + QLatin1Char(':') + decoded(path.mid(2));
    const QUrl url(address);
    if (url.isLocalFile())
        return url.toLocalFile();
    return decoded(path);
}

bool IsWebAddress(const QString& text)
{
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QString NotADocument(const QString& localPath, const QString& name)
{
    const QFileInfo info(localPath);
    if (!info.exists())
        return QStringLiteral("%1 does not exist").arg(name);
    if (!info.isFile())
        return QStringLiteral("%1 is no file").arg(name);
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read (%2)").arg(name, file.errorString());
    // A document is INI text: a page of markup only looks like one where a line of it begins
    // with '['.
    const QByteArray start = file.read(512).trimmed();
    if (start.startsWith('<') || start.startsWith("\xEF\xBB\xBF<"))
        return QStringLiteral("%1 is a web page, not a document").arg(name);
    if (IniFiles::ReadSectionList(localPath, QStringLiteral(",")).isEmpty())
        return QStringLiteral("%1 is no document (it holds no [section])").arg(name);
    return QString();
}

namespace {

// Fetches the web document at address into localCopy, which it replaces only with a document
// that arrived whole; "" when it did, else why not (localCopy then stays as it was).
QString fetchWebDocument(DocumentServices& services, const QString& address,
                         const QString& localCopy, int maxSeconds, qint64 maxBytes)
{
    Internet* internet = services.internet;
    if (!internet)
        return QStringLiteral("web documents cannot be fetched here");
    MakeDirTree(FolderOf(localCopy));
    // Beside the copy, so that the rename replacing it is atomic.
    QTemporaryFile fetched(localCopy + QStringLiteral(".XXXXXX"));
    if (!fetched.open())
        return QStringLiteral("cannot write beside %1 (%2)").arg(localCopy, fetched.errorString());
    fetched.close();

    const bool wasOffline = internet->isOffline();
    internet->setOffline(false);
    DownloadRequest request;
    request.url = address;
    request.targetFile = fetched.fileName();
    request.maxSeconds = maxSeconds;
    request.maxBytes = maxBytes;
    // The window may handle its events while the document arrives.
    const DownloadResult result = internet->download(request);
    internet->setOffline(wasOffline);

    if (!result.ok)
        return QStringLiteral("%1 could not be fetched (%2)").arg(address, result.error);
    if (result.bytes <= 0)
        return QStringLiteral("%1 is empty").arg(address);
    const QString problem = NotADocument(fetched.fileName(), address);
    if (!problem.isEmpty())
        return problem;
    if (::rename(QFile::encodeName(fetched.fileName()).constData(),
                 QFile::encodeName(localCopy).constData()) != 0)
        return QStringLiteral("cannot write %1 (%2)").arg(localCopy, qt_error_string(errno));
    fetched.setAutoRemove(false); // it is the copy now
    (void)services.ini.FlushIni(localCopy);
    return QString();
}

QString webDocumentCopy(DocumentServices& services)
{
    return LocalPath(DocumentsFolder(services.registry, services.shell) + kCachedDocumentName);
}

} // namespace

QString CheckDocumentToOpen(DocumentServices& services, const QString& target, int maxSeconds)
{
    BusyScope busy(services.beginBusy, services.endBusy);
    if (IsWebAddress(target)) {
        // Bounded as the options of the document in use say.
        SettingsStore& settings = services.settings;
        return fetchWebDocument(services, target, webDocumentCopy(services),
                                maxSeconds > 0 ? maxSeconds : settings.read(keys::MaxTime),
                                MaxDownloadBytes(settings));
    }
    if (IsNetworkPath(target))
        return QString();
    const QString local = target.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)
                              ? LocalPathOfFileUrl(target)
                              : LocalPath(target);
    return NotADocument(local, target);
}

void PrepareDocumentSource(DocumentServices& services, DocumentState& doc,
                           const std::function<bool()>& canGoOnline)
{
    BusyScope busy(services.beginBusy, services.endBusy);
    ProgramValues& program = services.program;
    if (doc.PlayList.isEmpty())
        doc.PlayList.resize(1);
    if (doc.PageList.isEmpty())
        doc.PageList.resize(1);
    doc.PlayList[0].URL = program.documentName;

    const QString path = program.documentPath;
    const QDateTime now = services.clock.now();
    if (IsWebAddress(path)) {
        const QString localCopy = webDocumentCopy(services);
        if (services.internet && (!canGoOnline || canGoOnline())) {
            // Until the document has arrived the program's values still describe the document
            // in use; a fetch that fails, or brings something that is no document, leaves the
            // last copy in use.
            // Bounded as the options of its last copy say (the document may hold them).
            program.documentPath = localCopy;
            const int maxSeconds = services.settings.read(keys::MaxTime);
            const qint64 maxBytes = MaxDownloadBytes(services.settings);
            program.documentPath = path;
            const QString problem =
                fetchWebDocument(services, path, localCopy, maxSeconds, maxBytes);
            if (problem.isEmpty()) {
                doc.PlayList[0].LastDownload = now;
                doc.PageList[0].LastDownload = now;
            } else {
                qCInfo(lcDocument, "%s; the last copy is used", qUtf8Printable(problem));
            }
        }
        program.documentName = path;
        program.documentSource = DocumentSource::Web;
        program.documentPath = localCopy;
        return;
    }

    if (path.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
        program.documentPath = LocalPathOfFileUrl(path);
        program.documentName = program.documentPath;
        program.documentSource = DocumentSource::File;
    } else if (IsNetworkPath(path)) {
        // Read and written in the share's mount folder; named as the user named it.
        program.documentName = path;
        program.documentSource = DocumentSource::File;
        const QString disk = services.drives ? services.drives->diskPath(path) : QString();
        if (!disk.isEmpty())
            program.documentPath = disk;
    } else if (!program.resourceFolder.isEmpty() &&
               path == program.resourceFolder + QLatin1Char('/') + kDefaultDocumentName) {
        program.documentName = QString::fromLatin1(kResourceDocumentName);
        program.documentSource = kResourceDocumentSource;
    } else {
        program.documentName = path;
        program.documentSource = DocumentSource::File;
    }
    doc.PlayList[0].LastDownload = now;
    doc.PageList[0].LastDownload = now;
}

QString AbsoluteDocumentPath(const QString& path, const QString& startFolder)
{
    if (path.isEmpty() || IsAbsoluteOrAddress(path) || IsNetworkPath(path))
        return path;
    const QString base = startFolder.isEmpty() ? QDir::currentPath() : LocalPath(startFolder);
    return QDir::cleanPath(QDir(base).absoluteFilePath(LocalPath(path)));
}

bool SameDocument(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() && b.isEmpty();
    if (IsWebAddress(a) || IsWebAddress(b) || IsNetworkPath(a) || IsNetworkPath(b))
        return LocalPath(a).compare(LocalPath(b), Qt::CaseInsensitive) == 0;
    return QDir::cleanPath(LocalPath(a)) == QDir::cleanPath(LocalPath(b));
}

void UpdateDefaultDocumentFlag(DocumentServices& services, DocumentState& doc,
                               const QString& documentPath, const QString& documentName)
{
    const QString current =
        IsWebAddress(documentName) || IsNetworkPath(documentName) ? documentName : documentPath;
    doc.IsDefaultDocument =
        !current.isEmpty() && SameDocument(current, DefaultDocumentPath(services));
}

QString WriteRefusal(const QString& localPath)
{
    const QFileInfo file(localPath);
    const QByteArray folder = QFile::encodeName(file.absolutePath());
    // A save makes a new file in the folder and renames it over the old one.
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return QStringLiteral("%1: %2").arg(file.absolutePath(), qt_error_string(errno));
    if (file.exists() && ::access(QFile::encodeName(localPath).constData(), W_OK) != 0)
        return qt_error_string(errno);
    return QString();
}

void ReportPositionNotKept(DocumentServices& services, DocumentState& doc)
{
    const QString path = services.program.documentPath;
    SettingsStore& settings = services.settings;
    QString problem;
    if (!path.isEmpty() && !services.ini.isReadOnly(path) &&
        settings.ParamsLocation() == SettingsLocation::Document &&
        settings.read(keys::FirstPageIsLastPage))
        problem = WriteRefusal(LocalPath(path));
    if (problem.isEmpty()) {
        doc.PositionProblem.clear();
        return;
    }
    services.ini.failureAlreadySaid(path);
    if (doc.PositionProblem == path + problem)
        return;
    doc.PositionProblem = path + problem;
    qCWarning(lcDocument,
              "the document %s cannot be written (%s): the show plays it, but its position is "
              "not kept for the next start",
              qUtf8Printable(path), qUtf8Printable(problem));
}

QStringList ReadRecentFiles(DocumentServices& services)
{
    return services.settings.readNumbered(Setting::RecentFile);
}

QStringList AddToRecentFiles(DocumentServices& services, const QString& name)
{
    QStringList list = ReadRecentFiles(services);
    if (name.trimmed().isEmpty())
        return list;
    // The store moves an entry equal without regard to case; here "/srv/A.gpn" and
    // "/srv/a.gpn" are two documents, so the list is put in order first.
    list.removeIf([&name](const QString& entry) { return SameDocument(entry, name); });
    list.prepend(name);
    list = list.mid(0, kMaxRecentFiles);
    if (!services.settings.addToNumbered(Setting::RecentFile, list, name))
        qCInfo(lcDocument, "the recent-file list could not be stored");
    return list;
}

void AddToShellRecentDocuments(Shell& shell, const QString& name)
{
    if (name.isEmpty() || IsWebAddress(name) || name == QLatin1String(kResourceDocumentName))
        return;
    shell.addRecentDocument(LocalPath(name));
}

bool IsInBrowserCache(const QString& path)
{
    const QString p = LowerLocalPath(path);
    // The Windows browser caches, and on this system the users' cache folders.
    return p.contains(QLatin1String("/temporary internet files/")) ||
           p.contains(QLatin1String("/tempor~1/")) || p.contains(QLatin1String("/.cache/"));
}

QString CopyIntoFolder(const QString& path, const QString& folder)
{
    const QString source = LocalPath(path);
    const QString target = LocalFolder(folder);
    QString name = QFileInfo(source).fileName();
    if (name.isEmpty() || target.isEmpty())
        return QString();
    MakeDirTree(target);
    while (QFileInfo::exists(target + name))
        name.prepend(QLatin1Char('1'));
    if (!CopyFile(source, target + name))
        return QString();
    return target + name;
}

bool AssociationNeeded(Registry& registry, Shell& shell, const QString& programPath)
{
    RegistryLayer layer(registry);
    const QString command = layer.RegRead(
        RegRoot::ClassesRoot, QStringLiteral("gpn_auto_file\\shell\\open\\command"), QString());
    // File names on this system tell case apart, so the path is looked for as it stands.
    return programPath.isEmpty() || !command.contains(programPath) ||
           shell.defaultApplicationId(QString::fromLatin1(kDocumentMimeType)) !=
               QLatin1String(kDesktopFileId);
}

bool WriteAssociation(Registry& registry, Shell& shell, const QString& programPath)
{
    RegistryLayer layer(registry);
    bool ok = true;
    for (const AssociationValue& v : associationValues(programPath)) {
        const bool written =
            layer.RegWrite(v.root, QString::fromLatin1(v.key), QString::fromLatin1(v.name), v.data);
        if (!written) {
            qCInfo(lcDocument, "association value %s could not be written (%ld)", v.key,
                   layer.LastRegError());
        }
        ok = ok && written;
    }
    if (!shell.setDefaultApplication(QString::fromLatin1(kDocumentMimeType),
                                     QString::fromLatin1(kDesktopFileId))) {
        qCInfo(lcDocument, "the desktop's default application for documents could not be set");
        ok = false;
    }
    return ok;
}

} // namespace glasspane
