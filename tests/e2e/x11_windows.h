#pragma once

// The test's own look at the X server's windows.

#include <QList>
#include <QRect>
#include <X11/Xlib.h>

namespace glasspane {

// The geometries of the mapped windows directly inside `window`.
inline QList<QRect> MappedChildren(Display* display, Window window)
{
    QList<QRect> found;
    Window root = 0, parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &list, &count))
        return found;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(display, list[i], &a) && a.map_state == IsViewable)
            found.append(QRect(a.x, a.y, a.width, a.height));
    }
    if (list)
        XFree(list);
    return found;
}

} // namespace glasspane
