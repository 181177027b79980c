#pragma once

#include "platform/linux/reg_hive_file.h"
#include "platform/registry.h"

#include <functional>
#include <memory>
#include <vector>

namespace glasspane {

// Where the three hives live.
struct RegHivePaths
{
    QString currentUser;
    QString localMachine;
    QString classesRoot;

    // $XDG_CONFIG_HOME/glasspane/user.reg; machine.reg and classes.reg of the machine folder.
    static RegHivePaths standard();
};

// The registry on Linux: one .reg text file per root (RegHiveFile), written back in the layout
// it was read with (RegHive).
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
    static constexpr int LockWaitMs = RegHiveFile::LockWaitMs;

private:
    RegHiveFile* hive(RegRoot root) const;
    long modify(RegRoot root, const std::function<long(RegHive&)>& change);

    std::vector<std::unique_ptr<RegHiveFile>> m_hives;
};

} // namespace glasspane
