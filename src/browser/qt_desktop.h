#pragma once

#include "platform/desktop.h"

class QWidget;

namespace glasspane {

// The Desktop port on Qt: the pointer over the program's windows, the primary screen, the
// focus among the program's own windows, and frame metrics in the sizes of a classic desktop.
//
// Window identities are the program's widgets. The page's document window (the focus proxy of
// a web view) is reported with the class name "Internet Explorer_Server", the name the
// settings have always used to find it.
class QtDesktop final : public Desktop
{
public:
    QtDesktop() = default;
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    static WindowId idOf(const QWidget* widget) { return reinterpret_cast<WindowId>(widget); }
    // The widget of an identity, null when no such widget lives (any more).
    static QWidget* widgetOf(WindowId id);
    static QString pageWindowClass() { return QStringLiteral("Internet Explorer_Server"); }

    int showCursor(bool show) override;
    int cursorCount() const { return m_cursorCount; }
    QPoint cursorPos() const override;
    void setBusyPointer(bool busy) override;

    QSize screenSize() const override;
    int twipsPerPixelX() const override;
    int twipsPerPixelY() const override;
    int systemMetric(Metric metric) const override;

    WindowId foregroundWindow() const override;
    bool setFocus(WindowId window) override;
    void visitDescendants(WindowId parent,
                          const std::function<bool(const DesktopWindow&)>& visit) override;

private:
    void applyPointer();

    int m_cursorCount = 0;
    bool m_busy = false;
    bool m_overridden = false; // an override cursor of ours is in place
};

} // namespace glasspane
