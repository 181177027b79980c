#pragma once

#include "platform/registry.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <memory>
#include <vector>

namespace glasspane {

// One value of a key. item ties it to the line of the file that gave it (0 for a value the
// program added); a value the program changed is written in the program's own form.
struct RegValueEntry
{
    QString name;
    RegValue value;
    int item = 0;
    bool changed = false;
};

// One key of a hive: its name as first written, its values and subkeys in the order they were
// added. Names are found without regard to case; a key with many values or subkeys keeps an
// index of them (case-folded name -> position).
struct RegKeyNode
{
    QString name;
    std::vector<RegValueEntry> values;
    std::vector<RegKeyNode> children;
    QHash<QString, int> valueIndex;
    QHash<QString, int> childIndex;
    // Each key made gets a number of its own, so that the file's sections of a key deleted and
    // made again are told apart from the new key's.
    quint64 birth = 0;
    // Made only as the parent of a key that the file names: it needs no section of its own.
    bool implicit = false;
};

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

// Where the three hives live.
struct RegHivePaths
{
    QString currentUser;
    QString localMachine;
    QString classesRoot;

    // $XDG_CONFIG_HOME/glasspane/user.reg; machine.reg and classes.reg of the machine folder.
    static RegHivePaths standard();
};

// The registry on Linux: one .reg text file per root. Reads use a parsed copy that is renewed
// whenever the file changes on disk. Every change takes the hive's lock file, reads the hive
// again, applies the change and replaces the file atomically, so that concurrent writers in
// several processes never lose each other's values. A failed save leaves the file and the
// parsed copy as they were.
class RegHiveRegistry final : public Registry
{
public:
    explicit RegHiveRegistry(RegHivePaths paths = RegHivePaths::standard());
    ~RegHiveRegistry() override;
    RegHiveRegistry(const RegHiveRegistry&) = delete;
    RegHiveRegistry& operator=(const RegHiveRegistry&) = delete;

    long queryValue(RegRoot root, const QString& subKey, const QString& name,
                    RegValue* value) override;
    long setValue(RegRoot root, const QString& subKey, const QString& name,
                  const RegValue& value) override;
    long deleteValue(RegRoot root, const QString& subKey, const QString& name) override;
    bool keyExists(RegRoot root, const QString& subKey) override;
    long createKey(RegRoot root, const QString& subKey) override;
    long deleteKey(RegRoot root, const QString& subKey) override;
    QStringList valueNames(RegRoot root, const QString& subKey) override;
    QStringList subKeyNames(RegRoot root, const QString& subKey) override;

    QString hivePath(RegRoot root) const;

    // How long a writer waits for another process's lock before giving up.
    static constexpr int LockWaitMs = 5000;

private:
    class HiveFile;
    HiveFile* hive(RegRoot root) const;
    template <typename Change> long modify(RegRoot root, Change&& change);

    std::vector<std::unique_ptr<HiveFile>> m_hives;
};

} // namespace glasspane
