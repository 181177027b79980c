#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>

namespace glasspane {

// An opaque identity of a window on the desktop; 0 is no window.
using WindowId = quintptr;

// One window met while walking the descendants of another.
struct DesktopWindow
{
    int depth = 0; // 1 for a direct child
    WindowId id = 0;
    QString title;
    QString className;
};

// The desktop as the engine sees it: pointer, screen, focus and the metrics of window frames.
class Desktop
{
public:
    // Metrics in pixels, numbered as the window code of documents and settings knows them.
    enum class Metric {
        CaptionHeight = 4,
        BorderWidth = 5,
        BorderHeight = 6,
        DialogFrameWidth = 7,
        DialogFrameHeight = 8,
        FrameWidth = 32,
        FrameHeight = 33,
        SmallCaptionHeight = 51,
    };

    virtual ~Desktop() = default;

    // The pointer's display count: each call adds one (show) or takes one away (hide) and
    // answers the new count; the pointer is visible while the count is 0 or more. The count
    // starts at 0.
    virtual int showCursor(bool show) = 0;
    // Screen position of the pointer, in pixels.
    virtual QPoint cursorPos() const = 0;
    // The busy (wait) pointer over the program's windows, for long operations.
    virtual void setBusyPointer(bool busy) = 0;

    // The primary screen, in pixels.
    virtual QSize screenSize() const = 0;
    // Twips per pixel across and down (1440 twips an inch).
    virtual int twipsPerPixelX() const = 0;
    virtual int twipsPerPixelY() const = 0;
    virtual int systemMetric(Metric metric) const = 0;

    // The window that has the user's attention, 0 when none of ours and none known.
    virtual WindowId foregroundWindow() const = 0;
    // Gives the keyboard focus to a window; false when it cannot take it.
    virtual bool setFocus(WindowId window) = 0;
    // Walks the descendants of a window depth first: for each child, its own descendants
    // first, then the child itself. The walk stops when visit returns false.
    virtual void visitDescendants(WindowId parent,
                                  const std::function<bool(const DesktopWindow&)>& visit) = 0;
};

} // namespace glasspane
