#pragma once

#include "platform/linux/reg_hive_registry.h"
#include "platform/registry.h"

#include <array>

namespace glasspane {

// The registry in memory, with the same rules as the hive files: keys and value names found
// without regard to case, the letter case first written kept. A root can be made unwritable to
// test how callers cope with failed writes.
class MemoryRegistry final : public Registry
{
public:
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

    // Every change under an unwritable root fails with RegStatus::AccessDenied and changes
    // nothing; reads go on working.
    void setWritable(RegRoot root, bool writable);
    // Direct access for setting up and inspecting a test.
    RegHive& hive(RegRoot root);

    // Convenience for tests: string values as text ("" when missing or not a string).
    void setString(RegRoot root, const QString& subKey, const QString& name, const QString& text);
    QString string(RegRoot root, const QString& subKey, const QString& name);

    // Number of successful changes so far, to check that a caller wrote (or did not write).
    int writeCount() const { return m_writes; }

private:
    template <typename Change> long modify(RegRoot root, Change&& change);
    static int index(RegRoot root);

    std::array<RegHive, 3> m_hives;
    std::array<bool, 3> m_writable{true, true, true};
    int m_writes = 0;
};

// A string value as the registry stores it (UTF-16LE with a terminating NUL), and back.
RegValue regString(const QString& text);
// The text of a string value, cut at its first NUL; "" for another type.
QString regText(const RegValue& value);

} // namespace glasspane
