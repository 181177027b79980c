#include "browser/window_layout.h"

#include "platform/desktop.h"

namespace glasspane {

namespace {

void fitAxis(qint32& start, qint32& length, qint32 screen)
{
    if (start + length > screen)
        start = screen - length;
    if (start < 0)
        start = 0;
    if (start + length > screen)
        length = screen - start;
}

} // namespace

void FitWindowToScreen(WindowPlacement& placement, qint32 screenWidth, qint32 screenHeight)
{
    fitAxis(placement.WindowLeft, placement.WindowWidth, screenWidth);
    fitAxis(placement.WindowTop, placement.WindowHeight, screenHeight);
}

QRect BrowserGeometry(MainWindowState windowState, int clientWidth, int clientHeight)
{
    if (windowState == MainWindowState::FullScreen)
        return QRect(-1, -1, clientWidth + 3, clientHeight + 3);
    return QRect(0, 0, clientWidth, clientHeight);
}

int FrameWidthTwips(int borderStyle, const Desktop& desktop)
{
    Desktop::Metric metric;
    switch (borderStyle) {
    case 1:
        metric = Desktop::Metric::BorderWidth;
        break;
    case 2:
    case 5:
        metric = Desktop::Metric::FrameWidth;
        break;
    case 3:
    case 4:
        metric = Desktop::Metric::DialogFrameWidth;
        break;
    default:
        return 0;
    }
    return desktop.systemMetric(metric) * desktop.twipsPerPixelX();
}

int FrameHeightTwips(int borderStyle, const Desktop& desktop)
{
    Desktop::Metric metric;
    switch (borderStyle) {
    case 1:
        metric = Desktop::Metric::BorderHeight;
        break;
    case 2:
    case 5:
        metric = Desktop::Metric::FrameHeight;
        break;
    case 3:
    case 4:
        metric = Desktop::Metric::DialogFrameHeight;
        break;
    default:
        return 0;
    }
    return desktop.systemMetric(metric) * desktop.twipsPerPixelY();
}

} // namespace glasspane
