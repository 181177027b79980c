#include "platform/linux/reg_hive_registry.h"

#include "platform/linux/linux_system.h"
#include "platform/log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace glasspane {

namespace {

const QString kSignature = QStringLiteral("Windows Registry Editor Version 5.00");

// Keys and values beyond this many are found through an index rather than one by one.
constexpr size_t kIndexFrom = 8;

QString folded(QStringView name)
{
    return name.toString().toCaseFolded();
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Position of the entry named name in items (each with a .name), -1 when there is none.
template <typename Items>
int positionOf(const Items& items, const QHash<QString, int>& index, QStringView name)
{
    if (!index.isEmpty())
        return index.value(folded(name), -1);
    for (size_t i = 0; i < items.size(); ++i) {
        if (sameName(items[i].name, name))
            return int(i);
    }
    return -1;
}

template <typename Node> auto findChild(Node& node, QStringView name)
{
    const int at = positionOf(node.children, node.childIndex, name);
    return at < 0 ? node.children.end() : node.children.begin() + at;
}
template <typename Node> auto findValue(Node& node, QStringView name)
{
    const int at = positionOf(node.values, node.valueIndex, name);
    return at < 0 ? node.values.end() : node.values.begin() + at;
}

template <typename Items> void reindex(const Items& items, QHash<QString, int>& index)
{
    index.clear();
    if (items.size() <= kIndexFrom)
        return;
    index.reserve(qsizetype(items.size()));
    for (size_t i = 0; i < items.size(); ++i)
        index.insert(folded(items[i].name), int(i));
}

// Appends an entry, keeping the index (made once there are enough entries).
template <typename Items, typename Item>
void append(Items& items, QHash<QString, int>& index, Item&& item)
{
    items.push_back(std::forward<Item>(item));
    if (!index.isEmpty())
        index.insert(folded(items.back().name), int(items.size() - 1));
    else if (items.size() > kIndexFrom)
        reindex(items, index);
}

// A string value that a .reg file can hold between quotes on one line: UTF-16 with exactly one
// NUL at its end, no line breaks, and no unpaired surrogate (which no file encoding keeps).
// Anything else is written as hex(1) so it survives intact.
bool plainString(const QByteArray& data, QString* text)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    QString result;
    const qsizetype count = data.size() / 2;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t c =
            char16_t(quint8(data[2 * i])) | char16_t(char16_t(quint8(data[2 * i + 1])) << 8);
        const bool last = i == count - 1;
        if (last != (c == 0))
            return false;
        if (c == u'\n' || c == u'\r')
            return false;
        if (!last)
            result.append(QChar(c));
    }
    if (!result.isValidUtf16())
        return false;
    *text = result;
    return true;
}

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool readQuoted(QStringView line, qsizetype& pos, QString* text)
{
    if (pos >= line.size() || line[pos] != u'"')
        return false;
    ++pos;
    QString out;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'"') {
            ++pos;
            *text = out;
            return true;
        }
        if (c == u'\\' && pos + 1 < line.size()) {
            const QChar next = line[pos + 1];
            if (next == u'\\' || next == u'"') {
                out += next;
                pos += 2;
                continue;
            }
        }
        out += c;
        ++pos;
    }
    return false;
}

void skipBlanks(QStringView line, qsizetype& pos)
{
    while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t'))
        ++pos;
}

bool parseHexBytes(QStringView text, QByteArray* out)
{
    QByteArray bytes;
    for (QStringView part : text.split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        bool ok = false;
        const uint byte = part.toUInt(&ok, 16);
        if (!ok || byte > 0xff)
            return false;
        bytes.append(char(byte));
    }
    *out = bytes;
    return true;
}

QString hexLine(const QString& head, const QByteArray& data, const QString& newline)
{
    // Wrapped the way registry exports are, so long binary values stay readable.
    QString out = head;
    qsizetype lineLength = head.size();
    for (qsizetype i = 0; i < data.size(); ++i) {
        QString token = QString::asprintf("%02x", uint(quint8(data[i])));
        if (i + 1 < data.size())
            token += u',';
        if (lineLength + token.size() > 77) {
            out += u'\\' + newline + QStringLiteral("  ");
            lineLength = 2;
        }
        out += token;
        lineLength += token.size();
    }
    return out;
}

QString valueLine(const QString& name, const RegValue& value, const QString& newline)
{
    const QString head = (name.isEmpty() ? QStringLiteral("@") : quoted(name)) + u'=';
    QString text;
    switch (value.type) {
    case RegType::String:
        if (plainString(value.data, &text))
            return head + quoted(text);
        return hexLine(head + QStringLiteral("hex(1):"), value.data, newline);
    case RegType::DWord:
        if (value.data.size() == 4) {
            const quint32 number = qFromLittleEndian<quint32>(value.data.constData());
            return head + QString::asprintf("dword:%08x", number);
        }
        return hexLine(head + QStringLiteral("hex(4):"), value.data, newline);
    case RegType::Binary:
        return hexLine(head + QStringLiteral("hex:"), value.data, newline);
    default:
        return hexLine(head + QStringLiteral("hex(%1):").arg(quint32(value.type), 0, 16),
                       value.data, newline);
    }
}

// The value of a "name"=data line (data as it follows the '='); false when it is none.
bool parseData(QStringView data, RegValue* value)
{
    if (data.startsWith(u'"')) {
        QString text;
        qsizetype at = 0;
        if (!readQuoted(data, at, &text))
            return false;
        value->type = RegType::String;
        value->data = regStringData(text);
        return true;
    }
    if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
        bool ok = false;
        const QStringView digits = data.mid(6).trimmed();
        const quint32 number = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8)
            return false;
        value->type = RegType::DWord;
        value->data.resize(4);
        qToLittleEndian(number, value->data.data());
        return true;
    }
    if (data.startsWith(u"hex", Qt::CaseInsensitive)) {
        const qsizetype colon = data.indexOf(u':');
        if (colon < 0)
            return false;
        const QStringView kind = data.mid(3, colon - 3).trimmed();
        if (kind.isEmpty()) {
            value->type = RegType::Binary;
        } else if (kind.startsWith(u'(') && kind.endsWith(u')')) {
            bool ok = false;
            const quint32 type = kind.mid(1, kind.size() - 2).toUInt(&ok, 16);
            if (!ok)
                return false;
            value->type = RegType(type);
        } else {
            return false;
        }
        return parseHexBytes(data.mid(colon + 1), &value->data);
    }
    return false;
}

// The accepted spellings of each root in a key line.
bool rootMatches(QStringView word, const QString& rootName)
{
    if (word.compare(rootName, Qt::CaseInsensitive) == 0)
        return true;
    static constexpr std::pair<const char16_t*, const char16_t*> shortNames[] = {
        {u"HKCU", u"HKEY_CURRENT_USER"},
        {u"HKLM", u"HKEY_LOCAL_MACHINE"},
        {u"HKCR", u"HKEY_CLASSES_ROOT"},
    };
    for (const auto& [shortName, longName] : shortNames) {
        if (word.compare(QStringView(shortName), Qt::CaseInsensitive) == 0)
            return QStringView(longName).compare(rootName, Qt::CaseInsensitive) == 0;
    }
    return false;
}

// A name that a .reg line can hold.
bool storableName(const QString& name)
{
    return !name.contains(u'\n') && !name.contains(u'\r') && !name.contains(QChar(0)) &&
           name.isValidUtf16();
}

template <typename List> bool storablePath(const List& path)
{
    return path.size() <= RegHive::MaxDepth;
}

// The name of a "name"=... value line ("" for '@' and for a line that is none).
QString valueNameOf(QStringView line)
{
    line = line.trimmed();
    QString name;
    qsizetype pos = 0;
    if (!line.startsWith(u'@'))
        (void)readQuoted(line, pos, &name);
    return name;
}

// The text without the line end of one physical line.
QStringView withoutLineEnd(QStringView line)
{
    if (line.endsWith(u'\n'))
        line.chop(1);
    if (line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

// Visits every key, each before its subkeys, without recursion (keys may nest deeply). path
// holds the root's name and the names down to the key.
template <typename Visit>
void walkKeys(const RegKeyNode& root, const QString& rootName, Visit&& visit)
{
    std::vector<std::pair<const RegKeyNode*, int>> pending{{&root, 0}};
    QStringList path{rootName};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        path.resize(depth + 1);
        if (node != &root)
            path.append(node->name);
        visit(*node, std::as_const(path));
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
            pending.emplace_back(&*it, int(path.size()) - 1);
    }
}

// A key's section as the program writes it: header, values, a blank line.
QString keyBlock(const RegKeyNode& node, const QStringList& path, const QString& nl)
{
    QString out = u'[' + path.join(u'\\') + u']' + nl;
    for (const RegValueEntry& entry : node.values)
        out += valueLine(entry.name, entry.value, nl) + nl;
    return out + nl;
}

} // namespace

QStringList RegHive::splitPath(const QString& subKey)
{
    return subKey.split(u'\\', Qt::SkipEmptyParts);
}

const RegKeyNode* RegHive::find(const QStringList& path) const
{
    const RegKeyNode* node = &m_root;
    for (const QString& part : path) {
        const auto child = findChild(*node, part);
        if (child == node->children.end())
            return nullptr;
        node = &*child;
    }
    return node;
}

RegKeyNode* RegHive::find(const QStringList& path)
{
    return const_cast<RegKeyNode*>(std::as_const(*this).find(path));
}

RegKeyNode& RegHive::ensure(const QStringList& path, bool implicitParents)
{
    RegKeyNode* node = &m_root;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QString& part = path[i];
        const bool last = i == path.size() - 1;
        const auto child = findChild(*node, part);
        if (child != node->children.end()) {
            node = &*child;
            if (last)
                node->implicit = false;
        } else {
            RegKeyNode added;
            added.name = part;
            added.birth = ++m_births;
            added.implicit = implicitParents && !last;
            append(node->children, node->childIndex, std::move(added));
            node = &node->children.back();
            ++m_revision;
        }
    }
    return *node;
}

void RegHive::markTouched(const RegKeyNode& node, const QString& name)
{
    if (!m_sections.empty())
        m_touched.insert(QString::number(node.birth) + u':' + folded(name));
}

long RegHive::queryValue(const QString& subKey, const QString& name, RegValue* value) const
{
    const RegKeyNode* node = find(splitPath(subKey));
    if (!node)
        return RegStatus::FileNotFound;
    const auto found = findValue(*node, name);
    if (found == node->values.end())
        return RegStatus::FileNotFound;
    if (value)
        *value = found->value;
    return RegStatus::Success;
}

long RegHive::setValue(const QString& subKey, const QString& name, const RegValue& value)
{
    const QStringList path = splitPath(subKey);
    if (!storableName(subKey) || !storableName(name) || !storablePath(path))
        return RegStatus::InvalidData;
    RegKeyNode& node = ensure(path, false);
    const auto found = findValue(node, name);
    if (found == node.values.end()) {
        append(node.values, node.valueIndex, RegValueEntry{name, value, 0, true});
        markTouched(node, name);
        ++m_revision;
    } else if (found->value.type != value.type || found->value.data != value.data) {
        found->value = value;
        found->changed = true;
        markTouched(node, name);
        ++m_revision;
    }
    return RegStatus::Success;
}

long RegHive::deleteValue(const QString& subKey, const QString& name)
{
    RegKeyNode* node = find(splitPath(subKey));
    if (!node)
        return RegStatus::FileNotFound;
    const auto found = findValue(*node, name);
    if (found == node->values.end())
        return RegStatus::FileNotFound;
    node->values.erase(found);
    reindex(node->values, node->valueIndex);
    markTouched(*node, name);
    ++m_revision;
    return RegStatus::Success;
}

bool RegHive::keyExists(const QString& subKey) const
{
    return find(splitPath(subKey)) != nullptr;
}

long RegHive::createKey(const QString& subKey)
{
    const QStringList path = splitPath(subKey);
    if (!storableName(subKey) || !storablePath(path))
        return RegStatus::InvalidData;
    RegKeyNode& node = ensure(path, false);
    if (node.implicit) {
        // It now needs a section of its own should its subkeys go.
        node.implicit = false;
        ++m_revision;
    }
    return RegStatus::Success;
}

long RegHive::deleteKey(const QString& subKey)
{
    QStringList path = splitPath(subKey);
    if (path.isEmpty())
        return RegStatus::AccessDenied;
    const QString last = path.takeLast();
    RegKeyNode* parent = find(path);
    if (!parent)
        return RegStatus::FileNotFound;
    const auto found = findChild(*parent, last);
    if (found == parent->children.end())
        return RegStatus::FileNotFound;
    if (!m_sections.empty()) {
        // The sections of the key and of its subkeys go with it.
        std::vector<const RegKeyNode*> pending{&*found};
        while (!pending.empty()) {
            const RegKeyNode* node = pending.back();
            pending.pop_back();
            m_removed.insert(node->birth);
            for (const RegKeyNode& child : node->children)
                pending.push_back(&child);
        }
    }
    parent->children.erase(found);
    reindex(parent->children, parent->childIndex);
    ++m_revision;
    return RegStatus::Success;
}

QStringList RegHive::valueNames(const QString& subKey) const
{
    QStringList names;
    if (const RegKeyNode* node = find(splitPath(subKey))) {
        for (const RegValueEntry& entry : node->values)
            names.append(entry.name);
    }
    return names;
}

QStringList RegHive::subKeyNames(const QString& subKey) const
{
    QStringList names;
    if (const RegKeyNode* node = find(splitPath(subKey))) {
        for (const RegKeyNode& child : node->children)
            names.append(child.name);
    }
    return names;
}

bool RegHive::sameContents(const RegHive& a, const RegHive& b)
{
    std::vector<std::pair<const RegKeyNode*, const RegKeyNode*>> pending{{&a.m_root, &b.m_root}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (x->values.size() != y->values.size() || x->children.size() != y->children.size())
            return false;
        for (const RegValueEntry& entry : x->values) {
            const auto other = findValue(*y, entry.name);
            if (other == y->values.end() || other->value.type != entry.value.type ||
                other->value.data != entry.value.data)
                return false;
        }
        for (const RegKeyNode& child : x->children) {
            const auto other = findChild(*y, child.name);
            if (other == y->children.end())
                return false;
            pending.emplace_back(&child, &*other);
        }
    }
    return true;
}

void RegHive::parseText(const QString& text, const QString& rootName)
{
    m_text = text;
    m_sections.clear();
    m_sections.reserve(size_t(text.count(u'[')) + 1);
    m_sections.push_back(Section{});
    m_sections.back().preamble = true;
    bool newlineSeen = false;
    bool inHive = false;           // the current key belongs to this hive
    RegKeyNode* current = nullptr; // the key of the current section

    // The keys of the last header, from the root down, with their names in the file: headers
    // that follow each other mostly share their parents, found again here without a search.
    // Only the parents of a new key are ever reused, and adding a key moves none of them.
    std::vector<RegKeyNode*> lastNodes;
    QList<QStringView> lastPath;

    auto addLine = [this](const Line& line) { m_sections.back().lines.push_back(line); };
    const QStringView all(m_text);

    qsizetype from = 0;
    QString joined; // a logical line made of several physical ones
    while (from < all.size()) {
        // One logical line: values may continue on the next line after a trailing backslash
        // (wrapped hex data).
        Line line;
        line.from = from;
        QStringView content;
        joined.clear();
        bool several = false;
        for (;;) {
            const qsizetype nl = all.indexOf(u'\n', from);
            const qsizetype end = nl < 0 ? all.size() : nl + 1;
            const QStringView physical = all.sliced(from, end - from);
            if (!newlineSeen && nl >= 0) {
                m_newline =
                    physical.endsWith(u"\r\n") ? QStringLiteral("\r\n") : QStringLiteral("\n");
                newlineSeen = true;
            }
            const QStringView piece = withoutLineEnd(physical).trimmed();
            from = end;
            if (!several) {
                content = piece;
            } else {
                joined += piece;
                content = joined;
            }
            if (content.startsWith(u'[') || !content.endsWith(u'\\'))
                break;
            content.chop(1);
            if (from >= all.size())
                break;
            if (!several) {
                joined = content.toString();
                several = true;
            } else {
                joined.chop(1);
            }
        }
        line.size = from - line.from;

        if (content.isEmpty() || content.startsWith(u';')) {
            addLine(line);
            continue;
        }
        if (content.startsWith(u'[')) {
            const qsizetype close = content.lastIndexOf(u']');
            QStringView keyText = close < 0 ? QStringView() : content.sliced(1, close - 1);
            const bool remove = keyText.startsWith(u'-');
            if (remove)
                keyText = keyText.sliced(1);
            QList<QStringView> path = keyText.split(u'\\', Qt::SkipEmptyParts);
            inHive = close >= 0 && !path.isEmpty() && rootMatches(path.first(), rootName) &&
                     !keyText.contains(QChar(0)) && storablePath(path.mid(1));
            if (!inHive) {
                addLine(line);
                continue;
            }
            path.removeFirst();
            if (remove) {
                // Earlier sections of the key stay in the file as they were; they are dead
                // text now, since this line deletes what they made.
                if (!path.isEmpty()) {
                    QStringList names;
                    for (QStringView part : std::as_const(path))
                        names.append(part.toString());
                    (void)deleteKey(names.join(u'\\'));
                }
                lastNodes.clear();
                lastPath.clear();
                inHive = false;
                addLine(line);
                continue;
            }
            // The shared parents of the last header, then the rest found or made.
            qsizetype same = 0;
            while (same < path.size() && same < lastPath.size() &&
                   sameName(path[same], lastPath[same]))
                ++same;
            // (No last header yet, or one that deleted its key: nothing to share, not even the
            // root, which a header of the root alone names.)
            if (!lastNodes.empty() && same == path.size() && same == lastPath.size()) {
                current = lastNodes.back();
            } else {
                lastNodes.resize(size_t(same) + 1);
                if (same == 0)
                    lastNodes[0] = &m_root;
                RegKeyNode* node = lastNodes.back();
                for (qsizetype i = same; i < path.size(); ++i) {
                    const auto child = findChild(*node, path[i]);
                    if (child != node->children.end()) {
                        node = &*child;
                    } else {
                        RegKeyNode added;
                        added.name = path[i].toString();
                        added.birth = ++m_births;
                        added.implicit = true;
                        append(node->children, node->childIndex, std::move(added));
                        node = &node->children.back();
                    }
                    lastNodes.push_back(node);
                }
                current = node;
                lastPath = path;
            }
            current->implicit = false;
            Section section;
            section.birth = current->birth;
            section.lines.reserve(8);
            section.lines.push_back(line);
            m_sections.push_back(std::move(section));
            continue;
        }
        if (!inHive) {
            addLine(line);
            continue;
        }

        qsizetype pos = 0;
        QString name;
        if (content.startsWith(u'@')) {
            pos = 1;
        } else if (!readQuoted(content, pos, &name)) {
            addLine(line);
            continue;
        }
        skipBlanks(content, pos);
        if (pos >= content.size() || content[pos] != u'=' || !storableName(name)) {
            addLine(line);
            continue;
        }
        ++pos;
        const QStringView data = content.sliced(pos).trimmed();
        if (data == u"-") {
            const auto found = findValue(*current, name);
            if (found != current->values.end()) {
                current->values.erase(found);
                reindex(current->values, current->valueIndex);
            }
            line.valueLine = true;
            addLine(line);
            continue;
        }
        RegValue value;
        if (!parseData(data, &value)) {
            addLine(line);
            continue;
        }
        line.valueLine = true;
        line.item = ++m_items;
        const auto found = findValue(*current, name);
        if (found == current->values.end()) {
            append(current->values, current->valueIndex,
                   RegValueEntry{std::move(name), std::move(value), line.item, false});
        } else {
            found->value = std::move(value);
            found->item = line.item;
        }
        addLine(line);
    }
    // What the file said was read, not done by the program.
    m_removed.clear();
    m_touched.clear();
}

QString RegHive::canonicalText(const QString& rootName) const
{
    const QString& nl = m_newline;
    QString out = kSignature + nl + nl;
    walkKeys(m_root, rootName, [&](const RegKeyNode& node, const QStringList& path) {
        if (&node != &m_root || !node.values.empty())
            out += keyBlock(node, path, nl);
    });
    return out;
}

QString RegHive::layoutText(const QString& rootName) const
{
    const QString& nl = m_newline;
    QString out;
    out.reserve(m_text.size() + 1024);
    auto startLine = [&out, &nl] {
        if (!out.isEmpty() && !out.endsWith(u'\n'))
            out += nl;
    };
    auto newValues = [&](const RegKeyNode& node) {
        for (const RegValueEntry& entry : node.values) {
            if (entry.item == 0) {
                startLine();
                out += valueLine(entry.name, entry.value, nl) + nl;
            }
        }
    };

    // The keys alive by birth, and the values read from the file by the line that gave them.
    QHash<quint64, const RegKeyNode*> keys;
    QHash<int, const RegValueEntry*> items;
    keys.reserve(qsizetype(m_births) + 1);
    items.reserve(m_items);
    std::vector<const RegKeyNode*> walk{&m_root};
    while (!walk.empty()) {
        const RegKeyNode* node = walk.back();
        walk.pop_back();
        keys.insert(node->birth, node);
        for (const RegValueEntry& entry : node->values) {
            if (entry.item != 0)
                items.insert(entry.item, &entry);
        }
        for (const RegKeyNode& child : node->children)
            walk.push_back(&child);
    }

    // Which key each section belongs to, and the last section of each key (where its new
    // values go). A section of a key the file itself deleted later has none and stays as it
    // was; a section of a key the program deleted goes.
    std::vector<const RegKeyNode*> owner(m_sections.size(), nullptr);
    QHash<const RegKeyNode*, size_t> lastSection;
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const Section& s = m_sections[i];
        if (s.preamble || m_removed.contains(s.birth))
            continue;
        if (const RegKeyNode* node = keys.value(s.birth)) {
            owner[i] = node;
            lastSection[node] = i;
        }
    }

    if (m_sections.size() == 1 && m_sections.front().lines.empty())
        out += kSignature + nl + nl;
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const Section& s = m_sections[i];
        if (!s.preamble && m_removed.contains(s.birth))
            continue;
        const RegKeyNode* node = owner[i];
        if (!node) {
            for (const Line& line : s.lines)
                out += lineText(line);
            continue;
        }
        size_t insertAfter = 0;
        for (size_t j = 1; j < s.lines.size(); ++j) {
            if (s.lines[j].valueLine)
                insertAfter = j;
        }
        const bool lastOfKey = lastSection.value(node) == i;
        for (size_t j = 0; j < s.lines.size(); ++j) {
            const Line& line = s.lines[j];
            const QStringView text = lineText(line);
            if (line.item == 0) {
                out += text;
            } else if (const RegValueEntry* entry = items.value(line.item)) {
                if (entry->changed) {
                    startLine();
                    out += valueLine(entry->name, entry->value, nl);
                    if (text.endsWith(u'\n'))
                        out += nl;
                } else {
                    out += text;
                }
            } else if (!m_touched.contains(QString::number(node->birth) + u':' +
                                           folded(valueNameOf(text)))) {
                // A line the file itself overrode or deleted later: harmless, kept.
                out += text;
            }
            if (j == insertAfter && lastOfKey)
                newValues(*node);
        }
    }

    // Keys without a section in the file, at the end, each before its subkeys.
    walkKeys(m_root, rootName, [&](const RegKeyNode& node, const QStringList& path) {
        const bool needed = &node == &m_root
                                ? !node.values.empty()
                                : !node.implicit || !node.values.empty() || node.children.empty();
        if (!needed || lastSection.contains(&node))
            return;
        // A key whose subkeys the file itself deleted is still made by their headers in the
        // kept text. (Should a header be found where none is, the check of the laid-out text
        // below sees the key missing and writes the hive whole.)
        if (node.implicit && node.values.empty() &&
            out.contains(u'[' + path.join(u'\\') + u'\\', Qt::CaseInsensitive))
            return;
        startLine();
        if (!out.isEmpty() && !out.endsWith(nl + nl))
            out += nl;
        out += keyBlock(node, path, nl);
    });
    return out;
}

QByteArray RegHive::encoded(const QString& text) const
{
    switch (m_encoding) {
    case Encoding::Utf8Bom:
        return QByteArray("\xef\xbb\xbf") + text.toUtf8();
    case Encoding::Utf16LE:
        return QByteArray("\xff\xfe") + QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(text));
    case Encoding::Utf16BE:
        return QByteArray("\xfe\xff") + QByteArray(QStringEncoder(QStringEncoder::Utf16BE)(text));
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

QByteArray RegHive::toRegFile(const QString& rootName) const
{
    if (m_sections.empty())
        return encoded(canonicalText(rootName));
    const QString text = layoutText(rootName);
    // The text kept from the file must not change what the hive holds (a deletion line the
    // file had, say); should it, the hive is written in the program's own form instead.
    RegHive check;
    check.parseText(text, rootName);
    if (sameContents(check, *this))
        return encoded(text);
    qCDebug(lcGlasspane) << "the hand-written form of the" << rootName
                         << "hive could not be kept; it is written anew";
    return encoded(canonicalText(rootName));
}

RegHive RegHive::fromRegFile(const QByteArray& bytes, const QString& rootName)
{
    RegHive hive;
    QString text;
    if (bytes.startsWith("\xff\xfe")) {
        hive.m_encoding = Encoding::Utf16LE;
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    } else if (bytes.startsWith("\xfe\xff")) {
        hive.m_encoding = Encoding::Utf16BE;
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    } else if (bytes.startsWith("\xef\xbb\xbf")) {
        hive.m_encoding = Encoding::Utf8Bom;
        text = QString::fromUtf8(bytes.mid(3));
    } else {
        text = QString::fromUtf8(bytes);
    }
    hive.parseText(text, rootName);
    return hive;
}

QString regRootName(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case RegRoot::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegRoot::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    }
    return {};
}

RegHivePaths RegHivePaths::standard()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString machine = linuxMachineFolder();
    return RegHivePaths{config + QStringLiteral("/glasspane/user.reg"),
                        machine + QStringLiteral("machine.reg"),
                        machine + QStringLiteral("classes.reg")};
}

// One hive file with its parsed copy.
class RegHiveRegistry::HiveFile
{
public:
    HiveFile(RegRoot root, QString path, bool privateToUser)
        : m_rootName(regRootName(root)), m_path(std::move(path)), m_private(privateToUser)
    {}

    const QString& path() const { return m_path; }

    // The parsed copy, renewed when the file changed on disk. Status AccessDenied when the file
    // exists but cannot be read.
    const RegHive& current(long* status = nullptr)
    {
        const Signature now = signature();
        if (!m_loaded || now != m_signature)
            load(now);
        if (status)
            *status = m_readable ? RegStatus::Success : RegStatus::AccessDenied;
        return m_hive;
    }

    template <typename Change> long modify(Change&& change)
    {
        if (!makeFolder(QFileInfo(m_path).absolutePath()))
            return RegStatus::AccessDenied;

        const QString lockPath = m_path + QStringLiteral(".lock");
        // Something that is no lock file is in the way: waiting would not help.
        if (QFileInfo(lockPath).exists() && !QFileInfo(lockPath).isFile())
            return RegStatus::AccessDenied;
        QLockFile lock(lockPath);
        // Short, even steps: QLockFile's own wait doubles its pauses, which makes writers
        // that take turns wait for seconds.
        QDeadlineTimer deadline(LockWaitMs);
        bool locked = lock.tryLock(0);
        while (!locked && lock.error() == QLockFile::LockFailedError && !deadline.hasExpired()) {
            QThread::msleep(5);
            locked = lock.tryLock(0);
        }
        if (!locked) {
            return lock.error() == QLockFile::LockFailedError ? RegStatus::WriteFault
                                                              : RegStatus::AccessDenied;
        }
        // Another process may have written since our last look: work on what the disk holds.
        load(signature());
        if (!m_readable)
            return RegStatus::AccessDenied;

        RegHive changed = m_hive;
        const long status = change(changed);
        if (status != RegStatus::Success || changed.revision() == m_hive.revision())
            return status;

        const bool existed = QFileInfo::exists(m_path);
        QSaveFile file(m_path);
        // Unbuffered, so that a short write (full disk, size limit) is seen here: a buffered
        // QFileDevice can drop the rest of its buffer and still commit.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return RegStatus::AccessDenied;
        // The user hive may hold a logon password: never readable by others.
        if (m_private) {
            (void)file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        } else if (!existed) {
            (void)file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther);
        }
        const QByteArray bytes = changed.toRegFile(m_rootName);
        if (file.write(bytes) != bytes.size() || !file.commit())
            return RegStatus::WriteFault;

        m_hive = std::move(changed);
        m_signature = signature();
        return RegStatus::Success;
    }

private:
    struct Signature
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        qint64 mtimeSec = 0;
        qint64 mtimeNsec = 0;
        bool operator==(const Signature&) const = default;
    };

    Signature signature() const
    {
        struct stat st;
        if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
            return {};
        return Signature{true,       st.st_dev,         st.st_ino,
                         st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }

    void load(const Signature& now)
    {
        m_loaded = true;
        m_signature = now;
        m_readable = true;
        if (!now.exists) {
            m_hive = RegHive();
            return;
        }
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            m_readable = false;
            m_hive = RegHive();
            return;
        }
        m_hive = RegHive::fromRegFile(file.readAll(), m_rootName);
    }

    // Creates the hive's folder (and missing parents) with the hive's privacy.
    bool makeFolder(const QString& folder) const
    {
        if (QFileInfo(folder).isDir())
            return true;
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent != folder && !makeFolder(parent))
            return false;
        const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        const QFile::Permissions perms = m_private ? owner
                                                   : owner | QFile::ReadGroup | QFile::ExeGroup |
                                                         QFile::ReadOther | QFile::ExeOther;
        return QDir().mkdir(folder, perms) || QFileInfo(folder).isDir();
    }

    QString m_rootName;
    QString m_path;
    bool m_private = false;
    bool m_loaded = false;
    bool m_readable = true;
    Signature m_signature;
    RegHive m_hive;
};

RegHiveRegistry::RegHiveRegistry(RegHivePaths paths)
{
    m_hives.push_back(
        std::make_unique<HiveFile>(RegRoot::ClassesRoot, std::move(paths.classesRoot), false));
    m_hives.push_back(
        std::make_unique<HiveFile>(RegRoot::CurrentUser, std::move(paths.currentUser), true));
    m_hives.push_back(
        std::make_unique<HiveFile>(RegRoot::LocalMachine, std::move(paths.localMachine), false));
}

RegHiveRegistry::~RegHiveRegistry() = default;

RegHiveRegistry::HiveFile* RegHiveRegistry::hive(RegRoot root) const
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return m_hives[0].get();
    case RegRoot::CurrentUser:
        return m_hives[1].get();
    case RegRoot::LocalMachine:
        return m_hives[2].get();
    }
    return nullptr;
}

QString RegHiveRegistry::hivePath(RegRoot root) const
{
    const HiveFile* file = hive(root);
    return file ? file->path() : QString();
}

template <typename Change> long RegHiveRegistry::modify(RegRoot root, Change&& change)
{
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    return file->modify(std::forward<Change>(change));
}

long RegHiveRegistry::queryValue(RegRoot root, const QString& subKey, const QString& name,
                                 RegValue* value)
{
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    long status = RegStatus::Success;
    const RegHive& contents = file->current(&status);
    if (status != RegStatus::Success)
        return status;
    return contents.queryValue(subKey, name, value);
}

long RegHiveRegistry::setValue(RegRoot root, const QString& subKey, const QString& name,
                               const RegValue& value)
{
    return modify(root, [&](RegHive& h) { return h.setValue(subKey, name, value); });
}

long RegHiveRegistry::deleteValue(RegRoot root, const QString& subKey, const QString& name)
{
    // Nothing to lock for a value that is not there.
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    if (file->current().queryValue(subKey, name, nullptr) != RegStatus::Success)
        return RegStatus::FileNotFound;
    return modify(root, [&](RegHive& h) { return h.deleteValue(subKey, name); });
}

bool RegHiveRegistry::keyExists(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    return file && file->current().keyExists(subKey);
}

long RegHiveRegistry::createKey(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    if (file->current().keyExists(subKey))
        return RegStatus::Success;
    return modify(root, [&](RegHive& h) { return h.createKey(subKey); });
}

long RegHiveRegistry::deleteKey(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    if (RegHive::splitPath(subKey).isEmpty())
        return RegStatus::AccessDenied;
    if (!file->current().keyExists(subKey))
        return RegStatus::FileNotFound;
    return modify(root, [&](RegHive& h) { return h.deleteKey(subKey); });
}

QStringList RegHiveRegistry::valueNames(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    return file ? file->current().valueNames(subKey) : QStringList();
}

QStringList RegHiveRegistry::subKeyNames(RegRoot root, const QString& subKey)
{
    HiveFile* file = hive(root);
    return file ? file->current().subKeyNames(subKey) : QStringList();
}

} // namespace glasspane
