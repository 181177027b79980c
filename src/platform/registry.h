#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace glasspane {

// The three roots the program uses, with the handle values that documents and settings know.
enum class RegRoot : quint32 {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
};

// Value types as stored in a hive.
enum class RegType : quint32 {
    None = 0,
    String = 1,
    ExpandString = 2,
    Binary = 3,
    DWord = 4,
};

struct RegValue
{
    RegType type = RegType::String;
    // Raw bytes as stored: strings are UTF-16LE with a terminating NUL, double words four bytes
    // least significant first, binary values as they are.
    QByteArray data;
};

// The data of a string value: the text in UTF-16LE with a terminating NUL.
QByteArray regStringData(const QString& text);
// The text of a string value's data, up to its first NUL: whatever follows (the terminator, or
// garbage a foreign writer left) is not part of the text.
QString regStringText(const QByteArray& data);

// Status codes of the registry functions, as the settings layer reports them.
namespace RegStatus {
constexpr long Success = 0;
constexpr long FileNotFound = 2;
constexpr long AccessDenied = 5;
constexpr long InvalidData = 13;
constexpr long WriteFault = 29;
} // namespace RegStatus

// A hierarchical store of keys and values under three roots. Key paths use '\' between
// key names; key and value names are compared without regard to case. An empty value name is
// the key's default value.
class Registry
{
public:
    virtual ~Registry() = default;

    virtual long queryValue(RegRoot root, const QString& subKey, const QString& name,
                            RegValue* value) = 0;
    // Creates the key and its parents when missing.
    virtual long setValue(RegRoot root, const QString& subKey, const QString& name,
                          const RegValue& value) = 0;
    virtual long deleteValue(RegRoot root, const QString& subKey, const QString& name) = 0;
    virtual bool keyExists(RegRoot root, const QString& subKey) = 0;
    virtual long createKey(RegRoot root, const QString& subKey) = 0;
    // Removes the key with its values and subkeys.
    virtual long deleteKey(RegRoot root, const QString& subKey) = 0;
    virtual QStringList valueNames(RegRoot root, const QString& subKey) = 0;
    virtual QStringList subKeyNames(RegRoot root, const QString& subKey) = 0;
};

} // namespace glasspane
