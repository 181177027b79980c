#pragma once

#include <QString>
#include <QtGlobal>
#include <span>

namespace glasspane {

// Every option the program stores, in one place. The enumerator is the key name as it
// stands in the registry and in the document; settingName() gives the text.
enum class Setting {
    // Where options go.
    RegKey,
    ParamsLocation,
    // Documents.
    DefaultFile,
    RecentFile, // numbered list RecentFile1..RecentFile10, HKCU only
    // [Gpane] values of the document itself.
    HomeURL,
    AutoHome,
    HomeAsSplash,
    AutoLoop,
    DefaultTime,
    // Presentation parameters.
    OnMouseMove,
    RandomMode,
    FirstPageIsLastPage,
    FirstPage,
    VarSubst,
    RemoveVertScroll,
    OnNewWindow,
    WindowState,
    TopMost,
    ToolRunLocked,
    ToolNavLocked,
    HelpEnabled,
    HelpURL,
    ScreenSaveMinTime,
    AutoplaySound, // media with sound play without a visitor's gesture
    AutoReboot,
    RebootTime,
    ForceReboot,
    AutoLogin,
    NTDomain,
    NTLogin,
    NTPassword,
    UpdateScheme,
    UpdateTime,
    UpdateDelay,
    ForceReconnect,
    MaxTime,
    // General options.
    TestURL,
    TestURLIsHomePage,
    CachePathIsWindowsTemp,
    CachePath,
    MaxDownloadSize,     // megabytes
    RendererMemoryLimit, // MiB of the program's processes before the web page is renewed
    RendererMaxHours,    // hours a web page serves before it is renewed
    KeepVisitorData,     // a visitor's cookies, storage and typed addresses outlive the visit
    LastUpdateOccuredDate,
    LastUpdateOccuredTime,
    UpdateASAPDate,
    UpdateASAPTime,
    EMail,
    DontUseEMail,
    EMailRegistered,
    Password,
    SpecialURL,
    IEWindowClasses,
    IEWindowTitles,
    WindowLeft,
    WindowTop,
    WindowWidth,
    WindowHeight,
    ToolRunLeft,
    ToolRunTop,
    ToolNavLeft,
    ToolNavTop,
    ToolNavWidth,
    // Values of a tool bar button section ([ToolNavBack], [ToolRunNext]) and of [ToolNavURL];
    // always addressed with the section as sub-path.
    HelpTip,
    Icon,
    IconDown,
    Visible,
    Position,

    Count_
};

// A setting together with the type of its value: the settings store reads and writes it as
// that type, so a call site names no type and cannot take a number for a yes/no value. The
// catalogue (setting_catalogue.cpp) takes each setting's type from its key.
template <typename T> struct SettingKey
{
    Setting setting;
};

namespace keys {
inline constexpr SettingKey<QString> RegKey{Setting::RegKey};
inline constexpr SettingKey<QString> ParamsLocation{Setting::ParamsLocation};
inline constexpr SettingKey<QString> DefaultFile{Setting::DefaultFile};
inline constexpr SettingKey<QString> RecentFile{Setting::RecentFile};
inline constexpr SettingKey<QString> HomeURL{Setting::HomeURL};
inline constexpr SettingKey<bool> AutoHome{Setting::AutoHome};
inline constexpr SettingKey<bool> HomeAsSplash{Setting::HomeAsSplash};
inline constexpr SettingKey<bool> AutoLoop{Setting::AutoLoop};
inline constexpr SettingKey<qint32> DefaultTime{Setting::DefaultTime};
inline constexpr SettingKey<qint16> OnMouseMove{Setting::OnMouseMove};
inline constexpr SettingKey<bool> RandomMode{Setting::RandomMode};
inline constexpr SettingKey<bool> FirstPageIsLastPage{Setting::FirstPageIsLastPage};
inline constexpr SettingKey<qint32> FirstPage{Setting::FirstPage};
inline constexpr SettingKey<bool> VarSubst{Setting::VarSubst};
inline constexpr SettingKey<qint16> RemoveVertScroll{Setting::RemoveVertScroll};
inline constexpr SettingKey<qint16> OnNewWindow{Setting::OnNewWindow};
inline constexpr SettingKey<qint16> WindowState{Setting::WindowState};
inline constexpr SettingKey<bool> TopMost{Setting::TopMost};
inline constexpr SettingKey<bool> ToolRunLocked{Setting::ToolRunLocked};
inline constexpr SettingKey<bool> ToolNavLocked{Setting::ToolNavLocked};
inline constexpr SettingKey<bool> HelpEnabled{Setting::HelpEnabled};
inline constexpr SettingKey<QString> HelpURL{Setting::HelpURL};
inline constexpr SettingKey<qint32> ScreenSaveMinTime{Setting::ScreenSaveMinTime};
inline constexpr SettingKey<bool> AutoplaySound{Setting::AutoplaySound};
inline constexpr SettingKey<bool> AutoReboot{Setting::AutoReboot};
inline constexpr SettingKey<QString> RebootTime{Setting::RebootTime};
inline constexpr SettingKey<bool> ForceReboot{Setting::ForceReboot};
inline constexpr SettingKey<bool> AutoLogin{Setting::AutoLogin};
inline constexpr SettingKey<QString> NTDomain{Setting::NTDomain};
inline constexpr SettingKey<QString> NTLogin{Setting::NTLogin};
inline constexpr SettingKey<QString> NTPassword{Setting::NTPassword};
inline constexpr SettingKey<qint16> UpdateScheme{Setting::UpdateScheme};
inline constexpr SettingKey<QString> UpdateTime{Setting::UpdateTime};
inline constexpr SettingKey<qint32> UpdateDelay{Setting::UpdateDelay};
inline constexpr SettingKey<bool> ForceReconnect{Setting::ForceReconnect};
inline constexpr SettingKey<qint32> MaxTime{Setting::MaxTime};
inline constexpr SettingKey<QString> TestURL{Setting::TestURL};
inline constexpr SettingKey<bool> TestURLIsHomePage{Setting::TestURLIsHomePage};
inline constexpr SettingKey<bool> CachePathIsWindowsTemp{Setting::CachePathIsWindowsTemp};
inline constexpr SettingKey<QString> CachePath{Setting::CachePath};
inline constexpr SettingKey<qint32> MaxDownloadSize{Setting::MaxDownloadSize};
inline constexpr SettingKey<qint32> RendererMemoryLimit{Setting::RendererMemoryLimit};
inline constexpr SettingKey<qint32> RendererMaxHours{Setting::RendererMaxHours};
inline constexpr SettingKey<bool> KeepVisitorData{Setting::KeepVisitorData};
inline constexpr SettingKey<QString> LastUpdateOccuredDate{Setting::LastUpdateOccuredDate};
inline constexpr SettingKey<QString> LastUpdateOccuredTime{Setting::LastUpdateOccuredTime};
inline constexpr SettingKey<QString> UpdateASAPDate{Setting::UpdateASAPDate};
inline constexpr SettingKey<QString> UpdateASAPTime{Setting::UpdateASAPTime};
inline constexpr SettingKey<QString> EMail{Setting::EMail};
inline constexpr SettingKey<bool> DontUseEMail{Setting::DontUseEMail};
inline constexpr SettingKey<bool> EMailRegistered{Setting::EMailRegistered};
inline constexpr SettingKey<QString> Password{Setting::Password};
inline constexpr SettingKey<QString> SpecialURL{Setting::SpecialURL};
inline constexpr SettingKey<QString> IEWindowClasses{Setting::IEWindowClasses};
inline constexpr SettingKey<QString> IEWindowTitles{Setting::IEWindowTitles};
inline constexpr SettingKey<qint32> WindowLeft{Setting::WindowLeft};
inline constexpr SettingKey<qint32> WindowTop{Setting::WindowTop};
inline constexpr SettingKey<qint32> WindowWidth{Setting::WindowWidth};
inline constexpr SettingKey<qint32> WindowHeight{Setting::WindowHeight};
inline constexpr SettingKey<qint32> ToolRunLeft{Setting::ToolRunLeft};
inline constexpr SettingKey<qint32> ToolRunTop{Setting::ToolRunTop};
inline constexpr SettingKey<qint32> ToolNavLeft{Setting::ToolNavLeft};
inline constexpr SettingKey<qint32> ToolNavTop{Setting::ToolNavTop};
inline constexpr SettingKey<qint32> ToolNavWidth{Setting::ToolNavWidth};
inline constexpr SettingKey<QString> HelpTip{Setting::HelpTip};
inline constexpr SettingKey<QString> Icon{Setting::Icon};
inline constexpr SettingKey<QString> IconDown{Setting::IconDown};
inline constexpr SettingKey<bool> Visible{Setting::Visible};
inline constexpr SettingKey<qint16> Position{Setting::Position};
} // namespace keys

// Where a setting is read and written.
enum class SettingPlace {
    Auto,          // read document, then HKCU, then HKLM; written to RegKeyRoot
    Params,        // read and written with ParamsLocation
    Doc,           // the document's own [Gpane] values: read from the document, then with
                   // ParamsLocation when empty there; written with ParamsLocation
    DocThenParams, // FirstPage: the same rule, written by the engine with ParamsLocation
    HkcuNumbered,  // numbered values name1..nameN under the per-user product key
    Section,       // a button or [ToolNavURL] value: Params, under a sub-path
};

enum class SettingType {
    Bool,  // "Yes" / "No"
    Int16, // decimal, 16-bit signed
    Int32, // decimal, 32-bit signed
    Text,
};

namespace SettingFlag {
constexpr unsigned None = 0;
constexpr unsigned NtOnly = 1u << 0;              // read and written only on the NT family
constexpr unsigned ReadOnly = 1u << 1;            // never written by the program
constexpr unsigned DefaultDocumentOnly = 1u << 2; // kept for the default document only
constexpr unsigned WriteBackDefault = 1u << 3;    // found empty: default written at once
constexpr unsigned Untrimmed = 1u << 4;           // text kept as stored (passwords)
constexpr unsigned TimeHHMM = 1u << 5;            // "HH:MM", hours mod 24, minutes mod 60
constexpr unsigned RelativeToResources = 1u << 6; // a path: resolved on reading, stored
                                                  // relative to the ResourceFolder
} // namespace SettingFlag

struct SettingInfo
{
    Setting setting;
    const char* name; // key / value name
    SettingPlace place;
    SettingType type;
    // Default: for Bool 0/1, for numbers the number, for Text defaultText.
    qint32 defaultNumber;
    const char* defaultText;
    // Numbers outside [minimum, maximum] read as the default.
    qint32 minimum;
    qint32 maximum;
    unsigned flags;
    // HkcuNumbered: the most values kept (0 = until the first empty one).
    int maxCount;
};

// The descriptor of a setting; every setting has one.
const SettingInfo& settingInfo(Setting setting);
// The key name, e.g. "AutoLoop".
QString settingName(Setting setting);
// All descriptors, in the order of the Setting enumeration.
std::span<const SettingInfo> allSettings();

// The parameter values that are deleted from both registry roots when the parameters live in
// the document, in the order they are deleted.
std::span<const Setting> documentParameterSettings();

// The maker's web site: default TestURL and part of the agent text.
inline constexpr const char* kMakerSiteAddress = "https://glasspane.example/";

} // namespace glasspane
