#pragma once

#include "config/config_host.h"
#include "config/frm_config.h"

#include <QPointer>

namespace glasspane {

class HelpWindow;

class ConfigDialogs;
class ModalRunner;
class ShowApplication;

// The configuration side of the running program: the password and configuration dialogs on the
// show's main window, engine and tool bars. It gives the main window its configuration hooks
// (and takes them back when it goes) and is the dialog's host. main() owns it, after the show.
class ConfigurationUi final : public ConfigHost
{
public:
    ConfigurationUi(ShowApplication& show, ConfigDialogs& dialogs, ModalRunner& modal);
    ~ConfigurationUi() override;
    ConfigurationUi(const ConfigurationUi&) = delete;
    ConfigurationUi& operator=(const ConfigurationUi&) = delete;

    // The configuration dialog, once it has been opened (null before).
    frmConfig* dialog() const { return m_dialog; }

    // ---- the hooks of the main window ----
    void runPasswordDialog(PasswordLock& lock);
    void openConfigDialog();
    void setConfigTopmost(bool topmost);
    void unloadConfigWindows();

    // ---- ConfigHost ----
    QString currentAddress() const override;
    QString currentTitle() const override;
    bool isCurrentPage(const QString& url) const override;
    void showPage(const QString& url, bool cached, bool separate) override;
    void showHelp() override;
    void showHelpPage(const QString& url) override;
    void showToolBar(ToolBar bar) override;
    std::optional<QRect> toolBarGeometry(ToolBar bar) const override;
    void raiseToolBars() override;
    void storeWindowRect() override;
    void applyWindowState(MainWindowState windowState, bool topMost) override;
    void saveWindowPlacement() override;
    void showCursorFully() override;
    SaverState saverState() const override;
    QString cacheFolder() const override;
    void playListRebuilt() override;
    void rebuildToolBars() override;
    void afterSave() override;
    void documentReplaced() override;
    void quit() override;
    void configClosed(bool accepted) override;

private:
    // The dialog back above the windows that were just shown or rebuilt.
    void keepDialogInFront();

    ShowApplication& m_show;
    ConfigDialogs& m_dialogs;
    ModalRunner& m_modal;
    QPointer<frmConfig> m_dialog;
    QPointer<HelpWindow> m_help;     // over the dialog, once help was asked for
    bool m_documentReplaced = false; // another document was loaded while the dialog was open
    bool m_unloading = false;        // the program is ending: the engine is not told
};

} // namespace glasspane
