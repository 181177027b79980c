#pragma once

// The two tool bar windows on a real engine with fake ports: the engine's tool bar calls go to
// the windows, everything else of the window side is recorded by FakeFrontend.

#include "browser/frm_tool_nav.h"
#include "browser/frm_tool_run.h"
#include "browser/tool_bars.h"
#include "document/document.h"
#include "document/ini_files.h"
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

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace glasspane {

class ToolBarFrontend final : public Frontend
{
public:
    FakeFrontend rest;
    ToolBars* bars = nullptr;

    WindowId windowId(AppWindow w) const override
    {
        if (w == AppWindow::ToolRun)
            return bars->windowId(ToolBar::Run);
        if (w == AppWindow::ToolNav)
            return bars->windowId(ToolBar::Nav);
        return rest.windowId(w);
    }
    void setMainFramed(bool framed) override { rest.setMainFramed(framed); }
    void setMainTopmost(bool topmost) override { rest.setMainTopmost(topmost); }
    void applyWindowState(MainWindowState state) override { rest.applyWindowState(state); }
    void setMainVisible(bool visible) override { rest.setMainVisible(visible); }
    void saveWindowPlacement() override { rest.saveWindowPlacement(); }
    void showToolBar(ToolBar bar, bool show) override { bars->showToolBar(bar, show); }
    void setToolBarTopmost(ToolBar bar) override { bars->setToolBarTopmost(bar); }
    bool isToolBarTopmost(ToolBar bar) const override { return bars->isToolBarTopmost(bar); }
    int placedButtonCount(ToolBar bar) const override { return bars->placedButtonCount(bar); }
    void highlightButton(ToolBar bar, int index) override { bars->highlightButton(bar, index); }
    void refreshToolBars() override { bars->refreshToolBars(); }
    void runPasswordDialog(PasswordLock& lock) override { rest.runPasswordDialog(lock); }
    void openConfigDialog() override { rest.openConfigDialog(); }
    void setConfigTopmost(bool topmost) override { rest.setConfigTopmost(topmost); }
    bool closeMainWindow() override { return rest.closeMainWindow(); }
    void unloadWindows() override { rest.unloadWindows(); }
    void endProcess() override { rest.endProcess(); }
};

struct ToolBarRig : public BrowserEvents
{
    QTemporaryDir dir;
    SettableClock clock;
    FakeDesktop desktop;
    ToolBarFrontend frontend;
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
    std::unique_ptr<ToolBars> bars;
    std::unique_ptr<Engine> engine;
    QStringList messages;

    ToolBarRig()
    {
        program.resourceFolder = dir.path() + QStringLiteral("/Gpane");
        program.documentPath = dir.path() + QStringLiteral("/show.gpn");
        settings.setRegKeyRoot(SettingsLocation::HKCU);
        settings.setParamsLocation(SettingsLocation::HKCU);
        browser.setListener(this);
        desktop.setScreenSize(QSize(1024, 768));
    }

    // Pages as addresses, 10 seconds each, also written to the document file.
    void setPages(const QStringList& urls)
    {
        QFile file(program.documentPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Gpane]\r\nHomeURL=http://home/\r\n");
        doc.PageList.resize(1);
        doc.PlayList.resize(1);
        for (const QString& url : urls) {
            PageEntry page;
            page.URL = url;
            doc.PageList.append(page);
            PlayEntry play;
            play.URL = url;
            play.SourcePage = int(doc.PageList.size()) - 1;
            doc.PlayList.append(play);
            file.write(QStringLiteral("\r\n[Page%1]\r\nURL=%2\r\n")
                           .arg(doc.pageCount())
                           .arg(url)
                           .toUtf8());
        }
        doc.HomeURL = QStringLiteral("http://home/");
    }

    // What the main window's load sequence does: tool bars, engine, splash page. mainWindow:
    // the window the bars float above, if any.
    Engine& start(QWidget* mainWindow = nullptr)
    {
        const ToolBarPorts ports{browser, desktop, doc, settings, ini, program};
        bars = std::make_unique<ToolBars>(ports, mainWindow);
        bars->setMessageBox([this](const QString& text) { messages.append(text); });
        frontend.bars = bars.get();
        const EnginePorts enginePorts{clock, desktop,  frontend, browser, system,
                                      shell, settings, doc,      program, lock};
        engine = std::make_unique<Engine>(enginePorts, EngineHooks(), options, QString(), 42);
        bars->attachEngine(*engine);
        bars->placement() = ReadToolBarPlacement(settings);
        bars->CreateToolBars();
        engine->ResetRandomOrder();
        engine->ChooseFirstPage();
        const PageInfo splash = engine->GetPageInfo(0);
        engine->BrowseTo(splash.url, splash.time, splash.hide, splash.cached, splash.separate);
        return *engine;
    }

    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.advanceMs(200);
            engine->EngineTick();
        }
    }

    RunState state() const { return engine->CurrentState(); }
    int page() const { return engine->sequence().CurrentPage; }
    frmToolRun& run() const { return *bars->toolRun(); }
    frmToolNav& nav() const { return *bars->toolNav(); }
    PictureButton* runButton(int kind) const
    {
        return run().findChild<PictureButton*>(QStringLiteral("btnToolRun%1").arg(kind));
    }
    PictureButton* navButton(int kind) const
    {
        return nav().findChild<PictureButton*>(QStringLiteral("btnToolNav%1").arg(kind));
    }
    static void click(PictureButton* button)
    {
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    void BeforeNavigate2(const QString&, bool, bool&) override {}
    void NewWindow2(NewWindowTarget&) override {}
    void NavigateComplete2(const QString&, bool) override {}
    void DocumentComplete(const QString&, bool topLevel) override
    {
        if (topLevel && engine)
            engine->displaySlot().Loaded = true;
    }
};

} // namespace glasspane
