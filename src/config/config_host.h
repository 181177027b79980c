#pragma once

#include "engine/frontend.h"
#include "engine/screen_saver.h"

#include <QRect>
#include <QString>
#include <optional>

namespace glasspane {

// The running program as the configuration dialog reaches it: the main browser, the tool bars,
// the main window and the engine. The application implements it on its main window; tests
// record the calls.
class ConfigHost
{
public:
    virtual ~ConfigHost() = default;

    // ---- the main browser ----
    // The address and title of the page on screen ("" before the first page).
    virtual QString currentAddress() const = 0;
    virtual QString currentTitle() const = 0;
    // The address is the page on screen or the current history entry (compared without
    // regard to case).
    virtual bool isCurrentPage(const QString& url) const = 0;
    // Shows an address in the main browser, as the show does.
    virtual void showPage(const QString& url, bool cached, bool separate) = 0;
    // The help page (HelpURL), or another page of help (the documentation), where it can be
    // read over the dialog.
    virtual void showHelp() = 0;
    virtual void showHelpPage(const QString& url) = 0;

    // ---- tool bars and main window ----
    // Shows a tool bar so that the user sees what is being edited.
    virtual void showToolBar(ToolBar bar) = 0;
    // Where a tool bar window stands on the screen, in pixels; empty when it is not loaded.
    virtual std::optional<QRect> toolBarGeometry(ToolBar bar) const = 0;
    // The tool bars above other windows again (after a modal child of the dialog closed), when
    // the main window is not kept on top itself.
    virtual void raiseToolBars() = 0;
    // Stores the main window's position and size as its placement.
    virtual void storeWindowRect() = 0;
    // Full screen or the stored rectangle, kept on top or not, applied at once.
    virtual void applyWindowState(MainWindowState windowState, bool topMost) = 0;
    // Writes the window and tool bar placement (inside a document save).
    virtual void saveWindowPlacement() = 0;
    // The pointer fully visible while the dialog is up.
    virtual void showCursorFully() = 0;
    // The system's screen-saver state as the program read it.
    virtual SaverState saverState() const = 0;
    // The folder of the page cache.
    virtual QString cacheFolder() const = 0;

    // ---- the show ----
    // The play list was rebuilt from the pages: the random order follows it.
    virtual void playListRebuilt() = 0;
    // The document's buttons changed: both tool bars are built again.
    virtual void rebuildToolBars() = 0;
    // After a save: the update decision taken again and applied.
    virtual void afterSave() = 0;
    // Another document was loaded or created from the dialog.
    virtual void documentReplaced() = 0;
    // File > Quit: the program ends.
    virtual void quit() = 0;
    // The dialog closed: with OK (the options are saved and in force from now on) or not.
    virtual void configClosed(bool accepted) = 0;
};

} // namespace glasspane
