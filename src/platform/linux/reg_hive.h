#pragma once

#include "platform/linux/reg_key_tree.h"
#include "platform/registry.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <vector>

namespace glasspane {

// The keys and values under one root, in memory, together with the text of the file they were
// read from. Sub-key paths use '\' between key names; empty components are ignored, so
// "a\\b" and "\a\b\" name the same key as "a\b". The empty path is the root itself.
//
// Writing back keeps the file as it was written by hand: its header, comments, blank lines,
// line ends, encoding, keys of other roots and every value the program did not change, byte
// for byte. Changed values are written in the program's form where they stood, new values
// after the last value of their key's section, new keys at the end.
class RegHive
{
public:
    // Keys nest at most this deep (as in the Windows registry).
    static constexpr int MaxDepth = 512;

    static QStringList splitPath(const QString& subKey);

    long queryValue(const QString& subKey, const QString& name, RegValue* value) const;
    long setValue(const QString& subKey, const QString& name, const RegValue& value);
    long deleteValue(const QString& subKey, const QString& name);
    bool keyExists(const QString& subKey) const;
    long createKey(const QString& subKey);
    // The root itself cannot be deleted.
    long deleteKey(const QString& subKey);
    QStringList valueNames(const QString& subKey) const;
    QStringList subKeyNames(const QString& subKey) const;

    // Goes up with every change that altered the contents, so callers can tell whether an
    // operation changed anything.
    quint64 revision() const { return m_revision; }

    const RegKeyNode& root() const { return m_root; }

    // The hive as a .reg file. A hive read from a file is written as described above; a new one
    // in UTF-8 with "Windows Registry Editor Version 5.00" first and every key written with the
    // full root name (for example "HKEY_CURRENT_USER").
    QByteArray toRegFile(const QString& rootName) const;
    // Reads a .reg file (UTF-8 or UTF-16 with byte-order mark, LF or CRLF). Keys of other roots
    // and lines that cannot be understood are skipped (and kept for writing back); "[-key]" and
    // "name=-" delete.
    static RegHive fromRegFile(const QByteArray& text, const QString& rootName);

    // True when both hold the same keys and values (names without regard to case, order aside).
    static bool sameContents(const RegHive& a, const RegHive& b);

private:
    enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE };

    // One line of the file as it stood, continuation lines and line ends included: a piece of
    // m_text.
    struct Line
    {
        qsizetype from = 0;
        qsizetype size = 0;
        int item = 0;           // a value: the number tying it to its RegValueEntry
        bool valueLine = false; // a value or a value deletion: new values go after the last one
    };
    // The lines from one key header to the next; the first section is the text before any key.
    struct Section
    {
        quint64 birth = 0; // of its key; 0 for the text before any key (or the root's section)
        bool preamble = false;
        std::vector<Line> lines; // lines[0] is the header, except in the preamble
    };

    template <typename List> static bool storablePath(const List& path)
    {
        return path.size() <= MaxDepth;
    }
    const RegKeyNode* find(const QStringList& path) const;
    RegKeyNode* find(const QStringList& path);
    RegKeyNode& ensure(const QStringList& path, bool implicitParents);
    QStringView lineText(const Line& line) const
    {
        return QStringView(m_text).sliced(line.from, line.size);
    }
    void parseText(const QString& text, const QString& rootName);
    void markTouched(const RegKeyNode& node, const QString& name);
    QString layoutText(const QString& rootName) const;
    QString canonicalText(const QString& rootName) const;
    QByteArray encoded(const QString& text) const;

    RegKeyNode m_root;
    quint64 m_revision = 0;
    quint64 m_births = 0;
    int m_items = 0;
    QString m_text;                  // the file as read
    std::vector<Section> m_sections; // empty: a hive that was not read from a file
    Encoding m_encoding = Encoding::Utf8;
    QString m_newline = QStringLiteral("\n");
    // Values the program set or deleted ("birth:folded name"): their other lines in the file
    // are dropped. Keys the program deleted (by birth): their sections are dropped.
    QSet<QString> m_touched;
    QSet<quint64> m_removed;
};

// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or "HKEY_CLASSES_ROOT"; empty for another value.
QString regRootName(RegRoot root);

} // namespace glasspane
