#include "app/gpane_document.h"

#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/page_cache.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/update_policy.h"
#include "platform/internet.h"
#include "platform/linux/curl_internet.h"
#include "platform/linux/gio_shares.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/reg_hive_registry.h"
#include "platform/linux/system_clock.h"
#include "platform/online_state.h"
#include "platform/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

namespace glasspane {

namespace {

// The settings as the show would see them, with every change refused: a listing must leave
// no trace.
class ReadOnlyRegistry final : public Registry
{
public:
    explicit ReadOnlyRegistry(Registry& base) : m_base(base) {}

    long queryValue(RegRoot root, const QString& subKey, const QString& name,
                    RegValue* value) override
    {
        return m_base.queryValue(root, subKey, name, value);
    }
    long setValue(RegRoot, const QString&, const QString&, const RegValue&) override
    {
        return RegStatus::AccessDenied;
    }
    long deleteValue(RegRoot, const QString&, const QString&) override
    {
        return RegStatus::AccessDenied;
    }
    bool keyExists(RegRoot root, const QString& subKey) override
    {
        return m_base.keyExists(root, subKey);
    }
    long createKey(RegRoot, const QString&) override { return RegStatus::AccessDenied; }
    long deleteKey(RegRoot, const QString&) override { return RegStatus::AccessDenied; }
    QStringList valueNames(RegRoot root, const QString& subKey) override
    {
        return m_base.valueNames(root, subKey);
    }
    QStringList subKeyNames(RegRoot root, const QString& subKey) override
    {
        return m_base.subKeyNames(root, subKey);
    }

private:
    Registry& m_base;
};

// The adapter's downloads, each answer kept by address, so that what went wrong can be said.
class RecordingInternet final : public Internet
{
public:
    explicit RecordingInternet(Internet& base) : m_base(base) {}

    DownloadResult download(const DownloadRequest& request) override
    {
        const DownloadResult result = m_base.download(request);
        m_results.insert(request.url, result);
        return result;
    }
    void setClosing(bool closing) override { m_base.setClosing(closing); }
    bool isOffline() const override { return m_base.isOffline(); }
    void setOffline(bool offline) override { m_base.setOffline(offline); }
    int connectedState() override { return m_base.connectedState(); }
    void setUserAgent(const QString& agent) override { m_base.setUserAgent(agent); }

    QString problem(const QString& url) const
    {
        const auto it = m_results.constFind(url);
        if (it == m_results.constEnd() || it->ok)
            return QString();
        if (it->status >= 400)
            return QStringLiteral("the server answered HTTP %1").arg(it->status);
        return it->error.isEmpty() ? QStringLiteral("the download failed") : it->error;
    }

private:
    Internet& m_base;
    QHash<QString, DownloadResult> m_results;
};

// The desktop's folders where the show finds them, never created, and no recent documents.
// cacheFolder stands for the user's cache folder when given.
class ReadOnlyShell final : public Shell
{
public:
    explicit ReadOnlyShell(QString cacheFolder = QString()) : m_cache(std::move(cacheFolder)) {}

    QString folder(Folder which) override
    {
        const auto own = [](QStandardPaths::StandardLocation location) -> QString {
            return QStandardPaths::writableLocation(location) + QStringLiteral("/glasspane");
        };
        switch (which) {
        case Folder::Documents:
            return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        case Folder::Favorites:
            return own(QStandardPaths::GenericDataLocation) + QStringLiteral("/Favorites");
        case Folder::Cache:
            return m_cache.isEmpty() ? own(QStandardPaths::GenericCacheLocation) : m_cache;
        default:
            return QString();
        }
    }
    void addRecentDocument(const QString&) override {}
    QStringList openCommand(const QString&) override { return {}; }
    bool openExternally(const QString&) override { return false; }

private:
    QString m_cache;
};

} // namespace

struct GpaneDocument::Parts
{
    QTemporaryDir scratch;
    RegHiveRegistry hives;
    ReadOnlyRegistry registry{hives};
    ReadOnlyShell shell;
    ReadOnlyShell scratchShell{scratch.filePath(QStringLiteral("cache"))};
    LinuxSystem system;
    SystemClock clock;
    IniFiles ini;
    ProgramValues program;
    SettingsStore settings{registry, ini, program, system};
    CurlGlobal curl;
    OnlineState online;
    CurlInternet curlInternet{online};
    RecordingInternet internet{curlInternet};
    GioShares gio;
    NetworkDrives drives{gio};
    DocumentState doc;
    CacheState cache;        // as the show would read it
    CacheState scratchCache; // the same, with the cache folder in scratch
    UpdateState update;
    CacheServices showCache{internet, shell, clock, settings, program, doc, cache, update, {}};
    CacheServices fetches{internet, scratchShell, clock,  settings, program,
                          doc,      scratchCache, update, {}};
    DocumentServices services{ini,   settings,  program, shell, registry,
                              clock, &internet, {},      {},    {}};
    QString file;
    QString name;

    ~Parts() { drives.DisconnectAllShares(); }

    // The cache and update settings, read as the show reads them before it loads the
    // document: from the document's file already.
    void readSettings(const QString& documentFile)
    {
        program.documentPath = documentFile;
        ReadCacheSettings(settings, cache);
        ReadUpdateSettings(settings, update, 300);
        scratchCache = cache;
        scratchCache.CachePathIsWindowsTemp = true;
    }

    // Fetches a value file as the show would (FetchPage), on a scratch copy of the cache: the
    // copy the show holds is used, a newer one is fetched when the update policy would let the
    // show go on-line, and the user's cache is left as it is.
    QString fetchValueFile(PageEntry& entry, const QString& source)
    {
        if (IsCacheableAddress(source)) {
            const QString name = CacheFileName(source);
            const QString held = CachePath(showCache) + QLatin1Char('/') + name;
            const QString copy = CachePath(fetches) + QLatin1Char('/') + name;
            QDir().mkpath(CachePath(fetches));
            if (QFileInfo(held).isFile() && !QFileInfo::exists(copy))
                (void)CopyFile(held, copy);
        }
        return FetchPage(fetches, entry, source, true);
    }
};

GpaneDocument::GpaneDocument() : d(std::make_unique<Parts>())
{
    ProgramValues& program = d->program;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        program.resourceFolder = runtime + QStringLiteral("/Gpane");
    program.startFolder = AddBackslash(QDir::currentPath());
    program.programPath = QCoreApplication::applicationFilePath();
    program.productVersionText = QCoreApplication::applicationName();
    d->settings.ReadRegKeyRoot();
    d->services.drives = &d->drives;
    // Pages are listed as the document names them, not as mount folders that go at the end.
    d->services.pagesFromMounts = false;
    d->services.fetchValueFile = [this](PageEntry& entry, const QString& source) {
        return d->fetchValueFile(entry, source);
    };
}

GpaneDocument::~GpaneDocument() = default;

DocumentState& GpaneDocument::doc()
{
    return d->doc;
}

DocumentServices& GpaneDocument::services()
{
    return d->services;
}

ProgramValues& GpaneDocument::program()
{
    return d->program;
}

IniFiles& GpaneDocument::ini()
{
    return d->ini;
}

QString GpaneDocument::file() const
{
    return d->file;
}

QString GpaneDocument::name() const
{
    return d->name;
}

LocalPages GpaneDocument::localPages() const
{
    return LocalPages{d->program.resourceFolder, CachePath(d->showCache)};
}

QString GpaneDocument::fetchProblem(const QString& address) const
{
    return d->internet.problem(address);
}

QSet<QString> GpaneDocument::builtInFiles()
{
    QSet<QString> names;
    QFile index(QStringLiteral(":/gpane/res.txt"));
    if (!index.open(QIODevice::ReadOnly))
        return names;
    const QStringList lines = QString::fromUtf8(index.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines.mid(1)) {
        const QString name = line.section(QLatin1Char('\t'), 1, 1).trimmed();
        if (!name.isEmpty())
            names.insert(name.toLower());
    }
    return names;
}

bool GpaneDocument::load(const QString& argument, QTextStream& err)
{
    auto fail = [&err](const QString& line) {
        err << "gpane: " << line << '\n';
        err.flush();
        return false;
    };
    ProgramValues& program = d->program;
    if (argument == QLatin1String("--default")) {
        d->name = QString::fromLatin1(kResourceDocumentName);
        program.documentName = d->name;
        d->readSettings(QString());
        LoadDefaultDocument(d->services, d->doc, true);
        LoadUpdateBookkeeping(d->showCache);
        return true;
    }

    QString path;
    if (IsWebAddress(argument)) {
        // Fetched as the show fetches it; when that fails the show uses the copy it keeps.
        d->name = argument;
        path = d->scratch.filePath(QStringLiteral("Cached.GPN"));
        DownloadRequest request;
        request.url = argument;
        request.targetFile = path;
        const DownloadResult result =
            d->scratch.isValid() ? d->internet.download(request) : DownloadResult();
        if (!result.ok || !QFileInfo::exists(path)) {
            const QString kept =
                DocumentsFolder(d->registry, d->shell) + QStringLiteral("Cached.GPN");
            if (!QFileInfo(kept).isFile())
                return fail(QStringLiteral("cannot fetch the document %1: %2")
                                .arg(argument, result.error.isEmpty() ? QStringLiteral("empty")
                                                                      : result.error));
            err << "gpane: cannot fetch the document " << argument << " ("
                << (result.error.isEmpty() ? QStringLiteral("empty") : result.error)
                << "); the copy the show keeps is listed: " << kept << '\n';
            err.flush();
            path = kept;
        }
    } else {
        path = argument.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)
                   ? LocalPathOfFileUrl(argument)
                   : argument;
        path = AbsoluteDocumentPath(LocalPath(path), program.startFolder);
        d->name = path;
        if (IsNetworkPath(path)) {
            const QString disk = d->drives.diskPath(path);
            if (disk.isEmpty())
                return fail(
                    QStringLiteral("cannot reach the network share of the document %1").arg(path));
            path = disk;
        }
    }

    const QFileInfo info(path);
    QFile file(path);
    if (!info.exists())
        return fail(
            QStringLiteral("cannot read the document %1: No such file or directory").arg(d->name));
    if (!info.isFile())
        return fail(QStringLiteral("cannot read the document %1: it is a folder").arg(d->name));
    if (!file.open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("cannot read the document %1: %2").arg(d->name, file.errorString()));
    file.close();

    d->file = path;
    program.documentName = d->name;
    d->readSettings(path);
    LoadOptions options;
    options.expand = true;
    options.mode = LoadMode::ReadOnly;
    if (!LoadDocument(d->services, d->doc, path, d->name, options))
        return fail(QStringLiteral("cannot read the document %1").arg(d->name));
    LoadUpdateBookkeeping(d->showCache);
    return true;
}

} // namespace glasspane
