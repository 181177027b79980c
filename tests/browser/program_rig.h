#pragma once

// The whole program window against pages served on 127.0.0.1: the objects main() owns, on a
// private folder, with a settable clock. The engine is ticked by the test, so a page's display
// time passes at once and only the pages' real loading takes time.
//
//   ProgramRig p;                          // in-memory registry
//   ProgramRig p(ProgramRig::Hives::Files); // the real .reg files in the rig's folder
//   p.open("[Gpane]\r\n...");              // writes the document, opens the window on it
//   QVERIFY(p.showing(server.url("/a")));  // ticks until that page is on screen

#include "app/show_parts.h"
#include "browser/web_browser.h"
#include "document/program_values.h"
#include "platform/linux/curl_internet.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/process_memory.h"
#include "platform/linux/reg_hive_registry.h"
#include "platform/online_state.h"
#include "support/fake_shares.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/http_test_server.h"
#include "support/memory_registry.h"
#include "support/settable_clock.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace glasspane::test {

inline HttpTestServer::Route html(const QByteArray& body)
{
    HttpTestServer::Route route;
    route.body = body;
    route.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    return route;
}

inline QByteArray page(const QByteArray& text, const QByteArray& extra = {})
{
    return "<!DOCTYPE html><html><body><p>" + text + "</p>" + extra + "</body></html>";
}

// The paths of the pages the server was asked for, in order, without the browser's extras.
inline QStringList pagesServed(const HttpTestServer& server)
{
    QStringList paths;
    for (const HttpTestServer::Request& request : server.requests()) {
        const QString target = QString::fromUtf8(request.target);
        if (!target.endsWith(QLatin1String(".ico")))
            paths << target;
    }
    return paths;
}

struct ProgramRig
{
    enum class Hives { Memory, Files };

    explicit ProgramRig(Hives hives = Hives::Memory)
        : registry(hives == Hives::Files ? static_cast<Registry&>(*(fileHives = makeHives()))
                                         : memory),
          shell(dir.path()), internet(online),
          parts({system, shell, registry, shares, clock, internet, &online, memoryMeter, folders,
                 values}),
          settings(parts.settings), desktop(parts.desktop), doc(parts.document), cache(parts.cache),
          update(parts.update)
    {
        values.productVersionText = QStringLiteral("Glasspane 4.35 (https://glasspane.example/)");
        values.resourceFolder = dir.filePath(QStringLiteral("runtime/Gpane"));
        values.startFolder = dir.path() + QLatin1Char('/');
        values.windowsFolder = dir.filePath(QStringLiteral("machine/"));
        values.programPath = QStringLiteral("/usr/bin/glasspane");
        values.exeName = QStringLiteral("GLASSPANE");
        if (hives == Hives::Memory)
            settings.setRegKeyRoot(SettingsLocation::HKCU);
    }

    QString userHive() const { return dir.filePath(QStringLiteral("config/user.reg")); }
    QString machineHive() const { return dir.filePath(QStringLiteral("machine/machine.reg")); }

    // Writes a document; "" when it could not be written.
    QString write(const QByteArray& document, const QString& name = QStringLiteral("show one.gpn"))
    {
        const QString path = dir.filePath(QStringLiteral("shows/") + name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size())
            return QString();
        return path;
    }
    // Writes the document and opens the window on it.
    frmMain& open(const QByteArray& document) { return openWith(write(document)); }
    frmMain& openWith(const QString& commandLine)
    {
        settings.ReadRegKeyRoot();
        window = parts.makeWindow(commandLine);
        window->Form_Load();
        // The test drives the engine itself.
        window->tim()->stop();
        window->show();
        return *window;
    }

    Engine& engine() { return *window->engine(); }
    WebBrowser& browser() { return window->browser(); }

    // Ticks the engine (200 ms of the settable clock each) while the pages load for real,
    // until the condition holds or 30 seconds have passed.
    bool runUntil(const std::function<bool()>& condition)
    {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > 30000) {
                qWarning() << "gave up at" << browser().LocationURL() << "loaded"
                           << engine().displaySlot().Loaded << "busy" << browser().Busy() << "slot"
                           << engine().displaySlot().Url << "state"
                           << RunStateName(engine().CurrentState());
                return false;
            }
            clock.advanceMs(200);
            engine().EngineTick();
            QTest::qWait(10);
        }
        return true;
    }
    bool showing(const QString& url)
    {
        return runUntil([&] {
            return browser().LocationURL() == url && engine().displaySlot().Loaded &&
                   !browser().Busy();
        });
    }
    QVariant evaluate(const QString& script)
    {
        QVariant result;
        bool done = false;
        browser().page()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        QElapsedTimer timer;
        timer.start();
        while (!done && timer.elapsed() < 10000)
            QTest::qWait(10);
        return result;
    }

    QTemporaryDir dir;
    SettableClock clock;
    MemoryRegistry memory;
    std::unique_ptr<RegHiveRegistry> fileHives;
    Registry& registry;
    FakeShell shell;
    FakeSystem system;
    FakeShares shares;
    ProcMemoryMeter memoryMeter;
    LinuxPrivateFolders folders;
    ProgramValues values;
    CurlGlobal curl;
    OnlineState online;
    CurlInternet internet;
    // What main() builds on the adapters, as it builds it.
    ShowParts parts;
    SettingsStore& settings;
    QtDesktop& desktop;
    DocumentState& doc;
    CacheState& cache;
    UpdateState& update;
    std::unique_ptr<frmMain> window;

private:
    std::unique_ptr<RegHiveRegistry> makeHives() const
    {
        return std::make_unique<RegHiveRegistry>(RegHivePaths{
            userHive(), machineHive(), dir.filePath(QStringLiteral("machine/classes.reg"))});
    }
};

} // namespace glasspane::test
