#include "document/setting_catalogue.h"

#include <array>
#include <limits>
#include <type_traits>

namespace glasspane {

namespace {

constexpr qint32 kLow = std::numeric_limits<qint32>::min();
constexpr qint32 kHigh = std::numeric_limits<qint32>::max();

using P = SettingPlace;
using T = SettingType;
namespace F = SettingFlag;

// The stored type of a key's values.
template <typename V> constexpr T typeOf()
{
    if constexpr (std::is_same_v<V, bool>)
        return T::Bool;
    else if constexpr (std::is_same_v<V, qint16>)
        return T::Int16;
    else if constexpr (std::is_same_v<V, qint32>)
        return T::Int32;
    else {
        static_assert(std::is_same_v<V, QString>, "a setting is a yes/no, a number or a text");
        return T::Text;
    }
}

template <typename V>
constexpr SettingInfo row(SettingKey<V> key, const char* name, P place, qint32 number,
                          const char* text = "", unsigned flags = F::None, qint32 minimum = kLow,
                          qint32 maximum = kHigh, int maxCount = 0)
{
    return SettingInfo{key.setting, name,    place,   typeOf<V>(), number,
                       text,        minimum, maximum, flags,       maxCount};
}

// The table of every option. Defaults that depend on the running program (window size,
// first page, default document, cache folder, the system's screen-saver time-out) are given
// by the caller as a fallback; the ones here are used when it gives none.
constexpr std::array kSettings{
    row(keys::RegKey, "RegKey", P::Auto, 0, "HKLM"),
    row(keys::ParamsLocation, "ParamsLocation", P::Auto, 0, "1"),
    row(keys::DefaultFile, "DefaultFile", P::Auto, 0),
    row(keys::RecentFile, "RecentFile", P::HkcuNumbered, 0, "", F::None, kLow, kHigh, 10),
    row(keys::HomeURL, "HomeURL", P::Doc, 0, "about:blank"),
    row(keys::AutoHome, "AutoHome", P::Doc, 0),
    row(keys::HomeAsSplash, "HomeAsSplash", P::Doc, 0),
    row(keys::AutoLoop, "AutoLoop", P::Doc, 1),
    row(keys::DefaultTime, "DefaultTime", P::Doc, 10),
    row(keys::OnMouseMove, "OnMouseMove", P::Params, 0),
    row(keys::RandomMode, "RandomMode", P::Params, 0),
    row(keys::FirstPageIsLastPage, "FirstPageIsLastPage", P::Params, 1),
    row(keys::FirstPage, "FirstPage", P::DocThenParams, 0),
    row(keys::VarSubst, "VarSubst", P::Params, 1),
    row(keys::RemoveVertScroll, "RemoveVertScroll", P::Params, 0),
    row(keys::OnNewWindow, "OnNewWindow", P::Params, 0),
    row(keys::WindowState, "WindowState", P::Params, 2),
    row(keys::TopMost, "TopMost", P::Params, 0),
    row(keys::ToolRunLocked, "ToolRunLocked", P::Params, 0),
    row(keys::ToolNavLocked, "ToolNavLocked", P::Params, 0),
    row(keys::HelpEnabled, "HelpEnabled", P::Params, 1),
    row(keys::HelpURL, "HelpURL", P::Params, 0, "documentation.html", F::RelativeToResources),
    row(keys::ScreenSaveMinTime, "ScreenSaveMinTime", P::Params, 2, "", F::ReadOnly, 1),
    row(keys::AutoplaySound, "AutoplaySound", P::Params, 1, "", F::ReadOnly),
    row(keys::AutoReboot, "AutoReboot", P::Params, 0),
    row(keys::RebootTime, "RebootTime", P::Params, 0, "00:00", F::TimeHHMM),
    row(keys::ForceReboot, "ForceReboot", P::Params, 0),
    row(keys::AutoLogin, "AutoLogin", P::Params, 0, "", F::NtOnly),
    row(keys::NTDomain, "NTDomain", P::Params, 0, "", F::NtOnly),
    row(keys::NTLogin, "NTLogin", P::Params, 0, "", F::NtOnly),
    row(keys::NTPassword, "NTPassword", P::Params, 0, "", F::NtOnly | F::Untrimmed),
    row(keys::UpdateScheme, "UpdateScheme", P::Params, 0, "", F::None, 0, 5),
    row(keys::UpdateTime, "UpdateTime", P::Params, 0, "00:00"),
    row(keys::UpdateDelay, "UpdateDelay", P::Params, 300, "", F::None, 1),
    row(keys::ForceReconnect, "ForceReconnect", P::Params, 0),
    row(keys::MaxTime, "MaxTime", P::Params, 300, "", F::None, 1),
    row(keys::TestURL, "TestURL", P::Auto, 0, kMakerSiteAddress),
    row(keys::TestURLIsHomePage, "TestURLIsHomePage", P::Auto, 0),
    row(keys::CachePathIsWindowsTemp, "CachePathIsWindowsTemp", P::Auto, 1, "", F::ReadOnly),
    row(keys::CachePath, "CachePath", P::Auto, 0, "", F::ReadOnly),
    // 200 MB; at most 1 TB, so that the byte count stays within 64 bits with room to spare.
    row(keys::MaxDownloadSize, "MaxDownloadSize", P::Auto, 200, "", F::ReadOnly, 1, 1024 * 1024),
    // 0 here: the caller sizes the limit from the machine's memory. 0 stored: no limit.
    row(keys::RendererMemoryLimit, "RendererMemoryLimit", P::Auto, 0, "", F::ReadOnly, 0, 1 << 30),
    row(keys::RendererMaxHours, "RendererMaxHours", P::Auto, 24, "", F::ReadOnly, 0, 1000000),
    row(keys::KeepVisitorData, "KeepVisitorData", P::Auto, 0, "", F::ReadOnly),
    row(keys::LastUpdateOccuredDate, "LastUpdateOccuredDate", P::Auto, 0, "",
        F::DefaultDocumentOnly),
    row(keys::LastUpdateOccuredTime, "LastUpdateOccuredTime", P::Auto, 0, "",
        F::DefaultDocumentOnly),
    row(keys::UpdateASAPDate, "UpdateASAPDate", P::Auto, 0, "", F::DefaultDocumentOnly),
    row(keys::UpdateASAPTime, "UpdateASAPTime", P::Auto, 0, "", F::DefaultDocumentOnly),
    row(keys::EMail, "EMail", P::Auto, 0),
    row(keys::DontUseEMail, "DontUseEMail", P::Auto, 0),
    row(keys::EMailRegistered, "EMailRegistered", P::Auto, 0),
    row(keys::Password, "Password", P::Auto, 0, "", F::Untrimmed),
    row(keys::SpecialURL, "SpecialURL", P::Auto, 0, "about:NavigationCanceled,",
        F::WriteBackDefault),
    row(keys::IEWindowClasses, "IEWindowClasses", P::Auto, 0, "Internet Explorer_Server,",
        F::WriteBackDefault),
    row(keys::IEWindowTitles, "IEWindowTitles", P::Auto, 0),
    row(keys::WindowLeft, "WindowLeft", P::Auto, 0),
    row(keys::WindowTop, "WindowTop", P::Auto, 0),
    row(keys::WindowWidth, "WindowWidth", P::Auto, 0),
    row(keys::WindowHeight, "WindowHeight", P::Auto, 0),
    row(keys::ToolRunLeft, "ToolRunLeft", P::Auto, -10000),
    row(keys::ToolRunTop, "ToolRunTop", P::Auto, 0),
    row(keys::ToolNavLeft, "ToolNavLeft", P::Auto, -10000),
    row(keys::ToolNavTop, "ToolNavTop", P::Auto, 0),
    row(keys::ToolNavWidth, "ToolNavWidth", P::Auto, -10000),
    row(keys::HelpTip, "HelpTip", P::Section, 0),
    row(keys::Icon, "Icon", P::Section, 0),
    row(keys::IconDown, "IconDown", P::Section, 0),
    row(keys::Visible, "Visible", P::Section, 1),
    row(keys::Position, "Position", P::Section, 0),
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
