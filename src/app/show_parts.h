#pragma once

#include "browser/frm_main.h"
#include "browser/qt_desktop.h"
#include "browser/web_engine_setup.h"
#include "document/document.h"
#include "document/ini_files.h"
#include "document/page_cache.h"
#include "document/paths.h"
#include "document/settings.h"
#include "document/update_policy.h"
#include "engine/frontend.h"
#include "engine/renderer_guard.h"

#include <memory>

namespace glasspane {

class Clock;
class DisplayPower;
class Internet;
class MemoryMeter;
class OnlineState;
class PrivateFolders;
class Registry;
class ServiceManager;
class Shares;
class Shell;
class System;
struct ProgramValues;

// The operating system's adapters and the values fixed at start-up: main() builds them (tests
// put fakes in their place).
struct PlatformParts
{
    System& system;
    Shell& shell;
    Registry& registry;
    Shares& shares;
    const Clock& clock;
    Internet& internet;
    OnlineState* online; // may be null: the browser is then never held off-line
    MemoryMeter& memory;
    PrivateFolders& folders;
    ProgramValues& program;
    // Kept awake while the show runs; none: the display is left to the desktop.
    DisplayPower* displayPower = nullptr;
    // The service manager that started the program, and its journal; none: nobody is told.
    ServiceManager* service = nullptr;
    // Where the pages shown are recorded; "": nowhere.
    QString playLogFolder = {};
};

// What the show keeps for the whole run below its window, and the services that tie it to the
// platform: the settings store, the document, cache and update state, and the browser profile.
// Members are destroyed in reverse order: whatever uses the profile must go first.
class ShowParts
{
public:
    explicit ShowParts(const PlatformParts& platform);
    ShowParts(const ShowParts&) = delete;
    ShowParts& operator=(const ShowParts&) = delete;

    // The main window on these parts, for a run with this command line (the command line
    // after the program's name). The parts must outlive it.
    std::unique_ptr<frmMain> makeWindow(const QString& commandLine);

    PlatformParts platform;
    IniFiles ini;
    SettingsStore settings;
    NetworkDrives drives;
    QtDesktop desktop;
    DocumentState document;
    CacheState cache;
    UpdateState update;
    PasswordLock lock;
    BrowserProfile profile;
    DocumentServices documents;
    CacheServices caching;
    RendererGuard rendererGuard;
};

} // namespace glasspane
