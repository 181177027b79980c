#pragma once

#include "document/setting_values.h"

#include <QRect>

namespace glasspane {

class Desktop;

// The main window's placement values, in twips, as the settings store them.
struct WindowPlacement
{
    MainWindowState WindowState = MainWindowState::FullScreen;
    bool TopMost = false;
    qint32 WindowLeft = 0;
    qint32 WindowTop = 0;
    qint32 WindowWidth = 0;
    qint32 WindowHeight = 0;
};

// Pulls a stored window back onto a screen of that size (twips): moved left (up) until it fits,
// never beyond the left (top) edge, and made narrower (lower) when it is still too large.
void FitWindowToScreen(WindowPlacement& placement, qint32 screenWidth, qint32 screenHeight);

// Where the browser goes inside a window with that client size (pixels). Full screen: one
// pixel beyond the left and top edges and the width and height plus three, so that no border
// of the page's own shows. Otherwise the whole client area (the window system keeps caption
// and frame outside it).
QRect BrowserGeometry(MainWindowState windowState, int clientWidth, int clientHeight);

// Frame thickness of a window by its border style (0 none, 1 fixed single, 2 sizable,
// 3 fixed dialog, 4 fixed tool window, 5 sizable tool window), in twips.
int FrameWidthTwips(int borderStyle, const Desktop& desktop);
int FrameHeightTwips(int borderStyle, const Desktop& desktop);

} // namespace glasspane
