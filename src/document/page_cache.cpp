#include "document/page_cache.h"

#include "document/page_copy.h"
#include "document/page_variables.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/update_policy.h"
#include "platform/clock.h"
#include "platform/internet.h"
#include "platform/shell.h"
#include "platform/whole_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>
#include <optional>
#include <unistd.h>

namespace glasspane {

namespace {

const QLatin1String kHttp("http://");
const QLatin1String kHttps("https://");

// The address as the cache names it: "http://" (lower case only) is left out.
QString cacheKey(const QString& url)
{
    return url.startsWith(kHttp) ? url.mid(kHttp.size()) : url;
}

bool isPlainExtension(const QString& ext)
{
    if (ext.isEmpty() || ext.size() > 4)
        return false;
    for (const QChar c : ext) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                        (u >= '0' && u <= '9') || u == '_' || u == '-';
        if (!ok)
            return false;
    }
    return true;
}

// "file:///C|/dir/x.txt" is "C:/dir/x.txt"; other file addresses are local paths.
QString filePathOf(const QString& url)
{
    const QString rest = url.mid(8);
    if (rest.size() >= 2 && rest[0].isLetter() &&
        (rest[1] == QLatin1Char('|') || rest[1] == QLatin1Char(':'))) {
        QString path = rest;
        path[1] = QLatin1Char(':');
        return path;
    }
    const QUrl u(url);
    return u.isLocalFile() ? u.toLocalFile() : QLatin1Char('/') + rest;
}

// A test address that needs no network.
bool isLocalTestAddress(const QString& url)
{
    static const char* const prefixes[] = {
        "http://127.0.0.1:",  "http://127.0.0.1/",  "http://localhost/",
        "http://localhost:",  "https://127.0.0.1:", "https://127.0.0.1/",
        "https://localhost/", "https://localhost:", "file://",
    };
    if (url.mid(1, 2) == QLatin1String(":\\") || url.startsWith(QLatin1Char('/')))
        return true;
    for (const char* p : prefixes) {
        if (url.startsWith(QLatin1String(p)))
            return true;
    }
    return false;
}

// Goes on-line for one piece of network work and puts the previous state back afterwards.
class OnlineForAWhile
{
public:
    explicit OnlineForAWhile(Internet& internet)
        : m_internet(internet), m_wasOffline(internet.isOffline())
    {
        if (m_wasOffline)
            m_internet.setOffline(false);
    }
    ~OnlineForAWhile()
    {
        if (m_wasOffline)
            m_internet.setOffline(true);
    }
    OnlineForAWhile(const OnlineForAWhile&) = delete;
    OnlineForAWhile& operator=(const OnlineForAWhile&) = delete;

private:
    Internet& m_internet;
    bool m_wasOffline;
};

// A request for url within the bounds of every download: MaxTime seconds, MaxDownloadSize.
DownloadRequest boundedRequest(const CacheServices& services, const QString& url)
{
    DownloadRequest request;
    request.url = url;
    request.maxSeconds = services.update.MaxTime;
    request.maxBytes = services.cache.MaxDownloadBytes;
    return request;
}

QDateTime modificationTime(const QString& path)
{
    return QFileInfo(path).lastModified();
}

QString contentTypeFile(const QString& localFile)
{
    return localFile + QStringLiteral(".type");
}

// The type is kept beside the copy rather than in its name: stored caches and the program
// lookup of separately shown pages go by the names as they are.
void keepContentType(const QString& localFile, const QString& contentType)
{
    const QString media = contentType.section(QLatin1Char(';'), 0, 0).trimmed().toLower();
    if (media.isEmpty()) {
        QFile::remove(contentTypeFile(localFile));
        return;
    }
    // Without it the copy is shown by its name's type: nothing is lost when this fails.
    (void)WriteWholeFile(contentTypeFile(localFile), media.toLatin1() + '\n');
}

bool isFileNameSuffix(const QString& suffix)
{
    if (suffix.isEmpty() || suffix.size() > 16)
        return false;
    for (const QChar c : suffix) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') &&
            c != QLatin1Char('_'))
            return false;
    }
    return true;
}

} // namespace

void ReadCacheSettings(SettingsStore& settings, CacheState& cache)
{
    cache.CachePathIsWindowsTemp = settings.read(keys::CachePathIsWindowsTemp);
    cache.CachePath = settings.read(keys::CachePath, QString());
    cache.TestURL = settings.read(keys::TestURL);
    cache.TestURLIsHomePage = settings.read(keys::TestURLIsHomePage);
    cache.MaxDownloadBytes = MaxDownloadBytes(settings);
}

qint64 MaxDownloadBytes(SettingsStore& settings)
{
    return qint64(settings.read(keys::MaxDownloadSize)) * 1024 * 1024;
}

QString CachePath(const CacheServices& services)
{
    const QString configured = services.cache.CachePath.trimmed();
    // An empty folder would put the cache files in the root folder.
    if (services.cache.CachePathIsWindowsTemp || configured.isEmpty())
        return services.shell.folder(Shell::Folder::Cache);
    QString folder = LocalPath(configured);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString CacheFileName(const QString& url)
{
    // The fragment is the browser's business, never the server's: the slides of a deck
    // ("deck.html#/3") are one page, fetched and kept once.
    const QString key = cacheKey(url.left(url.indexOf(QLatin1Char('#'))));
    QByteArray bytes(key.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < key.size(); ++i)
        bytes[i] = char(key[i].unicode() & 0xFF);
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
    const qsizetype dot = key.lastIndexOf(QLatin1Char('.'));
    QString ext = dot >= 0 ? key.mid(dot + 1) : QString();
    if (!isPlainExtension(ext))
        ext = QStringLiteral("tmp");
    return QString::fromLatin1(digest) + QLatin1Char('.') + ext;
}

QString FormerCacheFileName(const QString& url)
{
    static const QString allowed = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789._-");
    QString name;
    for (const QChar c : cacheKey(url).toLower()) {
        if (allowed.contains(c))
            name += c;
    }
    if (name.isEmpty())
        return QStringLiteral("gpane.tmp");
    return name.right(32) + QStringLiteral(".tmp");
}

QString CacheFileName(const CacheServices& services, const QString& url, const QString& cacheFolder)
{
    const QString name = CacheFileName(url);
    const QString current = cacheFolder + QLatin1Char('/') + name;
    if (!QFileInfo::exists(current)) {
        const QString former = services.shell.folder(Shell::Folder::Cache) + QLatin1Char('/') +
                               FormerCacheFileName(url);
        // A copy that cannot be moved is simply fetched again.
        if (former != current && QFileInfo(former).isFile() && CopyFile(former, current))
            QFile::remove(former);
    }
    return name;
}

bool IsCacheableAddress(const QString& url)
{
    return url.startsWith(kHttp) || url.startsWith(kHttps);
}

DownloadResult RefreshCopy(CacheServices& services, const QString& url, const QString& localFile,
                           int maxSeconds)
{
    OnlineForAWhile online(services.internet);
    QDir().mkpath(QFileInfo(localFile).absolutePath());
    DownloadRequest request = boundedRequest(services, url);
    request.maxSeconds = maxSeconds;
    request.targetFile = localFile;
    if (QFileInfo::exists(localFile))
        request.ifModifiedSince = modificationTime(localFile);
    const DownloadResult result = services.internet.download(request);
    if (result.ok && !result.notModified && result.bytes > 0) {
        // Without Last-Modified the copy is as new as this fetch.
        const QDateTime remote =
            result.lastModified.isValid() ? result.lastModified : services.clock.now();
        SetFileTimes(localFile, remote, remote, remote);
        keepContentType(localFile, result.contentType);
    }
    return result;
}

QString FetchPage(CacheServices& services, PageEntry& entry, const QString& url, bool wantText)
{
    if (!IsCacheableAddress(url)) {
        const QString path = url.startsWith(QLatin1String("file://"))
                                 ? filePathOf(url)
                                 : ResolvePath(url, services.program);
        return wantText ? ReadTextFile(path) : path;
    }

    const QString folder = CachePath(services);
    const QString localFile = folder + QLatin1Char('/') + CacheFileName(services, url, folder);
    entry.LocalFile = localFile;

    const bool policyOffline = UpdateDue(services, false);
    const bool exists = QFileInfo::exists(localFile);
    if ((!policyOffline || !exists) &&
        (CheckConnection(services) || services.update.ForceReconnect)) {
        const DownloadResult result =
            RefreshCopy(services, url, localFile, services.update.MaxTime);
        if (!result.ok && result.error != QLatin1String("offline"))
            qCInfo(lcDocument, "%s could not be fetched (%s); %s", qUtf8Printable(url),
                   qUtf8Printable(result.error),
                   exists ? "the copy in the cache stays" : "there is no copy in the cache");
        // A confirmed current copy counts as fetched, or the update would never end.
        if (result.ok && (result.notModified || result.bytes > 0))
            entry.LastDownload = services.clock.now();
    }
    // Whatever the network did, the copy in the cache is the answer.
    return wantText ? ReadTextFile(localFile) : localFile;
}

QString CachedContentType(const QString& localFile)
{
    QFile file(contentTypeFile(localFile));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readLine(256)).trimmed();
}

QMimeType CachedCopyType(const QString& localFile)
{
    const QMimeDatabase mimes;
    const QString kept = CachedContentType(localFile);
    if (!kept.isEmpty())
        return mimes.mimeTypeForName(kept);
    // A copy from before types were kept: its name tells, else (".tmp") its content.
    const QFileInfo copy(localFile);
    return copy.suffix().compare(QLatin1String("tmp"), Qt::CaseInsensitive) == 0
               ? mimes.mimeTypeForFile(copy, QMimeDatabase::MatchContent)
               : mimes.mimeTypeForFile(copy, QMimeDatabase::MatchExtension);
}

namespace {

bool browserShowsType(const QMimeType& type)
{
    const QString name = type.name();
    if (name.startsWith(QLatin1String("image/")) || name.startsWith(QLatin1String("video/")) ||
        name.startsWith(QLatin1String("audio/")))
        return true;
    for (const char* shown : {"text/html", "application/xhtml+xml", "application/pdf", "text/plain",
                              "application/ogg"}) {
        if (type.inherits(QLatin1String(shown)))
            return true;
    }
    return false;
}

} // namespace

bool BrowserShowsCopy(const QString& localFile)
{
    return browserShowsType(CachedCopyType(localFile));
}

bool BrowserShowsAddress(const QString& address)
{
    const QString name = QUrl(address).fileName();
    const QList<QMimeType> types = QMimeDatabase().mimeTypesForFileName(name);
    return types.isEmpty() || browserShowsType(types.first());
}

QString ViewableCopy(const CacheServices&, const QString& localFile)
{
    const QFileInfo copy(localFile);
    if (!copy.isFile())
        return localFile;
    if (PageCopyCurrent(localFile))
        return ShownPageOf(localFile);
    const QString extension = copy.suffix().toLower();
    const QMimeType type = CachedCopyType(localFile);
    if (!type.isValid() || type.isDefault() || type.suffixes().contains(extension))
        return localFile;
    const QString suffix = type.preferredSuffix();
    if (!isFileNameSuffix(suffix) || suffix == extension)
        return localFile;

    // Beside the copy, made afresh each time, as the copy may have been fetched again. A hard
    // link costs nothing; the browser takes a symbolic one for the file it points to, ".tmp".
    const QString view = localFile + QLatin1Char('.') + suffix;
    QFile::remove(view);
    if (::link(QFile::encodeName(localFile).constData(), QFile::encodeName(view).constData()) == 0)
        return view;
    return CopyFile(localFile, view) ? view : localFile;
}

ValueFileFetcher ValueFileFetcherFor(CacheServices& services)
{
    return [&services](PageEntry& entry, const QString& source) {
        return FetchPage(services, entry, source, true);
    };
}

bool CanFetchDocument(CacheServices& services)
{
    services.cache.LastConnectionCheck = QDateTime();
    return CheckConnection(services) || services.update.ForceReconnect;
}

namespace {

// The test address probed; empty when the program cut the probe short or refused it.
std::optional<bool> probeConnection(CacheServices& services)
{
    const QString url =
        services.cache.TestURLIsHomePage ? services.doc.HomeURL : services.cache.TestURL;
    if (isLocalTestAddress(url))
        return true;
    // The maker's address is a reserved name: asking it would only ever fail.
    if (QUrl(url).host().compare(QLatin1String("glasspane.example"), Qt::CaseInsensitive) == 0)
        return services.internet.connectedState() != 0;
    OnlineForAWhile online(services.internet);
    DownloadRequest request = boundedRequest(services, url);
    request.discardBody = true;
    const DownloadResult result = services.internet.download(request);
    if (result.abandoned)
        return std::nullopt;
    // Any answer of the server shows that the network is there.
    return result.ok || result.status > 0;
}

} // namespace

bool CheckConnection(CacheServices& services)
{
    CacheState& cache = services.cache;
    const QDateTime now = services.clock.now();
    const QDateTime& next = services.update.NextUpdate;
    // A due update deserves a fresh look at the network.
    if (next.isValid() && next < now && cache.LastConnectionCheck.isValid() &&
        cache.LastConnectionCheck < next)
        cache.LastConnectionCheck = QDateTime();
    if (!cache.LastConnectionCheck.isValid()) {
        const bool previous = cache.Connected;
        cache.LastConnectionCheck = now;
        const int flags = services.internet.connectedState();
        cache.ConnectionFlags = flags;
        cache.Connected = flags != 0;
        bool test;
        if (flags & ConnectionFlag::Modem)
            test = (flags & ConnectionFlag::ModemBusy) != 0;
        else
            test = (flags & (ConnectionFlag::Lan | ConnectionFlag::Proxy)) != 0;
        if (test) {
            if (const std::optional<bool> answer = probeConnection(services)) {
                cache.Connected = *answer;
            } else {
                // No answer: the last one stands, and the next request asks again.
                cache.Connected = previous;
                cache.LastConnectionCheck = QDateTime();
            }
        }
    }
    return cache.Connected;
}

bool TestConnection(CacheServices& services)
{
    return probeConnection(services).value_or(services.cache.Connected);
}

bool GetFileTimes(const QString& path, QDateTime* created, QDateTime* accessed, QDateTime* written)
{
    const QFileInfo info(LocalPath(path));
    if (!info.isFile())
        return false;
    if (created)
        *created = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
    if (accessed)
        *accessed = info.lastRead();
    if (written)
        *written = info.lastModified();
    return true;
}

bool SetFileTimes(const QString& path, const QDateTime& created, const QDateTime& accessed,
                  const QDateTime& written)
{
    Q_UNUSED(created); // no Linux file system lets it be set
    QFile file(LocalPath(path));
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return false;
    bool ok = true;
    if (accessed.isValid())
        ok = file.setFileTime(accessed, QFileDevice::FileAccessTime) && ok;
    if (written.isValid())
        ok = file.setFileTime(written, QFileDevice::FileModificationTime) && ok;
    return ok;
}

bool CopyFile(const QString& from, const QString& to)
{
    if (from.isEmpty() || to.isEmpty())
        return false;
    const QString source = LocalPath(from);
    const QString target = LocalPath(to);
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return QFileInfo(source).isFile();
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    WholeFile out(target);
    if (!out.open())
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!out.write(buffer, n))
            return false;
    }
    const QDateTime written = QFileInfo(source).lastModified();
    if (!out.commit())
        return false;
    SetFileTimes(target, QDateTime(), QDateTime(), written);
    return true;
}

} // namespace glasspane
