#pragma once

#include "document/document.h"
#include "document/ini_files.h"
#include "document/page_cache.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/update_policy.h"
#include "support/fake_internet.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/memory_registry.h"
#include "support/settable_clock.h"

#include <QTemporaryDir>

namespace glasspane {

// Everything the page cache and the update policy reach, with fakes, in a temporary folder:
//
//   CacheFixture f;                      // scheme 0, connected (Lan), clock 4 March 2024 noon
//   f.net.setPage("http://h/a.html", "<p>");
//   FetchPage(f.services, entry, "http://h/a.html", true);
//
// The shell's folders live under f.dir; the cache folder is f.cacheFolder(). Pass another
// Internet (a real one) to the constructor to reach a local server.
struct CacheFixture
{
    explicit CacheFixture(Internet* internet = nullptr)
        : shell(dir.path()), settings(registry, ini, program, system),
          services{
              internet ? *internet : net,    shell, clock, settings, program, doc, cache, update,
              [this] { return interactive; }}
    {
        program.documentPath = dir.filePath(QStringLiteral("doc.gpn"));
        program.startFolder = dir.path() + QLatin1Char('/');
        program.resourceFolder = dir.filePath(QStringLiteral("res"));
    }

    QString cacheFolder() { return shell.folder(Shell::Folder::Cache); }
    QString cacheFile(const QString& url) { return cacheFolder() + u'/' + CacheFileName(url); }

    QTemporaryDir dir;
    FakeInternet net;
    FakeShell shell;
    FakeSystem system;
    SettableClock clock;
    MemoryRegistry registry;
    IniFiles ini;
    ProgramValues program;
    SettingsStore settings;
    DocumentState doc;
    CacheState cache;
    UpdateState update;
    bool interactive = false;
    CacheServices services;
};

} // namespace glasspane
