#pragma once

#include "engine/frontend.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace glasspane {

// The window side, recorded. Window ids: main 1, screen-saver tool bar 2, navigation tool bar 3,
// configuration dialog 4. The password dialog's outcome is scripted:
//
//   FakeFrontend frontend;
//   frontend.passwordOutcome = FakeFrontend::PasswordOutcome::Correct;
//   frontend.whilePasswordOpen = [&] { engine.EngineTick(); };  // ticks during the dialog
//   frontend.onClose = [&] { return engine.QueryClose(); };    // the main window's close handler
class FakeFrontend final : public Frontend
{
public:
    enum class PasswordOutcome { Correct, Cancel };

    WindowId windowId(AppWindow window) const override { return WindowId(int(window) + 1); }
    void setMainFramed(bool framed) override
    {
        mainFramed = framed;
        ++framedCalls;
    }
    void setMainTopmost(bool topmost) override
    {
        mainTopmost = topmost;
        ++mainTopmostCalls;
    }
    void applyWindowState(MainWindowState windowState) override
    {
        appliedWindowState = windowState;
        ++applyWindowStateCalls;
    }
    void setMainVisible(bool visible) override { mainVisible = visible; }
    void saveWindowPlacement() override { ++placementSaves; }

    void showToolBar(ToolBar bar, bool show) override
    {
        barShown[index(bar)] = show;
        if (!show)
            barTopmost[index(bar)] = false;
    }
    void setToolBarTopmost(ToolBar bar) override
    {
        barTopmost[index(bar)] = true;
        ++barTopmostCalls[index(bar)];
    }
    bool isToolBarTopmost(ToolBar bar) const override { return barTopmost[index(bar)]; }
    int placedButtonCount(ToolBar bar) const override { return placed[index(bar)]; }
    void highlightButton(ToolBar bar, int buttonIndex) override
    {
        highlightedBar = bar;
        highlightedIndex = buttonIndex;
        ++highlightCalls;
    }
    void refreshToolBars() override { ++refreshCalls; }

    void runPasswordDialog(PasswordLock& lock) override
    {
        ++passwordDialogs;
        passwordModeSeen = lock.passwordDialogMode;
        if (whilePasswordOpen)
            whilePasswordOpen();
        if (passwordOutcome == PasswordOutcome::Correct)
            lock.unlockedPassword = lock.storedPassword;
    }
    void openConfigDialog() override { ++configDialogs; }
    void setConfigTopmost(bool topmost) override { configTopmost = topmost; }
    void closeDialogs(const QString& why) override
    {
        dialogsClosed << why;
        if (onCloseDialogs)
            onCloseDialogs();
    }

    bool closeMainWindow() override
    {
        ++closeRequests;
        return onClose ? onClose() : true;
    }
    void unloadWindows() override { ++unloads; }
    void endProcess() override { ++processEnds; }

    // Scripting.
    int placed[2] = {8, 11}; // buttons on the screen-saver and navigation bars
    PasswordOutcome passwordOutcome = PasswordOutcome::Cancel;
    std::function<void()> whilePasswordOpen;
    std::function<bool()> onClose;
    // What closing the dialogs does (a configuration dialog reports its closing).
    std::function<void()> onCloseDialogs;

    // Records.
    bool mainFramed = true;
    int framedCalls = 0;
    bool mainTopmost = false;
    int mainTopmostCalls = 0;
    std::optional<MainWindowState> appliedWindowState;
    int applyWindowStateCalls = 0;
    bool mainVisible = true;
    int placementSaves = 0;
    bool barShown[2] = {false, false};
    bool barTopmost[2] = {false, false};
    int barTopmostCalls[2] = {0, 0};
    ToolBar highlightedBar = ToolBar::Run;
    int highlightedIndex = -2;
    int highlightCalls = 0;
    int refreshCalls = 0;
    int passwordDialogs = 0;
    PasswordDialogMode passwordModeSeen = PasswordDialogMode::None;
    int configDialogs = 0;
    bool configTopmost = false;
    QStringList dialogsClosed; // why, for each closeDialogs
    int closeRequests = 0;
    int unloads = 0;
    int processEnds = 0;

    static int index(ToolBar bar) { return bar == ToolBar::Run ? 0 : 1; }
};

} // namespace glasspane
