#pragma once

#include "platform/registry.h"

#include <QFile>
#include <memory>
#include <vector>

namespace glasspane {

// One key of a hive: its name as first written, its values and subkeys in the order they were
// added. Names are found without regard to case.
struct RegKeyNode
{
    QString name;
    std::vector<std::pair<QString, RegValue>> values;
    std::vector<RegKeyNode> children;
};

// The keys and values under one root, in memory. Sub-key paths use '\' between key names;
// empty components are ignored, so "a\\b" and "\a\b\" name the same key as "a\b". The empty
// path is the root itself.
class RegHive
{
public:
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

    // The hive as a .reg file (UTF-8, "Windows Registry Editor Version 5.00"), every key written
    // with the full root name (for example "HKEY_CURRENT_USER").
    QByteArray toRegFile(const QString& rootName) const;
    // Reads a .reg file (UTF-8 or UTF-16 with byte-order mark, LF or CRLF). Keys of other roots
    // and lines that cannot be understood are skipped; "[-key]" and "name=-" delete.
    static RegHive fromRegFile(const QByteArray& text, const QString& rootName);

private:
    const RegKeyNode* find(const QStringList& path) const;
    RegKeyNode* find(const QStringList& path);
    RegKeyNode& ensure(const QStringList& path);

    RegKeyNode m_root;
    quint64 m_revision = 0;
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
