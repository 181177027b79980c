#include "document/page_variables.h"

#include "document/busy_scope.h"
#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/paths.h"
#include "document/text.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <queue>
#include <vector>

namespace glasspane {

Q_LOGGING_CATEGORY(lcDocument, "glasspane.document", QtWarningMsg)

namespace {

const QString kPipe = QStringLiteral("|");

QString readLocalText(const QString& source, const ExpansionContext& context)
{
    if (IsNetworkPath(source))
        return context.drives ? context.drives->ReadTextFile(source) : QString();
    const QString path = source.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)
                             ? LocalPathOfFileUrl(source)
                             : source;
    QFile file(LocalPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return DecodeText(file.readAll());
}

QStringList rangeValues(const PageEntry& page)
{
    const qint64 start = ToLong(page.Var1Source, 0);
    const qint64 end = ToLong(page.Var1Param, 0);
    const qint64 step = start > end ? -1 : 1;
    const qint64 total = (end - start) * step + 1;
    qint64 count = total;
    if (count > kMaxValuesPerPage) {
        qCWarning(lcDocument,
                  "page %s: the range %lld to %lld has %lld values; only the first %d are used",
                  qUtf8Printable(page.URL), start, end, total, kMaxValuesPerPage);
        count = kMaxValuesPerPage;
    }
    // Zero-filled to the length of the start value as typed; longer values keep their digits.
    const int width = int(page.Var1Source.size());
    QStringList values;
    values.reserve(count);
    qint64 v = start;
    for (qint64 i = 0; i < count; ++i, v += step) {
        const QString digits = QString::number(v < 0 ? -v : v);
        const int pad = width - int(digits.size()) - (v < 0 ? 1 : 0);
        QString text;
        if (v < 0)
            text += QLatin1Char('-');
        if (pad > 0)
            text += QString(pad, QLatin1Char('0'));
        text += digits;
        values.append(text);
    }
    return values;
}

// Simple case folding, one UTF-16 unit for one, so positions stay the same in the folded copy.
// Plain ASCII, the usual content of value files, takes the short way.
QString foldCase(const QString& text)
{
    QString folded(text.size(), Qt::Uninitialized);
    const char16_t* from = reinterpret_cast<const char16_t*>(text.constData());
    char16_t* to = reinterpret_cast<char16_t*>(folded.data());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t c = from[i];
        if (c < 0x80)
            to[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        else if (QChar::isSurrogate(c))
            to[i] = c;
        else
            to[i] = QChar::toCaseFolded(c);
    }
    return folded;
}

QStringList capped(QStringList values, const PageEntry& page)
{
    if (values.size() > kMaxValuesPerPage) {
        qCWarning(lcDocument, "page %s: %lld values; only the first %d are used",
                  qUtf8Printable(page.URL), qlonglong(values.size()), kMaxValuesPerPage);
        values.erase(values.begin() + kMaxValuesPerPage, values.end());
    }
    return values;
}

// The folder of kinds 6 and 7: Var1Param, or Var1Source when the parameter is empty.
QString variableFolder(const PageEntry& page, const ExpansionContext& context)
{
    const QString param = page.Var1Param.trimmed();
    const QString folder = param.isEmpty() ? page.Var1Source.trimmed() : param;
    return context.program ? ResolveFolder(folder, *context.program) : LocalFolder(folder);
}

// CollectFiles for a folder on a network share too: walked in the share's mount folder, the
// paths found given in the folder's own form.
QStringList collectFilesAnywhere(const QString& folder, const QString& pattern, bool subDirectories,
                                 bool readShortcuts, const ExpansionContext& context)
{
    if (!IsNetworkPath(folder))
        return CollectFiles(folder, pattern, subDirectories, readShortcuts);
    const QString disk = context.drives ? LocalFolder(context.drives->diskPath(folder)) : QString();
    if (disk.isEmpty())
        return {};
    QStringList found = CollectFiles(disk, pattern, subDirectories, readShortcuts);
    if (!readShortcuts) {
        const QString written = LocalFolder(folder);
        for (QString& path : found) {
            if (path.startsWith(disk))
                path = written + path.mid(disk.size());
        }
    }
    return found;
}

QStringList nameFilters(const QString& pattern)
{
    QStringList filters{pattern};
    // "*.htm?" also meant "*.htm" to the Windows file search: a trailing '?' may match nothing.
    QString shorter = pattern;
    while (shorter.endsWith(QLatin1Char('?'))) {
        shorter.chop(1);
        filters.append(shorter);
    }
    return filters;
}

} // namespace

QString EnsurePlaceholder(const PageEntry& page)
{
    const qsizetype dollars = page.URL.count(QLatin1Char('$'));
    if (dollars >= 2)
        return page.URL;
    return page.URL + (dollars == 1 ? QStringLiteral("$") : QStringLiteral("$$"));
}

QString PlaceholderOf(const PageEntry& page)
{
    const qsizetype first = page.URL.indexOf(QLatin1Char('$'));
    if (first < 0)
        return QString();
    const qsizetype second = page.URL.indexOf(QLatin1Char('$'), first + 1);
    if (second < 0)
        return QString();
    return page.URL.mid(first, second - first + 1);
}

QString ReplaceAll(const QString& text, const QString& find, const QString& replacement)
{
    if (text.isEmpty())
        return QString();
    if (find.isEmpty())
        return text;
    QString result = text;
    return result.replace(find, replacement, Qt::CaseSensitive);
}

QVector<ValuePattern> ParsePatterns(const QString& patternList)
{
    QVector<ValuePattern> pairs;
    for (QString pattern : SplitList(patternList, QLatin1Char('|'))) {
        pattern.replace(QLatin1String("{Pipe}"), kPipe);
        const qsizetype mark = pattern.indexOf(QLatin1String("$$"));
        if (pattern.isEmpty() || mark < 0)
            continue;
        ValuePattern pair{pattern.left(mark), pattern.mid(mark + 2)};
        // With neither prefix nor suffix the scan would never move on.
        if (pair.prefix.isEmpty() && pair.suffix.isEmpty()) {
            qCWarning(lcDocument, "the value pattern \"$$\" has no text around it; ignored");
            continue;
        }
        pairs.append(pair);
    }
    return pairs;
}

QStringList ScanValueFile(const QString& text, const QVector<ValuePattern>& patterns,
                          bool caseSensitive, int maxValues)
{
    QStringList values;
    if (text.isEmpty() || patterns.isEmpty() || maxValues <= 0)
        return values;

    // Case-insensitive matching searches a folded copy with exact, fast searches; the values
    // are cut from the original text at the same positions.
    QString folded;
    QVector<ValuePattern> foldedPatterns = patterns;
    if (!caseSensitive) {
        folded = foldCase(text);
        for (ValuePattern& p : foldedPatterns) {
            p.prefix = foldCase(p.prefix);
            p.suffix = foldCase(p.suffix);
        }
    }
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
    const QStringView haystack = caseSensitive ? QStringView(text) : QStringView(folded);
    const qsizetype n = haystack.size();

    // Each pair remembers where its prefix and its end mark were last found. Positions only
    // move forward, so a remembered position at or after the scan position is still the next
    // one, and every stretch of text is searched at most once per pattern.
    struct PairState
    {
        qsizetype start = -1; // prefix position
        qsizetype end = -1;   // end mark position (at or after start + prefix length)
        bool dead = false;    // prefix or end mark found no more
    };
    std::vector<PairState> states(std::size_t(foldedPatterns.size()));

    auto find = [&](const QString& needle, qsizetype from) -> qsizetype {
        if (from > n)
            return -1;
        return haystack.indexOf(needle, from, cs);
    };
    // Brings pair j up to date for scan position p; false when it can match no more.
    auto update = [&](int j, qsizetype p) -> bool {
        PairState& s = states[std::size_t(j)];
        const ValuePattern& pair = foldedPatterns[j];
        if (s.dead)
            return false;
        if (s.start < p) {
            s.start = pair.prefix.isEmpty() ? p : find(pair.prefix, p);
            if (s.start < 0) {
                s.dead = true;
                return false;
            }
        }
        const qsizetype valueStart = s.start + pair.prefix.size();
        if (s.end < valueStart) {
            const QString& mark = pair.suffix.isEmpty() ? pair.prefix : pair.suffix;
            s.end = find(mark, valueStart);
            if (s.end < 0) {
                s.dead = true;
                return false;
            }
        }
        return true;
    };

    // Candidates ordered by prefix position, the earlier pattern first on a tie.
    using Candidate = std::pair<qsizetype, int>;
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> queue;
    for (int j = 0; j < foldedPatterns.size(); ++j) {
        if (update(j, 0))
            queue.push({states[std::size_t(j)].start, j});
    }

    // Views into text: a repeated value costs no copy.
    // Not reserved from the text's length: a table sized for the largest possible count is
    // mostly empty, and its scattered buckets cost more than growing it.
    QSet<QStringView> seen;
    qsizetype p = 0;
    while (!queue.empty()) {
        const auto [start, j] = queue.top();
        queue.pop();
        if (start < p) {
            // Passed by an earlier match: look again from the scan position.
            if (update(j, p))
                queue.push({states[std::size_t(j)].start, j});
            continue;
        }
        const PairState& s = states[std::size_t(j)];
        const ValuePattern& pair = foldedPatterns[j];
        const qsizetype valueStart = s.start + pair.prefix.size();
        const QStringView value = QStringView(text).mid(valueStart, s.end - valueStart);
        const qsizetype known = seen.size();
        seen.insert(value);
        if (seen.size() != known) {
            values.append(value.toString());
            if (values.size() >= maxValues) {
                qCWarning(lcDocument,
                          "a value file gives more than %d values; the rest are "
                          "not used",
                          maxValues);
                break;
            }
        }
        // An empty suffix ends at the next prefix, which starts the next match.
        p = s.end + pair.suffix.size();
        if (update(j, p))
            queue.push({states[std::size_t(j)].start, j});
    }
    return values;
}

QStringList ListFolder(const QString& folder, const QString& pattern, bool readShortcuts,
                       bool wantFiles)
{
    const QString base = LocalFolder(folder);
    QStringList result;
    if (base.isEmpty())
        return result;
    QDir dir(base);
    if (!dir.exists())
        return result;
    if (wantFiles) {
        dir.setNameFilters(nameFilters(pattern));
        dir.setFilter(QDir::Files | QDir::System);
    } else {
        dir.setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    dir.setSorting(QDir::Unsorted);
    IniFiles shortcuts;
    for (const QString& name : dir.entryList()) {
        const QString path = base + name;
        if (!wantFiles) {
            result.append(path);
        } else if (readShortcuts) {
            const QString url =
                shortcuts.ReadIni(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), path)
                    .trimmed();
            // Forget the parsed file: a favourites tree can hold thousands of them.
            (void)shortcuts.FlushIni(path);
            if (!url.isEmpty())
                result.append(url);
        } else {
            result.append(path);
        }
    }
    return result;
}

QStringList CollectFiles(const QString& folder, const QString& pattern, bool subDirectories,
                         bool readShortcuts)
{
    QStringList result = ListFolder(folder, pattern, readShortcuts, true);
    if (!subDirectories)
        return result;
    // Breadth-first over the whole tree: folders found deeper go to the end of the same list.
    // A folder reached twice through a link is walked once, so link loops end.
    QStringList dirs;
    QSet<QString> visited{QFileInfo(LocalFolder(folder)).canonicalFilePath()};
    auto addFolders = [&](const QString& parent) {
        for (const QString& dir : ListFolder(parent, QStringLiteral("*"), false, false)) {
            const QString canonical = QFileInfo(dir).canonicalFilePath();
            if (canonical.isEmpty() || visited.contains(canonical))
                continue;
            visited.insert(canonical);
            dirs.append(dir);
        }
    };
    addFolders(folder);
    for (qsizetype i = 0; i < dirs.size(); ++i)
        addFolders(dirs.at(i));
    for (const QString& dir : std::as_const(dirs))
        result += ListFolder(dir, pattern, readShortcuts, true);
    return result;
}

QString FavoritesFolder(Registry& registry, Shell& shell)
{
    return UserShellFolder(registry, shell, QStringLiteral("Favorites"), Shell::Folder::Favorites);
}

QStringList GetVariableValues(PageEntry& page, const ExpansionContext& context)
{
    switch (page.Var1Type) {
    case VarRange:
        return rangeValues(page);
    case VarList:
        return capped(SplitList(page.Var1Source, QLatin1Char('|')), page);
    case VarFile: {
        const QString text = context.fetchValueFile
                                 ? context.fetchValueFile(page, page.Var1Source)
                                 : readLocalText(page.Var1Source.trimmed(), context);
        return ScanValueFile(text, ParsePatterns(page.Var1Param), page.Var1CaseSensitive);
    }
    case VarFavorites:
    case VarShortcuts:
    case VarHtmlFiles: {
        BusyScope busy(context.beginBusy, context.endBusy);
        if (page.Var1Type == VarFavorites) {
            return capped(collectFilesAnywhere(context.favoritesFolder, QStringLiteral("*.url"),
                                               page.Var1SubDirectories, true, context),
                          page);
        }
        const QString folder = variableFolder(page, context);
        if (folder.isEmpty())
            return {};
        const bool shortcuts = page.Var1Type == VarShortcuts;
        return capped(collectFilesAnywhere(
                          folder, shortcuts ? QStringLiteral("*.url") : QStringLiteral("*.htm?"),
                          page.Var1SubDirectories, shortcuts, context),
                      page);
    }
    default:
        return {};
    }
}

void ExpandPageList(QVector<PageEntry>& pageList, QVector<PlayEntry>& playList,
                    const QStringList& includeList, const QStringList& excludeList,
                    const ExpansionContext& context)
{
    playList.resize(1); // element 0 stands for the document and is kept
    for (qsizetype i = 1; i < pageList.size(); ++i) {
        PageEntry& page = pageList[i];
        PlayEntry entry;
        entry.URL = page.URL;
        entry.DefaultTime = page.DefaultTime;
        entry.Time = page.Time;
        entry.SourcePage = qint32(i);
        entry.Cached = page.Cached;
        entry.SeparateProc = page.SeparateProc;

        // Kinds that give no values (none, "main window invisible", unknown) keep their address
        // as it is: a placeholder appended there would only break it.
        const bool hasValues = page.Var1Type == VarRange || page.Var1Type == VarList ||
                               page.Var1Type == VarFile || page.Var1Type == VarFavorites ||
                               page.Var1Type == VarShortcuts || page.Var1Type == VarHtmlFiles;
        if (!context.VarSubst || !hasValues) {
            playList.append(entry);
            continue;
        }

        page.URL = EnsurePlaceholder(page);
        const QString placeholder = PlaceholderOf(page);
        const QStringList values = GetVariableValues(page, context);
        playList.reserve(playList.size() + values.size());
        int accepted = 0;
        for (const QString& value : values) {
            const QString address = ReplaceAll(page.URL, placeholder, value);
            if (IsRestricted(address, includeList, excludeList, context.resourceFolder))
                continue;
            entry.URL = address;
            playList.append(entry);
            ++accepted;
        }
        // A variable page without an allowed value has no address to show.
        if (accepted == 0) {
            qCInfo(lcDocument, "page %lld (%s) gives no allowed address", qlonglong(i),
                   qUtf8Printable(page.URL));
        }
    }
}

} // namespace glasspane
