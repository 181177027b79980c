#pragma once

#include "platform/registry.h"

#include <QString>

namespace glasspane {

// Status codes of the registry layer itself, reported through LastRegError without the
// registry having been called.
namespace RegLayerStatus {
constexpr long BadRoot = 99999;     // a root other than HKCR, HKCU or HKLM
constexpr long EmptySubKey = 99998; // an empty sub-key path
} // namespace RegLayerStatus

// The thin layer every registry access of the program goes through: values are handled as
// text, whatever their stored type, and failures never escape: a read gives "", a write
// returns false and leaves LastRegError() set. Roots are raw handles (0x80000000 HKCR,
// 0x80000001 HKCU, 0x80000002 HKLM) because they come from settings and documents, where any
// number can stand. No key stays open between calls.
class RegistryLayer
{
public:
    explicit RegistryLayer(Registry& registry);

    // The value as text: strings cut at their first NUL; binary values "&h" + two upper-case
    // hex digits per byte in stored order; double words "&h" + eight hex digits, most
    // significant first; any other type its raw bytes. "" on any failure.
    QString RegRead(quint32 root, const QString& subKey, const QString& name);
    QString RegRead(RegRoot root, const QString& subKey, const QString& name)
    {
        return RegRead(quint32(root), subKey, name);
    }

    // Writes text as a value of the given type, creating the key when missing:
    // - String (1): the text as it stands;
    // - Binary (3): hex digits, blanks and commas ignored, a leading "&h" allowed, an odd count
    //   given a leading "0"; each two digits one byte;
    // - DWord (4): the same digits, at most eight, as a number stored least significant first.
    // When the prepared data is empty (an empty text) the value is deleted instead; deleting a
    // value that does not exist succeeds. Text that is not hex for types 3 and 4 fails with
    // RegStatus::InvalidData and writes nothing. False on failure, with LastRegError() set.
    [[nodiscard]] bool RegWrite(quint32 root, const QString& subKey, const QString& name,
                                const QString& text, RegType type = RegType::String);
    [[nodiscard]] bool RegWrite(RegRoot root, const QString& subKey, const QString& name,
                                const QString& text, RegType type = RegType::String)
    {
        return RegWrite(quint32(root), subKey, name, text, type);
    }

    // Deletes a value; true when it is gone (also when it never existed).
    bool RegDelete(quint32 root, const QString& subKey, const QString& name);

    bool KeyExists(quint32 root, const QString& subKey);
    bool KeyExists(RegRoot root, const QString& subKey) { return KeyExists(quint32(root), subKey); }
    // Creates the key and its parents; true when it exists afterwards.
    bool CreateKey(quint32 root, const QString& subKey);
    bool CreateKey(RegRoot root, const QString& subKey) { return CreateKey(quint32(root), subKey); }

    // At start-up: the machine-wide product key under HKLM and the per-user one under HKCU,
    // each created when missing. A machine hive the user cannot write fails quietly.
    void EnsureProductKeys(const QString& userKeyPath, const QString& machineKeyPath);

    // The status of the last call: 0 on success, a RegStatus code of the registry, or one of
    // RegLayerStatus.
    long LastRegError() const { return m_lastError; }
    // Type and size in bytes of the last value read or written.
    RegType lastType() const { return m_lastType; }
    qsizetype lastSize() const { return m_lastSize; }

    Registry& registry() { return m_registry; }

    // True for the three roots the layer accepts.
    static bool isKnownRoot(quint32 root);

private:
    // Checks root and subKey; sets LastRegError and returns false when they are not usable.
    bool checkArguments(quint32 root, const QString& subKey);

    Registry& m_registry;
    long m_lastError = 0;
    RegType m_lastType = RegType::None;
    qsizetype m_lastSize = 0;
};

} // namespace glasspane
