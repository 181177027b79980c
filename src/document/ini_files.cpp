#include "document/ini_files.h"

#include "document/text.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <vector>

namespace glasspane {

namespace {

struct Line
{
    QString text;
    QString eol; // "\r\n", "\n", or "" for a last line without one
};

// A name found without regard to case. Views into text the parsed file owns; they are made
// again whenever that text changes.
struct NoCase
{
    QStringView text;
    bool operator==(const NoCase& other) const
    {
        return text.compare(other.text, Qt::CaseInsensitive) == 0;
    }
};

size_t qHash(const NoCase& name, size_t seed) noexcept
{
    // Only ASCII letters are folded here; other characters all hash alike, so that any two
    // names equal without regard to case hash alike.
    size_t h = seed ^ 0xcbf29ce484222325ULL;
    for (QChar c : name.text) {
        char16_t u = c.unicode();
        if (u >= 'A' && u <= 'Z')
            u += 'a' - 'A';
        else if (u >= 0x80)
            u = 0x80;
        h = (h ^ u) * 0x100000001b3ULL;
    }
    return h;
}

struct Key
{
    int line = 0; // index in Section::lines
    QString value;
};

struct Section
{
    bool preamble = false; // the lines before the first section header: never read
    QString name;
    std::vector<Line> lines; // lines[0] is the header line, except in the preamble
    QHash<NoCase, Key> keys; // first occurrence of each key
};

// What identifies one version of a file on disk.
struct Stamp
{
    bool exists = false;
    bool isFile = false;
    qint64 size = -1;
    qint64 modified = 0;
    qint64 changed = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const QString& path)
{
    Stamp s;
    const QFileInfo info(path);
    s.exists = info.exists();
    if (!s.exists)
        return s;
    s.isFile = info.isFile();
    s.size = info.size();
    s.modified = info.lastModified().toMSecsSinceEpoch();
    s.changed = info.metadataChangeTime().toMSecsSinceEpoch();
    return s;
}

struct KeyLine
{
    QStringView key;
    QStringView value;
};

// A "key=value" line, names and values trimmed; an empty key when the line is none.
KeyLine parseKeyLine(QStringView trimmed)
{
    if (trimmed.isEmpty() || trimmed.front() == QLatin1Char(';') ||
        trimmed.front() == QLatin1Char('['))
        return {};
    const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return {};
    QStringView value = trimmed.sliced(eq + 1).trimmed();
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
        value = value.sliced(1, value.size() - 2);
    return {trimmed.first(eq).trimmed(), value};
}

bool isHeader(QStringView trimmed)
{
    return !trimmed.isEmpty() && trimmed.front() == QLatin1Char('[');
}

QString headerName(QStringView trimmed)
{
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    return (close < 0 ? trimmed.sliced(1) : trimmed.sliced(1, close - 1)).trimmed().toString();
}

bool hasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// How a value is written so that reading it gives it back: line breaks cannot be stored and
// become blanks; blanks around it or an enclosing pair of quotes would be lost on reading, so
// such a value is written in double quotes.
QString storedValue(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const bool blanksAround =
        !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool quoted = value.size() >= 2 && value.front() == value.back() &&
                        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''));
    if (blanksAround || quoted)
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

void reindex(Section& section)
{
    section.keys.clear();
    for (int i = section.preamble ? 0 : 1; i < int(section.lines.size()); ++i) {
        const KeyLine kl = parseKeyLine(QStringView(section.lines[size_t(i)].text).trimmed());
        if (kl.key.isEmpty())
            continue;
        if (!section.keys.contains(NoCase{kl.key}))
            section.keys.insert(NoCase{kl.key}, Key{i, kl.value.toString()});
    }
}

struct ParsedFile
{
    bool exists = false;
    TextFormat format; // kept as the file had it, byte-order mark too
    // Line end of the lines this program adds: the file's own, CRLF for a new file because
    // documents are shared with Windows-made tools.
    QString newline = QStringLiteral("\r\n");
    std::vector<std::unique_ptr<Section>> sections; // sections[0] is the preamble
    QHash<NoCase, Section*> index;                  // first occurrence of each name
    Stamp stamp;
    bool dirty = false;
    qint64 checkedAt = 0; // when the stamp was last compared with the disk (ns, monotonic)
    qint64 lastReadAt = 0;
    int burst = 0; // reads without a pause

    ParsedFile()
    {
        sections.push_back(std::make_unique<Section>());
        sections.front()->preamble = true;
    }

    Section* find(QStringView name) const { return index.value(NoCase{name}, nullptr); }

    void rebuildIndex()
    {
        index.clear();
        for (const auto& s : sections) {
            if (!s->preamble && !index.contains(NoCase{s->name}))
                index.insert(NoCase{s->name}, s.get());
        }
    }

    void parse(const QString& text)
    {
        Section* current = sections.front().get();
        qsizetype from = 0;
        bool newlineSeen = false;
        while (from < text.size()) {
            qsizetype nl = text.indexOf(QLatin1Char('\n'), from);
            Line line;
            if (nl < 0) {
                line.text = text.sliced(from);
                from = text.size();
            } else {
                const bool crlf = nl > from && text.at(nl - 1) == QLatin1Char('\r');
                line.text = text.sliced(from, nl - from - (crlf ? 1 : 0));
                line.eol = crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
                if (!newlineSeen) {
                    newline = line.eol;
                    newlineSeen = true;
                }
                from = nl + 1;
            }
            const QStringView trimmed = QStringView(line.text).trimmed();
            if (isHeader(trimmed)) {
                auto section = std::make_unique<Section>();
                section->name = headerName(trimmed);
                if (!index.contains(NoCase{section->name}))
                    index.insert(NoCase{section->name}, section.get());
                current = section.get();
                sections.push_back(std::move(section));
            } else if (!current->preamble) {
                const KeyLine kl = parseKeyLine(trimmed);
                if (!kl.key.isEmpty()) {
                    // The view stays valid: moving a QString keeps its characters in place.
                    if (!current->keys.contains(NoCase{kl.key}))
                        current->keys.insert(NoCase{kl.key},
                                             Key{int(current->lines.size()), kl.value.toString()});
                }
            }
            current->lines.push_back(std::move(line));
        }
    }

    QString text() const
    {
        QString out;
        for (const auto& s : sections) {
            for (const Line& l : s->lines) {
                out += l.text;
                out += l.eol;
            }
        }
        return out;
    }

    // The last line of the file, given a line end so that lines can follow it.
    void terminateLastLine()
    {
        for (auto it = sections.rbegin(); it != sections.rend(); ++it) {
            if (!(*it)->lines.empty()) {
                Line& last = (*it)->lines.back();
                if (last.eol.isEmpty())
                    last.eol = newline;
                return;
            }
        }
    }

    bool empty() const
    {
        for (const auto& s : sections) {
            if (!s->lines.empty())
                return false;
        }
        return true;
    }
};

} // namespace

// Comparing a file with the disk costs a few microseconds, far more than a lookup. Within a
// burst of reads of one file (more than kBurstReads without a pause of kPauseNs) the parsed copy
// is compared with the disk only once per kPauseNs; any other read compares it every time.
constexpr int kBurstReads = 64;
constexpr qint64 kPauseNs = 50'000'000;

struct IniFiles::Impl
{
    QElapsedTimer clock;
    QHash<QString, std::shared_ptr<ParsedFile>> files; // by absolute path
    QHash<QString, int> batches;                       // open batches by absolute path
    QSet<QString> readOnly;                            // by absolute path
    QString lastError;                                 // why the last failed save failed
    // The last name asked for and its absolute path: callers read many keys of one file.
    QString lastName;
    QString lastPath;

    QString pathOf(const QString& file)
    {
        if (file != lastName) {
            lastName = file;
            lastPath = QFileInfo(file).absoluteFilePath();
        }
        return lastPath;
    }

    // The parsed copy of a file, read again when the file changed on disk; a fresh empty one for
    // a missing file. Null when the file exists but cannot be read.
    ParsedFile* load(const QString& path, bool reading = false)
    {
        auto it = files.find(path);
        if (it != files.end() && (*it)->dirty)
            return it->get(); // unsaved changes of a batch win
        const qint64 now = clock.nsecsElapsed();
        if (it != files.end() && reading) {
            ParsedFile& known = **it;
            known.burst = now - known.lastReadAt < kPauseNs ? known.burst + 1 : 0;
            known.lastReadAt = now;
            if (known.burst > kBurstReads && now - known.checkedAt < kPauseNs)
                return &known;
        }
        const Stamp stamp = stampOf(path);
        if (it != files.end() && (*it)->stamp == stamp) {
            (*it)->checkedAt = now;
            return it->get();
        }
        auto parsed = std::make_shared<ParsedFile>();
        if (stamp.exists) {
            QFile file(path);
            if (!stamp.isFile || !file.open(QIODevice::ReadOnly)) {
                files.remove(path);
                return nullptr;
            }
            const DecodedText decoded = DecodeTextFile(file.readAll());
            file.close();
            parsed->format = decoded.format;
            parsed->exists = true;
            parsed->parse(decoded.text);
        }
        parsed->stamp = stamp;
        parsed->checkedAt = now;
        parsed->lastReadAt = now;
        ParsedFile* result = parsed.get();
        files.insert(path, std::move(parsed));
        return result;
    }

    bool save(const QString& path, ParsedFile& parsed)
    {
        TextFormat format = parsed.format;
        const QByteArray bytes = EncodeTextFile(parsed.text(), format);
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
            lastError = out.errorString();
            // The disk keeps the old file: forget the copy so the next read sees it.
            files.remove(path);
            return false;
        }
        parsed.format = format;
        parsed.exists = true;
        parsed.dirty = false;
        parsed.stamp = stampOf(path);
        parsed.checkedAt = clock.nsecsElapsed();
        return true;
    }

    bool changed(const QString& path, ParsedFile& parsed)
    {
        parsed.dirty = true;
        if (batches.value(path) > 0)
            return true;
        return save(path, parsed);
    }

    bool write(const QString& path, const QString& section, const QString& key,
               const QString& value)
    {
        ParsedFile* parsed = load(path);
        if (!parsed)
            return false;
        const QString sectionName = section.trimmed();
        const QString name = key.trimmed();
        Section* s = parsed->find(sectionName);

        if (value.isNull()) {
            if (!s || !s->keys.contains(NoCase{name}))
                return true;
            // Every line of that key goes, so that no later duplicate shows through.
            auto& lines = s->lines;
            for (size_t i = lines.size(); i-- > 1;) {
                const KeyLine kl = parseKeyLine(QStringView(lines[i].text).trimmed());
                if (!kl.key.isEmpty() && kl.key.compare(name, Qt::CaseInsensitive) == 0)
                    lines.erase(lines.begin() + qsizetype(i));
            }
            reindex(*s);
            return changed(path, *parsed);
        }

        const QString lineText = name + QLatin1Char('=') + storedValue(value);
        const QString newValue = parseKeyLine(lineText).value.toString();
        if (s) {
            auto found = s->keys.find(NoCase{name});
            if (found != s->keys.end()) {
                // The same value leaves the line, and the file, as they are.
                if (found->value == newValue && parsed->exists)
                    return true;
                Line& line = s->lines[size_t(found->line)];
                // Keep the key as the file spells it.
                const KeyLine old = parseKeyLine(QStringView(line.text).trimmed());
                line.text = old.key.toString() + QLatin1Char('=') + storedValue(value);
                reindex(*s);
                return changed(path, *parsed);
            }
            // After the section's last key line, before its trailing blank lines and comments.
            size_t at = 1;
            for (size_t i = s->lines.size(); i-- > 1;) {
                if (!parseKeyLine(QStringView(s->lines[i].text).trimmed()).key.isEmpty()) {
                    at = i + 1;
                    break;
                }
            }
            if (s->lines[at - 1].eol.isEmpty())
                s->lines[at - 1].eol = parsed->newline;
            s->lines.insert(s->lines.begin() + qsizetype(at), Line{lineText, parsed->newline});
            reindex(*s);
            return changed(path, *parsed);
        }

        auto added = std::make_unique<Section>();
        added->name = sectionName;
        if (!parsed->empty()) {
            parsed->terminateLastLine();
            const Section& last = *parsed->sections.back();
            if (!last.lines.empty() && !QStringView(last.lines.back().text).trimmed().isEmpty())
                parsed->sections.back()->lines.push_back(Line{QString(), parsed->newline});
        }
        added->lines.push_back(
            Line{QLatin1Char('[') + sectionName + QLatin1Char(']'), parsed->newline});
        added->lines.push_back(Line{lineText, parsed->newline});
        reindex(*added);
        parsed->index.insert(NoCase{added->name}, added.get());
        parsed->sections.push_back(std::move(added));
        return changed(path, *parsed);
    }

    bool arrangeSections(const QString& path, const std::function<bool(const QString&)>& isMember,
                         const QList<SectionPlan>& plan)
    {
        ParsedFile* parsed = load(path);
        if (!parsed)
            return false;
        auto& sections = parsed->sections;
        const QString& newline = parsed->newline;

        // The comment lines right above a header belong to that section and move with it.
        std::vector<std::vector<Line>> leading(sections.size());
        for (size_t i = 1; i < sections.size(); ++i) {
            auto& above = sections[i - 1]->lines;
            size_t from = above.size();
            while (from > (sections[i - 1]->preamble ? 0 : 1) &&
                   QStringView(above[from - 1].text).trimmed().startsWith(QLatin1Char(';')))
                --from;
            leading[i].assign(above.begin() + qsizetype(from), above.end());
            above.erase(above.begin() + qsizetype(from), above.end());
        }

        // The members, taken out; where the first of them stood.
        std::vector<std::unique_ptr<Section>> members;
        std::vector<std::vector<Line>> membersLeading;
        std::vector<std::unique_ptr<Section>> others;
        std::vector<std::vector<Line>> othersLeading;
        size_t place = 0;
        for (size_t i = 0; i < sections.size(); ++i) {
            if (i > 0 && isMember(sections[i]->name)) {
                if (members.empty())
                    place = others.size();
                members.push_back(std::move(sections[i]));
                membersLeading.push_back(std::move(leading[i]));
            } else {
                others.push_back(std::move(sections[i]));
                othersLeading.push_back(std::move(leading[i]));
            }
        }
        if (members.empty())
            place = others.size();

        std::vector<std::unique_ptr<Section>> arranged;
        std::vector<std::vector<Line>> arrangedLeading;
        for (const SectionPlan& p : plan) {
            size_t from = members.size();
            for (size_t j = 0; !p.source.isEmpty() && j < members.size(); ++j) {
                if (members[j]->name.compare(p.source.trimmed(), Qt::CaseInsensitive) == 0) {
                    from = j;
                    break;
                }
            }
            std::unique_ptr<Section> section;
            if (from == members.size()) {
                // A new section: a blank line parts it from whatever follows.
                section = std::make_unique<Section>();
                section->lines.push_back(Line{QLatin1Char('[') + p.name + QLatin1Char(']'), {}});
                section->lines.push_back(Line{QString(), newline});
                arrangedLeading.emplace_back();
            } else {
                section = std::make_unique<Section>(*members[from]);
                arrangedLeading.push_back(membersLeading[from]);
            }
            if (section->name != p.name) {
                section->name = p.name;
                section->lines[0].text = QLatin1Char('[') + p.name + QLatin1Char(']');
            }
            for (Line& line : section->lines) {
                if (line.eol.isEmpty())
                    line.eol = newline;
            }
            reindex(*section);
            arranged.push_back(std::move(section));
        }

        // The whole file again, each section's comments above its header.
        sections.clear();
        auto put = [&](std::unique_ptr<Section> section, std::vector<Line> above) {
            if (!above.empty()) {
                auto& before = sections.back()->lines;
                if (!before.empty() && before.back().eol.isEmpty())
                    before.back().eol = newline;
                before.insert(before.end(), above.begin(), above.end());
            }
            sections.push_back(std::move(section));
        };
        for (size_t i = 0; i < others.size(); ++i) {
            if (i == place) {
                for (size_t k = 0; k < arranged.size(); ++k)
                    put(std::move(arranged[k]), std::move(arrangedLeading[k]));
            }
            put(std::move(others[i]), std::move(othersLeading[i]));
        }
        if (place == others.size()) {
            for (size_t k = 0; k < arranged.size(); ++k) {
                // Sections added at the end follow a blank line, as WriteIni adds them.
                auto& before = sections.back()->lines;
                if (k == 0 && !before.empty() && arrangedLeading[k].empty() &&
                    !QStringView(before.back().text).trimmed().isEmpty()) {
                    if (before.back().eol.isEmpty())
                        before.back().eol = newline;
                    before.push_back(Line{QString(), newline});
                }
                put(std::move(arranged[k]), std::move(arrangedLeading[k]));
            }
            // Nor does the file end in the blank line of a new section.
            auto& last = sections.back()->lines;
            if (!arranged.empty() && last.size() == 2 && last.back().text.isEmpty())
                last.pop_back();
        }
        for (const auto& section : sections)
            reindex(*section);
        parsed->rebuildIndex();
        return changed(path, *parsed);
    }

    bool deleteSection(const QString& path, const QString& section)
    {
        ParsedFile* parsed = load(path);
        if (!parsed)
            return false;
        const QString name = section.trimmed();
        if (!parsed->find(name))
            return true;
        // Every section of that name goes, so that no later duplicate shows through.
        std::erase_if(parsed->sections, [&](const std::unique_ptr<Section>& s) {
            return !s->preamble && s->name.compare(name, Qt::CaseInsensitive) == 0;
        });
        parsed->rebuildIndex();
        return changed(path, *parsed);
    }
};

IniFiles::IniFiles() : d(std::make_unique<Impl>())
{
    d->clock.start();
}

IniFiles::~IniFiles()
{
    // Batches left open by mistake still reach the disk.
    const QStringList paths = d->files.keys();
    for (const QString& path : paths) {
        const auto parsed = d->files.value(path);
        if (parsed && parsed->dirty)
            (void)d->save(path, *parsed);
    }
}

QString IniFiles::ReadIni(const QString& section, const QString& key, const QString& file)
{
    if (file.isEmpty())
        return QString();
    const ParsedFile* parsed = d->load(d->pathOf(file), true);
    if (!parsed)
        return QString();
    const Section* s = parsed->find(QStringView(section).trimmed());
    if (!s)
        return QString();
    const auto found = s->keys.constFind(NoCase{QStringView(key).trimmed()});
    return found == s->keys.constEnd() ? QString() : found->value;
}

bool IniFiles::WriteIni(const QString& section, const QString& key, const QString& value,
                        const QString& file)
{
    if (file.isEmpty() || isReadOnly(file))
        return false;
    if (section.trimmed().isEmpty())
        return true;
    if (key.isNull())
        return DeleteSection(section, file);
    const QString name = key.trimmed();
    if (name.isEmpty())
        return true;
    // Names that the file could not give back as they are.
    if (section.contains(QLatin1Char(']')) || hasLineBreak(section) ||
        name.contains(QLatin1Char('=')) || hasLineBreak(name) || name.front() == QLatin1Char(';') ||
        name.front() == QLatin1Char('['))
        return false;
    return d->write(d->pathOf(file), section, key, value);
}

bool IniFiles::DeleteSection(const QString& section, const QString& file)
{
    if (file.isEmpty() || isReadOnly(file))
        return false;
    if (section.trimmed().isEmpty())
        return true;
    return d->deleteSection(d->pathOf(file), section);
}

bool IniFiles::ArrangeSections(const QString& file,
                               const std::function<bool(const QString&)>& isMember,
                               const QList<SectionPlan>& plan)
{
    if (file.isEmpty() || isReadOnly(file))
        return false;
    return d->arrangeSections(d->pathOf(file), isMember, plan);
}

bool IniFiles::FlushIni(const QString& file)
{
    if (file.isEmpty())
        return true;
    const QString path = d->pathOf(file);
    auto it = d->files.find(path);
    if (it == d->files.end())
        return true;
    bool ok = true;
    if ((*it)->dirty)
        ok = d->save(path, **it);
    d->files.remove(path);
    return ok;
}

QString IniFiles::errorString() const
{
    return d->lastError;
}

void IniFiles::setReadOnly(const QString& file, bool readOnly)
{
    if (file.isEmpty())
        return;
    if (readOnly)
        d->readOnly.insert(d->pathOf(file));
    else
        d->readOnly.remove(d->pathOf(file));
}

bool IniFiles::isReadOnly(const QString& file)
{
    return !d->readOnly.isEmpty() && d->readOnly.contains(d->pathOf(file));
}

QString IniFiles::ReadSectionList(const QString& file, const QString& separator)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    const QString text = DecodeText(in.readAll());
    QString list;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (!line.startsWith(QLatin1Char('[')))
            continue;
        const qsizetype close = line.indexOf(QLatin1Char(']'));
        if (close >= 2)
            list += line.sliced(1, close - 1) + separator;
    }
    return list;
}

IniFiles::Batch::Batch(IniFiles& files, const QString& file)
    : m_files(files), m_file(files.d->pathOf(file))
{
    ++m_files.d->batches[m_file];
}

IniFiles::Batch::~Batch()
{
    if (m_open)
        (void)commit();
}

bool IniFiles::Batch::commit()
{
    if (!m_open)
        return true;
    m_open = false;
    auto& batches = m_files.d->batches;
    if (--batches[m_file] > 0)
        return true;
    batches.remove(m_file);
    auto it = m_files.d->files.find(m_file);
    if (it == m_files.d->files.end() || !(*it)->dirty)
        return true;
    return m_files.d->save(m_file, **it);
}

} // namespace glasspane
