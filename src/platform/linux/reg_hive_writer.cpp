// Writing a hive as a .reg file: in the layout it was read with, or in the program's own form.

#include "platform/linux/reg_hive.h"
#include "platform/linux/reg_value_codec.h"
#include "platform/log.h"

#include <QStringEncoder>

namespace glasspane {

using namespace regtree;
using namespace regcodec;

namespace {

const QString kSignature = QStringLiteral("Windows Registry Editor Version 5.00");

// A key's section as the program writes it: header, values, a blank line.
QString keyBlock(const RegKeyNode& node, const QStringList& path, const QString& nl)
{
    QString out = u'[' + path.join(u'\\') + u']' + nl;
    for (const RegValueEntry& entry : node.values)
        out += valueLine(entry.name, entry.value, nl) + nl;
    return out + nl;
}

} // namespace

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

} // namespace glasspane
