#include "app/show_application.h"

#include "app/foreign_window.h"
#include "browser/web_browser.h"
#include "document/document_files.h"
#include "document/program_values.h"
#include "engine/start_up.h"
#include "platform/clock.h"
#include "platform/internet.h"
#include "platform/log.h"
#include "platform/memory_meter.h"

#include <QCoreApplication>
#include <QTimer>

namespace glasspane {

ShowApplication::ShowApplication(const PlatformParts& platform, const QString& commandLine)
    : parts(platform)
{
    parts.platform.internet.setUserAgent(platform.program.productVersionText);
    // Where general options are written, and the product keys they go under.
    parts.settings.ReadRegKeyRoot();
    parts.settings.EnsureProductKeys();

    m_window = parts.makeWindow(commandLine);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, m_window.get(),
                     &frmMain::requestTermination);

    // Run as the screen saver, the desktop blanked the screen itself.
    const bool saverRun = ParseCommandLine(commandLine).mode == RunMode::ScreenSaver;
    frmMain* window = m_window.get();
    ShowControlHooks hooks;
    hooks.engine = [window] { return window->engine(); };
    hooks.reloadPage = [window] { window->browser().Refresh(); };
    hooks.checkDocument = [window](const QString& document) {
        return CheckDocumentToOpen(window->documentServices(), document, kOpenFetchSeconds);
    };
    hooks.openDocument = [window](const QString& document) {
        QTimer::singleShot(0, window, [window, document] { window->openDocument(document); });
    };
    hooks.raise = [window] {
        window->raise();
        window->activateWindow();
    };
    hooks.loadsStarted = [window] { return window->browser().loadsStarted(); };
    hooks.memory = [&memory = platform.memory] {
        const ProcessTreeMemoryUse use = memory.programMemory(ProportionalShare::Skip);
        return MemoryUse{use.ownKb, use.descendantsKb, use.descendants};
    };
    if (DisplayPower* power = platform.displayPower)
        hooks.screen = [power] { return power->screenState(); };
    m_control = std::make_unique<ShowControl>(std::move(hooks), platform.program, parts.document,
                                              platform.clock.now(), saverRun);

    if (platform.displayPower) {
        m_stayAwake = std::make_unique<StayAwake>(*platform.displayPower, platform.clock, saverRun);
        StayAwake* awake = m_stayAwake.get();
        QObject::connect(window->tim(), &QTimer::timeout, window,
                         [window, awake] { awake->update(window->engine()); });
        QObject::connect(window, &frmMain::processEnded, window, [awake] { awake->release(); });
    }
}

ShowApplication::~ShowApplication()
{
    m_window.reset();
    m_stayAwake.reset();
}

void ShowApplication::start(quintptr hostWindow)
{
    m_window->Form_Load();
    // Ended while the document was fetched: nothing to show.
    if (m_window->unloaded())
        return;
    m_window->UpdateTitle();
    if (hostWindow != 0) {
        if (EmbedIntoForeignWindow(*m_window, hostWindow)) {
            auto* host = new ForeignHost(*m_window, hostWindow);
            QObject::connect(host, &ForeignHost::hostClosed, m_window.get(),
                             &frmMain::requestTermination);
            return;
        }
        qCWarning(lcGlasspane) << "no window" << Qt::hex << hostWindow
                               << "to show in; the show takes the screen";
    }
    m_window->show();
}

} // namespace glasspane
