#include "app/configuration_ui.h"

#include "app/help_window.h"
#include "app/show_application.h"
#include "browser/frm_tool_nav.h"
#include "browser/frm_tool_run.h"
#include "browser/qt_desktop.h"
#include "browser/tool_bars.h"
#include "browser/web_browser.h"
#include "config/config_dialogs.h"
#include "config/frm_password.h"
#include "config/model/page_on_screen.h"
#include "config/model/program_options.h"
#include "document/page_cache.h"
#include "document/page_variables.h"

#include <QWebEngineHistory>
#include <QWebEngineView>

namespace glasspane {

ConfigurationUi::ConfigurationUi(ShowApplication& show, ConfigDialogs& dialogs, ModalRunner& modal)
    : m_show(show), m_dialogs(dialogs), m_modal(modal)
{
    ConfigurationHooks hooks;
    hooks.runPasswordDialog = [this](PasswordLock& lock) { runPasswordDialog(lock); };
    hooks.openConfigDialog = [this] { openConfigDialog(); };
    hooks.setConfigTopmost = [this](bool topmost) { setConfigTopmost(topmost); };
    hooks.configWindowId = [this] { return m_dialog ? QtDesktop::idOf(m_dialog) : WindowId(0); };
    hooks.unloadConfigWindows = [this] { unloadConfigWindows(); };
    m_show.window().setConfigurationHooks(std::move(hooks));
}

ConfigurationUi::~ConfigurationUi()
{
    m_unloading = true;
    m_show.window().setConfigurationHooks({});
    delete m_dialog;
}

// ---------------------------------------------------------------------------------------------
// The main window's hooks

void ConfigurationUi::runPasswordDialog(PasswordLock& lock)
{
    SettingsStore& settings = m_show.parts.settings;
    // What this dialog stores is the new form of a password kept by earlier versions, in
    // place of the old one.
    frmPassword dialog(
        lock, m_modal,
        [&settings, old = lock.storedPassword](const QString& stored) {
            return ReplaceStoredPassword(settings, old, stored);
        },
        &m_show.window());
    m_modal.exec(dialog);
}

void ConfigurationUi::openConfigDialog()
{
    frmMain& window = m_show.window();
    if (!m_dialog) {
        ConfigContext context{window.documentServices(),
                              m_show.parts.document,
                              m_show.parts.update,
                              m_show.parts.lock,
                              m_show.parts.platform.system,
                              *this,
                              m_dialogs,
                              m_modal};
        // A window of its own over the main window, so that it stands above a full-screen show
        // also where no window manager stacks the windows.
        m_dialog = new frmConfig(context, &window);
        m_dialog->setWindowFlag(Qt::Window);
    }
    if (!m_dialog->isVisible())
        m_documentReplaced = false;
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void ConfigurationUi::setConfigTopmost(bool topmost)
{
    if (m_dialog)
        m_dialog->setTopmost(topmost);
}

void ConfigurationUi::unloadConfigWindows()
{
    if (!m_dialog || !m_dialog->isVisible())
        return;
    m_unloading = true;
    m_dialog->close();
    m_unloading = false;
}

// ---------------------------------------------------------------------------------------------
// ConfigHost

QString ConfigurationUi::currentAddress() const
{
    const QString location = m_show.window().browser().LocationURL();
    const Engine* engine = m_show.window().engine();
    if (!engine)
        return location;
    const DisplaySlot& slot = engine->displaySlot();
    return PageOnScreenAddress(location, slot.Url, slot.Target);
}

QString ConfigurationUi::currentTitle() const
{
    return m_show.window().browser().view()->title();
}

bool ConfigurationUi::isCurrentPage(const QString& url) const
{
    const WebBrowser& browser = m_show.window().browser();
    if (url.compare(browser.LocationURL(), Qt::CaseInsensitive) == 0)
        return true;
    const QWebEngineHistoryItem item = browser.view()->history()->currentItem();
    return item.isValid() &&
           url.compare(WebBrowser::addressOf(item.url()), Qt::CaseInsensitive) == 0;
}

void ConfigurationUi::showPage(const QString& url, bool cached, bool separate)
{
    if (Engine* engine = m_show.window().engine())
        engine->BrowseTo(url, 0, false, cached, separate);
}

void ConfigurationUi::showHelp()
{
    if (Engine* engine = m_show.window().engine())
        showHelpPage(engine->settings().HelpURL);
}

void ConfigurationUi::showHelpPage(const QString& url)
{
    // The show's window stands behind the dialog: the help gets a window of its own over it.
    if (!m_dialog || !m_dialog->isVisible())
        return;
    if (!m_help)
        m_help = new HelpWindow(m_dialog);
    m_help->showPage(url);
}

void ConfigurationUi::showToolBar(ToolBar bar)
{
    frmMain& window = m_show.window();
    window.showToolBar(bar, true);
    window.setToolBarTopmost(bar);
    keepDialogInFront();
}

std::optional<QRect> ConfigurationUi::toolBarGeometry(ToolBar bar) const
{
    const ToolBars* bars = m_show.window().toolBars();
    if (!bars)
        return std::nullopt;
    const QWidget* w = bar == ToolBar::Run ? static_cast<const QWidget*>(bars->toolRun())
                                           : static_cast<const QWidget*>(bars->toolNav());
    if (!w)
        return std::nullopt;
    return QRect(w->pos(), w->size());
}

void ConfigurationUi::raiseToolBars()
{
    frmMain& window = m_show.window();
    const Engine* engine = window.engine();
    if (engine && !engine->settings().TopMost) {
        window.setToolBarTopmost(ToolBar::Run);
        window.setToolBarTopmost(ToolBar::Nav);
    }
    keepDialogInFront();
}

void ConfigurationUi::storeWindowRect()
{
    m_show.window().SaveWindowPlacement();
}

void ConfigurationUi::applyWindowState(MainWindowState windowState, bool topMost)
{
    frmMain& window = m_show.window();
    if (Engine* engine = window.engine()) {
        engine->settings().WindowState = windowState;
        engine->settings().TopMost = topMost;
    }
    // Shown again only for a new state: that maps the window anew above the dialog.
    if (window.placement().WindowState != windowState) {
        window.setMainFramed(windowState != MainWindowState::FullScreen);
        window.applyWindowState(windowState);
        keepDialogInFront();
    }
}

void ConfigurationUi::saveWindowPlacement()
{
    m_show.window().SaveWindowPlacement();
}

void ConfigurationUi::showCursorFully()
{
    if (Engine* engine = m_show.window().engine())
        engine->ShowCursorFully();
}

SaverState ConfigurationUi::saverState() const
{
    return m_show.window().saverState();
}

QString ConfigurationUi::cacheFolder() const
{
    return CachePath(m_show.window().cacheServices());
}

void ConfigurationUi::playListRebuilt()
{
    if (Engine* engine = m_show.window().engine())
        engine->ResetRandomOrder();
}

void ConfigurationUi::rebuildToolBars()
{
    if (ToolBars* bars = m_show.window().toolBars()) {
        bars->CreateToolBars();
        bars->ArrangeToolBars();
    }
    keepDialogInFront();
}

void ConfigurationUi::afterSave()
{
    frmMain& window = m_show.window();
    (void)UpdateDue(window.cacheServices(), true);
    window.refreshToolBars();
}

void ConfigurationUi::documentReplaced()
{
    m_documentReplaced = true;
    LoadUpdateBookkeeping(m_show.window().cacheServices());
    rebuildToolBars();
}

void ConfigurationUi::quit()
{
    if (Engine* engine = m_show.window().engine())
        engine->SetState(RunState::FINPROG);
}

void ConfigurationUi::configClosed(bool accepted)
{
    frmMain& window = m_show.window();
    Engine* engine = window.engine();
    if (m_unloading || !engine)
        return;
    if (m_documentReplaced) {
        // A document opened in the dialog was loaded without its play list; without OK it
        // still becomes the show.
        if (!accepted) {
            DocumentState& doc = m_show.parts.document;
            ExpandPageList(doc.PageList, doc.PlayList, doc.IncludeList, doc.ExcludeList,
                           ExpansionContextFor(window.documentServices()));
        }
        engine->AfterDocumentLoad();
        m_documentReplaced = false;
    }
    if (accepted) {
        window.ApplySettings();
        LoadUpdateBookkeeping(window.cacheServices());
        engine->ConfigAccepted();
    } else {
        engine->ConfigCancelled();
    }
    engine->ConfigClosed();
}

void ConfigurationUi::keepDialogInFront()
{
    if (m_dialog && m_dialog->isVisible() && m_dialog->isTopmost())
        m_dialog->raise();
}

} // namespace glasspane
