#pragma once

// A whole engine on fake ports, driven by the settable clock: what the main window's load
// sequence and timer would do, without a display.

#include "document/document.h"
#include "document/ini_files.h"
#include "document/page_cache.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "engine/engine.h"
#include "support/fake_browser.h"
#include "support/fake_desktop.h"
#include "support/fake_frontend.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/memory_registry.h"
#include "support/settable_clock.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <utility>

namespace glasspane {

struct EngineRig : public BrowserEvents
{
    QTemporaryDir dir;
    SettableClock clock;
    FakeDesktop desktop;
    FakeFrontend frontend;
    FakeBrowser browser;
    FakeSystem system;
    FakeShell shell{dir.path()};
    MemoryRegistry registry;
    IniFiles ini;
    ProgramValues program;
    SettingsStore settings{registry, ini, program, system};
    DocumentState doc;
    PasswordLock lock;
    EngineSettings options;
    std::unique_ptr<Engine> engine;

    // Hook records.
    int reloads = 0;
    int updateDueCalls = 0;
    int connectionResets = 0;
    bool offlineAtEndOfCycle = false;
    QStringList fetched;
    // Appended to a cached copy's path to make what the browser is given to show it.
    QString viewSuffix;
    // Runs when the document is reloaded at the end of a cycle.
    std::function<void()> onReload;
    // A page that completes is on screen at once (PageOnScreen); false: the test says when.
    bool paintsAtOnce = true;
    // fetchPage finds no copy (it could not be fetched and none was held).
    bool noCopy = false;
    // Runs inside fetchPage, as the events the window handles while a download waits.
    std::function<void()> duringFetch;

    EngineRig()
    {
        program.resourceFolder = dir.path() + QStringLiteral("/Gpane");
        program.documentPath = dir.path() + QStringLiteral("/show.gpn");
        program.exeName = QStringLiteral("GLASSPANE");
        program.programPath = QStringLiteral("/usr/bin/glasspane");
        // Parameters in the per-user hive: in memory, so that days of pages stay fast.
        settings.setRegKeyRoot(SettingsLocation::HKCU);
        settings.setParamsLocation(SettingsLocation::HKCU);
        browser.setListener(this);
        options.HelpURL = program.resourceFolder + QStringLiteral("/documentation.html");
    }

    // Pages as (address, seconds); every entry uses its own time.
    void setPages(const QList<std::pair<QString, int>>& pages)
    {
        doc.PageList.resize(1);
        doc.PlayList.resize(1);
        for (const auto& [url, time] : pages) {
            PageEntry page;
            page.URL = url;
            page.DefaultTime = false;
            page.Time = time;
            doc.PageList.append(page);
            PlayEntry play;
            play.URL = url;
            play.DefaultTime = false;
            play.Time = time;
            play.SourcePage = int(doc.PageList.size()) - 1;
            doc.PlayList.append(play);
        }
    }

    EngineHooks hooks()
    {
        EngineHooks h;
        h.updateDue = [this] { ++updateDueCalls; };
        h.reloadAtEndOfCycle = [this] { return !offlineAtEndOfCycle; };
        h.reloadDocument = [this] {
            ++reloads;
            if (onReload)
                onReload();
            return true;
        };
        h.fetchPage = [this](const QString& url) -> QString {
            fetched.append(url);
            if (duringFetch)
                std::exchange(duringFetch, {})();
            if (noCopy)
                return QString();
            // Named as the cache names it: by its address's extension.
            const QString page = url.left(url.indexOf(QLatin1Char('#')));
            const QString suffix = QFileInfo(QUrl(page).path()).suffix();
            return dir.path() + QStringLiteral("/cache/") + QString::number(fetched.size()) +
                   QLatin1Char('.') + (suffix.isEmpty() ? QStringLiteral("tmp") : suffix);
        };
        h.browserShows = BrowserShowsCopy;
        h.viewableCopy = [this](const QString& copy) { return copy + viewSuffix; };
        h.resetConnectionCheck = [this] { ++connectionResets; };
        return h;
    }

    // The end of the main window's load: engine, first position, splash page.
    Engine& start(const QString& commandLine = QString(), unsigned seed = 42)
    {
        const EnginePorts ports{clock, desktop,  frontend, browser, system,
                                shell, settings, doc,      program, lock};
        engine = std::make_unique<Engine>(ports, hooks(), options, commandLine, seed);
        engine->ResetRandomOrder();
        engine->ChooseFirstPage();
        PageInfo splash = engine->GetPageInfo(0);
        if (Engine::IsConfigCommandLine(commandLine) &&
            !commandLine.trimmed().startsWith(QLatin1String("CONFIG"), Qt::CaseInsensitive))
            splash.url = program.resourceFolder + QStringLiteral("/index.html");
        engine->BrowseTo(splash.url, splash.time, splash.hide, splash.cached, splash.separate);
        frontend.onClose = [this] { return engine->QueryClose(); };
        return *engine;
    }

    // One timer tick, 200 ms after the last.
    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.advanceMs(200);
            engine->EngineTick();
        }
    }
    void runSeconds(double seconds) { tick(int(seconds * 5 + 0.5)); }

    RunState state() const { return engine->CurrentState(); }
    int page() const { return engine->sequence().CurrentPage; }

    // The browser's events, as the navigation handlers pass them on.
    void BeforeNavigate2(const QString&, bool, bool&) override {}
    void NewWindow2(NewWindowTarget&) override {}
    void NavigateComplete2(const QString&, bool) override {}
    void DocumentComplete(const QString&, bool topLevel) override
    {
        if (topLevel && engine) {
            engine->PageLoaded();
            // The window tells when the page has painted; here at once unless a test tells.
            if (paintsAtOnce)
                engine->PageOnScreen();
        }
    }
    void NavigateError(const QString& url, bool topLevel, const QString& reason) override
    {
        if (topLevel && engine)
            engine->PageFailed(url, reason);
    }
};

} // namespace glasspane
