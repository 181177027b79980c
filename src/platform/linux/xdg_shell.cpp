#include "platform/linux/xdg_shell.h"

#include "platform/linux/mimeapps_file.h"
#include "platform/linux/xscreensaver_file.h"
#include "platform/log.h"
#include "platform/whole_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cstdlib>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace glasspane {

namespace {

const QString BookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString MimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");

constexpr QFile::Permissions PrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

// Creates a folder and its missing parents, new ones readable by the owner only.
bool makePrivateFolder(const QString& path)
{
    if (QFileInfo(path).isDir())
        return true;
    const QString parent = QFileInfo(path).absolutePath();
    if (parent != path && !makePrivateFolder(parent))
        return false;
    return QDir().mkdir(path, PrivateFolder) || QFileInfo(path).isDir();
}

// A folder only we can enter: ours, no symbolic link, no access for group or others.
bool isPrivateFolder(const QString& path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// The groups and keys of an INI-style freedesktop file (mimeapps.list, .desktop); keys keep
// their spelling, values are raw.
using IniGroups = QHash<QString, QList<std::pair<QString, QString>>>;

IniGroups readIniGroups(const QString& path)
{
    IniGroups groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return groups;
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || group.isEmpty())
            continue;
        groups[group].append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return groups;
}

QString iniValue(const IniGroups& groups, const QString& group, const QString& key,
                 Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    for (const auto& [k, v] : groups.value(group)) {
        if (k.compare(key, cs) == 0)
            return v;
    }
    return {};
}

// The string escapes of desktop entry values.
QString unescapeValue(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        default: // left for the Exec quoting rules (\" \$ \`)
            out += c;
            out += next;
        }
    }
    return out;
}

struct ExecWord
{
    QString text;
    bool quoted = false;
};

bool splitExecWords(const QString& exec, QList<ExecWord>* words)
{
    QList<ExecWord> result;
    ExecWord word;
    bool inWord = false;
    bool inQuote = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuote) {
            if (c == u'"') {
                inQuote = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringView(u"\"`$\\").contains(exec[i + 1])) {
                word.text += exec[++i];
            } else {
                word.text += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord)
                result.append(word);
            word = ExecWord();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'"') {
            inQuote = true;
            word.quoted = true;
        } else if (c == u'\\' && i + 1 < exec.size()) {
            word.text += exec[++i];
        } else {
            word.text += c;
        }
    }
    if (inQuote)
        return false;
    if (inWord)
        result.append(word);
    *words = result;
    return true;
}

bool isFileCode(QChar c)
{
    return c == u'f' || c == u'F' || c == u'u' || c == u'U' || c == u'1';
}

QString findDesktopFile(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(u'/') || !desktopId.endsWith(u".desktop"))
        return {};
    // "vendor-app.desktop" may also live in applications/vendor/app.desktop.
    QStringList relative{desktopId};
    for (qsizetype dash = desktopId.indexOf(u'-'); dash > 0;
         dash = desktopId.indexOf(u'-', dash + 1)) {
        QString candidate = desktopId;
        candidate[dash] = u'/';
        relative.append(candidate);
    }
    for (const QString& base :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        for (const QString& rel : relative) {
            const QString path = base + QStringLiteral("/applications/") + rel;
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}

// The command of a .desktop file for one file; empty when the entry cannot run.
QStringList desktopCommand(const QString& desktopFile, const QString& file)
{
    const IniGroups groups = readIniGroups(desktopFile);
    const QString group = QStringLiteral("Desktop Entry");
    if (iniValue(groups, group, QStringLiteral("Hidden")) == QLatin1String("true"))
        return {};
    const QString exec = iniValue(groups, group, QStringLiteral("Exec"));
    if (exec.isEmpty())
        return {};
    QStringList command = XdgShell::expandExec(unescapeValue(exec), file);
    if (command.isEmpty())
        return {};
    if (!QFileInfo(command.first()).isAbsolute()) {
        const QString program = QStandardPaths::findExecutable(command.first());
        if (program.isEmpty())
            return {};
        command.first() = program;
    }
    return command;
}

// Settings files larger than this are not ours to rewrite.
constexpr qint64 kMaxSettingsFile = 4 * 1024 * 1024;

// Replaces a small settings file of the user's with what change makes of its content (empty
// when it does not exist yet), atomically, keeping its permissions. A file that cannot be read
// (or is too large) is left alone.
bool rewriteFile(const QString& path, const std::function<QByteArray(const QByteArray&)>& change)
{
    QByteArray content;
    QFile current(path);
    if (current.exists()) {
        if (!current.open(QIODevice::ReadOnly) || current.size() > kMaxSettingsFile) {
            qCWarning(lcGlasspane) << "cannot read" << path << current.errorString();
            return false;
        }
        content = current.readAll();
        current.close();
    }
    const QByteArray changed = change(content);
    if (changed == content && current.exists())
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    if (!WriteWholeFile(path, changed, &error)) {
        qCWarning(lcGlasspane, "cannot write %s (%s); it keeps what it held", qUtf8Printable(path),
                  qUtf8Printable(error));
        return false;
    }
    qCDebug(lcGlasspane) << "wrote" << path;
    return true;
}

// The mimeapps.list files, most important first.
QStringList mimeappsFiles()
{
    QStringList desktops;
    for (const QString& d :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops.append(d.toLower());
    QStringList files;
    auto add = [&](const QString& folder) {
        for (const QString& d : std::as_const(desktops))
            files.append(folder + u'/' + d + QStringLiteral("-mimeapps.list"));
        files.append(folder + QStringLiteral("/mimeapps.list"));
    };
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        add(dir);
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        add(dir + QStringLiteral("/applications"));
    return files;
}

QStringList listValue(const IniGroups& groups, const QString& group, const QString& mimeType)
{
    return iniValue(groups, group, mimeType, Qt::CaseInsensitive).split(u';', Qt::SkipEmptyParts);
}

QString xbelTime()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

void writeApplication(QXmlStreamWriter& xml, const QString& now, int count)
{
    xml.writeEmptyElement(BookmarkNs, QStringLiteral("application"));
    xml.writeAttribute(QStringLiteral("name"), QString::fromLatin1(XdgShell::RecentApplication));
    xml.writeAttribute(QStringLiteral("exec"), QStringLiteral("'glasspane %u'"));
    xml.writeAttribute(QStringLiteral("modified"), now);
    xml.writeAttribute(QStringLiteral("count"), QString::number(count));
}

void writeInfo(QXmlStreamWriter& xml, const QString& now)
{
    xml.writeStartElement(QStringLiteral("info"));
    xml.writeStartElement(QStringLiteral("metadata"));
    xml.writeAttribute(QStringLiteral("owner"), QStringLiteral("http://freedesktop.org"));
    xml.writeEmptyElement(MimeNs, QStringLiteral("mime-type"));
    xml.writeAttribute(QStringLiteral("type"), QString::fromLatin1(XdgShell::RecentMimeType));
    xml.writeStartElement(BookmarkNs, QStringLiteral("applications"));
    writeApplication(xml, now, 1);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
}

void writeBookmark(QXmlStreamWriter& xml, const QString& href, const QString& now)
{
    xml.writeStartElement(QStringLiteral("bookmark"));
    xml.writeAttribute(QStringLiteral("href"), href);
    xml.writeAttribute(QStringLiteral("added"), now);
    xml.writeAttribute(QStringLiteral("modified"), now);
    xml.writeAttribute(QStringLiteral("visited"), now);
    writeInfo(xml, now);
    xml.writeEndElement();
}

// Copies `old` to a new document with the entry for `href` added or brought up to date.
// False when `old` is not a readable bookmark file, which is then left alone.
bool updateXbel(const QByteArray& old, const QString& href, QByteArray* result)
{
    const QString now = xbelTime();
    QByteArray out;
    QXmlStreamWriter xml(&out);
    if (old.isEmpty()) {
        xml.setAutoFormatting(true);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("xbel"));
        xml.writeNamespace(BookmarkNs, QStringLiteral("bookmark"));
        xml.writeNamespace(MimeNs, QStringLiteral("mime"));
        xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        writeBookmark(xml, href, now);
        xml.writeEndElement();
        xml.writeEndDocument();
        *result = out;
        return true;
    }

    const QUrl wanted(href);
    QXmlStreamReader reader(old);
    int depth = 0;
    bool found = false;
    bool inOurs = false;
    int oursDepth = 0;
    bool appDone = false;
    bool rootSeen = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.hasError())
            return false;
        if (reader.isStartElement()) {
            ++depth;
            if (depth == 1) {
                if (reader.name() != QLatin1String("xbel"))
                    return false;
                rootSeen = true;
            }
            if (depth == 2 && reader.name() == QLatin1String("bookmark") && !found &&
                QUrl(reader.attributes().value(QLatin1String("href")).toString()) == wanted) {
                found = inOurs = true;
                oursDepth = depth;
                xml.writeStartElement(reader.namespaceUri().toString(), reader.name().toString());
                for (const QXmlStreamNamespaceDeclaration& ns : reader.namespaceDeclarations())
                    xml.writeNamespace(ns.namespaceUri().toString(), ns.prefix().toString());
                for (const QXmlStreamAttribute& a : reader.attributes()) {
                    if (a.name() != QLatin1String("modified") &&
                        a.name() != QLatin1String("visited"))
                        xml.writeAttribute(a);
                }
                xml.writeAttribute(QStringLiteral("modified"), now);
                xml.writeAttribute(QStringLiteral("visited"), now);
                continue;
            }
            if (inOurs && reader.namespaceUri() == BookmarkNs &&
                reader.name() == QLatin1String("application") &&
                reader.attributes().value(QLatin1String("name")) ==
                    QLatin1String(XdgShell::RecentApplication)) {
                const int count = reader.attributes().value(QLatin1String("count")).toInt() + 1;
                writeApplication(xml, now, std::max(count, 1));
                reader.skipCurrentElement();
                --depth;
                appDone = true;
                continue;
            }
        } else if (reader.isEndElement()) {
            if (inOurs && !appDone && reader.namespaceUri() == BookmarkNs &&
                reader.name() == QLatin1String("applications")) {
                writeApplication(xml, now, 1);
                appDone = true;
            }
            if (inOurs && depth == oursDepth) {
                if (!appDone)
                    writeInfo(xml, now);
                inOurs = false;
            }
            if (depth == 1 && !found)
                writeBookmark(xml, href, now);
            --depth;
        }
        xml.writeCurrentToken(reader);
    }
    if (reader.hasError() || !rootSeen)
        return false;
    *result = out;
    return true;
}

} // namespace

QString XdgShell::privateTempFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isAbsolute() && isPrivateFolder(runtime))
        return QDir::cleanPath(runtime);

    const QString own =
        QDir::tempPath() + QStringLiteral("/glasspane-") + QString::number(::getuid());
    QDir().mkdir(own, PrivateFolder);
    if (isPrivateFolder(own))
        return own;
    // Ours but too open (say, created by hand): close it.
    struct stat st;
    if (::lstat(QFile::encodeName(own).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::getuid() && QFile::setPermissions(own, PrivateFolder) &&
        isPrivateFolder(own))
        return own;
    // Someone else holds the name: take a fresh, unpredictable one.
    QByteArray pattern = QFile::encodeName(own + QStringLiteral("-XXXXXX"));
    if (::mkdtemp(pattern.data()))
        return QFile::decodeName(pattern);
    qCWarning(lcGlasspane) << "no private temporary folder";
    return {};
}

QString XdgShell::folder(Folder which)
{
    auto own = [](QStandardPaths::StandardLocation location) -> QString {
        return QStandardPaths::writableLocation(location) + QStringLiteral("/glasspane");
    };
    QString path;
    switch (which) {
    case Folder::Documents:
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QDir().mkpath(path);
        return path;
    case Folder::Favorites:
        path = own(QStandardPaths::GenericDataLocation) + QStringLiteral("/Favorites");
        break;
    case Folder::Temp:
        if (m_temp.isEmpty() || !isPrivateFolder(m_temp))
            m_temp = privateTempFolder();
        return m_temp;
    case Folder::Cache:
        path = own(QStandardPaths::GenericCacheLocation);
        break;
    case Folder::Data:
        path = own(QStandardPaths::GenericDataLocation);
        break;
    case Folder::Config:
        path = own(QStandardPaths::GenericConfigLocation);
        break;
    }
    makePrivateFolder(path);
    return path;
}

void XdgShell::addRecentDocument(const QString& path)
{
    if (path.isEmpty())
        return;
    const QUrl url = path.contains(QStringLiteral("://"))
                         ? QUrl(path)
                         : QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (!url.isValid())
        return;
    const QString href = QString::fromUtf8(url.toEncoded());

    const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/recently-used.xbel");
    QByteArray old;
    const bool existed = QFile::exists(file);
    if (existed) {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            return;
        old = in.readAll();
    }
    QByteArray updated;
    if (!updateXbel(old, href, &updated)) {
        qCWarning(lcGlasspane) << "recently-used list not understood, left as it is:" << file;
        return;
    }
    if (!makePrivateFolder(QFileInfo(file).absolutePath()))
        return;
    WholeFile out(file);
    if (!out.open(QFile::ReadOwner | QFile::WriteOwner) || !out.write(updated) || !out.commit())
        qCWarning(lcGlasspane, "cannot write %s (%s); it keeps what it held", qUtf8Printable(file),
                  qUtf8Printable(out.errorString()));
}

QStringList XdgShell::splitExec(const QString& exec)
{
    QList<ExecWord> words;
    if (!splitExecWords(exec, &words))
        return {};
    QStringList result;
    for (const ExecWord& w : std::as_const(words))
        result.append(w.text);
    return result;
}

QStringList XdgShell::expandExec(const QString& exec, const QString& file)
{
    QList<ExecWord> words;
    if (!splitExecWords(exec, &words) || words.isEmpty())
        return {};
    QStringList result;
    bool placed = false;
    for (const ExecWord& w : std::as_const(words)) {
        if (w.quoted) {
            // Field codes are not allowed in quoted words; take them literally.
            result.append(QString(w.text).replace(QStringLiteral("%%"), QStringLiteral("%")));
            continue;
        }
        if (w.text.size() == 2 && w.text[0] == u'%' && w.text[1] != u'%') {
            if (isFileCode(w.text[1]) && !placed) {
                result.append(file);
                placed = true;
            }
            continue; // other codes, and further file codes, are dropped
        }
        QString out;
        bool hadCode = false;
        for (qsizetype i = 0; i < w.text.size(); ++i) {
            if (w.text[i] != u'%' || i + 1 >= w.text.size()) {
                out += w.text[i];
                continue;
            }
            const QChar code = w.text[++i];
            if (code == u'%') {
                out += u'%';
            } else {
                hadCode = true;
                if (isFileCode(code) && !placed) {
                    out += file;
                    placed = true;
                }
            }
        }
        if (!out.isEmpty() || !hadCode)
            result.append(out);
    }
    if (result.isEmpty())
        return {};
    if (!placed)
        result.append(file);
    return result;
}

QString XdgShell::defaultApplication(const QString& mimeType)
{
    const QStringList files = mimeappsFiles();
    QList<IniGroups> lists;
    for (const QString& f : files)
        lists.append(readIniGroups(f));

    QStringList types{mimeType};
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    if (type.isValid()) {
        if (!types.contains(type.name()))
            types.append(type.name());
        types += type.aliases();
        types += type.allAncestors();
    }

    auto usable = [](const QString& id) {
        const QString path = findDesktopFile(id);
        return !path.isEmpty() && !desktopCommand(path, QStringLiteral("/x")).isEmpty() ? path
                                                                                        : QString();
    };

    for (const QString& t : std::as_const(types)) {
        for (const IniGroups& g : std::as_const(lists)) {
            for (const QString& id : listValue(g, QStringLiteral("Default Applications"), t)) {
                if (const QString path = usable(id); !path.isEmpty())
                    return path;
            }
        }
        QStringList removed;
        for (const IniGroups& g : std::as_const(lists)) {
            for (const QString& id : listValue(g, QStringLiteral("Added Associations"), t)) {
                if (removed.contains(id))
                    continue;
                if (const QString path = usable(id); !path.isEmpty())
                    return path;
            }
            removed += listValue(g, QStringLiteral("Removed Associations"), t);
        }
        for (const QString& dir :
             QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
            const IniGroups cache =
                readIniGroups(dir + QStringLiteral("/applications/mimeinfo.cache"));
            for (const QString& id : listValue(cache, QStringLiteral("MIME Cache"), t)) {
                if (removed.contains(id))
                    continue;
                if (const QString path = usable(id); !path.isEmpty())
                    return path;
            }
        }
    }
    return {};
}

QStringList XdgShell::openCommand(const QString& filePath)
{
    if (filePath.isEmpty())
        return {};
    const QString file = QFileInfo(filePath).absoluteFilePath();
    // By the name alone, as file types are registered: a cached copy named ".tmp" finds no
    // program, whatever it holds.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
    if (type.isDefault())
        return {};
    const QString desktop = defaultApplication(type.name());
    if (desktop.isEmpty())
        return {};
    return desktopCommand(desktop, file);
}

QStringList XdgShell::typeCommand(const QString& mimeType, const QString& argument)
{
    if (argument.isEmpty())
        return {};
    const QString desktop = defaultApplication(mimeType);
    return desktop.isEmpty() ? QStringList() : desktopCommand(desktop, argument);
}

QString XdgShell::defaultApplicationId(const QString& mimeType)
{
    const QString desktop = defaultApplication(mimeType);
    return desktop.isEmpty() ? QString() : QFileInfo(desktop).fileName();
}

bool XdgShell::setDefaultApplication(const QString& mimeType, const QString& desktopId)
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/mimeapps.list");
    return rewriteFile(path, [&](const QByteArray& file) {
        return MakeDefaultApplication(file, mimeType, desktopId);
    });
}

QString XdgShell::xscreensaverFile()
{
    return QDir::homePath() + QStringLiteral("/.xscreensaver");
}

QString XdgShell::screenSaverProgram()
{
    QFile file(xscreensaverFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return HackProgram(XScreenSaverChoice::parse(file.read(kMaxSettingsFile)).selectedCommand());
}

bool XdgShell::setScreenSaver(const QString& program)
{
    // XScreenSaver's own list, for a user whose file does not hold one yet.
    QByteArray defaults;
    for (const char* path :
         {"/etc/X11/app-defaults/XScreenSaver", "/usr/share/X11/app-defaults/XScreenSaver"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            defaults = file.read(kMaxSettingsFile);
            break;
        }
    }
    return rewriteFile(xscreensaverFile(),
                       [&](const QByteArray& file) { return SelectHack(file, program, defaults); });
}

bool XdgShell::openExternally(const QString& urlOrPath)
{
    if (urlOrPath.isEmpty())
        return false;
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return false;
    // A relative path that begins with '-' must not be taken for an option.
    const QUrl url(urlOrPath);
    const QString target =
        url.scheme().size() > 1 ? urlOrPath : QFileInfo(urlOrPath).absoluteFilePath();
    return QProcess::startDetached(opener, {target});
}

} // namespace glasspane
