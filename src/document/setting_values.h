#pragma once

#include <QtGlobal>

namespace glasspane {

// The numbers that some settings store, by their meaning. A number the program does not name
// (a document written by hand) is kept as it is and behaves as the text says.

// WindowState: full screen, without caption and frame; anything else is an ordinary window in
// the stored rectangle.
enum class MainWindowState : qint16 {
    Window = 0,
    FullScreen = 2,
};

// OnMouseMove: what the show does when the pointer moves (or a key is pressed).
enum class MouseMoveAction : qint16 {
    Nothing = 0,
    NavigationMode = 1, // the visitor browses with the navigation bar
    Quit = 2,
};

// OnNewWindow: where the page of a window that a page opens goes (the browser mode lets every
// window open).
enum class NewWindowAction : qint16 {
    OwnWindow = 0,  // a plain window of the program
    MainWindow = 1, // the main window
    Nowhere = 2,
};

} // namespace glasspane
