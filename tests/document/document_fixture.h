#pragma once

#include "document/document.h"
#include "document/ini_files.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "support/fake_internet.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/memory_registry.h"
#include "support/settable_clock.h"
#include "support/test_files.h"

#include <QDir>
#include <QTemporaryDir>

namespace glasspane {

// Everything a document operation reaches, over real files in a temporary folder: the
// resource folder, a start folder and a documents folder live in it.
struct DocumentFixture
{
    QTemporaryDir dir;
    MemoryRegistry registry;
    IniFiles ini;
    ProgramValues program;
    FakeSystem system;
    FakeShell shell{dir.path() + QStringLiteral("/shell")};
    SettableClock clock;
    FakeInternet internet;
    SettingsStore settings{registry, ini, program, system};
    DocumentState doc;
    int busyDepth = 0;
    int busyCalls = 0;
    DocumentServices services{ini,   settings,  program, shell, registry,
                              clock, &internet, {},      {},    {}};

    DocumentFixture()
    {
        program.resourceFolder = dir.path() + QStringLiteral("/res");
        program.startFolder = dir.path() + QStringLiteral("/start/");
        program.programPath = QStringLiteral("/opt/glasspane/bin/glasspane");
        QDir().mkpath(program.resourceFolder);
        QDir().mkpath(program.startFolder);
        services.beginBusy = [this] {
            ++busyDepth;
            ++busyCalls;
        };
        services.endBusy = [this] { --busyDepth; };
    }

    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }

    // Writes a file (folders created) and returns its path; "" when it could not be written.
    QString write(const QString& name, const QByteArray& text) const
    {
        const QString p = path(name);
        return writeFileBytes(p, text) ? p : QString();
    }

    // The file as text with plain line feeds.
    static QString text(const QString& p)
    {
        return QString::fromUtf8(readFileBytes(p)).remove(QLatin1Char('\r'));
    }

    // LoadDocument with the document's path as its name.
    bool load(const QString& p, bool expand = true)
    {
        LoadOptions options;
        options.expand = expand;
        return LoadDocument(services, doc, p, p, options);
    }

    QStringList playUrls() const
    {
        QStringList urls;
        for (int i = 1; i < doc.PlayList.size(); ++i)
            urls.append(doc.PlayList.at(i).URL);
        return urls;
    }
    QStringList pageUrls() const
    {
        QStringList urls;
        for (int i = 1; i < doc.PageList.size(); ++i)
            urls.append(doc.PageList.at(i).URL);
        return urls;
    }
};

} // namespace glasspane
