#include "engine/engine_settings.h"

#include "document/settings.h"
#include "engine/screen_saver.h"

namespace glasspane {

EngineSettings ReadEngineSettings(SettingsStore& settings, const SaverState& saver)
{
    EngineSettings s;
    s.OnMouseMove = settings.readInt(Setting::OnMouseMove);
    s.ScreenSaveMinTime = saver.ScreenSaveMinTime;
    s.ScreenSaveTimeOut = saver.ScreenSaveTimeOut;
    s.SaverRestart = saver.SaverRestart;
    s.MaxTime = settings.readLong(Setting::MaxTime, saver.ScreenSaveTimeOut);
    if (s.MaxTime <= 0)
        s.MaxTime = saver.ScreenSaveTimeOut;
    s.TopMost = settings.readBool(Setting::TopMost);
    s.WindowState = settings.readInt(Setting::WindowState);
    s.RandomMode = settings.readBool(Setting::RandomMode);
    s.FirstPageIsLastPage = settings.readBool(Setting::FirstPageIsLastPage);
    s.HelpEnabled = settings.readBool(Setting::HelpEnabled);
    s.HelpURL = settings.readText(Setting::HelpURL);
    s.IEWindowClasses = settings.readText(Setting::IEWindowClasses);
    s.IEWindowTitles = settings.readText(Setting::IEWindowTitles);
    s.AutoReboot = settings.readBool(Setting::AutoReboot);
    s.RebootTime = settings.readText(Setting::RebootTime);
    s.ForceReboot = settings.readBool(Setting::ForceReboot);
    s.AutoLogin = settings.readBool(Setting::AutoLogin);
    s.NTDomain = settings.readText(Setting::NTDomain);
    s.NTLogin = settings.readText(Setting::NTLogin);
    return s;
}

} // namespace glasspane
