#pragma once

#include "document/setting_values.h"

#include <QString>

namespace glasspane {

class SettingsStore;
struct SaverState;

// The options the engine steers by, read once when the main window loads (ReadEngineSettings)
// and again when the configuration dialog keeps its changes. The document's own values
// (HomeURL, AutoHome, HomeAsSplash, AutoLoop, DefaultTime) live in DocumentState.
struct EngineSettings
{
    MouseMoveAction OnMouseMove = MouseMoveAction::Nothing;
    // Seconds after entering presentation mode during which activity is ignored.
    int ScreenSaveMinTime = 2;
    // Seconds of inactivity after which a paused show or navigation mode restarts the show.
    int ScreenSaveTimeOut = 300;
    // Restart after inactivity at all (the system screen saver is active, or "/S").
    bool SaverRestart = true;
    // Seconds a page may take to load before the show moves on anyway.
    int MaxTime = 300;
    bool TopMost = false;
    MainWindowState WindowState = MainWindowState::FullScreen;
    bool RandomMode = false;
    bool FirstPageIsLastPage = true;
    bool HelpEnabled = true;
    QString HelpURL;
    // Comma-separated wildcard patterns that find the browser's page window.
    QString IEWindowClasses = QStringLiteral("Internet Explorer_Server,");
    QString IEWindowTitles;

    // Daily reboot and the logon after it.
    bool AutoReboot = false;
    QString RebootTime; // "H:M"
    bool ForceReboot = false;
    bool AutoLogin = false;
    QString NTDomain;
    QString NTLogin; // the logon password is never read: nothing here may hold it
};

// Reads every value above from the settings store. ScreenSaveTimeOut, ScreenSaveMinTime and
// SaverRestart come from the system's screen-saver state (screen_saver.h); MaxTime defaults to
// that time-out. The logon values are read only on the NT family.
EngineSettings ReadEngineSettings(SettingsStore& settings, const SaverState& saver);

} // namespace glasspane
