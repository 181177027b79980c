#include "document/ini_files.h"

#include "document/ini_lines.h"
#include "document/text.h"
#include "platform/whole_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <vector>

namespace glasspane {

namespace {

struct Line
{
    // A line read from the file refers into the file's text (ParsedFile::source) without a
    // copy; a line this program writes owns its text.
    QString text;
    QString eol; // "\r\n", "\n", "\r", or "" for a last line without one
};

// The text of a view as a QString that refers to it without a copy. Only for views into text
// that outlives the string (the parsed file's own text).
QString refer(QStringView text)
{
    return QString::fromRawData(text.data(), text.size());
}

// A name found without regard to case. Views into text the parsed file owns; they are made
// again whenever that text changes.
struct NoCase
{
    QStringView text;
    bool operator==(const NoCase& other) const { return SameIniName(text, other.text); }
};

size_t qHash(const NoCase& name, size_t seed) noexcept
{
    return IniNameHash(name.text, seed);
}

// One key line of a section: its place, and views of its name and stored value in the line's
// text. A line without '=' is a key without a value.
struct Key
{
    int line = 0; // index in Section::lines()
    QStringView name;
    QStringView value;
    bool hasValue = false;
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

// Characters a name or a value cannot hold: they end its line, or it (a NUL).
bool hasLineBreak(QStringView text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(u'\0');
}

// How a value is written so that reading it gives it back: line breaks and NULs cannot be
// stored and become blanks; blanks around it or an enclosing pair of quotes would be lost on
// reading, so such a value is written in double quotes.
QString storedValue(QString value)
{
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar& c : value) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    }
    const bool blanksAround = !value.isEmpty() && (IsIniBlank(value.front().unicode()) ||
                                                   IsIniBlank(value.back().unicode()));
    if (blanksAround || IniValue(value).size() != value.size())
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

QString lineEnd(IniLineEnd end)
{
    static const QString crLf = QStringLiteral("\r\n");
    static const QString lf = QStringLiteral("\n");
    static const QString cr = QStringLiteral("\r");
    switch (end) {
    case IniLineEnd::CrLf:
        return crLf;
    case IniLineEnd::Lf:
        return lf;
    case IniLineEnd::Cr:
        return cr;
    case IniLineEnd::None:
        break;
    }
    return QString();
}

// Calls f(index, content, eol) for each line of text, eol "" for a last line without one.
template <typename F> void forEachLine(QStringView text, F&& f)
{
    int index = 0;
    ForEachIniLine(text,
                   [&](QStringView content, IniLineEnd end) { f(index++, content, lineEnd(end)); });
}

// Sections with more keys than this also get a hash index; smaller ones are searched in order,
// which is faster than hashing.
constexpr size_t kKeysWithoutIndex = 16;

// A section read from a file stays in the file's text until it is needed: its keys are found
// there when first asked for, and its lines are made when it is changed. A document of
// thousands of sections is thus read at the cost of finding its headers.
struct Section
{
    bool preamble = false; // the lines before the first section header: a section named ""
    QString name;

    // Its lines as the file holds them (line ends included), while no lines were made.
    void setText(QStringView text)
    {
        m_text = text;
        m_lines.clear();
        m_linesMade = false;
        m_keysFound = false;
    }

    // lines()[0] is the header line, except in the preamble. Whoever changes them calls
    // reindex() afterwards.
    std::vector<Line>& lines()
    {
        if (!m_linesMade) {
            m_linesMade = true;
            forEachLine(m_text, [this](int, QStringView content, const QString& eol) {
                m_lines.push_back(Line{refer(content), eol});
            });
            m_text = {};
        }
        return m_lines;
    }

    bool hasLines() const { return m_linesMade ? !m_lines.empty() : !m_text.isEmpty(); }

    void appendTo(QString& out) const
    {
        if (!m_linesMade) {
            out += m_text;
            return;
        }
        for (const Line& l : m_lines) {
            out += l.text;
            out += l.eol;
        }
    }

    // The first key line of that name.
    const Key* findKey(QStringView key) const
    {
        if (!m_keysFound)
            findKeys();
        if (!m_keyIndex.isEmpty()) {
            const auto found = m_keyIndex.constFind(NoCase{key});
            return found == m_keyIndex.constEnd() ? nullptr : &m_keys[size_t(*found)];
        }
        for (const Key& k : m_keys) {
            if (SameIniName(k.name, key))
                return &k;
        }
        return nullptr;
    }

    // Every key line, in file order.
    const std::vector<Key>& keys() const
    {
        if (!m_keysFound)
            findKeys();
        return m_keys;
    }

    // The keys found again after the lines changed.
    void reindex()
    {
        lines();
        m_keysFound = false;
        findKeys();
    }

private:
    void findKeys() const
    {
        m_keysFound = true;
        m_keys.clear();
        const auto add = [this](int index, QStringView content) {
            if (index == 0 && !preamble)
                return; // the header
            const IniLine line = ReadIniLine(content);
            if (line.kind == IniLine::Kind::Key)
                m_keys.push_back(Key{index, line.name, line.value, line.hasValue});
        };
        if (m_linesMade) {
            for (size_t i = 0; i < m_lines.size(); ++i)
                add(int(i), m_lines[i].text);
        } else {
            forEachLine(m_text, [&add](int index, QStringView content, const QString&) {
                add(index, content);
            });
        }
        m_keyIndex.clear();
        if (m_keys.size() <= kKeysWithoutIndex)
            return;
        m_keyIndex.reserve(qsizetype(m_keys.size()));
        for (size_t i = 0; i < m_keys.size(); ++i) {
            if (!m_keyIndex.contains(NoCase{m_keys[i].name}))
                m_keyIndex.insert(NoCase{m_keys[i].name}, int(i));
        }
    }

    QStringView m_text; // into ParsedFile::source
    std::vector<Line> m_lines;
    bool m_linesMade = true; // a new section starts with no lines
    mutable bool m_keysFound = true;
    mutable std::vector<Key> m_keys;       // every key line, in file order
    mutable QHash<NoCase, int> m_keyIndex; // first of each name in m_keys, for large sections
};

void reindex(Section& section)
{
    section.reindex();
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
        index.insert(NoCase{sections.front()->name}, sections.front().get());
    }

    Section* find(QStringView name) const { return index.value(NoCase{name}, nullptr); }

    void rebuildIndex()
    {
        index.clear();
        for (const auto& s : sections) {
            if (!index.contains(NoCase{s->name}))
                index.insert(NoCase{s->name}, s.get());
        }
    }

    // The file's text, which the sections read from it refer to: never changed once parsed.
    QString source;

    void parse(QString&& text)
    {
        source = std::move(text);
        const QStringView all(source);
        bool first = true;
        // Only the headers are looked at here; each section holds its stretch of the text.
        Section* current = sections.front().get();
        qsizetype currentStart = 0;
        ForEachIniLine(all, [&](QStringView line, IniLineEnd end) {
            if (first && end != IniLineEnd::None)
                newline = lineEnd(end);
            first = false;
            const qsizetype from = line.data() - all.data();
            qsizetype at = 0;
            while (at < line.size() && IsIniBlank(line[at].unicode()))
                ++at;
            if (at == line.size() || line[at] != u'[')
                return;
            const IniLine read = ReadIniLine(line);
            if (read.kind != IniLine::Kind::Header)
                return;
            current->setText(all.sliced(currentStart, from - currentStart));
            auto section = std::make_unique<Section>();
            section->name = refer(read.name);
            Section*& known = index[NoCase{section->name}];
            if (!known)
                known = section.get();
            current = section.get();
            currentStart = from;
            sections.push_back(std::move(section));
        });
        current->setText(all.sliced(currentStart));
    }

    QString text() const
    {
        QString out;
        out.reserve(source.size() + 256);
        for (const auto& s : sections)
            s->appendTo(out);
        return out;
    }

    // The last line of the file, given a line end so that lines can follow it.
    void terminateLastLine()
    {
        for (auto it = sections.rbegin(); it != sections.rend(); ++it) {
            if ((*it)->hasLines()) {
                Line& last = (*it)->lines().back();
                if (last.eol.isEmpty())
                    last.eol = newline;
                return;
            }
        }
    }

    bool empty() const
    {
        for (const auto& s : sections) {
            if (s->hasLines())
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
    WriteFaults faults;                                // said once per path and reason
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
            DecodedText decoded = DecodeIniText(file.readAll());
            file.close();
            parsed->format = decoded.format;
            parsed->exists = true;
            parsed->parse(std::move(decoded.text));
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
        const QByteArray bytes = EncodeIniText(parsed.text(), format);
        // What the disk holds already is not written again: a save that changed nothing
        // leaves the file (and its time) alone.
        QFile held(path);
        const bool same = parsed.exists && held.open(QIODevice::ReadOnly) &&
                          held.size() == bytes.size() && held.readAll() == bytes;
        held.close();
        QString error;
        if (!same && !WriteWholeFile(path, bytes, &error)) {
            lastError = error;
            faults.failed(path, error, QStringLiteral("it keeps what it held"));
            // The disk keeps the old file: forget the copy so the next read sees it.
            files.remove(path);
            return false;
        }
        if (!same)
            faults.written(path);
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
        const QString sectionName = TrimIniBlanks(section).toString();
        const QString name = TrimIniBlanks(key).toString();
        Section* s = parsed->find(sectionName);

        if (value.isNull()) {
            if (!s || !s->findKey(name))
                return true;
            // Every line of that key goes, so that no later duplicate shows through.
            auto& lines = s->lines();
            for (size_t i = lines.size(); i-- > 1;) {
                const IniLine line = ReadIniLine(lines[i].text);
                if (line.kind == IniLine::Kind::Key && SameIniName(line.name, name))
                    lines.erase(lines.begin() + qsizetype(i));
            }
            reindex(*s);
            return changed(path, *parsed);
        }

        const QString lineText = name + QLatin1Char('=') + storedValue(value);
        const QStringView newValue = IniValue(ReadIniLine(lineText).value);
        if (s) {
            if (const Key* found = s->findKey(name)) {
                // The same value leaves the line, and the file, as they are.
                if (found->hasValue && IniValue(found->value) == newValue && parsed->exists)
                    return true;
                Line& line = s->lines()[size_t(found->line)];
                // Keep the key as the file spells it.
                const QString oldName = ReadIniLine(line.text).name.toString();
                line.text = oldName + QLatin1Char('=') + storedValue(value);
                reindex(*s);
                return changed(path, *parsed);
            }
            // After the section's last key line, before its trailing blank lines and comments.
            size_t at = 1;
            for (size_t i = s->lines().size(); i-- > 1;) {
                const IniLine line = ReadIniLine(s->lines()[i].text);
                if (line.kind == IniLine::Kind::Key && !IsIniComment(line.name)) {
                    at = i + 1;
                    break;
                }
            }
            if (s->lines()[at - 1].eol.isEmpty())
                s->lines()[at - 1].eol = parsed->newline;
            s->lines().insert(s->lines().begin() + qsizetype(at), Line{lineText, parsed->newline});
            reindex(*s);
            return changed(path, *parsed);
        }

        auto added = std::make_unique<Section>();
        added->name = sectionName;
        if (!parsed->empty()) {
            parsed->terminateLastLine();
            auto& last = parsed->sections.back()->lines();
            if (!last.empty() && !TrimIniBlanks(last.back().text).isEmpty())
                last.push_back(Line{QString(), parsed->newline});
        }
        added->lines().push_back(
            Line{QLatin1Char('[') + sectionName + QLatin1Char(']'), parsed->newline});
        added->lines().push_back(Line{lineText, parsed->newline});
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
            auto& above = sections[i - 1]->lines();
            size_t from = above.size();
            while (from > (sections[i - 1]->preamble ? 0 : 1) &&
                   TrimIniBlanks(above[from - 1].text).startsWith(u';'))
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
                if (SameIniName(members[j]->name, TrimIniBlanks(p.source))) {
                    from = j;
                    break;
                }
            }
            std::unique_ptr<Section> section;
            if (from == members.size()) {
                // A new section: a blank line parts it from whatever follows.
                section = std::make_unique<Section>();
                section->lines().push_back(Line{QLatin1Char('[') + p.name + QLatin1Char(']'), {}});
                section->lines().push_back(Line{QString(), newline});
                arrangedLeading.emplace_back();
            } else {
                section = std::make_unique<Section>(*members[from]);
                arrangedLeading.push_back(membersLeading[from]);
            }
            if (section->name != p.name) {
                section->name = p.name;
                section->lines()[0].text = QLatin1Char('[') + p.name + QLatin1Char(']');
            }
            for (Line& line : section->lines()) {
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
                auto& before = sections.back()->lines();
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
                auto& before = sections.back()->lines();
                if (k == 0 && !before.empty() && arrangedLeading[k].empty() &&
                    !TrimIniBlanks(before.back().text).isEmpty()) {
                    if (before.back().eol.isEmpty())
                        before.back().eol = newline;
                    before.push_back(Line{QString(), newline});
                }
                put(std::move(arranged[k]), std::move(arrangedLeading[k]));
            }
            // Nor does the file end in the blank line of a new section.
            auto& last = sections.back()->lines();
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
        const QStringView name = TrimIniBlanks(section);
        if (!parsed->find(name))
            return true;
        // Every section of that name goes, so that no later duplicate shows through.
        std::erase_if(parsed->sections, [&](const std::unique_ptr<Section>& s) {
            return !s->preamble && SameIniName(s->name, name);
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
    const Section* s = parsed->find(TrimIniBlanks(section));
    if (!s)
        return QString();
    const Key* found = s->findKey(TrimIniBlanks(key));
    return found && found->hasValue ? IniValue(found->value).toString() : QString();
}

QStringList IniFiles::ReadIniKeys(const QString& section, const QStringList& keys,
                                  const QString& file)
{
    QStringList values;
    values.reserve(keys.size());
    const ParsedFile* parsed = file.isEmpty() ? nullptr : d->load(d->pathOf(file), true);
    const Section* s = parsed ? parsed->find(TrimIniBlanks(section)) : nullptr;
    for (const QString& key : keys) {
        const Key* found = s ? s->findKey(TrimIniBlanks(key)) : nullptr;
        values.append(found && found->hasValue ? IniValue(found->value).toString() : QString());
    }
    return values;
}

QStringList IniFiles::ReadKeyNames(const QString& section, const QString& file)
{
    QStringList names;
    const ParsedFile* parsed = file.isEmpty() ? nullptr : d->load(d->pathOf(file), true);
    // Windows finds the section for this list by its name as given, untrimmed: a section
    // whose name ends in blanks (before a NUL) is listed, while no value of it can be read.
    const Section* s = parsed ? parsed->find(section) : nullptr;
    if (!s)
        return names;
    // A key without a name right after another one (lines of only "=value") is no key of its
    // own for Windows.
    bool lastUnnamed = false;
    for (const Key& k : s->keys()) {
        if (k.name.isEmpty() && lastUnnamed)
            continue;
        lastUnnamed = k.name.isEmpty();
        if (k.hasValue && !IsIniComment(k.name))
            names.append(k.name.toString());
    }
    // A list that begins with a key without a name reads as no list at all.
    if (!names.isEmpty() && names.first().isEmpty())
        names.clear();
    return names;
}

bool IniFiles::WriteIni(const QString& section, const QString& key, const QString& value,
                        const QString& file)
{
    if (file.isEmpty() || isReadOnly(file))
        return false;
    if (TrimIniBlanks(section).isEmpty())
        return true;
    if (key.isNull())
        return DeleteSection(section, file);
    const QStringView name = TrimIniBlanks(key);
    if (name.isEmpty())
        return true;
    // Names that the file could not give back as they are.
    if (section.contains(QLatin1Char(']')) || hasLineBreak(section) || name.contains(u'=') ||
        hasLineBreak(name) || name.front() == u';' || name.front() == u'[')
        return false;
    return d->write(d->pathOf(file), section, key, value);
}

bool IniFiles::DeleteSection(const QString& section, const QString& file)
{
    if (file.isEmpty() || isReadOnly(file))
        return false;
    if (TrimIniBlanks(section).isEmpty())
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

void IniFiles::failureAlreadySaid(const QString& file)
{
    if (!file.isEmpty())
        d->faults.alreadySaid(d->pathOf(file));
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

QStringList IniFiles::ReadSectionNames(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QString text = DecodeIniText(in.readAll()).text;
    QStringList names;
    ForEachIniLine(text, [&names](QStringView line, IniLineEnd) {
        if (!TrimIniBlanks(line).startsWith(u'['))
            return;
        const IniLine read = ReadIniLine(line);
        if (read.kind == IniLine::Kind::Header && !read.name.isEmpty())
            names.append(read.name.toString());
    });
    return names;
}

QString IniFiles::ReadSectionList(const QString& file, const QString& separator)
{
    QString list;
    for (const QString& name : ReadSectionNames(file))
        list += name + separator;
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
