// Reading a .reg file into a hive, keeping its layout for writing back (reg_hive_writer.cpp).

#include "platform/linux/reg_hive.h"
#include "platform/linux/reg_value_codec.h"

#include <QStringDecoder>

namespace glasspane {

using namespace regtree;
using namespace regcodec;

namespace {

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

// The text without the line end of one physical line.
QStringView withoutLineEnd(QStringView line)
{
    if (line.endsWith(u'\n'))
        line.chop(1);
    if (line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

} // namespace

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

} // namespace glasspane
