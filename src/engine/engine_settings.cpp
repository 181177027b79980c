#include "engine/engine_settings.h"

#include "document/settings.h"
#include "engine/screen_saver.h"

namespace glasspane {

EngineSettings ReadEngineSettings(SettingsStore& settings, const SaverState& saver)
{
    EngineSettings s;
    s.OnMouseMove = MouseMoveAction(settings.read(keys::OnMouseMove));
    s.ScreenSaveMinTime = saver.ScreenSaveMinTime;
    s.ScreenSaveTimeOut = saver.ScreenSaveTimeOut;
    s.SaverRestart = saver.SaverRestart;
    s.MaxTime = settings.read(keys::MaxTime, saver.ScreenSaveTimeOut);
    if (s.MaxTime <= 0)
        s.MaxTime = saver.ScreenSaveTimeOut;
    s.TopMost = settings.read(keys::TopMost);
    s.WindowState = MainWindowState(settings.read(keys::WindowState));
    s.RandomMode = settings.read(keys::RandomMode);
    s.FirstPageIsLastPage = settings.read(keys::FirstPageIsLastPage);
    s.HelpEnabled = settings.read(keys::HelpEnabled);
    s.HelpURL = settings.read(keys::HelpURL);
    s.IEWindowClasses = settings.read(keys::IEWindowClasses);
    s.IEWindowTitles = settings.read(keys::IEWindowTitles);
    s.AutoReboot = settings.read(keys::AutoReboot);
    s.RebootTime = settings.read(keys::RebootTime);
    s.ForceReboot = settings.read(keys::ForceReboot);
    s.AutoLogin = settings.read(keys::AutoLogin);
    s.NTDomain = settings.read(keys::NTDomain);
    s.NTLogin = settings.read(keys::NTLogin);
    return s;
}

} // namespace glasspane
