#include "browser/frm_main.h"

#include "browser/dialog_guard.h"
#include "browser/document_choice.h"
#include "browser/frm_tool_nav.h"
#include "browser/frm_tool_run.h"
#include "browser/qt_desktop.h"
#include "browser/show_driver.h"
#include "browser/tool_bars.h"
#include "browser/web_browser.h"
#include "browser/web_engine_setup.h"
#include "document/document_files.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/update_policy.h"
#include "engine/engine_hooks.h"
#include "engine/engine_settings.h"
#include "engine/start_up.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/internet.h"
#include "platform/log.h"
#include "platform/memory_meter.h"
#include "platform/online_state.h"
#include "platform/system.h"
#include "platform/whole_file.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>

namespace glasspane {

namespace {

// After a termination request, the clean-up runs directly when the engine has not ended the
// program by then (a modal dialog may hold its state machine): well within the two seconds a
// session gives a program to stop.
constexpr int kTerminationGraceMs = 1000;
const QString kCaption = QStringLiteral("Glasspane");

} // namespace

frmMain::frmMain(MainWindowContext context, QWidget* parent)
    : QMainWindow(parent), m_ctx(std::move(context)), m_documentServices(m_ctx.documents),
      m_cacheServices(m_ctx.caching), m_rendererGuard(m_ctx.rendererGuard)
{
    // The start-up's stages in the verbose log, for the start-up benchmark.
    qCDebug(lcGlasspane) << "start-up: browser profile ready";
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kCaption);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("frmMainClient"));
    // Black, never white, wherever no page has painted yet.
    QPalette black = central->palette();
    black.setColor(QPalette::Window, Qt::black);
    central->setPalette(black);
    central->setAutoFillBackground(true);
    setCentralWidget(central);
    m_dialogGuard = std::make_unique<DialogGuard>();
    // A key or a click in a dialog is someone at the kiosk.
    m_dialogGuard->setActivityListener([this] {
        if (m_engine)
            m_engine->NoteActivity();
    });
    m_browser = std::make_unique<WebBrowser>(m_ctx.profile.profile(), central);
    // Hidden until the load sequence asks for the first page.
    m_browser->setVisible(false);
    m_browser->setDialogGuard(m_dialogGuard.get());
    m_browser->setProcessEnder([this](qint64 pid) { m_ctx.system.killProcess(pid); });
    watchRenderers();

    NavigationHooks hooks;
    hooks.openDocument = [this](const QString& url) {
        // Not inside the browser's own call: loading may fetch the document first.
        QTimer::singleShot(0, this, [this, url] { openDocument(url); });
    };
    hooks.addressText = [this]() -> QString {
        if (m_toolBars && m_toolBars->toolNav())
            return m_toolBars->toolNav()->txtURL()->currentText();
        return QString();
    };
    hooks.setAddressText = [this](const QString& text) {
        if (m_toolBars && m_toolBars->toolNav())
            m_toolBars->toolNav()->txtURL()->setEditText(text);
    };
    hooks.updateTitle = [this] { UpdateTitle(); };
    hooks.offline = [this] { return m_ctx.online && m_ctx.online->isOffline(); };
    hooks.recordUpdateProgress = [this] { RecordUpdateProgress(m_cacheServices); };
    hooks.cacheFolder = [this] { return CachePath(m_cacheServices); };
    m_navigation = std::make_unique<NavigationEvents>(*m_browser, m_ctx.document, m_ctx.program,
                                                      m_ctx.clock, std::move(hooks));
    m_browser->setListener(m_navigation.get());
    // A page is on screen once it has painted: then the show counts it as seen, and its
    // picture shows it (not the page before it, nor black).
    connect(m_browser.get(), &WebBrowser::pageOnScreen, this, [this](const QString& address) {
        if (!m_engine)
            return;
        const DisplaySlot& slot = m_engine->displaySlot();
        const bool showsSlot = address == slot.Target;
        if (showsSlot)
            m_engine->PageOnScreen();
        if (!m_screenshotFolder.isEmpty())
            saveScreenshot(showsSlot ? slot.Position : -1);
    });

    m_driver = new ShowDriver(m_ctx.internet, this);

    // Keys reach HandleKeyDown wherever the focus is in this window, the page included (its
    // key presses go to the view's focus proxy, not to this window).
    qApp->installEventFilter(this);
}

void frmMain::watchRenderers()
{
    connect(m_browser.get(), &WebBrowser::rendererEnded, this,
            [this](const QString& address, qint64 pid, const QString& how) {
                qCWarning(lcShow).noquote()
                    << QStringLiteral("the renderer process%1 of %2 ended (%3); the page is "
                                      "loaded again")
                           .arg(pid > 0 ? QStringLiteral(" %1").arg(pid) : QString(), address, how);
                if (m_engine)
                    ++m_engine->health().rendererRestarts;
            });
    connect(m_browser.get(), &WebBrowser::rendererUnresponsive, this,
            [this](const QString& address, qint64 pid, qint64 waitedMs, bool leaving) {
                const QString waited = QString::number(waitedMs / 1000.0, 'f', 1);
                qCWarning(lcShow).noquote()
                    << (leaving ? QStringLiteral("%1 did not let go of its page within %2 s (an "
                                                 "unload handler, or a renderer that hangs): its "
                                                 "renderer process %3 was ended and the next page "
                                                 "is loaded in a new web page")
                                : QStringLiteral("the renderer of %1 did not answer for %2 s: its "
                                                 "process %3 was ended and the web page renewed; "
                                                 "the show goes on"))
                           .arg(address, waited)
                           .arg(pid);
                m_rendererGuard.pageRenewed();
                if (m_engine)
                    ++m_engine->health().renewalsUnresponsive;
            });
}

frmMain::~frmMain()
{
    qApp->removeEventFilter(this);
    m_driver->stop();
    if (m_browser)
        m_browser->setListener(nullptr);
    Form_Unload();
    // The tool bars reach the engine and the browser: they go first.
    m_toolBars.reset();
    m_navigation->attachEngine(nullptr);
    m_driver->attach(nullptr);
    m_engine.reset();
    m_browser.reset();
}

QTimer* frmMain::tim() const
{
    return m_driver->timer();
}

void frmMain::setTimerInterval(int ms)
{
    m_driver->timer()->setInterval(ms);
}

QString frmMain::commandSwitch() const
{
    return CommandLineSwitch(m_ctx.commandLine);
}

// ---------------------------------------------------------------------------------------------
// Load sequence

void frmMain::Form_Load()
{
    ProgramValues& program = m_ctx.program;
    SettingsStore& settings = m_ctx.settings;
    DocumentState& doc = m_ctx.document;
    const QString sw = commandSwitch();

    // The screen-saver password flag is read with the screen-saver state below; Linux has no
    // system-wide screen-saver-running flag and no script debugger to turn off.

    // The embedded files, in a folder of the user's own.
    m_resourceIndex = ExtractEmbeddedFiles(program.resourceFolder, m_ctx.folders);

    // The document, and where its options live (the document may say so itself).
    const DocumentChoice choice = ChooseDocument(m_ctx.commandLine, m_documentServices);
    program.documentPath = choice.documentPath;
    program.documentName = choice.documentPath;
    doc.IsDefaultDocument = choice.isDefaultDocument;
    settings.ReadLocations();
    if (choice.copiedFromBrowserCache) {
        SaverState saver;
        saver.IsSystemSaver = true;
        (void)RegisterSystemSaver(saver, m_ctx.ini, settings.registryLayer(), m_ctx.system,
                                  m_ctx.shell, program);
    }

    // Whether .gpn files lead to this program.
    doc.AssociationPending = AssociationNeeded(m_ctx.registry, m_ctx.shell, program.programPath);

    // The cache.
    ReadCacheSettings(settings, m_ctx.cache);

    // A fresh document state, the document fetched when it is on the web, and the
    // default document written where none exists.
    doc.PageList = {PageEntry()};
    doc.PlayList = {PlayEntry()};
    PrepareDocumentSource(m_documentServices, doc);
    // Ended while the document was on its way: nothing more is set up.
    if (m_processEnded)
        return abandonLoad();
    if (!FileExists(program.documentPath))
        (void)WriteDefaultDocument(m_documentServices, doc, program.documentPath);

    // The recent documents (the typed addresses come with the tool bars).
    m_recentFiles = ReadRecentFiles(m_documentServices);

    // The system's screen-saver state.
    m_saver = ReadSaverState(settings, m_ctx.shell, program, sw == QLatin1String("/S"));

    // The configuration password.
    m_ctx.lock.storedPassword = settings.read(keys::Password);

    // The engine's options, the window placement and the browser's options (read
    // again, with everything else, once the document is loaded).
    readWindowPlacement();
    placeWindow();
    m_navigation->settings() = ReadNavigationSettings(settings);

    // The engine (it holds the display slot) and the tool bars it drives, with their
    // pictures.
    createEngine();
    ToolBarPorts toolBarPorts{*m_browser, m_ctx.desktop, doc, settings, m_ctx.ini, program};
    m_toolBars = std::make_unique<ToolBars>(toolBarPorts, this);
    m_toolBars->placement() = ReadToolBarPlacement(settings);
    m_toolBars->attachEngine(*m_engine);
    m_toolBars->CreateToolBars();

    // The update policy.
    ReadUpdateSettings(settings, m_ctx.update, m_saver.ScreenSaveTimeOut);
    ReadCacheSettings(settings, m_ctx.cache);

    // The document itself, and the options where it keeps them; the tool bars for it
    // (without a screen-saver bar the pointer hides).
    loadCurrentDocument();
    if (m_processEnded)
        return abandonLoad();

    // Where the show starts.
    m_engine->ChooseFirstPage();

    // Download times from the last completed update.
    AlignDownloadTimes(doc, m_ctx.update.LastUpdate);

    // The show begins in its first state.
    m_engine->SetState(RunState::INIT);

    // The splash page, or the start page behind the configuration dialog.
    PageInfo start = m_engine->GetPageInfo(0);
    if (sw == QLatin1String("/C") || sw == QLatin1String("-C"))
        start.url = program.resourceFolder + QStringLiteral("/index.html");

    // The on-line state to restore at the end.
    m_savedOffline = m_ctx.online && m_ctx.online->isOffline();

    // The browser shows the first page.
    m_browser->setVisible(true);
    m_engine->BrowseTo(start.url, start.time, start.hide, start.cached, start.separate);

    m_loaded = true;
    qCDebug(lcGlasspane) << "start-up: loaded";
    m_driver->start();
}

void frmMain::createEngine()
{
    EngineSettings engineSettings = ReadEngineSettings(m_ctx.settings, m_saver);
    engineSettings.WindowState = m_placement.WindowState;
    engineSettings.TopMost = m_placement.TopMost;

    // At the end of a cycle the document is read again: the options and the tool bars follow
    // it.
    EngineHooks hooks =
        MakeEngineHooks(m_cacheServices, m_documentServices, [this] { ApplySettings(); });
    hooks.betweenPages = [this] { renewPageIfDue(); };
    hooks.visitEnded = [this] { forgetVisit(); };

    const EnginePorts ports{m_ctx.clock,   m_ctx.desktop, *this,          *m_browser,
                            m_ctx.system,  m_ctx.shell,   m_ctx.settings, m_ctx.document,
                            m_ctx.program, m_ctx.lock};
    m_engine = std::make_unique<Engine>(ports, std::move(hooks), engineSettings, m_ctx.commandLine);
    m_navigation->attachEngine(m_engine.get());
    m_driver->attach(m_engine.get());
}

bool frmMain::loadCurrentDocument()
{
    const ProgramValues& program = m_ctx.program;
    const bool ok = LoadDocument(m_documentServices, m_ctx.document, program.documentPath,
                                 program.documentName);
    // The options first: the order of the pages and the update times depend on them.
    ApplySettings();
    ReportPositionNotKept(m_documentServices, m_ctx.document);
    if (m_engine)
        m_engine->AfterDocumentLoad();
    LoadUpdateBookkeeping(m_cacheServices);
    return ok;
}

void frmMain::ApplySettings()
{
    SettingsStore& settings = m_ctx.settings;
    const QString sw = commandSwitch();

    m_saver = ReadSaverState(settings, m_ctx.shell, m_ctx.program, sw == QLatin1String("/S"));
    m_ctx.lock.storedPassword = settings.read(keys::Password);
    ReadCacheSettings(settings, m_ctx.cache);
    ReadUpdateSettings(settings, m_ctx.update, m_saver.ScreenSaveTimeOut);
    m_navigation->settings() = ReadNavigationSettings(settings);
    m_browser->setAutoplaySound(settings.read(keys::AutoplaySound));
    const qint64 physicalKiB = m_ctx.memory.physicalMemoryKiB();
    const RendererGuardSettings guard = ReadRendererGuardSettings(settings, physicalKiB);
    if (guard.memoryLimitMiB != m_rendererGuard.settings().memoryLimitMiB ||
        guard.maxHours != m_rendererGuard.settings().maxHours) {
        m_rendererGuard.setSettings(guard);
        qCDebug(lcRenew).noquote()
            << QStringLiteral("the web page is renewed between two pages when the program's "
                              "processes hold more than %1 MiB (0: never), or after %2 h "
                              "(0: never); the machine has %3 MiB")
                   .arg(guard.memoryLimitMiB)
                   .arg(guard.maxHours)
                   .arg(physicalKiB / 1024);
    }

    // The locks first: placing the window stores the tool bars' placement, locks included,
    // which must not put the previous document's back.
    if (m_toolBars) {
        const ToolBarPlacement stored = ReadToolBarPlacement(settings);
        m_toolBars->placement().ToolRunLocked = stored.ToolRunLocked;
        m_toolBars->placement().ToolNavLocked = stored.ToolNavLocked;
    }
    const WindowPlacement before = m_placement;
    readWindowPlacement();
    if (!m_engine)
        return;
    EngineSettings engineSettings = ReadEngineSettings(settings, m_saver);
    engineSettings.WindowState = m_placement.WindowState;
    engineSettings.TopMost = m_placement.TopMost;
    m_engine->ApplySettings(engineSettings);

    // The window follows once the show has begun (before, its first start applies them).
    if (m_engine->state().EngineInitialised) {
        if (m_placement.WindowState != before.WindowState) {
            setMainFramed(m_placement.WindowState != MainWindowState::FullScreen);
            applyWindowState(m_placement.WindowState);
        } else if (m_placement.WindowState != MainWindowState::FullScreen &&
                   (m_placement.WindowLeft != before.WindowLeft ||
                    m_placement.WindowTop != before.WindowTop ||
                    m_placement.WindowWidth != before.WindowWidth ||
                    m_placement.WindowHeight != before.WindowHeight)) {
            placeWindow();
        }
        if (m_placement.TopMost != before.TopMost)
            setMainTopmost(m_placement.TopMost);
    }

    if (m_toolBars) {
        m_toolBars->ArrangeToolBars();
        // A bar the options no longer offer goes (arranging only ever shows one).
        if (!m_engine->state().NavigationMode && !m_engine->ToolRunShown())
            m_toolBars->showToolBar(ToolBar::Run, false);
        if (m_engine->state().NavigationMode && !m_engine->ToolNavShown())
            m_toolBars->showToolBar(ToolBar::Nav, false);
    }
}

void frmMain::readWindowPlacement()
{
    SettingsStore& settings = m_ctx.settings;
    const Desktop& desktop = m_ctx.desktop;
    const int tppX = desktop.twipsPerPixelX();
    const int tppY = desktop.twipsPerPixelY();

    m_placement.WindowState = MainWindowState(settings.read(keys::WindowState));
    m_placement.TopMost = settings.read(keys::TopMost);
    m_placement.WindowLeft = settings.read(keys::WindowLeft);
    m_placement.WindowTop = settings.read(keys::WindowTop);
    m_placement.WindowWidth = settings.read(keys::WindowWidth, width() * tppX);
    m_placement.WindowHeight = settings.read(keys::WindowHeight, height() * tppY);

    const QSize screen = desktop.screenSize();
    FitWindowToScreen(m_placement, screen.width() * tppX, screen.height() * tppY);
}

void frmMain::placeWindow()
{
    const int tppX = m_ctx.desktop.twipsPerPixelX();
    const int tppY = m_ctx.desktop.twipsPerPixelY();
    setGeometry(m_placement.WindowLeft / tppX, m_placement.WindowTop / tppY,
                m_placement.WindowWidth / tppX, m_placement.WindowHeight / tppY);
}

void frmMain::openDocument(const QString& url)
{
    if (!m_engine)
        return;
    ProgramValues& program = m_ctx.program;
    program.documentPath = url;
    program.documentName = url;
    PrepareDocumentSource(m_documentServices, m_ctx.document);
    UpdateDefaultDocumentFlag(m_documentServices, m_ctx.document, program.documentPath,
                              program.documentName);
    loadCurrentDocument();
    m_engine->SetState(RunState::INIT);
    m_engine->PlayAction();
}

// ---------------------------------------------------------------------------------------------
// Layout, placement, caption

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (m_engine && m_engine->state().EngineInitialised)
        LayoutBrowser();
}

void frmMain::LayoutBrowser()
{
    QWidget* client = centralWidget();
    m_browser->view()->setGeometry(
        BrowserGeometry(m_placement.WindowState, client->width(), client->height()));
    saveWindowPlacementSoon();
}

void frmMain::saveWindowPlacementSoon()
{
    // Storing may wait for the disk; the page asked for meanwhile (the first one of the show
    // comes right after the window is laid out) starts loading first.
    if (m_placementSaveQueued)
        return;
    m_placementSaveQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_placementSaveQueued = false;
            SaveWindowPlacement();
        },
        Qt::QueuedConnection);
}

void frmMain::SaveWindowPlacement()
{
    if (!m_loaded || m_unloaded)
        return;
    SettingsStore& settings = m_ctx.settings;
    // Only what changed is written: the caption follows every page.
    auto store = [&settings](SettingKey<qint32> key, qint32 value) {
        if (settings.read(key) != value)
            (void)settings.write(key, value);
    };
    if (m_placement.WindowState != MainWindowState::FullScreen) {
        const int tppX = m_ctx.desktop.twipsPerPixelX();
        const int tppY = m_ctx.desktop.twipsPerPixelY();
        m_placement.WindowLeft = x() * tppX;
        m_placement.WindowTop = y() * tppY;
        m_placement.WindowWidth = width() * tppX;
        m_placement.WindowHeight = height() * tppY;
        store(keys::WindowLeft, m_placement.WindowLeft);
        store(keys::WindowTop, m_placement.WindowTop);
        store(keys::WindowWidth, m_placement.WindowWidth);
        store(keys::WindowHeight, m_placement.WindowHeight);
    }
    if (m_toolBars) {
        m_toolBars->RecordPlacement();
        WriteToolBarPlacement(settings, m_toolBars->placement());
    }
}

void frmMain::UpdateTitle()
{
    if (windowTitle() != kCaption)
        setWindowTitle(kCaption);
    saveWindowPlacementSoon();
}

// ---------------------------------------------------------------------------------------------
// Between pages and the keys

void frmMain::renewPageIfDue()
{
    // A page that has shown nothing yet (the start of the show) is as new as one can be.
    if (!m_browser->pageUsed())
        return;
    const RendererGuard::Verdict verdict = m_rendererGuard.check();
    if (verdict.cause == RendererGuard::Cause::None)
        return;
    qCInfo(lcRenew).noquote() << QStringLiteral("the web page is renewed before the next page: %1")
                                     .arg(m_rendererGuard.describe(verdict));
    m_browser->renewPage();
    m_rendererGuard.pageRenewed(verdict.cause);
    ShowHealth& health = m_engine->health();
    ++(verdict.cause == RendererGuard::Cause::Memory ? health.renewalsForMemory
                                                     : health.renewalsForAge);
}

void frmMain::forgetVisit()
{
    if (m_ctx.settings.read(keys::KeepVisitorData))
        return;
    // Nothing of one visitor reaches the next: a new profile forgets the cookies, web storage,
    // HTTP authentication, cache and visited links, a new page the history, and the address box
    // offers the administrator's list alone again.
    if (m_toolBars)
        m_toolBars->forgetTypedAddresses();
    m_browser->renewPage(m_ctx.profile.renew());
    m_rendererGuard.pageRenewed();
    qCInfo(lcGlasspane, "the visit is over: what it left in the browser is forgotten");
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !m_engine || m_processEnded)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    // A key press travels up from the focus widget to its parents, and keys the page leaves
    // unused come back as copies: only the original, at its first receiver, counts.
    QWidget* focus = QApplication::focusWidget();
    if (!event->spontaneous() || (focus ? widget != focus : widget != this))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    m_engine->HandleKeyDown(KeyCodeOf(key), ShiftMaskOf(key));
    return false;
}

// ---------------------------------------------------------------------------------------------
// Closing

void frmMain::requestTermination()
{
    m_terminating = true;
    m_driver->setTerminating();
    if (m_engine && !m_processEnded) {
        m_engine->SetState(RunState::FINPROG);
        // Should the engine be held (a modal dialog), end without it.
        QTimer::singleShot(kTerminationGraceMs, this, [this] {
            if (!m_processEnded)
                endProcess();
        });
        return;
    }
    endProcess();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_processEnded || m_terminating) {
        m_closeAccepted = true;
        event->accept();
        return;
    }
    if (!m_engine) {
        event->accept();
        return;
    }
    if (m_engine->CurrentState() != RunState::FINPROG) {
        // The window system asked (its close button, Alt+F4 of the window manager): that is a
        // quit request, granted as the Quit button would be.
        event->ignore();
        if (m_engine->QuitAllowed())
            m_engine->SetState(RunState::FINPROG);
        return;
    }
    if (!m_engine->QueryClose()) {
        event->ignore();
        return;
    }
    m_closeAccepted = true;
    event->accept();
}

bool frmMain::closeMainWindow()
{
    close();
    return m_closeAccepted;
}

void frmMain::Form_Unload()
{
    if (m_unloaded || !m_loaded)
        return;
    SaveWindowPlacement();
    m_unloaded = true;
    // The other windows, network drives, update bookkeeping and on-line state.
    if (m_configHooks.unloadConfigWindows)
        m_configHooks.unloadConfigWindows();
    if (m_toolBars) {
        showToolBar(ToolBar::Run, false);
        showToolBar(ToolBar::Nav, false);
    }
    m_ctx.drives.DisconnectAllShares();
    RecordUpdateProgress(m_cacheServices);
    if (m_ctx.online)
        m_ctx.online->setOffline(m_savedOffline);
    // The extracted files and their folders.
    RemoveEmbeddedFiles(m_resourceIndex, m_ctx.program.resourceFolder);
    // The pointer as the desktop had it.
    if (m_engine)
        m_engine->ShowCursorFully();
}

void frmMain::unloadWindows()
{
    if (m_configHooks.unloadConfigWindows)
        m_configHooks.unloadConfigWindows();
    if (m_toolBars) {
        showToolBar(ToolBar::Run, false);
        showToolBar(ToolBar::Nav, false);
    }
    for (QWidget* popup : m_browser->popupWindows())
        popup->close();
}

void frmMain::endProcess()
{
    if (m_processEnded)
        return;
    m_processEnded = true;
    m_ctx.internet.setClosing(true);
    m_driver->stop();
    // Also when the window refused to close but the engine ends anyway: nothing extracted
    // stays behind.
    Form_Unload();
    hide();
    Q_EMIT processEnded();
    QCoreApplication::exit(0);
}

void frmMain::abandonLoad()
{
    RemoveEmbeddedFiles(m_resourceIndex, m_ctx.program.resourceFolder);
    m_unloaded = true;
    // The main loop has yet to begin: it ends as soon as it does.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

// ---------------------------------------------------------------------------------------------
// Frontend: the main window

WindowId frmMain::windowId(AppWindow window) const
{
    switch (window) {
    case AppWindow::Main:
        return QtDesktop::idOf(this);
    case AppWindow::ToolRun:
        return m_toolBars ? m_toolBars->windowId(ToolBar::Run) : 0;
    case AppWindow::ToolNav:
        return m_toolBars ? m_toolBars->windowId(ToolBar::Nav) : 0;
    case AppWindow::Config:
        return m_configHooks.configWindowId ? m_configHooks.configWindowId() : 0;
    }
    return 0;
}

void frmMain::applyWindowFlags()
{
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::FramelessWindowHint, !m_framed);
    flags.setFlag(Qt::WindowStaysOnTopHint, m_topmost);
    if (flags == windowFlags())
        return;
    if (QWindow* handle = windowHandle(); handle && isVisible()) {
        // In place: setWindowFlags would hide the window and show it again.
        overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

void frmMain::setMainFramed(bool framed)
{
    if (framed == m_framed)
        return;
    m_framed = framed;
    applyWindowFlags();
}

void frmMain::setMainTopmost(bool topmost)
{
    if (topmost != m_topmost) {
        m_topmost = topmost;
        // Coalesced: the start of the show pins the window and lets go of it at once, which
        // should only bring it to the front.
        QTimer::singleShot(0, this, [this] { applyWindowFlags(); });
    }
    raise();
    activateWindow();
    // A dialog still open stays above, also where no window manager stacks it there.
    m_dialogGuard->raiseAll();
}

void frmMain::applyWindowState(MainWindowState windowState)
{
    m_placement.WindowState = windowState;
    if (windowState == MainWindowState::FullScreen) {
        // The whole screen also where no window manager honours the full-screen state.
        if (const QScreen* s = screen())
            setGeometry(s->geometry());
        showFullScreen();
    } else
        showNormal();
    LayoutBrowser();
    m_dialogGuard->raiseAll();
}

void frmMain::setMainVisible(bool visible)
{
    setVisible(visible);
}

void frmMain::focusBrowser()
{
    m_browser->setFocus();
}

// ---------------------------------------------------------------------------------------------
// Frontend: the tool bars (their windows belong to ToolBars)

void frmMain::showToolBar(ToolBar bar, bool show)
{
    if (m_toolBars)
        m_toolBars->showToolBar(bar, show);
}

void frmMain::setToolBarTopmost(ToolBar bar)
{
    if (m_toolBars)
        m_toolBars->setToolBarTopmost(bar);
    m_dialogGuard->raiseAll();
}

bool frmMain::isToolBarTopmost(ToolBar bar) const
{
    // Without tool bars there is nothing to bring up.
    return m_toolBars ? m_toolBars->isToolBarTopmost(bar) : true;
}

int frmMain::placedButtonCount(ToolBar bar) const
{
    return m_toolBars ? m_toolBars->placedButtonCount(bar) : 0;
}

void frmMain::highlightButton(ToolBar bar, int index)
{
    if (m_toolBars)
        m_toolBars->highlightButton(bar, index);
}

void frmMain::refreshToolBars()
{
    if (m_toolBars)
        m_toolBars->refreshToolBars();
}

// ---------------------------------------------------------------------------------------------
// Frontend: the dialogs (they belong to the configuration side)

void frmMain::runPasswordDialog(PasswordLock& lock)
{
    if (m_configHooks.runPasswordDialog) {
        m_configHooks.runPasswordDialog(lock);
        return;
    }
    // No dialog to ask with: the password counts as not given.
    QMessageBox::information(this, kCaption,
                             tr("The configuration password dialog is not available."));
}

void frmMain::openConfigDialog()
{
    if (m_configHooks.openConfigDialog) {
        m_configHooks.openConfigDialog();
        return;
    }
    // Without a dialog the request ends as a cancelled one, so the show goes on.
    QTimer::singleShot(0, this, [this] {
        QMessageBox::information(this, kCaption, tr("The configuration dialog is not available."));
        if (m_engine) {
            m_engine->ConfigCancelled();
            m_engine->ConfigClosed();
        }
    });
}

void frmMain::setConfigTopmost(bool topmost)
{
    if (m_configHooks.setConfigTopmost)
        m_configHooks.setConfigTopmost(topmost);
}

void frmMain::closeDialogs(const QString& why)
{
    m_dialogGuard->closeAll(DialogGuard::Scope::All, why);
}

// ---------------------------------------------------------------------------------------------
// Pictures of the show

void frmMain::saveScreenshot(int position)
{
    if (m_screenshotFolder.isEmpty() || !isVisible() || m_processEnded)
        return;
    // Named after the page of the show it shows; another page (a visitor's, help) is "other".
    const QString name =
        m_ctx.clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
        (position >= 0 ? QStringLiteral("-page%1.png").arg(position, 3, 10, QLatin1Char('0'))
                       : QStringLiteral("-other.png"));
    const QString path = QDir(m_screenshotFolder).filePath(name);
    const QString error = saveScreenshotAs(path);
    if (!error.isEmpty())
        qCWarning(lcGlasspane, "%s", qUtf8Printable(error));
}

QString frmMain::saveScreenshotAs(const QString& path)
{
    if (m_processEnded)
        return QStringLiteral("the show is ending");
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !grab().save(&buffer, "PNG"))
        return QStringLiteral("cannot take a picture of the window");
    // A new file of its own, never one that stands there (planted, perhaps, as a link).
    QString error;
    if (!WriteNewFile(path, png, &error))
        return QStringLiteral("cannot write the screenshot %1 (%2)").arg(path, error);
    Q_EMIT screenshotSaved(path);
    return QString();
}

} // namespace glasspane
