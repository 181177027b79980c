#include "app/wayland_idle_inhibitor.h"

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "platform/log.h"

#include <QGuiApplication>
#include <QWindow>
#include <cstring>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

namespace glasspane {

namespace {

void registryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                    uint32_t /*version*/)
{
    if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0) {
        *static_cast<zwp_idle_inhibit_manager_v1**>(data) =
            static_cast<zwp_idle_inhibit_manager_v1*>(
                wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
    }
}

void registryGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {registryGlobal, registryGlobalRemove};

QPlatformNativeInterface* nativeInterface()
{
    return QGuiApplication::platformNativeInterface();
}

} // namespace

WaylandIdleInhibitor::WaylandIdleInhibitor(std::function<QWindow*()> window)
    : m_window(std::move(window))
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) || !nativeInterface())
        return;
    m_display = static_cast<wl_display*>(
        nativeInterface()->nativeResourceForIntegration(QByteArrayLiteral("wl_display")));
    if (!m_display)
        return;
    // The compositor's globals, asked on a queue of our own: Qt's events are Qt's to read.
    m_queue = wl_display_create_queue(m_display);
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(m_display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), m_queue);
    wl_registry* registry = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    wl_registry_add_listener(registry, &kRegistryListener, &m_manager);
    wl_display_roundtrip_queue(m_display, m_queue);
    wl_registry_destroy(registry);
    qCDebug(lcGlasspane) << (m_manager ? "the Wayland compositor offers idle inhibition"
                                       : "the Wayland compositor offers no idle inhibition");
}

WaylandIdleInhibitor::~WaylandIdleInhibitor()
{
    inhibit(false);
    if (m_manager)
        zwp_idle_inhibit_manager_v1_destroy(m_manager);
    if (m_queue) {
        wl_display_flush(m_display);
        wl_event_queue_destroy(m_queue);
    }
}

bool WaylandIdleInhibitor::inhibit(bool on)
{
    if (!m_manager)
        return false;
    wl_surface* surface = nullptr;
    if (on) {
        QWindow* window = m_window ? m_window() : nullptr;
        if (window && window->handle())
            surface = static_cast<wl_surface*>(
                nativeInterface()->nativeResourceForWindow(QByteArrayLiteral("surface"), window));
    }
    if (surface == m_surface)
        return m_inhibitor != nullptr; // as it was: nothing to tell the compositor
    if (m_inhibitor) {
        zwp_idle_inhibitor_v1_destroy(m_inhibitor);
        m_inhibitor = nullptr;
        m_surface = nullptr;
    }
    if (surface) {
        m_inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(m_manager, surface);
        m_surface = surface;
    }
    wl_display_flush(m_display);
    return m_inhibitor != nullptr;
}

} // namespace glasspane
