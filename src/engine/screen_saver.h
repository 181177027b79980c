#pragma once

#include <QString>

namespace glasspane {

class IniFiles;
class RegistryLayer;
class SettingsStore;
class Shell;
class System;
struct ProgramValues;

// The per-user key of the system's screen-saver values, under HKEY_CURRENT_USER.
inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";

// The system's screen-saver state as the program reads it at load.
struct SaverState
{
    // The program is, or is to be made, the system screen saver.
    bool IsSystemSaver = false;
    // "ScreenSaveUsePassword": the system guards its screen saver with a password.
    int UsePassword = 0;
    // Restart the show after inactivity: the screen saver is active, or the switch is "/S".
    bool SaverRestart = true;
    // Seconds of inactivity before the restart (300 when unset or not positive).
    int ScreenSaveTimeOut = 300;
    // Seconds after entering presentation mode during which activity is ignored.
    int ScreenSaveMinTime = 2;
};

// Whether a "SCRNSAVE.EXE" value names this program: its file name, in any folder and any
// case, is the program's name with ".SCR" (as written on Windows) or without an extension (the
// executable itself, as written here).
bool NamesThisProgram(const QString& scrnsaveExe, const QString& exeName);

// Reads the state: IsSystemSaver from the desktop's real choice (the program its screen saver
// shows), the rest from HKEY_CURRENT_USER\Control Panel\Desktop and the settings.
// saverSwitch: the command line's switch is "/S" (or a screen-saver host started it).
SaverState ReadSaverState(SettingsStore& settings, Shell& shell, const ProgramValues& program,
                          bool saverSwitch);

// Makes the program the system screen saver when state.IsSystemSaver: the desktop's screen
// saver (Shell::setScreenSaver) and the per-user desktop values, all of them the user's own;
// also SYSTEM.INI [boot] of the machine folder where the user may write it. False when one of
// the user's own could not be written.
bool RegisterSystemSaver(const SaverState& state, IniFiles& ini, RegistryLayer& registry,
                         const System& system, Shell& shell, const ProgramValues& program);

} // namespace glasspane
