#pragma once

#include "document/registry_layer.h"
#include "document/setting_catalogue.h"

#include <QString>
#include <QStringList>

namespace glasspane {

class IniFiles;
class System;
struct ProgramValues;

// Where a setting lives. The registry values are the root handles.
enum class SettingsLocation : quint32 {
    Automatic = 0,      // document, then HKCU, then HKLM; written to RegKeyRoot
    Document = 1,       // the current document's [Gpane] (or button) section
    HKCU = 0x80000001u, // UserKeyPath under HKEY_CURRENT_USER
    HKLM = 0x80000002u, // MachineKeyPath under HKEY_LOCAL_MACHINE
};

// The settings store: the one way the program reads and writes options, whether they live in
// the registry (per user or machine-wide) or in the current document (ProgramValues::
// documentPath). Typed access goes through the catalogue (setting_catalogue.h), so each name,
// place, type, default and correction is written down once. Failures are quiet: a read gives
// the default, a write returns false and leaves registryLayer().LastRegError() set.
class SettingsStore
{
public:
    SettingsStore(Registry& registry, IniFiles& ini, ProgramValues& program, System& system);

    RegistryLayer& registryLayer() { return m_layer; }

    // ---- The two locations ------------------------------------------------------------------

    // Where general (Auto) options are written: HKCU or HKLM.
    SettingsLocation RegKeyRoot() const { return m_regKeyRoot; }
    // Anything but HKCU is taken as HKLM.
    void setRegKeyRoot(SettingsLocation root);
    // Where the presentation parameters are read and written.
    SettingsLocation ParamsLocation() const { return m_paramsLocation; }
    void setParamsLocation(SettingsLocation location) { m_paramsLocation = location; }

    // RegKey text → root: HKCU for "HKCU" (trimmed, any case), else HKLM.
    static SettingsLocation parseRegKey(const QString& text);
    // ParamsLocation text → location: "HKCU", "HKLM", "0" → Automatic, anything else Document.
    static SettingsLocation parseParamsLocation(const QString& text);
    // The stored forms: RegKey "HKCU"/"HKLM"; ParamsLocation "HKCU", "HKLM", "1" for Document
    // and "0" for Automatic.
    static QString regKeyText(SettingsLocation root);
    static QString paramsLocationText(SettingsLocation location);

    // Start-up: RegKeyRoot from RegKey read with location Automatic.
    void ReadRegKeyRoot();
    // ParamsLocation from the setting of that name (Automatic); HKCU and HKLM also set
    // RegKeyRoot.
    void ReadParamsLocation();
    // LoadDocument's order: ReadRegKeyRoot, then ReadParamsLocation, from the current document.
    void ReadLocations();
    // SaveDocument: RegKey and ParamsLocation written to RegKeyRoot in their stored forms (and
    // over a copy in the document that says otherwise, which would be read first).
    bool WriteLocations();
    // Start-up: the product keys under HKLM and HKCU, created when missing.
    void EnsureProductKeys();

    // ---- The operations on key paths ----------------------------------------------------------

    // The raw stored text (untrimmed). Document reads the section of machinePath from the
    // current document; Automatic the first non-empty of document, HKCU, HKLM.
    QString ReadSetting(const QString& userPath, const QString& machinePath, const QString& name,
                        SettingsLocation location);
    // Document writes into the section of machinePath; Automatic writes to RegKeyRoot. An empty
    // value deletes a registry value; in the document an empty value writes "name=" and a null
    // one (QString()) removes the key.
    bool WriteSetting(const QString& userPath, const QString& machinePath, const QString& name,
                      const QString& value, SettingsLocation location,
                      RegType type = RegType::String);
    // Deletes name under HKLM machinePath and HKCU userPath.
    void ClearRegistryParameter(const QString& userPath, const QString& machinePath,
                                const QString& name);
    // The non-empty HKCU values name1, name2, ... under keyPath: up to nameMax when max >= 1
    // (empty ones skipped), else until the first empty one. Element 0 holds name1's value.
    QStringList ReadNumberedValues(const QString& keyPath, const QString& name, int max);
    // Puts item first in list (moved there when present, compared without regard to case;
    // otherwise added, the last one dropped when the list already holds max), then writes
    // every entry as HKCU keyPath name1..nameN. False when a write failed.
    bool AddToNumberedList(const QString& keyPath, const QString& name, QStringList& list,
                           const QString& item, int max);
    // SaveDocument with the parameters in the document: the parameter values deleted from both
    // registry roots, so that no stale copy remains.
    void ClearDocumentParameters();

    // The document section of a key path: "Gpane" for the product key itself, the text after
    // "<product key>\" for a sub-path ("ToolNavBack").
    QString sectionOf(const QString& keyPath) const;
    // Product key paths of a sub-path ("" for the product key itself).
    QString userPath(const QString& sub = QString()) const;
    QString machinePath(const QString& sub = QString()) const;

    // ---- Typed access through the catalogue ---------------------------------------------------
    // Reads trim the text (except Untrimmed settings), convert it, and apply the catalogue's
    // default and corrections. The overloads with a fallback use it in place of the catalogue's
    // default where the default depends on the caller (WindowWidth, FirstPage, MaxTime's
    // screen-saver time-out, DefaultFile, CachePath). NtOnly settings read their default and
    // are not written unless System::platform() is the NT family. DefaultDocumentOnly settings are
    // read and written as Auto: the caller decides whether the document is the default one.

    bool read(SettingKey<bool> key) { return readBool(key.setting); }
    bool read(SettingKey<bool> key, bool fallback) { return readBool(key.setting, fallback); }
    qint16 read(SettingKey<qint16> key) { return readInt(key.setting); }
    qint16 read(SettingKey<qint16> key, qint16 fallback) { return readInt(key.setting, fallback); }
    qint32 read(SettingKey<qint32> key) { return readLong(key.setting); }
    qint32 read(SettingKey<qint32> key, qint32 fallback) { return readLong(key.setting, fallback); }
    // HelpURL resolved (ResourceFolder + "/documentation.html" when empty); RebootTime
    // "HH:MM"; TestURL, SpecialURL, IEWindowClasses their defaults when empty (the last two
    // written back at once).
    QString read(SettingKey<QString> key) { return readText(key.setting); }
    QString read(SettingKey<QString> key, const QString& fallback)
    {
        return readText(key.setting, fallback);
    }

    // Writes in the setting's place. Booleans as "Yes"/"No", numbers as decimal text,
    // RebootTime normalised to "HH:MM", HelpURL made relative to the ResourceFolder. False for
    // ReadOnly settings and on failure.
    bool write(SettingKey<bool> key, bool value) { return write(key.setting, value); }
    bool write(SettingKey<qint16> key, qint16 value) { return write(key.setting, qint32(value)); }
    bool write(SettingKey<qint32> key, qint32 value) { return write(key.setting, value); }
    bool write(SettingKey<QString> key, const QString& value)
    {
        return writeStoredText(key.setting, value);
    }
    // Deletes the value from its place (registry value deleted, document key removed).
    template <typename T> bool remove(SettingKey<T> key) { return remove(key.setting); }
    // The value of any setting in its stored form ("Yes", "12", a text), for the writers that
    // go through the catalogue's settings by name.
    bool writeStoredText(Setting setting, const QString& text);

    // Button and [ToolNavURL] values (place Section): section is "ToolNavBack", "ToolNavURL"...
    // read and written with ParamsLocation under userPath(section) / machinePath(section), or
    // in the document section of that name.
    QString read(const QString& section, SettingKey<QString> key);
    bool read(const QString& section, SettingKey<bool> key, bool fallback);
    qint16 read(const QString& section, SettingKey<qint16> key, qint16 fallback);
    bool write(const QString& section, SettingKey<QString> key, const QString& value);
    bool write(const QString& section, SettingKey<bool> key, bool value);
    bool write(const QString& section, SettingKey<qint16> key, qint16 value);
    template <typename T> bool remove(const QString& section, SettingKey<T> key)
    {
        return writeSection(section, key.setting, QString());
    }

    // Numbered lists of the catalogue (RecentFile): read, and item put first and written.
    QStringList readNumbered(Setting setting);
    bool addToNumbered(Setting setting, QStringList& list, const QString& item);

private:
    bool readBool(Setting setting);
    bool readBool(Setting setting, bool fallback);
    qint16 readInt(Setting setting);
    qint16 readInt(Setting setting, qint16 fallback);
    qint32 readLong(Setting setting);
    qint32 readLong(Setting setting, qint32 fallback);
    QString readText(Setting setting);
    QString readText(Setting setting, const QString& fallback);
    bool write(Setting setting, bool value);
    bool write(Setting setting, qint32 value);
    bool remove(Setting setting);
    QString readSection(const QString& section, Setting setting);
    bool writeSection(const QString& section, Setting setting, const QString& value);

    bool allowed(const SettingInfo& info) const;
    QString readRaw(const SettingInfo& info);
    bool writeRaw(const SettingInfo& info, const QString& value);
    // A parameter (ParamsLocation) value; when automatic, also the copies that would be read
    // back in its place.
    bool writeParameter(const QString& user, const QString& machine, const QString& name,
                        const QString& value);
    bool writeLocation(Setting setting, const QString& text);
    QString textOrDefault(const SettingInfo& info, const QString& fallback);
    qint32 numberOrDefault(const SettingInfo& info, qint32 fallback);
    QString makeResourceRelative(const QString& path) const;

    RegistryLayer m_layer;
    IniFiles& m_ini;
    ProgramValues& m_program;
    System& m_system;
    SettingsLocation m_regKeyRoot = SettingsLocation::HKLM;
    SettingsLocation m_paramsLocation = SettingsLocation::Document;
};

// "HH:MM" from an "H:M" text: each part read as a number (0 when unreadable), hours modulo 24
// and minutes modulo 60, both brought into range and written with two digits.
QString NormalizeHourMinute(const QString& text);

} // namespace glasspane
