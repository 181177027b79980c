// gpane: the administrators' command-line companion of glasspane. No display needed.

#include "app/gpane_cache_name.h"
#include "app/gpane_playlist.h"
#include "engine/start_up.h"
#include "platform/linux/linux_system.h"
#include "platform/log.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

using namespace glasspane;

namespace {

// One subcommand: "gpane NAME ARGUMENTS...". run receives the words after the name and returns
// the exit code (2 for a usage error).
struct Subcommand
{
    const char* name;
    const char* arguments;
    const char* summary;
    int (*run)(const QStringList& arguments, QTextStream& out, QTextStream& err);
};

// The subcommands; a new one is one more line here.
constexpr Subcommand Subcommands[] = {
    {"playlist", "DOCUMENT", "print the expanded play list of a document", RunPlaylist},
    {"cache-name", "URL", "print the cache file name of an address", RunCacheName},
};

void printUsage(QTextStream& stream)
{
    stream << "Usage: gpane COMMAND [ARGUMENTS] [--verbose]\n\nCommands:\n";
    for (const Subcommand& c : Subcommands) {
        const QString head =
            QStringLiteral("  %1 %2").arg(QLatin1String(c.name), QLatin1String(c.arguments));
        stream << head.leftJustified(26) << ' ' << c.summary << '\n';
    }
    stream << "  " << QStringLiteral("--help, --version").leftJustified(24) << ' '
           << "this text, the version\n";
}

} // namespace

int main(int argc, char** argv)
{
    // Nothing the program creates is writable by others, whatever the session's umask.
    RestrictFileCreationMask();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gpane"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.removeAll(QStringLiteral("--verbose")) > 0)
        enableVerboseLog();

    if (arguments.isEmpty()) {
        printUsage(err);
        return 2;
    }
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        printUsage(out);
        return 0;
    }
    if (command == QLatin1String("--version")) {
        out << "gpane (" << ProductNameAndVersion() << ")\n";
        return 0;
    }
    for (const Subcommand& c : Subcommands) {
        if (command == QLatin1String(c.name))
            return c.run(arguments, out, err);
    }
    err << "gpane: unknown command \"" << command << "\"; see gpane --help\n";
    return 2;
}
