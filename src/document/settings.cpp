#include "document/settings.h"

#include "document/ini_files.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "document/text.h"
#include "platform/system.h"

namespace glasspane {

namespace {

const QString kProductSection = QStringLiteral("Gpane");
// A numbered list read until its first empty value still ends somewhere.
constexpr int kNumberedLimit = 10000;

QString withSlash(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

} // namespace

QString NormalizeHourMinute(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    qint32 hours = ToLong(colon < 0 ? t : t.left(colon), 0);
    qint32 minutes = colon < 0 ? 0 : ToLong(t.mid(colon + 1), 0);
    // Brought into range rather than keeping the sign: a negative time would lie in the past
    // and make the reboot due at once.
    hours = ((hours % 24) + 24) % 24;
    minutes = ((minutes % 60) + 60) % 60;
    return QStringLiteral("%1:%2")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'));
}

SettingsStore::SettingsStore(Registry& registry, IniFiles& ini, ProgramValues& program,
                             System& system)
    : m_layer(registry), m_ini(ini), m_program(program), m_system(system)
{}

// ---- Locations ---------------------------------------------------------------------------------

void SettingsStore::setRegKeyRoot(SettingsLocation root)
{
    m_regKeyRoot = root == SettingsLocation::HKCU ? SettingsLocation::HKCU : SettingsLocation::HKLM;
}

SettingsLocation SettingsStore::parseRegKey(const QString& text)
{
    return text.trimmed().toUpper() == QLatin1String("HKCU") ? SettingsLocation::HKCU
                                                             : SettingsLocation::HKLM;
}

SettingsLocation SettingsStore::parseParamsLocation(const QString& text)
{
    const QString word = text.trimmed().toUpper();
    if (word == QLatin1String("HKCU"))
        return SettingsLocation::HKCU;
    if (word == QLatin1String("HKLM"))
        return SettingsLocation::HKLM;
    if (word == QLatin1String("0"))
        return SettingsLocation::Automatic;
    return SettingsLocation::Document;
}

QString SettingsStore::regKeyText(SettingsLocation root)
{
    return root == SettingsLocation::HKCU ? QStringLiteral("HKCU") : QStringLiteral("HKLM");
}

QString SettingsStore::paramsLocationText(SettingsLocation location)
{
    switch (location) {
    case SettingsLocation::HKCU:
        return QStringLiteral("HKCU");
    case SettingsLocation::Document:
        return QStringLiteral("1");
    // Kept automatic: written as "HKLM", a save would move the parameters to the machine key
    // while the values themselves went to RegKeyRoot, and the next load would not find them.
    case SettingsLocation::Automatic:
        return QStringLiteral("0");
    default:
        return QStringLiteral("HKLM");
    }
}

void SettingsStore::ReadRegKeyRoot()
{
    m_regKeyRoot = parseRegKey(readRaw(settingInfo(Setting::RegKey)));
}

void SettingsStore::ReadParamsLocation()
{
    m_paramsLocation = parseParamsLocation(readRaw(settingInfo(Setting::ParamsLocation)));
    if (m_paramsLocation == SettingsLocation::HKCU || m_paramsLocation == SettingsLocation::HKLM)
        m_regKeyRoot = m_paramsLocation;
}

void SettingsStore::ReadLocations()
{
    ReadRegKeyRoot();
    ReadParamsLocation();
}

bool SettingsStore::WriteLocations()
{
    const bool regKey = writeLocation(Setting::RegKey, regKeyText(m_regKeyRoot));
    const bool params =
        writeLocation(Setting::ParamsLocation, paramsLocationText(m_paramsLocation));
    return regKey && params;
}

bool SettingsStore::writeLocation(Setting setting, const QString& text)
{
    const bool ok = writeStoredText(setting, text);
    // The document's own copy is read first: one that says otherwise would undo the save.
    const QString name = settingName(setting);
    const QString section = sectionOf(m_program.machineKeyPath);
    if (!m_program.documentPath.isEmpty()) {
        const QString held = m_ini.ReadIni(section, name, m_program.documentPath).trimmed();
        if (!held.isEmpty() && held != text)
            return m_ini.WriteIni(section, name, text, m_program.documentPath) && ok;
    }
    return ok;
}

void SettingsStore::EnsureProductKeys()
{
    m_layer.EnsureProductKeys(m_program.userKeyPath, m_program.machineKeyPath);
}

// ---- Key paths ---------------------------------------------------------------------------------

QString SettingsStore::sectionOf(const QString& keyPath) const
{
    for (const QString& product : {m_program.machineKeyPath, m_program.userKeyPath}) {
        if (keyPath.compare(product, Qt::CaseInsensitive) == 0)
            return kProductSection;
        const QString prefix = product + QLatin1Char('\\');
        if (keyPath.startsWith(prefix, Qt::CaseInsensitive))
            return keyPath.mid(prefix.size());
    }
    // A key outside the product key: its last name stands for it.
    return keyPath.mid(keyPath.lastIndexOf(QLatin1Char('\\')) + 1);
}

QString SettingsStore::userPath(const QString& sub) const
{
    return sub.isEmpty() ? m_program.userKeyPath : m_program.userKeyPath + QLatin1Char('\\') + sub;
}

QString SettingsStore::machinePath(const QString& sub) const
{
    return sub.isEmpty() ? m_program.machineKeyPath
                         : m_program.machineKeyPath + QLatin1Char('\\') + sub;
}

// ---- ReadSetting / WriteSetting ----------------------------------------------------------------

QString SettingsStore::ReadSetting(const QString& userPath, const QString& machinePath,
                                   const QString& name, SettingsLocation location)
{
    switch (location) {
    case SettingsLocation::Document:
        if (m_program.documentPath.isEmpty())
            return QString();
        return m_ini.ReadIni(sectionOf(machinePath), name, m_program.documentPath);
    case SettingsLocation::HKCU:
        return m_layer.RegRead(RegRoot::CurrentUser, userPath, name);
    case SettingsLocation::HKLM:
        return m_layer.RegRead(RegRoot::LocalMachine, machinePath, name);
    case SettingsLocation::Automatic: {
        QString value = ReadSetting(userPath, machinePath, name, SettingsLocation::Document);
        if (value.trimmed().isEmpty())
            value = ReadSetting(userPath, machinePath, name, SettingsLocation::HKCU);
        if (value.trimmed().isEmpty())
            value = ReadSetting(userPath, machinePath, name, SettingsLocation::HKLM);
        return value;
    }
    }
    // Any other number is a root the registry layer refuses (LastRegError 99999).
    return m_layer.RegRead(quint32(location), machinePath, name);
}

bool SettingsStore::WriteSetting(const QString& userPath, const QString& machinePath,
                                 const QString& name, const QString& value,
                                 SettingsLocation location, RegType type)
{
    switch (location) {
    case SettingsLocation::Document:
        if (m_program.documentPath.isEmpty())
            return false;
        return m_ini.WriteIni(sectionOf(machinePath), name, value, m_program.documentPath);
    case SettingsLocation::HKCU:
        return m_layer.RegWrite(RegRoot::CurrentUser, userPath, name, value, type);
    case SettingsLocation::HKLM:
        return m_layer.RegWrite(RegRoot::LocalMachine, machinePath, name, value, type);
    case SettingsLocation::Automatic: {
        if (!WriteSetting(userPath, machinePath, name, value, m_regKeyRoot, type))
            return false;
        // Automatic reads look at HKCU before HKLM: a per-user copy left from the time the
        // general options lived there would hide what was just written.
        // Done on the port directly, so that LastRegError keeps telling about the write.
        if (m_regKeyRoot == SettingsLocation::HKLM && !userPath.isEmpty()) {
            Registry& registry = m_layer.registry();
            RegValue stale;
            if (registry.queryValue(RegRoot::CurrentUser, userPath, name, &stale) ==
                RegStatus::Success)
                (void)registry.deleteValue(RegRoot::CurrentUser, userPath, name);
        }
        return true;
    }
    }
    return m_layer.RegWrite(quint32(location), machinePath, name, value, type);
}

void SettingsStore::ClearRegistryParameter(const QString& userPath, const QString& machinePath,
                                           const QString& name)
{
    m_layer.RegDelete(quint32(RegRoot::LocalMachine), machinePath, name);
    m_layer.RegDelete(quint32(RegRoot::CurrentUser), userPath, name);
}

QStringList SettingsStore::ReadNumberedValues(const QString& keyPath, const QString& name, int max)
{
    QStringList list;
    const int last = max >= 1 ? max : kNumberedLimit;
    for (int i = 1; i <= last; ++i) {
        const QString value =
            m_layer.RegRead(RegRoot::CurrentUser, keyPath, name + QString::number(i)).trimmed();
        if (value.isEmpty()) {
            if (max >= 1)
                continue;
            break;
        }
        list.append(value);
    }
    return list;
}

bool SettingsStore::AddToNumberedList(const QString& keyPath, const QString& name,
                                      QStringList& list, const QString& item, int max)
{
    if (item.trimmed().isEmpty())
        return true;
    qsizetype found = -1;
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).toLower() == item.toLower()) {
            found = i;
            break;
        }
    }
    if (found >= 0)
        list.removeAt(found);
    list.prepend(item);
    if (max >= 1 && list.size() > max)
        list.resize(max);

    bool ok = true;
    for (qsizetype i = 0; i < list.size(); ++i) {
        ok = m_layer.RegWrite(RegRoot::CurrentUser, keyPath, name + QString::number(i + 1),
                              list.at(i)) &&
             ok;
    }
    // Entries a shorter list no longer covers would come back as duplicates on the next read.
    for (int i = int(list.size()) + 1; max >= 1 && i <= max; ++i)
        m_layer.RegDelete(quint32(RegRoot::CurrentUser), keyPath, name + QString::number(i));
    return ok;
}

void SettingsStore::ClearDocumentParameters()
{
    for (const Setting setting : documentParameterSettings()) {
        const SettingInfo& info = settingInfo(setting);
        if (allowed(info))
            ClearRegistryParameter(userPath(), machinePath(), QString::fromLatin1(info.name));
    }
}

// ---- Typed access ------------------------------------------------------------------------------

bool SettingsStore::allowed(const SettingInfo& info) const
{
    return !(info.flags & SettingFlag::NtOnly) || m_system.platform() == PlatformFamily::NtFamily;
}

QString SettingsStore::readRaw(const SettingInfo& info)
{
    const QString name = QString::fromLatin1(info.name);
    const QString user = userPath();
    const QString machine = machinePath();
    QString value;
    switch (info.place) {
    case SettingPlace::Auto:
        value = ReadSetting(user, machine, name, SettingsLocation::Automatic);
        break;
    case SettingPlace::Params:
    case SettingPlace::Section:
        value = ReadSetting(user, machine, name, m_paramsLocation);
        break;
    // Document values are written with the parameter location, so they are looked for there
    // too: otherwise values saved to the registry would be lost on the next load.
    case SettingPlace::Doc:
    case SettingPlace::DocThenParams:
        value = ReadSetting(user, machine, name, SettingsLocation::Document);
        if (value.trimmed().isEmpty())
            value = ReadSetting(user, machine, name, m_paramsLocation);
        break;
    case SettingPlace::HkcuNumbered:
        break;
    }
    return (info.flags & SettingFlag::Untrimmed) ? value : value.trimmed();
}

bool SettingsStore::writeRaw(const SettingInfo& info, const QString& value)
{
    if (info.flags & SettingFlag::ReadOnly)
        return false;
    if (!allowed(info))
        return true;
    const QString name = QString::fromLatin1(info.name);
    switch (info.place) {
    case SettingPlace::Auto:
        return WriteSetting(userPath(), machinePath(), name, value, SettingsLocation::Automatic);
    case SettingPlace::Params:
    case SettingPlace::Section:
    case SettingPlace::Doc:
    case SettingPlace::DocThenParams:
        return writeParameter(userPath(), machinePath(), name, value);
    case SettingPlace::HkcuNumbered:
        break;
    }
    return false;
}

bool SettingsStore::writeParameter(const QString& user, const QString& machine, const QString& name,
                                   const QString& value)
{
    if (!WriteSetting(user, machine, name, value, m_paramsLocation))
        return false;
    if (m_paramsLocation != SettingsLocation::Automatic)
        return true;
    // Read back, the document comes before RegKeyRoot, and an emptied value falls through to
    // the other root: neither may give back something else than what was just written. (A
    // per-user copy in front of the machine key is dropped by WriteSetting.)
    bool ok = true;
    const QString section = sectionOf(machine);
    if (!m_program.documentPath.isEmpty() &&
        !m_ini.ReadIni(section, name, m_program.documentPath).trimmed().isEmpty())
        ok = m_ini.WriteIni(section, name, QString(), m_program.documentPath);
    if (value.isEmpty() && m_regKeyRoot == SettingsLocation::HKCU)
        m_layer.RegDelete(quint32(RegRoot::LocalMachine), machine, name);
    return ok;
}

QString SettingsStore::textOrDefault(const SettingInfo& info, const QString& fallback)
{
    if (!allowed(info))
        return fallback;
    const QString raw = readRaw(info);
    if (info.flags & SettingFlag::TimeHHMM)
        return raw.isEmpty() ? fallback : NormalizeHourMinute(raw);
    if (raw.isEmpty()) {
        if ((info.flags & SettingFlag::WriteBackDefault) && !fallback.isEmpty())
            writeRaw(info, fallback);
        return fallback;
    }
    if (info.flags & SettingFlag::RelativeToResources)
        return ResolvePath(raw, m_program);
    return raw;
}

qint32 SettingsStore::numberOrDefault(const SettingInfo& info, qint32 fallback)
{
    // A caller's fallback that the setting itself would not accept (MaxTime's time-out of 0)
    // gives way to the catalogue's default.
    if (fallback < info.minimum || fallback > info.maximum)
        fallback = info.defaultNumber;
    if (!allowed(info))
        return fallback;
    const QString raw = readRaw(info);
    const qint32 value = info.type == SettingType::Int16
                             ? ToInt(raw, qint16(qBound<qint32>(-32768, fallback, 32767)))
                             : ToLong(raw, fallback);
    if (value < info.minimum || value > info.maximum)
        return fallback;
    return value;
}

bool SettingsStore::readBool(Setting setting)
{
    return readBool(setting, settingInfo(setting).defaultNumber != 0);
}

bool SettingsStore::readBool(Setting setting, bool fallback)
{
    const SettingInfo& info = settingInfo(setting);
    if (!allowed(info))
        return fallback;
    return ToBool(readRaw(info), fallback);
}

qint16 SettingsStore::readInt(Setting setting)
{
    return readInt(setting, qint16(settingInfo(setting).defaultNumber));
}

qint16 SettingsStore::readInt(Setting setting, qint16 fallback)
{
    return qint16(qBound<qint32>(-32768, numberOrDefault(settingInfo(setting), fallback), 32767));
}

qint32 SettingsStore::readLong(Setting setting)
{
    return readLong(setting, settingInfo(setting).defaultNumber);
}

qint32 SettingsStore::readLong(Setting setting, qint32 fallback)
{
    return numberOrDefault(settingInfo(setting), fallback);
}

QString SettingsStore::readText(Setting setting)
{
    const SettingInfo& info = settingInfo(setting);
    QString fallback;
    switch (info.type) {
    case SettingType::Bool:
        fallback = BoolText(info.defaultNumber != 0);
        break;
    case SettingType::Int16:
    case SettingType::Int32:
        fallback = QString::number(info.defaultNumber);
        break;
    case SettingType::Text:
        fallback = QString::fromLatin1(info.defaultText);
        if ((info.flags & SettingFlag::RelativeToResources) && !fallback.isEmpty())
            fallback = withSlash(m_program.resourceFolder) + fallback;
        break;
    }
    return textOrDefault(info, fallback);
}

QString SettingsStore::readText(Setting setting, const QString& fallback)
{
    return textOrDefault(settingInfo(setting), fallback);
}

bool SettingsStore::write(Setting setting, bool value)
{
    return writeRaw(settingInfo(setting), BoolText(value));
}

bool SettingsStore::write(Setting setting, qint32 value)
{
    return writeRaw(settingInfo(setting), QString::number(value));
}

bool SettingsStore::writeStoredText(Setting setting, const QString& value)
{
    const SettingInfo& info = settingInfo(setting);
    if (value.isEmpty())
        return writeRaw(info, value);
    if (info.flags & SettingFlag::TimeHHMM)
        return writeRaw(info, NormalizeHourMinute(value));
    if (info.flags & SettingFlag::RelativeToResources)
        return writeRaw(info, makeResourceRelative(value));
    return writeRaw(info, value);
}

bool SettingsStore::remove(Setting setting)
{
    return writeRaw(settingInfo(setting), QString());
}

QString SettingsStore::readSection(const QString& section, Setting setting)
{
    const SettingInfo& info = settingInfo(setting);
    if (!allowed(info))
        return QString();
    const QString value = ReadSetting(userPath(section), machinePath(section),
                                      QString::fromLatin1(info.name), m_paramsLocation);
    return (info.flags & SettingFlag::Untrimmed) ? value : value.trimmed();
}

bool SettingsStore::writeSection(const QString& section, Setting setting, const QString& value)
{
    const SettingInfo& info = settingInfo(setting);
    if (info.flags & SettingFlag::ReadOnly)
        return false;
    if (!allowed(info))
        return true;
    return writeParameter(userPath(section), machinePath(section), QString::fromLatin1(info.name),
                          value);
}

QString SettingsStore::read(const QString& section, SettingKey<QString> key)
{
    return readSection(section, key.setting);
}

bool SettingsStore::read(const QString& section, SettingKey<bool> key, bool fallback)
{
    return ToBool(readSection(section, key.setting), fallback);
}

qint16 SettingsStore::read(const QString& section, SettingKey<qint16> key, qint16 fallback)
{
    return ToInt(readSection(section, key.setting), fallback);
}

bool SettingsStore::write(const QString& section, SettingKey<QString> key, const QString& value)
{
    return writeSection(section, key.setting, value);
}

bool SettingsStore::write(const QString& section, SettingKey<bool> key, bool value)
{
    return writeSection(section, key.setting, BoolText(value));
}

bool SettingsStore::write(const QString& section, SettingKey<qint16> key, qint16 value)
{
    return writeSection(section, key.setting, QString::number(value));
}

QStringList SettingsStore::readNumbered(Setting setting)
{
    const SettingInfo& info = settingInfo(setting);
    return ReadNumberedValues(userPath(), QString::fromLatin1(info.name), info.maxCount);
}

bool SettingsStore::addToNumbered(Setting setting, QStringList& list, const QString& item)
{
    const SettingInfo& info = settingInfo(setting);
    return AddToNumberedList(userPath(), QString::fromLatin1(info.name), list, item, info.maxCount);
}

// ---- Paths -------------------------------------------------------------------------------------

QString SettingsStore::makeResourceRelative(const QString& path) const
{
    if (m_program.resourceFolder.isEmpty())
        return path;
    const QString prefix = withSlash(m_program.resourceFolder);
    if (LocalPath(path).startsWith(prefix, Qt::CaseInsensitive))
        return path.mid(prefix.size());
    return path;
}

} // namespace glasspane
