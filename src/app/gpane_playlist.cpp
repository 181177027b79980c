#include "app/gpane_playlist.h"

#include "document/document.h"
#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/page_variables.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/text.h"
#include "platform/internet.h"
#include "platform/linux/curl_internet.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/reg_hive_registry.h"
#include "platform/linux/system_clock.h"
#include "platform/online_state.h"
#include "platform/shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>
#include <memory>
#include <optional>

namespace glasspane {

namespace {

// The settings as the show would see them, with every change refused: the listing must leave
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

// The desktop's folders where the show finds them, never created, and no recent documents.
class ReadOnlyShell final : public Shell
{
public:
    QString folder(Folder which) override
    {
        switch (which) {
        case Folder::Documents:
            return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        case Folder::Favorites:
            // Where the desktop shell keeps the favourites.
            return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/glasspane/Favorites");
        default:
            return QString();
        }
    }
    void addRecentDocument(const QString&) override {}
    QStringList openCommand(const QString&) override { return {}; }
    bool openExternally(const QString&) override { return false; }
};

// Downloads a web address into scratch and gives its text; "" on failure.
QString fetchText(Internet& internet, const QTemporaryDir& scratch, const QString& address,
                  int serial)
{
    if (!scratch.isValid())
        return QString();
    DownloadRequest request;
    request.url = address;
    request.targetFile = scratch.filePath(QStringLiteral("fetch%1").arg(serial));
    const DownloadResult result = internet.download(request);
    if (!result.ok)
        return QString();
    QFile file(request.targetFile);
    const QString text = file.open(QIODevice::ReadOnly) ? DecodeText(file.readAll()) : QString();
    file.remove();
    return text;
}

QString flagsOf(const PlayEntry& entry, const DocumentState& doc)
{
    QString flags;
    if (entry.Cached)
        flags += QLatin1Char('C');
    if (entry.SeparateProc)
        flags += QLatin1Char('S');
    if (entry.SourcePage > 0 && entry.SourcePage < doc.PageList.size() &&
        doc.PageList.at(entry.SourcePage).Var1Type == VarInvisible)
        flags += QLatin1Char('H');
    return flags.isEmpty() ? QStringLiteral("-") : flags;
}

// One line per entry, whatever the address holds.
QString printable(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

int usage(QTextStream& err)
{
    err << "usage: gpane playlist DOCUMENT | gpane playlist --default\n";
    err.flush();
    return 2;
}

} // namespace

int RunPlaylist(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().isEmpty())
        return usage(err);
    const QString argument = arguments.first();

    QTemporaryDir scratch;
    RegHiveRegistry hives;
    ReadOnlyRegistry registry(hives);
    ReadOnlyShell shell;
    LinuxSystem system;
    SystemClock clock;
    IniFiles ini;
    ProgramValues program;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        program.resourceFolder = runtime + QStringLiteral("/Gpane");
    program.startFolder = AddBackslash(QDir::currentPath());
    program.programPath = QCoreApplication::applicationFilePath();
    SettingsStore settings(registry, ini, program, system);
    settings.ReadRegKeyRoot();

    // The network is reached only for web documents and web value files.
    std::optional<CurlGlobal> curl;
    OnlineState online;
    std::unique_ptr<CurlInternet> internet;
    auto network = [&]() -> Internet& {
        if (!internet) {
            curl.emplace();
            internet = std::make_unique<CurlInternet>(online);
        }
        return *internet;
    };
    int serial = 0;

    DocumentState doc;
    DocumentServices services{ini,   settings, program, shell,   registry,
                              clock, nullptr,  nullptr, nullptr, nullptr};
    services.fetchValueFile = [&](PageEntry&, const QString& source) -> QString {
        QString path = source.trimmed();
        if (IsWebAddress(path))
            return fetchText(network(), scratch, path, ++serial);
        if (path.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
            path = QUrl(path).toLocalFile();
        else
            path = ResolvePath(path, program);
        return ReadTextFile(path);
    };

    QString documentPath;
    QString documentName;
    if (argument == QLatin1String("--default")) {
        if (!scratch.isValid()) {
            err << "gpane: no temporary folder for the default document\n";
            err.flush();
            return 2;
        }
        documentPath = scratch.filePath(QStringLiteral("Gpane.GPN"));
        program.documentPath = documentPath;
        if (!WriteDefaultDocument(services, doc, documentPath)) {
            err << "gpane: cannot write the default document\n";
            err.flush();
            return 2;
        }
        documentName = QString::fromLatin1(kResourceDocumentName);
    } else if (argument.startsWith(QLatin1Char('-'))) {
        return usage(err);
    } else if (IsWebAddress(argument)) {
        documentName = argument;
        documentPath = scratch.filePath(QStringLiteral("Cached.GPN"));
        DownloadRequest request;
        request.url = argument;
        request.targetFile = documentPath;
        const DownloadResult result =
            scratch.isValid() ? network().download(request) : DownloadResult();
        if (!result.ok || !QFile::exists(documentPath)) {
            err << "gpane: cannot fetch the document " << argument << ": "
                << (result.error.isEmpty() ? QStringLiteral("empty") : result.error) << '\n';
            err.flush();
            return 2;
        }
    } else {
        documentPath = argument;
        if (documentPath.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
            documentPath = QUrl(documentPath).toLocalFile();
        documentPath = LocalPath(documentPath);
        documentName = documentPath;
    }

    const QFileInfo info(documentPath);
    if (!info.isFile() || !info.isReadable()) {
        err << "gpane: cannot read the document " << argument << '\n';
        err.flush();
        return 2;
    }

    program.documentName = documentName;
    LoadOptions options;
    options.expand = true;
    options.mode = LoadMode::ReadOnly;
    if (!LoadDocument(services, doc, documentPath, documentName, options)) {
        err << "gpane: cannot read the document " << argument << '\n';
        err.flush();
        return 2;
    }

    for (int i = 1; i < doc.PlayList.size(); ++i) {
        const PlayEntry& entry = doc.PlayList.at(i);
        const qint32 time = entry.DefaultTime ? doc.DefaultTime : entry.Time;
        out << time << '\t' << flagsOf(entry, doc) << '\t' << printable(entry.URL) << '\n';
    }
    out.flush();
    return 0;
}

} // namespace glasspane
