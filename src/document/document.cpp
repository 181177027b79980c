#include "document/document.h"

#include "document/busy_scope.h"
#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/page_cache.h"
#include "document/page_variables.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/text.h"
#include "platform/clock.h"
#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

namespace glasspane {

namespace {

// Keys of the page, include and exclude sections. These are keys of the document format
// itself, not options, so they are not in the settings catalogue.
const QString kUrlKey = QStringLiteral("URL");
const QString kPageDefaultTimeKey = QStringLiteral("DefaultTime");
const QString kTimeKey = QStringLiteral("Time");
const QString kCachedKey = QStringLiteral("Cached");
const QString kSeparateProcKey = QStringLiteral("SeparateProc");
const QString kVar1TypeKey = QStringLiteral("Var1Type");
const QString kVar1SourceKey = QStringLiteral("Var1Source");
const QString kVar1ParamKey = QStringLiteral("Var1Param");
const QString kVar1CaseSensitiveKey = QStringLiteral("Var1CaseSensitive");
const QString kVar1SubDirectoriesKey = QStringLiteral("Var1SubDirectories");

const QString kPageSection = QStringLiteral("Page");
const QString kIncludeSection = QStringLiteral("Include");
const QString kExcludeSection = QStringLiteral("Exclude");
const QString kAboutSection = QStringLiteral("About");
const QString kToolNavUrlSection = QStringLiteral("ToolNavURL");

const char* const kToolRunNames[] = {"Play", "Pause",  "Previous",   "Next",
                                     "Quit", "Config", "Navigation", "Help"};
const char* const kToolNavNames[] = {"Back", "Forward", "Stop", "Reload", "Home", "Play",
                                     "Quit", "Config",  "Help", "Grab",   "Print"};

// What a page, include or exclude section is: its name begins with the word, whatever
// follows.
bool isSectionOf(const QString& name, const QString& word)
{
    return name.startsWith(word, Qt::CaseInsensitive);
}

QStringList sectionNames(const QString& sectionList)
{
    return SplitList(sectionList, kSectionListMark);
}

QVector<ToolButton> makeButtons(const char* const* names, int count)
{
    QVector<ToolButton> buttons;
    buttons.reserve(count);
    for (int i = 0; i < count; ++i) {
        ToolButton b;
        b.Name = QString::fromLatin1(names[i]);
        b.HelpTip = b.Name;
        b.Index = qint16(i);
        b.Position = qint16(i);
        buttons.append(b);
    }
    return buttons;
}

QString aboutAddress(const char* path)
{
    return QStringLiteral("    ") + QString::fromLatin1(kMakerSiteAddress) +
           QString::fromLatin1(path);
}

ExpansionContext expansionContext(DocumentServices& services)
{
    ExpansionContext context;
    context.VarSubst = services.settings.read(keys::VarSubst);
    context.resourceFolder = services.program.resourceFolder;
    context.favoritesFolder = FavoritesFolder(services.registry, services.shell);
    context.program = &services.program;
    context.drives = services.drives;
    context.beginBusy = services.beginBusy;
    context.endBusy = services.endBusy;
    if (services.fetchValueFile) {
        // Value files on a network share are read through the share's mount.
        NetworkDrives* drives = services.drives;
        context.fetchValueFile = [fetch = services.fetchValueFile, drives](PageEntry& entry,
                                                                           const QString& source) {
            if (IsNetworkPath(source.trimmed()))
                return drives ? drives->ReadTextFile(source.trimmed()) : QString();
            return fetch(entry, source);
        };
    } else {
        // Local value files, found as every other path of the document is.
        const ProgramValues& program = services.program;
        NetworkDrives* drives = services.drives;
        context.fetchValueFile = [&program, drives](PageEntry&, const QString& source) {
            QString path = source.trimmed();
            if (IsNetworkPath(path))
                return drives ? drives->ReadTextFile(path) : QString();
            if (path.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
                path = LocalPathOfFileUrl(path);
            } else {
                path = ResolvePath(path, program);
            }
            if (IsWebAddress(path))
                return QString();
            return ReadTextFile(path);
        };
    }
    return context;
}

void readToolNavUrl(DocumentServices& services, DocumentState& doc)
{
    doc.ToolNavURLVisible = services.settings.read(kToolNavUrlSection, keys::Visible, true);
}

// Loads the [Gpane] values, lists, buttons and pages of the file now in program.documentPath.
void loadContents(DocumentServices& services, DocumentState& doc, bool expand)
{
    SettingsStore& settings = services.settings;
    const ProgramValues& program = services.program;

    // The new document's places first: the [Gpane] values it lacks are looked for where its
    // own parameters live, not where the previous document kept them.
    settings.ReadLocations();

    doc.HomeURL = ResolvePath(settings.read(keys::HomeURL, QString()).trimmed(), program);
    doc.AutoHome = settings.read(keys::AutoHome, false);
    doc.HomeAsSplash = settings.read(keys::HomeAsSplash, false);
    if (doc.HomeURL.isEmpty()) {
        doc.HomeURL = QStringLiteral("about:blank");
        doc.HomeAsSplash = false;
    }
    doc.AutoLoop = settings.read(keys::AutoLoop, true);
    doc.DefaultTime = settings.read(keys::DefaultTime, 10);
    doc.FirstPage = services.ini
                        .ReadIni(settings.sectionOf(program.machineKeyPath),
                                 settingName(Setting::FirstPage), program.documentPath)
                        .trimmed();

    // The lists come before the pages: expansion filters with them.
    LoadIncludeList(services, doc);
    LoadExcludeList(services, doc);

    LoadPageList(services, doc, expand);

    doc.ToolRunButtons = DefaultToolRunButtons();
    doc.ToolNavButtons = DefaultToolNavButtons();
    ReadButtons(services, doc.ToolNavButtons, 0, ToolNavCount - 1,
                QString::fromLatin1(kToolNavWord));
    ReadButtons(services, doc.ToolRunButtons, 0, ToolRunCount - 1,
                QString::fromLatin1(kToolRunWord));
    readToolNavUrl(services, doc);

    doc.ConfigChanged = false;
}

} // namespace

QStringList PageKeyNames()
{
    return {kUrlKey,
            kPageDefaultTimeKey,
            kTimeKey,
            kCachedKey,
            kSeparateProcKey,
            kVar1TypeKey,
            kVar1SourceKey,
            kVar1ParamKey,
            kVar1CaseSensitiveKey,
            kVar1SubDirectoriesKey};
}

QVector<ToolButton> DefaultToolRunButtons()
{
    return makeButtons(kToolRunNames, ToolRunCount);
}

QVector<ToolButton> DefaultToolNavButtons()
{
    return makeButtons(kToolNavNames, ToolNavCount);
}

void NewDocument(DocumentState& doc)
{
    doc.HomeURL.clear();
    doc.AutoLoop = true;
    doc.AutoHome = false;
    doc.HomeAsSplash = false;
    doc.DefaultTime = 10;
    doc.FirstPage.clear();
    doc.PageList = {PageEntry()};
    doc.PlayList = {PlayEntry()};
    doc.IncludeList.clear();
    doc.ExcludeList.clear();
    doc.SectionList.clear();
    doc.IsDefaultDocument = false;
    doc.ConfigChanged = false;
}

QByteArray DefaultDocumentText(const ProgramValues& program)
{
    const QString home =
        MakeRelativePath(program.resourceFolder + QStringLiteral("/index.html"), program);
    const QStringList lines = {
        QStringLiteral("[Gpane]"),
        QStringLiteral("HomeURL=") + home,
        QString(),
        QStringLiteral("[Page1]"),
        QStringLiteral("URL=$$"),
        QStringLiteral("Var1Type=4"),
        QStringLiteral("Var1SubDirectories=Yes"),
        QString(),
        QStringLiteral("[Page2]"),
        QStringLiteral("URL=glass-pane.html"),
        QString(),
        QStringLiteral("[Page3]"),
        QStringLiteral("URL=link.html"),
        QString(),
        QStringLiteral("[Page4]"),
        QStringLiteral("URL=documentation.html"),
        QString(),
        QStringLiteral("[Page5]"),
        QStringLiteral("URL=powerpoint.html"),
        QString(),
    };
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + '\n';
    return bytes;
}

static const QString kDefaultSectionList =
    QStringLiteral("Gpane\nPage1\nPage2\nPage3\nPage4\nPage5\n");

// Writes the default document's text into path, atomically.
static bool writeDefaultFile(DocumentServices& services, const QString& path)
{
    const QByteArray bytes = DefaultDocumentText(services.program);
    // Forget any parsed copy first, so that nothing pending is written over the new file.
    (void)services.ini.FlushIni(path);
    QString error;
    if (!WriteWholeFile(LocalPath(path), bytes, &error)) {
        qCWarning(lcDocument, "cannot write the default document into %s (%s)",
                  qUtf8Printable(path), qUtf8Printable(error));
        return false;
    }
    return services.ini.FlushIni(path);
}

bool WriteDefaultDocument(DocumentServices& services, DocumentState& doc,
                          const QString& documentPath)
{
    if (IsNetworkPath(documentPath)) {
        // Only its place in the share's mount folder can be written.
        qCWarning(lcDocument,
                  "cannot reach the network share of %s; the default document is not "
                  "written there",
                  qUtf8Printable(documentPath));
        return false;
    }
    const QFileInfo info(LocalPath(documentPath));
    if (services.ini.isReadOnly(documentPath)) {
        qCWarning(lcDocument, "%s is left as it is: the default document is not written there",
                  qUtf8Printable(documentPath));
        return false;
    }
    if (info.exists()) {
        QFile existing(info.filePath());
        if (!info.isFile() || !existing.open(QIODevice::ReadOnly)) {
            // What it holds is unknown: it is never replaced.
            qCWarning(lcDocument, "cannot read %s (%s); the default document is not written there",
                      qUtf8Printable(documentPath),
                      qUtf8Printable(info.isFile() ? existing.errorString()
                                                   : QStringLiteral("it is a folder")));
            return false;
        }
    } else {
        qCWarning(lcDocument,
                  "the document %s does not exist (No such file or directory); the built-in "
                  "default document is written there",
                  qUtf8Printable(documentPath));
    }
    if (!writeDefaultFile(services, documentPath))
        return false;
    doc.SectionList = kDefaultSectionList;
    return true;
}

void LoadDefaultDocument(DocumentServices& services, DocumentState& doc, bool expand)
{
    ProgramValues& program = services.program;
    const QString documentPath = program.documentPath;
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Gpane.GPN"));
    if (scratch.isValid() && writeDefaultFile(services, path)) {
        program.documentPath = path;
        doc.SectionList = kDefaultSectionList;
        loadContents(services, doc, expand);
        (void)services.ini.FlushIni(path);
    } else {
        NewDocument(doc);
    }
    program.documentPath = documentPath;
}

// The non-empty URLs of the document's sections named word (Include or Exclude), in order.
static QStringList loadList(DocumentServices& services, const DocumentState& doc,
                            const QString& word)
{
    QStringList list;
    for (const QString& section : sectionNames(doc.SectionList)) {
        if (!isSectionOf(section, word))
            continue;
        const QString url =
            services.ini.ReadIni(section, kUrlKey, services.program.documentPath).trimmed();
        if (!url.isEmpty())
            list.append(url);
    }
    return list;
}

void LoadIncludeList(DocumentServices& services, DocumentState& doc)
{
    doc.IncludeList = loadList(services, doc, kIncludeSection);
}

void LoadExcludeList(DocumentServices& services, DocumentState& doc)
{
    doc.ExcludeList = loadList(services, doc, kExcludeSection);
}

void LoadPageList(DocumentServices& services, DocumentState& doc, bool expand)
{
    IniFiles& ini = services.ini;
    const ProgramValues& program = services.program;
    const QString& file = program.documentPath;

    const PageEntry documentEntry = doc.PageList.isEmpty() ? PageEntry() : doc.PageList.first();
    doc.PageList = {documentEntry};
    // The keys of a page section, read in one go; their places in PageKeyNames().
    static const QStringList keys = PageKeyNames();
    enum { Url, DefaultTime, Time, Cached, SeparateProc, Type, Source, Param, Case, SubDirs };
    for (const QString& section : sectionNames(doc.SectionList)) {
        if (!isSectionOf(section, kPageSection))
            continue;
        const QStringList values = ini.ReadIniKeys(section, keys, file);
        const QString url = ResolvePath(values.at(Url).trimmed(), program);
        if (url.isEmpty())
            continue;
        PageEntry page;
        page.URL = url;
        page.Section = section;
        page.DefaultTime = ToBool(values.at(DefaultTime), true);
        page.Time = ToLong(values.at(Time), doc.DefaultTime);
        page.Var1Type = ToInt(values.at(Type), 0);
        // Empty and absent read alike; an empty one is not written back.
        page.Var1Source = values.at(Source).isEmpty() ? QString() : values.at(Source);
        page.Var1Param = values.at(Param).isEmpty() ? QString() : values.at(Param);
        page.Var1CaseSensitive = IsTrueWord(values.at(Case));
        page.Var1SubDirectories = IsTrueWord(values.at(SubDirs));
        page.Cached = ToBool(values.at(Cached), false);
        page.SeparateProc = ToBool(values.at(SeparateProc), true);
        doc.PageList.append(page);
    }
    if (expand) {
        if (doc.PlayList.isEmpty())
            doc.PlayList.resize(1);
        ExpandPageList(doc.PageList, doc.PlayList, doc.IncludeList, doc.ExcludeList,
                       expansionContext(services));
        // The browser opens pages of a network share in the share's mount folder.
        if (services.drives && services.pagesFromMounts) {
            for (int i = 1; i < doc.PlayList.size(); ++i) {
                PlayEntry& entry = doc.PlayList[i];
                if (!IsNetworkPath(entry.URL))
                    continue;
                const QString disk = services.drives->diskPath(entry.URL);
                if (!disk.isEmpty())
                    entry.URL = disk;
            }
        }
    }
}

bool SavePageList(DocumentServices& services, const DocumentState& doc)
{
    IniFiles& ini = services.ini;
    const QString& file = services.program.documentPath;
    bool ok = true;
    for (int i = 1; i < doc.PageList.size(); ++i) {
        const PageEntry& page = doc.PageList.at(i);
        const QString section = kPageSection + QString::number(i);
        ok &= ini.WriteIni(section, kUrlKey, MakeRelativePath(page.URL, services.program), file);
        ok &= ini.WriteIni(section, kPageDefaultTimeKey, BoolText(page.DefaultTime), file);
        ok &= ini.WriteIni(section, kTimeKey, QString::number(page.Time), file);
        ok &= ini.WriteIni(section, kCachedKey, BoolText(page.Cached), file);
        ok &= ini.WriteIni(section, kSeparateProcKey, BoolText(page.SeparateProc), file);
        ok &= ini.WriteIni(section, kVar1TypeKey, QString::number(page.Var1Type), file);
        // A null source or parameter removes the key.
        ok &= ini.WriteIni(section, kVar1SourceKey, page.Var1Source, file);
        ok &= ini.WriteIni(section, kVar1ParamKey, page.Var1Param, file);
        ok &= ini.WriteIni(section, kVar1CaseSensitiveKey, BoolText(page.Var1CaseSensitive), file);
        ok &=
            ini.WriteIni(section, kVar1SubDirectoriesKey, BoolText(page.Var1SubDirectories), file);
    }
    return ok;
}

static bool saveList(DocumentServices& services, const QStringList& list, const QString& word)
{
    bool ok = true;
    for (int i = 0; i < list.size(); ++i) {
        ok &= services.ini.WriteIni(word + QString::number(i + 1), kUrlKey, list.at(i),
                                    services.program.documentPath);
    }
    return ok;
}

bool SaveIncludeList(DocumentServices& services, const DocumentState& doc)
{
    return saveList(services, doc.IncludeList, kIncludeSection);
}

bool SaveExcludeList(DocumentServices& services, const DocumentState& doc)
{
    return saveList(services, doc.ExcludeList, kExcludeSection);
}

void ReadButtons(DocumentServices& services, QVector<ToolButton>& buttons, int first, int last,
                 const QString& toolbarWord)
{
    SettingsStore& settings = services.settings;
    first = qMax(first, 0);
    last = qMin(last, int(buttons.size()) - 1);
    for (int i = first; i <= last; ++i) {
        ToolButton& button = buttons[i];
        const QString section = toolbarWord + button.Name;
        const QString tip = settings.read(section, keys::HelpTip);
        if (!tip.isEmpty())
            button.HelpTip = tip;
        button.Icon = ResolvePath(settings.read(section, keys::Icon), services.program);
        button.IconDown = ResolvePath(settings.read(section, keys::IconDown), services.program);
        button.Visible = settings.read(section, keys::Visible, true);
        button.Index = qint16(i);
        button.Position = settings.read(section, keys::Position, qint16(i));
    }
}

bool WriteButtons(DocumentServices& services, const QVector<ToolButton>& buttons, int first,
                  int last, const QString& toolbarWord)
{
    SettingsStore& settings = services.settings;
    const ProgramValues& program = services.program;
    first = qMax(first, 0);
    last = qMin(last, int(buttons.size()) - 1);
    bool ok = true;
    // Only differences from the built-in button are stored; a value brought back to its
    // built-in state is removed, so that it is not read again.
    auto put = [&]<typename T>(const QString& section, SettingKey<T> key, bool differs,
                               const T& value) {
        ok &= differs ? settings.write(section, key, value) : settings.remove(section, key);
    };
    for (int i = first; i <= last; ++i) {
        const ToolButton& button = buttons.at(i);
        const QString section = toolbarWord + button.Name;
        put(section, keys::HelpTip, button.HelpTip != button.Name, button.HelpTip);
        put(section, keys::Icon, !button.Icon.isEmpty(), MakeRelativePath(button.Icon, program));
        put(section, keys::IconDown, !button.IconDown.isEmpty(),
            MakeRelativePath(button.IconDown, program));
        put(section, keys::Visible, !button.Visible, false);
        put(section, keys::Position, button.Position != i, button.Position);
    }
    return ok;
}

// Says a problem with the document on the log, once for as long as it lasts.
static void reportOnce(DocumentState& doc, const QString& problem)
{
    if (doc.ReportedProblem == problem) {
        qCDebug(lcDocument, "%s", qUtf8Printable(problem));
        return;
    }
    doc.ReportedProblem = problem;
    qCWarning(lcDocument, "%s", qUtf8Printable(problem));
}

bool LoadDocument(DocumentServices& services, DocumentState& doc, const QString& documentPath,
                  const QString& documentName, const LoadOptions& options)
{
    BusyScope busy(services.beginBusy, services.endBusy);
    ProgramValues& program = services.program;
    const bool readOnly = options.mode == LoadMode::ReadOnly;
    const QString reported = doc.ReportedProblem;

    UpdateDefaultDocumentFlag(services, doc, documentPath, documentName);
    if (services.drives)
        services.drives->forgetFailures(); // each load tries a share that failed once more
    QString problem; // the file is not read and never written; the default document is shown
    bool readable = true;
    // The file read and written: a document on a network share in the share's mount folder.
    QString file = documentPath;
    if (IsNetworkPath(documentPath)) {
        file = services.drives ? services.drives->diskPath(documentPath) : QString();
        if (file.isEmpty()) {
            file = documentPath;
            readable = false;
            problem = QStringLiteral("cannot reach the network share of the document %1")
                          .arg(documentPath);
        }
    }
    (void)services.ini.FlushIni(file);
    program.documentPath = file;
    // Whether it is a document is decided afresh at every load.
    if (!readOnly)
        services.ini.setReadOnly(file, false);

    const QString localPath = LocalPath(file);
    const QFileInfo info(localPath);
    bool writeDefault = false;
    if (!readable) {
        if (readOnly) {
            qCWarning(lcDocument, "%s", qUtf8Printable(problem));
            NewDocument(doc);
            return false;
        }
    } else if (info.exists()) {
        QFile opened(localPath);
        if (!info.isFile() || !opened.open(QIODevice::ReadOnly)) {
            readable = false;
            problem = QStringLiteral("cannot read the document %1 (%2)")
                          .arg(documentPath, info.isFile() ? opened.errorString()
                                                           : QStringLiteral("it is a folder"));
            if (readOnly) {
                qCWarning(lcDocument, "%s", qUtf8Printable(problem));
                NewDocument(doc);
                return false;
            }
        } else {
            doc.SectionList = IniFiles::ReadSectionList(file, QString(kSectionListMark));
            const bool gpn =
                Extension(documentPath).compare(QLatin1String("gpn"), Qt::CaseInsensitive) == 0;
            if (!doc.SectionList.isEmpty()) {
                // A document.
            } else if (!gpn) {
                problem = QStringLiteral("%1 is not a document (it holds no [section])")
                              .arg(documentPath);
            } else if (readOnly || opened.readAll().trimmed().isEmpty()) {
                writeDefault = true;
            } else {
                // Whatever the file held is kept beside it rather than lost.
                const QString backup = localPath + QStringLiteral(".bak");
                if (CopyFile(localPath, backup)) {
                    reportOnce(doc, QStringLiteral("the document %1 holds no [section]; its text "
                                                   "is kept in %2 and the built-in default "
                                                   "document is written in its place")
                                        .arg(documentPath, backup));
                    writeDefault = true;
                } else {
                    problem = QStringLiteral("the document %1 holds no [section] and cannot be "
                                             "kept in %2")
                                  .arg(documentPath, backup);
                }
            }
        }
    } else {
        if (readOnly) {
            qCWarning(lcDocument, "no document %s (No such file or directory)",
                      qUtf8Printable(documentPath));
            NewDocument(doc);
            return false;
        }
        MakeDirTree(FolderOf(localPath));
        writeDefault = true;
    }

    // Only documents that opened are offered again.
    auto opened = [&] {
        if (readOnly)
            return;
        AddToRecentFiles(services, documentName);
        AddToShellRecentDocuments(services.shell, documentName);
    };
    if (writeDefault && readOnly) {
        LoadDefaultDocument(services, doc, options.expand);
    } else if (writeDefault && WriteDefaultDocument(services, doc, file)) {
        loadContents(services, doc, options.expand);
        opened();
    } else {
        if (writeDefault)
            problem =
                QStringLiteral("the default document cannot be written into %1").arg(documentPath);
        if (problem.isEmpty()) {
            loadContents(services, doc, options.expand);
            opened();
            if (doc.ReportedProblem == reported)
                doc.ReportedProblem.clear(); // a sound document again
        } else {
            reportOnce(doc, problem + QStringLiteral("; it is left as it is and the built-in "
                                                     "default document is shown"));
            if (!readOnly)
                services.ini.setReadOnly(file, true);
            LoadDefaultDocument(services, doc, options.expand);
        }
    }
    program.documentPath = file;
    return readable;
}

bool SaveDocument(DocumentServices& services, DocumentState& doc, const QString& documentPath,
                  const QString& documentName, const std::function<void()>& writeSettings)
{
    BusyScope busy(services.beginBusy, services.endBusy);
    SettingsStore& settings = services.settings;
    ProgramValues& program = services.program;

    if (services.ini.isReadOnly(documentPath)) {
        qCWarning(lcDocument,
                  "%s is no document this program writes; nothing is saved (save "
                  "the document under another name)",
                  qUtf8Printable(documentPath));
        return false;
    }
    (void)settings.WriteLocations();
    AddToRecentFiles(services, documentName);
    AddToShellRecentDocuments(services.shell, documentName);

    program.documentPath = documentPath;
    PrepareDocumentSource(services, doc);
    const QString file = program.documentPath;

    if (doc.AssociationPending) {
        if (WriteAssociation(services.registry, services.shell, program.programPath))
            doc.AssociationPending = false;
    }

    MakeDirTree(FolderOf(LocalPath(file)));
    IniFiles& ini = services.ini;
    IniFiles::Batch batch(ini, file);
    bool ok = true;

    if (writeSettings)
        writeSettings();

    // [About]
    const QStringList about = {
        QStringLiteral("This is a Glasspane / Roamdeck file"),
        QStringLiteral(" "),
        QStringLiteral("Use this file as a screen saver, get the software at:"),
        aboutAddress("screensaver/"),
        QStringLiteral(" "),
        QStringLiteral("Use this file to create a Web kiosk, get the software at:"),
        aboutAddress("kiosk/"),
    };
    for (int i = 0; i < about.size(); ++i)
        ok &= ini.WriteIni(kAboutSection, QString::number(i + 1), about.at(i), file);

    // The document's own values. They are read back from the document only, so they are kept
    // there even when the parameters live in the registry.
    const QString home = doc.HomeURL;
    ok &= settings.write(keys::HomeURL, MakeRelativePath(home, program));
    ok &= settings.write(keys::AutoHome, doc.AutoHome);
    ok &= settings.write(keys::HomeAsSplash, doc.HomeAsSplash);
    ok &= settings.write(keys::AutoLoop, doc.AutoLoop);
    ok &= settings.write(keys::DefaultTime, doc.DefaultTime);
    if (settings.ParamsLocation() != SettingsLocation::Document) {
        const QString gpane = settings.sectionOf(program.machineKeyPath);
        ok &= ini.WriteIni(gpane, settingName(Setting::HomeURL), MakeRelativePath(home, program),
                           file);
        ok &= ini.WriteIni(gpane, settingName(Setting::AutoHome), BoolText(doc.AutoHome), file);
        ok &= ini.WriteIni(gpane, settingName(Setting::HomeAsSplash), BoolText(doc.HomeAsSplash),
                           file);
        ok &= ini.WriteIni(gpane, settingName(Setting::AutoLoop), BoolText(doc.AutoLoop), file);
        ok &= ini.WriteIni(gpane, settingName(Setting::DefaultTime),
                           QString::number(doc.DefaultTime), file);
    }

    // The page, include and exclude sections in list order, numbered afresh, each with what
    // the section it came from held besides the keys written here.
    const QStringList existing =
        sectionNames(IniFiles::ReadSectionList(file, QString(kSectionListMark)));
    QList<IniFiles::SectionPlan> pagePlan;
    for (int i = 1; i < doc.PageList.size(); ++i)
        pagePlan.append({kPageSection + QString::number(i), doc.PageList.at(i).Section});
    ok &= ini.ArrangeSections(
        file, [](const QString& name) { return isSectionOf(name, kPageSection); }, pagePlan);
    for (const QString& word : {kIncludeSection, kExcludeSection}) {
        const QStringList& list = word == kIncludeSection ? doc.IncludeList : doc.ExcludeList;
        // An entry's section is the first one that holds its prefix.
        QHash<QString, QString> sectionOfPrefix;
        for (const QString& section : existing) {
            if (isSectionOf(section, word)) {
                const QString url = ini.ReadIni(section, kUrlKey, file).trimmed();
                if (!url.isEmpty() && !sectionOfPrefix.contains(url))
                    sectionOfPrefix.insert(url, section);
            }
        }
        QList<IniFiles::SectionPlan> plan;
        for (int i = 0; i < list.size(); ++i)
            plan.append(
                {word + QString::number(i + 1), sectionOfPrefix.take(list.at(i).trimmed())});
        ok &= ini.ArrangeSections(
            file, [&word](const QString& name) { return isSectionOf(name, word); }, plan);
    }
    ok &= SavePageList(services, doc);
    ok &= SaveIncludeList(services, doc);
    ok &= SaveExcludeList(services, doc);

    ok &= WriteButtons(services, doc.ToolRunButtons, 0, ToolRunCount - 1,
                       QString::fromLatin1(kToolRunWord));
    ok &= WriteButtons(services, doc.ToolNavButtons, 0, ToolNavCount - 1,
                       QString::fromLatin1(kToolNavWord));
    ok &= doc.ToolNavURLVisible ? settings.remove(kToolNavUrlSection, keys::Visible)
                                : settings.write(kToolNavUrlSection, keys::Visible, false);

    const bool saved = batch.commit();
    (void)ini.FlushIni(file);
    if (!saved) // the log had the reason from the save itself
        return false;
    for (int i = 1; i < doc.PageList.size(); ++i)
        doc.PageList[i].Section = kPageSection + QString::number(i);
    if (!ok)
        qCWarning(lcDocument, "some values of %s could not be stored", qUtf8Printable(file));

    if (settings.ParamsLocation() == SettingsLocation::Document)
        settings.ClearDocumentParameters();

    doc.SectionList = IniFiles::ReadSectionList(file, QString(kSectionListMark));
    return ok;
}

ExpansionContext ExpansionContextFor(DocumentServices& services)
{
    return expansionContext(services);
}

} // namespace glasspane
