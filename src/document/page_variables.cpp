#include "document/page_variables.h"

#include "document/busy_scope.h"
#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/page_address.h"
#include "document/paths.h"
#include "document/text.h"
#include "platform/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
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
char16_t foldUnit(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return QChar::isSurrogate(c) ? c : QChar::toCaseFolded(c);
}

QString foldCase(const QString& text)
{
    QString folded(text.size(), Qt::Uninitialized);
    const auto* from = reinterpret_cast<const char16_t*>(text.constData());
    char16_t* to = reinterpret_cast<char16_t*>(folded.data());
    for (qsizetype i = 0, n = text.size(); i < n; ++i)
        to[i] = foldUnit(from[i]);
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

// The address without control characters (line ends, tabs, escapes...): they would reach the
// browser as %0D%0A and the log as lines of their own. Most addresses have none.
QString withoutControlCharacters(const QString& address)
{
    const auto control = [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
    };
    if (std::none_of(address.cbegin(), address.cend(), control))
        return address;
    QString clean = address;
    clean.removeIf(control);
    return clean;
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

namespace {

// A folded search may anchor only on a character that nothing else folds to: ASCII other
// than letters.
bool unfoldedUnit(char16_t c)
{
    return c < 0x80 && !((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'));
}

// A folded search for this (folded) needle runs in a folded copy of the text.
bool needsFoldedText(const QString& needle)
{
    return !needle.isEmpty() && std::none_of(needle.cbegin(), needle.cend(),
                                             [](QChar c) { return unfoldedUnit(c.unicode()); });
}

// How often each byte value occurs in the first stretch of a text: the search for a unit stops
// at each byte equal to the unit's low byte.
using ByteCounts = std::array<quint32, 256>;
ByteCounts byteCounts(QStringView text)
{
    ByteCounts counts{};
    const QStringView sample = text.first(qMin<qsizetype>(text.size(), 32768));
    const auto* bytes = reinterpret_cast<const unsigned char*>(sample.utf16());
    for (qsizetype i = 0, n = 2 * sample.size(); i < n; ++i)
        ++counts[bytes[i]];
    return counts;
}

// Finds a needle in a text, exactly, or comparing the text's characters case-folded with the
// needle (then folded already). The search runs on one character of the needle, its anchor,
// found at memory speed, and compares the whole needle at each place found; the anchor is the
// character that the start of the text says is rarest.
class NeedleFinder
{
public:
    // foldedText: the text folded, for a folded needle that needsFoldedText.
    NeedleFinder(QStringView text, QString needle, bool folded, QStringView foldedText,
                 const ByteCounts& counts)
        : m_text(text), m_needle(std::move(needle)), m_folded(folded)
    {
        if (m_folded && needsFoldedText(m_needle)) {
            m_text = foldedText;
            m_folded = false;
        }
        // Each unit of the needle in the other letter case, for a quick folded comparison.
        m_otherCase = m_needle;
        if (m_folded) {
            for (QChar& c : m_otherCase) {
                if (c >= u'a' && c <= u'z')
                    c = QChar(c.unicode() - 32);
            }
        }
        quint64 best = std::numeric_limits<quint64>::max();
        for (qsizetype i = 0; i < m_needle.size(); ++i) {
            const char16_t c = m_needle.at(i).unicode();
            if (m_folded && !unfoldedUnit(c))
                continue;
            const quint64 cost = counts[c & 0xff];
            if (cost < best) {
                best = cost;
                m_anchor = i;
            }
        }
    }

    qsizetype size() const { return m_needle.size(); }

    // The first place at or after from where the needle stands; -1 when none.
    qsizetype find(qsizetype from) const
    {
        const qsizetype n = m_needle.size();
        if (from > m_text.size())
            return -1;
        if (n == 0)
            return from;
        if (m_text.size() - from < n)
            return -1;
        // Where the anchor may stand with the whole needle inside the text.
        const QStringView range = m_text.first(m_text.size() - n + m_anchor + 1);
        const char16_t anchor = m_needle.at(m_anchor).unicode();
        for (qsizetype at = from + m_anchor;; ++at) {
            at = FindUnit(range, anchor, at);
            if (at < 0)
                return -1;
            if (matchesAt(at - m_anchor))
                return at - m_anchor;
        }
    }

private:
    bool matchesAt(qsizetype start) const
    {
        const char16_t* at = m_text.utf16() + start;
        const auto* needle = reinterpret_cast<const char16_t*>(m_needle.constData());
        const qsizetype n = m_needle.size();
        if (!m_folded)
            return std::memcmp(at, needle, size_t(n) * sizeof(char16_t)) == 0;
        const auto* other = reinterpret_cast<const char16_t*>(m_otherCase.constData());
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = at[i];
            // Beyond ASCII, letters may fold onto ASCII ones (the Kelvin sign onto k).
            if (c != needle[i] && c != other[i] && (c < 0x80 || foldUnit(c) != needle[i]))
                return false;
        }
        return true;
    }

    QStringView m_text;
    QString m_needle;
    QString m_otherCase;
    bool m_folded;
    qsizetype m_anchor = 0;
};

// The distinct values of a scan, each a stretch of the text, with a table to find one again:
// open addressing over stored hashes, so that a repeated value costs one hash and nearly
// always one comparison, and the table grows without hashing anything again. Sized for
// millions of values: a value costs 16 bytes here and 8 in the table at most.
class DistinctValues
{
public:
    explicit DistinctValues(QStringView text) : m_text(text) { m_slots.resize(kFirstSlots); }

    // Adds the value unless it is known already; true when it is new.
    bool insert(qsizetype start, qsizetype length)
    {
        const QStringView value = m_text.sliced(start, length);
        const quint32 hash = hashOf(value);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.entry == 0) {
                m_spans.push_back({start, length});
                slot = Slot{hash, quint32(m_spans.size())};
                if (m_spans.size() * 2 > m_slots.size())
                    grow();
                return true;
            }
            if (slot.hash == hash) {
                const Span& known = m_spans[slot.entry - 1];
                if (known.length == length &&
                    std::memcmp(m_text.utf16() + known.start, value.utf16(),
                                size_t(length) * sizeof(char16_t)) == 0)
                    return false;
            }
        }
    }

private:
    // A quick hash of a value's units, eight bytes at a time: a scan hashes every match.
    static quint32 hashOf(QStringView value)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(value.utf16());
        size_t n = size_t(value.size()) * sizeof(char16_t);
        quint64 h = 0x9e3779b97f4a7c15ULL ^ n;
        for (; n >= 8; p += 8, n -= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            h = (h ^ word) * 0xff51afd7ed558ccdULL;
            h ^= h >> 32;
        }
        quint64 rest = 0;
        std::memcpy(&rest, p, n);
        h = (h ^ rest) * 0xc4ceb9fe1a85ec53ULL;
        return quint32(h ^ (h >> 29));
    }

    static constexpr size_t kFirstSlots = 4096;
    struct Slot
    {
        quint32 hash = 0;
        quint32 entry = 0; // 1 + index in m_spans; 0: empty
    };
    struct Span
    {
        qsizetype start;
        qsizetype length;
    };

    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (slot.entry == 0)
                continue;
            size_t i = slot.hash & mask;
            while (m_slots[i].entry != 0)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    QStringView m_text;
    std::vector<Slot> m_slots;
    std::vector<Span> m_spans;
};

// The units that end a line: LF, VT, FF, CR, NEL, and the Unicode line and paragraph
// separators.
bool isLineEnd(char16_t c)
{
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// The first line end at or after from; text.size() when none (the end of the text ends the
// last line).
class LineEnds
{
public:
    explicit LineEnds(QStringView text) : m_text(text) {}

    qsizetype next(qsizetype from)
    {
        // No line end lies between the last question and its answer.
        if (from >= m_from && from <= m_answer)
            return m_answer;
        qsizetype at = from;
        const char16_t* units = m_text.utf16();
        while (at < m_text.size() && !isLineEnd(units[at]))
            ++at;
        m_from = from;
        m_answer = at;
        return at;
    }

private:
    QStringView m_text;
    qsizetype m_from = -1;
    qsizetype m_answer = -1;
};

} // namespace

QStringList ScanValueFile(const QString& text, const QVector<ValuePattern>& patterns,
                          bool caseSensitive, int maxValues)
{
    QStringList values;
    if (text.isEmpty() || patterns.isEmpty() || maxValues <= 0)
        return values;

    // Case-insensitive matching compares folded characters. Folding keeps every position, so
    // values are cut from the text itself; a folded copy of the whole text is made only for a
    // pattern with nothing else to search for.
    struct Pair
    {
        NeedleFinder prefix;
        NeedleFinder end; // the suffix, or the prefix again when that is empty
        qsizetype suffixSize;
    };
    QString folded;
    const ByteCounts counts = byteCounts(text);
    std::vector<Pair> pairs;
    pairs.reserve(std::size_t(patterns.size()));
    for (const ValuePattern& p : patterns) {
        const QString prefix = caseSensitive ? p.prefix : foldCase(p.prefix);
        const QString suffix = caseSensitive ? p.suffix : foldCase(p.suffix);
        if (!caseSensitive && folded.isNull() &&
            (needsFoldedText(prefix) || needsFoldedText(suffix)))
            folded = foldCase(text);
        pairs.push_back(Pair{
            NeedleFinder(text, prefix, !caseSensitive, folded, counts),
            NeedleFinder(text, suffix.isEmpty() ? prefix : suffix, !caseSensitive, folded, counts),
            suffix.size()});
    }

    // Each pair remembers where its prefix and its end mark were last found. Positions only
    // move forward, so a remembered position at or after the scan position is still the next
    // one, and every stretch of text is searched at most once per pattern.
    // A value never runs past the end of its line: a CSV file gives one value per row, and no
    // line end reaches an address or a log line.
    struct PairState
    {
        qsizetype start = -1;   // prefix position
        qsizetype end = -1;     // value end (at or after start + prefix length)
        bool atLineEnd = false; // the value ends at a line end, not at its end mark
        bool dead = false;      // the prefix is found no more
    };
    std::vector<PairState> states(pairs.size());
    LineEnds lineEnds(text);

    // Brings pair j up to date for scan position p; false when it can match no more.
    auto update = [&](int j, qsizetype p) -> bool {
        PairState& s = states[std::size_t(j)];
        const Pair& pair = pairs[std::size_t(j)];
        if (s.dead)
            return false;
        if (s.start < p) {
            s.start = pair.prefix.find(p);
            if (s.start < 0) {
                s.dead = true;
                return false;
            }
        }
        const qsizetype valueStart = s.start + pair.prefix.size();
        if (s.end < valueStart) {
            const qsizetype lineEnd = lineEnds.next(valueStart);
            const qsizetype mark = pair.end.find(valueStart);
            s.atLineEnd = mark < 0 || mark > lineEnd;
            s.end = s.atLineEnd ? lineEnd : mark;
        }
        return true;
    };

    // Takes the match pair j stands at: its value when new; the scan position after it, or -1
    // when no more values are wanted.
    DistinctValues seen(text);
    auto take = [&](int j) -> qsizetype {
        const PairState& s = states[std::size_t(j)];
        const Pair& pair = pairs[std::size_t(j)];
        const qsizetype valueStart = s.start + pair.prefix.size();
        // A line with nothing after the prefix holds no value; the scan goes on after it.
        if (s.atLineEnd && s.end == valueStart)
            return s.end < text.size() ? s.end + 1 : -1;
        if (seen.insert(valueStart, s.end - valueStart)) {
            values.append(text.mid(valueStart, s.end - valueStart));
            if (values.size() >= maxValues) {
                qCWarning(lcDocument,
                          "a value file gives more than %d values; the rest are not used",
                          maxValues);
                return -1;
            }
        }
        if (s.atLineEnd)
            return s.end; // the next line
        // An empty suffix ends at the next prefix, which starts the next match.
        return s.end + pair.suffixSize;
    };

    if (pairs.size() == 1) {
        for (qsizetype p = 0; p >= 0 && update(0, p);)
            p = take(0);
        return values;
    }

    // Candidates ordered by prefix position, the earlier pattern first on a tie.
    using Candidate = std::pair<qsizetype, int>;
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> queue;
    for (int j = 0; j < int(pairs.size()); ++j) {
        if (update(j, 0))
            queue.push({states[std::size_t(j)].start, j});
    }
    qsizetype p = 0;
    while (!queue.empty()) {
        const auto [start, j] = queue.top();
        queue.pop();
        if (start >= p) {
            p = take(j);
            if (p < 0)
                break;
        }
        // Passed by an earlier match, or taken: look again from the scan position.
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
    const Restriction restricted(includeList, excludeList, LocalPages{context.resourceFolder, {}});
    const bool lists = RestrictsNavigation(includeList, excludeList);
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
            entry.URL = withoutControlCharacters(entry.URL);
            playList.append(entry);
            continue;
        }

        page.URL = EnsurePlaceholder(page);
        const QString placeholder = PlaceholderOf(page);
        const QStringList values = GetVariableValues(page, context);
        playList.reserve(playList.size() + values.size());
        int accepted = 0;
        for (const QString& value : values) {
            const QString address =
                withoutControlCharacters(ReplaceAll(page.URL, placeholder, value));
            // Asked about as the browser will load it (a scheme-less address over http), which
            // only the lists care about.
            if (restricted(lists ? ShownAddress(address) : address))
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
