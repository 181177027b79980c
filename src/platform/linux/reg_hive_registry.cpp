#include "platform/linux/reg_hive_registry.h"

#include "platform/linux/linux_system.h"

#include <QStandardPaths>

namespace glasspane {

RegHivePaths RegHivePaths::standard()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString machine = linuxMachineFolder();
    return RegHivePaths{config + QStringLiteral("/glasspane/user.reg"),
                        machine + QStringLiteral("machine.reg"),
                        machine + QStringLiteral("classes.reg")};
}

RegHiveRegistry::RegHiveRegistry(RegHivePaths paths)
{
    m_hives.push_back(
        std::make_unique<RegHiveFile>(RegRoot::ClassesRoot, std::move(paths.classesRoot), false));
    m_hives.push_back(
        std::make_unique<RegHiveFile>(RegRoot::CurrentUser, std::move(paths.currentUser), true));
    m_hives.push_back(
        std::make_unique<RegHiveFile>(RegRoot::LocalMachine, std::move(paths.localMachine), false));
}

RegHiveRegistry::~RegHiveRegistry() = default;

RegHiveFile* RegHiveRegistry::hive(RegRoot root) const
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
    const RegHiveFile* file = hive(root);
    return file ? file->path() : QString();
}

long RegHiveRegistry::modify(RegRoot root, const std::function<long(RegHive&)>& change)
{
    RegHiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    return file->modify(change);
}

long RegHiveRegistry::queryValue(RegRoot root, const QString& subKey, const QString& name,
                                 RegValue* value)
{
    RegHiveFile* file = hive(root);
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
    // A value that is there already: nothing to lock, nothing to write.
    if (RegHiveFile* file = hive(root)) {
        long status = RegStatus::Success;
        const RegHive& held = file->current(&status);
        RegValue stored;
        if (status == RegStatus::Success &&
            held.queryValue(subKey, name, &stored) == RegStatus::Success &&
            stored.type == value.type && stored.data == value.data)
            return RegStatus::Success;
    }
    return modify(root, [&](RegHive& h) { return h.setValue(subKey, name, value); });
}

long RegHiveRegistry::deleteValue(RegRoot root, const QString& subKey, const QString& name)
{
    // Nothing to lock for a value that is not there.
    RegHiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    if (file->current().queryValue(subKey, name, nullptr) != RegStatus::Success)
        return RegStatus::FileNotFound;
    return modify(root, [&](RegHive& h) { return h.deleteValue(subKey, name); });
}

bool RegHiveRegistry::keyExists(RegRoot root, const QString& subKey)
{
    RegHiveFile* file = hive(root);
    return file && file->current().keyExists(subKey);
}

long RegHiveRegistry::createKey(RegRoot root, const QString& subKey)
{
    RegHiveFile* file = hive(root);
    if (!file)
        return RegStatus::FileNotFound;
    if (file->current().keyExists(subKey))
        return RegStatus::Success;
    return modify(root, [&](RegHive& h) { return h.createKey(subKey); });
}

long RegHiveRegistry::deleteKey(RegRoot root, const QString& subKey)
{
    RegHiveFile* file = hive(root);
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
    RegHiveFile* file = hive(root);
    return file ? file->current().valueNames(subKey) : QStringList();
}

QStringList RegHiveRegistry::subKeyNames(RegRoot root, const QString& subKey)
{
    RegHiveFile* file = hive(root);
    return file ? file->current().subKeyNames(subKey) : QStringList();
}

} // namespace glasspane
