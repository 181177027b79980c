#pragma once

#include "platform/desktop.h"

#include <QHash>
#include <QList>

namespace glasspane {

// A desktop that is scripted and recorded: the pointer moves when the test says so, the
// show-cursor count behaves like the system's, and the window tree is a list per parent.
//
//   FakeDesktop desktop;
//   desktop.moveCursor({10, 20});
//   desktop.setDescendants(1, {{1, 7, "", "Internet Explorer_Server"}});
//   desktop.cursorVisible();      // count >= 0
class FakeDesktop final : public Desktop
{
public:
    int showCursor(bool show) override
    {
        ++m_showCursorCalls;
        m_count += show ? 1 : -1;
        return m_count;
    }
    QPoint cursorPos() const override { return m_cursor; }
    void setBusyPointer(bool busy) override { m_busy = busy; }

    QSize screenSize() const override { return m_screen; }
    int twipsPerPixelX() const override { return 15; }
    int twipsPerPixelY() const override { return 15; }
    int systemMetric(Metric metric) const override
    {
        switch (metric) {
        case Metric::CaptionHeight:
            return 23;
        case Metric::SmallCaptionHeight:
            return 17;
        case Metric::BorderWidth:
        case Metric::BorderHeight:
            return 1;
        case Metric::DialogFrameWidth:
        case Metric::DialogFrameHeight:
            return 3;
        case Metric::FrameWidth:
        case Metric::FrameHeight:
            return 4;
        }
        return 0;
    }

    WindowId foregroundWindow() const override { return m_foreground; }
    bool setFocus(WindowId window) override
    {
        ++m_focusCalls;
        m_focused = window;
        return true;
    }
    void visitDescendants(WindowId parent,
                          const std::function<bool(const DesktopWindow&)>& visit) override
    {
        ++m_visits;
        const auto it = m_tree.constFind(parent);
        if (it == m_tree.constEnd())
            return;
        for (const DesktopWindow& w : *it) {
            if (!visit(w))
                return;
        }
    }

    // Scripting.
    void moveCursor(QPoint to) { m_cursor = to; }
    void setScreenSize(QSize size) { m_screen = size; }
    void setForeground(WindowId window) { m_foreground = window; }
    // The descendants of parent in the order of the walk.
    void setDescendants(WindowId parent, QList<DesktopWindow> windows)
    {
        m_tree.insert(parent, std::move(windows));
    }

    // Records.
    int cursorCount() const { return m_count; }
    bool cursorVisible() const { return m_count >= 0; }
    int showCursorCalls() const { return m_showCursorCalls; }
    WindowId focused() const { return m_focused; }
    int focusCalls() const { return m_focusCalls; }
    int visits() const { return m_visits; }
    bool busy() const { return m_busy; }

private:
    int m_count = 0;
    int m_showCursorCalls = 0;
    QPoint m_cursor{100, 100};
    QSize m_screen{1024, 768};
    bool m_busy = false;
    WindowId m_foreground = 0;
    WindowId m_focused = 0;
    int m_focusCalls = 0;
    int m_visits = 0;
    QHash<WindowId, QList<DesktopWindow>> m_tree;
};

} // namespace glasspane
