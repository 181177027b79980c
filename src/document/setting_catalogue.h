#pragma once

#include <QString>
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
constexpr unsigned NtOnly = 1u << 0;              // read and written only when platform() == 2
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
