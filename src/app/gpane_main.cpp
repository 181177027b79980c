// gpane: the administrators' command-line companion of glasspane. No display needed.

#include "app/gpane_cache_name.h"
#include "app/gpane_check.h"
#include "app/gpane_control.h"
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
// the exit code (2 for a usage error); without run, the name is a command of the running show.
struct Subcommand
{
    const char* name;
    const char* arguments;
    const char* summary;
    int (*run)(const QStringList& arguments, QTextStream& out, QTextStream& err);
};

// The subcommands; a new one is one more line here.
constexpr Subcommand Subcommands[] = {
    {"playlist", "[--all] DOCUMENT", "print the pages the show plays from a document", RunPlaylist},
    {"check", "DOCUMENT", "report the mistakes of a document, as FILE:LINE: lines", RunCheck},
    {"cache-name", "URL", "print the cache file name of an address", RunCacheName},
    {"status", "", "report the running show: document, state, page, screen, memory", nullptr},
    {"next", "", "show the next page of the running show", nullptr},
    {"previous", "", "show the previous page", nullptr},
    {"pause", "", "pause the running show on its page", nullptr},
    {"play", "", "play again (also ends a visitor's browsing)", nullptr},
    {"reload", "", "load the page on screen again", nullptr},
    {"open", "DOCUMENT", "make the running show play that document", RunOpen},
};

void printUsage(QTextStream& stream)
{
    stream << "Usage: gpane COMMAND [ARGUMENTS] [--verbose]\n\nCommands:\n";
    for (const Subcommand& c : Subcommands) {
        const QString head =
            QStringLiteral("  %1 %2").arg(QLatin1String(c.name), QLatin1String(c.arguments));
        stream << head.leftJustified(28) << ' ' << c.summary << '\n';
    }
    stream << "  " << QStringLiteral("--help, --version").leftJustified(26) << ' '
           << "this text, the version\n"
           << "\n"
           << "playlist prints one line per page the show plays, in its order:\n"
           << "  SECONDS <tab> FLAGS <tab> ADDRESS\n"
           << "where FLAGS holds\n"
           << "  C  the page is fetched into the program's cache first (Cached=Yes)\n"
           << "  S  the cached page is shown by the desktop's program for its kind of file,\n"
           << "     outside the browser (SeparateProc=Yes)\n"
           << "  H  the main window is hidden while the entry plays (Var1Type=5)\n"
           << "  R  (with --all) the show refuses the page when its turn comes: the document's\n"
           << "     include and exclude lists forbid it, or no page loads from its address\n"
           << "  -  none of these\n"
           << "\n"
           << "check prints FILE:LINE: warning: TEXT or FILE:LINE: error: TEXT for each\n"
           << "finding and exits with status 1 when it found an error (something the show\n"
           << "cannot do as written), 0 otherwise; it prints nothing for a sound document.\n"
           << "Commands exit with status 2 on a usage error or a document they cannot read.\n"
           << "\n"
           << "status, next, previous, pause, play, reload and open talk to the show this user\n"
           << "runs; they exit with status 3 when no show runs, and 1 when the show refused\n"
           << "(the configuration dialog is open, a visitor is browsing...) or did not answer.\n";
}

} // namespace

int main(int argc, char** argv)
{
    // Nothing the program creates is writable by others, whatever the session's umask.
    RestrictFileCreationMask();
    initLog(QStringLiteral("gpane"));
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
            return c.run ? c.run(arguments, out, err) : RunShowCommand(c.name, arguments, out, err);
    }
    err << "gpane: unknown command \"" << command << "\"; see gpane --help\n";
    return 2;
}
