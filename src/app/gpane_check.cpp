#include "app/gpane_check.h"

#include "app/gpane_document.h"
#include "document/document.h"
#include "document/document_files.h"
#include "document/page_variables.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "document/setting_catalogue.h"
#include "document/settings.h"
#include "document/text.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <algorithm>
#include <limits>

namespace glasspane {

namespace {

enum class Severity { Warning, Error };

struct Finding
{
    int line = 0;
    Severity severity = Severity::Warning;
    QString text;
};

// One "Key=Value" line as the INI reader sees it: names and values trimmed, a value in a
// pair of quotes without them.
struct KeyLine
{
    int line = 0;
    QString key;
    QString value;
};

struct SectionText
{
    int line = 0;
    QString name;
    QList<KeyLine> keys;   // in file order, repeated keys included
    QList<int> strayLines; // lines that are neither keys, comments nor blank
};

struct ParsedText
{
    QList<SectionText> sections;
    QList<int> outside; // key lines before the first section
};

// The document's text read by the rules the INI reader follows.
ParsedText parseText(const QString& text)
{
    ParsedText parsed;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        const int number = i + 1;
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            SectionText section;
            section.line = number;
            section.name = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            parsed.sections.append(section);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (parsed.sections.isEmpty()) {
            parsed.outside.append(number);
            continue;
        }
        SectionText& section = parsed.sections.last();
        if (eq <= 0) {
            section.strayLines.append(number);
            continue;
        }
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.front() == value.back() &&
            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
            value = value.mid(1, value.size() - 2);
        section.keys.append(KeyLine{number, line.left(eq).trimmed(), value});
    }
    return parsed;
}

// Edit distance without regard to case, a swap of two neighbours counting one.
int distance(const QString& a, const QString& b)
{
    const QString x = a.toLower();
    const QString y = b.toLower();
    const qsizetype n = x.size();
    const qsizetype m = y.size();
    std::vector<std::vector<int>> d(size_t(n + 1), std::vector<int>(size_t(m + 1)));
    for (qsizetype i = 0; i <= n; ++i)
        d[size_t(i)][0] = int(i);
    for (qsizetype j = 0; j <= m; ++j)
        d[0][size_t(j)] = int(j);
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype j = 1; j <= m; ++j) {
            const int cost = x[i - 1] == y[j - 1] ? 0 : 1;
            int best = std::min({d[size_t(i - 1)][size_t(j)] + 1, d[size_t(i)][size_t(j - 1)] + 1,
                                 d[size_t(i - 1)][size_t(j - 1)] + cost});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1])
                best = std::min(best, d[size_t(i - 2)][size_t(j - 2)] + 1);
            d[size_t(i)][size_t(j)] = best;
        }
    }
    return d[size_t(n)][size_t(m)];
}

// The known name nearest to name, when it is near enough to be a slip of the keyboard.
QString nearest(const QString& name, const QStringList& known)
{
    QString best;
    int bestDistance = std::max(2, int(name.size()) / 3) + 1;
    for (const QString& candidate : known) {
        const int d = distance(name, candidate);
        if (d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

QString suggestion(const QString& name, const QStringList& known, const QString& wrap = {})
{
    const QString near = nearest(name, known);
    if (near.isEmpty())
        return QString();
    return wrap.isEmpty()
               ? QStringLiteral("; did you mean %1?").arg(near)
               : QStringLiteral("; did you mean %1%2%3?").arg(wrap.left(1), near, wrap.mid(1));
}

const QStringList kButtonKeys = {"HelpTip", "Icon", "IconDown", "Visible", "Position"};
const QStringList kKnownSchemes = {"http", "https", "file", "ftp", "about", "mailto", "smb"};

// The files the program carries (built-in pages and pictures): relative names of them are
// found in the resource folder while the show runs.
QSet<QString> builtInFiles()
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

// The kind of a section, as the loader tells them apart.
enum class Kind { Gpane, About, ToolNavUrl, Button, Page, Include, Exclude, Unknown };

class Checker
{
public:
    Checker(GpaneDocument& document, const ParsedText& parsed)
        : m_document(document), m_parsed(parsed), m_program(document.program()),
          m_builtIn(builtInFiles())
    {
        for (const ToolButton& b : DefaultToolRunButtons())
            m_buttonSections << QString::fromLatin1(kToolRunWord) + b.Name;
        for (const ToolButton& b : DefaultToolNavButtons())
            m_buttonSections << QString::fromLatin1(kToolNavWord) + b.Name;
        for (const SettingInfo& info : allSettings()) {
            if (info.place != SettingPlace::HkcuNumbered && info.place != SettingPlace::Section)
                m_gpaneKeys << QString::fromLatin1(info.name);
        }
        m_varSubst = document.services().settings.read(keys::VarSubst);
        const QString location = gpaneValue(QStringLiteral("ParamsLocation")).trimmed().toUpper();
        m_paramsInRegistry = location == QLatin1String("HKCU") || location == QLatin1String("HKLM");
    }

    QList<Finding> run()
    {
        for (int line : m_parsed.outside)
            warn(line, QStringLiteral("a line before the first [section] is never read"));
        QHash<QString, int> seen; // section name (lower case) -> line of its first one
        QHash<int, int> lastNumber;
        QHash<int, QString> lastName;
        for (const SectionText& section : m_parsed.sections) {
            const Kind kind = kindOf(section.name);
            const QString lower = section.name.toLower();
            if (kind == Kind::Page || kind == Kind::Include || kind == Kind::Exclude)
                checkNumbering(section, kind, lastNumber, lastName);
            if (seen.contains(lower)) {
                // Its keys are never read: nothing else about it matters.
                warn(section.line,
                     QStringLiteral("[%1] again (first at line %2): the program reads only the "
                                    "first one%3")
                         .arg(section.name)
                         .arg(seen.value(lower))
                         .arg(kind == Kind::Page ? QStringLiteral(", so that page plays twice")
                                                 : QString()));
                continue;
            }
            seen.insert(lower, section.line);
            for (int line : section.strayLines)
                warn(line, QStringLiteral("not a Key=Value line: ignored"));
            checkRepeatedKeys(section);
            switch (kind) {
            case Kind::Gpane:
                checkGpane(section);
                break;
            case Kind::About:
                break;
            case Kind::ToolNavUrl:
                checkKeys(section, {QStringLiteral("Visible")});
                checkBools(section, {{QStringLiteral("Visible"), true}});
                break;
            case Kind::Button:
                checkButton(section);
                break;
            case Kind::Page:
                checkPage(section);
                break;
            case Kind::Include:
            case Kind::Exclude:
                checkKeys(section, {QStringLiteral("URL")});
                if (value(section, QStringLiteral("URL")).trimmed().isEmpty())
                    warn(section.line,
                         QStringLiteral("[%1] has no URL: it is ignored").arg(section.name));
                break;
            case Kind::Unknown: {
                QStringList known = m_buttonSections;
                known << QStringLiteral("Gpane") << QStringLiteral("About")
                      << QStringLiteral("ToolNavURL");
                QString name = section.name;
                QString digits;
                while (!name.isEmpty() && name.back().isDigit()) {
                    digits.prepend(name.back());
                    name.chop(1);
                }
                QString near = nearest(section.name, known);
                if (near.isEmpty()) {
                    const QString word =
                        nearest(name, {QStringLiteral("Page"), QStringLiteral("Include"),
                                       QStringLiteral("Exclude")});
                    if (!word.isEmpty())
                        near = word + digits;
                }
                warn(section.line,
                     QStringLiteral("unknown section [%1]: it is not read%2")
                         .arg(section.name,
                              near.isEmpty() ? QString()
                                             : QStringLiteral("; did you mean [%1]?").arg(near)));
                break;
            }
            }
        }
        std::stable_sort(m_findings.begin(), m_findings.end(),
                         [](const Finding& a, const Finding& b) { return a.line < b.line; });
        return m_findings;
    }

private:
    void warn(int line, const QString& text) { m_findings.append({line, Severity::Warning, text}); }
    void error(int line, const QString& text) { m_findings.append({line, Severity::Error, text}); }

    Kind kindOf(const QString& name) const
    {
        if (name.compare(QLatin1String("Gpane"), Qt::CaseInsensitive) == 0)
            return Kind::Gpane;
        if (name.compare(QLatin1String("About"), Qt::CaseInsensitive) == 0)
            return Kind::About;
        if (name.compare(QLatin1String("ToolNavURL"), Qt::CaseInsensitive) == 0)
            return Kind::ToolNavUrl;
        if (m_buttonSections.contains(name, Qt::CaseInsensitive))
            return Kind::Button;
        // The loader's own rule: the name begins with the word, whatever follows.
        if (name.startsWith(QLatin1String("Page"), Qt::CaseInsensitive))
            return Kind::Page;
        if (name.startsWith(QLatin1String("Include"), Qt::CaseInsensitive))
            return Kind::Include;
        if (name.startsWith(QLatin1String("Exclude"), Qt::CaseInsensitive))
            return Kind::Exclude;
        return Kind::Unknown;
    }

    // The first value of a key in a section (the one the program reads).
    static const KeyLine* find(const SectionText& section, const QString& key)
    {
        for (const KeyLine& k : section.keys) {
            if (k.key.compare(key, Qt::CaseInsensitive) == 0)
                return &k;
        }
        return nullptr;
    }
    static QString value(const SectionText& section, const QString& key)
    {
        const KeyLine* k = find(section, key);
        return k ? k->value : QString();
    }
    QString gpaneValue(const QString& key) const
    {
        for (const SectionText& section : m_parsed.sections) {
            if (section.name.compare(QLatin1String("Gpane"), Qt::CaseInsensitive) == 0)
                return value(section, key);
        }
        return QString();
    }

    void checkNumbering(const SectionText& section, Kind kind, QHash<int, int>& lastNumber,
                        QHash<int, QString>& lastName)
    {
        static const QRegularExpression numbered(QStringLiteral("^[A-Za-z]+([0-9]+)$"));
        const QRegularExpressionMatch m = numbered.match(section.name);
        if (!m.hasMatch())
            return;
        const int number = m.captured(1).toInt();
        const int previous = lastNumber.value(int(kind), 0);
        const QString word = kind == Kind::Page      ? QStringLiteral("pages")
                             : kind == Kind::Include ? QStringLiteral("include entries")
                                                     : QStringLiteral("exclude entries");
        const QString after = previous == 0
                                  ? QStringLiteral("the first of its kind")
                                  : QStringLiteral("after [%1]").arg(lastName.value(int(kind)));
        if (number != previous + 1) {
            warn(section.line,
                 QStringLiteral("[%1] comes %2: the %3 are read in file order whatever their "
                                "numbers, and the next save numbers them 1, 2, 3...")
                     .arg(section.name, after, word));
        }
        lastNumber.insert(int(kind), number);
        lastName.insert(int(kind), section.name);
    }

    void checkRepeatedKeys(const SectionText& section)
    {
        QHash<QString, int> first;
        for (const KeyLine& k : section.keys) {
            const QString lower = k.key.toLower();
            if (first.contains(lower))
                warn(k.line, QStringLiteral("%1 again in [%2]: only the first one (line %3) is "
                                            "read")
                                 .arg(k.key, section.name)
                                 .arg(first.value(lower)));
            else
                first.insert(lower, k.line);
        }
    }

    void checkKeys(const SectionText& section, const QStringList& known)
    {
        for (const KeyLine& k : section.keys) {
            if (known.contains(k.key, Qt::CaseInsensitive))
                continue;
            warn(k.line, QStringLiteral("unknown key %1 in [%2]: it is not read%3")
                             .arg(k.key, section.name, suggestion(k.key, known)));
        }
    }

    // Booleans read with ToBool: anything but a truth word gives the default.
    void checkBools(const SectionText& section, const QList<QPair<QString, bool>>& keys)
    {
        for (const auto& [key, fallback] : keys) {
            const KeyLine* k = find(section, key);
            if (!k || k->value.trimmed().isEmpty() || IsTrueWord(k->value) || IsFalseWord(k->value))
                continue;
            error(k->line, QStringLiteral("%1=%2 is not Yes or No: %3 is used")
                               .arg(k->key, k->value, BoolText(fallback)));
        }
    }

    // Numbers: unreadable or out of range gives the default.
    void checkNumber(const KeyLine* k, bool sixteenBits, qint32 fallback, qint32 minimum,
                     qint32 maximum, const QString& what = QString())
    {
        if (!k || k->value.trimmed().isEmpty())
            return;
        const bool readable = sixteenBits ? !(ToInt(k->value, 1) == 1 && ToInt(k->value, 2) == 2)
                                          : !(ToLong(k->value, 1) == 1 && ToLong(k->value, 2) == 2);
        const qint32 number = ToLong(k->value, fallback);
        const QString subject =
            what.isEmpty() ? QStringLiteral("%1=%2").arg(k->key, k->value) : what;
        if (!readable) {
            error(k->line, QStringLiteral("%1 is not a %2number: %3 is used")
                               .arg(subject, sixteenBits ? QStringLiteral("16-bit ") : QString())
                               .arg(fallback));
        } else if (number < minimum || number > maximum) {
            error(k->line, QStringLiteral("%1 is out of range (%2 to %3): %4 is used")
                               .arg(subject)
                               .arg(minimum)
                               .arg(maximum)
                               .arg(fallback));
        }
    }

    void checkGpane(const SectionText& section)
    {
        checkKeys(section, m_gpaneKeys);
        for (const KeyLine& k : section.keys) {
            const auto it = std::find_if(
                allSettings().begin(), allSettings().end(), [&](const SettingInfo& info) {
                    return k.key.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0;
                });
            if (it == allSettings().end() || it->place == SettingPlace::HkcuNumbered ||
                it->place == SettingPlace::Section)
                continue;
            const SettingInfo& info = *it;
            if (m_paramsInRegistry && info.place == SettingPlace::Params)
                warn(k.line,
                     QStringLiteral("%1 is not read from the document: ParamsLocation=%2 "
                                    "keeps the parameters in the registry")
                         .arg(k.key, gpaneValue(QStringLiteral("ParamsLocation")).trimmed()));
            switch (info.type) {
            case SettingType::Bool:
                checkBools(section, {{k.key, info.defaultNumber != 0}});
                break;
            case SettingType::Int16:
            case SettingType::Int32:
                checkNumber(&k, info.type == SettingType::Int16, info.defaultNumber, info.minimum,
                            info.maximum);
                break;
            case SettingType::Text:
                break;
            }
        }
        const KeyLine* home = find(section, QStringLiteral("HomeURL"));
        if (home)
            checkAddress(*home, home->value.trimmed(), false);
        const KeyLine* splash = find(section, QStringLiteral("HomeAsSplash"));
        if (splash && IsTrueWord(splash->value) && (!home || home->value.trimmed().isEmpty()))
            warn(splash->line, QStringLiteral("HomeAsSplash has no effect without a HomeURL"));
    }

    void checkButton(const SectionText& section)
    {
        checkKeys(section, kButtonKeys);
        checkBools(section, {{QStringLiteral("Visible"), true}});
        checkNumber(find(section, QStringLiteral("Position")), true, 0, -32768, 32767);
        for (const QString& key : {QStringLiteral("Icon"), QStringLiteral("IconDown")}) {
            const KeyLine* k = find(section, key);
            if (k && !k->value.trimmed().isEmpty())
                checkLocalFile(*k, k->value.trimmed(), QStringLiteral("picture"));
        }
    }

    void checkPage(const SectionText& section)
    {
        checkKeys(section, PageKeyNames());
        const KeyLine* url = find(section, QStringLiteral("URL"));
        if (!url || url->value.trimmed().isEmpty()) {
            warn(section.line,
                 QStringLiteral("[%1] has no URL: it is no page and is skipped").arg(section.name));
            return;
        }
        checkBools(section, {{QStringLiteral("DefaultTime"), true},
                             {QStringLiteral("Cached"), false},
                             {QStringLiteral("SeparateProc"), true}});
        for (const QString& key :
             {QStringLiteral("Var1CaseSensitive"), QStringLiteral("Var1SubDirectories")}) {
            const KeyLine* k = find(section, key);
            if (k && !k->value.trimmed().isEmpty() && !IsTrueWord(k->value) &&
                !IsFalseWord(k->value))
                error(k->line,
                      QStringLiteral("%1=%2 is not Yes or No: No is used").arg(k->key, k->value));
        }
        const qint32 documentTime = m_document.doc().DefaultTime;
        checkNumber(find(section, QStringLiteral("Time")), false, documentTime,
                    std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
        const KeyLine* time = find(section, QStringLiteral("Time"));
        const KeyLine* ownTime = find(section, QStringLiteral("DefaultTime"));
        if (time && !time->value.trimmed().isEmpty() && (!ownTime || ToBool(ownTime->value, true)))
            warn(time->line, QStringLiteral("Time=%1 has no effect: the page shows for the "
                                            "document's DefaultTime (%2 s) unless it says "
                                            "DefaultTime=No")
                                 .arg(time->value)
                                 .arg(documentTime));

        const KeyLine* typeLine = find(section, QStringLiteral("Var1Type"));
        checkNumber(typeLine, true, 0, 0, 7);
        const qint16 type = typeLine ? ToInt(typeLine->value, 0) : qint16(0);
        const QString address = url->value.trimmed();
        const bool variable = m_varSubst && type != VarNone && type != VarInvisible && type >= 0 &&
                              type <= VarHtmlFiles;
        checkAddress(*url, address, variable);
        const KeyLine* cached = find(section, QStringLiteral("Cached"));
        if (cached && IsTrueWord(cached->value) && IsWebAddress(address) && !IsCacheable(address))
            error(cached->line, QStringLiteral("Cached=Yes does nothing for %1: the page cache "
                                               "takes only addresses that begin with http:// "
                                               "or https:// in small letters")
                                    .arg(address));
        if (variable)
            checkVariable(section, type);
        checkRefused(*url, section, type, variable);
    }

    static bool IsCacheable(const QString& address)
    {
        return address.startsWith(QLatin1String("http://")) ||
               address.startsWith(QLatin1String("https://"));
    }

    void checkVariable(const SectionText& section, qint16 type)
    {
        const KeyLine* source = find(section, QStringLiteral("Var1Source"));
        const KeyLine* param = find(section, QStringLiteral("Var1Param"));
        const int line = find(section, QStringLiteral("Var1Type"))->line;
        switch (type) {
        case VarRange:
            for (const KeyLine* bound : {source, param}) {
                if (!bound)
                    error(line, QStringLiteral("a value range needs Var1Source and Var1Param: 0 "
                                               "is used for the missing one"));
                else
                    checkNumber(
                        bound, false, 0, std::numeric_limits<qint32>::min(),
                        std::numeric_limits<qint32>::max(),
                        QStringLiteral("the range bound %1=%2").arg(bound->key, bound->value));
            }
            break;
        case VarList:
            if (!source || source->value.isEmpty())
                error(line, QStringLiteral("a value list without Var1Source gives no values"));
            break;
        case VarFile: {
            if (!source || source->value.trimmed().isEmpty()) {
                error(line, QStringLiteral("a value file page without Var1Source gives no "
                                           "values"));
            } else {
                const QString file = source->value.trimmed();
                if (IsWebAddress(file) && !IsCacheable(file))
                    error(source->line,
                          QStringLiteral("%1: the page cache takes only addresses that begin "
                                         "with http:// or https:// in small letters; this one "
                                         "is looked for as a file")
                              .arg(file));
                if (!IsWebAddress(file))
                    checkLocalFile(*source, file, QStringLiteral("value file"));
            }
            const QString patterns = param ? param->value : QString();
            if (ParsePatterns(patterns).isEmpty()) {
                error(param ? param->line : line,
                      QStringLiteral("no pattern with $$ in Var1Param: the value file gives no "
                                     "values"));
            } else {
                for (const QString& pattern : patterns.split(QLatin1Char('|'))) {
                    if (!pattern.isEmpty() && !pattern.contains(QLatin1String("$$")))
                        warn(param->line, QStringLiteral("the pattern \"%1\" has no $$: it is "
                                                         "ignored")
                                              .arg(pattern));
                }
            }
            break;
        }
        case VarShortcuts:
        case VarHtmlFiles: {
            const KeyLine* given = param && !param->value.trimmed().isEmpty() ? param : source;
            if (!given || given->value.trimmed().isEmpty()) {
                error(line, QStringLiteral("a folder page without Var1Param gives no values"));
                break;
            }
            const QString folder = ResolveFolder(given->value.trimmed(), m_program);
            if (!IsNetworkPath(folder) && !DirExists(folder))
                error(given->line, QStringLiteral("folder not found: %1").arg(folder));
            break;
        }
        default:
            break;
        }
    }

    // The page's addresses that the document's own include and exclude lists refuse: they
    // are never shown.
    void checkRefused(const KeyLine& url, const SectionText& section, qint16 type, bool variable)
    {
        const DocumentState& doc = m_document.doc();
        const QString resources = m_program.resourceFolder;
        const QString address = ResolvePath(url.value.trimmed(), m_program);
        if (!variable) {
            if (IsRestricted(address, doc.IncludeList, doc.ExcludeList, resources))
                warn(url.line, QStringLiteral("%1 is refused by the document's include and "
                                              "exclude lists: the page is never shown")
                                   .arg(url.value.trimmed()));
            return;
        }
        if (type != VarRange && type != VarList)
            return; // their values come from files and folders
        PageEntry page;
        page.URL = address;
        page.Var1Type = type;
        page.Var1Source = value(section, QStringLiteral("Var1Source"));
        page.Var1Param = value(section, QStringLiteral("Var1Param"));
        page.URL = EnsurePlaceholder(page);
        const QString placeholder = PlaceholderOf(page);
        const QStringList values = GetVariableValues(page, ExpansionContext());
        qsizetype refused = 0;
        for (const QString& v : values) {
            if (IsRestricted(ReplaceAll(page.URL, placeholder, v), doc.IncludeList, doc.ExcludeList,
                             resources))
                ++refused;
        }
        if (refused > 0)
            warn(url.line, QStringLiteral("%1 of the %2 addresses of this page are refused by the "
                                          "document's include and exclude lists")
                               .arg(refused)
                               .arg(values.size()));
    }

    // A page or home address: a scheme the browser knows, and a local file that exists.
    void checkAddress(const KeyLine& k, const QString& address, bool variable)
    {
        if (address.isEmpty())
            return;
        static const QRegularExpression schemed(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]+):"));
        const QRegularExpressionMatch m = schemed.match(address);
        if (m.hasMatch()) {
            const QString scheme = m.captured(1);
            if (!kKnownSchemes.contains(scheme.toLower())) {
                error(k.line, QStringLiteral("unknown scheme %1: in %2: the page cannot be "
                                             "shown%3")
                                  .arg(scheme, address, suggestion(scheme, kKnownSchemes)));
                return;
            }
            if (scheme.compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
                return;
        }
        if (variable && address.contains(QLatin1Char('$')))
            return; // the values make the addresses
        checkLocalFile(k, address, QStringLiteral("file"));
    }

    void checkLocalFile(const KeyLine& k, const QString& text, const QString& what)
    {
        if (IsNetworkPath(text) || IsWebAddress(text) ||
            text.startsWith(QLatin1String("about:"), Qt::CaseInsensitive))
            return;
        QString path = text.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)
                           ? LocalPathOfFileUrl(text)
                           : text;
        // A page address may carry a query or a fragment.
        for (const QChar mark : {QLatin1Char('#'), QLatin1Char('?')}) {
            const qsizetype at = path.indexOf(mark);
            if (at > 0 && !FileExists(ResolvePath(path, m_program)))
                path = path.left(at);
        }
        if (FileExists(ResolvePath(path, m_program)))
            return;
        if (!IsAbsoluteOrAddress(path) && m_builtIn.contains(LocalPath(path).toLower()))
            return; // one of the program's own files, there while the show runs
        error(k.line, QStringLiteral("%1 not found: %2").arg(what, text));
    }

    GpaneDocument& m_document;
    const ParsedText& m_parsed;
    const ProgramValues& m_program;
    QSet<QString> m_builtIn;
    QStringList m_buttonSections;
    QStringList m_gpaneKeys;
    bool m_varSubst = true;
    bool m_paramsInRegistry = false;
    QList<Finding> m_findings;
};

} // namespace

int RunCheck(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().isEmpty() ||
        arguments.first().startsWith(QLatin1Char('-'))) {
        err << "usage: gpane check DOCUMENT\n";
        err.flush();
        return 2;
    }
    const QString shown = arguments.first();
    GpaneDocument document;
    if (!document.load(shown, err))
        return 2;
    QFile file(document.file());
    if (!file.open(QIODevice::ReadOnly)) {
        err << "gpane: cannot read the document " << shown << ": " << file.errorString() << '\n';
        err.flush();
        return 2;
    }
    const QString text = DecodeText(file.readAll()).remove(QLatin1Char('\r'));
    const ParsedText parsed = parseText(text);

    QList<Finding> findings;
    if (parsed.sections.isEmpty()) {
        const bool gpn =
            Extension(document.file()).compare(QLatin1String("gpn"), Qt::CaseInsensitive) == 0;
        findings.append(
            {1, gpn ? Severity::Warning : Severity::Error,
             gpn ? QStringLiteral("no [section] in it: the show writes the built-in default "
                                  "document in its place%1")
                       .arg(text.trimmed().isEmpty()
                                ? QString()
                                : QStringLiteral(" (its text kept in a .bak file)"))
                 : QStringLiteral("no [section] in it: this is no document, and the show plays "
                                  "the built-in default document instead")});
    } else {
        findings = Checker(document, parsed).run();
    }

    bool errors = false;
    for (const Finding& f : std::as_const(findings)) {
        errors = errors || f.severity == Severity::Error;
        out << shown << ':' << f.line << ": "
            << (f.severity == Severity::Error ? "error: " : "warning: ") << f.text << '\n';
    }
    out.flush();
    return errors ? 1 : 0;
}

} // namespace glasspane
