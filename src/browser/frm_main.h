#pragma once

#include "browser/embedded_files.h"
#include "browser/navigation_events.h"
#include "browser/window_layout.h"
#include "document/document.h"
#include "document/page_cache.h"
#include "engine/engine.h"
#include "engine/frontend.h"
#include "engine/renderer_guard.h"
#include "engine/screen_saver.h"

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class QTimer;

namespace glasspane {

class BrowserProfile;
class Desktop;
class DialogGuard;
class IniFiles;
class Internet;
class MemoryMeter;
class NetworkDrives;
class OnlineState;
class PrivateFolders;
class Registry;
class SettingsStore;
class ShowDriver;
class Shell;
class System;
class ToolBars;
class WebBrowser;
struct ProgramValues;
struct UpdateState;

// Everything the main window reaches, put together where main() builds the program; every
// reference must outlive the window.
struct MainWindowContext
{
    ProgramValues& program;
    Registry& registry;
    IniFiles& ini;
    SettingsStore& settings;
    System& system;
    Shell& shell;
    Internet& internet;
    OnlineState* online; // may be null: the browser is then never held off-line
    const Clock& clock;
    Desktop& desktop;
    NetworkDrives& drives;
    DocumentState& document;
    CacheState& cache;
    UpdateState& update;
    PasswordLock& lock;
    BrowserProfile& profile;
    DocumentServices& documents;
    CacheServices& caching;
    RendererGuard& rendererGuard;
    MemoryMeter& memory;
    PrivateFolders& folders; // the extracted files' folder
    // The command line after the program's name, as the start-up grammar reads it.
    QString commandLine;
};

// The configuration side, which lives in another library. Any hook may be empty: the dialogs
// then say that they are not available and count as cancelled.
struct ConfigurationHooks
{
    std::function<void(PasswordLock& lock)> runPasswordDialog;
    std::function<void()> openConfigDialog;
    std::function<void(bool topmost)> setConfigTopmost;
    std::function<WindowId()> configWindowId;
    // Unloads the configuration dialog and its helpers.
    std::function<void()> unloadConfigWindows;
};

// The main window: the page (WebBrowser0), the program's initialisation in its load sequence,
// and the window side of the engine (Frontend). A ShowDriver of its own drives the engine.
class frmMain final : public QMainWindow, public Frontend
{
    Q_OBJECT

public:
    explicit frmMain(MainWindowContext context, QWidget* parent = nullptr);
    ~frmMain() override;

    void setConfigurationHooks(ConfigurationHooks hooks) { m_configHooks = std::move(hooks); }
    // Saves a picture of the window into this folder each time a page has completed and is on
    // screen.
    void setScreenshotFolder(const QString& folder) { m_screenshotFolder = folder; }
    // Saves the window as it is now as a PNG into a new file at path (never over a file or
    // through a link that stands there); "" when saved, else why not.
    QString saveScreenshotAs(const QString& path);
    // Interval of tim; 200 ms unless a test runs the show faster.
    void setTimerInterval(int ms);

    // The load sequence: extracts the embedded files, chooses and loads the document, reads the
    // settings, builds the tool bars, places the window and asks for the first page. Ended
    // midway (a termination request while a download waited), it stops, cleans up and leaves
    // the window unloaded().
    void Form_Load();
    // The clean-up: other windows, network drives, update bookkeeping, on-line state, the
    // extracted files. Runs once.
    void Form_Unload();

    void LayoutBrowser();
    void SaveWindowPlacement();
    void UpdateTitle();

    // Reads every option again and puts it in force: the engine's (mouse, order, times,
    // reboot), the browser's (pop-ups, scroll bars), the update policy and the cache, the
    // window (state, on top) and the tool bars (locks, buttons). Runs after every document
    // load (start-up, a document reached by a link, the reload at the end of a cycle); the
    // configuration dialog calls it after its OK has saved.
    void ApplySettings();

    // Ends the program through its own path even when no Quit button is offered (the session
    // or an administrator asked it to stop).
    void requestTermination();

    // ---- parts, for the application object and tests ----
    Engine* engine() const { return m_engine.get(); }
    WebBrowser& browser() const { return *m_browser; }
    NavigationEvents& navigation() const { return *m_navigation; }
    ToolBars* toolBars() const { return m_toolBars.get(); }
    // The timer that drives the show.
    QTimer* tim() const;
    const RendererGuard& rendererGuard() const { return m_rendererGuard; }
    const ResourceIndex& resourceIndex() const { return m_resourceIndex; }
    const WindowPlacement& placement() const { return m_placement; }
    const SaverState& saverState() const { return m_saver; }
    const QStringList& recentFiles() const { return m_recentFiles; }
    DocumentServices& documentServices() { return m_documentServices; }
    CacheServices& cacheServices() { return m_cacheServices; }
    bool unloaded() const { return m_unloaded; }

    // Opens a document as a .gpn link does: loads it and restarts the show with it.
    void openDocument(const QString& url);

    // ---- Frontend ----
    WindowId windowId(AppWindow window) const override;
    void setMainFramed(bool framed) override;
    void setMainTopmost(bool topmost) override;
    void applyWindowState(MainWindowState windowState) override;
    void setMainVisible(bool visible) override;
    void saveWindowPlacement() override { SaveWindowPlacement(); }
    void focusBrowser();
    void showToolBar(ToolBar bar, bool show) override;
    void setToolBarTopmost(ToolBar bar) override;
    bool isToolBarTopmost(ToolBar bar) const override;
    int placedButtonCount(ToolBar bar) const override;
    void highlightButton(ToolBar bar, int index) override;
    void refreshToolBars() override;
    void runPasswordDialog(PasswordLock& lock) override;
    void openConfigDialog() override;
    void setConfigTopmost(bool topmost) override;
    void closeDialogs(const QString& why) override;
    bool closeMainWindow() override;
    void unloadWindows() override;
    void endProcess() override;

Q_SIGNALS:
    // The process is to end now (the engine's FINPROG, or termination).
    void processEnded();
    // A picture of a completed page was saved.
    void screenshotSaved(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // SaveWindowPlacement once the events already waiting have run (once however often asked).
    void saveWindowPlacementSoon();
    // The browser's word about its renderer processes: in the log and in the show's health.
    void watchRenderers();
    // Between two pages of the show: a new web page when the old one has grown or aged.
    void renewPageIfDue();
    // The show took over after a visitor browsed: the visit's traces go (KeepVisitorData off).
    void forgetVisit();
    void createEngine();
    void readWindowPlacement();
    void placeWindow();
    void applyWindowFlags();
    // A picture of the window, named after the play-list position it shows (-1: another page).
    void saveScreenshot(int position);
    QString commandSwitch() const;
    bool loadCurrentDocument();
    // The program ended during Form_Load: the extracted files go and the main loop ends as soon
    // as it begins.
    void abandonLoad();

    MainWindowContext m_ctx;
    ConfigurationHooks m_configHooks;
    DocumentServices& m_documentServices;
    CacheServices& m_cacheServices;

    ShowDriver* m_driver = nullptr;
    std::unique_ptr<DialogGuard> m_dialogGuard;
    std::unique_ptr<WebBrowser> m_browser;
    std::unique_ptr<NavigationEvents> m_navigation;
    std::unique_ptr<ToolBars> m_toolBars;
    std::unique_ptr<Engine> m_engine;
    RendererGuard& m_rendererGuard;

    ResourceIndex m_resourceIndex;
    SaverState m_saver;
    WindowPlacement m_placement;
    QStringList m_recentFiles;
    QString m_screenshotFolder;

    bool m_framed = true;
    bool m_topmost = false;
    bool m_loaded = false;        // Form_Load has run
    bool m_unloaded = false;      // Form_Unload has run
    bool m_closeAccepted = false; // the close handler let the window go
    bool m_terminating = false;   // requestTermination: no Quit button needed
    bool m_savedOffline = false;  // on-line state at start, restored at the end
    bool m_processEnded = false;
    bool m_placementSaveQueued = false;
};

} // namespace glasspane
