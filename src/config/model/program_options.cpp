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

// Writes one option in its place and keeps account of the ones that failed.
class OptionWriter
{
public:
    OptionWriter(SettingsStore& settings, QStringList& failed)
        : m_settings(settings), m_failed(failed)
    {}

    void put(Setting setting, const QString& value)
    {
        const bool general = settingInfo(setting).place == SettingPlace::Auto;
        const bool ok = general ? WriteGeneralOption(m_settings, setting, value)
                                : m_settings.write(setting, value);
        qCDebug(lcGlasspane).noquote()
            << "option" << settingName(setting) << "="
            << (isPrivate(setting) ? QStringLiteral("(not shown)") : value)
            << (ok ? "" : "(could not be stored)");
        if (!ok)
            m_failed.append(settingName(setting));
    }
    void put(Setting setting, bool value) { put(setting, BoolText(value)); }
    void put(Setting setting, qint32 value) { put(setting, QString::number(value)); }

private:
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
    o.OnMouseMove = s.readInt(Setting::OnMouseMove);
    o.RandomMode = s.readBool(Setting::RandomMode);
    o.FirstPageIsLastPage = s.readBool(Setting::FirstPageIsLastPage);
    o.VarSubst = s.readBool(Setting::VarSubst);
    o.RemoveVertScroll = s.readInt(Setting::RemoveVertScroll);
    o.OnNewWindow = s.readInt(Setting::OnNewWindow);
    o.WindowState = s.readInt(Setting::WindowState);
    o.TopMost = s.readBool(Setting::TopMost);
    o.ToolRunLocked = s.readBool(Setting::ToolRunLocked);
    o.ToolNavLocked = s.readBool(Setting::ToolNavLocked);
    o.HelpEnabled = s.readBool(Setting::HelpEnabled);
    o.HelpURL = s.readText(Setting::HelpURL);
    o.AutoReboot = s.readBool(Setting::AutoReboot);
    o.RebootTime = s.readText(Setting::RebootTime);
    o.ForceReboot = s.readBool(Setting::ForceReboot);
    o.AutoLogin = s.readBool(Setting::AutoLogin);
    o.NTDomain = s.readText(Setting::NTDomain);
    o.NTLogin = s.readText(Setting::NTLogin);
    o.UpdateScheme = s.readInt(Setting::UpdateScheme);
    o.UpdateTime = s.readText(Setting::UpdateTime);
    o.UpdateDelay = s.readLong(Setting::UpdateDelay);
    o.ForceReconnect = s.readBool(Setting::ForceReconnect);

    o.TestURL = s.readText(Setting::TestURL);
    o.TestURLIsHomePage = s.readBool(Setting::TestURLIsHomePage);
    o.EMail = s.readText(Setting::EMail);
    o.DontUseEMail = s.readBool(Setting::DontUseEMail);
    o.EMailRegistered = s.readBool(Setting::EMailRegistered);
    o.SpecialURL = s.readText(Setting::SpecialURL);
    o.IEWindowClasses = s.readText(Setting::IEWindowClasses);
    o.IEWindowTitles = s.readText(Setting::IEWindowTitles);

    RegistryLayer& registry = s.registryLayer();
    o.ScreenSaveActive = ReadScreenSaveActive(registry);
    o.ScreenSaveTimeOut = ReadScreenSaveTimeOut(registry);
    o.MaxTime = s.readLong(Setting::MaxTime, o.ScreenSaveTimeOut);
    if (o.MaxTime <= 0)
        o.MaxTime = o.ScreenSaveTimeOut;
    return o;
}

void WriteProgramOptions(SettingsStore& settings, const ProgramOptions& o, QStringList& failed)
{
    OptionWriter w(settings, failed);
    w.put(Setting::OnMouseMove, qint32(o.OnMouseMove));
    w.put(Setting::RandomMode, o.RandomMode);
    w.put(Setting::FirstPageIsLastPage, o.FirstPageIsLastPage);
    w.put(Setting::VarSubst, o.VarSubst);
    w.put(Setting::RemoveVertScroll, qint32(o.RemoveVertScroll));
    w.put(Setting::OnNewWindow, qint32(o.OnNewWindow));
    w.put(Setting::WindowState, qint32(o.WindowState));
    w.put(Setting::TopMost, o.TopMost);
    w.put(Setting::ToolRunLocked, o.ToolRunLocked);
    w.put(Setting::ToolNavLocked, o.ToolNavLocked);
    w.put(Setting::HelpEnabled, o.HelpEnabled);
    w.put(Setting::HelpURL, o.HelpURL);
    w.put(Setting::AutoReboot, o.AutoReboot);
    w.put(Setting::RebootTime, o.RebootTime);
    w.put(Setting::ForceReboot, o.ForceReboot);
    w.put(Setting::AutoLogin, o.AutoLogin);
    w.put(Setting::NTDomain, o.NTDomain);
    w.put(Setting::NTLogin, o.NTLogin);
    w.put(Setting::UpdateScheme, qint32(o.UpdateScheme));
    w.put(Setting::UpdateTime, o.UpdateTime);
    w.put(Setting::UpdateDelay, o.UpdateDelay);
    w.put(Setting::MaxTime, o.MaxTime);
    w.put(Setting::ForceReconnect, o.ForceReconnect);

    w.put(Setting::TestURL, o.TestURL);
    w.put(Setting::TestURLIsHomePage, o.TestURLIsHomePage);
    w.put(Setting::EMail, o.EMail);
    w.put(Setting::DontUseEMail, o.DontUseEMail);
    w.put(Setting::EMailRegistered, o.EMailRegistered);
    w.put(Setting::SpecialURL, o.SpecialURL);
    w.put(Setting::IEWindowClasses, o.IEWindowClasses);
    w.put(Setting::IEWindowTitles, o.IEWindowTitles);

    RegistryLayer& registry = settings.registryLayer();
    const QString key = QString::fromLatin1(kDesktopKey);
    if (!registry.RegWrite(RegRoot::CurrentUser, key, kScreenSaveActive,
                           o.ScreenSaveActive ? QStringLiteral("1") : QStringLiteral("0")))
        failed.append(kScreenSaveActive);
    if (!registry.RegWrite(RegRoot::CurrentUser, key, kScreenSaveTimeOut,
                           QString::number(o.ScreenSaveTimeOut)))
        failed.append(kScreenSaveTimeOut);
}

bool WriteGeneralOption(SettingsStore& settings, Setting setting, const QString& value)
{
    bool ok = settings.write(setting, value);
    const QString name = settingName(setting);
    const QString user = settings.userPath();
    const QString machine = settings.machinePath();
    if (!settings.ReadSetting(user, machine, name, SettingsLocation::Document).isEmpty())
        ok = settings.WriteSetting(user, machine, name, value, SettingsLocation::Document) && ok;
    return ok;
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
