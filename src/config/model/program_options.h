#pragma once

#include "document/setting_catalogue.h"
#include "document/setting_values.h"

#include <QString>
#include <QStringList>

namespace glasspane {

class RegistryLayer;
class SettingsStore;
struct ProgramValues;

// The options a document save writes, each to its own place (the presentation parameters with
// ParamsLocation, the general options to RegKeyRoot, the two screen-saver values of the
// system), as the program holds them between reading and saving. The document's own [Gpane]
// values, the lists and the buttons belong to DocumentState; RegKey, ParamsLocation,
// DefaultFile and Password are written when they change; the window and tool bar placement by
// the window side; FirstPage and the update bookkeeping by the engine and the update policy.
struct ProgramOptions
{
    // Presentation parameters.
    MouseMoveAction OnMouseMove = MouseMoveAction::Nothing;
    bool RandomMode = false;
    bool FirstPageIsLastPage = true;
    bool VarSubst = true;
    qint16 RemoveVertScroll = 0;
    qint16 OnNewWindow = 0;
    MainWindowState WindowState = MainWindowState::FullScreen;
    bool TopMost = false;
    bool ToolRunLocked = false;
    bool ToolNavLocked = false;
    bool HelpEnabled = true;
    QString HelpURL;
    bool AutoReboot = false;
    QString RebootTime = QStringLiteral("00:00");
    bool ForceReboot = false;
    bool AutoLogin = false;
    QString NTDomain;
    QString NTLogin;
    qint16 UpdateScheme = 0;
    QString UpdateTime = QStringLiteral("00:00");
    qint32 UpdateDelay = 300;
    qint32 MaxTime = 300;
    bool ForceReconnect = false;

    // General options.
    QString TestURL;
    bool TestURLIsHomePage = false;
    QString EMail;
    bool DontUseEMail = false;
    bool EMailRegistered = false;
    QString SpecialURL;
    QString IEWindowClasses;
    QString IEWindowTitles;

    // The system's screen-saver values (per user, Control Panel\Desktop): restart the show after
    // inactivity, and after how many seconds.
    bool ScreenSaveActive = true;
    qint32 ScreenSaveTimeOut = 300;
};

// Reads every option from its place, with the corrections of the settings catalogue. MaxTime
// falls back to the screen-saver time-out, as the engine reads it.
ProgramOptions ReadProgramOptions(SettingsStore& settings);

// Writes every option to its place. The names of the options that could not be stored are
// added to failed (a general option that the current document also holds is written into the
// document as well, so that the document's copy does not hide the new value).
void WriteProgramOptions(SettingsStore& settings, const ProgramOptions& options,
                         QStringList& failed);

// The system's screen-saver values.
bool ReadScreenSaveActive(RegistryLayer& registry);
qint32 ReadScreenSaveTimeOut(RegistryLayer& registry);

// Writes a general option to RegKeyRoot, and into the current document too when the document
// holds a value of it (reads look at the document first). False when a write failed.
bool WriteGeneralOption(SettingsStore& settings, SettingKey<QString> key, const QString& value);

// Puts the new form of the configuration password in place of a value stored in the old,
// reversible form, wherever that value stands (the document, the per-user and the machine
// key), so that no readable copy stays behind. False when one of them could not be written.
bool ReplaceStoredPassword(SettingsStore& settings, const QString& oldValue,
                           const QString& newValue);

} // namespace glasspane
