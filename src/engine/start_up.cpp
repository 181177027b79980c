#include "engine/start_up.h"

#include "document/program_values.h"
#include "document/text.h"
#include "platform/shell.h"
#include "platform/system.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace glasspane {

namespace {

const QString WebSite = QStringLiteral("https://glasspane.example/");

QStringList blankSeparatedWords(const QString& line)
{
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    return line.trimmed().split(blanks, Qt::SkipEmptyParts);
}

qint32 readHandle(const QString& word)
{
    if (word.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        bool ok = false;
        const qint64 value = word.mid(2).toLongLong(&ok, 16);
        return ok && value >= 0 && value <= 0x7fffffff ? qint32(value) : 0;
    }
    return ToLong(word, 0);
}

// A word a screen-saver host starts its program with, upper-cased: "-ROOT", "--ROOT",
// "-WINDOW-ID", "--WINDOW-ID", or either of the last two followed by '=' and the id.
bool isHostSwitch(const QString& upper)
{
    static const QRegularExpression host(QStringLiteral("^--?(ROOT|WINDOW-ID(=.*)?)$"));
    return host.match(upper).hasMatch();
}

// The window id after -window-id: "=ID" in the same word, else the next word.
qint32 hostWindow(const QStringList& words)
{
    const QString& first = words.first();
    const qsizetype equals = first.indexOf(u'=');
    if (equals >= 0)
        return readHandle(first.mid(equals + 1));
    if (first.endsWith(QLatin1String("root"), Qt::CaseInsensitive))
        return 0;
    return words.size() > 1 ? readHandle(words.at(1)) : 0;
}

} // namespace

QString CommandLineSwitch(const QString& commandLine)
{
    const QStringList words = blankSeparatedWords(commandLine);
    if (words.isEmpty())
        return {};
    const QString first = words.first().toUpper();
    if (isHostSwitch(first))
        return QStringLiteral("/S");
    for (const QString& sw : {QStringLiteral("/S"), QStringLiteral("/P"), QStringLiteral("/C"),
                              QStringLiteral("/A"), QStringLiteral("-C")}) {
        if (first == sw || first.startsWith(sw + u':'))
            return sw;
    }
    return {};
}

QString UnknownOption(QStringList& arguments)
{
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--")) {
        arguments.removeFirst();
        return QString();
    }
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments.at(i);
        if (word == QLatin1String("--help") || word == QLatin1String("--version"))
            continue;
        if (i == 0 && word.startsWith(u'-') && CommandLineSwitch(word).isEmpty())
            return word;
        if (i > 0 && word.startsWith(QLatin1String("--")))
            return word;
    }
    return QString();
}

StartupRequest ParseCommandLine(const QString& commandLine)
{
    StartupRequest request;
    const QString line = commandLine.trimmed();
    if (line.isEmpty())
        return request;

    const QString sw = CommandLineSwitch(line);
    if (sw == QLatin1String("/S")) {
        request.mode = RunMode::ScreenSaver;
        request.forceSaverRestart = true;
        const QStringList words = blankSeparatedWords(line);
        request.fromHost = isHostSwitch(words.first().toUpper());
        if (request.fromHost)
            request.previewParent = hostWindow(words);
    } else if (sw == QLatin1String("/P") || sw == QLatin1String("/A")) {
        request.mode = sw == QLatin1String("/P") ? RunMode::Preview : RunMode::PasswordChange;
        const QStringList words = blankSeparatedWords(line);
        request.previewParent = words.size() > 1 ? readHandle(words[1]) : 0;
    } else if (sw == QLatin1String("/C") || sw == QLatin1String("-C") ||
               line.compare(QLatin1String("CONFIG"), Qt::CaseInsensitive) == 0) {
        request.mode = RunMode::Configure;
    } else {
        request.mode = RunMode::Document;
        if (line.startsWith(u'"')) {
            const qsizetype close = line.indexOf(u'"', 1);
            request.documentPath = close < 0 ? line.mid(1) : line.mid(1, close - 1);
        } else {
            request.documentPath = line;
        }
    }
    return request;
}

quint32 SaverWindowFromEnvironment(const QString& value)
{
    return quint32(readHandle(value.trimmed()));
}

QString JoinArguments(const QStringList& arguments)
{
    QStringList words;
    for (const QString& a : arguments) {
        if (a.isEmpty() || std::any_of(a.cbegin(), a.cend(), [](QChar c) { return c.isSpace(); }))
            words.append(u'"' + a + u'"');
        else
            words.append(a);
    }
    return words.join(u' ');
}

QString ProductNameAndVersion()
{
    return QStringLiteral("Glasspane %1.%2")
        .arg(GLASSPANE_VERSION_MAJOR)
        .arg(GLASSPANE_VERSION_MINOR);
}

void InitProgramValues(ProgramValues& values, System& system, Shell& shell)
{
    values.productVersionText = ProductNameAndVersion() + QStringLiteral(" (") + WebSite + u')';

    // Never a shared, world-writable folder: the extracted pages are served to the browser.
    const QString temp = shell.folder(Shell::Folder::Temp);
    values.resourceFolder =
        temp.isEmpty() ? QStringLiteral("Gpane") : temp + QStringLiteral("/Gpane");

    const QString program = system.executablePath();
    values.programPath = program;
    values.exeName = QFileInfo(program).completeBaseName().toUpper();

    // Paths are case-sensitive here: the start folder keeps its letter case.
    QString start = system.currentFolder();
    if (!start.isEmpty() && !start.endsWith(u'/'))
        start += u'/';
    values.startFolder = start;

    QString machine = system.machineFolder();
    if (!machine.isEmpty() && !machine.endsWith(u'/'))
        machine += u'/';
    values.windowsFolder = machine;
}

QString CommandLineUsage()
{
    return QStringLiteral(
        "Usage: glasspane [--verbose] [--screenshots DIR] [SWITCH | DOCUMENT]\n"
        "\n"
        "  (nothing)            the show, on the default document\n"
        "  /S                   the show as the screen saver\n"
        "  --root, --window-id ID\n"
        "                       the show as XScreenSaver's program: in the window of\n"
        "                       $XSCREENSAVER_WINDOW, or of that X11 window id (X11 only);\n"
        "                       also -root, -window-id ID and --window-id=ID\n"
        "  /P HANDLE            the preview, inside the X11 window with that id\n"
        "  /C, /C:HANDLE, -C, CONFIG\n"
        "                       the configuration dialog; the program ends when it closes\n"
        "  /A HANDLE            ends at once (no screen-saver password on Linux)\n"
        "  DOCUMENT             the show of that .gpn document (quote a path with blanks\n"
        "                       when more words follow it)\n"
        "  --help, --version    this text, the version\n"
        "  --verbose            debug lines in the log on standard error, and the\n"
        "                       browser engine's start-up lines\n"
        "  --screenshots DIR    a PNG of the window in DIR each time a page has loaded\n"
        "  --                   the next word is a document, even if it begins with '-'\n");
}

} // namespace glasspane
