#include "config/model/program_options.h"

#include "document/registry_layer.h"
#include "document/settings.h"
#include "document/text.h"
#include "engine/screen_saver.h"
#include "platform/log.h"

namespace glasspane {

namespace {

const QString kScreenSaveActive = QStringLiteral("ScreenSaveActive");
const QString kScreenSaveTimeOut = QStringLiteral("ScreenSaveTimeOut");

// Values that never go into the log, not even with --verbose.
bool isPrivate(Setting setting)
{
    return setting == Setting::EMail || setting == Setting::Password ||
           setting == Setting::NTPassword || setting == Setting::NTLogin;
}

// A general option in its stored form, written where it is read first (see
// WriteGeneralOption).
bool writeGeneralText(SettingsStore& settings, Setting setting, const QString& value)
{
    bool ok = settings.writeStoredText(setting, value);
    const QString name = settingName(setting);
    const QString user = settings.userPath();
    const QString machine = settings.machinePath();
    if (!settings.ReadSetting(user, machine, name, SettingsLocation::Document).isEmpty())
        ok = settings.WriteSetting(user, machine, name, value, SettingsLocation::Document) && ok;
    return ok;
}

// Writes one option in its place and keeps account of the ones that failed.
class OptionWriter
{
public:
    OptionWriter(SettingsStore& settings, QStringList& failed)
        : m_settings(settings), m_failed(failed)
    {}

    template <typename T> void put(SettingKey<T> key, std::type_identity_t<T> value)
    {
        put(key.setting, storedText(value));
    }

private:
    static QString storedText(bool value) { return BoolText(value); }
    static QString storedText(qint32 value) { return QString::number(value); }
    static QString storedText(const QString& value) { return value; }

    void put(Setting setting, const QString& value)
    {
        const bool general = settingInfo(setting).place == SettingPlace::Auto;
        const bool ok = general ? writeGeneralText(m_settings, setting, value)
                                : m_settings.writeStoredText(setting, value);
        qCDebug(lcGlasspane).noquote()
            << "option" << settingName(setting) << "="
            << (isPrivate(setting) ? QStringLiteral("(not shown)") : value)
            << (ok ? "" : "(could not be stored)");
        if (!ok)
            m_failed.append(settingName(setting));
    }
    SettingsStore& m_settings;
    QStringList& m_failed;
};

} // namespace

bool ReadScreenSaveActive(RegistryLayer& registry)
{
    return ToBool(
        registry.RegRead(RegRoot::CurrentUser, QString::fromLatin1(kDesktopKey), kScreenSaveActive),
        true);
}

qint32 ReadScreenSaveTimeOut(RegistryLayer& registry)
{
    const qint32 seconds =
        ToLong(registry.RegRead(RegRoot::CurrentUser, QString::fromLatin1(kDesktopKey),
                                kScreenSaveTimeOut),
               300);
    return seconds > 0 ? seconds : 300;
}

ProgramOptions ReadProgramOptions(SettingsStore& s)
{
    ProgramOptions o;
    o.OnMouseMove = MouseMoveAction(s.read(keys::OnMouseMove));
    o.RandomMode = s.read(keys::RandomMode);
    o.FirstPageIsLastPage = s.read(keys::FirstPageIsLastPage);
    o.VarSubst = s.read(keys::VarSubst);
    o.RemoveVertScroll = s.read(keys::RemoveVertScroll);
    o.OnNewWindow = s.read(keys::OnNewWindow);
    o.WindowState = MainWindowState(s.read(keys::WindowState));
    o.TopMost = s.read(keys::TopMost);
    o.ToolRunLocked = s.read(keys::ToolRunLocked);
    o.ToolNavLocked = s.read(keys::ToolNavLocked);
    o.HelpEnabled = s.read(keys::HelpEnabled);
    o.HelpURL = s.read(keys::HelpURL);
    o.AutoReboot = s.read(keys::AutoReboot);
    o.RebootTime = s.read(keys::RebootTime);
    o.ForceReboot = s.read(keys::ForceReboot);
    o.AutoLogin = s.read(keys::AutoLogin);
    o.NTDomain = s.read(keys::NTDomain);
    o.NTLogin = s.read(keys::NTLogin);
    o.UpdateScheme = s.read(keys::UpdateScheme);
    o.UpdateTime = s.read(keys::UpdateTime);
    o.UpdateDelay = s.read(keys::UpdateDelay);
    o.ForceReconnect = s.read(keys::ForceReconnect);

    o.TestURL = s.read(keys::TestURL);
    o.TestURLIsHomePage = s.read(keys::TestURLIsHomePage);
    o.EMail = s.read(keys::EMail);
    o.DontUseEMail = s.read(keys::DontUseEMail);
    o.EMailRegistered = s.read(keys::EMailRegistered);
    o.SpecialURL = s.read(keys::SpecialURL);
    o.IEWindowClasses = s.read(keys::IEWindowClasses);
    o.IEWindowTitles = s.read(keys::IEWindowTitles);

    RegistryLayer& registry = s.registryLayer();
    o.ScreenSaveActive = ReadScreenSaveActive(registry);
    o.ScreenSaveTimeOut = ReadScreenSaveTimeOut(registry);
    o.MaxTime = s.read(keys::MaxTime, o.ScreenSaveTimeOut);
    if (o.MaxTime <= 0)
        o.MaxTime = o.ScreenSaveTimeOut;
    return o;
}

void WriteProgramOptions(SettingsStore& settings, const ProgramOptions& o, QStringList& failed)
{
    OptionWriter w(settings, failed);
    w.put(keys::OnMouseMove, qint16(o.OnMouseMove));
    w.put(keys::RandomMode, o.RandomMode);
    w.put(keys::FirstPageIsLastPage, o.FirstPageIsLastPage);
    w.put(keys::VarSubst, o.VarSubst);
    w.put(keys::RemoveVertScroll, o.RemoveVertScroll);
    w.put(keys::OnNewWindow, o.OnNewWindow);
    w.put(keys::WindowState, qint16(o.WindowState));
    w.put(keys::TopMost, o.TopMost);
    w.put(keys::ToolRunLocked, o.ToolRunLocked);
    w.put(keys::ToolNavLocked, o.ToolNavLocked);
    w.put(keys::HelpEnabled, o.HelpEnabled);
    w.put(keys::HelpURL, o.HelpURL);
    w.put(keys::AutoReboot, o.AutoReboot);
    w.put(keys::RebootTime, o.RebootTime);
    w.put(keys::ForceReboot, o.ForceReboot);
    w.put(keys::AutoLogin, o.AutoLogin);
    w.put(keys::NTDomain, o.NTDomain);
    w.put(keys::NTLogin, o.NTLogin);
    w.put(keys::UpdateScheme, o.UpdateScheme);
    w.put(keys::UpdateTime, o.UpdateTime);
    w.put(keys::UpdateDelay, o.UpdateDelay);
    w.put(keys::MaxTime, o.MaxTime);
    w.put(keys::ForceReconnect, o.ForceReconnect);

    w.put(keys::TestURL, o.TestURL);
    w.put(keys::TestURLIsHomePage, o.TestURLIsHomePage);
    w.put(keys::EMail, o.EMail);
    w.put(keys::DontUseEMail, o.DontUseEMail);
    w.put(keys::EMailRegistered, o.EMailRegistered);
    w.put(keys::SpecialURL, o.SpecialURL);
    w.put(keys::IEWindowClasses, o.IEWindowClasses);
    w.put(keys::IEWindowTitles, o.IEWindowTitles);

    RegistryLayer& registry = settings.registryLayer();
    const QString key = QString::fromLatin1(kDesktopKey);
    if (!registry.RegWrite(RegRoot::CurrentUser, key, kScreenSaveActive,
                           o.ScreenSaveActive ? QStringLiteral("1") : QStringLiteral("0")))
        failed.append(kScreenSaveActive);
    if (!registry.RegWrite(RegRoot::CurrentUser, key, kScreenSaveTimeOut,
                           QString::number(o.ScreenSaveTimeOut)))
        failed.append(kScreenSaveTimeOut);
}

bool WriteGeneralOption(SettingsStore& settings, SettingKey<QString> key, const QString& value)
{
    return writeGeneralText(settings, key.setting, value);
}

bool ReplaceStoredPassword(SettingsStore& settings, const QString& oldValue,
                           const QString& newValue)
{
    const QString name = settingName(Setting::Password);
    const QString user = settings.userPath();
    const QString machine = settings.machinePath();
    bool ok = true;
    for (const SettingsLocation place :
         {SettingsLocation::Document, SettingsLocation::HKCU, SettingsLocation::HKLM}) {
        if (!oldValue.isEmpty() && settings.ReadSetting(user, machine, name, place) == oldValue)
            ok = settings.WriteSetting(user, machine, name, newValue, place) && ok;
    }
    return ok;
}

} // namespace glasspane
