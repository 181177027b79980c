#pragma once

#include "document/setting_values.h"
#include "platform/desktop.h"

#include <QString>

namespace glasspane {

// The tool bars, numbered as the highlight state numbers them.
enum class ToolBar { Run = 1, Nav = 2 };

// The program's own windows, as far as the engine needs to tell them apart.
enum class AppWindow { Main, ToolRun, ToolNav, Config };

// Which form of the password dialog is asked for.
enum class PasswordDialogMode {
    None,
    Enter,  // the password, before the configuration dialog opens
    Change, // set, change or remove it
};

// The configuration lock: the scrambled stored password and the one the user last proved to
// know. Configuration is unlocked exactly when both are equal (so with no password at all).
struct PasswordLock
{
    QString storedPassword;
    QString unlockedPassword;
    PasswordDialogMode passwordDialogMode = PasswordDialogMode::None;

    bool isUnlocked() const { return storedPassword == unlockedPassword; }
};

// A dialog closed by Frontend::closeDialogs holds the reason in this property when its closing
// runs (so that it can say what it dropped).
inline constexpr const char* kDialogClosedBecause = "glasspaneClosedBecause";

// The window side as the engine drives it. The browser and configuration code implement it on
// Qt; tests use a recording fake. Every call is made on the user-interface thread; failures
// (a window not loaded, a style that cannot change) are ignored by the implementation.
class Frontend
{
public:
    virtual ~Frontend() = default;

    // --- main window ---
    virtual WindowId windowId(AppWindow window) const = 0;
    // Caption, system menu, sizing frame and boxes on (framed) or off; nothing happens when the
    // window already has that form.
    virtual void setMainFramed(bool framed) = 0;
    // Keeps the main window above all others, or lets others cover it again; bringing it to
    // the front either way.
    virtual void setMainTopmost(bool topmost) = 0;
    // First start of the show: applies the stored window state (2 = full screen) and lays the
    // browser out in the window.
    virtual void applyWindowState(MainWindowState windowState) = 0;
    // Hides the main window while a page runs behind it, or shows it again.
    virtual void setMainVisible(bool visible) = 0;
    // Records and stores the placement of the main window and the tool bars.
    virtual void saveWindowPlacement() = 0;

    // --- tool bars ---
    virtual void showToolBar(ToolBar bar, bool show) = 0;
    // Above every other window (the engine asks only while the main window is not kept on
    // top itself).
    virtual void setToolBarTopmost(ToolBar bar) = 0;
    virtual bool isToolBarTopmost(ToolBar bar) const = 0;
    // The buttons placed on the bar by its last layout.
    virtual int placedButtonCount(ToolBar bar) const = 0;
    // Draws the button of that kind highlighted and the previous one normal; index -1 on the
    // navigation bar highlights none. Ignored while a button is held down or when it already is
    // the highlighted one.
    virtual void highlightButton(ToolBar bar, int index) = 0;
    // Caption and frame of both bars per their lock settings.
    virtual void refreshToolBars() = 0;

    // --- dialogs ---
    // Shows the password dialog modally (lock.passwordDialogMode says which form); returns
    // when it closes. A correct password sets lock.unlockedPassword. Timer ticks keep arriving
    // while it is open.
    virtual void runPasswordDialog(PasswordLock& lock) = 0;
    // Opens the configuration dialog without a modal loop. When it closes, the dialog calls
    // Engine::ConfigAccepted (OK) or Engine::ConfigCancelled, then Engine::ConfigClosed.
    virtual void openConfigDialog() = 0;
    virtual void setConfigTopmost(bool topmost) = 0;
    // Closes every dialog open over the show, the program's own and the pages', as cancelled:
    // nothing is saved, nothing is answered but "cancel". A configuration dialog closed this
    // way reports its closing as a Cancel would. why goes into the log.
    virtual void closeDialogs(const QString& why) { Q_UNUSED(why); }

    // --- end of the program ---
    // Asks the main window to close. Its close handler may refuse (Engine::QueryClose); false
    // when it did.
    virtual bool closeMainWindow() = 0;
    // Unloads every other window: configuration, preview, properties, password, the two tool
    // bars, the hidden helpers, open-location and page list.
    virtual void unloadWindows() = 0;
    // Ends the process at once: no further event runs.
    virtual void endProcess() = 0;
};

} // namespace glasspane
