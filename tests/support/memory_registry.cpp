#include "support/memory_registry.h"

namespace glasspane {

RegValue regString(const QString& text)
{
    return RegValue{RegType::String, regStringData(text)};
}

QString regText(const RegValue& value)
{
    if (value.type != RegType::String && value.type != RegType::ExpandString)
        return {};
    return regStringText(value.data);
}

int MemoryRegistry::index(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return 0;
    case RegRoot::CurrentUser:
        return 1;
    case RegRoot::LocalMachine:
        return 2;
    }
    return -1;
}

template <typename Change> long MemoryRegistry::modify(RegRoot root, Change&& change)
{
    const int i = index(root);
    if (i < 0)
        return RegStatus::FileNotFound;
    RegHive copy = m_hives[i];
    const long status = change(copy);
    if (status != RegStatus::Success || copy.revision() == m_hives[i].revision())
        return status;
    if (!m_writable[i])
        return RegStatus::AccessDenied;
    m_hives[i] = std::move(copy);
    ++m_writes;
    return RegStatus::Success;
}

long MemoryRegistry::queryValue(RegRoot root, const QString& subKey, const QString& name,
                                RegValue* value)
{
    const int i = index(root);
    return i < 0 ? RegStatus::FileNotFound : m_hives[i].queryValue(subKey, name, value);
}

long MemoryRegistry::setValue(RegRoot root, const QString& subKey, const QString& name,
                              const RegValue& value)
{
    return modify(root, [&](RegHive& h) { return h.setValue(subKey, name, value); });
}

long MemoryRegistry::deleteValue(RegRoot root, const QString& subKey, const QString& name)
{
    return modify(root, [&](RegHive& h) { return h.deleteValue(subKey, name); });
}

bool MemoryRegistry::keyExists(RegRoot root, const QString& subKey)
{
    const int i = index(root);
    return i >= 0 && m_hives[i].keyExists(subKey);
}

long MemoryRegistry::createKey(RegRoot root, const QString& subKey)
{
    return modify(root, [&](RegHive& h) { return h.createKey(subKey); });
}

long MemoryRegistry::deleteKey(RegRoot root, const QString& subKey)
{
    return modify(root, [&](RegHive& h) { return h.deleteKey(subKey); });
}

QStringList MemoryRegistry::valueNames(RegRoot root, const QString& subKey)
{
    const int i = index(root);
    return i < 0 ? QStringList() : m_hives[i].valueNames(subKey);
}

QStringList MemoryRegistry::subKeyNames(RegRoot root, const QString& subKey)
{
    const int i = index(root);
    return i < 0 ? QStringList() : m_hives[i].subKeyNames(subKey);
}

void MemoryRegistry::setWritable(RegRoot root, bool writable)
{
    const int i = index(root);
    if (i >= 0)
        m_writable[i] = writable;
}

RegHive& MemoryRegistry::hive(RegRoot root)
{
    const int i = index(root);
    Q_ASSERT(i >= 0);
    return m_hives[i];
}

void MemoryRegistry::setString(RegRoot root, const QString& subKey, const QString& name,
                               const QString& text)
{
    (void)hive(root).setValue(subKey, name, regString(text));
}

QString MemoryRegistry::string(RegRoot root, const QString& subKey, const QString& name)
{
    RegValue value;
    if (queryValue(root, subKey, name, &value) != RegStatus::Success)
        return {};
    return regText(value);
}

} // namespace glasspane
