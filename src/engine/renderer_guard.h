#pragma once

#include <QLoggingCategory>
#include <QString>
#include <functional>

namespace glasspane {

// The web page renewed between two pages: on by default (info), so that an administrator sees
// it happen.
Q_DECLARE_LOGGING_CATEGORY(lcRenew)

class Clock;
class SettingsStore;

// When the web page that shows the show is thrown away for a new one. The browser engine's
// renderer processes keep growing on pages that animate for days; a new page starts a new
// renderer and gives that memory back.
struct RendererGuardSettings
{
    // Memory of the program's processes (the browser's helpers included), in MiB, past which
    // the page is renewed; 0: never for memory.
    qint64 memoryLimitMiB = 0;
    // Hours a web page may serve before it is renewed; 0: never for its age.
    int maxHours = 0;
};

// The limit when the settings give none: a quarter of the machine's memory, and at least
// 512 MiB (0 when the machine's memory is unknown: no limit).
qint64 DefaultRendererMemoryLimitMiB(qint64 physicalKiB);

// RendererMemoryLimit and RendererMaxHours; physicalKiB sizes the default limit.
RendererGuardSettings ReadRendererGuardSettings(SettingsStore& settings, qint64 physicalKiB);

// Decides, between two pages of the show, whether the web page is to be renewed: when the
// memory of the program's processes has passed the limit, or the page has served for longer
// than the hours allowed. It never acts by itself: the show asks when a page ends.
class RendererGuard
{
public:
    // The memory of the program's processes in KiB; negative when it cannot be read.
    using MemoryReading = std::function<qint64()>;

    enum class Cause { None, Memory, Age };
    struct Verdict
    {
        Cause cause = Cause::None;
        qint64 memoryKiB = -1; // as read for this verdict (-1: not read)
        qint64 ageSeconds = 0; // of the page
    };

    RendererGuard(const Clock& clock, MemoryReading reading);

    void setSettings(const RendererGuardSettings& settings) { m_settings = settings; }
    const RendererGuardSettings& settings() const { return m_settings; }

    // A new page began to serve now (also at the start), renewed for that cause.
    void pageRenewed(Cause cause = Cause::None);
    // Whether to renew the page now, and why.
    Verdict check() const;
    // The log's words for a verdict that renews.
    QString describe(const Verdict& verdict) const;

private:
    const Clock& m_clock;
    MemoryReading m_reading;
    RendererGuardSettings m_settings;
    qint64 m_pageStartMs = 0;
    bool m_renewedForMemory = false;
};

// A renewal for memory that left the memory above the limit (a limit below what the program
// needs to show any page) is tried again only after this long, not at every page.
inline constexpr qint64 kRenewRetrySeconds = 600;

} // namespace glasspane
