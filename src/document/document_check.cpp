#include "document/document_check.h"

#include "document/day_count.h"
#include "document/document.h"
#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/ini_lines.h"
#include "document/page_address.h"
#include "document/page_variables.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "document/setting_catalogue.h"
#include "document/settings.h"
#include "document/text.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace glasspane {

using Kind = CheckFinding::Kind;
using Severity = CheckFinding::Severity;

QString CheckKindName(Kind kind)
{
    static const char* const names[] = {
        "no-section",
        "outside-section",
        "section-twice",
        "key-twice",
        "unknown-section",
        "unknown-key",
        "stray-line",
        "header-blanks",
        "header-tail",
        "bracket-in-name",
        "nameless-section",
        "unclosed-header",
        "bare-key-hides",
        "lone-cr",
        "ctrl-z",
        "nul",
        "no-break-space",
        "comment-after-value",
        "not-yes-no",
        "not-number",
        "out-of-range",
        "not-whole-number",
        "negative-time",
        "time-of-day",
        "time-ignored",
        "splash-without-home",
        "params-in-registry",
        "no-url",
        "numbering",
        "file-not-found",
        "folder-not-found",
        "unknown-scheme",
        "not-cacheable",
        "refused",
        "partly-refused",
        "plays-itself",
        "plays-each-other",
        "range-bound",
        "range-cut",
        "empty-list",
        "empty-list-item",
        "blanks-in-list-item",
        "unclosed-placeholder",
        "no-value-file",
        "no-pattern",
        "pattern-without-placeholder",
        "no-values",
        "no-folder",
    };
    static_assert(std::size(names) == size_t(Kind::NoFolder) + 1);
    return QString::fromLatin1(names[int(kind)]);
}

namespace {

// One key line as the show reads it.
struct KeyLine
{
    int line = 0;
    QString key;
    QString value; // as read: quotes removed, "" for a key without '='
    bool hasValue = false;
};

struct SectionText
{
    int line = 0;
    QString name;
    QList<KeyLine> keys; // in file order, repeated keys and comments included
};

struct Finding
{
    int line;
    Severity severity;
    Kind kind;
    QString text;
};

struct ParsedText
{
    QList<SectionText> sections;
    QList<int> outside; // key lines above the first section
    QList<CheckFinding> spellings;
};

QString shown(QStringView text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

bool isOddBlank(QChar c)
{
    return c.unicode() == 0xa0 || c.unicode() == 0x3000 || c.unicode() == 0x2007 ||
           c.unicode() == 0x202f || c.unicode() == 0xfeff;
}

// The document's lines read as the show reads them, with the spellings that only Windows reads
// this way noted at their lines.
ParsedText parseText(const QString& text)
{
    ParsedText parsed;
    int number = 0;
    int loneCr = 0;
    int otherEnds = 0;
    int firstLoneCr = 0;
    auto note = [&parsed](int line, Kind kind, const QString& text) {
        parsed.spellings.append({line, Severity::Warning, kind, text});
    };
    ForEachIniLine(text, [&](QStringView line, IniLineEnd end) {
        ++number;
        if (end == IniLineEnd::Cr) {
            if (loneCr++ == 0)
                firstLoneCr = number;
        } else if (end != IniLineEnd::None) {
            ++otherEnds;
        }
        const IniLine read = ReadIniLine(line);
        const QStringView trimmed = TrimIniBlanks(line);
        // Ctrl-Z inside a value stays part of it; around it, it is trimmed as a blank.
        const qsizetype start = trimmed.data() - line.data();
        if (line.first(start).contains(QChar(0x1a)) ||
            line.sliced(start + trimmed.size()).contains(QChar(0x1a)))
            note(number, Kind::CtrlZ,
                 QStringLiteral("a Ctrl-Z (0x1A), the DOS end of file, is read as a blank"));
        if (line.contains(QChar(0))) {
            const QStringView after = line.sliced(line.indexOf(QChar(0)) + 1);
            note(number, Kind::Nul,
                 QStringLiteral("a NUL character ends the name or value here: \"%1\" after it is "
                                "not read")
                     .arg(shown(after.left(40))));
        }
        if (read.kind == IniLine::Kind::Header) {
            const qsizetype close = trimmed.lastIndexOf(u']');
            const QStringView inner = trimmed.sliced(1, close - 1);
            SectionText section;
            section.line = number;
            section.name = read.name.toString();
            parsed.sections.append(section);
            if (read.name.isEmpty()) {
                note(number, Kind::NamelessSection,
                     QStringLiteral("a section without a name is never read: the keys below it "
                                    "are lost"));
                return;
            }
            if (read.name.contains(u']'))
                note(number, Kind::BracketInName,
                     QStringLiteral("the name runs to the last ]: this is [%1]; probably meant "
                                    "[%2]")
                         .arg(read.name.toString(),
                              TrimIniBlanks(read.name.first(read.name.indexOf(u']'))).toString()));
            else if (TrimIniBlanks(trimmed.sliced(close + 1)).size() > 0)
                note(number, Kind::HeaderTail,
                     QStringLiteral("the text after ] is not read: this is [%1]")
                         .arg(read.name.toString()));
            if (inner.size() > 0 &&
                (IsIniBlank(inner.front().unicode()) || IsIniBlank(inner.back().unicode())))
                note(number, Kind::HeaderBlanks,
                     QStringLiteral("the blanks inside the brackets are not read: this is [%1]")
                         .arg(read.name.toString()));
            return;
        }
        if (read.kind != IniLine::Kind::Key)
            return;
        KeyLine key{number, read.name.toString(),
                    read.hasValue ? IniValue(read.value).toString() : QString(), read.hasValue};
        if (read.hasValue && !read.value.isEmpty() &&
            (isOddBlank(read.value.front()) || isOddBlank(read.value.back())))
            note(number, Kind::NoBreakSpace,
                 QStringLiteral("the no-break or wide space around the value of %1 is part of "
                                "it: only blanks and tabs are trimmed")
                     .arg(key.key));
        if (parsed.sections.isEmpty()) {
            if (!IsIniComment(read.name))
                parsed.outside.append(number);
            return;
        }
        parsed.sections.last().keys.append(key);
    });
    if (loneCr > 0 && otherEnds == 0 && number > 1)
        note(1, Kind::LoneCarriageReturn,
             QStringLiteral("the lines end with a carriage return alone (as on old Macs): read "
                            "as line ends, though some editors show one long line"));
    else if (loneCr > 0)
        note(firstLoneCr, Kind::LoneCarriageReturn,
             QStringLiteral("a carriage return alone ends this line: what follows it is read "
                            "as a line of its own (%1 such line ends in the file)")
                 .arg(loneCr));
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

// The kind of a section, as the loader tells them apart.
enum class SectionKind { Gpane, About, ToolNavUrl, Button, Page, Include, Exclude, Unknown };

// A whole number, as a person writes one.
bool isPlainInteger(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    return integer.match(text).hasMatch();
}

class Checker
{
public:
    Checker(CheckContext& context, const ParsedText& parsed)
        : m_context(context), m_doc(context.doc), m_parsed(parsed),
          m_program(context.services.program)
    {
        for (const ToolButton& b : DefaultToolRunButtons())
            m_buttonSections << QString::fromLatin1(kToolRunWord) + b.Name;
        for (const ToolButton& b : DefaultToolNavButtons())
            m_buttonSections << QString::fromLatin1(kToolNavWord) + b.Name;
        for (const SettingInfo& info : allSettings()) {
            if (info.place != SettingPlace::HkcuNumbered && info.place != SettingPlace::Section)
                m_gpaneKeys << QString::fromLatin1(info.name);
        }
        SettingsStore& settings = context.services.settings;
        m_varSubst = settings.read(keys::VarSubst);
        const SettingsLocation location = settings.ParamsLocation();
        m_paramsInRegistry =
            location == SettingsLocation::HKCU || location == SettingsLocation::HKLM;
    }

    QList<CheckFinding> run()
    {
        m_findings = m_parsed.spellings;
        for (int line : m_parsed.outside)
            warn(line, Kind::OutsideSection,
                 QStringLiteral("a line before the first [section] is never read"));
        QHash<QString, int> seen; // section name (lower case) -> line of its first one
        QHash<int, int> lastNumber;
        QHash<int, QString> lastName;
        for (const SectionText& section : m_parsed.sections) {
            if (section.name.isEmpty())
                continue; // said with the spellings
            const SectionKind kind = kindOf(section.name);
            const QString lower = section.name.toLower();
            if (kind == SectionKind::Page || kind == SectionKind::Include ||
                kind == SectionKind::Exclude)
                checkNumbering(section, kind, lastNumber, lastName);
            if (seen.contains(lower)) {
                // Its keys are never read: nothing else about it matters.
                warn(section.line, Kind::SectionTwice,
                     QStringLiteral("[%1] again (first at line %2): the program reads only the "
                                    "first one%3")
                         .arg(section.name)
                         .arg(seen.value(lower))
                         .arg(kind == SectionKind::Page
                                  ? QStringLiteral(", so that page plays twice")
                                  : QString()));
                continue;
            }
            seen.insert(lower, section.line);
            checkLines(section);
            switch (kind) {
            case SectionKind::Gpane:
                checkGpane(section);
                break;
            case SectionKind::About:
                break;
            case SectionKind::ToolNavUrl:
                checkKeys(section, {QStringLiteral("Visible")});
                checkBool(section, QStringLiteral("Visible"), true);
                break;
            case SectionKind::Button:
                checkButton(section);
                break;
            case SectionKind::Page:
                checkPage(section);
                break;
            case SectionKind::Include:
            case SectionKind::Exclude:
                checkKeys(section, {QStringLiteral("URL")});
                if (value(section, QStringLiteral("URL")).trimmed().isEmpty())
                    warn(section.line, Kind::NoUrl,
                         QStringLiteral("[%1] has no URL: it is ignored").arg(section.name));
                break;
            case SectionKind::Unknown:
                unknownSection(section);
                break;
            }
        }
        std::stable_sort(
            m_findings.begin(), m_findings.end(),
            [](const CheckFinding& a, const CheckFinding& b) { return a.line < b.line; });
        return m_findings;
    }

private:
    void warn(int line, Kind kind, const QString& text)
    {
        m_findings.append({line, Severity::Warning, kind, text});
    }
    void error(int line, Kind kind, const QString& text)
    {
        m_findings.append({line, Severity::Error, kind, text});
    }

    SectionKind kindOf(const QString& name) const
    {
        if (name.compare(QLatin1String("Gpane"), Qt::CaseInsensitive) == 0)
            return SectionKind::Gpane;
        if (name.compare(QLatin1String("About"), Qt::CaseInsensitive) == 0)
            return SectionKind::About;
        if (name.compare(QLatin1String("ToolNavURL"), Qt::CaseInsensitive) == 0)
            return SectionKind::ToolNavUrl;
        if (m_buttonSections.contains(name, Qt::CaseInsensitive))
            return SectionKind::Button;
        // The loader's own rule: the name begins with the word, whatever follows.
        if (name.startsWith(QLatin1String("Page"), Qt::CaseInsensitive))
            return SectionKind::Page;
        if (name.startsWith(QLatin1String("Include"), Qt::CaseInsensitive))
            return SectionKind::Include;
        if (name.startsWith(QLatin1String("Exclude"), Qt::CaseInsensitive))
            return SectionKind::Exclude;
        return SectionKind::Unknown;
    }

    // The first key of a name in a section: the one the program reads (a key without '='
    // included, which reads as empty).
    static const KeyLine* find(const SectionText& section, const QString& key)
    {
        for (const KeyLine& k : section.keys) {
            if (SameIniName(k.key, key))
                return &k;
        }
        return nullptr;
    }
    static QString value(const SectionText& section, const QString& key)
    {
        const KeyLine* k = find(section, key);
        return k ? k->value : QString();
    }
    const SectionText* gpaneSection() const
    {
        for (const SectionText& section : m_parsed.sections) {
            if (section.name.compare(QLatin1String("Gpane"), Qt::CaseInsensitive) == 0)
                return &section;
        }
        return nullptr;
    }

    void unknownSection(const SectionText& section)
    {
        QStringList known = m_buttonSections;
        known << QStringLiteral("Gpane") << QStringLiteral("About") << QStringLiteral("ToolNavURL");
        QString name = section.name;
        QString digits;
        while (!name.isEmpty() && name.back().isDigit()) {
            digits.prepend(name.back());
            name.chop(1);
        }
        QString near = nearest(section.name, known);
        if (near.isEmpty()) {
            const QString word = nearest(name, {QStringLiteral("Page"), QStringLiteral("Include"),
                                                QStringLiteral("Exclude")});
            if (!word.isEmpty())
                near = word + digits;
        }
        warn(section.line, Kind::UnknownSection,
             QStringLiteral("unknown section [%1]: it is not read%2")
                 .arg(section.name, near.isEmpty()
                                        ? QString()
                                        : QStringLiteral("; did you mean [%1]?").arg(near)));
    }

    void checkNumbering(const SectionText& section, SectionKind kind, QHash<int, int>& lastNumber,
                        QHash<int, QString>& lastName)
    {
        static const QRegularExpression numbered(QStringLiteral("^[A-Za-z]+([0-9]+)$"));
        const QRegularExpressionMatch m = numbered.match(section.name);
        if (!m.hasMatch())
            return;
        const int number = m.captured(1).toInt();
        const int previous = lastNumber.value(int(kind), 0);
        const QString word = kind == SectionKind::Page      ? QStringLiteral("pages")
                             : kind == SectionKind::Include ? QStringLiteral("include entries")
                                                            : QStringLiteral("exclude entries");
        const QString after = previous == 0
                                  ? QStringLiteral("the first of its kind")
                                  : QStringLiteral("after [%1]").arg(lastName.value(int(kind)));
        if (number != previous + 1) {
            warn(section.line, Kind::Numbering,
                 QStringLiteral("[%1] comes %2: the %3 are read in file order whatever their "
                                "numbers, and the next save numbers them 1, 2, 3...")
                     .arg(section.name, after, word));
        }
        lastNumber.insert(int(kind), number);
        lastName.insert(int(kind), section.name);
    }

    // Repeated keys, keys without '=', '[' lines without ']', comments after values.
    void checkLines(const SectionText& section)
    {
        QHash<QString, const KeyLine*> first;
        for (const KeyLine& k : section.keys) {
            if (IsIniComment(k.key))
                continue;
            const QString lower = k.key.toLower();
            if (const KeyLine* earlier = first.value(lower)) {
                if (earlier->hasValue)
                    warn(k.line, Kind::KeyTwice,
                         QStringLiteral("%1 again in [%2]: only the first one (line %3) is read")
                             .arg(k.key, section.name)
                             .arg(earlier->line));
                continue;
            }
            first.insert(lower, &k);
            if (k.hasValue) {
                if (k.value.contains(QLatin1String(" ;")) || k.value.contains(QLatin1String("\t;")))
                    warn(k.line, Kind::CommentAfterValue,
                         QStringLiteral("the \"; ...\" after the value of %1 is part of it (%1 "
                                        "reads \"%2\"): comments stand on lines of their own")
                             .arg(k.key, k.value));
                continue;
            }
            const auto hidden =
                std::find_if(section.keys.begin(), section.keys.end(), [&](const KeyLine& later) {
                    return later.line > k.line && later.hasValue && SameIniName(later.key, k.key);
                });
            if (k.key.startsWith(u'['))
                warn(k.line, Kind::UnclosedHeader,
                     QStringLiteral("%1 has no closing ]: it is no section but a line of [%2], "
                                    "and the keys below it belong to [%2]; probably meant %1]")
                         .arg(k.key, section.name));
            else if (hidden != section.keys.end())
                warn(k.line, Kind::BareKeyHides,
                     QStringLiteral("%1 without '=' reads as empty and hides %1=%2 at line %3; "
                                    "probably meant to delete this line")
                         .arg(k.key, hidden->value)
                         .arg(hidden->line));
            else
                warn(k.line, Kind::StrayLine, QStringLiteral("not a Key=Value line: ignored"));
        }
    }

    void checkKeys(const SectionText& section, const QStringList& known)
    {
        for (const KeyLine& k : section.keys) {
            if (!k.hasValue || IsIniComment(k.key) || known.contains(k.key, Qt::CaseInsensitive))
                continue;
            warn(k.line, Kind::UnknownKey,
                 QStringLiteral("unknown key %1 in [%2]: it is not read%3")
                     .arg(k.key, section.name, suggestion(k.key, known)));
        }
    }

    // Booleans read with ToBool: anything but a truth word gives the default.
    void checkBool(const SectionText& section, const QString& key, bool fallback)
    {
        const KeyLine* k = find(section, key);
        if (!k || k->value.trimmed().isEmpty() || IsTrueWord(k->value) || IsFalseWord(k->value))
            return;
        error(k->line, Kind::NotYesNo,
              QStringLiteral("%1=%2 is not Yes or No: %3 is used")
                  .arg(k->key, k->value, BoolText(fallback)));
    }

    // Numbers: unreadable or out of range gives the default; a fraction is rounded.
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
            error(k->line, Kind::NotNumber,
                  QStringLiteral("%1 is not a %2number: %3 is used")
                      .arg(subject, sixteenBits ? QStringLiteral("16-bit ") : QString())
                      .arg(fallback));
        } else if (number < minimum || number > maximum) {
            error(k->line, Kind::OutOfRange,
                  QStringLiteral("%1 is out of range (%2 to %3): %4 is used")
                      .arg(subject)
                      .arg(minimum)
                      .arg(maximum)
                      .arg(fallback));
        } else if (!isPlainInteger(k->value)) {
            warn(k->line, Kind::NotWholeNumber,
                 QStringLiteral("%1 is read as %2: write a whole number").arg(subject).arg(number));
        }
    }

    // A display time: below 0 the page is left as soon as it is shown.
    void checkTime(const KeyLine* k, qint32 fallback, const QString& what)
    {
        checkNumber(k, false, fallback, std::numeric_limits<qint32>::min(),
                    std::numeric_limits<qint32>::max());
        if (k && !k->value.trimmed().isEmpty() && ToLong(k->value, 0) < 0)
            error(k->line, Kind::NegativeTime,
                  QStringLiteral("%1=%2 is negative: %3 flash by without being seen; probably "
                                 "meant %4")
                      .arg(k->key, k->value, what, k->value.trimmed().mid(1)));
    }

    void checkGpane(const SectionText& section)
    {
        checkKeys(section, m_gpaneKeys);
        const QString location = value(section, QStringLiteral("ParamsLocation")).trimmed();
        const bool locationHere = !location.isEmpty();
        bool hiveSaid = false;
        for (const KeyLine& k : section.keys) {
            if (!k.hasValue)
                continue;
            const auto it = std::find_if(
                allSettings().begin(), allSettings().end(), [&](const SettingInfo& info) {
                    return k.key.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0;
                });
            if (it == allSettings().end() || it->place == SettingPlace::HkcuNumbered ||
                it->place == SettingPlace::Section)
                continue;
            if (find(section, k.key) != &k)
                continue; // a repeated key, said already
            const SettingInfo& info = *it;
            if (m_paramsInRegistry && info.place == SettingPlace::Params) {
                if (locationHere) {
                    warn(k.line, Kind::ParamsInRegistry,
                         QStringLiteral("%1 is not read from the document: ParamsLocation=%2 "
                                        "keeps the parameters in the registry")
                             .arg(k.key, location));
                } else if (!hiveSaid) {
                    hiveSaid = true;
                    const bool user =
                        m_context.services.settings.ParamsLocation() == SettingsLocation::HKCU;
                    warn(k.line, Kind::ParamsInRegistry,
                         QStringLiteral("%1 and the other parameters here are not read: "
                                        "ParamsLocation=%2 in the %3 settings keeps them there; "
                                        "write ParamsLocation=1 here to use the document's")
                             .arg(k.key, user ? QStringLiteral("HKCU") : QStringLiteral("HKLM"),
                                  user ? QStringLiteral("user's") : QStringLiteral("machine's")));
                }
            }
            const Setting setting = info.setting;
            if (setting == Setting::DefaultTime) {
                checkTime(&k, 10, QStringLiteral("the pages of the default time"));
                continue;
            }
            if (setting == Setting::RebootTime || setting == Setting::UpdateTime) {
                checkTimeOfDay(k, setting == Setting::RebootTime);
                continue;
            }
            switch (info.type) {
            case SettingType::Bool:
                checkBool(section, k.key, info.defaultNumber != 0);
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
            warn(splash->line, Kind::SplashWithoutHome,
                 QStringLiteral("HomeAsSplash has no effect without a HomeURL"));
    }

    // RebootTime and UpdateTime: hours and minutes with a colon; anything else is read by its
    // leading number.
    void checkTimeOfDay(const KeyLine& k, bool reboot)
    {
        static const QRegularExpression clock(
            QStringLiteral("^\\s*[0-9]{1,2}:[0-9]{1,2}(:[0-9]{1,2})?\\s*$"));
        if (k.value.trimmed().isEmpty() || clock.match(k.value).hasMatch())
            return;
        const QString read =
            reboot ? NormalizeHourMinute(k.value) : TimeText(ParseTime(k.value.trimmed())).left(5);
        warn(k.line, Kind::TimeOfDay,
             QStringLiteral("%1=%2 is read as %3: write the time of day as hours:minutes, "
                            "24-hour (such as 04:30 or 15:00)")
                 .arg(k.key, k.value, read));
    }

    void checkButton(const SectionText& section)
    {
        checkKeys(section, kButtonKeys);
        checkBool(section, QStringLiteral("Visible"), true);
        checkNumber(find(section, QStringLiteral("Position")), true, 0, -32768, 32767);
        for (const QString& key : {QStringLiteral("Icon"), QStringLiteral("IconDown")}) {
            const KeyLine* k = find(section, key);
            if (k && !k->value.trimmed().isEmpty())
                checkLocalFile(*k, k->value.trimmed(), QStringLiteral("picture"));
        }
    }

    // The page the loader made of a section, and its play-list entries.
    int pageIndex(const SectionText& section) const
    {
        for (int i = 1; i < m_doc.PageList.size(); ++i) {
            if (SameIniName(m_doc.PageList.at(i).Section, section.name))
                return i;
        }
        return 0;
    }
    int entriesOf(int page) const
    {
        int count = 0;
        for (int i = 1; i < m_doc.PlayList.size(); ++i)
            count += m_doc.PlayList.at(i).SourcePage == page ? 1 : 0;
        return count;
    }

    void checkPage(const SectionText& section)
    {
        checkKeys(section, PageKeyNames() + QStringList{QStringLiteral("LocalFile"),
                                                        QStringLiteral("LastDownload")});
        const KeyLine* url = find(section, QStringLiteral("URL"));
        if (!url || url->value.trimmed().isEmpty()) {
            if (!url || url->hasValue)
                warn(section.line, Kind::NoUrl,
                     QStringLiteral("[%1] has no URL: it is no page and is skipped")
                         .arg(section.name));
            return;
        }
        checkBool(section, QStringLiteral("DefaultTime"), true);
        checkBool(section, QStringLiteral("Cached"), false);
        checkBool(section, QStringLiteral("SeparateProc"), true);
        for (const QString& key :
             {QStringLiteral("Var1CaseSensitive"), QStringLiteral("Var1SubDirectories")}) {
            const KeyLine* k = find(section, key);
            if (k && !k->value.trimmed().isEmpty() && !IsTrueWord(k->value) &&
                !IsFalseWord(k->value))
                error(k->line, Kind::NotYesNo,
                      QStringLiteral("%1=%2 is not Yes or No: No is used").arg(k->key, k->value));
        }
        const qint32 documentTime = m_doc.DefaultTime;
        const KeyLine* time = find(section, QStringLiteral("Time"));
        const KeyLine* ownTime = find(section, QStringLiteral("DefaultTime"));
        checkTime(time, documentTime, QStringLiteral("the page would"));
        // A page that says DefaultTime=Yes means it, as the program writes its pages; one that
        // says nothing probably forgot DefaultTime=No.
        if (time && !time->value.trimmed().isEmpty() && !ownTime)
            warn(time->line, Kind::TimeIgnored,
                 QStringLiteral("Time=%1 has no effect: the page shows for the document's "
                                "DefaultTime (%2 s) unless it says DefaultTime=No")
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
            error(cached->line, Kind::NotCacheable,
                  QStringLiteral("Cached=Yes does nothing for %1: the page cache takes only "
                                 "addresses that begin with http:// or https:// in small letters")
                      .arg(address));
        const int page = pageIndex(section);
        if (variable)
            checkVariable(section, *url, type, page);
        else
            checkDocumentLink(*url, address);
        checkRefused(*url, page, variable);
    }

    static bool IsCacheable(const QString& address)
    {
        return address.startsWith(QLatin1String("http://")) ||
               address.startsWith(QLatin1String("https://"));
    }

    void checkVariable(const SectionText& section, const KeyLine& url, qint16 type, int page)
    {
        const KeyLine* source = find(section, QStringLiteral("Var1Source"));
        const KeyLine* param = find(section, QStringLiteral("Var1Param"));
        const int line = find(section, QStringLiteral("Var1Type"))->line;
        const QString address = url.value.trimmed();
        if (address.count(u'$') == 1) {
            static const QRegularExpression name(QStringLiteral("\\$[A-Za-z0-9_]*"));
            const qsizetype dollar = address.indexOf(u'$');
            warn(url.line, Kind::UnclosedPlaceholder,
                 QStringLiteral("the placeholder %1 has no closing $: the show adds one at the "
                                "end, so each value replaces all of \"%1\"; probably meant "
                                "%2$")
                     .arg(address.mid(dollar), name.match(address, dollar).captured(0)));
        }
        bool valuesExpected = true;
        switch (type) {
        case VarRange:
            for (const KeyLine* bound : {source, param}) {
                if (!bound)
                    error(line, Kind::RangeBound,
                          QStringLiteral("a value range needs Var1Source and Var1Param: 0 is "
                                         "used for the missing one"));
                else
                    checkNumber(
                        bound, false, 0, std::numeric_limits<qint32>::min(),
                        std::numeric_limits<qint32>::max(),
                        QStringLiteral("the range bound %1=%2").arg(bound->key, bound->value));
            }
            if (source && param) {
                const qint64 count =
                    qAbs(qint64(ToLong(param->value, 0)) - ToLong(source->value, 0)) + 1;
                if (count > kMaxValuesPerPage)
                    warn(param->line, Kind::RangeCut,
                         QStringLiteral("the range holds %1 values: only the first %2 play")
                             .arg(count)
                             .arg(kMaxValuesPerPage));
            }
            break;
        case VarList:
            if (!source || source->value.isEmpty()) {
                error(line, Kind::EmptyList,
                      QStringLiteral("a value list without Var1Source gives no values"));
                valuesExpected = false;
            } else {
                checkListItems(*source);
            }
            break;
        case VarFile: {
            if (!source || source->value.trimmed().isEmpty()) {
                error(line, Kind::NoValueFile,
                      QStringLiteral("a value file page without Var1Source gives no values"));
                valuesExpected = false;
            } else {
                const QString file = source->value.trimmed();
                if (IsWebAddress(file) && !IsCacheable(file))
                    error(source->line, Kind::NotCacheable,
                          QStringLiteral("%1: the page cache takes only addresses that begin "
                                         "with http:// or https:// in small letters; this one "
                                         "is looked for as a file")
                              .arg(file));
                if (!IsWebAddress(file) &&
                    !checkLocalFile(*source, file, QStringLiteral("value file")))
                    valuesExpected = false;
            }
            const QString patterns = param ? param->value : QString();
            if (ParsePatterns(patterns).isEmpty()) {
                error(param ? param->line : line, Kind::NoPattern,
                      QStringLiteral("no pattern with $$ in Var1Param: the value file gives no "
                                     "values"));
                valuesExpected = false;
            } else {
                for (const QString& pattern : patterns.split(QLatin1Char('|'))) {
                    if (!pattern.isEmpty() && !pattern.contains(QLatin1String("$$")))
                        warn(param->line, Kind::PatternWithoutPlaceholder,
                             QStringLiteral("the pattern \"%1\" has no $$: it is ignored")
                                 .arg(pattern));
                }
            }
            if (valuesExpected && page > 0 && entriesOf(page) == 0) {
                const QString file = source->value.trimmed();
                const QString problem =
                    m_context.fetchProblem ? m_context.fetchProblem(file) : QString();
                warn(source->line, Kind::NoValues,
                     problem.isEmpty()
                         ? QStringLiteral("the value file %1 gives no values (it is empty, or no "
                                          "pattern matches): the page is not shown")
                               .arg(file)
                         : QStringLiteral("the value file %1 cannot be fetched (%2): the page "
                                          "gives no values and is not shown")
                               .arg(file, problem));
            }
            valuesExpected = false; // said here
            break;
        }
        case VarShortcuts:
        case VarHtmlFiles: {
            const KeyLine* given = param && !param->value.trimmed().isEmpty() ? param : source;
            if (!given || given->value.trimmed().isEmpty()) {
                error(line, Kind::NoFolder,
                      QStringLiteral("a folder page without Var1Param gives no values"));
                valuesExpected = false;
                break;
            }
            const QString folder = ResolveFolder(given->value.trimmed(), m_program);
            if (!IsNetworkPath(folder) && !DirExists(folder)) {
                error(given->line, Kind::FolderNotFound,
                      QStringLiteral("folder not found: %1").arg(folder));
                valuesExpected = false;
            }
            break;
        }
        default:
            valuesExpected = false;
            break;
        }
        Q_UNUSED(valuesExpected);
    }

    // The items of a value list as the show takes them: each item whole, blanks included.
    void checkListItems(const KeyLine& source)
    {
        QStringList items = SplitList(source.value, QLatin1Char('|'));
        int empty = 0;
        QStringList blanked;
        for (const QString& item : std::as_const(items)) {
            if (item.isEmpty())
                ++empty;
            else if (item.trimmed() != item)
                blanked << QLatin1Char('"') + item + QLatin1Char('"');
        }
        if (empty > 0)
            warn(source.line, Kind::EmptyListItem,
                 QStringLiteral("%1 empty value%2 in the list (\"||\" or a leading \"|\"): each "
                                "gives the address with nothing in place of the placeholder")
                     .arg(empty)
                     .arg(empty == 1 ? QString() : QStringLiteral("s")));
        if (!blanked.isEmpty())
            warn(source.line, Kind::BlanksInListItem,
                 QStringLiteral("the blanks of %1 are kept in the address; probably meant "
                                "without them")
                     .arg(blanked.join(QStringLiteral(", "))));
    }

    // A page that is a document: the show opens it in place of the one it plays.
    void checkDocumentLink(const KeyLine& url, const QString& address)
    {
        if (!IsDocumentAddress(address) || m_context.file.isEmpty())
            return;
        const QString target = linkedPath(address, m_program);
        if (target.isEmpty())
            return;
        if (SameAddress(target, m_context.file)) {
            warn(url.line, Kind::PlaysItself,
                 QStringLiteral("this page is the document itself: when its turn comes the show "
                                "starts again from its first page, so the pages after it never "
                                "play"));
            return;
        }
        if (!FileExists(target))
            return;
        // The other document's pages, as the show would read them there.
        ProgramValues there = m_program;
        there.documentPath = target;
        there.startFolder = AddBackslash(FolderOf(target));
        IniFiles ini;
        for (const QString& name : IniFiles::ReadSectionNames(target)) {
            if (!name.startsWith(QLatin1String("Page"), Qt::CaseInsensitive))
                continue;
            const QString back = ini.ReadIni(name, QStringLiteral("URL"), target).trimmed();
            const QString path = IsDocumentAddress(back) ? linkedPath(back, there) : QString();
            if (!path.isEmpty() && SameAddress(path, m_context.file)) {
                warn(url.line, Kind::PlaysEachOther,
                     QStringLiteral("%1 plays this document again ([%2]): the show goes back and "
                                    "forth between the two, and the pages after each link never "
                                    "play")
                         .arg(address, name));
                return;
            }
        }
    }

    // The local file a document address names; "" for one on the web.
    static QString linkedPath(const QString& address, const ProgramValues& program)
    {
        if (IsWebAddress(address))
            return QString();
        const QString path = address.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)
                                 ? LocalPathOfFileUrl(address)
                                 : address;
        return ResolvePath(path, program);
    }

    // The page's addresses that the show refuses when their turn comes.
    void checkRefused(const KeyLine& url, int page, bool variable)
    {
        const DocumentState& doc = m_doc;
        if (!variable) {
            const QString address = ResolvePath(url.value.trimmed(), m_program);
            if (!IsAbsoluteOrAddress(address) &&
                m_context.builtInFiles.contains(LocalPath(address).toLower()))
                return;
            const QUrl target = PageUrl(address);
            if (!PageUrlRefusal(target).isEmpty())
                return; // said as an unknown scheme
            const QString why =
                PageRefusal(address, doc.IncludeList, doc.ExcludeList, m_context.localPages);
            if (!why.isEmpty())
                warn(url.line, Kind::Refused,
                     QStringLiteral("%1 is refused when its turn comes (%2): the page is never "
                                    "shown")
                         .arg(url.value.trimmed(), why));
            return;
        }
        if (page <= 0)
            return;
        // Values the expansion dropped: the range or list holds more than the play list.
        const PageEntry& entry = doc.PageList.at(page);
        if (entry.Var1Type != VarRange && entry.Var1Type != VarList)
            return; // their values come from files and folders
        PageEntry copy = entry;
        const qsizetype values = GetVariableValues(copy, ExpansionContext()).size();
        const int shown = entriesOf(page);
        if (shown < values)
            warn(url.line, Kind::PartlyRefused,
                 QStringLiteral("%1 of the %2 addresses of this page are refused by the "
                                "document's include and exclude lists")
                     .arg(values - shown)
                     .arg(values));
    }

    // A page or home address: one the browser loads, and a local file that exists.
    void checkAddress(const KeyLine& k, const QString& address, bool variable)
    {
        if (address.isEmpty())
            return;
        static const QRegularExpression schemed(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]+):"));
        const QRegularExpressionMatch m = schemed.match(address);
        if (m.hasMatch()) {
            const QString why = PageUrlRefusal(PageUrl(address));
            if (!why.isEmpty() && !(variable && address.contains(u'$'))) {
                static const QStringList known = {"http", "https", "file", "about"};
                error(k.line, Kind::UnknownScheme,
                      QStringLiteral("%1: %2: the page cannot be shown%3")
                          .arg(address, why, suggestion(m.captured(1), known)));
                return;
            }
            if (m.captured(1).compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
                return;
        }
        if (variable && address.contains(QLatin1Char('$')))
            return; // the values make the addresses
        if (!m.hasMatch() && looksLikeHost(address))
            return; // the browser takes it as a web address
        checkLocalFile(k, address, QStringLiteral("file"));
    }

    // A scheme-less address that the browser loads over http: a host with a port, a number
    // address, localhost or www.
    static bool looksLikeHost(const QString& address)
    {
        static const QRegularExpression host(
            QStringLiteral("^([A-Za-z0-9.-]+:[0-9]+|[0-9]+(\\.[0-9]+){3}|localhost|www\\.[^/]+)"
                           "([/?#]|$)"),
            QRegularExpression::CaseInsensitiveOption);
        return host.match(address).hasMatch();
    }

    // False when the file is missing (said).
    bool checkLocalFile(const KeyLine& k, const QString& text, const QString& what)
    {
        if (IsNetworkPath(text) || IsWebAddress(text) ||
            text.startsWith(QLatin1String("about:"), Qt::CaseInsensitive))
            return true;
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
            return true;
        if (!IsAbsoluteOrAddress(path) &&
            m_context.builtInFiles.contains(LocalPath(path).toLower()))
            return true; // one of the program's own files, there while the show runs
        error(k.line, Kind::FileNotFound, QStringLiteral("%1 not found: %2").arg(what, text));
        return false;
    }

    CheckContext& m_context;
    const DocumentState& m_doc;
    const ParsedText& m_parsed;
    const ProgramValues& m_program;
    QStringList m_buttonSections;
    QStringList m_gpaneKeys;
    bool m_varSubst = true;
    bool m_paramsInRegistry = false;
    QList<CheckFinding> m_findings;
};

} // namespace

QList<CheckFinding> CheckDocument(const QByteArray& bytes, CheckContext& context)
{
    const QString text = DecodeIniText(bytes).text;
    const ParsedText parsed = parseText(text);
    if (parsed.sections.isEmpty()) {
        const bool gpn =
            Extension(context.file).compare(QLatin1String("gpn"), Qt::CaseInsensitive) == 0;
        if (gpn)
            return {{1, Severity::Warning, Kind::NoSection,
                     QStringLiteral("no [section] in it: the show writes the built-in default "
                                    "document in its place%1")
                         .arg(TrimIniBlanks(text).isEmpty()
                                  ? QString()
                                  : QStringLiteral(" (its text kept in a .bak file)"))}};
        return {{1, Severity::Error, Kind::NoSection,
                 QStringLiteral("no [section] in it: this is no document, and the show plays the "
                                "built-in default document instead")}};
    }
    return Checker(context, parsed).run();
}

} // namespace glasspane
