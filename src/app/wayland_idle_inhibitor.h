#pragma once

#include "platform/linux/linux_display_power.h"

#include <functional>

class QWindow;
struct wl_display;
struct wl_event_queue;
struct wl_surface;
struct zwp_idle_inhibit_manager_v1;
struct zwp_idle_inhibitor_v1;

namespace glasspane {

// A Wayland compositor's idle inhibition (zwp_idle_inhibit_manager_v1) on the program's window:
// while it holds and the window shows, the compositor neither blanks nor locks the screen for
// want of input. Over the program's own Wayland connection (Qt's), with a queue of its own.
// Without the protocol (or outside Wayland) it is not available.
class WaylandIdleInhibitor final : public CompositorIdleInhibitor
{
public:
    // window: the window whose showing holds the display; asked each time the hold is taken,
    // as it may not be shown yet.
    explicit WaylandIdleInhibitor(std::function<QWindow*()> window);
    ~WaylandIdleInhibitor() override;
    WaylandIdleInhibitor(const WaylandIdleInhibitor&) = delete;
    WaylandIdleInhibitor& operator=(const WaylandIdleInhibitor&) = delete;

    bool inhibit(bool on) override;
    bool available() const override { return m_manager != nullptr; }

private:
    std::function<QWindow*()> m_window;
    wl_display* m_display = nullptr;
    wl_event_queue* m_queue = nullptr;
    zwp_idle_inhibit_manager_v1* m_manager = nullptr;
    zwp_idle_inhibitor_v1* m_inhibitor = nullptr;
    wl_surface* m_surface = nullptr; // the surface m_inhibitor holds
};

} // namespace glasspane
