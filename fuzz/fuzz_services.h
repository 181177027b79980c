#pragma once

#include "document/document.h"
#include "document/ini_files.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/memory_registry.h"
#include "support/settable_clock.h"

#include <QDir>

namespace glasspane::fuzz {

// What a document operation reaches, fresh for each run: an in-memory registry, fakes of the
// system and the shell, the resource and start folders in folder, and value files that read as
// valueText.
struct FuzzServices
{
    MemoryRegistry registry;
    IniFiles ini;
    ProgramValues program;
    FakeSystem system;
    FakeShell shell;
    SettableClock clock;
    SettingsStore settings{registry, ini, program, system};
    DocumentServices services{ini, settings, program, shell, registry, clock, nullptr, {}, {}, {}};

    FuzzServices(const QDir& folder, const QString& valueText)
        : shell(folder.filePath(QStringLiteral("shell")))
    {
        program.resourceFolder = folder.filePath(QStringLiteral("res"));
        program.startFolder = folder.path() + u'/';
        services.fetchValueFile = [valueText](PageEntry&, const QString&) { return valueText; };
    }
};

} // namespace glasspane::fuzz
