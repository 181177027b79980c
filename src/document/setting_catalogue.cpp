#include "document/setting_catalogue.h"

#include <array>
#include <limits>

namespace glasspane {

namespace {

constexpr qint32 kLow = std::numeric_limits<qint32>::min();
constexpr qint32 kHigh = std::numeric_limits<qint32>::max();

using P = SettingPlace;
using T = SettingType;
namespace F = SettingFlag;

constexpr SettingInfo row(Setting s, const char* name, P place, T type, qint32 number,
                          const char* text = "", unsigned flags = F::None, qint32 minimum = kLow,
                          qint32 maximum = kHigh, int maxCount = 0)
{
    return SettingInfo{s, name, place, type, number, text, minimum, maximum, flags, maxCount};
}

// The table of every option. Defaults that depend on the running program (window size,
// first page, default document, cache folder, the system's screen-saver time-out) are given
// by the caller as a fallback; the ones here are used when it gives none.
constexpr std::array kSettings{
    row(Setting::RegKey, "RegKey", P::Auto, T::Text, 0, "HKLM"),
    row(Setting::ParamsLocation, "ParamsLocation", P::Auto, T::Text, 0, "1"),
    row(Setting::DefaultFile, "DefaultFile", P::Auto, T::Text, 0),
    row(Setting::RecentFile, "RecentFile", P::HkcuNumbered, T::Text, 0, "", F::None, kLow, kHigh,
        10),
    row(Setting::HomeURL, "HomeURL", P::Doc, T::Text, 0, "about:blank"),
    row(Setting::AutoHome, "AutoHome", P::Doc, T::Bool, 0),
    row(Setting::HomeAsSplash, "HomeAsSplash", P::Doc, T::Bool, 0),
    row(Setting::AutoLoop, "AutoLoop", P::Doc, T::Bool, 1),
    row(Setting::DefaultTime, "DefaultTime", P::Doc, T::Int32, 10),
    row(Setting::OnMouseMove, "OnMouseMove", P::Params, T::Int16, 0),
    row(Setting::RandomMode, "RandomMode", P::Params, T::Bool, 0),
    row(Setting::FirstPageIsLastPage, "FirstPageIsLastPage", P::Params, T::Bool, 1),
    row(Setting::FirstPage, "FirstPage", P::DocThenParams, T::Int32, 0),
    row(Setting::VarSubst, "VarSubst", P::Params, T::Bool, 1),
    row(Setting::RemoveVertScroll, "RemoveVertScroll", P::Params, T::Int16, 0),
    row(Setting::OnNewWindow, "OnNewWindow", P::Params, T::Int16, 0),
    row(Setting::WindowState, "WindowState", P::Params, T::Int16, 2),
    row(Setting::TopMost, "TopMost", P::Params, T::Bool, 0),
    row(Setting::ToolRunLocked, "ToolRunLocked", P::Params, T::Bool, 0),
    row(Setting::ToolNavLocked, "ToolNavLocked", P::Params, T::Bool, 0),
    row(Setting::HelpEnabled, "HelpEnabled", P::Params, T::Bool, 1),
    row(Setting::HelpURL, "HelpURL", P::Params, T::Text, 0, "documentation.html",
        F::RelativeToResources),
    row(Setting::ScreenSaveMinTime, "ScreenSaveMinTime", P::Params, T::Int32, 2, "", F::ReadOnly,
        1),
    row(Setting::AutoplaySound, "AutoplaySound", P::Params, T::Bool, 1, "", F::ReadOnly),
    row(Setting::AutoReboot, "AutoReboot", P::Params, T::Bool, 0),
    row(Setting::RebootTime, "RebootTime", P::Params, T::Text, 0, "00:00", F::TimeHHMM),
    row(Setting::ForceReboot, "ForceReboot", P::Params, T::Bool, 0),
    row(Setting::AutoLogin, "AutoLogin", P::Params, T::Bool, 0, "", F::NtOnly),
    row(Setting::NTDomain, "NTDomain", P::Params, T::Text, 0, "", F::NtOnly),
    row(Setting::NTLogin, "NTLogin", P::Params, T::Text, 0, "", F::NtOnly),
    row(Setting::NTPassword, "NTPassword", P::Params, T::Text, 0, "", F::NtOnly | F::Untrimmed),
    row(Setting::UpdateScheme, "UpdateScheme", P::Params, T::Int16, 0, "", F::None, 0, 5),
    row(Setting::UpdateTime, "UpdateTime", P::Params, T::Text, 0, "00:00"),
    row(Setting::UpdateDelay, "UpdateDelay", P::Params, T::Int32, 300, "", F::None, 1),
    row(Setting::ForceReconnect, "ForceReconnect", P::Params, T::Bool, 0),
    row(Setting::MaxTime, "MaxTime", P::Params, T::Int32, 300, "", F::None, 1),
    row(Setting::TestURL, "TestURL", P::Auto, T::Text, 0, kMakerSiteAddress),
    row(Setting::TestURLIsHomePage, "TestURLIsHomePage", P::Auto, T::Bool, 0),
    row(Setting::CachePathIsWindowsTemp, "CachePathIsWindowsTemp", P::Auto, T::Bool, 1, "",
        F::ReadOnly),
    row(Setting::CachePath, "CachePath", P::Auto, T::Text, 0, "", F::ReadOnly),
    // 200 MB; at most 1 TB, so that the byte count stays within 64 bits with room to spare.
    row(Setting::MaxDownloadSize, "MaxDownloadSize", P::Auto, T::Int32, 200, "", F::ReadOnly, 1,
        1024 * 1024),
    // 0 here: the caller sizes the limit from the machine's memory. 0 stored: no limit.
    row(Setting::RendererMemoryLimit, "RendererMemoryLimit", P::Auto, T::Int32, 0, "", F::ReadOnly,
        0, 1 << 30),
    row(Setting::RendererMaxHours, "RendererMaxHours", P::Auto, T::Int32, 24, "", F::ReadOnly, 0,
        1000000),
    row(Setting::KeepVisitorData, "KeepVisitorData", P::Auto, T::Bool, 0, "", F::ReadOnly),
    row(Setting::LastUpdateOccuredDate, "LastUpdateOccuredDate", P::Auto, T::Text, 0, "",
        F::DefaultDocumentOnly),
    row(Setting::LastUpdateOccuredTime, "LastUpdateOccuredTime", P::Auto, T::Text, 0, "",
        F::DefaultDocumentOnly),
    row(Setting::UpdateASAPDate, "UpdateASAPDate", P::Auto, T::Text, 0, "", F::DefaultDocumentOnly),
    row(Setting::UpdateASAPTime, "UpdateASAPTime", P::Auto, T::Text, 0, "", F::DefaultDocumentOnly),
    row(Setting::EMail, "EMail", P::Auto, T::Text, 0),
    row(Setting::DontUseEMail, "DontUseEMail", P::Auto, T::Bool, 0),
    row(Setting::EMailRegistered, "EMailRegistered", P::Auto, T::Bool, 0),
    row(Setting::Password, "Password", P::Auto, T::Text, 0, "", F::Untrimmed),
    row(Setting::SpecialURL, "SpecialURL", P::Auto, T::Text, 0, "about:NavigationCanceled,",
        F::WriteBackDefault),
    row(Setting::IEWindowClasses, "IEWindowClasses", P::Auto, T::Text, 0,
        "Internet Explorer_Server,", F::WriteBackDefault),
    row(Setting::IEWindowTitles, "IEWindowTitles", P::Auto, T::Text, 0),
    row(Setting::WindowLeft, "WindowLeft", P::Auto, T::Int32, 0),
    row(Setting::WindowTop, "WindowTop", P::Auto, T::Int32, 0),
    row(Setting::WindowWidth, "WindowWidth", P::Auto, T::Int32, 0),
    row(Setting::WindowHeight, "WindowHeight", P::Auto, T::Int32, 0),
    row(Setting::ToolRunLeft, "ToolRunLeft", P::Auto, T::Int32, -10000),
    row(Setting::ToolRunTop, "ToolRunTop", P::Auto, T::Int32, 0),
    row(Setting::ToolNavLeft, "ToolNavLeft", P::Auto, T::Int32, -10000),
    row(Setting::ToolNavTop, "ToolNavTop", P::Auto, T::Int32, 0),
    row(Setting::ToolNavWidth, "ToolNavWidth", P::Auto, T::Int32, -10000),
    row(Setting::HelpTip, "HelpTip", P::Section, T::Text, 0),
    row(Setting::Icon, "Icon", P::Section, T::Text, 0),
    row(Setting::IconDown, "IconDown", P::Section, T::Text, 0),
    row(Setting::Visible, "Visible", P::Section, T::Bool, 1),
    row(Setting::Position, "Position", P::Section, T::Int16, 0),
};

constexpr bool inEnumOrder()
{
    for (std::size_t i = 0; i < kSettings.size(); ++i) {
        if (std::size_t(kSettings[i].setting) != i)
            return false;
    }
    return kSettings.size() == std::size_t(Setting::Count_);
}
static_assert(inEnumOrder(), "the catalogue must list every setting once, in enum order");

constexpr std::array kDocumentParameters{
    Setting::ToolRunLocked, Setting::ToolNavLocked,    Setting::VarSubst,
    Setting::AutoReboot,    Setting::RebootTime,       Setting::ForceReboot,
    Setting::AutoLogin,     Setting::NTDomain,         Setting::NTLogin,
    Setting::NTPassword,    Setting::WindowState,      Setting::TopMost,
    Setting::RandomMode,    Setting::RemoveVertScroll, Setting::OnNewWindow,
    Setting::UpdateScheme,  Setting::UpdateDelay,      Setting::ForceReconnect,
    Setting::UpdateTime,    Setting::MaxTime,          Setting::FirstPageIsLastPage,
    Setting::HelpEnabled,   Setting::HelpURL,
};

} // namespace

const SettingInfo& settingInfo(Setting setting)
{
    return kSettings[std::size_t(setting)];
}

QString settingName(Setting setting)
{
    return QString::fromLatin1(settingInfo(setting).name);
}

std::span<const SettingInfo> allSettings()
{
    return kSettings;
}

std::span<const Setting> documentParameterSettings()
{
    return kDocumentParameters;
}

} // namespace glasspane
